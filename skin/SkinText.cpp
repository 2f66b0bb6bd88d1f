// Label text: fonts from the label record, alignment in the box, and the coverage-alpha
// rendering that turns platform-style ink-on-paper text into premultiplied label colour.
#include "skin/SkinText.h"

#include "skin/Compose.h"

#include "skin/Font.h"
#include "skin/Scale.h"
#include "skin/Skin.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace skintext {
namespace {

std::int64_t MulDiv64(std::int64_t a, std::int64_t b, std::int64_t c) {
    const std::int64_t q = a * b;
    const std::int64_t num = q < 0 ? -q : q;
    const std::int64_t den = c < 0 ? -c : c;
    const std::int64_t r = (2 * num + den) / (2 * den);
    return (q < 0) != (c < 0) ? -r : r;
}

} // namespace

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0)
        return -1;
    const std::int64_t r = MulDiv64(a, b, c);
    return r < INT32_MIN || r > INT32_MAX ? -1 : static_cast<std::int32_t>(r);
}

std::int32_t DoubledFontHeight(std::int32_t fontHeight, std::int32_t dpi) {
    if (dpi <= 0)
        dpi = 96;
    // Height 0 would stay the default height and come out half-size after the reduction.
    const std::int64_t h = fontHeight == 0 ? DefaultFontHeight : fontHeight;
    const std::int64_t points = -MulDiv64(h, 72, dpi);
    const std::int64_t doubled = -MulDiv64(2 * points, dpi, 72);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(doubled, INT32_MIN, INT32_MAX));
}

