#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

#include <functional>
#include <string>
#include <string_view>

// What the formats of learning platforms' question banks (Moodle XML, GIFT,
// Aiken) have in common: they hold multiple-choice questions with any number
// of answers and no round, so a question's round is its category's when a
// category names one ("Round 5", "$course$/Round 5") and otherwise follows
// from its answer count: 2 answers round 1, 3 round 2, 4 round 3, 5 round 4.

namespace vt {

/** "Round 3": the category that export writes for a round. */
std::u16string RoundCategory(int round);

/** The round 1 to 5 that a category path names in its last element ("Round
 *  3", "$course$/top/Round 3", letter case and blanks aside); 0 when it
 *  names none. */
int RoundOfCategory(std::u16string_view path);

/** The round that `answers` answers make without a category: 1 to 4, or 0
 *  for a count no round has. */
int RoundOfAnswerCount(int answers);

/** Blanks (U+0020, tab) and line breaks removed from both ends. */
std::u16string_view TrimmedText(std::u16string_view text);

/** One question of a bank as its reader has found it, before it becomes a
 *  row: its texts, answers in order and the index of the correct one. */
struct BankQuestion
{
    int line = 0;
    std::u16string question;
    std::vector<std::u16string> answers;
    int correct = -1;
    int categoryRound = 0; // 0: none named
};

/** Hands a question to `rows` as a row of the round its category names, or
 *  that its answer count makes; more than AnswerCount or fewer than 2
 *  answers are an unfit question instead. */
void AddBankQuestion(RowSink& rows, BankQuestion&& question);

/** The faults that keep the questions of `base` from travelling in a bank
 *  format and back, one finding each: a round that is not 1 to 5 (a bank
 *  carries only those), a correct index beyond the round's answers, and, for
 *  each text the format writes (the question, the answers the round uses),
 *  what `textFault` finds ("" for none): the field's name is put before it. */
Findings BankUnwritable(const QuestionBase& base, std::u16string_view title,
                        const std::function<std::u16string(std::u16string_view)>& textFault);

/** The round of question k written in a bank: its stored digit, 1 to 5. */
int BankRound(const QuestionBase& base, int k);

/** Where a reader of lines gets them: the input is read in blocks and cut at
 *  LF, CR LF or a lone CR; a UTF-8 byte-order mark at the start is skipped.
 *  `line` gets each line's text (decoded from UTF-8), its number from 1, and
 *  whether it was valid UTF-8, and returns false to stop. */
void ReadLines(InputStream& in, const std::function<bool(std::u16string_view, int, bool)>& line);

/** Whether the text holds a lone surrogate, which UTF-8 cannot carry. */
bool HoldsLoneSurrogate(std::u16string_view text);

/** A text of HTML markup as the plain text it shows: tags dropped, a <br>
 *  and the start and end of a paragraph (p, div, li, headings) one
 *  line break between texts (none at either end), each run of blanks and line breaks of the
 *  markup one blank and none at either end, then character references and
 *  the named entities of HTML's usual set decoded (U+00A0 for &nbsp;); a
 *  numeric reference gives any code unit, a lone surrogate too. `images`
 *  is set when an <img> was dropped. */
std::u16string TextOfHtml(std::u16string_view html, bool* images = nullptr);

/** The HTML that TextOfHtml reads back as `text` exactly: one paragraph,
 *  "&", "<" and ">" as entities, and as numeric references every blank that
 *  markup would fold (at either end, or after another blank), tab, line
 *  breaks, other control characters, lone surrogates, U+FFFE and U+FFFF.
 *  UTF-8, with no "]]>", so that it fits a CDATA section. */
std::string HtmlOfText(std::u16string_view text);

} // namespace vt
