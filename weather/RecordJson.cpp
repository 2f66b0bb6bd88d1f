#include "weather/RecordJson.h"

#include "weather/JsonAnswer.h"
#include "weather/Rain.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <type_traits>

using json = nlohmann::json;

namespace {

// A record nests two deep; deeper input is a fault, cut off while parsing.
constexpr int kMaxDepth = 16;

struct FieldError {
    std::string message;
};

std::int32_t ToInt(const json& value, const std::string& name) {
    if (value.is_number_integer()) {
        const auto v = value.get<std::int64_t>();
        if (v >= std::numeric_limits<std::int32_t>::min() &&
            v <= std::numeric_limits<std::int32_t>::max())
            return static_cast<std::int32_t>(v);
    } else if (value.is_number_float()) {
        const double d = value.get<double>();
        if (d == std::trunc(d) && d >= std::numeric_limits<std::int32_t>::min() &&
            d <= std::numeric_limits<std::int32_t>::max())
            return static_cast<std::int32_t>(d);
    }
    throw FieldError{"\"" + name + "\" needs 32-bit integers"};
}

// 1 January of the year 1 and 31 December 9999: the calendar the dates are shown in.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

double ToDate(const json& value, const std::string& name) {
    // 0 is "no date"; any other day outside the calendar cannot be shown as one.
    if (value.is_number()) {
        const double d = value.get<double>();
        if (d >= kFirstDay && d < kLastDay + 1)
            return d;
    }
    throw FieldError{"\"" + name + "\" needs day-count numbers within the calendar"};
}

std::string ToText(const json& value, const std::string& name) {
    if (!value.is_string())
        throw FieldError{"\"" + name + "\" needs a string"};
    return value.get<std::string>();
}

template <std::size_t N, class T, class Convert>
void FillArray(const json& value, const std::string& name, std::array<T, N>& target,
               Convert convert) {
    if (!value.is_array() || value.size() != N)
        throw FieldError{"\"" + name + "\" needs an array of " + std::to_string(N) + " items"};
    for (std::size_t i = 0; i < N; ++i)
        target[i] = convert(value[i], name);
}

// Day counts keep every digit, so a date read back is the date written.
std::string DateText(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// A JSON string; DEL is escaped too, so that a dump shows it.
std::string Text(const std::string& value) {
    std::string out;
    for (const char c : json(value).dump(-1, ' ', false, json::error_handler_t::replace))
        out += c == '\x7f' ? std::string("\\u007f") : std::string(1, c);
    return out;
}

template <class T> struct IsArray : std::false_type {};
template <class T, std::size_t N> struct IsArray<std::array<T, N>> : std::true_type {};

template <class T, std::size_t N> std::string ArrayText(const std::array<T, N>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < N; ++i) {
        if (i)
            out += ", ";
        if constexpr (std::is_same_v<T, std::string>)
            out += Text(values[i]);
        else if constexpr (std::is_same_v<T, double>)
            out += DateText(values[i]);
        else if constexpr (IsArray<T>::value)
            out += ArrayText(values[i]);
        else
            out += std::to_string(values[i]);
    }
    return out + "]";
}

// A value of the observation: null when unknown, else with its decimals.
std::string OptionalNumber(const std::optional<double>& value, int decimals) {
    if (!value || !std::isfinite(*value))
        return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, *value);
    return buf;
}

std::optional<double> ToOptionalNumber(const json& value, const std::string& name) {
    if (value.is_null())
        return std::nullopt;
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        throw FieldError{"\"" + name + "\" needs a number or null"};
    return value.get<double>();
}

// A [lower, upper] pair of the week's ranges.
std::array<std::int32_t, 2> ToRange(const json& value, const std::string& name) {
    std::array<std::int32_t, 2> range{};
    if (!value.is_array() || value.size() != 2)
        throw FieldError{"\"" + name + "\" needs [lower, upper] pairs"};
    for (std::size_t i = 0; i < 2; ++i)
        range[i] = ToInt(value[i], name);
    return range;
}

constexpr std::array<std::string_view, 4> kLevelNames = {"advisory", "warning", "danger",
                                                         "emergency"};

