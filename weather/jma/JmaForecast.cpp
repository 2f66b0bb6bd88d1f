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
#include <utility>

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

// A temperature with its decimals ("4.8"), to one decimal; "" is one the answer leaves out.
std::optional<double> Tenths(const json* value) {
    const auto text = Text(value);
    if (!text || text->empty())
        return std::nullopt;
    double v = 0.0;
    const auto [end, ec] =
        std::from_chars(text->data(), text->data() + text->size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text->data() + text->size() || !std::isfinite(v) ||
        std::fabs(v) > kMaxDegrees)
        return std::nullopt;
    return std::round(v * 10.0) / 10.0 + 0.0;
}

std::string Words(const json* value) {
    const auto text = Text(value);
    return text ? JmaWords(*text) : std::string();
}

std::string WeatherText(const json* code) {
    const auto text = Text(code);
    return text ? std::string(JmaWeatherText(*text).value_or(std::string_view())) : std::string();
}

std::optional<TJmaStamp> ParseStamp(const json* value) {
    const auto text = Text(value);
    return text ? ParseJmaStamp(*text) : std::nullopt;
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

// The days the record shows, from today to the end of the week (today + 7).
constexpr int kShownDays = 9;

// What one part of the answer tells of each shown day, indexed by days from today. A text of a
// day the part dates is its text even when spoilt (empty): a spoilt value is missing alone.
struct DayFigures {
    std::array<bool, kShownDays> dated{};
    std::array<std::string, kShownDays> weather;
    std::array<std::array<std::int32_t, 4>, kShownDays> bands;
    std::array<std::int32_t, kShownDays> dayProb;
    std::array<std::int32_t, kShownDays> minTemp;
    std::array<std::int32_t, kShownDays> maxTemp;

    DayFigures() {
        for (auto& day : bands)
            day.fill(NoValue);
        dayProb.fill(NoValue);
        minTemp.fill(NoValue);
        maxTemp.fill(NoValue);
    }

    // The day's highest band, else its one figure.
    std::int32_t Probability(int d) const {
        std::int32_t highest = NoValue;
        for (const std::int32_t band : bands[d])
            if (band != NoValue && (highest == NoValue || band > highest))
                highest = band;
        return highest != NoValue ? highest : dayProb[d];
    }
};

std::int32_t Either(std::int32_t first, std::int32_t second) {
    return first != NoValue ? first : second;
}

} // namespace

std::string JmaWords(std::string_view text) {
    constexpr std::string_view kWideSpace = "\u3000";
    constexpr std::string_view kNoBreakSpace = "\u00a0";
    std::string out;
    out.reserve(text.size());
    bool space = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        std::size_t length = 0;
        if (rest.starts_with(kWideSpace))
            length = kWideSpace.size();
        else if (rest.starts_with(kNoBreakSpace))
            length = kNoBreakSpace.size();
        else if (std::string_view(" \t\n\r\v\f").find(rest.front()) != std::string_view::npos)
            length = 1;
        if (length > 0) {
            space = true;
            i += length;
            continue;
        }
        if (space && !out.empty())
            out += kWideSpace;
        space = false;
        out += rest.front();
        ++i;
    }
    return out;
}

