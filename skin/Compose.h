#pragma once

#include "skin/SkinTypes.h"
#include "skin/Surface.h"

#include <cstdint>

// Premultiplied source-over of one pixel: each channel becomes S + D * (255 - S.alpha) / 255.
std::uint32_t SourceOver(std::uint32_t source, std::uint32_t target);

// Draws `source` onto `target` with its top-left corner at (x, y), premultiplied source-over,
// clipped to the target (positions far outside it are safe).
void BlendBitmap(TBitmap& target, const TBitmap& source, std::int64_t x, std::int64_t y);
// The same, changing only the target's pixels inside `clip` (right and bottom exclusive).
void BlendBitmap(TBitmap& target, const TBitmap& source, std::int64_t x, std::int64_t y,
                 const TRect& clip);

// Scales `source` smoothly to the size the caller gave `target` (every pixel is rewritten): a
// triangle filter over the premultiplied channels, between pixel centres when enlarging and over
// every covered source pixel when reducing, so no pixel is merely repeated or skipped. Equal
// sizes copy. An empty source clears the target.
void ResampleSmooth(const TBitmap& source, TBitmap& target);
