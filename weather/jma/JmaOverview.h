#pragma once

#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class THttpClient;

// The office's 天気概況 (forecast/data/overview_forecast/{office}.json): one object with
// publishingOffice, reportDatetime, targetArea, headlineText and text.
struct TJmaOverview {
    std::string Text;     // lines apart by "\n", paragraphs by an empty line; no blank lines or
                          // trailing spaces at either end, each line's own indent kept
    std::string Headline; // headlineText, written the same way; often empty
    std::string Time;     // reportDatetime in Japan time, "YYYY-MM-DDTHH:MM"; empty if unreadable
    bool operator==(const TJmaOverview&) const = default;
};

// Nothing for an answer that is not an overview: no JSON, more than kMaxJmaOverviewBytes, not
// an object, or no text at all (a missing or non-string "text"). A headline or time of the
// wrong type is empty. Never throws.
inline constexpr std::size_t kMaxJmaOverviewBytes = 256u * 1024u;
std::optional<TJmaOverview> ReadJmaOverview(std::string_view answer);

// A time of the agency's answers with its offset ("2023-01-28T10:32:00+09:00", "…Z", or none:
// Japan's) as Japan time "YYYY-MM-DDTHH:MM"; empty for a text that is not one.
std::string JapanMinute(std::string_view stamp);

// Where the overview of the place's office is kept in the cache folder.
std::string JmaOverviewName(const TJmaPlace& place);

// The overview of the place's office (the office that writes it: 014030 for 十勝, where the
// forecast is in 014100's file), asked for conditionally below `jmaPrefix` and kept in
// `cacheFolder` as jma/overview/{office}.answer, into the record's Overview, OverviewHeadline
// and OverviewTime. When it cannot be had (a failed download, an answer that is no overview)
// those fields are emptied and nothing else is touched. False then. Never throws.
bool AddJmaOverview(THttpClient& client, const std::string& jmaPrefix,
                    const std::string& cacheFolder, const TJmaPlace& place, TWeatherData& record);
