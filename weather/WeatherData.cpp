#include "weather/WeatherData.h"

#include "platform/Convert.h"

#include <cstdio>
#include <span>

TWeatherData::TWeatherData() {
    Clear();
}

void TWeatherData::Clear() {
    PointDate.fill(0.0);
    PointHour.fill(NoValue);
    PointWeather.fill(std::string());
    PointTemp.fill(NoValue);
    WeekDate.fill(0.0);
    WeekWeather.fill(std::string());
    WeekMinTemp.fill(NoValue);
    WeekMaxTemp.fill(NoValue);
    WeekProb.fill(NoValue);
    DayDate.fill(0.0);
    DayWeather.fill(std::string());
    DayMinTemp.fill(NoValue);
    DayMaxTemp.fill(NoValue);
    DayProb.fill(NoValue);
    LocationName.clear();
    UpdateInfo.clear();
    Information.clear();
    PointSource.clear();
    Now = TObservation{};
    TodayName.clear();
    ReportTime.clear();
    ClearWarnings();
    ClearRain();
    DayText.fill(std::string());
    DayWind.fill(std::string());
    DayWave.fill(std::string());
    WeekReliability.fill(std::string());
    WeekMinTempRange.fill({NoValue, NoValue});
    WeekMaxTempRange.fill({NoValue, NoValue});
    WeekNormalMinTemp.reset();
    WeekNormalMaxTemp.reset();
    Overview.clear();
    OverviewHeadline.clear();
    OverviewTime.clear();
}

const std::string& DayWords(const TWeatherData& record, std::size_t day) {
    return record.DayText[day].empty() ? record.DayWeather[day] : record.DayText[day];
}

void TWeatherData::ClearWarnings() {
    WarningsKnown = false;
    Warnings.clear();
    WarningsTime.clear();
    WarningsNote.clear();
}

void TWeatherData::ClearRain() {
    RainStep = NoValue;
    RainTime.clear();
    Rain.clear();
    RainStartsIn = NoValue;
    RainEndsIn = NoValue;
}

namespace {

// The extremes of the values that are not NoValue; NoValue when there are none.
template <typename Range> std::int32_t MaxPresent(const Range& values) {
    std::int32_t best = NoValue;
    for (const std::int32_t v : values)
        if (v != NoValue && (best == NoValue || v > best))
            best = v;
    return best;
}

template <typename Range> std::int32_t MinPresent(const Range& values) {
    std::int32_t best = NoValue;
    for (const std::int32_t v : values)
        if (v != NoValue && (best == NoValue || v < best))
            best = v;
    return best;
}

} // namespace

void TWeatherData::FillWeekFromTomorrow() {
    const std::int32_t prob = MaxPresent(std::span(DayProb).subspan(4, 4));
    std::int32_t lo = MinPresent(std::span(PointTemp).subspan(8, 8));
    std::int32_t hi = MaxPresent(std::span(PointTemp).subspan(8, 8));
    if (lo == NoValue)
        lo = DayMinTemp[1];
    if (hi == NoValue)
        hi = DayMaxTemp[1];
    if (DateOf(DayDate[1]) == DateOf(WeekDate[0])) {
        WeekMinTemp[0] = lo;
        WeekMaxTemp[0] = hi;
        WeekProb[0] = prob;
        WeekWeather[0] = DayWeather[1];
    } else {
        WeekDate[0] = 0.0;
        WeekMinTemp[0] = NoValue;
        WeekMaxTemp[0] = NoValue;
        WeekProb[0] = NoValue;
        WeekWeather[0].clear();
    }
}

namespace {

constexpr std::int64_t kJapanOffset = 9 * 60 * 60;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

} // namespace

std::string JapanTimeText(std::int64_t unixSeconds) {
    const std::int64_t local = unixSeconds + kJapanOffset;
    const std::int64_t days = FloorDiv(local, 86400);
    const std::int64_t second = local - days * 86400;
    std::int64_t year = 0;
    int month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02dT%02d:%02d", static_cast<long long>(year),
                  month, day, static_cast<int>(second / 3600),
                  static_cast<int>(second % 3600 / 60));
    return buffer;
}

std::optional<std::int64_t> JapanTimeSeconds(std::string_view text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || !platform::ReadDigits(text, 0, 4, year) ||
        !platform::ReadDigits(text, 5, 2, month) || !platform::ReadDigits(text, 8, 2, day) ||
        !platform::ReadDigits(text, 11, 2, hour) || !platform::ReadDigits(text, 14, 2, minute))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59)
        return std::nullopt;
    std::int64_t y = 0;
    int m = 0, d = 0;
    const std::int64_t days = DaysFromCivil(year, month, day);
    CivilFromDays(days, y, m, d);
    if (m != month || d != day) // 02-30 is no day
        return std::nullopt;
    return days * 86400 + hour * 3600 + minute * 60 - kJapanOffset;
}

std::optional<std::int64_t> ZonedTimeSeconds(std::string_view text) {
    const auto wall = JapanTimeSeconds(text.substr(0, 16));
    if (!wall)
        return std::nullopt;
    std::string_view rest = text.substr(16);
    int second = 0;
    if (rest.starts_with(':')) {
        if (!platform::ReadDigits(rest, 1, 2, second) || second > 60)
            return std::nullopt;
        rest.remove_prefix(3);
        if (rest.starts_with('.')) {
            std::size_t digits = 1;
            while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
                ++digits;
            if (digits == 1)
                return std::nullopt;
            rest.remove_prefix(digits);
        }
    }
    std::int64_t offset = kJapanOffset;
    if (rest == "Z") {
        offset = 0;
    } else if (!rest.empty()) {
        int hours = 0, minutes = 0;
        if (rest.size() != 6 || (rest[0] != '+' && rest[0] != '-') || rest[3] != ':' ||
            !platform::ReadDigits(rest, 1, 2, hours) ||
            !platform::ReadDigits(rest, 4, 2, minutes) || hours > 18 || minutes > 59)
            return std::nullopt;
        offset = (rest[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    }
    // JapanTimeSeconds read the wall clock as Japan's.
    return *wall + kJapanOffset - offset + second;
}

void DropImplausibleValues(TObservation& observation) {
    const auto check = [](std::optional<double>& value, TObservedRange range) {
        if (value && !(*value >= range.Low && *value <= range.High))
            value.reset();
    };
    check(observation.Temp, kObservedTemp);
    check(observation.Humidity, kObservedHumidity);
    check(observation.Wind, kObservedWind);
    check(observation.Precip1h, kObservedPrecip1h);
}

bool IsCurrentObservation(const TObservation& observation, std::int64_t unixNow) {
    const auto at = JapanTimeSeconds(observation.Time);
    return at && *at >= unixNow - kObservationMaxAge && *at <= unixNow + kObservationMaxAge;
}
