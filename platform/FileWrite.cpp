#include "platform/FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform {

namespace {

// A new file beside `folder + name`, made by the kernel with 0666 less the umask (mkstemp's
// 0600 would need the umask, which a process cannot read without changing it). -1 with errno
// on failure.
int CreateTemporary(const std::string& folder, const std::string& name, std::string& temporary) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, GRND_NONBLOCK) !=
            static_cast<ssize_t>(sizeof random)) {
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const auto mix = static_cast<unsigned long long>(now.tv_nsec) ^
                             (static_cast<unsigned long long>(::getpid()) << 20) ^
                             static_cast<unsigned long long>(attempt) * 7919u;
            for (std::size_t i = 0; i < sizeof random; ++i)
                random[i] = static_cast<unsigned char>(mix >> (8 * i));
        }
        // A hidden name, so that a folder listing (the autostart folder) never shows the
        // half-made file as an entry of its own.
        temporary = folder + "." + name + ".";
        for (const unsigned char r : random)
            temporary += kLetters[r % (sizeof kLetters - 1)];
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

std::optional<std::string> ReplaceFileContents(const std::string& path, std::string_view content) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary;
    const int fd = CreateTemporary(folder, name, temporary);
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
    // Keep what the old file allowed, but never less than its owner needs to read and write it
    // again, nor a set-id bit; a symlink's target is no old file of ours.
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, (old.st_mode & 0777) | S_IRUSR | S_IWUSR);
    if (::fsync(fd) != 0)
        return giveUp(true);
    if (::close(fd) != 0)
        return giveUp(false);
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        return giveUp(false);
    return std::nullopt;
}

} // namespace platform
