#include "weather/Forecast.h"

#include "platform/Errors.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"
#include "weather/jma/Jma.h"
#include "weather/openmeteo/OpenMeteo.h"

namespace {

// The live source at its place: the coordinates the request brings, else its look-up's. When
// the look-up finds nothing, the agency's station for the place stands in (the index names
// some places of the list otherwise), as near as the agency's own temperature point.
TForecastOutcome LoadOpenMeteoAtPlace(THttpClient& client, const TForecastRequest& request) {
    if (request.Coordinates)
        return LoadOpenMeteo(client, request);
    const TPlaceChoice choice = LookUpPlace(client, request);
    if (choice.Result == TPlaceLookup::BadAnswer)
        return {};
    TForecastRequest located = request;
    std::optional<TJmaPlace> foundStation;
    if (choice.Result == TPlaceLookup::Found) {
        located.Coordinates = choice.Coordinates;
    } else {
        std::optional<TJmaPlace> known = request.JmaPlace;
        if (!known && !request.JmaPrefix.empty()) {
            const TJmaPlaceResult found =
                LookUpJmaPlace(client, request.JmaPrefix, request.CacheFolder, request.Prefecture,
                               request.Municipality);
            if (found.Result == TJmaLookup::Failed)
                return {};
            if (found.Result == TJmaLookup::Found)
                known = foundStation = found.Place;
        }
        if (!known || !known->Coordinates)
            throw ELocationNotFound(PlaceNotFoundMessage(request.Municipality));
        located.Coordinates = known->Coordinates;
    }
    TForecastOutcome outcome = LoadOpenMeteo(client, located);
    outcome.FoundCoordinates = located.Coordinates;
    outcome.FoundJmaPlace = foundStation;
    return outcome;
}

} // namespace

TForecastOutcome LoadForecast(THttpClient& client, const TForecastRequest& request) {
    // A cancelled load ends inside a long parse too, not after it.
    const TJsonReadStop stop([&client] { return client.Cancelled(); });
    TForecastOutcome outcome;
    switch (request.Source) {
    case TSource::TenkiLite:
        outcome.Loaded = outcome.Record.LoadTenkiLite(client, request.Url1, request.Url2);
        break;
    case TSource::Yahoo:
        outcome.Loaded = outcome.Record.LoadYahoo(client, request.Url1, request.Url2);
        break;
    case TSource::OpenMeteo:
        return LoadOpenMeteoAtPlace(client, request);
    case TSource::Jma:
        return LoadJma(client, request);
    }
    return outcome;
}

std::string PlaceNotFoundMessage(std::string_view municipality) {
    // Short enough for the narrowest skin's status line with the longest name of the list.
    return std::string(municipality) + "が見つかりません";
}
