#pragma once

#include "base/ByteStream.h"
#include "base/QuestionBase.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The ".dat" base file: a 5-code-unit header holding the question count,
// then one scrambled 457-code-unit record per question, UTF-16LE throughout.

namespace vt {

/** Bytes of the header and of one record in a base file. */
inline constexpr std::size_t BaseHeaderBytes = 10;
inline constexpr std::size_t BaseRecordBytes = 914;
/** The most questions that the 5-code-unit header can count. */
inline constexpr int MaxBaseQuestions = 99999;
/** The longest question text and answer that a record holds, in code units. */
inline constexpr std::size_t QuestionWidth = 255;
inline constexpr std::size_t AnswerWidth = 40;
/** The most bytes that reading a base file ever reads. */
inline constexpr std::uint64_t MaxBaseFileBytes =
    BaseHeaderBytes + std::uint64_t(MaxBaseQuestions) * BaseRecordBytes;

using RecordBytes = std::array<std::uint8_t, BaseRecordBytes>;
/** One record's code units, decoded, and its eight fields' texts in them. */
using RecordUnits = std::array<char16_t, BaseRecordBytes / 2>;
using RecordTexts = std::array<std::u16string_view, EntriesPerQuestion>;

/** The 5-code-unit header for `count`, 0 to MaxBaseQuestions; throws Error
 *  for a count outside that range. */
std::u16string EncodeHeader(int count);
/** The count that a header holds: its text before the first bar, read as an
 *  integer. Throws the conversion error
 *  "''<count text>'' is not a valid integer value". */
std::int32_t DecodeHeader(std::u16string_view header);

/** The record of one question as a file holds it. Every text must fit the
 *  format (CheckBaseLimits): texts are cut to their field's width, and a
 *  round or index text becomes its one code unit (a bar when empty, the digit
 *  when it reads as a number from 0 to 9). */
RecordBytes EncodeRecord(const QuestionRecord& record);
/** The question held in one record's bytes: each field's text before its
 *  first bar, the round as its one code unit. */
QuestionRecord DecodeRecord(const std::uint8_t* bytes);
/** The same decoding into `units`, with `texts` pointing into them. */
void DecodeRecordTexts(const std::uint8_t* bytes, RecordUnits& units, RecordTexts& texts);

/** Checks that every question of the base fits the file format, so that
 *  WriteBase will write it; call it before creating a file. Throws Error
 *  naming the question (numbered from 0, as in the question list) and the
 *  field that does not fit: a question text over 255 or an answer over 40
 *  code units, a round or correct-index text of more than one code unit that
 *  is not a number from 0 to 9, or more than MaxBaseQuestions questions.
 *  An empty round or index text fits (it is written as a bar), and so does a
 *  longer one that reads as a number from 0 to 9 ("03", "+3", " 3"), which
 *  is written as that one digit. */
void CheckBaseLimits(const QuestionBase& base);

/** Writes the whole base; after each record calls notify with its length in
 *  code units (always 457). Runs CheckBaseLimits first and writes nothing
 *  when it throws; errors of `out` pass through. */
void WriteBase(const QuestionBase& base, OutputStream& out, const std::function<void(int)>& notify = {});
/** WriteBase for a base that CheckBaseLimits has just passed: the check is
 *  not run again, and records go to `out` a thousand to a write (each still
 *  notified, once the write holding it has gone through). */
void WriteCheckedBase(const QuestionBase& base, OutputStream& out,
                      const std::function<void(int)>& notify = {});

/** Reads a base file record by record, as loading does: one read request for
 *  the header, then one per record (a stream that holds the record's bytes in
 *  memory lends them instead, InputStream::Borrow). What a short header
 *  leaves out reads as blanks. */
class BaseReader
{
public:
    /** Reads the header; throws the conversion error of DecodeHeader. */
    explicit BaseReader(InputStream& in);

    /** The count the header states (may be negative; then no record is read). */
    std::int32_t HeaderCount() const noexcept { return m_count; }
    /** Records read so far. */
    std::int32_t RecordsRead() const noexcept { return m_read; }
    /** Reads the next counted record into `record`. False when all counted
     *  records are read, or when the next one is cut short: then ShortBytes()
     *  tells how many of its bytes arrived. */
    bool Next(QuestionRecord& record);
    /** As Next, giving the record's texts where the reader decoded them;
     *  they stay valid until the next call. */
    bool NextTexts(RecordTexts& texts);
    /** Bytes of the record that was cut short; 0 when none was. */
    std::size_t ShortBytes() const noexcept { return m_short; }
    /** Whether the last Next stopped at a record cut short. */
    bool CutShort() const noexcept { return m_cutShort; }

private:
    InputStream& m_in;
    std::int32_t m_count = 0;
    std::int32_t m_read = 0;
    std::size_t m_short = 0;
    bool m_cutShort = false;
    RecordBytes m_bytes{};
    RecordUnits m_units{};
};

/** Reads one base file from `in` and appends its questions to `base`. Throws
 *  the conversion error of DecodeHeader, having appended nothing, or
 *  Error("Stream read error") when a record is cut short; the complete
 *  records before it stay appended. Bytes after the counted records are
 *  never read. */
void ReadBase(InputStream& in, QuestionBase& base);

} // namespace vt
