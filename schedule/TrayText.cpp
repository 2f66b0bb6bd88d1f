#include "schedule/TrayText.h"

#include "platform/Clock.h"
#include "weather/ForecastTime.h"
#include "weather/KeptForecast.h"
#include "weather/Rain.h"
#include "weather/WarningNotices.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace {

bool NamesJapaneseLocale(const char* name) {
    return name && std::strncmp(name, "ja", 2) == 0;
}

// The first non-empty of the variables that name the time locale.
const char* TimeLocaleName() {
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"})
        if (const char* value = std::getenv(var); value && *value)
            return value;
    return nullptr;
}

std::string Degrees(std::int32_t value) {
    return value == NoValue ? "--" : std::to_string(value) + "℃";
}

std::string Percent(std::int32_t value) {
    return value == NoValue ? "--" : std::to_string(value) + "%";
}

} // namespace

std::string AbbreviatedDayName(int dayOfWeek) {
    static constexpr std::array<const char*, 7> japanese = {"日", "月", "火", "水",
                                                            "木", "金", "土"};
    dayOfWeek = ((dayOfWeek % 7) + 7) % 7;
    const char* name = TimeLocaleName();
    // A Japanese system whose locale data is not installed still gets Japanese names.
    if (NamesJapaneseLocale(name))
        return japanese[static_cast<std::size_t>(dayOfWeek)];
    std::string result;
    locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (locale != static_cast<locale_t>(nullptr)) {
        result = nl_langinfo_l(static_cast<nl_item>(ABDAY_1 + dayOfWeek), locale);
        freelocale(locale);
    }
    return result;
}

std::string FormatDayText(TDateTime date) {
    return std::to_string(DecodeDate(date).Day) + "日(" + AbbreviatedDayName(DayOfWeek(date)) + ")";
}

std::string DayLine(const TWeatherData& weather, std::size_t day, std::size_t firstBand) {
    std::int32_t prob = NoValue;
    for (std::size_t b = firstBand; b < 4; ++b) {
        const std::int32_t p = weather.DayProb[4 * day + b];
        if (p != NoValue && (prob == NoValue || p > prob))
            prob = p;
    }
    const std::string& text = DayWords(weather, day);
    return FormatDayText(weather.DayDate[day]) + " " + (text.empty() ? "--" : text) + " 最高 " +
           Degrees(weather.DayMaxTemp[day]) + " 最低 " + Degrees(weather.DayMinTemp[day]) +
           " 降水 " + Percent(prob);
}

int WeatherIconIndex(std::string_view phrase) {
    if (phrase.empty())
        return 4;
    struct Keyword {
        std::string_view text;
        int index;
    };
    // Fog came last, at an index of its own after the failure image; 霧雨 (drizzle) is rain and
    // is listed first, so that it wins the tie with 霧.
    static constexpr Keyword keywords[] = {{"晴", 0},     {"雨", 2},     {"雷", 2},
                                           {"曇", 1},     {"くもり", 1}, {"雪", 3},
                                           {"みぞれ", 3}, {"霧雨", 2},   {"霧", 6}};
    std::size_t best = phrase.size() + 1;
    int result = 4;
    for (const Keyword& k : keywords) {
        const std::size_t p = phrase.find(k.text);
        if (p != std::string_view::npos && p < best) {
            best = p;
            result = k.index;
        }
    }
    return result;
}

std::string NumberText(std::int32_t value, std::string_view missing) {
    if (value == NoValue)
        return std::string(missing);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%2d", value);
    return buffer;
}

std::string NowHintLine(const TWeatherData& weather, std::int64_t now) {
    if (!IsCurrentObservation(weather.Now, now))
        return {};
    char temperature[32] = "--";
    if (weather.Now.Temp)
        std::snprintf(temperature, sizeof temperature, "%.1f", *weather.Now.Temp);
    return std::string("現在 ") + temperature + "℃ (" + weather.Now.Station + " " +
           weather.Now.Time.substr(11, 5) + ")";
}

std::string WarningsHintLine(const TWeatherData& weather, const std::string& place) {
    // Unknown is said, so that a reader of the tooltip alone never takes it for none.
    if (!weather.WarningsKnown)
        return weather.WarningsNote.empty() ? std::string() : std::string(kWarningsUnknownHint);
    if (weather.Warnings.empty())
        return {};
    std::string names;
    for (const TWarning& w : weather.Warnings)
        names += (names.empty() ? "" : "・") + w.Name;
    std::string line = (place.empty() ? "" : place + ": ") + names;
    if (!weather.WarningsNote.empty())
        line += " (" + weather.WarningsNote + ")";
    return line;
}

std::optional<TWarningLevel> TrayWarningMark(const TWeatherData& weather) {
    if (!weather.WarningsKnown)
        return std::nullopt;
    std::optional<TWarningLevel> level;
    for (const TWarning& w : weather.Warnings)
        if (w.Level >= TWarningLevel::Warning && (!level || w.Level > *level))
            level = w.Level;
    return level;
}

std::string FailedRefreshNote(const TShownForecast& shown, std::int64_t now) {
    std::string note = "更新に失敗しました";
    if (shown.FetchedAt <= 0)
        return note;
    const platform::LocalDateTime at = platform::ToLocalDateTime(shown.FetchedAt);
    const platform::LocalDateTime today = platform::ToLocalDateTime(now);
    char when[64];
    if (at.Year == today.Year && at.Month == today.Month && at.Day == today.Day)
        std::snprintf(when, sizeof when, "%d時%02d分", at.Hour, at.Minute);
    else
        std::snprintf(when, sizeof when, "%d月%d日 %d時%02d分", at.Month, at.Day, at.Hour,
                      at.Minute);
    return note + " (" + when + " 取得の予報)";
}

