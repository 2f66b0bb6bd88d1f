#pragma once

#include "weather/Coordinates.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The map tiles of the agency's precipitation nowcast: Web Mercator (EPSG:3857) XYZ tiles of
// 256 x 256 pixels, y growing southwards. A tile with data is a 4-bit palette PNG whose tRNS
// chunk makes its first entries transparent; the server's empty tile (outside the data, odd
// zooms) is an 8-bit RGBA PNG, wholly transparent.

inline constexpr int kTileSide = 256;
// The finest zoom the agency publishes: a pixel is about 125 m at 35°N.
inline constexpr int kNowcastZoom = 10;

// A pixel of the whole world at a zoom, counted from the north-west corner: x eastwards, y
// southwards, each from 0 to 256 * 2^zoom - 1. Its tile is (X / 256, Y / 256), its pixel in
// the tile (X % 256, Y % 256).
struct TWorldPixel {
    std::int64_t X = 0;
    std::int64_t Y = 0;
    bool operator==(const TWorldPixel&) const = default;
};

// The pixel holding a place at a zoom (0-20); nothing for coordinates that are not finite or lie
// beyond the projection (latitudes past ±85.0511°, longitudes past ±180°).
std::optional<TWorldPixel> WorldPixelOf(const TCoordinates& place, int zoom);

// The class of a rain rate shown by the legend: 0 no rain; 1 below 1 mm/h, 2 1-5, 3 5-10,
// 4 10-20, 5 20-30, 6 30-50, 7 50-80, 8 80 mm/h and more.
inline constexpr std::int32_t kRainClassCount = 8;

// The class of a pixel's colour (straight RGBA): 0 for any transparent pixel; 1-8 for the
// legend's opaque colours (20-30 mm/h is 250,245,0 in the tiles and 255,245,0 in the legend:
// both count); nothing for any other colour.
std::optional<std::int32_t> RainClassOfColour(std::uint8_t red, std::uint8_t green,
                                              std::uint8_t blue, std::uint8_t alpha);

// A pixel within a tile.
struct TTilePoint {
    int X = 0;
    int Y = 0;
};

// The classes of `points` (each within the tile) in one tile's PNG bytes, in their order;
// nothing for a point whose colour has no class (such a colour is logged once, on standard
// error). Nothing at all when the bytes are no tile: not a PNG, broken, or not 256 x 256 (the
// header is checked against the project's image limits before any pixel is read). The image is
// decoded only down to the lowest row asked for.
std::optional<std::vector<std::optional<std::int32_t>>>
ReadNowcastTile(std::string_view png, std::span<const TTilePoint> points);

// The bytes are a tile that decodes whole (as ReadNowcastTile would take it).
bool IsNowcastTile(std::string_view png);
