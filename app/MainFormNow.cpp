// The weather now: its own ten-minute refresh, apart from the forecast.
#include "app/MainForm.h"

#include "platform/Clock.h"
#include "weather/KeptForecast.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <cmath>
#include <cstdio>

std::string TMainForm::ObservationKey(const TObservationRequest& request) {
    return std::to_string(static_cast<int>(request.Source)) + "\n" +
           (request.JmaPlace ? request.JmaPlace->Class20 : std::string()) + "\n" +
           request.Municipality + "\n" +
           (request.Coordinates ? FormatCoordinates(*request.Coordinates) : std::string());
}

std::optional<TObservationRequest> TMainForm::CurrentObservationRequest() const {
    TForecastRequest forecast;
    try {
        forecast = CurrentForecastRequest();
    } catch (...) {
        return std::nullopt; // no valid place: the forecast's refresh says so
    }
    if (forecast.Source != TSource::Jma && forecast.Source != TSource::OpenMeteo)
        return std::nullopt;
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

void TMainForm::NowTimerTimer() {
    RefreshNow();
}

void TMainForm::RefreshNow() {
    auto request = CurrentObservationRequest();
    const std::string key = request ? ObservationKey(*request) : std::string();
    if (key != nowKey_) {
        // Another place or source: its weather now is not this one's.
        Downloads.Cancel(nowRefresh_);
        nowKey_ = key;
        nowLatestTime_.clear();
        nowStation_.reset();
        if (Weather.Now != TObservation{}) {
            Weather.Now = {};
            if (!WidgetBitmap.Empty())
                DrawWeather();
            UpdateTrayState();
        }
    }
    // The one under way asks for the same thing.
    if (!request || RefreshingNow())
        return;
    request->Station = nowStation_;
    request->LastLatestTime = nowLatestTime_;
    nowRefresh_ = StartDownload<TJmaObservationOutcome>(
        Downloads, DownloadClient(),
        [request = *request](THttpClient& http) { return LoadObservation(http, request); },
        [this, key](TJmaObservationOutcome&& outcome, std::exception_ptr) {
            Guarded([&] { ApplyObservationOutcome(key, std::move(outcome)); });
        });
}

void TMainForm::ApplyObservationOutcome(const std::string& key, TJmaObservationOutcome outcome) {
    nowRefresh_ = 0;
    if (key != nowKey_)
        return; // the place changed meanwhile
    if (outcome.FoundStation)
        nowStation_ = outcome.FoundStation;
    switch (outcome.Result) {
    case TObservationResult::Observed:
    case TObservationResult::None:
        Weather.Now = std::move(outcome.Now);
        nowLatestTime_ = outcome.LatestTime;
        StoreShownForecast();
        break;
    case TObservationResult::Unchanged:
        break;
    case TObservationResult::Failed:
        // What is on show stays while it is current; the drawing hides it after the hour.
        break;
    }
    if (!WidgetBitmap.Empty())
        DrawWeather();
    UpdateTrayState();
}

std::string TMainForm::NowHintLine() const {
    if (!IsCurrentObservation(Weather.Now, platform::UnixSecondsNow()))
        return {};
    char temperature[32] = "--";
    if (Weather.Now.Temp)
        std::snprintf(temperature, sizeof temperature, "%.1f", *Weather.Now.Temp);
    return std::string("現在 ") + temperature + "℃ (" + Weather.Now.Station + " " +
           Weather.Now.Time.substr(11, 5) + ")";
}
