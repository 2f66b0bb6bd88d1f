#pragma once

#include "weather/WeatherData.h"

#include <string>
#include <vector>

// The icon a balloon shows, in the order of their weight.
enum class TBalloonIcon { None, Information, Warning, Error };

// How a balloon announces warnings: its title and its icon.
struct TWarningBalloon {
    std::string Title;
    TBalloonIcon Icon = TBalloonIcon::Information;
    bool operator==(const TWarningBalloon&) const = default;
};

// By the most severe of the warnings announced: a 特別警報 is titled "特別警報" with the error
// icon, so that it is never read as one more advisory; a 警報 or 危険警報 is "気象警報・注意報"
// with the warning icon; advisories alone (or none) the same title with the information icon.
TWarningBalloon WarningBalloonOf(const std::vector<TWarning>& announced);
