#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// A 32-bit surface: one uint32 per pixel, 0xAARRGGBB (bytes blue, green, red, alpha in memory,
// the layout of QImage::Format_ARGB32_Premultiplied), colours premultiplied by alpha.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height) { SetSize(width, height); }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    // Resizes; every pixel becomes transparent (0, 0, 0, 0). Negative sizes count as 0.
    void SetSize(int width, int height) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u);
    }

    std::uint32_t* Scanline(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const std::uint32_t* Scanline(int y) const {
        return pixels_.data() + static_cast<std::size_t>(y) * width_;
    }
    std::uint32_t& Pixel(int x, int y) { return Scanline(y)[x]; }
    std::uint32_t Pixel(int x, int y) const { return Scanline(y)[x]; }

    std::uint32_t* Data() { return pixels_.data(); }
    const std::uint32_t* Data() const { return pixels_.data(); }

    // Device pixels per skin pixel of a picture drawn at a scale (1 unless a drawing set it);
    // SetSize leaves it alone.
    double PixelRatio() const { return ratio_; }
    void SetPixelRatio(double ratio) { ratio_ = ratio; }
    // The size in skin pixels: what a window showing the picture measures.
    int LogicalWidth() const { return Logical(width_); }
    int LogicalHeight() const { return Logical(height_); }

    bool operator==(const TBitmap&) const = default;

private:
    // Inverts the rounding of scaled edges (exact for ratios of 1 and more).
    int Logical(int pixels) const {
        return ratio_ == 1.0 ? pixels : static_cast<int>(std::lround(pixels / ratio_));
    }

    int width_ = 0;
    int height_ = 0;
    double ratio_ = 1.0;
    std::vector<std::uint32_t> pixels_;
};

// The tray images in the order of their indexes: fine, cloudy, rain, snow, no data, failure,
// fog.
inline constexpr int kTrayImageCount = 7;

// The tray's image list: images of one size (16 x 16 once the skin has filled it at scale 1,
// that size times the scale otherwise; the images carry the scale as their ratio).
struct TImageList {
    int Width = 16;
    int Height = 16;
    std::vector<TBitmap> Images;
};
