#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

/** Plain decimal text of a value: no leading zeros, "-" for negatives. */
std::u16string IntToStr(std::int32_t value);

/** Reads an integer from text: any run of blanks (U+0020 only), an optional
 *  "+" or "-", then decimal digits within the signed 32-bit range, or one of
 *  the prefixes "$", "x", "X", "0x", "0X" with one to eight significant hex
 *  digits taken as a two's-complement value (negated for "-"); nothing after.
 *  Returns false for any other text. */
bool TryStrToInt(std::u16string_view text, std::int32_t& value);

/** As TryStrToInt; throws Error("''<text>'' is not a valid integer value")
 *  for a text that is not a number. */
std::int32_t StrToInt(std::u16string_view text);

} // namespace vt
