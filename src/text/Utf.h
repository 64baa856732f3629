#pragma once

#include <string>
#include <string_view>

/** Appends the UTF-8 of code point c (at most U+10FFFF, no surrogate). */
void AppendUtf8(std::string& out, char32_t c);

/** UTF-16 to UTF-8; a lone surrogate becomes `replacement`. */
std::string ToUtf8(std::u16string_view text, char32_t replacement = 0xFFFD);

/** UTF-8 to UTF-16; malformed bytes become U+FFFD each. */
std::u16string FromUtf8(std::string_view text);
/** The same, appended to `out`; false when some bytes were malformed. */
bool AppendFromUtf8(std::string_view text, std::u16string& out);
