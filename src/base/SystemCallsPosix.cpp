#include "base/SystemCalls.h"

#include <cerrno>
#include <utility>

#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vt {

namespace Sys {

namespace {

FaultHook& Hook()
{
    static FaultHook hook;
    return hook;
}

// Runs the call unless the hook makes it fail; repeats it while interrupted.
template <class Call> auto Run(std::string_view name, Call call) -> decltype(call())
{
    if (const FaultHook& hook = Hook()) {
        if (const int error = hook(name)) {
            errno = error;
            return -1;
        }
    }
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

} // namespace

FaultHook SetFaultHook(FaultHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

int Open(const char* path, int flags, mode_t mode)
{
    return Run("open", [&] { return ::open(path, flags, mode); });
}

int OpenAt(int folder, const char* name, int flags, mode_t mode)
{
    return Run("openat", [&] { return ::openat(folder, name, flags, mode); });
}

int Close(int fd)
{
    // A close is never repeated: the descriptor is gone even when it fails.
    if (const FaultHook& hook = Hook()) {
        if (const int error = hook("close")) {
            ::close(fd);
            errno = error;
            return -1;
        }
    }
    return ::close(fd);
}

ssize_t Read(int fd, void* data, std::size_t n)
{
    return Run("read", [&] { return ::read(fd, data, n); });
}

ssize_t Write(int fd, const void* data, std::size_t n)
{
    return Run("write", [&] { return ::write(fd, data, n); });
}

int Fstat(int fd, struct stat* info)
{
    return Run("fstat", [&] { return ::fstat(fd, info); });
}

int Lstat(const char* path, struct stat* info)
{
    return Run("lstat", [&] { return ::lstat(path, info); });
}

int LstatAt(int folder, const char* name, struct stat* info)
{
    return Run("fstatat", [&] { return ::fstatat(folder, name, info, AT_SYMLINK_NOFOLLOW); });
}

ssize_t ReadLink(const char* path, char* buffer, std::size_t size)
{
    return Run("readlink", [&] { return ::readlink(path, buffer, size); });
}

int Flock(int fd, int operation)
{
    return Run("flock", [&] { return ::flock(fd, operation); });
}

int SetBlocking(int fd)
{
    return Run("fcntl", [&] {
        const int flags = ::fcntl(fd, F_GETFL);
        return flags == -1 ? -1 : ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    });
}

int SyncRange(int fd, off_t offset, off_t length)
{
    return Run("sync_file_range",
               [&] { return ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE); });
}

int Fsync(int fd)
{
    return Run("fsync", [&] { return ::fsync(fd); });
}

int Ftruncate(int fd, off_t length)
{
    return Run("ftruncate", [&] { return ::ftruncate(fd, length); });
}

int Reserve(int fd, off_t length)
{
    return Run("fallocate", [&] { return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, length); });
}

off_t Seek(int fd, off_t offset, int whence)
{
    return Run("lseek", [&] { return ::lseek(fd, offset, whence); });
}

int Fchmod(int fd, mode_t mode)
{
    return Run("fchmod", [&] { return ::fchmod(fd, mode); });
}

int Fchown(int fd, uid_t owner, gid_t group)
{
    return Run("fchown", [&] { return ::fchown(fd, owner, group); });
}

int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags)
{
    return Run("linkat", [&] { return ::linkat(fromFolder, from, toFolder, to, flags); });
}

int RenameAt(int fromFolder, const char* from, int toFolder, const char* to)
{
    return Run("renameat", [&] { return ::renameat(fromFolder, from, toFolder, to); });
}

int UnlinkAt(int folder, const char* name)
{
    return Run("unlinkat", [&] { return ::unlinkat(folder, name, 0); });
}

int ListFolder(int folder, std::vector<std::string>& names)
{
    return Run("readdir", [&] {
        // The listing gets a descriptor of its own, which closedir closes.
        const int own = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = own < 0 ? nullptr : ::fdopendir(own);
        if (dir == nullptr) {
            if (own >= 0)
                ::close(own);
            return -1;
        }
        names.clear();
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..")
                names.emplace_back(name);
        }
        const int error = errno;
        ::closedir(dir);
        errno = error;
        return error == 0 ? 0 : -1;
    });
}

ssize_t ListAttributes(int fd, char* names, std::size_t size)
{
    return Run("flistxattr", [&] { return ::flistxattr(fd, names, size); });
}

ssize_t GetAttribute(int fd, const char* name, void* value, std::size_t size)
{
    return Run("fgetxattr", [&] { return ::fgetxattr(fd, name, value, size); });
}

int SetAttribute(int fd, const char* name, const void* value, std::size_t size)
{
    return Run("fsetxattr", [&] { return ::fsetxattr(fd, name, value, size, 0); });
}

} // namespace Sys

} // namespace vt
