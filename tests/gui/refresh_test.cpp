// The refresh cycle: statuses, retries, errors and the schedule, on a fixed clock.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "support/FakeHttpClient.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void Settle(TMainForm& form) {
    TestProgram::Settle(form);
}

// A program whose source addresses lead nowhere: 127.0.0.1 port 9 refuses connections.
class RefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 10, 0, 0});
        program.dir.Write("urls.list", "関東,東京都,千代田区,t/1,t/2,y/1,y/2\n");
    }
    void TearDown() override { platform::ReleaseClock(); }

    std::unique_ptr<TMainForm> Start(const std::string& options = "") {
        program.WriteIni(
            "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/lite/\n"
            "PrefixYahoo=http://127.0.0.1:9/weather/jp/\n"
            "PrefixOpenMeteo=http://127.0.0.1:9/\nPrefixGeocoding=http://127.0.0.1:9/\n"
            "PrefixJma=http://127.0.0.1:9/\n"
            "[Option]\n" +
            options);
        return program.Start();
    }

    TestProgram program;
    MessageLog messages;
};

} // namespace

TEST_F(RefreshTest, FailuresWalkTheRetryBudgetThenGiveUp) {
    auto form = Start();
    // Start-up made the first attempt.
    const std::vector<std::string> statuses = {
        "再接続します (あと5回)", "再接続します (あと4回)", "再接続します (あと3回)",
        "再接続します (あと2回)", "再接続します (あと1回)", "データ取得に失敗",
    };
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            form->RetryTimerTimer();
            Settle(*form);
        }
        EXPECT_EQ(form->Weather.Information, statuses[i]);
        EXPECT_EQ(form->TrayIconIndex(), 5);
        EXPECT_EQ(form->TrayHint(), "データ取得に失敗");
        const bool retryPending = i + 1 < statuses.size();
        EXPECT_EQ(form->RetryTimer.isActive(), retryPending);
        EXPECT_EQ(form->RetryTimer.Tag, static_cast<int>(4 - std::min<std::size_t>(i, 4)));
        if (retryPending) {
            EXPECT_EQ(form->RetryTimer.interval(), 60000);
        }
    }
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(RefreshTest, RefreshCommandRestoresTheBudgetOfAPendingRetry) {
    auto form = Start();
    form->RetryTimerTimer();
    Settle(*form);
    form->RetryTimerTimer();
    Settle(*form);
    EXPECT_EQ(form->Weather.Information, "再接続します (あと3回)");
    form->ActRefresh.trigger();
    Settle(*form);
    EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
    EXPECT_EQ(form->RetryTimer.Tag, 4);
    EXPECT_TRUE(form->RetryTimer.isActive());
}

TEST_F(RefreshTest, ErrorsEndTheAttemptWithoutRetry) {
    struct Case {
        const char* name;
        std::string options;
        bool removeList;
    };
    const std::vector<Case> cases = {
        {"location beyond the list", "Location=1\n", false},
        {"negative location", "Location=-1\n", false},
        {"Yahoo with a location beyond the list", "Server=1\nLocation=3\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto form = Start(c.options);
        EXPECT_EQ(form->Weather.Information, "データ取得に失敗");
        EXPECT_FALSE(form->RetryTimer.isActive());
        // The tray says what the widget says.
        EXPECT_EQ(form->TrayHint(), "データ取得に失敗");
        EXPECT_EQ(form->TrayIconIndex(), 5);
        form->ActRefresh.trigger();
        EXPECT_FALSE(form->Refreshing());
        EXPECT_EQ(form->Weather.Information, "データ取得に失敗");
        EXPECT_FALSE(form->RetryTimer.isActive());
        form->close();
    }
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(RefreshTest, SourceChangeSavesAndRefreshes) {
    auto form = Start("Server=1\nRefreshInterval=1\n");
    form->RetryTimerTimer();
    Settle(*form);
    std::filesystem::remove(program.IniPath());
    form->ActTenkiJpLite.trigger();
    Settle(*form);
    EXPECT_TRUE(form->ActTenkiJpLite.isChecked());
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Server", -1), 0);
    EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
}

TEST_F(RefreshTest, SixTwelveEighteenTargets) {
    struct Case {
        int hour, minute;
        int target;      // Tag after selecting the mode
        int refreshHour; // first hour whose tick refreshes
        int nextTarget;  // Tag after that refresh
    };
    const std::vector<Case> cases = {
        {17, 59, 18, 18, 6}, {18, 0, 6, 6, 12},  {23, 30, 6, 6, 12},
        {4, 0, 6, 6, 12},    {6, 0, 12, 12, 18}, {11, 59, 12, 12, 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.hour) + ":" + std::to_string(c.minute));
        platform::FixClock({2026, 12, 9, c.hour, c.minute, 0});
        auto form = Start();
        form->ActIntervalAuto.trigger();
        EXPECT_TRUE(form->Timer1.isActive());
        EXPECT_EQ(form->Timer1.Tag, c.target);
        EXPECT_EQ(program.ReadIni().ReadInteger("Option", "RefreshInterval", -1), 4);

        // Ticks before the target hour do nothing.
        form->ActRefresh.trigger(); // a fresh attempt to tell refreshes apart
        Settle(*form);
        form->RetryTimerTimer();
        Settle(*form);
        const std::string before = form->Weather.Information;
        ASSERT_EQ(before, "再接続します (あと4回)");
        form->Timer1Timer();
        Settle(*form);
        EXPECT_EQ(form->Weather.Information, before);

        platform::FixClock({2026, 12, 10, c.refreshHour, 0, 0});
        form->Timer1Timer();
        Settle(*form);
        EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
        EXPECT_EQ(form->Timer1.Tag, c.nextTarget);
        form->close();
    }
}

TEST_F(RefreshTest, IntervalModesCountDownAndReload) {
    struct Case {
        QAction TMainForm::*action;
        int minutes;
    };
    const std::vector<Case> cases = {
        {&TMainForm::ActInterval1H, 60},
        {&TMainForm::ActInterval3H, 180},
        {&TMainForm::ActInterval6H, 360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minutes);
        auto form = Start();
        ((*form).*c.action).trigger();
        EXPECT_EQ(form->Timer1.Tag, c.minutes);
        EXPECT_EQ(form->Timer1.interval(), 60000);
        form->ActRefresh.trigger();
        Settle(*form);
        form->RetryTimerTimer();
        Settle(*form);
        for (int tick = 1; tick < c.minutes; ++tick)
            form->Timer1Timer();
        Settle(*form);
        EXPECT_EQ(form->Timer1.Tag, 1);
        EXPECT_EQ(form->Weather.Information, "再接続します (あと4回)");
        form->Timer1Timer();
        Settle(*form);
        EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
        EXPECT_EQ(form->Timer1.Tag, c.minutes);
        form->close();
    }
}

TEST_F(RefreshTest, ManualModeStopsTheScheduleAndKeepsItsTag) {
    auto form = Start("RefreshInterval=3\n");
    EXPECT_TRUE(form->Timer1.isActive());
    form->Timer1Timer();
    EXPECT_EQ(form->Timer1.Tag, 359);
    form->ActIntervalManual.trigger();
    EXPECT_FALSE(form->Timer1.isActive());
    EXPECT_EQ(form->Timer1.Tag, 359);
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "RefreshInterval", -1), 0);
}

