// The default skin drawn with a fixed record at a fixed time, compared pixel for pixel with a
// picture looked at by eye when it was made. Fonts are pinned by the set-up (the IPA fonts of
// the distribution), so a difference means the drawing changed.
// To remake the picture after an intended change: PELUMI_UPDATE_GOLDEN=1 ctest -R Golden
#include "platform/Clock.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "support/TempDir.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct ClockGuard {
    explicit ClockGuard(const platform::LocalDateTime& t) { platform::FixClock(t); }
    ~ClockGuard() { platform::ReleaseClock(); }
};

} // namespace

TEST(Golden, DefaultSkinWithAFullRecord) {
    TWeatherData record;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(ReadAll(TestData("records/full.json")), record, error)) << error;

    const ClockGuard clock({2026, 12, 10, 10, 30, 0});
    TSkin skin;
    skin.Load(std::string(PELUMI_SOURCE_DIR) + "/data/Skin/Simple/small.ini");
    TBitmap drawn;
    skin.Draw(&drawn, &record);
    ASSERT_FALSE(drawn.Empty());

    const std::string golden = TestData("golden/small-1030.png");
    const std::string encoded = EncodePng(drawn);
    if (std::getenv("PELUMI_UPDATE_GOLDEN") != nullptr) {
        SavePng(golden, drawn);
        GTEST_SKIP() << "golden picture rewritten: " << golden;
    }
    // Both sides go through the same PNG round trip (straight alpha on disk).
    const TBitmap actual = DecodePng(encoded, "drawn");
    const TBitmap expected = LoadPng(golden);
    if (!(actual == expected)) {
        const std::string path = "/tmp/pelumi-golden-actual.png";
        SavePng(path, drawn);
        FAIL() << "the drawing differs from " << golden << "; this run's picture: " << path;
    }
}
