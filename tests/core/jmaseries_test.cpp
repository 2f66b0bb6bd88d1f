// The agency's three-hourly series into the point slots: the real answer at its report and on
// later days, the two series matched by time, the weather words, and answers that are no series.
#include "weather/jma/JmaSeries.h"

#include "support/Records.h"
#include "support/TempDir.h"
#include "weather/ForecastTime.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>
#include <string>

using json = nlohmann::json;

namespace {

const std::int32_t N = NoValue;

std::string RealSeries() {
    return ReadAll(TestData("jma/series/VPFD-130010-2026-10-04T05.json"));
}

// Slots 8d + k of `today`: the weather and temperature of each, "-" for a slot left empty.
struct Slots {
    std::array<const char*, 16> weather;
    std::array<std::int32_t, 16> temp;
};

TWeatherData RecordOf(TDateTime today, const Slots& e) {
    TWeatherData w;
    for (int s = 0; s < 16; ++s) {
        if (std::string(e.weather[s]) == "-")
            continue;
        w.PointDate[s] = today + s / 8;
        w.PointHour[s] = 3 * (s % 8) + 3;
        w.PointWeather[s] = e.weather[s];
        w.PointTemp[s] = e.temp[s];
    }
    return w;
}

} // namespace

TEST(JmaSeries, TheSkinsWordsOfTheSeriesTexts) {
    const std::pair<const char*, const char*> known[] = {
        {"晴れ", "晴"}, {"くもり", "曇"}, {"雨", "雨"}, {"雪", "雪"}, {"雨または雪", "雨か雪"}};
    for (const auto& [agency, word] : known)
        EXPECT_EQ(JmaSeriesWeatherText(agency), std::optional<std::string_view>(word)) << agency;
    for (const char* unknown : {"", "晴", "くもり時々晴れ", "大雨", "みぞれ", "晴れ ", "雪または"})
        EXPECT_EQ(JmaSeriesWeatherText(unknown), std::nullopt) << unknown;
}

