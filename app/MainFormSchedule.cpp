// The schedule's timers and the one path from what is due to the feeds' start steps.
#include "app/MainForm.h"

#include "platform/Clock.h"

#include <QNetworkInformation>

#include <algorithm>

namespace {

// Each feed's start step, in the schedule's order.
using TStartStep = void (TMainForm::*)();
constexpr std::array<std::pair<TFeed, TStartStep>, FeedCount> kStartSteps{{
    {TFeed::Forecast, &TMainForm::RefreshWeather},
    {TFeed::Now, &TMainForm::RefreshNow},
    {TFeed::Warnings, &TMainForm::RefreshWarnings},
    {TFeed::Rain, &TMainForm::RefreshRain},
}};

} // namespace

void TMainForm::RunSchedule() {
    for (const TFeed feed : Schedule.Due(platform::UnixSecondsNow())) {
        const auto step = std::find_if(kStartSteps.begin(), kStartSteps.end(),
                                       [feed](const auto& s) { return s.first == feed; });
        // One feed's trouble is shown and leaves the others to start.
        Guarded([&] { (this->*step->second)(); });
    }
    SyncScheduleTimers();
}

void TMainForm::SyncScheduleTimers() {
    Timer1.Tag = Schedule.ForecastTag();
    RetryTimer.Tag = Schedule.RetriesLeft(TFeed::Forecast);
    // A minute after the failure, by the timer; the schedule's own moment serves where the timer
    // stood still (a sleep) or the network came back.
    if (!Schedule.RetryAt(TFeed::Forecast))
        RetryTimer.stop();
    else if (!RetryTimer.isActive())
        RetryTimer.start();
}

void TMainForm::ActRefreshExecute(QObject*) {
    Schedule.AskAll();
    RunSchedule();
}

void TMainForm::Timer1Timer() {
    Schedule.Tick(platform::UnixSecondsNow());
    RunSchedule();
}

void TMainForm::RetryTimerTimer() {
    RetryTimer.stop();
    Schedule.Ask(TFeed::Forecast);
    RunSchedule();
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
    if (!online)
        return;
    Schedule.NetworkBack();
    RunSchedule();
}

TRefreshMode TMainForm::RefreshMode() const {
    if (ActInterval1H.isChecked())
        return TRefreshMode::Hourly;
    if (ActInterval3H.isChecked())
        return TRefreshMode::ThreeHourly;
    if (ActInterval6H.isChecked())
        return TRefreshMode::SixHourly;
    if (ActIntervalAuto.isChecked())
        return TRefreshMode::SixTwelveEighteen;
    return TRefreshMode::Manual;
}

void TMainForm::ActRefreshIntervalExecute(QObject* sender) {
    Timer1.setInterval(60000);
    const TRefreshMode mode = RefreshMode();
    Schedule.Arm(mode, platform::UnixSecondsNow());
    if (mode == TRefreshMode::Manual)
        Timer1.stop();
    else
        Timer1.start();
    SyncScheduleTimers();
    if (sender)
        SaveSettings(SettingsFileName);
}

void TMainForm::ActServerExecute(QObject*) {
    FollowSourcesClock();
    SaveSettings(SettingsFileName);
    ActRefreshExecute(nullptr);
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
    // Warnings that were not confirmed for a while say since when, and rain frames that the
    // clock has left behind go, at the minute it happens.
    bool changed = UpdateWarningsNote();
    if (const bool rainCurrent = IsCurrentRain(Weather, platform::UnixSecondsNow());
        rainCurrent != rainCurrent_) {
        rainCurrent_ = rainCurrent;
        changed = true;
    }
    if (changed && !newHour)
        ShowFeedChange();
    if (newHour) {
        if (newDay) {
            DropStaleForecast(Weather, FeedState.Forecast, today);
            // Yesterday's answers tell today until the new day's forecast comes.
            ShowKeptAnswers();
        }
        // The point row and the tray's slot start at the present hour; a window that never drew
        // waits for its first refresh.
        ShowFeedChange();
    }
    // A new day is the schedule's to refresh for; so is a retry a sleep has delayed.
    RunSchedule();
}

void TMainForm::ShowFeedChange() {
    if (!WidgetBitmap.Empty())
        DrawWeather();
    UpdateTrayState();
}

void TMainForm::CancelFeed(TFeed feed) {
    auto& id = feedLoads_[static_cast<std::size_t>(feed)];
    Downloads.Cancel(id);
    id = 0;
    Schedule.Abandon(feed);
}
