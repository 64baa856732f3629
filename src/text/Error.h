#pragma once

#include <exception>
#include <string>

namespace vt {

/** An error that carries a message as UTF-16 text and may wrap the error that
 *  caused it. what() gives the message as UTF-8, lone surrogates replaced. */
class Error : public std::exception
{
public:
    explicit Error(std::u16string message, std::exception_ptr inner = nullptr);

    const std::u16string& Message() const noexcept { return m_message; }
    const std::exception_ptr& Inner() const noexcept { return m_inner; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    std::u16string m_message;
    std::string m_utf8;
    std::exception_ptr m_inner;
};

/** The message of an error: Error's own text, what() of any other standard
 *  exception read as UTF-8, and the empty text for anything else. */
std::u16string MessageOf(const std::exception_ptr& error);

/** The message that the error report shows: the innermost wrapped error's
 *  message when it is not empty, otherwise the error's own. */
std::u16string InnermostMessage(const std::exception_ptr& error);

/** Appends a full stop unless the message is empty or its last code unit is
 *  at or below U+002E (full stop, '!', ',', '-', ')', quotes, blank...). */
std::u16string WithFullStop(std::u16string message);

} // namespace vt
