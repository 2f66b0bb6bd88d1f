// The weather now, from the source of the forecast.
#include "weather/Observation.h"

#include "platform/Clock.h"
#include "weather/HttpClient.h"
#include "weather/openmeteo/OpenMeteo.h"

TJmaObservationOutcome LoadObservation(THttpClient& client, const TObservationRequest& request) {
    TJmaObservationOutcome outcome;
    switch (request.Source) {
    case TSource::Jma:
        if (!request.JmaPlace) {
            outcome.Result = TObservationResult::None;
            return outcome;
        }
        return LoadJmaObservation(client, request.JmaPrefix, request.CacheFolder, *request.JmaPlace,
                                  request.Municipality, request.Station, request.LastLatestTime);
    case TSource::OpenMeteo:
        if (!request.Coordinates)
            break;
        try {
            const std::string answer =
                client.Get(OpenMeteoCurrentUrl(request.ForecastPrefix, *request.Coordinates));
            client.Disconnect();
            auto now = ReadOpenMeteoCurrent(answer);
            if (!now)
                return outcome; // Failed: the answer is no current block
            if (IsCurrentObservation(*now, platform::UnixSecondsNow())) {
                outcome.Now = std::move(*now);
                outcome.Result = TObservationResult::Observed;
                return outcome;
            }
        } catch (...) {
            return outcome;
        }
        break;
    case TSource::TenkiLite:
    case TSource::Yahoo:
        break;
    }
    outcome.Result = TObservationResult::None;
    return outcome;
}
