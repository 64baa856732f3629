#pragma once

#include "text/Error.h"

#include <cstddef>
#include <string>
#include <string_view>

// File names as messages and the event log show them. Paths are byte strings
// in the file system's encoding (UTF-8; on Windows always UTF-8, converted to
// the system's UTF-16 names when a file is opened).

namespace vt {

/** The path as UTF-16 text for a message, escaped as ShownPath escapes it
 *  ("\n", "\x1b", "\u202e", a byte that is not UTF-8 as "\xff"), so that no
 *  name can break a message, forge a line of the event log or turn the text
 *  around it. */
std::u16string DisplayPath(std::string_view path);

/** The part of a path after its last "/" (on Windows also after the last
 *  "\\" or ":", as in "C:\\Bases\\quiz.dat" or "C:quiz.dat"). */
std::string FileNameOnly(const std::string& path);

/** The folder part of a path: "." when it has none, "/" for the root (on
 *  Windows also "\\" or "C:\\" for a root and "C:" for a drive's current
 *  folder). */
std::string FolderOf(const std::string& path);

/** The system's text for an error number (errno; on Windows the number that
 *  GetLastError returns), without trailing blanks, line breaks and full stops. */
std::u16string SystemErrorText(int error);

#ifdef _WIN32
/** The path as the UTF-16 name that the wide Win32 calls take: "/" becomes
 *  "\\", and a path longer than the system's short limit is made absolute
 *  and given the "\\?\\" prefix (for a share, "\\?\\UNC\\"), which lifts that
 *  limit. Throws Error("Cannot open file "<path>". ...") for a path that is
 *  not valid UTF-8. */
std::wstring WidePath(const std::string& path);
#endif

/** The reason given for a file that another program holds. */
inline constexpr char16_t HeldByAnotherProgram[] = u"It is open in another program";

/** The error of a file that cannot be opened, read, created or written. Its
 *  message is "<what> "<path>". <reason>"; the parts stay apart, so that
 *  vertalina-base can word the same fault in the form of command-line tools. */
class FileError : public Error
{
public:
    FileError(std::u16string_view what, std::string_view path, std::u16string_view reason);

    /** What failed, e.g. u"Cannot open file". */
    const std::u16string& What() const noexcept { return m_what; }
    /** The path as given, in the file system's encoding. */
    const std::string& Path() const noexcept { return m_path; }
    /** Why, e.g. the system's text for the error number. */
    const std::u16string& Reason() const noexcept { return m_reason; }

private:
    std::u16string m_what;
    std::string m_path;
    std::u16string m_reason;
};

/** Throws FileError, e.g. what = u"Cannot open file". */
[[noreturn]] void ThrowFileError(std::u16string_view what, std::string_view path, std::u16string_view reason);
/** Throws the error of a file read whole that holds more than `limit` bytes:
 *  "Cannot read file "<path>". It is larger than <limit> MB, ...". */
[[noreturn]] void ThrowTooLarge(std::string_view path, std::size_t limit);
/** As ThrowFileError with the system's text for the error number. */
[[noreturn]] void ThrowFileError(std::u16string_view what, std::string_view path, int error);

} // namespace vt
