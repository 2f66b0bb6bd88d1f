#pragma once

#include "weather/Forecast.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class THttpClient;

// The agency's warnings and advisories (気象警報・注意報) for one municipality, from its office's
// file `warning/data/r8/{office}.json`: an array of reports, one per product, each listing every
// municipality (class20) of the office with its kinds. The older `warning/data/warning/` files
// stopped changing in 2026 and are never read.

// One entry of the agency's code table.
struct TWarningKind {
    std::string_view Code;
    std::string_view Name;
    TWarningLevel Level;
};
// The table, by code.
std::span<const TWarningKind> WarningKinds();
// The name and tier of a code: from the table, else "警報・注意報 (コードNN)" at the warning tier
// (a kind the table does not know yet is never dropped).
TWarning WarningOfCode(std::string_view code, std::string_view status);

// What one answer says of a municipality.
struct TJmaWarnings {
    // false: no report lists the municipality, or one lists it with a warning in force that
    // cannot be read (unknown, never "none")
    bool Known = false;
    std::vector<TWarning> Warnings; // most severe first, then by code
    std::string Time; // newest report among Warnings, "YYYY-MM-DDTHH:MM" (Japan); or ""
    std::vector<std::string> Reports; // the report time of each of Warnings, in their order
    // Kinds of codes the table does not know that were passed over: a municipality has a few
    // dozen kinds at most, so only the first kMaxUnknownWarningCodes unknown codes are kept.
    std::size_t DroppedCodes = 0;
    bool operator==(const TJmaWarnings&) const = default;
};
inline constexpr std::size_t kMaxUnknownWarningCodes = 8;
// A report dated further ahead of the clock than this is not trusted: it is passed over.
inline constexpr std::int64_t kMaxReportAhead = 24 * 60 * 60;

// The warnings in force for `class20` among all the reports of an r8 answer at `unixNow`: every
// kind with a code whose status is not 解除 or 発表警報・注意報はなし (a downgrade or an unknown
// status is in force, with its text); of one code in two reports, the newer report's kind counts
// (report times compared as instants, whatever their zone; a time that cannot be read is the
// oldest; a report more than kMaxReportAhead after `unixNow` is passed over). Of codes the table
// does not know, the first kMaxUnknownWarningCodes count and the rest is DroppedCodes. A report
// listing the municipality with `kinds` that is not an array, or with a kind in force whose code
// is not a few ASCII letters and digits, makes it unknown. Nothing when the text is not such an
// answer (no JSON array, or no report with municipalities). Never throws.
std::optional<TJmaWarnings> ReadJmaWarnings(std::string_view answer, std::string_view class20,
                                            std::int64_t unixNow);

// The result of one download.
struct TWarningsOutcome {
    TJmaWarnings Warnings;
    // The download or the place's constants failed: unknown, and worth saying so. False with
    // unknown warnings for a place the agency does not cover (outside Japan, not found).
    bool Failed = false;
    // The agency's place resolved during this load, for the caller to keep.
    std::optional<TJmaPlace> FoundJmaPlace;
};

// The warnings for the request's place (its JmaPlace, else its prefecture and municipality
// resolved through the constants, whatever the source), asked for conditionally with the copy
// kept under `request.CacheFolder`. A 404, or an answer that leaves the place unknown, is a
// failure, never "none"; a kept copy that leaves it unknown is asked for again whole. Unknown
// codes passed over are logged. Never throws for bad data.
TWarningsOutcome LoadJmaWarnings(THttpClient& client, const TForecastRequest& request);

// The message for a failed download.
inline constexpr std::string_view kWarningsFailedMessage = "警報・注意報を取得できません";
