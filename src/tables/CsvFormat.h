#pragma once

#include "ByteStream.h"
#include "Finding.h"
#include "QuestionBase.h"

#include <string>
#include <string_view>

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
