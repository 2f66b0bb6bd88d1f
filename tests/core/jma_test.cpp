// The agency's source as a load: the place (given or resolved), the office's forecast asked for
// conditionally and kept, the point slots from the live source, and what each failure leaves.
#include "weather/jma/Jma.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "skin/Skin.h"
#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/SampleService.h"
#include "support/TempDir.h"
#include "weather/CurlHttpClient.h"
#include "weather/ForecastTime.h"
#include "weather/KeptAnswer.h"
#include "weather/Rain.h"
#include "weather/RecordJson.h"
#include "weather/jma/JmaForecast.h"
#include "weather/jma/JmaSeries.h"
#include "weather/openmeteo/OpenMeteo.h"

#include "SampleApi.h"
#include "SampleJmaSite.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/wait.h>
#include <thread>

using json = nlohmann::json;

namespace {

constexpr const char* kJma = "http://127.0.0.1:9/bosai/";
constexpr const char* kOpenMeteo = "http://127.0.0.1:9/om/";
const std::string kForecastUrl = std::string(kJma) + "forecast/data/forecast/130000.json";
const std::string kSeriesUrl = std::string(kJma) + "jmatile/data/wdist/VPFD/130010.json";
const std::string kOverviewUrl = std::string(kJma) + "forecast/data/overview_forecast/130000.json";
// The 05 o'clock report of 2026-03-12, read at a quarter past six.
const platform::LocalDateTime kNow{2026, 3, 12, 6, 15, 0};
const std::int32_t N_ = NoValue;
const THttpValidators kServed{"\"5f2a-61c9\"", "Wed, 11 Mar 2026 20:00:00 GMT"};

// 千代田区's place, with the coordinates of its station as a table made for these tests gives
// them.
const TJmaPlace kChiyoda{"130000", "130010", "1310100", "44132",
                         TCoordinates{35.0 + 41.5 / 60.0, 139.0 + 45.0 / 60.0}};
constexpr const char* kAmedas = R"({"44132":{"lat":[35,41.5],"lon":[139,45]}})";

std::string RealAnswer() {
    return ReadAll(TestData("jma/forecast-130000-2026-03-12T05.json"));
}

// The query of an address as the sample service's stand-in takes it.
TSampleApi::Params QueryOf(const std::string& url) {
    TSampleApi::Params params;
    std::string_view query = std::string_view(url).substr(url.find('?') + 1);
    while (!query.empty()) {
        const std::size_t amp = std::min(query.find('&'), query.size());
        const std::string_view pair = query.substr(0, amp);
        const std::size_t eq = pair.find('=');
        // Values come encoded, as the time zone's slash does.
        params.emplace(std::string(pair.substr(0, eq)),
                       httplib::detail::decode_url(std::string(pair.substr(eq + 1)), false));
        query.remove_prefix(std::min(amp + 1, query.size()));
    }
    return params;
}

// The live source's answer for a point, from the sample service's stand-in, dated `day`.
std::string OpenMeteoAnswer(const TCoordinates& at, int day) {
    const TSampleApi api({}, 2026, 3, day);
    return api.Forecast(QueryOf(OpenMeteoForecastUrl(kOpenMeteo, at))).Body;
}

// What the load must give for these answers when the agency has no series: the agency's reading
// of its answer (today being the clock's date), with the point slots of the live source's answer,
// named as its, when that one's today is the record's.
TForecastOutcome Expected(std::string_view jma, const TJmaPlace& place, const std::string& live) {
    TForecastOutcome e;
    const platform::LocalDateTime now = platform::LocalNow();
    e.Loaded =
        FillFromJma(e.Record, jma, place, "千代田区", EncodeDate(now.Year, now.Month, now.Day));
    if (!e.Loaded) {
        e.Record.Clear();
        return e;
    }
    TWeatherData point;
    if (!live.empty() && FillFromOpenMeteo(point, live, "千代田区", now) &&
        point.DayDate[0] == e.Record.DayDate[0]) {
        e.Record.PointDate = point.PointDate;
        e.Record.PointHour = point.PointHour;
        e.Record.PointWeather = point.PointWeather;
        e.Record.PointTemp = point.PointTemp;
        e.Record.PointSource = "Open-Meteo";
    }
    return e;
}

void ExpectSameOutcome(const TForecastOutcome& actual, const TForecastOutcome& expected) {
    EXPECT_EQ(actual.Loaded, expected.Loaded);
    EXPECT_RECORD_EQ(actual.Record, expected.Record);
    EXPECT_EQ(actual.FoundCoordinates, expected.FoundCoordinates);
    EXPECT_EQ(actual.FoundJmaPlace, expected.FoundJmaPlace);
}

class JmaLoad : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock(kNow);
        client.Pages[std::string(kJma) + "common/const/area.json"] =
            ReadAll(TestData("jma/area.json"));
        client.Pages[std::string(kJma) + "forecast/const/forecast_area.json"] =
            ReadAll(TestData("jma/forecast_area.json"));
        client.Pages[std::string(kJma) + "amedas/const/amedastable.json"] = kAmedas;
        client.Pages[kForecastUrl] = RealAnswer();
        client.Pages[pointUrl] = live;
    }
    void TearDown() override { platform::ReleaseClock(); }

    TForecastRequest Request() const {
        TForecastRequest r;
        r.Source = TSource::Jma;
        r.JmaPrefix = kJma;
        r.ForecastPrefix = kOpenMeteo;
        r.Prefecture = "東京都";
        r.Municipality = "千代田区";
        r.CacheFolder = dir.Path() + "/cache/";
        return r;
    }
    std::string Stored() const { return ReadAll(dir.File("cache/jma/forecast/130000.answer")); }

    TempDir dir;
    FakeHttpClient client;
    const std::string pointUrl = OpenMeteoForecastUrl(kOpenMeteo, *kChiyoda.Coordinates);
    const std::string live = OpenMeteoAnswer(*kChiyoda.Coordinates, 12);
    const std::vector<std::string> constants = {
        std::string(kJma) + "common/const/area.json",
        std::string(kJma) + "forecast/const/forecast_area.json",
        std::string(kJma) + "amedas/const/amedastable.json"};
};

