// The refresh cycle: one attempt with up to five retries, and the schedule.
#include "app/MainForm.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/KeptForecast.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <QNetworkInformation>

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::int32_t RetryBudget = 5;

// The next of 6, 12 and 18 o'clock after a local hour.
std::int32_t TargetAfterHour(int hour) {
    return hour >= 6 && hour < 12 ? 12 : hour >= 12 && hour < 18 ? 18 : 6;
}

// The first moment after `now` at which the local clock shows `hour`:00.
std::int64_t NextTimeAtHour(std::int64_t now, int hour) {
    platform::LocalDateTime at = platform::ToLocalDateTime(now);
    at.Hour = hour;
    at.Minute = 0;
    at.Second = 0;
    std::int64_t seconds = platform::ToUnixSeconds(at);
    if (seconds <= now) {
        ++at.Day;
        seconds = platform::ToUnixSeconds(at);
    }
    return seconds;
}

} // namespace

void TMainForm::ActRefreshExecute(QObject* sender) {
    // The weather now keeps its own ten minutes; a refresh by hand, or one for another place or
    // source, asks for it too.
    const auto observation = CurrentObservationRequest();
    if (sender || (observation ? ObservationKey(*observation) : std::string()) != nowKey_)
        RefreshNow();
    RefreshWarnings();
    RetryTimer.stop();
    RetryTimer.Tag = RetryBudget;
    // The download under way already fetches what this refresh would: let it stand.
    if (RefreshUnderWayForCurrentChoice())
        return;
    RefreshWeather();
}

bool TMainForm::RefreshUnderWayForCurrentChoice() const {
    if (!refresh_)
        return false;
    try {
        return refresh_->Request == CurrentForecastRequest() &&
               refresh_->ProxyServer == IdHTTP1->ProxyServer &&
               refresh_->ProxyPort == IdHTTP1->ProxyPort;
    } catch (...) {
        return false; // no valid place any more: a new attempt reports it
    }
}

void TMainForm::CancelRefresh() {
    if (refresh_)
        Downloads.Cancel(refresh_->Id);
    refresh_.reset();
}

std::unique_ptr<THttpClient> TMainForm::DownloadClient() const {
    std::unique_ptr<THttpClient> client = NewHttpClient();
    client->ProxyServer = IdHTTP1->ProxyServer;
    client->ProxyPort = IdHTTP1->ProxyPort;
    return client;
}

void TMainForm::RetryTimerTimer() {
    RefreshWeather();
}

void TMainForm::WatchNetwork() {
    // Only once a refresh has failed: a program whose downloads succeed has no need of it.
    if (networkWatched_)
        return;
    networkWatched_ = true;
    // Where the platform tells when the network comes and goes (a desktop's network service);
    // elsewhere the retries keep their minute.
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                Guarded([&] {
                    NetworkReachabilityChanged(reachability ==
                                               QNetworkInformation::Reachability::Online);
                });
            });
}

