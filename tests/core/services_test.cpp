// Both sources end to end: realistic pages held in memory, damaged copies of them, and the
// loaders and forecast-dump against the sample service over loopback.
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/SampleService.h"
#include "support/TempDir.h"
#include "weather/CurlHttpClient.h"
#include "weather/LocationList.h"
#include "weather/WeatherData.h"
#include "weather/openmeteo/OpenMeteo.h"
#include "weather/pages/CutText.h"

#include "SampleApi.h"
#include "weather/HttpClient.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <span>
#include <sys/wait.h>
#include <thread>

namespace {

const std::int32_t N = NoValue;

constexpr const char* kLitePoint = "http://127.0.0.1:9/lite/forecast/point/13101.html";
constexpr const char* kLiteDays = "http://127.0.0.1:9/lite/forecast/days/13101.html";
constexpr const char* kScripts =
    "http://127.0.0.1:9/component/static_api/lite/forecast_point/table/13101";
constexpr const char* kYahooPoint = "http://127.0.0.1:9/weather/jp/pinpoint/13101.html";
constexpr const char* kYahooDays = "http://127.0.0.1:9/weather/jp/days/13101.html";

FakeHttpClient RealisticPages() {
    FakeHttpClient c;
    c.Pages[kLitePoint] = ReadAll(TestData("realistic/tenkilite_point.html"));
    c.Pages[std::string(kScripts) + "_today.js"] =
        ReadAll(TestData("realistic/tenkilite_today.js"));
    c.Pages[std::string(kScripts) + "_tomorrow.js"] =
        ReadAll(TestData("realistic/tenkilite_tomorrow.js"));
    c.Pages[kLiteDays] = ReadAll(TestData("realistic/tenkilite_days.html"));
    c.Pages[kYahooPoint] = ReadAll(TestData("realistic/yahoo_pinpoint.html"));
    c.Pages[kYahooDays] = ReadAll(TestData("realistic/yahoo_days.html"));
    return c;
}

// A record filled slot by slot from tables written out by hand from the pages.
struct PointSlots {
    std::array<std::int32_t, 16> hours;
    std::array<const char*, 16> weather;
    std::array<std::int32_t, 16> temps;
};

TWeatherData
RecordOf(TDateTime today, const PointSlots& point, const std::array<const char*, 7>& weekWeather,
         const std::array<std::int32_t, 7>& weekMin, const std::array<std::int32_t, 7>& weekMax,
         const std::array<std::int32_t, 7>& weekProb, const std::array<const char*, 2>& dayWeather,
         const std::array<std::int32_t, 2>& dayMin, const std::array<std::int32_t, 2>& dayMax,
         const std::array<std::int32_t, 8>& dayProb) {
    TWeatherData w;
    for (int s = 0; s < 16; ++s) {
        w.PointDate[s] = today + (s < 8 ? 0 : 1);
        w.PointHour[s] = point.hours[s];
        w.PointWeather[s] = point.weather[s];
        w.PointTemp[s] = point.temps[s];
    }
    for (int k = 0; k < 7; ++k) {
        w.WeekDate[k] = today + k + 1;
        w.WeekWeather[k] = weekWeather[k];
    }
    w.WeekMinTemp = weekMin;
    w.WeekMaxTemp = weekMax;
    w.WeekProb = weekProb;
    for (int d = 0; d < 2; ++d) {
        w.DayDate[d] = today + d;
        w.DayWeather[d] = dayWeather[d];
    }
    w.DayMinTemp = dayMin;
    w.DayMaxTemp = dayMax;
    w.DayProb = dayProb;
    w.LocationName = "千代田区";
    w.UpdateInfo = "17時00分";
    return w;
}

// The realistic pages of 9 December 2026. Weekly slot 0 is tomorrow: the extremes of its point
// temperatures, the highest of its bands and its summary's weather.
constexpr std::array<const char*, 16> kPointWeather = {
    "曇り", "曇り",     "晴れ", "曇り", "晴れ", "曇り",     "曇り", "曇り",
    "霧",   "霧のち曇", "曇り", "弱雨", "雨",   "曇時々晴", "晴れ", "くもり"};
constexpr std::array<std::int32_t, 16> kPointTemps = {4, 5,  9,  14, 14, 13, 9,  5,
                                                      9, 10, 13, 17, 18, 18, 13, 9};
constexpr std::array<const char*, 7> kWeekWeather = {"霧", "くもり", "晴のち曇", "曇時々晴",
                                                     "雨", "曇り",   "晴時々曇"};
constexpr std::array<std::int32_t, 7> kWeekMin = {9, 3, 7, 7, 6, 5, 5};
constexpr std::array<std::int32_t, 7> kWeekMax = {18, 14, 18, 16, 12, 16, 14};
constexpr std::array<std::int32_t, 7> kWeekProb = {20, 10, 20, 20, 90, 20, 10};

TWeatherData RealisticTenkiLiteRecord(TDateTime today) {
    // TenkiLite labels a slot by its end: 3 to 24 o'clock.
    const PointSlots point{
        {3, 6, 9, 12, 15, 18, 21, 24, 3, 6, 9, 12, 15, 18, 21, 24}, kPointWeather, kPointTemps};
    return RecordOf(today, point, kWeekWeather, kWeekMin, kWeekMax, kWeekProb, {"曇時々晴", "霧"},
                    {4, 9}, {14, 18}, {0, 0, 10, 0, 20, 20, 20, 20});
}

TWeatherData RealisticYahooRecord(TDateTime today) {
    // Yahoo labels a slot by its start: 0 to 21 o'clock; tomorrow's last band is 0 here.
    const PointSlots point{
        {0, 3, 6, 9, 12, 15, 18, 21, 0, 3, 6, 9, 12, 15, 18, 21}, kPointWeather, kPointTemps};
    return RecordOf(today, point, kWeekWeather, kWeekMin, kWeekMax, kWeekProb, {"曇時々晴", "霧"},
                    {4, 9}, {14, 18}, {0, 0, 10, 0, 20, 20, 20, 0});
}

// What a record from the sample service must hold, whichever the service: dates from the
// page's today, the place's name, every value present, and the figures the generator ties
// together (a day's extremes are those of its three-hour temperatures; weekly slot 0 is
// tomorrow; probabilities in steps of ten).
void ExpectSampleRecord(const TWeatherData& w, TDateTime today, const std::string& place,
                        const std::string& what) {
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(w.PointDate[s], today + (s < 8 ? 0 : 1)) << what << " slot " << s;
        EXPECT_NE(w.PointWeather[s], "") << what << " slot " << s;
        EXPECT_NE(w.PointTemp[s], N) << what << " slot " << s;
    }
    for (int d = 0; d < 2; ++d) {
        const auto first = w.PointTemp.begin() + 8 * d;
        EXPECT_EQ(w.DayDate[d], today + d) << what;
        EXPECT_EQ(w.DayMinTemp[d], *std::min_element(first, first + 8)) << what << " day " << d;
        EXPECT_EQ(w.DayMaxTemp[d], *std::max_element(first, first + 8)) << what << " day " << d;
        EXPECT_NE(w.DayWeather[d], "") << what;
    }
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(w.WeekDate[k], today + k + 1) << what << " week " << k;
        EXPECT_NE(w.WeekWeather[k], "") << what << " week " << k;
        EXPECT_NE(w.WeekMinTemp[k], N) << what << " week " << k;
        EXPECT_LE(w.WeekMinTemp[k], w.WeekMaxTemp[k]) << what << " week " << k;
    }
    for (const auto& probs :
         {std::span<const std::int32_t>(w.DayProb), std::span<const std::int32_t>(w.WeekProb)})
        for (const std::int32_t p : probs)
            EXPECT_TRUE(p >= 0 && p <= 100 && p % 10 == 0) << what << " probability " << p;
    EXPECT_EQ(w.WeekWeather[0], w.DayWeather[1]) << what;
    EXPECT_EQ(w.WeekMinTemp[0], w.DayMinTemp[1]) << what;
    EXPECT_EQ(w.WeekMaxTemp[0], w.DayMaxTemp[1]) << what;
    EXPECT_EQ(w.WeekProb[0], *std::max_element(w.DayProb.begin() + 4, w.DayProb.end())) << what;
    EXPECT_EQ(w.LocationName, place) << what;
    EXPECT_EQ(w.UpdateInfo, "17時00分") << what;
    EXPECT_EQ(w.Information, "") << what;
}

