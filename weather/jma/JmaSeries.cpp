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

bool FillFromJmaSeries(TWeatherData& record, std::string_view answer, std::string_view class10,
                       TDateTime today) {
    if (!std::isfinite(today))
        return false;
    today = DateOf(today);
    const json doc = ParseJsonAnswer(answer, kMaxSeriesBytes, kMaxDepth);
    const auto area = Text(JsonMember(&doc, "firstAreaCode"));
    const json* areaSeries = JsonMember(&doc, "areaTimeSeries");
    const json* periods = JsonMember(areaSeries, "timeDefines");
    const json* weather = JsonMember(areaSeries, "weather");
    if (area != class10 || periods == nullptr || !periods->is_array() || weather == nullptr ||
        !weather->is_array())
        return false;

    TWeatherData slots;
    for (std::size_t i = 0; i < periods->size(); ++i) {
        const json* period = JsonElement(periods, i);
        const auto start = Stamp(period);
        if (!start || Text(JsonMember(period, "duration")) != "PT3H")
            continue;
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
    std::array<bool, 16> read{};
    for (std::size_t j = 0;
         j < (instants != nullptr && instants->is_array() ? instants->size() : 0); ++j) {
        const auto instant = Stamp(JsonElement(instants, j));
        const int s = instant ? InstantSlot(*instant, today) : -1;
        if (s < 0 || slots.PointDate[s] == 0.0 || std::exchange(read[s], true))
            continue;
        const json* value = JsonElement(temperatures, j);
        if (value == nullptr || !value->is_number_integer())
            continue;
        const auto degrees = value->get<std::int64_t>();
        if (degrees >= -kMaxDegrees && degrees <= kMaxDegrees)
            slots.PointTemp[s] = static_cast<std::int32_t>(degrees);
    }

    record.PointDate = slots.PointDate;
    record.PointHour = slots.PointHour;
    record.PointWeather = slots.PointWeather;
    record.PointTemp = slots.PointTemp;
    return true;
}
