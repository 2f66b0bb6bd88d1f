#include "skin/Scale.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>

double UsableScale(double scale) {
    if (!std::isfinite(scale))
        return 1.0;
    return std::clamp(scale, kMinScale, kMaxScale);
}

std::int64_t ScaledEdge(std::int64_t v, double scale) {
    if (scale == 1.0)
        return v;
    return static_cast<std::int64_t>(std::floor(static_cast<double>(v) * scale + 0.5));
}

namespace {

std::int32_t Clamped(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

TRect ScaledRect(const TRect& rect, double scale) {
    return {Clamped(ScaledEdge(rect.Left, scale)), Clamped(ScaledEdge(rect.Top, scale)),
            Clamped(ScaledEdge(rect.Right, scale)), Clamped(ScaledEdge(rect.Bottom, scale))};
}

TPoint ScaledPoint(const TPoint& point, double scale) {
    return {Clamped(ScaledEdge(point.X, scale)), Clamped(ScaledEdge(point.Y, scale))};
}

std::string DoubleSizeName(std::string_view name) {
    const std::size_t part = name.find_last_of("\\/");
    const std::size_t start = part == std::string_view::npos ? 0 : part + 1;
    const std::size_t dot = name.rfind('.');
    const std::size_t at = dot == std::string_view::npos || dot <= start ? name.size() : dot;
    return std::string(name.substr(0, at)) + "@2x" + std::string(name.substr(at));
}
