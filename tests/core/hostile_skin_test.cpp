// Skins built to break the widget: oversized, lying and cut-off images, boxes at the ends of the
// integer range, absurd fonts, thousands of sections, endless formats. Each draws what it can
// or ends the drawing pass with the skin's own error; none may crash or allocate without bound.
#include "platform/Errors.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "skin_images.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr std::uint32_t kBack = 0xFF202020;

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>(value >> (24 - 8 * k));
}

// A real 8 x 8 PNG whose header claims another size (with a correct header checksum).
std::string LyingPng(std::uint32_t width, std::uint32_t height) {
    std::string png = EncodePng(SolidBitmap(8, 8, 0xFF00FF00));
    // Signature (8), IHDR length (4), "IHDR" (4), then width and height; the CRC covers the
    // chunk type and its 13 data bytes.
    PutBigEndian(png, 16, width);
    PutBigEndian(png, 20, height);
    PutBigEndian(png, 29, Crc32(std::string_view(png).substr(12, 17)));
    return png;
}

TWeatherData Record() {
    TWeatherData w;
    for (int s = 0; s < 16; ++s) {
        w.PointHour[s] = 3 * (s % 8);
        w.PointWeather[s] = "晴れ";
        w.PointTemp[s] = s;
    }
    w.LocationName = "札幌市";
    w.UpdateInfo = "05日11時";
    return w;
}

class HostileSkin : public ::testing::Test {
protected:
    void SetUp() override {
        SavePng(dir.Write("back.png", ""), SolidBitmap(120, 60, kBack));
        SavePng(dir.Write("fine.png", ""), SolidBitmap(16, 16, 0xFFFF0000));
        SavePng(dir.Write("wide.png", ""), SolidBitmap(100000, 1, 0xFF0000FF));
        dir.Write("big-liar.png", LyingPng(4000, 4000));
        dir.Write("small-liar.png", LyingPng(2, 2));
        const std::string back = ReadAll(dir.File("back.png"));
        dir.Write("truncated.png", back.substr(0, back.size() / 2));
    }

    // A skin with one label and one icon box on a 120 x 60 background, plus `extra` lines.
    std::string Skin(const std::string& extra, const std::string& background = "back.png") {
        return dir.Write("skin.ini", "[ImageFiles]\nBackground=" + background +
                                         "\nFine=fine.png\nNA=fine.png\n"
                                         "[LocationLabel]\nRect=0,0,120,20\nFontColor=clWhite\n"
                                         "[PointWeatherIcon0]\nRect=0,20,16,36\n" +
                                         extra);
    }

    TempDir dir;
    TWeatherData weather = Record();
};

bool HasInk(const TBitmap& b, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom && y < b.Height(); ++y)
        for (int x = left; x < right && x < b.Width(); ++x)
            if (b.Pixel(x, y) != kBack)
                return true;
    return false;
}

} // namespace

TEST_F(HostileSkin, BrokenImagesEndThePassWithThePictureKept) {
    struct Case {
        const char* what;
        std::string background;
        std::string icon;
    };
    const Case cases[] = {
        {"a 100000 x 1 background", "wide.png", "fine.png"},
        {"a background claiming 4000 x 4000", "big-liar.png", "fine.png"},
        {"a truncated background", "truncated.png", "fine.png"},
        {"a 100000 x 1 icon", "back.png", "wide.png"},
        {"an icon claiming 4000 x 4000", "back.png", "big-liar.png"},
        {"a truncated icon", "back.png", "truncated.png"},
    };
    for (const auto& c : cases) {
        TSkin skin;
        skin.Load(Skin(""));
        TBitmap bitmap;
        skin.Draw(&bitmap, &weather);
        const TBitmap before = bitmap;
        skin.Load(Skin("", c.background));
        skin.ImageFiles.Fine = skin.ImageFiles.NA = c.icon;
        EXPECT_THROW(skin.Draw(&bitmap, &weather), EPngError) << c.what;
        if (c.background != "back.png") {
            EXPECT_EQ(bitmap, before) << c.what; // the last picture stays
        }
    }

    // A header claiming fewer pixels than the data holds: the header's size counts.
    TSkin skin;
    skin.Load(Skin("", "small-liar.png"));
    TBitmap bitmap;
    skin.Draw(&bitmap, &weather);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 2);
}

