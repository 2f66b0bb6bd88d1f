// The live source: forecast answers into the record, the choice among look-up results, the
// addresses, the load in its two steps, and the same through the real client on 127.0.0.1.
#include "weather/OpenMeteo.h"

#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "weather/CurlHttpClient.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

using json = nlohmann::json;

namespace {

const std::int32_t N = NoValue;
const TDateTime kToday = EncodeDate(2026, 12, 9);
const platform::LocalDateTime kFetched{2026, 12, 9, 10, 5, 0};

std::string DayText(TDateTime date) {
    const CalendarDate c = DecodeDate(date);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.Year, c.Month, c.Day);
    return buf;
}

std::string HourText(TDateTime date, int hour) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "T%02d:00", hour);
    return DayText(date) + buf;
}

// A forecast answer in the API's shape; every value null unless a function gives it.
struct Answer {
    TDateTime first = kToday;
    int days = kForecastDays;
    std::function<json(int, int)> temp = [](int, int) { return json(); };
    std::function<json(int, int)> prob = [](int, int) { return json(); };
    std::function<json(int, int)> code = [](int, int) { return json(); };
    std::function<json(int)> dayCode = [](int) { return json(); };
    std::function<json(int)> dayMax = [](int) { return json(); };
    std::function<json(int)> dayMin = [](int) { return json(); };
    std::function<json(int)> dayProb = [](int) { return json(); };

    json Build() const {
        json hourly = {{"time", json::array()},
                       {"temperature_2m", json::array()},
                       {"precipitation_probability", json::array()},
                       {"weather_code", json::array()}};
        json daily = {{"time", json::array()},
                      {"weather_code", json::array()},
                      {"temperature_2m_max", json::array()},
                      {"temperature_2m_min", json::array()},
                      {"precipitation_probability_max", json::array()}};
        for (int d = 0; d < days; ++d) {
            for (int h = 0; h < 24; ++h) {
                hourly["time"].push_back(HourText(first + d, h));
                hourly["temperature_2m"].push_back(temp(d, h));
                hourly["precipitation_probability"].push_back(prob(d, h));
                hourly["weather_code"].push_back(code(d, h));
            }
            daily["time"].push_back(DayText(first + d));
            daily["weather_code"].push_back(dayCode(d));
            daily["temperature_2m_max"].push_back(dayMax(d));
            daily["temperature_2m_min"].push_back(dayMin(d));
            daily["precipitation_probability_max"].push_back(dayProb(d));
        }
        return {{"latitude", 35.66},
                {"longitude", 139.48},
                {"generationtime_ms", 0.5},
                {"utc_offset_seconds", 32400},
                {"timezone", "Asia/Tokyo"},
                {"timezone_abbreviation", "JST"},
                {"elevation", 52.0},
                {"hourly_units",
                 {{"time", "iso8601"},
                  {"temperature_2m", "°C"},
                  {"precipitation_probability", "%"},
                  {"weather_code", "wmo code"}}},
                {"hourly", hourly},
                {"daily_units",
                 {{"time", "iso8601"},
                  {"weather_code", "wmo code"},
                  {"temperature_2m_max", "°C"},
                  {"temperature_2m_min", "°C"},
                  {"precipitation_probability_max", "%"}}},
                {"daily", daily}};
    }
    std::string Text() const { return Build().dump(); }
};

// A week with a different value in every slot: the day texts of the first three days come
// from the hours (晴のち雨, 曇時々晴, 雪), those of the later days from the daily code.
Answer DistinctWeek() {
    Answer a;
    a.temp = [](int d, int h) { return json(30 * d + h - 10); };
    a.prob = [](int d, int h) { return json(40 * d + h); };
    a.code = [](int d, int h) -> json {
        if (d == 0)
            return h < 12 ? 0 : 61;
        if (d == 1)
            return (h / 3) % 2 == 0 ? 3 : 1;
        if (d == 2)
            return 71;
        return nullptr;
    };
    a.dayCode = [](int d) { return json(std::array{2, 3, 0, 45, 95, 51, 2, 73}[d]); };
    a.dayMax = [](int d) { return json(20 + d); };
    a.dayMin = [](int d) { return json(-1 - d); };
    a.dayProb = [](int d) { return json(10 * d + 5); };
    return a;
}

