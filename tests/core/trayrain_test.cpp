// The tray's hint composed from the record: the rain of the next hour's line, in every state of
// the forecast, before the warnings.
#include "platform/Clock.h"
#include "schedule/TrayText.h"
#include "support/TempDir.h"
#include "weather/Rain.h"
#include "weather/RecordJson.h"

#include <gtest/gtest.h>

namespace {

class TrayRainTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetClockZone(platform::ClockZone::Japan);
        now_ = platform::ToUnixSeconds({2026, 12, 9, 10, 7, 0});
    }
    void TearDown() override { platform::SetClockZone(platform::ClockZone::Computer); }

    std::int64_t now_ = 0; // 10:07 on 9 December 2026, Japan time
};

TWeatherData FullRecord() {
    TWeatherData record;
    record.Clear();
    std::string error;
    EXPECT_TRUE(ReadRecordJson(ReadAll(TestData("records/full.json")), record, error)) << error;
    record.ClearRain();
    return record;
}

const std::vector<std::int32_t> kDry(13, 0);

} // namespace

TEST_F(TrayRainTest, TheRainLineComesWhenRainIsDueOrFallingAndBeforeTheWarnings) {
    struct Case {
        const char* name;
        std::int32_t step;
        const char* time;
        std::vector<std::int32_t> frames;
        std::string line; // empty: none
    };
    const Case cases[] = {
        {"due in 25 minutes",
         5,
         "2026-12-09T10:05",
         {0, 0, 0, 0, 0, 2, 2, 2, 2, 3, 3, 2, 2},
         "25分後に雨 (1-5mm/h)"},
        {"falling, over in 10 minutes",
         5,
         "2026-12-09T10:05",
         {4, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "雨は10分後にやむ見込み"},
        {"falling the whole hour", 5, "2026-12-09T10:05", std::vector<std::int32_t>(13, 1),
         "雨は1時間以上続く見込み"},
        {"Open-Meteo's quarter hours",
         15,
         "2026-12-09T10:00",
         {0, 0, 3, 3, 0},
         "30分後に雨 (5-10mm/h)"},
        {"a dry hour", 5, "2026-12-09T10:05", kDry, ""},
        {"unknown as a whole", 5, "2026-12-09T10:05", {}, ""},
        {"an unknown frame before the rain",
         5,
         "2026-12-09T10:05",
         {0, NoValue, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
         ""},
        {"rain due, but the analysis is 40 minutes old",
         5,
         "2026-12-09T09:27",
         {0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2},
         ""},
    };
    const std::vector<TWarning> warnings = {
        {"03", "レベル3大雨警報", "発表", TWarningLevel::Warning}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string tail = c.line.empty() ? "" : "\r\n" + c.line;
        // Without a forecast: after the status, before the warnings.
        TWeatherData record;
        record.Clear();
        SetRain(record, c.step, c.time, c.frames);
        ASSERT_EQ(RainHintLine(record, now_), c.line);
        EXPECT_EQ(ComposeTray(record, {}, TTrayMode::Current, false, "千代田区", now_).Hint,
                  "Pelumi" + tail);
        EXPECT_EQ(ComposeTray(record, {}, TTrayMode::Current, true, "千代田区", now_).Hint,
                  "Pelumi\r\n接続しています" + tail);
        record.WarningsKnown = true;
        record.Warnings = warnings;
        EXPECT_EQ(ComposeTray(record, {}, TTrayMode::Current, false, "千代田区", now_).Hint,
                  "Pelumi" + tail + "\r\n千代田区: レベル3大雨警報");
        TShownForecast failed;
        failed.LastFailed = true;
        EXPECT_EQ(ComposeTray(record, failed, TTrayMode::Current, false, "千代田区", now_).Hint,
                  "データ取得に失敗" + tail + "\r\n千代田区: レベル3大雨警報");
        // With a forecast, in each tray mode: the hint without rain, and the line before the
        // warnings; the picture and the balloon stay the forecast's.
        TWeatherData full = FullRecord();
        full.WarningsKnown = true;
        full.Warnings = warnings;
        TWeatherData wet = full;
        SetRain(wet, c.step, c.time, c.frames);
        for (const TTrayMode mode : {TTrayMode::Current, TTrayMode::Today, TTrayMode::Tomorrow}) {
            const TTrayView dry = ComposeTray(full, {}, mode, false, "千代田区", now_);
            const TTrayView shown = ComposeTray(wet, {}, mode, false, "千代田区", now_);
            const std::string warningsLine = "\r\n千代田区: レベル3大雨警報";
            ASSERT_TRUE(dry.Hint.ends_with(warningsLine)) << dry.Hint;
            EXPECT_EQ(shown.Hint, dry.Hint.substr(0, dry.Hint.size() - warningsLine.size()) + tail +
                                      warningsLine);
            EXPECT_EQ(shown.Icon, dry.Icon);
            ASSERT_TRUE(shown.Balloon && dry.Balloon);
            EXPECT_EQ(shown.Balloon->Text, dry.Balloon->Text);
        }
    }
}
