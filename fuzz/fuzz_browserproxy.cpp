// The browser's proxy files: "profiles.ini" and "prefs.js" from any bytes, and the proxy texts
// of the environment. The port field is a number or "0", never anything else.
#if __has_include("platform/BrowserProxy.h")
#include "platform/BrowserProxy.h"
#include "platform/Convert.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const platform::TProfileChoice profile = platform::ParseProfilesIni(text);
    if (!profile.Path.empty() && profile.Path.back() != '/')
        __builtin_trap();
    const platform::TProxyFields prefs = platform::ParsePrefsJs(text);
    std::int32_t port;
    if (!prefs.Port.empty() && !platform::TryStrToInt(prefs.Port, port))
        __builtin_trap();
    (void)platform::SplitProxyServer(text);
    (void)platform::SplitProxyServer(platform::ProxyUrlToServer(text));
    (void)platform::ChooseProxySource(text);
    return 0;
}
#else
// The browser proxy reader is not in this tree yet.
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) {
    return 0;
}
#endif
