#include "weather/Forecast.h"

#include "weather/Jma.h"
#include "weather/OpenMeteo.h"

TForecastOutcome LoadForecast(THttpClient& client, const TForecastRequest& request) {
    TForecastOutcome outcome;
    switch (request.Source) {
    case TSource::TenkiLite:
        outcome.Loaded = outcome.Record.LoadTenkiLite(client, request.Url1, request.Url2);
        break;
    case TSource::Yahoo:
        outcome.Loaded = outcome.Record.LoadYahoo(client, request.Url1, request.Url2);
        break;
    case TSource::OpenMeteo:
        return LoadOpenMeteo(client, request);
    case TSource::Jma:
        return LoadJma(client, request);
    }
    return outcome;
}
