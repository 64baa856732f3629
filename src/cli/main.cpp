#include "Commands.h"

#include "QtText.h"
#include "Utf.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#ifndef _WIN32
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

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

} // namespace
#endif

int main(int argc, char** argv)
{
#ifndef _WIN32
    PlugClosedDescriptors();
#endif
    QCoreApplication app(argc, argv);
#ifdef _WIN32
    const QStringList arguments = QCoreApplication::arguments();
#else
    // File names are bytes: an argument that is not UTF-8 keeps every byte
    // (see FromPathBytes), so the file named is the file opened.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(ToQ(FromPathBytes(argv[i])));
#endif
    QFile out;
    QFile err;
#ifdef _WIN32
    out.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    err.open(stderr, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    const int status = RunCli(arguments, out, err);
    if (!out.flush() && status == ExitSound)
        return ExitFailure;
    return status;
#else
    // Unbuffered descriptors: a failing standard output is found at the
    // write that fails, and reported.
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    return RunCli(arguments, out, err);
#endif
}
