// The file layer: what each kind of target becomes, every system call of a
// save failing in turn, a killed save, and what reading refuses.

#include "base/BaseStorage.h"
#include "base/FileNames.h"
#include "base/InputFile.h"
#include "base/OutputFile.h"
#include "base/SystemCalls.h"
#include "tests/base/TestStreams.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
#include <sys/xattr.h>
#include <unistd.h>

using namespace vt;

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

/** A descriptor closed at the end of its scope. */
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

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
    // An access ACL (owner rw, user 1234 r, group r, mask r, others none) and
    // a user attribute, which the new file must carry as the old one did.
    const std::uint16_t none = 0xFFFF;
    const std::uint16_t acl[] = {2, 0,    0x01, 6,    none, none, 0x02, 4,    1234, 0,    0x04,
                                 4, none, none, 0x10, 4,    none, none, 0x20, 0,    none, none};
    ASSERT_EQ(::setxattr(target.c_str(), "system.posix_acl_access", acl, sizeof acl, 0), 0);
    ASSERT_EQ(::setxattr(target.c_str(), "user.origin", "editor", 6, 0), 0);
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
    std::uint16_t aclAfter[sizeof acl / 2 + 1] = {};
    EXPECT_EQ(::getxattr(target.c_str(), "system.posix_acl_access", aclAfter, sizeof aclAfter),
              ssize_t(sizeof acl));
    EXPECT_TRUE(std::equal(std::begin(acl), std::end(acl), aclAfter));
    char origin[16] = {};
    EXPECT_EQ(::getxattr(target.c_str(), "user.origin", origin, sizeof origin), 6);
    EXPECT_STREQ(origin, "editor");
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

// What the target is when it is opened decides, never what lstat saw a
// moment before: a FIFO without a reader, or a file put in the target's
// place between the two, is refused without waiting and without a byte.
TEST_F(FileLayer, TargetsThatCannotBeWrittenSafelyAreRefusedAtOnce)
{
    const fs::path target = dir / "base.dat";
    const auto fifo = [&] { fs::remove(target), ::mkfifo(target.c_str(), 0600); };
    const std::string replaced = "It was replaced while it was being opened";
    const struct
    {
        bool startsAsFifo;
        std::function<void()> swap; // just before the target is opened
        std::string reason;
    } cases[] = {
        {true, [] {}, "No program is reading it"},
        {false, fifo, "No program is reading it"},
        {false, [&] { WriteFile(dir / "other", "other"), fs::rename(dir / "other", target); }, replaced},
        {false, [&] { fs::create_hard_link(target, dir / "second"); }, replaced},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        fs::remove_all(dir);
        fs::create_directory(dir);
        c.startsAsFifo ? fifo() : WriteFile(target, "old");
        int opens = 0;
        ScopedHook hook(
            [&](std::string_view call) { return call == "open" && opens++ == 0 ? c.swap(), 0 : 0; });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(MessageOf([&] { WriteOutputFile(target, Content("new")); }),
                  "Cannot create file \"" + target.string() + "\". " + c.reason);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_NE(fs::is_regular_file(target) ? ReadFile(target) : "", "new");
    }
}

