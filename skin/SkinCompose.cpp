#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Where an element of size `size` goes in the box [low, high) for an alignment 0/1/2; any other
// alignment puts it at 0. The centring division truncates toward zero.
std::int64_t AlignedPosition(std::int32_t align, std::int64_t low, std::int64_t high,
                             std::int64_t size) {
    switch (align) {
    case 0:
        return low;
    case 1:
        return low + (high - low - size) / 2;
    case 2:
        return high - size;
    default:
        return 0;
    }
}

struct Tap {
    int i0, i1;
    std::uint32_t w0, w1;
};

// Source positions in sixteenths for each target position: f = s * t * 16 div count, kept
// exact without a 64-bit overflow by stepping the quotient and remainder.
std::vector<Tap> Taps(int source, int target) {
    std::vector<Tap> taps(static_cast<std::size_t>(target));
    const std::int64_t step = static_cast<std::int64_t>(source) * 16;
    const std::int64_t whole = step / target;
    const std::int64_t rest = step % target;
    std::int64_t f = 0, remainder = 0;
    for (int t = 0; t < target; ++t) {
        const int i0 = static_cast<int>(f / 16);
        const std::uint32_t v = static_cast<std::uint32_t>(f % 16);
        taps[t] = {i0, std::min(i0 + 1, source - 1), 16 - v, v};
        f += whole;
        remainder += rest;
        if (remainder >= target) {
            remainder -= target;
            ++f;
        }
    }
    return taps;
}

} // namespace

void TSkin::ClearBitmap(TBitmap& bitmap) {
    std::fill(bitmap.Data(),
              bitmap.Data() + static_cast<std::size_t>(bitmap.Width()) *
                                  static_cast<std::size_t>(bitmap.Height()),
              0u);
}

void TSkin::FillBitmapRect(TBitmap& bitmap, TColor colour, int left, int top, int right,
                           int bottom) {
    std::uint32_t pixel = 0;
    if (colour != clNone) {
        const auto c = static_cast<std::uint32_t>(colour);
        pixel = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    const int y1 = std::min(bitmap.Height(), bottom);
    const int x0 = std::max(0, left);
    const int x1 = std::min(bitmap.Width(), right);
    for (int y = std::max(0, top); y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            bitmap.Pixel(x, y) = pixel;
}

void TSkin::ResampleBitmap(const TBitmap& source, TBitmap& target) {
    if (target.Empty())
        return;
    if (source.Empty()) {
        ClearBitmap(target);
        return;
    }
    const std::vector<Tap> columns = Taps(source.Width(), target.Width());
    const std::vector<Tap> rows = Taps(source.Height(), target.Height());
    for (int y = 0; y < target.Height(); ++y) {
        const Tap& ty = rows[y];
        const std::uint32_t* r0 = source.Scanline(ty.i0);
        const std::uint32_t* r1 = source.Scanline(ty.i1);
        std::uint32_t* out = target.Scanline(y);
        for (int x = 0; x < target.Width(); ++x) {
            const Tap& tx = columns[x];
            const std::uint32_t w00 = tx.w0 * ty.w0, w01 = tx.w0 * ty.w1;
            const std::uint32_t w10 = tx.w1 * ty.w0, w11 = tx.w1 * ty.w1;
            const std::uint32_t p00 = r0[tx.i0], p01 = r1[tx.i0];
            const std::uint32_t p10 = r0[tx.i1], p11 = r1[tx.i1];
            std::uint32_t pixel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const std::uint32_t sum =
                    w00 * ((p00 >> shift) & 0xFF) + w01 * ((p01 >> shift) & 0xFF) +
                    w10 * ((p10 >> shift) & 0xFF) + w11 * ((p11 >> shift) & 0xFF);
                pixel |= std::min<std::uint32_t>(255, sum / 256) << shift;
            }
            out[x] = pixel;
        }
    }
}

void TSkin::DrawIcon(TBitmap* bitmap, const TBitmap* icon, const TIconSetting& setting,
                     double scale) const {
    if (!bitmap || !icon)
        return;
    const TLayer layer = IconLayer(*icon, setting, scale);
    if (layer.Pixels)
        BlendBitmap(*bitmap, *layer.Pixels, layer.X, layer.Y);
}

TLayer TSkin::IconLayer(const TBitmap& icon, const TIconSetting& setting, double scale) {
    if (icon.Empty())
        return {};
    // 64-bit: the edges of a box may be anywhere in the 32-bit range. Sizing and centring are
    // done in device pixels, so an icon sits on whole pixels at any scale.
    const TRect box = ScaledRect(setting.Rect, UsableScale(scale));
    const std::int64_t left = box.Left, top = box.Top;
    const std::int64_t right = box.Right, bottom = box.Bottom;
    const std::int64_t w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0)
        return {};
    const std::int64_t iw = icon.Width(), ih = icon.Height();
    std::int64_t gw = iw, gh = ih;
    if (setting.AutoResize) {
        if (setting.KeepAspect) {
            const std::int64_t h1 = ih * w / iw;
            if (h1 < h) {
                gw = w;
                gh = h1;
            } else {
                gw = iw * h / ih;
                gh = h;
            }
        } else {
            gw = w;
            gh = h;
        }
    }
    // A scaled icon larger than any widget could be is skipped rather than allocated.
    if (gw <= 0 || gh <= 0 || gw > kMaxImageSide || gh > kMaxImageSide)
        return {};
    const std::int64_t x = AlignedPosition(setting.HorizontalAlign, left, right, gw);
    const std::int64_t y = AlignedPosition(setting.VerticalAlign, top, bottom, gh);
    auto g = std::make_shared<TBitmap>(static_cast<int>(gw), static_cast<int>(gh));
    if (setting.AutoResize)
        ResampleBitmap(icon, *g);
    else
        *g = icon;
    return {std::move(g), x, y};
}
