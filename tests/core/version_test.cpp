#include "platform/Version.h"

#include "pelumi_version.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(Version, OwnVersionComesFromTheRunningExecutable) {
    // The text the build wrote into this test program's own section.
    EXPECT_EQ(platform::OwnFileVersion(), PELUMI_FILE_VERSION);
    std::string text;
    EXPECT_FALSE(platform::ReadElfSectionText("/proc/self/exe", ".no_such_section", text));
    TempDir dir;
    EXPECT_FALSE(platform::ReadElfSectionText(dir.Write("x", "not an executable"),
                                              platform::kVersionSectionName, text));
    EXPECT_FALSE(platform::ReadElfSectionText(dir.Write("y", "\x7f"
                                                             "ELF\x02\x01"),
                                              platform::kVersionSectionName, text));
    EXPECT_FALSE(platform::ReadElfSectionText(dir.File("missing"), ".x", text));
}

TEST(Version, PackVersionNumber) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"2.0.7.2", 33556226},
        {"2.0.8.0", 33556480},
        {"0.0.0.1", 1},
        {"7", 7},
        {"1.256.0.0", 33554432}, // a part above 255 carries into the next one
        {"", -1},
        {"2.0.x.2", -1},
        {"2..7.2", -1},
        {"2.0.7.", -1},
        {"2.-1.7.2", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::PackVersionNumber(c.text), c.expected) << c.text;
}

TEST(Version, VersionFileAndComparison) {
    struct Case {
        const char* body;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"33556226", 33556226},
        {"\r\n\r\n  33556226 \r\n\n", 33556226},
        {"\t33556480\n", 33556480},
        {"<html><body>404 Not Found</body></html>", -1},
        {"", -1},
        {"33556226 33556480", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::ParseVersionFile(c.body), c.expected) << c.body;

    EXPECT_TRUE(platform::IsNewerVersion(33556480, 33556226));
    EXPECT_FALSE(platform::IsNewerVersion(33556226, 33556226));
    EXPECT_FALSE(platform::IsNewerVersion(33556225, 33556226));
    // Unsigned: a number with the top bit set is newer than any ordinary version.
    EXPECT_TRUE(platform::IsNewerVersion(static_cast<std::int32_t>(0x80000000u), 33556226));
}
