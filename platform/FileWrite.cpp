#include "platform/FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<std::string> ReplaceFileContents(const std::string& path, std::string_view content) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A hidden name, so that a folder listing (the autostart folder) never shows the half-made
    // file as an entry of its own.
    std::string temporary = folder + "." + name + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return std::string(std::strerror(errno));
    auto giveUp = [&](bool open) {
        const int error = errno;
        if (open)
            ::close(fd);
        ::unlink(temporary.c_str());
        errno = error; // the cause, for callers that explain it
        return std::string(std::strerror(error));
    };
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return giveUp(true);
        }
        written += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file private; keep what the old file allowed.
    struct stat old {};
    ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    if (::fsync(fd) != 0)
        return giveUp(true);
    if (::close(fd) != 0)
        return giveUp(false);
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        return giveUp(false);
    return std::nullopt;
}

} // namespace platform
