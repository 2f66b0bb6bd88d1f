// Each feed's start step (what it asks for, under which key) and its one apply step (what the
// result does to Weather, through schedule/Feeds.h, and what is redrawn).
#include "app/MainForm.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "weather/ForecastTime.h"
#include "weather/KeptForecast.h"
#include "weather/jma/Jma.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <cstdio>

namespace {

// The place and source an observation request is for.
std::string ObservationKey(const TObservationRequest& request) {
    return std::to_string(static_cast<int>(request.Source)) + "\n" +
           (request.JmaPlace ? request.JmaPlace->Class20 : std::string()) + "\n" +
           request.Municipality + "\n" +
           (request.Coordinates ? FormatCoordinates(*request.Coordinates) : std::string());
}

} // namespace

std::string TMainForm::ThroughProxy(const std::string& key) const {
    return key + "\n" + IdHTTP1->ProxyServer + ":" + std::to_string(IdHTTP1->ProxyPort);
}

// --- the forecast ---

void TMainForm::RefreshWeather() {
    std::optional<TForecastRequest> request;
    std::exception_ptr error;
    try {
        request = CurrentForecastRequest();
    } catch (...) {
        error = std::current_exception();
    }
    std::string key;
    if (request) {
        key = ForecastKeyOf(*request);
        try {
            if (!LoadFeed<TForecastOutcome>(
                    TFeed::Forecast, ThroughProxy(key),
                    [asked = *request](THttpClient& http) { return LoadForecast(http, asked); },
                    [this, asked = *request](TForecastOutcome&& outcome, std::exception_ptr e) {
                        ApplyForecastOutcome(asked, std::move(outcome), e);
                    }))
                return; // the load under way fetches what this one would
            ForecastAsked(Weather, FeedState.Forecast, key, Today());
            DrawWeather();
            UpdateTrayState();
            return;
        } catch (...) {
            error = std::current_exception();
        }
    }
    // No valid place, or the load could not start: nothing runs, and the status says so.
    CancelFeed(TFeed::Forecast);
    ForecastAsked(Weather, FeedState.Forecast, key, Today());
    DrawWeather();
    ApplyForecastOutcome(request.value_or(TForecastRequest{}), {}, error);
}

// What becomes of the forecast on show: ForecastLoaded and ForecastNotLoaded (schedule/Feeds.h).
void TMainForm::ApplyForecastOutcome(const TForecastRequest& asked, TForecastOutcome outcome,
                                     std::exception_ptr error) {
    RememberCoordinates(asked, outcome);
    RememberJmaPlace(asked, outcome.FoundJmaPlace);
    const std::int64_t now = platform::UnixSecondsNow();
    std::string message;
    const TForecastEnd end = ForecastEndOf(outcome.Loaded, error, message);
    if (end == TForecastEnd::Loaded) {
        ForecastLoaded(Weather, FeedState.Forecast, ForecastKeyOf(asked), std::move(outcome.Record),
                       now);
        Schedule.Succeeded(TFeed::Forecast);
        DrawWeather();
        UpdateTrayIcon();
        StoreShownForecast();
        // A place found by this load has its weather now too.
        if (!IsCurrentObservation(Weather.Now, now))
            Schedule.Ask(TFeed::Now);
        RunSchedule();
        return;
    }
    std::int32_t retries = 0;
    if (end == TForecastEnd::Failed) {
        retries = Schedule.Failed(TFeed::Forecast, now);
        if (retries > 0)
            WatchNetwork();
    }
    ForecastNotLoaded(Weather, FeedState.Forecast, end,
                      end == TForecastEnd::PlaceUnknown ? message : ForecastFailureStatus(retries),
                      Today());
    if (end == TForecastEnd::Failed)
        ShowKeptAnswers(); // the day has passed since the forecast on show came
    DrawWeather();
    UpdateTrayState();
    SyncScheduleTimers();
}

void TMainForm::StoreShownForecast() {
    if (CacheFolder.empty() || FeedState.Forecast.Key.empty())
        return;
    const auto failure =
        StoreKeptForecast(platform::TCache(CacheFolder), KeptForecastName(SettingsFileName),
                          {Weather, FeedState.Forecast.Key, FeedState.Forecast.FetchedAt});
    // Nothing is lost but the quick start: say it once, not at every refresh.
    if (failure && *failure != cacheWriteError_)
        std::fprintf(stderr, "Pelumi: %s\n", failure->c_str());
    cacheWriteError_ = failure.value_or("");
}

