// The tray display: icon choice, number and date texts, hints, balloons and clicks.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "support/ScopedEnv.h"
#include "weather/jma/JmaWeatherCodes.h"
#include "weather/openmeteo/WeatherWords.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>
#include <tuple>

namespace {

// Sets a time locale variable for the life of the object.
class LocaleScope {
public:
    explicit LocaleScope(const char* value) {
        if (const char* old = std::getenv("LC_ALL"))
            saved_ = old;
        setenv("LC_ALL", value, 1);
    }
    ~LocaleScope() { saved_ ? setenv("LC_ALL", saved_->c_str(), 1) : unsetenv("LC_ALL"); }

private:
    std::optional<std::string> saved_;
};

} // namespace

TEST(Tray, WeatherIconIndex) {
    struct Case {
        const char* phrase;
        int index;
    };
    const std::vector<Case> cases = {
        {"", 4},       {"不明", 4},         {"霧", 6},       {"霧のち晴", 6}, {"晴一時霧", 0},
        {"霧雨", 2},   {"晴", 0},           {"晴のち雨", 0}, {"曇時々雨", 1}, {"雨のち晴", 2},
        {"雪か雨", 3}, {"くもり時々晴", 1}, {"雷雨", 2},     {"みぞれ", 3},   {"晴れ時々くもり", 0},
        {"のち雪", 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TMainForm::WeatherIconIndex(c.phrase), c.index) << c.phrase;
}

TEST(Tray, EveryWordOfTheLiveSourceHasItsIcon) {
    // The codes' words as the tray reads them: none is "no data" (4).
    const std::vector<std::pair<double, int>> cases = {{0, 0},  {3, 1},  {45, 6}, {48, 6},
                                                       {51, 2}, {57, 2}, {61, 2}, {68, 3},
                                                       {71, 3}, {80, 2}, {85, 3}, {95, 2}};
    for (const auto& [code, index] : cases) {
        const auto word = WeatherWordOfCode(code);
        ASSERT_TRUE(word.has_value()) << code;
        EXPECT_EQ(TMainForm::WeatherIconIndex(*word), index) << code;
    }
}

TEST(Tray, EveryCodeOfTheAgencyHasTheIconOfItsFamily) {
    // The agency's own day icon of each code: 1xx sun, 2xx cloud, 3xx rain, 4xx snow.
    std::map<int, int> family;
    std::istringstream table(ReadAll(TestData("jma/telops.tsv")));
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line))
        family[std::atoi(line.c_str())] = line[line.find('\t') + 1] - '1';
    ASSERT_EQ(family.size(), JmaWeatherCodes().size());
    for (const TJmaWeatherCode& code : JmaWeatherCodes()) {
        // Fog first has a tray image of its own, where the agency draws cloud or the later sky.
        const int expected =
            std::string_view(code.Text).starts_with("霧") ? 6 : family.at(code.Code);
        EXPECT_EQ(TMainForm::WeatherIconIndex(code.Text), expected)
            << code.Code << " " << code.Text;
    }
}

TEST(Tray, NumberText) {
    struct Case {
        std::int32_t value;
        const char* text;
    };
    const std::vector<Case> cases = {{5, " 5"},  {0, " 0"},    {-3, "-3"},     {-12, "-12"},
                                     {23, "23"}, {100, "100"}, {NoValue, "--"}};
    for (const Case& c : cases)
        EXPECT_EQ(TMainForm::NumberText(c.value, "--"), c.text) << c.value;
}

TEST(Tray, DayTextUsesTheLocalesWeekdayNames) {
    struct Case {
        const char* locale;
        TDateTime date;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"C", EncodeDate(2026, 12, 9), "9日(Wed)"},
        {"C", 0.0, "30日(Sat)"}, // the cleared record's date
        {"ja_JP.UTF-8", EncodeDate(2026, 12, 9), "9日(水)"},
        {"ja_JP.UTF-8", EncodeDate(2026, 12, 13), "13日(日)"},
    };
    for (const Case& c : cases) {
        LocaleScope scope(c.locale);
        EXPECT_EQ(TMainForm::FormatDayText(c.date), c.text) << c.locale;
    }
}

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override { platform::FixClock({2026, 12, 9, 10, 0, 0}); }
    void TearDown() override { platform::ReleaseClock(); }

    TestProgram program;
    MessageLog messages;
    LocaleScope locale{"C"};
};

