// The agency's forecast answer into the record.
#include "weather/jma/JmaForecast.h"

#include "platform/Convert.h"
#include "platform/Errors.h"
#include "weather/JsonAnswer.h"
#include "weather/jma/JmaWeatherCodes.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

using json = nlohmann::json;

namespace {

// An office's answer is a few tens of kilobytes; anything this large is not one.
constexpr std::size_t kMaxJmaAnswerBytes = 1024u * 1024u;

// The answers nest seven deep (array, report, timeSeries, series, areas, area, values); deeper
// brackets are dropped while parsing, so a hostile answer cannot build a huge tree.
constexpr int kMaxDepth = 8;

// Beyond any temperature on earth: such a value is a fault of the answer.
constexpr int kMaxDegrees = 150;

json ParseAnswer(std::string_view text) {
    return ParseJsonAnswer(text, kMaxJmaAnswerBytes, kMaxDepth);
}

const json* Member(const json* object, const char* key) {
    return JsonMember(object, key);
}

const json* Element(const json* array, std::size_t index) {
    return JsonElement(array, index);
}

std::size_t Size(const json* array) {
    return array != nullptr && array->is_array() ? array->size() : 0;
}

std::optional<std::string_view> Text(const json* value) {
    if (value == nullptr || !value->is_string())
        return std::nullopt;
    return std::string_view(value->get_ref<const std::string&>());
}

// Every figure of the answers is a text ("13", "-2"); "" is a figure the answer leaves out.
std::optional<std::int32_t> Figure(const json* value, int low, int high) {
    const auto text = Text(value);
    if (!text || text->empty())
        return std::nullopt;
    int v = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || end != text->data() + text->size() || v < low || v > high)
        return std::nullopt;
    return v;
}

std::string WeatherText(const json* code) {
    const auto text = Text(code);
    return text ? std::string(JmaWeatherText(*text).value_or(std::string_view())) : std::string();
}

// "2026-03-12T05:00:00+09:00": the date and time as written, in Japan's time.
struct Stamp {
    TDateTime date;
    int hour;
    int minute;
};

