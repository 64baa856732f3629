#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

namespace vt {

// The system calls of the file layer, each behind one function so that tests
// can make any of them fail. Every function returns what the system call
// returns and leaves its error in errno; interrupted calls are repeated.
namespace Sys {

/** Consulted before every call with the call's name ("open", "write", ...):
 *  a non-zero result makes the call fail with that error number instead of
 *  running. An empty hook (the default) lets every call run. */
using FaultHook = std::function<int(std::string_view call)>;

/** Installs the hook and returns the previous one. */
FaultHook SetFaultHook(FaultHook hook);

int Open(const char* path, int flags, mode_t mode = 0);
int OpenAt(int folder, const char* name, int flags, mode_t mode = 0);
int Close(int fd);
ssize_t Read(int fd, void* data, std::size_t n);
ssize_t Write(int fd, const void* data, std::size_t n);
int Fstat(int fd, struct stat* info);
int Lstat(const char* path, struct stat* info);
/** fstatat without following a final symbolic link. */
int LstatAt(int folder, const char* name, struct stat* info);
ssize_t ReadLink(const char* path, char* buffer, std::size_t size);
int Flock(int fd, int operation);
int SetBlocking(int fd);
int Fsync(int fd);
/** Starts writing the range to disk without waiting (sync_file_range). */
int SyncRange(int fd, off_t offset, off_t length);
int Ftruncate(int fd, off_t length);
/** Reserves the blocks of [0, length) without changing the file's size. */
int Reserve(int fd, off_t length);
off_t Seek(int fd, off_t offset, int whence);
int Fchmod(int fd, mode_t mode);
int Fchown(int fd, uid_t owner, gid_t group);
int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags);
int RenameAt(int fromFolder, const char* from, int toFolder, const char* to);
int UnlinkAt(int folder, const char* name);
/** The names in the folder ("." and ".." left out), in `names`. */
int ListFolder(int folder, std::vector<std::string>& names);
/** The names of the file's extended attributes, each ended by a zero byte. */
ssize_t ListAttributes(int fd, char* names, std::size_t size);
ssize_t GetAttribute(int fd, const char* name, void* value, std::size_t size);
int SetAttribute(int fd, const char* name, const void* value, std::size_t size);

} // namespace Sys

} // namespace vt
