// The sample service's stand-in for the agency's site: its constants, the places of the shipped
// list resolved through them over loopback, its forecasts with validators, and forecast-dump jma
// against it.
#include "support/SampleService.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "weather/CurlHttpClient.h"
#include "weather/LocationList.h"
#include "weather/jma/JmaAreas.h"
#include "weather/jma/JmaPlace.h"
#include "weather/openmeteo/OpenMeteo.h"

#include "SampleApi.h"
#include "SampleJma.h"
#include "SampleJmaSite.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace {

// Exit status and standard output of a shell command.
std::pair<int, std::string> RunShell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, out};
    char buf[4096];
    std::size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Tool() {
    return std::string(PELUMI_BIN_DIR) + "/forecast-dump jma ";
}

} // namespace

TEST(SampleJmaSite, ServesTheRealConstantsAndAStationTableForThem) {
    EXPECT_EQ(SampleAreaJson(), ReadAll(TestData("jma/area.json")));
    EXPECT_EQ(SampleForecastAreaJson(), ReadAll(TestData("jma/forecast_area.json")));

    // Every station of forecast_area.json, in the real table's form and key order, near the
    // seat of its office's prefecture.
    const TSampleJmaSite site(2026, 12, 9);
    const auto table = nlohmann::ordered_json::parse(site.AmedasTable());
    const auto forecastArea = nlohmann::json::parse(SampleForecastAreaJson());
    std::set<std::string> stations;
    for (const auto& [office, areas] : forecastArea.items())
        for (const auto& area : areas)
            for (const auto& code : area["amedas"]) {
                stations.insert(code.get<std::string>());
                const auto& entry = table.at(code.get<std::string>());
                std::vector<std::string> keys;
                for (const auto& [key, value] : entry.items())
                    keys.push_back(key);
                EXPECT_EQ(keys, (std::vector<std::string>{"type", "elems", "lat", "lon", "alt",
                                                          "kjName", "knName", "enName"}));
                const auto centre = SamplePrefectureCentre(JmaPrefectureName(office.substr(0, 2)));
                ASSERT_TRUE(centre) << office;
                const double lat =
                    entry["lat"][0].get<double>() + entry["lat"][1].get<double>() / 60;
                const double lon =
                    entry["lon"][0].get<double>() + entry["lon"][1].get<double>() / 60;
                EXPECT_LE(std::fabs(lat - centre->Latitude), 0.26) << code;
                EXPECT_LE(std::fabs(lon - centre->Longitude), 0.26) << code;
                EXPECT_LT(entry["lat"][1].get<double>(), 60.0) << code;
            }
    EXPECT_EQ(table.size(), stations.size());
    EXPECT_EQ(stations.size(), 173u);
    // The table reads as the agency's does.
    TJmaConstants constants;
    ASSERT_TRUE(ReadAmedasTable(site.AmedasTable(), constants));
    EXPECT_EQ(constants.Stations.size(), stations.size());
}

