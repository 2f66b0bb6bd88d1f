// The live source: place look-up and forecast answers (JSON) into the record.
#include "weather/openmeteo/OpenMeteo.h"

#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/TimeZone.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"
#include "weather/openmeteo/WeatherWords.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <utility>

using json = nlohmann::json;

namespace {

// Our answers nest four deep; anything deeper is dropped while parsing, so a hostile answer of
// nested brackets cannot build a huge tree.
constexpr int kMaxDepth = 8;

// Beyond any temperature on earth: such a value is a fault of the answer.
constexpr double kMaxDegrees = 150.0;

constexpr std::string_view kHourly = "temperature_2m,precipitation_probability,weather_code";
constexpr std::string_view kDaily =
    "weather_code,temperature_2m_max,temperature_2m_min,precipitation_probability_max";

// The parsed answer, or a discarded value when it is not JSON or too large. Never throws.
json ParseAnswer(std::string_view text) {
    return ParseJsonAnswer(text, kMaxAnswerBytes, kMaxDepth);
}

const json* Member(const json* object, const char* key) {
    return JsonMember(object, key);
}

const json* Element(const json* array, int index) {
    return index < 0 ? nullptr : JsonElement(array, static_cast<std::size_t>(index));
}

std::optional<double> Number(const json* value) {
    if (value == nullptr || !value->is_number())
        return std::nullopt;
    const double v = value->get<double>();
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::string_view> Text(const json* value) {
    if (value == nullptr || !value->is_string())
        return std::nullopt;
    return std::string_view(value->get_ref<const std::string&>());
}

// Halves away from zero.
std::optional<std::int32_t> Rounded(std::optional<double> value, double low, double high) {
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return static_cast<std::int32_t>(std::lround(*value));
}

std::int32_t OrNoValue(std::optional<std::int32_t> value) {
    return value ? *value : NoValue;
}

// "YYYY-MM-DD" and "YYYY-MM-DDTHH:MM": the whole-day date and the hour (0 for a day).
struct Stamp {
    TDateTime date;
    int hour;
};

std::optional<Stamp> ParseStamp(const json* value, bool withHour) {
    const auto text = Text(value);
    if (!text || text->size() != (withHour ? 16u : 10u) || (*text)[4] != '-' || (*text)[7] != '-')
        return std::nullopt;
    int y = 0, m = 0, d = 0, h = 0, minute = 0;
    if (!platform::ReadDigits(*text, 0, 4, y) || !platform::ReadDigits(*text, 5, 2, m) ||
        !platform::ReadDigits(*text, 8, 2, d))
        return std::nullopt;
    if (withHour &&
        ((*text)[10] != 'T' || (*text)[13] != ':' || !platform::ReadDigits(*text, 11, 2, h) ||
         !platform::ReadDigits(*text, 14, 2, minute) || h > 23 || minute > 59))
        return std::nullopt;
    try {
        return Stamp{EncodeDate(y, m, d), h};
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

std::string Degrees(double value) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, result.ptr);
}

std::string Escaped(unsigned char c) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%%%02X", c);
    return buf;
}

// A query value: everything but the unreserved characters as %XX of its UTF-8 bytes.
std::string UrlEncode(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                                c == '~';
        out += unreserved ? std::string(1, ch) : Escaped(c);
    }
    return out;
}

// A name inside a settings key: what the INI dialect would cut, trim or split becomes %XX.
std::string KeyPart(std::string_view text) {
    constexpr std::string_view breaking = "%,=[];\"'";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out += c <= 0x20 || c == 0x7F || breaking.find(ch) != std::string_view::npos
                   ? Escaped(c)
                   : std::string(1, ch);
    }
    return out;
}

// True when the record holds any figure or weather text besides its dates.
bool HasForecastValue(const TWeatherData& w) {
    const auto anyNumber = [](const auto& values) {
        return std::any_of(values.begin(), values.end(),
                           [](std::int32_t v) { return v != NoValue; });
    };
    const auto anyText = [](const auto& texts) {
        return std::any_of(texts.begin(), texts.end(),
                           [](const std::string& t) { return !t.empty(); });
    };
    return anyNumber(w.PointTemp) || anyNumber(w.DayMinTemp) || anyNumber(w.DayMaxTemp) ||
           anyNumber(w.DayProb) || anyNumber(w.WeekMinTemp) || anyNumber(w.WeekMaxTemp) ||
           anyNumber(w.WeekProb) || anyText(w.PointWeather) || anyText(w.DayWeather) ||
           anyText(w.WeekWeather);
}

} // namespace

