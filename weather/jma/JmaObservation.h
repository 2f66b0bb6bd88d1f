#pragma once

#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class THttpClient;

// The weather now at the agency's observing stations (アメダス), every ten minutes.

// An observing station: its number and its name (kjName).
struct TAmedasStation {
    std::string Number;
    std::string Name;
    bool operator==(const TAmedasStation&) const = default;
};

// The station of a place: among the municipality's listed stations (amedas_class20_list) the
// one whose name begins the municipality's name (札幌 for 札幌市), else the first that observes
// temperature; else the class10's stations of forecast_area.json in the same way. A number the
// station table does not know is passed over. Nothing when no station serves.
std::optional<TAmedasStation> ChooseAmedasStation(const TJmaConstants& constants,
                                                  const TJmaPlace& place,
                                                  std::string_view municipality);

// latest_time.txt ("2026-10-04T08:40:00+09:00") as seconds since 1970; nothing for any other
// text.
std::optional<std::int64_t> ReadAmedasLatestTime(std::string_view text);

// The point block of a station holding the time `unixSeconds`, as a path of the agency's site
// ("amedas/data/point/44132/20261004_06.json"), and the start of that block.
std::string AmedasPointPath(std::string_view station, std::int64_t unixSeconds);
std::int64_t AmedasBlockStart(std::int64_t unixSeconds);

// The record of a point block at `latest`, else its newest before it; Time is that record's.
// Values are shown for the flags 0 and 1 only; a null value, another flag, a missing key or a
// value outside what the weather can be (DropImplausibleValues) is nothing. Nothing when the
// block holds no record at or before `latest`, or is no block.
std::optional<TObservation> ReadAmedasPoint(std::string_view block, std::int64_t latest,
                                            std::string_view stationName);

// The name of a wind direction code: 0 静穏, 1 北北東 ... 16 北; empty for any other.
std::string AmedasWindDirection(int code);

enum class TObservationResult {
    Observed,  // Now holds the observation
    Unchanged, // the latest time is the one asked with: the observation on show stands
    None,      // the place has no observation now (no station, none within the hour)
    Failed,    // a download failed or an answer could not be read
};

struct TJmaObservationOutcome {
    TObservationResult Result = TObservationResult::Failed;
    TObservation Now;
    std::string LatestTime; // latest_time.txt as read; empty when it could not be had
    std::optional<TAmedasStation> FoundStation; // chosen during this load
    std::string Problem;                        // a constant that could not be had or kept
};

// The observation of a place: its station (chosen through the cached constants unless
// `station` brings it), latest_time.txt, then the station's block of that time (early in a
// block whose record is not out yet, the block before). `lastLatestTime` is the latest time of
// the observation on show: when it has not moved, no block is asked for. Never throws.
TJmaObservationOutcome LoadJmaObservation(THttpClient& client, const std::string& jmaPrefix,
                                          const std::string& cacheFolder, const TJmaPlace& place,
                                          std::string_view municipality,
                                          const std::optional<TAmedasStation>& station,
                                          std::string_view lastLatestTime);
