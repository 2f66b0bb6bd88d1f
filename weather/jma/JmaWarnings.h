#pragma once

#include "weather/Forecast.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"

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
    bool Known = false;               // false: no report lists the municipality
    std::vector<TWarning> Warnings;   // most severe first, then by code
    std::string Time;                 // newest report among Warnings, "YYYY-MM-DDTHH:MM"; or ""
    std::vector<std::string> Reports; // the report time of each of Warnings, in their order
    bool operator==(const TJmaWarnings&) const = default;
};

// The warnings in force for `class20` among all the reports of an r8 answer: every kind with a
// code whose status is not 解除 or 発表警報・注意報はなし (a downgrade or an unknown status is in
// force, with its text); of one code in two reports, the newer report's kind counts. Nothing when
// the text is not such an answer (no JSON array, or no report with municipalities). Never throws.
std::optional<TJmaWarnings> ReadJmaWarnings(std::string_view answer, std::string_view class20);

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
// kept under `request.CacheFolder`. A 404 is a failure, never "none". Never throws for bad data.
TWarningsOutcome LoadJmaWarnings(THttpClient& client, const TForecastRequest& request);

// The message for a failed download.
inline constexpr std::string_view kWarningsFailedMessage = "警報・注意報を取得できません";