// A live record of the sample service: every slot filled and labelled with its day and end
// hour, and the figures the mapping ties together (the values themselves are the mapping
// tests' concern).
void ExpectLiveRecord(const TWeatherData& w, TDateTime today, const std::string& what) {
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(w.PointDate[s], today + (s < 8 ? 0 : 1)) << what << " slot " << s;
        EXPECT_EQ(w.PointHour[s], 3 * (s % 8) + 3) << what << " slot " << s;
        EXPECT_NE(w.PointWeather[s], "") << what << " slot " << s;
        EXPECT_NE(w.PointTemp[s], N) << what << " slot " << s;
    }
    for (int d = 0; d < 2; ++d) {
        EXPECT_EQ(w.DayDate[d], today + d) << what;
        EXPECT_NE(w.DayWeather[d], "") << what;
        EXPECT_NE(w.DayMinTemp[d], N) << what << " day " << d;
        EXPECT_LE(w.DayMinTemp[d], w.DayMaxTemp[d]) << what << " day " << d;
    }
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(w.WeekDate[k], today + k + 1) << what << " week " << k;
        EXPECT_NE(w.WeekWeather[k], "") << what << " week " << k;
        EXPECT_NE(w.WeekMinTemp[k], N) << what << " week " << k;
        EXPECT_LE(w.WeekMinTemp[k], w.WeekMaxTemp[k]) << what << " week " << k;
    }
    for (const auto& probs :
         {std::span<const std::int32_t>(w.DayProb), std::span<const std::int32_t>(w.WeekProb)})
        for (const std::int32_t p : probs)
            EXPECT_TRUE(p >= 0 && p <= 100) << what << " probability " << p;
    EXPECT_EQ(w.Information, "") << what;
}

