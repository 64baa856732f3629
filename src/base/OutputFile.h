#pragma once

#include "base/ByteStream.h"
#include "base/FileNames.h"
#include "base/InputFile.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

/** A save that went through but that the system could not confirm will
 *  survive a crash: the folder's sync or the last close failed after the new
 *  file took the old one's place. Its message is "Saved file "<path>". The
 *  system could not confirm that the save will survive a crash: <reason>". */
class SaveNotConfirmed : public FileError
{
public:
    SaveNotConfirmed(std::string_view path, int error);
    /** The system's text for what failed. */
    const std::u16string& Cause() const noexcept { return m_cause; }

private:
    std::u16string m_cause;
};

/** Writes the file at `path`, the one way either program writes a file.
 *  `write` gets the stream to put the content through; it may throw, and
 *  then nothing of the content is kept. It may be called twice (a file
 *  written in place is measured first, through a stream whose Measures() is
 *  true) and must make the same bytes each time.
 *
 *  On POSIX systems:
 *  - A regular file is replaced atomically: the content goes to an unnamed
 *    temporary file in the target's folder (a short-named one where the file
 *    system has no unnamed files), is synced, takes the old file's mode,
 *    owner, group and extended attributes (ACLs included) where the process
 *    may set them, and is renamed over the target; the folder is synced after
 *    the rename. Until the rename the old file stays as it was, and no
 *    failure leaves a temporary file behind.
 *  - A temporary file is named after the target and the process
 *    (".vt<digest>-<process>-<n>.tmp") and locked while it lives; a save
 *    removes the unlocked ones of its target's naming, which killed saves
 *    left, and nothing else.
 *  - A symbolic link is followed: the file it points to is replaced, the link
 *    stays. A dangling link creates its target.
 *  - A file with more than one hard link, and an existing writable file in a
 *    folder where no temporary file can be made, are written in place: the
 *    new length is reserved first (a full disk refuses the save unchanged),
 *    and the old content is copied aside (".vt...old", in the folder or in
 *    the system's temporary folder) and written back if writing fails; if
 *    that fails too, the message says where the copy is.
 *  - A FIFO or a device, "-" and "/dev/stdout" (both standard output) are
 *    written directly and never replaced. A FIFO that no program reads is
 *    refused at once.
 *  - An existing target is opened without waiting and must still be what
 *    lstat saw (the same file, type, link count, owner and mode), and it is
 *    held under the same exclusive advisory lock that InputFile takes; a file
 *    held by another program is refused at once.
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
 *  write file "<path>". <reason>") when writing, syncing or replacing fails,
 *  and SaveNotConfirmed when only what follows the replacement failed.
 *  Errors that `write` throws itself pass through unchanged. */
void WriteOutputFile(const std::string& path, const std::function<void(OutputStream&)>& write,
                     const std::vector<FileId>& inputs = {});

} // namespace vt