std::string OpenMeteoForecastUrl(std::string_view prefix, const TCoordinates& place) {
    return std::string(prefix) + "v1/forecast?latitude=" + Degrees(place.Latitude) +
           "&longitude=" + Degrees(place.Longitude) + "&hourly=" + std::string(kHourly) +
           "&daily=" + std::string(kDaily) + "&timezone=" + UrlEncode(platform::LocalTimeZone()) +
           "&forecast_days=" + std::to_string(kForecastDays);
}

std::string OpenMeteoGeocodingUrl(std::string_view prefix, std::string_view municipality) {
    return std::string(prefix) + "v1/search?name=" + UrlEncode(municipality) +
           "&count=100&language=ja&countryCode=JP&format=json";
}

std::string OpenMeteoSearchUrl(std::string_view prefix, std::string_view text) {
    return std::string(prefix) + "v1/search?name=" + UrlEncode(text) +
           "&count=10&language=ja&format=json";
}

std::optional<std::vector<TGeocodedPlace>> ReadGeocodedPlaces(std::string_view answer) {
    const json doc = ParseAnswer(answer);
    if (!doc.is_object())
        return std::nullopt;
    if (const json* error = Member(&doc, "error"); error && *error != json(false))
        return std::nullopt;
    std::vector<TGeocodedPlace> places;
    const json* results = Member(&doc, "results");
    // The API leaves out an empty list.
    if (results == nullptr)
        return places;
    if (!results->is_array())
        return std::nullopt;
    for (const json& result : *results) {
        const auto name = Text(Member(&result, "name"));
        const auto lat = Number(Member(&result, "latitude"));
        const auto lon = Number(Member(&result, "longitude"));
        if (!name || name->empty() || !lat || !lon || std::fabs(*lat) > 90.0 ||
            std::fabs(*lon) > 180.0)
            continue;
        places.push_back({std::string(*name),
                          std::string(Text(Member(&result, "country")).value_or("")),
                          std::string(Text(Member(&result, "admin1")).value_or("")),
                          {*lat, *lon}});
    }
    return places;
}

std::string OpenMeteoWebPageUrl(const TCoordinates& place) {
    return "https://open-meteo.com/en/docs?latitude=" + Degrees(place.Latitude) +
           "&longitude=" + Degrees(place.Longitude) + "&hourly=" + std::string(kHourly) +
           "&daily=" + std::string(kDaily) + "&timezone=auto";
}

