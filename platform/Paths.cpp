#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace platform {

std::string ToNativeSeparators(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string ToStoredSeparators(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string IncludeTrailingSeparator(std::string_view path) {
    std::string result = ToNativeSeparators(path);
    if (result.empty() || result.back() != '/')
        result += '/';
    return result;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    return IncludeTrailingSeparator(folder) + ToNativeSeparators(name);
}

std::string ExtractFilePath(std::string_view path) {
    const std::string native = ToNativeSeparators(path);
    const std::size_t slash = native.rfind('/');
    return slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
}

std::string ExtractFileName(std::string_view path) {
    const std::string native = ToNativeSeparators(path);
    const std::size_t slash = native.rfind('/');
    return slash == std::string::npos ? native : native.substr(slash + 1);
}

bool FileExists(std::string_view path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(ToNativeSeparators(path), ec);
}

bool DirectoryExists(std::string_view path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return std::filesystem::is_directory(ToNativeSeparators(path), ec);
}

std::string ExecutablePathFromLink(std::string_view link) {
    // The kernel marks an executable replaced while it runs (an upgrade); the new file under
    // the old name is the program to name.
    constexpr std::string_view deleted = " (deleted)";
    if (link.size() > deleted.size() && link.substr(link.size() - deleted.size()) == deleted &&
        !FileExists(link))
        return std::string(link.substr(0, link.size() - deleted.size()));
    return std::string(link);
}

std::string ExecutablePath() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : ExecutablePathFromLink(exe.string());
}

} // namespace platform
