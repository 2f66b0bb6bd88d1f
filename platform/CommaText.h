#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits comma text, the list syntax of the location list and of skin files: blanks (codes
// 1-32) around items are dropped and also end an unquoted item; a comma ends an item, and a
// comma that is the text's last character adds an empty item; an item starting with a double
// quote runs to the next undoubled double quote ("" inside stands for one) and may hold blanks
// and commas; an unclosed quote runs to the end. A NUL ends the text, as in a C string.
std::vector<std::string> SplitCommaText(std::string_view text);

} // namespace platform
