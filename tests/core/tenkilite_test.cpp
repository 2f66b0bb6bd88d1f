#include "platform/Clock.h"
#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/TempDir.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr const char* kPoint = "http://lite.test:8080/lite/forecast/point/13101.html?from=menu";
constexpr const char* kDays = "http://lite.test:8080/lite/forecast/days/13101.html";
constexpr const char* kScripts =
    "http://lite.test:8080/component/static_api/lite/forecast_point/table/13101";

// Writes <, =, " and > the way the table scripts do.
std::string Escaped(std::string_view html) {
    std::string out;
    for (const char c : html) {
        switch (c) {
        case '<':
            out += "\\u003c";
            break;
        case '=':
            out += "\\u003d";
            break;
        case '"':
            out += "\\u0022";
            break;
        case '>':
            out += "\\u003e";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Row(std::string_view hour, std::string_view weather, std::string_view temp) {
    return Escaped("<tr><td class=\"forecast_point_hour fs_m1\">" + std::string(hour) +
                   "時</td><td><p class=\"forecast_point_weather_telop fs_m3\">" +
                   std::string(weather) +
                   "</p></td><td class=\"forecast_point_temperature fs_m1\">" + std::string(temp) +
                   "</td></tr>");
}

std::string TodayScript(std::string_view rows) {
    return "var h = '" +
           Escaped("<p>2026年12月09日17時00分発表</p><table><tr><th>今日<br>9日</th></tr>") +
           std::string(rows) + "';\n";
}

// What the point page and scripts of tests/data/tenkilite give, every field written out: the
// scripts fill few slots, the others keep their initial hour and stay empty.
TWeatherData PointPageRecord(TDateTime today) {
    const std::int32_t N = NoValue;
    TWeatherData w;
    w.LocationName = "千代田区";
    w.UpdateInfo = "17時00分";
    for (int s = 0; s < 16; ++s) {
        w.PointDate[s] = today + (s < 8 ? 0 : 1);
        w.PointHour[s] = 3 * (s % 8 + 1);
    }
    // Tomorrow's first row (3 o'clock, 99) is the header, whatever it holds.
    w.PointWeather = {"晴れ", "", "", "", "曇り", "", "", " 雨 ", "", "", "", "", "雪", "", "", ""};
    w.PointTemp = {-2, N, N, N, 0, N, N, N, N, N, N, N, -7, N, N, N};
    // The weekly table has three days; slot 0 is left to the days page.
    w.WeekDate = {today + 1, today + 2, today + 3, today + 4, 0.0, 0.0, 0.0};
    w.WeekWeather = {"", "晴時々曇", "雨", "曇り", "", "", ""};
    w.WeekMaxTemp = {N, 12, 8, N, N, N, N};
    w.WeekMinTemp = {N, -3, -1, 2, N, N, N};
    w.WeekProb = {N, 30, 40, N, N, N, N};
    return w;
}

// The point page and then the days page of tests/data/tenkilite.
TWeatherData BothPagesRecord(TDateTime today) {
    TWeatherData w = PointPageRecord(today);
    w.DayDate = {today, today + 1};
    w.DayWeather = {"晴のち曇", "雪"};
    w.DayMaxTemp = {14, 3};
    w.DayMinTemp = {-1, NoValue}; // an empty cell
    w.DayProb = {NoValue, 10, 30, 30, 60, 80, 70, 50};
    // Weekly slot 0: tomorrow's only point temperature is both extremes.
    w.WeekWeather[0] = "雪";
    w.WeekMinTemp[0] = -7;
    w.WeekMaxTemp[0] = -7;
    w.WeekProb[0] = 80;
    return w;
}

// `page` with the first `from` replaced by `to`.
std::string Replaced(std::string page, std::string_view from, std::string_view to) {
    const std::size_t at = page.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? page : page.replace(at, from.size(), to);
}

// `page` without any `text`.
std::string WithoutEvery(std::string page, std::string_view text) {
    for (std::size_t at = page.find(text); at != std::string::npos; at = page.find(text, at))
        page.erase(at, text.size());
    return page;
}

class TenkiLite : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 18, 0, 0});
        client.Pages[kPoint] = ReadAll(TestData("tenkilite/point.html"));
        client.Pages[std::string(kScripts) + "_today.js"] = ReadAll(TestData("tenkilite/today.js"));
        client.Pages[std::string(kScripts) + "_tomorrow.js"] =
            ReadAll(TestData("tenkilite/tomorrow.js"));
        client.Pages[kDays] = ReadAll(TestData("tenkilite/days.html"));
    }
    void TearDown() override { platform::ReleaseClock(); }

    FakeHttpClient client;
    TWeatherData w;
    const TDateTime today = EncodeDate(2026, 12, 9);
};

} // namespace