TEST(SampleJmaSite, TellsWhenAPageIsNotModified) {
    const TSampleJmaSite::Page page{"{}", "application/json", "\"0123456789abcdef\"",
                                    "Wed, 09 Dec 2026 02:00:00 GMT"};
    struct Case {
        const char* ifNoneMatch;
        const char* ifModifiedSince;
        bool notModified;
    };
    const Case cases[] = {
        {"\"0123456789abcdef\"", "", true},
        {"W/\"0123456789abcdef\"", "", true},
        {"\"x\", \"0123456789abcdef\"", "", true},
        {"*", "", true},
        {"\"x\"", "Wed, 09 Dec 2026 02:00:00 GMT", false},
        {"", "Wed, 09 Dec 2026 02:00:00 GMT", true},
        {"", "Thu, 10 Dec 2026 00:00:00 GMT", true},
        {"", "Wed, 09 Dec 2026 01:59:59 GMT", false},
        {"", "yesterday", false},
        {"", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TSampleJmaSite::NotModified(page, c.ifNoneMatch, c.ifModifiedSince),
                  c.notModified)
            << c.ifNoneMatch << " | " << c.ifModifiedSince;
}

TEST(SampleJmaSite, ForecastsFollowTheHourAndComeWithValidators) {
    SampleService service({"--today", "2026-12-09", "--hour", "12"});
    const TSampleJma forecasts(SampleAreaJson(), SampleForecastAreaJson(), 2026, 12, 9);
    httplib::Client raw("127.0.0.1", service.Port());
    for (const char* office : {"130000", "014100", "460100"}) {
        const std::string expected = forecasts.Forecast(office, 12);
        const auto res = raw.Get(std::string("/bosai/forecast/data/forecast/") + office + ".json");
        ASSERT_TRUE(res);
        if (expected.empty()) {
            // Offices the forecasts leave out are not there.
            EXPECT_EQ(res->status, 404) << office;
            continue;
        }
        EXPECT_EQ(res->status, 200) << office;
        EXPECT_EQ(res->body, expected) << office;
        const std::string etag = res->get_header_value("ETag");
        EXPECT_FALSE(etag.empty());
        const auto again = raw.Get(std::string("/bosai/forecast/data/forecast/") + office + ".json",
                                   {{"If-None-Match", etag}});
        ASSERT_TRUE(again);
        EXPECT_EQ(again->status, 304);
        EXPECT_EQ(again->body, "");
    }
    // No office, or one the constants do not know.
    for (const char* path : {"/bosai/forecast/data/forecast/999999.json",
                             "/bosai/forecast/data/forecast/.json", "/bosai/", "/bosai/x"}) {
        const auto res = raw.Get(path);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 404) << path;
    }
    // Constants have validators too.
    const auto table = raw.Get("/bosai/amedas/const/amedastable.json");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->body, TSampleJmaSite(2026, 12, 9).AmedasTable());
    const auto since = raw.Get("/bosai/amedas/const/amedastable.json",
                               {{"If-Modified-Since", table->get_header_value("Last-Modified")}});
    ASSERT_TRUE(since);
    EXPECT_EQ(since->status, 304);

    EXPECT_EQ(RunShell(std::string(PELUMI_BIN_DIR) + "/sample-service --hour 24 2>/dev/null").first,
              2);
    EXPECT_EQ(RunShell(std::string(PELUMI_BIN_DIR) + "/sample-service --hour x 2>/dev/null").first,
              2);
}

// The overview of every office, 十勝's own among them, with validators like the forecasts.
TEST(SampleJmaSite, ServesTheOverviewOfEveryOffice) {
    SampleService service({"--today", "2026-12-09", "--hour", "12"});
    const TSampleJma forecasts(SampleAreaJson(), SampleForecastAreaJson(), 2026, 12, 9);
    httplib::Client raw("127.0.0.1", service.Port());
    for (const char* office : {"130000", "014030", "460040", "270000"}) {
        const std::string path =
            std::string("/bosai/forecast/data/overview_forecast/") + office + ".json";
        const auto res = raw.Get(path);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << office;
        EXPECT_EQ(res->body, forecasts.Overview(office, 12)) << office;
        EXPECT_EQ(res->get_header_value("Last-Modified"), "Wed, 09 Dec 2026 01:30:00 GMT");
        const auto again = raw.Get(path, {{"If-None-Match", res->get_header_value("ETag")}});
        ASSERT_TRUE(again);
        EXPECT_EQ(again->status, 304) << office;
    }
    const auto none = raw.Get("/bosai/forecast/data/overview_forecast/999999.json");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 404);
}

