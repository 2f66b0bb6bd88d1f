// The last good forecast kept in the cache folder, and the record's JSON that it extends. Whatever
// the file holds, reading never throws; a forecast read holds something, has dates within the
// calendar and a fetching time of this era, and reads back the same once written again.
#include "weather/DateTime.h"
#include "weather/KeptForecast.h"
#include "weather/RecordJson.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckDates(const TWeatherData& w) {
    const auto check = [](TDateTime date) {
        Check(date >= -693593 && date < 2958466);
        const CalendarDate day = DecodeDate(date);
        Check(day.Year >= 1 && day.Year <= 9999);
        Check(DayOfWeek(date) >= 0 && DayOfWeek(date) <= 6);
    };
    for (const TDateTime d : w.PointDate)
        check(d);
    for (const TDateTime d : w.WeekDate)
        check(d);
    for (const TDateTime d : w.DayDate)
        check(d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    TWeatherData record;
    std::string error;
    if (ReadRecordJson(input, record, error)) {
        CheckDates(record);
        TWeatherData again;
        Check(ReadRecordJson(WriteRecordJson(record), again, error));
        Check(again == record);
    } else {
        Check(!error.empty());
    }

    const auto kept = ReadKeptForecastJson(input);
    if (!kept)
        return 0;
    Check(HoldsForecast(kept->Record) && kept->Record.Information.empty());
    Check(kept->FetchedAt >= 0 && kept->FetchedAt <= 253402300799);
    CheckDates(kept->Record);
    const auto again = ReadKeptForecastJson(WriteKeptForecastJson(*kept));
    Check(again && again->Record == kept->Record && again->Key == kept->Key &&
          again->FetchedAt == kept->FetchedAt);
    return 0;
}
