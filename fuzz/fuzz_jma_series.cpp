// The agency's three-hourly series into the point slots. Whatever the input, the reader never
// throws, refuses without touching the record, or fills only point slots, each in its own place:
// today or tomorrow, its hour the end of its three hours, a word the skins know (or none), a
// temperature in range.
#include "fuzz/FuzzCheck.h"
#include "weather/jma/JmaSeries.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool SkinsWord(const std::string& text) {
    for (const char* word : {"", "晴", "曇", "雨", "雪", "雨か雪"})
        if (text == word)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The seed's own day, so that its periods reach the slots.
    const TDateTime today = EncodeDate(2026, 10, 4);
    TWeatherData w;
    w.LocationName = "千代田区";
    TWeatherData before = w;
    if (FillFromJmaSeries(w, input, "130010", today)) {
        for (int s = 0; s < 16; ++s) {
            if (w.PointDate[s] == 0.0) {
                Check(w.PointHour[s] == NoValue && w.PointWeather[s].empty() &&
                      w.PointTemp[s] == NoValue);
                continue;
            }
            Check(w.PointDate[s] == today + s / 8);
            Check(w.PointHour[s] == 3 * (s % 8) + 3);
            Check(SkinsWord(w.PointWeather[s]));
            Check(w.PointTemp[s] == NoValue || (w.PointTemp[s] >= -150 && w.PointTemp[s] <= 150));
        }
        before.PointDate = w.PointDate;
        before.PointHour = w.PointHour;
        before.PointWeather = w.PointWeather;
        before.PointTemp = w.PointTemp;
    }
    Check(w == before);
    return 0;
}
