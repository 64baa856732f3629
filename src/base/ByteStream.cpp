#include "ByteStream.h"

#include "Error.h"
#include "Utf.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

void MemoryOutputStream::Write(const std::uint8_t* data, std::size_t n)
{
    if (n != 0)
        m_bytes.insert(m_bytes.end(), data, data + n);
}

std::size_t MemoryInputStream::Read(std::uint8_t* data, std::size_t n)
{
    const std::size_t count = std::min(n, m_size - m_pos);
    if (count != 0)
        std::memcpy(data, m_data + m_pos, count);
    m_pos += count;
    return count;
}

std::size_t FdInputStream::Read(std::uint8_t* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::read(m_fd, data + done, n - done);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break; // end of file
        } else if (errno != EINTR) {
            return 0;
        }
    }
    return done;
}

namespace {

[[noreturn]] void ThrowSystemError(int code)
{
    throw Error(FromUtf8(std::strerror(code)));
}

} // namespace

void FdOutputStream::Write(const std::uint8_t* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(m_fd, data + done, n - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put == 0) {
            // A write that accepts nothing and reports no error would loop forever.
            ThrowSystemError(ENOSPC);
        } else if (errno != EINTR) {
            ThrowSystemError(errno);
        }
    }
}
