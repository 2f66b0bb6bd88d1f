// The refresh cycle: one attempt with up to five retries, and the schedule.
#include "app/MainForm.h"

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/OpenMeteo.h"

namespace {

constexpr std::int32_t RetryBudget = 5;

} // namespace

void TMainForm::ActRefreshExecute(QObject*) {
    RetryTimer.stop();
    RetryTimer.Tag = RetryBudget;
    RefreshWeather();
}

void TMainForm::RetryTimerTimer() {
    RefreshWeather();
}

TSource TMainForm::SelectedSource() const {
    if (ActTenkiJpLite.isChecked())
        return TSource::TenkiLite;
    return ActOpenMeteo.isChecked() ? TSource::OpenMeteo : TSource::Yahoo;
}

TForecastRequest TMainForm::CurrentForecastRequest() const {
    TForecastRequest request;
    request.Source = SelectedSource();
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
        request.Prefecture = GetLocationField(LocationIndex, 1);
        request.Municipality = GetLocationField(LocationIndex, 2);
        request.Coordinates = CoordinatesOf(request.Prefecture, request.Municipality);
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

void TMainForm::RefreshWeather() {
    Weather.Clear();
    Weather.Information = "接続しています";
    DrawWeather();
    RetryTimer.stop();
    try {
        const TForecastRequest request = CurrentForecastRequest();
        TForecastOutcome outcome = LoadForecast(*IdHTTP1, request);
        RememberCoordinates(request, outcome);
        if (outcome.Loaded) {
            Weather = std::move(outcome.Record);
            RetryTimer.Tag = 0;
            RetryTimer.stop();
            Weather.Information.clear();
            DrawWeather();
            UpdateTrayIcon();
            return;
        }
        SetTrayIconIndex(5);
        SetTrayHint("データ取得に失敗");
        Weather.Clear();
        if (RetryTimer.Tag > 0) {
            Weather.Information = "再接続します (あと" + std::to_string(RetryTimer.Tag) + "回)";
            DrawWeather();
            --RetryTimer.Tag;
            RetryTimer.start();
        } else {
            Weather.Information = "データ取得に失敗";
            DrawWeather();
        }
    } catch (const ELocationNotFound& e) {
        // Asking again cannot find the place: say why, with no retry.
        Weather.Clear();
        Weather.Information = e.what();
        DrawWeather();
    } catch (...) {
        Weather.Clear();
        Weather.Information = "データ取得に失敗";
        DrawWeather();
    }
}

void TMainForm::ActServerExecute(QObject*) {
    SaveSettings(SettingsFileName);
    ActRefreshExecute(nullptr);
}

void TMainForm::ActRefreshIntervalExecute(QObject* sender) {
    Timer1.setInterval(60000);
    if (ActIntervalManual.isChecked())
        Timer1.stop();
    else
        Timer1.start();
    if (ActIntervalAuto.isChecked()) {
        const int hour = platform::LocalNow().Hour;
        Timer1.Tag = hour >= 6 && hour < 12 ? 12 : hour >= 12 && hour < 18 ? 18 : 6;
    } else if (ActInterval1H.isChecked()) {
        Timer1.Tag = 60;
    } else if (ActInterval3H.isChecked()) {
        Timer1.Tag = 180;
    } else if (ActInterval6H.isChecked()) {
        Timer1.Tag = 360;
    }
    if (sender)
        SaveSettings(SettingsFileName);
}

void TMainForm::Timer1Timer() {
    if (ActIntervalAuto.isChecked()) {
        if (platform::LocalNow().Hour != Timer1.Tag)
            return;
        Timer1.Tag = Timer1.Tag == 6 ? 12 : Timer1.Tag == 12 ? 18 : 6;
        ActRefreshExecute(nullptr);
        return;
    }
    --Timer1.Tag;
    if (Timer1.Tag > 0)
        return;
    Timer1.Tag = ActInterval1H.isChecked() ? 60 : ActInterval3H.isChecked() ? 180 : 360;
    ActRefreshExecute(nullptr);
}
