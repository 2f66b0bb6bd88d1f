#include "support/Records.h"
#include "support/TempDir.h"
#include "weather/DateTime.h"
#include "weather/RecordJson.h"

#include <gtest/gtest.h>

TEST(RecordJson, EveryFieldGoesIntoItsOwnSlot) {
    TWeatherData read;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(ReadAll(TestData("records/full.json")), read, error)) << error;

    // tests/data/records/full.json written out field by field.
    TWeatherData w;
    for (int s = 0; s < 16; ++s)
        w.PointDate[s] = s < 8 ? 46366 : 46367;
    w.PointHour = {3, 6, 9, 12, 15, 18, 21, 24, 3, 6, 9, 12, 15, 18, 21, 24};
    w.PointWeather = {"晴れ", "晴れ", "晴れ",     "晴れ", "曇り", "曇り", "晴れ", "曇り",
                      "雨",   "雨",   "曇時々雨", "晴れ", "晴れ", "曇り", "雪",   "みぞれ"};
    w.PointTemp = {2, 1, 6, 11, 12, 9, 6, 5, 4, 4, 7, 10, 9, 5, -1, -2};
    w.WeekDate = {46367, 46368, 46369, 46370, 46371, 46372, 46373};
    w.WeekWeather = {"雨のち晴", "晴れ", "曇時々晴", "曇一時雨", "雪", "晴のち曇", "曇り"};
    w.WeekMinTemp = {3, 1, 2, 4, -2, 0, 1};
    w.WeekMaxTemp = {10, 12, 9, 8, 3, 11, 10};
    w.WeekProb = {70, 10, 30, 60, 80, 20, 40};
    w.DayDate = {46366, 46367};
    w.DayWeather = {"晴のち曇", "雨のち晴"};
    w.DayMinTemp = {1, 3};
    w.DayMaxTemp = {12, 10};
    w.DayProb = {0, 10, 20, 50, 80, 60, 20, 10};
    w.LocationName = "東京都千代田区";
    w.UpdateInfo = "11時00分";
    EXPECT_RECORD_EQ(read, w);
}

TEST(RecordJson, AbsentFieldsStayAsTheyWereAndErrorsSayWhere) {
    TWeatherData read;
    read.UpdateInfo = "before";
    std::string error;
    ASSERT_TRUE(ReadRecordJson(R"({"ok": false, "Other": [1, {"a": null}],
                                  "Information": "データ取得に失敗", "DayProb": [1, 2, 3, 4,
                                  5, 6, 7, 2147483647]})",
                               read, error))
        << error;
    TWeatherData expected;
    expected.UpdateInfo = "before";
    expected.Information = "データ取得に失敗";
    expected.DayProb = {1, 2, 3, 4, 5, 6, 7, NoValue};
    EXPECT_RECORD_EQ(read, expected);

    struct Case {
        std::string json;
        const char* error; // part of the message
    };
    const Case cases[] = {
        {R"({"LocationName": "x",})", "byte"},
        {R"({"PointHour": [1, 2]})", "PointHour"},
        {R"({"LocationName": 5})", "LocationName"},
        {R"([])", ""},
        {"", ""},
        {R"({"DayDate": [1e308, 46366]})", "DayDate"},
        {R"({"WeekDate": [46366, 46367, 46368, 46369, 46370, 46371, -1e308]})", "WeekDate"},
        {R"({"DayDate": [-693594, 46366]})", "DayDate"},
        {R"({"DayDate": [46366, 2958466]})", "DayDate"},
        {"{\"Other\": " + std::string(18, '[') + std::string(18, ']') + "}", "deep"},
        {R"({"WeekMinTempRange": [1, 2, 3, 4, 5, 6, 7]})", "WeekMinTempRange"},
        {R"({"WeekMaxTempRange": [[1, 2], [1, 2], [1, 2], [1, 2], [1, 2], [1, 2], [1]]})",
         "WeekMaxTempRange"},
        {R"({"WeekNormalMinTemp": "2.6"})", "WeekNormalMinTemp"},
        {R"({"DayText": ["a"]})", "DayText"},
    };
    for (const Case& c : cases) {
        TWeatherData r;
        std::string message;
        EXPECT_FALSE(ReadRecordJson(c.json, r, message)) << c.json;
        EXPECT_NE(message.find(c.error), std::string::npos) << c.json << ": " << message;
        EXPECT_NE(message, "") << c.json;
    }
}

TEST(RecordJson, DatesFromTheFirstToTheLastDayOfTheCalendarAreRead) {
    TWeatherData read;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(R"({"DayDate": [-693593, 2958465.75]})", read, error)) << error;
    EXPECT_EQ(read.DayDate[0], EncodeDate(1, 1, 1));
    EXPECT_EQ(read.DayDate[1], EncodeDate(9999, 12, 31) + 0.75);
}

