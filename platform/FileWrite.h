#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Writes `content` to a new file beside `path`, flushes it to disk and renames it over `path`,
// so a reader sees the old file or the whole new one, never a part. The new file keeps the
// permissions of the file it replaces (0644 when there was none). Returns the system's reason
// when it fails (errno then holds its code); the old file is then untouched and no temporary
// file is left behind.
std::optional<std::string> ReplaceFileContents(const std::string& path, std::string_view content);

} // namespace platform
