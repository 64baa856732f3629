#include "base/OutputFile.h"

#include "base/FileNames.h"
#include "base/SystemCalls.h"
#include "text/Error.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vt {

namespace {

constexpr char16_t CannotCreate[] = u"Cannot create file";
constexpr char16_t CannotWrite[] = u"Cannot write file";

// The most symbolic links followed before giving up, as the system does.
constexpr int MaxLinkHops = 40;

// How many times, 10 ms apart, a FIFO is tried again for a reader.
constexpr int FifoReaderWaits = 50;

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

// The temporary files of a save: the new content before it replaces the
// target, and the old content while the target is rewritten in place.
constexpr char NewSuffix[] = ".tmp";
constexpr char OldSuffix[] = ".old";

/** The start of every temporary name of one target: ".vt", then a digest of
 *  the folder's identity and the target's name, then "-". The process and a
 *  number follow, so the whole name stays short beside a target whose own
 *  name is as long as the file system allows. */
std::string TemporaryPrefix(const struct stat& folder, const std::string& name)
{
    std::uint64_t digest = 0xcbf29ce484222325u; // FNV-1a
    const auto mix = [&digest](std::uint64_t byte) {
        digest ^= byte & 0xFF;
        digest *= 0x100000001b3u;
    };
    for (int shift = 0; shift < 64; shift += 8) {
        mix(static_cast<std::uint64_t>(folder.st_dev) >> shift);
        mix(static_cast<std::uint64_t>(folder.st_ino) >> shift);
    }
    for (const char c : name)
        mix(static_cast<unsigned char>(c));
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, ".vt%016llx-", static_cast<unsigned long long>(digest));
    return prefix;
}

std::string TemporaryFileName(const std::string& prefix, int number, const char* suffix)
{
    return prefix + std::to_string(::getpid()) + "-" + std::to_string(number) + suffix;
}

/** Whether `name` is one of prefix's temporary names with that suffix. */
bool IsTemporaryName(const std::string& name, const std::string& prefix, std::string_view suffix)
{
    if (!name.starts_with(prefix) || !name.ends_with(suffix))
        return false;
    const std::string_view middle =
        std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const auto dash = middle.find('-');
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return dash != std::string_view::npos && digits(middle.substr(0, dash)) &&
           digits(middle.substr(dash + 1));
}

/** Whether `name` in the folder is still the file open as fd. */
bool NameIsFile(int folder, const std::string& name, int fd)
{
    struct stat byName
    {
    };
    struct stat byFd
    {
    };
    return Sys::LstatAt(folder, name.c_str(), &byName) == 0 && Sys::Fstat(fd, &byFd) == 0 &&
           byName.st_dev == byFd.st_dev && byName.st_ino == byFd.st_ino;
}

/** Removes what killed saves of the same target left: the temporary files of
 *  its naming whose lock nobody holds (a living save holds the lock on its
 *  own from before the name exists until it is gone). Anything else, and
 *  any file it cannot be sure of, stays. Best effort: a failure here costs
 *  the save nothing. */
