#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

#include <cstdint>
#include <span>

// OpenDocument spreadsheets (.ods).

namespace vt {

/** Whether the content starts as an OpenDocument spreadsheet: a zip
 *  archive whose first member, "mimetype", names one. */
bool StartsAsOds(std::span<const std::uint8_t> content);

/** Reads the first table of the spreadsheet in `in` into `sink` as a table
 *  of questions, with the header row and columns of CSV (see
 *  ReadCsvQuestions): the cells' values (numbers as office:value gives them,
 *  "3"), their paragraphs joined by line feeds with spans, spaces
 *  (text:s), tabs and line breaks as they stand, repeated rows and cells
 *  repeated, comments left out. content.xml is streamed. Places are cells
 *  ("B7") and rows ("row 7"). A file that is no OpenDocument spreadsheet,
 *  a damaged or encrypted one, or one that unpacks to more than
 *  ZipReader::UnpackedLimit, is one finding and no row. */
void ReadOdsQuestions(InputStream& in, RowSink& sink);

/** The whole base as a spreadsheet of one table "Questions" (ExportedRow):
 *  the mimetype member first and stored, the manifest, content.xml and a
 *  minimal styles.xml. */
void WriteOdsQuestions(const QuestionBase& base, OutputStream& out);

/** SheetUnwritable for OpenDocument spreadsheets. */
Findings OdsUnwritable(const QuestionBase& base);

} // namespace vt
