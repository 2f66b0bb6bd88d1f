// Label text: a fuzzed label record and text drawn onto a small bitmap. Whatever the record
// says, nothing outside the label's box may change.
//
// Input: eight little-endian int32 (Left, Top, Right, Bottom, FontHeight, FontWidth,
// FontWeight, FontColor), seven bytes (HorizontalAlign, VerticalAlign, face, FontItalic,
// FontUnderline, FontStrikeOut, AntiAliasing), then the text.
#include "skin/Skin.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// A few faces only: every new face name is matched once and kept for the process's life.
const char* const kFaces[] = {"ＭＳ Ｐゴシック", "MS Gothic", "NoSuchFace", ""};

constexpr std::size_t kHeader = 8 * 4 + 7;

std::int32_t Int(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | p[k];
    std::int32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader)
        return 0;
    TLabelSetting s;
    s.Rect = {Int(data), Int(data + 4), Int(data + 8), Int(data + 12)};
    s.FontHeight = Int(data + 16);
    s.FontWidth = Int(data + 20);
    s.FontWeight = Int(data + 24);
    s.FontColor = Int(data + 28);
    const std::uint8_t* b = data + 32;
    s.HorizontalAlign = static_cast<std::int8_t>(b[0]);
    s.VerticalAlign = static_cast<std::int8_t>(b[1]);
    s.FontFamily = kFaces[b[2] % std::size(kFaces)];
    s.FontItalic = b[3];
    s.FontUnderline = b[4];
    s.FontStrikeOut = b[5];
    s.AntiAliasing = b[6];
    const std::string text(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

    TBitmap bitmap(48, 24);
    for (int i = 0; i < bitmap.Width() * bitmap.Height(); ++i)
        bitmap.Data()[i] = 0x80402010u + static_cast<std::uint32_t>(i);
    const TBitmap before = bitmap;
    TSkin skin;
    skin.DrawLabel(&bitmap, text, &s);

    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const bool inBox =
                x >= s.Rect.Left && x < s.Rect.Right && y >= s.Rect.Top && y < s.Rect.Bottom;
            if (!inBox && bitmap.Pixel(x, y) != before.Pixel(x, y))
                __builtin_trap(); // drawn outside the label's box
        }
    return 0;
}