TEST_F(TrayTest, HintsAndBalloonsOfTheThreeModes) {
    auto form = program.Start();
    form->ActOpenMeteo.setChecked(true); // the computer's clock: 10 o'clock
    TWeatherData& w = form->Weather;
    w.Clear();
    w.LocationName = "東京都千代田区";
    // 10 o'clock: slot 3, band 1. The source labels the slot by its end.
    w.PointHour[3] = 12;
    w.PointWeather[3] = "晴";
    w.PointTemp[3] = 23;
    w.DayProb[1] = 10;
    w.DayDate[0] = EncodeDate(2026, 12, 9);
    w.DayWeather[0] = "曇時々雨";
    w.DayMaxTemp[0] = 18;
    w.DayMinTemp[0] = 7;
    w.DayProb[0] = 90; // a band already past does not count
    w.DayProb[2] = 30;
    w.DayDate[1] = EncodeDate(2026, 12, 10);
    w.DayWeather[1] = "雪";
    w.DayMaxTemp[1] = -1;
    w.DayMinTemp[1] = -12;
    w.DayProb[4] = 50;
    w.DayProb[5] = 70;

    struct Case {
        QAction TMainForm::*mode;
        int icon;
        std::string hint;
        std::string title;
        std::string text;
    };
    const std::vector<Case> cases = {
        {&TMainForm::ActCurrentForecast, 0, "東京都千代田区\r\n9-12時 晴 23℃ 降水 10%",
         "東京都千代田区 現在の天気 (9-12時)", "晴 23℃ 降水 10%"},
        {&TMainForm::ActTodayForecast, 1,
         "東京都千代田区\r\n9日(Wed) 曇時々雨 最高 18℃ 最低 7℃ 降水 30%",
         "東京都千代田区 9日(Wed)の天気予報", "9日(Wed) 曇時々雨 最高 18℃ 最低 7℃ 降水 30%"},
        {&TMainForm::ActTomorrowForecast, 3,
         "東京都千代田区\r\n10日(Thu) 雪 最高 -1℃ 最低 -12℃ 降水 70%",
         "東京都千代田区 10日(Thu)の天気予報", "10日(Thu) 雪 最高 -1℃ 最低 -12℃ 降水 70%"},
    };
    form->ActShowBalloon.setChecked(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        std::filesystem::remove(program.IniPath());
        ((*form).*c.mode).trigger(); // from the menu: saves, then updates the tray
        EXPECT_TRUE(std::filesystem::exists(program.IniPath()));
        EXPECT_EQ(form->TrayIconIndex(), c.icon);
        EXPECT_EQ(form->TrayHint(), c.hint);
        EXPECT_EQ(form->TrayIcon1.toolTip().toStdString().find('\r'), std::string::npos);
        EXPECT_EQ(form->BalloonTitle(), c.title);
        EXPECT_EQ(form->BalloonText(), c.text);
    }

    // Missing figures show as dashes; without a place name there is no place line.
    w.PointTemp[3] = NoValue;
    w.DayProb[1] = NoValue;
    w.LocationName.clear();
    form->ActCurrentForecast.trigger();
    EXPECT_EQ(form->TrayHint(), "9-12時 晴 -- 降水 --");
    w.DayMaxTemp[1] = NoValue;
    w.DayProb[4] = w.DayProb[5] = NoValue;
    form->ActTomorrowForecast.trigger();
    EXPECT_EQ(form->TrayHint(), "10日(Thu) 雪 最高 -- 最低 -12℃ 降水 --");
}

