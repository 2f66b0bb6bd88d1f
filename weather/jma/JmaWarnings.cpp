// The agency's warnings for one municipality: its code table, the reading of an office's r8
// file, and the download.
#include "weather/jma/JmaWarnings.h"

#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"
#include "weather/KeptAnswer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <iostream>
#include <map>

using json = nlohmann::json;

namespace {

// The table of tests/data/jma/warning/codes.tsv (names since the reform of 2026-05-28), by code.
constexpr std::array<TWarningKind, 36> kKinds = {{
    {"02", "暴風雪警報", TWarningLevel::Warning},
    {"03", "レベル3大雨警報", TWarningLevel::Warning},
    {"04", "洪水警報", TWarningLevel::Warning},
    {"05", "暴風警報", TWarningLevel::Warning},
    {"06", "大雪警報", TWarningLevel::Warning},
    {"07", "波浪警報", TWarningLevel::Warning},
    {"08", "レベル3高潮警報", TWarningLevel::Warning},
    {"09", "レベル3土砂災害警報", TWarningLevel::Warning},
    {"10", "レベル2大雨注意報", TWarningLevel::Advisory},
    {"12", "大雪注意報", TWarningLevel::Advisory},
    {"13", "風雪注意報", TWarningLevel::Advisory},
    {"14", "雷注意報", TWarningLevel::Advisory},
    {"15", "強風注意報", TWarningLevel::Advisory},
    {"16", "波浪注意報", TWarningLevel::Advisory},
    {"17", "融雪注意報", TWarningLevel::Advisory},
    {"18", "洪水注意報", TWarningLevel::Advisory},
    {"19", "レベル2高潮注意報", TWarningLevel::Advisory},
    {"20", "濃霧注意報", TWarningLevel::Advisory},
    {"21", "乾燥注意報", TWarningLevel::Advisory},
    {"22", "なだれ注意報", TWarningLevel::Advisory},
    {"23", "低温注意報", TWarningLevel::Advisory},
    {"24", "霜注意報", TWarningLevel::Advisory},
    {"25", "着氷注意報", TWarningLevel::Advisory},
    {"26", "着雪注意報", TWarningLevel::Advisory},
    {"27", "その他の注意報", TWarningLevel::Advisory},
    {"29", "レベル2土砂災害注意報", TWarningLevel::Advisory},
    {"32", "暴風雪特別警報", TWarningLevel::Emergency},
    {"33", "レベル5大雨特別警報", TWarningLevel::Emergency},
    {"35", "暴風特別警報", TWarningLevel::Emergency},
    {"36", "大雪特別警報", TWarningLevel::Emergency},
    {"37", "波浪特別警報", TWarningLevel::Emergency},
    {"38", "レベル5高潮特別警報", TWarningLevel::Emergency},
    {"39", "レベル5土砂災害特別警報", TWarningLevel::Emergency},
    {"43", "レベル4大雨危険警報", TWarningLevel::Danger},
    {"48", "レベル4高潮危険警報", TWarningLevel::Danger},
    {"49", "レベル4土砂災害危険警報", TWarningLevel::Danger},
}};

// A kind's properties nest about ten deep; anything deeper is dropped while parsing.
constexpr int kMaxDepth = 16;
// An office's file is a few kilobytes; a product of many municipalities some tens.
constexpr std::size_t kMaxWarningBytes = 1024u * 1024u;
// Longer status texts are no text of the agency's.
constexpr std::size_t kMaxStatusCharacters = 32;

// The statuses that say a kind is not in force.
bool NotInForce(std::string_view status) {
    return status == "解除" || status == "発表警報・注意報はなし";
}

std::string TextOf(const json* value) {
    return value != nullptr && value->is_string() ? value->get<std::string>() : std::string();
}

// A code as the agency writes them: a few ASCII letters and digits.
bool PlausibleCode(std::string_view code) {
    if (code.empty() || code.size() > 8)
        return false;
    return std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

bool KnownCode(std::string_view code) {
    return std::any_of(kKinds.begin(), kKinds.end(),
                       [&](const TWarningKind& k) { return k.Code == code; });
}

// The order of the record: the most severe tier first, then by code.
bool ShownBefore(const TWarning& a, const TWarning& b) {
    if (a.Level != b.Level)
        return a.Level > b.Level;
    return a.Code < b.Code;
}

} // namespace

std::span<const TWarningKind> WarningKinds() {
    return kKinds;
}

TWarning WarningOfCode(std::string_view code, std::string_view status) {
    TWarning warning;
    warning.Code = std::string(code);
    warning.Status = std::string(status);
    const auto found = std::find_if(kKinds.begin(), kKinds.end(),
                                    [&](const TWarningKind& k) { return k.Code == code; });
    if (found != kKinds.end()) {
        warning.Name = std::string(found->Name);
        warning.Level = found->Level;
    } else {
        warning.Name = "警報・注意報 (コード" + std::string(code) + ")";
        warning.Level = TWarningLevel::Warning;
    }
    return warning;
}

std::optional<TJmaWarnings> ReadJmaWarnings(std::string_view answer, std::string_view class20,
                                            std::int64_t unixNow) {
    const json root = ParseJsonAnswer(answer, kMaxWarningBytes, kMaxDepth);
    if (!root.is_array())
        return std::nullopt;
    struct TSeen {
        std::string Status;
        std::optional<std::int64_t> At; // the report's; nothing when it cannot be read
    };
    // By code: the table's kinds and a few unknown ones, however long the answer.
    std::map<std::string, TSeen, std::less<>> latest;
    std::size_t unknownCodes = 0;
    bool anyReport = false;
    TJmaWarnings result;
    for (const json& report : root) {
        const json* items = JsonMember(JsonMember(&report, "warning"), "class20Items");
        if (items == nullptr || !items->is_array())
            continue;
        anyReport = true;
        const auto at = ZonedTimeSeconds(TextOf(JsonMember(&report, "reportDatetime")));
        // A report from the future (a wrong clock, a forged date) would outrank every other.
        if (at && *at > unixNow + kMaxReportAhead)
            continue;
        for (const json& item : *items) {
            if (TextOf(JsonMember(&item, "areaCode")) != class20)
                continue;
            result.Known = true;
            const json* kinds = JsonMember(&item, "kinds");
            if (kinds == nullptr || !kinds->is_array())
                return TJmaWarnings{}; // listed, but what is in force cannot be told
            for (const json& kind : *kinds) {
                const std::string code = TextOf(JsonMember(&kind, "code"));
                std::string status = TextOf(JsonMember(&kind, "status"));
                if (!PlausibleCode(code)) {
                    if (NotInForce(status))
                        continue; // nothing in force is lost
                    return TJmaWarnings{};
                }
                // An overlong status is cut, not dropped: the warning stays in force.
                status = std::string(platform::Utf8Prefix(status, kMaxStatusCharacters));
                const auto seen = latest.find(code);
                if (seen == latest.end()) {
                    if (!KnownCode(code) && unknownCodes == kMaxUnknownWarningCodes) {
                        ++result.DroppedCodes;
                        continue;
                    }
                    unknownCodes += KnownCode(code) ? 0 : 1;
                    latest.emplace(code, TSeen{std::move(status), at});
                } else if (seen->second.At <= at) {
                    // A newer report decides; of two at the same time, the later in the file.
                    seen->second = {std::move(status), at};
                }
            }
        }
    }
    if (!anyReport)
        return std::nullopt;
    std::vector<std::pair<TWarning, std::optional<std::int64_t>>> inForce;
    std::optional<std::int64_t> newest;
    for (const auto& [code, seen] : latest) {
        if (NotInForce(seen.Status))
            continue;
        inForce.emplace_back(WarningOfCode(code, seen.Status), seen.At);
        newest = std::max(newest, seen.At);
    }
    std::sort(inForce.begin(), inForce.end(),
              [](const auto& a, const auto& b) { return ShownBefore(a.first, b.first); });
    for (auto& [warning, at] : inForce) {
        result.Warnings.push_back(std::move(warning));
        result.Reports.push_back(at ? JapanTimeText(*at) : std::string());
    }
    result.Time = newest ? JapanTimeText(*newest) : std::string();
    return result;
}

namespace {

// The office names a file of the site and of the cache: six digits and nothing else.
bool Usable(const TJmaPlace& place) {
    if (place.Office.size() != 6 || place.Class20.empty())
        return false;
    return std::all_of(place.Office.begin(), place.Office.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

TWarningsOutcome LoadJmaWarnings(THttpClient& client, const TForecastRequest& request) {
    TWarningsOutcome outcome;
    if (request.JmaPrefix.empty())
        return outcome;
    std::optional<TJmaPlace> place = request.JmaPlace;
    if (!place || !Usable(*place)) {
        const TJmaPlaceResult found = LookUpJmaPlace(client, request.JmaPrefix, request.CacheFolder,
                                                     request.Prefecture, request.Municipality);
        if (found.Result == TJmaLookup::NotFound)
            return outcome; // not the agency's: unknown, and nothing failed
        if (found.Result != TJmaLookup::Found || !Usable(found.Place)) {
            outcome.Failed = true;
            return outcome;
        }
        place = found.Place;
        outcome.FoundJmaPlace = place;
    }
    const std::string office = JmaWarningOffice(*place);
    const TKeptAnswerRequest file{request.JmaPrefix + "warning/data/r8/" + office + ".json",
                                  request.CacheFolder, "jma/warning/" + office + ".answer",
                                  kMaxWarningBytes};
    // An answer that leaves the place unknown says nothing of it: as unknown as no answer, and
    // never kept (a kept copy changed since is asked for again whole).
    const auto read = [&](std::string_view answer) {
        auto warnings = ReadJmaWarnings(answer, place->Class20, platform::UnixSecondsNow());
        if (!warnings || !warnings->Known)
            return false;
        outcome.Warnings = std::move(*warnings);
        return true;
    };
    if (FetchKeptAnswer(client, file, read) != TKeptAnswerResult::Used) {
        outcome.Warnings = {};
        outcome.Failed = true;
    } else if (outcome.Warnings.DroppedCodes > 0) {
        std::cerr << "pelumi: 気象庁の警報・注意報 (" << office << ") の表にないコード "
                  << outcome.Warnings.DroppedCodes << " 件を読み捨てました (最初の "
                  << kMaxUnknownWarningCodes << " 種だけを示します)\n";
    }
    return outcome;
}
