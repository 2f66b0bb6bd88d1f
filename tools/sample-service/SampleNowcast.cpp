#include "SampleNowcast.h"
#include "SampleApi.h"
#include "SampleHash.h"

#include "platform/Convert.h"
#include "platform/LibPng.h"
#include "weather/jma/JmaNowcast.h"
#include "weather/jma/JmaPlace.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <numbers>
#include <stdexcept>

// libpng's handlers and owners (platform/LibPng.h).
using namespace platform::png;

namespace {

using sample::Mix;

constexpr std::int64_t kStep = 5 * 60;
constexpr std::int64_t kListed = 3 * 60 * 60;
constexpr std::int64_t kAhead = 60 * 60;
constexpr int kSide = 256;

// The agency's data area; outside it the server gives its empty tile.
constexpr double kSouth = 20.0, kNorth = 48.0, kWest = 118.0, kEast = 150.0;

// The showers: cells of a lattice drifting eastwards, a little over half of them raining.
constexpr double kDrift = 0.4; // degrees of longitude an hour
constexpr double kCellLon = 1.2;
constexpr double kCellLat = 0.9;
// Rain brought to a place covers this far around its prefecture's seat.
constexpr double kBroughtRadius = 0.4;

constexpr std::array<TTileColour, 10> kPalette = {{
    {255, 255, 255, 0},
    {255, 255, 255, 0},
    {242, 242, 255, 255},
    {160, 210, 255, 255},
    {33, 140, 255, 255},
    {0, 65, 255, 255},
    {250, 245, 0, 255},
    {255, 153, 0, 255},
    {255, 40, 0, 255},
    {180, 0, 104, 255},
}};

double Unit(std::uint64_t h) {
    return static_cast<double>(h % 10000) / 10000.0;
}

// Holds only trivially destructible locals: the jump skips no destructor.
bool Write(png_structp png, png_infop info, std::string* out, int depth, int colourType,
           png_colorp palette, int colours, png_bytep alphas, int transparent, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, WriteToString, FlushNothing);
    png_set_IHDR(png, info, kSide, kSide, depth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette != nullptr)
        png_set_PLTE(png, info, palette, colours);
    if (transparent > 0)
        png_set_tRNS(png, info, alphas, transparent, nullptr);
    // As the agency's server writes them: its empty tile is 334 bytes so.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::string HashRow(std::int64_t base, std::int64_t valid, bool first) {
    return std::string(first ? "  " : " ,") + "{\"basetime\": \"" + NowcastTimeText(base) +
           "\", \"validtime\": \"" + NowcastTimeText(valid) +
           "\", \"elements\": [\"hrpns\", \"hrpns_nd\"]}\n";
}

// A whole number of up to 18 digits; nothing for any other text.
std::optional<std::int64_t> WholeNumber(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The number before the first "/" of `text`, which loses both.
std::optional<std::int64_t> TakeNumber(std::string_view& text) {
    const std::size_t at = text.find('/');
    if (at == std::string_view::npos)
        return std::nullopt;
    const auto n = WholeNumber(text.substr(0, at));
    text.remove_prefix(at + 1);
    return n;
}

} // namespace

std::string EncodePaletteTile(std::span<const TTileColour> palette,
                              std::span<const std::uint8_t> pixels) {
    if (palette.empty() || palette.size() > 16 ||
        pixels.size() != static_cast<std::size_t>(kSide) * kSide)
        throw std::invalid_argument("a tile needs 1-16 colours and 256 x 256 pixels");
    std::array<png_color, 16> colours{};
    std::array<png_byte, 16> alphas{};
    int transparent = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        colours[i] = {palette[i].R, palette[i].G, palette[i].B};
        alphas[i] = palette[i].A;
        if (palette[i].A != 255)
            transparent = static_cast<int>(i) + 1;
    }
    // Two pixels a byte, the first in the high half.
    std::vector<png_byte> packed(static_cast<std::size_t>(kSide / 2) * kSide);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] >= palette.size())
            throw std::invalid_argument("a pixel names no colour of the palette");
        packed[i / 2] |= static_cast<png_byte>(i % 2 == 0 ? pixels[i] << 4 : pixels[i]);
    }
    std::vector<png_bytep> rows(kSide);
    for (int y = 0; y < kSide; ++y)
        rows[static_cast<std::size_t>(y)] = packed.data() + static_cast<std::size_t>(y) * kSide / 2;
    WriteStruct writer;
    std::string out;
    if (!writer.png || !writer.info ||
        !Write(writer.png, writer.info, &out, 4, PNG_COLOR_TYPE_PALETTE, colours.data(),
               static_cast<int>(palette.size()), alphas.data(), transparent, rows.data()))
        throw std::runtime_error("the tile cannot be written");
    return out;
}

