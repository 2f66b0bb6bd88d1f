// The three-hourly row as the widget draws it at a moment: it begins at the first period not
// yet ended that the forecast tells, draws a slot whole or not at all, says once when it can tell
// none, shows night by the middle of a period and the day where it passes midnight; an old
// forecast's report time says its age in the colour of a fault, and today's bands that have
// passed show no figure.
#include "platform/Clock.h"
#include "skin/Skin.h"
#include "support/TempDir.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const TDateTime kToday = EncodeDate(2026, 12, 11);

struct ClockAt {
    explicit ClockAt(int hour, int minute = 30, int day = 11) {
        platform::FixClock({2026, 12, day, hour, minute, 0});
    }
    ~ClockAt() { platform::ReleaseClock(); }
};

// Today's and tomorrow's summary, and the point slots named in `slots` ('x' told, '-' not):
// slot s holds 晴, 3k+3 o'clock, 10 + s degrees.
TWeatherData Record(const char* slots) {
    TWeatherData w;
    w.DayDate = {kToday, kToday + 1};
    w.DayWeather = {"晴", "曇"};
    w.DayMaxTemp = {12, 13};
    w.DayMinTemp = {2, 3};
    w.DayProb = {11, 22, 33, 44, 55, 66, 77, 88};
    w.LocationName = "千代田区";
    w.UpdateInfo = "17時00分 発表";
    for (int s = 0; s < 16; ++s) {
        if (slots[s] != 'x')
            continue;
        w.PointDate[s] = kToday + s / 8;
        w.PointHour[s] = 3 * (s % 8) + 3;
        w.PointWeather[s] = "晴";
        w.PointTemp[s] = 10 + s;
    }
    return w;
}

std::map<std::string, TSkin::TLabelItem> Labels(const TSkin& skin, const TWeatherData& w) {
    std::map<std::string, TSkin::TLabelItem> labels;
    for (TSkin::TLabelItem& label : skin.Labels(w))
        labels.emplace(label.Section, std::move(label));
    return labels;
}

std::string Text(const std::map<std::string, TSkin::TLabelItem>& labels, const std::string& name) {
    const auto found = labels.find(name);
    return found == labels.end() ? "<none>" : found->second.Text;
}

TSkin Load(const char* name) {
    TSkin skin;
    skin.Load(TestData(std::string("skin/demo/") + name));
    return skin;
}

} // namespace

// Each slot's hour, temperature and probability are all there or all absent; a row that can tell
// no slot says so once, across the row's icons in a skin without a place for it.
TEST(SkinSlots, ASlotIsDrawnWholeOrNotAtAll) {
    const TSkin skin = Load("demo.ini");
    struct Case {
        const char* what;
        const char* slots;
        int hour;
        std::string times; // the hours of the row's seven slots, "" for a blank slot
        bool none;         // the row says it can tell nothing
    };
    const Case cases[] = {
        {"a whole row", "xxxxxxxxxxxxxxxx", 10, "12時 15時 18時 21時 24時 3時 6時", false},
        {"the series and the live source unreachable", "----------------", 10, "", true},
        {"only the end of tomorrow told", "--------------xx", 10, "21時 24時", false},
        {"only periods that have ended", "xxx-------------", 10, "", true},
        {"a gap in the row", "xxxx-xxxxxxxxxxx", 10, "12時 18時 21時 24時 3時 6時", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ClockAt clock(c.hour);
        const auto labels = Labels(skin, Record(c.slots));
        std::string times;
        for (int s = 0; s < 7; ++s) {
            const std::string n = std::to_string(s);
            const std::string time = Text(labels, "PointTimeLabel" + n);
            const bool shown = !time.empty();
            EXPECT_EQ(!Text(labels, "PointTempLabel" + n).empty(), shown) << s;
            EXPECT_EQ(!Text(labels, "PointProbLabel" + n).empty(), shown) << s;
            if (shown)
                times += (times.empty() ? "" : " ") + time;
        }
        EXPECT_EQ(times, c.times);
        if (!c.none) {
            EXPECT_EQ(labels.count("PointNoneLabel"), 0u);
            continue;
        }
        ASSERT_EQ(labels.count("PointNoneLabel"), 1u);
        const TSkin::TLabelItem& none = labels.at("PointNoneLabel");
        EXPECT_EQ(none.Text, "3時間ごとの予報: 取得できず");
        // Across the icons of the row (12,34 to 308,66), in the font of its hours.
        EXPECT_EQ(none.Setting.Rect, (TRect{12, 34, 308, 66}));
        EXPECT_EQ(none.Setting.FontHeight, labels.at("PointTimeLabel0").Setting.FontHeight);
    }
    // Without any forecast the row keeps its dashes and says nothing more.
    const ClockAt clock(10);
    const auto cleared = Labels(skin, TWeatherData());
    EXPECT_EQ(Text(cleared, "PointTempLabel0"), "--");
    EXPECT_EQ(Text(cleared, "PointProbLabel0"), "--");
    EXPECT_EQ(cleared.count("PointNoneLabel"), 0u);
}

// The row begins at the first period not yet ended that the forecast tells, and names the day
// under the first slot of a new day.
TEST(SkinSlots, TheRowBeginsAtAToldPeriodAndMarksANewDay) {
    const TSkin skin = Load("slots.ini");
    struct Case {
        const char* slots;
        int hour;
        const char* first; // the first slot's hour
        int dayLabel;      // the slot that names a new day, -1 none
        const char* day;
    };
    const Case cases[] = {
        {"xxxxxxxxxxxxxxxx", 5, "6時", -1, ""},
        {"x-xxxxxxxxxxxxxx", 5, "9時", 6, "12日(土)"},
        {"xxxxxxxxxxxxxxxx", 17, "18時", 3, "12日(土)"},
        {"xxxxxxxxxxxxxxxx", 23, "24時", 1, "12日(土)"},
        {"xxxxxxx-xxxxxxxx", 23, "3時", 0, "12日(土)"},
        {"xxxxxxxxxxxxxxxx", 0, "3時", -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.slots) + " at " + std::to_string(c.hour));
        const ClockAt clock(c.hour);
        const auto labels = Labels(skin, Record(c.slots));
        EXPECT_EQ(Text(labels, "PointTimeLabel0"), c.first);
        for (int s = 0; s < 7; ++s)
            EXPECT_EQ(Text(labels, "PointDayLabel" + std::to_string(s)),
                      s == c.dayLabel ? c.day : "")
                << s;
    }
    // Without a forecast the row passes midnight with dashes, and names no day.
    const ClockAt clock(23);
    TWeatherData nothing;
    nothing.Clear();
    const auto labels = Labels(skin, nothing);
    for (int s = 0; s < 7; ++s)
        EXPECT_EQ(Text(labels, "PointDayLabel" + std::to_string(s)), "") << s;
}

