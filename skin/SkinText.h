#pragma once

#include "skin/SkinTypes.h"

#include <cstdint>

// The arithmetic of label rendering, apart from the rasteriser.
namespace skintext {

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0 or the
// result does not fit 32 bits.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

// Height of the font of the supersampled surface: the label font at twice its point size.
// A FontHeight of 0 counts as the default height, so smoothed default text keeps its size.
std::int32_t DoubledFontHeight(std::int32_t fontHeight, std::int32_t dpi = 96);

// (R + G + B) div 3 of a 0x00BBGGRR colour.
int Brightness(TColor colour);

// Background and ink (0x00RRGGBB) of the supersampled surface: dark colours (brightness below
// 128) are drawn black on white, light ones white on black.
struct TSupersampleInk {
    std::uint32_t Background;
    std::uint32_t Ink;
    bool Dark;
};
TSupersampleInk SupersampleInk(TColor colour);

// The label colour premultiplied by coverage `alpha`, as a 0xAARRGGBB surface pixel.
std::uint32_t LabelPixel(TColor colour, int alpha);

} // namespace skintext
