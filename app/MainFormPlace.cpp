// The chosen place and source, and what each feed asks of them.
#include "app/MainForm.h"

#include "platform/Errors.h"
#include "weather/KeptForecast.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <tuple>

std::unique_ptr<THttpClient> TMainForm::DownloadClient() const {
    std::unique_ptr<THttpClient> client = NewHttpClient();
    client->ProxyServer = IdHTTP1->ProxyServer;
    client->ProxyPort = IdHTTP1->ProxyPort;
    return client;
}

TSource TMainForm::SelectedSource() const {
    if (ActTenkiJpLite.isChecked())
        return TSource::TenkiLite;
    if (ActJma.isChecked())
        return TSource::Jma;
    return ActOpenMeteo.isChecked() ? TSource::OpenMeteo : TSource::Yahoo;
}

std::pair<std::string, std::string> TMainForm::ChosenPlaceNames() const {
    if (OwnPlace)
        return {OwnPlace->Prefecture, OwnPlace->Municipality};
    return {GetLocationField(LocationIndex, 1), GetLocationField(LocationIndex, 2)};
}

TForecastRequest TMainForm::CurrentForecastRequest() const {
    TForecastRequest request;
    request.Source = SelectedSource();
    // The page services know the list's places only.
    if (OwnPlace && (request.Source == TSource::TenkiLite || request.Source == TSource::Yahoo))
        throw ELocationNotFound(OwnPlace->Municipality +
                                "はこのサービスの一覧にありません。地域を選び直してください");
    switch (request.Source) {
    case TSource::TenkiLite:
        request.Url1 = TenkiLitePrefix + GetLocationField(LocationIndex, 3);
        request.Url2 = TenkiLitePrefix + GetLocationField(LocationIndex, 4);
        break;
    case TSource::Yahoo:
        request.Url1 = YahooPrefix + GetLocationField(LocationIndex, 5);
        request.Url2 = YahooPrefix + GetLocationField(LocationIndex, 6);
        break;
    case TSource::OpenMeteo:
        request.ForecastPrefix = OpenMeteoPrefix;
        request.GeocodingPrefix = GeocodingPrefix;
        std::tie(request.Prefecture, request.Municipality) = ChosenPlaceNames();
        request.Coordinates = CoordinatesOf(request.Prefecture, request.Municipality);
        // A looked-up place brings its own position; coordinates written by hand still rule.
        if (OwnPlace && OwnPlace->Coordinates && !PinnedCoordinates)
            request.Coordinates = OwnPlace->Coordinates;
        // The agency's place stands in for a name the look-up does not know.
        request.JmaPrefix = JmaPrefix;
        request.CacheFolder = CacheFolder;
        request.JmaPlace = JmaPlaceOf(request.Prefecture, request.Municipality);
        break;
    case TSource::Jma:
        request.JmaPrefix = JmaPrefix;
        // The three-hourly slots come from the live source at the place's station.
        request.ForecastPrefix = OpenMeteoPrefix;
        std::tie(request.Prefecture, request.Municipality) = ChosenPlaceNames();
        request.CacheFolder = CacheFolder;
        request.JmaPlace = JmaPlaceOf(request.Prefecture, request.Municipality);
        break;
    }
    return request;
}

std::optional<TCoordinates> TMainForm::CoordinatesOf(const std::string& prefecture,
                                                     const std::string& municipality) const {
    if (PinnedCoordinates)
        return PinnedCoordinates;
    const auto known = KnownCoordinates.find(CoordinatesKey(prefecture, municipality));
    if (known == KnownCoordinates.end())
        return std::nullopt;
    return known->second;
}

void TMainForm::RememberCoordinates(const TForecastRequest& request,
                                    const TForecastOutcome& outcome) {
    if (!outcome.FoundCoordinates)
        return;
    KnownCoordinates[CoordinatesKey(request.Prefecture, request.Municipality)] =
        *outcome.FoundCoordinates;
    // Written now so the place is not looked up again after a crash; a settings file that
    // cannot be written is reported by the save on closing.
    try {
        SaveSettings(SettingsFileName);
    } catch (const std::exception&) {
    }
}

std::string TMainForm::ForecastKeyOf(TForecastRequest request) const {
    // Coordinates found for a place follow from its names; only those written by hand name a
    // place of their own.
    if (!PinnedCoordinates)
        request.Coordinates.reset();
    return ForecastKey(request);
}

