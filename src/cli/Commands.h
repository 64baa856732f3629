#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt {

/** Exit statuses of the program. */
enum ExitStatus : int
{
    ExitSound = 0,    // the command did its work; for check: nothing found
    ExitFindings = 1, // check found faults, build refused its input, or export a text CSV cannot carry
    ExitFailure = 2,  // a file could not be read or written, or the command line is wrong
};

/** Standard output or standard error, as the program writes to it. */
class CliStream
{
public:
    virtual ~CliStream() = default;
    /** Writes all of `bytes`; false, with the system's reason in `reason`,
     *  when they could not all be written. */
    virtual bool Write(std::string_view bytes, std::u16string& reason) = 0;
};

/** Runs the program "vertalina-base" with its arguments, as bytes (UTF-8;
 *  the first one is the program's own name): the commands check, export and
 *  build, --help and --version. Reports go to `out`, error messages to
 *  `err`; exported data goes to `out` when no output file is named. File
 *  names are passed to the file layer as they were given.
 *  Returns the exit status; throws nothing. */
int RunCli(const std::vector<std::string>& arguments, CliStream& out, CliStream& err);

} // namespace vt
