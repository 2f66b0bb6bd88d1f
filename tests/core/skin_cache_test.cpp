// A skin keeps images, icons and label texts from one drawing to the next: every redraw must
// still be the picture a skin drawing for the first time makes, and an edit of a file or a field
// must show at the next drawing.
#include "platform/Clock.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "skin_images.h"
#include "support/ShippedSkins.h"
#include "support/TempDir.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

namespace {

struct ClockGuard {
    explicit ClockGuard(const platform::LocalDateTime& t) { platform::FixClock(t); }
    ~ClockGuard() { platform::ReleaseClock(); }
};

TWeatherData Record(const std::string& file) {
    TWeatherData record;
    std::string error;
    EXPECT_TRUE(ReadRecordJson(ReadAll(TestData("records/" + file)), record, error)) << error;
    return record;
}

TBitmap FreshDrawing(const std::string& path, const TWeatherData& record, double scale) {
    TSkin skin;
    skin.Load(path);
    TBitmap bitmap;
    skin.Draw(&bitmap, &record, scale);
    return bitmap;
}

} // namespace

TEST(SkinCache, EveryRedrawIsTheDrawingOfAFreshSkin) {
    const ClockGuard clock({2026, 12, 10, 10, 30, 0});
    const TWeatherData full = Record("full.json");
    // Changes that move, add and remove layers: a status line, other figures, warnings coming
    // and going, a whole record going (a first start) and coming back.
    TWeatherData status = full;
    status.Information = "再接続します (あと5回)";
    TWeatherData warmer = status;
    warmer.PointTemp.fill(31);
    warmer.DayMaxTemp = {35, 36};
    warmer.LocationName = "北海道札幌市中央区";
    TWeatherData warned = full;
    warned.WarningsKnown = true;
    warned.Warnings = {{"03", "レベル3大雨警報", "発表", TWarningLevel::Warning},
                       {"15", "強風注意報", "発表", TWarningLevel::Advisory}};
    TWeatherData empty;
    empty.Information = "接続しています";
    const TWeatherData* const sequence[] = {&full,  &status, &warmer, &warned,
                                            &empty, &full,   &full,   &warned};
    for (const std::string& path : ShippedSkins())
        for (const double scale : {1.0, 1.5, 2.0}) {
            TSkin skin;
            skin.Load(path);
            TBitmap bitmap;
            int step = 0;
            for (const TWeatherData* record : sequence) {
                skin.Draw(&bitmap, record, scale);
                ASSERT_TRUE(bitmap == FreshDrawing(path, *record, scale))
                    << path << " at " << scale << ", drawing " << step;
                ++step;
            }
        }
}

TEST(SkinCache, AnEditedFileOrFieldShowsAtTheNextDrawing) {
    TempDir dir;
    constexpr std::uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
    WriteSolidPng(dir, "back.png", 20, 10, kBlack);
    WriteSolidPng(dir, "sun.png", 4, 4, kRed);
    WriteSolidPng(dir, "cloud.png", 4, 4, kBlue);
    const std::string skinText = "[ImageFiles]\nBackground=back.png\nFine=sun.png\n"
                                 "Cloudy=cloud.png\n[DayWeatherIcon0]\nRect=0,0,4,4\n";
    const std::string path = dir.Write("skin.ini", skinText);
    TWeatherData record;
    record.DayWeather[0] = "晴れ";
    TSkin skin;
    skin.Load(path);
    TBitmap bitmap;
    for (const double scale : {1.0, 2.0}) {
        const auto at = [&](int x) { return static_cast<int>(x * scale); };
        skin.Load(path);
        skin.Draw(&bitmap, &record, scale);
        EXPECT_EQ(bitmap.Pixel(at(1), at(1)), kRed);

        // An image rewritten in place (another size, as an editor saves it).
        WriteSolidPng(dir, "sun.png", 8, 8, kBlue);
        skin.Draw(&bitmap, &record, scale);
        EXPECT_EQ(bitmap.Pixel(at(1), at(1)), kBlue) << scale;
        EXPECT_EQ(bitmap, FreshDrawing(path, record, scale));

        // Its @2x form added: drawn above scale 1 only.
        WriteSolidPng(dir, "sun@2x.png", 16, 16, kBlack | 0x00FF00);
        skin.Draw(&bitmap, &record, scale);
        EXPECT_EQ(bitmap.Pixel(at(1), at(1)), scale == 1.0 ? kBlue : (kBlack | 0x00FF00));
        std::remove(dir.File("sun@2x.png").c_str());
        WriteSolidPng(dir, "sun.png", 4, 4, kRed);

        // The skin file edited: the icon moves.
        std::string moved = skinText;
        moved.replace(moved.find("Rect=0,0,4,4"), 12, "Rect=5,0,9,4");
        dir.Write("skin.ini", moved);
        skin.Draw(&bitmap, &record, scale);
        EXPECT_EQ(bitmap.Pixel(at(1), at(1)), kBlack) << scale;
        EXPECT_EQ(bitmap.Pixel(at(6), at(1)), kRed) << scale;
        dir.Write("skin.ini", skinText);

        // A field set by hand after the load.
        skin.ImageFiles.Fine = "cloud.png";
        skin.Draw(&bitmap, &record, scale);
        EXPECT_EQ(bitmap.Pixel(at(1), at(1)), kBlue) << scale;
    }
}

// A copy of a skin draws on its own: what the first keeps does not stand in the copy's way.
TEST(SkinCache, ACopiedSkinDrawsTheSame) {
    const ClockGuard clock({2026, 12, 10, 10, 30, 0});
    const TWeatherData full = Record("full.json");
    TSkin skin;
    skin.Load(kSkinRoot + "Simple/compact.ini");
    TBitmap first, second;
    skin.Draw(&first, &full);
    TSkin copy = skin;
    copy.Draw(&second, &full);
    EXPECT_EQ(first, second);
    TSkin moved = std::move(copy);
    moved.Draw(&second, &full, 2.0);
    EXPECT_EQ(second, FreshDrawing(kSkinRoot + "Simple/compact.ini", full, 2.0));
}