TEST_F(TenkiLite, PointPageAndScriptsFillNameSlotsAndWeek) {
    ASSERT_TRUE(w.ParseTenkiLitePoint(client, kPoint));
    EXPECT_RECORD_EQ(w, PointPageRecord(today));
}

TEST_F(TenkiLite, ScriptsComeFromTheSameServerWithOneStamp) {
    ASSERT_TRUE(w.ParseTenkiLitePoint(client, kPoint));
    const std::string stamp = std::to_string(platform::UnixSecondsNow() * 1000);
    ASSERT_EQ(client.Requested.size(), 3u);
    EXPECT_EQ(client.Requested[0], kPoint);
    EXPECT_EQ(client.Requested[1], std::string(kScripts) + "_today.js?" + stamp);
    EXPECT_EQ(client.Requested[2], std::string(kScripts) + "_tomorrow.js?" + stamp);
    EXPECT_TRUE(stamp.ends_with("000"));

    // Without a port, and with credentials and a query, only scheme and host stay.
    FakeHttpClient other;
    other.Pages["https://u:p@lite.test/a/b.html"] = client.Pages[kPoint];
    w.ParseTenkiLitePoint(other, "https://u:p@lite.test/a/b.html");
    ASSERT_GE(other.Requested.size(), 2u);
    EXPECT_EQ(other.Requested[1],
              "https://lite.test/component/static_api/lite/forecast_point/table/13101_today.js?" +
                  stamp);
}

TEST_F(TenkiLite, ThePointPageIsReadSectionBySectionAndTheNameAsCut) {
    const std::string page = client.Pages[kPoint];
    // Another script line and another weekly table, each before its own section: neither is
    // taken, because each is looked for only behind its section's comment.
    const std::string otherScript =
        "document.write('<scr' + 'ipt src=\"' + '/component/static_api/lite/forecast_point/table/' "
        "+  99999  + '_today.js?' + (new Date()).getTime() + '\"></scr' + 'ipt>');\n";
    const std::string otherWeek =
        "<table class=\"forecast_week\"><tr><th>日付</th></tr><tr><td>1日</td><td><p "
        "class=\"forecast_week_weather_telop\">嵐</p></td><td><p "
        "class=\"forecast_week_temperature_max_temp\">40℃</p></td><td><p "
        "class=\"forecast_week_precip\">90%</p></td></tr></table>\n";
    struct Case {
        const char* what;
        std::string page;
        std::function<void(TWeatherData&)> expect;
    };
    const Case cases[] = {
        {"a script line before the point section",
         Replaced(page, "<!-- ポイント予報(今日) -->", otherScript + "<!-- ポイント予報(今日) -->"),
         [](TWeatherData&) {}},
        {"a weekly table before the weekly section",
         Replaced(page, "<!-- 10日間天気 -->", otherWeek + "<!-- 10日間天気 -->"),
         [](TWeatherData&) {}},
        {"a place name with blanks around it",
         Replaced(page, "content=\"千代田区の", "content=\" 千代田区\u3000の"),
         [](TWeatherData& e) { e.LocationName = " 千代田区\u3000"; }},
    };
    for (const Case& c : cases) {
        client.Pages[kPoint] = c.page;
        client.Requested.clear();
        TWeatherData r;
        ASSERT_TRUE(r.ParseTenkiLitePoint(client, kPoint)) << c.what;
        TWeatherData expected = PointPageRecord(today);
        c.expect(expected);
        EXPECT_RECORD_EQ(r, expected) << c.what;
        ASSERT_EQ(client.Requested.size(), 3u) << c.what;
        EXPECT_EQ(client.Requested[1].rfind(std::string(kScripts) + "_today.js?", 0), 0u) << c.what;
    }
}

