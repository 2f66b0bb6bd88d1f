// What a record tells at a moment: where the three-hourly row begins, and when a forecast is old
// and how its age is told.
#include "weather/ForecastTime.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TDateTime At(int month, int day, int hour, int minute = 0) {
    return ClockMoment({2026, month, day, hour, minute, 0});
}

} // namespace

TEST(ForecastTime, TheRowBeginsAtTheFirstToldPeriodNotYetEnded) {
    // "d" a slot with a date, "w" a text only, "t" a temperature only, "-" nothing.
    struct Case {
        const char* slots; // 16 characters, slot 0 first
        int hour;
        int first;
    };
    const Case cases[] = {
        {"dddddddddddddddd", 5, 1},   // the period under way
        {"dd-ddddddddddddd", 5, 1},   // an empty earlier slot does not matter
        {"d-dddddddddddddd", 5, 2},   // a new series begins after the period under way
        {"d-wddddddddddddd", 5, 2},   // a text alone tells the slot
        {"d--tdddddddddddd", 5, 3},   // so does a temperature alone
        {"ddddddd-dddddddd", 23, 8},  // the last period of the day untold: tomorrow's first
        {"dddddddddddddddd", 0, 0},   //
        {"dddddddddddddddd", 23, 7},  //
        {"dddddddd--------", 23, 7},  //
        {"dddddddd--------", 0, 0},   //
        {"----------------", 12, -1}, // nothing told
        {"dddd------------", 12, -1}, // only periods that have ended
        {"---------------d", 3, 15},  // the last slot of tomorrow
    };
    for (const Case& c : cases) {
        TWeatherData w;
        for (int s = 0; s < 16; ++s) {
            if (c.slots[s] == 'd')
                w.PointDate[s] = 46000 + s / 8;
            else if (c.slots[s] == 'w')
                w.PointWeather[s] = "晴";
            else if (c.slots[s] == 't')
                w.PointTemp[s] = 0;
        }
        EXPECT_EQ(FirstShownPointSlot(w, c.hour), c.first) << c.slots << " at " << c.hour;
    }
}

// Reports come at 05, 11 and 17 o'clock: by day the next is due six hours on, overnight twelve.
TEST(ForecastTime, AForecastIsOldOnceItsNextReportIsDue) {
    struct Case {
        const char* report;
        TDateTime now;
        bool old;
        const char* text;
    };
    const Case cases[] = {
        {"2026-12-11T05:00", At(12, 11, 5, 30), false, "5時 発表 (0時間前)"},
        {"2026-12-11T05:00", At(12, 11, 11, 0), false, "5時 発表 (6時間前)"},
        {"2026-12-11T05:00", At(12, 11, 11, 1), true, "5時 発表 (6時間前)"},
        {"2026-12-11T05:00", At(12, 11, 17, 30), true, "5時 発表 (12時間前)"},
        {"2026-12-11T10:38", At(12, 11, 17, 30), true, "10時38分 発表 (6時間前)"},
        // Yesterday evening's, read in the morning.
        {"2026-12-10T17:00", At(12, 11, 7, 30), true, "12月10日 17時 発表 (1日前)"},
        {"2026-12-10T17:00", At(12, 10, 23, 30), false, "17時 発表 (6時間前)"},
        {"2026-12-10T17:00", At(12, 11, 4, 59), false, "12月10日 17時 発表 (1日前)"},
        {"2026-12-10T17:00", At(12, 11, 5, 1), true, "12月10日 17時 発表 (1日前)"},
        {"2026-12-10T23:30", At(12, 11, 0, 30), false, "12月10日 23時30分 発表 (1日前)"},
        // From a day before yesterday: old whatever the hours.
        {"2026-12-09T17:00", At(12, 11, 0, 30), true, "12月9日 17時 発表 (2日前)"},
        {"2026-12-09T23:59", At(12, 11, 0, 1), true, "12月9日 23時59分 発表 (2日前)"},
        // A report ahead of the clock is not old.
        {"2026-12-12T05:00", At(12, 11, 23, 0), false, "5時 発表 (0時間前)"},
        // No report time, or one that cannot be read: never old, no text.
        {"", At(12, 11, 12, 0), false, ""},
        {"2026-12-11 05:00", At(12, 11, 12, 0), false, ""},
        {"2026-12-11T05:00+09:00", At(12, 11, 12, 0), false, ""},
        {"2026-02-30T05:00", At(3, 5, 12, 0), false, ""},
        {"2026-12-11T24:00", At(12, 12, 12, 0), false, ""},
    };
    for (const Case& c : cases) {
        TWeatherData w;
        w.ReportTime = c.report;
        EXPECT_EQ(IsOldForecast(w, c.now), c.old) << c.report;
        EXPECT_EQ(ReportAgeText(w, c.now), c.text) << c.report;
    }
}
