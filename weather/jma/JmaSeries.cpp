// The agency's three-hourly series into the point slots.
#include "weather/jma/JmaSeries.h"

#include "weather/JsonAnswer.h"
#include "weather/jma/JmaForecast.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <iostream>
#include <mutex>
#include <set>
#include <string>
#include <utility>

using json = nlohmann::json;

namespace {

// A series is a few kilobytes.
constexpr std::size_t kMaxSeriesBytes = 256u * 1024u;

// object, series, timeDefines, entry: deeper brackets are dropped while parsing.
constexpr int kMaxDepth = 5;

constexpr int kMaxDegrees = 150;

// The series' own categories, and the skins' words for them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kWords = {{
    {"晴れ", "晴"},
    {"くもり", "曇"},
    {"雨", "雨"},
    {"雪", "雪"},
    {"雨または雪", "雨か雪"},
}};

std::optional<std::string_view> Text(const json* value) {
    if (value == nullptr || !value->is_string())
        return std::nullopt;
    return std::string_view(value->get_ref<const std::string&>());
}

std::optional<TJmaStamp> Stamp(const json* entry) {
    const auto text = Text(JsonMember(entry, "dateTime"));
    if (!text)
        return std::nullopt;
    const auto stamp = ParseJmaStamp(*text);
    if (!stamp || stamp->Minute != 0 || stamp->Hour % 3 != 0)
        return std::nullopt;
    return stamp;
}

// The slot of the period that starts at `start`; -1 outside today and tomorrow.
int PeriodSlot(const TJmaStamp& start, TDateTime today) {
    const double d = start.Date - today;
    if (d != 0.0 && d != 1.0)
        return -1;
    return 8 * static_cast<int>(d) + start.Hour / 3;
}

// The slot that ends at `instant` (00:00 ends the day before's last slot); -1 for none shown.
int InstantSlot(const TJmaStamp& instant, TDateTime today) {
    if (instant.Hour == 0)
        return PeriodSlot({instant.Date - 1, 21, 0}, today);
    return PeriodSlot({instant.Date, instant.Hour - 3, 0}, today);
}

void LogUnknownWord(std::string_view text) {
    static std::mutex mutex;
    static std::set<std::string, std::less<>> logged;
    const std::lock_guard lock(mutex);
    if (logged.size() >= 64 || !logged.insert(std::string(text.substr(0, 64))).second)
        return;
    std::cerr << "pelumi: 気象庁の3時間ごとの天気「" << text.substr(0, 64)
              << "」は表にありません (不明として表示します)\n";
}

} // namespace

std::optional<std::string_view> JmaSeriesWeatherText(std::string_view agencyText) {
    for (const auto& [agency, word] : kWords)
        if (agency == agencyText)
            return word;
    return std::nullopt;
}

