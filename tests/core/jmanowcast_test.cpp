#include "SampleNowcast.h"
#include "platform/Clock.h"
#include "skin/Png.h"
#include "support/TempDir.h"
#include "weather/CurlHttpClient.h"
#include "weather/Rain.h"
#include "weather/jma/JmaNowcast.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

using json = nlohmann::json;

namespace {

// The palette entry of a class in the agency's palette (NowcastPalette): 0 is entry 1, the
// "0 mm/h" white.
std::uint8_t Entry(int rainClass) {
    return static_cast<std::uint8_t>(rainClass + 1);
}

// A tile in the agency's format whose pixels take `entry(x, y)` of `palette`.
std::string Tile(const std::function<std::uint8_t(int x, int y)>& entry,
                 std::span<const TTileColour> palette = NowcastPalette()) {
    std::vector<std::uint8_t> pixels(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            pixels[static_cast<std::size_t>(y * 256 + x)] = entry(x, y);
    return EncodePaletteTile(palette, pixels);
}

// A dry tile but for one pixel of class `rainClass`.
std::string TileWith(int x, int y, int rainClass) {
    return Tile([=](int px, int py) { return Entry(px == x && py == y ? rainClass : 0); });
}

std::int64_t Utc(const char* text) {
    return *ReadNowcastTimeText(text);
}

// The clock fixed at a time of Japan while it lives.
class JapanClock {
public:
    explicit JapanClock(std::int64_t unixSeconds) { Set(unixSeconds); }
    ~JapanClock() {
        platform::ReleaseClock();
        platform::SetClockZone(platform::ClockZone::Computer);
    }
    void Set(std::int64_t unixSeconds) {
        platform::SetClockZone(platform::ClockZone::Japan);
        const auto text = JapanTimeText(unixSeconds) + ":00";
        platform::FixClock(*platform::ParseLocalDateTime(text));
    }
};

constexpr TCoordinates kTokyoStation{35.681236, 139.767125};
constexpr TCoordinates kSapporo{43.06, 141.3283};

} // namespace

TEST(NowcastTile, ThePlacesOfTheNotesFallOnTheirPixels) {
    struct Case {
        const char* name;
        TCoordinates place;
        int zoom;
        std::int64_t x, y, px, py;
    };
    const Case cases[] = {
        {"Tokyo Station", kTokyoStation, 10, 909, 403, 143, 58},
        {"Tokyo Station at zoom 8", kTokyoStation, 8, 227, 100, 99, 206},
        {"Naha", {26.2072, 127.6792}, 10, 875, 434, 45, 181},
        {"Sapporo, on a tile's west edge", kSapporo, 10, 914, 376, 0, 8},
    };
    for (const Case& c : cases) {
        const auto pixel = WorldPixelOf(c.place, c.zoom);
        ASSERT_TRUE(pixel) << c.name;
        EXPECT_EQ(*pixel, (TWorldPixel{c.x * 256 + c.px, c.y * 256 + c.py})) << c.name;
    }
    // 180°E is the world's west edge again; beyond the square world there is no pixel.
    EXPECT_EQ(WorldPixelOf({0.0, 180.0}, 10)->X, 0);
    for (const TCoordinates& off : {TCoordinates{85.06, 0.0}, TCoordinates{-89.0, 0.0},
                                    TCoordinates{0.0, 180.5}, TCoordinates{NAN, 139.0}})
        EXPECT_FALSE(WorldPixelOf(off, 10)) << off.Latitude << "," << off.Longitude;
}

TEST(NowcastTile, TheLegendsColoursAreItsClassesAndNothingElseIs) {
    struct Case {
        std::uint8_t r, g, b, a;
        std::optional<std::int32_t> rainClass;
    };
    const Case cases[] = {
        {242, 242, 255, 255, 1},
        {160, 210, 255, 255, 2},
        {33, 140, 255, 255, 3},
        {0, 65, 255, 255, 4},
        {250, 245, 0, 255, 5},
        {255, 245, 0, 255, 5},
        {255, 153, 0, 255, 6},
        {255, 40, 0, 255, 7},
        {180, 0, 104, 255, 8},
        // A data tile's transparent white, the empty tile's black, any transparent pixel.
        {255, 255, 255, 0, 0},
        {0, 0, 0, 0, 0},
        {33, 140, 255, 0, 0},
        // Half-transparent legend colours and near misses are no class.
        {33, 140, 255, 128, {}},
        {251, 245, 0, 255, {}},
        {255, 255, 255, 255, {}},
        {0, 0, 0, 255, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RainClassOfColour(c.r, c.g, c.b, c.a), c.rainClass)
            << int{c.r} << "," << int{c.g} << "," << int{c.b} << "," << int{c.a};

    // Every colour counted in ten real tiles of one frame has its class.
    const json census = json::parse(
        ReadAll(TestData("jma/nowcast/hrpns-tile-colour-census-2026-09-23T1015Z.json")));
    int colours = 0;
    for (const json& tile : census["tiles"])
        for (const auto& [rgba, count] : tile["rgbaCounts"].items()) {
            int r = 0, g = 0, b = 0, a = 0;
            ASSERT_EQ(std::sscanf(rgba.c_str(), "%d,%d,%d,%d", &r, &g, &b, &a), 4) << rgba;
            EXPECT_TRUE(
                RainClassOfColour(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                  static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(a)))
                << rgba;
            ++colours;
        }
    EXPECT_GT(colours, 10);
}

TEST(NowcastTile, PixelsOfTilesInTheAgencysFormat) {
    // The agency's palette, then the legend's yellow, a colour of no class and a half-transparent
    // blue.
    std::vector<TTileColour> palette(NowcastPalette().begin(), NowcastPalette().end());
    palette.push_back({255, 245, 0, 255});
    palette.push_back({10, 20, 30, 255});
    palette.push_back({33, 140, 255, 128});
    // Row 20 holds entry e at x = 10 e; everything else is "no data" (entry 0).
    const std::string tile = Tile(
        [](int x, int y) {
            return static_cast<std::uint8_t>(y == 20 && x % 10 == 0 && x / 10 < 13 ? x / 10 : 0);
        },
        palette);
    ASSERT_EQ(tile.substr(24, 2), std::string("\x04\x03", 2)); // 4-bit palette
    EXPECT_NE(tile.find("tRNS"), std::string::npos);
    struct Case {
        TTilePoint point;
        std::optional<std::int32_t> rainClass;
    };
    const Case cases[] = {
        {{0, 20}, 0},   {{10, 20}, 0},   {{20, 20}, 1},   {{30, 20}, 2},   {{40, 20}, 3},
        {{50, 20}, 4},  {{60, 20}, 5},   {{70, 20}, 6},   {{80, 20}, 7},   {{90, 20}, 8},
        {{100, 20}, 5}, {{110, 20}, {}}, {{120, 20}, {}}, {{255, 255}, 0}, {{15, 20}, 0},
    };
    std::vector<TTilePoint> points;
    std::vector<std::optional<std::int32_t>> expected;
    for (const Case& c : cases) {
        points.push_back(c.point);
        expected.push_back(c.rainClass);
    }
    EXPECT_EQ(ReadNowcastTile(tile, points), expected);

    // The server's empty tile: 8-bit RGBA, transparent black everywhere.
    const std::string empty = EmptyNowcastTile();
    EXPECT_EQ(empty.substr(24, 2), std::string("\x08\x06", 2));
    EXPECT_EQ(empty.size(), 334u);
    const std::vector<TTilePoint> corners = {{0, 0}, {255, 0}, {0, 255}, {255, 255}};
    EXPECT_EQ(ReadNowcastTile(empty, corners),
              (std::vector<std::optional<std::int32_t>>{0, 0, 0, 0}));
    EXPECT_TRUE(IsNowcastTile(empty));
    EXPECT_TRUE(IsNowcastTile(tile));
}

TEST(NowcastTile, WhatIsNoTileGivesNothing) {
    const std::string tile = TileWith(3, 3, 2);
    TBitmap small(128, 128);
    const struct {
        const char* name;
        std::string bytes;
        TTilePoint point;
    } cases[] = {
        {"nothing", "", {0, 0}},
        {"a portal's page", "<html><body>メンテナンス中</body></html>", {0, 0}},
        {"a PNG of another size", EncodePng(small), {0, 0}},
        {"a tile cut short", tile.substr(0, tile.size() / 2), {3, 255}},
        {"a tile with a bad checksum",
         [&] {
             std::string bad = tile;
             bad[bad.find("IDAT") + 6] ^= 0x55;
             return bad;
         }(),
         {3, 255}},
        {"a point beyond the tile", tile, {256, 0}},
    };
    for (const auto& c : cases) {
        const std::vector<TTilePoint> points = {c.point};
        EXPECT_FALSE(ReadNowcastTile(c.bytes, points)) << c.name;
    }
    EXPECT_FALSE(IsNowcastTile(tile.substr(0, tile.size() - 20)));
}

TEST(NowcastTimes, TheRealListsAndTheFramesBothTell) {
    const auto analyses =
        ReadNowcastTimes(ReadAll(TestData("jma/nowcast/targetTimes_N1-2026-09-16T0110Z.json")));
    const auto forecasts =
        ReadNowcastTimes(ReadAll(TestData("jma/nowcast/targetTimes_N2-2026-09-16T0105Z.json")));
    ASSERT_TRUE(analyses && forecasts);
    ASSERT_EQ(analyses->size(), 37u);
    EXPECT_EQ(analyses->front(), (TNowcastTime{Utc("20260916011000"), Utc("20260916011000")}));
    EXPECT_EQ(analyses->back(), (TNowcastTime{Utc("20260915221000"), Utc("20260915221000")}));
    ASSERT_EQ(forecasts->size(), 12u);
    EXPECT_EQ(forecasts->front(), (TNowcastTime{Utc("20260916010500"), Utc("20260916020500")}));
    const auto older =
        ReadNowcastTimes(ReadAll(TestData("jma/nowcast/targetTimes_N2-2022-08-17T0335Z.json")));
    ASSERT_TRUE(older);
    EXPECT_EQ(older->size(), 12u);
    EXPECT_EQ(older->back(), (TNowcastTime{Utc("20220817033500"), Utc("20220817034000")}));

    // The forecasts were fetched before the 01:10 analysis was out: the newest both tell is 01:05.
    const auto frames = ChooseNowcastFrames(*analyses, *forecasts);
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->Base, Utc("20260916010500"));
    for (int k = 0; k < kNowcastFrames; ++k)
        EXPECT_EQ(frames->Valid[static_cast<std::size_t>(k)], frames->Base + k * 300) << k;
    EXPECT_EQ(NowcastTilePath(frames->Base, *frames->Valid[12], 10, 909, 403),
              "jmatile/data/nowc/20260916010500/none/20260916020500/surf/hrpns/10/909/403.png");
    EXPECT_EQ(NowcastTimeText(Utc("20240229235500")), "20240229235500");
}

TEST(NowcastTimes, ListsThatDoNotAgreeOrTellNothing) {
    const auto rows = [](std::int64_t base, std::vector<int> minutes) {
        std::vector<TNowcastTime> out;
        for (const int m : minutes)
            out.push_back({base, base + m * 60});
        return out;
    };
    const std::int64_t t = Utc("20260916010500");
    const std::vector<TNowcastTime> analyses = {{t, t}, {t - 300, t - 300}, {t - 600, t - 600}};
    const std::vector<int> all = {60, 55, 50, 45, 40, 35, 30, 25, 20, 15, 10, 5};
    struct Case {
        const char* name;
        std::vector<TNowcastTime> analyses, forecasts;
        std::optional<std::int64_t> base;
        std::vector<int> missing; // frames the lists do not tell
    };
    const Case cases[] = {
        {"both at the newest", analyses, rows(t, all), t, {}},
        {"the forecasts of an older analysis", analyses, rows(t - 600, all), t - 600, {}},
        {"the analyses fetched a moment before the next",
         analyses,
         rows(t + 300, all),
         t + 300,
         {}},
        {"forecasts of an analysis the analyses do not tell", analyses, rows(t + 600, all), {}, {}},
        {"forecasts missing two rows",
         analyses,
         rows(t, {60, 55, 50, 45, 40, 35, 30, 20, 15, 10}),
         t,
         {1, 5}},
        {"rows off the five minutes are no frames",
         analyses,
         rows(t, {61, 5}),
         t,
         {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"no analyses", {}, rows(t, all), {}, {}},
        {"analyses only of forecasts", rows(t, {5}), rows(t, all), {}, {}},
        {"no forecasts", analyses, {}, {}, {}},
    };
    for (const Case& c : cases) {
        const auto frames = ChooseNowcastFrames(c.analyses, c.forecasts);
        ASSERT_EQ(frames.has_value(), c.base.has_value()) << c.name;
        if (!frames)
            continue;
        EXPECT_EQ(frames->Base, *c.base) << c.name;
        for (int k = 0; k < kNowcastFrames; ++k) {
            const bool missing =
                std::find(c.missing.begin(), c.missing.end(), k) != c.missing.end();
            EXPECT_EQ(frames->Valid[static_cast<std::size_t>(k)],
                      missing ? std::nullopt : std::optional(*c.base + k * 300))
                << c.name << " frame " << k;
        }
    }
    for (const char* bad :
         {"", "{}", "[]", "[{\"basetime\": \"20260916010500\"}]",
          "[{\"basetime\": \"20260231010500\", \"validtime\": \"20260231010500\"}]",
          "[{\"basetime\": 20260916010500, \"validtime\": 20260916010500}]"})
        EXPECT_FALSE(ReadNowcastTimes(bad)) << bad;
}

TEST(NowcastFrame, TheGreatestClassWithinOnePixelAcrossTileEdges) {
    // Sapporo lies on the west edge of tile 914/376 (pixel 0, 8): its west neighbours are in
    // tile 913/376.
    const TWorldPixel sapporo = *WorldPixelOf(kSapporo, 10);
    const std::string dry = TileWith(0, 0, 0);
    struct Case {
        const char* name;
        std::map<std::pair<std::int64_t, std::int64_t>, std::string> tiles;
        std::optional<std::int32_t> rainClass;
    };
    const Case cases[] = {
        {"dry around", {{{914, 376}, dry}, {{913, 376}, dry}}, 0},
        {"rain at the place", {{{914, 376}, TileWith(0, 8, 3)}, {{913, 376}, dry}}, 3},
        {"rain one pixel east", {{{914, 376}, TileWith(1, 9, 4)}, {{913, 376}, dry}}, 4},
        {"rain one pixel west, in the next tile",
         {{{914, 376}, dry}, {{913, 376}, TileWith(255, 7, 6)}},
         6},
        {"the greater of two",
         {{{914, 376}, TileWith(1, 8, 2)}, {{913, 376}, TileWith(255, 9, 7)}},
         7},
        {"rain two pixels off", {{{914, 376}, TileWith(2, 8, 8)}, {{913, 376}, dry}}, 0},
        {"the next tile missing", {{{914, 376}, TileWith(0, 8, 3)}}, {}},
        {"a colour of no class beside the place",
         {{{914, 376},
           Tile([](int x, int y) { return static_cast<std::uint8_t>(x == 1 && y == 8 ? 10 : 1); },
                [] {
                    std::vector<TTileColour> p(NowcastPalette().begin(), NowcastPalette().end());
                    p.push_back({1, 2, 3, 255});
                    return p;
                }())},
          {{913, 376}, dry}},
         {}},
        {"a broken tile", {{{914, 376}, "broken"}, {{913, 376}, dry}}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::int64_t, std::int64_t>> asked;
        const auto rain = NowcastFrameClass(
            sapporo, 10, [&](std::int64_t x, std::int64_t y) -> std::optional<std::string> {
                asked.emplace_back(x, y);
                const auto it = c.tiles.find({x, y});
                return it == c.tiles.end() ? std::nullopt : std::optional(it->second);
            });
        EXPECT_EQ(rain, c.rainClass) << c.name;
        for (const auto& at : asked)
            EXPECT_TRUE(at == std::make_pair(std::int64_t{914}, std::int64_t{376}) ||
                        at == std::make_pair(std::int64_t{913}, std::int64_t{376}))
                << c.name;
    }
    // A corner of a tile takes four.
    int tiles = 0;
    NowcastFrameClass({256 * 909, 256 * 403}, 10, [&](std::int64_t, std::int64_t) {
        ++tiles;
        return std::optional(dry);
    });
    EXPECT_EQ(tiles, 4);
}

namespace {

// The agency's nowcast on 127.0.0.1: the real time lists of 2026-09-16 (newest analysis both
// tell: 01:05 UTC) with ETags, and for every frame of that analysis the tiles a test sets; any
// other tile is a 404. Counts what it was asked.
class NowcastServer : public ::testing::Test {
protected:
    void SetUp() override {
        lists["/bosai/jmatile/data/nowc/targetTimes_N1.json"] =
            ReadAll(TestData("jma/nowcast/targetTimes_N1-2026-09-16T0110Z.json"));
        lists["/bosai/jmatile/data/nowc/targetTimes_N2.json"] =
            ReadAll(TestData("jma/nowcast/targetTimes_N2-2026-09-16T0105Z.json"));
        server.Get(R"(/bosai/jmatile/data/nowc/targetTimes_N\d\.json)",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       const std::lock_guard lock(mutex);
                       ++asked[req.path];
                       const auto it = lists.find(req.path);
                       if (it == lists.end()) {
                           res.status = 404;
                           return;
                       }
                       const std::string etag = "\"" + std::to_string(it->second.size()) + "\"";
                       res.set_header("ETag", etag);
                       if (req.get_header_value("If-None-Match") == etag) {
                           ++notModified;
                           res.status = 304;
                           return;
                       }
                       res.set_content(it->second, "application/json");
                   });
        server.Get(R"(/bosai/jmatile/data/nowc/(\d+)/none/(\d+)/surf/hrpns/10/(\d+)/(\d+)\.png)",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       const std::lock_guard lock(mutex);
                       ++asked[req.path];
                       ++tileRequests;
                       const auto it = tiles.find(req.path);
                       if (it == tiles.end()) {
                           res.status = 404;
                           return;
                       }
                       res.set_content(it->second, "image/png");
                   });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        prefix = "http://127.0.0.1:" + std::to_string(port) + "/bosai/";
    }
    void TearDown() override {
        server.stop();
        thread.join();
    }

    // Frame k's tile at (x, y).
    void SetTile(int k, std::int64_t x, std::int64_t y, std::string bytes) {
        tiles["/bosai/" + NowcastTilePath(kBase, kBase + k * 300, 10, x, y)] = std::move(bytes);
    }

    TNowcastOutcome Load(const TCoordinates& place) {
        TCurlHttpClient client;
        return LoadJmaNowcast(client, prefix, cache.Path(), place);
    }

    static constexpr std::int64_t kBase = 1789520700; // 2026-09-16 01:05 UTC, 10:05 in Japan
    TempDir cache;
    std::map<std::string, std::string> lists;
    std::map<std::string, std::string> tiles;
    std::map<std::string, int> asked;
    int tileRequests = 0;
    int notModified = 0;
    std::mutex mutex;
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::string prefix;
};

// Tokyo Station's pixel (143, 58) of tile 909/403 is of class `classes[k]` in frame k.
const std::vector<std::int32_t> kClasses = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 5, 0, 1};

} // namespace

