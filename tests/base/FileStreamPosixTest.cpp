#include "base/SystemCalls.h"
#include "tests/base/TestStreams.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace vt;

namespace {

/** A temporary file, removed with the object. */
class TempFile
{
public:
    TempFile()
    {
        const char* dir = std::getenv("TMPDIR");
        m_path = std::string(dir && *dir ? dir : "/tmp") + "/vt-base-XXXXXX";
        m_fd = ::mkstemp(m_path.data());
    }
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};

TEST(FileStreams, WriteAndReadABaseThroughARealFile)
{
    TempFile file;
    ASSERT_GE(file.Fd(), 0) << std::strerror(errno);
    QuestionBase source;
    for (int k = 0; k < 50; ++k)
        source.AppendRecord({u"5", u"Вопрос №" + IntToStr(k), {u"а", u"б", u"в", u"г", u"д"}, u"4"});
    FileOutputStream out(file.Fd());
    WriteBase(source, out);
    struct stat info
    {
    };
    ASSERT_EQ(::fstat(file.Fd(), &info), 0);
    EXPECT_EQ(info.st_size, 10 + 914 * 50);

    ASSERT_EQ(::lseek(file.Fd(), 0, SEEK_SET), 0);
    FileInputStream in(file.Fd());
    QuestionBase read;
    ReadBase(in, read);
    EXPECT_EQ(read.EntryCount(), source.EntryCount());
    EXPECT_EQ(read.Record(49), source.Record(49));

    std::uint8_t buffer[16];
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 0u) << "end of file";
}

TEST(FileStreams, ShortFileDeliversWhatItHas)
{
    TempFile file;
    ASSERT_GE(file.Fd(), 0);
    ASSERT_EQ(::write(file.Fd(), "\x37\x00\x7C\x00", 4), 4);
    ASSERT_EQ(::lseek(file.Fd(), 0, SEEK_SET), 0);
    FileInputStream in(file.Fd());
    QuestionBase base;
    try {
        ReadBase(in, base);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), u"Stream read error");
    }
}

TEST(FileStreams, ReadCollectsPiecesUntilTheRequestIsFull)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::thread writer([fd = fds[1]] {
        EXPECT_EQ(::write(fd, "abc", 3), 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(::write(fd, "defghij", 7), 7);
        ::close(fd);
    });
    FileInputStream in(fds[0]);
    std::uint8_t buffer[12] = {};
    EXPECT_EQ(in.Read(buffer, 10), 10u);
    EXPECT_EQ(std::memcmp(buffer, "abcdefghij", 10), 0);
    writer.join();
    EXPECT_EQ(in.Read(buffer, 10), 0u);
    ::close(fds[0]);
}

TEST(FileStreams, ReadErrorDeliversNothing)
{
    TempFile file;
    ASSERT_GE(file.Fd(), 0);
    const int writeOnly = ::open(file.Path().c_str(), O_WRONLY);
    ASSERT_GE(writeOnly, 0);
    ASSERT_EQ(::write(writeOnly, "0||||", 5), 5);
    FileInputStream in(writeOnly);
    std::uint8_t buffer[4];
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 0u);
    QuestionBase base;
    EXPECT_THROW(ReadBase(in, base), Error) << "a header that delivers nothing is five blanks";
    ::close(writeOnly);
}

TEST(FileStreams, WriteErrorCarriesTheSystemText)
{
    TempFile file;
    ASSERT_GE(file.Fd(), 0);
    const int readOnly = ::open(file.Path().c_str(), O_RDONLY);
    ASSERT_GE(readOnly, 0);
    FileOutputStream out(readOnly);
    const std::uint8_t byte = 0;
    try {
        out.Write(&byte, 1);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), FromUtf8(std::strerror(EBADF)));
    }
    ::close(readOnly);

    const int full = ::open("/dev/full", O_WRONLY);
    if (full < 0)
        GTEST_SKIP() << "no /dev/full";
    FileOutputStream fullOut(full);
    try {
        WriteBase(QuestionBase(), fullOut);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), FromUtf8(std::strerror(ENOSPC)));
    }
    ::close(full);
}

// The block stream gives every request what the file stream gives it: whole,
// cut at the end of the file, or nothing once a read has failed.
TEST(FileStreams, BlockStreamDeliversWhatTheFileStreamDelivers)
{
    TempFile file;
    ASSERT_GE(file.Fd(), 0);
    std::vector<std::uint8_t> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(::write(file.Fd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    const std::size_t requests[] = {10, 914, 1, 2000, 914, 914, 914};
    const auto run = [&](InputStream& in, int goodReads) {
        EXPECT_EQ(::lseek(file.Fd(), 0, SEEK_SET), 0);
        Sys::SetFaultHook([goodReads](std::string_view call) mutable {
            return call == "read" && goodReads-- <= 0 ? EIO : 0;
        });
        std::vector<std::vector<std::uint8_t>> results;
        for (const std::size_t n : requests) {
            std::vector<std::uint8_t> got(n);
            got.resize(in.Read(got.data(), n));
            results.push_back(got);
        }
        Sys::SetFaultHook({});
        return results;
    };
    FileInputStream plain(file.Fd());
    const auto expected = run(plain, 100);
    EXPECT_EQ(expected.back().size(), 5000u - 10 - 914 - 1 - 2000 - 914 - 914)
        << "cut at the end of the file";

    FileInputStream wholeFile(file.Fd());
    BlockInputStream whole(wholeFile, 1000);
    EXPECT_EQ(run(whole, 100), expected);
    FileInputStream failingFile(file.Fd());
    BlockInputStream failing(failingFile, 1000);
    EXPECT_EQ(run(failing, 0), decltype(expected)(std::size(requests)));
    // The first read brings 1000 bytes: the three requests inside them are
    // whole, the one that reaches past them meets the error.
    FileInputStream failingLaterFile(file.Fd());
    BlockInputStream failingLater(failingLaterFile, 1000);
    auto later = expected;
    for (std::size_t i = 3; i < later.size(); ++i)
        later[i].clear();
    EXPECT_EQ(run(failingLater, 1), later);
}


} // namespace