std::string WarningsText(const TWeatherData& w) {
    if (!w.WarningsKnown)
        return "null";
    std::string out = "[";
    for (const TWarning& warning : w.Warnings) {
        if (out.size() > 1)
            out += ", ";
        out += "{\"code\": " + Text(warning.Code) + ", \"name\": " + Text(warning.Name) +
               ", \"status\": " + Text(warning.Status) + ", \"level\": \"" +
               std::string(kLevelNames[static_cast<std::size_t>(warning.Level)]) + "\"}";
    }
    return out + "]";
}

void ReadWarnings(const json& value, TWeatherData& w) {
    const char* const name = "Warnings";
    if (value.is_null()) {
        w.WarningsKnown = false;
        w.Warnings.clear();
        return;
    }
    if (!value.is_array())
        throw FieldError{"\"Warnings\" needs null or an array of warnings"};
    std::vector<TWarning> warnings;
    for (const json& item : value) {
        if (!item.is_object())
            throw FieldError{"\"Warnings\" needs objects with code, name, status and level"};
        TWarning warning;
        const auto member = [&](const char* key) -> const json& {
            const auto it = item.find(key);
            if (it == item.end())
                throw FieldError{std::string("a warning needs \"") + key + "\""};
            return *it;
        };
        warning.Code = ToText(member("code"), name);
        warning.Name = ToText(member("name"), name);
        warning.Status = ToText(member("status"), name);
        const std::string level = ToText(member("level"), name);
        const auto found = std::find(kLevelNames.begin(), kLevelNames.end(), level);
        if (found == kLevelNames.end())
            throw FieldError{"a warning's \"level\" is advisory, warning, danger or emergency"};
        warning.Level = static_cast<TWarningLevel>(found - kLevelNames.begin());
        warnings.push_back(std::move(warning));
    }
    w.WarningsKnown = true;
    w.Warnings = std::move(warnings);
}

// The rain of the next hour: classes with null for an unknown frame, the whole null when
// unknown; RainStartsIn and RainEndsIn follow from the frames, so reading computes them anew.
std::string OptionalInteger(std::int32_t value) {
    return value == NoValue ? "null" : std::to_string(value);
}

std::string RainFramesText(const TWeatherData& w) {
    if (w.Rain.empty())
        return "null";
    std::string out = "[";
    for (std::size_t k = 0; k < w.Rain.size(); ++k)
        out += (k ? ", " : "") + OptionalInteger(w.Rain[k]);
    return out + "]";
}

std::int32_t ToOptionalInteger(const json& value, const std::string& name) {
    if (value.is_null())
        return NoValue;
    const std::int32_t v = ToInt(value, name);
    if (v == NoValue)
        throw FieldError{"\"" + name + "\" needs an integer or null"};
    return v;
}

// A frame count well beyond the sources' 13.
constexpr std::size_t kMaxRainFrames = 64;

// One of the Rain members; true when `name` is one of them.
bool ReadRainMember(const std::string& name, const json& value, TWeatherData& w) {
    if (name == "RainStep") {
        w.RainStep = ToOptionalInteger(value, name);
        if (w.RainStep != NoValue && w.RainStep <= 0)
            throw FieldError{"\"RainStep\" needs minutes above 0 or null"};
    } else if (name == "RainTime") {
        w.RainTime = ToText(value, name);
    } else if (name == "Rain") {
        std::vector<std::int32_t> frames;
        if (!value.is_null()) {
            if (!value.is_array() || value.empty() || value.size() > kMaxRainFrames)
                throw FieldError{"\"Rain\" needs null or an array of 1 to 64 frames"};
            for (const json& frame : value) {
                const std::int32_t c = ToOptionalInteger(frame, name);
                if (c != NoValue && (c < 0 || c > 8))
                    throw FieldError{"\"Rain\" needs classes 0 to 8 or null"};
                frames.push_back(c);
            }
        }
        w.Rain = std::move(frames);
    } else if (name == "RainStartsIn" || name == "RainEndsIn") {
        (void)ToOptionalInteger(value, name);
    } else {
        return false;
    }
    return true;
}

} // namespace

