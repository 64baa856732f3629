#pragma once

#include "base/ByteStream.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

namespace vt {

/** The whole base as a JSON array of objects, indented by four blanks per
 *  level, with the keys in order "answers", "correct", "question", "round":
 *  "round" and "correct" as numbers when their stored text reads as one
 *  (TryStrToInt), as that text otherwise; "answers" with the answers its
 *  round uses (all five for a round outside 1 to 5). Every code unit passes:
 *  a lone surrogate, a control character and U+FEFF (which readers could
 *  take for a byte-order mark) as "\uXXXX" escapes in lower case, other
 *  characters in UTF-8. */
void WriteJsonQuestions(const QuestionBase& base, OutputStream& out);

/** Reads the questions of a JSON array of objects with "round", "question",
 *  "answers" (an array of the answers the round uses) and "correct" from
 *  `in` into `sink`; any other key is a finding, and of a key given twice
 *  the last counts. Numbers and strings both give texts; "\uXXXX" escapes
 *  give any code unit, a lone surrogate too. A UTF-8 byte-order mark at the
 *  very start is skipped. Places are "item N", counted from 1; a fault of the
 *  syntax anywhere is the only finding, placed at its line and column.
 *  Stops making rows once the sink is full. */
void ReadJsonQuestions(InputStream& in, RowSink& sink);

} // namespace vt
