// The agency's nowcast: its time lists, its frames and the tiles at the place.
#include "weather/jma/JmaNowcast.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"
#include "weather/KeptAnswer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

using json = nlohmann::json;

namespace {

constexpr std::int64_t kStepSeconds = 5 * 60;
// The analyses list holds 37 rows of about 100 bytes; a row nests two deep.
constexpr std::size_t kMaxListBytes = 64u * 1024u;
constexpr int kMaxListDepth = 3;
// A tile with rain is a few kilobytes.
constexpr std::size_t kMaxTileBytes = 1024u * 1024u;
constexpr std::string_view kTileFolder = "jma/nowcast";

bool Digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
    int n = 0;
    for (const char c : digits)
        n = n * 10 + (c - '0');
    return n;
}

std::string TileName(std::int64_t base, std::int64_t valid, int zoom, std::int64_t x,
                     std::int64_t y) {
    return std::string(kTileFolder) + "/" + NowcastTimeText(base) + "-" + NowcastTimeText(valid) +
           "-" + std::to_string(zoom) + "-" + std::to_string(x) + "-" + std::to_string(y) + ".png";
}

// Drops the kept tiles whose analysis is three hours from the clock; files of any other name
// are not the nowcast's and stay.
void DropOldTiles(const platform::TCache& cache, std::int64_t unixNow) {
    std::error_code error;
    const std::filesystem::path folder = cache.PathOf(kTileFolder);
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 15 || name[14] != '-' || !name.ends_with(".png"))
            continue;
        const auto base = ReadNowcastTimeText(std::string_view(name).substr(0, 14));
        if (base && std::llabs(unixNow - *base) <= kNowcastTileKeep)
            continue;
        if (base)
            cache.Remove(std::string(kTileFolder) + "/" + name);
    }
}

std::optional<std::vector<TNowcastTime>> FetchList(THttpClient& client, const std::string& url,
                                                   const std::string& cacheFolder,
                                                   std::string_view name) {
    std::optional<std::vector<TNowcastTime>> rows;
    const TKeptAnswerRequest request{
        url, cacheFolder, std::string(kTileFolder) + "/" + std::string(name), kMaxListBytes};
    FetchKeptAnswer(client, request, [&](std::string_view body) {
        rows = ReadNowcastTimes(body);
        return rows.has_value();
    });
    return rows;
}

} // namespace

std::string NowcastTimeText(std::int64_t unixSeconds) {
    using namespace std::chrono;
    const sys_seconds at{seconds{unixSeconds}};
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss time{at - day};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u%02d%02d%02d", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return buf;
}

std::optional<std::int64_t> ReadNowcastTimeText(std::string_view text) {
    using namespace std::chrono;
    if (text.size() != 14 || !Digits(text))
        return std::nullopt;
    const year_month_day ymd{year{Number(text.substr(0, 4))},
                             month{static_cast<unsigned>(Number(text.substr(4, 2)))},
                             day{static_cast<unsigned>(Number(text.substr(6, 2)))}};
    const int h = Number(text.substr(8, 2)), m = Number(text.substr(10, 2)),
              s = Number(text.substr(12, 2));
    if (!ymd.ok() || h > 23 || m > 59 || s > 59)
        return std::nullopt;
    return sys_days(ymd).time_since_epoch().count() * 86400ll + h * 3600 + m * 60 + s;
}

std::optional<std::vector<TNowcastTime>> ReadNowcastTimes(std::string_view answer) {
    const json root = ParseJsonAnswer(answer, kMaxListBytes, kMaxListDepth);
    if (!root.is_array())
        return std::nullopt;
    std::vector<TNowcastTime> rows;
    for (const json& row : root) {
        const json* base = JsonMember(&row, "basetime");
        const json* valid = JsonMember(&row, "validtime");
        if (base == nullptr || valid == nullptr || !base->is_string() || !valid->is_string())
            continue;
        const auto b = ReadNowcastTimeText(base->get_ref<const std::string&>());
        const auto v = ReadNowcastTimeText(valid->get_ref<const std::string&>());
        if (b && v)
            rows.push_back({*b, *v});
    }
    if (rows.empty())
        return std::nullopt;
    return rows;
}

std::optional<TNowcastFrames> ChooseNowcastFrames(const std::vector<TNowcastTime>& analyses,
                                                  const std::vector<TNowcastTime>& forecasts) {
    std::optional<std::int64_t> newest;
    for (const TNowcastTime& row : analyses)
        if (row.Base == row.Valid && (!newest || row.Base > *newest))
            newest = row.Base;
    std::optional<std::int64_t> base;
    for (const TNowcastTime& row : forecasts)
        if (!base || row.Base > *base)
            base = row.Base;
    if (!newest || !base)
        return std::nullopt;
    const bool listed = std::any_of(analyses.begin(), analyses.end(), [&](const TNowcastTime& r) {
        return r.Base == *base && r.Valid == *base;
    });
    if (!listed && *base != *newest + kStepSeconds)
        return std::nullopt;
    TNowcastFrames frames;
    frames.Base = *base;
    frames.Valid[0] = *base;
    for (const TNowcastTime& row : forecasts) {
        const std::int64_t after = row.Valid - *base;
        if (row.Base == *base && after > 0 && after % kStepSeconds == 0 &&
            after / kStepSeconds < kNowcastFrames)
            frames.Valid[static_cast<std::size_t>(after / kStepSeconds)] = row.Valid;
    }
    return frames;
}

