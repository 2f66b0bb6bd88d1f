// The two kinds of file kept in the cache folder, fed the same bytes: the last good forecast (and
// the record's JSON that it extends) and a kept answer (".answer"). Whatever a file holds,
// reading never throws. A record read has dates within the calendar and reads back the same once
// written; a kept forecast holds a forecast, no status line, a fetching time between 1970 and
// 9999, and reads back the same. A kept answer read has an address and a validator, three lines
// without breaks, and writes back to the same bytes.
#include "fuzz/FuzzCheck.h"
#include "weather/DateTime.h"
#include "weather/KeptAnswer.h"
#include "weather/KeptForecast.h"
#include "weather/RecordJson.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

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

bool OneLine(const std::string& text) {
    return text.find('\n') == std::string::npos;
}

void KeptForecast(std::string_view input) {
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
        return;
    Check(HoldsForecast(kept->Record) && kept->Record.Information.empty());
    Check(kept->FetchedAt >= 0 && kept->FetchedAt <= 253402300799);
    CheckDates(kept->Record);
    const auto again = ReadKeptForecastJson(WriteKeptForecastJson(*kept));
    Check(again && again->Record == kept->Record && again->Key == kept->Key &&
          again->FetchedAt == kept->FetchedAt);
}

void KeptAnswer(std::string_view input) {
    const auto kept = ParseKeptAnswer(input);
    if (!kept)
        return;
    Check(!kept->Url.empty() && !kept->Validators.Empty());
    Check(OneLine(kept->Url) && OneLine(kept->Validators.ETag) &&
          OneLine(kept->Validators.LastModified));
    Check(FormatKeptAnswer(*kept) == input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    KeptForecast(input);
    KeptAnswer(input);
    return 0;
}
