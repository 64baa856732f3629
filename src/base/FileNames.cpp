#include "FileNames.h"

#include "Error.h"
#include "Utf.h"

#include <cstring>

std::u16string DisplayPath(std::string_view path)
{
    const std::u16string text = FromUtf8(path);
    std::u16string shown;
    shown.reserve(text.size());
    for (const char16_t c : text) {
        switch (c) {
        case u'\n':
            shown += u"\\n";
            break;
        case u'\r':
            shown += u"\\r";
            break;
        case u'\t':
            shown += u"\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                constexpr char16_t digits[] = u"0123456789abcdef";
                shown += u"\\x";
                shown += digits[c >> 4];
                shown += digits[c & 0xF];
            } else {
                shown += c;
            }
        }
    }
    return shown;
}

std::string FileNameOnly(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::u16string SystemErrorText(int error)
{
    std::u16string text = FromUtf8(std::strerror(error));
    while (!text.empty() &&
           (text.back() == u' ' || text.back() == u'\n' || text.back() == u'\r' || text.back() == u'.'))
        text.pop_back();
    return text;
}

namespace {

std::u16string FileMessage(std::u16string_view what, std::string_view path, std::u16string_view reason)
{
    std::u16string message(what);
    message += u" \"";
    message += DisplayPath(path);
    message += u"\". ";
    message += reason;
    return message;
}

} // namespace

FileError::FileError(std::u16string_view what, std::string_view path, std::u16string_view reason)
    : Error(FileMessage(what, path, reason)), m_what(what), m_path(path), m_reason(reason)
{
}

void ThrowFileError(std::u16string_view what, std::string_view path, std::u16string_view reason)
{
    throw FileError(what, path, reason);
}

void ThrowFileError(std::u16string_view what, std::string_view path, int error)
{
    ThrowFileError(what, path, SystemErrorText(error));
}
