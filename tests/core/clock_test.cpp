#include "platform/Clock.h"
#include "platform/TimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

TEST(Clock, ParseLocalDateTimeTakesOnlyCalendarTimes) {
    struct Case {
        const char* text;
        std::optional<platform::LocalDateTime> expected;
    };
    const Case cases[] = {
        {"2026-12-09", platform::LocalDateTime{2026, 12, 9, 0, 0, 0}},
        {"2024-02-29T23:58:57", platform::LocalDateTime{2024, 2, 29, 23, 58, 57}}, // leap year
        {"2000-02-29", platform::LocalDateTime{2000, 2, 29, 0, 0, 0}},
        {"0001-01-31T01:02:03", platform::LocalDateTime{1, 1, 31, 1, 2, 3}},
        {"9999-12-31T00:00:00", platform::LocalDateTime{9999, 12, 31, 0, 0, 0}},
        {"2026-02-30", std::nullopt}, // days 1-31, yet no day of February
        {"2026-02-29", std::nullopt},
        {"1900-02-29", std::nullopt}, // a century that is no leap year
        {"2026-04-31T10:00:00", std::nullopt},
        {"2026-13-01", std::nullopt},
        {"2026-00-10", std::nullopt},
        {"2026-12-32", std::nullopt},
        {"2026-12-00", std::nullopt},
        {"0000-01-01", std::nullopt},
        {"2026-12-09T24:00:00", std::nullopt},
        {"2026-12-09T10:60:00", std::nullopt},
        {"2026-12-09 10:00:00", std::nullopt},
        {"2026-12-9", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto parsed = platform::ParseLocalDateTime(c.text);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.text;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->Year, c.expected->Year) << c.text;
        EXPECT_EQ(parsed->Month, c.expected->Month) << c.text;
        EXPECT_EQ(parsed->Day, c.expected->Day) << c.text;
        EXPECT_EQ(parsed->Hour, c.expected->Hour) << c.text;
        EXPECT_EQ(parsed->Minute, c.expected->Minute) << c.text;
        EXPECT_EQ(parsed->Second, c.expected->Second) << c.text;
    }
}

// Under the agency's source the program reads Japan's clock, whatever the computer's zone (here
// New York, with its daylight saving), and asks for Japan's zone by name.
TEST(Clock, JapansClockWhateverTheComputersZone) {
    const char* saved = std::getenv("TZ");
    const std::string oldTz = saved ? saved : "";
    setenv("TZ", "America/New_York", 1);
    tzset();
    struct Case {
        std::int64_t unix;
        platform::LocalDateTime japan;
        platform::LocalDateTime newYork;
    };
    // 2026-03-11T20:30:00Z and 2026-07-01T15:00:00Z.
    const Case cases[] = {{1773261000, {2026, 3, 12, 5, 30, 0}, {2026, 3, 11, 16, 30, 0}},
                          {1782918000, {2026, 7, 2, 0, 0, 0}, {2026, 7, 1, 11, 0, 0}}};
    const auto same = [](const platform::LocalDateTime& a, const platform::LocalDateTime& b) {
        return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour &&
               a.Minute == b.Minute && a.Second == b.Second;
    };
    for (const Case& c : cases) {
        platform::SetClockZone(platform::ClockZone::Japan);
        EXPECT_TRUE(same(platform::ToLocalDateTime(c.unix), c.japan)) << c.unix;
        EXPECT_EQ(platform::ToUnixSeconds(c.japan), c.unix);
        platform::SetClockZone(platform::ClockZone::Computer);
        EXPECT_TRUE(same(platform::ToLocalDateTime(c.unix), c.newYork)) << c.unix;
        EXPECT_EQ(platform::ToUnixSeconds(c.newYork), c.unix);
    }
    platform::SetClockZone(platform::ClockZone::Japan);
    EXPECT_EQ(platform::LocalTimeZone(), "Asia/Tokyo");
    // The running clock: Japan's time is the running seconds' time nine hours on.
    const std::int64_t before = std::time(nullptr);
    const platform::LocalDateTime now = platform::LocalNow();
    const platform::LocalDateTime japan = platform::JapanNow();
    const std::int64_t after = std::time(nullptr);
    EXPECT_GE(platform::ToUnixSeconds(now), before);
    EXPECT_LE(platform::ToUnixSeconds(now), after);
    EXPECT_GE(platform::ToUnixSeconds(japan), before);
    EXPECT_LE(platform::ToUnixSeconds(japan), after);
    // JapanNow does not follow the zone the program reads; a fixed clock is fixed for both.
    platform::SetClockZone(platform::ClockZone::Computer);
    const platform::LocalDateTime japan2 = platform::JapanNow();
    platform::SetClockZone(platform::ClockZone::Japan);
    EXPECT_LE(platform::ToUnixSeconds(japan2) - after, 1);
    platform::FixClock({2026, 3, 12, 0, 30, 0});
    EXPECT_TRUE(same(platform::JapanNow(), {2026, 3, 12, 0, 30, 0}));
    EXPECT_TRUE(same(platform::LocalNow(), {2026, 3, 12, 0, 30, 0}));
    platform::ReleaseClock();
    platform::SetClockZone(platform::ClockZone::Computer);
    if (saved)
        setenv("TZ", oldTz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
