#pragma once

#include "platform/Cache.h"
#include "weather/WeatherData.h"

#include <cstdint>
#include <deque>
#include <map>
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
// one line per announcement, "place<TAB>code<TAB>report time", the newest last. Looking a
// warning up costs the same however long the list is.
class TAnnouncedWarnings {
public:
    // Reads the kept list (an unreadable, missing or oversized file is an empty list).
    explicit TAnnouncedWarnings(std::string cacheFolder);
    // The list a kept file's text gives, kept nowhere: lines that are not of ours are passed
    // over, and only the newest MaxLines count.
    static TAnnouncedWarnings FromText(std::string_view text);

    // The warnings of `place` to announce now, in their order, and remembers them (kept at
    // once; a file that cannot be written only risks announcing again). A warning is announced
    // when its tier is chosen (a 特別警報 always) and it is newly in force: 発表 in a report not
    // announced before, or a code not announced for the place at all (first seen). `reports`
    // holds each warning's report time, in the order of `warnings`.
    std::vector<TWarning> Announce(std::string_view place, const std::vector<TWarning>& warnings,
                                   const std::vector<std::string>& reports, TWarningNotice notice);

    // The list as the file holds it.
    std::string Text() const;
    std::size_t Size() const { return entries_.size(); }

    static constexpr std::string_view FileName = "warnings-announced.txt";
    // Older lines are dropped beyond this many.
    static constexpr std::size_t MaxLines = 500;
    // A file of ours is some tens of kilobytes; a larger one is not read.
    static constexpr std::size_t MaxFileBytes = 256u * 1024u;

private:
    TAnnouncedWarnings() = default;
    struct TEntry {
        std::string Place, Code, Report;
    };
    void Read(std::string_view text);
    void Remember(TEntry entry);
    void ForgetOldest();
    bool Announced(std::string_view place, std::string_view code,
                   std::optional<std::string_view> report) const;
    void Keep() const;

    std::optional<platform::TCache> cache_;
    std::deque<TEntry> entries_;
    // Lines per "place<TAB>code<TAB>report" and per "place<TAB>code".
    std::map<std::string, std::size_t, std::less<>> reports_, codes_;
};

// The balloon's text for announced warnings: "{place}に{names}が発表されています", naming the
// first kMaxNoticeNames warnings and counting the rest ("…ほか3件が発表されています"); the place
// and each name are cut to kMaxNoticeNameCharacters characters, so the whole text stays within
// kMaxNoticeCharacters characters however many warnings there are.
inline constexpr std::size_t kMaxNoticeNames = 4;
inline constexpr std::size_t kMaxNoticeNameCharacters = 32;
inline constexpr std::size_t kMaxNoticeCharacters = 200;
std::string WarningNoticeText(std::string_view place, const std::vector<TWarning>& warnings);