std::string NowcastTilePath(std::int64_t base, std::int64_t valid, int zoom, std::int64_t x,
                            std::int64_t y) {
    return "jmatile/data/nowc/" + NowcastTimeText(base) + "/none/" + NowcastTimeText(valid) +
           "/surf/hrpns/" + std::to_string(zoom) + "/" + std::to_string(x) + "/" +
           std::to_string(y) + ".png";
}

std::optional<std::int32_t> NowcastFrameClass(
    const TWorldPixel& pixel, int zoom,
    const std::function<std::optional<std::string>(std::int64_t x, std::int64_t y)>& tile) {
    const std::int64_t side = std::int64_t{kTileSide} << zoom;
    // The points of each tile, by its column and row.
    std::map<std::pair<std::int64_t, std::int64_t>, std::vector<TTilePoint>> tiles;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const std::int64_t y = pixel.Y + dy;
            if (y < 0 || y >= side)
                continue;
            // East of the last column is the first again.
            const std::int64_t x = ((pixel.X + dx) % side + side) % side;
            tiles[{x / kTileSide, y / kTileSide}].push_back(
                {static_cast<int>(x % kTileSide), static_cast<int>(y % kTileSide)});
        }
    std::int32_t greatest = 0;
    for (const auto& [at, points] : tiles) {
        const auto bytes = tile(at.first, at.second);
        if (!bytes)
            return std::nullopt;
        const auto classes = ReadNowcastTile(*bytes, points);
        if (!classes)
            return std::nullopt;
        for (const auto& c : *classes) {
            if (!c)
                return std::nullopt;
            greatest = std::max(greatest, *c);
        }
    }
    return greatest;
}

TNowcastOutcome LoadJmaNowcast(THttpClient& client, const std::string& jmaPrefix,
                               const std::string& cacheFolder, const TCoordinates& place) {
    TNowcastOutcome outcome;
    outcome.Step = kJmaRainStep;
    const auto pixel = WorldPixelOf(place, kNowcastZoom);
    if (!pixel) {
        outcome.Result = TNowcastResult::None;
        outcome.Step = NoValue;
        return outcome;
    }
    const auto analyses = FetchList(client, jmaPrefix + std::string(kNowcastAnalysesPath),
                                    cacheFolder, "targetTimes_N1.answer");
    const auto forecasts = analyses
                               ? FetchList(client, jmaPrefix + std::string(kNowcastForecastsPath),
                                           cacheFolder, "targetTimes_N2.answer")
                               : std::nullopt;
    const auto frames =
        analyses && forecasts ? ChooseNowcastFrames(*analyses, *forecasts) : std::nullopt;
    if (!frames || client.Cancelled()) {
        outcome.Problem = std::string(kNowcastFailedMessage);
        return outcome;
    }
    const std::int64_t now = platform::UnixSecondsNow();
    if (std::llabs(now - frames->Base) > kRainMaxAge) {
        outcome.Result = TNowcastResult::Stale;
        return outcome;
    }

    std::optional<platform::TCache> cache;
    if (!cacheFolder.empty())
        cache.emplace(cacheFolder);
    for (const auto& valid : frames->Valid) {
        std::optional<std::int32_t> rain;
        if (valid && !client.Cancelled())
            rain = NowcastFrameClass(
                *pixel, kNowcastZoom,
                [&](std::int64_t x, std::int64_t y) -> std::optional<std::string> {
                    const std::string name = TileName(frames->Base, *valid, kNowcastZoom, x, y);
                    // Only whole tiles are kept, so a kept copy is never asked for again.
                    if (cache)
                        if (auto kept = cache->Read(name, kMaxTileBytes))
                            return std::move(kept->Content);
                    try {
                        std::string body = client.Get(
                            jmaPrefix + NowcastTilePath(frames->Base, *valid, kNowcastZoom, x, y));
                        client.Disconnect();
                        if (body.size() > kMaxTileBytes)
                            return std::nullopt;
                        if (cache && IsNowcastTile(body))
                            (void)cache->Write(name, body); // a cache that fails costs bytes only
                        return body;
                    } catch (...) {
                        return std::nullopt; // the frame is unknown
                    }
                });
        outcome.Rain.push_back(rain ? *rain : NoValue);
    }
    if (client.Cancelled()) {
        outcome.Rain.clear();
        return outcome;
    }
    if (cache)
        DropOldTiles(*cache, now);
    outcome.Time = JapanTimeText(frames->Base);
    outcome.Result = TNowcastResult::Read;
    return outcome;
}
