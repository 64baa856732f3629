#pragma once

// The plain file work that loading and saving a base are measured against:
// reading a file into fresh memory, and writing the same bytes and syncing.

#include <QFile>
#include <QString>

#include <chrono>
#include <cstddef>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

inline double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double RawReadMs(const QString& path, std::size_t bytes)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<char> buffer(bytes);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::read(fd, buffer.data() + done, bytes - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const double ms = MsSince(start);
    // Keeps the compiler from dropping the read.
    asm volatile("" : : "r"(buffer.data()) : "memory");
    return ms;
}

inline double RawWriteMs(const QString& path, const std::vector<char>& data)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    return MsSince(start);
}