void RemoveLeftovers(int folder, const std::string& prefix, const char* suffix)
{
    std::vector<std::string> names;
    if (Sys::ListFolder(folder, names) != 0)
        return;
    for (const std::string& name : names) {
        if (!IsTemporaryName(name, prefix, suffix))
            continue;
        Descriptor file(
            Sys::OpenAt(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat info
        {
        };
        if (!file.Valid() || Sys::Fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            Sys::Flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (NameIsFile(folder, name, file.Get()))
            Sys::UnlinkAt(folder, name.c_str());
    }
}

/** Creates a new temporary file of prefix's naming in the folder, locked; -1
 *  with errno set when none can be made. */
int CreateNamedTemporary(int folder, const std::string& prefix, const char* suffix, mode_t mode,
                         TemporaryName& name)
{
    for (int number = 0; number < 100; ++number) {
        std::string candidate = TemporaryFileName(prefix, number, suffix);
        Descriptor fd(Sys::OpenAt(folder, candidate.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode));
        if (!fd.Valid()) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Until the lock is ours, a later save may take the file for a
        // leftover: the name must still be this file once it is locked.
        if (Sys::Flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK)
                return -1;
            continue;
        }
        if (!NameIsFile(folder, candidate, fd.Get()))
            continue;
        name.Set(std::move(candidate));
        return fd.Release();
    }
    errno = EEXIST;
    return -1;
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

/** Counts what `write` makes and keeps none of it. */
class CountingStream : public OutputStream
{
public:
    void Write(const std::uint8_t*, std::size_t n) override { m_total += n; }
    bool Measures() const noexcept override { return true; }
    std::uint64_t Total() const noexcept { return m_total; }

private:
    std::uint64_t m_total = 0;
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

/** Opens the existing target without waiting (a FIFO without a reader would
 *  block the open for good) and makes sure it is still the file that lstat
 *  saw: the same file, type, link count, owner and mode. */
int OpenExisting(const std::string& target, const struct stat& seen, int access, const std::string& path)
{
    Descriptor fd(Sys::Open(target.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    // A reader started together with the save may need a moment to open.
    for (int wait = 0; !fd.Valid() && errno == ENXIO && wait < FifoReaderWaits; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fd.Reset(Sys::Open(target.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    }
    if (!fd.Valid()) {
        // Not for a device: there it means that the device itself is missing.
        if (errno == ENXIO && !S_ISCHR(seen.st_mode) && !S_ISBLK(seen.st_mode))
            ThrowFileError(CannotCreate, path, u"No program is reading it");
        ThrowFileError(CannotCreate, path, errno);
    }
    struct stat now
    {
    };
    if (Sys::Fstat(fd.Get(), &now) != 0)
        ThrowFileError(CannotCreate, path, errno);
    if (now.st_dev != seen.st_dev || now.st_ino != seen.st_ino || now.st_mode != seen.st_mode ||
        now.st_nlink != seen.st_nlink || now.st_uid != seen.st_uid || now.st_gid != seen.st_gid)
        ThrowFileError(CannotCreate, path, u"It was replaced while it was being opened");
    if (!S_ISREG(now.st_mode) && Sys::SetBlocking(fd.Get()) != 0)
        ThrowFileError(CannotCreate, path, errno);
    return fd.Release();
}

/** Takes the lock that every save and every read of the file takes. */
void LockTarget(int fd, const std::string& path)
{
    if (Sys::Flock(fd, LOCK_EX | LOCK_NB) == 0)
        return;
    if (errno == EWOULDBLOCK)
        ThrowFileError(CannotCreate, path, HeldByAnotherProgram);
    ThrowFileError(CannotCreate, path, errno);
}

/** Copies the bytes of `from` (from its start) to `to` at its current
 *  position; false with errno set on a failure. */
bool CopyBytes(int from, int to, std::uint64_t length)
{
    std::vector<std::uint8_t> buffer(std::size_t(1) << 20);
    if (Sys::Seek(from, 0, SEEK_SET) != 0)
        return false;
    while (length > 0) {
        const ssize_t got = Sys::Read(from, buffer.data(), std::min<std::uint64_t>(length, buffer.size()));
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // the file shrank meanwhile
            return false;
        }
        for (ssize_t at = 0; at < got;) {
            const ssize_t put = Sys::Write(to, buffer.data() + at, static_cast<std::size_t>(got - at));
            if (put < 0)
                return false;
            at += put;
        }
        length -= static_cast<std::uint64_t>(got);
    }
    return true;
}

/** The old content of a target rewritten in place, kept in a temporary file
 *  until the new content is safe: in the target's folder, or in the system's
 *  temporary folder where that takes no new file. */
class OldContent
{
public:
    OldContent(int folder, const std::string& folderName, const std::string& prefix)
        : m_folder(folder), m_folderName(folderName), m_prefix(prefix), m_name(folder)
    {
    }

    /** Copies the `length` bytes of the target at `source` and syncs them.
     *  Throws when no copy can be made anywhere: nothing is touched yet. */
    void Keep(int source, std::uint64_t length, const std::string& path)
    {
        int error = 0;
        if (KeepIn(m_folder, m_name, source, length, error)) {
            m_where = m_folderName + "/" + m_name.Name();
            return;
        }
        const char* system = std::getenv("TMPDIR");
        const std::string tempName = system != nullptr && *system != '\0' ? system : "/tmp";
        m_tempFolder.Reset(Sys::Open(tempName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (m_tempFolder.Valid()) {
            m_tempName = std::make_unique<TemporaryName>(m_tempFolder.Get());
            if (KeepIn(m_tempFolder.Get(), *m_tempName, source, length, error)) {
                m_where = tempName + "/" + m_tempName->Name();
                return;
            }
        }
        ThrowFileError(CannotCreate, path, error);
    }

    /** Writes the old content back over the target and syncs it; false with
     *  errno set when that fails too, and then the copy stays. */
    bool Restore(int target)
    {
        if (Sys::Seek(target, 0, SEEK_SET) != 0 || !CopyBytes(m_copy.Get(), target, m_length) ||
            Sys::Ftruncate(target, static_cast<off_t>(m_length)) != 0 || Sys::Fsync(target) != 0) {
            const int error = errno;
            m_name.Keep();
            if (m_tempName)
                m_tempName->Keep();
            errno = error;
            return false;
        }
        return true;
    }

    /** Where the copy is, for a message. */
    const std::string& Where() const noexcept { return m_where; }

private:
    bool KeepIn(int folder, TemporaryName& name, int source, std::uint64_t length, int& error)
    {
        m_copy.Reset(CreateNamedTemporary(folder, m_prefix, OldSuffix, 0600, name));
        if (m_copy.Valid() && CopyBytes(source, m_copy.Get(), length) && Sys::Fsync(m_copy.Get()) == 0) {
            m_length = length;
            return true;
        }
        error = errno;
        if (m_copy.Valid())
            m_copy.Close();
        if (!name.Name().empty()) {
            Sys::UnlinkAt(folder, name.Name().c_str());
            name.Keep();
        }
        return false;
    }

    int m_folder;
    const std::string& m_folderName;
    const std::string& m_prefix;
    TemporaryName m_name;
    Descriptor m_tempFolder;
    std::unique_ptr<TemporaryName> m_tempName;
    Descriptor m_copy;
    std::uint64_t m_length = 0;
    std::string m_where;
};

/** Rewrites the held file from its start. Its blocks are reserved for the new
 *  length first, so a full disk or quota refuses the save before anything
 *  changes; the old content is kept aside meanwhile and written back when a
 *  write fails part way. `write` runs twice: once to learn the new length. */
void WriteInPlace(Descriptor& held, const std::string& target, const struct stat& info, int folder,
                  const std::string& prefix, const std::string& path,
                  const std::function<void(OutputStream&)>& write)
{
    CountingStream counter;
    write(counter);
    const std::uint64_t length = counter.Total();
    if (length > 0 && Sys::Reserve(held.Get(), static_cast<off_t>(length)) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        ThrowFileError(CannotWrite, path, errno);

    const std::string folderName = FolderOf(target);
    OldContent old(folder, folderName, prefix);
    {
        Descriptor source(OpenExisting(target, info, O_RDONLY, path));
        old.Keep(source.Get(), static_cast<std::uint64_t>(info.st_size), path);
    }
    try {
        if (WriteContent(held.Get(), path, write) != length)
            ThrowFileError(CannotWrite, path, u"The content changed while it was being written");
        if (Sys::Ftruncate(held.Get(), static_cast<off_t>(length)) != 0 || Sys::Fsync(held.Get()) != 0)
            ThrowFileError(CannotWrite, path, errno);
    } catch (const FileError& error) {
        if (!old.Restore(held.Get()))
            ThrowFileError(CannotWrite, path,
                           error.Reason() + u". The old content is kept in \"" + DisplayPath(old.Where()) +
                               u"\"");
        throw;
    } catch (...) {
        if (!old.Restore(held.Get()))
            ThrowFileError(CannotWrite, path,
                           u"The old content is kept in \"" + DisplayPath(old.Where()) + u"\"");
        throw;
    }
    if (!held.Close())
        throw SaveNotConfirmed(path, errno);
}

/** Opens an unnamed temporary file in the folder, or a named one where the
 *  file system has no unnamed files, locked either way; -1 with errno set
 *  when neither can be made. */
int OpenTemporary(int folder, mode_t mode, const std::string& prefix, TemporaryName& name)
{
    Descriptor fd(Sys::OpenAt(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (fd.Valid()) {
        // Locked before it has a name, so no later save takes it for a leftover.
        if (Sys::Flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
            return -1;
        return fd.Release();
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return -1;
    return CreateNamedTemporary(folder, prefix, NewSuffix, mode, name);
}

/** Gives the complete unnamed file a temporary name in the folder. */
void LinkTemporary(int fd, int folder, const std::string& prefix, const std::string& path,
                   TemporaryName& name)
{
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int number = 0; number < 100; ++number) {
        std::string candidate = TemporaryFileName(prefix, number, NewSuffix);
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

/** Gives the new file the extended attributes of the old one: its ACLs, its
 *  user attributes and, where the process may set them, its labels. */
void CopyAttributes(int from, int to, const std::string& path)
{
    std::vector<char> names;
    for (;;) {
        const ssize_t size = Sys::ListAttributes(from, nullptr, 0);
        if (size < 0) {
            if (errno == ENOTSUP)
                return; // the file system carries none
            ThrowFileError(CannotWrite, path, errno);
        }
        if (size == 0)
            return;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = Sys::ListAttributes(from, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE)
            ThrowFileError(CannotWrite, path, errno);
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        ssize_t size = 0;
        for (;;) {
            size = Sys::GetAttribute(from, name.c_str(), nullptr, 0);
            if (size < 0)
                ThrowFileError(CannotWrite, path, errno);
            value.resize(static_cast<std::size_t>(size));
            size = Sys::GetAttribute(from, name.c_str(), value.data(), value.size());
            if (size >= 0)
                break;
            if (errno != ERANGE)
                ThrowFileError(CannotWrite, path, errno);
        }
        if (Sys::SetAttribute(to, name.c_str(), value.data(), static_cast<std::size_t>(size)) != 0) {
            // The system sets a new file's security label itself, and only a
            // privileged process may set trusted attributes.
            const bool privileged = name.starts_with("security.") || name.starts_with("trusted.");
            if (!(privileged && (errno == EPERM || errno == EACCES || errno == ENOTSUP)))
                ThrowFileError(CannotWrite, path, errno);
        }
    }
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
        WriteContent(STDOUT_FILENO, path, write);
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
            // A FIFO or a device: written straight into, never replaced.
            Descriptor special(OpenExisting(target, info, O_WRONLY, path));
            WriteContent(special.Get(), path, write);
            if (!special.Close())
                ThrowFileError(CannotWrite, path, errno);
            return;
        }
        // A file without any write permission is read-only, also for root.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            ThrowFileError(CannotCreate, path, EACCES);
        held.Reset(OpenExisting(target, info, O_WRONLY, path));
        // Held for the whole save: nobody reads it half-replaced or saves over us.
        LockTarget(held.Get(), path);
    }

    const std::string name = FileNameOnly(target);
    Descriptor folder(Sys::Open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat folderInfo
    {
    };
    if (!folder.Valid() || Sys::Fstat(folder.Get(), &folderInfo) != 0)
        ThrowFileError(CannotCreate, path, errno);
    const std::string prefix = TemporaryPrefix(folderInfo, name);
    if (exists && info.st_nlink > 1) {
        WriteInPlace(held, target, info, folder.Get(), prefix, path, write);
        RemoveLeftovers(folder.Get(), prefix, OldSuffix);
        return;
    }
    // The new content of a killed save never replaced anything: it goes
    // before this save needs the room.
    RemoveLeftovers(folder.Get(), prefix, NewSuffix);

    const mode_t mode = exists ? (info.st_mode & 07777) : NewFileMode();
    TemporaryName temporary(folder.Get());
    Descriptor temp(OpenTemporary(folder.Get(), mode & 0777, prefix, temporary));
    if (!temp.Valid()) {
        const int error = errno;
        // A folder that takes no new file still lets its files be rewritten.
        if (exists && (error == EACCES || error == EPERM)) {
            WriteInPlace(held, target, info, folder.Get(), prefix, path, write);
            RemoveLeftovers(folder.Get(), prefix, OldSuffix);
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
    if (exists)
        CopyAttributes(held.Get(), temp.Get(), path);
    if (Sys::Fsync(temp.Get()) != 0)
        ThrowFileError(CannotWrite, path, errno);
    if (temporary.Name().empty())
        LinkTemporary(temp.Get(), folder.Get(), prefix, path, temporary);
    if (Sys::RenameAt(folder.Get(), temporary.Name().c_str(), folder.Get(), name.c_str()) != 0)
        ThrowFileError(CannotWrite, path, errno);
    temporary.Keep();
    if (held.Valid())
        ReleaseReplaced(held.Release());
    // A copy of old content that a killed in-place save left is out of date now.
    RemoveLeftovers(folder.Get(), prefix, OldSuffix);

    // The new content is complete and in place; a failure from here on only
    // leaves it unconfirmed that it survives a crash. The temporary file's
    // lock lasted until here, so no later save took it for a leftover.
    const bool synced = Sys::Fsync(folder.Get()) == 0;
    const int syncError = errno;
    const bool closed = temp.Close();
    const int closeError = errno;
    if (!synced)
        throw SaveNotConfirmed(path, syncError);
    if (!closed)
        throw SaveNotConfirmed(path, closeError);
    if (!folder.Close())
        throw SaveNotConfirmed(path, errno);
}

} // namespace vt
