#pragma once

#include <string>
#include <string_view>

namespace vt {

/** Appends the UTF-8 of code point c (at most U+10FFFF, no surrogate). */
void AppendUtf8(std::string& out, char32_t c);

/** The code point whose well-formed UTF-8 starts at text[i], and its length
 *  in bytes; 0 (and c unset) for a malformed, overlong or cut sequence, an
 *  encoded surrogate or anything beyond U+10FFFF. */
std::size_t DecodeUtf8At(std::string_view text, std::size_t i, char32_t& c);

/** UTF-16 to UTF-8; a lone surrogate becomes `replacement`. */
std::string ToUtf8(std::u16string_view text, char32_t replacement = 0xFFFD);

/** UTF-8 to UTF-16; malformed bytes become U+FFFD each. */
std::u16string FromUtf8(std::string_view text);
/** The same, appended to `out`; false when some bytes were malformed. */
bool AppendFromUtf8(std::string_view text, std::u16string& out);

/** A byte that is not part of well-formed UTF-8 in a path, kept in UTF-16 as
 *  the lone surrogate EscapedByteBase + byte (U+DC80 to U+DCFF), so that a
 *  name made of any bytes comes back unchanged. */
inline constexpr char16_t EscapedByteBase = 0xDC00;

/** A path's bytes as UTF-16: well-formed UTF-8 decoded, every other byte b
 *  kept as EscapedByteBase + b. */
std::u16string FromPathBytes(std::string_view path);

/** The reverse of FromPathBytes: UTF-8, and a lone U+DC80 to U+DCFF becomes
 *  its byte again (any other lone surrogate becomes U+FFFD). */
std::string ToPathBytes(std::u16string_view text);

/** Any text made safe to show in a message, a log line or a terminal,
 *  visibly and reversibly: "\n", "\r" and "\t"; the other C0 controls and DEL
 *  as "\x1b"; the C1 controls, U+2028 and U+2029, the bidirectional controls
 *  (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) and lone
 *  surrogates as "\u202e". Everything else is kept. */
std::u16string ShownText(std::u16string_view text);

/** A path's bytes shown as ShownText shows a text, with every byte that is
 *  not part of well-formed UTF-8 as "\xff". */
std::u16string ShownPath(std::string_view path);

} // namespace vt
