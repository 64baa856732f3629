#pragma once

#include <string>
#include <string_view>

/** UTF-16 to UTF-8; a lone surrogate becomes U+FFFD. */
std::string ToUtf8(std::u16string_view text);

/** UTF-8 to UTF-16; malformed bytes become U+FFFD each. */
std::u16string FromUtf8(std::string_view text);