// The validators the loads sent with one address, in order.
std::vector<THttpValidators> SentWith(const FakeHttpClient& client, const std::string& url) {
    std::vector<THttpValidators> sent;
    for (std::size_t i = 0; i < client.SentValidators.size(); ++i)
        if (client.ConditionalUrls[i] == url)
            sent.push_back(client.SentValidators[i]);
    return sent;
}

// The requests of a load that reaches the forecast: the overview, the series and then the live
// source's only when the agency's answer was read.
std::vector<std::string> Then(std::vector<std::string> before, const std::string& forecast,
                              bool loaded, const std::string& point) {
    before.push_back(forecast);
    if (loaded) {
        before.push_back(kOverviewUrl);
        before.push_back(kSeriesUrl);
        before.push_back(point);
    }
    return before;
}

} // namespace

TEST_F(JmaLoad, ResolvesThePlaceThenReadsTheOfficesForecast) {
    const TForecastOutcome outcome = LoadForecast(client, Request());
    TForecastOutcome expected = Expected(RealAnswer(), kChiyoda, live);
    expected.FoundJmaPlace = kChiyoda;
    ExpectSameOutcome(outcome, expected);
    EXPECT_EQ(client.Requested, Then(constants, kForecastUrl, expected.Loaded, pointUrl));
    EXPECT_EQ(SentWith(client, kForecastUrl), std::vector<THttpValidators>{THttpValidators{}});
    EXPECT_TRUE(std::filesystem::exists(dir.File("cache/jma/area.json")));
}

TEST_F(JmaLoad, AKnownPlaceAsksForTheForecastAndA304ReusesTheKeptCopy) {
    client.Validators[kForecastUrl] = kServed;
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    const TForecastOutcome first = LoadForecast(client, request);
    const TForecastOutcome expected = Expected(RealAnswer(), kChiyoda, live);
    ExpectSameOutcome(first, expected);
    EXPECT_EQ(client.Requested, Then({}, kForecastUrl, expected.Loaded, pointUrl));
    EXPECT_FALSE(std::filesystem::exists(dir.File("cache/jma/area.json")));
    // The answer is kept with where it came from and its validators.
    EXPECT_EQ(Stored(), kForecastUrl + "\n" + kServed.ETag + "\n" + kServed.LastModified + "\n" +
                            RealAnswer());

    // The next load brings the validators; "not modified" serves the kept copy, not whatever
    // else the server would send.
    client.Pages[kForecastUrl] = "{}";
    client.Requested.clear();
    const TForecastOutcome second = LoadForecast(client, request);
    ExpectSameOutcome(second, expected);
    EXPECT_EQ(SentWith(client, kForecastUrl), (std::vector<THttpValidators>{{}, kServed}));
    EXPECT_EQ(client.Requested, Then({}, kForecastUrl, expected.Loaded, pointUrl));
    EXPECT_EQ(Stored(), kForecastUrl + "\n" + kServed.ETag + "\n" + kServed.LastModified + "\n" +
                            RealAnswer());

    // An answer the mapping refuses (a portal's page) is not kept, or a 304 would bring it back
    // at every later refresh.
    client.Validators[kForecastUrl] = {"\"portal\"", "Fri, 01 Jan 2100 00:00:00 GMT"};
    ExpectSameOutcome(LoadForecast(client, request), Expected("{}", kChiyoda, live));
    EXPECT_EQ(SentWith(client, kForecastUrl).back(), kServed);
    EXPECT_EQ(Stored(), kForecastUrl + "\n" + kServed.ETag + "\n" + kServed.LastModified + "\n" +
                            RealAnswer());

    // A new answer replaces the copy; one without validators leaves the last one (it cannot be
    // asked for conditionally).
    const THttpValidators changed{"\"5f2a-61ca\"", ""};
    client.Validators[kForecastUrl] = changed;
    client.Pages[kForecastUrl] = RealAnswer();
    ExpectSameOutcome(LoadForecast(client, request), expected);
    EXPECT_EQ(Stored(), kForecastUrl + "\n" + changed.ETag + "\n\n" + RealAnswer());
    client.Validators.erase(kForecastUrl);
    LoadForecast(client, request);
    EXPECT_EQ(SentWith(client, kForecastUrl).back(), changed);
    EXPECT_EQ(Stored(), kForecastUrl + "\n" + changed.ETag + "\n\n" + RealAnswer());
}

