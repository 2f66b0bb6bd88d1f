#include "skin/Font.h"
#include "skin/Skin.h"
#include "skin/SkinText.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

constexpr TColor clWhite = 0xFFFFFF;

TLabelSetting Label(TRect rect, int align, TColor colour, bool antiAliasing) {
    TLabelSetting s;
    s.Rect = rect;
    s.HorizontalAlign = align;
    s.FontColor = colour;
    s.AntiAliasing = antiAliasing ? 1 : 0;
    return s;
}

int InkedPixels(const TBitmap& b) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            n += (b.Pixel(x, y) >> 24) != 0;
    return n;
}

// Black text on a white surface with room around it.
TBitmap Picture(const TFont& font, std::string_view text) {
    TBitmap s(font.TextWidth(text) + 2 * font.TextHeight() + 8, font.TextHeight() * 3);
    std::fill(s.Data(), s.Data() + s.Width() * s.Height(), 0xFFFFFFFFu);
    font.DrawText(s, font.TextHeight(), font.TextHeight(), text, 0x000000);
    return s;
}

// Ink of black text on a white surface, counted as pixels that are not white.
int InkOf(const TFont& font, std::string_view text) {
    const TBitmap s = Picture(font, text);
    int n = 0;
    for (int i = 0; i < s.Width() * s.Height(); ++i)
        n += (s.Data()[i] & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

TLogicalFont Face(std::string name, int height = 13) {
    TLogicalFont f;
    f.FaceName = std::move(name);
    f.Height = height;
    return f;
}

} // namespace

TEST(LabelText, BoxesWithoutAreaDrawNothing) {
    const TRect boxes[] = {{-1, -1, -1, -1}, {10, 10, 10, 30}, {10, 10, 30, 10}, {30, 5, 10, 25}};
    TSkin skin;
    for (const auto& box : boxes) {
        TBitmap bitmap(40, 40);
        std::fill(bitmap.Data(), bitmap.Data() + 40 * 40, 0x80402010u);
        const TBitmap before = bitmap;
        const auto label = Label(box, 0, 0, false);
        skin.DrawLabel(&bitmap, "晴れ", &label);
        auto aa = Label(box, 0, 0, true);
        skin.DrawLabel(&bitmap, "晴れ", &aa);
        EXPECT_EQ(bitmap, before) << box.Left << "," << box.Top << "," << box.Right;
    }
    const auto label = Label({0, 0, 40, 40}, 0, 0, false);
    TBitmap bitmap(40, 40);
    skin.DrawLabel(nullptr, "晴れ", &label);
    skin.DrawLabel(&bitmap, "晴れ", nullptr);
    skin.DrawLabel(&bitmap, "", &label);
    EXPECT_EQ(InkedPixels(bitmap), 0);
}

TEST(LabelText, SupersampledInkFollowsBrightnessWith128Light) {
    struct Case {
        TColor colour;
        bool dark;
    };
    const Case cases[] = {
        {0x000000, true},  {0xFFFFFF, false}, {0x7F7F7F, true},
        {0x808080, false}, {0xFF8001, false}, // (1 + 128 + 255) div 3 = 128
        {0xFF7F01, true},                     // 127
        {0x0000FF, true},                     // pure red is dark
    };
    for (const auto& c : cases) {
        const auto ink = skintext::SupersampleInk(c.colour);
        EXPECT_EQ(ink.Dark, c.dark) << std::hex << c.colour;
        EXPECT_EQ(ink.Background, c.dark ? 0xFFFFFFu : 0u) << std::hex << c.colour;
        EXPECT_EQ(ink.Ink, c.dark ? 0u : 0xFFFFFFu) << std::hex << c.colour;
    }
}

TEST(LabelText, ColourIsPremultipliedByCoverageTruncating) {
    struct Case {
        TColor colour;
        int alpha;
        std::uint32_t pixel; // 0xAARRGGBB
    };
    const Case cases[] = {
        {clWhite, 128, 0x80808080},  {clWhite, 0, 0},
        {0x0000FF, 255, 0xFFFF0000}, {0xFF0000, 255, 0xFF0000FF},
        {0x00FF00, 100, 0x64006400}, {0x123456, 200, 0xC843280E},
    };
    for (const auto& c : cases)
        EXPECT_EQ(skintext::LabelPixel(c.colour, c.alpha), c.pixel)
            << std::hex << c.colour << " " << std::dec << c.alpha;
}

TEST(LabelText, DoubledFontHeightRoundsHalvesAwayFromZero) {
    struct Case {
        std::int32_t a, b, c, result;
    };
    const Case muldiv[] = {{13, 72, 96, 10}, {-13, 72, 96, -10}, {3, 1, 2, 2},
                           {-3, 1, 2, -2},   {1, 1, 0, -1},      {INT_MAX, 4, 1, -1}};
    for (const auto& c : muldiv)
        EXPECT_EQ(skintext::MulDiv(c.a, c.b, c.c), c.result) << c.a << "*" << c.b << "/" << c.c;

    struct Height {
        std::int32_t label, doubled;
    };
    const Height heights[] = {{13, 27}, {-13, -27}, {12, 24}, {0, 27}, {1, 3}};
    for (const auto& h : heights)
        EXPECT_EQ(skintext::DoubledFontHeight(h.label), h.doubled) << h.label;
    EXPECT_GT(skintext::DoubledFontHeight(INT_MAX), 0);
    EXPECT_LT(skintext::DoubledFontHeight(INT_MIN), 0);
}

// Every drawn pixel is the label colour premultiplied by its own alpha; paper stays
// transparent; solid ink is exactly the label colour.
TEST(LabelText, CoverageBecomesAlphaOfTheLabelColour) {
    const TColor colours[] = {0x000000, 0x0000FF, clWhite, 0x20A040, 0x808080};
    TSkin skin;
    for (bool aa : {false, true}) {
        for (TColor colour : colours) {
            TBitmap bitmap(80, 30);
            auto label = Label({0, 0, 80, 30}, 1, colour, aa);
            label.FontHeight = 24;
            skin.DrawLabel(&bitmap, "■霧", &label);
            bool solid = false;
            for (int y = 0; y < bitmap.Height(); ++y) {
                for (int x = 0; x < bitmap.Width(); ++x) {
                    const std::uint32_t p = bitmap.Pixel(x, y);
                    ASSERT_EQ(p, skintext::LabelPixel(colour, static_cast<int>(p >> 24)))
                        << "aa " << aa << " colour " << std::hex << colour;
                    solid = solid || p == skintext::LabelPixel(colour, 255);
                }
            }
            EXPECT_TRUE(solid) << "aa " << aa << " colour " << std::hex << colour;
            EXPECT_EQ(bitmap.Pixel(0, 0), 0u);
            EXPECT_EQ(bitmap.Pixel(79, 29), 0u);
        }
    }
}

TEST(LabelText, TextIsCompositedOverTheBitmap) {
    TSkin skin;
    TBitmap bitmap(60, 30);
    std::fill(bitmap.Data(), bitmap.Data() + 60 * 30, 0xFF204060u); // opaque background
    const auto label = Label({0, 0, 60, 30}, 1, clWhite, false);
    skin.DrawLabel(&bitmap, "■", &label);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0xFF204060u);
    EXPECT_EQ(bitmap.Pixel(30, 15), 0xFFFFFFFFu);
    for (int i = 0; i < 60 * 30; ++i)
        ASSERT_EQ(bitmap.Data()[i] >> 24, 0xFFu); // an opaque background stays opaque
}

