#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The feeds the widget asks for, each on a clock of its own. A new feed is a line of FeedLines
// here, and a start and an apply step in the window.
enum class TFeed : std::uint8_t { Forecast, Now, Warnings, Rain };

// One feed's line in the schedule. What holds for every feed: the manual schedule stops its
// scheduled asks (never those by hand), a refresh by hand, the start and another choice of place,
// source or proxy ask for it, and a switch of its own (TSchedule::SetEnabled) stops it altogether.
struct TFeedLine {
    TFeed Feed;
    // Minutes between two scheduled asks; 0 for the forecast, whose period is the refresh mode's.
    std::int32_t PeriodMinutes;
    // Also asked whenever the forecast is refreshed on schedule or at a new day.
    bool WithForecast;
    // Retries of a load that ends without a result, a minute apart; a fresh ask fills them again.
    std::int32_t Retries;
};

inline constexpr std::array<TFeedLine, 4> FeedLines{{
    {TFeed::Forecast, 0, true, 5},
    {TFeed::Now, 10, false, 0},
    {TFeed::Warnings, 10, true, 0},
    // The nowcast's analyses come every five minutes; a missed one is simply read at the next.
    {TFeed::Rain, 5, false, 0},
}};
inline constexpr std::size_t FeedCount = FeedLines.size();

// The forecast's refresh mode, numbered as the settings' RefreshInterval stores it.
enum class TRefreshMode : std::int32_t {
    Manual = 0,
    Hourly = 1,
    ThreeHourly = 2,
    SixHourly = 3,
    SixTwelveEighteen = 4,
};

// When each feed is asked for. Times are seconds since 1970; hours and days are read in the
// clock's zone (platform/Clock.h). Nothing here runs a timer: the window's minute timer calls
// Tick, every event asks Due what is due at that moment and starts it, and NextWake says when
// time alone next brings something.
//
// The forecast keeps the counters of the refresh cycle: in the 1, 3 and 6 hour modes the minutes
// left (ForecastTag), counted by ticks; at 6, 12 and 18 o'clock the next target hour, kept as a
// moment too. The periodic feeds count their minutes by the same ticks, so that feeds of the
// same period armed together come due in the same wake-up. A tick two minutes or more after the
// last counts every minute in between (the machine slept); one after the clock was set back
// counts one. A failed load of a feed with retries is asked again a minute later while they last.
class TSchedule {
public:
    // Arms the mode at `now` (the menu's choice, the settings at start-up): the countdowns start
    // afresh, the 6/12/18 target is the next after the present hour; the manual mode keeps the
    // forecast's counter. Asks for nothing by itself.
    void Arm(TRefreshMode mode, std::int64_t now);
    TRefreshMode Mode() const { return mode_; }

    // A feed's own switch. Switched off it is never due; switched on it is due at once and its
    // countdown starts afresh.
    void SetEnabled(TFeed feed, bool enabled);
    bool Enabled(TFeed feed) const { return line(feed).Enabled; }

    // One tick of the minute timer: counts the minutes since the last tick and marks what their
    // countdowns or the 6/12/18 target bring. Nothing in the manual mode.
    void Tick(std::int64_t now);
    // Every feed, afresh: the refresh command, the start, another place, source or proxy.
    void AskAll();
    // One feed out of turn, not afresh (a retry keeps its budget).
    void Ask(TFeed feed);
    // The network came back: a pending retry is due at once.
    void NetworkBack();

    // What is due at `now`, in the order of FeedLines, each handed out once. Also notes a new day,
    // which in every mode but the manual one asks for the forecast afresh. A feed handed out has
    // no retry pending any more; handed out afresh, its retries are full again.
    std::vector<TFeed> Due(std::int64_t now);
    // The next moment at which time alone makes something due (a countdown, the 6/12/18 target,
    // a retry, the new day), `now` when something is due already; nothing when only an event can
    // (the manual mode without a retry pending).
    std::optional<std::int64_t> NextWake(std::int64_t now) const;

    // Loads under way, one per feed, named by the key of what they ask for.
    enum class TBegin {
        Start,    // nothing under way: start it
        LetStand, // the load under way asks for the same thing: it stands, start nothing
        Replace,  // another is under way: cancel it (its result must reach nobody) and start
    };
    TBegin Begin(TFeed feed, const std::string& key);
    // A load ended; true when its result is wanted (it is the one under way for that key).
    bool End(TFeed feed, const std::string& key);
    // Nothing is under way for the feed any more (cancelled, or nothing to ask).
    void Abandon(TFeed feed);
    bool UnderWay(TFeed feed) const { return line(feed).UnderWay.has_value(); }

    // A feed's load brought its result: no retry is left or pending.
    void Succeeded(TFeed feed);
    // It ended without one: while retries are left, one is armed a minute on. Returns how many
    // were left before this one was taken (what the status announces), 0 when none is armed.
    std::int32_t Failed(TFeed feed, std::int64_t now);

    // The refresh cycle's counters: the forecast's minutes left or target hour (Timer1's Tag),
    // a feed's retries left (RetryTimer's Tag) and the moment of its pending retry.
    std::int32_t ForecastTag() const { return tag_; }
    std::int32_t RetriesLeft(TFeed feed) const { return line(feed).RetriesLeft; }
    std::optional<std::int64_t> RetryAt(TFeed feed) const { return line(feed).RetryAt; }

    static constexpr std::int64_t RetrySeconds = 60;

private:
    struct TLine {
        bool Enabled = true;
        std::int32_t Countdown = 0; // minutes left (periodic feeds)
        bool Due = false;
        bool Fresh = false;
        std::int32_t RetriesLeft = 0;
        std::optional<std::int64_t> RetryAt;
        std::optional<std::string> UnderWay;
    };
    TLine& line(TFeed feed) { return lines_[static_cast<std::size_t>(feed)]; }
    const TLine& line(TFeed feed) const { return lines_[static_cast<std::size_t>(feed)]; }
    void AskForecastAfresh();

    std::array<TLine, FeedCount> lines_{};
    TRefreshMode mode_ = TRefreshMode::Manual;
    std::int32_t tag_ = 0;
    std::int64_t targetTime_ = 0; // 6/12/18: the moment of the target hour
    std::int64_t lastTick_ = 0;
    std::int64_t day_ = 0; // the last day seen, as year * 10000 + month * 100 + day
};

// The minutes of a refresh mode's countdown (60, 180, 360); 0 for the others.
std::int32_t RefreshModeMinutes(TRefreshMode mode);