void TMainForm::RestoreKeptForecast() {
    if (CacheFolder.empty())
        return;
    std::string key;
    try {
        key = ForecastKeyOf(CurrentForecastRequest());
    } catch (...) {
        return; // no place chosen: the first refresh says so
    }
    auto kept = LoadKeptForecast(platform::TCache(CacheFolder), KeptForecastName(SettingsFileName),
                                 key, Today());
    if (!kept) {
        ShowKeptAnswers(); // started on another day than the last forecast came
        return;
    }
    Weather = std::move(kept->Record);
    // The kept weather now shows while it is current (the drawing tells); it is the place's.
    if (auto request = CurrentObservationRequest())
        FeedState.Now.Key = ObservationKey(*request);
    FeedState.Forecast.Key = key;
    FeedState.Forecast.FetchedAt = kept->FetchedAt;
    // So is the kept rain, which shows while its frames are of the coming hour.
    if (CurrentNowcastRequest())
        FeedState.Rain.Key = RainPlaceKey();
    rainCurrent_ = IsCurrentRain(Weather, platform::UnixSecondsNow());
}

bool TMainForm::ShowKeptAnswers() {
    if (CacheFolder.empty() || SelectedSource() != TSource::Jma || HoldsForecast(Weather))
        return false;
    TForecastRequest request;
    try {
        request = CurrentForecastRequest();
    } catch (...) {
        return false;
    }
    TForecastOutcome outcome = ReadKeptJma(request, ClockMoment(platform::LocalNow()));
    if (!outcome.Loaded)
        return false;
    const std::string key = ForecastKeyOf(request);
    // Fetched when the kept forecast was, whatever day that was: the tray says so after a
    // failure, and the record's report time marks it old.
    std::int64_t fetchedAt = 0;
    if (const auto entry =
            platform::TCache(CacheFolder).Read(KeptForecastName(SettingsFileName), 1 << 20))
        if (const auto kept = ReadKeptForecastJson(entry->Content); kept && kept->Key == key)
            fetchedAt = kept->FetchedAt;
    const std::string status = Weather.Information;
    const bool failed = FeedState.Forecast.LastFailed;
    ForecastLoaded(Weather, FeedState.Forecast, key, std::move(outcome.Record), fetchedAt);
    Weather.Information = status;
    FeedState.Forecast.LastFailed = failed;
    return true;
}

// --- the weather now ---

void TMainForm::RefreshNow() {
    auto request = CurrentObservationRequest();
    const std::string key = request ? ObservationKey(*request) : std::string();
    if (NowAsked(Weather, FeedState.Now, key))
        ShowFeedChange();
    if (!request) {
        CancelFeed(TFeed::Now);
        return;
    }
    request->Station = FeedState.Now.Station;
    request->LastLatestTime = FeedState.Now.LatestTime;
    LoadFeed<TJmaObservationOutcome>(
        TFeed::Now, ThroughProxy(key),
        [asked = *request](THttpClient& http) { return LoadObservation(http, asked); },
        [this, key](TJmaObservationOutcome&& outcome, std::exception_ptr) {
            ApplyObservationOutcome(key, std::move(outcome));
        });
}

void TMainForm::ApplyObservationOutcome(const std::string& key, TJmaObservationOutcome outcome) {
    const TNowEnd end = NowLoaded(Weather, FeedState.Now, key, std::move(outcome));
    if (end == TNowEnd::Ignored)
        return;
    if (end == TNowEnd::Changed)
        StoreShownForecast();
    ShowFeedChange();
}

// --- the warnings ---

void TMainForm::RefreshWarnings() {
    // The page services stand only in the sample service; their places are left unknown.
    const TSource source = SelectedSource();
    if (source != TSource::Jma && source != TSource::OpenMeteo) {
        CancelFeed(TFeed::Warnings);
        WarningsNotApplicable(Weather, FeedState.Warnings);
        return;
    }
    TForecastRequest request;
    try {
        request = CurrentWarningsRequest();
    } catch (...) {
        CancelFeed(TFeed::Warnings);
        return; // no place chosen: the forecast's refresh says so
    }
    const std::string key = request.Prefecture + "\n" + request.Municipality;
    // Another place's warnings must not stand under this one's name.
    WarningsAsked(Weather, FeedState.Warnings, key);
    LoadFeed<TWarningsOutcome>(
        TFeed::Warnings, ThroughProxy(key),
        [request](THttpClient& http) { return LoadJmaWarnings(http, request); },
        [this, request](TWarningsOutcome&& outcome, std::exception_ptr error) {
            ApplyWarningsOutcome(request, std::move(outcome), error);
        });
}