// A text cut by its box looks exactly like the whole text seen through the box.
TEST(LabelText, TextWiderThanItsBoxIsCutAtTheBoxEdges) {
    const std::string text = "Wide 晴れ時々曇り text";
    TSkin skin;
    struct Case {
        int align, vertical;
        int left, top, right, bottom;
        int expectedX, expectedY;
    };
    for (bool aa : {false, true}) {
        // Aligned by the width it is drawn at: smoothed text by its doubled font's.
        const TLabelExtent extent = skin.MeasureLabel(text, Label({0, 0, 1, 1}, 0, 0, aa));
        const int tw = extent.Width, th = extent.Height;
        ASSERT_GT(tw, 60);
        ASSERT_EQ(th, skin.CreateLabelFont(Label({0, 0, 1, 1}, 0, 0, aa))->TextHeight());
        const int centreLeft = 70, centreRight = 70 + tw - 21; // odd negative slack truncates
        const int flatTop = 12, flatBottom = 12 + th - 5;      // 5 pixels too low: up by 2, not 3
        const Case cases[] = {
            {2, 1, 80, 10, 110, 30, 110 - tw, 10 + (20 - th) / 2},
            {1, 1, centreLeft, 10, centreRight, 30,
             centreLeft + (centreRight - centreLeft - tw) / 2, 10 + (20 - th) / 2},
            {5, 1, 30, 10, 60, 30, 0, 10 + (20 - th) / 2},
            {0, 1, 20, flatTop, 200, flatBottom, 20, flatTop - 2},
            {0, 2, 20, flatTop, 200, flatBottom, 20, flatBottom - th},
        };
        for (const auto& c : cases) {
            TBitmap clipped(300, 40), whole(300, 40);
            auto label = Label({c.left, c.top, c.right, c.bottom}, c.align, 0x3060C0, aa);
            label.VerticalAlign = c.vertical;
            skin.DrawLabel(&clipped, text, &label);
            auto reference = Label({c.expectedX, c.expectedY, 300, 40}, 0, 0x3060C0, aa);
            reference.VerticalAlign = 0;
            skin.DrawLabel(&whole, text, &reference);
            bool inkOutside = false;
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 300; ++x) {
                    const bool inBox = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                    ASSERT_EQ(clipped.Pixel(x, y), inBox ? whole.Pixel(x, y) : 0u)
                        << "align " << c.align << "/" << c.vertical << " aa " << aa << " at " << x
                        << "," << y;
                    inkOutside = inkOutside || (!inBox && whole.Pixel(x, y) != 0);
                }
            }
            EXPECT_TRUE(inkOutside) << "align " << c.align << "/" << c.vertical; // really cut
            EXPECT_GT(InkedPixels(clipped), th) << "align " << c.align << "/" << c.vertical;
        }
    }
}

