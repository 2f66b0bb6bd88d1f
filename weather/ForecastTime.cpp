#include "weather/ForecastTime.h"

#include "platform/Convert.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// The agency's regular reports: 05, 11 and 17 o'clock.
constexpr int kReportHours[] = {5, 11, 17};

struct TReport {
    TDateTime Date;
    int Hour;
    int Minute;
};

// The record's ReportTime ("YYYY-MM-DDTHH:MM").
std::optional<TReport> ReportOf(const TWeatherData& record) {
    const std::string& text = record.ReportTime;
    int y = 0, m = 0, d = 0, h = 0, minute = 0;
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || !platform::ReadDigits(text, 0, 4, y) ||
        !platform::ReadDigits(text, 5, 2, m) || !platform::ReadDigits(text, 8, 2, d) ||
        !platform::ReadDigits(text, 11, 2, h) || !platform::ReadDigits(text, 14, 2, minute) ||
        h > 23 || minute > 59)
        return std::nullopt;
    try {
        return TReport{EncodeDate(y, m, d), h, minute};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool Told(const TWeatherData& w, int s) {
    return w.PointDate[s] != 0.0 || !w.PointWeather[s].empty() || w.PointTemp[s] != NoValue;
}

} // namespace

TDateTime ClockMoment(const platform::LocalDateTime& time) {
    try {
        return EncodeDate(time.Year, time.Month, time.Day) +
               (time.Hour * 3600 + time.Minute * 60 + time.Second) / 86400.0;
    } catch (const std::exception&) {
        return 0.0;
    }
}

int FirstShownPointSlot(const TWeatherData& record, int hour) {
    const int now = hour < 0 ? 0 : (hour > 23 ? 7 : hour / 3);
    for (int s = now; s < 16; ++s)
        if (Told(record, s))
            return s;
    return -1;
}

bool IsOldForecast(const TWeatherData& record, TDateTime now) {
    const auto report = ReportOf(record);
    if (!report || !std::isfinite(now))
        return false;
    // The next regular report after this one: later the same day, else 05:00 the next.
    const int minutes = report->Hour * 60 + report->Minute;
    TDateTime next = report->Date + 1 + kReportHours[0] / 24.0;
    for (const int hour : kReportHours)
        if (hour * 60 > minutes) {
            next = report->Date + hour / 24.0;
            break;
        }
    // Half a second of leeway: the clock's fraction of a day is not exact.
    return now > next + 0.5 / 86400.0 || DateOf(now) - report->Date >= 2.0;
}

std::string ReportAgeText(const TWeatherData& record, TDateTime now) {
    const auto report = ReportOf(record);
    if (!report || !std::isfinite(now))
        return {};
    char hour[32];
    if (report->Minute == 0)
        std::snprintf(hour, sizeof hour, "%d時", report->Hour);
    else
        std::snprintf(hour, sizeof hour, "%d時%02d分", report->Hour, report->Minute);
    const double days = DateOf(now) - report->Date;
    char text[96];
    if (days >= 1.0) {
        const CalendarDate date = DecodeDate(report->Date);
        std::snprintf(text, sizeof text, "%d月%d日 %s 発表 (%d日前)", date.Month, date.Day, hour,
                      static_cast<int>(days));
    } else {
        const TDateTime at = report->Date + (report->Hour * 60 + report->Minute) / 1440.0;
        const int hours = std::max(0, static_cast<int>(std::floor((now - at) * 24.0 + 1e-9)));
        std::snprintf(text, sizeof text, "%s 発表 (%d時間前)", hour, hours);
    }
    return text;
}