void ExpectSameRecord(const TWeatherData& actual, const TWeatherData& expected) {
    EXPECT_EQ(actual.PointDate, expected.PointDate);
    EXPECT_EQ(actual.PointHour, expected.PointHour);
    EXPECT_EQ(actual.PointWeather, expected.PointWeather);
    EXPECT_EQ(actual.PointTemp, expected.PointTemp);
    EXPECT_EQ(actual.WeekDate, expected.WeekDate);
    EXPECT_EQ(actual.WeekWeather, expected.WeekWeather);
    EXPECT_EQ(actual.WeekMinTemp, expected.WeekMinTemp);
    EXPECT_EQ(actual.WeekMaxTemp, expected.WeekMaxTemp);
    EXPECT_EQ(actual.WeekProb, expected.WeekProb);
    EXPECT_EQ(actual.DayDate, expected.DayDate);
    EXPECT_EQ(actual.DayWeather, expected.DayWeather);
    EXPECT_EQ(actual.DayMinTemp, expected.DayMinTemp);
    EXPECT_EQ(actual.DayMaxTemp, expected.DayMaxTemp);
    EXPECT_EQ(actual.DayProb, expected.DayProb);
    EXPECT_EQ(actual.LocationName, expected.LocationName);
    EXPECT_EQ(actual.UpdateInfo, expected.UpdateInfo);
    EXPECT_EQ(actual.Information, expected.Information);
}

TWeatherData DistinctWeekRecord() {
    TWeatherData w;
    for (int s = 0; s < 16; ++s) {
        const int d = s / 8;
        const int k = s % 8;
        w.PointDate[s] = kToday + d;
        w.PointHour[s] = 3 * k + 3;
        w.PointTemp[s] = 30 * d + 3 * k - 9; // the mean of hours 3k, 3k+1, 3k+2
        if (d == 0)
            w.PointWeather[s] = k < 4 ? "晴" : "雨";
        else
            w.PointWeather[s] = k % 2 == 0 ? "曇" : "晴";
    }
    w.DayDate = {kToday, kToday + 1};
    w.DayWeather = {"晴のち雨", "曇時々晴"};
    w.DayMaxTemp = {20, 21};
    w.DayMinTemp = {-1, -2};
    w.DayProb = {5, 11, 17, 23, 45, 51, 57, 63};
    const std::array<const char*, 7> week = {"曇時々晴", "雪", "霧", "雷雨", "霧雨", "晴", "雪"};
    for (int k = 0; k < 7; ++k) {
        w.WeekDate[k] = kToday + k + 1;
        w.WeekWeather[k] = week[k];
        w.WeekMaxTemp[k] = 21 + k;
        w.WeekMinTemp[k] = -2 - k;
        w.WeekProb[k] = 10 * (k + 1) + 5;
    }
    w.LocationName = "府中市";
    w.UpdateInfo = "10時05分 取得";
    return w;
}

TWeatherData Fill(const std::string& answer, bool expectOk = true) {
    TWeatherData w;
    EXPECT_EQ(FillFromOpenMeteo(w, answer, "府中市", kFetched), expectOk);
    return w;
}

} // namespace

TEST(OpenMeteoAnswer, FillsEverySlot) {
    ExpectSameRecord(Fill(DistinctWeek().Text()), DistinctWeekRecord());
}

TEST(OpenMeteoAnswer, TemperaturesRoundHalvesAwayFromZero) {
    struct Case {
        std::array<json, 3> hours; // slot 0's three hourly temperatures
        json dayMax;
        std::int32_t point;
        std::int32_t max;
    };
    const Case cases[] = {
        {{-0.5, -0.5, -0.5}, -0.5, -1, -1},
        {{0.5, 0.5, 0.5}, 0.5, 1, 1},
        {{-1.5, -1.5, -1.5}, -2.5, -2, -3},
        {{-1.0, -2.0, nullptr}, 2.5, -2, 3},
        {{2.4, 2.4, 2.4}, 2.6, 2, 3},
        {{-0.4, -0.4, -0.4}, -0.49, 0, 0},
        {{1.0, 2.0, 4.0}, -7.5, 2, -8},
        {{nullptr, nullptr, nullptr}, nullptr, N, N},
        {{-10.2, -10.3, -10.4}, -10.5, -10, -11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hours[0].dump() + " " + c.dayMax.dump());
        Answer a;
        a.temp = [&](int d, int h) { return d == 0 && h < 3 ? c.hours[h] : json(); };
        a.dayMax = [&](int d) { return d == 0 ? c.dayMax : json(); };
        const TWeatherData w = Fill(a.Text());
        EXPECT_EQ(w.PointTemp[0], c.point);
        EXPECT_EQ(w.DayMaxTemp[0], c.max);
        // A slot whose hours are listed keeps its hour even without a temperature.
        EXPECT_EQ(w.PointHour[0], 3);
    }
}

