#include "platform/Cache.h"

#include "platform/FileWrite.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {

TCache::TCache(std::string folder) : folder_(IncludeTrailingSeparator(folder)) {}

std::string TCache::PathOf(std::string_view name) const {
    return folder_ + std::string(name);
}

std::optional<TCache::TEntry> TCache::Read(std::string_view name, std::size_t maxBytes) const {
    const std::string path = PathOf(name);
    // Opening a FIFO would wait for a writer, and a device could be anything: nothing but a
    // regular file is read, and a symlink is no file the cache wrote.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    TEntry entry;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::uint64_t>(info.st_size) <= maxBytes;
    if (ok) {
        entry.WrittenAt = static_cast<std::int64_t>(info.st_mtime);
        entry.Content.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        while (ok && got < entry.Content.size()) {
            const ssize_t n = ::read(fd, entry.Content.data() + got, entry.Content.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                ok = false; // an error, or a file cut short while we read it
            else
                got += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return entry;
}

std::optional<std::string> TCache::Write(std::string_view name, std::string_view content) const {
    const std::string path = PathOf(name);
    std::error_code ec;
    std::filesystem::create_directories(ExtractFilePath(path), ec);
    if (ec)
        return "キャッシュのフォルダ " + ExtractFilePath(path) + " を作成できません (" +
               ec.message() + ")";
    if (const auto reason = ReplaceFileContents(path, content))
        return "キャッシュのファイル " + path + " に書き込めません (" + *reason + ")";
    return std::nullopt;
}

void TCache::Remove(std::string_view name) const {
    ::unlink(PathOf(name).c_str());
}

} // namespace platform
