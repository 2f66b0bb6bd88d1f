#include "skin/Skin.h"
#include "skin_images.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kFine = 0xFFFF0000, kNight = 0xFF000080, kCloudy = 0xFF808080;
constexpr std::uint32_t kRain = 0xFF0000FF, kSnow = 0xFFFFFFFF, kNA = 0xFF000000;
constexpr std::uint32_t kAfter = 0xFF00FF00, kOccas = 0xFFFFFF00, kFog = 0xFFC0C0C0;

TEST(SkinIcons, SplitPhrase) {
    struct Case {
        std::string phrase, connector, left, right;
        bool found;
    };
    const Case cases[] = {
        {"晴のち曇", "のち", "晴", "曇", true},
        {"曇のち時々雨", "のち", "曇", "時々雨", true},
        {"晴のち", "のち", "晴", "", true},
        {"晴れ", "のち", "晴れ", "", false},
        {"", "後", "", "", false},
    };
    for (const Case& c : cases) {
        std::string left = "old", right = "old";
        EXPECT_EQ(TSkin::SplitPhrase(c.phrase, c.connector, left, right), c.found) << c.phrase;
        EXPECT_EQ(left, c.left) << c.phrase;
        EXPECT_EQ(right, c.right) << c.phrase;
    }
}

// Each weather image is one pixel wide and a different colour, with distinct heights so that
// a composite's layout shows in its size.
class WeatherIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        const struct {
            const char* name;
            std::uint32_t colour;
        } images[] = {{"fine.png", kFine},   {"night.png", kNight}, {"cloudy.png", kCloudy},
                      {"rain.png", kRain},   {"snow.png", kSnow},   {"na.png", kNA},
                      {"after.png", kAfter}, {"occas.png", kOccas}};
        for (const auto& image : images)
            WriteSolidPng(dir, image.name, 4, 4, image.colour);
    }
    void Load(const std::string& extra) {
        skin.Load(dir.Write("skin.ini", "[ImageFiles]\nFine=fine.png\nFineNight=night.png\n"
                                        "Cloudy=cloudy.png\nRain=rain.png\nSnow=snow.png\n"
                                        "NA=na.png\nAfter=after.png\nOccas=occas.png\n" +
                                            extra));
    }
    TempDir dir;
    TSkin skin;
};

