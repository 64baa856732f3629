#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

#include <cstdint>
#include <span>

// Moodle XML, the question-bank format of the Moodle platform, as read and
// written here: a <quiz> of <question type="..."> elements.
//
// Reading (streamed through XmlReader): a question of type "category" sets
// the category of the questions after it, <category><text>path</text>; a
// question of type "multichoice" becomes a row from its <questiontext> and
// its <answer fraction="..."> elements, in order: fraction 100 is the
// correct answer, 0 a wrong one, any other a partial fraction (a finding).
// A <tags><tag><text> that names a round ("Round 3") sets the question's
// round before its category does; otherwise the answer count sets it. The
// texts of the "html" format are read as TextOfHtml reads them, those of any
// other format with surrounding blanks removed; entities and CDATA are the
// XML reader's. Any other question type, no or several correct answers and
// other answer counts than 2 to 5 are findings at the question's line;
// feedback, hints, images and files are dropped with a note.
//
// Writing: the structure of Moodle's own export, with a category question
// "$course$/Round N" before the first question and whenever the round
// changes; the question's name is the start of its text (60 code units);
// the elements that Moodle fills with defaults (feedback, penalty) are left
// out; a question or answer text is in the plain_text format when that
// carries it exactly, and otherwise in the html format as one paragraph in a
// CDATA section (HtmlOfText), so that every code unit travels.

namespace vt {

/** Reads the questions of a Moodle XML file into `rows`, until the sink is full. */
void ReadMoodleXmlQuestions(InputStream& in, RowSink& rows);

/** Whether `content` (a file's first bytes) begins as XML or as a <quiz>. */
bool LooksLikeXml(std::span<const std::uint8_t> content);

/** What keeps the base from travelling through Moodle XML and back: the
 *  common faults of a bank (BankUnwritable). */
Findings MoodleXmlUnwritable(const QuestionBase& base);

/** The whole base as Moodle XML. */
void WriteMoodleXmlQuestions(const QuestionBase& base, OutputStream& out);

} // namespace vt
