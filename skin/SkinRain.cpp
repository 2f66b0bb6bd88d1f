// The rain of the next hour on the widget: the [RainBar] strip and the RainLabel text.
#include "platform/Clock.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinFile.h"
#include "weather/Rain.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

constexpr TColor Bgr(int r, int g, int b) {
    return (b << 16) | (g << 8) | r;
}

// The agency's legend (its tiles' yellow for 20-30 mm/h).
constexpr std::array<TColor, 9> kLegend = {
    clNone,           Bgr(242, 242, 255), Bgr(160, 210, 255), Bgr(33, 140, 255), Bgr(0, 65, 255),
    Bgr(250, 245, 0), Bgr(255, 153, 0),   Bgr(255, 40, 0),    Bgr(180, 0, 104)};

// Only the colour's own bits: a system colour's flag bits draw nothing sensible.
void Fill(TBitmap& bitmap, TColor colour, std::int64_t left, std::int64_t top, std::int64_t right,
          std::int64_t bottom) {
    if (colour == clNone)
        return;
    const auto clamp = [](std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, -1, 1 << 30));
    };
    TSkin::FillBitmapRect(bitmap, colour & 0x00FFFFFF, clamp(left), clamp(top), clamp(right),
                          clamp(bottom));
}

} // namespace

void TSkinFile::ReadRainBar(std::string_view section, TRainBarSetting& out) const {
    const TRainBarSetting d;
    ParseRect(ini_.ReadString(section, "Rect", ""), out.Rect, &d.Rect);
    out.Gap = ini_.ReadInteger(section, "Gap", d.Gap);
    out.FrameColor = ReadColor(section, "FrameColor", d.FrameColor);
    out.EmptyColor = ReadColor(section, "EmptyColor", d.EmptyColor);
    out.UnknownColor = ReadColor(section, "UnknownColor", d.UnknownColor);
}

TColor TSkin::RainClassColour(std::int32_t rainClass) {
    return rainClass >= 1 && rainClass <= 8 ? kLegend[static_cast<std::size_t>(rainClass)] : clNone;
}

std::string TSkin::FormatRain(const TWeatherData& weather, const TLabelSetting& setting) const {
    const std::string text = RainLabelText(weather, platform::UnixSecondsNow());
    return text.empty() ? std::string() : FormatText(text, setting);
}

TLayer TSkin::RainBarLayer(const TWeatherData& weather, const TRainBarSetting& setting,
                           double scale, int clipWidth, int clipHeight) {
    if (weather.RainStep == NoValue || weather.RainStep <= 0)
        return {};
    scale = UsableScale(scale);
    const TRect box = ScaledRect(setting.Rect, scale);
    const std::int64_t width = std::int64_t{box.Right} - box.Left;
    const std::int64_t height = std::int64_t{box.Bottom} - box.Top;
    if (width <= 0 || height <= 0)
        return {};
    // The layer holds only the part of the strip on the picture.
    const std::int64_t x0 = std::clamp<std::int64_t>(box.Left, 0, clipWidth);
    const std::int64_t y0 = std::clamp<std::int64_t>(box.Top, 0, clipHeight);
    const std::int64_t x1 = std::clamp<std::int64_t>(box.Right, 0, clipWidth);
    const std::int64_t y1 = std::clamp<std::int64_t>(box.Bottom, 0, clipHeight);
    if (x1 <= x0 || y1 <= y0)
        return {};
    auto pixels = std::make_shared<TBitmap>(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
    TBitmap& bitmap = *pixels;
    const auto fill = [&](TColor colour, std::int64_t l, std::int64_t t, std::int64_t r,
                          std::int64_t b) { Fill(bitmap, colour, l - x0, t - y0, r - x0, b - y0); };
    // Frames the clock has left behind are as unknown as frames never read.
    const bool current = IsCurrentRain(weather, platform::UnixSecondsNow());
    const auto cells = static_cast<std::int64_t>(
        current ? weather.Rain.size() : static_cast<std::size_t>(60 / weather.RainStep + 1));
    const std::int64_t gap = std::max<std::int64_t>(0, ScaledEdge(std::max(0, setting.Gap), scale));
    const std::int64_t line = std::max<std::int64_t>(1, ScaledEdge(1, scale));
    const std::int64_t dash = std::max(line, height / 5);
    for (std::int64_t i = 0; i < cells; ++i) {
        // Cells share the box by one rule, so they keep their widths at any scale.
        const std::int64_t left = box.Left + i * (width + gap) / cells;
        const std::int64_t right = box.Left + (i + 1) * (width + gap) / cells - gap;
        if (right <= left)
            continue;
        const std::int32_t c = current ? weather.Rain[static_cast<std::size_t>(i)] : NoValue;
        if (c == NoValue) {
            const std::int64_t top = box.Top + (height - dash) / 2;
            fill(setting.UnknownColor, left, top, right, top + dash);
        } else {
            fill(c == 0 ? setting.EmptyColor : RainClassColour(c), left, box.Top, right,
                 box.Bottom);
        }
        fill(setting.FrameColor, left, box.Top, right, box.Top + line);
        fill(setting.FrameColor, left, box.Bottom - line, right, box.Bottom);
        fill(setting.FrameColor, left, box.Top, left + line, box.Bottom);
        fill(setting.FrameColor, right - line, box.Top, right, box.Bottom);
    }
    return {std::move(pixels), x0, y0};
}
