// The live source's answers: the forecast into the record, the choice among look-up results and
// the current block. Whatever the input, the mapping never throws, refuses without touching the
// record, or fills slots only with values the record can hold; the weather now holds a time in
// Japan and only values the weather can have.
#include "fuzz/FuzzCheck.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

bool Degrees(std::int32_t t) {
    return t == NoValue || (t >= -150 && t <= 150);
}

bool Percent(std::int32_t p) {
    return p == NoValue || (p >= 0 && p <= 100);
}

bool Within(const std::optional<double>& value, TObservedRange range) {
    return !value || (*value >= range.Low && *value <= range.High);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    TWeatherData w;
    if (FillFromOpenMeteo(w, input, "府中市", {2026, 12, 9, 10, 30, 0})) {
        for (int s = 0; s < 16; ++s) {
            Check(w.PointHour[s] == NoValue || w.PointHour[s] == 3 * (s % 8) + 3);
            Check(Degrees(w.PointTemp[s]));
        }
        for (int k = 0; k < 7; ++k) {
            Check(Degrees(w.WeekMinTemp[k]) && Degrees(w.WeekMaxTemp[k]));
            Check(Percent(w.WeekProb[k]));
        }
        for (const std::int32_t p : w.DayProb)
            Check(Percent(p));
        Check(w.LocationName == "府中市");
    } else {
        Check(w.LocationName.empty() && w.PointHour[0] == NoValue && w.DayDate[0] == 0.0);
    }
    const TPlaceChoice choice = ChoosePlace(input, "東京都", "府中市");
    if (choice.Result == TPlaceLookup::Found)
        Check(std::abs(choice.Coordinates.Latitude) <= 90.0 &&
              std::abs(choice.Coordinates.Longitude) <= 180.0);
    if (const auto now = ReadOpenMeteoCurrent(input)) {
        Check(JapanTimeSeconds(now->Time).has_value());
        Check(now->Station == "Open-Meteo");
        Check(Within(now->Temp, kObservedTemp) && Within(now->Humidity, kObservedHumidity) &&
              Within(now->Wind, kObservedWind) && Within(now->Precip1h, kObservedPrecip1h));
        Check(!now->Temp || std::fabs(std::round(*now->Temp * 10.0) - *now->Temp * 10.0) < 1e-6);
        Check(now->WindDirection.empty() || now->Wind.has_value());
    }
    return 0;
}
