// Drawing at a scale: the edge rule, images at a scale (@2x or smooth), composites, the tray
// images, text rasterised at the scaled size, and the widget's size and ratio.
#include "platform/Clock.h"
#include "skin/Compose.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin_images.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr std::uint32_t kYellow = 0xFFFFFF00, kGrey = 0xFF808080, kTeal = 0xFF008080;

// A bitmap with every pixel doubled into a 2 x 2 block: what scaling a 1x picture by pixel
// doubling gives.
TBitmap Doubled(const TBitmap& b) {
    TBitmap d(2 * b.Width(), 2 * b.Height());
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x)
            d.Pixel(x, y) = b.Pixel(x / 2, y / 2);
    return d;
}

// Aligned 2 x 2 blocks whose four pixels are not all the same: none in a doubled picture.
int MixedBlocks(const TBitmap& b) {
    int mixed = 0;
    for (int y = 0; y + 1 < b.Height(); y += 2)
        for (int x = 0; x + 1 < b.Width(); x += 2) {
            const std::uint32_t p = b.Pixel(x, y);
            mixed += b.Pixel(x + 1, y) != p || b.Pixel(x, y + 1) != p || b.Pixel(x + 1, y + 1) != p;
        }
    return mixed;
}

// Opaque, with steep steps between neighbours: any enlargement that is not doubling mixes the
// pixels of a 2 x 2 block.
TBitmap Steep(int width, int height) {
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.Pixel(x, y) = 0xFF000000u | static_cast<std::uint32_t>((30 * x) & 0xFF) << 16 |
                            static_cast<std::uint32_t>((40 * y) & 0xFF) << 8;
    return b;
}

TEST(SkinScale, EdgesRoundHalfUpAndStayAtScaleOne) {
    struct Case {
        std::int64_t value;
        double scale;
        std::int64_t expected;
    };
    const Case cases[] = {
        {7, 1.0, 7},   {-1, 1.0, -1}, {INT32_MAX, 1.0, INT32_MAX},
        {7, 1.25, 9},  {6, 1.25, 8},  {2, 1.25, 3},  // 8.75, 7.5, 2.5 upward
        {5, 1.5, 8},   {3, 1.5, 5},   {-1, 1.5, -1}, // 7.5, 4.5 up; -1.5 up to -1
        {-3, 1.5, -4}, {13, 2.0, 26}, {11, 3.0, 33},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaledEdge(c.value, c.scale), c.expected) << c.value << " x " << c.scale;

    EXPECT_EQ(ScaledRect({INT32_MIN, -1, INT32_MAX, 5}, 2.0),
              (TRect{INT32_MIN, -2, INT32_MAX, 10})); // clamped to 32 bits
    EXPECT_EQ(ScaledPoint({24, 14}, 1.5), (TPoint{36, 21}));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> usable[] = {{nan, 1.0}, {inf, 1.0},   {0.5, 1.0},
                                                {-2, 1.0},  {1.75, 1.75}, {100, 8.0}};
    for (const auto& [given, expected] : usable)
        EXPECT_EQ(UsableScale(given), expected) << given;
}

TEST(SkinScale, NeighbouringBoxesStillMeetAtFractionalScales) {
    // Edges of boxes side by side, of widths 1, 2, 3, 5, 7, 4, 6 and 9.
    const int edges[] = {3, 4, 6, 9, 14, 21, 25, 31, 40};
    for (double scale : {1.25, 1.5, 1.75, 3.0}) {
        for (std::size_t i = 0; i + 2 < std::size(edges); ++i) {
            const TRect a = ScaledRect({edges[i], 0, edges[i + 1], 1}, scale);
            const TRect b = ScaledRect({edges[i + 1], 0, edges[i + 2], 1}, scale);
            EXPECT_EQ(a.Right, b.Left) << scale << " at " << edges[i + 1];
            EXPECT_GE(a.Right - a.Left, std::floor((edges[i + 1] - edges[i]) * scale)) << scale;
        }
    }
}

TEST(SkinScale, DoubleSizeNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"sun.png", "sun@2x.png"},
        {"img\\BG.PNG", "img\\BG@2x.PNG"},
        {"a.b\\sun", "a.b\\sun@2x"},
        {"img/tray.fine.png", "img/tray.fine@2x.png"},
        {"", "@2x"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(DoubleSizeName(name), expected) << name;
}

