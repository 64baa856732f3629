// The file layer: what each kind of target becomes, every system call of a
// save failing in turn, a killed save, and what reading refuses.

#include "BaseStorage.h"
#include "FileNames.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "SystemCalls.h"
#include "TestStreams.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

/** The names in a folder, hidden ones included. */
std::set<std::string> Names(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::function<void(OutputStream&)> Content(const std::string& bytes)
{
    // In record-sized pieces, as a base is written.
    return [bytes](OutputStream& out) {
        for (std::size_t at = 0; at < bytes.size(); at += BaseRecordBytes)
            out.Write(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at,
                      std::min(BaseRecordBytes, bytes.size() - at));
    };
}

/** The message of the error that f throws, or "" when it throws none. */
template <class F> std::string MessageOf(F&& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

/** Installs a fault hook for the test's lifetime. */
class ScopedHook
{
public:
    explicit ScopedHook(Sys::FaultHook hook) : m_previous(Sys::SetFaultHook(std::move(hook))) {}
    ~ScopedHook() { Sys::SetFaultHook(std::move(m_previous)); }

private:
    Sys::FaultHook m_previous;
};

class FileLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vt-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(FileLayer, RegularFileIsReplacedKeepingModeAndLeavingNothingElse)
{
    const fs::path target = dir / "base.dat";
    WriteFile(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0) << "the tests run as root";
    const ino_t before = fs::status(target).type() == fs::file_type::regular ? [&] {
        struct stat s {};
        ::stat(target.c_str(), &s);
        return s.st_ino;
    }() : 0;

    WriteOutputFile(target, Content("new bytes"));

    struct stat info
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(ReadFile(target), "new bytes");
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
    EXPECT_NE(info.st_ino, before) << "replaced, not rewritten in place";
    EXPECT_EQ(Names(dir), std::set<std::string>{"base.dat"});
}

TEST_F(FileLayer, LinksAreFollowedAndKept)
{
    // A symbolic link: the file it points to gets the content, the link stays.
    WriteFile(dir / "real.dat", "old");
    fs::create_symlink("real.dat", dir / "link.dat");
    WriteOutputFile(dir / "link.dat", Content("via link"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.dat"));
    EXPECT_EQ(ReadFile(dir / "real.dat"), "via link");

    // A dangling link creates its target.
    fs::create_symlink("made.dat", dir / "dangling.dat");
    WriteOutputFile(dir / "dangling.dat", Content("made"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.dat"));
    EXPECT_EQ(ReadFile(dir / "made.dat"), "made");

    // A hard link is written in place: both names see the new content.
    WriteFile(dir / "one.dat", "a much longer old content");
    fs::create_hard_link(dir / "one.dat", dir / "two.dat");
    WriteOutputFile(dir / "one.dat", Content("short"));
    EXPECT_EQ(ReadFile(dir / "two.dat"), "short");
    EXPECT_EQ(fs::hard_link_count(dir / "one.dat"), 2u);

    EXPECT_EQ(Names(dir), (std::set<std::string>{"real.dat", "link.dat", "dangling.dat", "made.dat",
                                                 "one.dat", "two.dat"}));
}

TEST_F(FileLayer, SpecialFilesAreWrittenDirectlyAndNeverReplaced)
{
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    WriteOutputFile(fifo, Content("through the pipe"));
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device node of our own, made in the test's folder: the null device.
    const fs::path device = dir / "null";
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    WriteOutputFile(device, Content("gone"));
    EXPECT_TRUE(fs::is_character_file(device));

    EXPECT_EQ(Names(dir), (std::set<std::string>{"pipe", "null"}));
}

TEST_F(FileLayer, RefusalsComeBeforeAnyByteAndNameTheFile)
{
    const fs::path held = dir / "held.dat";
    WriteFile(held, "old");
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_EQ(MessageOf([&] { WriteOutputFile(held, Content("new")); }),
              "Cannot create file \"" + held.string() + "\". Resource temporarily unavailable");
    ::close(holder);

    InputFile input(held);
    EXPECT_EQ(MessageOf([&] { WriteOutputFile(held, Content("new"), {input.Id()}); }),
              "Cannot create file \"" + held.string() + "\". It is the file being read");
    fs::create_symlink("held.dat", dir / "alias.dat");
    EXPECT_NE(MessageOf([&] { WriteOutputFile(dir / "alias.dat", Content("new"), {input.Id()}); }), "")
        << "a link to the input is the input";
    EXPECT_EQ(ReadFile(held), "old");
    EXPECT_EQ(Names(dir), (std::set<std::string>{"held.dat", "alias.dat"}));
}

TEST_F(FileLayer, FolderThatTakesNoNewFileStillLetsItsFileBeRewritten)
{
    const fs::path target = dir / "base.dat";
    WriteFile(target, "a longer old content");
    struct stat before
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    // As root no folder refuses a new file, so the seam plays the refusal.
    ScopedHook hook([](std::string_view call) { return call == "openat" ? EACCES : 0; });
    WriteOutputFile(target, Content("new"));
    struct stat after
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
    EXPECT_EQ(Names(dir), std::set<std::string>{"base.dat"});
    EXPECT_EQ(MessageOf([&] { WriteOutputFile(dir / "new.dat", Content("new")); }),
              "Cannot create file \"" + (dir / "new.dat").string() + "\". Permission denied")
        << "a new file has no old one to rewrite";
}

TEST_F(FileLayer, LongestNameIsSaved)
{
    const fs::path target = dir / std::string(255, 'n');
    WriteFile(target, "old");
    WriteOutputFile(target, Content("new"));
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(Names(dir).size(), 1u);
}

TEST_F(FileLayer, FullFileSystemKeepsTheOldFile)
{
    const fs::path mount = dir / "small";
    fs::create_directory(mount);
    const bool mounted = ::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=64k") == 0;
    const fs::path target = mount / "base.dat";
    WriteFile(target, "old base");
    // Without the right to mount, the system call seam plays the full disk.
    ScopedHook hook([mounted](std::string_view call) { return !mounted && call == "write" ? ENOSPC : 0; });

    const std::string message =
        MessageOf([&] { WriteOutputFile(target, Content(std::string(200 * 1024, 'x'))); });
    EXPECT_EQ(message, "Cannot write file \"" + target.string() + "\". No space left on device");
    EXPECT_EQ(ReadFile(target), "old base");
    EXPECT_EQ(Names(mount), std::set<std::string>{"base.dat"});
    if (mounted)
        ::umount(mount.c_str());
}

// Every system call of a save fails in turn: the old file stays byte for
// byte, the message names the file, and no temporary file is left. Only a
// failure after the rename (syncing or closing the folder) leaves the new
// content, complete, and still reports the failure.
TEST_F(FileLayer, EverySystemCallOfASaveFailingInTurnLosesNothing)
{
    const fs::path target = dir / "base.dat";
    const std::string old = "the old base";
    const std::string fresh(3 << 20, 'n'); // several buffered writes

    std::vector<std::string> calls;
    {
        WriteFile(target, old);
        ScopedHook count([&](std::string_view call) {
            calls.emplace_back(call);
            return 0;
        });
        WriteOutputFile(target, Content(fresh));
    }
    const std::vector<std::string> expected{"lstat", "lstat",  "open",  "flock",    "open",   "openat",
                                            "write", "write",  "write", "write",    "fchmod", "fchown",
                                            "fsync", "linkat", "close", "renameat", "fsync",  "close"};
    ASSERT_EQ(calls, expected);

    bool afterRename = false;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        WriteFile(target, old);
        std::size_t n = 0;
        ScopedHook fail([&](std::string_view) { return n++ == i ? EIO : 0; });
        const std::string message = MessageOf([&] { WriteOutputFile(target, Content(fresh)); });
        if (calls[i] == "renameat")
            afterRename = true;
        SCOPED_TRACE("failing call " + std::to_string(i) + ": " + calls[i]);
        EXPECT_NE(message.find("\"" + target.string() + "\""), std::string::npos) << message;
        EXPECT_NE(message.find("Input/output error"), std::string::npos) << message;
        EXPECT_EQ(ReadFile(target), afterRename && calls[i] != "renameat" ? fresh : old);
        EXPECT_EQ(Names(dir), std::set<std::string>{"base.dat"});
    }
}

QuestionBase FullBase()
{
    QuestionBase base;
    const QuestionRecord question{u"4", std::u16string(200, u'в'), {u"а", u"б", u"в", u"г", u"д"}, u"2"};
    base.Reserve(std::size_t(MaxBaseQuestions) * EntriesPerQuestion);
    for (int k = 0; k < MaxBaseQuestions; ++k)
        base.AppendRecord(question);
    return base;
}

// A save killed outright (kill -9) part way through a full base leaves the
// old file and no temporary file.
TEST_F(FileLayer, KilledSaveOfAFullBaseLeavesTheOldFileAlone)
{
    const fs::path target = dir / "base.dat";
    const std::string old = "the old base";
    for (const char* when : {"write", "fsync"}) {
        WriteFile(target, old);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const QuestionBase base = FullBase();
            int writes = 0;
            Sys::SetFaultHook([&](std::string_view call) {
                if (call == when && (call != "write" || ++writes == 40))
                    ::kill(::getpid(), SIGKILL);
                return 0;
            });
            SaveBaseFile(base, target.string());
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << when;
        EXPECT_EQ(ReadFile(target), old) << when;
        EXPECT_EQ(Names(dir), std::set<std::string>{"base.dat"}) << when;
    }
}

TEST_F(FileLayer, ReadingRefusesWhatIsNotARegularFileWithoutWaiting)
{
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path device = dir / "zero";
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);
    const struct
    {
        fs::path path;
        std::string reason;
    } cases[] = {
        {fifo, "It is not a regular file"},
        {device, "It is not a regular file"},
        {dir, "Is a directory"},
        {dir / "missing.dat", "No such file or directory"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageOf([&] { InputFile file(c.path); }),
                  "Cannot open file \"" + c.path.string() + "\". " + c.reason);

    WriteFile(dir / "big.csv", std::string(5000, 'x'));
    InputFile big(dir / "big.csv");
    EXPECT_NE(MessageOf([&] { big.ReadAll(4096); }).find("Cannot read file"), std::string::npos);
}

TEST_F(FileLayer, AReadErrorInsideARecordStopsTheLoadAtTheCompleteRecords)
{
    const QuestionRecord question{u"2", u"Небо?", {u"синее", u"зелёное", u"красное", u" ", u" "}, u"1"};
    Bytes file = WriteToBytes(BaseOf({question, question, question}));
    const fs::path path = dir / "base.dat";
    WriteFile(path, std::string(file.begin(), file.end()));

    // The third record meets a read error after part of it has arrived.
    InputFile input(path);
    int reads = 0;
    ScopedHook hook([&](std::string_view call) { return call == "read" && ++reads == 4 ? EIO : 0; });
    QuestionBase base;
    class Partial : public InputStream
    {
    public:
        explicit Partial(InputStream& in) : m_in(in) {}
        // Hands the record request on in two halves, as a slow device would.
        std::size_t Read(std::uint8_t* data, std::size_t n) override
        {
            if (n != BaseRecordBytes)
                return m_in.Read(data, n);
            const std::size_t first = m_in.Read(data, n / 2);
            return first < n / 2 ? first : first + m_in.Read(data + first, n - first);
        }

    private:
        InputStream& m_in;
    } partial(input.Stream());
    EXPECT_EQ(MessageOf([&] { ReadBase(partial, base); }), "Stream read error");
    EXPECT_EQ(base.QuestionCount(), 1);
}

TEST(FileNames, ControlCharactersAreShownEscaped)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"/tmp/base.dat", u"/tmp/base.dat"}, {"a\nb.dat", u"a\\nb.dat"},
        {"a\r\t.dat", u"a\\r\\t.dat"},       {std::string("a\0b", 3), u"a\\x00b"},
        {"\x1b[31m\x7f", u"\\x1b[31m\\x7f"}, {"Вопросы.dat", u"Вопросы.dat"},
    };
    for (const auto& [path, shown] : cases)
        EXPECT_EQ(DisplayPath(path), shown);
}

} // namespace