// Today's and tomorrow's lines give the agency's own text where the record has one, the short
// form otherwise; the picture stays the short form's.
TEST_F(TrayTest, TheDayLinesUseTheAgencysWords) {
    auto form = program.Start();
    TWeatherData& w = form->Weather;
    w.Clear();
    w.DayDate = {EncodeDate(2026, 12, 9), EncodeDate(2026, 12, 10)};
    w.DayWeather = {"曇時々晴", "晴"};
    w.DayText = {"くもり　時々　晴れ　所により　夕方　まで　雪か雨", ""};
    w.DayMaxTemp = {7, 8};
    form->ActTodayForecast.trigger();
    EXPECT_EQ(form->TrayHint(),
              "9日(Wed) くもり　時々　晴れ　所により　夕方　まで　雪か雨 最高 7℃ 最低 -- 降水 --");
    EXPECT_EQ(form->TrayIconIndex(), 1);
    form->ActTomorrowForecast.trigger();
    EXPECT_EQ(form->TrayHint(), "10日(Thu) 晴 最高 8℃ 最低 -- 降水 --");
}

TEST_F(TrayTest, CurrentSlotFollowsTheClock) {
    auto form = program.Start();
    form->ActOpenMeteo.setChecked(true);
    TWeatherData& w = form->Weather;
    w.Clear();
    for (int s = 0; s < 8; ++s) {
        w.PointHour[s] = 3 * s + 3;
        w.PointWeather[s] = "晴";
        w.DayProb[s / 2] = 10 * (s / 2);
    }
    struct Case {
        int hour;
        const char* slot;
        const char* probability;
    };
    const std::vector<Case> cases = {{0, "0-3時", "0%"},     {2, "0-3時", "0%"},
                                     {3, "3-6時", "0%"},     {11, "9-12時", "10%"},
                                     {21, "21-24時", "30%"}, {23, "21-24時", "30%"}};
    for (const Case& c : cases) {
        platform::FixClock({2026, 12, 9, c.hour, 59, 0});
        form->UpdateTrayIcon();
        EXPECT_EQ(form->TrayHint(), std::string(c.slot) + " 晴 -- 降水 " + c.probability) << c.hour;
    }
}

// The slot that holds the present time under the agency: its clock reads Japan's hours (the
// form puts the clock in Japan's zone), so 10:30 there is the 9-12 o'clock slot.
TEST_F(TrayTest, TheAgencysCurrentSlotIsJapansHour) {
    auto form = program.Start();
    form->ActJma.setChecked(true);
    form->FollowSourcesClock();
    EXPECT_EQ(platform::CurrentClockZone(), platform::ClockZone::Japan);
    TWeatherData& w = form->Weather;
    w.Clear();
    for (int s = 0; s < 8; ++s)
        w.PointWeather[s] = "晴";
    platform::FixClock({2026, 12, 9, 10, 30, 0});
    form->UpdateTrayIcon();
    EXPECT_EQ(form->TrayHint(), "9-12時 晴 -- 降水 --");
}

TEST_F(TrayTest, AModeChangeWithoutAForecastInventsNoDay) {
    // A cleared record has no day: its texts would be "30日(Sat)" (30 December 1899) and dashes.
    auto form = program.Start();
    form->Weather.Clear();
    form->ActShowBalloon.setChecked(true);
    form->ActTodayForecast.trigger();
    EXPECT_EQ(form->TrayIconIndex(), TMainForm::ApplicationIconIndex);
    EXPECT_EQ(form->TrayHint(), "Pelumi");
    EXPECT_EQ(form->BalloonTitle(), "");
}

TEST_F(TrayTest, LeftClickTogglesTheWindowWithoutSaving) {
    auto form = program.Start();
    ASSERT_TRUE(form->ActShowWindow.isChecked());
    form->TrayIcon1Activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(form->ActShowWindow.isChecked());
    EXPECT_FALSE(form->isVisible());
    form->TrayIcon1Activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(form->ActShowWindow.isChecked());
    EXPECT_FALSE(std::filesystem::exists(program.IniPath()));
}