TEST(SkinScale, SmoothResamplingNeverDoublesPixelsAndKeepsFlatAreasExact) {
    const TBitmap steep = Steep(8, 6);
    TBitmap twice(16, 12);
    ResampleSmooth(steep, twice);
    EXPECT_NE(twice, Doubled(steep));
    EXPECT_GE(MixedBlocks(twice), 40); // of 48 blocks

    // A flat colour stays exactly that colour, enlarged or reduced, premultiplied alpha too.
    const TBitmap flat = SolidBitmap(10, 7, 0x80402010);
    for (const auto& [w, h] : {std::pair{13, 9}, std::pair{20, 14}, std::pair{6, 4}}) {
        TBitmap out(w, h);
        ResampleSmooth(flat, out);
        EXPECT_EQ(out, SolidBitmap(w, h, 0x80402010)) << w << "x" << h;
    }
    TBitmap same(8, 6);
    ResampleSmooth(steep, same);
    EXPECT_EQ(same, steep);
}

class SkinImageTest : public ::testing::Test {
protected:
    void Load() { skin.Load(dir.Write("skin.ini", "[ImageFiles]\nFine=img\\SUN.PNG\n")); }
    TempDir dir;
    TSkin skin;
};

TEST_F(SkinImageTest, TheDoubleSizeImageWhereItIsGoodElseTheOneTimesImageSmoothly) {
    enum class From { Double, Single };
    struct Case {
        const char* what;
        std::string doubleBytes; // empty: no @2x file
        double scale;
        int width, height;
        From from;
    };
    const std::string good = EncodePng(SolidBitmap(20, 12, kGreen));
    const Case cases[] = {
        {"@2x at scale 2", good, 2.0, 20, 12, From::Double},
        {"@2x at scale 1.5", good, 1.5, 15, 9, From::Double},
        {"@2x at scale 3", good, 3.0, 30, 18, From::Double},
        {"@2x not read at scale 1", good, 1.0, 10, 6, From::Single},
        {"no @2x", "", 2.0, 20, 12, From::Single},
        {"broken @2x", "\x89PNG\r\n\x1a\n broken", 2.0, 20, 12, From::Single},
        {"@2x of another size", EncodePng(SolidBitmap(21, 12, kGreen)), 2.0, 20, 12, From::Single},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir fresh;
        SavePng(fresh.Write("img/sun.png", ""), SolidBitmap(10, 6, kTeal));
        if (!c.doubleBytes.empty())
            fresh.Write("img/sun@2x.png", c.doubleBytes);
        TSkin s;
        s.Load(fresh.Write("skin.ini", "[ImageFiles]\nFine=img\\SUN.PNG\n"));
        const TBitmap image = s.LoadSkinImage(s.ImageFiles.Fine, c.scale);
        EXPECT_EQ(image, SolidBitmap(c.width, c.height, c.from == From::Double ? kGreen : kTeal));
    }
}

TEST_F(SkinImageTest, AnOversizedDoubleImageGivesWayAndABrokenOneTimesImageStillFails) {
    // Exactly twice the size, but beyond the image limit: refused like a broken file.
    SavePng(dir.Write("img/sun.png", ""), SolidBitmap(2049, 1, kTeal));
    SavePng(dir.Write("img/sun@2x.png", ""), SolidBitmap(4098, 2, kGreen));
    Load();
    const TBitmap image = skin.LoadSkinImage(skin.ImageFiles.Fine, 2.0);
    EXPECT_EQ(image.Width(), 4096); // the largest scale that fits the limit
    EXPECT_EQ(image.Pixel(100, 0), kTeal);

    // The 1x file is the one whose errors count, as at scale 1.
    dir.Write("img/sun.png", "\x89PNG\r\n\x1a\n broken");
    SavePng(dir.Write("img/sun@2x.png", ""), SolidBitmap(20, 12, kGreen));
    EXPECT_THROW(skin.LoadSkinImage(skin.ImageFiles.Fine, 2.0), EPngError);
    EXPECT_THROW(skin.LoadSkinImage(skin.ImageFiles.Fine, 1.0), EPngError);
}

namespace {

// Bytes this process has read from files so far.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string name;
    long long value = 0;
    while (io >> name >> value)
        if (name == "rchar:")
            return value;
    return -1;
}

} // namespace

