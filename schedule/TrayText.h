#pragma once

#include "schedule/Feeds.h"
#include "weather/DateTime.h"
#include "weather/WarningBalloon.h"
#include "weather/WeatherData.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the tray shows of the feeds: its picture's index, its hint and its balloons, composed
// from the record and the feeds' state. The window only hands them to the tray icon.

// Tray pictures besides the skin's images (0 fine, 1 cloudy, 2 rain, 3 snow, 4 none, 5 failure,
// 6 fog).
inline constexpr int TrayApplicationIcon = -1;    // the application's own icon
inline constexpr int TrayNowTemperatureIcon = -2; // the temperature now, drawn
inline constexpr int TrayFailureIcon = 5;

// What the tray summarises, numbered as the settings' ShowForecastOnTaskTray stores it.
enum class TTrayMode : std::int32_t { Current = 0, Today = 1, Tomorrow = 2, NowTemperature = 3 };

struct TBalloon {
    std::string Title;
    std::string Text; // lines joined by CR LF
    TBalloonIcon Icon = TBalloonIcon::None;
    int Milliseconds = 3000;
    // A warning's or the rain's: while it is up, another balloon joins it rather than replacing
    // it.
    bool Urgent = false;
};

struct TTrayView {
    int Icon = TrayApplicationIcon;
    std::string Hint; // lines joined by CR LF
    // The forecast's balloon, for a refresh that shows one; nothing without a forecast.
    std::optional<TBalloon> Balloon;
};

// Everything the tray shows at `now`. `refreshing`: a forecast's load is under way;
// `warningsPlace`: the name the warnings line gives the place. The hint's last lines are the rain
// of the next hour (RainHintLine) and the warnings, in every state of the forecast.
TTrayView ComposeTray(const TWeatherData& weather, const TShownForecast& shown, TTrayMode mode,
                      bool refreshing, const std::string& warningsPlace, std::int64_t now);

// The tray image of a weather phrase: the keyword that comes first decides (0 晴, 1 曇/くもり,
// 2 雨/雷/霧雨, 3 雪/みぞれ, 6 霧), 4 for none.
int WeatherIconIndex(std::string_view phrase);
// `missing` for NoValue, else "%2d".
std::string NumberText(std::int32_t value, std::string_view missing);
// 0 = Sunday: Japanese names on a Japanese system, else the C library's default locale's.
std::string AbbreviatedDayName(int dayOfWeek);
// "d日(ddd)".
std::string FormatDayText(TDateTime date);
// One day as the skins show it: "12日(金) 晴のち曇 最高 11℃ 最低 3℃ 降水 20%", the highest
// probability of the day's bands from `firstBand` on.
std::string DayLine(const TWeatherData& weather, std::size_t day, std::size_t firstBand);
// "現在 12.3℃ (東京 10:40)" while the weather now is current; empty otherwise.
std::string NowHintLine(const TWeatherData& weather, std::int64_t now);
// "千代田区: レベル3大雨警報・強風注意報 (10:30 現在)": the warnings in force; "警報・注意報:
// 取得できず" when they could not be had (the record's WarningsNote says so); empty for none.
inline constexpr std::string_view kWarningsUnknownHint = "警報・注意報: 取得できず";
std::string WarningsHintLine(const TWeatherData& weather, const std::string& place);
// The tier of the tray picture's corner mark: the most severe in force from 警報 up.
std::optional<TWarningLevel> TrayWarningMark(const TWeatherData& weather);
// "更新に失敗しました (10時30分 取得の予報)", the day too when it is not today's.
std::string FailedRefreshNote(const TShownForecast& shown, std::int64_t now);
// The balloon `next` while `shown`, an urgent one, is still up: the two in one, `shown` first
// with its title, the heavier icon and the longer time.
TBalloon JoinBalloons(const TBalloon& shown, const TBalloon& next);
// The balloon for warnings newly in force at `place`: titled and marked by the most severe.
TBalloon WarningsBalloon(std::string_view place, const std::vector<TWarning>& announced);
