#pragma once

#include "platform/Cache.h"
#include "weather/DateTime.h"
#include "weather/Forecast.h"
#include "weather/WeatherData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The last good forecast, kept in the cache folder so that a restart shows it before the first
// download ends. It is the record's JSON form (RecordJson.h) with one more member, "Kept": the
// format's number, what the forecast was made for (ForecastKey) and when it was fetched.

// What a forecast was made for, as text: the source and everything of the request that names
// the server and the place (addresses, prefixes, place names, coordinates given). What a load
// finds out by itself (the agency's resolved place) and where files are kept do not count. Two
// requests with equal keys ask for the same forecast.
std::string ForecastKey(const TForecastRequest& request);

// The day a record calls today: DayDate[0], or else the day before its tomorrow as the point
// slots, the summary or the week give it; 0.0 when it has no date at all.
TDateTime RecordToday(const TWeatherData& record);

// True when the record holds anything besides its status line, the weather now, its warnings
// and the rain of the next hour.
bool HoldsForecast(const TWeatherData& record);

struct TKeptForecast {
    TWeatherData Record;
    std::string Key;            // ForecastKey of the request that fetched it
    std::int64_t FetchedAt = 0; // seconds since 1970
};

// The kept forecast's file name in the cache folder for a settings file:
// "last-forecast-<16 hex digits>.json", the digits a hash of the settings file's normalised
// path, so that copies of the program with different settings files, which may share one cache
// folder, each keep their own.
std::string KeptForecastName(std::string_view settingsFileName);

// The file's text; the record's status line and warnings are not kept.
std::string WriteKeptForecastJson(const TKeptForecast& kept);
// Nothing for text that is not such a file of this format, or that holds no forecast.
std::optional<TKeptForecast> ReadKeptForecastJson(std::string_view text);

// Replaces the kept forecast in the file `name`; nothing on success, otherwise the reason
// (TCache::Write).
std::optional<std::string> StoreKeptForecast(const platform::TCache& cache, std::string_view name,
                                             const TKeptForecast& kept);
// The kept forecast in the file `name` when it was made for `key`, its today is `today` and it
// was fetched in the days about `today`; nothing when the file is missing, unreadable, of
// another format, of another source or place, or of another day.
std::optional<TKeptForecast> LoadKeptForecast(const platform::TCache& cache, std::string_view name,
                                              const std::string& key, TDateTime today);
