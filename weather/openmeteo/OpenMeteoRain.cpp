// The live source's quarter-hour precipitation as the rain of the next hour.
#include "weather/openmeteo/OpenMeteoRain.h"

#include "platform/Clock.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>

using json = nlohmann::json;

namespace {

// Six quarters of one variable; the whole answer is well under a kilobyte.
constexpr std::size_t kMaxRainBytes = 256u * 1024u;
constexpr int kMaxRainDepth = 4;
constexpr std::int64_t kQuarter = 15 * 60;

std::string Degrees(double value) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, result.ptr);
}

} // namespace

std::string OpenMeteoRainUrl(std::string_view prefix, const TCoordinates& place) {
    return std::string(prefix) + "v1/forecast?latitude=" + Degrees(place.Latitude) +
           "&longitude=" + Degrees(place.Longitude) +
           "&minutely_15=precipitation&past_minutely_15=1&forecast_minutely_15=5"
           "&timezone=Asia%2FTokyo";
}

std::optional<TOpenMeteoRain> ReadOpenMeteoRain(std::string_view answer, std::int64_t unixNow) {
    const json root = ParseJsonAnswer(answer, kMaxRainBytes, kMaxRainDepth);
    const json* block = JsonMember(&root, "minutely_15");
    const json* times = JsonMember(block, "time");
    const json* values = JsonMember(block, "precipitation");
    if (times == nullptr || values == nullptr || !times->is_array() || !values->is_array())
        return std::nullopt;
    // The answer's own offset tells its clock; a missing one is the Japan time asked for.
    std::int64_t offset = 9 * 3600;
    if (const json* o = JsonMember(&root, "utc_offset_seconds"); o != nullptr) {
        if (!o->is_number_integer() || std::llabs(o->get<std::int64_t>()) > 18 * 3600)
            return std::nullopt;
        offset = o->get<std::int64_t>();
    }
    // Each stamp's class; a stamp off the quarter hours is no frame.
    std::map<std::int64_t, std::int32_t> quarters;
    for (std::size_t i = 0; i < times->size(); ++i) {
        const json& t = (*times)[i];
        const auto local =
            t.is_string() ? JapanTimeSeconds(t.get_ref<const std::string&>()) : std::nullopt;
        if (!local)
            continue;
        const std::int64_t at = *local + 9 * 3600 - offset;
        if (at % kQuarter != 0)
            continue;
        const json* v = JsonElement(values, i);
        quarters[at] = v != nullptr && v->is_number() && v->get<double>() >= 0.0
                           ? RainClassOfRate(4.0 * v->get<double>())
                           : NoValue;
    }
    auto first = quarters.upper_bound(unixNow);
    if (first == quarters.begin())
        return std::nullopt;
    --first;
    TOpenMeteoRain rain;
    rain.Time = JapanTimeText(first->first);
    for (int k = 0; k < kOpenMeteoRainFrames; ++k) {
        const auto it = quarters.find(first->first + k * kQuarter);
        rain.Rain.push_back(it == quarters.end() ? NoValue : it->second);
    }
    return rain;
}

TNowcastOutcome LoadOpenMeteoRain(THttpClient& client, const std::string& prefix,
                                  const TCoordinates& place) {
    TNowcastOutcome outcome;
    outcome.Step = kOpenMeteoRainStep;
    std::optional<TOpenMeteoRain> rain;
    try {
        const std::string answer = client.Get(OpenMeteoRainUrl(prefix, place));
        client.Disconnect();
        rain = ReadOpenMeteoRain(answer, platform::UnixSecondsNow());
    } catch (...) {
        rain.reset();
    }
    if (!rain) {
        outcome.Problem = "Open-Meteo の降水予報を取得できません";
        return outcome;
    }
    const auto at = JapanTimeSeconds(rain->Time);
    if (!at || std::llabs(platform::UnixSecondsNow() - *at) > kRainMaxAge) {
        outcome.Result = TNowcastResult::Stale;
        return outcome;
    }
    outcome.Time = std::move(rain->Time);
    outcome.Rain = std::move(rain->Rain);
    outcome.Result = TNowcastResult::Read;
    return outcome;
}
