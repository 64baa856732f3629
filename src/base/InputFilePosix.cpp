#include "base/InputFile.h"

#include "base/FileNames.h"
#include "base/SystemCalls.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vt {

namespace {

constexpr char16_t CannotOpen[] = u"Cannot open file";

} // namespace

InputFile::InputFile(std::string path) : m_path(std::move(path))
{
    if (m_path == "-") {
        m_file = 0;
        m_stream = FileInputStream(m_file);
        return;
    }
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    m_file = Sys::Open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_file < 0)
        ThrowFileError(CannotOpen, m_path, errno);
    m_owned = true;
    try {
        struct stat info
        {
        };
        if (Sys::Fstat(m_file, &info) != 0)
            ThrowFileError(CannotOpen, m_path, errno);
        if (S_ISDIR(info.st_mode))
            ThrowFileError(CannotOpen, m_path, EISDIR);
        if (!S_ISREG(info.st_mode))
            ThrowFileError(CannotOpen, m_path, u"It is not a regular file");
        if (Sys::SetBlocking(m_file) != 0)
            ThrowFileError(CannotOpen, m_path, errno);
        // Another program holding the file makes the open fail at once.
        if (Sys::Flock(m_file, LOCK_EX | LOCK_NB) != 0)
            ThrowFileError(CannotOpen, m_path,
                           errno == EWOULDBLOCK ? HeldByAnotherProgram : SystemErrorText(errno));
        m_id = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    } catch (...) {
        Sys::Close(m_file);
        throw;
    }
    m_stream = FileInputStream(m_file);
}

InputFile::~InputFile()
{
    // Nothing was written: a failing close loses nothing.
    if (m_owned)
        Sys::Close(m_file);
}

std::vector<std::uint8_t> InputFile::ReadAll(std::size_t limit)
{
    std::vector<std::uint8_t> bytes;
    struct stat info
    {
    };
    if (m_owned && Sys::Fstat(m_file, &info) == 0 && info.st_size > 0) {
        // A file known to be too large is refused before any of it is read.
        const off_t at = Sys::Seek(m_file, 0, SEEK_CUR);
        if (at >= 0 && static_cast<std::uint64_t>(info.st_size - std::min(at, info.st_size)) > limit)
            ThrowTooLarge(m_path, limit);
        bytes.reserve(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), limit) + 1);
    }
    constexpr std::size_t chunk = 64 * 1024;
    for (;;) {
        const std::size_t at = bytes.size();
        bytes.resize(at + chunk);
        const ssize_t got = Sys::Read(m_file, bytes.data() + at, chunk);
        if (got < 0)
            ThrowFileError(u"Cannot read file", m_path, errno);
        bytes.resize(at + static_cast<std::size_t>(got));
        if (bytes.size() > limit)
            ThrowTooLarge(m_path, limit);
        if (got == 0)
            return bytes;
    }
}

} // namespace vt
