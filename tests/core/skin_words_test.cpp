// The skin keys of the agency's own words, on a skin of their own (tests/data/skin/words) and the
// real answer of 大阪府: the day texts, wind and waves, the week's 信頼度 and ranges, the normals,
// and the humidity and wind now.
#include "platform/Clock.h"
#include "skin/Skin.h"
#include "support/TempDir.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaForecast.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const TObservation kOsakaNow{"2023-01-28T11:20", "大阪", 6.3, 0.0, 7.4, "西北西", 48.0};

// The real answer read on `today`, with the weather now of 11:20 on its day.
TWeatherData OsakaRecord(TDateTime today) {
    TWeatherData w;
    EXPECT_TRUE(FillFromJma(w,
                            ReadAll(TestData("jma/words/forecast_270000-2023-01-28T1100JST.json")),
                            {"270000", "270000", "2712700", "62078", {}}, "大阪市", today));
    w.Now = kOsakaNow;
    return w;
}

// The labels' texts at 11:30 on 2023-01-28 in Japan.
std::map<std::string, std::string> Texts(const TSkin& skin, const TWeatherData& w) {
    platform::FixClock(platform::ToLocalDateTime(*JapanTimeSeconds("2023-01-28T11:30")));
    std::map<std::string, std::string> texts;
    for (const TSkin::TLabelItem& label : skin.Labels(w))
        texts[label.Section] = label.Text;
    platform::ReleaseClock();
    return texts;
}

TSkin WordsSkin() {
    TSkin skin;
    skin.Load(TestData("skin/words/words.ini"));
    return skin;
}

TEST(SkinWords, EveryKeyOnTheRealAnswer) {
    const auto texts = Texts(WordsSkin(), OsakaRecord(EncodeDate(2023, 1, 28)));
    const std::map<std::string, std::string> expected = {
        {"DayTextLabel0", "くもり　時々　晴れ　所により　夕方　まで　雪か雨"},
        {"DayTextLabel1", "晴れ"},
        {"DayWindLabel0", "風 西の風　やや強く　海上　では　西の風　強く"},
        {"DayWindLabel1", "風 西の風　やや強く"},
        {"DayWaveLabel0", "波 １．５メートル"},
        {"DayWaveLabel1", "波 １メートル"},
        // The agency gives no 信頼度 for the week's first two days.
        {"WeekReliabilityLabel0", ""},
        {"WeekReliabilityLabel1", ""},
        {"WeekReliabilityLabel2", "A"},
        {"WeekReliabilityLabel6", "A"},
        {"WeekMinTempRangeLabel0", "--"},
        {"WeekMinTempRangeLabel1", "1〜5"},
        {"WeekMinTempRangeLabel2", "0〜3"},
        {"WeekMinTempRangeLabel6", "0〜4"},
        {"WeekMaxTempRangeLabel0", "--"},
        {"WeekMaxTempRangeLabel3", "12〜16"},
        {"WeekMaxTempRangeLabel6", "8〜13"},
        {"WeekNormalMinTempLabel", "平年 最低 2.6℃"},
        {"WeekNormalMaxTempLabel", "最高 9.4℃"},
        {"NowHumidityLabel", "湿度 48%"},
        {"NowWindLabel", "風 西北西 7.4m/s"},
    };
    for (const auto& [section, text] : expected) {
        ASSERT_TRUE(texts.count(section)) << section;
        EXPECT_EQ(texts.at(section), text) << section;
    }
}

