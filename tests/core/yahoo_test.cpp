#include "platform/Clock.h"
#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/TempDir.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
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

// What the point page of tests/data/yahoo gives, every field written out.
TWeatherData PointPageRecord(TDateTime today) {
    TWeatherData w;
    w.LocationName = "千代田区";
    w.UpdateInfo = "17時00分";
    for (int s = 0; s < 16; ++s)
        w.PointDate[s] = today + (s < 8 ? 0 : 1);
    w.PointHour = {0, 3, 6, N, 12, 15, 18, 21, 0, 3, 6, 9, 12, 15, 18, 21};
    w.PointWeather = {"晴れ", " 曇り", "雨",   "",     "雪",     "みぞれ",   "霧",   "くもり",
                      "雨",   "弱雨",  "雷雨", "曇り", "くもり", "晴時々曇", "晴れ", "快晴"};
    w.PointTemp = {-2, 12, N, 0, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 8};
    for (int k = 0; k < 7; ++k)
        w.WeekDate[k] = today + k + 1;
    // Slot 0 is left to the days page; slot 2 has only the blue figure.
    w.WeekWeather = {"", "晴時々曇", "曇後雨", "雨", "雷雨", "曇一時雪", "霧"};
    w.WeekMaxTemp = {N, 12, N, 9, 8, 7, 6};
    w.WeekMinTemp = {N, -3, 2, 1, 0, -1, -2};
    w.WeekProb = {N, 20, N, 30, 40, 50, 60};
    return w;
}

// The point page and then the days page of tests/data/yahoo.
TWeatherData BothPagesRecord(TDateTime today) {
    TWeatherData w = PointPageRecord(today);
    w.DayDate = {today, today + 1};
    w.DayWeather = {"晴のち曇", "雨時々雪"};
    w.DayMaxTemp = {14, N}; // tomorrow's <em> is empty
    w.DayMinTemp = {-3, -8};
    w.DayProb = {N, N, 20, 30, 30, 30, 30, 30};
    // Weekly slot 0: tomorrow's point extremes, highest band, summary weather.
    w.WeekWeather[0] = "雨時々雪";
    w.WeekMinTemp[0] = 1;
    w.WeekMaxTemp[0] = 8;
    w.WeekProb[0] = 30;
    return w;
}

// The page without the table row that holds the `nth` (0-based) occurrence of `label`.
std::string WithoutRow(std::string page, std::string_view label, int nth) {
    std::size_t at = page.find(label);
    for (int i = 0; i < nth; ++i)
        at = page.find(label, at + 1);
    const std::size_t begin = page.rfind("<tr>", at);
    const std::size_t end = page.find("</tr>", at) + 5;
    return page.erase(begin, end - begin);
}

// `page` without any `text`.
std::string WithoutEvery(std::string page, std::string_view text) {
    for (std::size_t at = page.find(text); at != std::string::npos; at = page.find(text, at))
        page.erase(at, text.size());
    return page;
}

// `page` with the first `from` replaced by `to`.
std::string Replaced(std::string page, std::string_view from, std::string_view to) {
    const std::size_t at = page.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? page : page.replace(at, from.size(), to);
}

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
    EXPECT_RECORD_EQ(w, PointPageRecord(today));
}