TEST_F(NowcastServer, EveryFrameAtThePlaceFromTheRealLists) {
    ASSERT_EQ(NowcastTimeText(kBase), "20260916010500");
    for (int k = 0; k < kNowcastFrames; ++k)
        SetTile(k, 909, 403, TileWith(143, 58, kClasses[static_cast<std::size_t>(k)]));
    const JapanClock clock(kBase + 7 * 60);
    const TNowcastOutcome outcome = Load(kTokyoStation);
    ASSERT_EQ(outcome.Result, TNowcastResult::Read) << outcome.Problem;
    EXPECT_EQ(outcome.Step, kJmaRainStep);
    EXPECT_EQ(outcome.Time, "2026-09-16T10:05");
    EXPECT_EQ(outcome.Rain, kClasses);
    EXPECT_EQ(tileRequests, kNowcastFrames);

    // Nothing new: the lists come back 304 and no tile is asked for again.
    const TNowcastOutcome again = Load(kTokyoStation);
    EXPECT_EQ(again.Rain, kClasses);
    EXPECT_EQ(notModified, 2);
    EXPECT_EQ(tileRequests, kNowcastFrames);
    for (const auto& [path, times] : asked)
        EXPECT_TRUE(!path.ends_with(".png") || times == 1) << path;
}

