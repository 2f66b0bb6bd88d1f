// Refreshes against the real sample service on 127.0.0.1, drawn by the shipped default skin.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "support/SampleService.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::FixClock({2026, 12, 9, 10, 30, 0});
        program.UseSampleListAndShippedSkins();
    }
    void TearDown() override { platform::ReleaseClock(); }

    std::unique_ptr<TMainForm> Start(const std::string& options) {
        program.WriteIni("[URL]\nPrefixTenkiLite=" + service.TenkiLitePrefix() + "\nPrefixYahoo=" +
                         service.YahooPrefix() + "\nPrefixOpenMeteo=" + service.BaseUrl() +
                         "\nPrefixGeocoding=" + service.BaseUrl() + "\n[Option]\n" + options);
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
        EXPECT_EQ(form->ImageList1.Images.size(), 7u);
        if (form->ActTodayForecast.isChecked()) {
            EXPECT_EQ(form->TrayIconIndex(), TMainForm::WeatherIconIndex(w.DayWeather[0]));
            EXPECT_EQ(form->TrayHint().rfind(w.LocationName + "\r\n" +
                                                 TMainForm::FormatDayText(w.DayDate[0]) + " " +
                                                 w.DayWeather[0] + " 最高 ",
                                             0),
                      0u)
                << form->TrayHint();
        } else {
            EXPECT_EQ(form->TrayIconIndex(), TMainForm::WeatherIconIndex(w.PointWeather[3]));
            EXPECT_EQ(
                form->TrayHint().rfind(w.LocationName + "\r\n9-12時 " + w.PointWeather[3] + " ", 0),
                0u)
                << form->TrayHint();
        }
        form->close();
    }
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(ServiceTest, ASuccessfulRetryLeavesNoRetryPendingAndTheNextFailureHasFiveAgain) {
    auto form = Start("Server=0\nLocation=0\n");
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
    auto form = Start("Server=2\nLocation=0\n");
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

TEST_F(ServiceTest, TheLiveSourceShowsItsForecastAndLooksEachPlaceUpOnce) {
    auto form = Start("Server=2\n");
    ASSERT_TRUE(form->ActOpenMeteo.isChecked());
    const TWeatherData& w = form->Weather;
    EXPECT_EQ(w.Information, "");
    EXPECT_EQ(w.LocationName, "千代田区");
    EXPECT_EQ(w.UpdateInfo, "10時30分 取得");
    EXPECT_EQ(w.PointHour[3], 12);
    EXPECT_EQ(w.DayDate[0], EncodeDate(2026, 12, 9));
    EXPECT_EQ(form->TrayIconIndex(), TMainForm::WeatherIconIndex(w.PointWeather[3]));
    // The place is kept at once, under its own names.
    const auto chiyoda =
        ParseCoordinates(program.ReadIni().ReadString("Coordinates", "東京,千代田区", ""));
    ASSERT_TRUE(chiyoda.has_value()) << program.IniText();
    EXPECT_EQ(form->KnownCoordinates.at("東京,千代田区"), *chiyoda);

    // Another place gets its own look-up and its own key; the first stays.
    form->LocationIndex = 1;
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    EXPECT_EQ(w.Information, "");
    EXPECT_EQ(w.LocationName, "札幌市");
    const platform::IniFile saved = program.ReadIni();
    const auto sapporo = ParseCoordinates(saved.ReadString("Coordinates", "石狩地方,札幌市", ""));
    ASSERT_TRUE(sapporo.has_value());
    EXPECT_NE(*sapporo, *chiyoda);
    EXPECT_EQ(ParseCoordinates(saved.ReadString("Coordinates", "東京,千代田区", "")), chiyoda);
    form->close();

    // The next start needs no look-up: with the look-up unreachable the forecast still comes.
    platform::IniFile ini = program.ReadIni();
    ini.WriteString("URL", "PrefixGeocoding", "http://127.0.0.1:9/");
    ini.SaveTo(program.IniPath());
    auto again = program.Start();
    EXPECT_EQ(again->Weather.Information, "");
    EXPECT_EQ(again->Weather.LocationName, "札幌市");
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(ServiceTest, HandWrittenCoordinatesNeedNoLookUp) {
    program.WriteIni("[URL]\nPrefixOpenMeteo=" + service.BaseUrl() +
                     "\nPrefixGeocoding=http://127.0.0.1:9/\n[Option]\nServer=2\nLatitude=35.0\n"
                     "Longitude=135.75\n");
    auto form = program.Start();
    EXPECT_EQ(form->Weather.Information, "");
    EXPECT_EQ(form->Weather.LocationName, "千代田区");
    form->close();
    EXPECT_FALSE(program.ReadIni().HasSection("Coordinates"));
    EXPECT_EQ(program.ReadIni().ReadString("Option", "Latitude", ""), "35.0");
}

TEST_F(ServiceTest, APlaceTheLookUpDoesNotKnowSaysSoWithoutRetrying) {
    program.dir.Write("urls.list", "地方,県,無名市,t/1,t/2,y/1,y/2\n");
    auto form = Start("Server=2\n");
    EXPECT_EQ(form->Weather.Information, "無名市が見つかりません");
    EXPECT_EQ(form->Weather.LocationName, "");
    EXPECT_FALSE(form->RetryTimer.isActive());
    EXPECT_TRUE(form->KnownCoordinates.empty());
    EXPECT_TRUE(messages.entries.empty());
}

TEST_F(ServiceTest, ASettingsFileThatCannotBeWrittenDoesNotSpoilARefresh) {
    auto form = Start("Server=2\n");
    std::filesystem::remove(program.IniPath());
    std::filesystem::create_directories(program.IniPath() + "/x");
    form->LocationIndex = 2;
    form->ActRefresh.trigger();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.Information, "");
    EXPECT_EQ(form->Weather.LocationName, "那覇市");
    EXPECT_EQ(form->KnownCoordinates.count("沖縄本島,那覇市"), 1u);
    EXPECT_TRUE(messages.entries.empty());
    // Closing reports the file, as with any other save.
    form->close();
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_NE(messages.entries[0].text.find("保存できません"), std::string::npos);
}
