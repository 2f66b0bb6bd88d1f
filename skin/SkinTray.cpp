#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinPaths.h"
#include "weather/WeatherData.h"

#include <algorithm>
#include <array>
#include <cmath>

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

void TSkin::MarkTrayImage(TBitmap& image, TWarningLevel level) {
    std::uint32_t colour = 0;
    switch (level) {
    case TWarningLevel::Advisory:
        colour = 0xFFF2C230;
        break;
    case TWarningLevel::Warning:
        colour = 0xFFE02828;
        break;
    case TWarningLevel::Danger:
        colour = 0xFF9B30C8;
        break;
    case TWarningLevel::Emergency:
        colour = 0xFF141414;
        break;
    default:
        return;
    }
    const int w = image.Width(), h = image.Height();
    if (w <= 0 || h <= 0)
        return;
    // A triangle over the upper-right corner, 7/16 of the side, with a white edge of one pixel
    // per 16 so that it stands apart from any weather picture.
    const int side = std::max(3, (std::min(w, h) * 7 + 8) / 16);
    const int edge = std::max(1, (std::min(w, h) + 8) / 16);
    for (int y = 0; y < side && y < h; ++y)
        for (int x = w - side; x < w; ++x) {
            if (x < 0)
                continue;
            // Distance inside the hypotenuse, which runs from (w - side, 0) to (w, side).
            const int inside = (x - (w - side)) - y;
            if (inside < 0)
                continue;
            image.Pixel(x, y) = inside < edge ? 0xFFFFFFFFu : colour;
        }
}
