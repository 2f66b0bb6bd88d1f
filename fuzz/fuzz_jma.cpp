// The agency's forecast answers into the record. Whatever the input, the mapping never throws,
// refuses without touching the record, or fills the day and week only with values the record
// can hold: dates in their places, texts of the code table, figures in range.
#include "fuzz/FuzzCheck.h"
#include "weather/jma/JmaForecast.h"
#include "weather/jma/JmaWeatherCodes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool Degrees(std::int32_t t) {
    return t == NoValue || (t >= -150 && t <= 150);
}

bool Percent(std::int32_t p) {
    return p == NoValue || (p >= 0 && p <= 100);
}

bool TableText(const std::string& text) {
    if (text.empty())
        return true;
    for (const TJmaWeatherCode& code : JmaWeatherCodes())
        if (code.Text == text)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The place of the seeds' first area and point, read on the day after the seeds' 05 o'clock
    // report, so that both readings of the report's days are reached.
    const TJmaPlace place{"130000", "130010", "1310100", "44132", {}};
    const TDateTime today = EncodeDate(2026, 3, 13);
    TWeatherData w;
    if (FillFromJma(w, input, place, "千代田区", today)) {
        Check(w.DayDate[1] == w.DayDate[0] + 1);
        for (int d = 0; d < 2; ++d) {
            Check(TableText(w.DayWeather[d]));
            Check(Degrees(w.DayMinTemp[d]) && Degrees(w.DayMaxTemp[d]));
        }
        for (const std::int32_t p : w.DayProb)
            Check(Percent(p));
        for (int k = 0; k < 7; ++k) {
            Check(w.WeekDate[k] == 0.0 || w.WeekDate[k] == w.DayDate[0] + k + 1);
            Check(TableText(w.WeekWeather[k]));
            Check(Degrees(w.WeekMinTemp[k]) && Degrees(w.WeekMaxTemp[k]));
            Check(Percent(w.WeekProb[k]));
        }
        // The point slots are the live source's, never the agency's.
        for (int s = 0; s < 16; ++s)
            Check(w.PointDate[s] == 0.0 && w.PointHour[s] == NoValue && w.PointWeather[s].empty());
        Check(w.LocationName == "千代田区");
    } else {
        Check(w == TWeatherData());
    }
    return 0;
}
