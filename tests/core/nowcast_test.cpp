#include "SampleApi.h"
#include "SampleNowcast.h"
#include "platform/Clock.h"
#include "support/SampleService.h"
#include "support/TempDir.h"
#include "weather/CurlHttpClient.h"
#include "weather/Nowcast.h"
#include "weather/jma/JmaNowcast.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

TNowcastRequest Request(const SampleService& service, const std::string& cache) {
    TNowcastRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = service.JmaPrefix();
    request.ForecastPrefix = service.BaseUrl();
    request.CacheFolder = cache;
    request.Prefecture = "東京都";
    request.Municipality = "千代田区";
    return request;
}

// The centre of a world pixel at zoom 10.
TCoordinates CentreOf(std::int64_t x, std::int64_t y) {
    const double n = 256.0 * 1024.0;
    return {
        std::atan(std::sinh(std::numbers::pi * (1.0 - 2.0 * (static_cast<double>(y) + 0.5) / n))) *
            180.0 / std::numbers::pi,
        (static_cast<double>(x) + 0.5) / n * 360.0 - 180.0};
}

// Loads until the load and the clock fall within one analysis (a five-minute step may pass
// between them).
TNowcastOutcome LoadSteady(const TNowcastRequest& request, std::int64_t& analysis) {
    TNowcastOutcome outcome;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::int64_t before = TSampleNowcast::NewestAnalysis(platform::UnixSecondsNow());
        TCurlHttpClient client;
        outcome = LoadNowcast(client, request);
        analysis = TSampleNowcast::NewestAnalysis(platform::UnixSecondsNow());
        if (before == analysis)
            break;
    }
    return outcome;
}

} // namespace

TEST(Nowcast, TheSampleServicesShowersWhereTheyFall) {
    SampleService service;
    TempDir cache;
    // The places' stations: wherever the showers are, the frames are the sample's own field
    // within one pixel of the station.
    for (const char* municipality : {"千代田区", "八王子市"}) {
        TNowcastRequest request = Request(service, cache.Path());
        request.Municipality = municipality;
        std::int64_t analysis = 0;
        const TNowcastOutcome outcome = LoadSteady(request, analysis);
        ASSERT_EQ(outcome.Result, TNowcastResult::Read) << outcome.Problem;
        ASSERT_TRUE(outcome.FoundJmaPlace && outcome.FoundJmaPlace->Coordinates);
        EXPECT_EQ(outcome.Time, JapanTimeText(analysis));
        const TWorldPixel pixel = *WorldPixelOf(*outcome.FoundJmaPlace->Coordinates, 10);
        const TSampleNowcast sample;
        std::vector<std::int32_t> expected;
        for (int k = 0; k < kNowcastFrames; ++k) {
            std::int32_t greatest = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const TCoordinates at = CentreOf(pixel.X + dx, pixel.Y + dy);
                    greatest = std::max(
                        greatest, sample.ClassAt(at.Latitude, at.Longitude, analysis + k * 300));
                }
            expected.push_back(greatest);
        }
        EXPECT_EQ(outcome.Rain, expected) << municipality;
    }
}

TEST(Nowcast, RainBroughtToAPlaceComesWhenSaid) {
    const std::int64_t start = TSampleNowcast::NewestAnalysis(platform::UnixSecondsNow());
    SampleService service({"--rain-in", "1310100:25:2"});
    TempDir cache;
    std::int64_t analysis = 0;
    const TNowcastOutcome outcome = LoadSteady(Request(service, cache.Path()), analysis);
    ASSERT_EQ(outcome.Result, TNowcastResult::Read) << outcome.Problem;
    // Twenty-five minutes after the analysis of the service's start.
    const auto from = static_cast<std::int32_t>((start + 25 * 60 - analysis) / 60);
    std::vector<std::int32_t> expected;
    for (int k = 0; k < kNowcastFrames; ++k)
        expected.push_back(k * 5 >= from ? 2 : 0);
    EXPECT_EQ(outcome.Rain, expected) << from;
    TWeatherData record;
    ApplyNowcastOutcome(record, outcome);
    EXPECT_EQ(record.RainStartsIn, from);
    // Elsewhere the sky is dry.
    TNowcastRequest elsewhere = Request(service, cache.Path());
    elsewhere.Prefecture = "大阪府";
    elsewhere.Municipality = "大阪市";
    EXPECT_EQ(LoadSteady(elsewhere, analysis).Rain, std::vector<std::int32_t>(13, 0));

    for (const char* bad :
         {"1310100", "1310100:x", "1310100:25:9", "131010:25", "9910100:25", "1310100:181"})
        EXPECT_FALSE(TSampleNowcast::ParseRainIn(bad)) << bad;
    EXPECT_EQ(TSampleNowcast::ParseRainIn("1310100:25"),
              (TSampleNowcast::TRainIn{"1310100", 25, 2}));
}

