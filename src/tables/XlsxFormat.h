#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

#include <cstdint>
#include <span>

// Excel workbooks (.xlsx, Office Open XML spreadsheets).

namespace vt {

/** Whether the content starts as a zip archive or as an OLE compound
 *  document (an encrypted workbook): what a workbook's file starts with,
 *  unless it is an OpenDocument spreadsheet, which says so in its first
 *  member. */
bool StartsAsXlsx(std::span<const std::uint8_t> content);

/** Reads the first worksheet of the workbook in `in` into `sink` as a table
 *  of questions, with the header row and columns of CSV (see
 *  ReadCsvQuestions): the workbook's relationships lead to the sheet and its
 *  shared strings; cells may be shared or inline strings (rich text runs
 *  joined, "_xHHHH_" escapes decoded), numbers as stored ("3"), booleans, or
 *  formulas' cached values. The sheet is streamed. Places are cells ("B7")
 *  and rows ("row 7"). A file that is no workbook, a damaged or encrypted
 *  one, or one that unpacks to more than ZipReader::UnpackedLimit, is one
 *  finding and no row. */
void ReadXlsxQuestions(InputStream& in, RowSink& sink);

/** The whole base as a workbook of one sheet "Questions" (ExportedRow),
 *  made through a temporary file and then handed to `out`. The same base
 *  always makes the same bytes. */
void WriteXlsxQuestions(const QuestionBase& base, OutputStream& out);

/** SheetUnwritable for workbooks. */
Findings XlsxUnwritable(const QuestionBase& base);

} // namespace vt
