#pragma once

// Small images for the skin tests, written through the real PNG writer.
#include "skin/Png.h"
#include "skin/Surface.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>
#include <string_view>

inline TBitmap SolidBitmap(int width, int height, std::uint32_t pixel) {
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.Pixel(x, y) = pixel;
    return b;
}

// Every pixel different: opaque, red = x, green = y, blue = 7.
inline TBitmap GradientBitmap(int width, int height) {
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.Pixel(x, y) = 0xFF000007u | (static_cast<std::uint32_t>(x & 0xFF) << 16) |
                            (static_cast<std::uint32_t>(y & 0xFF) << 8);
    return b;
}

inline std::string WriteSolidPng(const TempDir& dir, std::string_view name, int width, int height,
                                 std::uint32_t pixel) {
    const std::string path = dir.Write(name, "");
    SavePng(path, SolidBitmap(width, height, pixel));
    return path;
}
