#pragma once

#include "weather/DateTime.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

#include <optional>
#include <string>
#include <string_view>

// A time of the agency's answers ("2026-03-12T05:00:00+09:00"; any zone, none is Japan's; see
// ZonedTimeSeconds) as Japan's date and wall-clock time. Nothing for a text that is not one.
struct TJmaStamp {
    TDateTime Date;
    int Hour;
    int Minute;
};
std::optional<TJmaStamp> ParseJmaStamp(std::string_view text);

// The agency's long texts (weathers, winds, waves) as the record holds them: every run of spaces,
// full-width or not (line breaks and tabs too), one full-width space, and none at either end.
std::string JmaWords(std::string_view text);

// Fills a cleared record from the agency's forecast answer (forecast/data/forecast/{office}.json)
// for the place's class10 and station: the day texts, the six-hour bands, the temperatures and
// the week. The point slots are left alone (the answer has none). `today` is Japan's date by the
// clock: 今日 is that date and 明日 the next, each filled from whatever the answer tells of it,
// the short-term part first (it is never older than the weekly part), the weekly part for what
// the short-term part lacks (temperatures, and its day's probability in every band when the
// bands are empty). A week slot is today + k + 1, with the short-term part's figures on a day
// both parts tell. `now` is Japan's clock (a day count whose fraction is the time of day): its
// date is today, and a band of today that has ended by it is left empty, so an answer read
// again hours or a day later (yesterday evening's, whose 明日 is today) tells what is still to
// come. `LocationName` becomes `locationName`, `UpdateInfo` the report time ("11時00分 発表";
// "前日17時00分 発表" for a report of the day before; "3月12日 05時00分 発表" for an older one),
// `ReportTime` the same as "YYYY-MM-DDTHH:MM". The agency's own words come as the day's weather
// and the week do: DayText, DayWind and DayWave from the short-term part's weathers, winds and
// waves of the date (empty on a day it does not tell), WeekReliability and the week's ranges from
// the weekly part by date, and the normals of the weekly station from tempAverage. A value that is
// missing, empty or of the wrong type stays in its no-data state. False, with the record cleared,
// when the answer is not a forecast, lacks the place's class10 or tells nothing of today.
bool FillFromJma(TWeatherData& record, std::string_view answer, const TJmaPlace& place,
                 std::string_view locationName, TDateTime now);
