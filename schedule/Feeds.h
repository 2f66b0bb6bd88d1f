#pragma once

#include "weather/Coordinates.h"
#include "weather/DateTime.h"
#include "weather/Rain.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaObservation.h"
#include "weather/jma/JmaWarnings.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

// What the widget shows of each feed, and what the end of a feed's load does to it: the rules
// of what stays, what goes and what the status says when a feed fails. The window keeps one
// TFeedState beside its record and draws whatever these leave in the record.
//
// Each feed's part of the record is its own: the forecast's end never touches the weather now,
// the warnings or the rain of the next hour, and theirs never touch the forecast.

// The forecast on show: what it was made for and when it came.
struct TShownForecast {
    std::string Key;            // the forecast key of its request; empty for none
    std::int64_t FetchedAt = 0; // seconds since 1970
    bool LastFailed = false;    // the last refresh that ended brought no forecast
};

// The weather now on show: the place it is for, the agency's latest time it was read at, and
// the station chosen for the place.
struct TShownNow {
    std::string Key;
    std::string LatestTime;
    std::optional<TAmedasStation> Station;
};

// The warnings on show: the place they are for and when they were last confirmed.
struct TShownWarnings {
    std::string Key;
    std::int64_t ConfirmedAt = 0; // seconds since 1970; 0 never
};

// The rain of the next hour on show: the place it is for, and the position of the station it
// was read at, found by a load and brought to the next while the station stays the same.
struct TShownRain {
    std::string Key;
    std::optional<TAmedasStation> Station;
    std::optional<TCoordinates> StationCoordinates;
};

struct TFeedState {
    TShownForecast Forecast;
    TShownNow Now;
    TShownWarnings Warnings;
    TShownRain Rain;
};

// --- the forecast ---

// How a forecast's load ended.
enum class TForecastEnd {
    Loaded,       // a forecast came
    Failed,       // none came: worth a retry
    Error,        // the attempt broke off (an impossible date, no valid place): no retry
    PlaceUnknown, // the sources do not know the place: asking again cannot help
};
// `message` gets the place-unknown text.
TForecastEnd ForecastEndOf(bool loaded, std::exception_ptr error, std::string& message);

// The status after a failure: the retries the schedule announces ("再接続します (あと5回)"), or
// "データ取得に失敗" when none is left (0).
std::string ForecastFailureStatus(std::int32_t retries);

// The forecast on show goes: the record is cleared but for its status line, the weather now, the
// warnings and the rain of the next hour, which are the place's and follow their own feeds.
void DropForecast(TWeatherData& weather, TShownForecast& shown);
// It goes when its day is no longer `today`.
void DropStaleForecast(TWeatherData& weather, TShownForecast& shown, TDateTime today);
// A refresh for `key` starts: the forecast on show stays while it is today's forecast for that
// key (another place's or source's weather must not stand under this one's name); the status
// says "接続しています".
void ForecastAsked(TWeatherData& weather, TShownForecast& shown, const std::string& key,
                   TDateTime today);
// A forecast for `key` came at `now`: it replaces the one on show, status line empty; the other
// feeds' fields stay.
void ForecastLoaded(TWeatherData& weather, TShownForecast& shown, const std::string& key,
                    TWeatherData record, std::int64_t now);
// A refresh ended without one: the forecast on show stays unless its day has passed (the load
// may have taken the clock past midnight) or the place is unknown; the status says `status`.
void ForecastNotLoaded(TWeatherData& weather, TShownForecast& shown, TForecastEnd end,
                       const std::string& status, TDateTime today);

// --- the weather now ---

// Asked for `key` (empty: the choice has none): another place's weather now goes. True when
// the record changed.
bool NowAsked(TWeatherData& weather, TShownNow& shown, const std::string& key);
enum class TNowEnd {
    Ignored,   // for a place no longer chosen
    Changed,   // the record holds the new weather now (worth keeping with the forecast)
    Unchanged, // the agency's time stands, or the load failed: what is on show stays while current
};
TNowEnd NowLoaded(TWeatherData& weather, TShownNow& shown, const std::string& key,
                  TJmaObservationOutcome outcome);

// --- the warnings ---

// Confirmed longer ago than this, warnings say when they were; a failure after it makes them
// unknown.
inline constexpr std::int64_t WarningsFreshSeconds = 30 * 60;

// The chosen source has no warnings for its place (the page services): none are known.
void WarningsNotApplicable(TWeatherData& weather, TShownWarnings& shown);
// Asked for `key`: another place's warnings go.
void WarningsAsked(TWeatherData& weather, TShownWarnings& shown, const std::string& key);
// A load for `key` ended at `now` (`error`: it threw). Returns the warnings to consider
// announcing: those newly confirmed, or nothing (another place's load, a failure, none known).
// A moment's failure keeps warnings confirmed lately; after WarningsFreshSeconds they are
// unknown and the note says so.
std::optional<TJmaWarnings> WarningsLoaded(TWeatherData& weather, TShownWarnings& shown,
                                           const std::string& key, const TWarningsOutcome& outcome,
                                           bool error, std::int64_t now);
// Sets the note ("10:40 現在", "12/8 23:50 現在") of warnings confirmed over 30 minutes before
// `now`; true when it changed.
bool UpdateWarningsNote(TWeatherData& weather, const TShownWarnings& shown, std::int64_t now);

// --- the rain of the next hour ---

// The chosen source has none for its place (the page services): the rain fields go, while the
// place on show stays (its showers are the same under another source). True when the record
// changed.
bool RainNotApplicable(TWeatherData& weather);
// Asked for the place `key`: another place's rain goes. True when the place changed.
bool RainAsked(TWeatherData& weather, TShownRain& shown, const std::string& key);
// A load for `key`, read at `station` (the weather now's, or none), ended: the record holds what
// ApplyNowcastOutcome makes of it, and the station's position found is kept for the next load.
// False, changing nothing, for a place no longer chosen.
bool RainLoaded(TWeatherData& weather, TShownRain& shown, const std::string& key,
                const std::optional<TAmedasStation>& station, const TNowcastOutcome& outcome);