class Services : public ::testing::Test {
protected:
    void SetUp() override { platform::FixClock({2026, 12, 9, 18, 0, 0}); }
    void TearDown() override { platform::ReleaseClock(); }
    const TDateTime today = EncodeDate(2026, 12, 9);
};

} // namespace

TEST_F(Services, RealisticTenkiLitePages) {
    FakeHttpClient client = RealisticPages();
    TWeatherData w;
    ASSERT_TRUE(w.LoadTenkiLite(client, kLitePoint, kLiteDays));
    EXPECT_RECORD_EQ(w, RealisticTenkiLiteRecord(today));
}

TEST_F(Services, RealisticYahooPages) {
    FakeHttpClient client = RealisticPages();
    TWeatherData w;
    ASSERT_TRUE(w.LoadYahoo(client, kYahooPoint, kYahooDays));
    EXPECT_RECORD_EQ(w, RealisticYahooRecord(today));
}

TEST_F(Services, DamagedPagesNeverCrash) {
    const FakeHttpClient pages = RealisticPages();
    std::size_t loads = 0;
    for (const auto& [url, body] : pages.Pages) {
        std::vector<std::string> variants;
        for (std::size_t cut = 0; cut < body.size(); cut += 211)
            variants.push_back(body.substr(0, cut)); // cut short
        std::string shuffled = body;
        for (std::size_t i = 0; i + 7 < shuffled.size(); i += 13)
            std::swap(shuffled[i], shuffled[i + 7]); // garbage, usually not UTF-8 any more
        variants.push_back(shuffled);
        variants.push_back(std::string(5000, '<'));
        for (const std::string& variant : variants) {
            FakeHttpClient client = pages;
            client.Pages[url] = variant;
            for (const bool lite : {true, false}) {
                TWeatherData w;
                try {
                    const bool ok = lite ? w.LoadTenkiLite(client, kLitePoint, kLiteDays)
                                         : w.LoadYahoo(client, kYahooPoint, kYahooDays);
                    if (!ok) {
                        EXPECT_RECORD_EQ(w, TWeatherData()) << url << " " << variant.size();
                    }
                } catch (const EConvertError&) {
                    // an impossible page date is reported, not a crash
                }
                ++loads;
            }
        }
    }
    EXPECT_GT(loads, 100u);
}

namespace {

class AgainstSampleService : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        service_ = std::make_unique<SampleService>(std::vector<std::string>{
            "--today", "2026-12-09", "--locations", TestData("locations/sample.list")});
    }
    static void TearDownTestSuite() { service_.reset(); }
    void SetUp() override { platform::FixClock({2026, 12, 9, 7, 30, 0}); }
    void TearDown() override { platform::ReleaseClock(); }

    static std::unique_ptr<SampleService> service_;
};

std::unique_ptr<SampleService> AgainstSampleService::service_;

// Runs a command and returns its exit status and standard output.
std::pair<int, std::string> RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, out};
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace

TEST_F(AgainstSampleService, BothLoadersFillEveryEntry) {
    const auto entries = ReadLocationFile(TestData("locations/sample.list"));
    ASSERT_FALSE(entries.empty());
    TCurlHttpClient client;
    const TDateTime today = EncodeDate(2026, 12, 9);
    bool sawFrost = false;
    for (const TLocationEntry& e : entries) {
        TWeatherData lite;
        ASSERT_TRUE(lite.LoadTenkiLite(client, service_->TenkiLitePrefix() + e[3],
                                       service_->TenkiLitePrefix() + e[4]))
            << e[2];
        ExpectSampleRecord(lite, today, e[2], "tenkilite " + e[2]);
        TWeatherData yahoo;
        ASSERT_TRUE(
            yahoo.LoadYahoo(client, service_->YahooPrefix() + e[5], service_->YahooPrefix() + e[6]))
            << e[2];
        ExpectSampleRecord(yahoo, today, e[2], "yahoo " + e[2]);
        // Each service labels the slots its own way...
        for (int s = 0; s < 16; ++s) {
            EXPECT_EQ(lite.PointHour[s], 3 * (s % 8) + 3) << e[2] << " slot " << s;
            EXPECT_EQ(yahoo.PointHour[s], 3 * (s % 8)) << e[2] << " slot " << s;
        }
        // ...and both tell the same weather in every other field, read through other markers.
        TWeatherData yahooWithLiteHours = yahoo;
        yahooWithLiteHours.PointHour = lite.PointHour;
        // TenkiLite may merge tomorrow's last two bands into one cell of the higher figure.
        auto& bands = yahooWithLiteHours.DayProb;
        if (lite.DayProb[6] == lite.DayProb[7] && lite.DayProb[7] == std::max(bands[6], bands[7]))
            bands[6] = bands[7] = lite.DayProb[7];
        EXPECT_RECORD_EQ(yahooWithLiteHours, lite) << e[2];
        for (const std::int32_t t : lite.PointTemp)
            sawFrost = sawFrost || t < 0;
    }
    EXPECT_TRUE(sawFrost) << "northern places in December go below zero";
}

TEST_F(AgainstSampleService, ForecastDumpPrintsTheRecordAndItsExitCode) {
    const std::string tool = std::string(PELUMI_BIN_DIR) + "/forecast-dump";
    const std::string lite = service_->TenkiLitePrefix();
    const auto [okStatus, okJson] =
        RunCommand(tool + " tenkilite " + lite + "forecast/point/01100.html " + lite +
                   "forecast/days/01100.html --now 2026-12-09T07:30:00");
    EXPECT_EQ(okStatus, 0);
    EXPECT_TRUE(okJson.starts_with("{\n  \"ok\": true,\n  \"PointDate\": [46365, ")) << okJson;
    EXPECT_NE(okJson.find("\"LocationName\": \"札幌市\""), std::string::npos) << okJson;
    // The page services have no weather now: its members close the record, empty.
    EXPECT_NE(okJson.find("\"Information\": \"\",\n  \"PointSource\": \"\",\n  \"NowTime\": \"\","),
              std::string::npos)
        << okJson;
    // Nor warnings: unknown; nor a report time.
    EXPECT_NE(okJson.find("\"NowHumidity\": null,\n  \"TodayName\": \"\",\n"
                          "  \"Warnings\": null,\n  \"WarningsTime\": \"\",\n"
                          "  \"WarningsNote\": \"\",\n"),
              std::string::npos)
        << okJson;
    // Nor the agency's own words: empty.
    const std::string noRange = "[2147483647, 2147483647]";
    std::string noRanges = noRange;
    for (int k = 1; k < 7; ++k)
        noRanges += ", " + noRange;
    EXPECT_NE(okJson.find("  \"DayText\": [\"\", \"\"],\n  \"DayWind\": [\"\", \"\"],\n"
                          "  \"DayWave\": [\"\", \"\"],\n"
                          "  \"WeekReliability\": [\"\", \"\", \"\", \"\", \"\", \"\", \"\"],\n"
                          "  \"WeekMinTempRange\": [" +
                          noRanges + "],\n  \"WeekMaxTempRange\": [" + noRanges +
                          "],\n  \"WeekNormalMinTemp\": null,\n  \"WeekNormalMaxTemp\": null,\n"
                          "  \"Overview\": \"\",\n  \"OverviewHeadline\": \"\",\n"
                          "  \"OverviewTime\": \"\",\n  \"ReportTime\": \"\",\n"
                          "  \"RainTime\": \"\",\n  \"Rain\": null,\n  \"RainStartsIn\": null,\n"
                          "  \"RainEndsIn\": null,\n  \"RainStep\": null\n}\n"),
              std::string::npos)
        << okJson;

    const auto [failStatus, failJson] =
        RunCommand(tool + " yahoo " + service_->YahooPrefix() + "nothing.html x 2>/dev/null");
    EXPECT_EQ(failStatus, 1);
    EXPECT_NE(failJson.find("\"PointHour\": [2147483647, 2147483647"), std::string::npos);

    // Answers that are no page (a 300 with a body, a redirect without Location) fail the load.
    const std::string fault = service_->BaseUrl() + "fault/status/";
    const auto [noticeStatus, noticeJson] =
        RunCommand(tool + " yahoo " + fault + "300 " + fault + "302 2>/dev/null");
    EXPECT_EQ(noticeStatus, 1) << noticeJson;
    EXPECT_NE(noticeJson.find("\"ok\": false"), std::string::npos) << noticeJson;

    EXPECT_EQ(RunCommand(tool + " 2>/dev/null").first, 2);
    EXPECT_EQ(RunCommand(tool + " rss a b 2>/dev/null").first, 2);
    EXPECT_EQ(RunCommand(tool + " yahoo a b --now tomorrow 2>/dev/null").first, 2);
    // A page day that is no day of the clock's month (31 read in November) raises out of the
    // loader.
    SampleService late({"--today", "2026-12-31", "--locations", TestData("locations/sample.list")});
    const std::string latePrefix = late.TenkiLitePrefix();
    EXPECT_EQ(RunCommand(tool + " tenkilite " + latePrefix + "forecast/point/01100.html " +
                         latePrefix +
                         "forecast/days/01100.html --now 2026-11-15T07:30:00 2>/dev/null")
                  .first,
              3);
}

