#include "base/Finding.h"

#include "text/Utf.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

namespace vt {

Finding FindingOnLine(int line, std::u16string message)
{
    Finding finding;
    finding.line = line;
    finding.message = std::move(message);
    return finding;
}

std::u16string Finding::Text(std::u16string_view file) const
{
    std::u16string text(file);
    if (line > 0) {
        text += u':' + Decimal(line);
        if (column > 0)
            text += u':' + Decimal(column);
    } else if (!place.empty()) {
        text += u": " + ShownText(place);
    }
    // A message may quote a file's content: it must not forge a line of output.
    return text + u": " + ShownText(message);
}

std::u16string Decimal(std::int64_t value)
{
    std::u16string text;
    AppendDecimal(text, value);
    return text;
}

void AppendDecimal(std::u16string& text, std::int64_t value)
{
    char digits[24];
    const char* const end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    // Widened into code units first: a plain append is the string's fastest.
    char16_t units[24];
    const auto n = static_cast<std::size_t>(end - digits);
    std::copy_n(digits, n, units);
    text.append(units, n);
}

std::u16string Counted(std::int64_t count, std::u16string_view singular, std::u16string_view plural)
{
    return Decimal(count) + u' ' + std::u16string(count == 1 ? singular : plural);
}

} // namespace vt
