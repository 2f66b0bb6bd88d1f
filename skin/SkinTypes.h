#pragma once

#include <array>
#include <cstdint>
#include <string>

// The records a skin file is read into. Field names are the keys they hold; initial values
// are the built-in defaults.

struct TRect {
    std::int32_t Left = -1;
    std::int32_t Top = -1;
    std::int32_t Right = -1;
    std::int32_t Bottom = -1;
    bool operator==(const TRect&) const = default;
};

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

// Colours are 0x00BBGGRR; the named system colours have other values (see SkinFile.h).
using TColor = std::int32_t;
constexpr TColor clNone = 0x1FFFFFFF;

struct TGeneralInfo {
    std::string CategoryName;
    std::string SkinName;
    std::string Author;
    std::string Version;
    std::string Description;
    bool operator==(const TGeneralInfo&) const = default;
};

struct TImageFiles {
    std::string Background, Splitter, Fine, FineNight, Cloudy, Rain, Snow, After, Occas, NA;
    std::string TrayFine, TrayCloudy, TrayRain, TraySnow, TrayNA, TrayError;
    // Fog (霧) came later than the others; a skin without it shows fog as Cloudy.
    std::string Fog, TrayFog;
    // The badge of the most severe warning tier in force; no default: without them the warnings
    // are text only.
    std::string WarningAdvisory, WarningWarning, WarningDanger, WarningEmergency;
    bool operator==(const TImageFiles&) const = default;
};

struct TImagePosition {
    TPoint Image1Pos{0, 0};
    TPoint Image2Pos{-1, -1};
    TPoint ConnectorPos{-1, -1};
    bool operator==(const TImagePosition&) const = default;
};

struct TLabelSetting {
    TRect Rect;
    std::int32_t HorizontalAlign = 1; // 0 left, 1 centre, 2 right
    std::int32_t VerticalAlign = 1;   // 0 top, 1 centre, 2 bottom
    std::string FontFamily = "ＭＳ Ｐゴシック";
    std::int32_t FontHeight = 13; // > 0 cell height, < 0 character height, 0 default
    std::int32_t FontWidth = 0;   // 0 natural
    std::int32_t FontWeight = 0;  // 0 default, else 1-1000
    std::uint8_t FontItalic = 0;
    std::uint8_t FontUnderline = 0;
    std::uint8_t FontStrikeOut = 0;
    std::uint8_t FontCharSet = 1;
    TColor FontColor = 0; // black
    std::uint8_t AntiAliasing = 0;
    std::string DataFormat = "%d%l%H%r%j";
    std::string NoDataString;

    bool operator==(const TLabelSetting&) const = default;

    // 64-bit: a box near the integer limits must not overflow.
    std::int64_t Width() const { return std::int64_t{Rect.Right} - Rect.Left; }
    std::int64_t Height() const { return std::int64_t{Rect.Bottom} - Rect.Top; }
};

struct TIconSetting {
    TRect Rect;
    std::int32_t HorizontalAlign = 1;
    std::int32_t VerticalAlign = 1;
    std::uint8_t AutoResize = 1;
    std::uint8_t KeepAspect = 1;

    bool operator==(const TIconSetting&) const = default;

    // 64-bit: a box near the integer limits must not overflow.
    std::int64_t Width() const { return std::int64_t{Rect.Right} - Rect.Left; }
    std::int64_t Height() const { return std::int64_t{Rect.Bottom} - Rect.Top; }
};

struct TLocaleInfo {
    std::array<std::string, 12> MonthNames; // index 0 = January
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 7> DayNames; // index 0 = Sunday
    std::array<std::string, 7> ShortDayNames;
    bool operator==(const TLocaleInfo&) const = default;
};

// [RainBar]: the strip of the rain of the next hour, one cell a frame from left to right.
struct TRainBarSetting {
    TRect Rect;
    std::int32_t Gap = 1;             // skin pixels between cells
    TColor FrameColor = 0x00808080;   // each cell's outline; clNone: none
    TColor EmptyColor = clNone;       // a cell without rain; clNone: the background shows
    TColor UnknownColor = 0x00808080; // the unknown mark, a dash across the cell
    bool operator==(const TRainBarSetting&) const = default;
};