TEST_F(JmaLoad, AKeptCopyThatCannotBeUsedIsDroppedAndTheAnswerAskedForWhole) {
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    const TForecastOutcome expected = Expected(RealAnswer(), kChiyoda, live);
    struct Case {
        const char* what;
        std::string keptBody;
    };
    const Case cases[] = {{"empty", ""},
                          {"cut in half", RealAnswer().substr(0, RealAnswer().size() / 2)},
                          {"not UTF-8", "[{\"\xff\xfe\"}]"},
                          {"deep", std::string(100000, '[')},
                          {"a portal page", "<html>login</html>"}};
    for (const Case& c : cases) {
        // Kept before the mapping was asked (as an older program did), and vouched for by 304.
        dir.Write("cache/jma/forecast/130000.answer", kForecastUrl + "\n" + kServed.ETag + "\n" +
                                                          kServed.LastModified + "\n" + c.keptBody);
        client.Validators[kForecastUrl] = kServed;
        client.SentValidators.clear();
        client.ConditionalUrls.clear();
        ExpectSameOutcome(LoadForecast(client, request), expected);
        EXPECT_EQ(SentWith(client, kForecastUrl), (std::vector<THttpValidators>{kServed, {}}))
            << c.what;
        EXPECT_EQ(Stored(), kForecastUrl + "\n" + kServed.ETag + "\n" + kServed.LastModified +
                                "\n" + RealAnswer())
            << c.what;
    }
}

TEST_F(JmaLoad, ADateNotYetReachedIsNotSentBack) {
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    struct Case {
        THttpValidators kept;
        THttpValidators sent;
    };
    const Case cases[] = {
        {{"", "Fri, 01 Jan 2100 00:00:00 GMT"}, {}},
        {{"\"e1\"", "Fri, 01 Jan 2100 00:00:00 GMT"}, {"\"e1\"", ""}},
        {{"", "not a date"}, {}},
        {{"", "Wed, 11 Mar 2026 20:00:00 GMT"}, {"", "Wed, 11 Mar 2026 20:00:00 GMT"}},
    };
    platform::FixClock({2026, 3, 13, 6, 15, 0}); // after the kept date, in any zone
    for (const Case& c : cases) {
        dir.Write("cache/jma/forecast/130000.answer", kForecastUrl + "\n" + c.kept.ETag + "\n" +
                                                          c.kept.LastModified + "\n" +
                                                          RealAnswer());
        LoadForecast(client, request);
        EXPECT_EQ(SentWith(client, kForecastUrl).back(), c.sent) << c.kept.LastModified;
    }
}

TEST_F(JmaLoad, AKeptCopyServesOnlyItsOwnAddress) {
    client.Validators[kForecastUrl] = kServed;
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    LoadForecast(client, request);
    // Another prefix (the sample service instead of the agency): asked for whole.
    const std::string other = "http://127.0.0.1:8/bosai/";
    client.Pages[other + "forecast/data/forecast/130000.json"] = RealAnswer();
    request.JmaPrefix = other;
    LoadForecast(client, request);
    EXPECT_EQ(SentWith(client, other + "forecast/data/forecast/130000.json").back(),
              THttpValidators{});
    // A damaged copy is no copy.
    request.JmaPrefix = kJma;
    for (const std::string& damaged :
         {std::string("garbage"), kForecastUrl + "\n\n\n" + RealAnswer(), kForecastUrl}) {
        dir.Write("cache/jma/forecast/130000.answer", damaged);
        LoadForecast(client, request);
        EXPECT_EQ(SentWith(client, kForecastUrl).back(), THttpValidators{})
            << damaged.substr(0, 60);
    }
    // Without a cache folder nothing is kept.
    request.CacheFolder.clear();
    std::filesystem::remove_all(dir.File("cache"));
    LoadForecast(client, request);
    LoadForecast(client, request);
    EXPECT_EQ(SentWith(client, kForecastUrl).back(), THttpValidators{});
    EXPECT_FALSE(std::filesystem::exists(dir.File("cache")));
}