TEST_F(TenkiLite, HourTextsDecideTheSlot) {
    struct Case {
        const char* hour;
        int slot; // -1: no slot changes
        int hourValue;
    };
    const Case cases[] = {
        {"15", 4, 15},   {"03", 0, 3},  {"3", 0, 3},
        {"4", 0, 4},     {"24", 7, 24}, {"<span>9</span>", 2, 9},
        {" 12 ", 3, 12}, {"0", -1, 0},  {"2", -1, 0},
        {"25", -1, 0},   {"--", -1, 0}, {"", -1, 0},
    };
    for (const Case& c : cases) {
        client.Pages[std::string(kScripts) + "_today.js"] = TodayScript(Row(c.hour, "晴れ", "5"));
        TWeatherData r;
        ASSERT_TRUE(r.ParseTenkiLitePoint(client, kPoint)) << c.hour;
        for (int s = 0; s < 8; ++s) {
            const bool hit = s == c.slot;
            EXPECT_EQ(r.PointHour[s], hit ? c.hourValue : 3 * (s + 1)) << c.hour << " slot " << s;
            EXPECT_EQ(r.PointWeather[s], hit ? "晴れ" : "") << c.hour << " slot " << s;
            EXPECT_EQ(r.PointTemp[s], hit ? 5 : NoValue) << c.hour << " slot " << s;
        }
    }
}

TEST_F(TenkiLite, ALaterRowForTheSameSlotWins) {
    client.Pages[std::string(kScripts) + "_today.js"] =
        TodayScript(Row("3", "晴れ", "1") + Row("4", "雨", "2"));
    ASSERT_TRUE(w.ParseTenkiLitePoint(client, kPoint));
    EXPECT_EQ(w.PointHour[0], 4);
    EXPECT_EQ(w.PointWeather[0], "雨");
    EXPECT_EQ(w.PointTemp[0], 2);
}

TEST_F(TenkiLite, MissingPiecesFailThePointParse) {
    struct Case {
        const char* what;
        std::string point, today, tomorrow;
        std::size_t requests;
    };
    const std::string point = client.Pages[kPoint];
    const std::string today = client.Pages[std::string(kScripts) + "_today.js"];
    const std::string tomorrow = client.Pages[std::string(kScripts) + "_tomorrow.js"];
    auto without = [&](std::string_view marker) {
        std::string p = point;
        p.erase(p.find(marker), marker.size());
        return p;
    };
    const Case cases[] = {
        {"empty page", "", today, tomorrow, 1},
        {"no point section", without("<!-- ポイント予報(今日) -->"), today, tomorrow, 1},
        {"no script code", without("13101"), today, tomorrow, 1},
        {"no today script", point, "", tomorrow, 2},
        {"no tomorrow script", point, today, "", 3},
        {"no weekly section", without("<!-- 10日間天気 -->"), today, tomorrow, 3},
    };
    for (const Case& c : cases) {
        FakeHttpClient f;
        if (!c.point.empty())
            f.Pages[kPoint] = c.point;
        if (!c.today.empty())
            f.Pages[std::string(kScripts) + "_today.js"] = c.today;
        if (!c.tomorrow.empty())
            f.Pages[std::string(kScripts) + "_tomorrow.js"] = c.tomorrow;
        TWeatherData r;
        EXPECT_FALSE(r.ParseTenkiLitePoint(f, kPoint)) << c.what;
        EXPECT_EQ(f.Requested.size(), c.requests) << c.what;
    }
}

TEST_F(TenkiLite, AScriptWithoutRowsLeavesTheInitialSlotsAndNoWeekTableIsFine) {
    client.Pages[std::string(kScripts) + "_today.js"] = TodayScript("");
    std::string point = client.Pages[kPoint];
    point.erase(point.find("<table class=\"forecast_week\">")); // the weekly comment stays
    client.Pages[kPoint] = point;
    ASSERT_TRUE(w.ParseTenkiLitePoint(client, kPoint));
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(w.PointDate[s], today);
        EXPECT_EQ(w.PointHour[s], 3 * (s + 1));
        EXPECT_EQ(w.PointTemp[s], NoValue);
    }
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(w.WeekDate[k], 0.0) << k;
}

