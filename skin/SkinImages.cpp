// Images of a skin at a drawing scale: the @2x image where the skin has a good one, else the
// 1x image resampled smoothly.
#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinPaths.h"

#include <algorithm>

namespace {

TBitmap Fitted(TBitmap image, int width, int height) {
    if (image.Width() == width && image.Height() == height)
        return image;
    TBitmap fitted(width, height);
    ResampleSmooth(image, fitted);
    return fitted;
}

} // namespace

TBitmap TSkin::LoadSkinImage(std::string_view name, double scale) const {
    const std::string path = SkinImagePath(SkinDir, name);
    scale = UsableScale(scale);
    if (scale == 1.0)
        return LoadPng(path);
    const TImageSize size = ReadPngSize(path);
    // An image that would outgrow the image limit is drawn at the largest scale that fits it.
    scale = std::max(1.0, std::min(scale, static_cast<double>(kMaxImageSide) /
                                              std::max(size.Width, size.Height)));
    const int width = static_cast<int>(ScaledEdge(size.Width, scale));
    const int height = static_cast<int>(ScaledEdge(size.Height, scale));
    const std::string doublePath = SkinImagePath(SkinDir, DoubleSizeName(name));
    if (platform::FileExists(doublePath)) {
        try {
            // One of another size was not drawn for this image: the 1x image serves better. Its
            // header tells, before a large one is decoded for nothing.
            const TImageSize doubleSize{2 * size.Width, 2 * size.Height};
            if (ReadPngSize(doublePath) == doubleSize) {
                TBitmap doubled = LoadPng(doublePath);
                // The file may have changed since its header was read.
                if (TImageSize{doubled.Width(), doubled.Height()} == doubleSize)
                    return Fitted(std::move(doubled), width, height);
            }
        } catch (const EPngError&) {
            // A broken @2x image is as good as none.
        }
    }
    return Fitted(LoadPng(path), width, height);
}
