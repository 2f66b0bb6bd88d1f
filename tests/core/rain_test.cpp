#include "weather/Rain.h"
#include "weather/RainNotice.h"
#include "weather/RecordJson.h"
#include "weather/openmeteo/OpenMeteoRain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr std::int32_t X = NoValue; // an unknown frame

std::int64_t At(const char* japanTime) {
    return *JapanTimeSeconds(japanTime);
}

TWeatherData Record(std::int32_t step, const char* time, std::vector<std::int32_t> frames) {
    TWeatherData record;
    SetRain(record, step, time, std::move(frames));
    return record;
}

} // namespace

TEST(Rain, RatesAndTheirClasses) {
    struct Case {
        double rate;
        std::int32_t rainClass;
    };
    const Case cases[] = {{0.0, 0},  {-1.0, 0}, {0.1, 1},  {0.99, 1}, {1.0, 2},  {4.9, 2},
                          {5.0, 3},  {10.0, 4}, {19.9, 4}, {20.0, 5}, {30.0, 6}, {50.0, 7},
                          {79.9, 7}, {80.0, 8}, {300, 8},  {NAN, X}};
    for (const Case& c : cases)
        EXPECT_EQ(RainClassOfRate(c.rate), c.rainClass) << c.rate;
    EXPECT_EQ(RainClassName(2), "1-5mm/h");
    EXPECT_EQ(RainClassName(8), "80mm/h以上");
    EXPECT_EQ(RainClassName(0), "");
    EXPECT_EQ(RainClassName(9), "");
}

