#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A folder of files that can always be fetched or made again: the agency's constants, the last
// good forecast. Each file is written whole through a temporary file and a rename, so a reader
// sees the old file or the new one, never a part; anything that cannot be read counts as
// absent. Names are relative paths ("jma/area.json"); folders are made on the first write.
// Several objects may name the same folder; a file written by one is seen by the others.
class TCache {
public:
    // `folder` with or without a trailing "/"; it need not exist yet.
    explicit TCache(std::string folder);

    const std::string& Folder() const { return folder_; }
    std::string PathOf(std::string_view name) const;

    struct TEntry {
        std::string Content;
        std::int64_t WrittenAt = 0; // seconds since 1970 (the file's modification time)
    };
    // The file's content and when it was written; nothing when it is missing, unreadable, no
    // regular file (a FIFO, a device, a symlink) or larger than `maxBytes`. Never blocks on
    // anything but the disk.
    std::optional<TEntry> Read(std::string_view name,
                               std::size_t maxBytes = 64u * 1024u * 1024u) const;

    // Replaces the file. Nothing on success; otherwise the reason, in Japanese, naming the file
    // (the old file is then untouched). Never throws.
    std::optional<std::string> Write(std::string_view name, std::string_view content) const;

    // Removes the file; a missing one is no error.
    void Remove(std::string_view name) const;

private:
    std::string folder_;
};

} // namespace platform
