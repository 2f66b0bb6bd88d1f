#pragma once

#include "weather/DateTime.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class THttpClient;

// The agency's tiers of warnings, mildest first.
enum class TWarningLevel : std::int32_t {
    Advisory = 0,  // 注意報
    Warning = 1,   // 警報
    Danger = 2,    // 危険警報
    Emergency = 3, // 特別警報
};

// One warning or advisory in force: the agency's kind code, its name, the status text as the
// agency wrote it (発表, 継続, 警報から注意報, ...) and its tier.
struct TWarning {
    std::string Code;
    std::string Name;
    std::string Status;
    TWarningLevel Level = TWarningLevel::Warning;
    bool operator==(const TWarning&) const = default;
};

// A missing integer of the forecast record.
constexpr std::int32_t NoValue = 2147483647;

// The weather now at one station: the agency's AMeDAS, or the live source's current block.
// A value that is unknown, not observed or 欠測 is nothing.
struct TObservation {
    std::string Time;               // "YYYY-MM-DDTHH:MM" in Japan time; empty: no observation
    std::string Station;            // the station's name (kjName), "Open-Meteo" for the live source
    std::optional<double> Temp;     // ℃, one decimal
    std::optional<double> Precip1h; // mm in the last hour
    std::optional<double> Wind;     // m/s
    std::string WindDirection;      // 静穏, 北北東 ... 北; empty when unknown
    std::optional<double> Humidity; // %
    bool operator==(const TObservation&) const = default;
};

// Japan time (no summer time) as an observation's Time, from seconds since 1970, and back;
// nothing for a text that is not such a time.
std::string JapanTimeText(std::int64_t unixSeconds);
std::optional<std::int64_t> JapanTimeSeconds(std::string_view text);

// A time of an answer with its zone, "YYYY-MM-DDTHH:MM", optionally ":SS" and a fraction, then
// "Z", "+HH:MM" or "-HH:MM" (within 18 hours), as seconds since 1970; a time without a zone is
// Japan's. Nothing for any other text.
std::optional<std::int64_t> ZonedTimeSeconds(std::string_view text);

// An observation older than this is not the weather now.
inline constexpr std::int64_t kObservationMaxAge = 60 * 60;

// The observation is the weather now at `unixNow`: it has a time no more than
// kObservationMaxAge before (or after, for a clock that is behind) it.
bool IsCurrentObservation(const TObservation& observation, std::int64_t unixNow);

// What the weather can be, for every source of observations: a value outside is a broken
// answer, never weather.
struct TObservedRange {
    double Low, High;
};
inline constexpr TObservedRange kObservedTemp{-90.0, 60.0};    // ℃
inline constexpr TObservedRange kObservedHumidity{0.0, 100.0}; // %
inline constexpr TObservedRange kObservedWind{0.0, 120.0};     // m/s
inline constexpr TObservedRange kObservedPrecip1h{0.0, 300.0}; // mm in an hour
// Makes each value of `observation` outside its range (or not finite) nothing.
void DropImplausibleValues(TObservation& observation);

// The one forecast record. Point slots 0-7 are today's three-hour periods, 8-15 tomorrow's
// (slot s covers 3*(s mod 8) to 3*(s mod 8)+3 o'clock); weekly slot 0 is tomorrow and slot 6
// today + 7; DayProb[4*d + b] is day d's six-hour band b. There are no validity flags: a
// missing integer is NoValue, a missing date 0.0 and a missing text empty.
class TWeatherData {
public:
    TWeatherData();

    std::array<TDateTime, 16> PointDate;
    std::array<std::int32_t, 16> PointHour;
    std::array<std::string, 16> PointWeather;
    std::array<std::int32_t, 16> PointTemp;
    std::array<TDateTime, 7> WeekDate;
    std::array<std::string, 7> WeekWeather;
    std::array<std::int32_t, 7> WeekMinTemp;
    std::array<std::int32_t, 7> WeekMaxTemp;
    std::array<std::int32_t, 7> WeekProb;
    std::array<TDateTime, 2> DayDate;
    std::array<std::string, 2> DayWeather;
    std::array<std::int32_t, 2> DayMinTemp;
    std::array<std::int32_t, 2> DayMaxTemp;
    std::array<std::int32_t, 8> DayProb;
    std::string LocationName;
    std::string UpdateInfo;
    std::string Information; // status line written by the main window
    // Where the point slots came from when it is not the day's own source: "Open-Meteo" when
    // the agency's forecast had to take them from the live source; empty otherwise.
    std::string PointSource;
    TObservation Now; // refreshed apart from the forecast
    // The source's own name for today's period when it is not the whole day: "今夜" from the
    // agency's evening report; empty otherwise (the skins then say 今日).
    std::string TodayName;
    // The warnings in force for the place, most severe first and by code within a tier. Unknown
    // (a failed download, a place the agency does not cover) is WarningsKnown false with an
    // empty list; known and empty is "none in force".
    bool WarningsKnown = false;
    std::vector<TWarning> Warnings;
    std::string WarningsTime; // newest report among Warnings, "YYYY-MM-DDTHH:MM" (Japan); or ""
    std::string WarningsNote; // staleness written by the main window ("警報: 取得できず")
    // The source's report time of the forecast, "YYYY-MM-DDTHH:MM" in the source's clock (the
    // agency's 発表); empty when the source tells none. Tells how old the forecast is
    // (ForecastTime.h).
    std::string ReportTime;

