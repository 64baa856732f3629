#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

/** The column names of the CSV header row, in the order export writes them. */
inline constexpr std::string_view CsvColumnNames[] = {"round",   "question", "answer0", "answer1",
                                                      "answer2", "answer3",  "answer4", "correct"};

/** One field for a CSV file with the given delimiter, in UTF-8: quoted
 *  (quotes doubled) when it holds the delimiter, a quote or a line break, or
 *  when its first or last byte is a blank, a control character from tab to
 *  carriage return, or the byte of a Latin-1 blank (0x85, 0xA0), which the
 *  last byte of a character such as "Ѕ" is; otherwise as it is. A lone
 *  surrogate comes out as "?" (see CsvUnwritable). */
std::string CsvField(std::u16string_view text, char delimiter);

/** The whole base as CSV: a UTF-8 byte-order mark when asked, the header
 *  row, then one row per question with the round and index as stored, the
 *  answers its round uses, and empty cells for the others (all five for a
 *  round outside 1 to 5). Lines end in CRLF. */
void WriteCsvQuestions(const QuestionBase& base, OutputStream& out, char delimiter = ',',
                       bool byteOrderMark = false);

/** The texts of the base that UTF-8, and so CSV, cannot carry: one finding
 *  per field that holds a lone surrogate, naming the question and field. */
Findings CsvUnwritable(const QuestionBase& base);

/** One record of a CSV file: its fields as text, code unit for code unit as
 *  UTF-8 gives them (a byte-order mark inside a field is kept), and the line
 *  it starts on. */
struct CsvRecord
{
    int line = 0; // counted from 1, as text editors count
    /** Where a record of a sheet is ("row 7") and, by column, where each of
     *  its fields is ("B7"); empty for CSV, whose line says it. */
    std::u16string place;
    std::vector<std::u16string> cells;
    std::vector<std::u16string> fields;
    bool badUtf8 = false; // some field was not valid UTF-8 (decoded with U+FFFD)
};

/** RFC 4180 CSV, parsed as it is fed in pieces of any size: fields may be
 *  quoted, with doubled quotes inside and line breaks kept; nothing is
 *  trimmed; lines break at CR, LF or CRLF; empty lines are skipped. */
class CsvParser
{
public:
    /** `record` gets each complete record in turn; when it returns false,
     *  parsing stops there. */
    CsvParser(char delimiter, std::function<bool(CsvRecord&&)> record);
    ~CsvParser();
    CsvParser(const CsvParser&) = delete;
    CsvParser& operator=(const CsvParser&) = delete;

    /** Parses the next bytes; false once parsing has stopped (a malformed
     *  line, see Failure, or a record refused). */
    bool Feed(std::string_view bytes);
    /** Ends the input: the last record may end without a line break. */
    bool Finish();
    /** Why parsing stopped, at FailureLine; empty while it has not failed. */
    const std::u16string& Failure() const noexcept { return m_failure; }
    int FailureLine() const noexcept { return m_failureLine; }

    struct State;

private:
    std::unique_ptr<State> m_state;
    std::u16string m_failure;
    int m_failureLine = 0;
    bool m_stopped = false;
};

/** How a message names field `field` (FieldRound...) of a question: "the
 *  round", "the question text", "answer 2", "the correct answer". */
std::u16string FieldName(int field);

class CsvQuestionReader;

/** Turns the records of a table into rows for `sink`, the first record
 *  being its header row, as ReadCsvQuestions does for CSV: the columns by
 *  name, the rules of the header and of each row, and the findings. */
class TableRecordReader
{
public:
    explicit TableRecordReader(RowSink& sink);
    ~TableRecordReader();
    TableRecordReader(const TableRecordReader&) = delete;
    TableRecordReader& operator=(const TableRecordReader&) = delete;

    /** One record; false when reading should stop (a header without the
     *  columns, or a full sink). */
    bool Record(CsvRecord&& record);
    bool HeaderSeen() const noexcept;
    /** The finding for a table without any record. */
    static Finding NoHeader(std::u16string place);

private:
    std::unique_ptr<CsvQuestionReader> m_reader;
};

/** Reads the questions of a CSV table from `in` into `sink`, a block at a
 *  time: UTF-8, with or without a byte-order mark at its very start (no
 *  other is skipped: texts keep every code unit); the delimiter (",", ";"
 *  or tab) is the one under which the first line names the most known
 *  columns. Columns are found by name in any order (letter case and
 *  surrounding blanks aside); answer2 to answer4 may be missing, unknown
 *  columns are ignored. Round and correct index lose surrounding blanks.
 *  Rows whose fields are all blank are skipped; any other row must have as
 *  many fields as the header row (blank ones after them aside). Places are
 *  "line N". Stops once the sink is full. */
void ReadCsvQuestions(InputStream& in, RowSink& sink);

} // namespace vt
