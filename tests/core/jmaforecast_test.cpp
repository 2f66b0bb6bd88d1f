// The agency's forecast answers into the record: its code table, real answers of each report
// layout, and hostile answers.
#include "weather/jma/JmaForecast.h"
#include "weather/jma/JmaWeatherCodes.h"

#include "support/Records.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <sstream>

using json = nlohmann::json;

namespace {

const std::int32_t N = NoValue;

std::string Fixture(const std::string& name) {
    return ReadAll(TestData("jma/" + name));
}

// The agency's table as its pages list it: code → Japanese short text.
std::map<int, std::string> AgencyTable() {
    std::ifstream in(TestData("jma/telops.tsv"));
    std::map<int, std::string> table;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream ss(line);
        for (std::string field; std::getline(ss, field, '\t');)
            fields.push_back(field);
        if (fields.size() == 6)
            table[std::stoi(fields[0])] = fields[4];
    }
    return table;
}

TEST(JmaWeatherCodes, TheTableHoldsEveryCodeOfTheAgencyWithItsText) {
    const auto agency = AgencyTable();
    ASSERT_EQ(agency.size(), 118u);
    ASSERT_EQ(JmaWeatherCodes().size(), agency.size());
    for (const TJmaWeatherCode& entry : JmaWeatherCodes()) {
        SCOPED_TRACE(entry.Code);
        ASSERT_TRUE(agency.count(entry.Code));
        EXPECT_EQ(entry.Agency, agency.at(entry.Code));
        EXPECT_EQ(JmaWeatherText(std::to_string(entry.Code)), entry.Text);
        // The pages' word for "later", never the agency's.
        EXPECT_EQ(std::string(entry.Text).find("後"), std::string::npos) << entry.Text;
    }
}

