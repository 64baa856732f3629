#pragma once

#include "base/ByteStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a file seems to be, judged from its first bytes, so that a command
// given the wrong kind of file can say what it was given instead of failing
// on a header that does not read as a count.

namespace vt {

enum class FileKind
{
    QuestionBase, // its header reads as a question count (the records may still be short)
    Empty,
    CsvTable,    // text whose first line holds "," or ";"
    TsvTable,    // text whose first line holds a tab
    Json,        // text that begins with "[" or "{"
    Spreadsheet, // a zip archive (.xlsx, .ods) or an old binary workbook (.xls)
    Utf16Text,   // text with a UTF-16 byte-order mark
    Text,        // any other text without control characters
    Unknown,     // none of these: for a .dat, a damaged header
};

/** The bytes of a file's beginning that GuessFileKind looks at. */
inline constexpr std::size_t FileKindHeadBytes = 4096;

/** The kind of a file whose first bytes are `head` (the first
 *  FileKindHeadBytes of it, or the whole file when it is shorter). */
FileKind GuessFileKind(const std::vector<std::uint8_t>& head);

/** Why a file that was to be read as a question base is not one, as the
 *  command line words it after "<file>: ", naming the command that fits:
 *  "not a question base: it looks like a CSV table; build a base from it with
 *  'vertalina-base build questions.csv -o questions.dat'". `name` is the file
 *  as messages show it (UTF-8). Empty when `head` begins with a header that
 *  reads as a count. */
std::string NotABaseMessage(std::string_view name, const std::vector<std::uint8_t>& head);

/** Why a file that was to be read as a table is not one, worded as
 *  NotABaseMessage: a question base or a UTF-16 text. Empty for
 *  every other kind, which the table readers report themselves. */
std::string NotATableMessage(std::string_view name, const std::vector<std::uint8_t>& head);

/** Reads the first FileKindHeadBytes of another stream at once and keeps
 *  them for GuessFileKind, then delivers every byte as the stream below
 *  would, those first ones included. */
class HeadInputStream : public InputStream
{
public:
    explicit HeadInputStream(InputStream& source);
    std::size_t Read(std::uint8_t* data, std::size_t n) override;
    const std::uint8_t* Borrow(std::size_t n) override;
    bool Failed() const override { return m_source.Failed(); }

    /** The first bytes of the stream, as read when this was made. */
    const std::vector<std::uint8_t>& Head() const noexcept { return m_head; }

private:
    InputStream& m_source;
    std::vector<std::uint8_t> m_head;
    std::size_t m_pos = 0;
};

} // namespace vt
