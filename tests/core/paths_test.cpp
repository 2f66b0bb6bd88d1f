#include "platform/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

TEST(Paths, MatchFileNameTriesTheExactNameThenEachComponentWhateverItsCase) {
    TempDir dir;
    for (const char* file :
         {"skin/img/bg.png", "skin/Img2/Sub/Tray.PNG", "skin/both/Same.png", "skin/both/same.png",
          "skin/pics/ICON.png", "Shared/X.png", "skin/twin/a.png", "skin/TWIN/b.png"})
        dir.Write(file, "x");
    std::filesystem::create_directories(dir.File("skin/pics/icon.png")); // a folder, no image
    const std::string folder = dir.File("skin/");
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"img/bg.png", "img/bg.png"},
        {"IMG\\BG.PNG", "img/bg.png"},
        {"img\\Bg.png", "img/bg.png"},
        {"img2\\SUB\\tray.png", "Img2/Sub/Tray.PNG"},
        {"both\\same.png", "both/same.png"}, // the exact name first, although another sorts first
        {"both\\Same.png", "both/Same.png"},
        {"BOTH\\SAME.PNG", "both/Same.png"}, // of several, the first in byte order
        {"pics\\icon.png", "pics/ICON.png"}, // the exact name is a folder: the image is meant
        {"twin\\A.PNG", "twin/a.png"},       // a folder as written comes before its case twin
        {"..\\shared\\x.png", "../Shared/X.png"},
        {"img", "img"},                    // a folder is no file
        {"IMG\\NONE.PNG", "IMG/NONE.PNG"}, // nothing matches: the name as given
        {"none\\bg.png", "none/bg.png"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::MatchFileName(folder, c.name), c.expected) << c.name;
    // The folder may come with or without its separator.
    EXPECT_EQ(platform::MatchFileName(dir.File("skin"), "Img\\BG.png"), "img/bg.png");
}

TEST(Paths, ExecutableReplacedWhileRunningIsNamedByItsPath) {
    TempDir dir;
    const std::string odd = dir.Write("really (deleted)", "x");
    struct Case {
        std::string link;
        std::string want;
    };
    const std::vector<Case> cases = {
        {"/usr/bin/zomika2", "/usr/bin/zomika2"},
        {dir.Path() + "/gone/zomika2 (deleted)", dir.Path() + "/gone/zomika2"},
        // A file whose name really ends so is named as it is.
        {odd, odd},
        {" (deleted)", " (deleted)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::ExecutablePathFromLink(c.link), c.want) << c.link;
    EXPECT_EQ(platform::ExtractFileName(platform::ExecutablePath()), "core_tests");
}