TEST_F(JmaLoad, FailuresLeaveACleanRecord) {
    struct Case {
        const char* name;
        std::vector<std::string> missing; // pages the server does not have
        std::map<std::string, std::string> replaced;
        bool resolved;
        std::size_t requests;
    };
    const Case cases[] = {
        {"constants unreachable", {constants[0]}, {}, false, 1},
        {"amedastable unreachable", {constants[2]}, {}, false, 3},
        {"forecast unreachable", {kForecastUrl}, {}, true, 4},
        {"forecast not the agency's answer", {}, {{kForecastUrl, "<html>"}}, true, 4},
        {"forecast without the place's class10",
         {},
         {{kForecastUrl, ReadAll(TestData("jma/forecast-230000-2022-08-02T11.json"))}},
         true,
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        std::filesystem::remove_all(dir.File("cache"));
        for (const std::string& url : c.missing)
            client.Pages.erase(url);
        for (const auto& [url, page] : c.replaced)
            client.Pages[url] = page;
        client.Requested.clear();
        const TForecastOutcome outcome = LoadForecast(client, Request());
        TForecastOutcome expected;
        if (c.resolved)
            expected.FoundJmaPlace = kChiyoda;
        ExpectSameOutcome(outcome, expected);
        EXPECT_EQ(client.Requested.size(), c.requests);
    }
}

TEST_F(JmaLoad, ThePointSlotsComeOnlyFromTheLiveSourcesSameDay) {
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    struct Case {
        const char* name;
        std::optional<std::string> page; // nothing: the live source cannot be reached
        std::optional<TCoordinates> at;
        std::string prefix;
    };
    const Case cases[] = {
        {"live source unreachable", std::nullopt, kChiyoda.Coordinates, kOpenMeteo},
        {"live source's error object",
         R"({"error":true,"reason":"Latitude must be in range of -90 to 90°."})",
         kChiyoda.Coordinates, kOpenMeteo},
        {"live source's answer of another day", OpenMeteoAnswer(*kChiyoda.Coordinates, 11),
         kChiyoda.Coordinates, kOpenMeteo},
        {"station without coordinates", live, std::nullopt, kOpenMeteo},
        {"no live source prefix", live, kChiyoda.Coordinates, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpClient fresh;
        fresh.Pages[kForecastUrl] = RealAnswer();
        if (c.page)
            fresh.Pages[pointUrl] = *c.page;
        request.JmaPlace->Coordinates = c.at;
        request.ForecastPrefix = c.prefix;
        const TForecastOutcome outcome = LoadForecast(fresh, request);
        // The day and the week stand; the point slots stay empty.
        ExpectSameOutcome(outcome, Expected(RealAnswer(), *request.JmaPlace, ""));
        ASSERT_TRUE(outcome.Loaded);
        std::vector<std::string> asked = {kForecastUrl, kOverviewUrl, kSeriesUrl};
        if (c.at && !c.prefix.empty())
            asked.push_back(pointUrl);
        EXPECT_EQ(fresh.Requested, asked);
    }
}

namespace {

// The real series of the 05 o'clock report of 2026-10-04, moved to the day of the real forecast
// answer of the 05 o'clock report of 2026-03-12, as the agency serves both of one report.
std::string RealSeriesOf0312() {
    std::string series = ReadAll(TestData("jma/series/VPFD-130010-2026-10-04T05.json"));
    const std::pair<std::string, std::string> days[] = {
        {"2026-10-04", "2026-03-12"}, {"2026-10-05", "2026-03-13"}, {"2026-10-06", "2026-03-14"}};
    for (const auto& [from, to] : days)
        for (std::size_t at = series.find(from); at != std::string::npos; at = series.find(from))
            series.replace(at, from.size(), to);
    return series;
}

// The point slots of that series read on `today`: slot 8d + k (d = 0 today) is filled from the
// series' slots of `first` + d; "-" is a slot it does not cover.
void PutSeriesSlots(TWeatherData& w, TDateTime today) {
    const TDateTime reportDay = EncodeDate(2026, 3, 12);
    const std::array<const char*, 16> words = {"-",  "-",  "晴", "曇", "晴", "曇", "曇", "曇",
                                               "曇", "曇", "曇", "曇", "曇", "曇", "曇", "曇"};
    const std::array<std::int32_t, 16> temps = {N_, N_, 21, 23, 23, 20, 19, 18,
                                                18, 19, 22, 21, 21, 19, 19, 19};
    for (int s = 0; s < 16; ++s) {
        const int from = s + 8 * static_cast<int>(today - reportDay);
        if (from >= 16 || std::string(words[from]) == "-")
            continue;
        w.PointDate[s] = today + s / 8;
        w.PointHour[s] = 3 * (s % 8) + 3;
        w.PointWeather[s] = words[from];
        w.PointTemp[s] = temps[from];
    }
}

} // namespace

// At every hour the agency's own series fills the point slots, matched by time to the clock's
// today; the live source is not asked. The series is kept like the forecast.
TEST_F(JmaLoad, TheAgencysSeriesFillsThePointSlotsAtEveryHour) {
    client.Pages[kSeriesUrl] = RealSeriesOf0312();
    client.Validators[kSeriesUrl] = kServed;
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    const platform::LocalDateTime times[] = {{2026, 3, 12, 5, 30, 0},
                                             {2026, 3, 12, 11, 30, 0},
                                             {2026, 3, 12, 17, 30, 0},
                                             {2026, 3, 13, 0, 30, 0},
                                             {2026, 3, 14, 5, 30, 0}};
    for (const platform::LocalDateTime& now : times) {
        SCOPED_TRACE(std::to_string(now.Day) + " " + std::to_string(now.Hour));
        platform::FixClock(now);
        client.Requested.clear();
        const TForecastOutcome outcome = LoadForecast(client, request);
        TForecastOutcome expected;
        const TDateTime today = EncodeDate(now.Year, now.Month, now.Day);
        expected.Loaded =
            FillFromJma(expected.Record, RealAnswer(), kChiyoda, "千代田区", ClockMoment(now));
        ASSERT_TRUE(expected.Loaded);
        PutSeriesSlots(expected.Record, today);
        ExpectSameOutcome(outcome, expected);
        EXPECT_EQ(client.Requested,
                  (std::vector<std::string>{kForecastUrl, kOverviewUrl, kSeriesUrl}));
    }
    EXPECT_EQ(SentWith(client, kSeriesUrl).back(), kServed);
    EXPECT_EQ(ReadAll(dir.File("cache/jma/series/130010.answer")),
              kSeriesUrl + "\n" + kServed.ETag + "\n" + kServed.LastModified + "\n" +
                  RealSeriesOf0312());
}

namespace {

// The real series relabelled as the one of the 11th's 05 o'clock report: it tells the 12th's
// periods up to 24 o'clock, the one under way at 05:30 (03-06) among them.
std::string RealSeriesOf0311() {
    std::string series = ReadAll(TestData("jma/series/VPFD-130010-2026-10-04T05.json"));
    const std::pair<std::string, std::string> days[] = {
        {"2026-10-04", "2026-03-11"}, {"2026-10-05", "2026-03-12"}, {"2026-10-06", "2026-03-13"}};
    for (const auto& [from, to] : days)
        for (std::size_t at = series.find(from); at != std::string::npos; at = series.find(from))
            series.replace(at, from.size(), to);
    return series;
}

// Each slot of the demo skin's row drawn whole (hour, temperature and probability) or not at
// all; the hour of its first whole slot, "" for none.
std::string FirstWholeSlot(const TWeatherData& w) {
    TSkin skin;
    skin.Load(TestData("skin/demo/demo.ini"));
    std::map<std::string, std::string> texts;
    for (const TSkin::TLabelItem& label : skin.Labels(w))
        texts[label.Section] = label.Text;
    std::string first;
    for (int s = 0; s < 7; ++s) {
        const std::string n = std::to_string(s);
        const bool shown = !texts["PointTimeLabel" + n].empty();
        EXPECT_EQ(!texts["PointTempLabel" + n].empty(), shown) << s;
        EXPECT_EQ(!texts["PointProbLabel" + n].empty(), shown) << s;
        if (shown && first.empty())
            first = texts["PointTimeLabel" + n];
    }
    return first;
}

} // namespace

// The real answers at the report hours: the row begins with a whole slot, the period under way
// where a series still tells it (the kept earlier one at 05:30), else the new series' first.
// Two days late no slot can be told, and the row says so rather than showing probabilities alone.
TEST_F(JmaLoad, TheRowBeginsWithAWholeSlotAtEveryReportHourAndTwoDaysLate) {
    client.Pages[kSeriesUrl] = RealSeriesOf0312();
    client.Validators[kSeriesUrl] = kServed;
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    struct Case {
        platform::LocalDateTime now;
        bool earlierKept; // the 11th's series was kept before the 12th's came
        const char* first;
        const char* none;
    };
    const Case cases[] = {
        {{2026, 3, 12, 5, 30, 0}, false, "9時", ""},
        {{2026, 3, 12, 5, 30, 0}, true, "6時", ""},
        {{2026, 3, 12, 11, 30, 0}, false, "12時", ""},
        {{2026, 3, 12, 17, 30, 0}, false, "18時", ""},
        {{2026, 3, 14, 5, 30, 0}, false, "", "3時間ごとの予報: 取得できず"},
        {{2026, 3, 14, 17, 30, 0}, false, "", "3時間ごとの予報: 取得できず"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.now.Day) + " " + std::to_string(c.now.Hour) +
                     (c.earlierKept ? " with the earlier series" : ""));
        std::filesystem::remove_all(dir.File("cache"));
        if (c.earlierKept) {
            ASSERT_FALSE(
                platform::TCache(request.CacheFolder)
                    .Write("jma/series/130010.answer",
                           FormatKeptAnswer({kSeriesUrl, {"\"older\"", ""}, RealSeriesOf0311()})));
        }
        platform::FixClock(c.now);
        const TForecastOutcome outcome = LoadForecast(client, request);
        ASSERT_TRUE(outcome.Loaded);
        EXPECT_EQ(outcome.Record.PointSource, "");
        EXPECT_EQ(FirstWholeSlot(outcome.Record), c.first);
        TSkin skin;
        skin.Load(TestData("skin/demo/demo.ini"));
        std::string none;
        for (const TSkin::TLabelItem& label : skin.Labels(outcome.Record))
            if (label.Section == "PointNoneLabel")
                none += label.Text;
        EXPECT_EQ(none, c.none);
        if (c.earlierKept) {
            // The period under way from the 11th's series, its temperature at 06:00 from the
            // 12th's; the 11th's series is kept as the earlier one, and serves after a 304 too.
            EXPECT_EQ(outcome.Record.PointWeather[1], "曇");
            EXPECT_EQ(outcome.Record.PointTemp[1], 17);
            EXPECT_EQ(ReadAll(dir.File("cache/jma/series/130010.earlier.json")),
                      RealSeriesOf0311());
            const TForecastOutcome again = LoadForecast(client, request);
            EXPECT_RECORD_EQ(again.Record, outcome.Record);
        }
    }
}

// Yesterday evening's answers, kept, read again the next morning without the network: today is
// their 明日, the week follows, the bands and periods that have passed are gone, and the record
// tells its report time, which makes it old.
TEST_F(JmaLoad, KeptAnswersReadAgainAtTheNewDaysClock) {
    const std::string evening = ReadAll(TestData("jma/forecast-130000-2022-07-27T17.json"));
    std::string series = ReadAll(TestData("jma/series/VPFD-130010-2026-10-04T05.json"));
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"2026-10-04", "2022-07-27"},
          {"2026-10-05", "2022-07-28"},
          {"2026-10-06", "2022-07-29"},
          {"T05:00:00+09:00\",\"infoType", "T17:00:00+09:00\",\"infoType"}})
        for (std::size_t at = series.find(from); at != std::string::npos; at = series.find(from))
            series.replace(at, from.size(), to);
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    const platform::TCache cache(request.CacheFolder);
    // Nothing kept yet: nothing to show.
    const TDateTime morning = ClockMoment({2022, 7, 28, 7, 30, 0});
    EXPECT_FALSE(ReadKeptJma(request, morning).Loaded);
    ASSERT_FALSE(cache.Write("jma/forecast/130000.answer",
                             FormatKeptAnswer({kForecastUrl, kServed, evening})));
    ASSERT_FALSE(
        cache.Write("jma/series/130010.answer", FormatKeptAnswer({kSeriesUrl, kServed, series})));

    const TForecastOutcome kept = ReadKeptJma(request, morning);
    ASSERT_TRUE(kept.Loaded);
    TWeatherData expected;
    ASSERT_TRUE(FillFromJma(expected, evening, kChiyoda, "千代田区", morning));
    ASSERT_TRUE(FillFromJmaSeries(expected, series, "130010", morning));
    EXPECT_RECORD_EQ(kept.Record, expected);
    EXPECT_EQ(kept.Record.DayDate[0], EncodeDate(2022, 7, 28));
    EXPECT_EQ(kept.Record.DayWeather[0], "曇のち一時雨"); // the evening's 明日
    EXPECT_EQ(kept.Record.TodayName, "");
    EXPECT_EQ(kept.Record.DayProb[0], N_); // 00-06 has passed
    EXPECT_EQ(kept.Record.DayProb[1], 20);
    EXPECT_EQ(kept.Record.WeekWeather[0], "曇時々晴");
    EXPECT_EQ(kept.Record.ReportTime, "2022-07-27T17:00");
    EXPECT_EQ(FirstShownPointSlot(kept.Record, 7), 2);
    EXPECT_TRUE(IsOldForecast(kept.Record, morning));
    EXPECT_EQ(ReportAgeText(kept.Record, morning), "7月27日 17時 発表 (1日前)");
    // Days on, its week still tells the day; beyond the week, nothing.
    EXPECT_TRUE(ReadKeptJma(request, morning + 3).Loaded);
    EXPECT_FALSE(ReadKeptJma(request, morning + 10).Loaded);
    // Without the resolved place nothing is read.
    request.JmaPlace.reset();
    EXPECT_FALSE(ReadKeptJma(request, morning).Loaded);
}