// A machine that sleeps through a scheduled refresh, or a clock that jumps: the wall clock
// at each tick decides. Each step fixes the clock, ticks once and says whether a download
// started and what the schedule holds afterwards.
TEST_F(RefreshTest, AMissedScheduledRefreshHappensAtTheNextTickAndTheScheduleReArms) {
    using T = platform::LocalDateTime;
    struct Step {
        T at;
        bool refreshes;
        int tag;
    };
    struct Case {
        const char* name;
        int interval; // RefreshInterval
        T armed;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"6/12/18: closed at 11:55, opened at 13:00",
         4,
         {2026, 12, 9, 11, 55, 0},
         {{{2026, 12, 9, 11, 56, 0}, false, 12},
          {{2026, 12, 9, 13, 0, 0}, true, 18},
          {{2026, 12, 9, 13, 1, 0}, false, 18},
          {{2026, 12, 9, 17, 59, 0}, false, 18},
          {{2026, 12, 9, 18, 0, 0}, true, 6}}},
        {"6/12/18: asleep from 5:50 until 7:10 two days later",
         4,
         {2026, 12, 9, 5, 50, 0},
         {{{2026, 12, 11, 7, 10, 0}, true, 12},
          {{2026, 12, 11, 7, 11, 0}, false, 12},
          {{2026, 12, 11, 12, 0, 0}, true, 18}}},
        {"6/12/18: clock set back an hour after the noon refresh",
         4,
         {2026, 12, 9, 11, 59, 0},
         {{{2026, 12, 9, 12, 0, 0}, true, 18},
          {{2026, 12, 9, 11, 1, 0}, false, 18},
          {{2026, 12, 9, 12, 0, 0}, false, 18},
          {{2026, 12, 9, 18, 0, 0}, true, 6}}},
        {"6/12/18: clock set back a day waits for the target of the new day",
         4,
         {2026, 12, 9, 12, 10, 0},
         {{{2026, 12, 8, 12, 11, 0}, false, 18}, {{2026, 12, 8, 18, 0, 0}, true, 6}}},
        {"hourly: eight hours asleep",
         1,
         {2026, 12, 9, 10, 0, 0},
         {{{2026, 12, 9, 10, 1, 0}, false, 59},
          {{2026, 12, 9, 18, 1, 0}, true, 60},
          {{2026, 12, 9, 18, 2, 0}, false, 59}}},
        {"3-hourly: a jump shorter than the countdown shortens it",
         2,
         {2026, 12, 9, 10, 0, 0},
         {{{2026, 12, 9, 10, 1, 0}, false, 179},
          {{2026, 12, 9, 12, 1, 0}, false, 59},
          {{2026, 12, 9, 13, 0, 0}, true, 180}}},
        {"hourly: a tick under two minutes late counts one, a later one every minute",
         1,
         {2026, 12, 9, 10, 0, 0},
         {{{2026, 12, 9, 10, 1, 50}, false, 59}, {{2026, 12, 9, 10, 4, 30}, false, 57}}},
        {"6-hourly: clock set back an hour counts one minute",
         3,
         {2026, 12, 9, 10, 0, 0},
         {{{2026, 12, 9, 10, 1, 0}, false, 359},
          {{2026, 12, 9, 9, 2, 0}, false, 358},
          {{2026, 12, 9, 9, 3, 0}, false, 357}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::FixClock(c.armed);
        auto form = Start("RefreshInterval=" + std::to_string(c.interval) + "\n");
        int downloads = 0;
        form->NewHttpClient = [&downloads] {
            ++downloads;
            return std::make_unique<FakeHttpClient>();
        };
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            SCOPED_TRACE(i);
            const int before = downloads;
            platform::FixClock(step.at);
            form->Timer1Timer();
            Settle(*form);
            // A refresh asks for the forecast and the place's warnings.
            EXPECT_EQ(downloads - before, step.refreshes ? 2 : 0);
            EXPECT_EQ(form->Timer1.Tag, step.tag);
            if (step.refreshes) {
                EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
            }
        }
        form->close();
    }
}
