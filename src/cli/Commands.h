#pragma once

#include <QStringList>

class QIODevice;

/** Exit statuses of the program. */
enum ExitStatus : int
{
    ExitSound = 0,    // the command did its work; for check: nothing found
    ExitFindings = 1, // check found faults, build refused its input, or export a text CSV cannot carry
    ExitFailure = 2,  // a file could not be read or written, or the command line is wrong
};

/** Runs the program "vertalina-base" with its arguments (the first one is the
 *  program's own name): the commands check, export and build, --help and
 *  --version. Reports go to `out`, error messages to `err`; exported data goes
 *  to `out` when no output file is named. Needs a QCoreApplication.
 *  Returns the exit status; throws nothing. */
int RunCli(const QStringList& arguments, QIODevice& out, QIODevice& err);