    // The agency's own words; empty (NoValue, nothing) under the other sources.
    // Today's and tomorrow's texts as the agency writes them, every run of spaces one full-width
    // space: the weather, the wind and the waves (empty where the area has no sea).
    std::array<std::string, 2> DayText;
    std::array<std::string, 2> DayWind;
    std::array<std::string, 2> DayWave;
    // Week slot k's reliability (信頼度: "A", "B" or "C"; empty where the agency gives none) and
    // the ranges its temperatures are expected in (予想範囲), each [lower, upper].
    std::array<std::string, 7> WeekReliability;
    std::array<std::array<std::int32_t, 2>, 7> WeekMinTempRange;
    std::array<std::array<std::int32_t, 2>, 7> WeekMaxTempRange;
    // The normals (平年値) of the week's station, ℃ with one decimal.
    std::optional<double> WeekNormalMinTemp;
    std::optional<double> WeekNormalMaxTemp;
    // The office's 天気概況: its text (lines apart by "\n", paragraphs by an empty line), its
    // headline (often empty) and its report time ("YYYY-MM-DDTHH:MM", Japan time). All empty
    // when it could not be had.
    std::string Overview;
    std::string OverviewHeadline;
    std::string OverviewTime;

    // The rain of the next hour (weather/Rain.h), refreshed apart from the forecast: minutes
    // between frames (5 the agency's nowcast, 15 Open-Meteo; NoValue: no rain fields at all), the
    // first frame's time ("YYYY-MM-DDTHH:MM", Japan), one class a frame (0 none, 1-8 the legend,
    // NoValue unknown; empty: unknown as a whole), the minutes to the first frame with rain and,
    // while it rains, to the first without (NoValue: none in the hour, or unknown).
    std::int32_t RainStep = NoValue;
    std::string RainTime;
    std::vector<std::int32_t> Rain;
    std::int32_t RainStartsIn = NoValue;
    std::int32_t RainEndsIn = NoValue;

    // Puts every field into the no-data state.
    void Clear();
    // The warnings become unknown.
    void ClearWarnings();
    // No rain fields: RainStep NoValue and the rest empty.
    void ClearRain();

    // Every field equal (dates compared as numbers).
    bool operator==(const TWeatherData&) const = default;

    // Fill the record from one service (expects a cleared record). True: the record holds the
    // location's forecast. False: the record has been cleared. Never throws for missing data;
    // an impossible page date throws EConvertError.
    bool LoadTenkiLite(THttpClient& client, const std::string& url1, const std::string& url2);
    bool LoadYahoo(THttpClient& client, const std::string& url1, const std::string& url2);

    // The halves of the loaders. Each writes only the fields its page supplies and never
    // clears anything; false when a page it needs cannot be downloaded (the point parsers of
    // TenkiLite also when the page lacks its point section or script code).
    // ParseTenkiLitePoint downloads url1 and then its two table scripts from the same scheme,
    // host and port; the others download one page each.
    bool ParseTenkiLitePoint(THttpClient& client, const std::string& url1);
    bool ParseTenkiLiteDays(THttpClient& client, const std::string& url2);
    bool ParseYahooPoint(THttpClient& client, const std::string& url1);
    bool ParseYahooDays(THttpClient& client, const std::string& url2);

    // Weekly slot 0 from tomorrow's point and summary figures when both pages agree on
    // tomorrow's date (DayDate[1] == WeekDate[0]); otherwise slot 0 is emptied.
    void FillWeekFromTomorrow();
};

// Day d's weather as words for a line of text: the agency's own text where the record has one,
// else the short form of the day's weather.
const std::string& DayWords(const TWeatherData& record, std::size_t day);
