#pragma once

#include <string>
#include <string_view>

// The agency's forecast answers (forecast/data/forecast/{office}.json) for the offices of its
// real constants, in the layouts of its regular reports, dated to one "today" in Japan's time,
// with weather that varies by area and day and is the same on every request.
class TSampleJma {
public:
    // `areaJson` and `forecastAreaJson`: the agency's area.json and forecast_area.json.
    TSampleJma(std::string_view areaJson, std::string_view forecastAreaJson, int year, int month,
               int day);

    // The answer for an office at `hour` o'clock (0-23) of today: the 05 o'clock report from
    // 5 to 10, the 11 o'clock one from 11 to 16, the 17 o'clock one from 17 on, and before 5
    // the 17 o'clock report of the day before. Empty for an office the constants do not list.
    std::string Forecast(std::string_view office, int hour) const;
};
