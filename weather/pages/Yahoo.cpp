// The Yahoo source: the point page (point and weekly tables) and the today/tomorrow page.
#include "platform/Clock.h"
#include "platform/Convert.h"
#include "weather/HttpClient.h"
#include "weather/WeatherData.h"
#include "weather/pages/CutText.h"

#include <string>
#include <string_view>

using platform::StrToIntDef;
using platform::Trim;

namespace {

constexpr std::string_view kAltStart = "alt=\"";
constexpr std::string_view kAltEnd = "\">";

int IntOf(std::string_view text) {
    return StrToIntDef(text, NoValue);
}

std::string_view NextCell(std::string_view& page) {
    return CutText(page, "<td", "</td>", "");
}

bool FindLabel(std::string_view& page, std::string_view start, std::string_view end) {
    return CutText(page, start, end, NoDataMarker) != NoDataMarker;
}

// The hour, weather and temperature rows of one day's point table.
void ReadPointRows(TWeatherData& w, std::string_view& page, int firstSlot) {
    if (FindLabel(page, "<small>時間", "</small>")) {
        for (int s = firstSlot; s < firstSlot + 8; ++s) {
            std::string_view cell = NextCell(page);
            std::string_view t = CutText(cell, "<small>", "</small>", "");
            t = CutText(t, ">", "<", t);
            t = CutText(t, "", "時", t);
            w.PointHour[s] = IntOf(t);
        }
    }
    if (FindLabel(page, "<small>天気", "</small>")) {
        for (int s = firstSlot; s < firstSlot + 8; ++s) {
            std::string_view cell = NextCell(page);
            w.PointWeather[s] = CutText(cell, kAltStart, kAltEnd, "");
        }
    }
    if (FindLabel(page, "<small>気温（℃）", "</small>")) {
        for (int s = firstSlot; s < firstSlot + 8; ++s) {
            std::string_view cell = NextCell(page);
            std::string_view t = CutText(cell, "<small>", "</small>", "");
            w.PointTemp[s] = IntOf(CutText(t, ">", "<", t));
        }
    }
}

void ReadWeekRows(TWeatherData& w, std::string_view& page) {
    if (FindLabel(page, "<small>日付", "</small>")) {
        for (int k = 1; k <= 6; ++k)
            NextCell(page); // the dates follow from the page's today
    }
    if (FindLabel(page, "<small>天気", "</small>")) {
        for (int k = 1; k <= 6; ++k) {
            std::string_view cell = NextCell(page);
            w.WeekWeather[k] = CutText(cell, "<small>", "</small>", "");
        }
    }
    if (FindLabel(page, "<small>気温（℃）", "</small>")) {
        for (int k = 1; k <= 6; ++k) {
            std::string_view cell = NextCell(page);
            w.WeekMaxTemp[k] = IntOf(CutText(cell, "<font color=\"#ff3300\">", "</font>", ""));
            w.WeekMinTemp[k] = IntOf(CutText(cell, "<font color=\"#0066ff\">", "</font>", ""));
        }
    }
    if (FindLabel(page, "<small>降水", "確率（％）</small>")) {
        for (int k = 1; k <= 6; ++k) {
            std::string_view cell = NextCell(page);
            w.WeekProb[k] = IntOf(CutText(cell, "<small>", "</small>", ""));
        }
    }
}

// One day's summary block; day 0 also fixes the page date.
void ReadDay(TWeatherData& w, std::string_view& page, int day, const platform::LocalDateTime& clock,
             TDateTime& pageDate) {
    const std::string_view month = CutText(page, "<p class=\"date\">", "月", "");
    const std::string_view dayText = CutText(page, "", "日", "");
    if (day == 0) {
        pageDate = PageDateFromMonthDay(clock, month, dayText);
        w.DayDate[0] = pageDate;
    } else {
        w.DayDate[1] = pageDate + 1;
    }
    std::string_view pict = CutText(page, "<p class=\"pict\">", "</p>", "");
    w.DayWeather[day] = CutText(pict, kAltStart, kAltEnd, "");
    std::string_view temp = CutText(page, "<ul class=\"temp\"", "</ul>", "");
    w.DayMaxTemp[day] = IntOf(Trim(CutText(temp, "<li class=\"high\"><em>", "</em>", "")));
    w.DayMinTemp[day] = IntOf(Trim(CutText(temp, "<li class=\"low\"><em>", "</em>", "")));
    std::string_view row = CutText(page, "<tr class=\"precip\"", "</tr>", "");
    const int first = 4 * day;
    for (int b = first; b < first + 4; ++b) {
        std::string_view v = CutText(row, "<td>", "</td>", "");
        if (day == 0)
            v = Trim(v); // only today's cells are trimmed
        v = CutText(v, "", "％", v);
        w.DayProb[b] = IntOf(v);
        if (w.DayProb[b] == NoValue && b > 0)
            w.DayProb[b] = w.DayProb[b - 1];
    }
}

} // namespace

bool TWeatherData::ParseYahooPoint(THttpClient& client, const std::string& url1) {
    const std::string pageText = GetPage(client, url1);
    if (pageText.empty())
        return false;
    std::string_view page = pageText;
    const platform::LocalDateTime clock = platform::LocalNow();
    TDateTime pageDate = 0.0;

    LocationName = CutText(page, "<title>", "の天気", "");
    if (FindLabel(page, "<h2 class=\"yjMt\">ピンポイント天気", "</h2>"))
        UpdateInfo = Trim(CutText(page, "日　", "発表</p>", ""));
    if (FindLabel(page, "<h3>", "今日の天気")) {
        const std::string_view month = CutText(page, "<span class=\"yjSt\"> -", "月", "");
        const std::string_view day = CutText(page, "", "日", "");
        pageDate = PageDateFromMonthDay(clock, month, day);
        for (int s = 0; s < 8; ++s)
            PointDate[s] = pageDate;
        ReadPointRows(*this, page, 0);
    }
    if (FindLabel(page, "<h3>", "明日の天気")) {
        CutText(page, "<span class=\"yjSt\"> -", "月", "");
        CutText(page, "", "日", "");
        for (int s = 8; s < 16; ++s)
            PointDate[s] = pageDate + 1;
        ReadPointRows(*this, page, 8);
    }
    if (FindLabel(page, "<!---週間の天気", "--->")) {
        for (int k = 0; k < 7; ++k)
            WeekDate[k] = pageDate + k + 1;
        ReadWeekRows(*this, page);
    }
    return true;
}

bool TWeatherData::ParseYahooDays(THttpClient& client, const std::string& url2) {
    const std::string pageText = GetPage(client, url2);
    if (pageText.empty())
        return false;
    std::string_view page = pageText;
    if (FindLabel(page, "<!---今日・明日の天気---", ">")) {
        const platform::LocalDateTime clock = platform::LocalNow();
        TDateTime pageDate = 0.0;
        ReadDay(*this, page, 0, clock, pageDate);
        ReadDay(*this, page, 1, clock, pageDate);
    }
    FillWeekFromTomorrow();
    return true;
}

bool TWeatherData::LoadYahoo(THttpClient& client, const std::string& url1,
                             const std::string& url2) {
    bool ok = ParseYahooPoint(client, url1);
    if (ok)
        ok = ParseYahooDays(client, url2);
    if (!ok)
        Clear();
    return ok;
}
