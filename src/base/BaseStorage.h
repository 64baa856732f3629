#pragma once

#include "base/InputFile.h"
#include "base/QuestionBase.h"

#include <functional>
#include <string>

// Loading and saving base files on disk, in the core alone. Both programs
// load through LoadBaseFile by way of the storage of every format
// (tables/FileStorage.h), whose save of a base file makes the same calls as
// SaveBaseFile. Paths are in the file system's encoding (UTF-8).

namespace vt {

/** Reads the base file at `path` into a new base, so that the caller's base
 *  is untouched by a failure, and puts the file's identity into `id` when
 *  one is given. The file is held under the exclusive lock while it is read
 *  in large blocks. Throws Error: "Cannot open file "<path>". <reason>"
 *  (see InputFile), the conversion error of the header, "Stream read error"
 *  for a file shorter than its header promises. */
QuestionBase LoadBaseFile(const std::string& path, FileId* id = nullptr);

/** Checks the base's limits (CheckBaseLimits, before any file is touched),
 *  then writes it to `path` through WriteOutputFile; `notify` gets each
 *  record's length as it is written. */
void SaveBaseFile(const QuestionBase& base, const std::string& path,
                  const std::function<void(int)>& notify = {});

} // namespace vt
