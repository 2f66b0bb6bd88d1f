// The warnings of the chosen place against the sample service: the record, the widget's
// badge, the tray's mark and hint, the balloon once across restarts, staleness and failure.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "support/SampleService.h"

#include <gtest/gtest.h>

namespace {

const std::vector<TWarning> kRainAndWind = {
    {"03", "レベル3大雨警報", "発表", TWarningLevel::Warning},
    {"15", "強風注意報", "発表", TWarningLevel::Advisory}};

class WarningsTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 10, 30, 0});
        program.UseSampleListAndShippedSkins();
    }
    void TearDown() override { platform::ReleaseClock(); }

    // The agency's source for 千代田区 (the list's first place, whose agency place is known) on
    // the service.
    std::unique_ptr<TMainForm> Start(const std::string& jmaPrefix,
                                     const std::string& options = "") {
        program.WriteIni("[URL]\nPrefixJma=" + jmaPrefix +
                         "\nPrefixOpenMeteo=" + service.BaseUrl() +
                         "\n[JmaPlaces]\n東京,千代田区=130000,130010,1310100,44132,35.69167,139.75"
                         "\n[Option]\nServer=3\nLocation=0\n" +
                         options);
        return program.Start();
    }

    SampleService service{{"--today", "2026-12-09", "--locations",
                           TestData("locations/sample.list"), "--warning", "1310100:03",
                           "--warning", "1310100:15", "--warning", "1310200:05"}};
    TestProgram program;
    MessageLog messages;
};

// Ten ticks of the minute timer.
void TenMinutes(TMainForm& form) {
    for (int minute = 0; minute < 10; ++minute)
        form.Timer1Timer();
}

} // namespace

TEST_F(WarningsTest, WarningsInForceReachTheWidgetTheTrayAndOneBalloon) {
    {
        auto form = Start(service.JmaPrefix());
        const TWeatherData& w = form->Weather;
        EXPECT_TRUE(w.WarningsKnown);
        EXPECT_EQ(w.Warnings, kRainAndWind);
        EXPECT_EQ(w.WarningsTime, "2026-12-09T05:00");
        EXPECT_EQ(w.WarningsNote, "");
        // The forecast came too, and did not wipe them.
        EXPECT_NE(w.DayDate[0], 0.0);
        EXPECT_EQ(form->TrayWarningMark(), TWarningLevel::Warning);
        const std::string hint = form->TrayHint();
        EXPECT_TRUE(hint.ends_with("\r\n千代田区: レベル3大雨警報・強風注意報")) << hint;
        EXPECT_EQ(form->WarningBalloons(), 1);
        EXPECT_EQ(form->BalloonTitle(), "気象警報・注意報");
        EXPECT_EQ(form->BalloonText(), "千代田区にレベル3大雨警報が発表されています");
        // Asked for again every 10 minutes under the hourly schedule; a refresh asks at once.
        TenMinutes(*form);
        EXPECT_TRUE(form->RefreshingWarnings());
        TestProgram::Settle(*form);
        form->ActRefresh.trigger();
        EXPECT_TRUE(form->RefreshingWarnings());
        TestProgram::Settle(*form);
        EXPECT_EQ(form->WarningBalloons(), 1);
        // The badge and the label are in the drawing: the label lists the names.
        bool labelled = false;
        for (const auto& label : form->CurrentSkin.Labels(w))
            labelled |=
                label.Section == "WarningLabel" && label.Text == "レベル3大雨警報・強風注意報";
        EXPECT_TRUE(labelled);
    }
    // A restart announces nothing again.
    auto again = Start(service.JmaPrefix());
    EXPECT_EQ(again->Weather.Warnings, kRainAndWind);
    EXPECT_EQ(again->WarningBalloons(), 0);
}

TEST_F(WarningsTest, AForecastsBalloonJoinsTheWarningsRatherThanWipingItOut) {
    auto form = Start(service.JmaPrefix(), "ShowBalloon=1\n");
    ASSERT_EQ(form->WarningBalloons(), 1);
    // A refresh's balloon while the warning's is up: the warning first, the forecast after it.
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->BalloonTitle(), "気象警報・注意報");
    const std::string warning = "千代田区にレベル3大雨警報が発表されています\r\n\r\n";
    EXPECT_EQ(form->BalloonText().substr(0, warning.size()), warning) << form->BalloonText();
    EXPECT_NE(form->BalloonText().find("現在の天気 ("), std::string::npos) << form->BalloonText();
}

