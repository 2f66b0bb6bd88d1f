#pragma once

// Whole-record comparison of forecast records for tests: a "cleared" or "expected" record is
// compared field by field, never through a few samples.
#include "weather/WeatherData.h"

#include <array>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace records_detail {

inline void Print(std::ostream& out, const std::string& text) {
    out << '"' << text << '"';
}
inline void Print(std::ostream& out, double value) {
    out << value;
}
inline void Print(std::ostream& out, std::int32_t value) {
    if (value == NoValue)
        out << "NoValue";
    else
        out << value;
}

inline void Print(std::ostream& out, const std::array<std::int32_t, 2>& range) {
    out << '[';
    Print(out, range[0]);
    out << ", ";
    Print(out, range[1]);
    out << ']';
}

template <typename T, std::size_t N>
void Compare(std::ostream& out, std::string_view name, const std::array<T, N>& actual,
             const std::array<T, N>& expected) {
    for (std::size_t i = 0; i < N; ++i)
        if (!(actual[i] == expected[i])) {
            out << "\n  " << name << "[" << i << "]: ";
            Print(out, actual[i]);
            out << ", expected ";
            Print(out, expected[i]);
        }
}

inline void Compare(std::ostream& out, std::string_view name, const std::string& actual,
                    const std::string& expected) {
    if (actual != expected)
        out << "\n  " << name << ": \"" << actual << "\", expected \"" << expected << '"';
}

inline void Compare(std::ostream& out, std::string_view name, const std::optional<double>& actual,
                    const std::optional<double>& expected) {
    if (actual != expected) {
        out << "\n  " << name << ": ";
        actual ? out << *actual : out << "nothing";
        out << ", expected ";
        expected ? out << *expected : out << "nothing";
    }
}

} // namespace records_detail

// The fields in which `actual` differs from `expected`, one per line; empty when the records
// are equal.
inline std::string RecordDiff(const TWeatherData& actual, const TWeatherData& expected) {
    std::ostringstream out;
    using records_detail::Compare;
#define PELUMI_COMPARE_FIELD(field) Compare(out, #field, actual.field, expected.field)
    PELUMI_COMPARE_FIELD(PointDate);
    PELUMI_COMPARE_FIELD(PointHour);
    PELUMI_COMPARE_FIELD(PointWeather);
    PELUMI_COMPARE_FIELD(PointTemp);
    PELUMI_COMPARE_FIELD(WeekDate);
    PELUMI_COMPARE_FIELD(WeekWeather);
    PELUMI_COMPARE_FIELD(WeekMinTemp);
    PELUMI_COMPARE_FIELD(WeekMaxTemp);
    PELUMI_COMPARE_FIELD(WeekProb);
    PELUMI_COMPARE_FIELD(DayDate);
    PELUMI_COMPARE_FIELD(DayWeather);
    PELUMI_COMPARE_FIELD(DayMinTemp);
    PELUMI_COMPARE_FIELD(DayMaxTemp);
    PELUMI_COMPARE_FIELD(DayProb);
    PELUMI_COMPARE_FIELD(LocationName);
    PELUMI_COMPARE_FIELD(UpdateInfo);
    PELUMI_COMPARE_FIELD(Information);
    PELUMI_COMPARE_FIELD(PointSource);
    PELUMI_COMPARE_FIELD(TodayName);
    PELUMI_COMPARE_FIELD(WarningsTime);
    PELUMI_COMPARE_FIELD(WarningsNote);
    // The agency's own words.
    PELUMI_COMPARE_FIELD(DayText);
    PELUMI_COMPARE_FIELD(DayWind);
    PELUMI_COMPARE_FIELD(DayWave);
    PELUMI_COMPARE_FIELD(WeekReliability);
    PELUMI_COMPARE_FIELD(WeekMinTempRange);
    PELUMI_COMPARE_FIELD(WeekMaxTempRange);
    PELUMI_COMPARE_FIELD(WeekNormalMinTemp);
    PELUMI_COMPARE_FIELD(WeekNormalMaxTemp);
    PELUMI_COMPARE_FIELD(Overview);
    PELUMI_COMPARE_FIELD(OverviewHeadline);
    PELUMI_COMPARE_FIELD(OverviewTime);
    PELUMI_COMPARE_FIELD(ReportTime);
#undef PELUMI_COMPARE_FIELD
    if (actual.WarningsKnown != expected.WarningsKnown || actual.Warnings != expected.Warnings)
        out << "\n  Warnings differ (known " << actual.WarningsKnown << ", "
            << actual.Warnings.size() << " in force; expected known " << expected.WarningsKnown
            << ", " << expected.Warnings.size() << ")";
    const std::string diff = out.str();
    // A field this list does not know still makes the records unequal.
    if (diff.empty() && !(actual == expected))
        return "\n  a field the comparison does not name";
    return diff;
}

// Passes when the records are equal in every field; a failure names the fields that differ.
#define EXPECT_RECORD_EQ(actual, expected) EXPECT_EQ(RecordDiff((actual), (expected)), "")