TEST_F(Yahoo, ARowWhoseLabelIsMissingReadsNoCells) {
    // Were its cells read all the same, they would be the next row's, and every row after it
    // would be shifted.
    const std::string page = client.Pages[kPoint];
    struct Case {
        const char* what;
        std::string page;
        std::function<void(TWeatherData&)> expect;
    };
    // Only the last row of each label can be missing: another label of the same name further
    // down (today's hours, tomorrow's weather) would be found instead, in page order.
    const Case cases[] = {
        {"tomorrow's hours", WithoutRow(page, "<small>時間", 1),
         [](TWeatherData& e) { std::fill_n(e.PointHour.begin() + 8, 8, N); }},
        {"the week's dates", WithoutRow(page, "<small>日付", 0),
         [](TWeatherData&) {}}, // the dates come from the page's today anyway
        {"the week's weather", WithoutRow(page, "<small>天気", 2),
         [](TWeatherData& e) { std::fill_n(e.WeekWeather.begin() + 1, 6, ""); }},
        {"the week's temperatures", WithoutRow(page, "<small>気温（℃）", 2),
         [](TWeatherData& e) {
             std::fill_n(e.WeekMaxTemp.begin() + 1, 6, N);
             std::fill_n(e.WeekMinTemp.begin() + 1, 6, N);
         }},
        {"the week's probabilities", WithoutRow(page, "<small>降水", 0),
         [](TWeatherData& e) { std::fill_n(e.WeekProb.begin() + 1, 6, N); }},
        // The label alone gone, its cells still there: they are not read either.
        {"the week's probability label",
         [&] {
             const std::string label = "<small>降水<br>確率（％）</small>";
             std::string p = page;
             return p.erase(p.find(label), label.size());
         }(),
         [](TWeatherData& e) { std::fill_n(e.WeekProb.begin() + 1, 6, N); }},
        {"tomorrow's hour label",
         [&] {
             const std::string label = "<small>時間</small>";
             std::string p = page;
             return p.erase(p.find(label, p.find(label) + 1), label.size());
         }(),
         [](TWeatherData& e) { std::fill_n(e.PointHour.begin() + 8, 8, N); }},
        // A label gone from the whole page, its cells still there: no later label of the same
        // name can stand in, so any row that read its cells anyway would show.
        {"every hour label", WithoutEvery(page, "<small>時間</small>"),
         [](TWeatherData& e) { e.PointHour.fill(N); }},
        {"every weather label", WithoutEvery(page, "<small>天気</small>"),
         [](TWeatherData& e) {
             e.PointWeather.fill("");
             std::fill_n(e.WeekWeather.begin() + 1, 6, "");
         }},
        {"every temperature label", WithoutEvery(page, "<small>気温（℃）</small>"),
         [](TWeatherData& e) {
             e.PointTemp.fill(N);
             std::fill_n(e.WeekMaxTemp.begin() + 1, 6, N);
             std::fill_n(e.WeekMinTemp.begin() + 1, 6, N);
         }},
    };
    for (const Case& c : cases) {
        client.Pages[kPoint] = c.page;
        TWeatherData r;
        ASSERT_TRUE(r.ParseYahooPoint(client, kPoint)) << c.what;
        TWeatherData expected = PointPageRecord(today);
        c.expect(expected);
        EXPECT_RECORD_EQ(r, expected) << c.what;
    }
}

TEST_F(Yahoo, MissingSectionsStayEmpty) {
    const std::string page = client.Pages[kPoint];
    auto without = [&](std::string_view marker) {
        std::string p = page;
        return p.erase(p.find(marker), marker.size());
    };
    struct Case {
        const char* what;
        std::string page;
        std::function<void(TWeatherData&)> expect;
    };
    const Case cases[] = {
        {"no today heading", without("今日の天気"),
         [](TWeatherData& e) {
             // Without the page's today the dates count from the zero date.
             for (int s = 0; s < 8; ++s) {
                 e.PointDate[s] = 0.0;
                 e.PointHour[s] = N;
                 e.PointWeather[s].clear();
                 e.PointTemp[s] = N;
                 e.PointDate[s + 8] = 1.0;
             }
             for (int k = 0; k < 7; ++k)
                 e.WeekDate[k] = k + 1.0;
         }},
        {"no weekly comment", without("<!---週間の天気"),
         [](TWeatherData& e) {
             const TWeatherData cleared;
             e.WeekDate = cleared.WeekDate;
             e.WeekWeather = cleared.WeekWeather;
             e.WeekMinTemp = cleared.WeekMinTemp;
             e.WeekMaxTemp = cleared.WeekMaxTemp;
             e.WeekProb = cleared.WeekProb;
         }},
        {"no announcement heading", without("ピンポイント天気"),
         [](TWeatherData& e) { e.UpdateInfo.clear(); }},
        {"no tomorrow heading", without("明日の天気"),
         [](TWeatherData& e) {
             for (int s = 8; s < 16; ++s) {
                 e.PointDate[s] = 0.0;
                 e.PointHour[s] = N;
                 e.PointWeather[s].clear();
                 e.PointTemp[s] = N;
             }
         }},
    };
    for (const Case& c : cases) {
        client.Pages[kPoint] = c.page;
        TWeatherData r;
        ASSERT_TRUE(r.ParseYahooPoint(client, kPoint)) << c.what;
        TWeatherData expected = PointPageRecord(today);
        c.expect(expected);
        EXPECT_RECORD_EQ(r, expected) << c.what;
    }
}

