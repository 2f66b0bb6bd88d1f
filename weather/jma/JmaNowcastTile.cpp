// The agency's nowcast tiles: where a place lies on them, and the class of a pixel's colour.
#include "weather/jma/JmaNowcastTile.h"

#include "platform/ImageLimits.h"
#include "platform/LibPng.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <iostream>
#include <mutex>
#include <numbers>
#include <set>

// libpng's handlers and owners (platform/LibPng.h).
using namespace platform::png;

namespace {

// The edge of the square Web Mercator world: atan(sinh(π)).
constexpr double kMaxLatitude = 85.05112877980659;

struct TLegendColour {
    std::uint8_t Red, Green, Blue;
    std::int32_t Class;
};

constexpr std::array<TLegendColour, 9> kLegend = {{
    {242, 242, 255, 1},
    {160, 210, 255, 2},
    {33, 140, 255, 3},
    {0, 65, 255, 4},
    {250, 245, 0, 5}, // the tiles' yellow
    {255, 245, 0, 5}, // the legend's
    {255, 153, 0, 6},
    {255, 40, 0, 7},
    {180, 0, 104, 8},
}};

void LogUnknownColour(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    static std::mutex mutex;
    static std::set<std::uint32_t> logged;
    const std::uint32_t key = (std::uint32_t{r} << 24) | (std::uint32_t{g} << 16) |
                              (std::uint32_t{b} << 8) | std::uint32_t{a};
    const std::lock_guard lock(mutex);
    if (logged.size() >= 64 || !logged.insert(key).second)
        return;
    std::cerr << "pelumi: 気象庁の降水ナウキャストの色 (" << int{r} << "," << int{g} << ","
              << int{b} << "," << int{a} << ") は凡例にありません (その時刻の雨は不明とします)\n";
}

// Reads the header and sets the transformations to 8-bit straight RGBA (a palette's tRNS
// entries become alpha). False on any libpng error, for any size but a tile's, and when the
// rows would not be four bytes a pixel.
bool ReadTileHeader(png_structp png, png_infop info, int* passes) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_read_info(png, info);
    if (png_get_image_width(png, info) != kTileSide || png_get_image_height(png, info) != kTileSide)
        return false;
    const int colourType = png_get_color_type(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    *passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(kTileSide) * 4;
}

// Rows 0 to `rows` - 1 of an image read in one pass, each into its place in `pixels`.
bool ReadRows(png_structp png, unsigned char* pixels, int rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (int y = 0; y < rows; ++y)
        png_read_row(png, pixels + static_cast<std::size_t>(y) * kTileSide * 4, nullptr);
    return true;
}

// The whole of an interlaced image: its last pass completes every row.
bool ReadWhole(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

} // namespace

std::optional<TWorldPixel> WorldPixelOf(const TCoordinates& place, int zoom) {
    const double lat = place.Latitude;
    const double lon = place.Longitude;
    if (zoom < 0 || zoom > 20 || !std::isfinite(lat) || !std::isfinite(lon) ||
        std::fabs(lat) > kMaxLatitude || std::fabs(lon) > 180.0)
        return std::nullopt;
    const double side = std::ldexp(static_cast<double>(kTileSide), zoom);
    const double r = lat * std::numbers::pi / 180.0;
    const double xf = (lon + 180.0) / 360.0 * side;
    const double yf =
        (1.0 - std::log(std::tan(r) + 1.0 / std::cos(r)) / std::numbers::pi) / 2.0 * side;
    const auto last = static_cast<std::int64_t>(side) - 1;
    // 180°E is 180°W again; the poles of the square world lie on its edges.
    TWorldPixel pixel;
    pixel.X = static_cast<std::int64_t>(std::floor(xf)) % (last + 1);
    pixel.Y = std::clamp(static_cast<std::int64_t>(std::floor(yf)), std::int64_t{0}, last);
    return pixel;
}

std::optional<std::int32_t> RainClassOfColour(std::uint8_t red, std::uint8_t green,
                                              std::uint8_t blue, std::uint8_t alpha) {
    if (alpha == 0)
        return 0;
    if (alpha == 255)
        for (const TLegendColour& c : kLegend)
            if (c.Red == red && c.Green == green && c.Blue == blue)
                return c.Class;
    return std::nullopt;
}

namespace {

// Rows 0 to `rows` - 1 of a tile as 8-bit straight RGBA, 1024 bytes a row (the whole tile when
// it is interlaced); nothing when the bytes are no tile.
std::optional<std::vector<unsigned char>> DecodeTileRows(std::string_view png, int rows) {
    if (png.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(png.data()), 0, 8) != 0)
        return std::nullopt;
    ReadStruct reader;
    if (!reader.png || !reader.info)
        return std::nullopt;
    ReadCursor cursor{reinterpret_cast<const unsigned char*>(png.data()), png.size(), 8};
    png_set_read_fn(reader.png, &cursor, ReadFromMemory);
    int passes = 1;
    if (!ReadTileHeader(reader.png, reader.info, &passes))
        return std::nullopt;
    // Only the rows asked for, unless the image is interlaced: then every pass fills them all.
    std::vector<unsigned char> pixels(static_cast<std::size_t>(passes == 1 ? rows : kTileSide) *
                                      kTileSide * 4);
    if (passes == 1) {
        if (!ReadRows(reader.png, pixels.data(), rows))
            return std::nullopt;
    } else {
        std::vector<png_bytep> rowPointers(kTileSide);
        for (int y = 0; y < kTileSide; ++y)
            rowPointers[static_cast<std::size_t>(y)] =
                pixels.data() + static_cast<std::size_t>(y) * kTileSide * 4;
        if (!ReadWhole(reader.png, rowPointers.data()))
            return std::nullopt;
    }
    return pixels;
}

} // namespace

bool IsNowcastTile(std::string_view png) {
    return DecodeTileRows(png, kTileSide).has_value();
}

std::optional<std::vector<std::optional<std::int32_t>>>
ReadNowcastTile(std::string_view png, std::span<const TTilePoint> points) {
    int rows = 0;
    for (const TTilePoint& p : points) {
        if (p.X < 0 || p.X >= kTileSide || p.Y < 0 || p.Y >= kTileSide)
            return std::nullopt;
        rows = std::max(rows, p.Y + 1);
    }
    const auto decoded = DecodeTileRows(png, rows);
    if (!decoded)
        return std::nullopt;
    const std::vector<unsigned char>& pixels = *decoded;
    std::vector<std::optional<std::int32_t>> classes;
    classes.reserve(points.size());
    for (const TTilePoint& p : points) {
        const unsigned char* px =
            pixels.data() + (static_cast<std::size_t>(p.Y) * kTileSide + p.X) * 4;
        const auto c = RainClassOfColour(px[0], px[1], px[2], px[3]);
        if (!c)
            LogUnknownColour(px[0], px[1], px[2], px[3]);
        classes.push_back(c);
    }
    return classes;
}
