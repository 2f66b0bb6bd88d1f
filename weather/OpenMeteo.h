#pragma once

#include "platform/Clock.h"
#include "weather/Forecast.h"
#include "weather/WeatherData.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class THttpClient;

// The live source: the forecast API and its place look-up (geocoding API). Both answer JSON;
// addresses are a prefix ("https://api.open-meteo.com/") followed by "v1/forecast?..." or
// "v1/search?...".

// Answers larger than this are refused unread: a forecast is a few tens of kilobytes.
inline constexpr std::size_t kMaxAnswerBytes = 2u * 1024u * 1024u;

// Days asked of the forecast API: today, tomorrow and the week after tomorrow up to today + 7.
inline constexpr int kForecastDays = 8;

// The forecast of a point, in the point's own time zone (hourly temperature, precipitation
// probability and weather code; daily weather code, extremes and highest probability).
std::string OpenMeteoForecastUrl(std::string_view prefix, const TCoordinates& place);

// The look-up of a municipality among the places of Japan, with Japanese names.
std::string OpenMeteoGeocodingUrl(std::string_view prefix, std::string_view municipality);

// The service's own page with the forecast of a point, for the browser.
std::string OpenMeteoWebPageUrl(const TCoordinates& place);

// What a look-up answer says about a place.
enum class TPlaceLookup {
    Found,     // Coordinates hold the place
    NotFound,  // the answer lists no such place in that prefecture
    BadAnswer, // not a look-up answer at all (not JSON, the API's error object, wrong types)
};
struct TPlaceChoice {
    TPlaceLookup Result = TPlaceLookup::BadAnswer;
    TCoordinates Coordinates;
};

// Picks the place out of a look-up answer: only a result whose admin1 is `prefecture` counts
// (府中市 lies in 東京都 and in 広島県), one named exactly `municipality` before the others, and
// otherwise the answer's order. A result without usable coordinates is passed over.
TPlaceChoice ChoosePlace(std::string_view answer, std::string_view prefecture,
                         std::string_view municipality);

// Fills a cleared record from a forecast answer. The answer's first day is the place's today.
// Point slots take the mean of their three hourly temperatures and the most significant of
// their hourly weather words; PointHour is the slot's end hour (3 ... 24). Day texts are
// composed from the day's slots (ComposeDayText), falling back to the daily weather code.
// DayProb bands take the highest hourly probability of their six hours. Week slot k is today
// + k + 1 with the daily extremes and highest probability. Temperatures are rounded to the
// nearest degree, halves away from zero. `LocationName` becomes `locationName`, `UpdateInfo`
// the time of `fetchedAt` ("10時30分 取得"). A value that is null, of the wrong type or out of
// range stays in its no-data state. False, with the record left for the caller to clear, when
// the answer is not a forecast (not JSON, too large, the API's error object, no dates).
bool FillFromOpenMeteo(TWeatherData& record, std::string_view answer, std::string_view locationName,
                       const platform::LocalDateTime& fetchedAt);

// The live source's load: the look-up when the request brings no coordinates, then the
// forecast. Any download failure or unusable answer gives Loaded = false with a cleared
// record. Throws ELocationNotFound, naming the municipality, when the look-up answers but
// lists no such place.
TForecastOutcome LoadOpenMeteo(THttpClient& client, const TForecastRequest& request);

// The status line for a place the look-up does not know.
std::string PlaceNotFoundMessage(std::string_view municipality);

// The settings file keeps found coordinates under a key made of the prefecture and the
// municipality ("東京都,府中市"); characters that would break the key are written as %XX.
std::string CoordinatesKey(std::string_view prefecture, std::string_view municipality);

// "35.66889,139.4775" and back; nothing for a text that is not two numbers in range.
std::string FormatCoordinates(const TCoordinates& place);
std::optional<TCoordinates> ParseCoordinates(std::string_view text);

// One coordinate of a settings value: a decimal number within ±limit; nothing otherwise.
std::optional<double> ParseDegrees(std::string_view text, double limit);