std::string WriteRecordJson(const TWeatherData& w, std::optional<bool> ok) {
    std::string out = "{";
    bool first = true;
    const auto field = [&](const char* name, const std::string& value) {
        out += first ? "\n  \"" : ",\n  \"";
        out += name;
        out += "\": " + value;
        first = false;
    };
    if (ok)
        field("ok", *ok ? "true" : "false");
    field("PointDate", ArrayText(w.PointDate));
    field("PointHour", ArrayText(w.PointHour));
    field("PointWeather", ArrayText(w.PointWeather));
    field("PointTemp", ArrayText(w.PointTemp));
    field("WeekDate", ArrayText(w.WeekDate));
    field("WeekWeather", ArrayText(w.WeekWeather));
    field("WeekMinTemp", ArrayText(w.WeekMinTemp));
    field("WeekMaxTemp", ArrayText(w.WeekMaxTemp));
    field("WeekProb", ArrayText(w.WeekProb));
    field("DayDate", ArrayText(w.DayDate));
    field("DayWeather", ArrayText(w.DayWeather));
    field("DayMinTemp", ArrayText(w.DayMinTemp));
    field("DayMaxTemp", ArrayText(w.DayMaxTemp));
    field("DayProb", ArrayText(w.DayProb));
    field("LocationName", Text(w.LocationName));
    field("UpdateInfo", Text(w.UpdateInfo));
    field("Information", Text(w.Information));
    field("PointSource", Text(w.PointSource));
    field("NowTime", Text(w.Now.Time));
    field("NowStation", Text(w.Now.Station));
    field("NowTemp", OptionalNumber(w.Now.Temp, 1));
    field("NowPrecip1h", OptionalNumber(w.Now.Precip1h, 1));
    field("NowWind", OptionalNumber(w.Now.Wind, 1));
    field("NowWindDirection", Text(w.Now.WindDirection));
    field("NowHumidity", OptionalNumber(w.Now.Humidity, 0));
    field("TodayName", Text(w.TodayName));
    field("Warnings", WarningsText(w));
    field("WarningsTime", Text(w.WarningsTime));
    field("WarningsNote", Text(w.WarningsNote));
    // The agency's own words.
    field("DayText", ArrayText(w.DayText));
    field("DayWind", ArrayText(w.DayWind));
    field("DayWave", ArrayText(w.DayWave));
    field("WeekReliability", ArrayText(w.WeekReliability));
    field("WeekMinTempRange", ArrayText(w.WeekMinTempRange));
    field("WeekMaxTempRange", ArrayText(w.WeekMaxTempRange));
    field("WeekNormalMinTemp", OptionalNumber(w.WeekNormalMinTemp, 1));
    field("WeekNormalMaxTemp", OptionalNumber(w.WeekNormalMaxTemp, 1));
    field("Overview", Text(w.Overview));
    field("OverviewHeadline", Text(w.OverviewHeadline));
    field("OverviewTime", Text(w.OverviewTime));
    field("ReportTime", Text(w.ReportTime));
    field("RainTime", Text(w.RainTime));
    field("Rain", RainFramesText(w));
    field("RainStartsIn", OptionalInteger(w.RainStartsIn));
    field("RainEndsIn", OptionalInteger(w.RainEndsIn));
    field("RainStep", OptionalInteger(w.RainStep));
    return out + "\n}\n";
}

bool ReadRecordJson(std::string_view text, TWeatherData& record, std::string& error) {
    const TJsonRead read = ReadJsonBounded(text, kMaxDepth);
    if (!read.Error.empty()) {
        error = "bad JSON at byte " + std::to_string(read.ErrorByte) + ": " + read.Error;
        return false;
    }
    if (read.Deeper) {
        error = "bad JSON: nesting too deep";
        return false;
    }
    return ReadRecordJsonValue(read.Value, record, error);
}