TEST_F(NowcastServer, APlaceOnATilesEdgeReadsTheNextTile) {
    for (int k = 0; k < kNowcastFrames; ++k) {
        SetTile(k, 914, 376, TileWith(0, 0, 0));
        SetTile(k, 913, 376, TileWith(255, 9, k % 2 == 0 ? 4 : 0));
    }
    const JapanClock clock(kBase + 7 * 60);
    const TNowcastOutcome outcome = Load(kSapporo);
    ASSERT_EQ(outcome.Result, TNowcastResult::Read);
    EXPECT_EQ(outcome.Rain, (std::vector<std::int32_t>{4, 0, 4, 0, 4, 0, 4, 0, 4, 0, 4, 0, 4}));
    EXPECT_EQ(tileRequests, 2 * kNowcastFrames);
}

TEST_F(NowcastServer, WhatCannotBeHadIsUnknownNeverDry) {
    const std::vector<std::int32_t> unknownFrames = {0,       0, 1, NoValue, 3, 4, 5,
                                                     NoValue, 7, 8, 5,       0, 1};
    for (int k = 0; k < kNowcastFrames; ++k)
        SetTile(k, 909, 403, TileWith(143, 58, kClasses[static_cast<std::size_t>(k)]));
    // Frame 3's tile is missing (404), frame 7's has a colour outside the legend.
    tiles.erase("/bosai/" + NowcastTilePath(kBase, kBase + 3 * 300, 10, 909, 403));
    std::vector<TTileColour> odd(NowcastPalette().begin(), NowcastPalette().end());
    odd.push_back({200, 200, 200, 255});
    SetTile(7, 909, 403,
            Tile([](int x, int y) { return std::uint8_t(x == 143 && y == 58 ? 10 : 1); }, odd));
    {
        const JapanClock clock(kBase + 29 * 60);
        const TNowcastOutcome outcome = Load(kTokyoStation);
        ASSERT_EQ(outcome.Result, TNowcastResult::Read);
        EXPECT_EQ(outcome.Rain, unknownFrames);
        // Only whole tiles are kept: the missing one is asked again, the odd one is not.
        const TNowcastOutcome again = Load(kTokyoStation);
        EXPECT_EQ(again.Rain, unknownFrames);
        EXPECT_EQ(tileRequests, kNowcastFrames + 1);
    }
    // An analysis 31 minutes behind the clock (or ahead of it) says nothing of the coming hour.
    for (const std::int64_t off : {31 * 60, -31 * 60}) {
        const JapanClock clock(kBase + off);
        const TNowcastOutcome stale = Load(kTokyoStation);
        EXPECT_EQ(stale.Result, TNowcastResult::Stale) << off;
        EXPECT_TRUE(stale.Rain.empty()) << off;
        EXPECT_EQ(stale.Step, kJmaRainStep) << off;
    }
    // A list that is not there (404) or is no list.
    const JapanClock clock(kBase + 7 * 60);
    const std::string n2 = "/bosai/jmatile/data/nowc/targetTimes_N2.json";
    for (const std::optional<std::string>& answer :
         {std::optional<std::string>(), std::optional<std::string>("<html>503</html>")}) {
        std::filesystem::remove_all(cache.Path());
        if (answer)
            lists[n2] = *answer;
        else
            lists.erase(n2);
        const TNowcastOutcome failed = Load(kTokyoStation);
        EXPECT_EQ(failed.Result, TNowcastResult::Failed);
        EXPECT_TRUE(failed.Rain.empty());
        EXPECT_EQ(failed.Problem, kNowcastFailedMessage);
    }
    // A place off the map is no place of the nowcast: nothing is asked.
    const int before = tileRequests;
    EXPECT_EQ(Load({89.0, 0.0}).Result, TNowcastResult::None);
    EXPECT_EQ(tileRequests, before);
}