TEST_F(AgainstSampleService, LiveSourceFillsEveryPlaceOfTheShippedList) {
    // The shipped list is the service's default.
    SampleService shipped({"--today", "2026-12-09"});
    const auto entries = ReadLocationFile(std::string(PELUMI_BIN_DIR) + "/urls.list");
    ASSERT_GT(entries.size(), 400u);
    const TSampleApi api(entries, 2026, 12, 9);
    TCurlHttpClient client;
    const TDateTime today = EncodeDate(2026, 12, 9);
    std::map<std::string, int> connectors;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TLocationEntry& e = entries[i];
        TForecastRequest request;
        request.Source = TSource::OpenMeteo;
        request.ForecastPrefix = shipped.BaseUrl();
        request.GeocodingPrefix = shipped.BaseUrl();
        request.Prefecture = e[1];
        request.Municipality = e[2];
        const TForecastOutcome outcome = LoadForecast(client, request);
        ASSERT_TRUE(outcome.Loaded) << e[1] << e[2];
        ExpectLiveRecord(outcome.Record, today, "openmeteo " + e[2]);
        EXPECT_EQ(outcome.Record.LocationName, e[2]);
        EXPECT_EQ(outcome.Record.UpdateInfo, "7時30分 取得");
        // The place itself, not its namesake in another prefecture.
        const TSampleApi::Place& place = api.Places()[i];
        EXPECT_EQ(outcome.FoundCoordinates, (TCoordinates{place.Latitude, place.Longitude}))
            << e[1] << e[2];
        for (const auto& texts : {std::vector<std::string>(outcome.Record.DayWeather.begin(),
                                                           outcome.Record.DayWeather.end()),
                                  std::vector<std::string>(outcome.Record.WeekWeather.begin(),
                                                           outcome.Record.WeekWeather.end())})
            for (const std::string& text : texts) {
                for (const char* connector : {"のち", "時々", "一時"})
                    connectors[connector] += text.find(connector) != std::string::npos;
                connectors["雪"] += text == "雪";
            }
    }
    // Weather that changes during the day shows as composite texts, and places snow all day.
    EXPECT_GT(connectors["のち"], 50);
    EXPECT_GT(connectors["時々"], 50);
    EXPECT_GT(connectors["一時"], 50);
    EXPECT_GT(connectors["雪"], 10);

    const std::string tool = std::string(PELUMI_BIN_DIR) + "/forecast-dump openmeteo " +
                             shipped.BaseUrl() + " " + shipped.BaseUrl();
    const auto [okStatus, okJson] =
        RunCommand(tool + " 北海道 札幌市 --now 2026-12-09T07:30:00 2>/dev/null");
    EXPECT_EQ(okStatus, 0);
    EXPECT_TRUE(okJson.starts_with("{\n  \"ok\": true,\n  \"PointDate\": [46365, ")) << okJson;
    EXPECT_NE(okJson.find("\"LocationName\": \"札幌市\""), std::string::npos) << okJson;
    EXPECT_NE(okJson.find("\"UpdateInfo\": \"7時30分 取得\""), std::string::npos) << okJson;
    const auto [missingStatus, missingJson] = RunCommand(tool + " 北海道 府中市 2>/dev/null");
    EXPECT_EQ(missingStatus, 1);
    EXPECT_NE(missingJson.find("\"ok\": false"), std::string::npos) << missingJson;
    EXPECT_EQ(RunCommand(tool + " 北海道 2>/dev/null").first, 2);
}

