#include "weather/WeatherData.h"

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
    ClearWarnings();
}

void TWeatherData::ClearWarnings() {
    WarningsKnown = false;
    Warnings.clear();
    WarningsTime.clear();
    WarningsNote.clear();
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
