#pragma once

#include <functional>
#include <string>

// Where the program finds its data and keeps its settings. Two layouts:
// - portable: urls.list and Skin/ beside the executable (the build folder, an unpacked copy);
//   the settings file lies there too, or in the per-user config folder when the folder is not
//   writable;
// - installed: the executable in <prefix>/bin, the data in <prefix>/share/zomika2/; the
//   settings always in the per-user config folder, so nothing is ever written into the prefix.
// User skins live in the per-user data folder in both.
namespace platform {

// The per-user base folders of the XDG base-directory rules, each with a trailing "/".
struct TUserFolders {
    std::string ConfigHome; // $XDG_CONFIG_HOME, or ~/.config/
    std::string DataHome;   // $XDG_DATA_HOME, or ~/.local/share/
    std::string CacheHome;  // $XDG_CACHE_HOME, or ~/.cache/
};

// From the given environment values (nullptr: unset). A value that is not an absolute path is
// ignored, as the rules require. Without HOME the home folder comes from the password database.
TUserFolders UserFoldersFrom(const char* xdgConfigHome, const char* xdgDataHome, const char* home,
                             const char* xdgCacheHome = nullptr);
// From this process's environment.
TUserFolders CurrentUserFolders();

struct TProgramLayout {
    bool Installed = false;
    std::string DataFolder; // urls.list and Skin/, with a trailing "/"
    std::string SettingsFileName;
    // The settings file beside the program that a per-user settings file starts from while it
    // does not exist yet; empty when the settings live beside the program or in the installed
    // layout.
    std::string SeedSettingsFileName;
    std::string UserSkinFolder;    // with a trailing "/"
    std::string AutostartFileName; // the login entry
    // Files that can be fetched again (the agency's constants, the last good forecast), with a
    // trailing "/": beside the settings file when portable ("cache/"), the per-user cache folder
    // when installed. Deleting it loses no setting.
    std::string CacheFolder;
};

// True when files can be created in `folder`.
bool FolderWritable(const std::string& folder);

// The layout of a program whose executable lies in `programFolder`: installed when neither
// urls.list nor Skin/ lies beside it and the installed data folder exists, portable otherwise
// (also when no data can be found at all, so that errors name the folder beside the program).
// `baseName` names the settings file ("<baseName>.ini").
TProgramLayout
ResolveLayout(const std::string& programFolder, const std::string& baseName,
              const TUserFolders& user,
              const std::function<bool(const std::string&)>& writable = FolderWritable);

// The settings file's base name for an executable: its file name without the extension.
std::string SettingsBaseName(const std::string& executablePath);

} // namespace platform
