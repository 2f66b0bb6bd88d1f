#pragma once

#include "weather/WeatherData.h"

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>
#include <string_view>

// The forecast record as JSON: one object whose members are the record's fields by name
// ("PointDate", ..., "Information"; arrays in slot order, dates as day counts, missing integers
// 2147483647, texts as strings), then "Warnings" (null when unknown, else a list of
// {"code", "name", "status", "level"} with level advisory, warning, danger or emergency),
// "WarningsTime" and "WarningsNote", then the agency's own words ("DayText", "DayWind", "DayWave",
// "WeekReliability" as text arrays, "WeekMinTempRange" and "WeekMaxTempRange" as seven
// [lower, upper] pairs, "WeekNormalMinTemp" and "WeekNormalMaxTemp" as numbers or null,
// "Overview", "OverviewHeadline", "OverviewTime"), "ReportTime", then the rain of the next hour:
// "RainTime", "Rain" (one class 0-8 a frame, null for an unknown one; null as a whole when
// unknown), "RainStartsIn" and "RainEndsIn" (minutes or null; on reading they are computed from
// the frames) and "RainStep" (minutes between frames, null without rain fields). forecast-dump
// prints it, skin-render and the
// widget's cache of the last good forecast read it back.

// The record as that object, one member a line. With `ok`, an "ok" member comes first (the
// load's result, for people reading a dump).
std::string WriteRecordJson(const TWeatherData& record, std::optional<bool> ok = std::nullopt);

// Reads such an object into `record`. "ok" and unknown members are ignored; a field that is
// absent stays as it is in `record`. Strict JSON: on any syntax error, a wrong type or a wrong
// array length, a date outside the calendar (years 1 to 9999) or nesting deeper than a record
// needs, returns false with a message in `error` (the record may then be partly filled).
bool ReadRecordJson(std::string_view text, TWeatherData& record, std::string& error);
// The same for a document already parsed.
bool ReadRecordJsonValue(const nlohmann::json& document, TWeatherData& record, std::string& error);
