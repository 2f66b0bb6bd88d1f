#include "skin/Compose.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// x / 255 rounded, for x up to 255 * 255.
inline std::uint32_t Div255(std::uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// Filter weights in 1/kOne.
constexpr std::int32_t kOne = 1 << 14;

struct Filter {
    int first = 0;                  // first source index
    std::vector<std::int32_t> taps; // weights of first, first + 1, ..., summing to kOne
};

// For each target position, the source positions that a triangle filter centred on it covers.
// Its radius is one source pixel when enlarging and one target pixel (in source pixels) when
// reducing; positions beyond the edges repeat the edge pixel.
std::vector<Filter> Filters(int source, int target) {
    std::vector<Filter> filters(static_cast<std::size_t>(target));
    const double ratio = static_cast<double>(source) / target;
    const double radius = std::max(1.0, ratio);
    std::vector<double> weights;
    for (int t = 0; t < target; ++t) {
        const double centre = (t + 0.5) * ratio - 0.5;
        const int lo = static_cast<int>(std::floor(centre - radius)) + 1;
        const int hi = static_cast<int>(std::ceil(centre + radius)) - 1;
        weights.clear();
        double sum = 0;
        for (int i = lo; i <= hi; ++i) {
            const double w = std::max(0.0, 1.0 - std::abs(i - centre) / radius);
            weights.push_back(w);
            sum += w;
        }
        // Fold the taps outside the source onto its edge pixels.
        Filter& f = filters[static_cast<std::size_t>(t)];
        const int first = std::max(0, lo), last = std::min(source - 1, hi);
        f.first = first;
        f.taps.assign(static_cast<std::size_t>(last - first + 1), 0);
        std::int32_t given = 0;
        std::size_t heaviest = 0;
        for (int i = lo; i <= hi; ++i) {
            const std::size_t at = static_cast<std::size_t>(std::clamp(i, first, last) - first);
            const auto w = static_cast<std::int32_t>(
                std::lround(weights[static_cast<std::size_t>(i - lo)] / sum * kOne));
            f.taps[at] += w;
            given += w;
        }
        for (std::size_t i = 0; i < f.taps.size(); ++i)
            if (f.taps[i] > f.taps[heaviest])
                heaviest = i;
        f.taps[heaviest] += kOne - given; // the sum is exact, so flat areas stay flat
    }
    return filters;
}

// The triangle filter's enlargement to exactly twice the size, the usual case of a 1x image
// on a screen at twice the ratio: each target pixel weighs its source pixel 3/4 and the nearer
// neighbour 1/4 in each direction (9, 3, 3, 1 sixteenths). Two channels at a time, in the
// 16-bit lanes of one word.
void EnlargeTwice(const TBitmap& source, TBitmap& target) {
    const int sw = source.Width(), sh = source.Height();
    constexpr std::uint32_t kLanes = 0x00FF00FF;
    for (int y = 0; y < target.Height(); ++y) {
        const int sy = y / 2;
        const int ny = y % 2 ? std::min(sy + 1, sh - 1) : std::max(sy - 1, 0);
        const std::uint32_t* near = source.Scanline(sy);
        const std::uint32_t* far = source.Scanline(ny);
        std::uint32_t* out = target.Scanline(y);
        for (int x = 0; x < target.Width(); ++x) {
            const int sx = x / 2;
            const int nx = x % 2 ? std::min(sx + 1, sw - 1) : std::max(sx - 1, 0);
            const std::uint32_t a = near[sx], b = near[nx], c = far[sx], d = far[nx];
            const std::uint32_t rb =
                9 * (a & kLanes) + 3 * (b & kLanes) + 3 * (c & kLanes) + (d & kLanes) + 0x00080008;
            const std::uint32_t ag = 9 * ((a >> 8) & kLanes) + 3 * ((b >> 8) & kLanes) +
                                     3 * ((c >> 8) & kLanes) + ((d >> 8) & kLanes) + 0x00080008;
            out[x] = ((rb >> 4) & kLanes) | (((ag >> 4) & kLanes) << 8);
        }
    }
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
    BlendBitmap(target, source, x, y, TRect{0, 0, target.Width(), target.Height()});
}

void BlendBitmap(TBitmap& target, const TBitmap& source, std::int64_t x, std::int64_t y,
                 const TRect& clip) {
    const std::int64_t left = std::max<std::int64_t>({0, x, clip.Left});
    const std::int64_t top = std::max<std::int64_t>({0, y, clip.Top});
    const std::int64_t right =
        std::min<std::int64_t>({target.Width(), x + source.Width(), clip.Right});
    const std::int64_t bottom =
        std::min<std::int64_t>({target.Height(), y + source.Height(), clip.Bottom});
    for (std::int64_t ty = top; ty < bottom; ++ty) {
        const std::uint32_t* s = source.Scanline(static_cast<int>(ty - y));
        std::uint32_t* d = target.Scanline(static_cast<int>(ty));
        for (std::int64_t tx = left; tx < right; ++tx)
            d[tx] = SourceOver(s[tx - x], d[tx]);
    }
}

void ResampleSmooth(const TBitmap& source, TBitmap& target) {
    if (target.Empty())
        return;
    if (source.Empty()) {
        std::fill(target.Data(), target.Data() + std::size_t(target.Width()) * target.Height(), 0u);
        return;
    }
    if (source.Width() == target.Width() && source.Height() == target.Height()) {
        std::copy(source.Data(), source.Data() + std::size_t(source.Width()) * source.Height(),
                  target.Data());
        return;
    }
    if (target.Width() == 2 * source.Width() && target.Height() == 2 * source.Height()) {
        EnlargeTwice(source, target);
        return;
    }
    const std::vector<Filter> columns = Filters(source.Width(), target.Width());
    const std::vector<Filter> rows = Filters(source.Height(), target.Height());
    // Across first, into channels (bytes B, G, R, A) kept with eight more bits; then down, row
    // by row, so that the inner loops run over whole rows.
    const std::size_t span = static_cast<std::size_t>(target.Width()) * 4;
    std::vector<std::uint16_t> across(span * static_cast<std::size_t>(source.Height()));
    for (int y = 0; y < source.Height(); ++y) {
        const auto* in = reinterpret_cast<const std::uint8_t*>(source.Scanline(y));
        std::uint16_t* out = across.data() + static_cast<std::size_t>(y) * span;
        for (const Filter& f : columns) {
            std::int32_t sum[4] = {0, 0, 0, 0};
            const std::uint8_t* px = in + static_cast<std::size_t>(f.first) * 4;
            for (const std::int32_t w : f.taps) {
                for (int c = 0; c < 4; ++c)
                    sum[c] += w * px[c];
                px += 4;
            }
            for (int c = 0; c < 4; ++c)
                *out++ = static_cast<std::uint16_t>(std::max(0, sum[c]) >> 6);
        }
    }
    std::vector<std::int32_t> sum(span);
    for (int y = 0; y < target.Height(); ++y) {
        const Filter& f = rows[static_cast<std::size_t>(y)];
        std::fill(sum.begin(), sum.end(), kOne << 7); // rounds the shift below
        for (std::size_t k = 0; k < f.taps.size(); ++k) {
            const std::int32_t w = f.taps[k];
            const std::uint16_t* in =
                across.data() + (static_cast<std::size_t>(f.first) + k) * span;
            for (std::size_t i = 0; i < span; ++i)
                sum[i] += w * in[i];
        }
        std::uint32_t* out = target.Scanline(y);
        for (std::size_t x = 0; x < span / 4; ++x) {
            std::uint32_t channel[4];
            for (int c = 0; c < 4; ++c)
                channel[c] = static_cast<std::uint32_t>(std::clamp(sum[4 * x + c] >> 22, 0, 255));
            // Rounding must not leave a colour above its alpha (not premultiplied any more).
            for (int c = 0; c < 3; ++c)
                channel[c] = std::min(channel[c], channel[3]);
            out[x] = channel[0] | (channel[1] << 8) | (channel[2] << 16) | (channel[3] << 24);
        }
    }
}
