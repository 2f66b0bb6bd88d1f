// The rain of the next hour in the record: its classes, its figures and its texts.
#include "weather/Rain.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr std::array<std::string_view, 9> kClassNames = {"",          "1mm/h未満", "1-5mm/h",
                                                         "5-10mm/h",  "10-20mm/h", "20-30mm/h",
                                                         "30-50mm/h", "50-80mm/h", "80mm/h以上"};

constexpr std::string_view kUnknownText = "雨の予報: 取得できず";

bool Wet(std::int32_t c) {
    return c != NoValue && c > 0;
}

bool AllKnown(const std::vector<std::int32_t>& frames) {
    for (const std::int32_t c : frames)
        if (c == NoValue)
            return false;
    return true;
}

} // namespace

std::int32_t RainClassOfRate(double mmPerHour) {
    if (std::isnan(mmPerHour))
        return NoValue;
    if (mmPerHour <= 0.0)
        return 0;
    constexpr std::array<double, 7> bounds = {1.0, 5.0, 10.0, 20.0, 30.0, 50.0, 80.0};
    std::int32_t c = 1;
    for (const double bound : bounds)
        if (mmPerHour >= bound)
            ++c;
    return c;
}

std::string_view RainClassName(std::int32_t rainClass) {
    if (rainClass < 1 || rainClass > 8)
        return {};
    return kClassNames[static_cast<std::size_t>(rainClass)];
}

void SetRain(TWeatherData& record, std::int32_t step, std::string time,
             std::vector<std::int32_t> frames) {
    // A class outside the legend (a hand-written record) is as unknown as a colour outside it.
    for (std::int32_t& c : frames)
        if (c < 0 || c > 8)
            c = NoValue;
    record.RainStep = step;
    record.RainTime = std::move(time);
    record.Rain = std::move(frames);
    record.RainStartsIn = NoValue;
    record.RainEndsIn = NoValue;
    const std::vector<std::int32_t>& r = record.Rain;
    if (r.empty() || step == NoValue)
        return;
    for (std::size_t k = 0; k < r.size() && r[k] != NoValue; ++k)
        if (r[k] > 0) {
            record.RainStartsIn = static_cast<std::int32_t>(k) * step;
            break;
        }
    if (!Wet(r[0]))
        return;
    for (std::size_t k = 1; k < r.size() && r[k] != NoValue; ++k)
        if (r[k] == 0) {
            record.RainEndsIn = static_cast<std::int32_t>(k) * step;
            break;
        }
}

void ApplyNowcastOutcome(TWeatherData& record, const TNowcastOutcome& outcome) {
    switch (outcome.Result) {
    case TNowcastResult::Read:
        SetRain(record, outcome.Step, outcome.Time, outcome.Rain);
        break;
    case TNowcastResult::Stale:
        SetRain(record, outcome.Step, {}, {});
        break;
    case TNowcastResult::None:
        record.ClearRain();
        break;
    case TNowcastResult::Failed:
        // What is on show stays while it is current: one failed refresh does not blank it.
        if (record.RainStep != outcome.Step || record.Rain.empty())
            SetRain(record, outcome.Step, {}, {});
        break;
    }
}

bool IsCurrentRain(const TWeatherData& record, std::int64_t unixNow) {
    if (record.RainStep == NoValue || record.Rain.empty())
        return false;
    const auto at = JapanTimeSeconds(record.RainTime);
    return at && std::llabs(unixNow - *at) <= kRainMaxAge;
}

std::string RainLabelText(const TWeatherData& record, std::int64_t unixNow) {
    if (record.RainStep == NoValue)
        return {};
    if (!IsCurrentRain(record, unixNow) || record.Rain[0] == NoValue)
        return std::string(kUnknownText);
    const std::vector<std::int32_t>& r = record.Rain;
    if (Wet(r[0])) {
        if (record.RainEndsIn != NoValue)
            return "雨は" + std::to_string(record.RainEndsIn) + "分後にやむ見込み";
        if (AllKnown(r))
            return "雨は1時間以上続く見込み";
        return "雨が降っています (" + std::string(RainClassName(r[0])) + ")";
    }
    if (record.RainStartsIn != NoValue && record.RainStep > 0) {
        const auto k = static_cast<std::size_t>(record.RainStartsIn / record.RainStep);
        if (k < r.size())
            return std::to_string(record.RainStartsIn) + "分後に雨 (" +
                   std::string(RainClassName(r[k])) + ")";
    }
    if (AllKnown(r))
        return "1時間以内に雨の予報なし";
    return std::string(kUnknownText);
}

std::string RainHintLine(const TWeatherData& record, std::int64_t unixNow) {
    if (!IsCurrentRain(record, unixNow) || record.Rain[0] == NoValue ||
        (!Wet(record.Rain[0]) && record.RainStartsIn == NoValue))
        return {};
    return RainLabelText(record, unixNow);
}
