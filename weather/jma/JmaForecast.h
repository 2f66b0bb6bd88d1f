#pragma once

#include "weather/DateTime.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

#include <string_view>

// Fills a cleared record from the agency's forecast answer (forecast/data/forecast/{office}.json)
// for the place's class10 and station: the day texts, the six-hour bands, the temperatures and
// the week. The point slots are left alone (the agency's answer has none). `LocationName`
// becomes `locationName`, `UpdateInfo` the report time ("11時00分 発表"). The record's today is
// the report's date; `today` is the computer's date, so that a report of the day before (the
// 17 o'clock one, read after midnight) is read from its second day on rather than calling
// yesterday today. A value that is missing, empty or of the wrong type stays in its no-data
// state. False, with the record left for the caller to clear, when the answer is not a forecast
// or lacks the place's class10.
bool FillFromJma(TWeatherData& record, std::string_view answer, const TJmaPlace& place,
                 std::string_view locationName, TDateTime today);