std::optional<TJmaPlace> TMainForm::JmaPlaceOf(const std::string& prefecture,
                                               const std::string& municipality) const {
    const auto known = KnownJmaPlaces.find(CoordinatesKey(prefecture, municipality));
    if (known == KnownJmaPlaces.end())
        return std::nullopt;
    return known->second;
}

std::optional<TForecastRequest> TMainForm::LiveForecastRequest() const {
    TForecastRequest forecast;
    try {
        forecast = CurrentForecastRequest();
    } catch (...) {
        return std::nullopt; // no valid place: the forecast's refresh says so
    }
    if (forecast.Source != TSource::Jma && forecast.Source != TSource::OpenMeteo)
        return std::nullopt;
    return forecast;
}

std::optional<TObservationRequest> TMainForm::CurrentObservationRequest() const {
    const auto live = LiveForecastRequest();
    if (!live)
        return std::nullopt;
    const TForecastRequest& forecast = *live;
    TObservationRequest request;
    request.Source = forecast.Source;
    request.JmaPrefix = forecast.JmaPrefix;
    request.CacheFolder = forecast.CacheFolder;
    request.JmaPlace = forecast.JmaPlace;
    request.Municipality = forecast.Municipality;
    request.ForecastPrefix = forecast.ForecastPrefix;
    request.Coordinates = forecast.Coordinates;
    return request;
}

std::string TMainForm::RainPlaceKey() const {
    const auto [prefecture, municipality] = ChosenPlaceNames();
    std::string key = prefecture + "\n" + municipality;
    if (OwnPlace)
        key += "\n" + OwnPlace->Country +
               (OwnPlace->Coordinates ? "\n" + FormatCoordinates(*OwnPlace->Coordinates) : "");
    if (PinnedCoordinates)
        key += "\n@" + FormatCoordinates(*PinnedCoordinates);
    return key;
}

std::optional<TNowcastRequest> TMainForm::CurrentNowcastRequest() const {
    const auto live = LiveForecastRequest();
    if (!live)
        return std::nullopt;
    const TForecastRequest& forecast = *live;
    TNowcastRequest request;
    request.Source = forecast.Source;
    // Under either source a place in Japan is read from the agency's nowcast.
    request.JmaPrefix = JmaPrefix;
    request.ForecastPrefix = OpenMeteoPrefix;
    request.CacheFolder = CacheFolder;
    request.Prefecture = forecast.Prefecture;
    request.Municipality = forecast.Municipality;
    request.JmaPlace = JmaPlaceOf(forecast.Prefecture, forecast.Municipality);
    if (OwnPlace && !OwnPlace->Country.empty())
        request.Country = InJapan(*OwnPlace) ? "日本" : OwnPlace->Country;
    // The place's own point: written by hand, else the live source's (under the agency's source
    // only a looked-up place brings one); else the weather now's station.
    request.Coordinates = PinnedCoordinates;
    if (!request.Coordinates)
        request.Coordinates = forecast.Source == TSource::OpenMeteo ? forecast.Coordinates
                              : OwnPlace                            ? OwnPlace->Coordinates
                                                                    : std::nullopt;
    request.Station = FeedState.Now.Station;
    if (request.Station && FeedState.Rain.Station == request.Station)
        request.StationCoordinates = FeedState.Rain.StationCoordinates;
    return request;
}

TForecastRequest TMainForm::CurrentWarningsRequest() const {
    TForecastRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = JmaPrefix;
    request.CacheFolder = CacheFolder;
    // Whatever the source, the place of the list entry, through the agency's constants.
    request.Prefecture = GetLocationField(LocationIndex, 1);
    request.Municipality = GetLocationField(LocationIndex, 2);
    request.JmaPlace = JmaPlaceOf(request.Prefecture, request.Municipality);
    return request;
}

void TMainForm::RememberJmaPlace(const TForecastRequest& request, const TForecastOutcome& outcome) {
    RememberJmaPlace(request, outcome.FoundJmaPlace);
}

void TMainForm::RememberJmaPlace(const TForecastRequest& request,
                                 const std::optional<TJmaPlace>& found) {
    if (!found)
        return;
    KnownJmaPlaces[CoordinatesKey(request.Prefecture, request.Municipality)] = *found;
    // Written now so the constants are not searched again after a crash; a settings file that
    // cannot be written is reported by the save on closing.
    try {
        SaveSettings(SettingsFileName);
    } catch (const std::exception&) {
    }
}
