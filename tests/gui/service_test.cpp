// Refreshes against the real sample service on 127.0.0.1, drawn by the shipped default skin.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "support/SampleService.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 10, 30, 0});
        program.dir.Write("urls.list", ReadAll(TestData("locations/sample.list")));
        std::filesystem::copy(std::string(PELUMI_BIN_DIR) + "/Skin", program.dir.File("Skin"),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
    }
    void TearDown() override { platform::ReleaseClock(); }

    std::unique_ptr<TMainForm> Start(const std::string& options) {
        program.WriteIni("[URL]\nPrefixTenkiLite=" + service.TenkiLitePrefix() +
                         "\nPrefixYahoo=" + service.YahooPrefix() + "\n[Option]\n" + options);
        return program.Start();
    }

    SampleService service{
        {"--today", "2026-12-09", "--locations", TestData("locations/sample.list")}};
    TestProgram program;
    MessageLog messages;
};

} // namespace

TEST_F(ServiceTest, ASuccessfulRefreshFillsTheRecordTheWidgetAndTheTray) {
    struct Case {
        const char* options;
        const char* place;
    };
    const std::vector<Case> cases = {
        {"Server=0\nLocation=0\n", "千代田区"},
        {"Server=1\nLocation=1\n", "札幌市"},
        {"Server=0\nLocation=3\nShowForecastOnTaskTray=1\n", "長野市"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        auto form = Start(c.options);
        const TWeatherData& w = form->Weather;
        EXPECT_EQ(w.Information, "");
        EXPECT_NE(w.LocationName.find(c.place), std::string::npos) << w.LocationName;
        EXPECT_NE(w.PointHour[3], NoValue);
        EXPECT_FALSE(form->RetryTimer.isActive());
        EXPECT_EQ(form->RetryTimer.Tag, 0);

        // The widget shows the default skin's drawing.
        EXPECT_FALSE(form->WidgetBitmap.Empty());
        EXPECT_EQ(form->size(), QSize(form->WidgetBitmap.Width(), form->WidgetBitmap.Height()));
        EXPECT_TRUE(form->isVisible());

        // The tray: the skin's six images, the icon and hint of the record.
        EXPECT_EQ(form->ImageList1.Images.size(), 6u);
        if (form->ActTodayForecast.isChecked()) {
            EXPECT_EQ(form->TrayIconIndex(), TMainForm::WeatherIconIndex(w.DayWeather[0]));
            EXPECT_EQ(form->TrayHint().rfind(TMainForm::FormatDayText(w.DayDate[0]) + ": " +
                                                 w.DayWeather[0] + "\r\n気温: ",
                                             0),
                      0u)
                << form->TrayHint();
        } else {
            EXPECT_EQ(form->TrayIconIndex(), TMainForm::WeatherIconIndex(w.PointWeather[3]));
            EXPECT_EQ(form->TrayHint().rfind(TMainForm::NumberText(w.PointHour[3], "--") +
                                                 "時の天気: " + w.PointWeather[3] + "\r\n",
                                             0),
                      0u)
                << form->TrayHint();
        }
        form->close();
    }
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(ServiceTest, ASuccessfulRetryLeavesNoRetryPendingAndTheNextFailureHasFiveAgain) {
    auto form = Start("Location=0\n");
    const std::string good = form->TenkiLitePrefix;
    form->TenkiLitePrefix = service.BaseUrl() + "missing/";
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    form->RetryTimerTimer();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.Information, "再接続します (あと4回)");
    EXPECT_EQ(form->TrayIconIndex(), 5);
    EXPECT_EQ(form->TrayHint(), "データ取得に失敗");

    form->TenkiLitePrefix = good;
    form->RetryTimerTimer();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.Information, "");
    EXPECT_FALSE(form->RetryTimer.isActive());
    EXPECT_EQ(form->RetryTimer.Tag, 0);
    EXPECT_NE(form->TrayHint(), "データ取得に失敗");

    form->TenkiLitePrefix = service.BaseUrl() + "missing/";
    form->ActInterval1H.trigger();
    for (int minute = 0; minute < 60; ++minute)
        form->Timer1Timer();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
}

TEST_F(ServiceTest, BrokenSkinPicturesAreReportedAndTheProgramGoesOn) {
    // A tray image and the background that do not decode.
    const std::string broken = ReadAll(TestData("skin/demo/broken.png"));
    program.dir.Write("Skin/Simple/img/tray_rain.png", broken);
    auto form = Start("Location=0\n");
    ASSERT_FALSE(messages.entries.empty());
    EXPECT_EQ(messages.entries[0].caption, "エラー");
    // The start-up went on: the location list is there and the forecast came.
    EXPECT_EQ(form->GetLocationCount(), 4);
    EXPECT_EQ(form->Weather.Information, "");
    EXPECT_FALSE(form->ImageList1.Images.empty());

    // A drawing that fails is shown once, not at every redraw.
    messages.entries.clear();
    const std::string background = form->CurrentSkin.SkinDir + "img/bg_small.png";
    program.dir.Write(background.substr(program.dir.Path().size() + 1), broken);
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].caption, "エラー");
    EXPECT_EQ(form->Weather.Information, "");
}