TEST_F(TenkiLite, APageDayAfterTodayIsThatDayOfThePreviousMonth) {
    struct Case {
        platform::LocalDateTime now;
        const char* day;
        TDateTime expected;
    };
    const Case cases[] = {
        {{2027, 1, 1, 0, 30, 0}, "31", EncodeDate(2026, 12, 31)},
        {{2026, 3, 1, 6, 0, 0}, "28", EncodeDate(2026, 2, 28)},
        {{2026, 12, 9, 6, 0, 0}, "9", EncodeDate(2026, 12, 9)},
        {{2026, 12, 9, 6, 0, 0}, "x", EncodeDate(2026, 12, 9)}, // the clock's day
    };
    for (const Case& c : cases) {
        platform::FixClock(c.now);
        client.Pages[std::string(kScripts) + "_today.js"] =
            "'" + Escaped("<p>1日0時発表</p><tr><th>今日<br>") + c.day + "日'";
        TWeatherData r;
        ASSERT_TRUE(r.ParseTenkiLitePoint(client, kPoint)) << c.day;
        EXPECT_EQ(r.PointDate[0], c.expected) << c.day;
        EXPECT_EQ(r.PointDate[8], c.expected + 1) << c.day;
        EXPECT_EQ(r.WeekDate[1], c.expected + 2) << c.day;
    }
    // 31 read in April is no day of April.
    platform::FixClock({2026, 4, 10, 6, 0, 0});
    client.Pages[std::string(kScripts) + "_today.js"] = "'" + Escaped("今日<br>") + "31日'";
    TWeatherData r;
    EXPECT_THROW(r.ParseTenkiLitePoint(client, kPoint), EConvertError);
}

TEST_F(TenkiLite, DaysPageFillsBothDaysAndWeeklySlotZero) {
    ASSERT_TRUE(w.ParseTenkiLitePoint(client, kPoint));
    ASSERT_TRUE(w.ParseTenkiLiteDays(client, kDays));
    EXPECT_RECORD_EQ(w, BothPagesRecord(today));
}

TEST_F(TenkiLite, NoBandIsReadWithoutItsPrecipitationHeader) {
    const std::string days = client.Pages[kDays];
    const std::string header = "<td class=\"forecast_days_precip_index fs_m3\">降水確率</td>";
    auto withoutHeader = [&](int nth) {
        std::string page = days;
        std::size_t at = page.find(header);
        for (int i = 0; i < nth; ++i)
            at = page.find(header, at + 1);
        return page.erase(at, header.size());
    };
    auto withoutRow = [&](int nth) {
        std::string page = days;
        std::size_t at = page.find(header);
        for (int i = 0; i < nth; ++i)
            at = page.find(header, at + 1);
        const std::size_t begin = page.rfind("<tr>", at);
        return page.erase(begin, page.find("</tr>", at) + 5 - begin);
    };
    struct Case {
        const char* what;
        std::string page;
        std::array<std::int32_t, 8> bands;
        std::int32_t weekProb0;
    };
    const std::int32_t N = NoValue;
    // Tomorrow's header is the last: a missing today's header would have tomorrow's found in
    // its place, in page order.
    const Case cases[] = {
        // The cells are still there, yet without their header they are not bands.
        {"tomorrow's header", withoutHeader(1), {N, 10, 30, 30, N, N, N, N}, N},
        {"tomorrow's row", withoutRow(1), {N, 10, 30, 30, N, N, N, N}, N},
    };
    for (const Case& c : cases) {
        client.Pages[kDays] = c.page;
        TWeatherData r;
        ASSERT_TRUE(r.ParseTenkiLitePoint(client, kPoint)) << c.what;
        ASSERT_TRUE(r.ParseTenkiLiteDays(client, kDays)) << c.what;
        TWeatherData expected = BothPagesRecord(today);
        expected.DayProb = c.bands;
        expected.WeekProb[0] = c.weekProb0;
        EXPECT_RECORD_EQ(r, expected) << c.what;
    }
}

