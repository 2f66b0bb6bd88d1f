// The shipped skins drawn with a fixed record at a fixed time, compared pixel for pixel with
// pictures looked at by eye when they were made (the default skin at 1x, every skin at 2x). Fonts
// are pinned by the set-up (the IPA fonts of the distribution), so a difference means the drawing
// changed. To remake the picture after an intended change: PELUMI_UPDATE_GOLDEN=1 ctest -R Golden
#include "platform/Clock.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "support/TempDir.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Japan time, so that the records' times of the rain and the report mean the same on any
// computer.
struct ClockGuard {
    explicit ClockGuard(const platform::LocalDateTime& t) {
        platform::SetClockZone(platform::ClockZone::Japan);
        platform::FixClock(t);
    }
    ~ClockGuard() {
        platform::ReleaseClock();
        platform::SetClockZone(platform::ClockZone::Computer);
    }
};

// Draws `skin` (under data/Skin/) at `scale` with the record `recordFile` (under records/) and
// compares it with the golden picture `name`.
void ExpectGolden(const std::string& skinFile, double scale, const std::string& name,
                  const std::string& recordFile = "full.json") {
    TWeatherData record;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(ReadAll(TestData("records/" + recordFile)), record, error)) << error;

    const ClockGuard clock({2026, 12, 10, 10, 30, 0});
    TSkin skin;
    skin.Load(std::string(PELUMI_SOURCE_DIR) + "/data/Skin/" + skinFile);
    TBitmap drawn;
    skin.Draw(&drawn, &record, scale);
    ASSERT_FALSE(drawn.Empty());

    const std::string golden = TestData("golden/" + name);
    const std::string encoded = EncodePng(drawn);
    if (std::getenv("PELUMI_UPDATE_GOLDEN") != nullptr) {
        SavePng(golden, drawn);
        GTEST_SKIP() << "golden picture rewritten: " << golden;
    }
    // Both sides go through the same PNG round trip (straight alpha on disk).
    const TBitmap actual = DecodePng(encoded, "drawn");
    const TBitmap expected = LoadPng(golden);
    if (!(actual == expected)) {
        const std::string path = "/tmp/pelumi-golden-actual-" + name;
        SavePng(path, drawn);
        FAIL() << "the drawing differs from " << golden << "; this run's picture: " << path;
    }
}

} // namespace

TEST(Golden, DefaultSkinWithAFullRecord) {
    ExpectGolden("Simple/small.ini", 1.0, "small-1030.png");
}

// Every shipped skin on a screen at twice the pixel ratio: its @2x images, text rasterised at
// twice the size.
TEST(Golden, ShippedSkinsAtTwiceThePixelRatio) {
    const std::pair<const char*, const char*> skins[] = {
        {"Simple/small.ini", "small-1030-x2.png"},
        {"Simple/compact.ini", "compact-1030-x2.png"},
        {"Glass/column.ini", "column-1030-x2.png"},
    };
    for (const auto& [skin, name] : skins) {
        SCOPED_TRACE(skin);
        ExpectGolden(skin, 2.0, name);
    }
}

// A refresh under way or failing over a kept forecast: the status line has a line of its own at
// the bottom and leaves the place name, the report time and every figure readable.
TEST(Golden, ShippedSkinsWithAStatusOverAKeptForecast) {
    const std::pair<const char*, const char*> skins[] = {
        {"Simple/small.ini", "small-status-1030"},
        {"Simple/compact.ini", "compact-status-1030"},
        {"Glass/column.ini", "column-status-1030"},
    };
    for (const auto& [skin, name] : skins) {
        SCOPED_TRACE(skin);
        ExpectGolden(skin, 1.0, std::string(name) + ".png", "status.json");
        ExpectGolden(skin, 2.0, std::string(name) + "-x2.png", "status.json");
    }
}

// Warnings in force, a 特別警報 first, confirmed a while ago: the row of its own under the header,
// its badge, the names that fit and 他N件, the time they were confirmed.
TEST(Golden, ShippedSkinsWithWarningsInForce) {
    const std::pair<const char*, const char*> skins[] = {
        {"Simple/small.ini", "small-warned-1030"},
        {"Simple/compact.ini", "compact-warned-1030"},
        {"Glass/column.ini", "column-warned-1030"},
    };
    for (const auto& [skin, name] : skins) {
        SCOPED_TRACE(skin);
        ExpectGolden(skin, 1.0, std::string(name) + ".png", "warned.json");
        ExpectGolden(skin, 2.0, std::string(name) + "-x2.png", "warned.json");
    }
}

// What the agency's record tells beyond the forecast: rain due in 25 minutes in the strip and its
// label, the day's weather and wind in the agency's words (cut at the box), the week's 信頼度, and
// a report overdue, its age in the colour of a fault.
TEST(Golden, ShippedSkinsWithTheAgencysWordsAndTheRainOfTheNextHour) {
    const std::pair<const char*, const char*> skins[] = {
        {"Simple/small.ini", "small-agency-1030"},
        {"Simple/compact.ini", "compact-agency-1030"},
        {"Glass/column.ini", "column-agency-1030"},
    };
    for (const auto& [skin, name] : skins) {
        SCOPED_TRACE(skin);
        ExpectGolden(skin, 1.0, std::string(name) + ".png", "agency.json");
        ExpectGolden(skin, 2.0, std::string(name) + "-x2.png", "agency.json");
    }
}
