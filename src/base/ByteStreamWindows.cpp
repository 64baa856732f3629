#include "base/ByteStream.h"

#include "base/FileNames.h"
#include "base/Win32Calls.h"
#include "text/Error.h"

#include <algorithm>

#include <windows.h>

namespace vt {

namespace {

// ReadFile and WriteFile take at most a DWORD of bytes at once.
constexpr std::size_t MaxChunk = std::size_t(1) << 30;

} // namespace

std::size_t FileInputStream::Read(std::uint8_t* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        DWORD got = 0;
        if (!Win::ReadFile(m_file, data + done, static_cast<DWORD>(std::min(n - done, MaxChunk)), &got)) {
            // A pipe whose writer has gone has simply ended.
            if (::GetLastError() == ERROR_BROKEN_PIPE)
                break;
            m_failed = true;
            return 0;
        }
        if (got == 0)
            break; // end of file
        done += got;
    }
    return done;
}

void FileOutputStream::Write(const std::uint8_t* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        DWORD put = 0;
        if (!Win::WriteFile(m_file, data + done, static_cast<DWORD>(std::min(n - done, MaxChunk)), &put))
            throw Error(SystemErrorText(static_cast<int>(::GetLastError())));
        // A write that accepts nothing and reports no error would loop forever.
        if (put == 0)
            throw Error(SystemErrorText(ERROR_DISK_FULL));
        done += put;
    }
}

} // namespace vt
