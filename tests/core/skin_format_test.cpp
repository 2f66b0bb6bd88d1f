#include "skin/Skin.h"
#include "weather/DateTime.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TLabelSetting Label(std::string format, std::string noData = "N/A") {
    TLabelSetting label;
    label.DataFormat = std::move(format);
    label.NoDataString = std::move(noData);
    return label;
}

TSkin SkinWithJapaneseNames() {
    TSkin skin;
    skin.LocaleInfo.DayNames = {"日曜日", "月曜日", "火曜日", "水曜日",
                                "木曜日", "金曜日", "土曜日"};
    skin.LocaleInfo.ShortDayNames = {"日", "月", "火", "水", "木", "金", "土"};
    for (int m = 0; m < 12; ++m) {
        skin.LocaleInfo.MonthNames[m] = "Month" + std::to_string(m + 1);
        skin.LocaleInfo.ShortMonthNames[m] = "M" + std::to_string(m + 1);
    }
    return skin;
}

TEST(SkinFormat, HourTokens) {
    const TSkin skin;
    struct Case {
        std::string format;
        std::int32_t hour;
        std::string expected;
    };
    const Case cases[] = {
        {"%H:%N", 9, "09:00"},     {"%h時", 15, "15時"},   {"%u", 15, "3"},       {"%U", 12, "00"},
        {"%U", 0, "00"},           {"%H|%U", 24, "24|00"}, {"%n%s%S", 7, "0000"}, {"%H", -3, "-3"},
        {"%H", 2147483647, "N/A"}, {"%r%i%d", 5, ""}, // other formatters' tokens vanish
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin.FormatHour(c.hour, Label(c.format)), c.expected) << c.format;
}

TEST(SkinFormat, NumberTokens) {
    const TSkin skin;
    struct Case {
        std::string format;
        std::int32_t value;
        std::string expected;
    };
    const Case cases[] = {
        {"%j℃", 5, " 5℃"},         {"%J", -5, "-5"},
        {"%K", 7, "007"},          {"%K", -7, "-07"},
        {"%k%", 30, " 30"},        {"%%%i", 30, "%30"},
        {"%Q%i", 30, "30"},        {"%i", -2147483647 - 1, "-2147483648"},
        {"%k", 12345, "12345"},    {"%℃%i", 1, "1"}, // the whole character after "%" vanishes
        {"%i", 2147483647, "N/A"}, {"", 1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin.FormatNumber(c.value, Label(c.format)), c.expected) << c.format;
}

TEST(SkinFormat, TextAndDateTokens) {
    const TSkin skin = SkinWithJapaneseNames();
    EXPECT_EQ(skin.FormatText("", Label("[%r]", "--")), "--");
    EXPECT_EQ(skin.FormatText("晴れ", Label("[%r]%%%H")), "[晴れ]%");

    const TDateTime wednesday = EncodeDate(2014, 3, 5);
    struct Case {
        std::string format;
        TDateTime date;
        std::string expected;
    };
    const Case cases[] = {
        {"%Y/%M/%D", wednesday, "2014/03/05"},
        {"%m月%d日(%l)", wednesday, "3月5日(水)"},
        {"%y %L %f", wednesday, "14 水曜日 M3"},
        {"%F", EncodeDate(2015, 1, 31), "Month1"},
        {"%Y", EncodeDate(905, 1, 1), "0905"},
        {"%y", EncodeDate(2005, 1, 1), "05"},
        {"%D", 0.0, "N/A"},
        {"%Y/%M/%D", 1.0, "1899/12/31"}, // the day after the zero date is a date
        // Years 1-9999 are dates; a day beyond them shows the no-data text.
        {"%Y/%M/%D", EncodeDate(1, 1, 1), "0001/01/01"},
        {"%Y/%M/%D", EncodeDate(9999, 12, 31), "9999/12/31"},
        {"%D", EncodeDate(1, 1, 1) - 1, "N/A"},
        {"%D", EncodeDate(9999, 12, 31) + 1, "N/A"},
        {"%D", 1e300, "N/A"}, // not a calendar day at all
        {"%D", -1e300, "N/A"},
        {"%D", std::numeric_limits<double>::quiet_NaN(), "N/A"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin.FormatDate(c.date, Label(c.format)), c.expected) << c.format;
}

TEST(SkinFormat, BuiltInTemplateServesEveryKind) {
    const TSkin skin = SkinWithJapaneseNames();
    const TLabelSetting builtIn;
    EXPECT_EQ(skin.FormatDate(EncodeDate(2014, 6, 1), builtIn), "1日"); // a Sunday
    EXPECT_EQ(skin.FormatHour(6, builtIn), "06");
    EXPECT_EQ(skin.FormatText("X", builtIn), "X");
    EXPECT_EQ(skin.FormatNumber(25, builtIn), "25");
    EXPECT_EQ(skin.FormatNumber(5, builtIn), " 5");
}

} // namespace
