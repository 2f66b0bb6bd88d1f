// A kept answer's file in the cache folder (".answer"). Whatever the file holds, reading it
// never throws; what is read has an address and a validator, none of its three lines holds a
// line break, and writing it back gives the file as it was.
#include "weather/KeptAnswer.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool OneLine(const std::string& text) {
    return text.find('\n') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto kept = ParseKeptAnswer(input);
    if (!kept)
        return 0;
    Check(!kept->Url.empty() && !kept->Validators.Empty());
    Check(OneLine(kept->Url) && OneLine(kept->Validators.ETag) &&
          OneLine(kept->Validators.LastModified));
    Check(FormatKeptAnswer(*kept) == input);
    return 0;
}