TEST(OpenMeteoAnswer, NullsLeaveTheirOwnValuesEmpty) {
    Answer a = DistinctWeek();
    const Answer full = a;
    // Today 06:00-09:00 has no weather; 12-18 o'clock has no probabilities, 18-24 one only.
    a.code = [full](int d, int h) { return d == 0 && h >= 6 && h < 9 ? json() : full.code(d, h); };
    a.prob = [full](int d, int h) -> json {
        if (d == 0 && h >= 12 && h < 18)
            return nullptr;
        if (d == 0 && h >= 18)
            return h == 20 ? json(20) : json();
        return full.prob(d, h);
    };
    a.temp = [full](int d, int h) { return d == 1 && h == 4 ? json() : full.temp(d, h); };
    a.dayMax = [full](int d) { return d == 3 ? json() : full.dayMax(d); };
    a.dayCode = [full](int d) { return d == 4 ? json() : full.dayCode(d); };

    TWeatherData expected = DistinctWeekRecord();
    expected.PointWeather[2].clear();
    expected.DayProb[2] = N;
    expected.DayProb[3] = 20;
    expected.PointTemp[9] = 30 + 3 - 10 + 1; // hours 3 and 5 of tomorrow: 23 and 25
    expected.WeekMaxTemp[2] = N;
    expected.WeekWeather[3].clear(); // no hourly codes that day and no daily one
    ExpectSameRecord(Fill(a.Text()), expected);
}

TEST(OpenMeteoAnswer, DaysFollowThePlacesOwnCalendar) {
    // The answer's first day is today, whatever the clock says: here the clock is still on
    // the 9th while the place has reached the 10th. An hour of the day before is not today's.
    const TDateTime first = kToday + 1;
    json answer = DistinctWeek().Build();
    answer["hourly"]["time"] = json::array();
    answer["hourly"]["temperature_2m"] = json::array();
    answer["hourly"]["time"].push_back(HourText(kToday, 23));
    answer["hourly"]["temperature_2m"].push_back(-30);
    for (int d = 0; d < 2; ++d)
        for (int h = 0; h < 24; ++h) {
            answer["hourly"]["time"].push_back(HourText(first + d, h));
            answer["hourly"]["temperature_2m"].push_back(d * 100 + h);
        }
    for (int d = 0; d < kForecastDays; ++d)
        answer["daily"]["time"][d] = DayText(first + d);
    TWeatherData w;
    ASSERT_TRUE(FillFromOpenMeteo(w, answer.dump(), "那覇市", {2026, 12, 9, 23, 30, 0}));
    EXPECT_EQ(w.DayDate[0], first);
    EXPECT_EQ(w.DayDate[1], first + 1);
    EXPECT_EQ(w.WeekDate[0], first + 1);
    EXPECT_EQ(w.PointDate[7], first);
    EXPECT_EQ(w.PointTemp[7], 22); // 21, 22, 23 o'clock of the 10th
    EXPECT_EQ(w.PointDate[8], first + 1);
    EXPECT_EQ(w.PointTemp[8], 101); // midnight to 3 o'clock of the 11th
    EXPECT_EQ(w.PointTemp[0], 1);   // the -30 of the 9th is nowhere
    EXPECT_EQ(w.UpdateInfo, "23時30分 取得");
}

