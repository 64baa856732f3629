#pragma once

#include "base/ByteStream.h"
#include "base/InputFile.h"
#include "base/QuestionBase.h"
#include "tables/FileFormats.h"

#include <string>
#include <vector>

// Loading and saving a file of any format, the one way for the editor and
// vertalina-base alike. Paths are in the file system's encoding (UTF-8);
// "-" is standard input or output.

namespace vt {

/** How a table is read into a base. */
struct LoadOptions
{
    /** Build from the questions that fit, and list the others as skipped. */
    bool skipUnfit = false;
    /** 1 to 5: the round of every question, whatever the file says (Aiken
     *  has no categories); 0 leaves each its own. */
    int round = 0;
};

/** What loading a file gave. */
struct LoadedFile
{
    QuestionBase base;              // empty whenever findings is not
    Findings findings;              // why a table makes no base: the first KeptFindings
    std::size_t findingCount = 0;   // all of them
    FileId id;                      // the file read (all zero for standard input)
    std::vector<std::uint8_t> head; // a table's first FileKindHeadBytes, to tell what it is
    const FileFormat* format = nullptr;
    Findings skipped; // with skipUnfit: why questions were left out, the first KeptFindings
    std::size_t skippedCount = 0;
    Findings notes; // what was dropped from questions kept, the first KeptFindings
    std::size_t noteCount = 0;
};

/** Reads the file at `path` into a new base, so that the caller's base is
 *  untouched by a failure; the file is held under the exclusive lock while
 *  it is read in large blocks. A base file is read only as far as its
 *  header counts; a table row by row into the checks and the base
 *  (FileFormat::read, BaseBuilder), at most InputFile::TableLimit bytes of
 *  it, and only until more questions than a base holds have come. With no
 *  `format` the file is a table of the format that TableFormatOfFile
 *  chooses from its name and its first block.
 *  Throws Error: "Cannot open file "<path>". <reason>" (see InputFile),
 *  "Cannot read file ...", and for a base file the conversion error of the
 *  header and "Stream read error" for a file shorter than its header
 *  promises. A table's faults are findings, not errors. */
LoadedFile LoadFile(const std::string& path, const FileFormat* format, const LoadOptions& options = {});

/** Writes the base in `format` to `out`: first the format's limits
 *  (checkLimits, which throws) and the texts it cannot carry (unwritable,
 *  returned: nothing is written then), then every byte. */
Findings SaveTo(const QuestionBase& base, OutputStream& out, const FileFormat& format,
                const WriteOptions& options = {});

/** SaveTo the file at `path` through WriteOutputFile, which refuses a target
 *  that is one of `inputs`. Nothing is created when the base does not fit
 *  or holds texts that the format cannot carry. Throws the errors of
 *  checkLimits and of WriteOutputFile. */
Findings SaveFile(const QuestionBase& base, const std::string& path, const FileFormat& format,
                  const WriteOptions& options = {}, const std::vector<FileId>& inputs = {});

} // namespace vt
