// The TenkiLite source: the point page with its two table scripts, and the summary page.
#include "platform/Clock.h"
#include "platform/Convert.h"
#include "weather/HttpClient.h"
#include "weather/WeatherData.h"
#include "weather/pages/CutText.h"

#include <algorithm>
#include <string>
#include <string_view>

using platform::StrToIntDef;
using platform::Trim;

namespace {

constexpr std::string_view kScriptPath = "/component/static_api/lite/forecast_point/table/";

// Inside the scripts' string literals <, =, " and > are written as \u escapes.
constexpr std::string_view kRowStart = "\\u003ctr";
constexpr std::string_view kRowEnd = "\\u003c/tr\\u003e";
constexpr std::string_view kHourStart =
    "\\u003ctd class\\u003d\\u0022forecast_point_hour fs_m1\\u0022\\u003e";
constexpr std::string_view kHourEnd = "時\\u003c/td\\u003e";
constexpr std::string_view kWeatherStart =
    "\\u003cp class\\u003d\\u0022forecast_point_weather_telop fs_m3\\u0022\\u003e";
constexpr std::string_view kWeatherEnd = "\\u003c/p\\u003e";
constexpr std::string_view kTempStart =
    "\\u003ctd class\\u003d\\u0022forecast_point_temperature fs_m1\\u0022\\u003e";
constexpr std::string_view kTempEnd = "\\u003c/td\\u003e";
constexpr std::string_view kTagClose = "\\u003e";
constexpr std::string_view kTagOpen = "\\u003c";

constexpr std::string_view kMaxTempCell = "<td class=\"forecast_days_temperature_max_temp\">";
constexpr std::string_view kMinTempCell = "<td class=\"forecast_days_temperature_min_temp\">";
constexpr std::string_view kPrecipHeader =
    "<td class=\"forecast_days_precip_index fs_m3\">降水確率";
constexpr std::string_view kDayTelop = "<p class=\"forecast_days_weather_telop\">";

// Scheme, "://", host and port of a URL; path, query and credentials are dropped.
std::string BaseUrlOf(std::string_view url) {
    const std::size_t sep = url.find("://");
    if (sep == std::string_view::npos)
        return "://";
    std::string_view authority = url.substr(sep + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    return std::string(url.substr(0, sep)) + "://" + std::string(authority);
}

// The page names only its day; month and year come from the clock. A day after today is
// the page still showing the previous month just after the month's end.
TDateTime TenkiLitePageDate(const platform::LocalDateTime& clock, std::string_view dayText) {
    const int day = StrToIntDef(dayText, clock.Day);
    const TDateTime date = EncodeDate(clock.Year, clock.Month, day);
    if (date <= Today())
        return date;
    return clock.Month == 1 ? EncodeDate(clock.Year - 1, 12, day)
                            : EncodeDate(clock.Year, clock.Month - 1, day);
}

int IntOf(std::string_view text) {
    return StrToIntDef(text, NoValue);
}

} // namespace

namespace {

// One row of a table script; `firstSlot` is 0 for today and 8 for tomorrow.
void ReadPointRow(TWeatherData& w, std::string_view row, int firstSlot) {
    std::string_view t = Trim(CutText(row, kHourStart, kHourEnd, ""));
    t = CutText(t, kTagClose, kTagOpen, t);
    const std::int32_t hour = IntOf(t);
    if (hour == NoValue || hour < 3 || hour > 24)
        return; // header rows and hours outside the day
    const int slot = hour / 3 - 1 + firstSlot;
    w.PointHour[slot] = hour;
    std::string_view weather = CutText(row, kWeatherStart, kWeatherEnd, "");
    w.PointWeather[slot] = CutText(weather, kTagClose, kTagOpen, weather);
    w.PointTemp[slot] = IntOf(Trim(CutText(row, kTempStart, kTempEnd, "")));
}

void InitPointSlots(TWeatherData& w, int firstSlot, TDateTime date) {
    for (int i = 0; i < 8; ++i) {
        w.PointDate[firstSlot + i] = date;
        w.PointHour[firstSlot + i] = 3 * (i + 1);
        w.PointWeather[firstSlot + i].clear();
        w.PointTemp[firstSlot + i] = NoValue;
    }
}

void ReadPointRows(TWeatherData& w, std::string_view& script, int firstSlot) {
    for (;;) {
        const std::string_view row = CutText(script, kRowStart, kRowEnd, "");
        if (row.empty())
            break;
        ReadPointRow(w, row, firstSlot);
    }
}

void ReadWeekTable(TWeatherData& w, std::string_view week, TDateTime pageDate) {
    CutText(week, "<tr", "</tr>", ""); // header row
    w.WeekDate[0] = pageDate + 1;
    for (int k = 1; k <= 6; ++k) {
        std::string_view row = CutText(week, "<tr", "</tr>", "");
        std::string_view cell = CutText(row, "<td", "</td>", "");
        if (!cell.empty())
            w.WeekDate[k] = pageDate + k + 1;
        cell = CutText(row, "<td", "</td>", "");
        if (!cell.empty())
            w.WeekWeather[k] =
                Trim(CutText(cell, "<p class=\"forecast_week_weather_telop\">", "</p>", ""));
        cell = CutText(row, "<td", "</td>", "");
        if (!cell.empty()) {
            std::string_view t =
                Trim(CutText(cell, "<p class=\"forecast_week_temperature_max_temp\">", "</p>", ""));
            w.WeekMaxTemp[k] = IntOf(CutText(t, "", "℃", t));
            t = Trim(CutText(cell, "<p class=\"forecast_week_temperature_min_temp\">", "</p>", ""));
            w.WeekMinTemp[k] = IntOf(CutText(t, "", "℃", t));
        }
        cell = CutText(row, "<td", "</td>", "");
        if (!cell.empty()) {
            std::string_view t =
                Trim(CutText(cell, "<p class=\"forecast_week_precip\">", "</p>", ""));
            w.WeekProb[k] = IntOf(CutText(t, "", "%", t));
        }
    }
}

// Bands first..first+3 from the cells behind a precipitation header; a cell may cover
// several bands (colspan).
void ReadTenkiLiteBands(TWeatherData& w, std::string_view& page, int first) {
    int i = first;
    while (i < first + 4) {
        std::string_view tag = CutText(page, "<td class=\"fs_m3\"", ">", "");
        // A span below 1 has no meaning: the cell still covers its own band, so the loop
        // advances and never walks back; a huge span cannot overflow the index.
        const int span =
            std::clamp<std::int32_t>(StrToIntDef(CutText(tag, "colspan=\"", "\"", ""), 1), 1, 4);
        std::string_view v = CutText(page, "", "</td>", tag);
        v = CutText(v, ">", "<", v);
        v = CutText(v, "", "%", v);
        const std::int32_t value = IntOf(v);
        for (int j = 0; j < span && i + j < first + 4; ++j)
            w.DayProb[i + j] = value;
        i += span;
    }
}

// The figure of a temperature cell, from inside one wrapping tag when there is one; an empty
// cell leaves the field as it is.
void ReadDayTemp(std::string_view& page, std::string_view marker, std::int32_t& field) {
    std::string_view piece = CutText(page, marker, "</td>", "");
    if (!piece.empty())
        field = IntOf(CutText(piece, ">", "<", piece));
}

} // namespace

bool TWeatherData::ParseTenkiLitePoint(THttpClient& client, const std::string& url1) {
    const std::string pageText = GetPage(client, url1);
    if (pageText.empty())
        return false;
    std::string_view page = pageText;

    LocationName =
        CutText(page, "<meta property=\"og:title\" content=\"", "のピンポイント天気", "");
    const std::string baseUrl = BaseUrlOf(url1);
    const std::string stamp = std::to_string(platform::UnixSecondsNow() * 1000);

    if (CutText(page, "", "<!-- ポイント予報(今日) -->", NoDataMarker) == NoDataMarker)
        return false;
    const std::string_view scriptCode = Trim(CutText(
        page, "'<scr' + 'ipt src=\"' + '/component/static_api/lite/forecast_point/table/' + ",
        "+ '_today.js?'", ""));
    if (scriptCode.empty())
        return false;
    const std::string scriptBase = baseUrl + std::string(kScriptPath) + std::string(scriptCode);

    const std::string todayText = GetPage(client, scriptBase + "_today.js?" + stamp);
    if (todayText.empty())
        return false;
    std::string_view today = todayText;
    UpdateInfo = Trim(CutText(today, "日", "発表", ""));
    const std::string_view dayText = CutText(today, "今日\\u003cbr\\u003e", "日", "");
    const platform::LocalDateTime clock = platform::LocalNow();
    const TDateTime pageDate = TenkiLitePageDate(clock, dayText);
    InitPointSlots(*this, 0, pageDate);
    ReadPointRows(*this, today, 0);

    const std::string tomorrowText = GetPage(client, scriptBase + "_tomorrow.js?" + stamp);
    if (tomorrowText.empty())
        return false;
    std::string_view tomorrow = tomorrowText;
    CutText(tomorrow, kRowStart, kRowEnd, ""); // the first row is the header
    InitPointSlots(*this, 8, pageDate + 1);
    ReadPointRows(*this, tomorrow, 8);

    if (CutText(page, "", "<!-- 10日間天気 -->", NoDataMarker) == NoDataMarker)
        return false;
    const std::string_view week = CutText(page, "<table class=\"forecast_week\"", "</table>", "");
    if (!week.empty())
        ReadWeekTable(*this, week, pageDate);
    return true;
}

bool TWeatherData::ParseTenkiLiteDays(THttpClient& client, const std::string& url2) {
    const std::string pageText = GetPage(client, url2);
    if (pageText.empty())
        return false;
    std::string_view page = pageText;
    const platform::LocalDateTime clock = platform::LocalNow();
    TDateTime pageDate = 0.0;

    std::string_view heading =
        CutText(page, "<h4 class=\"forecast_days_public_date forecast_days_public_date_today\">",
                "</h4>", "");
    if (!heading.empty()) {
        const std::string_view month = CutText(heading, "", "月", "");
        const std::string_view day = CutText(heading, "", "日", "");
        pageDate = PageDateFromMonthDay(clock, month, day);
        DayDate[0] = pageDate;
    }
    DayWeather[0] = Trim(CutText(page, kDayTelop, "</p>", ""));
    ReadDayTemp(page, kMaxTempCell, DayMaxTemp[0]);
    ReadDayTemp(page, kMinTempCell, DayMinTemp[0]);
    if (CutText(page, kPrecipHeader, "</td>", NoDataMarker) != NoDataMarker)
        ReadTenkiLiteBands(*this, page, 0);

    heading =
        CutText(page, "<h4 class=\"forecast_days_public_date forecast_days_public_date_tomorrow\">",
                "</h4>", "");
    if (!heading.empty())
        DayDate[1] = pageDate + 1;
    DayWeather[1] = Trim(CutText(page, kDayTelop, "</p>", ""));
    ReadDayTemp(page, kMaxTempCell, DayMaxTemp[1]);
    ReadDayTemp(page, kMinTempCell, DayMinTemp[1]);
    if (CutText(page, kPrecipHeader, "</td>", NoDataMarker) != NoDataMarker)
        ReadTenkiLiteBands(*this, page, 4);

    FillWeekFromTomorrow();
    return true;
}

bool TWeatherData::LoadTenkiLite(THttpClient& client, const std::string& url1,
                                 const std::string& url2) {
    bool ok = ParseTenkiLitePoint(client, url1);
    if (ok)
        ok = ParseTenkiLiteDays(client, url2);
    if (!ok)
        Clear();
    return ok;
}
