#include "Commands.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    err.open(stderr, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    const int status = RunCli(QCoreApplication::arguments(), out, err);
    if (!out.flush() && status == ExitSound)
        return ExitFailure;
    return status;
}
