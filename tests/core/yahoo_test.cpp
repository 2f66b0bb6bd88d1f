#include "platform/Clock.h"
#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "support/TempDir.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kPoint = "http://yahoo.test/weather/jp/pinpoint/13101.html";
constexpr const char* kDays = "http://yahoo.test/weather/jp/days/13101.html";
const std::int32_t N = NoValue;

class Yahoo : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 18, 0, 0});
        client.Pages[kPoint] = ReadAll(TestData("yahoo/pinpoint.html"));
        client.Pages[kDays] = ReadAll(TestData("yahoo/days.html"));
    }
    void TearDown() override { platform::ReleaseClock(); }

    FakeHttpClient client;
    TWeatherData w;
    const TDateTime today = EncodeDate(2026, 12, 9);
};

std::string DaysPage(std::string_view todayCells, std::string_view tomorrowCells) {
    auto day = [](std::string_view date, std::string_view cells) {
        return "<p class=\"date\">" + std::string(date) + "</p><tr class=\"precip\"><th>降水</th>" +
               std::string(cells) + "</tr>\n";
    };
    return "<!---今日・明日の天気--->\n" + day("12月9日", todayCells) +
           day("12月10日", tomorrowCells);
}

} // namespace

TEST_F(Yahoo, PointPageFillsNameSlotsAndWeek) {
    ASSERT_TRUE(w.ParseYahooPoint(client, kPoint));
    EXPECT_EQ(w.LocationName, "千代田区");
    EXPECT_EQ(w.UpdateInfo, "17時00分");
    const std::array<std::int32_t, 16> hours{0, 3, 6, N, 12, 15, 18, 21,
                                             0, 3, 6, 9, 12, 15, 18, 21};
    const std::array<std::int32_t, 16> temps{-2, 12, N, 0, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(w.PointHour, hours);
    EXPECT_EQ(w.PointTemp, temps);
    const std::array<std::string, 8> weather{"晴れ", " 曇り",  "雨", "",
                                             "雪",   "みぞれ", "霧", "くもり"};
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(w.PointWeather[s], weather[s]) << s;
        EXPECT_EQ(w.PointDate[s], today) << s;
        EXPECT_EQ(w.PointDate[s + 8], today + 1) << s;
    }
    EXPECT_EQ(w.PointWeather[15], "晴れ");

    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(w.WeekDate[k], today + k + 1) << k;
    const std::array<std::string, 7> weekWeather{"",     "晴時々曇", "曇後雨", "雨",
                                                 "雷雨", "曇一時雪", "霧"};
    EXPECT_EQ(w.WeekWeather, weekWeather);
    // Only the blue figure: no maximum, and the minimum is still read.
    EXPECT_EQ(w.WeekMaxTemp, (std::array<std::int32_t, 7>{N, 12, N, 9, 9, 9, 9}));
    EXPECT_EQ(w.WeekMinTemp, (std::array<std::int32_t, 7>{N, -3, 2, 1, 1, 1, 1}));
    EXPECT_EQ(w.WeekProb, (std::array<std::int32_t, 7>{N, 20, N, 30, 40, 50, 60}));
}

TEST_F(Yahoo, MissingSectionsStayEmpty) {
    auto without = [&](std::string page, std::string_view marker) {
        page.erase(page.find(marker), marker.size());
        return page;
    };
    const std::string page = client.Pages[kPoint];

    client.Pages[kPoint] = without(page, "今日の天気");
    TWeatherData noToday;
    ASSERT_TRUE(noToday.ParseYahooPoint(client, kPoint));
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(noToday.PointDate[s], 0.0);
        EXPECT_EQ(noToday.PointHour[s], N);
        EXPECT_EQ(noToday.PointDate[s + 8], 1.0); // the day after the zero date
    }
    EXPECT_EQ(noToday.PointTemp[8], 1);

    client.Pages[kPoint] = without(page, "<!---週間の天気");
    TWeatherData noWeek;
    ASSERT_TRUE(noWeek.ParseYahooPoint(client, kPoint));
    const TWeatherData cleared;
    EXPECT_EQ(noWeek.WeekDate, cleared.WeekDate);
    EXPECT_EQ(noWeek.WeekWeather, cleared.WeekWeather);
    EXPECT_EQ(noWeek.WeekProb, cleared.WeekProb);
    EXPECT_EQ(noWeek.PointTemp[15], 8);

    client.Pages[kPoint] = without(page, "ピンポイント天気");
    TWeatherData noHeading;
    ASSERT_TRUE(noHeading.ParseYahooPoint(client, kPoint));
    EXPECT_EQ(noHeading.UpdateInfo, "");
}

