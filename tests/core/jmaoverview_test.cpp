// The office's 天気概況: the real answer, its times, answers that are none, and the load that
// asks for it beside the forecast.
#include "weather/jma/JmaOverview.h"

#include "platform/Clock.h"
#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/TempDir.h"
#include "weather/Forecast.h"
#include "weather/KeptAnswer.h"
#include "weather/jma/JmaForecast.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using json = nlohmann::json;

namespace {

std::string RealForecast() {
    return ReadAll(TestData("jma/words/forecast_270000-2023-01-28T1100JST.json"));
}
std::string RealOverview() {
    return ReadAll(TestData("jma/words/overview_forecast_270000-2023-01-28T1032JST.json"));
}

// The real answer's text, written out: five paragraphs, each with the agency's indent.
const char* const kOsakaText =
    "　大阪府は、強い冬型の気圧配置となっており、おおむね曇りで、雪や雨の降っている所があります。"
    "\n\n"
    "　２８日の大阪府は、強い冬型の気圧配置が続き、おおむね曇りで、夕方にかけて雪や雨の降る所がある"
    "見込みです。"
    "\n\n"
    "　２９日の大阪府は、高気圧に覆われて晴れるでしょう。"
    "\n\n"
    "　【近畿地方】\n"
    "　近畿地方は、強い冬型の気圧配置となっており、おおむね曇りで、北部を中心に雪が降っています。"
    "\n\n"
    "　２８日の近畿地方は、強い冬型の気圧配置が続き、おおむね曇りで、北部を中心に断続的に雪が降る"
    "見込みです。雷を伴う所があるでしょう。"
    "\n\n"
    "　２９日の近畿地方は、北部では寒気や湿った空気の影響でおおむね曇り、朝まで雪が降る見込みです。"
    "中部や南部では高気圧に覆われて、おおむね晴れるでしょう。明け方まで雷を伴う所がある見込みです"
    "。";

TEST(JmaOverview, TheRealAnswer) {
    const auto overview = ReadJmaOverview(RealOverview());
    ASSERT_TRUE(overview);
    EXPECT_EQ(*overview, (TJmaOverview{kOsakaText, "", "2023-01-28T10:32"}));
}

// Line breaks of any kind become "\n"; spaces at a line's end and empty lines at either end go;
// several empty lines are one paragraph break; a line's own indent stays.
TEST(JmaOverview, TheTextsLinesAndParagraphs) {
    const std::pair<std::string, std::string> cases[] = {
        {"　一行目。\r\n　二行目。", "　一行目。\n　二行目。"},
        {"　一。\r\r　二。", "　一。\n\n　二。"},
        {"\n\n　本文。　 \n\n", "　本文。"},
        {"　一。\n\n\n\n　二。", "　一。\n\n　二。"},
        {"　一。\n　\n　二。", "　一。\n\n　二。"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        const json answer = {{"reportDatetime", "2023-01-28T10:32:00+09:00"},
                             {"headlineText", text},
                             {"text", text}};
        const auto overview = ReadJmaOverview(answer.dump());
        ASSERT_TRUE(overview) << text;
        EXPECT_EQ(*overview, (TJmaOverview{expected, expected, "2023-01-28T10:32"})) << text;
    }
}

TEST(JmaOverview, WhatIsNoOverview) {
    json real = json::parse(RealOverview());
    const std::string cases[] = {
        "",
        "<html>503</html>",
        "[]",
        "null",
        "{}",
        json{{"text", 5}}.dump(),
        json{{"headlineText", "見出し"}}.dump(),
        [&] {
            json a = real;
            a["padding"] = std::string(kMaxJmaOverviewBytes, ' ');
            return a.dump();
        }(),
        RealOverview().substr(0, 200),
    };
    for (const std::string& answer : cases)
        EXPECT_EQ(ReadJmaOverview(answer), std::nullopt) << answer.substr(0, 60);
    // A headline or time of the wrong type is empty; the text stands.
    real["headlineText"] = 1;
    real["reportDatetime"] = "昨日";
    const auto overview = ReadJmaOverview(real.dump());
    ASSERT_TRUE(overview);
    EXPECT_EQ(*overview, (TJmaOverview{kOsakaText, "", ""}));
}

TEST(JmaOverview, TimesInJapan) {
    const std::pair<const char*, const char*> cases[] = {
        {"2023-01-28T10:32:00+09:00", "2023-01-28T10:32"},
        {"2023-01-28T01:32:00Z", "2023-01-28T10:32"},
        {"2023-01-27T20:32:00-05:00", "2023-01-28T10:32"},
        {"2023-12-31T20:00:00+00:00", "2024-01-01T05:00"},
        {"2023-01-28T10:32:59.999+09:00", "2023-01-28T10:32"},
        {"2023-01-28T10:32", "2023-01-28T10:32"},
        {"2023-01-28T10:32:00", "2023-01-28T10:32"},
        {"2023-02-30T10:32:00+09:00", ""},
        {"2023-01-28 10:32:00+09:00", ""},
        {"2023-01-28T10:32:00+0900", ""},
        {"2023-01-28T10:32:00+09:00 ", ""},
        {"2023-01-28T24:00:00+09:00", ""},
        {"2023-01-28", ""},
        {"", ""},
    };
    for (const auto& [stamp, minute] : cases)
        EXPECT_EQ(JapanMinute(stamp), minute) << stamp;
}

constexpr const char* kJma = "http://127.0.0.1:9/bosai/";
const std::string kOsakaOverviewUrl =
    std::string(kJma) + "forecast/data/overview_forecast/270000.json";
const TJmaPlace kOsaka{"270000", "270000", "2712700", "62078", {}};
const THttpValidators kServed{"\"ov-1\"", "Sat, 28 Jan 2023 01:32:00 GMT"};

// A record with a forecast and an old overview: only the overview fields may change.
TWeatherData HeldRecord() {
    TWeatherData w;
    w.LocationName = "大阪市";
    w.DayText = {"晴れ", "くもり"};
    w.Overview = "古い概況";
    w.OverviewHeadline = "古い見出し";
    w.OverviewTime = "2023-01-27T16:35";
    return w;
}

TEST(JmaOverview, AskedForConditionallyAndKept) {
    TempDir dir;
    FakeHttpClient client;
    client.Pages[kOsakaOverviewUrl] = RealOverview();
    client.Validators[kOsakaOverviewUrl] = kServed;
    TWeatherData expected = HeldRecord();
    expected.Overview = kOsakaText;
    expected.OverviewHeadline = "";
    expected.OverviewTime = "2023-01-28T10:32";
    for (int load = 0; load < 2; ++load) {
        TWeatherData w = HeldRecord();
        EXPECT_TRUE(AddJmaOverview(client, kJma, dir.Path() + "/", kOsaka, w));
        EXPECT_RECORD_EQ(w, expected);
    }
    // The second time with the validators, answered from the kept copy.
    EXPECT_EQ(client.SentValidators, (std::vector<THttpValidators>{{}, kServed}));
    EXPECT_EQ(ReadAll(dir.File("jma/overview/270000.answer")),
              FormatKeptAnswer({kOsakaOverviewUrl, kServed, RealOverview()}));
}

// An overview that cannot be had empties the overview fields and nothing else; what is no
// overview is not kept.
TEST(JmaOverview, OneThatCannotBeHadLeavesItsFieldsEmpty) {
    const std::optional<std::string> cases[] = {std::nullopt, "<html>503</html>", "{}",
                                                RealOverview().substr(0, 100)};
    for (const auto& answer : cases) {
        SCOPED_TRACE(answer ? answer->substr(0, 30) : "404");
        TempDir dir;
        FakeHttpClient client;
        if (answer)
            client.Pages[kOsakaOverviewUrl] = *answer;
        TWeatherData w = HeldRecord();
        EXPECT_FALSE(AddJmaOverview(client, kJma, dir.Path() + "/", kOsaka, w));
        TWeatherData expected = HeldRecord();
        expected.Overview.clear();
        expected.OverviewHeadline.clear();
        expected.OverviewTime.clear();
        EXPECT_RECORD_EQ(w, expected);
        EXPECT_EQ(client.Requested, std::vector<std::string>{kOsakaOverviewUrl});
        EXPECT_FALSE(std::filesystem::exists(dir.File("jma/overview/270000.answer")));
    }
}

// The overview is the writing office's: 十勝 and 奄美 have their own, though their forecasts are
// in the files of 014100 and 460100.
TEST(JmaOverview, TheOfficeThatWritesIt) {
    const std::pair<TJmaPlace, const char*> cases[] = {
        {{"014100", "014030", "0120700", "20432", {}}, "014030"},
        {{"014100", "014010", "0120600", "19432", {}}, "014100"},
        {{"460100", "460040", "4622200", "93011", {}}, "460040"},
        {{"130000", "130010", "1310100", "44132", {}}, "130000"},
    };
    for (const auto& [place, office] : cases) {
        FakeHttpClient client;
        TWeatherData w;
        AddJmaOverview(client, kJma, "", place, w);
        EXPECT_EQ(client.Requested,
                  std::vector<std::string>{std::string(kJma) + "forecast/data/overview_forecast/" +
                                           office + ".json"});
    }
}

// The agency's load of 大阪府 at 11:30 on the day of the real answers: the forecast with its own
// words, the overview beside it; without the overview the forecast is the same.
TEST(JmaOverview, TheLoadBringsItBesideTheForecast) {
    platform::SetClockZone(platform::ClockZone::Japan);
    platform::FixClock({2023, 1, 28, 11, 30, 0});
    const std::string forecastUrl = std::string(kJma) + "forecast/data/forecast/270000.json";
    const std::string seriesUrl = std::string(kJma) + "jmatile/data/wdist/VPFD/270000.json";
    for (const bool served : {true, false}) {
        SCOPED_TRACE(served);
        TempDir dir;
        FakeHttpClient client;
        client.Pages[forecastUrl] = RealForecast();
        if (served)
            client.Pages[kOsakaOverviewUrl] = RealOverview();
        TForecastRequest request;
        request.Source = TSource::Jma;
        request.JmaPrefix = kJma;
        request.Prefecture = "大阪府";
        request.Municipality = "大阪市";
        request.CacheFolder = dir.Path() + "/";
        request.JmaPlace = kOsaka;
        const TForecastOutcome outcome = LoadForecast(client, request);
        TWeatherData expected;
        ASSERT_TRUE(
            FillFromJma(expected, RealForecast(), kOsaka, "大阪市", EncodeDate(2023, 1, 28)));
        if (served) {
            expected.Overview = kOsakaText;
            expected.OverviewTime = "2023-01-28T10:32";
        }
        EXPECT_TRUE(outcome.Loaded);
        EXPECT_RECORD_EQ(outcome.Record, expected);
        EXPECT_EQ(client.Requested,
                  (std::vector<std::string>{forecastUrl, kOsakaOverviewUrl, seriesUrl}));
    }
    platform::ReleaseClock();
    platform::SetClockZone(platform::ClockZone::Computer);
}

} // namespace
