#pragma once

#include "Error.h"

#include <string>
#include <string_view>

// File names as messages and the event log show them. Paths are byte strings
// in the file system's encoding (UTF-8).

/** The path as UTF-16 text for a message: control characters (U+0000 to
 *  U+001F and U+007F) are shown escaped ("\n", "\r", "\t", "\x1b"), so that
 *  no name can break a message or forge a line of the event log. */
std::u16string DisplayPath(std::string_view path);

/** The part of a path after its last "/". */
std::string FileNameOnly(const std::string& path);

/** The folder part of a path: "." when it has none, "/" for the root. */
std::string FolderOf(const std::string& path);

/** The system's text for an error number, without trailing blanks, line
 *  breaks and full stops. */
std::u16string SystemErrorText(int error);

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
/** As ThrowFileError with the system's text for the error number. */
[[noreturn]] void ThrowFileError(std::u16string_view what, std::string_view path, int error);
