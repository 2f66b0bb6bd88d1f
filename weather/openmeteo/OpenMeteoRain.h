#pragma once

#include "weather/Coordinates.h"
#include "weather/Rain.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class THttpClient;

// The rain of the next hour from the live source, for places the agency's nowcast does not
// cover: its quarter-hour precipitation (minutely_15), each value the sum in mm of the fifteen
// minutes before its stamp, so four times it is a rate in mm/h. Outside Central Europe and North
// America these are the hourly model interpolated, not a radar nowcast.

inline constexpr int kOpenMeteoRainFrames = 5;

// The quarter hours around a point: the one just ended and those of the next hour, stamped in
// Japan's time (one before the present quarter and five from it, so that the frames are there
// whichever quarter the service counts from).
std::string OpenMeteoRainUrl(std::string_view prefix, const TCoordinates& place);

struct TOpenMeteoRain {
    std::string Time;               // the first frame's stamp, Japan time "YYYY-MM-DDTHH:MM"
    std::vector<std::int32_t> Rain; // kOpenMeteoRainFrames classes, NoValue for unknown
    bool operator==(const TOpenMeteoRain&) const = default;
};

// The frames of such an answer at `unixNow`: the latest stamp at or before it, then the four
// quarters after it, each the class of four times its sum (RainClassOfRate); a stamp the answer
// lacks, or a value that is null or no number, is an unknown frame. Nothing when the answer has
// no quarter-hour precipitation, or no stamp at or before `unixNow`.
std::optional<TOpenMeteoRain> ReadOpenMeteoRain(std::string_view answer, std::int64_t unixNow);

// The load at a point: Read, Stale (the latest stamp at or before the clock is further than
// kRainMaxAge from it) or Failed (no answer, or one without the frames). Step is
// kOpenMeteoRainStep. Never throws.
TNowcastOutcome LoadOpenMeteoRain(THttpClient& client, const std::string& prefix,
                                  const TCoordinates& place);
