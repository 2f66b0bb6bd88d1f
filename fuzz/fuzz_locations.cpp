// The location list: any bytes, decoded as a file would be, then split into entries.
#include "platform/TextCodec.h"
#include "weather/LocationList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto entries = ParseLocationList(platform::DecodeTextFile(bytes));
    for (const auto& entry : entries)
        for (const auto& field : entry)
            if (field.size() > size * 3 + 3)
                __builtin_trap();
    return 0;
}
