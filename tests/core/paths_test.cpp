#include "platform/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