TEST_F(TenkiLite, TheDaysPageTakesEachPartOnlyUnderItsHeading) {
    const std::string days = client.Pages[kDays];
    const std::int32_t N = NoValue;
    struct Case {
        const char* what;
        std::string page;
        std::function<void(TWeatherData&)> expect;
    };
    const Case cases[] = {
        // No header on the whole page, so none stands in: the band cells are not read at all.
        {"neither day's precipitation header",
         WithoutEvery(days, "<td class=\"forecast_days_precip_index fs_m3\">降水確率</td>"),
         [&](TWeatherData& e) {
             e.DayProb = {N, N, N, N, N, N, N, N};
             e.WeekProb[0] = N;
         }},
        // Without tomorrow's heading tomorrow has no date; the weekly slot 0 then does not
        // match it and is emptied.
        {"tomorrow's heading",
         WithoutEvery(days, "<h4 class=\"forecast_days_public_date "
                            "forecast_days_public_date_tomorrow\">12月10日(木)</h4>"),
         [&](TWeatherData& e) {
             e.DayDate[1] = 0.0;
             e.WeekDate[0] = 0.0;
             e.WeekWeather[0].clear();
             e.WeekMinTemp[0] = e.WeekMaxTemp[0] = e.WeekProb[0] = N;
         }},
    };
    for (const Case& c : cases) {
        client.Pages[kDays] = c.page;
        TWeatherData r;
        ASSERT_TRUE(r.ParseTenkiLitePoint(client, kPoint)) << c.what;
        ASSERT_TRUE(r.ParseTenkiLiteDays(client, kDays)) << c.what;
        TWeatherData expected = BothPagesRecord(today);
        c.expect(expected);
        EXPECT_RECORD_EQ(r, expected) << c.what;
    }
}

TEST_F(TenkiLite, TheTodayHeadingGivesMonthAndDay) {
    struct Case {
        platform::LocalDateTime now;
        const char* heading;
        TDateTime expected;
    };
    const Case cases[] = {
        {{2027, 1, 1, 0, 30, 0}, "12月31日(金)", EncodeDate(2026, 12, 31)},
        {{2026, 12, 9, 6, 0, 0}, "11月30日(月)", EncodeDate(2026, 11, 30)},
        {{2026, 12, 9, 6, 0, 0}, "12月9日(水)", EncodeDate(2026, 12, 9)},
    };
    for (const Case& c : cases) {
        platform::FixClock(c.now);
        FakeHttpClient f;
        f.Pages[kDays] = Replaced(client.Pages[kDays], "12月9日(水)", c.heading);
        TWeatherData r;
        ASSERT_TRUE(r.ParseTenkiLiteDays(f, kDays)) << c.heading;
        EXPECT_EQ(r.DayDate[0], c.expected) << c.heading;
        EXPECT_EQ(r.DayDate[1], c.expected + 1) << c.heading;
    }
}

TEST_F(TenkiLite, AnEmptyTemperatureCellLeavesItsField) {
    // Tomorrow's minimum cell of the fixture is empty.
    TWeatherData r;
    r.DayMinTemp = {-20, -21};
    ASSERT_TRUE(r.ParseTenkiLiteDays(client, kDays));
    EXPECT_EQ(r.DayMinTemp, (std::array<std::int32_t, 2>{-1, -21}));
    EXPECT_EQ(r.DayMaxTemp, (std::array<std::int32_t, 2>{14, 3}));
}

TEST_F(TenkiLite, BandCellsWithSpans) {
    struct Case {
        const char* cells;
        std::array<std::int32_t, 4> expected;
    };
    const Case cases[] = {
        {R"(<td class="fs_m3">10%</td><td class="fs_m3">20%</td><td class="fs_m3">30%</td><td class="fs_m3">40%</td>)",
         {10, 20, 30, 40}},
        {R"(<td class="fs_m3">10%</td><td class="fs_m3" colspan="2">20%</td><td class="fs_m3">30%</td>)",
         {10, 20, 20, 30}},
        {R"(<td class="fs_m3" colspan="4"><b>0</b>%</td>)", {0, 0, 0, 0}},
        {R"(<td class="fs_m3">---</td><td class="fs_m3" colspan="3">50%</td>)",
         {NoValue, 50, 50, 50}},
        // Spans without meaning: the cell covers its own band and the row goes on.
        {R"(<td class="fs_m3" colspan="0">10%</td><td class="fs_m3" colspan="-3">20%</td><td class="fs_m3">30%</td><td class="fs_m3">40%</td>)",
         {10, 20, 30, 40}},
        {R"(<td class="fs_m3" colspan="2147483647">70%</td>)", {70, 70, 70, 70}},
        {R"(<td class="fs_m3">10%</td>)", {10, NoValue, NoValue, NoValue}},
    };
    for (const Case& c : cases) {
        FakeHttpClient f;
        f.Pages[kDays] =
            std::string("<td class=\"forecast_days_precip_index fs_m3\">降水確率</td>") + c.cells +
            "</tr></table>";
        TWeatherData r;
        ASSERT_TRUE(r.ParseTenkiLiteDays(f, kDays)) << c.cells;
        EXPECT_EQ(
            (std::array<std::int32_t, 4>{r.DayProb[0], r.DayProb[1], r.DayProb[2], r.DayProb[3]}),
            c.expected)
            << c.cells;
        for (int b = 4; b < 8; ++b)
            EXPECT_EQ(r.DayProb[b], NoValue) << c.cells; // never leaves today's bands
    }
}