TEST(Nowcast, ThePlaceDecidesTheSource) {
    SampleService service;
    TempDir cache;
    TCurlHttpClient client;
    TNowcastRequest agency = Request(service, cache.Path());
    const TNowcastOutcome resolved = LoadNowcast(client, agency);
    ASSERT_TRUE(resolved.FoundJmaPlace);

    TNowcastRequest listed = agency;
    listed.Source = TSource::OpenMeteo;
    TNowcastRequest inJapan = listed;
    inJapan.Country = "日本";
    inJapan.Municipality = "富士山";
    inJapan.Coordinates = TCoordinates{35.3606, 138.7274};
    TNowcastRequest abroad = listed;
    abroad.Prefecture = "イル＝ド＝フランス地域圏";
    abroad.Municipality = "パリ";
    abroad.Country = "フランス";
    abroad.Coordinates = TCoordinates{48.8566, 2.3522};
    TNowcastRequest nowhere = abroad;
    nowhere.Coordinates.reset();
    TNowcastRequest pages = agency;
    pages.Source = TSource::TenkiLite;
    struct Case {
        const char* name;
        TNowcastRequest request;
        TNowcastResult result;
        std::int32_t step;
        std::size_t frames;
    };
    const Case cases[] = {
        {"the agency's source", agency, TNowcastResult::Read, 5, 13},
        {"a place of the list under Open-Meteo", listed, TNowcastResult::Read, 5, 13},
        {"a looked-up place in Japan", inJapan, TNowcastResult::Read, 5, 13},
        {"a place abroad", abroad, TNowcastResult::Read, 15, 5},
        {"a place abroad without coordinates", nowhere, TNowcastResult::None, NoValue, 0},
        {"the page services", pages, TNowcastResult::None, NoValue, 0},
    };
    for (const Case& c : cases) {
        const TNowcastOutcome outcome = LoadNowcast(client, c.request);
        EXPECT_EQ(outcome.Result, c.result) << c.name << " " << outcome.Problem;
        EXPECT_EQ(outcome.Step, c.step) << c.name;
        EXPECT_EQ(outcome.Rain.size(), c.frames) << c.name;
    }
    // Paris lies outside the agency's data and the sample's showers: a dry hour.
    EXPECT_EQ(LoadNowcast(client, abroad).Rain, std::vector<std::int32_t>(5, 0));

    // The weather now's station gives the point when no coordinates are known, and is kept.
    TNowcastRequest station = agency;
    station.JmaPlace = resolved.FoundJmaPlace;
    station.Station = TAmedasStation{resolved.FoundJmaPlace->Station, "東京"};
    const TNowcastOutcome atStation = LoadNowcast(client, station);
    EXPECT_EQ(atStation.Result, TNowcastResult::Read);
    EXPECT_EQ(atStation.FoundStationCoordinates, resolved.FoundJmaPlace->Coordinates);
    EXPECT_FALSE(atStation.FoundJmaPlace);
    // A site that cannot be reached is unknown, with the agency's step.
    TNowcastRequest gone = agency;
    gone.JmaPrefix = "http://127.0.0.1:" + std::to_string(FreePort()) + "/bosai/";
    gone.CacheFolder.clear();
    const TNowcastOutcome failed = LoadNowcast(client, gone);
    EXPECT_EQ(failed.Result, TNowcastResult::Failed);
    EXPECT_EQ(failed.Step, 5);
}

TEST(Nowcast, ForecastDumpPrintsTheRainOfTheNextHour) {
    SampleService service({"--rain-in", "1310100:0:3"});
    TempDir dir;
    const auto dump = [&](const std::string& args) {
        FILE* pipe = popen((std::string(PELUMI_BIN_DIR) + "/forecast-dump " + args + " --cache " +
                            dir.File("cache") + " 2>/dev/null")
                               .c_str(),
                           "r");
        std::string printed;
        char buf[4096];
        std::size_t n = 0;
        while (pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0)
            printed.append(buf, n);
        if (pipe)
            pclose(pipe);
        return nlohmann::json::parse(printed, nullptr, false);
    };
    for (const std::string& source :
         {"jma " + service.JmaPrefix() + " " + service.BaseUrl() + " 東京都 千代田区",
          "openmeteo " + service.BaseUrl() + " " + service.BaseUrl() + " 東京都 千代田区 --jma " +
              service.JmaPrefix()}) {
        const nlohmann::json printed = dump(source);
        ASSERT_TRUE(printed.is_object()) << source;
        EXPECT_EQ(printed["RainStep"], 5) << source;
        EXPECT_EQ(printed["Rain"], nlohmann::json(std::vector<int>(13, 3))) << source;
        EXPECT_EQ(printed["RainStartsIn"], 0) << source;
        EXPECT_TRUE(printed["RainEndsIn"].is_null()) << source;
        EXPECT_EQ(printed["RainTime"].get<std::string>().size(), 16u) << source;
    }
}
