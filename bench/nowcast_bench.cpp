// Reading the rain of the next hour: the class at a place in each of the 13 frames, from tiles
// in the agency's format held in memory (the sample service's showers over Tokyo), and a whole
// refresh whose lists and tiles are all kept (nothing new: the work of every five minutes
// without a new analysis).
#include "SampleJmaSite.h"

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/HttpClient.h"
#include "weather/jma/JmaNowcast.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

constexpr TCoordinates kTokyoStation{35.681236, 139.767125};
// 2026-10-04 00:00 in Japan; the search below finds showers over the place from there.
constexpr std::int64_t kDay = 1791039600;

// The first analysis of the day with rain at the place in most of its frames.
std::int64_t WetAnalysis() {
    std::int64_t at = kDay;
    for (;; at += 300) {
        int wet = 0;
        for (int k = 0; k < kNowcastFrames; ++k)
            wet += SampleShowerClass(kTokyoStation.Latitude, kTokyoStation.Longitude,
                                     at + k * 300) > 0;
        if (wet >= 9)
            return at;
    }
}

void ReadThirteenFrames(benchmark::State& state) {
    const std::int64_t base = WetAnalysis();
    const TWorldPixel pixel = *WorldPixelOf(kTokyoStation, kNowcastZoom);
    const TSampleNowcast sample;
    std::vector<std::string> tiles;
    for (int k = 0; k < kNowcastFrames; ++k)
        tiles.push_back(sample
                            .Get(NowcastTilePath(base, base + k * 300, kNowcastZoom, pixel.X / 256,
                                                 pixel.Y / 256),
                                 base)
                            ->Body);
    std::size_t bytes = 0;
    for (const std::string& t : tiles)
        bytes += t.size();
    for (auto _ : state)
        for (const std::string& tile : tiles)
            benchmark::DoNotOptimize(
                NowcastFrameClass(pixel, kNowcastZoom, [&](std::int64_t, std::int64_t) {
                    return std::optional<std::string>(tile);
                }));
    state.counters["tile_bytes"] = static_cast<double>(bytes) / kNowcastFrames;
}
BENCHMARK(ReadThirteenFrames)->Unit(benchmark::kMillisecond);

// The agency's site in memory, with validators.
class SiteClient : public THttpClient {
public:
    SiteClient() : site_(2026, 10, 4) {}
    std::string Get(const std::string& url) override { return GetIfChanged(url, {}).Body; }
    THttpAnswer GetIfChanged(const std::string& url, const THttpValidators& stored) override {
        const auto page = site_.Get(std::string_view(url).substr(std::string("jma:").size()), 8);
        if (!page)
            throw EHttpError("404 " + url);
        if (stored.ETag == page->ETag)
            return {true, {}, {}};
        return {false, page->Body, {page->ETag, page->LastModified}};
    }

private:
    TSampleJmaSite site_;
};

void RefreshWithEverythingKept(benchmark::State& state) {
    const std::int64_t base = WetAnalysis();
    platform::FixClock(platform::ToLocalDateTime(base + 60));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("nowcast-bench-" + std::to_string(getpid()));
    SiteClient client;
    (void)LoadJmaNowcast(client, "jma:", folder.string(), kTokyoStation);
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadJmaNowcast(client, "jma:", folder.string(), kTokyoStation));
    platform::ReleaseClock();
    std::filesystem::remove_all(folder);
}
BENCHMARK(RefreshWithEverythingKept)->Unit(benchmark::kMillisecond);

} // namespace