TEST_F(WeatherIconTest, WordImageTakesTheWordThatBeginsFirst) {
    Load("");
    struct Case {
        std::string word;
        bool isDay;
        std::string image;
    };
    const Case cases[] = {
        {"晴れ", true, "fine.png"},
        {"晴れ", false, "night.png"},
        {"曇り", true, "cloudy.png"},
        {"くもり", true, "cloudy.png"},
        {"雷雨", true, "rain.png"},
        {"みぞれ", true, "snow.png"},
        {"雪か雨", true, "snow.png"},
        {"雨か雪", true, "rain.png"},
        {"", true, ""},
        // Fog without an image of its own is cloud, never "no data"; drizzle (霧雨) is rain.
        {"霧", true, "cloudy.png"},
        {"霧", false, "cloudy.png"},
        {"霧雨", true, "rain.png"},
        {"晴のち霧", true, "fine.png"},
        {"霧か雪", true, "cloudy.png"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin.WordImage(c.word, c.isDay), c.image) << c.word;
}

TEST_F(WeatherIconTest, FogHasItsOwnImageWhereTheSkinHasOne) {
    WriteSolidPng(dir, "fog.png", 4, 4, kFog);
    Load("Fog=fog.png\n");
    EXPECT_EQ(skin.WordImage("霧", true), "fog.png");
    EXPECT_EQ(skin.WordImage("濃霧", false), "fog.png");
    EXPECT_EQ(skin.WordImage("霧雨", true), "rain.png");
    EXPECT_EQ(skin.CreateWeatherIcon("霧", true), SolidBitmap(4, 4, kFog));
    // A Fog key whose file is missing falls back to the cloud, not to NA.
    std::remove(dir.File("fog.png").c_str());
    EXPECT_EQ(skin.CreateWeatherIcon("霧", true), SolidBitmap(4, 4, kCloudy));
}

TEST_F(WeatherIconTest, SingleIcons) {
    Load("");
    struct Case {
        std::string phrase;
        bool isDay;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {"晴れ", true, kFine}, {"晴れ", false, kNight}, {"曇り", true, kCloudy},
        {"雷雨", true, kRain}, {"雪か雨", true, kSnow}, {"霧", true, kCloudy},
        {"", true, kNA},
    };
    for (const Case& c : cases) {
        const TBitmap icon = skin.CreateWeatherIcon(c.phrase, c.isDay);
        EXPECT_EQ(icon, SolidBitmap(4, 4, c.colour)) << c.phrase;
    }
    // Missing files fall back to NA; without NA the icon is empty.
    std::remove(dir.File("night.png").c_str());
    EXPECT_EQ(skin.CreateWeatherIcon("晴れ", false), SolidBitmap(4, 4, kNA));
    std::remove(dir.File("na.png").c_str());
    EXPECT_TRUE(skin.CreateWeatherIcon("晴れ", false).Empty());
    EXPECT_TRUE(skin.CreateWeatherIcon("不明", true).Empty());
    EXPECT_EQ(skin.CreateWeatherIcon("霧", true), SolidBitmap(4, 4, kCloudy));
}

TEST_F(WeatherIconTest, CompositesPlacePartsWithTheConnectorOnTop) {
    Load("[ImagePosition]\nImage1Pos=0,0\nImage2Pos=6,2\nConnectorPos=3,1\n");
    struct Case {
        std::string phrase;
        std::uint32_t first, second, connector;
    };
    const Case cases[] = {
        {"晴のち曇", kFine, kCloudy, kAfter},     {"晴後雨", kFine, kRain, kAfter},
        {"曇時々雨", kCloudy, kRain, kOccas},     {"曇一時雪", kCloudy, kSnow, kOccas},
        {"曇のち時々雨", kCloudy, kRain, kAfter}, {"晴のち", kFine, kNA, kAfter},
    };
    for (const Case& c : cases) {
        const TBitmap icon = skin.CreateWeatherIcon(c.phrase, true);
        ASSERT_EQ(icon.Width(), 10) << c.phrase;
        ASSERT_EQ(icon.Height(), 6) << c.phrase;
        EXPECT_EQ(icon.Pixel(0, 0), c.first) << c.phrase;
        EXPECT_EQ(icon.Pixel(9, 5), c.second) << c.phrase;
        EXPECT_EQ(icon.Pixel(3, 1), c.connector) << c.phrase;
        EXPECT_EQ(icon.Pixel(6, 4), c.connector) << c.phrase; // over the second image
        EXPECT_EQ(icon.Pixel(9, 0), 0u) << c.phrase;          // uncovered stays transparent
    }
}

TEST_F(WeatherIconTest, CompositeLayoutFallbacks) {
    // Built-in positions: only the first image, at the top left.
    Load("");
    EXPECT_EQ(skin.CreateWeatherIcon("晴のち曇", true), SolidBitmap(4, 4, kFine));

    // A part whose file is missing still stretches the canvas by its position.
    std::remove(dir.File("after.png").c_str());
    Load("[ImagePosition]\nImage2Pos=8,8\nConnectorPos=2,0\n");
    const TBitmap icon = skin.CreateWeatherIcon("晴のち曇", true);
    EXPECT_EQ(icon.Width(), 12);
    EXPECT_EQ(icon.Height(), 12);
    EXPECT_EQ(icon.Pixel(2, 0), kFine); // no connector drawn

    // Positions far out do not make a giant canvas.
    Load("[ImagePosition]\nImage2Pos=2147483647,2147483647\n");
    const TBitmap far = skin.CreateWeatherIcon("晴のち曇", true);
    EXPECT_LE(far.Width(), kMaxImageSide);
    EXPECT_EQ(far.Pixel(0, 0), kFine);
}

} // namespace