void TMainForm::NetworkReachabilityChanged(bool online) {
    // The retry would wait up to a minute for a network that is there now.
    if (online && RetryTimer.isActive()) {
        RetryTimer.stop();
        RetryTimerTimer();
    }
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

void TMainForm::DropForecast() {
    TWeatherData kept = std::move(Weather);
    Weather.Clear();
    Weather.Information = kept.Information;
    // The weather now and the warnings are the place's, not the forecast's: they follow their
    // own refresh.
    Weather.Now = std::move(kept.Now);
    Weather.WarningsKnown = kept.WarningsKnown;
    Weather.Warnings = std::move(kept.Warnings);
    Weather.WarningsTime = std::move(kept.WarningsTime);
    Weather.WarningsNote = std::move(kept.WarningsNote);
    shownKey_.clear();
    shownFetchedAt_ = 0;
}

void TMainForm::DropStaleForecast() {
    if (HoldsForecast(Weather) && RecordToday(Weather) != Today())
        DropForecast();
}

void TMainForm::KeepForecastOnlyFor(const std::string& key) {
    if (key.empty() || key != shownKey_)
        DropForecast();
    else
        DropStaleForecast();
}

std::optional<TJmaPlace> TMainForm::JmaPlaceOf(const std::string& prefecture,
                                               const std::string& municipality) const {
    const auto known = KnownJmaPlaces.find(CoordinatesKey(prefecture, municipality));
    if (known == KnownJmaPlaces.end())
        return std::nullopt;
    return known->second;
}

void TMainForm::RememberJmaPlace(const TForecastRequest& request, const TForecastOutcome& outcome) {
    if (!outcome.FoundJmaPlace)
        return;
    KnownJmaPlaces[CoordinatesKey(request.Prefecture, request.Municipality)] =
        *outcome.FoundJmaPlace;
    // Written now so the constants are not searched again after a crash; a settings file that
    // cannot be written is reported by the save on closing.
    try {
        SaveSettings(SettingsFileName);
    } catch (const std::exception&) {
    }
}

void TMainForm::RefreshWeather() {
    // A newer attempt supersedes the one under way: its result must not reach the screen.
    CancelRefresh();
    RetryTimer.stop();
    std::optional<TForecastRequest> request;
    std::exception_ptr error;
    try {
        request = CurrentForecastRequest();
    } catch (...) {
        error = std::current_exception();
    }
    // The forecast on show stays while this refresh runs, as long as it is today's forecast of
    // what the refresh asks for: another place's or source's weather must not stand under it.
    KeepForecastOnlyFor(request ? ForecastKeyOf(*request) : std::string());
    Weather.Information = "接続しています";
    DrawWeather();
    if (!error) {
        try {
            TRefreshUnderWay refresh;
            refresh.Request = *request;
            refresh.ProxyServer = IdHTTP1->ProxyServer;
            refresh.ProxyPort = IdHTTP1->ProxyPort;
            refresh.Id = StartDownload<TForecastOutcome>(
                Downloads, DownloadClient(),
                [request = refresh.Request](THttpClient& http) {
                    return LoadForecast(http, request);
                },
                [this](TForecastOutcome&& outcome, std::exception_ptr error) {
                    Guarded([&] { ApplyForecastOutcome(std::move(outcome), error); });
                });
            refresh_ = std::move(refresh);
        } catch (...) {
            error = std::current_exception();
        }
    }
    if (error) {
        ApplyForecastOutcome({}, error);
        return;
    }
    UpdateTrayState();
}

// What becomes of the forecast on show:
//   success        the new forecast replaces it, and is kept in the cache folder;
//   failure        it stays (unless its day has passed) under the retry or failure status;
//   error          the same, with no retry;
//   place unknown  it goes: there is no such place to show weather for.
void TMainForm::ApplyForecastOutcome(TForecastOutcome outcome, std::exception_ptr error) {
    std::string key;
    if (refresh_) {
        RememberCoordinates(refresh_->Request, outcome);
        key = ForecastKeyOf(refresh_->Request);
        RememberJmaPlace(refresh_->Request, outcome);
    }
    refresh_.reset();
    try {
        if (error)
            std::rethrow_exception(error);
        if (outcome.Loaded) {
            TObservation now = std::move(Weather.Now);
            // The forecast replaces everything but the warnings, which have their own refresh.
            outcome.Record.WarningsKnown = Weather.WarningsKnown;
            outcome.Record.Warnings = std::move(Weather.Warnings);
            outcome.Record.WarningsTime = std::move(Weather.WarningsTime);
            outcome.Record.WarningsNote = std::move(Weather.WarningsNote);
            Weather = std::move(outcome.Record);
            Weather.Now = std::move(now);
            RetryTimer.Tag = 0;
            RetryTimer.stop();
            Weather.Information.clear();
            shownKey_ = key;
            shownFetchedAt_ = platform::UnixSecondsNow();
            lastRefreshFailed_ = false;
            DrawWeather();
            UpdateTrayIcon();
            StoreShownForecast();
            // A place found by this load has its weather now too.
            if (!RefreshingNow() && !IsCurrentObservation(Weather.Now, platform::UnixSecondsNow()))
                RefreshNow();
            return;
        }
        if (RetryTimer.Tag > 0) {
            ShowFailure("再接続します (あと" + std::to_string(RetryTimer.Tag) + "回)");
            --RetryTimer.Tag;
            RetryTimer.start();
            WatchNetwork();
        } else {
            ShowFailure("データ取得に失敗");
        }
    } catch (const ELocationNotFound& e) {
        // Asking again cannot find the place: say why, with no retry.
        DropForecast();
        ShowFailure(e.what());
    } catch (...) {
        ShowFailure("データ取得に失敗");
    }
}

void TMainForm::ShowFailure(const std::string& status) {
    lastRefreshFailed_ = true;
    // The download may have taken the clock past midnight.
    DropStaleForecast();
    Weather.Information = status;
    DrawWeather();
    UpdateTrayState();
}

void TMainForm::StoreShownForecast() {
    if (CacheFolder.empty() || shownKey_.empty())
        return;
    const auto failure =
        StoreKeptForecast(platform::TCache(CacheFolder), KeptForecastName(SettingsFileName),
                          {Weather, shownKey_, shownFetchedAt_});
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
    if (!kept)
        return;
    Weather = std::move(kept->Record);
    // The kept weather now shows while it is current (the drawing tells); it is the place's.
    if (auto request = CurrentObservationRequest())
        nowKey_ = ObservationKey(*request);
    shownKey_ = key;
    shownFetchedAt_ = kept->FetchedAt;
}

void TMainForm::ActServerExecute(QObject*) {
    FollowSourcesClock();
    SaveSettings(SettingsFileName);
    ActRefreshExecute(nullptr);
}

void TMainForm::ActRefreshIntervalExecute(QObject* sender) {
    Timer1.setInterval(60000);
    if (ActIntervalManual.isChecked()) {
        Timer1.stop();
        NowTimer.stop();
    } else {
        Timer1.start();
        NowTimer.start();
    }
    if (ActIntervalAuto.isChecked()) {
        Timer1.Tag = TargetAfterHour(platform::LocalNow().Hour);
    } else if (ActInterval1H.isChecked()) {
        Timer1.Tag = 60;
    } else if (ActInterval3H.isChecked()) {
        Timer1.Tag = 180;
    } else if (ActInterval6H.isChecked()) {
        Timer1.Tag = 360;
    }
    ArmScheduleClock();
    ArmWarningsTimer();
    if (sender)
        SaveSettings(SettingsFileName);
}

void TMainForm::ArmClock() {
    // At the next full minute, so that the day changes with the computer's clock.
    const int second = std::clamp(platform::LocalNow().Second, 0, 59);
    ClockTimer.setSingleShot(true);
    ClockTimer.start((60 - second) * 1000);
}

void TMainForm::FollowSourcesClock() {
    // The place's zone rules: Japan's for the agency, and for Open-Meteo at a place in Japan.
    const bool japan =
        SelectedSource() == TSource::Jma ||
        (SelectedSource() == TSource::OpenMeteo && (!OwnPlace || InJapan(*OwnPlace)));
    platform::SetClockZone(japan ? platform::ClockZone::Japan : platform::ClockZone::Computer);
    const platform::LocalDateTime now = platform::LocalNow();
    clockDay_ = EncodeDate(now.Year, now.Month, now.Day);
    clockHour_ = now.Hour;
}

void TMainForm::ClockTimerTimer() {
    const platform::LocalDateTime now = platform::LocalNow();
    const TDateTime today = EncodeDate(now.Year, now.Month, now.Day);
    const bool newDay = today != clockDay_;
    const bool newHour = newDay || now.Hour != clockHour_;
    clockDay_ = today;
    clockHour_ = now.Hour;
    ArmClock();
    // Warnings that were not confirmed for a while say since when, at the minute it happens.
    if (UpdateWarningsNote() && !newHour) {
        if (!WidgetBitmap.Empty())
            DrawWeather();
        UpdateTrayState();
    }
    if (!newHour)
        return;
    if (newDay)
        DropStaleForecast();
    // The point row and the tray's slot start at the present hour; a window that never drew
    // waits for its first refresh.
    if (!WidgetBitmap.Empty())
        DrawWeather();
    UpdateTrayState();
    if (newDay && !ActIntervalManual.isChecked())
        ActRefreshExecute(nullptr);
}

void TMainForm::ArmScheduleClock() {
    lastScheduleTick_ = platform::UnixSecondsNow();
    targetTime_ = ActIntervalAuto.isChecked() ? NextTimeAtHour(lastScheduleTick_, Timer1.Tag) : 0;
}

// The timer counts minutes of a clock that stands still while the machine sleeps; the wall
// clock tells when a scheduled refresh was missed meanwhile.
void TMainForm::Timer1Timer() {
    const std::int64_t now = platform::UnixSecondsNow();
    const std::int64_t elapsed = now - lastScheduleTick_;
    lastScheduleTick_ = now;
    if (ActIntervalAuto.isChecked()) {
        if (elapsed < 0) {
            // The clock was set back: aim at the target hour as the new time next shows it,
            // neither repeating a refresh at once nor waiting days for the old moment.
            targetTime_ = NextTimeAtHour(now, Timer1.Tag);
            return;
        }
        if (now < targetTime_)
            return;
        // In the target hour, or past it after a sleep: refresh now and aim from here.
        Timer1.Tag = TargetAfterHour(platform::ToLocalDateTime(now).Hour);
        targetTime_ = NextTimeAtHour(now, Timer1.Tag);
        ActRefreshExecute(nullptr);
        return;
    }
    // A tick much later than a minute after the last counts every minute that passed; one
    // after a clock set back counts as one.
    const std::int64_t minutes = elapsed / 60;
    Timer1.Tag -= minutes >= 2 ? static_cast<std::int32_t>(std::min<std::int64_t>(
                                     minutes, std::max<std::int32_t>(Timer1.Tag, 1)))
                               : 1;
    if (Timer1.Tag > 0)
        return;
    Timer1.Tag = ActInterval1H.isChecked() ? 60 : ActInterval3H.isChecked() ? 180 : 360;
    ActRefreshExecute(nullptr);
}
