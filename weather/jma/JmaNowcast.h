#pragma once

#include "weather/Coordinates.h"
#include "weather/Rain.h"
#include "weather/jma/JmaNowcastTile.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class THttpClient;

// The agency's precipitation nowcast (高解像度降水ナウキャスト): a new analysis every five
// minutes and its forecasts to an hour, as map tiles below `jmatile/data/nowc/`. Two time lists
// tell what exists: targetTimes_N1.json the analyses of the last three hours, newest first, and
// targetTimes_N2.json the twelve forecasts of one analysis. Their times are UTC.

inline constexpr std::string_view kNowcastAnalysesPath = "jmatile/data/nowc/targetTimes_N1.json";
inline constexpr std::string_view kNowcastForecastsPath = "jmatile/data/nowc/targetTimes_N2.json";

// The analysis and its forecasts to 60 minutes.
inline constexpr int kNowcastFrames = 13;

// One row of a time list, as seconds since 1970.
struct TNowcastTime {
    std::int64_t Base = 0;
    std::int64_t Valid = 0;
    bool operator==(const TNowcastTime&) const = default;
};

// A list's time, UTC "YYYYMMDDHHMMSS", and back (nothing for any other text, or a day that is
// not in the calendar).
std::string NowcastTimeText(std::int64_t unixSeconds);
std::optional<std::int64_t> ReadNowcastTimeText(std::string_view text);

// The rows of a time list in its order; a row without two readable times is passed over.
// Nothing when the text is no such list: not a JSON array (or larger than a list can be), or
// without any readable row.
std::optional<std::vector<TNowcastTime>> ReadNowcastTimes(std::string_view answer);

// The frames of one analysis: Valid[k] is the time frame k shows (k * 5 minutes after Base)
// when the lists tell it, frame 0 being the analysis itself; nothing where they do not.
struct TNowcastFrames {
    std::int64_t Base = 0;
    std::array<std::optional<std::int64_t>, kNowcastFrames> Valid;
    bool operator==(const TNowcastFrames&) const = default;
};

// The newest analysis both lists tell: the forecasts' analysis (of several, the newest) when the
// analyses list it, or when it is the step after their newest (the analyses fetched a moment
// before it was listed). Nothing when they do not agree, or either tells nothing.
std::optional<TNowcastFrames> ChooseNowcastFrames(const std::vector<TNowcastTime>& analyses,
                                                  const std::vector<TNowcastTime>& forecasts);

// The path of a tile below the agency's prefix:
// "jmatile/data/nowc/{base}/none/{valid}/surf/hrpns/{zoom}/{x}/{y}.png".
std::string NowcastTilePath(std::int64_t base, std::int64_t valid, int zoom, std::int64_t x,
                            std::int64_t y);

// The class of one frame at a pixel: the greatest class of the pixel and its eight neighbours,
// which may lie in the next tiles (at the world's north and south edges there are fewer).
// `tile(x, y)` gives a tile's bytes, or nothing when it cannot be had. Nothing when a tile cannot
// be had or read, or a pixel's colour has no class.
std::optional<std::int32_t> NowcastFrameClass(
    const TWorldPixel& pixel, int zoom,
    const std::function<std::optional<std::string>(std::int64_t x, std::int64_t y)>& tile);

// Tiles are kept under the cache folder as "jma/nowcast/{base}-{valid}-{zoom}-{x}-{y}.png",
// never asked for again, and dropped once their analysis is three hours from the clock.
inline constexpr std::int64_t kNowcastTileKeep = 3 * 60 * 60;

// The nowcast at a place: both time lists asked for with the validators of their copies under
// `cacheFolder`, the frames of the newest analysis both tell, and for each frame the zoom-10
// tiles around the place (from the cache, else downloaded and kept). Read with 13 frames, an
// unknown (NoValue) one for each tile that could not be had or read; Stale when the analysis
// is further than kRainMaxAge from the clock; Failed when a list cannot be had or read or the
// lists do not agree; None for a place off the map. Step is kJmaRainStep. Never throws.
TNowcastOutcome LoadJmaNowcast(THttpClient& client, const std::string& jmaPrefix,
                               const std::string& cacheFolder, const TCoordinates& place);

// The message for lists that cannot be had.
inline constexpr std::string_view kNowcastFailedMessage = "降水ナウキャストを取得できません";
