// The agency's observations: a point block read at the seeds' latest time, and a latest time.
// Whatever the input, the reader never throws and gives only what the record can hold: a time
// at or before the latest one, finite values, a direction of the agency's names.
#include "fuzz/FuzzCheck.h"
#include "weather/jma/JmaObservation.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool Finite(const std::optional<double>& value) {
    return !value || std::isfinite(*value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::int64_t latest = *JapanTimeSeconds("2026-10-04T08:40");
    if (const auto now = ReadAmedasPoint(input, latest, "東京")) {
        const auto at = JapanTimeSeconds(now->Time);
        Check(at && *at <= latest);
        Check(now->Station == "東京");
        Check(Finite(now->Temp) && Finite(now->Precip1h) && Finite(now->Wind) &&
              Finite(now->Humidity));
        bool known = now->WindDirection.empty();
        for (int code = 0; code <= 16 && !known; ++code)
            known = AmedasWindDirection(code) == now->WindDirection;
        Check(known);
    }
    if (const auto time = ReadAmedasLatestTime(input))
        Check(JapanTimeSeconds(JapanTimeText(*time)) == *time);
    return 0;
}
