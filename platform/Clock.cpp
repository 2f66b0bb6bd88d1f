#include "platform/Clock.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <ctime>
#include <mutex>

namespace platform {

namespace {

std::mutex g_mutex;
std::optional<LocalDateTime> g_fixed;
std::atomic<ClockZone> g_zone{ClockZone::Computer};

// Japan has kept UTC+9 without daylight saving since 1951.
constexpr std::int64_t kJapanOffsetSeconds = 9 * 3600;

std::optional<LocalDateTime> Fixed() {
    const std::lock_guard lock(g_mutex);
    return g_fixed;
}

} // namespace

void SetClockZone(ClockZone zone) {
    g_zone = zone;
}

ClockZone CurrentClockZone() {
    return g_zone;
}

LocalDateTime LocalNow() {
    if (const auto fixed = Fixed())
        return *fixed;
    return ToLocalDateTime(static_cast<std::int64_t>(std::time(nullptr)));
}

LocalDateTime JapanNow() {
    if (const auto fixed = Fixed())
        return *fixed;
    const auto t = static_cast<std::time_t>(std::time(nullptr) + kJapanOffsetSeconds);
    std::tm japan{};
    gmtime_r(&t, &japan);
    return {japan.tm_year + 1900, japan.tm_mon + 1, japan.tm_mday,
            japan.tm_hour,        japan.tm_min,     japan.tm_sec};
}

std::int64_t UnixSecondsNow() {
    if (const auto fixed = Fixed())
        return ToUnixSeconds(*fixed);
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::int64_t ToUnixSeconds(const LocalDateTime& time) {
    std::tm local{};
    local.tm_year = time.Year - 1900;
    local.tm_mon = time.Month - 1;
    local.tm_mday = time.Day;
    local.tm_hour = time.Hour;
    local.tm_min = time.Minute;
    local.tm_sec = time.Second;
    if (g_zone == ClockZone::Japan) {
        local.tm_isdst = 0;
        return static_cast<std::int64_t>(timegm(&local)) - kJapanOffsetSeconds;
    }
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

LocalDateTime ToLocalDateTime(std::int64_t unixSeconds) {
    std::tm local{};
    if (g_zone == ClockZone::Japan) {
        const auto t = static_cast<std::time_t>(unixSeconds + kJapanOffsetSeconds);
        gmtime_r(&t, &local);
    } else {
        const auto t = static_cast<std::time_t>(unixSeconds);
        localtime_r(&t, &local);
    }
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

void FixClock(const LocalDateTime& time) {
    const std::lock_guard lock(g_mutex);
    g_fixed = time;
}

void ReleaseClock() {
    const std::lock_guard lock(g_mutex);
    g_fixed.reset();
}

std::optional<LocalDateTime> ParseLocalDateTime(std::string_view text) {
    auto number = [&](std::size_t at, std::size_t len, int low, int high) -> std::optional<int> {
        if (at + len > text.size())
            return std::nullopt;
        int value = 0;
        const char* first = text.data() + at;
        const auto [end, ec] = std::from_chars(first, first + len, value);
        if (ec != std::errc() || end != first + len || value < low || value > high)
            return std::nullopt;
        return value;
    };
    if (text.size() != 10 && text.size() != 19)
        return std::nullopt;
    if (text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto year = number(0, 4, 1, 9999);
    const auto month = number(5, 2, 1, 12);
    const auto day = number(8, 2, 1, 31);
    if (!year || !month || !day)
        return std::nullopt;
    // The day must exist in that month: 2026-02-30 is no date, however plain its digits.
    const std::chrono::year_month_day date{std::chrono::year{*year},
                                           std::chrono::month{static_cast<unsigned>(*month)},
                                           std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok())
        return std::nullopt;
    LocalDateTime result{*year, *month, *day, 0, 0, 0};
    if (text.size() == 19) {
        if (text[10] != 'T' || text[13] != ':' || text[16] != ':')
            return std::nullopt;
        const auto hour = number(11, 2, 0, 23);
        const auto minute = number(14, 2, 0, 59);
        const auto second = number(17, 2, 0, 59);
        if (!hour || !minute || !second)
            return std::nullopt;
        result.Hour = *hour;
        result.Minute = *minute;
        result.Second = *second;
    }
    return result;
}

} // namespace platform
