#include "Finding.h"

#include "Utf.h"

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
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string Counted(std::int64_t count, std::u16string_view singular, std::u16string_view plural)
{
    return Decimal(count) + u' ' + std::u16string(count == 1 ? singular : plural);
}