std::span<const TTileColour> NowcastPalette() {
    return kPalette;
}

std::string EmptyNowcastTile() {
    static const std::string tile = [] {
        std::vector<png_byte> pixels(static_cast<std::size_t>(kSide) * kSide * 4, 0);
        std::vector<png_bytep> rows(kSide);
        for (int y = 0; y < kSide; ++y)
            rows[static_cast<std::size_t>(y)] =
                pixels.data() + static_cast<std::size_t>(y) * kSide * 4;
        WriteStruct writer;
        std::string out;
        if (!writer.png || !writer.info ||
            !Write(writer.png, writer.info, &out, 8, PNG_COLOR_TYPE_RGB_ALPHA, nullptr, 0, nullptr,
                   0, rows.data()))
            throw std::runtime_error("the empty tile cannot be written");
        return out;
    }();
    return tile;
}

std::int32_t SampleShowerClass(double latitude, double longitude, std::int64_t at) {
    if (latitude < kSouth || latitude > kNorth || longitude < kWest || longitude > kEast)
        return 0;
    const double u = longitude - kDrift * static_cast<double>(at) / 3600.0;
    const auto i = static_cast<std::int64_t>(std::floor(u / kCellLon));
    const auto j = static_cast<std::int64_t>(std::floor(latitude / kCellLat));
    const double shrink = std::cos(latitude * std::numbers::pi / 180.0);
    std::int32_t best = 0;
    for (std::int64_t di = -1; di <= 1; ++di)
        for (std::int64_t dj = -1; dj <= 1; ++dj) {
            const std::uint64_t h = Mix(Mix(static_cast<std::uint64_t>(i + di)) ^
                                        static_cast<std::uint64_t>(j + dj) * 0x9E3779B97F4A7C15ull);
            if (h % 10 >= 6)
                continue; // a dry cell
            const double cu =
                (static_cast<double>(i + di) + 0.5 + (Unit(Mix(h)) - 0.5) * 0.6) * kCellLon;
            const double cl =
                (static_cast<double>(j + dj) + 0.5 + (Unit(Mix(h + 1)) - 0.5) * 0.6) * kCellLat;
            const double radius = 0.12 + Unit(Mix(h + 2)) * 0.18;
            const double peak =
                2.0 + static_cast<double>(Mix(h + 3) % 5) + (Mix(h + 4) % 8 == 0 ? 2.0 : 0.0);
            const double dx = (u - cu) * shrink, dy = latitude - cl;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < radius)
                best =
                    std::max(best, static_cast<std::int32_t>(std::ceil(peak * (1.0 - d / radius))));
        }
    return std::min(best, 8);
}

double SampleClassRate(std::int32_t rainClass) {
    constexpr std::array<double, 9> rates = {0.0, 0.5, 3.0, 7.5, 15.0, 25.0, 40.0, 65.0, 90.0};
    return rainClass >= 0 && rainClass <= 8 ? rates[static_cast<std::size_t>(rainClass)] : 0.0;
}

