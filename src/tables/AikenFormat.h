#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

#include <cstdint>
#include <span>

// Aiken, the plain-text question format of learning platforms, as read and
// written here. A file is UTF-8 (a byte-order mark at its start allowed),
// lines end in LF, CR LF or CR, and surrounding blanks of a line do not
// count. It is a list of questions, each:
//
//   question      = text-line { text-line } option { option } answer-line
//   text-line     = any line that is not blank and not an option once an
//                   option has come; several are joined by one blank
//   option        = LETTER ( "." | ")" ) [ blanks text ]
//                   LETTER is A, B, C... in order, one per option
//   answer-line   = "ANSWER:" blanks LETTER, a letter of the options
//
// Blank lines may stand between questions and end one that has no answer
// line yet (a fault). Aiken has no categories, so a question's round comes
// from its answer count (RoundOfAnswerCount), or from vertalina-base build
// --round. A question with another count of options, an answer letter that
// names no option, options out of order, or a line that fits nowhere is a
// finding at the question's first line.
//
// Export writes each question as its text line, one "A. text" line per
// answer its round uses, "ANSWER: X" and a blank line, in CR LF.

namespace vt {

/** Reads the questions of an Aiken file into `rows`, until the sink is full. */
void ReadAikenQuestions(InputStream& in, RowSink& rows);

/** Whether `content` (a file's first bytes) reads as Aiken: an "ANSWER:"
 *  line after an "A." or "A)" option. */
bool LooksLikeAiken(std::span<const std::uint8_t> content);

/** What keeps the base from travelling through Aiken and back: the common
 *  faults of a bank (BankUnwritable), line breaks and surrounding blanks,
 *  which lines cannot keep, lone surrogates, an empty question text, a
 *  question text that reads as an option or answer line, and round 5 in a
 *  base that also holds other rounds (it would read back as round 4). */
Findings AikenUnwritable(const QuestionBase& base);

/** The whole base as Aiken. */
void WriteAikenQuestions(const QuestionBase& base, OutputStream& out);

} // namespace vt
