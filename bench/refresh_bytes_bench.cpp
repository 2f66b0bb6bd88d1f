// What the widget downloads for the weather now and for the forecast, from the sample service's
// agency site (its real constants, its forecasts and observations) served in memory, the agency's
// conditional answers included: bytes of the bodies received and the requests made, per
// ten-minute observation refresh (the latest time moved, or not) and per hourly refresh of the
// forecast (unchanged: a 304; changed: the whole answer). The constants are in the cache before
// the first measured refresh, as they are after a first start. The rain of the next hour: per
// five-minute refresh of the nowcast with nothing new (two 304s, no tile) and with a new analysis
// (both lists, 13 tiles), over a dry sky and through showers.
#include "SampleApi.h"
#include "SampleJmaSite.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/Forecast.h"
#include "weather/HttpClient.h"
#include "weather/Nowcast.h"
#include "weather/Observation.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

constexpr const char* kJma = "http://jma.bench/bosai/";
constexpr const char* kLive = "http://live.bench/";

// A query value with its %XX escapes undone.
std::string Decoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    return out;
}

// The sample site in memory, counting what it sends.
class CountingClient : public THttpClient {
public:
    CountingClient() : site_(2026, 10, 4), api_({}, 2026, 10, 4) {}

    std::string Get(const std::string& url) override { return GetIfChanged(url, {}).Body; }
    THttpAnswer GetIfChanged(const std::string& url, const THttpValidators& stored) override {
        ++Requests;
        THttpAnswer answer;
        if (url.starts_with(kLive)) {
            const std::string query = url.substr(url.find('?') + 1);
            TSampleApi::Params params;
            for (std::size_t at = 0; at < query.size();) {
                const std::size_t end = std::min(query.find('&', at), query.size());
                const std::string pair = query.substr(at, end - at);
                const std::size_t eq = pair.find('=');
                params.emplace(pair.substr(0, eq),
                               eq == std::string::npos ? "" : Decoded(pair.substr(eq + 1)));
                at = end + 1;
            }
            answer.Body = api_.Forecast(params).Body;
        } else {
            const auto page =
                site_.Get(std::string_view(url).substr(std::string(kJma).size()), Hour);
            if (!page)
                throw EHttpError("404 " + url);
            answer.Validators = {page->ETag, page->LastModified};
            if (stored.ETag == page->ETag) {
                ++NotModified;
                return {true, {}, {}};
            }
            answer.Body = page->Body;
            if (url.ends_with(".png")) {
                TileBytes += answer.Body.size();
                ++Tiles;
            }
        }
        Bytes += answer.Body.size();
        return answer;
    }

    int Hour = 8;
    std::size_t Bytes = 0;
    int Requests = 0;
    int NotModified = 0;
    std::size_t TileBytes = 0;
    int Tiles = 0;

    TSampleJmaSite& Site() { return site_; }

private:
    TSampleJmaSite site_;
    TSampleApi api_;
};

