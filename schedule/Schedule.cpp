#include "schedule/Schedule.h"

#include "platform/Clock.h"

#include <algorithm>

namespace {

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

std::int64_t DayOf(std::int64_t now) {
    const platform::LocalDateTime at = platform::ToLocalDateTime(now);
    return at.Year * 10000LL + at.Month * 100 + at.Day;
}

// The first moment of the day after `now`'s.
std::int64_t NextMidnight(std::int64_t now) {
    platform::LocalDateTime at = platform::ToLocalDateTime(now);
    at.Hour = at.Minute = at.Second = 0;
    ++at.Day;
    return platform::ToUnixSeconds(at);
}

} // namespace

std::int32_t RefreshModeMinutes(TRefreshMode mode) {
    switch (mode) {
    case TRefreshMode::Hourly:
        return 60;
    case TRefreshMode::ThreeHourly:
        return 180;
    case TRefreshMode::SixHourly:
        return 360;
    default:
        return 0;
    }
}

void TSchedule::Arm(TRefreshMode mode, std::int64_t now) {
    mode_ = mode;
    lastTick_ = now;
    if (day_ == 0)
        day_ = DayOf(now);
    targetTime_ = 0;
    if (mode == TRefreshMode::SixTwelveEighteen) {
        tag_ = TargetAfterHour(platform::ToLocalDateTime(now).Hour);
        targetTime_ = NextTimeAtHour(now, tag_);
    } else if (mode != TRefreshMode::Manual) {
        tag_ = RefreshModeMinutes(mode);
    }
    for (const TFeedLine& l : FeedLines)
        line(l.Feed).Countdown = l.PeriodMinutes;
}

void TSchedule::SetEnabled(TFeed feed, bool enabled) {
    TLine& l = line(feed);
    if (enabled && !l.Enabled) {
        l.Due = true;
        l.Fresh = true;
        l.Countdown = FeedLines[static_cast<std::size_t>(feed)].PeriodMinutes;
    }
    if (!enabled) {
        l.Due = l.Fresh = false;
        l.RetryAt.reset();
    }
    l.Enabled = enabled;
}

void TSchedule::AskForecastAfresh() {
    for (const TFeedLine& l : FeedLines) {
        if (l.Feed == TFeed::Forecast || l.WithForecast) {
            line(l.Feed).Due = true;
            line(l.Feed).Fresh = true;
        }
    }
}

void TSchedule::Tick(std::int64_t now) {
    if (mode_ == TRefreshMode::Manual)
        return;
    const std::int64_t elapsed = now - lastTick_;
    lastTick_ = now;
    // A tick much later than a minute after the last counts every minute that passed; one after
    // the clock was set back counts one.
    const std::int64_t minutes = elapsed / 60;
    const auto count = [minutes](std::int32_t& left) {
        left -= minutes >= 2 ? static_cast<std::int32_t>(
                                   std::min<std::int64_t>(minutes, std::max<std::int32_t>(left, 1)))
                             : 1;
    };
    for (const TFeedLine& l : FeedLines) {
        TLine& state = line(l.Feed);
        if (l.PeriodMinutes <= 0)
            continue;
        count(state.Countdown);
        if (state.Countdown <= 0) {
            state.Countdown = l.PeriodMinutes;
            state.Due = true;
        }
    }
    if (mode_ == TRefreshMode::SixTwelveEighteen) {
        if (elapsed < 0) {
            // The clock was set back: aim at the target hour as the new time next shows it,
            // neither repeating a refresh at once nor waiting days for the old moment.
            targetTime_ = NextTimeAtHour(now, tag_);
            return;
        }
        if (now < targetTime_)
            return;
        // In the target hour, or past it after a sleep: refresh now and aim from here.
        tag_ = TargetAfterHour(platform::ToLocalDateTime(now).Hour);
        targetTime_ = NextTimeAtHour(now, tag_);
        AskForecastAfresh();
        return;
    }
    count(tag_);
    if (tag_ > 0)
        return;
    tag_ = RefreshModeMinutes(mode_);
    AskForecastAfresh();
}

void TSchedule::AskAll() {
    for (TLine& l : lines_) {
        l.Due = true;
        l.Fresh = true;
    }
}

void TSchedule::Ask(TFeed feed) {
    line(feed).Due = true;
}

void TSchedule::NetworkBack() {
    for (TLine& l : lines_) {
        if (l.RetryAt) {
            l.RetryAt.reset();
            l.Due = true;
        }
    }
}

std::vector<TFeed> TSchedule::Due(std::int64_t now) {
    const std::int64_t day = DayOf(now);
    if (day != day_) {
        day_ = day;
        if (mode_ != TRefreshMode::Manual)
            AskForecastAfresh();
    }
    std::vector<TFeed> due;
    for (const TFeedLine& l : FeedLines) {
        TLine& state = line(l.Feed);
        if (state.RetryAt && *state.RetryAt <= now) {
            state.RetryAt.reset();
            state.Due = true;
        }
        // What was asked of a feed switched off is dropped.
        if (!state.Enabled)
            state.Due = state.Fresh = false;
        if (!state.Due)
            continue;
        if (state.Fresh)
            state.RetriesLeft = l.Retries;
        state.Due = state.Fresh = false;
        state.RetryAt.reset();
        due.push_back(l.Feed);
    }
    return due;
}

std::optional<std::int64_t> TSchedule::NextWake(std::int64_t now) const {
    std::optional<std::int64_t> next;
    const auto consider = [&next](std::int64_t at) {
        if (!next || at < *next)
            next = at;
    };
    for (const TFeedLine& l : FeedLines) {
        const TLine& state = line(l.Feed);
        if (!state.Enabled)
            continue;
        if (state.Due)
            return now;
        if (state.RetryAt)
            consider(std::max(*state.RetryAt, now));
        if (mode_ != TRefreshMode::Manual && l.PeriodMinutes > 0)
            consider(lastTick_ + std::int64_t{state.Countdown} * 60);
    }
    if (mode_ == TRefreshMode::Manual)
        return next;
    consider(mode_ == TRefreshMode::SixTwelveEighteen ? targetTime_
                                                      : lastTick_ + std::int64_t{tag_} * 60);
    consider(NextMidnight(now));
    return next ? std::optional<std::int64_t>(std::max(*next, now)) : next;
}

TSchedule::TBegin TSchedule::Begin(TFeed feed, const std::string& key) {
    TLine& l = line(feed);
    if (!l.UnderWay) {
        l.UnderWay = key;
        return TBegin::Start;
    }
    if (*l.UnderWay == key)
        return TBegin::LetStand;
    l.UnderWay = key;
    return TBegin::Replace;
}

bool TSchedule::End(TFeed feed, const std::string& key) {
    TLine& l = line(feed);
    if (!l.UnderWay || *l.UnderWay != key)
        return false;
    l.UnderWay.reset();
    return true;
}

void TSchedule::Abandon(TFeed feed) {
    line(feed).UnderWay.reset();
}

void TSchedule::Succeeded(TFeed feed) {
    TLine& l = line(feed);
    l.RetriesLeft = 0;
    l.RetryAt.reset();
}

std::int32_t TSchedule::Failed(TFeed feed, std::int64_t now) {
    TLine& l = line(feed);
    if (l.RetriesLeft <= 0 || !l.Enabled)
        return 0;
    const std::int32_t announced = l.RetriesLeft--;
    l.RetryAt = now + RetrySeconds;
    return announced;
}
