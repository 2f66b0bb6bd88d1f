// Where the program finds its data and keeps its settings, on real folders.
#include "pelumi_install.h"
#include "platform/Layout.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

using platform::TProgramLayout;
using platform::TUserFolders;

namespace {

void ExpectLayout(const TProgramLayout& got, const TProgramLayout& want) {
    EXPECT_EQ(got.Installed, want.Installed);
    EXPECT_EQ(got.DataFolder, want.DataFolder);
    EXPECT_EQ(got.SettingsFileName, want.SettingsFileName);
    EXPECT_EQ(got.SeedSettingsFileName, want.SeedSettingsFileName);
    EXPECT_EQ(got.UserSkinFolder, want.UserSkinFolder);
    EXPECT_EQ(got.AutostartFileName, want.AutostartFileName);
    EXPECT_EQ(got.CacheFolder, want.CacheFolder);
}

} // namespace

TEST(Layout, PortableAndInstalledFolders) {
    TempDir dir;
    const std::string root = dir.Path() + "/";
    const TUserFolders user{root + "cfg/", root + "dat/", root + "cch/"};
    const std::string userCache = root + "cch/zomika2/";
    const std::string userSettings = root + "cfg/zomika2/zomika2.ini";
    const std::string userSkins = root + "dat/zomika2/Skin/";
    const std::string autostart = root + "cfg/autostart/zomika2.desktop";
    // The installed data folder of a prefix, as the build computes it from its install dirs.
    auto installedData = [&](const std::string& prefix) {
        return platform::IncludeTrailingSeparator(
            std::filesystem::path(root + prefix + "/bin/" + PELUMI_DATA_FROM_BIN)
                .lexically_normal()
                .string());
    };
    ASSERT_EQ(installedData("usr"), root + "usr/share/zomika2/");

    struct Case {
        const char* name;
        std::vector<std::string> files; // under the temporary root; "x/" makes a folder
        std::string programFolder;
        bool writable;
        TProgramLayout want;
    };
    const std::vector<Case> cases = {
        {"a portable copy with its location list",
         {"p1/zomika2", "p1/urls.list"},
         "p1",
         true,
         {false, root + "p1/", root + "p1/zomika2.ini", "", userSkins, autostart,
          root + "p1/cache/"}},
        {"a portable copy with only its skins",
         {"p2/Skin/"},
         "p2/",
         true,
         {false, root + "p2/", root + "p2/zomika2.ini", "", userSkins, autostart,
          root + "p2/cache/"}},
        {"a portable copy in a folder the user cannot write",
         {"p3/urls.list"},
         "p3",
         false,
         {false, root + "p3/", userSettings, root + "p3/zomika2.ini", userSkins, autostart,
          root + "cfg/zomika2/cache/"}},
        {"installed: settings per user even where the program folder is writable (root)",
         {"usr/bin/zomika2", "usr/share/zomika2/urls.list"},
         "usr/bin",
         true,
         {true, installedData("usr"), userSettings, "", userSkins, autostart, userCache}},
        {"installed with only the data folder",
         {"opt/bin/zomika2", "opt/share/zomika2/"},
         "opt/bin/",
         false,
         {true, installedData("opt"), userSettings, "", userSkins, autostart, userCache}},
        {"data beside the program wins over an installed data folder",
         {"both/bin/urls.list", "both/share/zomika2/urls.list"},
         "both/bin",
         true,
         {false, root + "both/bin/", root + "both/bin/zomika2.ini", "", userSkins, autostart,
          root + "both/bin/cache/"}},
        {"no data anywhere: the folder beside the program, as before",
         {"none/bin/zomika2"},
         "none/bin",
         true,
         {false, root + "none/bin/", root + "none/bin/zomika2.ini", "", userSkins, autostart,
          root + "none/bin/cache/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& file : c.files) {
            if (file.back() == '/')
                std::filesystem::create_directories(root + file);
            else
                dir.Write(file, "x");
        }
        std::vector<std::string> asked;
        const TProgramLayout got = platform::ResolveLayout(root + c.programFolder, "zomika2", user,
                                                           [&](const std::string& folder) {
                                                               asked.push_back(folder);
                                                               return c.writable;
                                                           });
        ExpectLayout(got, c.want);
        // Whether the program folder is writable never matters once installed.
        const std::vector<std::string> wantAsked =
            c.want.Installed ? std::vector<std::string>{}
                             : std::vector<std::string>{c.want.DataFolder};
        EXPECT_EQ(asked, wantAsked);
    }
}

TEST(Layout, SettingsFileFollowsTheExecutablesName) {
    TempDir dir;
    const std::string root = dir.Path() + "/";
    dir.Write("p/urls.list", "x");
    dir.Write("i/bin/wetter", "x");
    dir.Write("i/share/zomika2/urls.list", "x");
    const TUserFolders user{root + "cfg/", root + "dat/", root + "cch/"};
    auto writable = [](const std::string&) { return true; };
    EXPECT_EQ(platform::ResolveLayout(root + "p", "wetter", user, writable).SettingsFileName,
              root + "p/wetter.ini");
    EXPECT_EQ(platform::ResolveLayout(root + "i/bin", "wetter", user, writable).SettingsFileName,
              root + "cfg/zomika2/wetter.ini");

    struct Case {
        const char* exe;
        const char* base;
    };
    const std::vector<Case> cases = {
        {"/usr/bin/zomika2", "zomika2"},
        {"/opt/p/wetter.exe", "wetter"},
        {"/opt/p/a.b.c", "a.b"},
        {"/opt/p/.hidden", ".hidden"},
        {"", "zomika2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::SettingsBaseName(c.exe), c.base) << c.exe;
}

TEST(Layout, UserFoldersFollowTheBaseDirectoryRules) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    ASSERT_EQ(::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found), 0);
    ASSERT_NE(found, nullptr);
    const std::string passwdHome = platform::IncludeTrailingSeparator(found->pw_dir);

    struct Case {
        const char* config;
        const char* data;
        const char* home;
        const char* cache;
        std::string wantConfig;
        std::string wantData;
        std::string wantCache;
    };
    const std::vector<Case> cases = {
        {"/cfg", "/dat", "/home/u", "/cch", "/cfg/", "/dat/", "/cch/"},
        {"/cfg/", nullptr, "/home/u", "/cch/", "/cfg/", "/home/u/.local/share/", "/cch/"},
        {nullptr, "/dat", "/home/u/", nullptr, "/home/u/.config/", "/dat/", "/home/u/.cache/"},
        {"", "relative/data", "/home/u", "rel", "/home/u/.config/", "/home/u/.local/share/",
         "/home/u/.cache/"},
        {nullptr, nullptr, nullptr, nullptr, passwdHome + ".config/", passwdHome + ".local/share/",
         passwdHome + ".cache/"},
        {nullptr, nullptr, "not/absolute", nullptr, passwdHome + ".config/",
         passwdHome + ".local/share/", passwdHome + ".cache/"},
    };
    for (const Case& c : cases) {
        const TUserFolders got = platform::UserFoldersFrom(c.config, c.data, c.home, c.cache);
        EXPECT_EQ(got.ConfigHome, c.wantConfig) << (c.config ? c.config : "(unset)");
        EXPECT_EQ(got.DataHome, c.wantData) << (c.data ? c.data : "(unset)");
        EXPECT_EQ(got.CacheHome, c.wantCache) << (c.cache ? c.cache : "(unset)");
    }
}
