#pragma once

// The system's own texts for the errors that the file tests provoke, taken
// from the file layer as it words them, so that the tests hold on every
// system (and in every language of Windows).

#include "base/FileNames.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

using namespace vt;

namespace SystemText {

#ifdef _WIN32
inline std::u16string MissingFile()
{
    return SystemErrorText(ERROR_FILE_NOT_FOUND);
}
inline std::u16string MissingFolder()
{
    return SystemErrorText(ERROR_PATH_NOT_FOUND);
}
inline std::u16string Folder()
{
    return SystemErrorText(ERROR_ACCESS_DENIED);
}
#else
inline std::u16string MissingFile()
{
    return SystemErrorText(ENOENT);
}
inline std::u16string MissingFolder()
{
    return SystemErrorText(ENOENT);
}
inline std::u16string Folder()
{
    return SystemErrorText(EISDIR);
}
#endif

} // namespace SystemText
