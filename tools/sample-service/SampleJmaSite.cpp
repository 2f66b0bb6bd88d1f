#include "SampleJmaSite.h"
#include "SampleApi.h"
#include "SampleHash.h"

#include "weather/jma/JmaPlace.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>

namespace {

using sample::HashText;
using sample::Mix;

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Seconds since 1970 of a time in Japan (UTC+9).
std::int64_t JapanSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&t)) - 9 * 60 * 60;
}

// "Thu, 12 Mar 2026 20:00:00 GMT", in English whatever the locale.
std::string HttpDate(std::int64_t seconds) {
    const std::time_t at = static_cast<std::time_t>(seconds);
    std::tm t{};
    gmtime_r(&at, &t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[t.tm_wday],
                  t.tm_mday, kMonths[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    char day[4] = {}, month[4] = {};
    int d = 0, y = 0, h = 0, m = 0, s = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%3s, %d %3s %d %d:%d:%d GMT", day, &d, month, &y, &h, &m, &s) !=
        7)
        return std::nullopt;
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (std::string_view(month) == kMonths[i])
            return JapanSeconds(y, static_cast<int>(i) + 1, d, h, m, s) + 9 * 60 * 60;
    return std::nullopt;
}

// The report time of a forecast answer ("2026-03-12T05:00:00+09:00" of its first part).
std::optional<std::int64_t> ReportTime(std::string_view answer) {
    const nlohmann::json root = nlohmann::json::parse(answer, nullptr, false);
    if (!root.is_array() || root.empty() || !root[0].is_object())
        return std::nullopt;
    const auto it = root[0].find("reportDatetime");
    if (it == root[0].end() || !it->is_string())
        return std::nullopt;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(it->get<std::string>().c_str(), "%4d-%2d-%2dT%2d:%2d:%2d+09:00", &y, &mo, &d,
                    &h, &mi, &s) != 6)
        return std::nullopt;
    return JapanSeconds(y, mo, d, h, mi, s);
}

std::string ETagOf(std::string_view body) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "\"%016llx\"", static_cast<unsigned long long>(HashText(body)));
    return buf;
}

// [degrees, minutes to a tenth], as the table writes a coordinate; whole minutes as integers.
nlohmann::ordered_json DegreesMinutes(double value) {
    int degrees = static_cast<int>(std::floor(value));
    double minutes = std::round((value - degrees) * 600.0) / 10.0;
    if (minutes >= 60.0) {
        ++degrees;
        minutes = 0.0;
    }
    if (minutes == std::floor(minutes))
        return {degrees, static_cast<int>(minutes)};
    return {degrees, minutes};
}

// Every station of forecast_area.json, scattered within a quarter degree of its prefecture's
// seat (the prefecture is the office code's first two digits), named after its area's
// representative municipality.
std::string MakeAmedasTable(std::string_view areaJson, std::string_view forecastAreaJson) {
    const nlohmann::json area = nlohmann::json::parse(areaJson, nullptr, false);
    const nlohmann::json forecastArea = nlohmann::json::parse(forecastAreaJson, nullptr, false);
    std::map<std::string, nlohmann::ordered_json> stations;
    if (!forecastArea.is_object())
        return "{}";
    for (const auto& [office, areas] : forecastArea.items()) {
        const auto centre = SamplePrefectureCentre(JmaPrefectureName(office.substr(0, 2)));
        if (!centre || !areas.is_array())
            continue;
        for (const auto& entry : areas) {
            std::string name = "観測所";
            if (area.is_object() && entry.contains("class20") && entry["class20"].is_string()) {
                const std::string class20 = entry["class20"].get<std::string>();
                if (area.contains("class20s") && area["class20s"].contains(class20))
                    name = area["class20s"][class20].value("name", name);
            }
            if (!entry.contains("amedas") || !entry["amedas"].is_array())
                continue;
            int n = 0;
            for (const auto& code : entry["amedas"]) {
                if (!code.is_string() || stations.count(code.get<std::string>()))
                    continue;
                const std::string id = code.get<std::string>();
                const std::uint64_t h = HashText(id);
                const double lat =
                    centre->Latitude + (static_cast<double>(Mix(h) % 1000) / 1000.0 - 0.5) * 0.5;
                const double lon = centre->Longitude +
                                   (static_cast<double>(Mix(h + 1) % 1000) / 1000.0 - 0.5) * 0.5;
                stations[id] = {{"type", "A"},
                                {"elems", "11111111"},
                                {"lat", DegreesMinutes(lat)},
                                {"lon", DegreesMinutes(lon)},
                                {"alt", static_cast<int>(Mix(h + 2) % 300)},
                                {"kjName", n == 0 ? name : name + std::to_string(n + 1)},
                                {"knName", "サンプル"},
                                {"enName", "Sample " + id}};
                ++n;
            }
        }
    }
    nlohmann::ordered_json table = nlohmann::ordered_json::object();
    for (auto& [code, station] : stations)
        table[code] = std::move(station);
    return table.dump();
}

} // namespace