// Two days late the answer tells neither tomorrow's texts nor the last two week days: the texts
// show the no-data string, the blank week slots nothing. A record of a source without the
// agency's words shows the no-data strings.
TEST(SkinWords, WhatTheRecordDoesNotTell) {
    const TSkin skin = WordsSkin();
    const auto late = Texts(skin, OsakaRecord(EncodeDate(2023, 1, 30)));
    const std::pair<const char*, const char*> lateCases[] = {
        {"DayTextLabel0", "くもり　時々　晴れ"},
        {"DayTextLabel1", "--"},
        {"DayWindLabel1", "--"},
        {"DayWaveLabel1", ""},
        {"WeekReliabilityLabel4", "A"},
        {"WeekReliabilityLabel5", ""},
        {"WeekMinTempRangeLabel4", "0〜4"},
        {"WeekMinTempRangeLabel5", ""},
        {"WeekMaxTempRangeLabel6", ""},
    };
    for (const auto& [section, text] : lateCases)
        EXPECT_EQ(late.at(section), text) << section;

    TWeatherData other;
    other.DayDate = {EncodeDate(2023, 1, 28), EncodeDate(2023, 1, 29)};
    other.DayWeather = {"晴", "曇"};
    const auto none = Texts(skin, other);
    for (const char* section :
         {"DayTextLabel0", "DayWindLabel0", "WeekNormalMinTempLabel", "NowHumidityLabel"})
        EXPECT_EQ(none.at(section), "--") << section;
    // No week at all: its slots are blank.
    for (const char* section : {"DayWaveLabel0", "WeekReliabilityLabel0", "WeekMinTempRangeLabel0"})
        EXPECT_EQ(none.at(section), "") << section;
}

// The new groups are read apart from the block's others: a value a skin leaves unreadable is
// never filled in from another group's box (the old groups lend theirs to the group after them).
TEST(SkinWords, ANewGroupBorrowsNoOtherGroupsBox) {
    TempDir dir;
    TSkin skin;
    skin.Load(dir.Write("lend.ini", "[WeekProbLabel]\nRect=0,0,40,10\n"
                                    "[WeekProbLabel3]\nRect=0,0,40,10\n"
                                    "[WeekReliabilityLabel3]\nRect=a,20,b,30\n"
                                    "[DayProbLabel]\nRect=0,10,40,20\n"
                                    "[DayTextLabel1]\nRect=a,30,b,40\n"));
    std::map<std::string, TRect> boxes;
    for (const TSkin::TLabelItem& label : skin.Labels(OsakaRecord(EncodeDate(2023, 1, 28))))
        boxes[label.Section] = label.Setting.Rect;
    EXPECT_EQ(boxes.at("WeekProbLabel3"), (TRect{0, 0, 40, 10}));
    EXPECT_EQ(boxes.at("WeekReliabilityLabel3"), (TRect{-1, 20, -1, 30}));
    EXPECT_EQ(boxes.at("DayTextLabel1"), (TRect{-1, 30, -1, 40}));
    // A skin that names none of them gives them no box at all.
    for (const char* section : {"WeekMinTempRangeLabel3", "WeekMaxTempRangeLabel3",
                                "WeekNormalMinTempLabel", "DayWindLabel0", "DayWaveLabel1"})
        EXPECT_EQ(boxes.at(section), TRect{}) << section;
}

TEST(SkinWords, PlaceholdersOfRangesAndNormals) {
    const TSkin skin;
    TLabelSetting setting;
    setting.NoDataString = "-";
    const std::array<std::int32_t, 2> range = {-3, 12};
    const std::pair<const char*, const char*> rangeCases[] = {
        {"%l〜%u", "-3〜12"}, {"(%u/%l)", "(12/-3)"}, {"%i%t%%", "%"}};
    for (const auto& [format, text] : rangeCases) {
        setting.DataFormat = format;
        EXPECT_EQ(skin.FormatRange(range, setting), text) << format;
    }
    EXPECT_EQ(skin.FormatRange({NoValue, 12}, setting), "-");
    EXPECT_EQ(skin.FormatRange({-3, NoValue}, setting), "-");
    const std::tuple<const char*, std::optional<double>, const char*> normalCases[] = {
        {"%t℃", 2.6, "2.6℃"}, {"%i", 9.5, "10"}, {"%t", -0.04, "0.0"}, {"%t", std::nullopt, "-"}};
    for (const auto& [format, value, text] : normalCases) {
        setting.DataFormat = format;
        EXPECT_EQ(skin.FormatDecimal(value, setting), text) << format;
    }
}

} // namespace
