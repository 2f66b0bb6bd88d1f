#include "SampleJmaSite.h"
#include "SampleApi.h"
#include "SampleHash.h"

#include "platform/Clock.h"
#include "weather/jma/JmaPlace.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <vector>

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

// The report time of an answer ("2026-03-12T05:00:00+09:00" of its first part).
std::optional<std::int64_t> ReportTime(std::string_view answer) {
    const nlohmann::json root = nlohmann::json::parse(answer, nullptr, false);
    if (!root.is_array() || root.empty() || !root[0].is_object())
        return std::nullopt;
    // The series spells it with a capital T.
    auto it = root[0].find("reportDatetime");
    if (it == root[0].end())
        it = root[0].find("reportDateTime");
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

// Each class20 of forecast_area.json with the stations of its class10, at most five.
std::string MakeClass20List(std::string_view forecastAreaJson) {
    const nlohmann::json forecastArea = nlohmann::json::parse(forecastAreaJson, nullptr, false);
    nlohmann::ordered_json list = nlohmann::ordered_json::object();
    if (!forecastArea.is_object())
        return "{}";
    std::map<std::string, std::vector<std::string>> byClass10;
    std::map<std::string, std::string> class10Of;
    for (const auto& [office, areas] : forecastArea.items()) {
        if (!areas.is_array())
            continue;
        for (const auto& entry : areas) {
            if (!entry.is_object() || !entry.contains("amedas") || !entry["amedas"].is_array())
                continue;
            const std::string class10 = entry.value("class10", "");
            const std::string class20 = entry.value("class20", "");
            if (class10.empty() || class20.empty())
                continue;
            class10Of[class20] = class10;
            for (const auto& code : entry["amedas"])
                if (code.is_string() && byClass10[class10].size() < 5)
                    byClass10[class10].push_back(code.get<std::string>());
        }
    }
    for (const auto& [class20, class10] : class10Of)
        if (!byClass10[class10].empty())
            list[class20] = byClass10[class10];
    return list.dump();
}

// A value as the agency writes it, one decimal.
nlohmann::ordered_json Pair(double value) {
    return nlohmann::ordered_json::array({std::round(value * 10.0) / 10.0, 0});
}

// A time of Japan's clock (seconds counted as if it were UTC) in a strftime format.
std::string JapanText(std::int64_t local, const char* format) {
    const std::time_t t = static_cast<std::time_t>(local);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

} // namespace

TSampleJmaSite::TSampleJmaSite(int year, int month, int day,
                               std::vector<TSampleJmaWarnings::TInForce> warnings)
    : forecasts_(SampleAreaJson(), SampleForecastAreaJson(), year, month, day),
      warnings_(SampleAreaJson(), std::move(warnings), year, month, day),
      amedasTable_(MakeAmedasTable(SampleAreaJson(), SampleForecastAreaJson())),
      class20List_(MakeClass20List(SampleForecastAreaJson())),
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
    else if (constexpr std::string_view series = "jmatile/data/wdist/VPFD/";
             path.starts_with(series) && path.ends_with(".json")) {
        page.Body =
            forecasts_.Series(path.substr(series.size(), path.size() - series.size() -
                                                             std::string_view(".json").size()),
                              hour);
        if (page.Body.empty())
            return std::nullopt;
        page.LastModified = HttpDate(ReportTime("[" + page.Body + "]").value_or(0));
    } else if (path.starts_with("amedas/")) {
        return GetAmedas(path, platform::UnixSecondsNow());
    } else if (path.starts_with("jmatile/data/nowc/")) {
        return GetNowcast(path, platform::UnixSecondsNow());
    } else if (constexpr std::string_view r8 = "warning/data/r8/";
               path.starts_with(r8) && path.ends_with(".json")) {
        page.Body = warnings_.Answer(
            path.substr(r8.size(), path.size() - r8.size() - std::string_view(".json").size()));
        if (page.Body.empty())
            return std::nullopt;
    } else if (constexpr std::string_view overview = "forecast/data/overview_forecast/";
               path.starts_with(overview) && path.ends_with(".json")) {
        page.Body =
            forecasts_.Overview(path.substr(overview.size(), path.size() - overview.size() -
                                                                 std::string_view(".json").size()),
                                hour);
        if (page.Body.empty())
            return std::nullopt;
        page.LastModified = HttpDate(ReportTime("[" + page.Body + "]").value_or(0));
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

std::optional<TSampleJmaSite::Page> TSampleJmaSite::GetAmedas(std::string_view path,
                                                              std::int64_t unixNow) const {
    constexpr std::int64_t japan = 9 * 60 * 60;
    const std::int64_t latest = (unixNow + japan) / 600 * 600; // on Japan's clock
    Page page;
    page.ContentType = "application/json";
    if (path == kJmaAmedasClass20ListPath) {
        page.Body = class20List_;
        page.LastModified = constantsDate_;
    } else if (path == "amedas/data/latest_time.txt") {
        page.Body = JapanText(latest, "%Y-%m-%dT%H:%M:00+09:00");
        page.ContentType = "text/plain";
        page.LastModified = HttpDate(latest - japan);
    } else {
        // amedas/data/point/{station}/{YYYYMMDD}_{HH}.json, blocks up to the latest time
        constexpr std::string_view prefix = "amedas/data/point/";
        if (!path.starts_with(prefix))
            return std::nullopt;
        const std::string_view rest = path.substr(prefix.size());
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos || rest.size() != slash + 1 + 16 ||
            !rest.ends_with(".json"))
            return std::nullopt;
        const std::string station(rest.substr(0, slash));
        const nlohmann::json table = nlohmann::json::parse(amedasTable_, nullptr, false);
        if (!table.is_object() || table.empty() || !table.contains(station) || station.size() != 5)
            return std::nullopt;
        const std::string_view block = rest.substr(slash + 1, 11);
        std::int64_t start = -1;
        const std::int64_t today = latest / 86400 * 86400;
        for (const std::int64_t day : {today - 86400, today})
            for (std::int64_t hour = 0; hour < 24; hour += 3)
                if (JapanText(day + hour * 3600, "%Y%m%d_%H") == block)
                    start = day + hour * 3600;
        if (start < 0 || start > latest)
            return std::nullopt;
        const bool missing = station == table.begin().key();
        const std::uint64_t h = HashText(station);
        nlohmann::ordered_json records = nlohmann::ordered_json::object();
        for (std::int64_t at = start; at < start + 3 * 3600 && at <= latest; at += 600) {
            const double hour = static_cast<double>(at % 86400) / 3600.0;
            // Coolest in January and before dawn, warmest in July and at two in the afternoon.
            constexpr double turn = 2.0 * 3.14159265358979;
            const double month = std::stod(JapanText(at, "%m")) - 1.0;
            const double temp = 13.0 - 10.0 * std::cos((month - 0.5) / 12.0 * turn) +
                                static_cast<double>(Mix(h) % 40) / 10.0 +
                                5.0 * std::cos((hour - 14.0) / 24.0 * turn);
            nlohmann::ordered_json record = {
                {"prefNumber", std::stoi(station.substr(0, 2))},
                {"observationNumber", std::stoi(station.substr(2))},
                {"temp", missing ? nlohmann::ordered_json::array({nullptr, 6}) : Pair(temp)},
                {"sun10m", nlohmann::ordered_json::array({0, 0})},
                {"precipitation10m", Pair(0.0)},
                {"precipitation1h", Pair(static_cast<double>(Mix(h + 3) % 3) * 0.5)},
                {"windDirection",
                 nlohmann::ordered_json::array(
                     {static_cast<int>((Mix(h + 4) + static_cast<std::uint64_t>(at / 3600)) % 17),
                      0})},
                {"wind", Pair(0.5 + static_cast<double>(Mix(h + 5) % 40) / 10.0)},
            };
            if (!missing)
                record["humidity"] = nlohmann::ordered_json::array(
                    {55 + static_cast<int>(Mix(h + 6) % 35) - static_cast<int>(hour) / 2, 0});
            records[JapanText(at, "%Y%m%d%H%M%S")] = std::move(record);
        }
        page.Body = records.dump();
        page.LastModified = HttpDate(std::min(latest, start + 3 * 3600 - 600) - japan);
    }
    page.ETag = ETagOf(page.Body);
    return page;
}

void TSampleJmaSite::BringRain(std::vector<TSampleNowcast::TRainIn> rainIn, std::int64_t start) {
    nowcast_ = TSampleNowcast(std::move(rainIn), start);
}

std::optional<TSampleJmaSite::Page> TSampleJmaSite::GetNowcast(std::string_view path,
                                                               std::int64_t unixNow) const {
    const auto found = nowcast_.Get(path, unixNow);
    if (!found)
        return std::nullopt;
    Page page;
    page.Body = found->Body;
    page.ContentType = found->ContentType;
    // The lists change with every analysis; a tile never changes once published.
    page.LastModified = HttpDate(TSampleNowcast::NewestAnalysis(unixNow));
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