TEST_F(Yahoo, PointPageTextsAreTakenAsCutAndCellsInPageOrder) {
    const std::string page = client.Pages[kPoint];
    struct Case {
        const char* what;
        std::string page;
        std::function<void(TWeatherData&)> expect;
    };
    const Case cases[] = {
        {"a place name with blanks around it",
         Replaced(page, "<title>千代田区の", "<title> 千代田区\u3000の"),
         [](TWeatherData& e) { e.LocationName = " 千代田区\u3000"; }},
        {"a weekly weather with blanks around it",
         Replaced(page, "<small>雷雨</small>", "<small> 雷雨\n</small>"),
         [](TWeatherData& e) { e.WeekWeather[4] = " 雷雨\r\n"; }},
        // A trailing blank makes no number: the probability is taken as cut.
        {"a weekly probability with a blank after it",
         Replaced(page, "<small>40</small>", "<small>40 </small>"),
         [](TWeatherData& e) { e.WeekProb[4] = N; }},
        // The maximum is read first; the minimum only from what follows it in the cell.
        {"a weekly temperature cell with the minimum first",
         Replaced(page, "<font color=\"#ff3300\">8</font><br><font color=\"#0066ff\">0</font>",
                  "<font color=\"#0066ff\">0</font><br><font color=\"#ff3300\">8</font>"),
         [](TWeatherData& e) { e.WeekMinTemp[4] = N; }},
        // Six date cells are taken whatever the row holds: a row of three takes the weather
        // row's label cell and two of its cells, so the weekly weather is not found.
        {"a date row of three cells",
         Replaced(page,
                  "<td><small>12月14日</small></td><td><small>12月15日</small></td>"
                  "<td><small>12月16日</small></td>",
                  ""),
         [](TWeatherData& e) { std::fill_n(e.WeekWeather.begin() + 1, 6, ""); }},
    };
    for (const Case& c : cases) {
        client.Pages[kPoint] = c.page;
        TWeatherData r;
        ASSERT_TRUE(r.ParseYahooPoint(client, kPoint)) << c.what;
        TWeatherData expected = PointPageRecord(today);
        c.expect(expected);
        EXPECT_RECORD_EQ(r, expected) << c.what;
    }
}

TEST_F(Yahoo, DaysPageTextsAreTakenAsCutOrTrimmedAsEachRuleSays) {
    const std::string days = client.Pages[kDays];
    struct Case {
        const char* what;
        std::string page;
        std::function<void(TWeatherData&)> expect;
    };
    const Case cases[] = {
        {"a weather with blanks around it",
         Replaced(days, "alt=\"晴のち曇\"", "alt=\" 晴のち曇 \""),
         [](TWeatherData& e) { e.DayWeather[0] = " 晴のち曇 "; }},
        {"a minimum with blanks around it", Replaced(days, "<em>-3</em>", "<em> -3\n</em>"),
         [](TWeatherData&) {}},
    };
    for (const Case& c : cases) {
        client.Pages[kDays] = c.page;
        TWeatherData r;
        ASSERT_TRUE(r.ParseYahooPoint(client, kPoint)) << c.what;
        ASSERT_TRUE(r.ParseYahooDays(client, kDays)) << c.what;
        TWeatherData expected = BothPagesRecord(today);
        c.expect(expected);
        EXPECT_RECORD_EQ(r, expected) << c.what;
    }
}

TEST_F(Yahoo, DaysPageFillsBothDaysAndWeeklySlotZero) {
    ASSERT_TRUE(w.ParseYahooPoint(client, kPoint));
    ASSERT_TRUE(w.ParseYahooDays(client, kDays));
    EXPECT_RECORD_EQ(w, BothPagesRecord(today));
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
    struct Case {
        const char* what;
        std::optional<std::string> point, days; // nothing: no such page
        std::size_t requests;
    };
    const Case cases[] = {
        {"no point page", std::nullopt, client.Pages[kDays], 1},
        {"a days page that is not UTF-8", client.Pages[kPoint], "\x82\xa0", 2},
        {"no days page", client.Pages[kPoint], std::nullopt, 2},
    };
    for (const Case& c : cases) {
        FakeHttpClient f;
        if (c.point)
            f.Pages[kPoint] = *c.point;
        if (c.days)
            f.Pages[kDays] = *c.days;
        // Whatever the record held before (the refresh's status line, an old forecast) goes.
        TWeatherData r;
        r.Information = "接続しています";
        r.DayDate.fill(today);
        r.DayWeather.fill("雪");
        EXPECT_FALSE(r.LoadYahoo(f, kPoint, kDays)) << c.what;
        EXPECT_EQ(f.Requested.size(), c.requests) << c.what;
        EXPECT_RECORD_EQ(r, TWeatherData()) << c.what;
    }

    ASSERT_TRUE(w.LoadYahoo(client, kPoint, kDays));
    EXPECT_EQ(client.Requested, (std::vector<std::string>{kPoint, kDays}));
    EXPECT_RECORD_EQ(w, BothPagesRecord(today));
}

TEST_F(Yahoo, AnImpossiblePageDateLeavesTheLoader) {
    std::string page = client.Pages[kPoint];
    page.replace(page.find(" -12月9日"), std::string(" -12月9日").size(), " -2月30日");
    client.Pages[kPoint] = page;
    EXPECT_THROW(w.LoadYahoo(client, kPoint, kDays), EConvertError);
}
