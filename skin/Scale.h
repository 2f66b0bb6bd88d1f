#pragma once

#include "skin/SkinTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

// Drawing at a scale: device pixels per skin pixel. Every position and size of a skin is mapped
// by one rule, edge by edge (a size is the difference of its two mapped edges), so elements
// that meet at scale 1 meet at any scale, without gaps or overlaps. At scale 1 every value is
// unchanged.

// The factors the engine draws at. A screen below 1 gets the 1x picture (its window system
// reduces it); a factor above 8 is taken as 8.
constexpr double kMinScale = 1.0;
constexpr double kMaxScale = 8.0;

// A usable factor: NaN and infinities give 1, others are brought into [kMinScale, kMaxScale].
double UsableScale(double scale);

// Skin coordinate v in device pixels: v * scale rounded half up, floor(v * scale + 0.5).
std::int64_t ScaledEdge(std::int64_t v, double scale);

// A box or point edge by edge, clamped to 32 bits (such boxes lie beyond every bitmap anyway).
TRect ScaledRect(const TRect& rect, double scale);
TPoint ScaledPoint(const TPoint& point, double scale);

// The name of the image drawn for scale 2 beside `name`: "@2x" before the extension of its
// last part ("img\\sun.png" gives "img\\sun@2x.png"; a name without extension gets "@2x" at
// the end).
std::string DoubleSizeName(std::string_view name);
