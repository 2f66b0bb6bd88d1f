#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Font.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinPaths.h"
#include "weather/WeatherData.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {

// The best picture of a tray image for a list of a given size above scale 1: a good @2x image
// of twice the 1x size, else the 1x image.
TBitmap LargestSource(const std::string& skinDir, const std::string& name) {
    const std::string path = SkinImagePath(skinDir, name);
    const std::string doublePath = SkinImagePath(skinDir, DoubleSizeName(name));
    if (platform::FileExists(doublePath)) {
        try {
            TBitmap doubled = LoadPng(doublePath);
            const TImageSize size = ReadPngSize(path);
            if (doubled.Width() == 2 * size.Width && doubled.Height() == 2 * size.Height)
                return doubled;
        } catch (const EPngError&) {
            // A broken @2x image, or a 1x one whose header is broken: the 1x load decides.
        }
    }
    return LoadPng(path);
}

} // namespace

void TSkin::LoadTrayImages(TImageList* list, double scale) {
    if (!list || !platform::FileExists(FileName))
        return;
    scale = UsableScale(scale);
    list->Images.clear();
    list->Width = static_cast<int>(ScaledEdge(16, scale));
    list->Height = list->Width;
    // Fog is the last, so the six indexes before it keep their meaning.
    const std::array<const std::string*, kTrayImageCount> names{
        &ImageFiles.TrayFine, &ImageFiles.TrayCloudy, &ImageFiles.TrayRain, &ImageFiles.TraySnow,
        &ImageFiles.TrayNA,   &ImageFiles.TrayError,  &ImageFiles.TrayFog};
    TBitmap work(list->Width, list->Height);
    work.SetPixelRatio(scale);
    for (const std::string* name : names) {
        // A skin without a fog image shows fog as cloud, as its icons do.
        if (name == &ImageFiles.TrayFog &&
            !platform::FileExists(SkinImagePath(SkinDir, ImageFiles.TrayFog)))
            name = &ImageFiles.TrayCloudy;
        const std::string path = SkinImagePath(SkinDir, *name);
        if (!platform::FileExists(path)) {
            FillBitmapRect(work, 0xFFFFFF, 0, 0, work.Width(), work.Height());
        } else if (scale == 1.0) {
            ResampleBitmap(LoadPng(path), work);
        } else {
            const TBitmap source = LargestSource(SkinDir, *name);
            // Reductions sample like at scale 1; an enlargement must not double pixels.
            if (source.Width() < work.Width() || source.Height() < work.Height())
                ResampleSmooth(source, work);
            else
                ResampleBitmap(source, work);
        }
        list->Images.push_back(work);
    }
}

TBitmap TSkin::TrayTemperatureImage(std::int32_t degrees, double scale) {
    scale = UsableScale(scale);
    const int side = static_cast<int>(ScaledEdge(16, scale));
    TBitmap image(side, side);
    image.SetPixelRatio(scale);
    ClearBitmap(image);
    if (degrees == NoValue)
        return image;
    const std::string text = std::to_string(std::clamp(degrees, -99, 999));
    // The outline takes a pixel of each side per skin pixel; the digits fill what is left,
    // narrower for three of them.
    const int outline = std::max(1, static_cast<int>(scale + 0.5));
    const int room = side - 2 * outline;
    TLogicalFont logical;
    logical.FaceName = "DejaVu Sans Condensed";
    logical.Weight = 700;
    // Sixteen pixels leave no room for grey edges: whole pixels at 1x, smooth ones above.
    logical.Quality = scale < 1.5 ? TFontQuality::NonAntiAliased : TFontQuality::AntiAliased;
    logical.Height = -(room * 7 / 8);
    std::unique_ptr<TFont> font;
    for (; logical.Height < -4; ++logical.Height) {
        font = std::make_unique<TFont>(logical);
        if (font->TextWidth(text) <= room)
            break;
    }
    // The coverage of the digits, drawn white on black.
    TBitmap mask(side, side);
    FillBitmapRect(mask, 0x000000, 0, 0, side, side);
    const std::int64_t x = (side - font->TextWidth(text)) / 2;
    const std::int64_t y = (side - font->TextHeight()) / 2;
    font->DrawText(mask, x, y, text, 0xFFFFFF);
    const auto coverage = [&](int cx, int cy) -> std::uint32_t {
        if (cx < 0 || cy < 0 || cx >= side || cy >= side)
            return 0;
        return mask.Pixel(cx, cy) & 0xFF;
    };
    // White digits in a dark rim: readable on a light panel and a dark one.
    for (int py = 0; py < side; ++py)
        for (int px = 0; px < side; ++px) {
            std::uint32_t rim = 0;
            for (int dy = -outline; dy <= outline; ++dy)
                for (int dx = -outline; dx <= outline; ++dx)
                    if (dx * dx + dy * dy <= outline * outline + outline)
                        rim = std::max(rim, coverage(px + dx, py + dy));
            const std::uint32_t ink = coverage(px, py);
            const std::uint32_t alpha = ink + (255 - ink) * rim / 255;
            const std::uint32_t dark = 0x20; // the rim's grey, premultiplied below
            const std::uint32_t value = ink + (255 - ink) * rim / 255 * dark / 255;
            image.Pixel(px, py) = (alpha << 24) | (value << 16) | (value << 8) | value;
        }
    return image;
}

void TSkin::MarkTrayImage(TBitmap& image, TWarningLevel level) {
    // The agency's colours of the tiers, as the skins' badges show them.
    std::uint32_t colour = 0;
    switch (level) {
    case TWarningLevel::Advisory:
        colour = 0xFFF2E700;
        break;
    case TWarningLevel::Warning:
        colour = 0xFFFF2800;
        break;
    case TWarningLevel::Danger:
        colour = 0xFFAA00AA;
        break;
    case TWarningLevel::Emergency:
        colour = 0xFF0C000C;
        break;
    default:
        return;
    }
    const int w = image.Width(), h = image.Height();
    if (w <= 0 || h <= 0)
        return;
    // A triangle over the upper-right corner, half the side, rimmed in white on all three edges
    // (a pixel per 16): the colour stands out on a light panel, the rim on a dark one, where a
    // black 特別警報 would otherwise vanish.
    const int side = std::max(3, (std::min(w, h) + 1) / 2);
    const int edge = std::max(1, (std::min(w, h) + 8) / 16);
    for (int y = 0; y < side && y < h; ++y)
        for (int x = w - side; x < w; ++x) {
            if (x < 0)
                continue;
            // Distance inside the hypotenuse, which runs from (w - side, 0) to (w, side).
            const int inside = (x - (w - side)) - y;
            if (inside < 0)
                continue;
            const bool rim = inside < edge || y < edge || x >= w - edge;
            image.Pixel(x, y) = rim ? 0xFFFFFFFFu : colour;
        }
}
