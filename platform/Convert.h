#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Converts the whole text to a signed 32-bit integer: leading blanks, an optional sign, then
// decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X" (up to 32 bits, so
// "$FFFFFFFF" is -1). Anything else, the empty text or a decimal value out of range gives false.
bool TryStrToInt(std::string_view text, std::int32_t& value);

// TryStrToInt with a default for a text that does not convert.
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

// Removes every leading and trailing character up to U+0020 (blanks and control characters).
// Wider blanks such as the ideographic space stay.
std::string_view Trim(std::string_view text);

// The `count` ASCII digits at `at` as a number: false when the text is shorter or another
// character stands there (no sign, no blank). For the fixed fields of time stamps.
bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int& value);

// Lower-cases ASCII letters only.
std::string AsciiLower(std::string_view text);

// Compares two texts ignoring the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);

} // namespace platform
