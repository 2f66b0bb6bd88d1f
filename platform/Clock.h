#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The one place the program reads the clock, so tests and tools can fix it. Safe to call from
// any thread (downloads read the date while a test may be fixing the clock).
namespace platform {

struct LocalDateTime {
    int Year = 1970;
    int Month = 1; // 1-12
    int Day = 1;   // 1-31
    int Hour = 0;  // 0-23
    int Minute = 0;
    int Second = 0;
};

// Whose wall clock the program reads: the computer's, or Japan's for a source whose days and
// hours are Japan's (the agency's), whatever the computer's zone.
enum class ClockZone { Computer, Japan };
void SetClockZone(ClockZone zone);
ClockZone CurrentClockZone();

// The wall-clock time in the clock's zone, or the fixed time.
LocalDateTime LocalNow();

// Japan's wall-clock time whatever the clock's zone, or the fixed time.
LocalDateTime JapanNow();

// Seconds since 1 January 1970 UTC; with a fixed clock, those of the fixed local time.
std::int64_t UnixSecondsNow();

// Seconds since 1 January 1970 UTC of a wall-clock time in the clock's zone. Fields out of range
// are carried over (Day 32 of December is 1 January), as mktime does.
std::int64_t ToUnixSeconds(const LocalDateTime& time);

// The wall-clock time in the clock's zone of a count of seconds since 1 January 1970 UTC.
LocalDateTime ToLocalDateTime(std::int64_t unixSeconds);

// Fixes the clock at a local time until ReleaseClock (it does not advance).
void FixClock(const LocalDateTime& time);
void ReleaseClock();

// "YYYY-MM-DDTHH:MM:SS" (or "YYYY-MM-DD", midnight); nothing for any other text and for a day
// that is not in the calendar (2026-02-30).
std::optional<LocalDateTime> ParseLocalDateTime(std::string_view text);

} // namespace platform