TEST_F(AgainstSampleService, LiveSourceFindsThePlacesOfTheRealIndex) {
    // The look-up knows the designated cities and some others only without 市 (仙台, not
    // 仙台市) and 函館 only as 函館市. A name is asked for as it is, then without its suffix; 堺
    // and 津 would be single characters, which the index never answers.
    SampleService real({"--today", "2026-12-09", "--real-index"});
    const auto entries = ReadLocationFile(std::string(PELUMI_BIN_DIR) + "/urls.list");
    const TSampleApi api(entries, 2026, 12, 9, TSampleApi::Names::RealIndex);
    TCurlHttpClient client;
    std::vector<std::string> notFound;
    int shortened = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TLocationEntry& e = entries[i];
        TForecastRequest request;
        request.Source = TSource::OpenMeteo;
        request.ForecastPrefix = real.BaseUrl();
        request.GeocodingPrefix = real.BaseUrl();
        request.Prefecture = e[1];
        request.Municipality = e[2];
        try {
            const TForecastOutcome outcome = LoadForecast(client, request);
            ASSERT_TRUE(outcome.Loaded) << e[1] << e[2];
            EXPECT_EQ(outcome.Record.LocationName, e[2]);
            const TSampleApi::Place& place = api.Places()[i];
            EXPECT_EQ(outcome.FoundCoordinates, (TCoordinates{place.Latitude, place.Longitude}))
                << e[1] << e[2];
            shortened += place.Name != e[2];
        } catch (const ELocationNotFound&) {
            notFound.push_back(e[1] + e[2]);
        }
    }
    EXPECT_EQ(shortened, 24);
    EXPECT_EQ(notFound, (std::vector<std::string>{"三重県津市", "大阪府堺市"}));

    // Those two are the agency's places: its station's coordinates stand in, resolved once and
    // handed back for the settings file, or taken from the place known before.
    TempDir cache;
    for (const auto& [prefecture, municipality] :
         {std::pair{"三重県", "津市"}, std::pair{"大阪府", "堺市"}}) {
        SCOPED_TRACE(municipality);
        TForecastRequest request;
        request.Source = TSource::OpenMeteo;
        request.ForecastPrefix = real.BaseUrl();
        request.GeocodingPrefix = real.BaseUrl();
        request.JmaPrefix = real.BaseUrl() + "bosai/";
        request.CacheFolder = cache.Path() + "/";
        request.Prefecture = prefecture;
        request.Municipality = municipality;
        const TForecastOutcome outcome = LoadForecast(client, request);
        ASSERT_TRUE(outcome.Loaded);
        EXPECT_EQ(outcome.Record.LocationName, municipality);
        ASSERT_TRUE(outcome.FoundJmaPlace.has_value());
        ASSERT_TRUE(outcome.FoundJmaPlace->Coordinates.has_value());
        EXPECT_EQ(outcome.FoundCoordinates, outcome.FoundJmaPlace->Coordinates);

        TJmaPlace known = *outcome.FoundJmaPlace;
        known.Coordinates = TCoordinates{34.5, 135.25};
        request.JmaPrefix.clear();
        request.JmaPlace = known;
        const TForecastOutcome again = LoadForecast(client, request);
        EXPECT_TRUE(again.Loaded);
        EXPECT_EQ(again.FoundCoordinates, known.Coordinates);
        EXPECT_FALSE(again.FoundJmaPlace.has_value());
    }

    const std::string tool = std::string(PELUMI_BIN_DIR) + "/forecast-dump openmeteo " +
                             real.BaseUrl() + " " + real.BaseUrl();
    for (const char* place : {"宮城県 仙台市", "高知県 高知市", "北海道 函館市"}) {
        const auto [status, json] = RunCommand(tool + " " + place + " 2>/dev/null");
        EXPECT_EQ(status, 0) << place;
        EXPECT_NE(json.find("\"ok\": true"), std::string::npos) << json;
    }
    EXPECT_EQ(RunCommand(tool + " 大阪府 堺市 2>/dev/null").first, 1);
    EXPECT_EQ(RunCommand(tool + " 大阪府 堺市 --jma " + real.BaseUrl() + "bosai/ --cache " +
                         cache.Path() + " 2>/dev/null")
                  .first,
              0);
}