TEST(RecordJson, WhatIsWrittenReadsBackAsTheSameRecord) {
    TWeatherData w;
    for (int s = 0; s < 16; ++s) {
        w.PointDate[s] = 46000.5 + s; // a fraction, to see that no digit is lost
        w.PointHour[s] = s == 3 ? NoValue : 3 * s;
        w.PointWeather[s] = "晴" + std::to_string(s);
        w.PointTemp[s] = -20 + s;
    }
    for (int k = 0; k < 7; ++k) {
        w.WeekDate[k] = 46100 + k;
        w.WeekWeather[k] = k == 2 ? "" : "曇時々雨" + std::to_string(k);
        w.WeekMinTemp[k] = -k;
        w.WeekMaxTemp[k] = 30 + k;
        w.WeekProb[k] = 10 * k;
    }
    w.DayDate = {46200, 46201};
    w.DayWeather = {"雨のち晴", "雪"};
    w.DayMinTemp = {NoValue, -2147483647 - 1};
    w.DayMaxTemp = {15, 16};
    w.DayProb = {0, 10, 20, 30, 40, 50, 60, NoValue};
    w.LocationName = "引用符\"と\\と\n改行\x01\x7f";
    w.UpdateInfo = "11時00分 発表";
    w.Information = "接続しています";
    w.TodayName = "今夜";
    w.WarningsKnown = true;
    w.Warnings = {{"33", "レベル5大雨特別警報", "発表", TWarningLevel::Emergency},
                  {"43", "レベル4大雨危険警報", "危険警報から警報", TWarningLevel::Danger},
                  {"91", "警報・注意報 (コード91)", "延長", TWarningLevel::Warning},
                  {"15", "強風注意報", "継続", TWarningLevel::Advisory}};
    w.WarningsTime = "2026-10-04T05:00";
    w.WarningsNote = "10:40 現在";
    w.DayText = {"くもり　時々　晴れ", "晴れ"};
    w.DayWind = {"西の風　やや強く", "北の風"};
    w.DayWave = {"", "１メートル"};
    w.WeekReliability = {"", "", "A", "B", "C", "A", "B"};
    for (int k = 0; k < 7; ++k) {
        w.WeekMinTempRange[k] = {k == 0 ? NoValue : -k, k};
        w.WeekMaxTempRange[k] = {10 + k, k == 6 ? NoValue : 20 + k};
    }
    w.WeekNormalMinTemp = -0.5;
    w.WeekNormalMaxTemp = 9.4;
    w.Overview = "　一段落目。\n\n　二段落目。";
    w.OverviewHeadline = "見出し";
    w.OverviewTime = "2023-01-28T10:32";

    const std::string text = WriteRecordJson(w, true);
    EXPECT_EQ(text.rfind("{\n  \"ok\": true,\n", 0), 0u) << text;
    TWeatherData read;
    read.LocationName = "not the same";
    std::string error;
    ASSERT_TRUE(ReadRecordJson(text, read, error)) << error;
    EXPECT_RECORD_EQ(read, w);

    TWeatherData cleared;
    ASSERT_TRUE(ReadRecordJson(WriteRecordJson(TWeatherData()), w, error)) << error;
    EXPECT_RECORD_EQ(w, cleared);
}

// The agency's own words in their own form: ranges as [lower, upper] pairs,
// normals with one decimal or null.
TEST(RecordJson, TheAgencysWordsAsWritten) {
    TWeatherData w;
    w.DayWave = {"１．５メートル", ""};
    w.WeekReliability[2] = "A";
    w.WeekMinTempRange[1] = {1, 5};
    w.WeekMaxTempRange[6] = {NoValue, 13};
    w.WeekNormalMinTemp = 2.6;
    w.OverviewTime = "2023-01-28T10:32";
    const std::string text = WriteRecordJson(w);
    const std::string none = "[2147483647, 2147483647]";
    EXPECT_NE(text.find("  \"DayText\": [\"\", \"\"],\n"
                        "  \"DayWind\": [\"\", \"\"],\n"
                        "  \"DayWave\": [\"１．５メートル\", \"\"],\n"
                        "  \"WeekReliability\": [\"\", \"\", \"A\", \"\", \"\", \"\", \"\"],\n"
                        "  \"WeekMinTempRange\": [" +
                        none + ", [1, 5], " + none + ", " + none + ", " + none + ", " + none +
                        ", " + none + "],\n  \"WeekMaxTempRange\": [" + none + ", " + none + ", " +
                        none + ", " + none + ", " + none + ", " + none +
                        ", [2147483647, 13]],\n"
                        "  \"WeekNormalMinTemp\": 2.6,\n"
                        "  \"WeekNormalMaxTemp\": null,\n"
                        "  \"Overview\": \"\",\n"
                        "  \"OverviewHeadline\": \"\",\n"
                        "  \"OverviewTime\": \"2023-01-28T10:32\",\n"),
              std::string::npos)
        << text;
}

TEST(RecordJson, WarningsAreNullWhenUnknownAndAListOtherwise) {
    TWeatherData w;
    EXPECT_NE(WriteRecordJson(w).find("\"Warnings\": null,\n  \"WarningsTime\": \"\""),
              std::string::npos);
    w.WarningsKnown = true;
    EXPECT_NE(WriteRecordJson(w).find("\"Warnings\": [],"), std::string::npos);
    w.Warnings = {{"15", "強風注意報", "発表", TWarningLevel::Advisory}};
    EXPECT_NE(WriteRecordJson(w).find(R"("Warnings": [{"code": "15", "name": "強風注意報", )"
                                      R"("status": "発表", "level": "advisory"}],)"),
              std::string::npos)
        << WriteRecordJson(w);

    // null makes a known list unknown again; a bad warning is an error naming it.
    std::string error;
    ASSERT_TRUE(ReadRecordJson(R"({"Warnings": null})", w, error)) << error;
    EXPECT_FALSE(w.WarningsKnown);
    EXPECT_TRUE(w.Warnings.empty());
    for (const char* bad : {R"({"Warnings": 3})", R"({"Warnings": [3]})",
                            R"({"Warnings": [{"code": "15", "name": "x", "status": "発表"}]})",
                            R"({"Warnings": [{"code": "15", "name": "x", "status": "発表",
                                              "level": "severe"}]})"}) {
        TWeatherData r;
        error.clear();
        EXPECT_FALSE(ReadRecordJson(bad, r, error)) << bad;
        EXPECT_NE(error.find("arning"), std::string::npos) << bad << ": " << error;
    }
}