// Only a series that cannot be had (none for the class10, an error page, an answer that is no
// series of the class10) leaves the slots to the live source, and the record says so.
TEST_F(JmaLoad, ASeriesThatCannotBeHadLeavesTheSlotsToTheLiveSource) {
    TForecastRequest request = Request();
    request.JmaPlace = kChiyoda;
    json otherArea = json::parse(RealSeriesOf0312());
    otherArea["firstAreaCode"] = "130020";
    const std::optional<std::string> cases[] = {
        std::nullopt, "<html>404</html>", "", otherArea.dump(), RealSeriesOf0312().substr(0, 900)};
    const TForecastOutcome expected = Expected(RealAnswer(), kChiyoda, live);
    ASSERT_EQ(expected.Record.PointSource, "Open-Meteo");
    for (const auto& series : cases) {
        SCOPED_TRACE(series ? series->substr(0, 40) : "404");
        if (series)
            client.Pages[kSeriesUrl] = *series;
        else
            client.Pages.erase(kSeriesUrl);
        client.Requested.clear();
        ExpectSameOutcome(LoadForecast(client, request), expected);
        EXPECT_EQ(client.Requested, Then({}, kForecastUrl, true, pointUrl));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("cache/jma/series/130010.answer")));
}

TEST_F(JmaLoad, APlaceTheConstantsDoNotKnowSaysWhich) {
    struct Case {
        const char* prefecture;
        const char* municipality;
        std::size_t requests;
    };
    const Case cases[] = {
        {"東京都", "存在しない市", 3}, {"東京", "千代田区", 0}, {"東京都", "", 0}};
    for (const Case& c : cases) {
        FakeHttpClient fresh = client;
        fresh.Requested.clear();
        TForecastRequest request = Request();
        request.Prefecture = c.prefecture;
        request.Municipality = c.municipality;
        try {
            LoadForecast(fresh, request);
            ADD_FAILURE() << "no ELocationNotFound for " << c.prefecture << c.municipality;
        } catch (const ELocationNotFound& e) {
            EXPECT_EQ(std::string(e.what()), std::string(c.municipality) + "が見つかりません");
        }
        EXPECT_EQ(fresh.Requested.size(), c.requests) << c.prefecture << c.municipality;
    }
}

