// The file layer on Windows: files held by another handle, atomic
// replacement, non-ASCII and long paths, the read-only attribute, and how
// names are cut.

#include "base/BaseStorage.h"
#include "base/FileNames.h"
#include "base/InputFile.h"
#include "base/OutputFile.h"
#include "base/Win32Calls.h"
#include "tests/base/TestStreams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <windows.h>

using namespace vt;

namespace {

std::string Utf8(const std::wstring& wide)
{
    return ToUtf8(std::u16string(wide.begin(), wide.end()));
}

/** The path with the prefix that lifts the length limit, for the tests' own
 *  set-up, independent of the code under test. */
std::wstring Long(const std::wstring& absolute)
{
    return L"\\\\?\\" + absolute;
}

std::string ReadBytes(const std::wstring& path)
{
    const HANDLE file = ::CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    ::CloseHandle(file);
    return bytes;
}

std::set<std::wstring> Names(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileW(Long(folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.insert(name);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

QuestionBase SampleBase(int records)
{
    QuestionBase base;
    for (int k = 0; k < records; ++k)
        base.AppendRecord({u"5", u"Вопрос №" + IntToStr(k), {u"а", u"б", u"в", u"г", u"д"}, u"4"});
    return base;
}

std::string BytesOf(const QuestionBase& base)
{
    MemoryOutputStream out;
    WriteBase(base, out);
    return std::string(out.Bytes().begin(), out.Bytes().end());
}

std::u16string Message(std::u16string_view what, const std::string& path, DWORD error)
{
    return std::u16string(what) + u" \"" + DisplayPath(path) + u"\". " +
           SystemErrorText(static_cast<int>(error));
}

/** Runs `action`, which must throw Error, and returns its message. */
template <class Action> std::u16string ErrorOf(Action action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.Message();
    }
    return u"<no error>";
}

class WindowsFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH + 1];
        ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
        m_folder = std::wstring(temp) + L"vt-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(::GetTickCount64());
        ASSERT_TRUE(::CreateDirectoryW(m_folder.c_str(), nullptr));
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(Long(m_folder), ignored);
    }

    /** A file in the test's folder, as the wide name and as the UTF-8 path. */
    std::wstring Wide(const std::wstring& name) const { return m_folder + L"\\" + name; }
    std::string Path(const std::wstring& name) const { return Utf8(Wide(name)); }

    std::wstring m_folder;
};