TEST_F(HostileSkin, TrayImagesStopAtTheBrokenOne) {
    TSkin skin;
    skin.Load(Skin("[ImageFiles]\n"));
    skin.ImageFiles.TrayFine = "fine.png";
    skin.ImageFiles.TrayCloudy = "missing.png";
    skin.ImageFiles.TrayRain = "wide.png";
    TImageList list;
    EXPECT_THROW(skin.LoadTrayImages(&list), EPngError);
    ASSERT_EQ(list.Images.size(), 2u); // the two before the broken one
    EXPECT_EQ(list.Images[0], SolidBitmap(16, 16, 0xFFFF0000));
    EXPECT_EQ(list.Images[1], SolidBitmap(16, 16, 0xFFFFFFFF)); // missing: white
}

TEST_F(HostileSkin, ExtremeNumbersDrawWhatFitsAndNothingElse) {
    std::string manySections;
    for (int i = 0; i < 10000; ++i)
        manySections += "[PointTempLabel" + std::to_string(i) + "]\nRect=0,0,120,60\n";
    std::string duplicates;
    for (int i = 0; i < 10000; ++i)
        duplicates += "[LocationLabel]\nRect=0,0,0,0\nFontColor=nonsense\n";
    struct Case {
        const char* what;
        std::string extra;
    };
    const Case cases[] = {
        {"label boxes at the integer limits",
         "[UpdateInfoLabel]\nRect=-2147483648,-2147483648,2147483647,2147483647\n"
         "[InformationLabel]\nRect=2147483646,2147483646,2147483647,2147483647\n"},
        {"icon boxes at the integer limits",
         "[PointWeatherIcon1]\nRect=-2147483648,-2147483648,2147483647,2147483647\n"
         "[PointWeatherIcon2]\nRect=2147483647,2147483647,-2147483648,-2147483648\n"
         "[PointWeatherIcon3]\nRect=-2147483648,0,-2147483647,1\nAutoResize=0\n"
         "[ImagePosition]\nImage2Pos=2147483647,2147483647\n"},
        {"edges beyond 32 bits are not numbers", "[UpdateInfoLabel]\nRect=99999999999,0,1,1\n"},
        {"font height 2147483647", "[Label]\nFontHeight=2147483647\nFontWidth=2147483647\n"},
        {"font height -2147483647", "[Label]\nFontHeight=-2147483647\n"},
        {"font height -2147483648", "[Label]\nFontHeight=-2147483648\n"},
        {"10000 label sections", manySections},
        {"10000 repeats of a section: the first counts", duplicates},
        {"a DataFormat of 100000 percent signs",
         "[Label]\nDataFormat=" + std::string(100000, '%') + "\n"},
    };
    for (const auto& c : cases) {
        TSkin skin;
        skin.Load(Skin(c.extra));
        TBitmap bitmap;
        skin.Draw(&bitmap, &weather);
        ASSERT_EQ(bitmap.Width(), 120) << c.what;
        ASSERT_EQ(bitmap.Height(), 60) << c.what;
        EXPECT_TRUE(HasInk(bitmap, 0, 0, 120, 20)) << c.what; // the location's name is there
    }
}

TEST_F(HostileSkin, EndlessFormatsAreCutByTheReader) {
    TSkin skin;
    skin.Load(Skin("[Label]\nDataFormat=" + std::string(100000, '%') + "r\n"));
    // The reader keeps 2047 characters: 1023 "%%" pairs and a lone last "%".
    EXPECT_EQ(skin.LabelDefaults.DataFormat.size(), 2047u);
    EXPECT_EQ(skin.FormatText("晴れ", skin.LabelDefaults), std::string(1023, '%'));

    // Set directly, a format of any length expands in one pass.
    TLabelSetting label = skin.LabelDefaults;
    label.DataFormat = std::string(100000, '%');
    EXPECT_EQ(skin.FormatNumber(5, label), std::string(50000, '%'));
    std::string manyValues;
    for (int i = 0; i < 50000; ++i)
        manyValues += "%r";
    label.DataFormat = manyValues;
    EXPECT_EQ(skin.FormatText("雨", label).size(), 50000u * 3);
    TBitmap bitmap(120, 20);
    label.Rect = {0, 0, 120, 20};
    skin.DrawLabel(&bitmap, skin.FormatText("雨", label), &label);
}
