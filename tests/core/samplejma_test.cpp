// The sample service's answers in the agency's layouts: every office's answer is read for
// every one of its areas, with every value its layout carries.
#include "SampleJma.h"

#include "support/TempDir.h"
#include "weather/jma/JmaForecast.h"
#include "weather/jma/JmaSeries.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

using json = nlohmann::json;

namespace {

const TDateTime kToday = EncodeDate(2026, 12, 9);

const char* HostOf(const std::string& office) {
    return office == "014030" ? "014100" : office == "460040" ? "460100" : nullptr;
}

TEST(SampleJma, EveryAreaIsReadWithWhatItsLayoutCarries) {
    const std::string areaJson = ReadAll(TestData("jma/area.json"));
    const std::string forecastAreaJson = ReadAll(TestData("jma/forecast_area.json"));
    const TSampleJma sample(areaJson, forecastAreaJson, 2026, 12, 9);
    const json forecastArea = json::parse(forecastAreaJson);

    struct Layout {
        int hour;
        int reportHour;
        std::bitset<8> bands; // the bands given
        std::array<bool, 2> min, max;
        int weekDays; // week slots 0 .. weekDays-1
    };
    const Layout layouts[] = {
        // Yesterday's evening report: its tomorrow is today, with the morning's minimum; its
        // day after is tomorrow, with the weekly part's probability and temperatures.
        {3, 17, 0b11111111, {true, true}, {true, true}, 6},
        {5, 5, 0b11111110, {false, true}, {true, true}, 6},
        {11, 11, 0b11111100, {false, true}, {true, true}, 7},
        {17, 17, 0b11111000, {false, true}, {false, true}, 7},
    };
    std::set<std::string> texts;
    for (const Layout& layout : layouts) {
        int areas = 0;
        for (const auto& [office, entries] : forecastArea.items()) {
            const char* host = HostOf(office);
            const std::string file = host ? host : office;
            const std::string answer = sample.Forecast(file, layout.hour);
            ASSERT_FALSE(answer.empty()) << file;
            for (const json& entry : entries) {
                const TJmaPlace place{file, entry["class10"].get<std::string>(), "",
                                      entry["amedas"][0].get<std::string>(), std::nullopt};
                SCOPED_TRACE(std::to_string(layout.hour) + " o'clock, " + file + " " +
                             place.Class10);
                ++areas;
                TWeatherData w;
                ASSERT_TRUE(FillFromJma(w, answer, place, "町", kToday));
                EXPECT_EQ(w.DayDate[0], kToday);
                char update[32];
                std::snprintf(update, sizeof update, "%s%02d時00分 発表",
                              layout.hour < 5 ? "前日" : "", layout.reportHour);
                EXPECT_EQ(w.UpdateInfo, update);
                for (int d = 0; d < 2; ++d) {
                    EXPECT_NE(w.DayWeather[d], "") << d;
                    texts.insert(w.DayWeather[d]);
                    EXPECT_EQ(w.DayMinTemp[d] != NoValue, layout.min[d]) << d;
                    EXPECT_EQ(w.DayMaxTemp[d] != NoValue, layout.max[d]) << d;
                    if (layout.min[d] && layout.max[d]) {
                        EXPECT_LT(w.DayMinTemp[d], w.DayMaxTemp[d]);
                    }
                }
                for (int b = 0; b < 8; ++b)
                    EXPECT_EQ(w.DayProb[b] != NoValue, layout.bands[b]) << b;
                for (int k = 0; k < 7; ++k) {
                    const bool given = k < layout.weekDays;
                    EXPECT_EQ(w.WeekDate[k], given ? kToday + k + 1 : 0.0) << k;
                    EXPECT_EQ(w.WeekWeather[k].empty(), !given) << k;
                    EXPECT_EQ(w.WeekProb[k] != NoValue, given) << k;
                    EXPECT_EQ(w.WeekMinTemp[k] != NoValue, given) << k;
                    EXPECT_EQ(w.WeekMaxTemp[k] != NoValue, given) << k;
                    texts.insert(w.WeekWeather[k]);
                }
            }
        }
        EXPECT_EQ(areas, 142); // every class10 of the country
    }
    // The weather changes, as the agency's codes say it.
    for (const char* word : {"のち", "時々", "一時"})
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
            return t.find(word) != std::string::npos;
        })) << word;
    EXPECT_GE(texts.size(), 15u);
}