TEST_F(TrayTest, RightClickOpensTheMenuUnlessADialogIsOpen) {
    auto form = program.Start();
    {
        TModalScope modal(*form);
        form->TrayIcon1Activated(QSystemTrayIcon::Context);
        EXPECT_FALSE(form->PopupMenu1.isVisible());
    }
    form->TrayIcon1Activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(form->PopupMenu1.isVisible());
    form->PopupMenu1.close();
}

TEST(Tray, AnUnchangedPictureKeepsItsIcon) {
    // Every new icon leaves pixmaps in Qt's cache, so refreshes that show the same picture must
    // not make new ones (the widget's memory grew by each refresh before).
    TestProgram program;
    program.dir.Write("urls.list", "");
    MessageLog messages;
    auto form = program.Start();
    form->ImageList1.Images.assign(2, TBitmap(16, 16));
    form->ImageList1.Images[1].Pixel(3, 3) = 0xFF112233;
    form->SetTrayIconIndex(0);
    const qint64 first = form->TrayIcon1.icon().cacheKey();
    for (int i = 0; i < 3; ++i)
        form->SetTrayIconIndex(0);
    EXPECT_EQ(form->TrayIcon1.icon().cacheKey(), first);
    form->SetTrayIconIndex(1);
    EXPECT_NE(form->TrayIcon1.icon().cacheKey(), first);
    EXPECT_EQ(form->TrayIcon1.icon().pixmap(16, 16).toImage().pixel(3, 3), 0xFF112233u);
}

TEST_F(TrayTest, AClickSoonAfterTheLastIsStillAClick) {
    // On X11 Qt delivers a press within the double-click time of the last one as a double-click
    // to its tray window, a widget of this name.
    auto form = program.Start();
    QWidget trayWindow;
    trayWindow.setObjectName("QSystemTrayIconSys");
    QWidget elsewhere;
    const auto doubleClick = [](QWidget* target, Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(8, 8), QPointF(8, 8), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };

    doubleClick(&elsewhere, Qt::RightButton);
    EXPECT_FALSE(form->PopupMenu1.isVisible());
    doubleClick(&trayWindow, Qt::RightButton);
    EXPECT_TRUE(form->PopupMenu1.isVisible());
    form->PopupMenu1.close();
    {
        TModalScope modal(*form);
        doubleClick(&trayWindow, Qt::RightButton);
        EXPECT_FALSE(form->PopupMenu1.isVisible());
    }

    // A quick second left click shows the window again, as two separate clicks would.
    ASSERT_TRUE(form->ActShowWindow.isChecked());
    form->TrayIcon1Activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(form->ActShowWindow.isChecked());
    form->TrayIcon1Activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(form->ActShowWindow.isChecked());
}

// The hint says where the three-hourly slots came from when the agency's series could not be had.
TEST_F(TrayTest, TheHintNamesOpenMeteoOnlyWhileItsSlotsAreShown) {
    auto form = program.Start();
    TWeatherData& w = form->Weather;
    w.Clear();
    w.DayDate = {EncodeDate(2026, 12, 9), EncodeDate(2026, 12, 10)};
    w.DayWeather = {"晴", "曇"};
    w.PointHour[3] = 12;
    w.PointWeather[3] = "晴";
    for (QAction TMainForm::*mode : {&TMainForm::ActCurrentForecast, &TMainForm::ActTodayForecast,
                                     &TMainForm::ActTomorrowForecast}) {
        w.PointSource = "Open-Meteo";
        ((*form).*mode).trigger();
        EXPECT_TRUE(form->TrayHint().ends_with("\r\n3時間ごとの予報: Open-Meteo"))
            << form->TrayHint();
        w.PointSource.clear();
        form->UpdateTrayIcon();
        EXPECT_EQ(form->TrayHint().find("Open-Meteo"), std::string::npos) << form->TrayHint();
    }
}
