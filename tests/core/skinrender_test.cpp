#include "platform/Clock.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "support/TempDir.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int status;
    std::string errors;
};

ToolRun SkinRender(const TempDir& dir, const std::string& arguments) {
    const std::string errors = dir.File("stderr.txt");
    const std::string command =
        std::string(PELUMI_BIN_DIR) + "/skin-render " + arguments + " 2>" + errors;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(errors)};
}

class SkinRenderTest : public ::testing::Test {
protected:
    std::string Demo() const { return TestData("skin/demo/demo.ini"); }
    std::string Record() const { return TestData("skin/record.json"); }
    TempDir dir;
};

TEST_F(SkinRenderTest, DrawsTheWidgetAndTheTrayStripAsTheWidgetWould) {
    const std::string out = dir.File("out.png"), tray = dir.File("tray.png");
    const ToolRun run = SkinRender(dir, Demo() + " " + Record() + " " + out +
                                            " --now 2014-03-05T14:30:00 --tray " + tray);
    EXPECT_EQ(run.status, 0) << run.errors;

    // The same skin and record drawn here, at the same time of day.
    TWeatherData record;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(ReadAll(Record()), record, error)) << error;
    TSkin skin;
    skin.Load(Demo());
    TBitmap expected;
    TImageList list;
    platform::FixClock({2014, 3, 5, 14, 30, 0});
    skin.Draw(&expected, &record);
    skin.LoadTrayImages(&list);
    platform::ReleaseClock();
    ASSERT_EQ(expected.Width(), 320);
    ASSERT_EQ(expected.Height(), 200);
    // Both through the PNG round trip (straight alpha on disk).
    EXPECT_TRUE(LoadPng(out) == DecodePng(EncodePng(expected), "expected"));

    // Fine, cloudy, rain, snow, no data, error and fog side by side.
    ASSERT_EQ(list.Images.size(), 7u);
    TBitmap strip(112, 16);
    for (int i = 0; i < 7; ++i)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                strip.Pixel(16 * i + x, y) = list.Images[static_cast<std::size_t>(i)].Pixel(x, y);
    EXPECT_TRUE(LoadPng(tray) == DecodePng(EncodePng(strip), "strip"));
    EXPECT_EQ(strip.Pixel(88, 0) >> 24, 0u); // the error image (NA) is transparent there
    EXPECT_NE(list.Images[0], list.Images[1]);
}

TEST_F(SkinRenderTest, ScaleDrawsAsTheWidgetOnAScreenOfThatRatio) {
    const std::string skinFile = std::string(PELUMI_SOURCE_DIR) + "/data/Skin/Simple/small.ini";
    const std::string out = dir.File("out.png"), tray = dir.File("tray.png");
    const ToolRun run =
        SkinRender(dir, skinFile + " " + Record() + " " + out +
                            " --now 2014-03-05T14:30:00 --scale 1.5 --tray " + tray);
    EXPECT_EQ(run.status, 0) << run.errors;

    TWeatherData record;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(ReadAll(Record()), record, error)) << error;
    TSkin skin;
    skin.Load(skinFile);
    TBitmap expected;
    TImageList list;
    platform::FixClock({2014, 3, 5, 14, 30, 0});
    skin.Draw(&expected, &record, 1.5);
    skin.LoadTrayImages(&list, 1.5);
    platform::ReleaseClock();
    ASSERT_EQ(expected.Width(), 660); // 440 x 312 at 1.5
    ASSERT_EQ(expected.Height(), 468);
    EXPECT_TRUE(LoadPng(out) == DecodePng(EncodePng(expected), "expected"));
    const TBitmap strip = LoadPng(tray);
    ASSERT_EQ(strip.Width(), 7 * 24);
    ASSERT_EQ(strip.Height(), 24);
    // The rain image is third, through the same PNG round trip.
    const TBitmap rain = DecodePng(EncodePng(list.Images[2]), "rain");
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(strip.Pixel(48 + x, y), rain.Pixel(x, y)) << x << "," << y;

    for (const char* bad : {"0.5", "9", "x2", "-2", "", "1e1"}) {
        const ToolRun refused =
            SkinRender(dir, skinFile + " " + Record() + " " + out + " --scale '" + bad + "'");
        EXPECT_EQ(refused.status, 2) << bad;
        EXPECT_NE(refused.errors.find("--scale"), std::string::npos) << bad;
    }
}

TEST_F(SkinRenderTest, ExitStatusTellsWhatHappened) {
    const std::string out = dir.File("out.png");
    const std::string noBackground = dir.Write("plain.ini", "[Label]\n");
    const std::string broken = dir.Write("broken.ini", "[ImageFiles]\nBackground=broken.png\n");
    const std::string badColour = dir.Write(
        "colour.ini", "[ImageFiles]\nBackground=back.png\n[LocationLabel]\nFontColor=rouge\n");
    const std::string badSkinColour = dir.Write(
        "skincolour.ini", "[ImageFiles]\nBackground=back.png\n[Label]\nFontColor=rouge\n");
    dir.Write("broken.png", ReadAll(TestData("skin/demo/broken.png")));
    dir.Write("back.png", ReadAll(TestData("skin/demo/back.png")));
    const std::string partial = dir.Write("partial.json", R"({"ok": false, "PointHour": [1,2]})");
    const std::string bad = dir.Write("bad.json", R"({"LocationName": "x",})");
    const std::string empty = dir.Write("empty.json", "{}");
    struct Case {
        std::string arguments;
        int status;
        std::string message; // part of standard error
    };
    const Case cases[] = {
        {"", 2, "usage"},
        {Demo() + " " + Record(), 2, "usage"},
        {Demo() + " " + Record() + " " + out + " --now 14:30", 2, "--now"},
        {Demo() + " " + Record() + " " + out + " --now 2026-02-30T10:00:00", 2, "--now"},
        {Demo() + " " + bad + " " + out, 2, "bad JSON"},
        {Demo() + " " + partial + " " + out, 2, "PointHour"},
        {Demo() + " " + dir.File("none.json") + " " + out, 2, ""},
        {dir.File("none.ini") + " " + empty + " " + out, 1, ""},
        {noBackground + " " + empty + " " + out, 1, "nothing drawn"},
        {broken + " " + empty + " " + out, 3, "broken.png"},
        {badColour + " " + empty + " " + out, 3, "rouge"},
        {badSkinColour + " " + empty + " " + out, 3, "rouge"}, // read when the skin loads
        {Demo() + " " + empty + " " + out, 0, ""},
    };
    for (const Case& c : cases) {
        const ToolRun run = SkinRender(dir, c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    }
}

} // namespace
