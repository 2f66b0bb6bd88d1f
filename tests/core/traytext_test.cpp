// What the tray says of an old forecast, and a forecast's balloon that comes while a warning's
// is up.
#include "platform/Clock.h"
#include "schedule/TrayText.h"
#include "weather/DateTime.h"

#include <gtest/gtest.h>

namespace {

// 千代田区's forecast of 11 December 17時, with its slots of the 12th from 6 o'clock on.
TWeatherData EveningForecast() {
    TWeatherData w;
    w.Clear();
    w.LocationName = "千代田区";
    w.ReportTime = "2026-12-11T17:00";
    w.DayDate = {EncodeDate(2026, 12, 12), EncodeDate(2026, 12, 13)};
    w.DayWeather = {"晴れ", "くもり"};
    for (std::size_t s = 2; s < 8; ++s) {
        w.PointDate[s] = EncodeDate(2026, 12, 12);
        w.PointHour[s] = static_cast<std::int32_t>(3 * s + 3);
        w.PointWeather[s] = s == 2 ? "晴" : "曇";
        w.PointTemp[s] = static_cast<std::int32_t>(s);
    }
    w.DayProb[1] = 10;
    return w;
}

class TrayTextTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetClockZone(platform::ClockZone::Japan); }
    void TearDown() override { platform::SetClockZone(platform::ClockZone::Computer); }
    // Unix seconds of a time of Japan's clock.
    static std::int64_t Japan(int day, int hour, int minute) {
        return (static_cast<std::int64_t>(EncodeDate(2026, 12, day) - EncodeDate(1970, 1, 1)) *
                    86400 +
                hour * 3600 + minute * 60) -
               9 * 3600;
    }
};

} // namespace

TEST_F(TrayTextTest, AnOldForecastSaysWhenItWasReportedBeforeWhatItTells) {
    const TWeatherData w = EveningForecast();
    struct Case {
        int day, hour, minute;
        TTrayMode mode;
        std::string hint;
    };
    const Case cases[] = {
        // The next report (05時) is overdue in the morning.
        {12, 7, 30, TTrayMode::Current,
         "千代田区\r\n12月11日 17時 発表 (1日前)\r\n6-9時 晴 2℃ 降水 10%"},
        {12, 7, 30, TTrayMode::Today,
         "千代田区\r\n12月11日 17時 発表 (1日前)\r\n" + FormatDayText(EncodeDate(2026, 12, 12)) +
             " 晴れ 最高 -- 最低 -- 降水 10%"},
        // Before it is due the forecast is not old.
        {12, 4, 30, TTrayMode::Current, "千代田区\r\n6-9時 晴 2℃ 降水 10%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        const TTrayView view = ComposeTray(w, {"key", Japan(11, 17, 30), false}, c.mode, false,
                                           "千代田区", Japan(c.day, c.hour, c.minute));
        EXPECT_EQ(view.Hint, c.hint);
    }
}

TEST_F(TrayTextTest, AForecastsBalloonJoinsTheWarningsThatIsUp) {
    const TBalloon warning =
        WarningsBalloon("千代田区", {{"03", "大雨警報", "発表", TWarningLevel::Warning}});
    EXPECT_TRUE(warning.Urgent);
    const TBalloon forecast{"千代田区 現在の天気 (15-18時)", "晴 8℃ 降水 10%", TBalloonIcon::None,
                            3000};
    const TBalloon joined = JoinBalloons(warning, forecast);
    EXPECT_EQ(joined.Title, warning.Title);
    EXPECT_EQ(joined.Text,
              warning.Text + "\r\n\r\n千代田区 現在の天気 (15-18時)\r\n晴 8℃ 降水 10%");
    EXPECT_EQ(joined.Icon, TBalloonIcon::Warning);
    EXPECT_EQ(joined.Milliseconds, 15000);
    EXPECT_TRUE(joined.Urgent);
}
