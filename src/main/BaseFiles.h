#pragma once

#include "QuestionBase.h"

#include <functional>
#include <string>

// Opening, reading and writing base files on disk. Each function holds the
// file, under an exclusive lock, only while it runs, and closes it on every
// path. Paths are full paths in UTF-8 (the file system's encoding).

/** Reads the base file at `path` into a new base. The caller's base is not
 *  touched, so a failure loses nothing. Throws Error:
 *  "Cannot open file "<path>". <system text>" when the file cannot be opened
 *  or another editor holds it; the reading errors of ReadBase. */
QuestionBase LoadBaseFile(const std::string& path);

/** Writes `base` to `path` so that the old file survives any failure: the
 *  bytes go to a new file in the same folder, are flushed to disk, and then
 *  replace the target in one rename, with the target's permissions.
 *  `notify` gets each record's length as it is written. Throws Error:
 *  the limit error of CheckBaseLimits before anything is created;
 *  "Cannot create file "<path>". <system text>" when the target or its
 *  folder refuses (missing folder, read-only target, held by another editor);
 *  "Cannot write file "<path>". <system text>" when writing, flushing or
 *  replacing fails, the target then left as it was. */
void SaveBaseFile(const QuestionBase& base, const std::string& path, const std::function<void(int)>& notify = {});

/** The system's text for an error number, without trailing blanks, line
 *  breaks and full stops. */
std::u16string SystemErrorText(int error);

/** The part of a path after its last folder separator. */
std::string FileNameOnly(const std::string& path);
