#pragma once

#include "skin/Surface.h"

#include <cstdint>

// Premultiplied source-over of one pixel: each channel becomes S + D * (255 - S.alpha) / 255.
std::uint32_t SourceOver(std::uint32_t source, std::uint32_t target);

// Draws `source` onto `target` with its top-left corner at (x, y), premultiplied source-over,
// clipped to the target (positions far outside it are safe).
void BlendBitmap(TBitmap& target, const TBitmap& source, std::int64_t x, std::int64_t y);