TPlaceChoice ChoosePlace(std::string_view answer, std::string_view prefecture,
                         std::string_view municipality, TNameMatch match) {
    const json doc = ParseAnswer(answer);
    if (!doc.is_object())
        return {};
    if (const json* error = Member(&doc, "error"); error && *error != json(false))
        return {};
    const json* results = Member(&doc, "results");
    // The API leaves out an empty list.
    if (results == nullptr)
        return {TPlaceLookup::NotFound, {}};
    if (!results->is_array())
        return {};
    std::optional<TCoordinates> first;
    for (const json& result : *results) {
        if (Text(Member(&result, "admin1")) != prefecture)
            continue;
        const auto lat = Number(Member(&result, "latitude"));
        const auto lon = Number(Member(&result, "longitude"));
        if (!lat || !lon || std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
            continue;
        const TCoordinates place{*lat, *lon};
        if (Text(Member(&result, "name")) == municipality)
            return {TPlaceLookup::Found, place};
        if (!first && match == TNameMatch::PreferExact)
            first = place;
    }
    if (first)
        return {TPlaceLookup::Found, *first};
    return {TPlaceLookup::NotFound, {}};
}

std::string ShortPlaceName(std::string_view municipality) {
    for (const std::string_view suffix : {"市", "区", "町", "村"}) {
        if (!municipality.ends_with(suffix))
            continue;
        const std::string_view rest = municipality.substr(0, municipality.size() - suffix.size());
        std::size_t characters = 0;
        for (const char c : rest)
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        // The index answers nothing for a single character.
        return characters >= 2 ? std::string(rest) : std::string();
    }
    return {};
}

namespace {

bool FillFromForecast(TWeatherData& record, const json& doc, std::string_view locationName,
                      const platform::LocalDateTime& fetchedAt);

// Seconds east of UTC that an answer's times are in; nothing when it does not say.
std::optional<std::int64_t> AnswerOffset(const json& doc) {
    const auto offset = Number(Member(&doc, "utc_offset_seconds"));
    if (!offset || std::fabs(*offset) > 18.0 * 3600.0)
        return std::nullopt;
    return static_cast<std::int64_t>(*offset);
}

} // namespace

bool FillFromOpenMeteo(TWeatherData& record, std::string_view answer, std::string_view locationName,
                       const platform::LocalDateTime& fetchedAt) {
    return FillFromForecast(record, ParseAnswer(answer), locationName, fetchedAt);
}

bool FillFromOpenMeteo(TWeatherData& record, std::string_view answer, std::string_view locationName,
                       std::int64_t fetchedAt) {
    const json doc = ParseAnswer(answer);
    platform::LocalDateTime at = platform::ToLocalDateTime(fetchedAt);
    if (const auto offset = AnswerOffset(doc)) {
        // The place's wall clock, as the answer's hours are.
        const auto t = static_cast<std::time_t>(fetchedAt + *offset);
        std::tm place{};
        gmtime_r(&t, &place);
        at = {place.tm_year + 1900, place.tm_mon + 1, place.tm_mday,
              place.tm_hour,        place.tm_min,     place.tm_sec};
    }
    return FillFromForecast(record, doc, locationName, at);
}

namespace {

bool FillFromForecast(TWeatherData& record, const json& doc, std::string_view locationName,
                      const platform::LocalDateTime& fetchedAt) {
    if (!doc.is_object())
        return false;
    if (const json* error = Member(&doc, "error"); error && *error != json(false))
        return false;
    const json* hourly = Member(&doc, "hourly");
    const json* daily = Member(&doc, "daily");
    const json* hourlyTime = Member(hourly, "time");
    const json* dailyTime = Member(daily, "time");

    // The place's today: the answer's first day.
    std::optional<Stamp> first = ParseStamp(Element(dailyTime, 0), false);
    if (!first)
        first = ParseStamp(Element(hourlyTime, 0), true);
    if (!first)
        return false;
    const TDateTime today = first->date;
    // Filled apart, so that an answer refused at the end leaves the record as it was.
    TWeatherData result = record;

    // Where each day and hour sits in the arrays; -1 when the answer lacks it. Found by date,
    // so a day left out or a repeated hour does not shift the others. One day more than the
    // record shows: the last day's 24 o'clock is the next day's 00:00.
    std::array<std::array<int, 24>, kForecastDays + 1> hourAt;
    for (auto& day : hourAt)
        day.fill(-1);
    std::array<int, kForecastDays> dayAt;
    dayAt.fill(-1);
    const auto dayOffset = [today](TDateTime date) { return static_cast<long long>(date - today); };
    if (hourlyTime && hourlyTime->is_array()) {
        for (std::size_t j = 0; j < hourlyTime->size() && j < 24u * 64u; ++j) {
            const auto stamp = ParseStamp(&(*hourlyTime)[j], true);
            if (!stamp)
                continue;
            const long long d = dayOffset(stamp->date);
            if (d >= 0 && d <= kForecastDays && hourAt[d][stamp->hour] < 0)
                hourAt[d][stamp->hour] = static_cast<int>(j);
        }
    }
    if (dailyTime && dailyTime->is_array()) {
        for (std::size_t i = 0; i < dailyTime->size() && i < 64u; ++i) {
            const auto stamp = ParseStamp(&(*dailyTime)[i], false);
            if (!stamp)
                continue;
            const long long d = dayOffset(stamp->date);
            if (d >= 0 && d < kForecastDays && dayAt[d] < 0)
                dayAt[d] = static_cast<int>(i);
        }
    }
    // The value stamped h o'clock belongs to the hour before it (the API's
    // precipitation_probability is that of the preceding hour), so day d's hours end at 1 ...
    // 24 o'clock, and its 24 o'clock is stamped 00:00 of the next day.
    const auto endingAt = [&hourAt](int d, int h) {
        return h < 24 ? hourAt[d][h] : hourAt[d + 1][0];
    };

    const json* hourTemps = Member(hourly, "temperature_2m");
    const json* hourProbs = Member(hourly, "precipitation_probability");
    const json* hourCodes = Member(hourly, "weather_code");
    const json* dayCodes = Member(daily, "weather_code");
    const json* dayMax = Member(daily, "temperature_2m_max");
    const json* dayMin = Member(daily, "temperature_2m_min");
    const json* dayProbs = Member(daily, "precipitation_probability_max");

    const auto word = [](const json* codes, int index) -> std::string_view {
        const auto code = Number(Element(codes, index));
        return code ? WeatherWordOfCode(*code).value_or(std::string_view()) : std::string_view();
    };
    const auto degrees = [](const json* values, int index) {
        return OrNoValue(Rounded(Number(Element(values, index)), -kMaxDegrees, kMaxDegrees));
    };
    const auto probability = [](const json* values, int index) {
        return Rounded(Number(Element(values, index)), 0.0, 100.0);
    };
    const auto dayPresent = [&](int d) {
        if (dayAt[d] >= 0)
            return true;
        for (int h = 1; h <= 24; ++h)
            if (endingAt(d, h) >= 0)
                return true;
        return false;
    };
    // The eight three-hour words of a day and its text.
    const auto dayText = [&](int d, std::array<std::string_view, 8>& slots) {
        for (int k = 0; k < 8; ++k) {
            const std::array<std::string_view, 3> hours = {word(hourCodes, endingAt(d, 3 * k + 1)),
                                                           word(hourCodes, endingAt(d, 3 * k + 2)),
                                                           word(hourCodes, endingAt(d, 3 * k + 3))};
            slots[k] = SignificantWord(hours);
        }
        std::string text = ComposeDayText(slots);
        if (text.empty())
            text = std::string(word(dayCodes, dayAt[d]));
        return text;
    };

    for (int d = 0; d < 2; ++d) {
        if (!dayPresent(d))
            continue;
        std::array<std::string_view, 8> slots;
        result.DayDate[d] = today + d;
        result.DayWeather[d] = dayText(d, slots);
        result.DayMaxTemp[d] = degrees(dayMax, dayAt[d]);
        result.DayMinTemp[d] = degrees(dayMin, dayAt[d]);
        for (int k = 0; k < 8; ++k) {
            const int end = 3 * k + 3;
            if (endingAt(d, end - 2) < 0 && endingAt(d, end - 1) < 0 && endingAt(d, end) < 0)
                continue;
            const int s = 8 * d + k;
            result.PointDate[s] = today + d;
            result.PointHour[s] = end;
            result.PointWeather[s] = std::string(slots[k]);
            // The temperature at the labelled hour, as the other sources label theirs.
            result.PointTemp[s] = degrees(hourTemps, endingAt(d, end));
        }
        for (int b = 0; b < 4; ++b) {
            std::int32_t highest = NoValue;
            for (int h = 6 * b + 1; h <= 6 * b + 6; ++h)
                if (const auto p = probability(hourProbs, endingAt(d, h));
                    p && (highest == NoValue || *p > highest))
                    highest = *p;
            result.DayProb[4 * d + b] = highest;
        }
    }
    for (int k = 0; k < 7; ++k) {
        const int d = k + 1;
        if (!dayPresent(d))
            continue;
        std::array<std::string_view, 8> slots;
        result.WeekDate[k] = today + d;
        result.WeekWeather[k] = dayText(d, slots);
        result.WeekMaxTemp[k] = degrees(dayMax, dayAt[d]);
        result.WeekMinTemp[k] = degrees(dayMin, dayAt[d]);
        result.WeekProb[k] = OrNoValue(probability(dayProbs, dayAt[d]));
    }
    // Dates alone are no forecast: an answer of nulls is a failed load, so the retries run.
    if (!HasForecastValue(result))
        return false;

    result.LocationName = std::string(locationName);
    char fetched[32];
    std::snprintf(fetched, sizeof fetched, "%d時%02d分 取得", fetchedAt.Hour, fetchedAt.Minute);
    result.UpdateInfo = fetched;
    record = std::move(result);
    return true;
}

} // namespace

TPlaceChoice LookUpPlace(THttpClient& client, const TForecastRequest& request) {
    // An empty name finds nothing; there is no need to ask.
    if (request.Municipality.empty())
        return {TPlaceLookup::NotFound, {}};
    const auto ask = [&](const std::string& name, TNameMatch match) -> TPlaceChoice {
        const std::string answer =
            GetPage(client, OpenMeteoGeocodingUrl(request.GeocodingPrefix, name));
        if (answer.empty())
            return {};
        return ChoosePlace(answer, request.Prefecture, name, match);
    };
    const TPlaceChoice exact = ask(request.Municipality, TNameMatch::PreferExact);
    if (exact.Result != TPlaceLookup::NotFound)
        return exact;
    // The index knows some cities only without 市 ("仙台", "高知"). The shorter name is matched
    // loosely by the index, so only a place of exactly that name counts.
    const std::string shorter = ShortPlaceName(request.Municipality);
    if (shorter.empty())
        return exact;
    return ask(shorter, TNameMatch::ExactOnly);
}

TForecastOutcome LoadOpenMeteo(THttpClient& client, const TForecastRequest& request) {
    TForecastOutcome outcome;
    const std::optional<TCoordinates> place = request.Coordinates;
    if (!place)
        return outcome;
    const std::string answer =
        GetPage(client, OpenMeteoForecastUrl(request.ForecastPrefix, *place));
    // Asked in the clock's zone, the answer's hours are the clock's; asked in the place's own
    // (the clock's cannot be named), its 取得 time is told in that zone too.
    const bool placesZone = platform::LocalTimeZone() == platform::kAutoTimeZone;
    outcome.Loaded = !answer.empty() &&
                     (placesZone ? FillFromOpenMeteo(outcome.Record, answer, request.Municipality,
                                                     platform::UnixSecondsNow())
                                 : FillFromOpenMeteo(outcome.Record, answer, request.Municipality,
                                                     platform::LocalNow()));
    if (!outcome.Loaded)
        outcome.Record.Clear();
    return outcome;
}

std::string CoordinatesKey(std::string_view prefecture, std::string_view municipality) {
    return KeyPart(prefecture) + "," + KeyPart(municipality);
}

std::string FormatCoordinates(const TCoordinates& place) {
    return Degrees(place.Latitude) + "," + Degrees(place.Longitude);
}

std::optional<double> ParseDegrees(std::string_view text, double limit) {
    text = platform::Trim(text);
    if (text.empty())
        return std::nullopt;
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        std::fabs(value) > limit)
        return std::nullopt;
    return value;
}

