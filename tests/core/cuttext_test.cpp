#include "platform/Clock.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "weather/HttpClient.h"
#include "weather/WeatherData.h"
#include "weather/pages/CutText.h"

#include <gtest/gtest.h>

#include <string>

TEST(CutText, CutsAndConsumesOrLeavesTheSourceAlone) {
    struct Case {
        const char* source;
        const char* start;
        const char* end;
        const char* expected;
        const char* rest;
    };
    const Case cases[] = {
        {"<td>1</td><td>2</td>", "<td", "</td>", ">1", "<td>2</td>"},
        {"<td>2</td>", "<td", "</td>", ">2", ""},
        {"<td>1", "<td", "</td>", "DEF", "<td>1"},            // end missing: nothing consumed
        {"abc</td>", "<td", "</td>", "DEF", "abc</td>"},      // start missing
        {"head--->tail--->", "", "--->", "head", "tail--->"}, // empty start: current position
        {"all of it", "", "", "all of it", ""},
        {"<>", "<", ">", "", ""}, // found but empty is not the default
        {"a<b", "<", "", "b", ""},
        {"xx<b>9</b>", ">", "<", "9", "/b>"},
    };
    for (const Case& c : cases) {
        std::string_view source = c.source;
        EXPECT_EQ(CutText(source, c.start, c.end, "DEF"), c.expected) << c.source;
        EXPECT_EQ(source, c.rest) << c.source;
    }
}

TEST(CutText, TheSourceAsDefaultStripsOneOptionalWrappingTag) {
    for (const auto& [text, expected] :
         {std::pair{"12", "12"}, {"<span>12</span>", "12"}, {"<b>-3</b>℃", "-3"}, {"---", "---"}}) {
        std::string_view t = text;
        EXPECT_EQ(CutText(t, ">", "<", t), expected) << text;
    }
}

TEST(CutText, DoesNotCopyThePage) {
    const std::string page = "<td>1</td><td>2</td>";
    std::string_view source = page;
    const std::string_view piece = CutText(source, "<td>", "</td>", "");
    EXPECT_EQ(piece.data(), page.data() + 4);
    EXPECT_EQ(source.data(), page.data() + 10);
}

TEST(Conversions, StrToIntDefAndTrimAsThePagesNeedThem) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {" -3", -3},
        {"-3 ", NoValue},
        {"", NoValue},
        {"---", NoValue},
        {"12℃", NoValue},
        {"40%", NoValue},
        {"+7", 7},
        {"03", 3},
        {"2147483647", 2147483647},
        {"2147483648", NoValue},
        {"-2147483648", -2147483647 - 1},
        {"$1F", 31},
        {"0x10", 16},
        {"\r\n5", NoValue},
        {"-", NoValue},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::StrToIntDef(c.text, NoValue), c.expected) << c.text;

    EXPECT_EQ(platform::Trim(" 晴れ\r\n"), "晴れ");
    EXPECT_EQ(platform::Trim("\t\x01 17時 \x1f"), "17時");
    EXPECT_EQ(platform::Trim("\u3000晴れ\r\n"), "\u3000晴れ"); // the ideographic space stays
    EXPECT_EQ(platform::Trim(" \r\n "), "");
}

TEST(GetPage, DecodesSkipsTheMarkAndRejoinsLines) {
    struct Case {
        std::string body;
        std::string expected;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF東京\r\n大阪\n名古屋\r札幌", "東京\r\n大阪\r\n名古屋\r\n札幌\r\n"},
        {"one line", "one line\r\n"},
        {"a\n\nb\n", "a\r\n\r\nb\r\n"},
        {"", ""},
        {"\xEF\xBB\xBF", ""},
        {"\x93\x8c\x8b\x9e", ""}, // Shift-JIS
        {"ok\xC3", ""},           // cut inside a character
        {"\xED\xA0\x80", ""},     // encoded surrogate
    };
    for (const Case& c : cases) {
        FakeHttpClient client;
        client.Pages["http://h/p"] = c.body;
        EXPECT_EQ(GetPage(client, "http://h/p"), c.expected) << c.body;
        EXPECT_EQ(client.Disconnects, 1);
    }
}

TEST(GetPage, AFailedRequestGivesTheEmptyTextWithoutDisconnecting) {
    FakeHttpClient client;
    EXPECT_EQ(GetPage(client, "http://h/missing"), "");
    EXPECT_EQ(client.Requested.size(), 1u);
    EXPECT_EQ(client.Disconnects, 0);
}

class PageDate : public ::testing::Test {
protected:
    void TearDown() override { platform::ReleaseClock(); }
};

TEST_F(PageDate, MonthAndDayFromThePageWithTheClockAsFallback) {
    struct Case {
        platform::LocalDateTime now;
        const char* month;
        const char* day;
        TDateTime expected;
    };
    const Case cases[] = {
        {{2014, 1, 1, 9, 0, 0}, "12", "31", EncodeDate(2013, 12, 31)}, // last year's page
        {{2014, 1, 1, 9, 0, 0}, "1", "1", EncodeDate(2014, 1, 1)},
        {{2026, 12, 9, 9, 0, 0}, "", "9", EncodeDate(2026, 12, 9)},     // month from the clock
        {{2026, 12, 9, 9, 0, 0}, "12", "x", EncodeDate(2026, 12, 9)},   // day from the clock
        {{2026, 12, 9, 9, 0, 0}, "12", "10", EncodeDate(2025, 12, 10)}, // after today
    };
    for (const Case& c : cases) {
        platform::FixClock(c.now);
        EXPECT_EQ(PageDateFromMonthDay(c.now, c.month, c.day), c.expected)
            << c.month << "/" << c.day;
    }
}

TEST_F(PageDate, AnImpossibleDateThrows) {
    const platform::LocalDateTime now{2026, 4, 10, 9, 0, 0};
    platform::FixClock(now);
    EXPECT_THROW(PageDateFromMonthDay(now, "4", "31"), EConvertError);
    EXPECT_THROW(PageDateFromMonthDay(now, "13", "1"), EConvertError);
}

TEST(Conversions, ReadDigitsTakesExactlyItsFieldOrNothing) {
    struct Case {
        const char* text;
        std::size_t at, count;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"2026-12-09T05", 0, 4, true, 2026}, {"2026-12-09T05", 11, 2, true, 5},
        {"2026-12-09T05", 12, 2, false, 0}, // past the end
        {"2026-12-09T05", 14, 1, false, 0}, // starts past the end
        {"2026-1x-09", 5, 2, false, 0},      {"2026- 2-09", 5, 2, false, 0},
        {"2026-+2-09", 5, 2, false, 0},
    };
    for (const Case& c : cases) {
        int value = -1;
        EXPECT_EQ(platform::ReadDigits(c.text, c.at, c.count, value), c.ok) << c.text << c.at;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text << c.at;
        }
    }
}
