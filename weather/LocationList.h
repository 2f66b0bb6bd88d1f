#pragma once

#include "platform/CommaText.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// One entry of "urls.list": fields 0-2 the names from the broadest grouping to the place,
// 3-4 the TenkiLite page paths, 5-6 the Yahoo page paths.
using TLocationEntry = std::array<std::string, 7>;

// Lines are split by the comma-text rules (platform/CommaText.h).
using platform::SplitCommaText;

// The entries of a location file's text (already decoded to UTF-8): every line that yields
// exactly 7 fields, in file order. Lines end at CR LF, CR or LF.
std::vector<TLocationEntry> ParseLocationList(std::string_view text);

// Reads and decodes a location file (byte-order marks UTF-16LE, UTF-16BE, UTF-8; otherwise
// UTF-8 when valid, else Shift-JIS). Throws EFileError when it cannot be read.
std::vector<TLocationEntry> ReadLocationFile(const std::string& path);