std::optional<TCoordinates> ParseCoordinates(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const auto lat = ParseDegrees(text.substr(0, comma), 90.0);
    const auto lon = ParseDegrees(text.substr(comma + 1), 180.0);
    if (!lat || !lon)
        return std::nullopt;
    return TCoordinates{*lat, *lon};
}

namespace {

constexpr std::string_view kCurrent =
    "temperature_2m,relative_humidity_2m,precipitation,wind_speed_10m,wind_direction_10m";

// A number of the current block within [low, high].
std::optional<double> CurrentValue(const json* current, const char* key, double low, double high) {
    const auto value = Number(Member(current, key));
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

// Degrees from north as the agency's sixteen points; calm as the agency counts it.
std::string WindDirectionName(double degrees, double speed) {
    static constexpr std::array<std::string_view, 16> names = {
        "北", "北北東", "北東", "東北東", "東", "東南東", "南東", "南南東",
        "南", "南南西", "南西", "西南西", "西", "西北西", "北西", "北北西"};
    if (speed < 0.3)
        return "静穏";
    const double point = std::fmod(std::round(degrees / 22.5), 16.0);
    return std::string(names[static_cast<std::size_t>(point < 0 ? point + 16 : point)]);
}

} // namespace

std::string OpenMeteoCurrentUrl(std::string_view prefix, const TCoordinates& place) {
    return std::string(prefix) + "v1/forecast?latitude=" + Degrees(place.Latitude) +
           "&longitude=" + Degrees(place.Longitude) + "&current=" + std::string(kCurrent) +
           "&wind_speed_unit=ms&timezone=Asia%2FTokyo&forecast_days=1";
}

std::optional<TObservation> ReadOpenMeteoCurrent(std::string_view answer) {
    const json root = ParseAnswer(answer);
    const json* current = Member(&root, "current");
    const auto time = Text(Member(current, "time"));
    if (!current || !current->is_object() || !time)
        return std::nullopt;
    // The answer's own offset tells its clock; ours is Japan's.
    const auto offset = Number(Member(&root, "utc_offset_seconds"));
    const auto local = JapanTimeSeconds(*time);
    if (!local || (offset && std::fabs(*offset) > 18 * 3600))
        return std::nullopt;
    TObservation now;
    now.Time =
        JapanTimeText(*local + 9 * 3600 - static_cast<std::int64_t>(offset.value_or(9 * 3600)));
    now.Station = "Open-Meteo";
    now.Temp = Number(Member(current, "temperature_2m"));
    now.Humidity = Number(Member(current, "relative_humidity_2m"));
    now.Precip1h = Number(Member(current, "precipitation"));
    now.Wind = Number(Member(current, "wind_speed_10m"));
    DropImplausibleValues(now);
    if (now.Temp)
        now.Temp = std::round(*now.Temp * 10.0) / 10.0;
    const auto direction = CurrentValue(current, "wind_direction_10m", 0.0, 360.0);
    if (now.Wind && direction)
        now.WindDirection = WindDirectionName(*direction, *now.Wind);
    return now;
}