TEST_F(WindowsFiles, AFileHeldByAnotherHandleIsRefusedForLoadAndSave)
{
    const std::string path = Path(L"held.dat");
    const QuestionBase old = SampleBase(2);
    SaveBaseFile(old, path);

    const HANDLE other = ::CreateFileW(Wide(L"held.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf([&] { LoadBaseFile(path); }),
              Message(u"Cannot open file", path, ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ErrorOf([&] { SaveBaseFile(SampleBase(5), path); }),
              Message(u"Cannot create file", path, ERROR_SHARING_VIOLATION));
    ::CloseHandle(other);
    EXPECT_EQ(ReadBytes(Wide(L"held.dat")), BytesOf(old));
    EXPECT_EQ(Names(m_folder), std::set<std::wstring>{L"held.dat"});

    // Reading holds the file just as exclusively.
    {
        InputFile file(path);
        const HANDLE shared = ::CreateFileW(Wide(L"held.dat").c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(shared, INVALID_HANDLE_VALUE);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (shared != INVALID_HANDLE_VALUE)
            ::CloseHandle(shared);
        EXPECT_EQ(ErrorOf([&] { WriteOutputFile(path, [](OutputStream&) {}, {file.Id()}); }),
                  u"Cannot create file \"" + DisplayPath(path) + u"\". It is the file being read");
    }
    EXPECT_EQ(LoadBaseFile(path).Record(1), old.Record(1));
}

TEST_F(WindowsFiles, ReplacementIsAtomicAndLeavesNoTemporaryFile)
{
    const std::string path = Path(L"quiz.dat");
    const QuestionBase old = SampleBase(3);
    SaveBaseFile(old, path);
    ASSERT_TRUE(::SetFileAttributesW(Wide(L"quiz.dat").c_str(), FILE_ATTRIBUTE_HIDDEN));

    // A writer failing midway keeps the old file whole.
    const std::string half = BytesOf(SampleBase(40)).substr(0, 20 * BaseRecordBytes);
    EXPECT_EQ(ErrorOf([&] {
                  WriteOutputFile(path, [&](OutputStream& out) {
                      out.Write(reinterpret_cast<const std::uint8_t*>(half.data()), half.size());
                      throw Error(u"Stopped midway");
                  });
              }),
              u"Stopped midway");
    EXPECT_EQ(ReadBytes(Wide(L"quiz.dat")), BytesOf(old));
    EXPECT_EQ(Names(m_folder), std::set<std::wstring>{L"quiz.dat"});

    // A complete save puts the whole new content in place, attributes kept.
    const QuestionBase fresh = SampleBase(40);
    SaveBaseFile(fresh, path);
    EXPECT_EQ(ReadBytes(Wide(L"quiz.dat")), BytesOf(fresh));
    EXPECT_EQ(Names(m_folder), std::set<std::wstring>{L"quiz.dat"});
    EXPECT_NE(::GetFileAttributesW(Wide(L"quiz.dat").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(LoadBaseFile(path).EntryCount(), fresh.EntryCount());
}

TEST_F(WindowsFiles, NonAsciiAndLongPathsLoadAndSave)
{
    const std::wstring part(100, L'д');
    const struct
    {
        std::wstring folder; // under the test's folder
        std::wstring name;
        bool slashes; // the UTF-8 path uses "/" as separator
    } cases[] = {
        {L"База", L"Вопросы «Ёлка».dat", false},
        {L"Базы/Ёлка", L"Ответы.dat", true},
        {part + L"\\" + part + L"\\" + part, L"Длинный путь.dat", false},
    };
    for (const auto& c : cases) {
        std::wstring folder = m_folder;
        for (std::size_t at = 0; at <= c.folder.size();) {
            const std::size_t end = std::min(c.folder.find_first_of(L"\\/", at), c.folder.size());
            folder += L"\\" + c.folder.substr(at, end - at);
            ::CreateDirectoryW(Long(folder).c_str(), nullptr);
            at = end + 1;
        }
        const std::wstring wide = folder + L"\\" + c.name;
        std::string path = Utf8(wide);
        if (c.slashes)
            std::replace(path.begin(), path.end(), '\\', '/');
        SCOPED_TRACE(path);
        if (c.folder.size() > 200) {
            ASSERT_GT(wide.size(), std::size_t(MAX_PATH));
        }

        const QuestionBase base = SampleBase(4);
        SaveBaseFile(base, path);
        EXPECT_EQ(ReadBytes(wide), BytesOf(base)) << "the file bears its name in UTF-16";
        SaveBaseFile(SampleBase(6), path);
        EXPECT_EQ(LoadBaseFile(path).EntryCount(), SampleBase(6).EntryCount());
        EXPECT_EQ(Names(folder), std::set<std::wstring>{c.name});
        EXPECT_EQ(FileNameOnly(path), Utf8(c.name));
    }
}

TEST_F(WindowsFiles, RefusalsNameTheFileWithTheSystemsText)
{
    const std::string readOnly = Path(L"read-only.dat");
    const QuestionBase old = SampleBase(1);
    SaveBaseFile(old, readOnly);
    ASSERT_TRUE(::SetFileAttributesW(Wide(L"read-only.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ErrorOf([&] { SaveBaseFile(SampleBase(2), readOnly); }),
              Message(u"Cannot create file", readOnly, ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadBytes(Wide(L"read-only.dat")), BytesOf(old));
    EXPECT_EQ(Names(m_folder), std::set<std::wstring>{L"read-only.dat"});
    EXPECT_EQ(LoadBaseFile(readOnly).EntryCount(), old.EntryCount()) << "a read-only file is still read";
    ::SetFileAttributesW(Wide(L"read-only.dat").c_str(), FILE_ATTRIBUTE_NORMAL);

    const std::string missing = Path(L"missing.dat");
    EXPECT_EQ(ErrorOf([&] { LoadBaseFile(missing); }),
              Message(u"Cannot open file", missing, ERROR_FILE_NOT_FOUND));
    const std::string noFolder = Path(L"missing\\quiz.dat");
    EXPECT_EQ(ErrorOf([&] { SaveBaseFile(old, noFolder); }),
              Message(u"Cannot create file", noFolder, ERROR_PATH_NOT_FOUND));
}

// Every Win32 call of a save fails in turn: the old file stays byte for
// byte, the message names the file with the system's text, and no temporary
// file is left. The save of a hidden file (attributes taken over) is the one
// with the most calls.
TEST_F(WindowsFiles, EveryCallOfASaveFailingInTurnLosesNothing)
{
    const std::string path = Path(L"База.dat");
    const std::wstring wide = Wide(L"База.dat");
    const std::string old = BytesOf(SampleBase(2));
    const QuestionBase fresh = SampleBase(3000); // several buffered writes
    const auto putOld = [&] {
        ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteOutputFile(path, [&](OutputStream& out) {
            out.Write(reinterpret_cast<const std::uint8_t*>(old.data()), old.size());
        });
        ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN));
    };
    struct ScopedHook
    {
        explicit ScopedHook(Win::FaultHook hook) : previous(Win::SetFaultHook(std::move(hook))) {}
        ~ScopedHook() { Win::SetFaultHook(std::move(previous)); }
        Win::FaultHook previous;
    };

    std::vector<std::string> calls;
    putOld();
    {
        ScopedHook count([&](std::string_view call) {
            calls.emplace_back(call);
            return DWORD(0);
        });
        SaveBaseFile(fresh, path);
    }
    ASSERT_TRUE(ReadBytes(wide) == BytesOf(fresh));
    const std::vector<std::string> start{"GetFileAttributesW", "CreateFileW", "GetFileType", "CreateFileW",
                                         "WriteFile"};
    const std::vector<std::string> end{"WriteFile",          "FlushFileBuffers", "CloseHandle",
                                       "SetFileAttributesW", "CloseHandle",      "MoveFileExW"};
    ASSERT_GT(calls.size(), start.size() + end.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + start.size()), start);
    EXPECT_EQ(std::vector<std::string>(calls.end() - end.size(), calls.end()), end);

    const DWORD error = ERROR_WRITE_FAULT;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        putOld();
        std::size_t n = 0;
        std::u16string message;
        {
            ScopedHook fail([&](std::string_view) { return n++ == i ? error : DWORD(0); });
            message = ErrorOf([&] { SaveBaseFile(fresh, path); });
        }
        SCOPED_TRACE("failing call " + std::to_string(i) + ": " + calls[i]);
        const std::u16string what = i < 4 ? u"Cannot create file" : u"Cannot write file";
        EXPECT_EQ(message, Message(what, path, error)) << ToUtf8(message);
        EXPECT_TRUE(ReadBytes(wide) == old) << "the old file changed";
        EXPECT_EQ(Names(m_folder), std::set<std::wstring>{L"База.dat"});
    }
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsFileNames, NamesAreCutAfterTheLastSeparatorOrDrive)
{
    const struct
    {
        std::string path, name, folder;
    } cases[] = {
        {"C:\\Bases\\quiz.dat", "quiz.dat", "C:\\Bases"},
        {"C:\\quiz.dat", "quiz.dat", "C:\\"},
        {"C:quiz.dat", "quiz.dat", "C:"},
        {"Bases/2024\\quiz.dat", "quiz.dat", "Bases/2024"},
        {"\\\\server\\share\\quiz.dat", "quiz.dat", "\\\\server\\share"},
        {"\\quiz.dat", "quiz.dat", "\\"},
        {"quiz.dat", "quiz.dat", "."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameOnly(c.path), c.name) << c.path;
        EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    }
}

TEST(WindowsFileNames, SystemTextHasNoTrailingStopOrBreak)
{
    for (const DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
        const std::u16string text = SystemErrorText(static_cast<int>(error));
        ASSERT_FALSE(text.empty());
        EXPECT_TRUE(text.back() != u'.' && text.back() != u'\n' && text.back() != u'\r' &&
                    text.back() != u' ')
            << ToUtf8(text);
    }
}

} // namespace