std::optional<Stamp> ParseStamp(const json* value) {
    const auto text = Text(value);
    if (!text || text->size() < 16 || (*text)[4] != '-' || (*text)[7] != '-' ||
        (*text)[10] != 'T' || (*text)[13] != ':')
        return std::nullopt;
    int y = 0, m = 0, d = 0, h = 0, minute = 0;
    if (!platform::ReadDigits(*text, 0, 4, y) || !platform::ReadDigits(*text, 5, 2, m) ||
        !platform::ReadDigits(*text, 8, 2, d) || !platform::ReadDigits(*text, 11, 2, h) ||
        !platform::ReadDigits(*text, 14, 2, minute) || h > 23 || minute > 59)
        return std::nullopt;
    try {
        return Stamp{EncodeDate(y, m, d), h, minute};
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

// The entry of `areas` whose area code is `code`; nullptr when there is none.
const json* FindArea(const json* areas, std::string_view code) {
    if (code.empty())
        return nullptr;
    for (std::size_t i = 0; i < Size(areas); ++i) {
        const json* entry = Element(areas, i);
        if (Text(Member(Member(entry, "area"), "code")) == code)
            return entry;
    }
    return nullptr;
}

// Whole days from `first` to `date`, or -1 when `date` lies outside [first, first + count).
int DayIndex(TDateTime first, TDateTime date, int count) {
    const double d = date - first;
    return d >= 0.0 && d < count ? static_cast<int>(d) : -1;
}

} // namespace

bool FillFromJma(TWeatherData& record, std::string_view answer, const TJmaPlace& place,
                 std::string_view locationName, TDateTime today) {
    const json doc = ParseAnswer(answer);
    const json* shortTerm = Element(&doc, 0);
    const json* series = Member(shortTerm, "timeSeries");
    const json* texts = Element(series, 0);
    const json* textTimes = Member(texts, "timeDefines");
    // The regular report the answer belongs to (05, 11 or 17 o'clock): an extra report keeps
    // its first time and layouts, and only its reportDatetime says the real hour.
    const auto base = ParseStamp(Element(textTimes, 0));
    const json* area = FindArea(Member(texts, "areas"), place.Class10);
    if (!base || area == nullptr)
        return false;
    const TDateTime reportDate = base->date;
    // Read after midnight, yesterday's evening report still tells today and tomorrow.
    const TDateTime first =
        std::isfinite(today) && DateOf(today) == reportDate + 1 ? reportDate + 1 : reportDate;

    record.DayDate = {first, first + 1};
    // The evening report's today begins at 17:00: the agency calls it tonight.
    if (first == reportDate && base->hour >= 17)
        record.TodayName = "今夜";
    const json* codes = Member(area, "weatherCodes");
    for (std::size_t i = 0; i < Size(textTimes); ++i) {
        const auto stamp = ParseStamp(Element(textTimes, i));
        const int d = stamp ? DayIndex(first, stamp->date, 2) : -1;
        if (d >= 0 && record.DayWeather[d].empty())
            record.DayWeather[d] = WeatherText(Element(codes, i));
    }

    // Six-hour bands by their starting time; those already past are not in the answer.
    const json* bands = Element(series, 1);
    const json* bandTimes = Member(bands, "timeDefines");
    const json* pops = Member(FindArea(Member(bands, "areas"), place.Class10), "pops");
    for (std::size_t j = 0; j < Size(bandTimes); ++j) {
        const auto stamp = ParseStamp(Element(bandTimes, j));
        const int d = stamp ? DayIndex(first, stamp->date, 2) : -1;
        if (d < 0)
            continue;
        std::int32_t& band = record.DayProb[static_cast<std::size_t>(4 * d + stamp->hour / 6)];
        if (band == NoValue)
            band = Figure(Element(pops, j), 0, 100).value_or(NoValue);
    }

    // Temperatures by their time: 09:00 is the day's daytime maximum; 00:00 is its morning
    // minimum, except on the report's own day, where it is the whole day's maximum (the
    // morning has passed, and the agency gives no minimum for it).
    const json* points = Element(series, 2);
    const json* pointTimes = Member(points, "timeDefines");
    const json* pointAreas = Member(points, "areas");
    const json* station = FindArea(pointAreas, place.Station);
    if (station == nullptr)
        station = Element(pointAreas, 0);
    const json* temps = Member(station, "temps");
    std::array<std::int32_t, 2> wholeDayMax = {NoValue, NoValue};
    for (std::size_t j = 0; j < Size(pointTimes); ++j) {
        const auto stamp = ParseStamp(Element(pointTimes, j));
        const int d = stamp ? DayIndex(first, stamp->date, 2) : -1;
        if (d < 0 || (stamp->hour != 0 && stamp->hour != 9))
            continue;
        const std::int32_t value =
            Figure(Element(temps, j), -kMaxDegrees, kMaxDegrees).value_or(NoValue);
        std::int32_t& slot = stamp->hour == 9            ? record.DayMaxTemp[d]
                             : stamp->date == reportDate ? wholeDayMax[d]
                                                         : record.DayMinTemp[d];
        if (slot == NoValue)
            slot = value;
    }
    for (int d = 0; d < 2; ++d)
        if (record.DayMaxTemp[d] == NoValue)
            record.DayMaxTemp[d] = wholeDayMax[d];

    // The week, by date: slot k is first + k + 1.
    const json* weekly = Member(Element(&doc, 1), "timeSeries");
    const json* weekDays = Element(weekly, 0);
    const json* weekAreas = Member(weekDays, "areas");
    const json* weekArea = FindArea(weekAreas, place.Class10);
    if (weekArea == nullptr)
        weekArea = FindArea(weekAreas, place.Office);
    if (weekArea == nullptr)
        weekArea = Element(weekAreas, 0);
    const json* weekTimes = Member(weekDays, "timeDefines");
    const json* weekCodes = Member(weekArea, "weatherCodes");
    const json* weekPops = Member(weekArea, "pops");
    for (std::size_t i = 0; i < Size(weekTimes); ++i) {
        const auto stamp = ParseStamp(Element(weekTimes, i));
        const int k = stamp ? DayIndex(first + 1, stamp->date, 7) : -1;
        if (k < 0 || record.WeekDate[k] != 0.0)
            continue;
        record.WeekDate[k] = stamp->date;
        record.WeekWeather[k] = WeatherText(Element(weekCodes, i));
        record.WeekProb[k] = Figure(Element(weekPops, i), 0, 100).value_or(NoValue);
    }
    const json* weekPoints = Element(weekly, 1);
    const json* weekPointAreas = Member(weekPoints, "areas");
    const json* weekStation = FindArea(weekPointAreas, place.Station);
    if (weekStation == nullptr)
        weekStation = Element(weekPointAreas, 0);
    const json* weekPointTimes = Member(weekPoints, "timeDefines");
    const json* weekMin = Member(weekStation, "tempsMin");
    const json* weekMax = Member(weekStation, "tempsMax");
    std::array<bool, 7> temperaturesRead{};
    for (std::size_t j = 0; j < Size(weekPointTimes); ++j) {
        const auto stamp = ParseStamp(Element(weekPointTimes, j));
        const int k = stamp ? DayIndex(first + 1, stamp->date, 7) : -1;
        if (k < 0 || temperaturesRead[k])
            continue;
        temperaturesRead[k] = true;
        record.WeekDate[k] = stamp->date;
        record.WeekMinTemp[k] =
            Figure(Element(weekMin, j), -kMaxDegrees, kMaxDegrees).value_or(NoValue);
        record.WeekMaxTemp[k] =
            Figure(Element(weekMax, j), -kMaxDegrees, kMaxDegrees).value_or(NoValue);
    }

    // The weekly part leaves its first day's figures to the short-term part: when that day is
    // tomorrow, slot 0 takes tomorrow's highest band and temperatures, as the pages show it.
    if (record.WeekWeather[0].empty())
        record.WeekWeather[0] = record.DayWeather[1];
    if (record.WeekProb[0] == NoValue) {
        for (int b = 4; b < 8; ++b)
            if (record.DayProb[b] != NoValue &&
                (record.WeekProb[0] == NoValue || record.DayProb[b] > record.WeekProb[0]))
                record.WeekProb[0] = record.DayProb[b];
    }
    if (record.WeekMinTemp[0] == NoValue)
        record.WeekMinTemp[0] = record.DayMinTemp[1];
    if (record.WeekMaxTemp[0] == NoValue)
        record.WeekMaxTemp[0] = record.DayMaxTemp[1];
    if (!record.WeekWeather[0].empty() || record.WeekProb[0] != NoValue ||
        record.WeekMinTemp[0] != NoValue || record.WeekMaxTemp[0] != NoValue)
        record.WeekDate[0] = first + 1;

    record.LocationName = std::string(locationName);
    if (const auto reported = ParseStamp(Member(shortTerm, "reportDatetime"))) {
        char text[32];
        std::snprintf(text, sizeof text, "%02d時%02d分 発表", reported->hour, reported->minute);
        record.UpdateInfo = text;
    }
    return true;
}