TSampleJmaSite::TSampleJmaSite(int year, int month, int day,
                               std::vector<TSampleJmaWarnings::TInForce> warnings)
    : forecasts_(SampleAreaJson(), SampleForecastAreaJson(), year, month, day),
      warnings_(SampleAreaJson(), std::move(warnings), year, month, day),
      amedasTable_(MakeAmedasTable(SampleAreaJson(), SampleForecastAreaJson())),
      constantsDate_(HttpDate(JapanSeconds(year, month, day, 0, 0, 0))) {}

std::optional<TSampleJmaSite::Page> TSampleJmaSite::Get(std::string_view path, int hour) const {
    Page page;
    page.ContentType = "application/json";
    page.LastModified = constantsDate_;
    if (path == kJmaAreaPath)
        page.Body = std::string(SampleAreaJson());
    else if (path == kJmaForecastAreaPath)
        page.Body = std::string(SampleForecastAreaJson());
    else if (path == kJmaAmedasTablePath)
        page.Body = amedasTable_;
    else if (constexpr std::string_view r8 = "warning/data/r8/";
             path.starts_with(r8) && path.ends_with(".json")) {
        page.Body = warnings_.Answer(
            path.substr(r8.size(), path.size() - r8.size() - std::string_view(".json").size()));
        if (page.Body.empty())
            return std::nullopt;
    } else {
        constexpr std::string_view prefix = "forecast/data/forecast/";
        if (!path.starts_with(prefix) || !path.ends_with(".json"))
            return std::nullopt;
        const std::string_view office = path.substr(
            prefix.size(), path.size() - prefix.size() - std::string_view(".json").size());
        page.Body = forecasts_.Forecast(office, hour);
        if (page.Body.empty())
            return std::nullopt;
        if (const auto reported = ReportTime(page.Body))
            page.LastModified = HttpDate(*reported);
    }
    page.ETag = ETagOf(page.Body);
    return page;
}

bool TSampleJmaSite::NotModified(const Page& page, std::string_view ifNoneMatch,
                                 std::string_view ifModifiedSince) {
    if (!ifNoneMatch.empty()) {
        // A list of tags, weak ones compared by their value.
        while (!ifNoneMatch.empty()) {
            const std::size_t comma = std::min(ifNoneMatch.find(','), ifNoneMatch.size());
            std::string_view tag = ifNoneMatch.substr(0, comma);
            ifNoneMatch.remove_prefix(std::min(comma + 1, ifNoneMatch.size()));
            while (!tag.empty() && tag.front() == ' ')
                tag.remove_prefix(1);
            while (!tag.empty() && tag.back() == ' ')
                tag.remove_suffix(1);
            if (tag.starts_with("W/"))
                tag.remove_prefix(2);
            if (tag == "*" || tag == page.ETag)
                return true;
        }
        return false;
    }
    const auto since = ParseHttpDate(ifModifiedSince);
    const auto modified = ParseHttpDate(page.LastModified);
    return since && modified && *modified <= *since;
}
