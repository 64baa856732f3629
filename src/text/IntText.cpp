#include "text/IntText.h"

#include "text/Error.h"
#include "text/Utf.h"

namespace vt {

std::u16string IntToStr(std::int32_t value)
{
    std::u16string text;
    // Work in unsigned so that the lowest value has a magnitude too.
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        text.insert(text.begin(), u'-');
    return text;
}

namespace {

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

bool TryStrToInt(std::u16string_view text, std::int32_t& value)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= n)
        return false;

    bool hex = false;
    if (text[i] == u'$' || text[i] == u'x' || text[i] == u'X') {
        hex = true;
        ++i;
    } else if (text[i] == u'0' && i + 1 < n && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }

    if (hex) {
        if (i >= n)
            return false;
        std::uint32_t bits = 0;
        int significant = 0;
        for (; i < n; ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0)
                return false;
            if (significant > 0 || d != 0)
                ++significant;
            if (significant > 8)
                return false;
            bits = (bits << 4) | static_cast<std::uint32_t>(d);
        }
        if (negative)
            bits = 0u - bits;
        value = static_cast<std::int32_t>(bits);
        return true;
    }

    // Decimal: accumulate the magnitude in 64 bits and stop as soon as it
    // leaves the range, so any number of leading zeros is fine.
    const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i];
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - u'0');
        if (magnitude > limit)
            return false;
    }
    value = negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

std::int32_t StrToInt(std::u16string_view text)
{
    std::int32_t value = 0;
    if (!TryStrToInt(text, value))
        // The text may come from a file: it is shown, never let loose on a terminal.
        throw Error(u"''" + ShownText(text) + u"'' is not a valid integer value");
    return value;
}

} // namespace vt