void TMainForm::ApplyWarningsOutcome(const TForecastRequest& asked, TWarningsOutcome outcome,
                                     std::exception_ptr error) {
    RememberJmaPlace(asked, outcome.FoundJmaPlace);
    const std::optional<TJmaWarnings> confirmed =
        WarningsLoaded(Weather, FeedState.Warnings, asked.Prefecture + "\n" + asked.Municipality,
                       outcome, error != nullptr, platform::UnixSecondsNow());
    if (confirmed)
        AnnounceWarnings(asked, *confirmed);
    // Warnings in force are drawn even before the first forecast.
    if (!WidgetBitmap.Empty() || (Weather.WarningsKnown && !Weather.Warnings.empty()))
        DrawWeather();
    UpdateTrayState();
}

bool TMainForm::UpdateWarningsNote() {
    return ::UpdateWarningsNote(Weather, FeedState.Warnings, platform::UnixSecondsNow());
}

void TMainForm::AnnounceWarnings(const TForecastRequest& request, const TJmaWarnings& warnings) {
    TAnnouncedWarnings announced(CacheFolder);
    const std::vector<TWarning> fresh =
        announced.Announce(request.Prefecture + " " + request.Municipality, warnings.Warnings,
                           warnings.Reports, WarningNoticeChoice());
    if (fresh.empty())
        return;
    ++warningBalloons_;
    const TBalloon balloon = WarningsBalloon(request.Municipality, fresh);
    // Said on the standard error too: a desktop without a notification service may drop it.
    std::fprintf(stderr, "Pelumi: %s: %s\n", balloon.Title.c_str(), balloon.Text.c_str());
    ShowBalloon(balloon);
}

std::string TMainForm::WarningsHintLine() const {
    std::string place;
    try {
        place = GetLocationField(LocationIndex, 2);
    } catch (...) {
    }
    return ::WarningsHintLine(Weather, place);
}

// --- the rain of the next hour ---

void TMainForm::RefreshRain() {
    const std::optional<TNowcastRequest> request = CurrentNowcastRequest();
    if (!request) {
        CancelFeed(TFeed::Rain);
        if (RainNotApplicable(Weather))
            ShowFeedChange();
        return;
    }
    const std::string key = RainPlaceKey();
    // What was seen of one place's showers says nothing of another's.
    if (RainAsked(Weather, FeedState.Rain, key)) {
        rainNotice_.Reset();
        ShowFeedChange();
    }
    LoadFeed<TNowcastOutcome>(
        TFeed::Rain, ThroughProxy(std::to_string(static_cast<int>(request->Source)) + "\n" + key),
        [asked = *request](THttpClient& http) { return LoadNowcast(http, asked); },
        [this, asked = *request, key](TNowcastOutcome&& outcome, std::exception_ptr) {
            ApplyRainOutcome(asked, key, std::move(outcome));
        });
}

void TMainForm::ApplyRainOutcome(const TNowcastRequest& asked, const std::string& key,
                                 TNowcastOutcome outcome) {
    TForecastRequest names;
    names.Prefecture = asked.Prefecture;
    names.Municipality = asked.Municipality;
    RememberJmaPlace(names, outcome.FoundJmaPlace);
    if (!RainLoaded(Weather, FeedState.Rain, key, asked.Station, outcome))
        return;
    // A nowcast that cannot be had is said once, not every five minutes.
    if (outcome.Problem != rainProblem_ && !outcome.Problem.empty())
        std::fprintf(stderr, "Pelumi: %s\n", outcome.Problem.c_str());
    rainProblem_ = outcome.Problem;
    const std::int64_t now = platform::UnixSecondsNow();
    rainCurrent_ = IsCurrentRain(Weather, now);
    StoreShownForecast();
    ShowFeedChange();
    // Asked after every load, so that a shower seen while the balloons are off is not
    // announced late once they are on again.
    const std::optional<TRainNoticeText> notice = rainNotice_.Consider(Weather, now);
    if (!notice || !RainNoticeOn())
        return;
    ++rainBalloons_;
    // Said on the standard error too: a desktop without a notification service may drop it.
    std::fprintf(stderr, "Pelumi: %s: %s\n", notice->Title.c_str(), notice->Text.c_str());
    TBalloon balloon;
    balloon.Title = notice->Title;
    balloon.Text = notice->Text;
    balloon.Icon = TBalloonIcon::Information;
    balloon.Milliseconds = 10000;
    balloon.Urgent = true; // a forecast's balloon does not wipe it out
    ShowBalloon(balloon);
}
