// The schedule of every feed on a fake clock: what is due when, what it wakes for, retries,
// sleeps, the manual mode, refreshes by hand and loads under way.
#include "platform/Clock.h"
#include "schedule/Schedule.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Feeds = std::vector<TFeed>;
const Feeds kAll = {TFeed::Forecast, TFeed::Now, TFeed::Warnings, TFeed::Rain};
const Feeds kForecast = {TFeed::Forecast, TFeed::Warnings}; // the forecast and what comes with it
const Feeds kTenMinutes = {TFeed::Now, TFeed::Warnings};
const Feeds kTenMinutesAndRain = {TFeed::Now, TFeed::Warnings, TFeed::Rain};

// Japan's clock: no daylight saving, whatever the machine's zone.
class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetClockZone(platform::ClockZone::Japan); }
    void TearDown() override { platform::SetClockZone(platform::ClockZone::Computer); }

    static std::int64_t At(int day, int hour, int minute, int second = 0) {
        return platform::ToUnixSeconds({2026, 12, day, hour, minute, second});
    }
    static std::string Clock(std::int64_t t) {
        const auto l = platform::ToLocalDateTime(t);
        char text[32];
        std::snprintf(text, sizeof text, "%d %02d:%02d:%02d", l.Day, l.Hour, l.Minute, l.Second);
        return text;
    }
};

// One wake-up: what the schedule handed out at that moment.
struct Wake {
    std::int64_t at;
    Feeds due;
    bool operator==(const Wake&) const = default;
};

// Runs the schedule from its arming to `end`: each minute as the window's timer ticks, or only
// at the moments NextWake names. Only wake-ups that hand something out are listed.
std::vector<Wake> Wakes(TSchedule& schedule, std::int64_t from, std::int64_t end,
                        bool everyMinute) {
    std::vector<Wake> wakes;
    std::int64_t now = from;
    while (true) {
        if (everyMinute) {
            now += 60;
        } else {
            const auto next = schedule.NextWake(now);
            if (!next)
                break;
            if (*next <= now) {
                ADD_FAILURE() << "the next wake-up is not after " << now;
                break;
            }
            now = *next;
        }
        if (now > end)
            break;
        schedule.Tick(now);
        Feeds due = schedule.Due(now);
        if (!due.empty())
            wakes.push_back({now, std::move(due)});
        else
            EXPECT_TRUE(everyMinute) << "woke for nothing at " << now;
    }
    return wakes;
}

} // namespace

