#include "skin/Compose.h"

#include <algorithm>

namespace {

// x / 255 rounded, for x up to 255 * 255.
inline std::uint32_t Div255(std::uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

} // namespace

std::uint32_t SourceOver(std::uint32_t source, std::uint32_t target) {
    const std::uint32_t sa = source >> 24;
    if (sa == 255)
        return source;
    if (source == 0)
        return target;
    const std::uint32_t inverse = 255 - sa;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t s = (source >> shift) & 0xFF;
        const std::uint32_t d = (target >> shift) & 0xFF;
        // A source that is not properly premultiplied must not carry into the next channel.
        result |= std::min<std::uint32_t>(255, s + Div255(d * inverse)) << shift;
    }
    return result;
}

void BlendBitmap(TBitmap& target, const TBitmap& source, std::int64_t x, std::int64_t y) {
    const std::int64_t left = std::max<std::int64_t>(0, x);
    const std::int64_t top = std::max<std::int64_t>(0, y);
    const std::int64_t right = std::min<std::int64_t>(target.Width(), x + source.Width());
    const std::int64_t bottom = std::min<std::int64_t>(target.Height(), y + source.Height());
    for (std::int64_t ty = top; ty < bottom; ++ty) {
        const std::uint32_t* s = source.Scanline(static_cast<int>(ty - y));
        std::uint32_t* d = target.Scanline(static_cast<int>(ty));
        for (std::int64_t tx = left; tx < right; ++tx)
            d[tx] = SourceOver(s[tx - x], d[tx]);
    }
}
