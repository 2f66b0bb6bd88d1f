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
        // Nothing could be had: the warnings are unknown, and said to be.
        EXPECT_EQ(form->TrayHint(), "データ取得に失敗\r\n警報・注意報: 取得できず");
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

// The minute timer asks the schedule (its decisions are the core's: core.ScheduleTest.*) and
// starts what is due: each step fixes the clock, ticks once and counts the downloads started,
// one per feed; Timer1's Tag shows the schedule's counter.
TEST_F(RefreshTest, TheMinuteTimerStartsWhatTheScheduleSays) {
    using T = platform::LocalDateTime;
    struct Step {
        T at;
        int downloads; // forecast, weather now and warnings, each one
        int tag;
        std::string status; // the forecast's after the step
    };
    struct Case {
        const char* name;
        QAction TMainForm::*mode;
        int stored; // RefreshInterval saved by the menu
        T armed;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        // A late tick asks the rain once, however many of its five minutes it covers.
        {"hourly: the ten minutes and the rain, then the forecast with them",
         &TMainForm::ActInterval1H,
         1,
         {2026, 12, 9, 10, 0, 0},
         {{{2026, 12, 9, 10, 1, 0}, 0, 59, "データ取得に失敗"},
          {{2026, 12, 9, 10, 10, 0}, 3, 50, "データ取得に失敗"},
          {{2026, 12, 9, 11, 0, 0}, 4, 60, "再接続します (あと5回)"}}},
        {"6/12/18: the forecast with the warnings at noon, the ten and five minutes on their own",
         &TMainForm::ActIntervalAuto,
         4,
         {2026, 12, 9, 11, 55, 0},
         {{{2026, 12, 9, 11, 56, 0}, 0, 12, "データ取得に失敗"},
          {{2026, 12, 9, 12, 0, 0}, 3, 18, "再接続します (あと5回)"},
          // With the retry that the failure at noon armed for a minute later.
          {{2026, 12, 9, 12, 5, 0}, 4, 18, "再接続します (あと4回)"}}},
        {"6-hourly: eight hours asleep",
         &TMainForm::ActInterval6H,
         3,
         {2026, 12, 9, 10, 0, 0},
         {{{2026, 12, 9, 18, 1, 0}, 4, 360, "再接続します (あと5回)"},
          {{2026, 12, 9, 18, 2, 0}, 1, 359, "再接続します (あと4回)"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::FixClock(c.armed);
        auto form = Start();
        // The start-up's retries given up, so that only the schedule asks.
        for (int retry = 0; retry < 5; ++retry) {
            form->RetryTimerTimer();
            Settle(*form);
        }
        ASSERT_EQ(form->Weather.Information, "データ取得に失敗");
        ((*form).*c.mode).trigger();
        EXPECT_EQ(program.ReadIni().ReadInteger("Option", "RefreshInterval", -1), c.stored);
        EXPECT_TRUE(form->Timer1.isActive());
        EXPECT_EQ(form->Timer1.interval(), 60000);
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
            EXPECT_EQ(downloads - before, step.downloads);
            EXPECT_EQ(form->Timer1.Tag, step.tag);
            // A forecast asked for on schedule gets the whole retry budget.
            EXPECT_EQ(form->Weather.Information, step.status);
        }
        form->close();
    }
}
