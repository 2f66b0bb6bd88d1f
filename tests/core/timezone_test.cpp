// The computer's time zone as a database name: from TZ, from the /etc/localtime link, and the
// fallback to the place's own zone.
#include "platform/TimeZone.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A zone folder with a few files, as the database lays them out.
class TimeZoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* zone : {"Asia/Tokyo", "America/New_York", "America/Argentina/Buenos_Aires",
                                 "Etc/GMT+9", "UTC", "EST5EDT", "posixrules", "zone.tab"})
            dir.Write(zone, "TZif2");
    }
    std::string Name(std::optional<std::string_view> tz, std::string_view link = {}) const {
        return platform::TimeZoneName(tz, link, dir.Path());
    }
    TempDir dir;
};

TEST_F(TimeZoneTest, FromTheTzVariable) {
    struct Case {
        const char* tz;
        const char* name;
    };
    const Case cases[] = {
        {"Asia/Tokyo", "Asia/Tokyo"},
        {":Asia/Tokyo", "Asia/Tokyo"},
        {"America/Argentina/Buenos_Aires", "America/Argentina/Buenos_Aires"},
        {"Etc/GMT+9", "Etc/GMT+9"},
        {"EST5EDT", "EST5EDT"},
        // An empty TZ is UTC to the C library.
        {"", "UTC"},
        // A rule, not a name: the C library's clock may not be any zone of the database.
        {"JST-9", "auto"},
        {"<+09>-9", "auto"},
        {"Asia/Atlantis", "auto"},
        {"../Asia/Tokyo", "auto"},
        {"Asia//Tokyo", "auto"},
        {"Asia/Tokyo/", "auto"},
        {"posixrules", "auto"},
        {"zone.tab", "auto"},
        {"Asia", "auto"}, // a folder, not a zone
        {"Asia/Tokyo&x=1", "auto"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Name(c.tz), c.name) << c.tz;
    // An absolute path names a file of the folder.
    EXPECT_EQ(Name(":" + dir.Path() + "/America/New_York"), "America/New_York");
    EXPECT_EQ(Name(dir.Path() + "/America/New_York"), "America/New_York");
    EXPECT_EQ(Name("/etc/passwd"), "auto");
    // TZ decides even when the link says otherwise.
    EXPECT_EQ(Name("America/New_York", "/usr/share/zoneinfo/Asia/Tokyo"), "America/New_York");
}

TEST_F(TimeZoneTest, FromTheLocaltimeLinkWhenTzIsUnset) {
    struct Case {
        const char* link;
        const char* name;
    };
    const Case cases[] = {
        {"/usr/share/zoneinfo/Asia/Tokyo", "Asia/Tokyo"},
        {"../usr/share/zoneinfo/Etc/UTC", "Etc/UTC"},
        {"/usr/share/zoneinfo/posix/America/New_York", "America/New_York"},
        {"/usr/share/zoneinfo/right/Asia/Tokyo", "Asia/Tokyo"},
        {"/var/db/timezone/zoneinfo/Europe/Berlin", "Europe/Berlin"},
        // No link (a copied file), or one that leads elsewhere.
        {"", "auto"},
        {"/etc/localtime.old", "auto"},
        {"/usr/share/zoneinfo/", "auto"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Name(std::nullopt, c.link), c.name) << c.link;
}

TEST_F(TimeZoneTest, TheProcessZoneFollowsTzAndCanBeFixed) {
    {
        const ScopedEnv tz("TZ", "Asia/Tokyo");
        const ScopedEnv folder("TZDIR", dir.Path());
        EXPECT_EQ(platform::LocalTimeZone(), "Asia/Tokyo");
        platform::FixTimeZone("America/New_York");
        EXPECT_EQ(platform::LocalTimeZone(), "America/New_York");
        platform::ReleaseTimeZone();
        EXPECT_EQ(platform::LocalTimeZone(), "Asia/Tokyo");
    }
    {
        const ScopedEnv tz("TZ", "JST-9");
        EXPECT_EQ(platform::LocalTimeZone(), "auto");
    }
}

} // namespace
