// The PNG loader: any bytes give a premultiplied image within the size limit or EPngError.
#include "skin/Png.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TBitmap image;
    try {
        image = DecodePng(bytes, "fuzz.png");
    } catch (const EPngError&) {
        return 0;
    }
    if (image.Empty() || image.Width() > kMaxImageSide || image.Height() > kMaxImageSide)
        __builtin_trap();
    const std::size_t count = static_cast<std::size_t>(image.Width()) * image.Height();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = image.Data()[i];
        const std::uint32_t a = p >> 24;
        if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
            __builtin_trap(); // not premultiplied
    }
    return 0;
}