std::optional<TJmaStamp> ParseJmaStamp(std::string_view zoned) {
    // Another zone's time is read as the instant it names.
    const auto at = ZonedTimeSeconds(zoned);
    if (!at)
        return std::nullopt;
    const std::string text = JapanTimeText(*at);
    if (text.size() < 16 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':')
        return std::nullopt;
    int y = 0, m = 0, d = 0, h = 0, minute = 0;
    if (!platform::ReadDigits(text, 0, 4, y) || !platform::ReadDigits(text, 5, 2, m) ||
        !platform::ReadDigits(text, 8, 2, d) || !platform::ReadDigits(text, 11, 2, h) ||
        !platform::ReadDigits(text, 14, 2, minute) || h > 23 || minute > 59)
        return std::nullopt;
    try {
        return TJmaStamp{EncodeDate(y, m, d), h, minute};
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

bool FillFromJma(TWeatherData& record, std::string_view answer, const TJmaPlace& place,
                 std::string_view locationName, TDateTime now) {
    if (!std::isfinite(now))
        return false;
    const TDateTime today = DateOf(now);
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
    const TDateTime reportDate = base->Date;

    // The evening report's today begins at 17:00: the agency calls it tonight.
    if (today == reportDate && base->Hour >= 17)
        record.TodayName = "今夜";
    // The short-term part, by date: the newest word on every day it tells.
    DayFigures near;
    const json* codes = Member(area, "weatherCodes");
    // The agency's own texts of today and tomorrow, beside the codes.
    const json* weathers = Member(area, "weathers");
    const json* winds = Member(area, "winds");
    const json* waves = Member(area, "waves");
    for (std::size_t i = 0; i < Size(textTimes); ++i) {
        const auto stamp = ParseStamp(Element(textTimes, i));
        const int d = stamp ? DayIndex(today, stamp->Date, kShownDays) : -1;
        if (d >= 0 && !std::exchange(near.dated[d], true)) {
            near.weather[d] = WeatherText(Element(codes, i));
            if (d < 2) {
                record.DayText[d] = Words(Element(weathers, i));
                record.DayWind[d] = Words(Element(winds, i));
                record.DayWave[d] = Words(Element(waves, i));
            }
        }
    }

    // Six-hour bands by their starting time; those already past are not in the answer.
    const json* bands = Element(series, 1);
    const json* bandTimes = Member(bands, "timeDefines");
    const json* pops = Member(FindArea(Member(bands, "areas"), place.Class10), "pops");
    for (std::size_t j = 0; j < Size(bandTimes); ++j) {
        const auto stamp = ParseStamp(Element(bandTimes, j));
        const int d = stamp ? DayIndex(today, stamp->Date, kShownDays) : -1;
        if (d < 0)
            continue;
        std::int32_t& band = near.bands[d][static_cast<std::size_t>(stamp->Hour / 6)];
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
    std::array<std::int32_t, kShownDays> wholeDayMax;
    wholeDayMax.fill(NoValue);
    for (std::size_t j = 0; j < Size(pointTimes); ++j) {
        const auto stamp = ParseStamp(Element(pointTimes, j));
        const int d = stamp ? DayIndex(today, stamp->Date, kShownDays) : -1;
        if (d < 0 || (stamp->Hour != 0 && stamp->Hour != 9))
            continue;
        const std::int32_t value =
            Figure(Element(temps, j), -kMaxDegrees, kMaxDegrees).value_or(NoValue);
        std::int32_t& slot = stamp->Hour == 9            ? near.maxTemp[d]
                             : stamp->Date == reportDate ? wholeDayMax[d]
                                                         : near.minTemp[d];
        if (slot == NoValue)
            slot = value;
    }
    for (int d = 0; d < kShownDays; ++d)
        near.maxTemp[d] = Either(near.maxTemp[d], wholeDayMax[d]);

    // The weekly part, by date, for the days the short-term part does not tell.
    DayFigures week;
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
    const json* weekReliabilities = Member(weekArea, "reliabilities");
    // The weekly part's own words by day: only it gives them.
    std::array<std::string, kShownDays> reliability;
    std::array<std::array<std::int32_t, 2>, kShownDays> minRange, maxRange;
    minRange.fill({NoValue, NoValue});
    maxRange.fill({NoValue, NoValue});
    for (std::size_t i = 0; i < Size(weekTimes); ++i) {
        const auto stamp = ParseStamp(Element(weekTimes, i));
        const int d = stamp ? DayIndex(today, stamp->Date, kShownDays) : -1;
        if (d < 0 || week.dated[d])
            continue;
        week.dated[d] = true;
        week.weather[d] = WeatherText(Element(weekCodes, i));
        week.dayProb[d] = Figure(Element(weekPops, i), 0, 100).value_or(NoValue);
        reliability[d] = Words(Element(weekReliabilities, i));
    }
    const json* weekPoints = Element(weekly, 1);
    const json* weekPointAreas = Member(weekPoints, "areas");
    const json* weekStation = FindArea(weekPointAreas, place.Station);
    if (weekStation == nullptr)
        weekStation = Element(weekPointAreas, 0);
    const json* weekPointTimes = Member(weekPoints, "timeDefines");
    const json* weekMin = Member(weekStation, "tempsMin");
    const json* weekMax = Member(weekStation, "tempsMax");
    const json* ranges[4] = {
        Member(weekStation, "tempsMinLower"), Member(weekStation, "tempsMinUpper"),
        Member(weekStation, "tempsMaxLower"), Member(weekStation, "tempsMaxUpper")};
    const auto degrees = [](const json* value) {
        return Figure(value, -kMaxDegrees, kMaxDegrees).value_or(NoValue);
    };
    std::array<bool, kShownDays> temperaturesRead{};
    for (std::size_t j = 0; j < Size(weekPointTimes); ++j) {
        const auto stamp = ParseStamp(Element(weekPointTimes, j));
        const int d = stamp ? DayIndex(today, stamp->Date, kShownDays) : -1;
        if (d < 0 || temperaturesRead[d])
            continue;
        temperaturesRead[d] = true;
        week.dated[d] = true;
        week.minTemp[d] = degrees(Element(weekMin, j));
        week.maxTemp[d] = degrees(Element(weekMax, j));
        minRange[d] = {degrees(Element(ranges[0], j)), degrees(Element(ranges[1], j))};
        maxRange[d] = {degrees(Element(ranges[2], j)), degrees(Element(ranges[3], j))};
    }
    // The normals are the weekly station's, whichever point that is.
    if (const auto code = Text(Member(Member(weekStation, "area"), "code"))) {
        const json* normals =
            FindArea(Member(Member(Element(&doc, 1), "tempAverage"), "areas"), *code);
        record.WeekNormalMinTemp = Tenths(Member(normals, "min"));
        record.WeekNormalMaxTemp = Tenths(Member(normals, "max"));
    }

    // Today and tomorrow are the clock's: the short-term part's figures where it has them (it
    // is the newer report), else the weekly part's, its day's probability in every band.
    record.DayDate = {today, today + 1};
    for (int d = 0; d < 2; ++d) {
        record.DayWeather[d] = near.dated[d] ? near.weather[d] : week.weather[d];
        record.DayMinTemp[d] = Either(near.minTemp[d], week.minTemp[d]);
        record.DayMaxTemp[d] = Either(near.maxTemp[d], week.maxTemp[d]);
        const bool anyBand = std::any_of(near.bands[d].begin(), near.bands[d].end(),
                                         [](std::int32_t p) { return p != NoValue; });
        for (int b = 0; b < 4; ++b)
            record.DayProb[static_cast<std::size_t>(4 * d + b)] =
                anyBand ? near.bands[d][b] : week.dayProb[d];
    }
    const bool toldOfTodaysBands = std::any_of(record.DayProb.begin(), record.DayProb.begin() + 4,
                                               [](std::int32_t p) { return p != NoValue; });
    // A band of today that has ended is no forecast any more (an answer read again later).
    for (int b = 0; b < 4; ++b)
        if (today + (b + 1) / 4.0 <= now)
            record.DayProb[static_cast<std::size_t>(b)] = NoValue;
    const bool toldOfToday = !record.DayWeather[0].empty() || record.DayMinTemp[0] != NoValue ||
                             record.DayMaxTemp[0] != NoValue || toldOfTodaysBands;
    if (!toldOfToday) {
        record.Clear();
        return false;
    }

    // The week, slot k being today + k + 1: on a day both parts tell, the short-term part's
    // figures (its highest band for the day's probability), as the day row shows them.
    for (int k = 0; k < 7; ++k) {
        const int d = k + 1;
        record.WeekWeather[k] = near.dated[d] ? near.weather[d] : week.weather[d];
        record.WeekProb[k] = Either(near.Probability(d), week.dayProb[d]);
        record.WeekMinTemp[k] = Either(near.minTemp[d], week.minTemp[d]);
        record.WeekMaxTemp[k] = Either(near.maxTemp[d], week.maxTemp[d]);
        record.WeekReliability[k] = reliability[d];
        record.WeekMinTempRange[k] = minRange[d];
        record.WeekMaxTempRange[k] = maxRange[d];
        if (week.dated[d] || !record.WeekWeather[k].empty() || record.WeekProb[k] != NoValue ||
            record.WeekMinTemp[k] != NoValue || record.WeekMaxTemp[k] != NoValue)
            record.WeekDate[k] = today + d;
    }

    record.LocationName = std::string(locationName);
    if (const auto reported = ParseStamp(Member(shortTerm, "reportDatetime"))) {
        const CalendarDate on = DecodeDate(reported->Date);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d", on.Year, on.Month, on.Day,
                      reported->Hour, reported->Minute);
        record.ReportTime = stamp;
        char text[64];
        if (reported->Date == today) {
            std::snprintf(text, sizeof text, "%02d時%02d分 発表", reported->Hour, reported->Minute);
        } else if (reported->Date == today - 1) {
            std::snprintf(text, sizeof text, "前日%02d時%02d分 発表", reported->Hour,
                          reported->Minute);
        } else {
            const CalendarDate date = DecodeDate(reported->Date);
            std::snprintf(text, sizeof text, "%d月%d日 %02d時%02d分 発表", date.Month, date.Day,
                          reported->Hour, reported->Minute);
        }
        record.UpdateInfo = text;
    }
    return true;
}
