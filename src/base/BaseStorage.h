#pragma once

#include "QuestionBase.h"

#include <functional>
#include <string>

// Loading and saving base files on disk, for the editor and vertalina-base
// alike. Paths are in the file system's encoding (UTF-8).

/** Reads the base file at `path` into a new base, so that the caller's base
 *  is untouched by a failure. The file is held under the exclusive lock
 *  while it is read. Throws Error: "Cannot open file "<path>". <reason>"
 *  (see InputFile), the conversion error of the header, "Stream read error"
 *  for a file shorter than its header promises. */
QuestionBase LoadBaseFile(const std::string& path);

/** Checks the base's limits (CheckBaseLimits, before any file is touched),
 *  then writes it to `path` through WriteOutputFile; `notify` gets each
 *  record's length as it is written. */
void SaveBaseFile(const QuestionBase& base, const std::string& path,
                  const std::function<void(int)>& notify = {});