TEST_F(FileLayer, RefusalsComeBeforeAnyByteAndNameTheFile)
{
    const fs::path held = dir / "held.dat";
    WriteFile(held, "old");
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_EQ(MessageOf([&] { WriteOutputFile(held, Content("new")); }),
              "Cannot create file \"" + held.string() + "\". It is open in another program");
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
    const fs::path temp = dir / "tmp";
    fs::create_directory(temp);
    ::setenv("TMPDIR", temp.c_str(), 1);
    // As root no folder refuses a new file, so the seam plays the refusal:
    // of the temporary file, and of the copy of the old content, which then
    // goes to the system's temporary folder while the file is rewritten.
    int created = 0;
    std::set<std::string> copies;
    ScopedHook hook([&](std::string_view call) {
        if (call == "fsync" && copies.empty())
            copies = Names(temp);
        return call == "openat" && ++created <= 2 ? EACCES : 0;
    });
    WriteOutputFile(target, Content("new"));
    ::unsetenv("TMPDIR");
    struct stat after
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_TRUE(copies.begin()->ends_with(".old")) << *copies.begin();
    EXPECT_EQ(Names(dir), (std::set<std::string>{"base.dat", "tmp"}));
    EXPECT_TRUE(Names(temp).empty());
    created = -100;
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
    // Without the right to mount, the system call seam plays the full disk.
    int writes = 0;
    ScopedHook hook([&](std::string_view call) {
        writes += call == "write";
        return !mounted && (call == "write" || call == "fallocate") ? ENOSPC : 0;
    });
    // Replaced, and written in place under two names: the new length is
    // reserved before the old content is touched.
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "hard-linked" : "single");
        WriteFile(target, "old base");
        if (linked)
            fs::create_hard_link(target, mount / "other.dat");
        const std::string message =
            MessageOf([&] { WriteOutputFile(target, Content(std::string(200 * 1024, 'x'))); });
        EXPECT_EQ(message, "Cannot write file \"" + target.string() + "\". No space left on device");
        EXPECT_EQ(ReadFile(target), "old base");
        if (linked) {
            EXPECT_EQ(ReadFile(mount / "other.dat"), "old base");
            EXPECT_EQ(writes, 0) << "refused before a byte is written";
        }
        writes = 0;
        EXPECT_EQ(Names(mount), linked ? (std::set<std::string>{"base.dat", "other.dat"})
                                       : std::set<std::string>{"base.dat"});
    }
    if (mounted)
        ::umount(mount.c_str());
}

/** Whether the error that f throws is SaveNotConfirmed; its message, or ""
 *  when it throws none, in `message`. */
template <class F> bool Unconfirmed(F&& f, std::string& message)
{
    message.clear();
    try {
        f();
    } catch (const SaveNotConfirmed& e) {
        message = e.what();
        return true;
    } catch (const Error& e) {
        message = e.what();
    }
    return false;
}

// Every system call of a save fails in turn, on each way a regular file is
// saved. Each failure ends in one of three ways: the save went through (a
// failure it could work around, e.g. of tidying up), it went through and
// says that the system could not confirm it (only after the point of no
// return), or it failed, names the file, and the old file stays byte for byte
// under every name. No temporary file is left, here or in the system's
// temporary folder.
TEST_F(FileLayer, EverySystemCallOfASaveFailingInTurnLosesNothing)
{
    const fs::path target = dir / "base.dat";
    const fs::path temp = dir / "tmp";
    fs::create_directory(temp);
    ::setenv("TMPDIR", temp.c_str(), 1);
    const std::string old = "the old base";
    // Several buffered writes, and more than one step of early write-back.
    const std::string fresh(9 << 20, 'n');
    const struct
    {
        const char* way;
        bool secondName;             // a hard link: written in place
        const char* pointOfNoReturn; // the last call whose failure keeps the old file
        int occurrence;              // of that call
    } ways[] = {
        {"replaced", false, "renameat", 1},
        {"in place", true, "fsync", 2},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        const auto prepare = [&] {
            fs::remove(dir / "second.dat");
            WriteFile(target, old);
            ::setxattr(target.c_str(), "user.note", "kept", 4, 0);
            if (way.secondName)
                fs::create_hard_link(target, dir / "second.dat");
        };
        std::set<std::string> names{"base.dat", "tmp"};
        if (way.secondName)
            names.insert("second.dat");
        std::vector<std::string> calls;
        {
            prepare();
            ScopedHook count([&](std::string_view call) {
                calls.emplace_back(call);
                return 0;
            });
            WriteOutputFile(target, Content(fresh));
        }
        ASSERT_EQ(ReadFile(target), fresh);
        // A replacing save starts the disk early; the sweep below fails that too.
        EXPECT_EQ(std::find(calls.begin(), calls.end(), "sync_file_range") != calls.end(), !way.secondName);
        std::size_t noReturn = 0;
        for (int seen = 0; noReturn < calls.size(); ++noReturn) {
            if (calls[noReturn] == way.pointOfNoReturn && ++seen == way.occurrence)
                break;
        }
        ASSERT_LT(noReturn, calls.size());

        int failures = 0;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            SCOPED_TRACE("failing call " + std::to_string(i) + ": " + calls[i]);
            prepare();
            std::size_t n = 0;
            ScopedHook fail([&](std::string_view) { return n++ == i ? EIO : 0; });
            std::string message;
            const bool unconfirmed = Unconfirmed([&] { WriteOutputFile(target, Content(fresh)); }, message);
            if (message.empty() || unconfirmed) {
                EXPECT_EQ(ReadFile(target), fresh);
                EXPECT_TRUE(!unconfirmed || i > noReturn) << message;
            } else {
                ++failures;
                EXPECT_LE(i, noReturn) << message;
                EXPECT_NE(message.find("\"" + target.string() + "\""), std::string::npos) << message;
                EXPECT_NE(message.find("Input/output error"), std::string::npos) << message;
                EXPECT_EQ(ReadFile(target), old);
                if (way.secondName) {
                    EXPECT_EQ(ReadFile(dir / "second.dat"), old);
                }
            }
            char note[8] = {};
            EXPECT_EQ(::getxattr(target.c_str(), "user.note", note, sizeof note), 4);
            EXPECT_EQ(Names(dir), names);
            EXPECT_TRUE(Names(temp).empty());
        }
        EXPECT_GT(failures, 10) << "most failures are reported as failures";
    }
    ::unsetenv("TMPDIR");
}