// Night by the middle of a period: 03-06 is dark, 15-18 is not. Drawn at the row's first box, a
// 晴 of 03-06 and of 18-21 is the night's picture, of 06-09, 12-15 and 15-18 the day's.
TEST(SkinSlots, DayAndNightByTheMiddleOfThePeriod) {
    TSkin skin = Load("demo.ini");
    const TWeatherData w = Record("xxxxxxxxxxxxxxxx");
    const auto firstIcon = [&](int hour) {
        const ClockAt clock(hour);
        TBitmap bitmap;
        skin.Draw(&bitmap, &w);
        TBitmap box(32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                box.Pixel(x, y) = bitmap.Pixel(12 + x, 34 + y);
        return box;
    };
    const TBitmap night = firstIcon(4);   // 03-06
    const TBitmap morning = firstIcon(7); // 06-09
    EXPECT_NE(night, morning);
    EXPECT_EQ(firstIcon(13), morning); // 12-15
    EXPECT_EQ(firstIcon(16), morning); // 15-18
    EXPECT_EQ(firstIcon(19), night);   // 18-21
    EXPECT_EQ(firstIcon(1), night);    // 00-03
}

// An old forecast (its next report overdue) says its age where the report time stands, in the
// skin's colour for it or else the status line's; a timely one shows the report as it came.
TEST(SkinSlots, AnOldForecastSaysHowOldItIs) {
    struct Case {
        const char* skin;
        int day, hour;
        const char* text;
        TColor colour;
    };
    const TColor white = 0xFFFFFF, red = 0x0000FF, status = 0x80C0FF;
    const Case cases[] = {
        {"slots.ini", 9, 20, "17時00分 発表", white},
        {"slots.ini", 9, 23, "17時00分 発表", white}, // no report comes before 05:00
        {"slots.ini", 10, 5, "12月9日 17時 発表 (1日前)", red},
        {"slots.ini", 10, 7, "12月9日 17時 発表 (1日前)", red},
        {"slots.ini", 11, 0, "12月9日 17時 発表 (2日前)", red},
        {"demo.ini", 11, 0, "12月9日 17時 発表 (2日前)", status},
        {"demo.ini", 9, 20, "17時00分 発表", white},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.skin) + " " + c.text);
        const TSkin skin = Load(c.skin);
        const ClockAt clock(c.hour, 30, c.day);
        TWeatherData w = Record("xxxxxxxxxxxxxxxx");
        w.ReportTime = "2026-12-09T17:00";
        const auto labels = Labels(skin, w);
        EXPECT_EQ(labels.at("UpdateInfoLabel").Text, c.text);
        EXPECT_EQ(labels.at("UpdateInfoLabel").Setting.FontColor, c.colour);
    }
}

// Today's six-hour bands that have ended show no figure in a forecast that tells its report
// time (whose answers leave passed bands out); tomorrow's and a page's stay.
TEST(SkinSlots, TodaysBandsThatHavePassedShowNoFigure) {
    const TSkin skin = Load("demo.ini");
    struct Case {
        int hour;
        bool reported;
        const char* bands; // DayProbLabel0 to 7
    };
    const Case cases[] = {
        {5, true, "11 22 33 44 55 66 77 88"},   {6, true, "-- 22 33 44 55 66 77 88"},
        {13, true, "-- -- 33 44 55 66 77 88"},  {23, true, "-- -- -- 44 55 66 77 88"},
        {13, false, "11 22 33 44 55 66 77 88"},
    };
    for (const Case& c : cases) {
        const ClockAt clock(c.hour, 0);
        TWeatherData w = Record("xxxxxxxxxxxxxxxx");
        if (c.reported)
            w.ReportTime = "2026-12-11T05:00";
        const auto labels = Labels(skin, w);
        std::string bands;
        for (int b = 0; b < 8; ++b)
            bands += (b ? " " : "") + Text(labels, "DayProbLabel" + std::to_string(b));
        EXPECT_EQ(bands, c.bands) << c.hour << (c.reported ? " reported" : "");
    }
}