int Brightness(TColor colour) {
    const auto c = static_cast<std::uint32_t>(colour);
    return static_cast<int>(((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3);
}

TSupersampleInk SupersampleInk(TColor colour) {
    if (Brightness(colour) < 128)
        return {0xFFFFFF, 0x000000, true};
    return {0x000000, 0xFFFFFF, false};
}

std::uint32_t LabelPixel(TColor colour, int alpha) {
    const auto c = static_cast<std::uint32_t>(colour);
    const auto a = static_cast<std::uint32_t>(std::clamp(alpha, 0, 255));
    const std::uint32_t r = (c & 0xFF) * a / 255;
    const std::uint32_t g = ((c >> 8) & 0xFF) * a / 255;
    const std::uint32_t b = ((c >> 16) & 0xFF) * a / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

} // namespace skintext

namespace {

TLogicalFont LabelFont(const TLabelSetting& s, double scale) {
    TLogicalFont f;
    f.Height = s.FontHeight;
    f.Width = s.FontWidth;
    f.Weight = s.FontWeight;
    f.Italic = s.FontItalic != 0;
    f.Underline = s.FontUnderline != 0;
    f.StrikeOut = s.FontStrikeOut != 0;
    f.CharSet = s.FontCharSet;
    f.FaceName = s.FontFamily;
    f.Quality = TFontQuality::AntiAliased;
    f.Scale = scale;
    return f;
}

// The label font at twice its point size, regular or bold, natural width, default smoothing.
TLogicalFont SupersampleFont(const TLabelSetting& s, double scale) {
    TLogicalFont f = LabelFont(s, scale);
    f.Height = skintext::DoubledFontHeight(s.FontHeight);
    f.Width = 0;
    f.Weight = s.FontWeight >= 700 ? 700 : 400;
    f.Quality = TFontQuality::Default;
    return f;
}

// Left or top of a text of size `size` in a box edge pair, in 64 bits: boxes may span the
// whole 32-bit range.
std::int64_t Align(std::int32_t align, std::int64_t low, std::int64_t high, std::int64_t size) {
    switch (align) {
    case 0:
        return low;
    case 1:
        return low + (high - low - size) / 2; // truncates toward zero
    case 2:
        return high - size;
    default:
        return 0;
    }
}

} // namespace

std::unique_ptr<TFont> TSkin::CreateLabelFont(const TLabelSetting& setting, double scale) const {
    return std::make_unique<TFont>(LabelFont(setting, UsableScale(scale)));
}

TLabelExtent TSkin::MeasureLabel(std::string_view text, const TLabelSetting& setting,
                                 double scale) const {
    scale = UsableScale(scale);
    const auto font = CreateLabelFont(setting, scale);
    TLabelExtent extent{font->TextWidth(text), font->TextHeight()};
    // Smoothed text is drawn with the font of twice the size, whose advances are not exactly
    // twice the label font's (4 % more at some heights): its ink decides where the text ends, or
    // a right-aligned text in a snug box would lose its last pixels.
    if (setting.AntiAliasing != 0) {
        const TFont doubled(SupersampleFont(setting, scale));
        const std::int64_t half = (std::int64_t{doubled.TextWidth(text)} + 1) / 2;
        extent.Width = static_cast<int>(std::max<std::int64_t>(extent.Width, half));
    }
    return extent;
}

void TSkin::DrawLabel(TBitmap* bitmap, std::string_view text, const TLabelSetting* setting,
                      double scale) const {
    if (!setting || !bitmap)
        return;
    const TLayer layer = LabelLayer(text, *setting, scale, bitmap->Width(), bitmap->Height());
    if (layer.Pixels)
        BlendBitmap(*bitmap, *layer.Pixels, layer.X, layer.Y);
}

TLayer TSkin::LabelLayer(std::string_view text, const TLabelSetting& setting, double scale,
                         int clipWidth, int clipHeight) const {
    // Measured and aligned in device pixels with the font at the scale, not scaled afterwards.
    const TRect box = ScaledRect(setting.Rect, UsableScale(scale));
    if (static_cast<std::int64_t>(box.Right) - box.Left <= 0 ||
        static_cast<std::int64_t>(box.Bottom) - box.Top <= 0)
        return {};
    const TLabelExtent extent = MeasureLabel(text, setting, scale);
    const std::int64_t x = Align(setting.HorizontalAlign, box.Left, box.Right, extent.Width);
    const std::int64_t y = Align(setting.VerticalAlign, box.Top, box.Bottom, extent.Height);
    // Out of 32-bit range the text lies wholly beyond the bitmap.
    if (x < INT_MIN || x > INT_MAX || y < INT_MIN || y > INT_MAX)
        return {};
    return TextLayer(static_cast<int>(x), static_cast<int>(y), text, box, setting.AntiAliasing != 0,
                     setting.FontColor, setting, scale, clipWidth, clipHeight);
}

void TSkin::RenderText(TBitmap* bitmap, int x, int y, std::string_view text, const TRect& box,
                       bool antiAliasing, TColor colour, const TLabelSetting& setting,
                       double scale) const {
    if (!bitmap || bitmap->Empty())
        return;
    const TLayer layer = TextLayer(x, y, text, box, antiAliasing, colour, setting, scale,
                                   bitmap->Width(), bitmap->Height());
    if (layer.Pixels)
        BlendBitmap(*bitmap, *layer.Pixels, layer.X, layer.Y);
}

TLayer TSkin::TextLayer(int x, int y, std::string_view text, const TRect& box, bool antiAliasing,
                        TColor colour, const TLabelSetting& setting, double scale, int clipWidth,
                        int clipHeight) const {
    const std::int64_t left = box.Left, top = box.Top, right = box.Right, bottom = box.Bottom;
    if (clipWidth <= 0 || clipHeight <= 0 || right - left <= 0 || bottom - top <= 0)
        return {};

    scale = UsableScale(scale);
    const auto font = CreateLabelFont(setting, scale);
    std::unique_ptr<TFont> doubled;
    if (antiAliasing)
        doubled = std::make_unique<TFont>(SupersampleFont(setting, scale));

    // The work surfaces cover only the part of the box that is on the bitmap and that the text
    // can reach: everywhere else the coverage is 0 and the bitmap stays as it is, so the picture
    // is the same as with surfaces of the whole box, which may be of any size.
    std::int64_t th = font->TextHeight(), tw = font->TextWidth(text);
    if (doubled) {
        th = std::max<std::int64_t>(th, doubled->TextHeight() / 2 + 1);
        tw = std::max<std::int64_t>(tw, doubled->TextWidth(text) / 2 + 1);
    }
    const std::int64_t reach = 2 * th + 4;
    const std::int64_t x0 = std::max({left, std::int64_t{0}, std::int64_t{x} - reach});
    const std::int64_t y0 = std::max({top, std::int64_t{0}, std::int64_t{y} - reach});
    const std::int64_t x1 = std::min({right, std::int64_t{clipWidth}, x + tw + reach});
    const std::int64_t y1 = std::min({bottom, std::int64_t{clipHeight}, y + th + reach});
    if (x1 <= x0 || y1 <= y0)
        return {};
    const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);

    TBitmap alpha(w, h); // coverage in the blue channel
    if (!antiAliasing) {
        std::fill(alpha.Data(), alpha.Data() + static_cast<std::size_t>(w) * h, 0xFFFFFFFFu);
        font->DrawText(alpha, x - x0, y - y0, text, 0x000000);
        for (int py = 0; py < h; ++py) {
            std::uint32_t* row = alpha.Scanline(py);
            for (int px = 0; px < w; ++px)
                row[px] = 255 - ((row[px] >> 16) & 0xFF);
        }
    } else {
        const auto ink = skintext::SupersampleInk(colour);
        TBitmap s(2 * w + 1, 2 * h + 1);
        std::fill(s.Data(), s.Data() + static_cast<std::size_t>(s.Width()) * s.Height(),
                  0xFF000000u | ink.Background);
        doubled->DrawText(s, 2 * (x - x0), 2 * (y - y0), text, ink.Ink);
        for (int py = 0; py < h; ++py) {
            const std::uint32_t* r0 = s.Scanline(2 * py);
            const std::uint32_t* r1 = s.Scanline(2 * py + 1);
            std::uint32_t* row = alpha.Scanline(py);
            for (int px = 0; px < w; ++px) {
                const std::uint32_t sum = (r0[2 * px] & 0xFF) + (r0[2 * px + 1] & 0xFF) +
                                          (r1[2 * px] & 0xFF) + (r1[2 * px + 1] & 0xFF);
                const std::uint32_t v = sum / 4;
                row[px] = ink.Dark ? 255 - v : v;
            }
        }
    }

    // The label colour premultiplied by the coverage, where the text has ink.
    auto pixels = std::make_shared<TBitmap>(w, h);
    for (int py = 0; py < h; ++py) {
        const std::uint32_t* src = alpha.Scanline(py);
        std::uint32_t* dst = pixels->Scanline(py);
        for (int px = 0; px < w; ++px)
            if (src[px] != 0)
                dst[px] = skintext::LabelPixel(colour, static_cast<int>(src[px]));
    }
    return {std::move(pixels), x0, y0};
}