bool ReadRecordJsonValue(const json& document, TWeatherData& record, std::string& error) {
    if (!document.is_object()) {
        error = "the record must be a JSON object";
        return false;
    }
    try {
        TWeatherData& w = record;
        bool rainRead = false;
        for (const auto& [name, value] : document.items()) {
            if (name == "PointDate")
                FillArray(value, name, w.PointDate, ToDate);
            else if (name == "PointHour")
                FillArray(value, name, w.PointHour, ToInt);
            else if (name == "PointWeather")
                FillArray(value, name, w.PointWeather, ToText);
            else if (name == "PointTemp")
                FillArray(value, name, w.PointTemp, ToInt);
            else if (name == "WeekDate")
                FillArray(value, name, w.WeekDate, ToDate);
            else if (name == "WeekWeather")
                FillArray(value, name, w.WeekWeather, ToText);
            else if (name == "WeekMinTemp")
                FillArray(value, name, w.WeekMinTemp, ToInt);
            else if (name == "WeekMaxTemp")
                FillArray(value, name, w.WeekMaxTemp, ToInt);
            else if (name == "WeekProb")
                FillArray(value, name, w.WeekProb, ToInt);
            else if (name == "DayDate")
                FillArray(value, name, w.DayDate, ToDate);
            else if (name == "DayWeather")
                FillArray(value, name, w.DayWeather, ToText);
            else if (name == "DayMinTemp")
                FillArray(value, name, w.DayMinTemp, ToInt);
            else if (name == "DayMaxTemp")
                FillArray(value, name, w.DayMaxTemp, ToInt);
            else if (name == "DayProb")
                FillArray(value, name, w.DayProb, ToInt);
            else if (name == "LocationName")
                w.LocationName = ToText(value, name);
            else if (name == "UpdateInfo")
                w.UpdateInfo = ToText(value, name);
            else if (name == "Information")
                w.Information = ToText(value, name);
            else if (name == "PointSource")
                w.PointSource = ToText(value, name);
            else if (name == "NowTime")
                w.Now.Time = ToText(value, name);
            else if (name == "NowStation")
                w.Now.Station = ToText(value, name);
            else if (name == "NowTemp")
                w.Now.Temp = ToOptionalNumber(value, name);
            else if (name == "NowPrecip1h")
                w.Now.Precip1h = ToOptionalNumber(value, name);
            else if (name == "NowWind")
                w.Now.Wind = ToOptionalNumber(value, name);
            else if (name == "NowWindDirection")
                w.Now.WindDirection = ToText(value, name);
            else if (name == "NowHumidity")
                w.Now.Humidity = ToOptionalNumber(value, name);
            else if (name == "TodayName")
                w.TodayName = ToText(value, name);
            else if (name == "Warnings")
                ReadWarnings(value, w);
            else if (name == "WarningsTime")
                w.WarningsTime = ToText(value, name);
            else if (name == "WarningsNote")
                w.WarningsNote = ToText(value, name);
            // The agency's own words.
            else if (name == "DayText")
                FillArray(value, name, w.DayText, ToText);
            else if (name == "DayWind")
                FillArray(value, name, w.DayWind, ToText);
            else if (name == "DayWave")
                FillArray(value, name, w.DayWave, ToText);
            else if (name == "WeekReliability")
                FillArray(value, name, w.WeekReliability, ToText);
            else if (name == "WeekMinTempRange")
                FillArray(value, name, w.WeekMinTempRange, ToRange);
            else if (name == "WeekMaxTempRange")
                FillArray(value, name, w.WeekMaxTempRange, ToRange);
            else if (name == "WeekNormalMinTemp")
                w.WeekNormalMinTemp = ToOptionalNumber(value, name);
            else if (name == "WeekNormalMaxTemp")
                w.WeekNormalMaxTemp = ToOptionalNumber(value, name);
            else if (name == "Overview")
                w.Overview = ToText(value, name);
            else if (name == "OverviewHeadline")
                w.OverviewHeadline = ToText(value, name);
            else if (name == "OverviewTime")
                w.OverviewTime = ToText(value, name);
            else if (name == "ReportTime")
                w.ReportTime = ToText(value, name);
            else if (ReadRainMember(name, value, w))
                rainRead = true;
        }
        if (rainRead)
            SetRain(w, w.RainStep, w.RainTime, w.Rain);
    } catch (const FieldError& e) {
        error = e.message;
        return false;
    }
    return true;
}
