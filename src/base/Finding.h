#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

/** One fault found in an input file, and where it is. */
struct Finding
{
    int line = 0;         // the line, counted from 1, where a line applies; otherwise 0
    int column = 0;       // the column on that line, counted from 1, where one is known; otherwise 0
    int question = -1;    // the question of a base file, numbered from 0; otherwise -1
    std::u16string place; // where no line says it: "item 3", "question 4", "header"; may be empty
    std::u16string message;

    /** The finding as a line of output, in the form of compilers and other
     *  command-line tools: "FILE:LINE: message", "FILE:LINE:COLUMN: message",
     *  "FILE: place: message" or "FILE: message" (no line break). */
    std::u16string Text(std::u16string_view file) const;
};

using Findings = std::vector<Finding>;

/** The finding `message` at line `line` of the input. */
Finding FindingOnLine(int line, std::u16string message);

/** The decimal text of any count: digits, "-" for a negative one. */
std::u16string Decimal(std::int64_t value);
/** The same, appended to `text`. */
void AppendDecimal(std::u16string& text, std::int64_t value);

/** "1 question", "2 questions": the count and the noun, singular for one. */
std::u16string Counted(std::int64_t count, std::u16string_view singular, std::u16string_view plural);

} // namespace vt
