#pragma once

#include "weather/Coordinates.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rain of the next hour at the place: frames a fixed step apart from a first one (the
// analysis), each a class of the agency's legend (see JmaNowcastTile.h): 0 no rain, 1-8 from
// below 1 mm/h to 80 mm/h and more, NoValue unknown.

// Minutes between frames: the agency's nowcast (13 frames, 0 to 60 minutes) and Open-Meteo's
// quarter hours (5 frames, 0 to 60 minutes).
inline constexpr std::int32_t kJmaRainStep = 5;
inline constexpr std::int32_t kOpenMeteoRainStep = 15;
// A first frame further than this from the clock (either way: a clock that is behind) says
// nothing of the coming hour.
inline constexpr std::int64_t kRainMaxAge = 30 * 60;

// The class of a rate in mm/h by the legend's bounds (1, 5, 10, 20, 30, 50, 80): 0 for none (0
// or less), 1 for anything above 0 and below 1; NoValue for a rate that is not a number.
std::int32_t RainClassOfRate(double mmPerHour);

// The legend's words for a class: "1mm/h未満", "1-5mm/h", ..., "80mm/h以上"; empty for 0 and
// for anything else.
std::string_view RainClassName(std::int32_t rainClass);

// What one load of the rain gives back.
enum class TNowcastResult {
    Read,   // Time and Rain hold the hour (single frames may be unknown)
    Stale,  // the newest frames are further than kRainMaxAge from the clock: unknown
    Failed, // a download failed or an answer could not be read: unknown
    None,   // no source serves the place (the page services, a place not resolved yet)
};

struct TNowcastOutcome {
    TNowcastResult Result = TNowcastResult::Failed;
    std::int32_t Step = NoValue; // the source's step, also when Stale or Failed; NoValue for None
    std::string Time;            // Read: the first frame, Japan time "YYYY-MM-DDTHH:MM"
    std::vector<std::int32_t> Rain; // Read: one class a frame, NoValue for an unknown one
    // The agency's place and the station's coordinates found during this load, for the caller to
    // keep and bring with the next request.
    std::optional<TJmaPlace> FoundJmaPlace;
    std::optional<TCoordinates> FoundStationCoordinates;
    std::string Problem; // why it failed, in Japanese; empty otherwise
};

// Fills the record's rain fields from one reading: RainStep, RainTime and Rain as given (an
// empty `frames` is unknown as a whole), RainStartsIn (minutes to the first frame with rain, 0
// when the first has rain; NoValue when none has, or an unknown frame comes before it) and
// RainEndsIn (when the first frame has rain: minutes to the first frame without, every frame
// before it known; NoValue otherwise).
void SetRain(TWeatherData& record, std::int32_t step, std::string time,
             std::vector<std::int32_t> frames);

// Puts a load's outcome into the record. Read: its frames. Stale: unknown. None: no rain fields
// at all (ClearRain). Failed: the frames on show stay (the clock hides them once they are too
// old, IsCurrentRain); with none on show, or another source's, the rain becomes unknown.
void ApplyNowcastOutcome(TWeatherData& record, const TNowcastOutcome& outcome);

// The record holds frames of the coming hour at `unixNow`: a first frame within kRainMaxAge of
// it, and at least one frame.
bool IsCurrentRain(const TWeatherData& record, std::int64_t unixNow);

// The label's text at `unixNow`, from the record's frames while they are current:
//   raining at the first frame: "雨は40分後にやむ見込み" (RainEndsIn), "雨は1時間以上続く見込み"
//   (every frame rain), else "雨が降っています (1-5mm/h)";
//   dry at the first frame: "25分後に雨 (1-5mm/h)" (RainStartsIn, with that frame's class),
//   "1時間以内に雨の予報なし" (every frame known and dry);
//   anything else, and frames that are unknown or no longer current: "雨の予報: 取得できず".
// Empty when the record has no rain fields (RainStep NoValue: a source without them).
std::string RainLabelText(const TWeatherData& record, std::int64_t unixNow);

// The tray hint's rain line: the label's text while rain falls or is due within the hour;
// empty otherwise.
std::string RainHintLine(const TWeatherData& record, std::int64_t unixNow);