TEST(FillWeekFromTomorrow, ExtremesOfTomorrowsPointsOrTheSummary) {
    struct Case {
        const char* what;
        std::array<std::int32_t, 8> points;
        std::array<std::int32_t, 4> bands;
        bool sameDate;
        std::int32_t min, max, prob;
    };
    const std::int32_t N = NoValue;
    const Case cases[] = {
        {"points", {8, 10, 13, 12, 9, 7, 6, 5}, {N, 30, 50, 20}, true, 5, 13, 50},
        {"one missing", {8, 10, N, 12, 9, 7, 6, 5}, {10, 0, 0, 0}, true, 5, 12, 10},
        {"none", {N, N, N, N, N, N, N, N}, {N, N, N, N}, true, -4, 3, N},
        {"zero counts", {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}, true, 0, 0, 0},
        {"other day", {8, 10, 13, 12, 9, 7, 6, 5}, {10, 20, 30, 40}, false, N, N, N},
    };
    for (const Case& c : cases) {
        TWeatherData w;
        const TDateTime tomorrow = EncodeDate(2026, 12, 10);
        std::copy(c.points.begin(), c.points.end(), w.PointTemp.begin() + 8);
        std::copy(c.bands.begin(), c.bands.end(), w.DayProb.begin() + 4);
        w.DayMinTemp[1] = -4;
        w.DayMaxTemp[1] = 3;
        w.DayWeather[1] = "曇り";
        w.DayDate[1] = tomorrow;
        w.WeekDate[0] = c.sameDate ? tomorrow : tomorrow + 1;
        w.FillWeekFromTomorrow();
        EXPECT_EQ(w.WeekMinTemp[0], c.min) << c.what;
        EXPECT_EQ(w.WeekMaxTemp[0], c.max) << c.what;
        EXPECT_EQ(w.WeekProb[0], c.prob) << c.what;
        EXPECT_EQ(w.WeekDate[0], c.sameDate ? tomorrow : 0.0) << c.what;
        EXPECT_EQ(w.WeekWeather[0], c.sameDate ? "曇り" : "") << c.what;
    }
}

TEST_F(TenkiLite, LoadClearsTheRecordWhenAPageFails) {
    struct Case {
        const char* what;
        std::string missing;
        std::size_t requests; // nothing is asked for after the failure
    };
    const Case cases[] = {
        {"no point page", kPoint, 1},
        {"no tomorrow script", std::string(kScripts) + "_tomorrow.js", 3}, // today's slots set
        {"no days page", kDays, 4}, // the point page filled name, slots and week
    };
    for (const Case& c : cases) {
        FakeHttpClient f = client;
        f.Pages.erase(c.missing);
        // Whatever the record held before (the refresh's status line, an old forecast) goes.
        TWeatherData r;
        r.Information = "接続しています";
        r.UpdateInfo = "5時00分";
        r.DayProb.fill(40);
        r.WeekWeather.fill("雪");
        EXPECT_FALSE(r.LoadTenkiLite(f, kPoint, kDays)) << c.what;
        EXPECT_EQ(f.Requested.size(), c.requests) << c.what;
        EXPECT_RECORD_EQ(r, TWeatherData()) << c.what;
    }
    EXPECT_TRUE(w.LoadTenkiLite(client, kPoint, kDays));
    EXPECT_EQ(client.Requested.size(), 4u);
    EXPECT_EQ(client.Requested[3], kDays);
}

TEST_F(TenkiLite, ADaysPageOneDayOlderLeavesWeeklySlotZeroEmpty) {
    std::string days = client.Pages[kDays];
    days.replace(days.find("12月9日"), std::string("12月9日").size(), "12月8日");
    client.Pages[kDays] = days;
    ASSERT_TRUE(w.LoadTenkiLite(client, kPoint, kDays));
    EXPECT_EQ(w.DayDate[1], today);
    EXPECT_EQ(w.WeekDate[0], 0.0);
    EXPECT_EQ(w.WeekWeather[0], "");
    EXPECT_EQ(w.WeekProb[0], NoValue);
    EXPECT_EQ(w.WeekDate[1], today + 2);
}
