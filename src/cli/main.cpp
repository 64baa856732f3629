#include "cli/Commands.h"

#include "base/FileNames.h"
#include "text/Utf.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace vt;

namespace {

#ifdef _WIN32

/** The program's arguments from the UTF-16 command line, as UTF-8, so that
 *  Cyrillic file names arrive whole whatever the ANSI code page is. A lone
 *  surrogate becomes "?", which names no file. */
std::vector<std::string> Arguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(ToUtf8(reinterpret_cast<const char16_t*>(words[i]), u'?'));
        ::LocalFree(words);
    }
    if (arguments.empty())
        arguments.emplace_back("vertalina-base");
    return arguments;
}

/** A standard stream through the C runtime (binary, see WindowsConsole.cpp),
 *  flushed once at the end. */
class StandardStream : public CliStream
{
public:
    explicit StandardStream(FILE* file) : m_file(file) {}
    bool Write(std::string_view bytes, std::u16string& reason) override
    {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size())
            return true;
        // The C runtime's reason, as for any failed write through it.
        reason = FromUtf8(std::strerror(errno));
        return false;
    }
    bool Flush() { return std::fflush(m_file) == 0; }

private:
    FILE* m_file;
};

#else

/** A standard descriptor, unbuffered: a failing standard output is found at
 *  the write that fails, and reported. */
class StandardStream : public CliStream
{
public:
    explicit StandardStream(int fd) : m_fd(fd) {}
    bool Write(std::string_view bytes, std::u16string& reason) override
    {
        while (!bytes.empty()) {
            const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                reason = SystemErrorText(n < 0 ? errno : EIO);
                return false;
            }
            bytes.remove_prefix(std::size_t(n));
        }
        return true;
    }

private:
    int m_fd;
};

/** A standard descriptor that was closed (as by ">&-") gets /dev/null opened
 *  read-only in its place: writing to it still fails ("Bad file
 *  descriptor"), and no file opened later takes its number. */
void PlugClosedDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int plug = ::open("/dev/null", O_RDONLY);
            if (plug >= 0 && plug != fd) {
                ::dup2(plug, fd);
                ::close(plug);
            }
        }
    }
}

#endif

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    StandardStream out(stdout);
    StandardStream err(stderr);
    const int status = RunCli(Arguments(), out, err);
    if (!out.Flush() && status == ExitSound)
        return ExitFailure;
    return status;
#else
    PlugClosedDescriptors();
    // File names are bytes, passed on as they came.
    const std::vector<std::string> arguments(argv, argv + argc);
    StandardStream out(STDOUT_FILENO);
    StandardStream err(STDERR_FILENO);
    return RunCli(arguments, out, err);
#endif
}
