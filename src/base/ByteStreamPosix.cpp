#include "base/ByteStream.h"

#include "base/FileNames.h"
#include "base/SystemCalls.h"
#include "text/Error.h"

#include <cerrno>

namespace vt {

std::size_t FileInputStream::Read(std::uint8_t* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = Sys::Read(m_file, data + done, n - done);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break; // end of file
        } else {
            m_failed = true;
            return 0;
        }
    }
    return done;
}

namespace {

[[noreturn]] void ThrowSystemError(int code)
{
    throw Error(SystemErrorText(code));
}

} // namespace

void FileOutputStream::Write(const std::uint8_t* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = Sys::Write(m_file, data + done, n - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put == 0) {
            // A write that accepts nothing and reports no error would loop forever.
            ThrowSystemError(ENOSPC);
        } else {
            ThrowSystemError(errno);
        }
    }
}

} // namespace vt