TEST(OpenMeteoAnswer, HostileAnswers) {
    const std::string good = DistinctWeek().Text();
    json errorFalse = DistinctWeek().Build();
    errorFalse["error"] = false;
    json wrongTypes = DistinctWeek().Build();
    wrongTypes["hourly"]["temperature_2m"][0] = "-10";
    wrongTypes["hourly"]["temperature_2m"][1] = "-9";
    wrongTypes["hourly"]["temperature_2m"][2] = true;
    wrongTypes["hourly"]["weather_code"][3] = "0";
    wrongTypes["hourly"]["weather_code"][4] = json::array({0});
    wrongTypes["hourly"]["weather_code"][5] = json::object();
    wrongTypes["daily"]["temperature_2m_max"] = "20";
    json huge = DistinctWeek().Build();
    huge["hourly"]["temperature_2m"][3] = 1e308;
    huge["hourly"]["temperature_2m"][4] = 1e308;
    huge["hourly"]["temperature_2m"][5] = 1e308;
    huge["hourly"]["precipitation_probability"][0] = 1e20;
    huge["hourly"]["weather_code"][6] = 1e300;
    huge["hourly"]["weather_code"][7] = 1e300;
    huge["hourly"]["weather_code"][8] = 1e300;
    huge["daily"]["temperature_2m_min"][0] = -1e308;
    huge["daily"]["precipitation_probability_max"][1] = 101;
    json unequal = DistinctWeek().Build();
    json& shortTemps = unequal["hourly"]["temperature_2m"];
    shortTemps.erase(shortTemps.begin() + 24, shortTemps.end());
    json& shortMax = unequal["daily"]["temperature_2m_max"];
    shortMax.erase(shortMax.begin() + 3, shortMax.end());
    json dayMissing = DistinctWeek().Build();
    for (const char* key : {"time", "weather_code", "temperature_2m_max", "temperature_2m_min",
                            "precipitation_probability_max"})
        dayMissing["daily"][key].erase(3);
    for (const char* key : {"time", "temperature_2m", "precipitation_probability", "weather_code"})
        dayMissing["hourly"][key].erase(dayMissing["hourly"][key].begin() + 72,
                                        dayMissing["hourly"][key].begin() + 96);
    json hourlyNotObject = DistinctWeek().Build();
    hourlyNotObject["hourly"] = "none";
    json badStamps = DistinctWeek().Build();
    badStamps["hourly"]["time"][0] = "2026-12-09 00:00";
    badStamps["hourly"]["time"][1] = "2026-13-09T01:00";
    badStamps["hourly"]["time"][2] = "2026-12-09T25:00";
    std::string overflow = good;
    overflow.replace(overflow.find("\"temperature_2m_max\":[") + 22, 2, "1e999");

    struct Case {
        const char* name;
        std::string answer;
        bool ok;
        std::function<void(const TWeatherData&)> check;
    };
    const TWeatherData full = DistinctWeekRecord();
    const Case cases[] = {
        {"empty", "", false, nullptr},
        {"not JSON", "<html><body>Bad Gateway</body></html>", false, nullptr},
        {"cut off", good.substr(0, good.size() / 2), false, nullptr},
        {"the API's error object",
         R"({"error":true,"reason":"Cannot initialize WeatherVariable from invalid String value tempeture_2m for key hourly"})",
         false, nullptr},
        {"an array", "[1,2,3]", false, nullptr},
        {"no dates", R"({"latitude":35.6,"hourly":{},"daily":{}})", false, nullptr},
        {"a number beyond double", overflow, false, nullptr},
        {"too large", good + std::string(kMaxAnswerBytes, ' '), false, nullptr},
        {"error false is no error", errorFalse.dump(), true,
         [&](const TWeatherData& w) { EXPECT_EQ(w.DayWeather, full.DayWeather); }},
        {"values of the wrong type", wrongTypes.dump(), true,
         [&](const TWeatherData& w) {
             EXPECT_EQ(w.PointTemp[0], N); // strings and a boolean are no temperatures
             EXPECT_EQ(w.PointHour[0], 3);
             EXPECT_EQ(w.PointWeather[1], ""); // hours 3-5 lost their codes
             EXPECT_EQ(w.DayWeather[0], "晴のち雨");
             EXPECT_EQ(w.DayMaxTemp[0], N);
             EXPECT_EQ(w.WeekMaxTemp[3], N);
             EXPECT_EQ(w.PointTemp[1], full.PointTemp[1]);
         }},
        {"huge numbers", huge.dump(), true,
         [&](const TWeatherData& w) {
             EXPECT_EQ(w.PointTemp[1], N);
             EXPECT_EQ(w.PointTemp[0], full.PointTemp[0]);
             EXPECT_EQ(w.DayProb[0], 5); // hour 0's probability dropped, hours 1-5 remain
             EXPECT_EQ(w.PointWeather[2], "");
             EXPECT_EQ(w.DayMinTemp[0], N);
             EXPECT_EQ(w.WeekProb[0], N);
         }},
        {"arrays of unequal length", unequal.dump(), true,
         [&](const TWeatherData& w) {
             for (int s = 0; s < 8; ++s)
                 EXPECT_EQ(w.PointTemp[s], full.PointTemp[s]);
             for (int s = 8; s < 16; ++s) {
                 EXPECT_EQ(w.PointTemp[s], N);
                 EXPECT_EQ(w.PointHour[s], full.PointHour[s]);
             }
             EXPECT_EQ(w.WeekMaxTemp[1], full.WeekMaxTemp[1]);
             EXPECT_EQ(w.WeekMaxTemp[2], N);
             EXPECT_EQ(w.WeekMinTemp[2], full.WeekMinTemp[2]);
         }},
        {"a day missing", dayMissing.dump(), true,
         [&](const TWeatherData& w) {
             EXPECT_EQ(w.WeekDate[2], 0.0);
             EXPECT_EQ(w.WeekWeather[2], "");
             EXPECT_EQ(w.WeekMaxTemp[2], N);
             EXPECT_EQ(w.WeekProb[2], N);
             // The days after it keep their own values.
             EXPECT_EQ(w.WeekDate[3], full.WeekDate[3]);
             EXPECT_EQ(w.WeekWeather[3], full.WeekWeather[3]);
             EXPECT_EQ(w.WeekMaxTemp[3], full.WeekMaxTemp[3]);
             EXPECT_EQ(w.WeekProb[6], full.WeekProb[6]);
         }},
        {"hourly not an object", hourlyNotObject.dump(), true,
         [&](const TWeatherData& w) {
             EXPECT_EQ(w.PointHour, TWeatherData().PointHour);
             EXPECT_EQ(w.DayProb, TWeatherData().DayProb);
             EXPECT_EQ(w.DayWeather[0], "晴"); // daily code 2
             EXPECT_EQ(w.DayMaxTemp, full.DayMaxTemp);
         }},
        {"malformed hour stamps", badStamps.dump(), true,
         [&](const TWeatherData& w) {
             EXPECT_EQ(w.PointTemp[0], N);
             EXPECT_EQ(w.PointHour[0], N);
             EXPECT_EQ(w.PointTemp[1], full.PointTemp[1]);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWeatherData w;
        EXPECT_EQ(FillFromOpenMeteo(w, c.answer, "府中市", kFetched), c.ok);
        if (c.check)
            c.check(w);
    }
}

TEST(OpenMeteoAnswer, DeepNestingIsDroppedWithoutHarm) {
    json answer = DistinctWeek().Build();
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    std::string text = answer.dump();
    text.insert(text.size() - 1, ",\"extra\":" + deep);
    TWeatherData w;
    EXPECT_TRUE(FillFromOpenMeteo(w, text, "府中市", kFetched));
    EXPECT_EQ(w.DayWeather, DistinctWeekRecord().DayWeather);
}

namespace {

std::string Result(const char* name, const char* admin1, double lat, double lon) {
    return json{{"id", 1},
                {"name", name},
                {"latitude", lat},
                {"longitude", lon},
                {"feature_code", "PPLA2"},
                {"country_code", "JP"},
                {"timezone", "Asia/Tokyo"},
                {"country", "日本"},
                {"admin1", admin1}}
        .dump();
}

std::string Results(std::initializer_list<std::string> results) {
    std::string out = "{\"results\":[";
    bool first = true;
    for (const std::string& r : results) {
        out += (first ? "" : ",") + r;
        first = false;
    }
    return out + "],\"generationtime_ms\":0.8}";
}

} // namespace

TEST(OpenMeteoLookup, ChoosesThePlaceInThePrefecture) {
    const std::string fuchu = Results({Result("府中市", "広島県", 34.56, 133.23),
                                       Result("府中町", "広島県", 34.39, 132.5),
                                       Result("府中市", "東京都", 35.67, 139.48)});
    const std::string date = Results(
        {Result("伊達市", "北海道", 42.47, 140.86), Result("伊達市", "福島県", 37.82, 140.56)});
    const std::string fuchoFirst = Results(
        {Result("府中町", "広島県", 34.39, 132.5), Result("府中市", "広島県", 34.56, 133.23)});
    const std::string badFirst = Results({Result("府中市", "東京都", 95.0, 139.48),
                                          R"({"name":"府中市","admin1":"東京都","latitude":"35"})",
                                          Result("府中", "東京都", 35.67, 139.48)});
    struct Case {
        const char* name;
        std::string answer;
        const char* prefecture;
        const char* municipality;
        TPlaceLookup result;
        TCoordinates place;
    };
    const Case cases[] = {
        {"府中市 of 東京都", fuchu, "東京都", "府中市", TPlaceLookup::Found, {35.67, 139.48}},
        {"府中市 of 広島県", fuchu, "広島県", "府中市", TPlaceLookup::Found, {34.56, 133.23}},
        {"伊達市 of 北海道", date, "北海道", "伊達市", TPlaceLookup::Found, {42.47, 140.86}},
        {"伊達市 of 福島県", date, "福島県", "伊達市", TPlaceLookup::Found, {37.82, 140.56}},
        {"the exact name before an earlier near one",
         fuchoFirst,
         "広島県",
         "府中市",
         TPlaceLookup::Found,
         {34.56, 133.23}},
        {"results without usable coordinates are passed over",
         badFirst,
         "東京都",
         "府中市",
         TPlaceLookup::Found,
         {35.67, 139.48}},
        {"no result in that prefecture", date, "宮城県", "伊達市", TPlaceLookup::NotFound, {}},
        {"no results at all",
         R"({"generationtime_ms":0.3})",
         "東京都",
         "府中市",
         TPlaceLookup::NotFound,
         {}},
        {"an empty list", R"({"results":[]})", "東京都", "府中市", TPlaceLookup::NotFound, {}},
        {"the API's error object",
         R"({"error":true,"reason":"Parameter count must be between 1 and 100."})",
         "東京都",
         "府中市",
         TPlaceLookup::BadAnswer,
         {}},
        {"not JSON", "Service Unavailable", "東京都", "府中市", TPlaceLookup::BadAnswer, {}},
        {"results not a list",
         R"({"results":{"name":"府中市"}})",
         "東京都",
         "府中市",
         TPlaceLookup::BadAnswer,
         {}},
        {"cut off", fuchu.substr(0, 60), "東京都", "府中市", TPlaceLookup::BadAnswer, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TPlaceChoice choice = ChoosePlace(c.answer, c.prefecture, c.municipality);
        EXPECT_EQ(choice.Result, c.result);
        EXPECT_EQ(choice.Coordinates, c.place);
    }
}

TEST(OpenMeteoAddresses, RequestForms) {
    EXPECT_EQ(OpenMeteoGeocodingUrl("https://geocoding-api.open-meteo.com/", "府中市"),
              "https://geocoding-api.open-meteo.com/v1/search?name=%E5%BA%9C%E4%B8%AD%E5%B8%82"
              "&count=100&language=ja&countryCode=JP&format=json");
    EXPECT_EQ(OpenMeteoGeocodingUrl("http://127.0.0.1:8/", "a b&c=d"),
              "http://127.0.0.1:8/v1/search?name=a%20b%26c%3Dd"
              "&count=100&language=ja&countryCode=JP&format=json");
    EXPECT_EQ(OpenMeteoForecastUrl("https://api.open-meteo.com/", {35.66889, 139.4775}),
              "https://api.open-meteo.com/v1/forecast?latitude=35.66889&longitude=139.4775"
              "&hourly=temperature_2m,precipitation_probability,weather_code"
              "&daily=weather_code,temperature_2m_max,temperature_2m_min,"
              "precipitation_probability_max&timezone=auto&forecast_days=8");
    EXPECT_EQ(OpenMeteoForecastUrl("p/", {-0.00001, -179.5}).substr(0, 48),
              "p/v1/forecast?latitude=-0.00001&longitude=-179.5");
    EXPECT_EQ(OpenMeteoWebPageUrl({26.2125, 127.68111}).substr(0, 68),
              "https://open-meteo.com/en/docs?latitude=26.2125&longitude=127.68111&");
}

TEST(OpenMeteoAddresses, CoordinatesInTheSettingsFile) {
    EXPECT_EQ(CoordinatesKey("東京都", "府中市"), "東京都,府中市");
    // Names that would break the key or collide with another place are escaped.
    EXPECT_EQ(CoordinatesKey("a,b", "c"), "a%2Cb,c");
    EXPECT_NE(CoordinatesKey("a,b", "c"), CoordinatesKey("a", "b,c"));
    EXPECT_EQ(CoordinatesKey(" x=[1];", "\"y'%"), "%20x%3D%5B1%5D%3B,%22y%27%25");

    EXPECT_EQ(FormatCoordinates({35.66889, 139.4775}), "35.66889,139.4775");
    EXPECT_EQ(FormatCoordinates({-0.00001, -180}), "-0.00001,-180");
    struct Case {
        const char* text;
        std::optional<TCoordinates> place;
    };
    const Case cases[] = {
        {"35.66889,139.4775", TCoordinates{35.66889, 139.4775}},
        {" -33.9 , 18.4 ", TCoordinates{-33.9, 18.4}},
        {"90,-180", TCoordinates{90, -180}},
        {"90.1,0", std::nullopt},
        {"0,180.5", std::nullopt},
        {"35.6", std::nullopt},
        {"35.6,", std::nullopt},
        {"abc,139", std::nullopt},
        {"35.6x,139", std::nullopt},
        {"nan,139", std::nullopt},
        {"1e1,139", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseCoordinates(c.text), c.place);
    }
    EXPECT_EQ(ParseCoordinates(FormatCoordinates({34.56789012345, 133.2})),
              (TCoordinates{34.56789012345, 133.2}));
}

namespace {

constexpr const char* kForecastPrefix = "http://forecast.test/";
constexpr const char* kGeocodingPrefix = "http://geocoding.test/";

TForecastRequest FuchuRequest() {
    TForecastRequest r;
    r.Source = TSource::OpenMeteo;
    r.ForecastPrefix = kForecastPrefix;
    r.GeocodingPrefix = kGeocodingPrefix;
    r.Prefecture = "東京都";
    r.Municipality = "府中市";
    return r;
}

class OpenMeteoLoad : public ::testing::Test {
protected:
    void SetUp() override { platform::FixClock(kFetched); }
    void TearDown() override { platform::ReleaseClock(); }

    const std::string search = OpenMeteoGeocodingUrl(kGeocodingPrefix, "府中市");
    const std::string forecast = OpenMeteoForecastUrl(kForecastPrefix, {35.67, 139.48});
    const std::string places = Results(
        {Result("府中市", "広島県", 34.56, 133.23), Result("府中市", "東京都", 35.67, 139.48)});
};

} // namespace

TEST_F(OpenMeteoLoad, LooksUpThePlaceThenAsksForItsForecast) {
    FakeHttpClient client;
    client.Pages[search] = places;
    client.Pages[forecast] = DistinctWeek().Text();
    const TForecastOutcome outcome = LoadForecast(client, FuchuRequest());
    EXPECT_TRUE(outcome.Loaded);
    EXPECT_EQ(client.Requested, (std::vector<std::string>{search, forecast}));
    EXPECT_EQ(outcome.FoundCoordinates, (TCoordinates{35.67, 139.48}));
    ExpectSameRecord(outcome.Record, DistinctWeekRecord());
}

TEST_F(OpenMeteoLoad, KnownCoordinatesSkipTheLookUp) {
    FakeHttpClient client;
    client.Pages[forecast] = DistinctWeek().Text();
    TForecastRequest request = FuchuRequest();
    request.Coordinates = TCoordinates{35.67, 139.48};
    const TForecastOutcome outcome = LoadForecast(client, request);
    EXPECT_TRUE(outcome.Loaded);
    EXPECT_EQ(client.Requested, std::vector<std::string>{forecast});
    EXPECT_FALSE(outcome.FoundCoordinates.has_value());
}

TEST_F(OpenMeteoLoad, FailuresLeaveACleanRecord) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> pages;
        std::vector<std::string> requested;
        std::optional<TCoordinates> found;
    };
    const std::string search_ = search;
    const std::string forecast_ = forecast;
    const Case cases[] = {
        {"look-up unreachable", {}, {search_}, std::nullopt},
        {"look-up answers nonsense", {{search_, "<html>"}}, {search_}, std::nullopt},
        {"forecast unreachable",
         {{search_, places}},
         {search_, forecast_},
         TCoordinates{35.67, 139.48}},
        {"forecast answers the error object",
         {{search_, places},
          {forecast_, R"({"error":true,"reason":"Latitude must be in range of -90 to 90°."})"}},
         {search_, forecast_},
         TCoordinates{35.67, 139.48}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpClient client;
        client.Pages = c.pages;
        const TForecastOutcome outcome = LoadForecast(client, FuchuRequest());
        EXPECT_FALSE(outcome.Loaded);
        EXPECT_EQ(client.Requested, c.requested);
        // Found coordinates are kept even when the forecast then fails: no second look-up.
        EXPECT_EQ(outcome.FoundCoordinates, c.found);
        ExpectSameRecord(outcome.Record, TWeatherData());
    }
}

TEST_F(OpenMeteoLoad, APlaceThatIsNotThereSaysWhich) {
    struct Case {
        const char* prefecture;
        const char* municipality;
        std::size_t requests;
    };
    const Case cases[] = {{"宮城県", "府中市", 1}, {"東京都", "", 0}};
    for (const Case& c : cases) {
        FakeHttpClient client;
        client.Pages[search] = places;
        client.Pages[OpenMeteoGeocodingUrl(kGeocodingPrefix, "")] = places;
        TForecastRequest request = FuchuRequest();
        request.Prefecture = c.prefecture;
        request.Municipality = c.municipality;
        try {
            LoadForecast(client, request);
            ADD_FAILURE() << "no ELocationNotFound for " << c.prefecture << c.municipality;
        } catch (const ELocationNotFound& e) {
            EXPECT_EQ(std::string(e.what()), std::string(c.municipality) + "が見つかりません");
        }
        EXPECT_EQ(client.Requested.size(), c.requests);
    }
}

// The real client against a server on 127.0.0.1 that answers like the API.
TEST(OpenMeteoOverHttp, LoadsThroughTheRealClient) {
    httplib::Server server;
    std::atomic<int> searches{0};
    std::atomic<int> forecasts{0};
    std::string userAgent;
    std::string searchQuery;
    server.Get("/geo/v1/search", [&](const httplib::Request& req, httplib::Response& res) {
        ++searches;
        searchQuery = req.get_param_value("name") + "|" + req.get_param_value("language") + "|" +
                      req.get_param_value("countryCode");
        const std::string name = req.get_param_value("name");
        if (name == "府中市")
            res.set_content(Results({Result("府中市", "広島県", 34.56, 133.23),
                                     Result("府中市", "東京都", 35.67, 139.48)}),
                            "application/json; charset=utf-8");
        else
            res.set_content(R"({"generationtime_ms":0.4})", "application/json; charset=utf-8");
    });
    server.Get("/api/v1/forecast", [&](const httplib::Request& req, httplib::Response& res) {
        ++forecasts;
        userAgent = req.get_header_value("User-Agent");
        if (req.get_param_value("latitude") != "35.67" ||
            req.get_param_value("timezone") != "auto") {
            res.status = 400;
            res.set_content(R"({"error":true,"reason":"Latitude must be in range of -90 to 90°."})",
                            "application/json; charset=utf-8");
            return;
        }
        res.set_content(DistinctWeek().Text(), "application/json; charset=utf-8");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port);

    platform::FixClock(kFetched);
    TCurlHttpClient client;
    TForecastRequest request = FuchuRequest();
    request.ForecastPrefix = base + "/api/";
    request.GeocodingPrefix = base + "/geo/";
    const TForecastOutcome first = LoadForecast(client, request);
    EXPECT_TRUE(first.Loaded);
    ExpectSameRecord(first.Record, DistinctWeekRecord());
    ASSERT_EQ(first.FoundCoordinates, (TCoordinates{35.67, 139.48}));
    EXPECT_EQ(searchQuery, "府中市|ja|JP");
    EXPECT_TRUE(userAgent.starts_with("Pelumi/")) << userAgent;

    // With the found coordinates the next load asks for the forecast only.
    request.Coordinates = first.FoundCoordinates;
    EXPECT_TRUE(LoadForecast(client, request).Loaded);
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(forecasts, 2);

    // The API's error object comes with status 400: a failed load.
    request.Coordinates = TCoordinates{99.0, 139.48};
    const TForecastOutcome refused = LoadForecast(client, request);
    EXPECT_FALSE(refused.Loaded);
    ExpectSameRecord(refused.Record, TWeatherData());

    request.Coordinates.reset();
    request.Municipality = "無名市";
    EXPECT_THROW(LoadForecast(client, request), ELocationNotFound);
    platform::ReleaseClock();
    server.stop();
    thread.join();
}