namespace {

// What one series tells of the slots of today and tomorrow.
struct TSeriesSlots {
    TWeatherData Slots;                 // dates, hours and words of the periods it tells
    std::array<std::int32_t, 16> Temps; // the point's temperature at each slot's end
    std::array<bool, 16> TempRead{};    // the series has a value (maybe none) for the slot's end
    TDateTime Report = 0.0;             // its report time, as a day count with the time of day
    TDateTime FirstPeriod = 0.0;        // the start of its first period
};

TDateTime Moment(const TJmaStamp& stamp) {
    return stamp.Date + (stamp.Hour * 60 + stamp.Minute) / 1440.0;
}

std::optional<TSeriesSlots> ReadSeries(std::string_view answer, std::string_view class10,
                                       TDateTime today) {
    const json doc = ParseJsonAnswer(answer, kMaxSeriesBytes, kMaxDepth);
    const auto area = Text(JsonMember(&doc, "firstAreaCode"));
    const json* areaSeries = JsonMember(&doc, "areaTimeSeries");
    const json* periods = JsonMember(areaSeries, "timeDefines");
    const json* weather = JsonMember(areaSeries, "weather");
    if (area != class10 || periods == nullptr || !periods->is_array() || weather == nullptr ||
        !weather->is_array())
        return std::nullopt;

    TSeriesSlots read;
    read.Temps.fill(NoValue);
    if (const auto text = Text(JsonMember(&doc, "reportDateTime")))
        if (const auto report = ParseJmaStamp(*text))
            read.Report = Moment(*report);
    TWeatherData& slots = read.Slots;
    for (std::size_t i = 0; i < periods->size(); ++i) {
        const json* period = JsonElement(periods, i);
        const auto start = Stamp(period);
        if (!start || Text(JsonMember(period, "duration")) != "PT3H")
            continue;
        if (read.FirstPeriod == 0.0 || Moment(*start) < read.FirstPeriod)
            read.FirstPeriod = Moment(*start);
        const int s = PeriodSlot(*start, today);
        if (s < 0 || slots.PointDate[s] != 0.0)
            continue;
        slots.PointDate[s] = start->Date;
        slots.PointHour[s] = start->Hour + 3;
        if (const auto text = Text(JsonElement(weather, i))) {
            if (const auto word = JmaSeriesWeatherText(*text))
                slots.PointWeather[s] = std::string(*word);
            else
                LogUnknownWord(*text);
        }
    }

    const json* pointSeries = JsonMember(&doc, "pointTimeSeries");
    const json* instants = JsonMember(pointSeries, "timeDefines");
    const json* temperatures = JsonMember(pointSeries, "temperature");
    // The first value of a time is its value, even when it is none.
    for (std::size_t j = 0;
         j < (instants != nullptr && instants->is_array() ? instants->size() : 0); ++j) {
        const auto instant = Stamp(JsonElement(instants, j));
        const int s = instant ? InstantSlot(*instant, today) : -1;
        if (s < 0 || std::exchange(read.TempRead[s], true))
            continue;
        const json* value = JsonElement(temperatures, j);
        if (value == nullptr || !value->is_number_integer())
            continue;
        const auto degrees = value->get<std::int64_t>();
        if (degrees >= -kMaxDegrees && degrees <= kMaxDegrees)
            read.Temps[s] = static_cast<std::int32_t>(degrees);
    }
    return read;
}

} // namespace

bool FillFromJmaSeries(TWeatherData& record, std::string_view answer, std::string_view class10,
                       TDateTime now, std::string_view earlier) {
    if (!std::isfinite(now))
        return false;
    const TDateTime today = DateOf(now);
    std::optional<TSeriesSlots> read = ReadSeries(answer, class10, today);
    if (!read)
        return false;
    TWeatherData& slots = read->Slots;
    std::array<bool, 16> fromEarlier{};
    // The period under way when the new series begins after it: the earlier series still
    // tells it.
    const std::optional<TSeriesSlots> before =
        earlier.empty() ? std::nullopt : ReadSeries(earlier, class10, today);
    if (before && before->Report < read->Report)
        for (int s = 0; s < 16; ++s) {
            const TDateTime start = today + s / 8 + (s % 8) / 8.0;
            const TDateTime end = start + 1.0 / 8.0;
            if (slots.PointDate[s] != 0.0 || before->Slots.PointDate[s] == 0.0 || end <= now ||
                (read->FirstPeriod != 0.0 && start >= read->FirstPeriod))
                continue;
            slots.PointDate[s] = before->Slots.PointDate[s];
            slots.PointHour[s] = before->Slots.PointHour[s];
            slots.PointWeather[s] = before->Slots.PointWeather[s];
            fromEarlier[s] = true;
        }
    // Each slot's temperature from the newer series where it tells it.
    for (int s = 0; s < 16; ++s) {
        if (slots.PointDate[s] == 0.0)
            continue;
        if (read->TempRead[s])
            slots.PointTemp[s] = read->Temps[s];
        else if (fromEarlier[s])
            slots.PointTemp[s] = before->Temps[s];
    }

    record.PointDate = slots.PointDate;
    record.PointHour = slots.PointHour;
    record.PointWeather = slots.PointWeather;
    record.PointTemp = slots.PointTemp;
    return true;
}
