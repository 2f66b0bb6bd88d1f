#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <optional>

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
