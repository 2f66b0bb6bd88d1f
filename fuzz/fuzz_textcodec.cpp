// Text file decoding: any bytes become valid UTF-8, and cutting it by characters agrees with
// counting them.
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = platform::DecodeTextFile(bytes);
    if (!platform::IsValidUtf8(text))
        __builtin_trap();
    const std::size_t length = platform::Utf8Length(text);
    for (std::size_t count : {std::size_t{0}, std::size_t{1}, length / 2, length, length + 1}) {
        const std::string_view prefix = platform::Utf8Prefix(text, count);
        if (platform::Utf8Length(prefix) != std::min(count, length) ||
            !platform::IsValidUtf8(prefix))
            __builtin_trap();
    }
    // The converters on their own, as for a file without a mark.
    (void)platform::Cp932ToUtf8(bytes);
    (void)platform::Utf16ToUtf8(bytes, size % 2 == 0);
    return 0;
}