TEST_F(AgainstSampleService, LiveSourceGoesThroughTheProxy) {
    if (!TinyProxy::Available())
        GTEST_SKIP() << "tinyproxy is not installed";
    TinyProxy proxy;
    const auto [status, json] = RunCommand(
        std::string(PELUMI_BIN_DIR) + "/forecast-dump openmeteo " + service_->BaseUrl() + " " +
        service_->BaseUrl() + " 東京 千代田区 --proxy 127.0.0.1:" + std::to_string(proxy.Port()) +
        " 2>/dev/null");
    EXPECT_EQ(status, 0);
    EXPECT_NE(json.find("\"LocationName\": \"千代田区\""), std::string::npos) << json;
    EXPECT_NE(proxy.Log().find("/v1/search?name="), std::string::npos) << proxy.Log();
    EXPECT_NE(proxy.Log().find("/v1/forecast?latitude="), std::string::npos) << proxy.Log();
}

TEST(SampleApi, AnswersInTheServicesFormsAndErrors) {
    const std::vector<TLocationEntry> entries = {{"関東", "東京都", "府中市", "", "", "", ""},
                                                 {"中国", "広島県", "府中市", "", "", "", ""}};
    const TSampleApi api(entries, 2026, 12, 9);
    const auto search = api.Search({{"name", "府中市"}, {"count", "100"}});
    EXPECT_EQ(search.Status, 200);
    // Each 府中市 with a namesake elsewhere: four results, two in the right prefectures.
    EXPECT_EQ(ChoosePlace(search.Body, "東京都", "府中市").Coordinates,
              (TCoordinates{api.Places()[0].Latitude, api.Places()[0].Longitude}));
    EXPECT_EQ(ChoosePlace(search.Body, "広島県", "府中市").Coordinates,
              (TCoordinates{api.Places()[1].Latitude, api.Places()[1].Longitude}));
    EXPECT_EQ(api.Search({{"name", "府"}}).Body, R"({"generationtime_ms":0.6})");
    EXPECT_EQ(
        ChoosePlace(api.Search({{"name", "府中市"}, {"count", "1"}}).Body, "x", "府中市").Result,
        TPlaceLookup::NotFound);

    struct Case {
        TSampleApi::Params params;
        const char* reason;
    };
    const Case errors[] = {
        {{{"count", "5"}}, "Parameter 'name' is required"},
        {{{"name", "府中市"}, {"count", "0"}}, "Parameter count must be between 1 and 100."},
    };
    for (const Case& c : errors) {
        const auto a = api.Search(c.params);
        EXPECT_EQ(a.Status, 400);
        EXPECT_EQ(a.Body, std::string(R"({"error":true,"reason":")") + c.reason + "\"}");
    }
    const Case forecastErrors[] = {
        {{{"latitude", "91"}, {"longitude", "0"}, {"timezone", "auto"}},
         "Latitude must be in range of -90 to 90°. Given: 91."},
        {{{"latitude", "35"},
          {"longitude", "139"},
          {"timezone", "auto"},
          {"hourly", "tempeture_2m"}},
         "Cannot initialize ForecastVariable from invalid String value tempeture_2m for key "
         "hourly"},
        {{{"latitude", "35"}, {"longitude", "139"}, {"timezone", "auto"}, {"forecast_days", "17"}},
         "Forecast days is invalid. Allowed range 0 to 16."},
    };
    for (const Case& c : forecastErrors) {
        const auto a = api.Forecast(c.params);
        EXPECT_EQ(a.Status, 400);
        EXPECT_EQ(a.Body, std::string(R"({"error":true,"reason":")") + c.reason + "\"}");
    }
    // The hours are labelled in any zone of the database; auto is Japan's.
    struct Zone {
        const char* asked;
        const char* name;
        int offset;
        const char* abbreviation;
    };
    const Zone zones[] = {
        {"auto", "Asia/Tokyo", 32400, "GMT+9"},
        {"America/New_York", "America/New_York", -18000, "GMT-5"},
        {"Asia/Kolkata", "Asia/Kolkata", 19800, "GMT+5:30"},
        {"Etc/UTC", "Etc/UTC", 0, "GMT"},
    };
    for (const Zone& z : zones) {
        const auto a = api.Forecast({{"latitude", "35"},
                                     {"longitude", "139"},
                                     {"timezone", z.asked},
                                     {"hourly", "temperature_2m"},
                                     {"forecast_days", "2"}});
        ASSERT_EQ(a.Status, 200) << z.asked;
        const auto answer = nlohmann::json::parse(a.Body);
        EXPECT_EQ(answer["timezone"], z.name);
        EXPECT_EQ(answer["utc_offset_seconds"], z.offset) << z.asked;
        EXPECT_EQ(answer["timezone_abbreviation"], z.abbreviation) << z.asked;
        EXPECT_EQ(answer["hourly"]["time"][0], "2026-12-09T00:00") << z.asked;
    }
    for (const char* bad : {"Mars/Olympus", "Asia/Tokyo,Europe/Paris", ""}) {
        const auto a = api.Forecast({{"latitude", "35"}, {"longitude", "139"}, {"timezone", bad}});
        EXPECT_EQ(a.Status, 400) << bad;
        EXPECT_EQ(a.Body, R"({"error":true,"reason":"Invalid timezone"})") << bad;
    }

    // Names as the real index knows them.
    const std::vector<TLocationEntry> cities = {{"東北", "宮城県", "仙台市", "", "", "", ""},
                                                {"北海道", "北海道", "函館市", "", "", "", ""}};
    const TSampleApi index(cities, 2026, 12, 9, TSampleApi::Names::RealIndex);
    const auto found = [&](const char* name, const char* prefecture) {
        return ChoosePlace(index.Search({{"name", name}}).Body, prefecture, name,
                           TNameMatch::ExactOnly)
            .Result;
    };
    EXPECT_EQ(found("仙台市", "宮城県"), TPlaceLookup::NotFound);
    EXPECT_EQ(found("仙台", "宮城県"), TPlaceLookup::Found);
    EXPECT_EQ(found("函館", "北海道"), TPlaceLookup::NotFound);
    EXPECT_EQ(found("函館市", "北海道"), TPlaceLookup::Found);
    const TSampleApi exact(cities, 2026, 12, 9);
    EXPECT_EQ(ChoosePlace(exact.Search({{"name", "仙台市"}}).Body, "宮城県", "仙台市").Result,
              TPlaceLookup::Found);

    // The same point gives the same weather on every request.
    const TSampleApi::Params point = {
        {"latitude", "35.6"},      {"longitude", "139.5"},
        {"timezone", "auto"},      {"hourly", "temperature_2m,weather_code"},
        {"daily", "weather_code"}, {"forecast_days", "8"}};
    EXPECT_EQ(api.Forecast(point).Body, api.Forecast(point).Body);
    TWeatherData w;
    EXPECT_TRUE(FillFromOpenMeteo(w, api.Forecast(point).Body, "x", {2026, 12, 9, 8, 0, 0}));
    EXPECT_EQ(w.DayDate[0], EncodeDate(2026, 12, 9));
    EXPECT_EQ(w.WeekDate[6], EncodeDate(2026, 12, 16));
}

