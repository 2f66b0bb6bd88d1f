// The agency's forecast of yesterday evening, kept, tells today when the network fails the next
// morning: after a restart and across midnight, marked old.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "support/Records.h"
#include "support/SampleService.h"
#include "weather/ForecastTime.h"

#include <gtest/gtest.h>

namespace {

class NextMorningTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 11, 17, 30, 0});
        program.UseSampleListAndShippedSkins();
        program.dir.Write("urls.list", "東京都,東京都,千代田区,t/1,t/2,y/1,y/2\n");
        program.WriteIni("[URL]\nPrefixJma=" + service->JmaPrefix() +
                         "\n[Option]\nServer=3\nLocation=0\nRefreshInterval=0\n");
    }
    void TearDown() override { platform::ReleaseClock(); }

    // The evening's forecast as it came at 17:30.
    std::unique_ptr<TMainForm> Evening() {
        auto form = program.Start();
        EXPECT_EQ(form->Weather.Information, "");
        EXPECT_EQ(form->Weather.DayDate[0], EncodeDate(2026, 12, 11));
        evening = form->Weather;
        return form;
    }

    // What the morning shows of the evening's forecast: its tomorrow is today.
    void ExpectEveningsTomorrowAsToday(const TMainForm& form) {
        const TWeatherData& w = form.Weather;
        EXPECT_EQ(w.LocationName, evening.LocationName);
        EXPECT_EQ(w.DayDate[0], EncodeDate(2026, 12, 12));
        EXPECT_EQ(w.DayWeather[0], evening.DayWeather[1]);
        EXPECT_EQ(w.DayMaxTemp[0], evening.DayMaxTemp[1]);
        EXPECT_EQ(w.ReportTime, evening.ReportTime);
        // Marked old where the eye falls: the report time and its age.
        const TDateTime now = ClockMoment(platform::LocalNow());
        ASSERT_TRUE(IsOldForecast(w, now));
        const std::string age = ReportAgeText(w, now);
        EXPECT_EQ(age, "12月11日 17時 発表 (1日前)");
        bool shown = false;
        for (const auto& label : form.CurrentSkin.Labels(w))
            if (label.Section == "UpdateInfoLabel")
                shown = label.Text == age;
        EXPECT_TRUE(shown);
        EXPECT_NE(form.TrayHint().find(evening.LocationName + "\r\n" + age + "\r\n"),
                  std::string::npos)
            << form.TrayHint();
    }

    std::unique_ptr<SampleService> service = std::make_unique<SampleService>(
        std::vector<std::string>{"--today", "2026-12-11", "--hour", "17", "--locations",
                                 TestData("locations/sample.list")});
    TestProgram program;
    MessageLog messages;
    TWeatherData evening;
};

} // namespace

TEST_F(NextMorningTest, ARestartOfflineShowsTheKeptForecastMarkedOld) {
    auto form = Evening();
    form->close();
    form.reset();

    service.reset(); // no network
    platform::FixClock({2026, 12, 12, 7, 30, 0});
    form = program.Start();
    EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
    ExpectEveningsTomorrowAsToday(*form);
    // Fetched the evening before: the failure says when.
    EXPECT_NE(form->TrayHint().find("更新に失敗しました (12月11日 17時30分 取得の予報)"),
              std::string::npos)
        << form->TrayHint();
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(NextMorningTest, MidnightOfflineKeepsTellingTodayFromTheKeptAnswers) {
    auto form = Evening();
    service.reset();
    platform::FixClock({2026, 12, 12, 0, 0, 5});
    form->ClockTimerTimer();
    TestProgram::Settle(*form);
    // The slots of the new day come from the evening's series: the row starts at 0-3時.
    EXPECT_EQ(form->Weather.PointDate[0], EncodeDate(2026, 12, 12));
    EXPECT_NE(form->Weather.PointWeather[0], "");
    platform::FixClock({2026, 12, 12, 7, 30, 0});
    form->ClockTimerTimer();
    TestProgram::Settle(*form);
    ExpectEveningsTomorrowAsToday(*form);
}