TEST(SampleJmaSite, EveryPlaceOfTheShippedListResolvesAgainstWhatItServes) {
    SampleService service({"--today", "2026-12-09"});
    const auto entries = ReadLocationFile(std::string(PELUMI_BIN_DIR) + "/urls.list");
    ASSERT_EQ(entries.size(), 500u);
    // The look-up through the cache once; then every place among the constants it served, read
    // once (the look-up reads them again for every place).
    TempDir cache;
    TCurlHttpClient client;
    const TJmaPlaceResult first =
        LookUpJmaPlace(client, service.JmaPrefix(), cache.Path(), entries[0][1], entries[0][2]);
    EXPECT_EQ(first.Problem, "");
    for (const char* name : {"area.json", "forecast_area.json", "amedastable.json"})
        EXPECT_TRUE(std::filesystem::exists(cache.Path() + "/jma/" + name)) << name;
    TJmaConstants constants;
    ASSERT_TRUE(
        ReadJmaAreas(client.Get(service.JmaPrefix() + std::string(kJmaAreaPath)), constants));
    ASSERT_TRUE(ReadJmaForecastAreas(
        client.Get(service.JmaPrefix() + std::string(kJmaForecastAreaPath)), constants));
    ASSERT_TRUE(ReadAmedasTable(client.Get(service.JmaPrefix() + std::string(kJmaAmedasTablePath)),
                                constants));
    for (const TLocationEntry& e : entries) {
        const TJmaPlaceResult r = ResolveJmaPlace(constants, e[1], e[2]);
        ASSERT_EQ(r.Result, TJmaLookup::Found) << e[1] << e[2];
        if (&e == &entries[0]) {
            EXPECT_EQ(first.Result, TJmaLookup::Found);
            EXPECT_EQ(first.Place, r.Place);
        }
        // The station lies in the place's own prefecture.
        ASSERT_TRUE(r.Place.Coordinates) << e[2];
        const auto centre = SamplePrefectureCentre(e[1]);
        ASSERT_TRUE(centre);
        EXPECT_LE(std::fabs(r.Place.Coordinates->Latitude - centre->Latitude), 0.26) << e[2];
        EXPECT_LE(std::fabs(r.Place.Coordinates->Longitude - centre->Longitude), 0.26) << e[2];
    }
}

TEST(ForecastDumpJma, ResolvesThePlaceKeepsTheConstantsAndPrintsTheRecord) {
    SampleService service({"--today", "2026-12-09", "--hour", "12"});
    TempDir dir;
    const std::string prefixes = service.JmaPrefix() + " " + service.BaseUrl() + " ";
    const std::string cache = " --cache " + dir.File("cache");
    const std::string errors = " 2>" + dir.File("stderr");

    auto [status, json] =
        RunShell(Tool() + prefixes + "北海道 帯広市 --now 2026-12-09T12:30:00" + cache + errors);
    const bool served = !TSampleJma(SampleAreaJson(), SampleForecastAreaJson(), 2026, 12, 9)
                             .Forecast("014100", 12)
                             .empty();
    EXPECT_EQ(status, served ? 0 : 1) << json;
    EXPECT_TRUE(json.starts_with(served ? "{\n  \"ok\": true," : "{\n  \"ok\": false,")) << json;
    const std::string said = ReadAll(dir.File("stderr"));
    EXPECT_NE(said.find("office 014100, class10 014030, class20 0120700, station 20432 at 4"),
              std::string::npos)
        << said;
    for (const char* name : {"area.json", "forecast_area.json", "amedastable.json"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(std::string("cache/jma/") + name))) << name;

    // A place the constants do not know.
    std::tie(status, json) = RunShell(Tool() + prefixes + "北海道 存在しない町" + cache + errors);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(json.starts_with("{\n  \"ok\": false,")) << json;
    EXPECT_NE(ReadAll(dir.File("stderr")).find("存在しない町が見つかりません"), std::string::npos);

    // The same in a list of places: a line saying it was not resolved.
    dir.Write("places", "北海道 存在しない町\n北海道 帯広市\n");
    std::tie(status, json) =
        RunShell(Tool() + service.JmaPrefix() + " " + service.BaseUrl() + " --places " +
                 dir.File("places") + " --now 2026-12-09T12:30:00" + cache + errors);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(json, std::string("1 北海道 存在しない町 - -\n") +
                        (served ? "0 北海道 帯広市 0120700 ok\n" : "1 北海道 帯広市 0120700 -\n"));

    // A cache that cannot be written is told, and the place still found.
    dir.Write("blocked", "a file");
    std::tie(status, json) =
        RunShell(Tool() + prefixes + "北海道 帯広市 --now 2026-12-09T12:30:00 --cache " +
                 dir.File("blocked") + errors);
    EXPECT_EQ(status, served ? 0 : 1);
    EXPECT_NE(ReadAll(dir.File("stderr")).find("キャッシュのフォルダ"), std::string::npos);
    EXPECT_NE(ReadAll(dir.File("stderr")).find("office 014100"), std::string::npos);

    // Nothing to be had: the site is gone and nothing is kept.
    std::tie(status, json) =
        RunShell(Tool() + "http://127.0.0.1:" + std::to_string(FreePort()) + "/bosai/ " +
                 service.BaseUrl() + " 北海道 帯広市 --cache " + dir.File("empty") + errors);
    EXPECT_EQ(status, 1);
    EXPECT_NE(
        ReadAll(dir.File("stderr")).find("気象庁の定数 common/const/area.json を取得できません"),
        std::string::npos);

    // Usage.
    for (const std::string& args :
         {prefixes + "北海道", prefixes + "北海道 帯広市 --cache",
          prefixes + "北海道 帯広市 --cache ''", std::string("a b 北海道 帯広市 x"),
          prefixes + "--places", prefixes + "北海道 帯広市 --places " + dir.File("places"),
          prefixes + "--places " + dir.File("missing")}) {
        EXPECT_EQ(RunShell(Tool() + args + " 2>/dev/null").first, 2) << args;
    }
    EXPECT_EQ(RunShell(std::string(PELUMI_BIN_DIR) + "/forecast-dump openmeteo a b c d --cache x " +
                       "2>/dev/null")
                  .first,
              2);
}

