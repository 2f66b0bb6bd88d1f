#include "schedule/Feeds.h"

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/KeptForecast.h"

#include <cstdio>
#include <utility>

namespace {

// The rain of the next hour follows its own feed.
void KeepRain(TWeatherData& to, TWeatherData& from) {
    to.RainStep = from.RainStep;
    to.RainTime = std::move(from.RainTime);
    to.Rain = std::move(from.Rain);
    to.RainStartsIn = from.RainStartsIn;
    to.RainEndsIn = from.RainEndsIn;
}

} // namespace

TForecastEnd ForecastEndOf(bool loaded, std::exception_ptr error, std::string& message) {
    if (!error)
        return loaded ? TForecastEnd::Loaded : TForecastEnd::Failed;
    try {
        std::rethrow_exception(error);
    } catch (const ELocationNotFound& e) {
        message = e.what();
        return TForecastEnd::PlaceUnknown;
    } catch (...) {
        return TForecastEnd::Error;
    }
}

std::string ForecastFailureStatus(std::int32_t retries) {
    return retries > 0 ? "再接続します (あと" + std::to_string(retries) + "回)"
                       : "データ取得に失敗";
}

void DropForecast(TWeatherData& weather, TShownForecast& shown) {
    TWeatherData kept = std::move(weather);
    weather.Clear();
    weather.Information = std::move(kept.Information);
    weather.Now = std::move(kept.Now);
    weather.WarningsKnown = kept.WarningsKnown;
    weather.Warnings = std::move(kept.Warnings);
    weather.WarningsTime = std::move(kept.WarningsTime);
    weather.WarningsNote = std::move(kept.WarningsNote);
    KeepRain(weather, kept);
    shown.Key.clear();
    shown.FetchedAt = 0;
}

void DropStaleForecast(TWeatherData& weather, TShownForecast& shown, TDateTime today) {
    if (HoldsForecast(weather) && RecordToday(weather) != today)
        DropForecast(weather, shown);
}

void ForecastAsked(TWeatherData& weather, TShownForecast& shown, const std::string& key,
                   TDateTime today) {
    if (key.empty() || key != shown.Key)
        DropForecast(weather, shown);
    else
        DropStaleForecast(weather, shown, today);
    weather.Information = "接続しています";
}

void ForecastLoaded(TWeatherData& weather, TShownForecast& shown, const std::string& key,
                    TWeatherData record, std::int64_t now) {
    // The forecast replaces everything but the weather now and the warnings.
    record.Now = std::move(weather.Now);
    record.WarningsKnown = weather.WarningsKnown;
    record.Warnings = std::move(weather.Warnings);
    record.WarningsTime = std::move(weather.WarningsTime);
    record.WarningsNote = std::move(weather.WarningsNote);
    KeepRain(record, weather);
    weather = std::move(record);
    weather.Information.clear();
    shown.Key = key;
    shown.FetchedAt = now;
    shown.LastFailed = false;
}

void ForecastNotLoaded(TWeatherData& weather, TShownForecast& shown, TForecastEnd end,
                       const std::string& status, TDateTime today) {
    // There is no such place to show weather for.
    if (end == TForecastEnd::PlaceUnknown)
        DropForecast(weather, shown);
    shown.LastFailed = true;
    DropStaleForecast(weather, shown, today);
    weather.Information = status;
}

bool NowAsked(TWeatherData& weather, TShownNow& shown, const std::string& key) {
    if (key == shown.Key)
        return false;
    shown = TShownNow{key, {}, {}};
    if (weather.Now == TObservation{})
        return false;
    weather.Now = {};
    return true;
}

TNowEnd NowLoaded(TWeatherData& weather, TShownNow& shown, const std::string& key,
                  TJmaObservationOutcome outcome) {
    if (key != shown.Key)
        return TNowEnd::Ignored;
    if (outcome.FoundStation)
        shown.Station = std::move(outcome.FoundStation);
    switch (outcome.Result) {
    case TObservationResult::Observed:
    case TObservationResult::None:
        weather.Now = std::move(outcome.Now);
        shown.LatestTime = std::move(outcome.LatestTime);
        return TNowEnd::Changed;
    case TObservationResult::Unchanged:
    case TObservationResult::Failed:
        // What is on show stays while it is current; the drawing hides it after the hour.
        break;
    }
    return TNowEnd::Unchanged;
}

void WarningsNotApplicable(TWeatherData& weather, TShownWarnings& shown) {
    weather.ClearWarnings();
    shown.Key.clear();
}

void WarningsAsked(TWeatherData& weather, TShownWarnings& shown, const std::string& key) {
    if (key == shown.Key)
        return;
    weather.ClearWarnings();
    shown.Key = key;
    shown.ConfirmedAt = 0;
}

std::optional<TJmaWarnings> WarningsLoaded(TWeatherData& weather, TShownWarnings& shown,
                                           const std::string& key, const TWarningsOutcome& outcome,
                                           bool error, std::int64_t now) {
    if (key != shown.Key)
        return std::nullopt;
    std::optional<TJmaWarnings> confirmed;
    if (error || outcome.Failed) {
        // A moment's failure leaves warnings confirmed lately in place; older ones are unknown.
        if (!weather.WarningsKnown || now - shown.ConfirmedAt > WarningsFreshSeconds) {
            weather.ClearWarnings();
            weather.WarningsNote = "警報: 取得できず";
        }
    } else if (!outcome.Warnings.Known) {
        weather.ClearWarnings(); // not the agency's place: nothing to say
    } else {
        weather.WarningsKnown = true;
        weather.Warnings = outcome.Warnings.Warnings;
        weather.WarningsTime = outcome.Warnings.Time;
        weather.WarningsNote.clear();
        shown.ConfirmedAt = now;
        confirmed = outcome.Warnings;
    }
    UpdateWarningsNote(weather, shown, now);
    return confirmed;
}

bool UpdateWarningsNote(TWeatherData& weather, const TShownWarnings& shown, std::int64_t now) {
    if (!weather.WarningsKnown || shown.ConfirmedAt <= 0)
        return false;
    std::string note;
    if (now - shown.ConfirmedAt > WarningsFreshSeconds) {
        const platform::LocalDateTime at = platform::ToLocalDateTime(shown.ConfirmedAt);
        const platform::LocalDateTime today = platform::ToLocalDateTime(now);
        char text[48];
        if (at.Year == today.Year && at.Month == today.Month && at.Day == today.Day)
            std::snprintf(text, sizeof text, "%d:%02d 現在", at.Hour, at.Minute);
        else
            std::snprintf(text, sizeof text, "%d/%d %d:%02d 現在", at.Month, at.Day, at.Hour,
                          at.Minute);
        note = text;
    }
    if (note == weather.WarningsNote)
        return false;
    weather.WarningsNote = note;
    return true;
}

bool RainNotApplicable(TWeatherData& weather) {
    const bool held = weather.RainStep != NoValue;
    weather.ClearRain();
    return held;
}

bool RainAsked(TWeatherData& weather, TShownRain& shown, const std::string& key) {
    if (key == shown.Key)
        return false;
    weather.ClearRain();
    shown = {key, {}, {}};
    return true;
}

bool RainLoaded(TWeatherData& weather, TShownRain& shown, const std::string& key,
                const std::optional<TAmedasStation>& station, const TNowcastOutcome& outcome) {
    if (key != shown.Key)
        return false;
    if (outcome.FoundStationCoordinates) {
        shown.Station = station;
        shown.StationCoordinates = outcome.FoundStationCoordinates;
    }
    ApplyNowcastOutcome(weather, outcome);
    return true;
}
