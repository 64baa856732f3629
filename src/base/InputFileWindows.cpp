#include "base/InputFile.h"

#include "base/FileNames.h"
#include "base/Win32Calls.h"

#include <algorithm>

#include <windows.h>

namespace vt {

namespace {

constexpr char16_t CannotOpen[] = u"Cannot open file";

[[noreturn]] void ThrowLastError(std::u16string_view what, const std::string& path)
{
    ThrowFileError(what, path, static_cast<int>(::GetLastError()));
}

} // namespace

InputFile::InputFile(std::string path) : m_path(std::move(path))
{
    if (m_path == "-") {
        m_file = ::GetStdHandle(STD_INPUT_HANDLE);
        m_stream = FileInputStream(m_file);
        return;
    }
    // No sharing: while the file is open here, no other program can open it,
    // and a file that another program has open is refused at once.
    const HANDLE file = Win::CreateFileW(WidePath(m_path).c_str(), GENERIC_READ, 0, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (file == INVALID_HANDLE_VALUE)
        ThrowLastError(CannotOpen, m_path);
    m_file = file;
    m_owned = true;
    try {
        const DWORD type = Win::GetFileType(file);
        if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR)
            ThrowLastError(CannotOpen, m_path);
        if (type != FILE_TYPE_DISK)
            ThrowFileError(CannotOpen, m_path, u"It is not a regular file");
        BY_HANDLE_FILE_INFORMATION info{};
        if (!Win::GetFileInformationByHandle(file, &info))
            ThrowLastError(CannotOpen, m_path);
        m_id = {info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    } catch (...) {
        Win::CloseHandle(file);
        throw;
    }
    m_stream = FileInputStream(m_file);
}

InputFile::~InputFile()
{
    // Nothing was written: a failing close loses nothing.
    if (m_owned)
        Win::CloseHandle(m_file);
}

std::vector<std::uint8_t> InputFile::ReadAll(std::size_t limit)
{
    std::vector<std::uint8_t> bytes;
    LARGE_INTEGER size{};
    if (m_owned && ::GetFileSizeEx(m_file, &size) && size.QuadPart > 0)
        bytes.reserve(std::min<std::size_t>(static_cast<std::size_t>(size.QuadPart), limit) + 1);
    constexpr std::size_t chunk = 64 * 1024;
    for (;;) {
        const std::size_t at = bytes.size();
        bytes.resize(at + chunk);
        DWORD got = 0;
        if (!Win::ReadFile(m_file, bytes.data() + at, chunk, &got)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_BROKEN_PIPE)
                ThrowFileError(u"Cannot read file", m_path, static_cast<int>(error));
        }
        bytes.resize(at + got);
        if (bytes.size() > limit)
            ThrowTooLarge(m_path, limit);
        if (got == 0)
            return bytes;
    }
}

} // namespace vt