TEST_F(JmaLoad, APlaceFromTheSettingsThatNamesNoOfficeIsResolvedAgain) {
    for (const char* office : {"", "13000", "../../x", "1300000", "13000a"}) {
        TForecastRequest request = Request();
        request.JmaPlace = kChiyoda;
        request.JmaPlace->Office = office;
        client.Requested.clear();
        const TForecastOutcome outcome = LoadForecast(client, request);
        EXPECT_EQ(outcome.FoundJmaPlace, kChiyoda) << office;
        EXPECT_NE(std::find(client.Requested.begin(), client.Requested.end(), kForecastUrl),
                  client.Requested.end())
            << office;
    }
    std::set<std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(dir.Path()))
        files.insert(item.path().string().substr(dir.Path().size()));
    EXPECT_EQ(files.count("/x"), 0u);
}

// The real client against a server on 127.0.0.1 that answers as the agency's site does, with
// the live source's stand-in beside it.
namespace {

class JmaOverHttp : public ::testing::Test {
protected:
    void SetUp() override {
        server.Get("/bosai/common/const/area.json",
                   [](const httplib::Request&, httplib::Response& res) {
                       res.set_content(std::string(SampleAreaJson()), "application/json");
                   });
        server.Get("/bosai/forecast/const/forecast_area.json",
                   [](const httplib::Request&, httplib::Response& res) {
                       res.set_content(std::string(SampleForecastAreaJson()), "application/json");
                   });
        server.Get("/bosai/amedas/const/amedastable.json",
                   [this](const httplib::Request&, httplib::Response& res) {
                       res.set_content(site.AmedasTable(), "application/json");
                   });
        server.Get(R"(/bosai/forecast/data/forecast/(\d+)\.json)",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       std::lock_guard lock(mutex);
                       offices.push_back(req.matches[1].str());
                       sentTags.push_back(req.get_header_value("If-None-Match"));
                       res.set_header("ETag", "\"" + std::to_string(answer.size()) + "\"");
                       res.set_header("Last-Modified", "Thu, 12 Mar 2026 20:00:00 GMT");
                       if (req.get_header_value("If-None-Match") ==
                           "\"" + std::to_string(answer.size()) + "\"") {
                           res.status = 304;
                           return;
                       }
                       res.set_content(answer, "application/json");
                   });
        server.Get("/om/v1/forecast", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            const TSampleApi api({}, day.Year, day.Month, day.Day);
            const auto a = api.Forecast(TSampleApi::Params(req.params.begin(), req.params.end()));
            res.status = a.Status;
            res.set_content(a.Body, "application/json");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        base = "http://127.0.0.1:" + std::to_string(port) + "/";
    }
    void TearDown() override {
        server.stop();
        thread.join();
        platform::ReleaseClock();
    }

