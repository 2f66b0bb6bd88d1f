// The rain of the next hour, from the source that covers the place.
#include "weather/Nowcast.h"

#include "weather/HttpClient.h"
#include "weather/jma/JmaNowcast.h"
#include "weather/openmeteo/OpenMeteoRain.h"

namespace {

TNowcastOutcome None() {
    TNowcastOutcome outcome;
    outcome.Result = TNowcastResult::None;
    return outcome;
}

} // namespace

bool AgencyRainPlace(const TNowcastRequest& request) {
    return request.Source == TSource::Jma || request.JmaPlace.has_value() ||
           request.Country == "日本";
}

TNowcastOutcome LoadNowcast(THttpClient& client, const TNowcastRequest& request) {
    if (request.Source != TSource::Jma && request.Source != TSource::OpenMeteo)
        return None();
    std::optional<TJmaPlace> place = request.JmaPlace;
    std::optional<TJmaPlace> found;
    bool agency = AgencyRainPlace(request);
    // A place of the list, or the agency's municipality: whether the agency knows it decides.
    if (!place && request.Country.empty() && !request.JmaPrefix.empty()) {
        const TJmaPlaceResult lookup =
            LookUpJmaPlace(client, request.JmaPrefix, request.CacheFolder, request.Prefecture,
                           request.Municipality);
        if (lookup.Result == TJmaLookup::Failed) {
            TNowcastOutcome outcome;
            outcome.Step = kJmaRainStep;
            outcome.Problem = lookup.Problem;
            return outcome;
        }
        if (lookup.Result == TJmaLookup::Found) {
            place = found = lookup.Place;
            agency = true;
        }
    }
    TNowcastOutcome outcome;
    if (!agency) {
        if (!request.Coordinates || request.ForecastPrefix.empty())
            return None();
        outcome = LoadOpenMeteoRain(client, request.ForecastPrefix, *request.Coordinates);
        outcome.FoundJmaPlace = found;
        return outcome;
    }
    std::optional<TCoordinates> point = request.Coordinates;
    std::optional<TCoordinates> stationPoint;
    if (!point)
        point = request.StationCoordinates;
    if (!point && request.Station) {
        TJmaConstants constants;
        std::string problem;
        if (LoadJmaStationConstants(client, request.JmaPrefix, request.CacheFolder, constants,
                                    problem))
            if (const auto it = constants.Stations.find(request.Station->Number);
                it != constants.Stations.end())
                point = stationPoint = it->second;
    }
    if (!point && place)
        point = place->Coordinates;
    if (!point)
        return None();
    outcome = LoadJmaNowcast(client, request.JmaPrefix, request.CacheFolder, *point);
    outcome.FoundJmaPlace = found;
    outcome.FoundStationCoordinates = stationPoint;
    return outcome;
}
