#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The agency's warning files (warning/data/r8/{office}.json) for every office of the real
// area.json, in the real structure: one report per product that has anything in force, or one
// report with nothing in force, each listing every municipality of the office. Warnings are put
// in force by hand; by default there are none.
class TSampleJmaWarnings {
public:
    struct TInForce {
        std::string Class20;
        std::string Code;
        std::string Status = "発表";
    };
    // "CLASS20:CODE[:STATUS]" (the service's --warning); nothing when it is not that.
    static std::optional<TInForce> Parse(std::string_view text);
    // "CLASS20:COUNT" (the service's --warning-flood): COUNT kinds 発表 of codes no table knows
    // ("100", "101", ...), as a hostile answer would put them in force; empty when it is not that.
    static std::vector<TInForce> Flood(std::string_view text);

    // `areaJson`: the agency's area.json; reports are dated `year-month-day` 05:00 in Japan.
    TSampleJmaWarnings(std::string_view areaJson, std::vector<TInForce> inForce, int year,
                       int month, int day);

    // The file of an office; empty for a code that is no office.
    std::string Answer(std::string_view office) const;

private:
    std::map<std::string, std::vector<std::string>, std::less<>> class20s_; // by office
    std::vector<TInForce> inForce_;
    std::string reportTime_;  // "2026-10-04T05:00:00+09:00"
    std::string controlTime_; // the same in UTC, "2026-10-03T20:00:00Z"
};