// A write that fails part way through an in-place save, and goes on failing
// while the old content is written back: the message says where the copy of
// the old content is, and the copy holds it whole.
TEST_F(FileLayer, InPlaceSaveThatCannotBeUndoneSaysWhereTheOldContentIs)
{
    const fs::path target = dir / "base.dat";
    const std::string old(100000, 'o');
    WriteFile(target, old);
    fs::create_hard_link(target, dir / "second.dat");
    int writes = 0;
    ScopedHook hook([&](std::string_view call) { return call == "write" && ++writes > 1 ? EIO : 0; });
    const std::string message =
        MessageOf([&] { WriteOutputFile(target, Content(std::string(300000, 'n'))); });
    const std::string kept = "The old content is kept in \"" + dir.string() + "/";
    const auto at = message.find(kept);
    ASSERT_NE(at, std::string::npos) << "[" << message << "]";
    const std::string copy = message.substr(at + kept.size(), message.size() - at - kept.size() - 1);
    EXPECT_TRUE(copy.starts_with(".vt") && copy.ends_with(".old")) << copy;
    EXPECT_EQ(ReadFile(dir / copy), old);
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
// old file. What it may leave besides (its temporary file, when the kill
// comes after the file got a name) the next save of the same target
// removes, and nothing else: not a temporary file that a living save holds,
// nor any other file.
TEST_F(FileLayer, KilledSaveOfAFullBaseLeavesTheOldFileAndTheNextSaveTidiesUp)
{
    const fs::path target = dir / "base.dat";
    const std::string old = "the old base";
    const struct
    {
        const char* when;
        int nth;
        bool unnamed; // the file system has unnamed temporary files
    } kills[] = {
        {"write", 40, true},
        {"fsync", 1, true},
        {"renameat", 1, true},
        {"write", 40, false},
    };
    for (const auto& kill : kills) {
        SCOPED_TRACE(std::string(kill.when) + (kill.unnamed ? "" : ", named temporary file"));
        fs::remove_all(dir);
        fs::create_directory(dir);
        WriteFile(target, old);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const QuestionBase base = FullBase();
            int seen = 0;
            bool first = true;
            Sys::SetFaultHook([&](std::string_view call) {
                if (call == "openat" && std::exchange(first, false) && !kill.unnamed)
                    return EOPNOTSUPP;
                if (call == kill.when && ++seen == kill.nth)
                    ::kill(::getpid(), SIGKILL);
                return 0;
            });
            SaveBaseFile(base, target.string());
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_EQ(ReadFile(target), old);

        std::set<std::string> leftovers = Names(dir);
        leftovers.erase("base.dat");
        ASSERT_LE(leftovers.size(), 1u);
        const bool named = !kill.unnamed || std::string_view(kill.when) == "renameat";
        EXPECT_EQ(leftovers.size(), named ? 1u : 0u);
        // Files that must stay: one of another naming, and one of this
        // naming that a living save holds under its lock.
        std::set<std::string> staying{"base.dat", ".vt0000000000000000-1-0.tmp", "notes.tmp"};
        for (const std::string& name : staying)
            WriteFile(dir / name, name == "base.dat" ? old : "keep");
        Descriptor held;
        if (!leftovers.empty()) {
            const std::string& leftover = *leftovers.begin();
            const std::string living = leftover.substr(0, leftover.find('-') + 1) + "1-0.tmp";
            WriteFile(dir / living, "living");
            held.fd = ::open((dir / living).c_str(), O_RDONLY);
            ASSERT_EQ(::flock(held.fd, LOCK_EX), 0);
            staying.insert(living);
        }
        WriteOutputFile(target, Content("next"));
        EXPECT_EQ(ReadFile(target), "next");
        EXPECT_EQ(Names(dir), staying);
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
        {dir / "held.dat", "It is open in another program"},
    };
    WriteFile(dir / "held.dat", "held");
    Descriptor holder{::open((dir / "held.dat").c_str(), O_RDONLY)};
    ASSERT_EQ(::flock(holder.fd, LOCK_EX), 0);
    for (const auto& c : cases)
        EXPECT_EQ(MessageOf([&] { InputFile file(c.path); }),
                  "Cannot open file \"" + c.path.string() + "\". " + c.reason);

    WriteFile(dir / "big.csv", std::string(5000, 'x'));
    InputFile big(dir / "big.csv");
    int reads = 0;
    ScopedHook count([&](std::string_view call) { return reads += call == "read", 0; });
    EXPECT_NE(MessageOf([&] { big.ReadAll(4096); }).find("Cannot read file"), std::string::npos);
    EXPECT_EQ(reads, 0) << "refused from its size, before reading";
}

TEST_F(FileLayer, AReadErrorInsideARecordStopsTheLoadAtTheCompleteRecords)
{
    const QuestionRecord question{u"2", u"Небо?", {u"синее", u"зелёное", u"красное", u" ", u" "}, u"1"};
    Bytes file = WriteToBytes(BaseOf({question, question, question}));
    const fs::path path = dir / "base.dat";
    WriteFile(path, std::string(file.begin(), file.end()));

    // The third record meets a read error after part of it has arrived:
    // reads 1 to 5 bring the header and two records, read 6 the first half of
    // the third, and read 7, its second half, fails.
    InputFile input(path);
    int reads = 0;
    ScopedHook hook([&](std::string_view call) { return call == "read" && ++reads == 7 ? EIO : 0; });
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
    EXPECT_EQ(reads, 7);
    EXPECT_EQ(base.QuestionCount(), 2);
}

TEST(FileNames, ControlCharactersAreShownEscaped)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"/tmp/base.dat", u"/tmp/base.dat"},
        {"a\nb.dat", u"a\\nb.dat"},
        {"a\r\t.dat", u"a\\r\\t.dat"},
        {std::string("a\0b", 3), u"a\\x00b"},
        {"\x1b[31m\x7f", u"\\x1b[31m\\x7f"},
        {"Вопросы.dat", u"Вопросы.dat"},
        // C1 controls, line and paragraph separators, bidirectional controls.
        {"a\u0085\u009b.dat", u"a\\u0085\\u009b.dat"},
        {"x\u2028y\u2029z", u"x\\u2028y\\u2029z"},
        {"x\u202enosj.dat", u"x\\u202enosj.dat"},
        {"\u202a\u202b\u202c\u202d\u2066\u2067\u2068\u2069",
         u"\\u202a\\u202b\\u202c\\u202d\\u2066\\u2067\\u2068\\u2069"},
        {"\u200e\u200f\u061c", u"\\u200e\\u200f\\u061c"},
        {"\u200b\u00a0\U0001F600", u"\u200b\u00a0\U0001F600"},
        // Bytes that are not UTF-8, each shown as it is.
        {"x\xff\xfe.dat", u"x\\xff\\xfe.dat"},
        {"\xc3(\xed\xa0\x80", u"\\xc3(\\xed\\xa0\\x80"},
    };
    for (const auto& [path, shown] : cases) {
        EXPECT_EQ(DisplayPath(path), shown) << path;
        EXPECT_EQ(ToPathBytes(FromPathBytes(path)), path) << "a name comes back byte for byte";
    }
    // A text, as opposed to a name, may hold lone surrogates.
    const char16_t lone[] = {u'a', 0xDCFF, 0xD800, u'b', 0x1B};
    EXPECT_EQ(ShownText(std::u16string_view(lone, 5)), u"a\\udcff\\ud800b\\x1b");
}

} // namespace
