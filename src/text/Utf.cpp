#include "text/Utf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vt {

namespace {

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

} // namespace

std::size_t DecodeUtf8At(std::string_view text, std::size_t i, char32_t& c)
{
    const auto b = static_cast<std::uint8_t>(text[i]);
    int extra = 0;
    char32_t min = 0;
    if (b < 0x80) {
        c = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0)
        extra = 1, c = b & 0x1F, min = 0x80;
    else if ((b & 0xF0) == 0xE0)
        extra = 2, c = b & 0x0F, min = 0x800;
    else if ((b & 0xF8) == 0xF0)
        extra = 3, c = b & 0x07, min = 0x10000;
    else
        return 0;
    if (i + static_cast<std::size_t>(extra) >= text.size())
        return 0;
    for (int k = 1; k <= extra; ++k) {
        const auto cb = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
        if ((cb & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (cb & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return 1 + static_cast<std::size_t>(extra);
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string ToUtf8(std::u16string_view text, char32_t replacement)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = replacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string FromUtf8(std::string_view text)
{
    std::u16string out;
    AppendFromUtf8(text, out);
    return out;
}

bool AppendFromUtf8(std::string_view text, std::u16string& out)
{
    // No text gives more code units than it has bytes.
    const std::size_t start = out.size();
    out.resize(start + text.size());
    char16_t* unit = out.data() + start;
    bool valid = true;
    for (std::size_t i = 0; i < text.size();) {
        // Eight ASCII bytes at once.
        std::uint64_t word = 0;
        if (text.size() - i >= sizeof word) {
            std::memcpy(&word, text.data() + i, sizeof word);
            if ((word & 0x8080808080808080) == 0) {
                for (std::size_t k = 0; k < sizeof word; ++k)
                    unit[k] = static_cast<std::uint8_t>(text[i + k]);
                unit += sizeof word;
                i += sizeof word;
                continue;
            }
        }
        // Otherwise the characters of those eight bytes one by one, before
        // eight bytes are tried at once again: in a text of another alphabet
        // most words hold a byte beyond ASCII.
        for (const std::size_t stop = std::min(text.size(), i + sizeof word); i < stop;) {
            const auto b = static_cast<std::uint8_t>(text[i]);
            if (b < 0x80) {
                *unit++ = b;
                ++i;
                continue;
            }
            // Two bytes, as Cyrillic and most other alphabets take, decoded here.
            if (b >= 0xC2 && b < 0xE0 && i + 1 < text.size() &&
                (static_cast<std::uint8_t>(text[i + 1]) & 0xC0) == 0x80) {
                *unit++ =
                    static_cast<char16_t>((b & 0x1F) << 6 | (static_cast<std::uint8_t>(text[i + 1]) & 0x3F));
                i += 2;
                continue;
            }
            char32_t c = 0;
            const std::size_t length = DecodeUtf8At(text, i, c);
            if (length == 0) {
                *unit++ = u'\uFFFD';
                valid = false;
                ++i;
            } else if (c < 0x10000) {
                *unit++ = static_cast<char16_t>(c);
                i += length;
            } else {
                *unit++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                *unit++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                i += length;
            }
        }
    }
    out.resize(static_cast<std::size_t>(unit - out.data()));
    return valid;
}

std::u16string FromPathBytes(std::string_view path)
{
    std::u16string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeUtf8At(path, i, c);
        if (length == 0) {
            out += static_cast<char16_t>(EscapedByteBase + static_cast<std::uint8_t>(path[i]));
            ++i;
            continue;
        }
        AppendUtf16(out, c);
        i += length;
    }
    return out;
}

std::string ToPathBytes(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                          text[i + 1] <= 0xDFFF;
        if (!pair && c >= EscapedByteBase + 0x80 && c <= EscapedByteBase + 0xFF)
            out += static_cast<char>(c - EscapedByteBase);
        else
            out += ToUtf8(text.substr(i, pair ? 2 : 1));
        if (pair)
            ++i;
    }
    return out;
}

namespace {

/** Whether c must not reach a terminal, a message box or a log line as it is:
 *  it controls the output (C0, DEL, C1), breaks a line (U+2028, U+2029) or
 *  changes the direction of what follows (the bidirectional marks,
 *  embeddings, overrides and isolates). */
bool Unsafe(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendHex(std::u16string& out, unsigned value, int digits)
{
    constexpr char16_t hex[] = u"0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += hex[(value >> shift) & 0xF];
}

void AppendShown(std::u16string& out, std::u16string_view text, bool escapedBytes)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += c;
            out += text[++i];
        } else if (escapedBytes && c >= EscapedByteBase + 0x80 && c <= EscapedByteBase + 0xFF) {
            out += u"\\x";
            AppendHex(out, c - EscapedByteBase, 2);
        } else if (c == u'\n') {
            out += u"\\n";
        } else if (c == u'\r') {
            out += u"\\r";
        } else if (c == u'\t') {
            out += u"\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += u"\\x";
            AppendHex(out, c, 2);
        } else if (Unsafe(c) || (c >= 0xD800 && c <= 0xDFFF)) {
            // A lone surrogate, too, would become U+FFFD on the way out.
            out += u"\\u";
            AppendHex(out, c, 4);
        } else {
            out += c;
        }
    }
}

} // namespace

std::u16string ShownText(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    AppendShown(out, text, false);
    return out;
}

std::u16string ShownPath(std::string_view path)
{
    std::u16string out;
    out.reserve(path.size());
    AppendShown(out, FromPathBytes(path), true);
    return out;
}

} // namespace vt