TEST_F(SkinImageTest, ADoubleImageOfAnotherSizeIsNotDecoded) {
    // Noise, so that the file is about as large as its pixels.
    TBitmap noise(400, 400);
    std::uint32_t seed = 12345;
    for (int y = 0; y < noise.Height(); ++y)
        for (int x = 0; x < noise.Width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            noise.Scanline(y)[x] = 0xff000000u | (seed >> 8);
        }
    SavePng(dir.Write("img/sun.png", ""), SolidBitmap(10, 6, kTeal));
    const std::string doublePath = dir.Write("img/sun@2x.png", "");
    SavePng(doublePath, noise);
    const auto doubleBytes = static_cast<long long>(std::filesystem::file_size(doublePath));
    ASSERT_GT(doubleBytes, 400000);
    Load();
    const long long before = BytesRead();
    ASSERT_GE(before, 0);
    const TBitmap image = skin.LoadSkinImage(skin.ImageFiles.Fine, 2.0);
    EXPECT_LT(BytesRead() - before, doubleBytes / 10);
    EXPECT_EQ(image, SolidBitmap(20, 12, kTeal));
}

TEST_F(SkinImageTest, WithoutADoubleImageTheEnlargementIsSmoothNotDoubled) {
    SavePng(dir.Write("img/sun.png", ""), Steep(8, 6));
    Load();
    const TBitmap image = skin.LoadSkinImage(skin.ImageFiles.Fine, 2.0);
    ASSERT_EQ(image.Width(), 16);
    EXPECT_NE(image, Doubled(Steep(8, 6)));
    EXPECT_GE(MixedBlocks(image), 40);
}

TEST(SkinScale, CompositesAreLaidOutAtTheScale) {
    TempDir dir;
    SavePng(dir.Write("cloudy.png", ""), SolidBitmap(10, 10, kGrey));
    SavePng(dir.Write("rain.png", ""), SolidBitmap(10, 10, kBlue));
    SavePng(dir.Write("after.png", ""), SolidBitmap(4, 6, kYellow));
    SavePng(dir.Write("after@2x.png", ""), SolidBitmap(8, 12, kRed));
    TSkin skin;
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nCloudy=cloudy.png\nRain=rain.png\n"
                                    "After=after.png\nNA=cloudy.png\n[ImagePosition]\n"
                                    "Image1Pos=0, 0\nImage2Pos=5, 3\nConnectorPos=9, 0\n"));
    struct Case {
        double scale;
        int width, height;
        TPoint second, connector;
        std::uint32_t connectorColour;
    };
    // 1.5: offsets 8, 5 and 14, 0; parts 15 x 15 and 6 x 9: 23 x 20.
    const Case cases[] = {{1.0, 15, 13, {5, 3}, {9, 0}, kYellow},
                          {2.0, 30, 26, {10, 6}, {18, 0}, kRed},
                          {1.5, 23, 20, {8, 5}, {14, 0}, kRed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        const TBitmap icon = skin.CreateWeatherIcon("曇のち雨", true, c.scale);
        ASSERT_EQ(icon.Width(), c.width);
        ASSERT_EQ(icon.Height(), c.height);
        EXPECT_EQ(icon.Pixel(c.second.X - 1, c.second.Y - 1), kGrey);
        EXPECT_EQ(icon.Pixel(c.second.X, c.second.Y), kBlue);
        EXPECT_EQ(icon.Pixel(c.width - 1, c.height - 1), kBlue);
        EXPECT_EQ(icon.Pixel(c.connector.X, c.connector.Y), c.connectorColour);
        EXPECT_EQ(icon.Pixel(c.connector.X - 1, 0), kGrey);
    }
}

