#pragma once

#include "Commands.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

/** What one run of the program printed, and its exit status. */
struct CliRun
{
    int status = 0;
    QByteArray out;
    QByteArray err;
};

/** Runs vertalina-base in this process with the arguments after its name. */
inline CliRun RunProgram(const QStringList& arguments)
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliRun run;
    run.status = RunCli(QStringList{QStringLiteral("vertalina-base")} + arguments, out, err);
    run.out = out.data();
    run.err = err.data();
    return run;
}
