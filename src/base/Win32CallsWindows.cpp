#include "base/Win32Calls.h"

#include <utility>

namespace vt {

namespace Win {

namespace {

FaultHook& Hook()
{
    static FaultHook hook;
    return hook;
}

/** The error that the hook gives the call, 0 to let it run. */
DWORD Fault(std::string_view call)
{
    const FaultHook& hook = Hook();
    const DWORD error = hook ? hook(call) : 0;
    if (error != 0)
        ::SetLastError(error);
    return error;
}

} // namespace

FaultHook SetFaultHook(FaultHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    if (Fault("CreateFileW"))
        return INVALID_HANDLE_VALUE;
    return ::CreateFileW(name, access, share, nullptr, disposition, flags, nullptr);
}

BOOL ReadFile(HANDLE file, void* data, DWORD n, DWORD* got)
{
    *got = 0;
    if (Fault("ReadFile"))
        return FALSE;
    return ::ReadFile(file, data, n, got, nullptr);
}

BOOL WriteFile(HANDLE file, const void* data, DWORD n, DWORD* put)
{
    *put = 0;
    if (Fault("WriteFile"))
        return FALSE;
    return ::WriteFile(file, data, n, put, nullptr);
}

BOOL FlushFileBuffers(HANDLE file)
{
    if (Fault("FlushFileBuffers"))
        return FALSE;
    return ::FlushFileBuffers(file);
}

BOOL CloseHandle(HANDLE file)
{
    if (const DWORD error = Fault("CloseHandle")) {
        ::CloseHandle(file);
        ::SetLastError(error);
        return FALSE;
    }
    return ::CloseHandle(file);
}

DWORD GetFileType(HANDLE file)
{
    if (Fault("GetFileType"))
        return FILE_TYPE_UNKNOWN;
    // A handle of unknown type is told from a failure by the error alone.
    ::SetLastError(NO_ERROR);
    return ::GetFileType(file);
}

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info)
{
    if (Fault("GetFileInformationByHandle"))
        return FALSE;
    return ::GetFileInformationByHandle(file, info);
}

DWORD GetFileAttributesW(const wchar_t* name)
{
    if (Fault("GetFileAttributesW"))
        return INVALID_FILE_ATTRIBUTES;
    return ::GetFileAttributesW(name);
}

BOOL SetFileAttributesW(const wchar_t* name, DWORD attributes)
{
    if (Fault("SetFileAttributesW"))
        return FALSE;
    return ::SetFileAttributesW(name, attributes);
}

BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags)
{
    if (Fault("MoveFileExW"))
        return FALSE;
    return ::MoveFileExW(from, to, flags);
}

BOOL DeleteFileW(const wchar_t* name)
{
    if (Fault("DeleteFileW"))
        return FALSE;
    return ::DeleteFileW(name);
}

} // namespace Win

} // namespace vt