std::optional<TSampleNowcast::TRainIn> TSampleNowcast::ParseRainIn(std::string_view text) {
    const std::vector<std::string_view> parts = [&] {
        std::vector<std::string_view> out;
        for (std::size_t at = 0;;) {
            const std::size_t colon = text.find(':', at);
            out.push_back(text.substr(at, colon == std::string_view::npos ? colon : colon - at));
            if (colon == std::string_view::npos)
                return out;
            at = colon + 1;
        }
    }();
    if (parts.size() < 2 || parts.size() > 3 || parts[0].size() != 7 ||
        !std::all_of(parts[0].begin(), parts[0].end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    if (!SamplePrefectureCentre(JmaPrefectureName(parts[0].substr(0, 2))))
        return std::nullopt;
    TRainIn rain;
    rain.Class20 = std::string(parts[0]);
    rain.Minutes = platform::StrToIntDef(parts[1], -1);
    rain.Class = parts.size() == 3 ? platform::StrToIntDef(parts[2], -1) : 2;
    if (rain.Minutes < 0 || rain.Minutes > 180 || rain.Class < 1 || rain.Class > 8)
        return std::nullopt;
    return rain;
}

TSampleNowcast::TSampleNowcast(std::vector<TRainIn> rainIn, std::int64_t start) {
    for (const TRainIn& rain : rainIn) {
        const auto centre = SamplePrefectureCentre(JmaPrefectureName(rain.Class20.substr(0, 2)));
        if (centre)
            brought_.push_back({centre->Latitude, centre->Longitude,
                                NewestAnalysis(start) + rain.Minutes * 60, rain.Class});
    }
}

std::int64_t TSampleNowcast::NewestAnalysis(std::int64_t unixNow) {
    return unixNow - ((unixNow % kStep) + kStep) % kStep;
}

std::int32_t TSampleNowcast::ClassAt(double latitude, double longitude, std::int64_t at) const {
    if (brought_.empty())
        return SampleShowerClass(latitude, longitude, at);
    std::int32_t best = 0;
    for (const TBroughtRain& rain : brought_)
        if (at >= rain.From &&
            std::hypot(latitude - rain.Latitude, longitude - rain.Longitude) <= kBroughtRadius)
            best = std::max(best, rain.Class);
    return best;
}

std::optional<TSampleNowcast::Page> TSampleNowcast::Get(std::string_view path,
                                                        std::int64_t unixNow) const {
    const std::int64_t newest = NewestAnalysis(unixNow);
    if (path == kNowcastAnalysesPath || path == kNowcastForecastsPath) {
        std::string body = "[\n";
        const bool analyses = path == kNowcastAnalysesPath;
        for (std::int64_t k = 0; k <= (analyses ? kListed : kAhead - kStep) / kStep; ++k)
            body += analyses ? HashRow(newest - k * kStep, newest - k * kStep, k == 0)
                             : HashRow(newest, newest + kAhead - k * kStep, k == 0);
        return Page{body + "]\n", "application/json"};
    }
    // jmatile/data/nowc/{base}/none/{valid}/surf/hrpns/{z}/{x}/{y}.png
    constexpr std::string_view prefix = "jmatile/data/nowc/";
    if (!path.starts_with(prefix) || !path.ends_with(".png"))
        return std::nullopt;
    std::string_view rest = path.substr(prefix.size(), path.size() - prefix.size() - 4);
    const std::string_view baseText = rest.substr(0, std::min<std::size_t>(14, rest.size()));
    const auto base = ReadNowcastTimeText(baseText);
    if (!base || !rest.substr(14).starts_with("/none/"))
        return std::nullopt;
    rest.remove_prefix(14 + 6);
    const auto valid = ReadNowcastTimeText(rest.substr(0, std::min<std::size_t>(14, rest.size())));
    if (!valid || !rest.substr(14).starts_with("/surf/hrpns/"))
        return std::nullopt;
    rest.remove_prefix(14 + 12);
    const auto zoom = TakeNumber(rest);
    const auto x = TakeNumber(rest);
    const auto y = WholeNumber(rest);
    // Only what the lists tell: an analysis of the last three hours, itself or an hour after.
    const std::int64_t ahead = *valid - *base;
    if (!zoom || !x || !y || *zoom > 20 || *base % kStep != 0 || *base > newest ||
        *base < newest - kListed || ahead < 0 || ahead > kAhead || ahead % kStep != 0 ||
        *x >= (std::int64_t{1} << *zoom) || *y >= (std::int64_t{1} << *zoom))
        return std::nullopt;
    if (*zoom != kNowcastZoom)
        return Page{EmptyNowcastTile(), "image/png"};
    const double n = static_cast<double>(std::int64_t{kSide} << *zoom);
    const double west = static_cast<double>(*x * kSide) / n * 360.0 - 180.0;
    const double east = static_cast<double>((*x + 1) * kSide) / n * 360.0 - 180.0;
    const auto latitudeOf = [&](double row) {
        return std::atan(std::sinh(std::numbers::pi * (1.0 - 2.0 * row / n))) * 180.0 /
               std::numbers::pi;
    };
    const double north = latitudeOf(static_cast<double>(*y * kSide));
    const double south = latitudeOf(static_cast<double>((*y + 1) * kSide));
    if (east < kWest || west > kEast || north < kSouth || south > kNorth)
        return Page{EmptyNowcastTile(), "image/png"};
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide);
    for (int py = 0; py < kSide; ++py) {
        const double lat = latitudeOf(static_cast<double>(*y * kSide + py) + 0.5);
        for (int px = 0; px < kSide; ++px) {
            const double lon = (static_cast<double>(*x * kSide + px) + 0.5) / n * 360.0 - 180.0;
            const std::int32_t c = ClassAt(lat, lon, *valid);
            pixels[static_cast<std::size_t>(py) * kSide + px] =
                static_cast<std::uint8_t>(c == 0 ? 1 : c + 1);
        }
    }
    return Page{EncodePaletteTile(kPalette, pixels), "image/png"};
}