TEST(Rain, FiguresAndTheLabelOfEachHour) {
    const char* now = "2026-09-16T10:05";
    struct Case {
        const char* name;
        std::int32_t step;
        std::vector<std::int32_t> frames;
        std::int32_t startsIn, endsIn;
        std::string label;
        bool hinted;
    };
    const Case cases[] = {
        {"dry", 5, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, X, X, "1時間以内に雨の予報なし", false},
        {"rain in 25 minutes",
         5,
         {0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0},
         25,
         X,
         "25分後に雨 (1-5mm/h)",
         true},
        {"rain now, over in 40 minutes",
         5,
         {3, 3, 2, 2, 1, 1, 1, 1, 0, 0, 2, 0, 0},
         0,
         40,
         "雨は40分後にやむ見込み",
         true},
        {"rain the whole hour",
         5,
         {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
         0,
         X,
         "雨は1時間以上続く見込み",
         true},
        {"rain now, its end unknown",
         5,
         {3, 3, 3, X, 3, 3, 0, 0, 0, 0, 0, 0, 0},
         0,
         X,
         "雨が降っています (5-10mm/h)",
         true},
        {"rain after an unknown frame",
         5,
         {0, 0, X, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0},
         X,
         X,
         "雨の予報: 取得できず",
         false},
        {"rain before an unknown frame",
         5,
         {0, 1, 0, 0, X, 0, 0, 0, 0, 0, 0, 0, 0},
         5,
         X,
         "5分後に雨 (1mm/h未満)",
         true},
        {"dry as far as known",
         5,
         {0, 0, 0, 0, 0, 0, X, X, X, X, X, X, X},
         X,
         X,
         "雨の予報: 取得できず",
         false},
        {"the first frame unknown",
         5,
         {X, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
         X,
         X,
         "雨の予報: 取得できず",
         false},
        {"a class outside the legend is unknown",
         5,
         {0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         X,
         X,
         "雨の予報: 取得できず",
         false},
        {"quarter hours, rain in 30 minutes",
         15,
         {0, 0, 4, 0, 0},
         30,
         X,
         "30分後に雨 (10-20mm/h)",
         true},
        {"quarter hours, dry", 15, {0, 0, 0, 0, 0}, X, X, "1時間以内に雨の予報なし", false},
        {"unknown as a whole", 5, {}, X, X, "雨の予報: 取得できず", false},
    };
    for (const Case& c : cases) {
        const TWeatherData record = Record(c.step, now, c.frames);
        EXPECT_EQ(record.RainStartsIn, c.startsIn) << c.name;
        EXPECT_EQ(record.RainEndsIn, c.endsIn) << c.name;
        EXPECT_EQ(RainLabelText(record, At("2026-09-16T10:12")), c.label) << c.name;
        EXPECT_EQ(RainHintLine(record, At("2026-09-16T10:12")), c.hinted ? c.label : "") << c.name;
    }
}

TEST(Rain, FramesSayNothingOnceTheClockHasLeftThem) {
    const TWeatherData record =
        Record(5, "2026-09-16T10:05", {0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
    struct Case {
        const char* now;
        bool current;
    };
    const Case cases[] = {{"2026-09-16T10:05", true},  {"2026-09-16T10:35", true},
                          {"2026-09-16T10:36", false}, {"2026-09-16T09:35", true},
                          {"2026-09-16T09:34", false}, {"2026-09-14T10:05", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsCurrentRain(record, At(c.now)), c.current) << c.now;
        EXPECT_EQ(RainLabelText(record, At(c.now)),
                  c.current ? "10分後に雨 (1-5mm/h)" : "雨の予報: 取得できず")
            << c.now;
    }
    // A source without the rain of the next hour shows nothing at all.
    EXPECT_EQ(RainLabelText(TWeatherData(), At("2026-09-16T10:05")), "");
    EXPECT_EQ(RainHintLine(TWeatherData(), At("2026-09-16T10:05")), "");
}

TEST(Rain, AnOutcomeInTheRecord) {
    const TWeatherData shown =
        Record(5, "2026-09-16T10:05", {0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
    TNowcastOutcome read;
    read.Result = TNowcastResult::Read;
    read.Step = 5;
    read.Time = "2026-09-16T10:10";
    read.Rain = {0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 0};
    TNowcastOutcome failed;
    failed.Step = 5;
    TNowcastOutcome failedAbroad = failed;
    failedAbroad.Step = 15;
    TNowcastOutcome stale = failed;
    stale.Result = TNowcastResult::Stale;
    TNowcastOutcome none;
    none.Result = TNowcastResult::None;
    struct Case {
        const char* name;
        TWeatherData before;
        TNowcastOutcome outcome;
        TWeatherData after;
    };
    const Case cases[] = {
        {"read", shown, read, Record(5, "2026-09-16T10:10", read.Rain)},
        {"a failure keeps what is on show", shown, failed, shown},
        {"a failure with nothing on show is unknown", TWeatherData(), failed, Record(5, "", {})},
        {"a failure of another source is unknown", shown, failedAbroad, Record(15, "", {})},
        {"stale is unknown", shown, stale, Record(5, "", {})},
        {"no source", shown, none, TWeatherData()},
    };
    for (const Case& c : cases) {
        TWeatherData record = c.before;
        ApplyNowcastOutcome(record, c.outcome);
        EXPECT_EQ(record, c.after) << c.name;
    }
}

TEST(Rain, TheRecordAsJson) {
    TWeatherData record = Record(5, "2026-09-16T10:05", {3, 3, X, 2, 0, 0, 0, 0, 0, 0, 0, 1, 1});
    const std::string text = WriteRecordJson(record);
    EXPECT_NE(text.find("\"RainTime\": \"2026-09-16T10:05\",\n  \"Rain\": [3, 3, null, 2, 0, 0, "
                        "0, 0, 0, 0, 0, 1, 1],\n  \"RainStartsIn\": 0,\n  \"RainEndsIn\": null,\n"
                        "  \"RainStep\": 5"),
              std::string::npos)
        << text;
    TWeatherData back;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(text, back, error)) << error;
    EXPECT_EQ(back, record);
    // Unknown as a whole, and no rain fields at all.
    for (const TWeatherData& r : {Record(15, "", {}), TWeatherData()}) {
        const std::string t = WriteRecordJson(r);
        EXPECT_NE(t.find("\"Rain\": null"), std::string::npos);
        back = Record(5, "2026-09-16T10:05", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
        ASSERT_TRUE(ReadRecordJson(t, back, error)) << error;
        EXPECT_EQ(back, r);
    }
    // The figures follow from the frames, whatever a hand-written record says.
    ASSERT_TRUE(ReadRecordJson(R"({"RainStep": 15, "RainTime": "2026-09-16T10:00",
        "Rain": [0, 0, 2, 2, 0], "RainStartsIn": 5, "RainEndsIn": 50})",
                               back, error))
        << error;
    EXPECT_EQ(back.RainStartsIn, 30);
    EXPECT_EQ(back.RainEndsIn, X);
    for (const char* bad : {R"({"Rain": [0, 9]})", R"({"Rain": []})", R"({"Rain": "dry"})",
                            R"({"Rain": [0, 1.5]})", R"({"RainStep": 0})", R"({"RainStep": "5"})",
                            R"({"RainTime": 5})", R"({"RainStartsIn": "soon"})"})
        EXPECT_FALSE(ReadRecordJson(bad, back, error)) << bad;
}

TEST(RainNotice, OneBalloonAShower) {
    struct Reading {
        const char* time;
        std::vector<std::int32_t> frames;
        const char* now; // the clock; the reading's own time when empty
        std::optional<TRainNoticeText> balloon;
    };
    const std::vector<std::int32_t> dry(13, 0);
    const Reading readings[] = {
        {"2026-09-16T10:00", dry, "", {}},
        // Rain 35 minutes ahead is not due yet; at 30 it is.
        {"2026-09-16T10:05", {0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2}, "", {}},
        {"2026-09-16T10:10",
         {0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2},
         "",
         TRainNoticeText{"まもなく雨: 約30分後 (1-5mm/h)",
                         "気象庁の高解像度降水ナウキャスト (10:10 解析)"}},
        {"2026-09-16T10:15", {0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 3, 3, 3}, "", {}},
        {"2026-09-16T10:40", {3, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "", {}},
        // The shower went by at 10:55; another is due at 11:35, before a dry hour has passed.
        {"2026-09-16T11:20", {0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}, "", {}},
        {"2026-09-16T11:30", {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "", {}},
        // A reading the clock has left behind changes nothing.
        {"2026-09-16T11:40", {0, 0, 5, 5, 5, 0, 0, 0, 0, 0, 0, 0, 0}, "2026-09-16T13:00", {}},
        {"2026-09-16T12:40", dry, "", {}},
        {"2026-09-16T12:45",
         {0, 0, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "",
         TRainNoticeText{"まもなく雨: 約10分後 (80mm/h以上)",
                         "気象庁の高解像度降水ナウキャスト (12:45 解析)"}},
        {"2026-09-16T12:50", {0, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "", {}},
    };
    TRainNotice notice;
    for (const Reading& r : readings) {
        const TWeatherData record = Record(5, r.time, r.frames);
        EXPECT_EQ(notice.Consider(record, At(*r.now ? r.now : r.time)), r.balloon) << r.time;
    }

    // Rain already falling at the first reading: no balloon for it, none for its return within
    // the hour; Open-Meteo's quarter hours name their source.
    TRainNotice fresh;
    EXPECT_FALSE(
        fresh.Consider(Record(15, "2026-09-16T10:00", {2, 2, 0, 0, 0}), At("2026-09-16T10:05")));
    EXPECT_FALSE(
        fresh.Consider(Record(15, "2026-09-16T10:30", {0, 2, 0, 0, 0}), At("2026-09-16T10:35")));
    fresh.Reset();
    EXPECT_EQ(
        fresh.Consider(Record(15, "2026-09-16T10:30", {0, 2, 0, 0, 0}), At("2026-09-16T10:35")),
        (TRainNoticeText{"まもなく雨: 約15分後 (1-5mm/h)", "Open-Meteo の予報 (10:30 時点)"}));
    // Unknown frames before the rain leave it undecided.
    TRainNotice undecided;
    EXPECT_FALSE(
        undecided.Consider(Record(5, "2026-09-16T10:00", {0, X, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}),
                           At("2026-09-16T10:00")));
    EXPECT_TRUE(
        undecided.Consider(Record(5, "2026-09-16T10:05", {0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}),
                           At("2026-09-16T10:05")));
}

TEST(OpenMeteoRain, QuarterHoursFromTheOneJustEnded) {
    // Stamps of Japan's clock, each the sum (mm) of the quarter before it.
    const auto answer = [](const char* first, std::vector<const char*> sums, int offset = 32400) {
        std::string times, values;
        const std::int64_t start = *JapanTimeSeconds(first);
        for (std::size_t k = 0; k < sums.size(); ++k) {
            times += std::string(k ? "," : "") + "\"" +
                     JapanTimeText(start + static_cast<std::int64_t>(k) * 900 + offset - 9 * 3600) +
                     "\"";
            values += std::string(k ? "," : "") + sums[k];
        }
        return "{\"utc_offset_seconds\":" + std::to_string(offset) +
               ",\"minutely_15\":{\"time\":[" + times + "],\"precipitation\":[" + values + "]}}";
    };
    const std::vector<const char*> sums = {"0.0", "0.1", "0.3", "1.5", "null", "6.0", "0.0"};
    struct Case {
        const char* name;
        std::string answer;
        const char* now;
        std::optional<TOpenMeteoRain> rain;
    };
    const Case cases[] = {
        {"at 00:30", answer("2026-09-16T00:15", sums), "2026-09-16T00:30",
         TOpenMeteoRain{"2026-09-16T00:30", {1, 2, 3, X, 5}}},
        {"at 05:30, a minute later", answer("2026-09-16T05:15", sums), "2026-09-16T05:31",
         TOpenMeteoRain{"2026-09-16T05:30", {1, 2, 3, X, 5}}},
        {"at 11:30, the answer starting at it", answer("2026-09-16T11:30", sums),
         "2026-09-16T11:44", TOpenMeteoRain{"2026-09-16T11:30", {0, 1, 2, 3, X}}},
        {"at 17:30, the answer ending early", answer("2026-09-16T17:00", sums), "2026-09-16T17:30",
         TOpenMeteoRain{"2026-09-16T17:30", {2, 3, X, 5, 0}}},
        {"an answer of another zone", answer("2026-09-16T00:15", sums, 3600), "2026-09-16T00:30",
         TOpenMeteoRain{"2026-09-16T00:30", {1, 2, 3, X, 5}}},
        {"an answer two days old", answer("2026-09-14T11:00", sums), "2026-09-16T11:30",
         TOpenMeteoRain{"2026-09-14T12:30", {0, X, X, X, X}}},
        {"an answer from the future", answer("2026-09-16T12:00", sums), "2026-09-16T11:30", {}},
        {"no quarter hours", R"({"hourly":{}})", "2026-09-16T11:30", {}},
        {"the service's error", R"({"error":true,"reason":"Invalid"})", "2026-09-16T11:30", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadOpenMeteoRain(c.answer, At(c.now)), c.rain) << c.name;
    EXPECT_EQ(OpenMeteoRainUrl("http://om/", {48.8566, 2.3522}),
              "http://om/v1/forecast?latitude=48.8566&longitude=2.3522&minutely_15=precipitation"
              "&past_minutely_15=1&forecast_minutely_15=5&timezone=Asia%2FTokyo");
}
