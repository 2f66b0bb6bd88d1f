#pragma once

#include "weather/Coordinates.h"

#include <optional>
#include <string>
#include <string_view>

class THttpClient;

// A place of the agency's forecast (気象庁), resolved from its constants (area.json,
// forecast_area.json, amedastable.json).
struct TJmaPlace {
    std::string Office;  // the office whose forecast file holds the place ("014100" for 十勝)
    std::string Class10; // the area whose texts, codes and bands are the place's
    std::string Class20; // the municipality's own code (the agency's page for it)
    std::string Station; // AMeDAS number of the temperature point; empty when there is none
    std::optional<TCoordinates> Coordinates; // the station's; nothing when it is unknown
    bool operator==(const TJmaPlace&) const = default;
};

enum class TJmaLookup {
    Found,    // Place holds the place
    NotFound, // the constants have no such municipality in that prefecture
    Failed,   // a constant could neither be read from the cache nor downloaded
};
struct TJmaPlaceResult {
    TJmaLookup Result = TJmaLookup::Failed;
    TJmaPlace Place;
};

// The place of a location entry (prefecture and municipality, fields 1 and 2) through the
// constants kept under `cacheFolder` + "jma/": downloaded from `jmaPrefix` when missing or
// older than 30 days, and once more when the place is not in them. Never throws for bad data.
TJmaPlaceResult LookUpJmaPlace(THttpClient& client, const std::string& jmaPrefix,
                               const std::string& cacheFolder, std::string_view prefecture,
                               std::string_view municipality);
