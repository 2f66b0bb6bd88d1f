#pragma once

#include <optional>
#include <span>
#include <string_view>

// The agency's weather codes (the weatherCodes of its forecast answers) and the texts the
// record holds for them. The agency writes 後 where the page services write のち, and some of
// its texts name a time or a part of the area (晴朝夕一時雨); the record's text is the nearest
// form that the skins' icon selection draws with the right pictures (晴一時雨). The table is
// documented in docs/README-jma.md.
struct TJmaWeatherCode {
    int Code;
    std::string_view Agency; // the agency's own short text
    std::string_view Text;   // the record's text
};

// All 118 codes, in ascending order.
std::span<const TJmaWeatherCode> JmaWeatherCodes();

// The record's text of a code as the answers write it ("101"); nothing for anything that is
// not a code of the table.
std::optional<std::string_view> JmaWeatherText(std::string_view code);