TEST_F(ScheduleTest, ADayOfTheFeedsWakesAsOftenAsItMustAndNoMore) {
    struct Case {
        const char* name;
        TRefreshMode mode;
        int wakes;
        int forecasts;              // asks for the forecast, the new day's included
        int tenMinutes;             // asks for the weather now and the warnings, always together
        int rain;                   // asks for the rain of the next hour
        bool tenMinuteFeeds = true; // switched on
        bool rainFeed = true;
    };
    const Case cases[] = {
        {"hourly", TRefreshMode::Hourly, 288, 24, 144, 288},
        {"every 3 hours, and at midnight", TRefreshMode::ThreeHourly, 288, 9, 144, 288},
        {"every 6 hours, and at midnight", TRefreshMode::SixHourly, 288, 5, 144, 288},
        {"12, 18, midnight, 6", TRefreshMode::SixTwelveEighteen, 288, 4, 144, 288},
        {"by hand", TRefreshMode::Manual, 0, 0, 0, 0},
        {"every 3 hours, no ten-minute feeds", TRefreshMode::ThreeHourly, 288, 9, 0, 288, false},
        {"every 6 hours, no rain", TRefreshMode::SixHourly, 144, 5, 144, 0, true, false},
        {"every 3 hours alone: the midnight wakes too", TRefreshMode::ThreeHourly, 9, 9, 0, 0,
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t from = At(9, 10, 0);
        const std::int64_t end = At(10, 10, 0);
        const auto armed = [&c, from] {
            TSchedule schedule;
            schedule.Arm(c.mode, from);
            for (TFeed f : kTenMinutes)
                schedule.SetEnabled(f, c.tenMinuteFeeds);
            schedule.SetEnabled(TFeed::Rain, c.rainFeed);
            return schedule;
        };
        TSchedule byWake = armed();
        const std::vector<Wake> wakes = Wakes(byWake, from, end, false);
        EXPECT_EQ(wakes.size(), static_cast<std::size_t>(c.wakes));
        int forecasts = 0;
        int now = 0;
        int warnings = 0;
        int rain = 0;
        for (const Wake& w : wakes) {
            const auto asks = [&w](TFeed f) { return std::count(w.due.begin(), w.due.end(), f); };
            forecasts += static_cast<int>(asks(TFeed::Forecast));
            now += static_cast<int>(asks(TFeed::Now));
            warnings += static_cast<int>(asks(TFeed::Warnings));
            rain += static_cast<int>(asks(TFeed::Rain));
            // The weather now and the warnings share their wake-up, and the rain has a share in
            // every one: feeds armed together wake together.
            if (c.tenMinuteFeeds) {
                EXPECT_EQ(asks(TFeed::Now), asks(TFeed::Warnings)) << Clock(w.at);
            }
            if (c.rainFeed) {
                EXPECT_EQ(asks(TFeed::Rain), 1) << Clock(w.at);
            }
        }
        EXPECT_EQ(forecasts, c.forecasts);
        EXPECT_EQ(now, c.tenMinutes);
        EXPECT_EQ(warnings, c.tenMinutes);
        EXPECT_EQ(rain, c.rain);
        // The window's minute timer hands out the same, at the same moments.
        TSchedule byMinute = armed();
        EXPECT_EQ(Wakes(byMinute, from, end, true), wakes);
    }
}

TEST_F(ScheduleTest, ASleepOverMidnightAsksEachFeedOnceOnWaking) {
    struct Case {
        const char* name;
        TRefreshMode mode;
        std::int64_t asleep, awake;
        std::int64_t nextForecast; // the first ask after waking's
    };
    const Case cases[] = {
        {"hourly", TRefreshMode::Hourly, At(9, 23, 30), At(10, 7, 10), At(10, 8, 10)},
        {"6/12/18", TRefreshMode::SixTwelveEighteen, At(9, 23, 30), At(10, 7, 10), At(10, 12, 0)},
        {"6/12/18 two nights", TRefreshMode::SixTwelveEighteen, At(9, 5, 50), At(11, 7, 10),
         At(11, 12, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSchedule schedule;
        const std::int64_t armed = c.asleep - 30 * 60;
        schedule.Arm(c.mode, armed);
        Wakes(schedule, armed, c.asleep, true);
        schedule.Tick(c.awake);
        EXPECT_EQ(schedule.Due(c.awake), kAll);
        EXPECT_EQ(schedule.RetriesLeft(TFeed::Forecast), 5);
        EXPECT_EQ(schedule.Due(c.awake), Feeds{});
        // From here the five and ten minutes count afresh.
        EXPECT_EQ(schedule.NextWake(c.awake), c.awake + 300);
        const std::vector<Wake> after = Wakes(schedule, c.awake, c.nextForecast, true);
        ASSERT_GE(after.size(), 2u);
        EXPECT_EQ(after[0], (Wake{c.awake + 300, Feeds{TFeed::Rain}}));
        EXPECT_EQ(after[1], (Wake{c.awake + 600, kTenMinutesAndRain}));
        EXPECT_EQ(after.back().at, c.nextForecast);
        EXPECT_EQ(std::count(after.back().due.begin(), after.back().due.end(), TFeed::Forecast), 1);
    }
    // A mode chosen anew after midnight, before anything woke, still sees the new day.
    TSchedule schedule;
    schedule.Arm(TRefreshMode::Hourly, At(9, 23, 59));
    schedule.Arm(TRefreshMode::SixHourly, At(10, 0, 1));
    EXPECT_EQ(schedule.Due(At(10, 0, 1)), kForecast);
}

TEST_F(ScheduleTest, TheManualScheduleAsksOnlyWhenToldAndStillRetries) {
    TSchedule schedule;
    schedule.Arm(TRefreshMode::Hourly, At(9, 10, 0));
    schedule.Tick(At(9, 10, 1));
    schedule.Arm(TRefreshMode::Manual, At(9, 10, 1));
    EXPECT_EQ(schedule.Mode(), TRefreshMode::Manual);
    EXPECT_EQ(schedule.ForecastTag(), 59); // kept from before
    // A day and a night pass: nothing, not even at the new day.
    EXPECT_TRUE(Wakes(schedule, At(9, 10, 1), At(10, 12, 0), true).empty());
    EXPECT_EQ(schedule.NextWake(At(10, 12, 0)), std::nullopt);
    // By hand, everything; a failure is retried a minute later.
    schedule.AskAll();
    EXPECT_EQ(schedule.Due(At(10, 12, 0)), kAll);
    EXPECT_EQ(schedule.Failed(TFeed::Forecast, At(10, 12, 0, 20)), 5);
    EXPECT_EQ(schedule.NextWake(At(10, 12, 0, 30)), At(10, 12, 1, 20));
    EXPECT_EQ(schedule.Due(At(10, 12, 1, 19)), Feeds{});
    EXPECT_EQ(schedule.Due(At(10, 12, 1, 20)), Feeds{TFeed::Forecast});
    EXPECT_EQ(schedule.ForecastTag(), 59);
}

TEST_F(ScheduleTest, ARefreshByHandAsksEverythingAfresh) {
    TSchedule schedule;
    schedule.Arm(TRefreshMode::SixHourly, At(9, 10, 0));
    schedule.AskAll();
    EXPECT_EQ(schedule.NextWake(At(9, 10, 0)), At(9, 10, 0));
    EXPECT_EQ(schedule.Due(At(9, 10, 0)), kAll);
    ASSERT_EQ(schedule.Begin(TFeed::Forecast, "here"), TSchedule::TBegin::Start);
    ASSERT_TRUE(schedule.End(TFeed::Forecast, "here"));
    EXPECT_EQ(schedule.Failed(TFeed::Forecast, At(9, 10, 1)), 5);
    EXPECT_EQ(schedule.Failed(TFeed::Forecast, At(9, 10, 2)), 4);
    ASSERT_TRUE(schedule.RetryAt(TFeed::Forecast));
    // By hand: the pending retry goes, the budget is full again, every feed is due.
    schedule.AskAll();
    EXPECT_EQ(schedule.Due(At(9, 10, 2, 30)), kAll);
    EXPECT_EQ(schedule.RetriesLeft(TFeed::Forecast), 5);
    EXPECT_EQ(schedule.RetryAt(TFeed::Forecast), std::nullopt);
    EXPECT_EQ(schedule.Due(At(9, 10, 3, 5)), Feeds{});
    // The countdown of the schedule goes on as before.
    EXPECT_EQ(schedule.ForecastTag(), 360);
    // A load asking for the same thing stands; a retry (not afresh) keeps the budget.
    EXPECT_EQ(schedule.Begin(TFeed::Now, "here"), TSchedule::TBegin::Start);
    EXPECT_EQ(schedule.Begin(TFeed::Now, "here"), TSchedule::TBegin::LetStand);
    schedule.Failed(TFeed::Forecast, At(9, 10, 4));
    schedule.Ask(TFeed::Forecast);
    EXPECT_EQ(schedule.Due(At(9, 10, 4, 10)), Feeds{TFeed::Forecast});
    EXPECT_EQ(schedule.RetriesLeft(TFeed::Forecast), 4);
    EXPECT_EQ(schedule.RetryAt(TFeed::Forecast), std::nullopt);
}

TEST_F(ScheduleTest, AnotherPlaceWhileLoadsAreUnderWayCancelsThem) {
    TSchedule schedule;
    schedule.Arm(TRefreshMode::Hourly, At(9, 10, 0));
    schedule.AskAll();
    for (TFeed f : schedule.Due(At(9, 10, 0)))
        EXPECT_EQ(schedule.Begin(f, "東京"), TSchedule::TBegin::Start);
    // Another place is chosen: every feed is asked again for it, and what is under way for the
    // old one is cancelled; what the old loads bring reaches nobody.
    schedule.AskAll();
    for (TFeed f : schedule.Due(At(9, 10, 1))) {
        EXPECT_TRUE(schedule.UnderWay(f));
        EXPECT_EQ(schedule.Begin(f, "札幌"), TSchedule::TBegin::Replace);
    }
    for (TFeed f : kAll) {
        EXPECT_FALSE(schedule.End(f, "東京"));
        EXPECT_TRUE(schedule.UnderWay(f));
        EXPECT_TRUE(schedule.End(f, "札幌"));
        EXPECT_FALSE(schedule.UnderWay(f));
    }
    // Back to the first place while nothing runs: a plain start.
    EXPECT_EQ(schedule.Begin(TFeed::Forecast, "東京"), TSchedule::TBegin::Start);
    schedule.Abandon(TFeed::Forecast);
    EXPECT_FALSE(schedule.UnderWay(TFeed::Forecast));
}

TEST_F(ScheduleTest, RetriesWalkTheBudgetAMinuteApartAndTheNetworkCutsTheWait) {
    TSchedule schedule;
    schedule.Arm(TRefreshMode::Manual, At(9, 10, 0));
    schedule.AskAll();
    ASSERT_EQ(schedule.Due(At(9, 10, 0)), kAll);
    std::int64_t now = At(9, 10, 0, 30);
    for (int announced : {5, 4, 3, 2, 1}) {
        SCOPED_TRACE(announced);
        EXPECT_EQ(schedule.Failed(TFeed::Forecast, now), announced);
        EXPECT_EQ(schedule.RetriesLeft(TFeed::Forecast), announced - 1);
        EXPECT_EQ(schedule.RetryAt(TFeed::Forecast), now + 60);
        EXPECT_EQ(schedule.NextWake(now), now + 60);
        EXPECT_EQ(schedule.Due(now + 59), Feeds{});
        now += 60;
        EXPECT_EQ(schedule.Due(now), Feeds{TFeed::Forecast});
    }
    // The sixth failure arms nothing.
    EXPECT_EQ(schedule.Failed(TFeed::Forecast, now), 0);
    EXPECT_EQ(schedule.RetryAt(TFeed::Forecast), std::nullopt);
    EXPECT_EQ(schedule.NextWake(now), std::nullopt);
    // Feeds without retries arm none.
    EXPECT_EQ(schedule.Failed(TFeed::Warnings, now), 0);

    // The network comes back while a retry waits: it is due at once; with none pending, nothing.
    schedule.AskAll();
    schedule.Due(now);
    schedule.Failed(TFeed::Forecast, now);
    schedule.NetworkBack();
    EXPECT_EQ(schedule.Due(now + 5), Feeds{TFeed::Forecast});
    EXPECT_EQ(schedule.RetriesLeft(TFeed::Forecast), 4);
    schedule.NetworkBack();
    EXPECT_EQ(schedule.Due(now + 6), Feeds{});
    // A success ends the retries; the next failure of a fresh refresh has five again.
    schedule.Succeeded(TFeed::Forecast);
    EXPECT_EQ(schedule.RetriesLeft(TFeed::Forecast), 0);
    EXPECT_EQ(schedule.Failed(TFeed::Forecast, now + 7), 0);
    schedule.AskAll();
    schedule.Due(now + 8);
    EXPECT_EQ(schedule.Failed(TFeed::Forecast, now + 9), 5);
}

TEST_F(ScheduleTest, AFeedSwitchedOffIsNeverDue) {
    TSchedule schedule;
    schedule.Arm(TRefreshMode::Hourly, At(9, 10, 0));
    schedule.SetEnabled(TFeed::Now, false);
    schedule.SetEnabled(TFeed::Rain, false);
    EXPECT_FALSE(schedule.Enabled(TFeed::Now));
    schedule.AskAll();
    EXPECT_EQ(schedule.Due(At(9, 10, 0)), kForecast);
    const std::vector<Wake> wakes = Wakes(schedule, At(9, 10, 0), At(9, 11, 0), true);
    ASSERT_EQ(wakes.size(), 6u);
    EXPECT_EQ(wakes.front(), (Wake{At(9, 10, 10), Feeds{TFeed::Warnings}}));
    EXPECT_EQ(wakes.back(), (Wake{At(9, 11, 0), kForecast}));
    // Switched on again: due at once, then every ten minutes from there.
    schedule.SetEnabled(TFeed::Now, true);
    EXPECT_EQ(schedule.Due(At(9, 11, 0, 30)), Feeds{TFeed::Now});
    schedule.Tick(At(9, 11, 1));
    EXPECT_EQ(schedule.NextWake(At(9, 11, 1)), At(9, 11, 10));
}

// The refresh cycle's counter (Timer1's Tag): the target hours of the 6/12/18 mode and the
// countdowns of the others.
TEST_F(ScheduleTest, SixTwelveEighteenAimsAtTheNextTargetHour) {
    struct Case {
        int hour, minute;
        int target;      // the counter once armed
        int refreshHour; // an hour of the next day whose tick refreshes
        int nextTarget;  // the counter after that refresh
    };
    const Case cases[] = {
        {17, 59, 18, 18, 6}, {18, 0, 6, 6, 12},  {23, 30, 6, 6, 12},
        {4, 0, 6, 6, 12},    {6, 0, 12, 12, 18}, {11, 59, 12, 12, 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.hour) + ":" + std::to_string(c.minute));
        TSchedule schedule;
        const std::int64_t armed = At(9, c.hour, c.minute);
        schedule.Arm(TRefreshMode::SixTwelveEighteen, armed);
        EXPECT_EQ(schedule.ForecastTag(), c.target);
        // A tick before the target hour does nothing; the first one in it refreshes.
        const std::int64_t early = armed + 30;
        schedule.Tick(early);
        EXPECT_EQ(schedule.Due(early), Feeds{});
        EXPECT_EQ(schedule.ForecastTag(), c.target);
        const std::int64_t tick = At(10, c.refreshHour, 0);
        schedule.Tick(tick);
        const Feeds due = schedule.Due(tick);
        EXPECT_NE(std::count(due.begin(), due.end(), TFeed::Forecast), 0);
        EXPECT_EQ(schedule.ForecastTag(), c.nextTarget);
    }
}

TEST_F(ScheduleTest, CountdownsReloadAndAMissedRefreshComesAtTheNextTick) {
    struct Step {
        std::int64_t at;
        bool refreshes; // the forecast is asked for afresh
        int tag;
    };
    struct Case {
        const char* name;
        TRefreshMode mode;
        std::int64_t armed;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"6/12/18: closed at 11:55, opened at 13:00",
         TRefreshMode::SixTwelveEighteen,
         At(9, 11, 55),
         {{At(9, 11, 56), false, 12},
          {At(9, 13, 0), true, 18},
          {At(9, 13, 1), false, 18},
          {At(9, 17, 59), false, 18},
          {At(9, 18, 0), true, 6}}},
        {"6/12/18: asleep from 5:50 until 7:10 two days later",
         TRefreshMode::SixTwelveEighteen,
         At(9, 5, 50),
         {{At(11, 7, 10), true, 12}, {At(11, 7, 11), false, 12}, {At(11, 12, 0), true, 18}}},
        {"6/12/18: clock set back an hour after the noon refresh",
         TRefreshMode::SixTwelveEighteen,
         At(9, 11, 59),
         {{At(9, 12, 0), true, 18},
          {At(9, 11, 1), false, 18},
          {At(9, 12, 0), false, 18},
          {At(9, 18, 0), true, 6}}},
        {"6/12/18: clock set back a day waits for the target of that day",
         TRefreshMode::SixTwelveEighteen,
         At(9, 12, 10),
         {{At(8, 12, 11), true, 18}, {At(8, 18, 0), true, 6}}},
        {"hourly: eight hours asleep",
         TRefreshMode::Hourly,
         At(9, 10, 0),
         {{At(9, 10, 1), false, 59}, {At(9, 18, 1), true, 60}, {At(9, 18, 2), false, 59}}},
        {"3-hourly: a jump shorter than the countdown shortens it",
         TRefreshMode::ThreeHourly,
         At(9, 10, 0),
         {{At(9, 10, 1), false, 179}, {At(9, 12, 1), false, 59}, {At(9, 13, 0), true, 180}}},
        {"hourly: a tick under two minutes late counts one, a later one every minute",
         TRefreshMode::Hourly,
         At(9, 10, 0),
         {{At(9, 10, 1, 50), false, 59}, {At(9, 10, 4, 30), false, 57}}},
        {"6-hourly: clock set back an hour counts one minute",
         TRefreshMode::SixHourly,
         At(9, 10, 0),
         {{At(9, 10, 1), false, 359}, {At(9, 9, 2), false, 358}, {At(9, 9, 3), false, 357}}},
        {"6-hourly: counts down to its reload",
         TRefreshMode::SixHourly,
         At(9, 10, 0),
         {{At(9, 15, 59), false, 1}, {At(9, 16, 0), true, 360}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSchedule schedule;
        schedule.Arm(c.mode, c.armed);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            SCOPED_TRACE(Clock(step.at));
            schedule.Tick(step.at);
            const Feeds due = schedule.Due(step.at);
            EXPECT_EQ(std::count(due.begin(), due.end(), TFeed::Forecast), step.refreshes ? 1 : 0);
            if (step.refreshes) {
                // The warnings come with the forecast.
                EXPECT_NE(std::count(due.begin(), due.end(), TFeed::Warnings), 0);
                EXPECT_EQ(schedule.RetriesLeft(TFeed::Forecast), 5);
            }
            EXPECT_EQ(schedule.ForecastTag(), step.tag);
        }
    }
}

// The rain of the next hour: every five minutes whatever the forecast's mode but the manual one,
// with every refresh by hand, and once on waking however long the sleep.
TEST_F(ScheduleTest, TheRainComesEveryFiveMinutesAndWithEveryRefreshByHand) {
    struct Case {
        const char* name;
        TRefreshMode mode;
        std::vector<int> minutes; // after arming, in the first half hour
    };
    const std::vector<int> everyFive = {5, 10, 15, 20, 25, 30};
    const Case cases[] = {
        {"hourly", TRefreshMode::Hourly, everyFive},
        {"every 6 hours", TRefreshMode::SixHourly, everyFive},
        {"6/12/18", TRefreshMode::SixTwelveEighteen, everyFive},
        {"by hand", TRefreshMode::Manual, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t from = At(9, 10, 2);
        TSchedule schedule;
        schedule.Arm(c.mode, from);
        std::vector<int> minutes;
        for (const Wake& w : Wakes(schedule, from, from + 30 * 60, true))
            if (std::count(w.due.begin(), w.due.end(), TFeed::Rain) != 0)
                minutes.push_back(static_cast<int>((w.at - from) / 60));
        EXPECT_EQ(minutes, c.minutes);
        // By hand: with the forecast, in every mode.
        schedule.AskAll();
        EXPECT_EQ(schedule.Due(from + 31 * 60), kAll);
        // Three hours asleep: one ask on waking, not one for each five minutes missed.
        const std::int64_t awake = from + 3 * 3600 + 31 * 60;
        schedule.Tick(awake);
        const Feeds due = schedule.Due(awake);
        EXPECT_EQ(std::count(due.begin(), due.end(), TFeed::Rain),
                  c.mode == TRefreshMode::Manual ? 0 : 1);
        EXPECT_EQ(schedule.RetriesLeft(TFeed::Rain), 0);
    }
}
