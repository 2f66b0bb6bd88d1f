// The update check's inputs: a version file's body and version texts, and the section reader
// over a file that claims to be an executable.
#if __has_include("platform/Version.h")
#include "platform/Version.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string FilePath() {
    char folder[] = "/tmp/pelumi-fuzz-version-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    return std::string(folder) + "/program";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = FilePath();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::int32_t remote = platform::ParseVersionFile(bytes);
    const std::int32_t own = platform::PackVersionNumber(bytes);
    if (platform::IsNewerVersion(remote, own) && platform::IsNewerVersion(own, remote))
        __builtin_trap();

    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(size));
    std::string text;
    if (platform::ReadElfSectionText(path, ".pelumi_version", text) && text.size() > size)
        __builtin_trap();
    return 0;
}
#else
// The version reader is not in this tree yet.
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) {
    return 0;
}
#endif
