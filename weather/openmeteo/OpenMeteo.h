#pragma once

#include "platform/Clock.h"
#include "weather/Forecast.h"
#include "weather/WeatherData.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class THttpClient;

// The live source: the forecast API and its place look-up (geocoding API). Both answer JSON;
// addresses are a prefix ("https://api.open-meteo.com/") followed by "v1/forecast?..." or
// "v1/search?...".

// Days asked of the forecast API: today, tomorrow and the week after tomorrow up to today + 7.
inline constexpr int kForecastDays = 8;

// The forecast of a point (hourly temperature, precipitation probability and weather code;
// daily weather code, extremes and highest probability), its hours labelled in the computer's
// time zone (platform::LocalTimeZone, or the point's own when that cannot be told), so that
// the answer's days are those of the clock that picks today and the current slot.
std::string OpenMeteoForecastUrl(std::string_view prefix, const TCoordinates& place);

// The look-up of a municipality among the places of Japan, with Japanese names.
std::string OpenMeteoGeocodingUrl(std::string_view prefix, std::string_view municipality);

// The look-up of any place on earth by what a person typed, with Japanese names, at most 10.
std::string OpenMeteoSearchUrl(std::string_view prefix, std::string_view text);

// One place of a look-up answer, as the location dialog lists it.
struct TGeocodedPlace {
    std::string Name;    // "パリ"
    std::string Country; // "フランス"; may be empty
    std::string Admin1;  // "イル＝ド＝フランス地域圏"; may be empty
    TCoordinates Coordinates;
    bool operator==(const TGeocodedPlace&) const = default;
};
// The places of a look-up answer in its order (none when it lists none); a result without a
// name or usable coordinates is passed over. Nothing when the answer is not a look-up answer.
std::optional<std::vector<TGeocodedPlace>> ReadGeocodedPlaces(std::string_view answer);

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

// How a result's name must match the name asked for.
enum class TNameMatch {
    PreferExact, // a result of that name before the others, else the answer's first
    ExactOnly,   // only a result of that name
};

// Picks the place out of a look-up answer: only a result whose admin1 is `prefecture` counts
// (府中市 lies in 東京都 and in 広島県), and among them as `match` says. A result without usable
// coordinates is passed over.
TPlaceChoice ChoosePlace(std::string_view answer, std::string_view prefecture,
                         std::string_view municipality, TNameMatch match = TNameMatch::PreferExact);

// The name asked for when the municipality's own finds nothing in its prefecture: the name
// less its last 市, 区, 町 or 村 ("仙台市" gives "仙台"); empty when it ends in none of them or
// fewer than two characters would remain (the index answers nothing for one).
std::string ShortPlaceName(std::string_view municipality);

// Fills a cleared record from a forecast answer. The answer's first day is today. A value
// stamped h o'clock is that of the hour before it (the API documents its precipitation
// probability so), so day d's hours end at 1 ... 24 o'clock and its 24 o'clock is stamped
// 00:00 of day d + 1. Point slot k of a day takes the hours ending at 3k+1 ... 3k+3 o'clock:
// the most significant of their weather words, and the temperature at its labelled hour
// PointHour = 3k+3 (3 ... 24). Day texts are composed from the day's slots (ComposeDayText),
// falling back to the daily weather code. DayProb band b takes the highest probability of the
// hours ending at 6b+1 ... 6b+6 o'clock. Week slot k is today + k + 1 with the daily extremes
// and highest probability. Temperatures are rounded to the nearest degree, halves away from
// zero. `LocationName` becomes `locationName`, `UpdateInfo` the time of `fetchedAt`
// ("10時30分 取得"). A value that is null, of the wrong type or out of range stays in its
// no-data state. False, with the record untouched, when the answer is not a forecast (not
// JSON, too large, the API's error object, no dates) or holds no value at all.
bool FillFromOpenMeteo(TWeatherData& record, std::string_view answer, std::string_view locationName,
                       const platform::LocalDateTime& fetchedAt);
// The same, fetched at `fetchedAt` seconds since 1970: the 取得 time is told in the answer's own
// zone (its utc_offset_seconds, the place's), as its hours are; in the clock's zone when the
// answer does not say.
bool FillFromOpenMeteo(TWeatherData& record, std::string_view answer, std::string_view locationName,
                       std::int64_t fetchedAt);

// The place of the request by the look-up: its municipality's name, then, when no result lies
// in its prefecture, the shorter name (ShortPlaceName), of which only an exact result counts.
// BadAnswer when a look-up cannot be downloaded or read; NotFound without asking for an empty
// name.
TPlaceChoice LookUpPlace(THttpClient& client, const TForecastRequest& request);

// The live source's load at the request's coordinates (found by the caller). Any download
// failure or unusable answer, or a request without coordinates, gives Loaded = false with a
// cleared record.
TForecastOutcome LoadOpenMeteo(THttpClient& client, const TForecastRequest& request);

// The settings file keeps found coordinates under a key made of the prefecture and the
// municipality ("東京都,府中市"); characters that would break the key are written as %XX.
std::string CoordinatesKey(std::string_view prefecture, std::string_view municipality);

// "35.66889,139.4775" and back; nothing for a text that is not two numbers in range.
std::string FormatCoordinates(const TCoordinates& place);
std::optional<TCoordinates> ParseCoordinates(std::string_view text);

// One coordinate of a settings value: a decimal number within ±limit; nothing otherwise.
std::optional<double> ParseDegrees(std::string_view text, double limit);

// The weather now at a point: the current block (temperature, humidity, precipitation, wind),
// wind in m/s, times in Japan's time.
std::string OpenMeteoCurrentUrl(std::string_view prefix, const TCoordinates& place);

// The current block of such an answer as an observation of the station "Open-Meteo"; nothing
// when the answer has no current block with a time. A value that is null, of the wrong type
// or out of range (DropImplausibleValues) is nothing.
std::optional<TObservation> ReadOpenMeteoCurrent(std::string_view answer);
