// The rain of the next hour in the window, against the real sample service bringing rain to
// 千代田区 25 minutes after its newest analysis: the record, the widget's strip and label, the
// tray's hint, and the one balloon of the shower.
#include "FormFixture.h"

#include "support/SampleService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace {

constexpr std::int64_t kStep = 5 * 60;

std::int64_t UnixNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// "YYYY-MM-DDTHH:MM" in Japan of a moment.
std::string JapanTime(std::int64_t at) {
    const std::time_t japan = static_cast<std::time_t>(at + 9 * 3600);
    std::tm parts{};
    gmtime_r(&japan, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M", &parts);
    return text;
}

class RainTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.UseSampleListAndShippedSkins();
        program.dir.Write("urls.list", "東京都,東京都,千代田区,t/1,t/2,y/1,y/2\n"
                                       "東京都,東京都,港区,t/3,t/4,y/3,y/4\n");
        for (const char* file : {"rain.ini", "back.png"})
            program.dir.Write(std::string("Skin/rain/") + file,
                              ReadAll(TestData(std::string("skin/rain/") + file)));
        // The service's rain comes 25 minutes after the analysis of its start: the program's
        // loads must see that analysis, so the test (a second or two) does not begin in the
        // last 20 seconds of one.
        if (UnixNow() % kStep > kStep - 20)
            std::this_thread::sleep_for(std::chrono::seconds(kStep - UnixNow() % kStep + 1));
        analysis = UnixNow() / kStep * kStep;
        service = std::make_unique<SampleService>(std::vector<std::string>{
            "--locations", TestData("locations/sample.list"), "--rain-in", "1310100:25"});
    }

    std::unique_ptr<TMainForm> Start(const std::string& options) {
        program.WriteIni("[URL]\nPrefixJma=" + service->JmaPrefix() + "\nPrefixOpenMeteo=" +
                         service->BaseUrl() + "\nPrefixGeocoding=" + service->BaseUrl() +
                         "\n[Skin]\nFilename=rain\\rain.ini\n[Option]\nServer=3\nLocation=0\n"
                         "RefreshInterval=1\n" +
                         options);
        return program.Start();
    }

    std::int64_t analysis = 0;
    std::unique_ptr<SampleService> service;
    TestProgram program;
    MessageLog messages;
};

void FiveMinutes(TMainForm& form) {
    for (int minute = 0; minute < 5; ++minute)
        form.Timer1Timer();
}

} // namespace

TEST_F(RainTest, RainDueFillsTheStripAndTheHintAndBringsOneBalloon) {
    auto form = Start("");
    const TWeatherData& w = form->Weather;
    EXPECT_EQ(w.RainStep, 5);
    EXPECT_EQ(w.RainTime, JapanTime(analysis));
    EXPECT_EQ(w.Rain, (std::vector<std::int32_t>{0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(w.RainStartsIn, 25);
    EXPECT_EQ(w.RainEndsIn, NoValue);
    // The forecast came too, and did not wipe them.
    EXPECT_NE(w.DayDate[0], 0.0);
    EXPECT_TRUE(form->TrayHint().ends_with("\r\n25分後に雨 (1-5mm/h)")) << form->TrayHint();
    EXPECT_EQ(form->RainBalloons(), 1);
    EXPECT_EQ(form->BalloonTitle(), "まもなく雨: 約25分後 (1-5mm/h)");
    EXPECT_EQ(form->BalloonText(),
              "気象庁の高解像度降水ナウキャスト (" + JapanTime(analysis).substr(11) + " 解析)");
    // The label and the strip: the first cell empty, the last of the legend's 1-5 mm/h.
    bool labelled = false;
    for (const auto& label : form->CurrentSkin.Labels(w))
        labelled |= label.Section == "RainLabel" && label.Text == "雨: 25分後に雨 (1-5mm/h)";
    EXPECT_TRUE(labelled);
    ASSERT_EQ(form->WidgetBitmap.PixelRatio(), 1.0);
    EXPECT_EQ(form->WidgetBitmap.Pixel(15, 15), 0xFF404040u);
    EXPECT_EQ(form->WidgetBitmap.Pixel(135, 15), 0xFFA0D2FFu);

    // Five minutes on the hourly schedule ask again, and so does a refresh by hand: the same
    // shower, no second balloon.
    FiveMinutes(*form);
    EXPECT_TRUE(form->RefreshingRain());
    TestProgram::Settle(*form);
    form->ActRefresh.trigger();
    EXPECT_TRUE(form->RefreshingRain());
    TestProgram::Settle(*form);
    EXPECT_EQ(w.RainStartsIn, 25);
    EXPECT_EQ(form->RainBalloons(), 1);

    // The manual schedule asks only by hand.
    form->ActIntervalManual.setChecked(true);
    form->ActRefreshIntervalExecute(nullptr);
    FiveMinutes(*form);
    EXPECT_FALSE(form->RefreshingRain());
}

TEST_F(RainTest, NoBalloonWhileTheRainNoticeIsOffNorLateOnceItIsOn) {
    auto form = Start("RainNotice=0\n");
    EXPECT_FALSE(form->RainNoticeOn());
    EXPECT_EQ(form->Weather.RainStartsIn, 25);
    EXPECT_TRUE(form->TrayHint().ends_with("\r\n25分後に雨 (1-5mm/h)")) << form->TrayHint();
    EXPECT_EQ(form->RainBalloons(), 0);
    EXPECT_EQ(form->BalloonTitle(), "");
    // Turned on from the menu, and kept; the shower already seen is not announced late.
    form->ActRainNoticeOn.trigger();
    EXPECT_TRUE(form->RainNoticeOn());
    EXPECT_EQ(program.ReadIni().ReadString("Option", "RainNotice", ""), "1");
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->RainBalloons(), 0);
    // A page service has no rain; back under the agency the place's shower is the same one.
    form->TenkiLitePrefix = service->TenkiLitePrefix();
    form->ActTenkiJpLite.setChecked(true);
    form->ActServerExecute(nullptr);
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.RainStep, NoValue);
    EXPECT_EQ(form->TrayHint().find("分後に雨"), std::string::npos) << form->TrayHint();
    form->ActJma.setChecked(true);
    form->ActServerExecute(nullptr);
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.RainStartsIn, 25);
    EXPECT_EQ(form->RainBalloons(), 0);
    // Another place: what was seen of the first one's showers no longer counts.
    form->LocationIndex = 1;
    form->ActRefreshExecute(nullptr);
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.RainStartsIn, 25);
    EXPECT_EQ(form->RainBalloons(), 1);
    EXPECT_EQ(form->BalloonTitle(), "まもなく雨: 約25分後 (1-5mm/h)");
}

TEST_F(RainTest, AForecastsBalloonJoinsTheRainsRatherThanWipingItOut) {
    auto form = Start("ShowBalloon=1\n");
    ASSERT_EQ(form->RainBalloons(), 1);
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->BalloonTitle(), "まもなく雨: 約25分後 (1-5mm/h)");
    const std::string rain =
        "気象庁の高解像度降水ナウキャスト (" + JapanTime(analysis).substr(11) + " 解析)\r\n\r\n";
    EXPECT_EQ(form->BalloonText().substr(0, rain.size()), rain) << form->BalloonText();
    EXPECT_NE(form->BalloonText().find("現在の天気 ("), std::string::npos) << form->BalloonText();
}
