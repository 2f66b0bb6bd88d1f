#include "weather/WeatherData.h"

#include <gtest/gtest.h>

TEST(WeatherData, ConstructionAndClearGiveTheNoDataState) {
    TWeatherData w;
    EXPECT_EQ(w.PointHour[0], 2147483647);
    EXPECT_EQ(w.PointWeather[15], "");
    EXPECT_EQ(w.WeekDate[6], 0.0);
    EXPECT_EQ(w.Information, "");

    w.PointTemp[3] = 0; // 0 degrees is a value
    w.DayDate[1] = 41641;
    w.LocationName = "東京";
    w.Information = "接続しています";
    EXPECT_NE(w.PointTemp[3], NoValue);
    w.Clear();
    EXPECT_EQ(w.PointTemp[3], NoValue);
    EXPECT_EQ(w.DayDate[1], 0.0);
    EXPECT_EQ(w.LocationName, "");
    EXPECT_EQ(w.Information, "");
    for (auto p : w.DayProb)
        EXPECT_EQ(p, NoValue);
}
