#pragma once

#include "weather/WeatherData.h"

#include <cstdint>
#include <optional>
#include <string>

// The balloon of coming rain: one per shower.
struct TRainNoticeText {
    std::string Title; // "まもなく雨: 約25分後 (1-5mm/h)"
    std::string Text; // the source and its time: "気象庁の高解像度降水ナウキャスト (10:05 解析)"
    bool operator==(const TRainNoticeText&) const = default;
};

// Rain due within this many minutes gets a balloon.
inline constexpr std::int32_t kRainNoticeMinutes = 30;
// After a balloon, or while rain falls, none until this long has passed without rain.
inline constexpr std::int64_t kRainNoticeDryGap = 60 * 60;

// Decides, refresh after refresh, when the rain of the next hour earns a balloon. Knows nothing
// of the settings: the caller asks after every refresh of the rain and shows the balloon only
// while the user wants them, so that a shower seen with balloons off is not announced late.
class TRainNotice {
public:
    // Looks at the record's rain at `unixNow` (RainLabelText's frames). The texts of a balloon
    // when one is due: the frames are current, the first is dry and rain is due within
    // kRainNoticeMinutes (RainStartsIn), and no balloon has been due for this shower. After a
    // balloon, or a reading in which rain falls at the first frame (no balloon for rain already
    // falling), none is due until a reading whose first frame comes kRainNoticeDryGap after the
    // last frame with rain of any reading so far. Readings that are not current change nothing.
    std::optional<TRainNoticeText> Consider(const TWeatherData& record, std::int64_t unixNow);

    // Another place: what was seen of this one's showers does not count there.
    void Reset();

private:
    bool armed_ = true;
    std::optional<std::int64_t> lastWet_; // the time of the last frame with rain seen
};
