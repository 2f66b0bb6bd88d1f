// The agency's source: the place, the office's forecast asked for conditionally, and the
// three-hourly slots from the live source at the place's station.
#include "weather/jma/Jma.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/ForecastTime.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"
#include "weather/KeptAnswer.h"
#include "weather/jma/JmaForecast.h"
#include "weather/jma/JmaOverview.h"
#include "weather/jma/JmaSeries.h"
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

bool Digits(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Point slots 0-15 from the live source at the station, when its today is the record's.
bool AddOpenMeteoSlots(THttpClient& client, const TForecastRequest& request, const TJmaPlace& place,
                       TWeatherData& record) {
    if (!place.Coordinates || request.ForecastPrefix.empty() || record.DayDate[0] == 0.0)
        return false;
    try {
        const std::string page =
            GetPage(client, OpenMeteoForecastUrl(request.ForecastPrefix, *place.Coordinates));
        TWeatherData point;
        if (page.empty() ||
            !FillFromOpenMeteo(point, page, request.Municipality, platform::LocalNow()) ||
            point.DayDate[0] != record.DayDate[0])
            return false;
        record.PointDate = point.PointDate;
        record.PointHour = point.PointHour;
        record.PointWeather = point.PointWeather;
        record.PointTemp = point.PointTemp;
        return true;
    } catch (const std::exception&) {
        // The day and the week stand without the three-hourly part.
        return false;
    }
}

std::string SeriesName(const TJmaPlace& place) {
    return "jma/series/" + place.Class10 + ".answer";
}

// The series the agency sent before the kept one, kept beside it.
std::string EarlierSeriesName(const TJmaPlace& place) {
    return "jma/series/" + place.Class10 + ".earlier.json";
}

std::string ForecastName(const TJmaPlace& place) {
    return "jma/forecast/" + place.Office + ".answer";
}

// The body of the answer kept under `name`; nothing when there is none.
std::optional<std::string> KeptBody(const std::string& cacheFolder, const std::string& name) {
    if (cacheFolder.empty())
        return std::nullopt;
    const auto entry = platform::TCache(cacheFolder).Read(name, kMaxAnswerBytes + 4096);
    if (!entry)
        return std::nullopt;
    auto kept = ParseKeptAnswer(entry->Content);
    if (!kept)
        return std::nullopt;
    return std::move(kept->Body);
}

std::string EarlierSeries(const std::string& cacheFolder, const TJmaPlace& place) {
    if (cacheFolder.empty())
        return {};
    const auto entry =
        platform::TCache(cacheFolder).Read(EarlierSeriesName(place), kMaxAnswerBytes);
    return entry ? std::move(entry->Content) : std::string();
}

// Point slots from the agency's own series of the class10, asked for conditionally; only when
// it cannot be had (none for the class10, an error, an answer that cannot be read) from the
// live source, which the record then names. When a newer series replaces the kept one, the kept
// one is kept on as the earlier series: it still tells the period under way.
void AddPointSlots(THttpClient& client, const TForecastRequest& request, const TJmaPlace& place,
                   TWeatherData& record, TDateTime now) {
    if (Digits(place.Class10)) {
        const TKeptAnswerRequest series{request.JmaPrefix + "jmatile/data/wdist/VPFD/" +
                                            place.Class10 + ".json",
                                        request.CacheFolder, SeriesName(place), kMaxAnswerBytes};
        const std::optional<std::string> before = KeptBody(request.CacheFolder, series.Name);
        const std::string earlier = EarlierSeries(request.CacheFolder, place);
        std::string used;
        const auto fill = [&](std::string_view answer) {
            const std::string_view older =
                before && *before != answer ? std::string_view(*before) : std::string_view(earlier);
            if (!FillFromJmaSeries(record, answer, place.Class10, now, older))
                return false;
            used = answer;
            return true;
        };
        try {
            if (FetchKeptAnswer(client, series, fill) == TKeptAnswerResult::Used) {
                if (before && *before != used && !request.CacheFolder.empty())
                    (void)platform::TCache(request.CacheFolder)
                        .Write(EarlierSeriesName(place), *before);
                return;
            }
        } catch (const std::exception&) {
            // As a series that cannot be had.
        }
    }
    if (AddOpenMeteoSlots(client, request, place, record))
        record.PointSource = "Open-Meteo";
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
    const TKeptAnswerRequest forecast{request.JmaPrefix + "forecast/data/forecast/" +
                                          place->Office + ".json",
                                      request.CacheFolder, ForecastName(*place), kMaxAnswerBytes};
    // The agency's days are Japan's, whatever the computer's zone.
    const TDateTime now = ClockMoment(platform::JapanNow());
    const auto fill = [&](std::string_view answer) {
        if (FillFromJma(outcome.Record, answer, *place, request.Municipality, now))
            return true;
        outcome.Record.Clear();
        return false;
    };
    outcome.Loaded = FetchKeptAnswer(client, forecast, fill) == TKeptAnswerResult::Used;
    if (!outcome.Loaded)
        return outcome;
    // The office's 天気概況 beside it; without it the forecast stands as it is.
    AddJmaOverview(client, request.JmaPrefix, request.CacheFolder, *place, outcome.Record);
    AddPointSlots(client, request, *place, outcome.Record, now);
    return outcome;
}

TForecastOutcome ReadKeptJma(const TForecastRequest& request, TDateTime now) {
    TForecastOutcome outcome;
    if (!request.JmaPlace || !Usable(*request.JmaPlace))
        return outcome;
    const TJmaPlace& place = *request.JmaPlace;
    const auto forecast = KeptBody(request.CacheFolder, ForecastName(place));
    if (!forecast || !FillFromJma(outcome.Record, *forecast, place, request.Municipality, now)) {
        outcome.Record.Clear();
        return outcome;
    }
    outcome.Loaded = true;
    if (const auto series = KeptBody(request.CacheFolder, SeriesName(place)))
        FillFromJmaSeries(outcome.Record, *series, place.Class10, now,
                          EarlierSeries(request.CacheFolder, place));
    if (const auto kept = KeptBody(request.CacheFolder, JmaOverviewName(place)))
        if (auto overview = ReadJmaOverview(*kept)) {
            outcome.Record.Overview = std::move(overview->Text);
            outcome.Record.OverviewHeadline = std::move(overview->Headline);
            outcome.Record.OverviewTime = std::move(overview->Time);
        }
    return outcome;
}
