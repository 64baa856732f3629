#include "text/Error.h"

#include "text/Utf.h"

namespace vt {

Error::Error(std::u16string message, std::exception_ptr inner)
    : m_message(std::move(message)), m_utf8(ToUtf8(m_message)), m_inner(std::move(inner))
{
}

std::u16string MessageOf(const std::exception_ptr& error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return FromUtf8(e.what());
    } catch (...) {
        return {};
    }
}

std::u16string InnermostMessage(const std::exception_ptr& error)
{
    std::u16string message = MessageOf(error);
    std::exception_ptr current = error;
    // Walk down the chain; the deepest non-empty message wins.
    for (int depth = 0; current && depth < 64; ++depth) {
        std::exception_ptr inner;
        try {
            std::rethrow_exception(current);
        } catch (const Error& e) {
            inner = e.Inner();
        } catch (...) {
        }
        if (!inner)
            break;
        std::u16string innerMessage = MessageOf(inner);
        if (!innerMessage.empty())
            message = std::move(innerMessage);
        current = inner;
    }
    return message;
}

std::u16string WithFullStop(std::u16string message)
{
    if (!message.empty() && message.back() > u'.')
        message += u'.';
    return message;
}

} // namespace vt
