// One balloon per shower.
#include "weather/RainNotice.h"

#include "weather/Rain.h"

#include <algorithm>

std::optional<TRainNoticeText> TRainNotice::Consider(const TWeatherData& record,
                                                     std::int64_t unixNow) {
    if (!IsCurrentRain(record, unixNow))
        return std::nullopt;
    const auto first = JapanTimeSeconds(record.RainTime);
    if (!first)
        return std::nullopt;
    std::optional<std::int64_t> wet;
    for (std::size_t k = 0; k < record.Rain.size(); ++k)
        if (record.Rain[k] != NoValue && record.Rain[k] > 0)
            wet = *first + static_cast<std::int64_t>(k) * record.RainStep * 60;
    if (!armed_ && lastWet_ && *first >= *lastWet_ + kRainNoticeDryGap)
        armed_ = true;
    if (wet)
        lastWet_ = lastWet_ ? std::max(*lastWet_, *wet) : *wet;
    if (!armed_)
        return std::nullopt;
    const std::int32_t rainNow = record.Rain[0];
    if (rainNow != NoValue && rainNow > 0) {
        armed_ = false;
        return std::nullopt;
    }
    const std::int32_t in = record.RainStartsIn;
    if (in == NoValue || in <= 0 || in > kRainNoticeMinutes || record.RainStep <= 0)
        return std::nullopt;
    armed_ = false;
    const auto k = static_cast<std::size_t>(in / record.RainStep);
    TRainNoticeText notice;
    notice.Title = "まもなく雨: 約" + std::to_string(in) + "分後 (" +
                   std::string(RainClassName(k < record.Rain.size() ? record.Rain[k] : 0)) + ")";
    const std::string at = record.RainTime.substr(11, 5);
    notice.Text = record.RainStep == kJmaRainStep
                      ? "気象庁の高解像度降水ナウキャスト (" + at + " 解析)"
                      : "Open-Meteo の予報 (" + at + " 時点)";
    return notice;
}

void TRainNotice::Reset() {
    armed_ = true;
    lastWet_.reset();
}
