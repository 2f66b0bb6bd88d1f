#include "weather/KeptForecast.h"

#include "weather/JsonAnswer.h"
#include "weather/RecordJson.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>

using json = nlohmann::json;

namespace {

// A file of another number is ignored: written by a version that stored something else.
constexpr int kFormat = 1;

// A kept forecast is a few kilobytes; anything much larger is not one.
constexpr std::size_t kMaxBytes = 1024 * 1024;

// The record nests two deep and the key three.
constexpr int kMaxDepth = 8;

// Seconds since 1970 of the first second of 1970 and of 9999-12-31: a time outside is no
// time the clock could have given, and overflows the conversions to a calendar.
constexpr std::int64_t kFirstFetch = 0;
constexpr std::int64_t kLastFetch = 253402300799;

// A forecast kept for today was fetched today or in the days just before; a time further from
// today is of a clock that was wrong, or of a file made by hand.
constexpr double kFetchedDaysBefore = 3;
constexpr double kFetchedDaysAfter = 1;
constexpr double kUnixEpochDay = 25569; // 1 January 1970 as a day count

json KeyObject(const TForecastRequest& request) {
    json key = {
        {"Source", static_cast<std::int32_t>(request.Source)},
        {"Url1", request.Url1},
        {"Url2", request.Url2},
        {"ForecastPrefix", request.ForecastPrefix},
        {"GeocodingPrefix", request.GeocodingPrefix},
        {"JmaPrefix", request.JmaPrefix},
        {"Prefecture", request.Prefecture},
        {"Municipality", request.Municipality},
        {"Coordinates", nullptr},
    };
    if (request.Coordinates)
        key["Coordinates"] = {request.Coordinates->Latitude, request.Coordinates->Longitude};
    return key;
}

std::string Canonical(const json& value) {
    // Members come sorted by name and strings as given, so equal keys give equal text.
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

std::string KeptForecastName(std::string_view settingsFileName) {
    // FNV-1a: the name must stay the same from one version to the next, whatever the library.
    const std::string path =
        std::filesystem::path(settingsFileName).lexically_normal().generic_string();
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : path) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[48];
    std::snprintf(name, sizeof name, "last-forecast-%016llx.json",
                  static_cast<unsigned long long>(hash));
    return name;
}

std::string ForecastKey(const TForecastRequest& request) {
    return Canonical(KeyObject(request));
}

TDateTime RecordToday(const TWeatherData& record) {
    if (record.DayDate[0] != 0.0)
        return record.DayDate[0];
    if (record.PointDate[0] != 0.0)
        return record.PointDate[0];
    for (const TDateTime tomorrow : {record.PointDate[8], record.DayDate[1], record.WeekDate[0]})
        if (tomorrow != 0.0)
            return tomorrow - 1;
    return 0.0;
}

bool HoldsForecast(const TWeatherData& record) {
    TWeatherData empty;
    empty.Clear();
    empty.Information = record.Information;
    empty.Now = record.Now; // the weather now is no forecast
    // The warnings have a cadence of their own: they make no forecast.
    empty.WarningsKnown = record.WarningsKnown;
    empty.Warnings = record.Warnings;
    empty.WarningsTime = record.WarningsTime;
    empty.WarningsNote = record.WarningsNote;
    // Nor does the rain of the next hour.
    empty.RainStep = record.RainStep;
    empty.RainTime = record.RainTime;
    empty.Rain = record.Rain;
    empty.RainStartsIn = record.RainStartsIn;
    empty.RainEndsIn = record.RainEndsIn;
    return !(record == empty);
}

std::string WriteKeptForecastJson(const TKeptForecast& kept) {
    TWeatherData record = kept.Record;
    record.Information.clear();
    // Warnings are asked for anew at every start; old ones must not pass for current.
    record.ClearWarnings();
    std::string text = WriteRecordJson(record);
    // The record's object ends "\n}\n": the extra member goes in before its brace.
    const std::size_t end = text.rfind('}');
    const json extra = {
        {"Format", kFormat},
        {"For", json::parse(kept.Key, nullptr, false)},
        {"FetchedAt", kept.FetchedAt},
    };
    return text.substr(0, end == std::string::npos ? text.size() : end - 1) +
           ",\n  \"Kept\": " + Canonical(extra) + "\n}\n";
}

std::optional<TKeptForecast> ReadKeptForecastJson(std::string_view text) {
    const TJsonRead read = ReadJsonBounded(text, kMaxDepth);
    const json& document = read.Value;
    if (read.Deeper || !document.is_object())
        return std::nullopt;
    const auto kept = document.find("Kept");
    if (kept == document.end() || !kept->is_object())
        return std::nullopt;
    const auto format = kept->find("Format");
    const auto made = kept->find("For");
    const auto fetched = kept->find("FetchedAt");
    if (format == kept->end() || *format != kFormat || made == kept->end() || !made->is_object() ||
        fetched == kept->end() || !fetched->is_number_integer())
        return std::nullopt;
    const std::int64_t fetchedAt = fetched->get<std::int64_t>();
    if (fetchedAt < kFirstFetch || fetchedAt > kLastFetch)
        return std::nullopt;
    TKeptForecast result;
    result.Record.Clear();
    std::string error;
    if (!ReadRecordJsonValue(document, result.Record, error) || !HoldsForecast(result.Record))
        return std::nullopt;
    result.Record.Information.clear();
    result.Record.ClearWarnings();
    DropImplausibleValues(result.Record.Now); // a copy an older version kept unchecked
    result.Key = Canonical(*made);
    result.FetchedAt = fetchedAt;
    return result;
}

std::optional<std::string> StoreKeptForecast(const platform::TCache& cache, std::string_view name,
                                             const TKeptForecast& kept) {
    return cache.Write(name, WriteKeptForecastJson(kept));
}

std::optional<TKeptForecast> LoadKeptForecast(const platform::TCache& cache, std::string_view name,
                                              const std::string& key, TDateTime today) {
    const auto entry = cache.Read(name, kMaxBytes);
    if (!entry)
        return std::nullopt;
    auto kept = ReadKeptForecastJson(entry->Content);
    if (!kept || kept->Key != key || RecordToday(kept->Record) != today)
        return std::nullopt;
    const double fetchedDay = kUnixEpochDay + static_cast<double>(kept->FetchedAt) / 86400.0;
    if (fetchedDay < today - kFetchedDaysBefore || fetchedDay > today + 1 + kFetchedDaysAfter)
        return std::nullopt;
    return kept;
}