struct Folder {
    Folder() {
        path =
            std::filesystem::temp_directory_path() / ("refresh-bytes-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

TForecastRequest ForecastRequest(const std::string& cache) {
    TForecastRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = kJma;
    request.ForecastPrefix = kLive;
    request.Prefecture = "東京都";
    request.Municipality = "千代田区";
    request.CacheFolder = cache;
    return request;
}

void Report(benchmark::State& state, const CountingClient& client, int refreshes) {
    state.counters["bytes_per_refresh"] = static_cast<double>(client.Bytes) / refreshes;
    state.counters["requests_per_refresh"] = static_cast<double>(client.Requests) / refreshes;
    state.counters["not_modified_per_refresh"] =
        static_cast<double>(client.NotModified) / refreshes;
}

// Ten-minute refreshes: `moved` says whether the latest time moved since the last one.
void ObservationRefresh(benchmark::State& state) {
    const bool moved = state.range(0) != 0;
    Folder folder;
    CountingClient client;
    TForecastOutcome forecast = LoadForecast(client, ForecastRequest(folder.path.string()));
    TObservationRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = kJma;
    request.CacheFolder = folder.path.string();
    request.JmaPlace = forecast.FoundJmaPlace;
    request.Municipality = "千代田区";
    const TJmaObservationOutcome first = LoadObservation(client, request);
    request.Station = first.FoundStation;
    int refreshes = 0;
    client.Bytes = 0;
    client.Requests = 0;
    for (auto _ : state) {
        request.LastLatestTime = moved ? std::string() : first.LatestTime;
        benchmark::DoNotOptimize(LoadObservation(client, request));
        ++refreshes;
    }
    Report(state, client, refreshes);
}
BENCHMARK(ObservationRefresh)->ArgName("latest_time_moved")->Arg(0)->Arg(1);

// Hourly refreshes of the forecast of a known place: unchanged (the agency answers 304) or a
// new report each time.
void HourlyRefresh(benchmark::State& state) {
    const bool changed = state.range(0) != 0;
    Folder folder;
    CountingClient client;
    TForecastRequest request = ForecastRequest(folder.path.string());
    request.JmaPlace = LoadForecast(client, request).FoundJmaPlace;
    int refreshes = 0;
    client.Bytes = 0;
    client.Requests = 0;
    client.NotModified = 0;
    for (auto _ : state) {
        if (changed)
            client.Hour = client.Hour == 8 ? 14 : 8; // another report
        benchmark::DoNotOptimize(LoadForecast(client, request));
        ++refreshes;
    }
    Report(state, client, refreshes);
}
BENCHMARK(HourlyRefresh)->ArgName("report_changed")->Arg(0)->Arg(1);

// The nowcast's refreshes at the sample's place of 千代田区: `new_analysis` 0 is a refresh within
// the same five minutes (the lists answer 304, every tile is kept), 1 a refresh five minutes
// later (new lists, 13 new tiles). `wet` 0 is a dry sky (the sample's rain brought to 沖縄県
// only), 1 the drifting showers at an hour when one lies over the place.
void NowcastRefresh(benchmark::State& state) {
    const bool moves = state.range(0) != 0;
    const bool wet = state.range(1) != 0;
    Folder folder;
    CountingClient client;
    TNowcastRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = kJma;
    request.CacheFolder = folder.path.string();
    request.Prefecture = "東京都";
    request.Municipality = "千代田区";
    request.JmaPlace = LoadNowcast(client, request).FoundJmaPlace;
    const TCoordinates place = *request.JmaPlace->Coordinates;
    // Five-minute steps of a day in October, from 00:00 in Japan.
    std::int64_t at = 1791039600;
    if (wet) {
        // The first analysis whose hour has rain at the place in most of its frames.
        const auto wetFrames = [&](std::int64_t analysis) {
            int frames = 0;
            for (int k = 0; k < 13; ++k)
                frames +=
                    SampleShowerClass(place.Latitude, place.Longitude, analysis + k * 300) > 0;
            return frames;
        };
        while (wetFrames(at) < 9)
            at += 300;
    } else {
        client.Site().BringRain({{"4720100", 0, 3}}, at);
    }
    const auto fix = [](std::int64_t unix) {
        platform::FixClock(platform::ToLocalDateTime(unix + 60));
    };
    fix(at);
    (void)LoadNowcast(client, request);
    int refreshes = 0;
    client.Bytes = 0;
    client.Requests = 0;
    client.NotModified = 0;
    client.TileBytes = 0;
    client.Tiles = 0;
    for (auto _ : state) {
        if (moves)
            fix(at += 300);
        benchmark::DoNotOptimize(LoadNowcast(client, request));
        ++refreshes;
    }
    platform::ReleaseClock();
    Report(state, client, refreshes);
    state.counters["tiles_per_refresh"] = static_cast<double>(client.Tiles) / refreshes;
    state.counters["tile_bytes_per_refresh"] = static_cast<double>(client.TileBytes) / refreshes;
}
BENCHMARK(NowcastRefresh)
    ->ArgNames({"new_analysis", "wet"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(24);

} // namespace
