#include "platform/TimeZone.h"

#include "platform/Clock.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace platform {

namespace {

std::mutex g_mutex;
std::optional<std::string> g_fixed;

constexpr std::string_view kZoneFolder = "/usr/share/zoneinfo";

// The database name inside a path into the zone folder ("/usr/share/zoneinfo/Asia/Tokyo",
// "../usr/share/zoneinfo/posix/Asia/Tokyo"); empty when the path does not lead there.
std::string_view NameInPath(std::string_view path, std::string_view zoneFolder) {
    std::string folder(zoneFolder);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    if (!folder.empty() && path.starts_with(folder))
        path.remove_prefix(folder.size());
    else if (const std::size_t at = path.rfind("zoneinfo/"); at != std::string_view::npos)
        path.remove_prefix(at + 9);
    else
        return {};
    // The variants with and without leap seconds carry the same names.
    for (const std::string_view variant : {"posix/", "right/"})
        if (path.starts_with(variant))
            path.remove_prefix(variant.size());
    return path;
}

// "Asia/Tokyo", "Etc/GMT+9", "America/Port-au-Prince": letters, digits and - _ + in parts
// joined by "/". Anything else (a rule like "JST-9,M3.5.0", "..", a file of the folder's own
// such as "zone.tab") is no zone name.
bool LooksLikeZone(std::string_view name) {
    if (name.empty() || name.size() > 64 || name == "posixrules" || name == "localtime")
        return false;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = name.find('/', start);
        const std::string_view part = name.substr(start, slash - start);
        // A part begins with a letter, so "..", "-" or an empty part never pass.
        if (part.empty() || !letter(part.front()))
            return false;
        for (const char c : part)
            if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '-' && c != '+')
                return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

bool IsZoneFile(std::string_view zoneFolder, std::string_view name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(
        std::filesystem::path(std::string(zoneFolder)) / std::string(name), ec);
}

} // namespace

std::string TimeZoneName(std::optional<std::string_view> tz, std::string_view localtimeLink,
                         std::string_view zoneFolder) {
    if (tz) {
        std::string_view value = *tz;
        // An empty TZ is UTC to the C library.
        if (value.empty())
            value = "UTC";
        if (value.front() == ':')
            value.remove_prefix(1);
        if (!value.empty() && value.front() == '/')
            value = NameInPath(value, zoneFolder);
        // The C library reads the zone from that file; a name it cannot find is not the clock's.
        if (LooksLikeZone(value) && IsZoneFile(zoneFolder, value))
            return std::string(value);
        return std::string(kAutoTimeZone);
    }
    const std::string_view name = NameInPath(localtimeLink, zoneFolder);
    if (LooksLikeZone(name))
        return std::string(name);
    return std::string(kAutoTimeZone);
}

std::string LocalTimeZone() {
    {
        const std::lock_guard lock(g_mutex);
        if (g_fixed)
            return *g_fixed;
    }
    if (CurrentClockZone() == ClockZone::Japan)
        return "Asia/Tokyo";
    const char* tzdir = std::getenv("TZDIR");
    const std::string zoneFolder = tzdir && *tzdir ? tzdir : std::string(kZoneFolder);
    const char* tz = std::getenv("TZ");
    std::string link;
    if (!tz) {
        std::error_code ec;
        link = std::filesystem::read_symlink("/etc/localtime", ec).string();
    }
    return TimeZoneName(tz ? std::optional<std::string_view>(tz) : std::nullopt, link, zoneFolder);
}

void FixTimeZone(std::string name) {
    const std::lock_guard lock(g_mutex);
    g_fixed = std::move(name);
}

void ReleaseTimeZone() {
    const std::lock_guard lock(g_mutex);
    g_fixed.reset();
}

} // namespace platform
