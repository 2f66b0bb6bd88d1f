// The agency's source: the place, the office's forecast asked for conditionally, and the
// three-hourly slots from the live source at the place's station.
#include "weather/jma/Jma.h"

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"
#include "weather/KeptAnswer.h"
#include "weather/jma/JmaForecast.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <optional>
#include <string>
#include <string_view>

namespace {

// The office names a file of the site and of the cache: six digits and nothing else.
bool Usable(const TJmaPlace& place) {
    if (place.Office.size() != 6 || place.Class10.empty())
        return false;
    for (const char c : place.Office)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Point slots 0-15 from the live source at the station, when its today is the record's.
void AddPointSlots(THttpClient& client, const TForecastRequest& request, const TJmaPlace& place,
                   TWeatherData& record) {
    if (!place.Coordinates || request.ForecastPrefix.empty() || record.DayDate[0] == 0.0)
        return;
    try {
        const std::string page =
            GetPage(client, OpenMeteoForecastUrl(request.ForecastPrefix, *place.Coordinates));
        TWeatherData point;
        if (page.empty() ||
            !FillFromOpenMeteo(point, page, request.Municipality, platform::LocalNow()) ||
            point.DayDate[0] != record.DayDate[0])
            return;
        record.PointDate = point.PointDate;
        record.PointHour = point.PointHour;
        record.PointWeather = point.PointWeather;
        record.PointTemp = point.PointTemp;
    } catch (const std::exception&) {
        // The day and the week stand without the three-hourly part.
    }
}

} // namespace

TForecastOutcome LoadJma(THttpClient& client, const TForecastRequest& request) {
    TForecastOutcome outcome;
    std::optional<TJmaPlace> place = request.JmaPlace;
    if (!place || !Usable(*place)) {
        const TJmaPlaceResult found = LookUpJmaPlace(client, request.JmaPrefix, request.CacheFolder,
                                                     request.Prefecture, request.Municipality);
        if (found.Result == TJmaLookup::NotFound)
            throw ELocationNotFound(PlaceNotFoundMessage(request.Municipality));
        if (found.Result != TJmaLookup::Found || !Usable(found.Place))
            return outcome;
        place = found.Place;
        outcome.FoundJmaPlace = place;
    }
    // The office's forecast, asked for with the validators of the kept copy.
    const TKeptAnswerRequest forecast{
        request.JmaPrefix + "forecast/data/forecast/" + place->Office + ".json",
        request.CacheFolder, "jma/forecast/" + place->Office + ".answer", kMaxAnswerBytes};
    const platform::LocalDateTime now = platform::LocalNow();
    const TDateTime today = EncodeDate(now.Year, now.Month, now.Day);
    const auto fill = [&](std::string_view answer) {
        if (FillFromJma(outcome.Record, answer, *place, request.Municipality, today))
            return true;
        outcome.Record.Clear();
        return false;
    };
    outcome.Loaded = FetchKeptAnswer(client, forecast, fill) == TKeptAnswerResult::Used;
    if (!outcome.Loaded)
        return outcome;
    AddPointSlots(client, request, *place, outcome.Record);
    return outcome;
}
