#pragma once

#include "weather/Coordinates.h"
#include "weather/Forecast.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaObservation.h"
#include "weather/jma/JmaPlace.h"

#include <optional>
#include <string>

class THttpClient;

// Everything one refresh of the weather now needs, copied out of the main window like a
// forecast request. Only the agency's source and the live source observe; the page services
// have no weather now.
struct TObservationRequest {
    TSource Source = TSource::Jma;
    // The agency: its prefix, the cache folder of its constants, the place (resolved by the
    // forecast's load), the municipality's name, the station when it was chosen before, and the
    // latest time of the observation on show.
    std::string JmaPrefix;
    std::string CacheFolder;
    std::optional<TJmaPlace> JmaPlace;
    std::string Municipality;
    std::optional<TAmedasStation> Station;
    std::string LastLatestTime;
    // The live source: its prefix and the place's coordinates.
    std::string ForecastPrefix;
    std::optional<TCoordinates> Coordinates;
    bool operator==(const TObservationRequest&) const = default;
};

// The request's source asked for the weather now. A place not resolved yet (no agency place,
// no coordinates) is None: the forecast's load finds it first. Never throws.
TJmaObservationOutcome LoadObservation(THttpClient& client, const TObservationRequest& request);