TEST_F(WarningsTest, StaleWarningsSayWhenAndAFailedReadIsUnknown) {
    auto form = Start(service.JmaPrefix());
    ASSERT_EQ(form->Weather.Warnings, kRainAndWind);
    // Confirmed at 10:30: at 10:55 still current, at 11:01 they say since when.
    platform::FixClock({2026, 12, 9, 10, 55, 0});
    EXPECT_FALSE(form->UpdateWarningsNote());
    platform::FixClock({2026, 12, 9, 11, 1, 0});
    EXPECT_TRUE(form->UpdateWarningsNote());
    EXPECT_EQ(form->Weather.WarningsNote, "10:30 現在");
    form->UpdateTrayState();
    EXPECT_TRUE(form->TrayHint().ends_with("千代田区: レベル3大雨警報・強風注意報 (10:30 現在)"))
        << form->TrayHint();

    // The agency's files gone (404): after 30 minutes without confirmation, unknown.
    form->JmaPrefix = service.BaseUrl() + "moved/";
    form->RefreshWarnings();
    TestProgram::Settle(*form);
    EXPECT_FALSE(form->Weather.WarningsKnown);
    EXPECT_TRUE(form->Weather.Warnings.empty());
    EXPECT_EQ(form->Weather.WarningsNote, "警報: 取得できず");
    EXPECT_FALSE(form->TrayWarningMark());
    // The tooltip alone never reads as none in force.
    EXPECT_TRUE(form->TrayHint().ends_with("\r\n警報・注意報: 取得できず")) << form->TrayHint();
    EXPECT_EQ(form->TrayHint().find("大雨"), std::string::npos) << form->TrayHint();
}

TEST_F(WarningsTest, AMomentsFailureKeepsWarningsConfirmedLately) {
    auto form = Start(service.JmaPrefix());
    ASSERT_EQ(form->Weather.Warnings, kRainAndWind);
    form->JmaPrefix = service.BaseUrl() + "moved/";
    form->RefreshWarnings();
    TestProgram::Settle(*form);
    EXPECT_TRUE(form->Weather.WarningsKnown);
    EXPECT_EQ(form->Weather.Warnings, kRainAndWind);
    EXPECT_EQ(form->Weather.WarningsNote, "");
}

TEST_F(WarningsTest, TheManualScheduleAsksOnlyOnRefreshAndTheChoiceIsKept) {
    auto form = Start(service.JmaPrefix(), "RefreshInterval=0\nWarningNotice=2\n");
    TenMinutes(*form);
    EXPECT_FALSE(form->RefreshingWarnings());
    EXPECT_EQ(form->WarningNoticeChoice(), TWarningNotice::Off);
    // 通知しない: no balloon for a 警報.
    EXPECT_EQ(form->WarningBalloons(), 0);
    EXPECT_EQ(form->Weather.Warnings, kRainAndWind);
    form->ActWarningNoticeAdvisories.trigger();
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "WarningNotice", -1), 1);
    form->ActInterval1H.trigger();
    TenMinutes(*form);
    EXPECT_TRUE(form->RefreshingWarnings());
    TestProgram::Settle(*form);
}

namespace {

// An answer of about 1 MB that puts 28,500 codes no table knows in force for 千代田区, beside a
// real 警報.
class WarningsFloodTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 10, 30, 0});
        program.UseSampleListAndShippedSkins();
    }
    void TearDown() override { platform::ReleaseClock(); }

    SampleService service{{"--today", "2026-12-09", "--locations",
                           TestData("locations/sample.list"), "--warning", "1310100:03",
                           "--warning-flood", "1310100:28500"}};
    TestProgram program;
    MessageLog messages;
};

} // namespace

TEST_F(WarningsFloodTest, OneShortBalloonAndNoneAtTheNextPoll) {
    program.WriteIni("[URL]\nPrefixJma=" + service.JmaPrefix() +
                     "\nPrefixOpenMeteo=" + service.BaseUrl() +
                     "\n[JmaPlaces]\n東京,千代田区=130000,130010,1310100,44132,35.69167,139.75"
                     "\n[Option]\nServer=3\nLocation=0\n");
    auto form = program.Start();
    const TWeatherData& w = form->Weather;
    EXPECT_TRUE(w.WarningsKnown);
    std::vector<std::string> codes;
    for (const TWarning& warning : w.Warnings)
        codes.push_back(warning.Code);
    EXPECT_EQ(codes, (std::vector<std::string>{"03", "100", "101", "102", "103", "104", "105",
                                               "106", "107"}));
    EXPECT_EQ(form->TrayWarningMark(), TWarningLevel::Warning);
    EXPECT_EQ(form->WarningBalloons(), 1);
    EXPECT_EQ(form->BalloonText(),
              "千代田区にレベル3大雨警報・警報・注意報 (コード100)・警報・注意報 (コード101)・"
              "警報・注意報 (コード102)ほか5件が発表されています");
    // The next poll: the same warnings, nothing announced again.
    form->RefreshWarnings();
    EXPECT_TRUE(form->RefreshingWarnings());
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.Warnings.size(), 9u);
    EXPECT_EQ(form->WarningBalloons(), 1);
}
