#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The agency's precipitation nowcast as the sample service serves it below its `bosai/`:
// jmatile/data/nowc/targetTimes_N1.json (the analyses of the last three hours, every five
// minutes of its clock, newest first), targetTimes_N2.json (the twelve forecasts of the newest)
// and the zoom-10 tiles of every listed analysis and forecast, in the agency's format. The rain
// is a field of showers that drift eastwards over the country, the same on every run; a forecast
// shows the field at its own time, so the analyses that follow confirm it.

// One colour of a tile's palette.
struct TTileColour {
    std::uint8_t R = 0, G = 0, B = 0, A = 0;
};

// A 256 x 256 tile as the agency writes one: a 4-bit palette PNG whose tRNS chunk gives each
// entry its alpha. `palette` holds 1 to 16 colours, `pixels` one index into it per pixel, row by
// row from the north-west corner. Throws std::invalid_argument for other sizes.
std::string EncodePaletteTile(std::span<const TTileColour> palette,
                              std::span<const std::uint8_t> pixels);

// The agency's palette: entries 0 and 1 transparent white, then the legend's eight colours,
// class c at entry c + 1 (the tiles' yellow 250,245,0 for class 5).
std::span<const TTileColour> NowcastPalette();

// The server's empty tile (outside the data, odd zooms): 256 x 256, 8-bit RGBA, wholly
// transparent.
std::string EmptyNowcastTile();

// The rain class (0-8, as JmaNowcastTile.h) of the drifting showers at a point and a time
// (seconds since 1970).
std::int32_t SampleShowerClass(double latitude, double longitude, std::int64_t at);
// A rate of that class in mm/h (the middle of its range; 0 for none).
double SampleClassRate(std::int32_t rainClass);

class TSampleNowcast {
public:
    // Rain brought to a place: from `Minutes` after the analysis of the service's start on, of
    // class `Class`, over the municipality's prefecture (every point within 0.4° of its seat, so
    // the place's station and its looked-up coordinates alike).
    struct TRainIn {
        std::string Class20;
        int Minutes = 0;
        int Class = 2;
        bool operator==(const TRainIn&) const = default;
    };
    // "CLASS20:MINUTES[:CLASS]" ("1310100:25", "1310100:25:4"); nothing for any other text
    // (minutes 0-180, class 1-8, a class20 of seven digits of a known prefecture).
    static std::optional<TRainIn> ParseRainIn(std::string_view text);

    // Without rain brought anywhere, the drifting showers; with any, the sky is dry but for the
    // places named, so a test knows when rain comes. `start` is the service's start.
    explicit TSampleNowcast(std::vector<TRainIn> rainIn = {}, std::int64_t start = 0);

    struct Page {
        std::string Body;
        std::string ContentType;
    };
    // The page at `path` below the prefix ("jmatile/data/nowc/targetTimes_N1.json", a tile)
    // when the clock shows `unixNow`; nothing for any other path, and for a tile of an analysis
    // or a time the lists do not tell.
    std::optional<Page> Get(std::string_view path, std::int64_t unixNow) const;

    // The class at a point and a time.
    std::int32_t ClassAt(double latitude, double longitude, std::int64_t at) const;

    // The newest analysis at `unixNow`: the five minutes of the clock.
    static std::int64_t NewestAnalysis(std::int64_t unixNow);

private:
    struct TBroughtRain {
        double Latitude, Longitude;
        std::int64_t From;
        int Class;
    };
    std::vector<TBroughtRain> brought_;
};
