#pragma once

#include "platform/Cache.h"
#include "weather/WeatherData.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which warnings get a balloon: the settings' choice, as stored (WarningNotice=0/1/2).
enum class TWarningNotice : std::int32_t {
    Warnings = 0,   // 警報以上 (the default)
    Advisories = 1, // 注意報も
    Off = 2,        // 通知しない (a 特別警報 is still announced)
};

// What was announced, kept in the cache folder so that a restart does not announce it again:
// one line per announcement, "place<TAB>code<TAB>report time", the newest last.
class TAnnouncedWarnings {
public:
    // Reads the kept list (an unreadable or missing file is an empty list).
    explicit TAnnouncedWarnings(std::string cacheFolder);

    // The warnings of `place` to announce now, in their order, and remembers them (kept at
    // once; a file that cannot be written only risks announcing again). A warning is announced
    // when its tier is chosen (a 特別警報 always) and it is newly in force: 発表 in a report not
    // announced before, or a code not announced for the place at all (first seen). `reports`
    // holds each warning's report time, in the order of `warnings`.
    std::vector<TWarning> Announce(std::string_view place, const std::vector<TWarning>& warnings,
                                   const std::vector<std::string>& reports, TWarningNotice notice);

    static constexpr std::string_view FileName = "warnings-announced.txt";
    // Older lines are dropped beyond this many.
    static constexpr std::size_t MaxLines = 500;

private:
    struct TEntry {
        std::string Place, Code, Report;
    };
    bool Announced(std::string_view place, std::string_view code,
                   std::optional<std::string_view> report) const;
    void Keep() const;

    std::optional<platform::TCache> cache_;
    std::deque<TEntry> entries_;
};

// The balloon's text for announced warnings: "{place}に{names}が発表されています".
std::string WarningNoticeText(std::string_view place, const std::vector<TWarning>& warnings);
