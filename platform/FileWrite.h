#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Writes `content` to a new file beside `path`, flushes it to disk and renames it over `path`,
// so a reader sees the old file or the whole new one, never a part. A symlink at `path` is
// replaced by the file, never written through. The new file keeps the permission bits of the
// regular file it replaces, made readable and writable by its owner and without set-id bits;
// otherwise it gets 0666 less the umask. Returns the system's reason when it fails (errno then
// holds its code); the old file is then untouched and no temporary file is left behind.
std::optional<std::string> ReplaceFileContents(const std::string& path, std::string_view content);

} // namespace platform
