#pragma once

#include "base/Finding.h"
#include "base/LargeMemory.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"
#include "tables/CsvFormat.h"
#include "tables/XmlReader.h"
#include "tables/ZipArchive.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the spreadsheet formats (.xlsx, .ods) share: the sheet's rows read
// into the table reader of CSV, the cells' names, the sheet that export
// writes, and the texts that XML cannot carry.

namespace vt {

/** "B7": the name of the cell in column `column` (counted from 0) and row
 *  `row` (counted from 1). */
std::u16string CellName(int column, std::int64_t row);

/** The column (from 0) that the letters at the start of a cell reference
 *  ("B7") name, or -1 when it starts with none or names one past the last
 *  column a spreadsheet has. */
int ColumnOfReference(std::string_view reference);

/** The most columns a sheet has (as in Excel and LibreOffice). */
inline constexpr int SheetColumns = 16384;

/** The columns of a sheet that are read: a table of questions needs far
 *  fewer, and a cell far to the right would make every row thousands of
 *  fields. */
inline constexpr int ReadColumns = 1024;

/** Collects a sheet's cells row by row and hands each row that holds text
 *  to the table reader, the first one as the header row; findings name the
 *  cells ("B7") and rows ("row 7"). */
class SheetRows
{
public:
    explicit SheetRows(RowSink& sink) : m_reader(sink) {}

    /** The text of one cell of the row being read; empty cells need no
     *  call, and cells from column ReadColumns on are left out. */
    void Cell(int column, std::u16string text);
    /** Ends the row numbered `row`, which the sheet repeats `repeat` times
     *  (ODS repeats rows); false once reading should stop. */
    bool EndRow(std::int64_t row, std::int64_t repeat = 1);
    /** After the last row: a sheet without any row says so. */
    void Finish(RowSink& sink);

private:
    TableRecordReader m_reader;
    std::vector<std::u16string> m_fields;
    std::vector<std::u16string> m_letters; // the columns' names, "A", "B", ...
    std::size_t m_width = 0; // the header row's
    bool m_stopped = false;
};

/** The number of a decimal number's text as a spreadsheet stores it ("3"
 *  for "3", "3.0" and "3.000"); other texts stay as they are. */
std::u16string NumberText(std::string_view number);

/** A cell of the sheet that export writes. */
struct SheetCell
{
    std::string utf8;    // empty: no cell
    bool number = false; // a whole number, written as a number
};

/** The columns of the exported sheet: their names (the header row) and
 *  widths in characters. */
struct SheetColumn
{
    std::string_view name;
    double width;
};
std::span<const SheetColumn> SheetColumnsOfExport();

/** The name of the exported sheet. */
inline constexpr std::string_view ExportSheetName = "Questions";

/** The cells of question `k` as export writes them, one per column: the
 *  round and correct index as numbers where they are one, every other
 *  text as text, the answers the round does not use left empty. */
std::vector<SheetCell> ExportedRow(const QuestionBase& base, int k);

/** The texts that XML 1.0, and so the format called `title`, cannot
 *  carry: a lone surrogate, or a control character other than tab, line
 *  feed and carriage return (also U+FFFE and U+FFFF); one finding each,
 *  naming the question and field and suggesting JSON. */
Findings SheetUnwritable(const QuestionBase& base, std::u16string_view title);

/** A spreadsheet's whole bytes, read from `in` (whose size is bounded by
 *  the table limit of the file it reads). */
std::vector<std::uint8_t, LargeAllocator<std::uint8_t>> ReadWhole(InputStream& in);

/** The finding that refuses a whole file, with nothing read from it. */
Finding FileRefusal(std::u16string message);

/** Reads a zipped spreadsheet from `in` whole and hands its bytes to
 *  `read`, which names in `part` the part it is reading. Malformed XML and
 *  a refused zip become one refusal of the file; `kind` is how it names the
 *  file: "workbook", "spreadsheet". */
void ReadZippedSheet(InputStream& in, RowSink& sink, std::u16string_view kind,
                     void (*read)(std::span<const std::uint8_t> bytes, RowSink& sink, std::string& part));

/** Whether the bytes are an OLE compound document, which an encrypted
 *  .xlsx (and an old .xls) is. */
bool IsCompoundDocument(std::span<const std::uint8_t> content);

/** The value of the attribute `local` in namespace `uri`; empty when the
 *  tag has none. */
std::string_view AttributeOf(std::span<const XmlAttribute> attributes, std::string_view local,
                             std::string_view uri = {});

/** Parses one whole small part with `handler`. */
void ParseXmlPart(std::string_view text, XmlHandler& handler);

/** Streams the member `part` of the archive through `reader` until it ends
 *  or a handler stops it. */
void StreamXmlPart(ZipReader& zip, std::string_view part, XmlReader& reader);

} // namespace vt