TBalloon WarningsBalloon(std::string_view place, const std::vector<TWarning>& announced) {
    const TWarningBalloon kind = WarningBalloonOf(announced);
    return {kind.Title, WarningNoticeText(place, announced), kind.Icon, 15000, true};
}

TBalloon JoinBalloons(const TBalloon& shown, const TBalloon& next) {
    TBalloon joined = shown;
    joined.Text += "\r\n\r\n" + (next.Title.empty() ? next.Text : next.Title + "\r\n" + next.Text);
    joined.Icon = std::max(shown.Icon, next.Icon);
    joined.Milliseconds = std::max(shown.Milliseconds, next.Milliseconds);
    return joined;
}

TTrayView ComposeTray(const TWeatherData& weather, const TShownForecast& shown, TTrayMode mode,
                      bool refreshing, const std::string& warningsPlace, std::int64_t now) {
    TTrayView view;
    // The hint begins with the weather now, whatever the forecast's state, and ends with what is
    // coming: rain due within the hour or falling, then the warnings in force, with the place.
    const std::string nowLine = NowHintLine(weather, now);
    const std::string nowFirst = nowLine.empty() ? std::string() : nowLine + "\r\n";
    const bool nowImage = mode == TTrayMode::NowTemperature && !nowLine.empty() && weather.Now.Temp;
    std::string tail;
    for (const std::string& line :
         {RainHintLine(weather, now), WarningsHintLine(weather, warningsPlace)})
        if (!line.empty())
            tail += "\r\n" + line;
    const auto withTail = [&](std::string hint) { return hint + tail; };
    if (!HoldsForecast(weather)) {
        // Nothing to show: the failure only once a refresh has failed and none runs.
        if (shown.LastFailed && !refreshing) {
            view.Icon = nowImage ? TrayNowTemperatureIcon : TrayFailureIcon;
            view.Hint = withTail(nowFirst + "データ取得に失敗");
        } else if (!nowLine.empty()) {
            view.Icon = nowImage ? TrayNowTemperatureIcon : TrayApplicationIcon;
            view.Hint = withTail(refreshing ? nowFirst + "接続しています" : nowLine);
        } else {
            view.Icon = TrayApplicationIcon;
            view.Hint = withTail(refreshing ? "Pelumi\r\n接続しています" : "Pelumi");
        }
        return view;
    }
    // The place first: the hint and the balloon name what they tell of.
    const std::string place =
        weather.LocationName.empty() ? std::string() : weather.LocationName + "\r\n";
    const std::string placeTitle =
        weather.LocationName.empty() ? std::string() : weather.LocationName + " ";
    // The clock reads the source's zone (Japan's under the agency): its hour picks the slot.
    const platform::LocalDateTime local = platform::ToLocalDateTime(now);
    std::string hint;
    TBalloon balloon;
    // An old forecast says so before anything it tells.
    const TDateTime moment = ClockMoment(local);
    const std::string age =
        IsOldForecast(weather, moment) ? ReportAgeText(weather, moment) + "\r\n" : std::string();
    if (mode == TTrayMode::Today || mode == TTrayMode::Tomorrow) {
        const std::size_t d = mode == TTrayMode::Today ? 0 : 1;
        view.Icon = WeatherIconIndex(weather.DayWeather[d]);
        // Today's probability is of the hours still to come.
        const std::size_t firstBand = d == 0 ? static_cast<std::size_t>(local.Hour / 6) : 0;
        const std::string line = DayLine(weather, d, firstBand);
        hint = place + age + line;
        balloon.Title = placeTitle + FormatDayText(weather.DayDate[d]) + "の天気予報";
        balloon.Text = line;
    } else {
        // The first period not yet ended that the forecast tells, as the widget's row begins,
        // named by its hours: a source may label it by its end ("12時" from 9 to 12 o'clock).
        // Only the observation's line says 現在, so that two present values never disagree.
        const int first = FirstShownPointSlot(weather, local.Hour);
        const std::size_t s = static_cast<std::size_t>(first >= 0 ? first : local.Hour / 3);
        const std::size_t q = s / 2;
        view.Icon = WeatherIconIndex(weather.PointWeather[s]);
        const std::string hours =
            std::to_string(3 * (s % 8)) + "-" + std::to_string(3 * (s % 8) + 3) + "時";
        const std::string& phrase = weather.PointWeather[s];
        const std::string rest = (phrase.empty() ? "--" : phrase) + " " +
                                 Degrees(weather.PointTemp[s]) + " 降水 " +
                                 Percent(weather.DayProb[q]);
        hint = place + age + hours + " " + rest;
        balloon.Title = placeTitle + "現在の天気 (" + hours + ")";
        balloon.Text = rest;
    }
    if (!weather.PointSource.empty())
        hint += "\r\n3時間ごとの予報: " + weather.PointSource;
    if (nowImage)
        view.Icon = TrayNowTemperatureIcon;
    view.Hint = withTail(nowFirst +
                         (shown.LastFailed ? FailedRefreshNote(shown, now) + "\r\n" + hint : hint));
    view.Balloon = std::move(balloon);
    return view;
}
