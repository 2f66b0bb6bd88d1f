#pragma once

#include "weather/DateTime.h"
#include "weather/WeatherData.h"

#include <optional>
#include <string_view>

// The agency's three-hourly series of a class10 area (地域時系列予報,
// jmatile/data/wdist/VPFD/{class10}.json) into the record's point slots. Slot 8d + k of today
// (`today`, Japan's date by the clock) + d holds the period that ends at PointHour = 3k + 3
// o'clock: the area's weather of that three-hour period and the point's temperature at its end,
// the two series matched by their times. A slot the series does not cover stays empty; a
// weather text no table knows leaves the slot's text empty (the skins' unknown image) and is
// logged once. False, with the record untouched, when the answer is not the class10's series.
bool FillFromJmaSeries(TWeatherData& record, std::string_view answer, std::string_view class10,
                       TDateTime today);

// The skins' word for one of the series' weather texts ("くもり" gives "曇"); nothing for a
// text the table does not know.
std::optional<std::string_view> JmaSeriesWeatherText(std::string_view agencyText);
