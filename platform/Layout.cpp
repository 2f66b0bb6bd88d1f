#include "platform/Layout.h"

#include "pelumi_install.h"
#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::string HomeFolder(const char* home) {
    if (home != nullptr && *home == '/')
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir == '/')
        return found->pw_dir;
    // Nowhere of the user's own is known; the settings are still kept somewhere.
    return "/tmp";
}

} // namespace

TUserFolders UserFoldersFrom(const char* xdgConfigHome, const char* xdgDataHome, const char* home,
                             const char* xdgCacheHome) {
    auto absolute = [](const char* value) { return value != nullptr && *value == '/'; };
    TUserFolders folders;
    if (!absolute(xdgConfigHome) || !absolute(xdgDataHome) || !absolute(xdgCacheHome)) {
        const std::string base = IncludeTrailingSeparator(HomeFolder(home));
        folders.ConfigHome = base + ".config/";
        folders.DataHome = base + ".local/share/";
        folders.CacheHome = base + ".cache/";
    }
    if (absolute(xdgConfigHome))
        folders.ConfigHome = IncludeTrailingSeparator(xdgConfigHome);
    if (absolute(xdgDataHome))
        folders.DataHome = IncludeTrailingSeparator(xdgDataHome);
    if (absolute(xdgCacheHome))
        folders.CacheHome = IncludeTrailingSeparator(xdgCacheHome);
    return folders;
}

TUserFolders CurrentUserFolders() {
    return UserFoldersFrom(std::getenv("XDG_CONFIG_HOME"), std::getenv("XDG_DATA_HOME"),
                           std::getenv("HOME"), std::getenv("XDG_CACHE_HOME"));
}

bool FolderWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

TProgramLayout ResolveLayout(const std::string& programFolder, const std::string& baseName,
                             const TUserFolders& user,
                             const std::function<bool(const std::string&)>& writable) {
    const std::string folder = IncludeTrailingSeparator(programFolder);
    const std::string installedData = IncludeTrailingSeparator(
        std::filesystem::path(folder + PELUMI_DATA_FROM_BIN).lexically_normal().string());
    const std::string fileName = baseName + ".ini";
    const std::string userSettings = user.ConfigHome + "zomika2/" + fileName;

    TProgramLayout layout;
    layout.UserSkinFolder = user.DataHome + "zomika2/Skin/";
    layout.AutostartFileName = user.ConfigHome + "autostart/zomika2.desktop";
    const bool dataBeside = FileExists(folder + "urls.list") || DirectoryExists(folder + "Skin");
    if (!dataBeside && DirectoryExists(installedData)) {
        layout.Installed = true;
        layout.DataFolder = installedData;
        layout.SettingsFileName = userSettings;
        layout.CacheFolder = user.CacheHome + "zomika2/";
        return layout;
    }
    layout.DataFolder = folder;
    if (writable(folder)) {
        layout.SettingsFileName = folder + fileName;
    } else {
        layout.SettingsFileName = userSettings;
        layout.SeedSettingsFileName = folder + fileName;
    }
    layout.CacheFolder = ExtractFilePath(layout.SettingsFileName) + "cache/";
    return layout;
}

std::string SettingsBaseName(const std::string& executablePath) {
    std::string name = ExtractFileName(executablePath);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? "zomika2" : name;
}

} // namespace platform