TEST(JmaWeatherCodes, TextsOfTheExamples) {
    const std::pair<const char*, const char*> cases[] = {
        {"100", "晴"},           {"111", "晴のち曇"},     {"110", "晴のち時々曇"},
        {"120", "晴一時雨"},     {"123", "晴一時雷雨"},   {"130", "霧のち晴"},
        {"122", "晴のち一時雨"}, {"302", "雨時々曇"},     {"316", "雨か雪のち晴"},
        {"328", "雨一時強い雨"}, {"426", "雪のちみぞれ"}, {"450", "雪で雷を伴う"},
        {"209", "霧"},           {"231", "曇一時霧雨"},   {"427", "雪一時みぞれ"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(JmaWeatherText(code), std::optional<std::string_view>(text)) << code;
}

TEST(JmaWeatherCodes, AnythingElseIsNoCode) {
    for (const char* code : {"", "999", "129", "099", "10", "1000", "-10", "+10", "10a", " 100",
                             "100 ", "１００", "0x6"})
        EXPECT_EQ(JmaWeatherText(code), std::nullopt) << code;
}

using Range = std::array<std::int32_t, 2>;
const Range NN = {N, N};

// The agency's own words a real answer gives: today's and tomorrow's texts, and the week's
// reliabilities, ranges and normals.
struct Words {
    std::array<const char*, 2> text, wind, wave;
    std::array<const char*, 7> reliability;
    std::array<Range, 7> minRange, maxRange;
    std::optional<double> normalMin, normalMax;
};

void PutWords(TWeatherData& w, const Words& words) {
    for (int d = 0; d < 2; ++d) {
        w.DayText[d] = words.text[d];
        w.DayWind[d] = words.wind[d];
        w.DayWave[d] = words.wave[d];
    }
    for (int k = 0; k < 7; ++k)
        w.WeekReliability[k] = words.reliability[k];
    w.WeekMinTempRange = words.minRange;
    w.WeekMaxTempRange = words.maxRange;
    w.WeekNormalMinTemp = words.normalMin;
    w.WeekNormalMaxTemp = words.normalMax;
}

// The record a real answer gives, slot by slot.
struct Expected {
    TDateTime today;
    std::array<const char*, 2> dayWeather;
    std::array<std::int32_t, 8> dayProb;
    std::array<std::int32_t, 2> dayMin, dayMax;
    int weekDays; // slots 0 .. weekDays-1 are dated; the others are empty
    std::array<const char*, 7> weekWeather;
    std::array<std::int32_t, 7> weekProb, weekMin, weekMax;
    const char* updateInfo;
    const char* todayName = ""; // "今夜" where today is the evening report's night
};

// The report time as the record keeps it, from the day and the text the widget shows:
// "05時00分 発表" is today's, "前日17時00分 発表" yesterday's, "3月12日 05時00分 発表" that day's.
std::string ReportTimeOf(TDateTime today, const std::string& shown) {
    CalendarDate date = DecodeDate(today);
    int hour = 0, minute = 0;
    if (std::sscanf(shown.c_str(), "%d時%d分", &hour, &minute) == 2) {
    } else if (shown.starts_with("前日") && std::sscanf(shown.c_str() + std::string("前日").size(),
                                                        "%d時%d分", &hour, &minute) == 2) {
        date = DecodeDate(today - 1);
    } else if (std::sscanf(shown.c_str(), "%d月%d日 %d時%d分", &date.Month, &date.Day, &hour,
                           &minute) != 4) {
        return "";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", date.Year, date.Month, date.Day,
                  hour, minute);
    return text;
}

TWeatherData RecordOf(const Expected& e, const std::string& location, const Words& words) {
    TWeatherData w;
    PutWords(w, words);
    w.ReportTime = ReportTimeOf(e.today, e.updateInfo);
    w.DayDate = {e.today, e.today + 1};
    for (int d = 0; d < 2; ++d) {
        w.DayWeather[d] = e.dayWeather[d];
        w.DayMinTemp[d] = e.dayMin[d];
        w.DayMaxTemp[d] = e.dayMax[d];
    }
    w.DayProb = e.dayProb;
    for (int k = 0; k < e.weekDays; ++k) {
        w.WeekDate[k] = e.today + k + 1;
        w.WeekWeather[k] = e.weekWeather[k];
        w.WeekProb[k] = e.weekProb[k];
        w.WeekMinTemp[k] = e.weekMin[k];
        w.WeekMaxTemp[k] = e.weekMax[k];
    }
    w.LocationName = location;
    w.UpdateInfo = e.updateInfo;
    w.TodayName = e.todayName;
    return w;
}

// 千代田区 in the 11 o'clock answer of 2021-07-24, read that day: its weekly part starts tomorrow.
const Words kChiyoda2021Words = {
    {"くもり　時々　晴れ　所により　雨　で　雷を伴う", "くもり　時々　晴れ"},
    {"南東の風", "北の風　後　東の風"},
    {"０．５メートル", "０．５メートル"},
    {"", "", "B", "C", "B", "C", "C"},
    {NN, Range{21, 24}, {20, 24}, {20, 26}, {23, 26}, {21, 26}, {22, 26}},
    {NN, Range{29, 33}, {26, 31}, {29, 34}, {30, 34}, {28, 34}, {27, 33}},
    23.6,
    31.3};

// Real answers of each layout, each read at its own report date; the places are chosen so
// that the week's area and station are found by code, by the office, or as the first.
TEST(JmaForecast, RealAnswersOfEachLayout) {
    struct Case {
        const char* file;
        TJmaPlace place;
        const char* location;
        TDateTime readOn;
        Expected expected;
        Words words;
    };
    const Case cases[] = {
        // 05 o'clock: band 00-06 has passed; the weekly part is yesterday evening's, from today,
        // so it has no day for slot 6, and its tomorrow (90 %, 12℃) gives way to the newer
        // short-term part's (80 %, 11℃). 伊豆諸島南部 has its own weekly area; 八丈島 is the third
        // point.
        {"forecast-130000-2026-03-12T05.json",
         {"130000", "130030", "1340100", "44263", {}},
         "八丈町",
         EncodeDate(2026, 3, 12),
         {EncodeDate(2026, 3, 12),
          {"曇時々雨", "雨"},
          {N, 60, 40, 50, 60, 80, 80, 80},
          {N, 9},
          {13, 11},
          6,
          {"雨", "雨のち曇", "曇時々晴", "曇", "曇", "曇", ""},
          {80, 60, 30, 40, 40, 40, N},
          {9, 8, 8, 8, 9, 9, N},
          {11, 14, 14, 15, 16, 16, N},
          "05時00分 発表"},
         {{"くもり　時々　雨　所により　雷　を伴う",
           "雨　八丈島　では　夜　雷を伴い　激しく　降る"},
          {"北東の風　後　やや強く", "北東の風　やや強く　後　非常に強く"},
          {"３メートル　うねり　を伴う",
           "３メートル　後　７メートル　うねり　を伴う　ただし　三宅島　では　３メートル　後　"
           "６メートル　うねり　を伴う"},
          {"", "C", "A", "B", "B", "B", ""},
          {Range{6, 10}, {6, 9}, {6, 10}, {6, 10}, {7, 11}, {8, 12}, NN},
          {Range{11, 14}, {12, 15}, {13, 16}, {13, 16}, {14, 18}, {15, 19}, NN},
          9.1,
          15.6}},
        // 11 o'clock: the weekly part starts tomorrow and leaves its figures to the short-term
        // part: the highest of tomorrow's bands, tomorrow's minimum and maximum.
        {"forecast-130000-2021-07-24T11.json",
         {"130000", "130010", "1310100", "44132", {}},
         "千代田区",
         EncodeDate(2021, 7, 24),
         {EncodeDate(2021, 7, 24),
          {"曇時々晴", "曇時々晴"},
          {N, N, 30, 30, 0, 0, 10, 20},
          {N, 25},
          {33, 32},
          7,
          {"曇時々晴", "曇", "曇時々雨", "曇", "曇時々晴", "曇", "曇"},
          {20, 40, 70, 40, 30, 40, 40},
          {25, 23, 23, 24, 25, 24, 24},
          {32, 31, 27, 32, 32, 30, 30},
          "11時00分 発表"},
         kChiyoda2021Words},
        // 17 o'clock: only the evening band is left of today, and no temperature. The weekly
        // part has neither 伊豆諸島北部 nor 大島: its first area and point stand in, while the
        // days the short-term part tells (slots 0 and 1) stay the place's own.
        {"forecast-130000-2022-07-27T17.json",
         {"130000", "130020", "1336100", "44172", {}},
         "大島町",
         EncodeDate(2022, 7, 27),
         {EncodeDate(2022, 7, 27),
          {"晴時々曇", "晴時々曇"},
          {N, N, N, 20, 10, 10, 10, 10},
          {N, 25},
          {N, 31},
          7,
          {"晴時々曇", "晴時々曇", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴"},
          {10, 40, 40, 40, 40, 30, 30},
          {25, 26, 26, 26, 26, 25, 25},
          {31, 33, 33, 34, 33, 32, 33},
          "17時00分 発表",
          "今夜"},
         {{"晴れ　夜のはじめ頃　くもり　所により　夜のはじめ頃　まで　雨", "晴れ　時々　くもり"},
          {"南の風", "南の風"},
          {"１．５メートル", "１．５メートル"},
          {"", "", "C", "B", "C", "B", "B"},
          {NN, Range{24, 27}, {24, 27}, {25, 27}, {25, 28}, {24, 26}, {23, 26}},
          {NN, Range{31, 35}, {31, 35}, {32, 36}, {29, 36}, {29, 34}, {30, 35}},
          23.8,
          31.6}},
        // 愛知: one weekly area under the office's code, and only 名古屋 in the weekly points.
        {"forecast-230000-2022-08-02T11.json",
         {"230000", "230020", "2320100", "51331", {}},
         "豊橋市",
         EncodeDate(2022, 8, 2),
         {EncodeDate(2022, 8, 2),
          {"晴", "晴のち曇"},
          {N, N, 0, 0, 0, 0, 0, 10},
          {N, 26},
          {34, 34},
          7,
          {"晴のち曇", "曇", "晴時々曇", "曇時々晴", "曇時々晴", "晴時々曇", "晴時々曇"},
          {10, 40, 20, 30, 30, 20, 20},
          {26, 26, 26, 26, 26, 26, 26},
          {34, 35, 36, 35, 35, 36, 36},
          "11時00分 発表"},
         {{"晴れ", "晴れ　夕方　から　くもり"},
          {"南の風　東三河南部　では　南西の風　やや強く",
           "西の風　東三河南部　では　南西の風　やや強く"},
          {"１．５メートル　ただし　内海　では　０．５メートル",
           "１．５メートル　ただし　内海　では　０．５メートル"},
          {"", "", "A", "A", "A", "A", "A"},
          {NN, Range{25, 28}, {24, 27}, {24, 27}, {24, 27}, {24, 27}, {23, 27}},
          {NN, Range{30, 36}, {33, 38}, {33, 37}, {32, 38}, {33, 39}, {32, 39}},
          25.1,
          33.7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.place.Class10);
        const std::string answer = Fixture(c.file);
        ASSERT_FALSE(answer.empty());
        TWeatherData w;
        ASSERT_TRUE(FillFromJma(w, answer, c.place, c.location, c.readOn));
        EXPECT_RECORD_EQ(w, RecordOf(c.expected, c.location, c.words));
    }
}

// 千代田区 through a day: at each hour the answer the agency serves then (before 05:00 the
// evening report of the day before), and an answer two days old. 今日 is the clock's date; a day
// the short-term part does not tell takes the weekly part's figures (its day's probability in
// every band); a day both parts tell shows the short-term part's, in the week row too; a week
// slot beyond the answer stays empty; the report's day is named when it is not today.
TEST(JmaForecast, TheDaysAreTheClocksAtEveryHour) {
    const TJmaPlace place{"130000", "130010", "1310100", "44132", {}};
    struct Case {
        const char* when;
        const char* file;
        Expected expected;
        Words words;
    };
    const Case cases[] = {
        {"00:30, yesterday's 17 o'clock report",
         "forecast-130000-2022-07-27T17.json",
         {EncodeDate(2022, 7, 28),
          {"曇のち一時雨", "曇時々晴"},
          {20, 20, 60, 40, 40, 40, 40, 40},
          {26, 26},
          {32, 33},
          6,
          {"曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", ""},
          {40, 40, 40, 40, 30, 30, N},
          {26, 26, 26, 26, 25, 25, N},
          {33, 33, 34, 33, 32, 33, N},
          "前日17時00分 発表"},
         {{"くもり　夕方　一時　雨　所により　昼過ぎ　から　夜のはじめ頃　雷を伴い　激しく　降る",
           "くもり　時々　晴れ"},
          {"南の風　２３区西部　では　はじめ　南の風　やや強く", "南西の風　後　南の風"},
          {"１メートル　後　０．５メートル", "０．５メートル"},
          {"", "C", "B", "C", "B", "B", ""},
          {Range{24, 27}, {24, 27}, {25, 27}, {25, 28}, {24, 26}, {23, 26}, NN},
          {Range{31, 35}, {31, 35}, {32, 36}, {29, 36}, {29, 34}, {30, 35}, NN},
          23.8,
          31.6}},
        // The weekly part (17:00 the day before) says 40 % and 4℃ for tomorrow; the short-term
        // part of 05:00 says 10 % and 3℃.
        {"05:30, the 05 o'clock report",
         "forecast-130000-2026-03-12T05.json",
         {EncodeDate(2026, 3, 12),
          {"晴時々曇", "曇"},
          {N, 0, 0, 0, 0, 0, 10, 10},
          {N, 3},
          {13, 11},
          6,
          {"曇", "晴時々曇", "晴時々曇", "晴時々曇", "曇時々晴", "曇時々晴", ""},
          {10, 20, 10, 20, 30, 30, N},
          {3, 4, 4, 5, 6, 6, N},
          {11, 14, 15, 15, 15, 16, N},
          "05時00分 発表"},
         {{"晴れ　時々　くもり", "くもり"},
          {"北の風", "北の風　日中　北東の風　２３区西部　では　後　北の風　やや強く"},
          {"０．５メートル", "０．５メートル　後　１メートル"},
          {"", "A", "A", "A", "A", "A", ""},
          {Range{3, 6}, {2, 6}, {3, 6}, {4, 7}, {4, 8}, {4, 8}, NN},
          {Range{8, 13}, {12, 16}, {12, 17}, {13, 17}, {13, 17}, {13, 19}, NN},
          4.8,
          14.2}},
        {"11:30, the 11 o'clock report",
         "forecast-130000-2021-07-24T11.json",
         {EncodeDate(2021, 7, 24),
          {"曇時々晴", "曇時々晴"},
          {N, N, 30, 30, 0, 0, 10, 20},
          {N, 25},
          {33, 32},
          7,
          {"曇時々晴", "曇", "曇時々雨", "曇", "曇時々晴", "曇", "曇"},
          {20, 40, 70, 40, 30, 40, 40},
          {25, 23, 23, 24, 25, 24, 24},
          {32, 31, 27, 32, 32, 30, 30},
          "11時00分 発表"},
         kChiyoda2021Words},
        {"17:30, the 17 o'clock report",
         "forecast-130000-2022-07-27T17.json",
         {EncodeDate(2022, 7, 27),
          {"晴時々曇", "曇のち一時雨"},
          {N, N, N, 20, 20, 20, 60, 40},
          {N, 26},
          {N, 32},
          7,
          {"曇のち一時雨", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴"},
          {60, 40, 40, 40, 40, 30, 30},
          {26, 26, 26, 26, 26, 25, 25},
          {32, 33, 33, 34, 33, 32, 33},
          "17時00分 発表",
          "今夜"},
         {{"晴れ　夜のはじめ頃　くもり　多摩西部　では　夜のはじめ頃　まで　雨　で　雷を伴い　"
           "激しく　降る",
           "くもり　夕方　一時　雨　所により　昼過ぎ　から　夜のはじめ頃　雷を伴い　激しく　降る"},
          {"南の風　２３区西部　では　南の風　やや強く",
           "南の風　２３区西部　では　はじめ　南の風　やや強く"},
          {"１メートル", "１メートル　後　０．５メートル"},
          {"", "", "C", "B", "C", "B", "B"},
          {NN, Range{24, 27}, {24, 27}, {25, 27}, {25, 28}, {24, 26}, {23, 26}},
          {NN, Range{31, 35}, {31, 35}, {32, 36}, {29, 36}, {29, 34}, {30, 35}},
          23.8,
          31.6}},
        {"two days late, the 05 o'clock report",
         "forecast-130000-2026-03-12T05.json",
         {EncodeDate(2026, 3, 14),
          {"晴時々曇", "晴時々曇"},
          {20, 20, 20, 20, 10, 10, 10, 10},
          {4, 4},
          {14, 15},
          4,
          {"晴時々曇", "晴時々曇", "曇時々晴", "曇時々晴", "", "", ""},
          {10, 20, 30, 30, N, N, N},
          {4, 5, 6, 6, N, N, N},
          {15, 15, 15, 16, N, N, N},
          "3月12日 05時00分 発表"},
         // The short-term part tells neither day: no texts.
         {{"", ""},
          {"", ""},
          {"", ""},
          {"A", "A", "A", "A", "", "", ""},
          {Range{3, 6}, {4, 7}, {4, 8}, {4, 8}, NN, NN, NN},
          {Range{12, 17}, {13, 17}, {13, 17}, {13, 19}, NN, NN, NN},
          4.8,
          14.2}},
        {"two days late, the 17 o'clock report",
         "forecast-130000-2022-07-27T17.json",
         {EncodeDate(2022, 7, 29),
          {"曇時々晴", "曇時々晴"},
          {40, 40, 40, 40, 40, 40, 40, 40},
          {26, 26},
          {33, 33},
          5,
          {"曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", "曇時々晴", "", ""},
          {40, 40, 40, 30, 30, N, N},
          {26, 26, 26, 25, 25, N, N},
          {33, 34, 33, 32, 33, N, N},
          "7月27日 17時00分 発表"},
         // Today is the short-term part's last day; tomorrow only the weekly part's.
         {{"くもり　時々　晴れ", ""},
          {"南西の風　後　南の風", ""},
          {"０．５メートル", ""},
          {"C", "B", "C", "B", "B", "", ""},
          {Range{24, 27}, {25, 27}, {25, 28}, {24, 26}, {23, 26}, NN, NN},
          {Range{31, 35}, {32, 36}, {29, 36}, {29, 34}, {30, 35}, NN, NN},
          23.8,
          31.6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        TWeatherData w;
        ASSERT_TRUE(FillFromJma(w, Fixture(c.file), place, "千代田区", c.expected.today));
        EXPECT_RECORD_EQ(w, RecordOf(c.expected, "千代田区", c.words));
    }
}

// 大阪府's 11 o'clock answer with every word the agency writes (runs of spaces made one), read
// on its day, after midnight and two days late. The office is its only class10, weekly area
// and station.
TEST(JmaForecast, TheAgencysOwnWordsThroughTheDays) {
    const TJmaPlace place{"270000", "270000", "2710000", "62078", {}};
    struct Case {
        const char* when;
        Expected expected;
        Words words;
    };
    const Case cases[] = {
        {"11:30, the 11 o'clock report",
         {EncodeDate(2023, 1, 28),
          {"曇時々晴", "晴"},
          {N, N, 30, 10, 10, 10, 10, 10},
          {N, 2},
          {7, 8},
          7,
          {"晴", "曇時々晴", "晴時々曇", "曇時々晴", "曇時々晴", "晴時々曇", "曇時々晴"},
          {10, 30, 20, 30, 30, 20, 30},
          {2, 2, 1, 2, 3, 1, 2},
          {8, 9, 9, 14, 9, 8, 11},
          "11時00分 発表"},
         {{"くもり　時々　晴れ　所により　夕方　まで　雪か雨", "晴れ"},
          {"西の風　やや強く　海上　では　西の風　強く", "西の風　やや強く"},
          {"１．５メートル", "１メートル"},
          {"", "", "A", "A", "A", "A", "A"},
          {NN, Range{1, 5}, {0, 3}, {1, 4}, {1, 4}, {0, 3}, {0, 4}},
          {NN, Range{8, 11}, {7, 10}, {12, 16}, {8, 11}, {7, 10}, {8, 13}},
          2.6,
          9.4}},
        {"00:30, the report of the day before",
         {EncodeDate(2023, 1, 29),
          {"晴", "曇時々晴"},
          {10, 10, 10, 10, 30, 30, 30, 30},
          {2, 2},
          {8, 9},
          6,
          {"曇時々晴", "晴時々曇", "曇時々晴", "曇時々晴", "晴時々曇", "曇時々晴", ""},
          {30, 20, 30, 30, 20, 30, N},
          {2, 1, 2, 3, 1, 2, N},
          {9, 9, 14, 9, 8, 11, N},
          "前日11時00分 発表"},
         {{"晴れ", "くもり　時々　晴れ"},
          {"西の風　やや強く", "西の風　やや強く　後　北の風　やや強く"},
          {"１メートル", "１メートル　後　１．５メートル"},
          {"", "A", "A", "A", "A", "A", ""},
          {Range{1, 5}, {0, 3}, {1, 4}, {1, 4}, {0, 3}, {0, 4}, NN},
          {Range{8, 11}, {7, 10}, {12, 16}, {8, 11}, {7, 10}, {8, 13}, NN},
          2.6,
          9.4}},
        {"two days late",
         {EncodeDate(2023, 1, 30),
          {"曇時々晴", "晴時々曇"},
          {30, 30, 30, 30, 20, 20, 20, 20},
          {2, 1},
          {9, 9},
          5,
          {"晴時々曇", "曇時々晴", "曇時々晴", "晴時々曇", "曇時々晴", "", ""},
          {20, 30, 30, 20, 30, N, N},
          {1, 2, 3, 1, 2, N, N},
          {9, 14, 9, 8, 11, N, N},
          "1月28日 11時00分 発表"},
         {{"くもり　時々　晴れ", ""},
          {"西の風　やや強く　後　北の風　やや強く", ""},
          {"１メートル　後　１．５メートル", ""},
          {"A", "A", "A", "A", "A", "", ""},
          {Range{0, 3}, {1, 4}, {1, 4}, {0, 3}, {0, 4}, NN, NN},
          {Range{7, 10}, {12, 16}, {8, 11}, {7, 10}, {8, 13}, NN, NN},
          2.6,
          9.4}},
    };
    const std::string answer = Fixture("words/forecast_270000-2023-01-28T1100JST.json");
    ASSERT_FALSE(answer.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        TWeatherData w;
        ASSERT_TRUE(FillFromJma(w, answer, place, "大阪市", c.expected.today));
        EXPECT_RECORD_EQ(w, RecordOf(c.expected, "大阪市", c.words));
    }
}

// Runs of spaces of any width become one full-width space; none is left at either end.
TEST(JmaForecast, TheAgencysTextsHaveOneFullWidthSpaceBetweenWords) {
    const std::pair<const char*, const char*> cases[] = {
        {"くもり　時々　 晴れ", "くもり　時々　晴れ"},
        {"では 　西の風", "では　西の風"},
        {"　北の風　", "北の風"},
        {" \t北の風\r\n後 南の風  ", "北の風　後　南の風"},
        {"北\u00a0の風", "北　の風"},
        {"１．５メートル", "１．５メートル"},
        {"　 　", ""},
        {"", ""},
    };
    for (const auto& [text, words] : cases)
        EXPECT_EQ(JmaWords(text), words) << text;
}

// An answer that tells nothing of the clock's today is no forecast for today: days before the
// report, beyond its week, or no date at all. The record is left cleared.
TEST(JmaForecast, AnAnswerThatTellsNothingOfTodayIsRefused) {
    const TJmaPlace place{"130000", "130010", "1310100", "44132", {}};
    const std::string answer = Fixture("forecast-130000-2026-03-12T05.json");
    const TDateTime report = EncodeDate(2026, 3, 12);
    for (const TDateTime readOn :
         {report - 1, report + 7, report + 30, 0.0, std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity()}) {
        TWeatherData w;
        EXPECT_FALSE(FillFromJma(w, answer, place, "千代田区", readOn)) << readOn;
        EXPECT_RECORD_EQ(w, TWeatherData());
    }
    // The last day its week tells is still a day it tells; a time of day is no other day.
    TWeatherData w;
    ASSERT_TRUE(FillFromJma(w, answer, place, "千代田区", report + 6.75));
    EXPECT_EQ(w.DayDate[0], report + 6);
    EXPECT_EQ(w.DayWeather[0], "曇時々晴");
    EXPECT_EQ(w.DayDate[1], report + 7);
    EXPECT_EQ(w.DayWeather[1], "");
    EXPECT_EQ(w.WeekDate, (std::array<TDateTime, 7>{}));
}

// A small answer of the 11 o'clock layout for 2026-12-09 with two areas and two points, the
// place being the second of each; every figure differs from every other.
const TJmaPlace kPlace{"100000", "100020", "1020100", "22222", {}};
const TDateTime kDay = EncodeDate(2026, 12, 9);

json SmallAnswer() {
    const auto at = [](int day, const char* time) {
        char date[32];
        std::snprintf(date, sizeof date, "2026-12-%02d", 9 + day);
        return std::string(date) + "T" + time + "+09:00";
    };
    const auto area = [](const char* code, const char* name) {
        return json{{"name", name}, {"code", code}};
    };
    json shortTerm = {
        {"publishingOffice", "気象台"},
        {"reportDatetime", at(0, "11:00:00")},
        {"timeSeries",
         {{{"timeDefines", {at(0, "11:00:00"), at(1, "00:00:00"), at(2, "00:00:00")}},
           {"areas",
            {{{"area", area("100010", "北部")},
              {"weatherCodes", {"300", "300", "300"}},
              {"weathers", {"雨", "雨", "雨"}},
              {"winds", {"西の風", "西の風", "西の風"}},
              {"waves", {"３メートル", "３メートル", "３メートル"}}},
             {{"area", area("100020", "南部")},
              {"weatherCodes", {"111", "302", "212"}},
              {"weathers", {"晴れ　後　くもり", "雨　時々　止む", "くもり　後　一時　雨"}},
              {"winds", {" 北の風　 後　南の風 ", "南の風\tやや強く", "東の風"}},
              {"waves", {"０．５メートル", "１メートル　後　１．５メートル", "２メートル"}}}}}},
          {{"timeDefines",
            {at(0, "12:00:00"), at(0, "18:00:00"), at(1, "00:00:00"), at(1, "06:00:00"),
             at(1, "12:00:00"), at(1, "18:00:00")}},
           {"areas",
            {{{"area", area("100010", "北部")}, {"pops", {"90", "90", "90", "90", "90", "90"}}},
             {{"area", area("100020", "南部")}, {"pops", {"10", "20", "30", "40", "60", "50"}}}}}},
          {{"timeDefines",
            {at(0, "09:00:00"), at(0, "00:00:00"), at(1, "00:00:00"), at(1, "09:00:00")}},
           {"areas",
            {{{"area", area("11111", "北")}, {"temps", {"31", "32", "21", "33"}}},
             {{"area", area("22222", "南")}, {"temps", {"11", "12", "-3", "8"}}}}}}}}};
    json weekDays = json::array();
    json weekTimes = json::array();
    for (int d = 1; d <= 7; ++d)
        weekTimes.push_back(at(d, "00:00:00"));
    json weekly = {{"publishingOffice", "気象台"},
                   {"reportDatetime", at(0, "11:00:00")},
                   {"timeSeries",
                    {{{"timeDefines", weekTimes},
                      {"areas",
                       {{{"area", area("100010", "北部")},
                         {"weatherCodes", {"300", "300", "300", "300", "300", "300", "300"}},
                         {"pops", {"", "99", "99", "99", "99", "99", "99"}},
                         {"reliabilities", {"", "", "C", "C", "C", "C", "C"}}},
                        {{"area", area("100020", "南部")},
                         {"weatherCodes", {"210", "211", "200", "201", "300", "313", "400"}},
                         {"pops", {"", "71", "72", "73", "74", "75", "76"}},
                         {"reliabilities", {"", "", "A", "B", "C", "A", "B"}}}}}},
                     {{"timeDefines", weekTimes},
                      {"areas",
                       {{{"area", area("11111", "北")},
                         {"tempsMin", {"", "20", "20", "20", "20", "20", "20"}},
                         {"tempsMinUpper", {"", "22", "22", "22", "22", "22", "22"}},
                         {"tempsMinLower", {"", "18", "18", "18", "18", "18", "18"}},
                         {"tempsMax", {"", "30", "30", "30", "30", "30", "30"}},
                         {"tempsMaxUpper", {"", "32", "32", "32", "32", "32", "32"}},
                         {"tempsMaxLower", {"", "28", "28", "28", "28", "28", "28"}}},
                        {{"area", area("22222", "南")},
                         {"tempsMin", {"", "-1", "-2", "0", "1", "2", "3"}},
                         {"tempsMinUpper", {"", "1", "0", "2", "3", "4", "5"}},
                         {"tempsMinLower", {"", "-3", "-4", "-2", "-1", "0", "1"}},
                         {"tempsMax", {"", "5", "6", "7", "9", "10", "13"}},
                         {"tempsMaxUpper", {"", "7", "8", "9", "11", "12", "15"}},
                         {"tempsMaxLower", {"", "3", "4", "5", "7", "8", "11"}}}}}}}},
                   {"tempAverage",
                    {{"areas",
                      {{{"area", area("11111", "北")}, {"min", "20.1"}, {"max", "29.9"}},
                       {{"area", area("22222", "南")}, {"min", "-0.5"}, {"max", "7.0"}}}}}}};
    return json::array({shortTerm, weekly});
}

TWeatherData SmallRecord() {
    const Expected e{kDay,
                     {"晴のち曇", "雨時々曇"},
                     {N, N, 10, 20, 30, 40, 60, 50},
                     {N, -3},
                     {11, 8},
                     7,
                     {"雨時々曇", "曇のち一時雨", "曇", "曇時々晴", "雨", "雨のち曇", "雪"},
                     {60, 71, 72, 73, 74, 75, 76},
                     {-3, -1, -2, 0, 1, 2, 3},
                     {8, 5, 6, 7, 9, 10, 13},
                     "11時00分 発表"};
    const Words words{{"晴れ　後　くもり", "雨　時々　止む"},
                      {"北の風　後　南の風", "南の風　やや強く"},
                      {"０．５メートル", "１メートル　後　１．５メートル"},
                      {"", "", "A", "B", "C", "A", "B"},
                      {NN, Range{-3, 1}, {-4, 0}, {-2, 2}, {-1, 3}, {0, 4}, {1, 5}},
                      {NN, Range{3, 7}, {4, 8}, {5, 9}, {7, 11}, {8, 12}, {11, 15}},
                      -0.5,
                      7.0};
    return RecordOf(e, "南町", words);
}

TEST(JmaForecast, TheSmallAnswer) {
    TWeatherData w;
    ASSERT_TRUE(FillFromJma(w, SmallAnswer().dump(), kPlace, "南町", kDay));
    EXPECT_RECORD_EQ(w, SmallRecord());
}

// Without a weekly part: the days the short-term part tells, and none of the week's words.
void NoWeeklyPart(TWeatherData& w) {
    w.WeekWeather = {"雨時々曇", "曇のち一時雨", "", "", "", "", ""};
    w.WeekDate = {kDay + 1, kDay + 2, 0, 0, 0, 0, 0};
    w.WeekProb = {60, N, N, N, N, N, N};
    w.WeekMinTemp = {-3, N, N, N, N, N, N};
    w.WeekMaxTemp = {8, N, N, N, N, N, N};
    w.WeekReliability.fill("");
    w.WeekMinTempRange.fill(NN);
    w.WeekMaxTempRange.fill(NN);
    w.WeekNormalMinTemp.reset();
    w.WeekNormalMaxTemp.reset();
}

// One value of the answer spoilt: that value, and only that one, is missing.
TEST(JmaForecast, ASpoiltValueIsMissingAlone) {
    using Edit = std::function<void(json&)>;
    using Fix = std::function<void(TWeatherData&)>;
    const auto shortArea = [](json& a, int series) -> json& {
        return a[0]["timeSeries"][series]["areas"][1];
    };
    const auto weekArea = [](json& a, int series) -> json& {
        return a[1]["timeSeries"][series]["areas"][1];
    };
    struct Case {
        const char* name;
        Edit edit;
        Fix fix;
    };
    const Case cases[] = {
        {"unknown code", [&](json& a) { shortArea(a, 0)["weatherCodes"][0] = "999"; },
         [](TWeatherData& w) { w.DayWeather[0] = ""; }},
        // A day the short-term part tells keeps its spoilt text in both rows: the weekly part's
        // is older.
        {"code as a number", [&](json& a) { shortArea(a, 0)["weatherCodes"][1] = 302; },
         [](TWeatherData& w) { w.DayWeather[1] = w.WeekWeather[0] = ""; }},
        {"codes missing", [&](json& a) { shortArea(a, 0).erase("weatherCodes"); },
         [](TWeatherData& w) {
             w.DayWeather = {"", ""};
             w.WeekWeather[0] = w.WeekWeather[1] = "";
         }},
        {"codes an object", [&](json& a) { shortArea(a, 0)["weatherCodes"] = json::object(); },
         [](TWeatherData& w) {
             w.DayWeather = {"", ""};
             w.WeekWeather[0] = w.WeekWeather[1] = "";
         }},
        {"codes too few", [&](json& a) { shortArea(a, 0)["weatherCodes"] = {"111"}; },
         [](TWeatherData& w) { w.DayWeather[1] = w.WeekWeather[0] = w.WeekWeather[1] = ""; }},
        {"empty band", [&](json& a) { shortArea(a, 1)["pops"][2] = ""; },
         [](TWeatherData& w) { w.DayProb[4] = N; }},
        {"band over 100", [&](json& a) { shortArea(a, 1)["pops"][0] = "101"; },
         [](TWeatherData& w) { w.DayProb[2] = N; }},
        {"band negative", [&](json& a) { shortArea(a, 1)["pops"][1] = "-10"; },
         [](TWeatherData& w) { w.DayProb[3] = N; }},
        {"band a fraction", [&](json& a) { shortArea(a, 1)["pops"][3] = "40.5"; },
         [](TWeatherData& w) { w.DayProb[5] = N; }},
        {"band a number", [&](json& a) { shortArea(a, 1)["pops"][4] = 60; },
         [](TWeatherData& w) {
             w.DayProb[6] = N;
             w.WeekProb[0] = 50; // the highest band left
         }},
        {"bands missing", [&](json& a) { shortArea(a, 1).erase("pops"); },
         [](TWeatherData& w) {
             w.DayProb = {N, N, N, N, N, N, N, N};
             w.WeekProb[0] = N;
         }},
        {"no bands of the area", [&](json& a) { a[0]["timeSeries"][1]["areas"].erase(1); },
         [](TWeatherData& w) {
             w.DayProb = {N, N, N, N, N, N, N, N};
             w.WeekProb[0] = N;
         }},
        {"band time spoilt", [&](json& a) { a[0]["timeSeries"][1]["timeDefines"][5] = "soon"; },
         [](TWeatherData& w) {
             w.DayProb[7] = N;
             w.WeekProb[0] = 60;
         }},
        {"empty daytime maximum", [&](json& a) { shortArea(a, 2)["temps"][0] = ""; },
         [](TWeatherData& w) { w.DayMaxTemp[0] = 12; }}, // the whole day's instead
        {"temperature with a plus", [&](json& a) { shortArea(a, 2)["temps"][2] = "+3"; },
         [](TWeatherData& w) {
             w.DayMinTemp[1] = N;
             w.WeekMinTemp[0] = N;
         }},
        {"temperature in words", [&](json& a) { shortArea(a, 2)["temps"][3] = "８"; },
         [](TWeatherData& w) {
             w.DayMaxTemp[1] = N;
             w.WeekMaxTemp[0] = N;
         }},
        {"temperature beyond reason", [&](json& a) { shortArea(a, 2)["temps"][3] = "9999"; },
         [](TWeatherData& w) {
             w.DayMaxTemp[1] = N;
             w.WeekMaxTemp[0] = N;
         }},
        {"our point missing", [&](json& a) { a[0]["timeSeries"][2]["areas"].erase(1); },
         [](TWeatherData& w) { // the first point stands in
             w.DayMaxTemp = {31, 33};
             w.DayMinTemp[1] = 21;
             w.WeekMinTemp[0] = 21;
             w.WeekMaxTemp[0] = 33;
         }},
        {"no points", [&](json& a) { a[0]["timeSeries"].erase(2); },
         [](TWeatherData& w) {
             w.DayMaxTemp = {N, N};
             w.DayMinTemp = {N, N};
             w.WeekMinTemp[0] = N;
             w.WeekMaxTemp[0] = N;
         }},
        {"weekly code unknown", [&](json& a) { weekArea(a, 0)["weatherCodes"][3] = "0"; },
         [](TWeatherData& w) { w.WeekWeather[3] = ""; }},
        {"weekly band empty", [&](json& a) { weekArea(a, 0)["pops"][6] = ""; },
         [](TWeatherData& w) { w.WeekProb[6] = N; }},
        {"weekly minimum missing", [&](json& a) { weekArea(a, 1)["tempsMin"][4] = nullptr; },
         [](TWeatherData& w) { w.WeekMinTemp[4] = N; }},
        {"weekly maxima missing", [&](json& a) { weekArea(a, 1).erase("tempsMax"); },
         [](TWeatherData& w) { w.WeekMaxTemp = {8, N, N, N, N, N, N}; }},
        {"weekly first code missing", [&](json& a) { weekArea(a, 0)["weatherCodes"][0] = ""; },
         [](TWeatherData& w) { w.WeekWeather[0] = "雨時々曇"; }}, // tomorrow's
        {"weekly first figures given",
         [&](json& a) {
             weekArea(a, 0)["pops"][0] = "5";
             weekArea(a, 1)["tempsMin"][0] = "-9";
             weekArea(a, 1)["tempsMax"][0] = "19";
         },
         [](TWeatherData&) {}}, // tomorrow is the short-term part's
        {"weekly day missing",
         [&](json& a) { a[1]["timeSeries"][0]["timeDefines"][4] = "2026-13-01T00:00:00+09:00"; },
         [](TWeatherData& w) { // the temperatures still date the slot
             w.WeekWeather[4] = "";
             w.WeekProb[4] = N;
             w.WeekReliability[4] = "";
         }},
        {"weekly days shifted",
         [&](json& a) {
             for (int s = 0; s < 2; ++s) {
                 json& times = a[1]["timeSeries"][s]["timeDefines"];
                 times.insert(times.begin(), "2026-12-09T00:00:00+09:00");
                 times.erase(7);
             }
         },
         [](TWeatherData& w) { // from today, as a 05 o'clock answer has it: by date, the
                               // days the short-term part tells from it
             w.WeekWeather = {"雨時々曇", "曇のち一時雨", "曇時々晴", "雨", "雨のち曇", "雪", ""};
             w.WeekProb = {60, 72, 73, 74, 75, 76, N};
             w.WeekMinTemp = {-3, -2, 0, 1, 2, 3, N};
             w.WeekMaxTemp = {8, 6, 7, 9, 10, 13, N};
             w.WeekDate[6] = 0.0;
             w.WeekReliability = {"", "A", "B", "C", "A", "B", ""};
             w.WeekMinTempRange = {Range{-3, 1}, {-4, 0}, {-2, 2}, {-1, 3}, {0, 4}, {1, 5}, NN};
             w.WeekMaxTempRange = {Range{3, 7}, {4, 8}, {5, 9}, {7, 11}, {8, 12}, {11, 15}, NN};
         }},
        {"weekly area by the office", [&](json& a) { weekArea(a, 0)["area"]["code"] = "100000"; },
         [](TWeatherData&) {}},
        {"weekly area none of ours", [&](json& a) { weekArea(a, 0)["area"]["code"] = "100100"; },
         [](TWeatherData& w) { // the first
             w.WeekWeather = {"雨時々曇", "曇のち一時雨", "雨", "雨", "雨", "雨", "雨"};
             w.WeekProb = {60, 99, 99, 99, 99, 99, 99};
             w.WeekReliability = {"", "", "C", "C", "C", "C", "C"};
         }},
        {"weekly point none of ours", [&](json& a) { weekArea(a, 1)["area"]["code"] = "33333"; },
         [](TWeatherData& w) { // the first, its ranges and normals too
             w.WeekMinTemp = {-3, 20, 20, 20, 20, 20, 20};
             w.WeekMaxTemp = {8, 30, 30, 30, 30, 30, 30};
             w.WeekMinTempRange = {NN,       Range{18, 22}, {18, 22}, {18, 22},
                                   {18, 22}, {18, 22},      {18, 22}};
             w.WeekMaxTempRange = {NN,       Range{28, 32}, {28, 32}, {28, 32},
                                   {28, 32}, {28, 32},      {28, 32}};
             w.WeekNormalMinTemp = 20.1;
             w.WeekNormalMaxTemp = 29.9;
         }},
        {"no weekly part", [](json& a) { a.erase(1); }, NoWeeklyPart},
        {"weekly part a text", [](json& a) { a[1] = "weekly"; }, NoWeeklyPart},
        {"weather text a number", [&](json& a) { shortArea(a, 0)["weathers"][1] = 302; },
         [](TWeatherData& w) { w.DayText[1] = ""; }},
        {"winds missing", [&](json& a) { shortArea(a, 0).erase("winds"); },
         [](TWeatherData& w) {
             w.DayWind = {"", ""};
         }},
        {"no waves (an area without sea)", [&](json& a) { shortArea(a, 0).erase("waves"); },
         [](TWeatherData& w) {
             w.DayWave = {"", ""};
         }},
        {"waves too few", [&](json& a) { shortArea(a, 0)["waves"] = {"０．５メートル"}; },
         [](TWeatherData& w) { w.DayWave[1] = ""; }},
        {"reliability a number", [&](json& a) { weekArea(a, 0)["reliabilities"][3] = 2; },
         [](TWeatherData& w) { w.WeekReliability[3] = ""; }},
        {"reliabilities missing", [&](json& a) { weekArea(a, 0).erase("reliabilities"); },
         [](TWeatherData& w) { w.WeekReliability.fill(""); }},
        {"range bound empty", [&](json& a) { weekArea(a, 1)["tempsMinUpper"][2] = ""; },
         [](TWeatherData& w) {
             w.WeekMinTempRange[2] = {-4, N};
         }},
        {"range bound a fraction", [&](json& a) { weekArea(a, 1)["tempsMaxLower"][4] = "7.5"; },
         [](TWeatherData& w) {
             w.WeekMaxTempRange[4] = {N, 11};
         }},
        {"range bounds missing", [&](json& a) { weekArea(a, 1).erase("tempsMaxUpper"); },
         [](TWeatherData& w) {
             for (int k = 1; k < 7; ++k)
                 w.WeekMaxTempRange[k][1] = N;
         }},
        {"normals without our station", [&](json& a) { a[1]["tempAverage"]["areas"].erase(1); },
         [](TWeatherData& w) {
             w.WeekNormalMinTemp.reset();
             w.WeekNormalMaxTemp.reset();
         }},
        {"normal in words", [&](json& a) { a[1]["tempAverage"]["areas"][1]["min"] = "平年"; },
         [](TWeatherData& w) { w.WeekNormalMinTemp.reset(); }},
        {"normal a number", [&](json& a) { a[1]["tempAverage"]["areas"][1]["max"] = 7.0; },
         [](TWeatherData& w) { w.WeekNormalMaxTemp.reset(); }},
        {"normal with two decimals",
         [&](json& a) { a[1]["tempAverage"]["areas"][1]["max"] = "8.26"; },
         [](TWeatherData& w) { w.WeekNormalMaxTemp = 8.3; }},
        {"normal beyond reason", [&](json& a) { a[1]["tempAverage"]["areas"][1]["min"] = "1e9"; },
         [](TWeatherData& w) { w.WeekNormalMinTemp.reset(); }},
        {"extra report", [](json& a) { a[0]["reportDatetime"] = "2026-12-09T14:30:00+09:00"; },
         [](TWeatherData& w) {
             w.UpdateInfo = "14時30分 発表";
             w.ReportTime = "2026-12-09T14:30";
         }},
        {"no report time", [](json& a) { a[0].erase("reportDatetime"); },
         [](TWeatherData& w) {
             w.UpdateInfo = "";
             w.ReportTime = "";
         }},
        {"unknown members",
         [](json& a) {
             a[0]["timeSeries"][0]["extra"] = {{"x", {1, 2}}};
         },
         [](TWeatherData&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json answer = SmallAnswer();
        c.edit(answer);
        TWeatherData expected = SmallRecord();
        c.fix(expected);
        TWeatherData w;
        ASSERT_TRUE(FillFromJma(w, answer.dump(), kPlace, "南町", kDay));
        EXPECT_RECORD_EQ(w, expected);
    }
}

// What is not a forecast of the place fails, and the record is left for the caller to clear.
TEST(JmaForecast, WhatIsNoForecastOfThePlaceFails) {
    using Edit = std::function<std::string(json)>;
    struct Case {
        const char* name;
        Edit answer;
    };
    const Case cases[] = {
        {"empty", [](json) { return std::string(); }},
        {"not JSON", [](json) { return std::string("<html>404 Not Found</html>"); }},
        {"cut short", [](json a) { return a.dump().substr(0, 900); }},
        {"null", [](json) { return std::string("null"); }},
        {"an object",
         [](json a) {
             return json{{"0", a[0]}}.dump();
         }},
        {"an empty array", [](json) { return std::string("[]"); }},
        {"numbers", [](json) { return std::string("[1,2]"); }},
        {"no class10",
         [](json a) {
             a[0]["timeSeries"][0]["areas"].erase(1);
             return a.dump();
         }},
        {"class10 code a number",
         [](json a) {
             a[0]["timeSeries"][0]["areas"][1]["area"]["code"] = 100020;
             return a.dump();
         }},
        {"no time series",
         [](json a) {
             a[0].erase("timeSeries");
             return a.dump();
         }},
        {"no first time",
         [](json a) {
             a[0]["timeSeries"][0]["timeDefines"] = json::array();
             return a.dump();
         }},
        {"first time no date",
         [](json a) {
             a[0]["timeSeries"][0]["timeDefines"][0] = "2026-02-30T11:00:00+09:00";
             return a.dump();
         }},
        {"first time a number",
         [](json a) {
             a[0]["timeSeries"][0]["timeDefines"][0] = 20261209;
             return a.dump();
         }},
        {"nested too deep",
         [](json) { return std::string(100000, '[') + std::string(100000, ']'); }},
        {"too large",
         [](json a) {
             a[0]["padding"] = std::string(2 * 1024 * 1024, ' ');
             return a.dump();
         }},
    };
    for (const Case& c : cases) {
        TWeatherData w;
        EXPECT_FALSE(FillFromJma(w, c.answer(SmallAnswer()), kPlace, "南町", kDay)) << c.name;
    }
    // The deep answer is refused for the depth alone, not for what it lacks.
    json deep = SmallAnswer();
    json nest = json::array();
    for (int i = 0; i < 20; ++i)
        nest = json::array({nest});
    deep[0]["timeSeries"][0]["extra"] = nest;
    TWeatherData w;
    EXPECT_TRUE(FillFromJma(w, deep.dump(), kPlace, "南町", kDay));
    EXPECT_RECORD_EQ(w, SmallRecord());
}

} // namespace
