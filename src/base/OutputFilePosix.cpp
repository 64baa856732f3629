#include "OutputFile.h"

#include "Error.h"
#include "FileNames.h"
#include "SystemCalls.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr char16_t CannotCreate[] = u"Cannot create file";
constexpr char16_t CannotWrite[] = u"Cannot write file";

// The most symbolic links followed before giving up, as the system does.
constexpr int MaxLinkHops = 40;

/** A descriptor closed when it goes out of scope (errors ignored: that path
 *  is a failure already), or closed and checked by Close(). */
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            Sys::Close(m_fd);
    }
    int Get() const noexcept { return m_fd; }
    void Reset(int fd) noexcept { m_fd = fd; }
    bool Valid() const noexcept { return m_fd >= 0; }
    /** Closes now; false with errno set when the close failed. */
    bool Close() noexcept { return Sys::Close(std::exchange(m_fd, -1)) == 0; }
    /** Gives the descriptor up without closing it. */
    int Release() noexcept { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

/** Removes a named temporary file unless the save went through. */
class TemporaryName
{
public:
    explicit TemporaryName(int folder) : m_folder(folder) {}
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;
    ~TemporaryName()
    {
        if (!m_name.empty())
            Sys::UnlinkAt(m_folder, m_name.c_str());
    }
    void Set(std::string name) { m_name = std::move(name); }
    const std::string& Name() const noexcept { return m_name; }
    void Keep() noexcept { m_name.clear(); }

private:
    int m_folder;
    std::string m_name;
};

/** A short, hidden, random name: it fits beside a target whose own name is
 *  as long as the file system allows. */
std::string TemporaryFileName()
{
    static std::mt19937 random(std::random_device{}());
    constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".vt";
    for (int i = 0; i < 8; ++i)
        name += letters[random() % (sizeof letters - 1)];
    return name + ".tmp";
}

/** The stream over a descriptor whose failures name the target. */
class TargetStream : public OutputStream
{
public:
    TargetStream(int fd, const std::string& path, bool writeBack)
        : m_fd(fd), m_file(fd), m_path(path), m_writeBack(writeBack)
    {
    }
    void Write(const std::uint8_t* data, std::size_t n) override
    {
        try {
            m_file.Write(data, n);
        } catch (const Error& e) {
            ThrowFileError(CannotWrite, m_path, e.Message());
        }
        m_written += n;
        // Starts the disk on what is written while the rest is being made, so
        // that the final sync has little left to wait for.
        if (m_writeBack && m_written - m_started >= WriteBackStep) {
            if (Sys::SyncRange(m_fd, static_cast<off_t>(m_started),
                               static_cast<off_t>(m_written - m_started)) != 0 &&
                errno != EINVAL && errno != ESPIPE && errno != ENOSYS)
                ThrowFileError(CannotWrite, m_path, errno);
            m_started = m_written;
        }
    }

private:
    static constexpr std::uint64_t WriteBackStep = std::uint64_t(8) << 20;
    int m_fd;
    FileOutputStream m_file;
    const std::string& m_path;
    bool m_writeBack;
    std::uint64_t m_written = 0;
    std::uint64_t m_started = 0;
};

/** Runs `write` over fd and flushes; returns the number of bytes written.
 *  `writeBack` starts the disk early on a file that will be synced. */
std::uint64_t WriteContent(int fd, const std::string& path, const std::function<void(OutputStream&)>& write,
                           bool writeBack = false)
{
    TargetStream file(fd, path, writeBack);
    BufferedOutputStream out(file);
    write(out);
    out.Flush();
    return out.Total();
}

/** Follows symbolic links to the file they finally name; for a dangling link
 *  that is the missing file it points to. */
std::string ResolveLinks(const std::string& path)
{
    std::string at = path;
    for (int hops = 0;; ++hops) {
        struct stat info
        {
        };
        if (Sys::Lstat(at.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return at;
            ThrowFileError(CannotCreate, path, errno);
        }
        if (!S_ISLNK(info.st_mode))
            return at;
        if (hops == MaxLinkHops)
            ThrowFileError(CannotCreate, path, ELOOP);
        char buffer[PATH_MAX];
        const ssize_t n = Sys::ReadLink(at.c_str(), buffer, sizeof buffer);
        if (n < 0)
            ThrowFileError(CannotCreate, path, errno);
        if (static_cast<std::size_t>(n) == sizeof buffer)
            ThrowFileError(CannotCreate, path, ENAMETOOLONG);
        const std::string link(buffer, static_cast<std::size_t>(n));
        at = link.front() == '/' ? link : FolderOf(at) + "/" + link;
    }
}

/** Writes straight into an open FIFO, device or standard output. */
void WriteDirectly(int fd, const std::string& path, const std::function<void(OutputStream&)>& write)
{
    WriteContent(fd, path, write);
}

/** Overwrites the held file from its start and cuts it to the new length. */
void WriteInPlace(Descriptor& held, const std::string& path, const std::function<void(OutputStream&)>& write)
{
    const std::uint64_t length = WriteContent(held.Get(), path, write);
    if (Sys::Ftruncate(held.Get(), static_cast<off_t>(length)) != 0 || Sys::Fsync(held.Get()) != 0 ||
        !held.Close())
        ThrowFileError(CannotWrite, path, errno);
}

/** Opens an unnamed temporary file in the folder, or a short-named one where
 *  the file system has no unnamed files; -1 with errno set when neither can
 *  be made. */
int OpenTemporary(int folder, mode_t mode, TemporaryName& name)
{
    const int fd = Sys::OpenAt(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    for (int tries = 0; tries < 100; ++tries) {
        std::string candidate = TemporaryFileName();
        const int named =
            Sys::OpenAt(folder, candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        if (named >= 0) {
            name.Set(std::move(candidate));
            return named;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

/** Gives the complete unnamed file a temporary name in the folder. */
void LinkTemporary(int fd, int folder, const std::string& path, TemporaryName& name)
{
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int tries = 0; tries < 100; ++tries) {
        std::string candidate = TemporaryFileName();
        int rc = Sys::LinkAt(AT_FDCWD, self, folder, candidate.c_str(), AT_SYMLINK_FOLLOW);
        // Without /proc, the descriptor itself can be linked by a privileged process.
        if (rc != 0 && errno == ENOENT)
            rc = Sys::LinkAt(fd, "", folder, candidate.c_str(), AT_EMPTY_PATH);
        if (rc == 0) {
            name.Set(std::move(candidate));
            return;
        }
        if (errno != EEXIST)
            ThrowFileError(CannotWrite, path, errno);
    }
    ThrowFileError(CannotWrite, path, EEXIST);
}

/** Closes the descriptor of a file just replaced. It is the old file's last
 *  reference, so closing it gives back all its blocks, which for a full base
 *  takes about as long as writing a third of it. Nothing was written through
 *  this descriptor (it only held the lock), so its close cannot lose
 *  anything: it runs off the caller's thread. */
void ReleaseReplaced(int fd)
{
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void WriteOutputFile(const std::string& path, const std::function<void(OutputStream&)>& write,
                     const std::vector<FileId>& inputs)
{
    if (path == "-" || path == "/dev/stdout") {
        WriteDirectly(STDOUT_FILENO, path, write);
        return;
    }

    const std::string target = ResolveLinks(path);
    struct stat info
    {
    };
    const bool exists = Sys::Lstat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT)
        ThrowFileError(CannotCreate, path, errno);

    Descriptor held;
    if (exists) {
        if (S_ISDIR(info.st_mode))
            ThrowFileError(CannotCreate, path, EISDIR);
        for (const FileId& input : inputs) {
            if (input ==
                FileId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)})
                ThrowFileError(CannotCreate, path, u"It is the file being read");
        }
        if (!S_ISREG(info.st_mode)) {
            Descriptor special(Sys::Open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
            if (!special.Valid())
                ThrowFileError(CannotCreate, path, errno);
            WriteDirectly(special.Get(), path, write);
            if (!special.Close())
                ThrowFileError(CannotWrite, path, errno);
            return;
        }
        // A file without any write permission is read-only, also for root.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            ThrowFileError(CannotCreate, path, EACCES);
        held.Reset(Sys::Open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
        if (!held.Valid())
            ThrowFileError(CannotCreate, path, errno);
        // Held for the whole save: nobody reads it half-replaced or saves over us.
        if (Sys::Flock(held.Get(), LOCK_EX | LOCK_NB) != 0)
            ThrowFileError(CannotCreate, path, errno);
        if (info.st_nlink > 1) {
            WriteInPlace(held, path, write);
            return;
        }
    }

    const std::string name = FileNameOnly(target);
    Descriptor folder(Sys::Open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid())
        ThrowFileError(CannotCreate, path, errno);
    const mode_t mode = exists ? (info.st_mode & 07777) : NewFileMode();
    TemporaryName temporary(folder.Get());
    Descriptor temp(OpenTemporary(folder.Get(), mode & 0777, temporary));
    if (!temp.Valid()) {
        const int error = errno;
        // A folder that takes no new file still lets its files be rewritten.
        if (exists && (error == EACCES || error == EPERM)) {
            WriteInPlace(held, path, write);
            return;
        }
        ThrowFileError(CannotCreate, path, error);
    }

    WriteContent(temp.Get(), path, write, true);
    if (Sys::Fchmod(temp.Get(), mode) != 0)
        ThrowFileError(CannotWrite, path, errno);
    if (exists && Sys::Fchown(temp.Get(), info.st_uid, info.st_gid) != 0) {
        // Only a privileged process may give a file to someone else; the
        // group alone may still be settable.
        if (errno != EPERM ||
            (Sys::Fchown(temp.Get(), static_cast<uid_t>(-1), info.st_gid) != 0 && errno != EPERM))
            ThrowFileError(CannotWrite, path, errno);
    }
    if (Sys::Fsync(temp.Get()) != 0)
        ThrowFileError(CannotWrite, path, errno);
    if (temporary.Name().empty())
        LinkTemporary(temp.Get(), folder.Get(), path, temporary);
    if (!temp.Close())
        ThrowFileError(CannotWrite, path, errno);
    if (Sys::RenameAt(folder.Get(), temporary.Name().c_str(), folder.Get(), name.c_str()) != 0)
        ThrowFileError(CannotWrite, path, errno);
    temporary.Keep();

    // The new content is in place; a failure here means it may not survive a crash.
    if (Sys::Fsync(folder.Get()) != 0 || !folder.Close())
        ThrowFileError(CannotWrite, path, errno);
    if (held.Valid())
        ReleaseReplaced(held.Release());
}
