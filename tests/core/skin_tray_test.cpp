#include "skin/Skin.h"
#include "skin_images.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

class TrayTest : public ::testing::Test {
protected:
    TempDir dir;
    TSkin skin;
    TImageList list;
};

TEST_F(TrayTest, TrayKeysDefaultToTheWeatherImagesAndMissingFilesAreWhite) {
    const std::uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80808080};
    const char* names[] = {"fine.png", "cloudy.png", "rain.png", "snow.png"};
    for (int i = 0; i < 4; ++i)
        WriteSolidPng(dir, names[i], 32, 32, colours[i]);
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nFine=fine.png\nCloudy=cloudy.png\n"
                                    "Rain=rain.png\nSnow=snow.png\nNA=na.png\n"));
    list.Images.push_back(TBitmap(3, 3)); // replaced
    skin.LoadTrayImages(&list);
    ASSERT_EQ(list.Images.size(), 7u);
    EXPECT_EQ(list.Width, 16);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list.Images[i], SolidBitmap(16, 16, colours[i])) << i;
    EXPECT_EQ(list.Images[4], SolidBitmap(16, 16, kWhite)); // NA file missing
    EXPECT_EQ(list.Images[5], SolidBitmap(16, 16, kWhite));
    EXPECT_EQ(list.Images[6], SolidBitmap(16, 16, colours[1])); // no fog: the cloud

    // TrayError names a file of its own.
    WriteSolidPng(dir, "error.png", 16, 16, 0xFF123456);
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nTrayError=error.png\n"));
    skin.LoadTrayImages(&list);
    EXPECT_EQ(list.Images[0], SolidBitmap(16, 16, kWhite));
    EXPECT_EQ(list.Images[5], SolidBitmap(16, 16, 0xFF123456));
    EXPECT_EQ(list.Images[6], SolidBitmap(16, 16, kWhite)); // neither fog nor cloud
}

TEST_F(TrayTest, FogComesAfterTheSixOthersFromTrayFogOrFog) {
    WriteSolidPng(dir, "cloudy.png", 16, 16, 0xFF00FF00);
    WriteSolidPng(dir, "fog.png", 32, 32, 0xFFC0C0C0);
    WriteSolidPng(dir, "tray_fog.png", 16, 16, 0xFF202020);
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nCloudy=cloudy.png\nFog=fog.png\n"));
    skin.LoadTrayImages(&list);
    ASSERT_EQ(list.Images.size(), 7u);
    EXPECT_EQ(list.Images[1], SolidBitmap(16, 16, 0xFF00FF00));
    EXPECT_EQ(list.Images[6], SolidBitmap(16, 16, 0xFFC0C0C0)); // TrayFog defaults to Fog
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nCloudy=cloudy.png\nFog=fog.png\n"
                                    "TrayFog=tray_fog.png\n"));
    skin.LoadTrayImages(&list);
    EXPECT_EQ(list.Images[6], SolidBitmap(16, 16, 0xFF202020));
    // A TrayFog that names a missing file shows the tray's cloud.
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nTrayCloudy=cloudy.png\nTrayFog=gone.png\n"));
    skin.LoadTrayImages(&list);
    EXPECT_EQ(list.Images[6], SolidBitmap(16, 16, 0xFF00FF00));
}

TEST_F(TrayTest, ImageNamesMatchFilesWhateverTheirLetterCase) {
    WriteSolidPng(dir, "img/tray_fine.png", 16, 16, 0xFF102030);
    WriteSolidPng(dir, "Rain.PNG", 16, 16, 0xFF405060);
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nTrayFine=IMG\\TRAY_FINE.PNG\n"
                                    "Rain=rain.png\nTraySnow=snow.png\n"));
    skin.LoadTrayImages(&list);
    ASSERT_EQ(list.Images.size(), 7u);
    EXPECT_EQ(list.Images[0], SolidBitmap(16, 16, 0xFF102030));
    EXPECT_EQ(list.Images[2], SolidBitmap(16, 16, 0xFF405060)); // TrayRain from Rain
    EXPECT_EQ(list.Images[3], SolidBitmap(16, 16, kWhite));     // no snow.png in any case
}

TEST_F(TrayTest, ReductionTakesEveryNthPixelWithoutAveraging) {
    for (int n : {1, 2, 3}) {
        const TBitmap source = GradientBitmap(16 * n, 16 * n);
        SavePng(dir.Write("tray.png", ""), source);
        skin.Load(dir.Write("skin.ini", "[ImageFiles]\nTrayFine=tray.png\n"));
        skin.LoadTrayImages(&list);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(list.Images[0].Pixel(x, y), source.Pixel(n * x, n * y)) << n;
    }
}

TEST_F(TrayTest, NoSkinLeavesTheListAndABrokenImageKeepsThoseBefore) {
    list.Images.push_back(TBitmap(2, 2));
    skin.LoadTrayImages(&list);
    EXPECT_EQ(list.Images.size(), 1u);
    skin.LoadTrayImages(nullptr);

    dir.Write("broken.png", "\x89PNG\r\n\x1a\n broken");
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nTrayRain=broken.png\n"));
    EXPECT_THROW(skin.LoadTrayImages(&list), EPngError);
    EXPECT_EQ(list.Images.size(), 2u);
}

} // namespace
