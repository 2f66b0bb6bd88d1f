#include "weather/pages/CutText.h"

#include "platform/Convert.h"

#include <algorithm>

std::string_view CutText(std::string_view& source, std::string_view start, std::string_view end,
                         std::string_view default_) {
    std::string_view rest = source;
    if (!start.empty()) {
        const std::size_t at = rest.find(start);
        if (at == std::string_view::npos)
            return default_;
        rest.remove_prefix(at + start.size());
    }
    if (end.empty()) {
        source = rest.substr(rest.size());
        return rest;
    }
    const std::size_t at = rest.find(end);
    if (at == std::string_view::npos)
        return default_; // nothing consumed: `source` still holds its value on entry
    source = rest.substr(at + end.size());
    return rest.substr(0, at);
}

TDateTime PageDateFromMonthDay(const platform::LocalDateTime& clock, std::string_view monthText,
                               std::string_view dayText) {
    const int month = platform::StrToIntDef(monthText, clock.Month);
    const int day = platform::StrToIntDef(dayText, clock.Day);
    const TDateTime date = EncodeDate(clock.Year, month, day);
    if (date > Today())
        return EncodeDate(clock.Year - 1, month, day);
    return date;
}