// Smoothed text at the heights whose doubled font is wider than twice the label font keeps
// its last character whole when aligned right or centred in a box as wide as it measures.
TEST(LabelText, SmoothedTextInASnugBoxKeepsAllItsInk) {
    TSkin skin;
    const std::string text = "11時00分 発表";
    for (const int height : {10, 11, 12, 13, 14, 15})
        for (const int align : {1, 2}) {
            auto label = Label({0, 0, 1, 30}, align, 0xFFFFFF, true);
            label.FontHeight = height;
            const int width = skin.MeasureLabel(text, label).Width;
            label.Rect = {20, 0, 20 + width, 30};
            TBitmap snug(200, 30), free(200, 30);
            skin.DrawLabel(&snug, text, &label);
            auto roomy = label;
            roomy.Rect = {20, 0, 200, 30};
            roomy.HorizontalAlign = 0;
            skin.DrawLabel(&free, text, &roomy);
            EXPECT_EQ(InkedPixels(snug), InkedPixels(free)) << "height " << height;
        }
}

TEST(LabelText, HugeBoxesDrawOnlyWhatIsOnTheBitmap) {
    TSkin skin;
    for (bool aa : {false, true}) {
        TBitmap bitmap(100, 40);
        auto label = Label({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0, aa);
        skin.DrawLabel(&bitmap, "晴れ", &label);
        EXPECT_EQ(InkedPixels(bitmap), 0); // aligned at INT_MIN: far off the bitmap
        label.HorizontalAlign = 3;
        label.VerticalAlign = 3;
        skin.DrawLabel(&bitmap, "晴れ", &label);
        // At (0, 0): as a label at the bitmap's corner.
        TBitmap corner(100, 40);
        auto atCorner = Label({0, 0, 100, 40}, 0, 0, aa);
        atCorner.VerticalAlign = 0;
        skin.DrawLabel(&corner, "晴れ", &atCorner);
        EXPECT_GT(InkedPixels(corner), 20) << "aa " << aa;
        EXPECT_EQ(bitmap, corner) << "aa " << aa;
        label.Rect = {0, 0, INT_MAX, INT_MAX};
        label.HorizontalAlign = 1;
        skin.DrawLabel(&bitmap, "晴れ", &label);
    }
}

TEST(LabelFont, WindowsJapaneseFacesUseTheIpaFonts) {
    struct Case {
        const char* face;
        const char* family;
    };
    const Case cases[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
        {"ms pgothic", "IPAPGothic"},      {"MS Pゴシック", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},    {"MS Gothic", "IPAGothic"},
        {"ＭＳ 明朝", "IPAMincho"},        {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
        {"メイリオ", "IPAPGothic"},        {"Meiryo", "IPAPGothic"},
        {"IPAGothic", "IPAGothic"},
    };
    for (const auto& c : cases) {
        TFont font(Face(c.face));
        EXPECT_EQ(font.FaceFamily(), c.family) << c.face;
    }
    TFont pgothic(Face("ＭＳ Ｐゴシック"));
    EXPECT_EQ(pgothic.FaceFile().substr(pgothic.FaceFile().rfind('/') + 1), "ipagp.ttf");
}

TEST(LabelFont, JapaneseTextRendersFromAnyFace) {
    // "DejaVu Sans" has no kana or kanji: they come from a fallback font.
    const char* faces[] = {"ＭＳ Ｐゴシック", "NoSuchFace Pelumi", "DejaVu Sans", ""};
    for (const char* face : faces) {
        TFont font(Face(face, 24));
        EXPECT_FALSE(font.FaceFamily().empty()) << face;
        // U+10FFFD is in no font: it shows the face's missing-glyph box.
        EXPECT_NE(Picture(font, "霧"), Picture(font, "\xF4\x8F\xBF\xBD")) << face;
        EXPECT_GT(InkOf(font, "霧"), 150) << face;
        EXPECT_GT(font.TextWidth("晴れ時々曇り"), 6 * 16) << face;
    }
}

TEST(LabelFont, HeightWidthAndStylesFollowTheDescription) {
    struct Height {
        int height;
        int cellMin, cellMax;
    };
    const Height heights[] = {{13, 13, 13}, {0, 13, 13}, {40, 40, 40}, {1, 1, 1}, {-20, 21, 30}};
    for (const auto& h : heights) {
        TFont font(Face("ＭＳ Ｐゴシック", h.height));
        EXPECT_GE(font.TextHeight(), h.cellMin) << h.height;
        EXPECT_LE(font.TextHeight(), h.cellMax) << h.height;
    }

    auto regular = Face("ＭＳ Ｐゴシック", 20);
    auto bold = regular, wide = regular, underline = regular, italic = regular;
    bold.Weight = 700;
    wide.Width = 20;
    underline.Underline = true;
    italic.Italic = true;
    const std::string text = "天気 abc";
    const TFont r(regular), b(bold), w(wide), u(underline), i(italic);
    EXPECT_GT(InkOf(b, text), InkOf(r, text) * 11 / 10);
    EXPECT_GT(w.TextWidth(text), r.TextWidth(text) * 3 / 2);
    EXPECT_GT(InkOf(u, text), InkOf(r, text) + r.TextWidth(text) - 2);
    EXPECT_NE(InkOf(i, "|||"), 0);
    EXPECT_EQ(i.TextWidth(text), r.TextWidth(text)); // slanted, not wider
}

TEST(LabelFont, HostileDescriptionsAndTextsAreHarmless) {
    const std::int32_t sizes[] = {INT_MAX, -INT_MAX, INT_MIN, 100000};
    for (auto size : sizes) {
        auto d = Face("ＭＳ Ｐゴシック", size);
        d.Width = size;
        TFont font(d);
        EXPECT_GE(font.TextHeight(), 1) << size;
        EXPECT_LE(font.TextHeight(), 2 * MaxFontPixels) << size;
        TBitmap s(50, 50);
        font.DrawText(s, 0, 0, "晴", 0xFFFFFF);
    }
    TFont font(Face(std::string(200, 'x') + "ＭＳ Ｐゴシック"));
    EXPECT_EQ(font.Logical().FaceName.size(), 31u);
    EXPECT_EQ(font.TextWidth(""), 0);
    // Broken UTF-8 shows replacement characters rather than nothing or a crash.
    EXPECT_EQ(font.TextWidth("\xFF\xC3"), 2 * font.TextWidth("\xEF\xBF\xBD"));
    EXPECT_GT(font.TextWidth("\xE6\x99"), 0);

    std::string longText;
    for (int k = 0; k < 100000; ++k)
        longText += "あ";
    TSkin skin;
    for (int align : {0, 1, 2}) {
        for (bool aa : {false, true}) {
            TBitmap bitmap(60, 20);
            auto label = Label({0, 0, 60, 20}, align, 0, aa);
            label.FontHeight = INT_MAX;
            skin.DrawLabel(&bitmap, longText, &label);
            label.FontHeight = 13;
            skin.DrawLabel(&bitmap, longText, &label);
            EXPECT_GT(InkedPixels(bitmap), 100) << align;
        }
    }
}