TEST_F(AgainstSampleService, ServesTheVersionFileAndUnknownPathsAs404) {
    TCurlHttpClient client;
    EXPECT_EQ(client.Get(service_->BaseUrl() + "version.txt"), "33556226\r\n");
    EXPECT_THROW(client.Get(service_->BaseUrl() + "lite/forecast/point/99999.html"), EHttpError);
    SampleService other(
        {"--locations", TestData("locations/sample.list"), "--version-number", "7"});
    EXPECT_EQ(client.Get(other.BaseUrl() + "version.txt"), "7\r\n");
}

TEST(SampleServiceTool, RefusesATodayThatIsNoCalendarDay) {
    // A service that started would run until `timeout` ends it (status 124).
    const std::string tool = "timeout 10 " + std::string(PELUMI_BIN_DIR) + "/sample-service";
    const std::string list = " --locations " + TestData("locations/sample.list");
    for (const char* day : {"2026-02-30", "2025-02-29", "2026-04-31", "2026-13-01", "2026-1-01"}) {
        const auto [status, out] =
            RunCommand(tool + list + " --today " + day + " --port 0 2>/dev/null");
        EXPECT_EQ(status, 2) << day;
        EXPECT_EQ(out, "") << day; // no address: nobody may think it serves
    }
    // A leap day is a day.
    SampleService leap({"--today", "2024-02-29", "--locations", TestData("locations/sample.list")});
    TCurlHttpClient client;
    EXPECT_NE(GetPage(client, leap.TenkiLitePrefix() + "forecast/days/13101.html").find("2月29日"),
              std::string::npos);
}

TEST(ForecastDump, EscapesTextsForJson) {
    httplib::Server server;
    server.Get("/point.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<title>\"北\\区\"\t\x01\x7f東の天気</title>", "text/html");
    });
    server.Get("/days.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html></html>", "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const auto [status, json] = RunCommand(std::string(PELUMI_BIN_DIR) + "/forecast-dump yahoo " +
                                           base + "/point.html " + base + "/days.html");
    server.stop();
    thread.join();
    EXPECT_EQ(status, 0);
    EXPECT_NE(json.find(R"("LocationName": "\"北\\区\"\t\u0001\u007f東")"), std::string::npos)
        << json;
}
