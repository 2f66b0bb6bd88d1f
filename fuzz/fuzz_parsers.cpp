// Both services' loaders over pages held in memory. One input is split at "\n@@\n" into the
// point page, the two table scripts and the summary page (the Yahoo loader reads the first and
// the last). A load either fills the record or clears it; an impossible page date is the only
// error. CutText is exercised with markers taken from the input as well.
#include "platform/Errors.h"
#include "weather/HttpClient.h"
#include "weather/WeatherData.h"
#include "weather/pages/CutText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr const char* kPoint = "http://127.0.0.1:9/lite/forecast/point/13101.html";
constexpr const char* kDays = "http://127.0.0.1:9/lite/forecast/days/13101.html";

class MemoryClient : public THttpClient {
public:
    std::array<std::string, 4> Parts;
    std::string Get(const std::string& url) override {
        if (url == kPoint)
            return Parts[0];
        if (url.find("_today.js") != std::string::npos)
            return Parts[1];
        if (url.find("_tomorrow.js") != std::string::npos)
            return Parts[2];
        if (url == kDays)
            return Parts[3];
        throw EHttpError("404 " + url);
    }
};

void Load(MemoryClient& client, bool tenkiLite) {
    TWeatherData w;
    try {
        const bool ok =
            tenkiLite ? w.LoadTenkiLite(client, kPoint, kDays) : w.LoadYahoo(client, kPoint, kDays);
        if (!ok && w.LocationName != "")
            __builtin_trap(); // a failed load leaves a cleared record
    } catch (const EConvertError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    MemoryClient client;
    std::string_view rest = input;
    for (std::size_t k = 0; k < client.Parts.size(); ++k) {
        const std::size_t at = rest.find("\n@@\n");
        client.Parts[k] = std::string(rest.substr(0, at));
        rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 4);
    }
    Load(client, true);
    Load(client, false);

    // Markers from the input: the cut lies inside the source and only ever consumes it.
    std::string_view source = client.Parts[0];
    const std::string_view before = source;
    const std::string_view piece =
        CutText(source, client.Parts[1].substr(0, 8), client.Parts[2].substr(0, 8), "");
    const auto inside = [&](std::string_view v) {
        return v.empty() ||
               (v.data() >= before.data() && v.data() + v.size() <= before.data() + before.size());
    };
    if (!inside(piece) || !inside(source) ||
        source.data() + source.size() != before.data() + before.size())
        __builtin_trap();
    return 0;
}
