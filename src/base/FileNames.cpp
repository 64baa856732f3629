#include "base/FileNames.h"

#include "base/OutputFile.h"

#include "text/Error.h"
#include "text/IntText.h"
#include "text/Utf.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vt {

namespace {

#ifdef _WIN32
constexpr char Separators[] = "\\/";
#else
constexpr char Separators[] = "/";
#endif

/** A system's message as the end of one of ours: without trailing blanks,
 *  line breaks and full stops. */
std::u16string WithoutTrailingStops(std::u16string text)
{
    while (!text.empty() &&
           (text.back() == u' ' || text.back() == u'\n' || text.back() == u'\r' || text.back() == u'.'))
        text.pop_back();
    return text;
}

} // namespace

std::u16string DisplayPath(std::string_view path)
{
    return ShownPath(path);
}

std::string FileNameOnly(const std::string& path)
{
#ifdef _WIN32
    const auto cut = path.find_last_of("\\/:");
#else
    const auto cut = path.find_last_of('/');
#endif
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of(Separators);
#ifdef _WIN32
    const bool drive = path.size() >= 2 && path[1] == ':';
    if (slash == std::string::npos)
        return drive ? path.substr(0, 2) : ".";
    if (drive && slash == 2)
        return path.substr(0, 3);
#else
    if (slash == std::string::npos)
        return ".";
#endif
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

#ifdef _WIN32

std::wstring WidePath(const std::string& path)
{
    std::wstring wide;
    if (!path.empty()) {
        const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                               static_cast<int>(path.size()), nullptr, 0);
        if (size <= 0)
            ThrowFileError(u"Cannot open file", path, static_cast<int>(::GetLastError()));
        wide.resize(static_cast<std::size_t>(size));
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                              wide.data(), size);
    }
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    // A folder's name must leave room for a file name of 8.3 characters.
    if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\"))
        return wide;
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return wide;
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return wide;
    full.resize(length);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::u16string SystemErrorText(int error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text;
    if (length != 0 && buffer != nullptr)
        text.assign(buffer, buffer + length);
    else
        text = u"Error " + FromUtf8(std::to_string(error));
    ::LocalFree(buffer);
    return WithoutTrailingStops(std::move(text));
}

#else

std::u16string SystemErrorText(int error)
{
    return WithoutTrailingStops(FromUtf8(std::strerror(error)));
}

#endif

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

void ThrowTooLarge(std::string_view path, std::size_t limit)
{
    ThrowFileError(u"Cannot read file", path,
                   u"It is larger than " + IntToStr(static_cast<std::int32_t>(limit >> 20)) +
                       u" MB, the most that is read");
}

SaveNotConfirmed::SaveNotConfirmed(std::string_view path, int error)
    : FileError(u"Saved file", path,
                u"The system could not confirm that the save will survive a crash: " +
                    SystemErrorText(error)),
      m_cause(SystemErrorText(error))
{
}

} // namespace vt
