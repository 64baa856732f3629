#pragma once

#include "cli/Commands.h"

#include <QByteArray>
#include <QStringList>

#include <string>
#include <vector>

using namespace vt;

/** What one run of the program printed, and its exit status. */
struct CliRun
{
    int status = 0;
    QByteArray out;
    QByteArray err;
};

/** A standard stream kept in memory. */
class MemoryCliStream : public CliStream
{
public:
    bool Write(std::string_view bytes, std::u16string&) override
    {
        m_bytes.append(bytes.data(), qsizetype(bytes.size()));
        return true;
    }
    const QByteArray& Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

/** Runs vertalina-base in this process with the arguments after its name,
 *  given to it as UTF-8. */
inline CliRun RunProgram(const QStringList& arguments)
{
    std::vector<std::string> words{"vertalina-base"};
    for (const QString& argument : arguments)
        words.push_back(argument.toStdString());
    MemoryCliStream out;
    MemoryCliStream err;
    CliRun run;
    run.status = RunCli(words, out, err);
    run.out = out.Bytes();
    run.err = err.Bytes();
    return run;
}