// Four icons side by side in boxes of odd widths and two below them, each an opaque colour
// stretched over its box: at every scale the boxes fill the strip without a gap or an overlap.
TEST(SkinScale, ElementsMeetWithoutGapsOrOverlapsAtFractionalScales) {
    TempDir dir;
    const std::uint32_t colours[] = {kRed, kGreen, kBlue, kYellow};
    const char* names[] = {"fine.png", "cloudy.png", "rain.png", "snow.png"};
    for (int i = 0; i < 4; ++i)
        SavePng(dir.Write(names[i], ""), SolidBitmap(9, 7, colours[i]));
    SavePng(dir.Write("back.png", ""), TBitmap(37, 17));
    TSkin skin;
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nBackground=back.png\nFine=fine.png\n"
                                    "Cloudy=cloudy.png\nRain=rain.png\nSnow=snow.png\n"
                                    "[Icon]\nKeepAspect=0\n"
                                    "[WeekWeatherIcon0]\nRect=0, 0, 7, 11\n"
                                    "[WeekWeatherIcon1]\nRect=7, 0, 13, 11\n"
                                    "[WeekWeatherIcon2]\nRect=13, 0, 22, 11\n"
                                    "[WeekWeatherIcon3]\nRect=22, 0, 37, 11\n"
                                    "[DayWeatherIcon0]\nRect=0, 11, 20, 17\n"
                                    "[DayWeatherIcon1]\nRect=20, 11, 37, 17\n"));
    TWeatherData w;
    const char* phrases[] = {"晴", "曇", "雨", "雪"};
    for (int i = 0; i < 4; ++i)
        w.WeekWeather[i] = phrases[i];
    w.DayWeather[0] = "雨";
    w.DayWeather[1] = "晴";
    for (double scale : {1.25, 1.5}) {
        SCOPED_TRACE(scale);
        TBitmap bitmap;
        skin.Draw(&bitmap, &w, scale);
        ASSERT_EQ(bitmap.Width(), ScaledEdge(37, scale));
        ASSERT_EQ(bitmap.Height(), ScaledEdge(17, scale));
        const auto colourAt = [&](int x, int y) {
            const int splits[] = {7, 13, 22};
            if (y >= ScaledEdge(11, scale))
                return x < ScaledEdge(20, scale) ? kBlue : kRed;
            int i = 0;
            while (i < 3 && x >= ScaledEdge(splits[i], scale))
                ++i;
            return colours[i];
        };
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                ASSERT_EQ(bitmap.Pixel(x, y), colourAt(x, y)) << x << "," << y;
    }
}

TEST(SkinScale, TheWidgetHasTheScaledSizeAndCarriesTheRatio) {
    TempDir dir;
    SavePng(dir.Write("back.png", ""), SolidBitmap(45, 23, kTeal));
    SavePng(dir.Write("huge.png", ""), SolidBitmap(3000, 10, kTeal));
    TSkin skin;
    TWeatherData w;
    struct Case {
        const char* background;
        double scale;
        int width, height;
        double ratio;
        int logicalWidth, logicalHeight;
    };
    const Case cases[] = {
        {"back.png", 1.0, 45, 23, 1.0, 45, 23},
        {"back.png", 2.0, 90, 46, 2.0, 45, 23},
        {"back.png", 1.25, 56, 29, 1.25, 45, 23},
        {"back.png", 0.5, 45, 23, 1.0, 45, 23}, // below 1: the 1x picture
        // Beyond the image limit at 2: the largest scale that keeps it within.
        {"huge.png", 2.0, 4096, 14, 4096.0 / 3000, 3000, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.background) + " at " + std::to_string(c.scale));
        skin.Load(
            dir.Write("skin.ini", std::string("[ImageFiles]\nBackground=") + c.background + "\n"));
        TBitmap bitmap;
        skin.Draw(&bitmap, &w, c.scale);
        EXPECT_EQ(bitmap.Width(), c.width);
        EXPECT_EQ(bitmap.Height(), c.height);
        EXPECT_DOUBLE_EQ(bitmap.PixelRatio(), c.ratio);
        EXPECT_EQ(bitmap.LogicalWidth(), c.logicalWidth);
        EXPECT_EQ(bitmap.LogicalHeight(), c.logicalHeight);
    }
}

TEST(SkinScale, ABrokenDoubleBackgroundDrawsFromTheOneTimesImage) {
    TempDir dir;
    SavePng(dir.Write("back.png", ""), SolidBitmap(30, 20, kTeal));
    dir.Write("back@2x.png", "\x89PNG\r\n\x1a\n broken");
    TSkin skin;
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nBackground=back.png\n"));
    TWeatherData w;
    TBitmap bitmap;
    EXPECT_NO_THROW(skin.Draw(&bitmap, &w, 2.0));
    EXPECT_EQ(bitmap, [] {
        TBitmap b = SolidBitmap(60, 40, kTeal);
        b.SetPixelRatio(2.0);
        return b;
    }());
}