TEST_F(Yahoo, DaysPageFillsBothDaysAndWeeklySlotZero) {
    ASSERT_TRUE(w.ParseYahooPoint(client, kPoint));
    ASSERT_TRUE(w.ParseYahooDays(client, kDays));
    EXPECT_EQ(w.DayDate[0], today);
    EXPECT_EQ(w.DayDate[1], today + 1);
    EXPECT_EQ(w.DayWeather[0], "晴のち曇");
    EXPECT_EQ(w.DayWeather[1], "雨時々雪");
    EXPECT_EQ(w.DayMaxTemp[0], 14);
    EXPECT_EQ(w.DayMinTemp[0], -3);
    EXPECT_EQ(w.DayMaxTemp[1], N); // empty <em>
    EXPECT_EQ(w.DayMinTemp[1], -8);
    EXPECT_EQ(w.DayProb, (std::array<std::int32_t, 8>{N, N, 20, 30, 30, 30, 30, 30}));
    EXPECT_EQ(w.WeekDate[0], today + 1);
    EXPECT_EQ(w.WeekMinTemp[0], 1);
    EXPECT_EQ(w.WeekMaxTemp[0], 8);
    EXPECT_EQ(w.WeekProb[0], 30);
    EXPECT_EQ(w.WeekWeather[0], "雨時々雪");
}

TEST_F(Yahoo, BandsWithoutAFigureTakeThePreviousBand) {
    struct Case {
        const char* today;
        const char* tomorrow;
        std::array<std::int32_t, 8> expected;
    };
    const Case cases[] = {
        {"<td>---</td><td>---</td><td>20％</td><td>30％</td>",
         "<td>10％</td><td>20％</td><td>30％</td><td>40％</td>",
         {N, N, 20, 30, 10, 20, 30, 40}},
        {"<td>20％</td><td>---</td><td>---</td><td>10％</td>",
         "<td>---</td><td>50%</td><td>60％</td><td></td>", // ASCII % is no figure
         {20, 20, 20, 10, 10, 10, 60, 60}},
        // A line break after the figure: trimmed today, not tomorrow.
        {"<td>0％</td><td>\n40\n</td><td> 50％ </td><td>60％</td>",
         "<td>70％</td><td>\n40\n</td><td>80％</td><td>90％</td>",
         {0, 40, 50, 60, 70, 70, 80, 90}},
        // Only the bare tag counts as a cell.
        {"<td class=\"x\">90％</td><td>10％</td>", "", {10, 10, 10, 10, 10, 10, 10, 10}},
    };
    for (const Case& c : cases) {
        FakeHttpClient f;
        f.Pages[kDays] = DaysPage(c.today, c.tomorrow);
        TWeatherData r;
        ASSERT_TRUE(r.ParseYahooDays(f, kDays)) << c.today;
        EXPECT_EQ(r.DayProb, c.expected) << c.today << " | " << c.tomorrow;
    }
}

TEST_F(Yahoo, NoDaysCommentMeansNoDayFieldsButStillTrue) {
    FakeHttpClient f;
    f.Pages[kDays] =
        "<p class=\"date\">12月9日</p><ul class=\"temp\"><li class=\"high\"><em>5</em>";
    TWeatherData r;
    r.WeekDate[0] = today + 1;
    ASSERT_TRUE(r.ParseYahooDays(f, kDays));
    EXPECT_EQ(r.DayDate[0], 0.0);
    EXPECT_EQ(r.DayMaxTemp[0], N);
    EXPECT_EQ(r.WeekDate[0], 0.0); // tomorrow's date 0 disagrees with the point page
}

TEST_F(Yahoo, LoadClearsTheRecordOnFailureAndAsksForNothingMore) {
    FakeHttpClient noPoint = client;
    noPoint.Pages.erase(kPoint);
    EXPECT_FALSE(w.LoadYahoo(noPoint, kPoint, kDays));
    EXPECT_EQ(noPoint.Requested.size(), 1u);

    FakeHttpClient noDays = client;
    noDays.Pages[kDays] = "\x82\xa0"; // not UTF-8: as good as no page
    EXPECT_FALSE(w.LoadYahoo(noDays, kPoint, kDays));
    EXPECT_EQ(noDays.Requested.size(), 2u);
    EXPECT_EQ(w.LocationName, "");
    EXPECT_EQ(w.PointHour[0], N);
    EXPECT_EQ(w.WeekDate[3], 0.0);

    ASSERT_TRUE(w.LoadYahoo(client, kPoint, kDays));
    EXPECT_EQ(client.Requested, (std::vector<std::string>{kPoint, kDays}));
}

TEST_F(Yahoo, AnImpossiblePageDateLeavesTheLoader) {
    std::string page = client.Pages[kPoint];
    page.replace(page.find(" -12月9日"), std::string(" -12月9日").size(), " -2月30日");
    client.Pages[kPoint] = page;
    EXPECT_THROW(w.LoadYahoo(client, kPoint, kDays), EConvertError);
}
