#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

// GIFT, the text format of learning platforms' question banks, as read and
// written here. A file is UTF-8 (a byte-order mark at its start allowed);
// lines end in LF, CR LF or CR; a line whose first non-blank characters are
// "//" is a comment. Blank lines separate blocks, and each block is one of:
//
//   category  = "$CATEGORY:" path          sets the category of what follows
//   question  = [ "::" title "::" ] [ "[" format "]" ] text "{" answers "}"
//   answers   = { ( "=" | "~" ) [ "%" weight "%" ] text [ "#" feedback ] }
//               [ "####" general feedback ]
//
// "=" marks the correct answer, "~" a wrong one; a weight of 100 makes a "~"
// answer correct, 0 a "=" one wrong, any other is a partial fraction. In
// every text, "\~ \= \# \{ \} \: \\" stand for the character after the
// backslash and "\n" for a line break; surrounding blanks do not count, and
// the lines of a text are joined by line breaks. A text of the html format
// is read as TextOfHtml reads it.
//
// A question is multiple choice when its answers hold a "~"; an empty answer
// block is an essay, T, F, TRUE or FALSE a true/false question, "#" first a
// numerical one, "=" answers alone a short answer or, with "->", a matching
// question, and text after "}" a missing-word question: each is a finding
// at the block's first line, as are a partial fraction, no or several
// correct answers and other answer counts than 2 to 5. Feedback is dropped
// with a note. A category names the round of the questions after it
// (RoundOfCategory); without one the answer count does.
//
// Export writes "$CATEGORY: Round N" before the first question and whenever
// the round changes, then each question as its text and " {", one "=right"
// or "~wrong" line per answer its round uses, and "}", in CR LF with a blank
// line after each block; "~ = # { } : \" are escaped.

namespace vt {

/** Reads the questions of a GIFT file into `rows`, until the sink is full. */
void ReadGiftQuestions(InputStream& in, RowSink& rows);

/** What keeps the base from travelling through GIFT and back: the common
 *  faults of a bank (BankUnwritable), line breaks and surrounding blanks,
 *  lone surrogates, a question text that reads as a comment ("//") or a
 *  format ("[html]"), and an answer that begins with "%" or holds "->"
 *  (GIFT readers take it for a matching pair). */
Findings GiftUnwritable(const QuestionBase& base);

/** The whole base as GIFT. */
void WriteGiftQuestions(const QuestionBase& base, OutputStream& out);

/** `text` with GIFT's special characters escaped. */
std::string GiftEscaped(std::u16string_view text);

} // namespace vt