    const TSampleJmaSite site{2026, 3, 12};
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::string base;
    std::mutex mutex;
    std::string answer;                                // the forecast served for any office
    platform::LocalDateTime day{2026, 3, 12, 0, 0, 0}; // the live source's today
    std::vector<std::string> offices;                  // asked for, in order
    std::vector<std::string> sentTags;                 // If-None-Match of each
};

} // namespace

TEST_F(JmaOverHttp, A304ThroughTheRealClientReusesTheKeptAnswer) {
    platform::FixClock(kNow);
    answer = RealAnswer();
    TempDir dir;
    TForecastRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = base + "bosai/";
    request.ForecastPrefix = base + "om/";
    request.Prefecture = "東京都";
    request.Municipality = "千代田区";
    request.CacheFolder = dir.Path();
    TCurlHttpClient client;
    const TForecastOutcome first = LoadForecast(client, request);
    ASSERT_TRUE(first.FoundJmaPlace);
    EXPECT_EQ(first.FoundJmaPlace->Class10, "130010");
    request.JmaPlace = first.FoundJmaPlace;
    const TForecastOutcome second = LoadForecast(client, request);
    EXPECT_EQ(second.Loaded, first.Loaded);
    EXPECT_RECORD_EQ(second.Record, first.Record);
    EXPECT_EQ(offices, (std::vector<std::string>{"130000", "130000"}));
    const std::string tag = "\"" + std::to_string(answer.size()) + "\"";
    EXPECT_EQ(sentTags, (std::vector<std::string>{"", tag}));
    EXPECT_EQ(ReadAll(dir.File("jma/forecast/130000.answer")),
              request.JmaPrefix + "forecast/data/forecast/130000.json\n" + tag +
                  "\nThu, 12 Mar 2026 20:00:00 GMT\n" + answer);
    // What the second load read is the kept answer: the same as reading it anew.
    TWeatherData expected;
    const platform::LocalDateTime now = platform::LocalNow();
    const bool loaded = FillFromJma(expected, answer, *request.JmaPlace, "千代田区",
                                    EncodeDate(now.Year, now.Month, now.Day));
    if (loaded) {
        expected.PointDate = first.Record.PointDate;
        expected.PointHour = first.Record.PointHour;
        expected.PointWeather = first.Record.PointWeather;
        expected.PointTemp = first.Record.PointTemp;
        expected.PointSource = first.Record.PointSource;
    } else {
        expected.Clear();
    }
    EXPECT_EQ(second.Loaded, loaded);
    EXPECT_RECORD_EQ(second.Record, expected);
}

