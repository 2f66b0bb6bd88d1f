#pragma once

#include "platform/Clock.h"
#include "weather/DateTime.h"
#include "weather/WeatherData.h"

#include <string>

// What a forecast record tells at a moment of the source's clock: where its three-hourly row
// begins, and whether it is old.

// A wall-clock time as a day count with the time of day as its fraction.
TDateTime ClockMoment(const platform::LocalDateTime& time);

// The point slot a three-hourly row begins with at `hour` o'clock (0-23, the source's clock):
// the slot that holds the hour when the record tells it, else the first later slot it tells (a
// new series begins after the period under way). -1 when no slot from there on is told. A slot
// is told when it has a date, a text or a temperature.
int FirstShownPointSlot(const TWeatherData& record, int hour);

// The record's next report is overdue at `now` (the source's clock, see ClockMoment): the
// agency's next regular report after its report time (05, 11 and 17 o'clock: six hours later by
// day, twelve overnight) is due, or it is from a day before yesterday. False without a report
// time (sources that tell none) or one that cannot be read.
bool IsOldForecast(const TWeatherData& record, TDateTime now);

// The report time and its age at `now`, for an old forecast: "12月9日 17時 発表 (2日前)",
// "5時 発表 (12時間前)" (minutes only when the report has them: "10時38分"). Empty without a
// readable report time.
std::string ReportAgeText(const TWeatherData& record, TDateTime now);
