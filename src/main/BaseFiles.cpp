#include "BaseFiles.h"

#include "BaseFile.h"
#include "ByteStream.h"
#include "Error.h"
#include "Utf.h"

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/** Closes a descriptor when it goes out of scope. */
class FileHandle
{
public:
    explicit FileHandle(int fd = -1) : m_fd(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    void Reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

[[noreturn]] void Fail(const char16_t* what, const std::string& path, int error)
{
    throw Error(std::u16string(what) + u" \"" + FromUtf8(path) + u"\". " + SystemErrorText(error));
}

/** An exclusive lock without waiting: another editor holding the file
 *  makes the command fail instead of hang. */
bool LockExclusive(int fd)
{
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

/** Removes the temporary file unless the save went through. */
class TempFile
{
public:
    explicit TempFile(std::string path) : m_path(std::move(path)) {}
    ~TempFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }
    void Keep() { m_path.clear(); }

private:
    std::string m_path;
};

/** Gathers the writer's small writes into large ones. */
class BufferedOutputStream : public OutputStream
{
public:
    explicit BufferedOutputStream(OutputStream& out) : m_out(out) { m_buffer.reserve(Capacity); }

    void Write(const std::uint8_t* data, std::size_t n) override
    {
        if (m_buffer.size() + n > Capacity)
            Flush();
        if (n >= Capacity)
            m_out.Write(data, n);
        else
            m_buffer.insert(m_buffer.end(), data, data + n);
    }

    void Flush()
    {
        if (!m_buffer.empty())
            m_out.Write(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }

private:
    static constexpr std::size_t Capacity = 1 << 20;
    OutputStream& m_out;
    std::vector<std::uint8_t> m_buffer;
};

} // namespace

std::u16string SystemErrorText(int error)
{
    std::u16string text = FromUtf8(std::strerror(error));
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\n' || text.back() == u'\r' ||
                             text.back() == u'.'))
        text.pop_back();
    return text;
}

std::string FileNameOnly(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QuestionBase LoadBaseFile(const std::string& path)
{
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        Fail(u"Cannot open file", path, errno);
    if (!LockExclusive(file.Get()))
        Fail(u"Cannot open file", path, errno);

    QuestionBase base;
    FdInputStream in(file.Get());
    ReadBase(in, base);
    return base;
}

void SaveBaseFile(const QuestionBase& base, const std::string& path, const std::function<void(int)>& notify)
{
    CheckBaseLimits(base);

    // Hold the existing target under our lock for the whole save, so that a
    // second editor can neither read it half-replaced nor save over us.
    FileHandle target;
    mode_t mode = 0;
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists) {
        if (S_ISDIR(info.st_mode))
            Fail(u"Cannot create file", path, EISDIR);
        // A file without any write permission is read-only, also for root.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            Fail(u"Cannot create file", path, EACCES);
        target.Reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        if (target.Get() < 0)
            Fail(u"Cannot create file", path, errno);
        if (!LockExclusive(target.Get()))
            Fail(u"Cannot create file", path, errno);
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string pattern = FolderOf(path) + "/." + FileNameOnly(path) + ".XXXXXX";
    FileHandle temp(::mkostemp(pattern.data(), O_CLOEXEC));
    if (temp.Get() < 0)
        Fail(u"Cannot create file", path, errno);
    TempFile tempFile(pattern);

    try {
        if (::fchmod(temp.Get(), mode) != 0)
            throw Error(SystemErrorText(errno));
        FdOutputStream file(temp.Get());
        BufferedOutputStream out(file);
        WriteBase(base, out, notify);
        out.Flush();
        if (::fsync(temp.Get()) != 0)
            throw Error(SystemErrorText(errno));
        if (::close(temp.Release()) != 0)
            throw Error(SystemErrorText(errno));
        if (::rename(tempFile.Path().c_str(), path.c_str()) != 0)
            throw Error(SystemErrorText(errno));
    } catch (const Error& e) {
        throw Error(u"Cannot write file \"" + FromUtf8(path) + u"\". " + e.Message());
    }
    tempFile.Keep();

    // Make the rename itself durable; the data is already safe if this fails.
    FileHandle folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
}