TEST(ForecastDumpJma, EveryMunicipalityOfTheRealAreaTableGivesItsForecast) {
    SampleService service({"--today", "2026-12-09", "--hour", "12"});
    TempDir dir;
    const auto all = ReadJmaMunicipalities(SampleAreaJson());
    ASSERT_EQ(all.size(), 1788u);
    // Every place through the tool's list of places, in one run: the constants fetched once,
    // each place resolved among them and its forecast loaded; a line per place with the status,
    // the class20 resolved and whether the record holds a forecast.
    std::string names;
    for (const TJmaMunicipality& m : all)
        names += m.Prefecture + " " + m.Name + "\n";
    dir.Write("places", names);
    const auto [status, lines] = RunShell(
        Tool() + service.JmaPrefix() + " " + service.BaseUrl() + " --places " + dir.File("places") +
        " --now 2026-12-09T12:30:00 --cache " + dir.File("cache") + " 2>" + dir.File("stderr"));
    EXPECT_EQ(status, 0) << ReadAll(dir.File("stderr"));
    std::istringstream read(lines);
    std::size_t count = 0;
    for (std::string line; std::getline(read, line); ++count) {
        ASSERT_LT(count, all.size());
        const TJmaMunicipality& m = all[count];
        EXPECT_EQ(line, "0 " + m.Prefecture + " " + m.Name + " " + m.Code + " ok");
    }
    EXPECT_EQ(count, all.size());
}

TEST(ForecastDumpJma, KeepsItsCopiesInTheUsersCacheFolderByDefault) {
    SampleService service({"--today", "2026-12-09"});
    TempDir dir;
    const std::string command = Tool() + service.JmaPrefix() + " " + service.BaseUrl() +
                                " 宮城県 仙台市 2>" + dir.File("stderr");
    RunShell("XDG_CACHE_HOME=" + dir.File("xdg") + " " + command);
    EXPECT_TRUE(std::filesystem::exists(dir.File("xdg/zomika2/jma/area.json")));
    EXPECT_NE(ReadAll(dir.File("stderr")).find("class20 0410001"), std::string::npos)
        << ReadAll(dir.File("stderr"));
    RunShell("env -u XDG_CACHE_HOME HOME=" + dir.File("home") + " " + command);
    EXPECT_TRUE(std::filesystem::exists(dir.File("home/.cache/zomika2/jma/amedastable.json")));
}

TEST(ForecastDumpJma, GoesThroughTheProxy) {
    if (!TinyProxy::Available())
        GTEST_SKIP() << "tinyproxy is not installed";
    SampleService service({"--today", "2026-12-09"});
    TinyProxy proxy;
    TempDir dir;
    RunShell(Tool() + service.JmaPrefix() + " " + service.BaseUrl() + " 北海道 札幌市 --cache " +
             dir.Path() + " --proxy 127.0.0.1:" + std::to_string(proxy.Port()) + " 2>/dev/null");
    for (const char* path :
         {"/bosai/common/const/area.json", "/bosai/forecast/const/forecast_area.json",
          "/bosai/amedas/const/amedastable.json", "/bosai/forecast/data/forecast/016000.json"})
        EXPECT_NE(proxy.Log().find(path), std::string::npos) << path << "\n" << proxy.Log();
}
