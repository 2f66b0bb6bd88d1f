#include "weather/DateTime.h"

#include "platform/Clock.h"
#include "platform/Errors.h"

#include <chrono>
#include <cmath>
#include <string>

namespace {

using namespace std::chrono;

constexpr sys_days kEpoch = sys_days{year{1899} / December / 30};

} // namespace

TDateTime EncodeDate(int y, int m, int d) {
    const year_month_day ymd{year{y}, month{static_cast<unsigned>(m)},
                             day{static_cast<unsigned>(d)}};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31 || !ymd.ok())
        throw EConvertError("日付 " + std::to_string(y) + "/" + std::to_string(m) + "/" +
                            std::to_string(d) + " は正しい日付ではありません。");
    return static_cast<TDateTime>((sys_days{ymd} - kEpoch).count());
}

CalendarDate DecodeDate(TDateTime date) {
    const year_month_day ymd{kEpoch + days{static_cast<std::int64_t>(std::floor(date))}};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

int DayOfWeek(TDateTime date) {
    const weekday wd{kEpoch + days{static_cast<std::int64_t>(std::floor(date))}};
    return static_cast<int>(wd.c_encoding());
}

TDateTime DateOf(TDateTime date) {
    return std::trunc(date);
}

TDateTime Today() {
    const platform::LocalDateTime now = platform::LocalNow();
    return EncodeDate(now.Year, now.Month, now.Day);
}
