#pragma once

#include "ByteStream.h"
#include "InputFile.h"

#include <functional>
#include <string>
#include <vector>

/** Writes the file at `path`, the one way either program writes a file.
 *  `write` gets the stream to put the content through; it may throw, and
 *  then nothing of the content is kept.
 *
 *  On POSIX systems:
 *  - A regular file is replaced atomically: the content goes to an unnamed
 *    temporary file in the target's folder (a short-named one where the file
 *    system has no unnamed files), is synced, takes the old file's mode,
 *    owner and group where the process may set them, and is renamed over the
 *    target; the folder is synced after the rename. Until the rename the old
 *    file stays as it was, and no failure leaves a temporary file behind.
 *  - A symbolic link is followed: the file it points to is replaced, the link
 *    stays. A dangling link creates its target.
 *  - A file with more than one hard link, and an existing writable file in a
 *    folder where no temporary file can be made, are written in place.
 *  - A FIFO or a device, "-" and "/dev/stdout" (both standard output) are
 *    written directly and never replaced.
 *  - An existing target is held under the same exclusive advisory lock that
 *    InputFile takes; a file held by another program is refused at once.
 *
 *  On Windows:
 *  - A file on disk is replaced atomically: the content goes to a short-named
 *    temporary file in the target's folder, is flushed to the disk, takes the
 *    old file's attributes and is moved over the target (MoveFileExW, written
 *    through). Until the move the old file stays as it was, and no failure
 *    leaves the temporary file behind.
 *  - An existing target is opened without sharing first: a file that another
 *    program holds open is refused at once, and so is a read-only one.
 *  - A device (e.g. "NUL") and "-" (standard output) are written directly.
 *
 *  Everywhere, a target that is one of `inputs` (the same FileId) is refused
 *  before anything is written.
 *
 *  Throws Error("Cannot create file "<path>". <reason>") when the target is
 *  refused before any byte is written (a folder, a read-only file, a missing
 *  folder, a file held by another program, an input), and Error("Cannot
 *  write file "<path>". <reason>") when writing, syncing or replacing fails.
 *  Errors that `write` throws itself pass through unchanged. */
void WriteOutputFile(const std::string& path, const std::function<void(OutputStream&)>& write,
                     const std::vector<FileId>& inputs = {});
