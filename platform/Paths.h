#pragma once

#include <string>
#include <string_view>

// Paths inside the program are native ("/"); values stored in settings and skin files keep
// the Windows form ("Simple\small.ini") and are turned into native paths when joined.
namespace platform {

// Backslashes become slashes.
std::string ToNativeSeparators(std::string_view path);

// Slashes become backslashes (the stored form).
std::string ToStoredSeparators(std::string_view path);

// `folder` (with or without a trailing separator) followed by `name` in either form.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder part of a path with its trailing separator ("/a/b/c.ini" -> "/a/b/").
std::string ExtractFilePath(std::string_view path);

// The name after the last separator.
std::string ExtractFileName(std::string_view path);

// `path` with a trailing "/" added when it has none.
std::string IncludeTrailingSeparator(std::string_view path);

// `name` (relative to `folder`, either separator) as it is spelt on disk, with native
// separators. The exact name comes first; when that is no file, each component that does not
// exist as written is matched against the entries of its folder without regard to the case of
// the letters A-Z (skins and settings written on Windows do not mind case), the first such entry
// in byte order winning. When nothing matches, `name` itself comes back. `folder` is taken as
// written.
std::string MatchFileName(std::string_view folder, std::string_view name);

// True for an existing regular file (or a link to one); backslashes count as separators.
bool FileExists(std::string_view path);
bool DirectoryExists(std::string_view path);

// Full path of the running executable.
std::string ExecutablePath();
// The executable's path from the target of /proc/self/exe, without the mark the kernel adds
// when the file was replaced while the program runs.
std::string ExecutablePathFromLink(std::string_view link);

} // namespace platform
