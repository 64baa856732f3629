#include "base/OutputFile.h"

#include "base/FileNames.h"
#include "base/Win32Calls.h"
#include "text/Error.h"

#include <random>
#include <utility>

#include <windows.h>

namespace vt {

namespace {

constexpr char16_t CannotCreate[] = u"Cannot create file";
constexpr char16_t CannotWrite[] = u"Cannot write file";

[[noreturn]] void ThrowLastError(std::u16string_view what, const std::string& path)
{
    ThrowFileError(what, path, static_cast<int>(::GetLastError()));
}

/** A handle closed when it goes out of scope (errors ignored: that path is a
 *  failure already), or closed and checked by Close(). */
class Handle
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (Valid())
            Win::CloseHandle(m_handle);
    }
    HANDLE Get() const noexcept { return m_handle; }
    bool Valid() const noexcept { return m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle) noexcept { m_handle = handle; }
    /** Closes now; false with the last error set when the close failed. */
    bool Close() noexcept { return Win::CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE m_handle;
};

/** The temporary file: closed and removed unless the save went through. */
class TemporaryFile
{
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (m_file.Valid())
            m_file.Close();
        if (!m_name.empty())
            Win::DeleteFileW(m_name.c_str());
    }
    /** Creates a new file under a short random name beside `path`; false
     *  with the last error set when none can be made. */
    bool Create(const std::string& path)
    {
        const std::string folder = path.substr(0, path.size() - FileNameOnly(path).size());
        for (int tries = 0; tries < 100; ++tries) {
            std::wstring name = WidePath(folder + RandomName());
            m_file.Reset(Win::CreateFileW(name.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
            if (m_file.Valid()) {
                m_name = std::move(name);
                return true;
            }
            if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        }
        return false;
    }
    Handle& File() noexcept { return m_file; }
    const std::wstring& Name() const noexcept { return m_name; }
    void Keep() noexcept { m_name.clear(); }

private:
    /** Short, so that it fits beside a target whose own name is as long as
     *  the file system allows. */
    static std::string RandomName()
    {
        static std::mt19937 random(std::random_device{}());
        constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::string name = "~vt";
        for (int i = 0; i < 8; ++i)
            name += letters[random() % (sizeof letters - 1)];
        return name + ".tmp";
    }

    Handle m_file;
    std::wstring m_name;
};

/** The stream over a handle whose failures name the target. */
class TargetStream : public OutputStream
{
public:
    TargetStream(HANDLE file, const std::string& path) : m_file(file), m_path(path) {}
    void Write(const std::uint8_t* data, std::size_t n) override
    {
        try {
            m_file.Write(data, n);
        } catch (const Error& e) {
            ThrowFileError(CannotWrite, m_path, e.Message());
        }
    }

private:
    FileOutputStream m_file;
    const std::string& m_path;
};

/** Runs `write` over the handle and flushes the buffer into it. */
void WriteContent(HANDLE file, const std::string& path, const std::function<void(OutputStream&)>& write)
{
    TargetStream target(file, path);
    BufferedOutputStream out(target);
    write(out);
    out.Flush();
}

/** The identity of the existing file at `wide`, if it can be learnt. Opening
 *  for no access at all is not refused by another handle's sharing mode. */
bool IdentityOf(const std::wstring& wide, FileId& id)
{
    const Handle probe(Win::CreateFileW(wide.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!probe.Valid() || !Win::GetFileInformationByHandle(probe.Get(), &info))
        return false;
    id = {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

// The attributes that the new file takes over from the one it replaces.
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

} // namespace

void WriteOutputFile(const std::string& path, const std::function<void(OutputStream&)>& write,
                     const std::vector<FileId>& inputs)
{
    if (path == "-") {
        WriteContent(::GetStdHandle(STD_OUTPUT_HANDLE), path, write);
        return;
    }

    const std::wstring wide = WidePath(path);
    FileId id;
    if (!inputs.empty() && IdentityOf(wide, id)) {
        for (const FileId& input : inputs) {
            if (input == id)
                ThrowFileError(CannotCreate, path, u"It is the file being read");
        }
    }
    const DWORD attributes = Win::GetFileAttributesW(wide.c_str());
    // Only a missing file or folder may go unseen here: the attributes that
    // the new file takes over must be the old file's.
    if (attributes == INVALID_FILE_ATTRIBUTES && ::GetLastError() != ERROR_FILE_NOT_FOUND &&
        ::GetLastError() != ERROR_PATH_NOT_FOUND)
        ThrowLastError(CannotCreate, path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ThrowFileError(CannotCreate, path, ERROR_ACCESS_DENIED);

    // Held without sharing until just before the replacement: a file that
    // another program has open is refused, and nobody opens it meanwhile.
    Handle held(Win::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!held.Valid() && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        ThrowLastError(CannotCreate, path);
    const bool exists = held.Valid();
    // An unknown type is a failure, not a device: the old file must never be
    // written in place.
    const DWORD type = exists ? Win::GetFileType(held.Get()) : FILE_TYPE_DISK;
    if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR)
        ThrowLastError(CannotCreate, path);
    if (type != FILE_TYPE_DISK) {
        WriteContent(held.Get(), path, write);
        if (!held.Close())
            ThrowLastError(CannotWrite, path);
        return;
    }

    TemporaryFile temporary;
    if (!temporary.Create(path))
        ThrowLastError(CannotCreate, path);
    WriteContent(temporary.File().Get(), path, write);
    if (!Win::FlushFileBuffers(temporary.File().Get()) || !temporary.File().Close())
        ThrowLastError(CannotWrite, path);
    if (exists && (attributes & KeptAttributes) != 0 &&
        !Win::SetFileAttributesW(temporary.Name().c_str(), attributes & KeptAttributes))
        ThrowLastError(CannotWrite, path);
    if (held.Valid() && !held.Close())
        ThrowLastError(CannotWrite, path);
    if (!Win::MoveFileExW(temporary.Name().c_str(), wide.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowLastError(CannotWrite, path);
    temporary.Keep();
}

} // namespace vt