TEST_F(NowcastServer, KeptTilesGoThreeHoursAfterTheirAnalysis) {
    for (int k = 0; k < kNowcastFrames; ++k)
        SetTile(k, 909, 403, TileWith(0, 0, 0));
    const std::string old = "jma/nowcast/" + NowcastTimeText(kBase - 3 * 3600 - 300) + "-" +
                            NowcastTimeText(kBase - 3 * 3600) + "-10-909-403.png";
    const std::string recent = "jma/nowcast/" + NowcastTimeText(kBase - 3 * 3600 + 600) + "-" +
                               NowcastTimeText(kBase - 3 * 3600 + 600) + "-10-909-403.png";
    cache.Write(old, TileWith(0, 0, 0));
    cache.Write(recent, TileWith(0, 0, 0));
    cache.Write("jma/nowcast/notes.png", "not ours");
    const JapanClock clock(kBase + 5 * 60);
    ASSERT_EQ(Load(kTokyoStation).Result, TNowcastResult::Read);
    EXPECT_FALSE(std::filesystem::exists(cache.File(old)));
    EXPECT_TRUE(std::filesystem::exists(cache.File(recent)));
    EXPECT_TRUE(std::filesystem::exists(cache.File("jma/nowcast/notes.png")));
    EXPECT_TRUE(
        std::filesystem::exists(cache.File("jma/nowcast/" + NowcastTimeText(kBase) + "-" +
                                           NowcastTimeText(kBase + 3600) + "-10-909-403.png")));
}
