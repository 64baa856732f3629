#pragma once

#include <functional>
#include <string_view>

#include <windows.h>

namespace vt {

// The Win32 calls of the file layer, each behind one function so that tests
// can make any of them fail. Every function returns what the call returns and
// leaves its error for GetLastError().
namespace Win {

/** Consulted before every call with the call's name ("CreateFileW",
 *  "WriteFile", ...): a non-zero result makes the call fail with that error
 *  code instead of running. An empty hook (the default) lets every call run. */
using FaultHook = std::function<DWORD(std::string_view call)>;

/** Installs the hook and returns the previous one. */
FaultHook SetFaultHook(FaultHook hook);

HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flags);
BOOL ReadFile(HANDLE file, void* data, DWORD n, DWORD* got);
BOOL WriteFile(HANDLE file, const void* data, DWORD n, DWORD* put);
BOOL FlushFileBuffers(HANDLE file);
/** The handle is closed even when the hook makes the call fail. */
BOOL CloseHandle(HANDLE file);
/** FILE_TYPE_UNKNOWN with the error set when the type cannot be learnt. */
DWORD GetFileType(HANDLE file);
BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info);
DWORD GetFileAttributesW(const wchar_t* name);
BOOL SetFileAttributesW(const wchar_t* name, DWORD attributes);
BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags);
BOOL DeleteFileW(const wchar_t* name);

} // namespace Win

} // namespace vt
