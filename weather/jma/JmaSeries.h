#pragma once

#include "weather/DateTime.h"
#include "weather/WeatherData.h"

#include <optional>
#include <string_view>

// The agency's three-hourly series of a class10 area (地域時系列予報,
// jmatile/data/wdist/VPFD/{class10}.json) into the record's point slots. `now` is Japan's clock
// (a day count whose fraction is the time of day); slot 8d + k of its date + d holds the period
// that ends at PointHour = 3k + 3 o'clock: the area's weather of that three-hour period and the
// point's temperature at its end, the two series matched by their times. A series begins after
// its report, so for an hour after each report it does not tell the period under way:
// `earlier`, the series the agency sent before (an older report), fills the periods that have
// not ended at `now` and begin before the new series' first (the temperature at their end from
// the new series where it has one). A slot no series covers stays empty; a weather text no table
// knows leaves the slot's text empty (the skins' unknown image) and is logged once. False, with
// the record untouched, when the answer is not the class10's series; an `earlier` that is not
// one, or is not older, counts as none.
bool FillFromJmaSeries(TWeatherData& record, std::string_view answer, std::string_view class10,
                       TDateTime now, std::string_view earlier = {});

// The skins' word for one of the series' weather texts ("くもり" gives "曇"); nothing for a
// text the table does not know.
std::optional<std::string_view> JmaSeriesWeatherText(std::string_view agencyText);
