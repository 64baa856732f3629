#pragma once

#include "ByteStream.h"
#include "QuestionBase.h"

/** The whole base as a JSON array of objects, indented by four blanks per
 *  level, with the keys in order "answers", "correct", "question", "round":
 *  "round" and "correct" as numbers when their stored text reads as one
 *  (TryStrToInt), as that text otherwise; "answers" with the answers its
 *  round uses (all five for a round outside 1 to 5). Every code unit passes:
 *  a lone surrogate, a control character and U+FEFF (which readers could
 *  take for a byte-order mark) as "\uXXXX" escapes in lower case, other
 *  characters in UTF-8. */
void WriteJsonQuestions(const QuestionBase& base, OutputStream& out);
