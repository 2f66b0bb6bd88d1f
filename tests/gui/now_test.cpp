// The weather now in the window: its own refresh against the real sample service, beside the
// forecast and apart from it, in the record, the widget's labels and the tray.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "support/FakeHttpClient.h"
#include "support/SampleService.h"
#include "support/SilentServer.h"
#include "weather/CurlHttpClient.h"
#include "weather/KeptForecast.h"
#include "weather/Observation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The sample service on the real clock: its latest observation is of the last ten minutes.
class NowTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.UseSampleListAndShippedSkins();
        // The agency's places are named by their prefectures.
        program.dir.Write("urls.list", "東京都,東京都,千代田区,t/1,t/2,y/1,y/2\n");
    }

    std::unique_ptr<TMainForm> Start(const std::string& options) {
        program.WriteIni("[URL]\nPrefixJma=" + service.JmaPrefix() + "\nPrefixOpenMeteo=" +
                         service.BaseUrl() + "\nPrefixGeocoding=" + service.BaseUrl() +
                         "\n[Option]\nServer=3\nLocation=0\n" + options);
        return program.Start();
    }

    // What the service observes now at the chosen place, asked for directly.
    TObservation Expected(const TMainForm& form) {
        TCurlHttpClient client;
        const auto request = form.CurrentObservationRequest();
        EXPECT_TRUE(request && request->JmaPlace);
        return request ? LoadObservation(client, *request).Now : TObservation{};
    }

    SampleService service{{"--locations", TestData("locations/sample.list")}};
    TestProgram program;
    MessageLog messages;
};

std::string Hint(const TObservation& now) {
    char temperature[32];
    std::snprintf(temperature, sizeof temperature, "%.1f", *now.Temp);
    return std::string("現在 ") + temperature + "℃ (" + now.Station + " " + now.Time.substr(11) +
           ")";
}

} // namespace

TEST_F(NowTest, TheFirstStartShowsTheWeatherNowInTheRecordTheWidgetAndTheHint) {
    auto form = Start("RefreshInterval=1\n");
    const TObservation expected = Expected(*form);
    ASSERT_EQ(form->Weather.Information, "");
    ASSERT_FALSE(expected.Time.empty());
    ASSERT_TRUE(expected.Temp);
    EXPECT_EQ(form->Weather.Now, expected);
    EXPECT_EQ(form->TrayHint().substr(0, Hint(expected).size() + 2), Hint(expected) + "\r\n");
    const auto labels = form->CurrentSkin.Labels(form->Weather);
    // The sample service names its station after the place, which the label does not repeat.
    ASSERT_TRUE(TSkin::StationRepeatsPlace(expected.Station, form->Weather.LocationName));
    char temperature[32];
    std::snprintf(temperature, sizeof temperature, "%.1f℃", *expected.Temp);
    for (const auto& label : labels) {
        if (label.Section == "NowTempLabel") {
            EXPECT_EQ(label.Text, temperature);
        } else if (label.Section == "NowTimeLabel") {
            EXPECT_EQ(label.Text, expected.Time.substr(11));
        }
    }
    // The kept forecast holds it too.
    EXPECT_NE(ReadAll(program.dir.File("cache/" + KeptForecastName(form->SettingsFileName)))
                  .find("\"NowTime\": \"" + expected.Time),
              std::string::npos);
}

TEST_F(NowTest, TheForecastAndTheWeatherNowFailApart) {
    auto form = Start("RefreshInterval=1\n");
    const TWeatherData shown = form->Weather;
    ASSERT_FALSE(shown.Now.Time.empty());
    // The observation's download fails: the forecast and the weather now stay.
    int made = 0;
    form->NewHttpClient = [&made] {
        ++made;
        return std::make_unique<FakeHttpClient>();
    };
    form->RefreshNow();
    TestProgram::Settle(*form);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(form->Weather, shown);
    // The forecast's refresh fails: the weather now stays, and the hint still begins with it.
    form->RefreshWeather();
    TestProgram::Settle(*form);
    EXPECT_EQ(form->Weather.Now, shown.Now);
    EXPECT_TRUE(form->TrayHint().starts_with("現在 ")) << form->TrayHint();
}

namespace {

// Ten ticks of the minute timer.
void TenMinutes(TMainForm& form) {
    for (int minute = 0; minute < 10; ++minute)
        form.Timer1Timer();
}

} // namespace

TEST_F(NowTest, EveryTenMinutesUnlessTheScheduleIsManual) {
    auto form = Start("RefreshInterval=0\n");
    EXPECT_FALSE(form->Timer1.isActive());
    TenMinutes(*form);
    EXPECT_FALSE(form->RefreshingNow());
    form->ActInterval1H.setChecked(true);
    form->ActRefreshIntervalExecute(nullptr);
    EXPECT_TRUE(form->Timer1.isActive());
    TenMinutes(*form);
    EXPECT_TRUE(form->RefreshingNow());
    TestProgram::Settle(*form);
}

TEST_F(NowTest, TheTrayModeOfTheTemperatureNowDrawsItsDegrees) {
    auto form = Start("RefreshInterval=1\nShowForecastOnTaskTray=3\n");
    ASSERT_TRUE(form->Weather.Now.Temp);
    EXPECT_TRUE(form->ActNowTemperature.isChecked());
    EXPECT_EQ(form->TrayIconIndex(), TMainForm::NowTemperatureIconIndex);
    // Another mode gives the forecast's image back.
    form->ActCurrentForecast.setChecked(true);
    form->ActTaskTrayForecastExecute(nullptr);
    EXPECT_NE(form->TrayIconIndex(), TMainForm::NowTemperatureIconIndex);
}

TEST_F(NowTest, AQuitDuringTheObservationsDownloadEndsIt) {
    auto form = Start("RefreshInterval=1\n");
    ASSERT_FALSE(form->Weather.Now.Time.empty());
    // The agency's site stops answering: the next observation waits on its latest time.
    SilentServer silent;
    form->JmaPrefix = silent.BaseUrl() + "bosai/";
    form->RefreshNow();
    ASSERT_GE(silent.Accept(5000), 1);
    EXPECT_TRUE(form->RefreshingNow());
    form->close();
    // The transfer is given up at once, not at the client's time-out.
    EXPECT_TRUE(silent.AllClientsLeft(5000));
    form.reset();
}
