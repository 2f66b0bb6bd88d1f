#pragma once

#include "weather/WeatherData.h"

#include <string>
#include <string_view>

// Reads a forecast record printed by forecast-dump: one JSON object whose members are the
// record's fields by name ("PointDate", ..., "Information"; arrays in slot order, dates as day
// counts, missing integers 2147483647, texts as strings). "ok" and unknown members are ignored;
// a field that is absent stays as it is in `record`. Strict JSON: on any syntax error, a wrong
// type or a wrong array length, returns false with a message in `error` (the record may then
// be partly filled).
bool ReadRecordJson(std::string_view text, TWeatherData& record, std::string& error);