TEST(SampleJma, OfficesWithoutAFileOfTheirOwnAndUnknownOnesHaveNoAnswer) {
    const TSampleJma sample(ReadAll(TestData("jma/area.json")),
                            ReadAll(TestData("jma/forecast_area.json")), 2026, 12, 9);
    for (const char* office : {"014030", "460040", "999999", "", "13000"})
        EXPECT_EQ(sample.Forecast(office, 11), "") << office;
    // The same question, the same answer; another hour, another report.
    EXPECT_EQ(sample.Forecast("130000", 12), sample.Forecast("130000", 16));
    EXPECT_NE(sample.Forecast("130000", 10), sample.Forecast("130000", 11));
}

// Every class10's series, at every report, agrees with its forecast: each slot's sky is one the
// day's text names, each temperature lies between the day's minimum and maximum.
TEST(SampleJma, EveryAreasSeriesAgreesWithItsForecast) {
    const std::string forecastAreaJson = ReadAll(TestData("jma/forecast_area.json"));
    const TSampleJma sample(ReadAll(TestData("jma/area.json")), forecastAreaJson, 2026, 12, 9);
    const json forecastArea = json::parse(forecastAreaJson);
    // The words of the day's text that draw each slot word.
    const std::map<std::string, std::vector<std::string>> named = {
        {"晴", {"晴"}}, {"曇", {"曇", "霧"}}, {"雨", {"雨", "雷"}}, {"雪", {"雪", "みぞれ"}}};
    std::set<std::string> words;
    for (const int hour : {3, 5, 11, 17}) {
        int areas = 0;
        for (const auto& [office, entries] : forecastArea.items()) {
            const char* host = HostOf(office);
            const std::string answer = sample.Forecast(host ? host : office, hour);
            for (const json& entry : entries) {
                const TJmaPlace place{host ? host : office, entry["class10"].get<std::string>(), "",
                                      entry["amedas"][0].get<std::string>(), std::nullopt};
                SCOPED_TRACE(std::to_string(hour) + " o'clock, " + place.Class10);
                TWeatherData w;
                ASSERT_TRUE(FillFromJma(w, answer, place, "町", kToday));
                const std::string series = sample.Series(place.Class10, hour);
                ASSERT_TRUE(FillFromJmaSeries(w, series, place.Class10, kToday));
                ++areas;
                int covered = 0;
                for (int s = 0; s < 16; ++s) {
                    if (w.PointDate[s] == 0.0)
                        continue;
                    ++covered;
                    const int d = s / 8;
                    const std::string& text = d == 0 ? w.DayWeather[0] : w.DayWeather[1];
                    const std::string& word = w.PointWeather[s];
                    words.insert(word);
                    if (word == "雨か雪") {
                        EXPECT_TRUE(text.find("雨") != std::string::npos &&
                                    text.find("雪") != std::string::npos)
                            << text;
                    } else {
                        ASSERT_TRUE(named.count(word)) << word;
                        EXPECT_TRUE(std::any_of(named.at(word).begin(), named.at(word).end(),
                                                [&](const std::string& n) {
                                                    return text.find(n) != std::string::npos;
                                                }))
                            << s << ": " << word << " on a day of " << text;
                    }
                    // 24時 is the next day's midnight. The short-term part's figures are the
                    // area's own point's (the weekly part may list another point).
                    const std::int32_t t = w.PointTemp[s];
                    ASSERT_NE(t, NoValue) << s;
                    const int day = w.PointHour[s] == 24 ? d + 1 : d;
                    if (day > 1 || (day == 1 && hour < 5))
                        continue;
                    const std::int32_t low = w.DayMinTemp[day];
                    const std::int32_t high = w.DayMaxTemp[day];
                    if (low != NoValue) {
                        EXPECT_GE(t, low) << s;
                    }
                    if (high != NoValue) {
                        EXPECT_LE(t, high) << s;
                    }
                }
                // Tomorrow is cool at dawn (6時) and warm in the afternoon (15時).
                ASSERT_LT(w.DayMinTemp[1], w.DayMaxTemp[1]);
                EXPECT_LT(w.PointTemp[9], w.PointTemp[12]);
                // The evening report reaches the day after; the others from the next three
                // hours to the end of tomorrow.
                EXPECT_EQ(covered, hour == 3 ? 16 : hour == 5 ? 14 : hour == 11 ? 12 : 10);
            }
        }
        EXPECT_EQ(areas, 142);
    }
    EXPECT_GE(words.size(), 4u);
    EXPECT_EQ(sample.Series("999999", 11), "");
}

} // namespace
