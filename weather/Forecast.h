#pragma once

#include "weather/Coordinates.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class THttpClient;

// The forecast sources, numbered as the settings file's Server key stores them.
enum class TSource : std::int32_t { TenkiLite = 0, Yahoo = 1, OpenMeteo = 2, Jma = 3 };

// Everything one refresh needs, copied out of the main window so that the load can run on a
// thread of its own without touching the window's state.
struct TForecastRequest {
    TSource Source = TSource::TenkiLite;
    // The page services: the two complete page addresses.
    std::string Url1;
    std::string Url2;
    // The live source: the API prefixes, the place's names (location fields 1 and 2) and its
    // coordinates when they are known (cached or pinned by hand); without them the place is
    // looked up first.
    std::string ForecastPrefix;
    std::string GeocodingPrefix;
    std::string Prefecture;
    std::string Municipality;
    std::optional<TCoordinates> Coordinates;
    // The agency's source, which is also the live source's last resort for a place: its prefix
    // ("https://www.jma.go.jp/bosai/"), the cache folder that keeps its constants and its last
    // forecast, and the place when it was resolved before.
    std::string JmaPrefix;
    std::string CacheFolder;
    std::optional<TJmaPlace> JmaPlace;
    // Two equal requests would download the same thing.
    bool operator==(const TForecastRequest&) const = default;
};

// What one load gives back.
struct TForecastOutcome {
    bool Loaded = false; // the record holds the place's forecast
    TWeatherData Record; // cleared when Loaded is false
    // Coordinates looked up during this load, for the caller to keep; empty when the request
    // brought them or the look-up failed.
    std::optional<TCoordinates> FoundCoordinates;
    // The agency's place resolved during this load, for the caller to keep; empty when the
    // request brought it or nothing was resolved.
    std::optional<TJmaPlace> FoundJmaPlace;
};

// Runs the request's source on a fresh record through `client`. A failed download or a page
// that lacks its forecast gives Loaded = false. Throws what the loaders throw (EConvertError
// for an impossible page date) and ELocationNotFound when the live source finds no place.
TForecastOutcome LoadForecast(THttpClient& client, const TForecastRequest& request);

// The status line for a place that the sources do not know.
std::string PlaceNotFoundMessage(std::string_view municipality);
