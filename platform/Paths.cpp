#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>
#include <optional>
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

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

// The entry of `folder` that is `component` but for letter case and is a file (or a folder,
// for a component in the middle); the first in byte order when there are several.
std::optional<std::string> FindIgnoringCase(const std::string& folder, std::string_view component,
                                            bool wantFile) {
    std::optional<std::string> best;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!SameIgnoringCase(entry, component) || (best && *best <= entry))
            continue;
        std::error_code typeError;
        if (wantFile ? it->is_regular_file(typeError) : it->is_directory(typeError))
            best = entry;
    }
    return best;
}

} // namespace

std::string MatchFileName(std::string_view folder, std::string_view name) {
    const std::string native = ToNativeSeparators(name);
    if (native.empty() || FileExists(JoinPath(folder, native)))
        return native;
    std::string at = IncludeTrailingSeparator(folder);
    std::string matched;
    std::size_t start = 0;
    while (start <= native.size()) {
        std::size_t slash = native.find('/', start);
        if (slash == std::string::npos)
            slash = native.size();
        const std::string_view component = std::string_view(native).substr(start, slash - start);
        const bool last = slash == native.size();
        start = slash + 1;
        if (component.empty() && !last)
            continue;
        std::string found(component);
        if (component != "." && component != "..") {
            std::error_code ec;
            const std::string exact = at + found;
            const bool exists = last ? std::filesystem::is_regular_file(exact, ec)
                                     : std::filesystem::is_directory(exact, ec);
            if (!exists) {
                const auto other = FindIgnoringCase(at, component, last);
                if (!other)
                    return native;
                found = *other;
            }
        }
        at += found + (last ? "" : "/");
        matched += found + (last ? "" : "/");
    }
    return matched;
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
