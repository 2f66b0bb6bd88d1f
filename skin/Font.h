#pragma once

#include "skin/Surface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Glyph smoothing of a font. Default is the desktop's usual greyscale smoothing; NonAntiAliased
// gives hard two-level edges.
enum class TFontQuality { Default, AntiAliased, NonAntiAliased };

// A font as a skin describes it, in pixels.
struct TLogicalFont {
    std::int32_t Height = 0; // > 0 cell height, < 0 em size (no internal leading), 0 default (13)
    std::int32_t Width = 0;  // average character width, 0 natural for the height
    std::int32_t Weight = 0; // 0 default, 1-1000; 600 and more is bold
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::uint8_t CharSet = 1; // kept for the record; matching always prefers Japanese-capable faces
    std::string FaceName;     // at most 31 characters are used
    TFontQuality Quality = TFontQuality::Default;
    // Device pixels per pixel of Height and Width: the font is sized for the scaled (possibly
    // fractional) height, and its metrics are rounded in device pixels.
    double Scale = 1.0;
};

// The cell height a font of Height 0 gets.
constexpr std::int32_t DefaultFontHeight = 13;
// Heights and widths beyond this many pixels are cut to it (also after scaling).
constexpr std::int32_t MaxFontPixels = 1000;

struct TFontSizing;

// A rasteriser font over FreeType, matched through fontconfig. The Windows Japanese face names
// ("ＭＳ Ｐゴシック", "MS Gothic", "メイリオ", ...) are replaced by the IPA faces first; a face
// that is not installed gives a Japanese-capable one; characters the face lacks are taken from the
// next font that has them. Matched faces and rendered glyphs are cached for the program's life
// and shared by all fonts. Never throws for bad input: invalid UTF-8 shows U+FFFD, absurd sizes
// are cut to 1..MaxFontPixels. Single-threaded use, as the skin is drawn on the main thread.
class TFont {
public:
    explicit TFont(const TLogicalFont& logical);
    ~TFont();
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    // The description it was made from (face name cut to 31 characters).
    const TLogicalFont& Logical() const { return logical_; }

    // Advance of the whole one-line text in pixels (no kerning), capped at INT32_MAX.
    int TextWidth(std::string_view text) const;
    // Cell height: ascent + descent in pixels.
    int TextHeight() const { return ascent_ + descent_; }
    int Ascent() const { return ascent_; }

    // Draws `text` with its cell's top-left corner at (x, y) without filling any background:
    // each glyph's coverage c blends `inkRgb` (0x00RRGGBB) into a pixel's colour channels as
    // dst + (ink - dst) * c / 255; the alpha channel is left alone. Clipped to the surface;
    // glyphs wholly outside it are not rasterised.
    void DrawText(TBitmap& surface, std::int64_t x, std::int64_t y, std::string_view text,
                  std::uint32_t inkRgb) const;

    // The matched face: its file and family name (after substitution and fallback).
    const std::string& FaceFile() const;
    const std::string& FaceFamily() const;

    // The installed family that stands for a Windows face name, or the name unchanged.
    static std::string SubstituteFaceName(std::string_view faceName);

private:
    TLogicalFont logical_;
    int ascent_ = 0;
    int descent_ = 0;
    int underlinePos_ = 0; // pixels below the baseline
    int underlineSize_ = 1;
    int strikePos_ = 0; // pixels above the baseline
    int strikeSize_ = 1;
    std::shared_ptr<TFontSizing> sizing_; // the face at this size with its glyphs
};
