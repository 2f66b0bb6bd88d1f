// A slot beyond what the forecast told (no date, no data) draws nothing; a slot with a date and
// a text no table knows keeps the unknown image and the dashes, and so does a record with no
// forecast at all.
#include "platform/Clock.h"
#include "skin/Skin.h"
#include "support/TempDir.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

class BlankSlots : public ::testing::Test {
protected:
    void SetUp() override {
        // 14:30: the point row starts at slot 4.
        platform::FixClock({2014, 3, 5, 14, 30, 0});
        std::string error;
        ASSERT_TRUE(ReadRecordJson(ReadAll(TestData("skin/record.json")), record, error)) << error;
        ASSERT_NE(record.DayDate[0], 0.0);
    }
    void TearDown() override { platform::ReleaseClock(); }

    static std::map<std::string, std::string> Texts(const TSkin& skin, const TWeatherData& w) {
        std::map<std::string, std::string> texts;
        for (const TSkin::TLabelItem& label : skin.Labels(w))
            texts[label.Section] = label.Text;
        return texts;
    }

    TWeatherData record;
};

} // namespace

TEST_F(BlankSlots, AWeekSlotWithNoDateAndNoDataShowsNothing) {
    TSkin skin;
    skin.Load(std::string(PELUMI_SOURCE_DIR) + "/data/Skin/Glass/column.ini");
    TWeatherData beyond = record;
    beyond.WeekDate[6] = 0.0;
    beyond.WeekWeather[6].clear();
    beyond.WeekMinTemp[6] = beyond.WeekMaxTemp[6] = beyond.WeekProb[6] = NoValue;
    TWeatherData unknown = beyond;
    unknown.WeekDate[6] = record.DayDate[0] + 7;

    const auto blank = Texts(skin, beyond);
    const auto dashed = Texts(skin, unknown);
    int seen = 0;
    for (const char* group : {"WeekWeatherLabel6", "WeekDateLabel6", "WeekMinTempLabel6",
                              "WeekMaxTempLabel6", "WeekProbLabel6"}) {
        if (!blank.count(group))
            continue;
        ++seen;
        EXPECT_EQ(blank.at(group), "") << group;
    }
    EXPECT_GE(seen, 3);
    EXPECT_NE(dashed.at("WeekMaxTempLabel6"), "");
    // The other slots are drawn as before.
    EXPECT_EQ(blank.at("WeekMaxTempLabel5"), Texts(skin, record).at("WeekMaxTempLabel5"));

    TBitmap withBlank, withUnknown, whole;
    skin.Draw(&withBlank, &beyond);
    skin.Draw(&withUnknown, &unknown);
    skin.Draw(&whole, &record);
    EXPECT_NE(withBlank, withUnknown);
    EXPECT_NE(withBlank, whole);
}

TEST_F(BlankSlots, APointSlotWithNoDateAndNoDataShowsNothing) {
    TSkin skin;
    skin.Load(TestData("skin/demo/demo.ini"));
    // Slot 6, the row's third at 14:30.
    TWeatherData beyond = record;
    beyond.PointDate[6] = 0.0;
    beyond.PointHour[6] = beyond.PointTemp[6] = NoValue;
    beyond.PointWeather[6].clear();
    TWeatherData unknown = beyond;
    unknown.PointDate[6] = record.DayDate[0];
    const auto blank = Texts(skin, beyond);
    EXPECT_EQ(blank.at("PointTimeLabel2"), "");
    EXPECT_EQ(blank.at("PointTempLabel2"), "");
    EXPECT_EQ(blank.at("PointProbLabel2"), "");
    EXPECT_NE(Texts(skin, unknown).at("PointTempLabel2"), "");
    TBitmap withBlank, withUnknown;
    skin.Draw(&withBlank, &beyond);
    skin.Draw(&withUnknown, &unknown);
    EXPECT_NE(withBlank, withUnknown);

    // No forecast at all: every slot keeps its dashes.
    const auto cleared = Texts(skin, TWeatherData());
    EXPECT_NE(cleared.at("PointTempLabel0"), "");
}
