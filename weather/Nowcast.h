#pragma once

#include "weather/Coordinates.h"
#include "weather/Forecast.h"
#include "weather/Rain.h"
#include "weather/jma/JmaObservation.h"
#include "weather/jma/JmaPlace.h"

#include <optional>
#include <string>

class THttpClient;

// Everything one refresh of the rain of the next hour needs, copied out of the main window like
// a forecast request. Inside Japan the agency's nowcast serves under both live sources;
// elsewhere (the live source's places abroad) Open-Meteo's quarter hours. The page services
// have none.
struct TNowcastRequest {
    TSource Source = TSource::Jma;
    std::string JmaPrefix;      // the agency's
    std::string ForecastPrefix; // Open-Meteo's
    std::string CacheFolder;    // the time lists' copies and the tiles; empty keeps nothing
    // The place: its names (resolved through the agency's constants when JmaPlace is not
    // known), and the country a look-up gave a place of one's own ("日本", "フランス"; empty
    // for a municipality of the agency or a list entry).
    std::string Prefecture;
    std::string Municipality;
    std::string Country;
    std::optional<TJmaPlace> JmaPlace;
    // Where the rain is read, the first known of: the coordinates written by hand, else those
    // Open-Meteo's look-up found (Coordinates); the weather now's station (its position when
    // known, else looked up by its number in the cached constants); the agency place's station.
    std::optional<TCoordinates> Coordinates;
    std::optional<TAmedasStation> Station;
    std::optional<TCoordinates> StationCoordinates;
    bool operator==(const TNowcastRequest&) const = default;
};

// Whether the agency's nowcast serves the request's place without asking anything: the agency's
// source, a resolved agency place, or a looked-up place in 日本. False says only that this is not
// known yet (LoadNowcast then resolves the names).
bool AgencyRainPlace(const TNowcastRequest& request);

// The rain of the next hour for the request's place: the agency's nowcast (LoadJmaNowcast) at
// the first known point of the place, or Open-Meteo's quarter hours (LoadOpenMeteoRain) at its
// coordinates for a place the agency does not know. None for the page services and for a place
// without any point; Failed, with the agency's step, when the agency's constants cannot be had
// to resolve the place. Never throws.
TNowcastOutcome LoadNowcast(THttpClient& client, const TNowcastRequest& request);
