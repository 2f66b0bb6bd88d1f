// The agency's source: the place, the office's forecast asked for conditionally, and the
// three-hourly slots from the live source at the place's station.
#include "weather/Jma.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/CutText.h"
#include "weather/HttpClient.h"
#include "weather/JmaForecast.h"
#include "weather/OpenMeteo.h"

#include <optional>
#include <string>
#include <string_view>

namespace {

// The last answer for an office, kept with the address it came from and its validators.
struct TStoredAnswer {
    std::string Url;
    THttpValidators Validators;
    std::string Body;
};

// Three lines (address, ETag, Last-Modified; none can hold a line break), then the answer as
// it came.
std::string FormatStored(const TStoredAnswer& stored) {
    return stored.Url + "\n" + stored.Validators.ETag + "\n" + stored.Validators.LastModified +
           "\n" + stored.Body;
}

std::optional<TStoredAnswer> ParseStored(std::string_view text) {
    TStoredAnswer stored;
    std::string* lines[] = {&stored.Url, &stored.Validators.ETag, &stored.Validators.LastModified};
    for (std::string* line : lines) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        *line = std::string(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (stored.Url.empty() || stored.Validators.Empty())
        return std::nullopt;
    stored.Body = std::string(text);
    return stored;
}

bool OneLine(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos;
}

// The office names a file of the site and of the cache: six digits and nothing else.
bool Usable(const TJmaPlace& place) {
    if (place.Office.size() != 6 || place.Class10.empty())
        return false;
    for (const char c : place.Office)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The office's forecast: asked with the validators of the kept copy, which a 304 reuses. Nothing
// when the download fails.
std::optional<std::string> FetchForecast(THttpClient& client, const TForecastRequest& request,
                                         const std::string& office) {
    const std::string url = request.JmaPrefix + "forecast/data/forecast/" + office + ".json";
    std::optional<platform::TCache> cache;
    if (!request.CacheFolder.empty())
        cache.emplace(request.CacheFolder);
    const std::string name = "jma/forecast/" + office + ".answer";
    std::optional<TStoredAnswer> stored;
    if (cache)
        if (const auto entry = cache->Read(name, kMaxAnswerBytes + 4096))
            stored = ParseStored(entry->Content);
    // Validators of another server (a changed prefix) say nothing about this one's answer.
    if (stored && stored->Url != url)
        stored.reset();

    THttpAnswer answer;
    try {
        answer = client.GetIfChanged(url, stored ? stored->Validators : THttpValidators{});
        client.Disconnect();
    } catch (...) {
        return std::nullopt; // like GetPage: a failed download is only a missing answer
    }
    if (answer.NotModified)
        return stored ? std::optional<std::string>(std::move(stored->Body)) : std::nullopt;
    // The copy holds its validators with its body, so even an old one never passes for another
    // answer; one that cannot be written only costs a whole answer next time.
    if (cache && !answer.Validators.Empty() && OneLine(url) && OneLine(answer.Validators.ETag) &&
        OneLine(answer.Validators.LastModified) && answer.Body.size() <= kMaxAnswerBytes)
        (void)cache->Write(name, FormatStored({url, answer.Validators, answer.Body}));
    return std::move(answer.Body);
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
    const auto answer = FetchForecast(client, request, place->Office);
    if (!answer)
        return outcome;
    const platform::LocalDateTime now = platform::LocalNow();
    outcome.Loaded = FillFromJma(outcome.Record, *answer, *place, request.Municipality,
                                 EncodeDate(now.Year, now.Month, now.Day));
    if (!outcome.Loaded) {
        outcome.Record.Clear();
        return outcome;
    }
    AddPointSlots(client, request, *place, outcome.Record);
    return outcome;
}
