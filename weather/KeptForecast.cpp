#include "weather/KeptForecast.h"

#include "weather/RecordJson.h"

#include <nlohmann/json.hpp>

using json = nlohmann::json;

namespace {

// A file of another number is ignored: written by a version that stored something else.
constexpr int kFormat = 1;

// A kept forecast is a few kilobytes; anything much larger is not one.
constexpr std::size_t kMaxBytes = 1024 * 1024;

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
    // The warnings have a cadence of their own: they make no forecast.
    empty.WarningsKnown = record.WarningsKnown;
    empty.Warnings = record.Warnings;
    empty.WarningsTime = record.WarningsTime;
    empty.WarningsNote = record.WarningsNote;
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
    const json document = json::parse(text.begin(), text.end(), nullptr, false);
    if (!document.is_object())
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
    TKeptForecast result;
    result.Record.Clear();
    std::string error;
    if (!ReadRecordJson(text, result.Record, error) || !HoldsForecast(result.Record))
        return std::nullopt;
    result.Record.Information.clear();
    result.Record.ClearWarnings();
    result.Key = Canonical(*made);
    result.FetchedAt = fetched->get<std::int64_t>();
    return result;
}

std::optional<std::string> StoreKeptForecast(const platform::TCache& cache,
                                             const TKeptForecast& kept) {
    return cache.Write(KeptForecastName, WriteKeptForecastJson(kept));
}

std::optional<TKeptForecast> LoadKeptForecast(const platform::TCache& cache, const std::string& key,
                                              TDateTime today) {
    const auto entry = cache.Read(KeptForecastName, kMaxBytes);
    if (!entry)
        return std::nullopt;
    auto kept = ReadKeptForecastJson(entry->Content);
    if (!kept || kept->Key != key || RecordToday(kept->Record) != today)
        return std::nullopt;
    return kept;
}
