#pragma once

#include "base/ByteStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

/** Which file an open file is: its device and inode (on Windows, the
 *  volume's serial number and the file's index on it). */
struct FileId
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

/** A file opened for reading, held exclusively until this goes away (so that
 *  another editor or vertalina-base can neither read it nor save over it
 *  meanwhile), and closed on every path. On POSIX systems that is an
 *  exclusive advisory lock; on Windows the file is opened without sharing. */
class InputFile
{
public:
    /** The largest table (CSV or JSON) that ReadAll accepts. */
    static constexpr std::size_t TableLimit = std::size_t(256) << 20;

    /** Opens the file without waiting: only a regular file is accepted, so a
     *  FIFO or a device can never hang the caller. "-" is standard input,
     *  which is neither checked nor locked. Throws
     *  Error("Cannot open file "<path>". <reason>") when the file is missing,
     *  unreadable, a folder, not a regular file, or held by another program. */
    explicit InputFile(std::string path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& Path() const noexcept { return m_path; }
    /** The file's identity; all zero for standard input. */
    const FileId& Id() const noexcept { return m_id; }
    /** The stream over the file, from its current position on. */
    InputStream& Stream() noexcept { return m_stream; }
    /** The same stream read in large blocks (BlockInputStream), for reading
     *  the file to its end; not to be mixed with Stream or ReadAll. */
    InputStream& BlockStream() noexcept { return m_blocks; }

    /** Every byte from the current position on, at most `limit` of them.
     *  Throws Error("Cannot read file "<path>". <reason>") on a read error or
     *  when the file holds more than `limit` bytes. */
    std::vector<std::uint8_t> ReadAll(std::size_t limit = TableLimit);

private:
    std::string m_path;
    NativeFile m_file = NoNativeFile;
    bool m_owned = false;
    FileId m_id;
    FileInputStream m_stream{NoNativeFile};
    BlockInputStream m_blocks{m_stream};
};

} // namespace vt
