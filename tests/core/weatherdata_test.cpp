#include "support/Records.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

namespace {

// Every field of the no-data state, written out rather than taken from the class itself.
void ExpectNoData(const TWeatherData& w) {
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(w.PointDate[s], 0.0) << s;
        EXPECT_EQ(w.PointHour[s], 2147483647) << s;
        EXPECT_EQ(w.PointWeather[s], "") << s;
        EXPECT_EQ(w.PointTemp[s], 2147483647) << s;
    }
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(w.WeekDate[k], 0.0) << k;
        EXPECT_EQ(w.WeekWeather[k], "") << k;
        EXPECT_EQ(w.WeekMinTemp[k], 2147483647) << k;
        EXPECT_EQ(w.WeekMaxTemp[k], 2147483647) << k;
        EXPECT_EQ(w.WeekProb[k], 2147483647) << k;
    }
    for (int d = 0; d < 2; ++d) {
        EXPECT_EQ(w.DayDate[d], 0.0) << d;
        EXPECT_EQ(w.DayWeather[d], "") << d;
        EXPECT_EQ(w.DayMinTemp[d], 2147483647) << d;
        EXPECT_EQ(w.DayMaxTemp[d], 2147483647) << d;
    }
    for (int b = 0; b < 8; ++b)
        EXPECT_EQ(w.DayProb[b], 2147483647) << b;
    EXPECT_EQ(w.LocationName, "");
    EXPECT_EQ(w.UpdateInfo, "");
    EXPECT_EQ(w.Information, "");
}

// A different value in every slot of every field; 0 among them, which is a value.
TWeatherData EveryFieldSet() {
    TWeatherData w;
    for (int s = 0; s < 16; ++s) {
        w.PointDate[s] = 41640 + s;
        w.PointHour[s] = 100 + s;
        w.PointWeather[s] = "point" + std::to_string(s);
        w.PointTemp[s] = s; // slot 0 holds 0 degrees
    }
    for (int k = 0; k < 7; ++k) {
        w.WeekDate[k] = 41700 + k;
        w.WeekWeather[k] = "week" + std::to_string(k);
        w.WeekMinTemp[k] = -10 - k;
        w.WeekMaxTemp[k] = 20 + k;
        w.WeekProb[k] = 10 * k;
    }
    for (int d = 0; d < 2; ++d) {
        w.DayDate[d] = 41800 + d;
        w.DayWeather[d] = "day" + std::to_string(d);
        w.DayMinTemp[d] = -30 - d;
        w.DayMaxTemp[d] = 30 + d;
    }
    for (int b = 0; b < 8; ++b)
        w.DayProb[b] = 5 * b;
    w.LocationName = "東京";
    w.UpdateInfo = "17時00分";
    w.Information = "接続しています";
    return w;
}

} // namespace

TEST(WeatherData, ConstructionGivesTheNoDataState) {
    ExpectNoData(TWeatherData());
}

TEST(WeatherData, ClearEmptiesEveryFieldOfEverySlot) {
    TWeatherData w = EveryFieldSet();
    w.Clear();
    ExpectNoData(w);
    EXPECT_RECORD_EQ(w, TWeatherData());
}

TEST(WeatherData, RecordsAreEqualOnlyInEveryField) {
    const TWeatherData full = EveryFieldSet();
    EXPECT_RECORD_EQ(full, EveryFieldSet());
    // One slot of one field is enough to tell two records apart.
    TWeatherData other = full;
    other.DayProb[7] = NoValue;
    EXPECT_FALSE(other == full);
    EXPECT_EQ(RecordDiff(other, full), "\n  DayProb[7]: NoValue, expected 35");
    other = full;
    other.Information.clear();
    EXPECT_FALSE(other == full);
    EXPECT_EQ(RecordDiff(other, full), "\n  Information: \"\", expected \"接続しています\"");
}
