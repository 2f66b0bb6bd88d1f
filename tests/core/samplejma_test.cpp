// The sample service's answers in the agency's layouts: every office's answer is read for
// every one of its areas, with every value its layout carries.
#include "SampleJma.h"

#include "support/TempDir.h"
#include "weather/jma/JmaForecast.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <set>

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
        // Yesterday's evening report: its tomorrow is today, with the morning's minimum.
        {3, 17, 0b00001111, {true, false}, {true, false}, 6},
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
                std::snprintf(update, sizeof update, "%02d時00分 発表", layout.reportHour);
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

} // namespace