TEST_F(JmaOverHttp, ForecastDumpPrintsEachRealAnswerAtItsReportTime) {
    struct Case {
        const char* file;
        const char* prefecture;
        const char* municipality;
        platform::LocalDateTime now;
    };
    const Case cases[] = {
        {"forecast-130000-2021-07-24T11.json", "東京都", "千代田区", {2021, 7, 24, 11, 30, 0}},
        {"forecast-130000-2022-07-27T17.json", "東京都", "千代田区", {2022, 7, 27, 17, 30, 0}},
        {"forecast-130000-2026-03-12T05.json", "東京都", "千代田区", {2026, 3, 12, 5, 30, 0}},
        {"forecast-230000-2022-08-02T11.json", "愛知県", "名古屋市", {2022, 8, 2, 11, 30, 0}},
    };
    TJmaConstants constants;
    ASSERT_TRUE(ReadJmaAreas(SampleAreaJson(), constants));
    ASSERT_TRUE(ReadJmaForecastAreas(SampleForecastAreaJson(), constants));
    ASSERT_TRUE(ReadAmedasTable(site.AmedasTable(), constants));
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        {
            std::lock_guard lock(mutex);
            answer = ReadAll(TestData(std::string("jma/") + c.file));
            day = c.now;
        }
        char now[32];
        std::snprintf(now, sizeof now, "%04d-%02d-%02dT%02d:%02d:%02d", c.now.Year, c.now.Month,
                      c.now.Day, c.now.Hour, c.now.Minute, c.now.Second);
        FILE* pipe = popen((std::string(PELUMI_BIN_DIR) + "/forecast-dump jma " + base + "bosai/ " +
                            base + "om/ " + c.prefecture + " " + c.municipality + " --now " + now +
                            " --cache " + dir.Path() + " 2>/dev/null")
                               .c_str(),
                           "r");
        ASSERT_TRUE(pipe);
        std::string printed;
        char buf[4096];
        std::size_t n = 0;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            printed.append(buf, n);
        const int status = pclose(pipe);

        // The record the agency's reading and the live source's slots make of these answers,
        // by Japan's clock as forecast-dump reads them.
        platform::SetClockZone(platform::ClockZone::Japan);
        platform::FixClock(c.now);
        const TJmaPlace place = ResolveJmaPlace(constants, c.prefecture, c.municipality).Place;
        TWeatherData record;
        bool loaded = FillFromJma(record, answer, place, c.municipality,
                                  EncodeDate(c.now.Year, c.now.Month, c.now.Day));
        if (!loaded) {
            record.Clear();
        } else {
            const TSampleApi api({}, c.now.Year, c.now.Month, c.now.Day);
            TWeatherData point;
            ASSERT_TRUE(FillFromOpenMeteo(
                point,
                api.Forecast(QueryOf(OpenMeteoForecastUrl(base + "om/", *place.Coordinates))).Body,
                c.municipality, c.now));
            ASSERT_EQ(point.DayDate[0], record.DayDate[0]);
            record.PointDate = point.PointDate;
            record.PointHour = point.PointHour;
            record.PointWeather = point.PointWeather;
            record.PointTemp = point.PointTemp;
            record.PointSource = "Open-Meteo";
        }
        platform::ReleaseClock();
        platform::SetClockZone(platform::ClockZone::Computer);
        EXPECT_EQ(WEXITSTATUS(status), loaded ? 0 : 1);
        record.RainStep = kJmaRainStep; // the stand-in has no nowcast: its rain is unknown
        EXPECT_EQ(printed, WriteRecordJson(record, loaded));
    }
}

// forecast-dump against a stand-in that serves the agency's series beside its forecast: the
// series' weather and temperatures in their slots by time, at each hour and a day later.
TEST_F(JmaOverHttp, ForecastDumpGivesTheSeriesInItsSlots) {
    server.Get("/bosai/jmatile/data/wdist/VPFD/130010.json",
               [](const httplib::Request&, httplib::Response& res) {
                   res.set_content(RealSeriesOf0312(), "application/json");
               });
    answer = RealAnswer();
    TJmaConstants constants;
    ASSERT_TRUE(ReadJmaAreas(SampleAreaJson(), constants));
    ASSERT_TRUE(ReadJmaForecastAreas(SampleForecastAreaJson(), constants));
    ASSERT_TRUE(ReadAmedasTable(site.AmedasTable(), constants));
    const TJmaPlace place = ResolveJmaPlace(constants, "東京都", "千代田区").Place;
    TempDir dir;
    for (const char* now : {"2026-03-12T05:30:00", "2026-03-12T11:30:00", "2026-03-12T17:30:00",
                            "2026-03-13T00:30:00"}) {
        SCOPED_TRACE(now);
        FILE* pipe =
            popen((std::string(PELUMI_BIN_DIR) + "/forecast-dump jma " + base + "bosai/ " + base +
                   "om/ 東京都 千代田区 --now " + now + " --cache " + dir.Path() + " 2>/dev/null")
                      .c_str(),
                  "r");
        ASSERT_TRUE(pipe);
        std::string printed;
        char buf[4096];
        std::size_t n = 0;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            printed.append(buf, n);
        EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 0);
        const auto clock = platform::ParseLocalDateTime(now);
        const TDateTime today = EncodeDate(clock->Year, clock->Month, clock->Day);
        TWeatherData record;
        ASSERT_TRUE(FillFromJma(record, answer, place, "千代田区", ClockMoment(*clock)));
        PutSeriesSlots(record, today);
        record.RainStep = kJmaRainStep; // the stand-in has no nowcast: its rain is unknown
        EXPECT_EQ(printed, WriteRecordJson(record, true));
    }
}
