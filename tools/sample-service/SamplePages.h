#pragma once

#include "weather/LocationList.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Pages in both services' formats for every entry of a location list, dated to one "today",
// with weather that varies by place, day and hour but is the same on every request.
// Routes: "/lite/" + field 3 (point page), "/lite/" + field 4 (summary page),
// "/component/static_api/lite/forecast_point/table/CODE_today.js" and "CODE_tomorrow.js"
// (the table scripts that the point page names), "/weather/jp/" + fields 5 and 6.
class TSampleSite {
public:
    struct Page {
        std::string ContentType;
        std::string Body;
    };

    // `announceHour` is the hour written as the announcement time (5, 11 or 17 suit).
    TSampleSite(std::vector<TLocationEntry> entries, int year, int month, int day,
                int announceHour = 17);

    // The page of a path (without query), or nothing for an unknown path.
    std::optional<Page> Get(std::string_view path) const;

    const std::vector<TLocationEntry>& Entries() const { return entries_; }

    // The code the TenkiLite point page of an entry names for its table scripts.
    const std::string& ScriptCode(std::size_t entry) const { return codes_[entry]; }

private:
    enum class Kind { LitePoint, LiteToday, LiteTomorrow, LiteDays, YahooPoint, YahooDays };
    struct Route {
        Kind kind;
        std::size_t entry;
    };

    std::vector<TLocationEntry> entries_;
    std::vector<std::string> codes_;
    std::unordered_map<std::string, Route> routes_;
    int year_, month_, day_, announceHour_;
};