// The 05 o'clock series of 2026-10-04 (14 periods from 06:00, 15 instants from 06:00): the slot
// labelled H holds the period ending at H and the temperature at H; 24時 is 00:00 of the next day.
// Read a day later its tomorrow is today; two days later it covers nothing.
TEST(JmaSeries, TheRealSeriesByTimeOnEachDay) {
    const TDateTime report = EncodeDate(2026, 10, 4);
    struct Case {
        const char* when;
        TDateTime today;
        Slots expected;
    };
    const char* _ = "-";
    const Case cases[] = {
        {"the report's day",
         report,
         {{_, _, "晴", "曇", "晴", "曇", "曇", "曇", "曇", "曇", "曇", "曇", "曇", "曇", "曇",
           "曇"},
          {N, N, 21, 23, 23, 20, 19, 18, 18, 19, 22, 21, 21, 19, 19, 19}}},
        {"a day late",
         report + 1,
         {{"曇", "曇", "曇", "曇", "曇", "曇", "曇", "曇", _, _, _, _, _, _, _, _},
          {18, 19, 22, 21, 21, 19, 19, 19, N, N, N, N, N, N, N, N}}},
        {"two days late", report + 2, {{_, _, _, _, _, _, _, _, _, _, _, _, _, _, _, _}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        TWeatherData w;
        w.PointWeather.fill("old");
        ASSERT_TRUE(FillFromJmaSeries(w, RealSeries(), "130010", c.today + 0.25));
        TWeatherData expected = RecordOf(c.today, c.expected);
        EXPECT_RECORD_EQ(w, expected);
    }
}

// A series begins after its report: at 05:30 the 05 o'clock series does not tell the period under
// way (03-06). The row then begins at the series' first period, or, with the series sent before
// (here one of the 3rd's evening), at the period under way, whose temperature at its end the new
// series tells. At each report hour the first slot of the row is whole.
TEST(JmaSeries, TheRowBeginsWithAWholeSlotAtEveryReportHour) {
    const TDateTime day = EncodeDate(2026, 10, 4);
    // The evening's series: 雪 from midnight, 雨 from 03:00 and 06:00, and its temperatures.
    const json evening = {{"firstAreaCode", "130010"},
                          {"reportDateTime", "2026-10-03T17:00:00+09:00"},
                          {"areaTimeSeries",
                           {{"timeDefines",
                             {{{"dateTime", "2026-10-04T00:00:00+09:00"}, {"duration", "PT3H"}},
                              {{"dateTime", "2026-10-04T03:00:00+09:00"}, {"duration", "PT3H"}},
                              {{"dateTime", "2026-10-04T06:00:00+09:00"}, {"duration", "PT3H"}}}},
                            {"weather", {"雪", "雨", "雨"}}}},
                          {"pointTimeSeries",
                           {{"timeDefines",
                             {{{"dateTime", "2026-10-04T03:00:00+09:00"}},
                              {{"dateTime", "2026-10-04T06:00:00+09:00"}},
                              {{"dateTime", "2026-10-04T09:00:00+09:00"}}}},
                            {"temperature", {5, 6, 7}}}}};
    json newer = evening;
    newer["reportDateTime"] = "2026-10-04T11:00:00+09:00";
    struct Case {
        const char* when;
        TDateTime now;
        std::string earlier;
        int first;
        const char* weather;
        std::int32_t hour, temp;
    };
    const Case cases[] = {
        {"05:30", day + 5.5 / 24, "", 2, "晴", 9, 21},
        {"05:30 with the evening's series", day + 5.5 / 24, evening.dump(), 1, "雨", 6, 17},
        {"06:30 with the evening's series", day + 6.5 / 24, evening.dump(), 2, "晴", 9, 21},
        {"05:30 with a newer series", day + 5.5 / 24, newer.dump(), 2, "晴", 9, 21},
        {"05:30 with no series", day + 5.5 / 24, "<html>", 2, "晴", 9, 21},
        {"11:30", day + 11.5 / 24, "", 3, "曇", 12, 23},
        {"17:30", day + 17.5 / 24, "", 5, "曇", 18, 20},
        {"00:30 the next day", day + 1 + 0.5 / 24, "", 0, "曇", 3, 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        TWeatherData w;
        ASSERT_TRUE(FillFromJmaSeries(w, RealSeries(), "130010", c.now, c.earlier));
        const int hour = static_cast<int>((c.now - DateOf(c.now)) * 24);
        const int s = FirstShownPointSlot(w, hour);
        ASSERT_EQ(s, c.first);
        EXPECT_EQ(w.PointDate[s], DateOf(c.now) + s / 8);
        EXPECT_EQ(w.PointWeather[s], c.weather);
        EXPECT_EQ(w.PointHour[s], c.hour);
        EXPECT_EQ(w.PointTemp[s], c.temp);
        // A period that has ended is never taken from the earlier series.
        if (!c.earlier.empty()) {
            EXPECT_EQ(w.PointDate[0], 0.0);
        }
    }
}

// The two series matched by their times whatever their order and lengths: periods listed
// backwards, instants from 03:00 with one of them doubled, a period that is not three hours, a
// text no table knows (its slot keeps its time and temperature, with an empty text), values that
// are no temperature.
TEST(JmaSeries, MatchedByTimeNeverByIndex) {
    const auto at = [](int day, int hour) {
        char text[40];
        std::snprintf(text, sizeof text, "2026-12-%02dT%02d:00:00+09:00", 9 + day, hour);
        return std::string(text);
    };
    json periods = json::array();
    json words = json::array();
    const char* texts[] = {"晴れ", "くもり", "雨", "雪", "雨または雪", "みぞれ"};
    for (int i = 5; i >= 0; --i) {
        periods.push_back({{"dateTime", at(0, 6 + 3 * i)}, {"duration", "PT3H"}});
        words.push_back(texts[i]);
    }
    periods.push_back({{"dateTime", at(1, 3)}, {"duration", "PT6H"}});
    words.push_back("晴れ");
    periods.push_back({{"dateTime", at(1, 21)}, {"duration", "PT3H"}});
    words.push_back("雪");
    json instants = json::array();
    json temps = json::array();
    for (int h = 3; h <= 24; h += 3) {
        instants.push_back({{"dateTime", h == 24 ? at(1, 0) : at(0, h)}});
        temps.push_back(h);
    }
    instants.push_back({{"dateTime", at(0, 12)}});
    temps.push_back(99); // a second value of 12:00 is not taken
    instants.push_back({{"dateTime", at(2, 0)}});
    temps.push_back(-4);
    temps[6] = "21"; // 21:00, a text
    temps[3] = 12.5; // 12:00, not whole
    const json series = {{"firstAreaCode", "100020"},
                         {"reportDateTime", at(0, 5)},
                         {"areaTimeSeries", {{"timeDefines", periods}, {"weather", words}}},
                         {"pointTimeSeries", {{"timeDefines", instants}, {"temperature", temps}}}};
    TWeatherData w;
    ASSERT_TRUE(FillFromJmaSeries(w, series.dump(), "100020", EncodeDate(2026, 12, 9)));
    const char* _ = "-";
    EXPECT_RECORD_EQ(
        w, RecordOf(EncodeDate(2026, 12, 9),
                    {{_, _, "晴", "曇", "雨", "雪", "雨か雪", "", _, _, _, _, _, _, _, "雪"},
                     {N, N, 9, N, 15, 18, N, 24, N, N, N, N, N, N, N, -4}}));
}

TEST(JmaSeries, AnAnswerThatIsNoSeriesOfTheAreaIsRefused) {
    json other = json::parse(RealSeries());
    other["firstAreaCode"] = "130020";
    json noWeather = json::parse(RealSeries());
    noWeather["areaTimeSeries"].erase("weather");
    json textTimes = json::parse(RealSeries());
    textTimes["areaTimeSeries"]["timeDefines"] = "06:00";
    const std::string real = RealSeries();
    const std::string cases[] = {"",
                                 "<html>404</html>",
                                 "{}",
                                 "[]",
                                 real.substr(0, real.size() / 2),
                                 other.dump(),
                                 noWeather.dump(),
                                 textTimes.dump(),
                                 std::string(100000, '[')};
    for (const std::string& answer : cases) {
        TWeatherData w;
        w.PointWeather[3] = "kept";
        TWeatherData before = w;
        EXPECT_FALSE(FillFromJmaSeries(w, answer, "130010", EncodeDate(2026, 10, 4)))
            << answer.substr(0, 60);
        EXPECT_RECORD_EQ(w, before);
    }
    TWeatherData w;
    EXPECT_FALSE(FillFromJmaSeries(w, real, "130010", std::numeric_limits<double>::quiet_NaN()));
}

// The series' times with another zone name the same instants: the real series told in UTC, at
// -12:00, or with a fraction of a second fills the same slots.
TEST(JmaSeries, TimesOfAnyZoneAreTheSameInstants) {
    const TDateTime today = EncodeDate(2026, 10, 4);
    TWeatherData expected;
    ASSERT_TRUE(FillFromJmaSeries(expected, RealSeries(), "130010", today + 0.25));
    struct Case {
        const char* zone;
        std::int64_t offset; // seconds east of UTC
        const char* seconds;
    };
    for (const Case c : {Case{"Z", 0, ":00"}, Case{"-12:00", -12 * 3600, ":00"},
                         Case{"+09:00", 9 * 3600, ":00.000"}}) {
        SCOPED_TRACE(c.zone);
        json series = json::parse(RealSeries());
        const auto retell = [&](json& times) {
            for (json& t : times) {
                const auto at = ZonedTimeSeconds(t["dateTime"].get<std::string>());
                ASSERT_TRUE(at);
                // JapanTimeText tells the wall clock 9 hours east of UTC.
                t["dateTime"] = JapanTimeText(*at + c.offset - 9 * 3600) + c.seconds + c.zone;
            }
        };
        retell(series["areaTimeSeries"]["timeDefines"]);
        retell(series["pointTimeSeries"]["timeDefines"]);
        ASSERT_NE(series.dump().find(std::string(c.seconds) + c.zone + "\""), std::string::npos);
        TWeatherData w;
        ASSERT_TRUE(FillFromJmaSeries(w, series.dump(), "130010", today + 0.25));
        EXPECT_RECORD_EQ(w, expected);
    }
}
