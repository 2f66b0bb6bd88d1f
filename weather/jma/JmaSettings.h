#pragma once

#include "weather/jma/JmaPlace.h"

#include <optional>
#include <string>
#include <string_view>

// What the settings file keeps of a place of the agency, one value a place:
// "office,class10,class20,station" and, when the station's position is known,
// ",latitude,longitude" ("130000,130010,1310100,44132,35.69167,139.75"). The station may be
// empty. Nothing for a value that is not one: codes are digits of their lengths (6, 6, 7 and,
// for a station, 5), and coordinates two numbers in range.
std::string FormatJmaPlace(const TJmaPlace& place);
std::optional<TJmaPlace> ParseJmaPlace(std::string_view text);

// The agency's forecast page of a municipality (its class20 code), for the browser.
std::string JmaWebPageUrl(std::string_view class20);
