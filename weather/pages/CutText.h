#pragma once

#include "platform/Clock.h"
#include "weather/DateTime.h"

#include <string>
#include <string_view>

// Default of a cut whose marker must be told apart from an empty piece. Never stored in the
// record; assumed never to occur in a page.
inline constexpr std::string_view NoDataMarker = "ZOMIKA_NO_DATA";

// Takes the text between `start` and `end` out of the working text `source` and consumes
// `source` through the end marker. An empty `start` means the current position; an empty `end`
// takes the rest. When either marker is missing, `default_` is returned and `source` is left
// exactly as it was. The result views the same buffer as `source` (or `default_`), so the
// page text must outlive it; cutting never copies the page.
std::string_view CutText(std::string_view& source, std::string_view start, std::string_view end,
                         std::string_view default_);

// The page's "today" from the month and day texts cut from it; each falls back to the clock's
// month or day when it is not a number. A date after today belongs to the previous year.
// Throws EConvertError when month and day do not form a calendar date.
TDateTime PageDateFromMonthDay(const platform::LocalDateTime& clock, std::string_view monthText,
                               std::string_view dayText);
