// The sample service's answers in the agency's layouts: every office's answer is read for
// every one of its areas, with every value its layout carries.
#include "SampleJma.h"

#include "support/TempDir.h"
#include "weather/jma/JmaForecast.h"
#include "weather/jma/JmaOverview.h"
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

// The short form of the agency's long text, as the code table gives it.
std::string ShortForm(std::string text) {
    const std::pair<std::string, std::string> words[] = {
        {"　", ""}, {"後", "のち"}, {"晴れ", "晴"}, {"くもり", "曇"}};
    for (const auto& [from, to] : words)
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    return text;
}

// The class10 areas of the prefectures without sea.
bool InlandArea(const std::string& class10) {
    for (const char* prefecture : {"09", "10", "11", "19", "20", "21", "25", "29"})
        if (class10.starts_with(prefecture))
            return true;
    return false;
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
    std::set<std::string> texts, winds;
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
                // The agency's words agree with its codes: the long text is the short form
                // written out; waves only where the area has sea.
                const bool inland = InlandArea(place.Class10);
                for (int d = 0; d < 2; ++d) {
                    EXPECT_EQ(ShortForm(w.DayText[d]), w.DayWeather[d]) << d;
                    EXPECT_NE(w.DayWind[d].find("の風"), std::string::npos) << w.DayWind[d];
                    EXPECT_EQ(w.DayWave[d].empty(), inland) << w.DayWave[d];
                    if (!inland) {
                        EXPECT_NE(w.DayWave[d].find("メートル"), std::string::npos);
                    }
                    winds.insert(w.DayWind[d]);
                }
                for (int b = 0; b < 8; ++b)
                    EXPECT_EQ(w.DayProb[b] != NoValue, layout.bands[b]) << b;
                // The week's words: the reliability from the weekly part's third day, the ranges
                // around the figures of the days only the weekly part tells, the normals.
                const int firstReliable = layout.hour <= 5 ? 1 : 2;
                for (int k = 0; k < 7; ++k) {
                    const bool given = k < layout.weekDays;
                    const std::string& r = w.WeekReliability[k];
                    EXPECT_EQ(!r.empty(), given && k >= firstReliable) << k;
                    EXPECT_TRUE(r.empty() || r == "A" || r == "B" || r == "C") << r;
                    if (!given || k == 0)
                        continue;
                    const auto& low = w.WeekMinTempRange[k];
                    const auto& high = w.WeekMaxTempRange[k];
                    EXPECT_LT(low[0], w.WeekMinTemp[k]) << k;
                    EXPECT_GT(low[1], w.WeekMinTemp[k]) << k;
                    EXPECT_LT(high[0], w.WeekMaxTemp[k]) << k;
                    EXPECT_GT(high[1], w.WeekMaxTemp[k]) << k;
                }
                ASSERT_TRUE(w.WeekNormalMinTemp && w.WeekNormalMaxTemp);
                EXPECT_LT(*w.WeekNormalMinTemp, *w.WeekNormalMaxTemp);
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
    EXPECT_GE(winds.size(), 20u);
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

// Every office of area.json has its 天気概況, written half an hour before the report served at
// the hour, about the day of that report and the next, as its first area's codes say.
TEST(SampleJma, EveryOfficeHasAnOverview) {
    const std::string areaJson = ReadAll(TestData("jma/area.json"));
    const TSampleJma sample(areaJson, ReadAll(TestData("jma/forecast_area.json")), 2026, 12, 9);
    const json offices = json::parse(areaJson)["offices"];
    ASSERT_EQ(offices.size(), 58u);
    const std::pair<int, const char*> hours[] = {{3, "2026-12-08T16:30"},
                                                 {5, "2026-12-09T04:30"},
                                                 {11, "2026-12-09T10:30"},
                                                 {17, "2026-12-09T16:30"}};
    int headlines = 0;
    for (const auto& [hour, time] : hours)
        for (const auto& [code, office] : offices.items()) {
            SCOPED_TRACE(std::to_string(hour) + " o'clock, " + code);
            const auto overview = ReadJmaOverview(sample.Overview(code, hour));
            ASSERT_TRUE(overview);
            EXPECT_EQ(overview->Time, time);
            const std::string name = office["name"];
            const std::string day = hour < 5 ? "８日の" : "９日の";
            const std::string next = hour < 5 ? "９日の" : "１０日の";
            EXPECT_TRUE(overview->Text.starts_with("　" + name + "は、")) << overview->Text;
            EXPECT_NE(overview->Text.find("\n\n　" + day + name + "は、"), std::string::npos);
            EXPECT_NE(overview->Text.find("\n\n　" + next + name + "は、"), std::string::npos);
            headlines += !overview->Headline.empty();
        }
    EXPECT_GT(headlines, 0);
    // Its day's words are its first area's: 東京都's is 東京地方.
    TWeatherData w;
    ASSERT_TRUE(FillFromJma(w, sample.Forecast("130000", 11),
                            {"130000", "130010", "", "44132", std::nullopt}, "町", kToday));
    std::string sky = w.DayText[0];
    for (std::size_t at = sky.find("　"); at != std::string::npos; at = sky.find("　"))
        sky.erase(at, std::string_view("　").size());
    EXPECT_NE(ReadJmaOverview(sample.Overview("130000", 11))->Text.find("９日の東京都は、" + sky),
              std::string::npos);
    for (const char* office : {"999999", "", "13000"})
        EXPECT_EQ(sample.Overview(office, 11), "") << office;
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