class ScaledTrayTest : public ::testing::Test {
protected:
    TempDir dir;
    TSkin skin;
    TImageList list;
};

TEST_F(ScaledTrayTest, TheLargestGoodSourceMadeToTheScaledSize) {
    SavePng(dir.Write("fine.png", ""), SolidBitmap(16, 16, kRed));
    SavePng(dir.Write("fine@2x.png", ""), GradientBitmap(32, 32)); // copied as it is
    SavePng(dir.Write("cloudy.png", ""), GradientBitmap(32, 32));  // no @2x: copied too
    SavePng(dir.Write("rain.png", ""), Steep(16, 16));             // enlarged smoothly
    SavePng(dir.Write("snow.png", ""), GradientBitmap(48, 48));    // reduced as at scale 1
    SavePng(dir.Write("na.png", ""), SolidBitmap(16, 16, kGrey));
    SavePng(dir.Write("na@2x.png", ""), SolidBitmap(30, 30, kGreen)); // not twice: left alone
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nFine=fine.png\nCloudy=cloudy.png\n"
                                    "Rain=rain.png\nSnow=snow.png\nNA=na.png\n"
                                    "TrayError=error.png\n"));
    skin.LoadTrayImages(&list, 2.0);
    ASSERT_EQ(list.Images.size(), 7u);
    EXPECT_EQ(list.Width, 32);
    EXPECT_EQ(list.Height, 32);
    for (const TBitmap& image : list.Images)
        EXPECT_EQ(image.PixelRatio(), 2.0);
    const auto atTwo = [](TBitmap b) {
        b.SetPixelRatio(2.0);
        return b;
    };
    EXPECT_EQ(list.Images[0], atTwo(GradientBitmap(32, 32)));
    EXPECT_EQ(list.Images[1], atTwo(GradientBitmap(32, 32)));
    EXPECT_NE(list.Images[2], atTwo(Doubled(Steep(16, 16))));
    EXPECT_GE(MixedBlocks(list.Images[2]), 200); // of 256 blocks
    TBitmap snow(32, 32);
    TSkin::ResampleBitmap(GradientBitmap(48, 48), snow);
    EXPECT_EQ(list.Images[3], atTwo(snow));
    EXPECT_EQ(list.Images[4], atTwo(SolidBitmap(32, 32, kGrey)));
    EXPECT_EQ(list.Images[5], atTwo(SolidBitmap(32, 32, 0xFFFFFFFF))); // missing: white

    // At 1.5 the images are 24 x 24.
    skin.LoadTrayImages(&list, 1.5);
    EXPECT_EQ(list.Width, 24);
    EXPECT_EQ(list.Images[4].Width(), 24);
    EXPECT_EQ(list.Images[4].Pixel(23, 23), kGrey);
}

// Text: the label at scale 2 is what a label of twice the size draws at scale 1 (the font
// rasterised at the doubled size), in both modes; and not the 1x label with its pixels doubled.
TEST(SkinScale, TextIsRasterisedAtTheScaledSizeNotDoubledAfterwards) {
    TSkin skin;
    for (const bool antiAliasing : {false, true}) {
        SCOPED_TRACE(antiAliasing ? "smoothed" : "plain");
        // Height 12 (9 points) doubles to 24 exactly, also through the smoothing font's points.
        TLabelSetting label;
        label.Rect = {3, 2, 93, 22};
        label.FontHeight = 12;
        label.FontColor = 0x2040E0;
        label.AntiAliasing = antiAliasing ? 1 : 0;
        TLabelSetting twice = label;
        twice.Rect = {6, 4, 186, 44};
        twice.FontHeight = 24;

        TBitmap one(100, 26), scaled(200, 52), reference(200, 52);
        skin.DrawLabel(&one, "晴れ 12/10(木) 25℃", &label);
        skin.DrawLabel(&scaled, "晴れ 12/10(木) 25℃", &label, 2.0);
        skin.DrawLabel(&reference, "晴れ 12/10(木) 25℃", &twice);
        EXPECT_EQ(scaled, reference);
        EXPECT_NE(scaled, Doubled(one));
        // Glyph edges fall inside the 2 x 2 blocks that doubling would make uniform.
        EXPECT_GT(MixedBlocks(scaled), 100);
    }
}

} // namespace
