#pragma once

#include "weather/Coordinates.h"

#include <optional>
#include <string>

// A place of the user's own choosing outside the location list: a municipality of the agency's
// area table, or a place on earth that the live source's look-up found. The sources go by its
// names as they go by a list entry's fields 1 and 2.
struct TOwnPlace {
    std::string Prefecture;   // the prefecture, or the look-up's admin1 (may be empty)
    std::string Municipality; // the municipality, or the looked-up name; never empty
    std::string Class20;      // the agency's code of the municipality; empty for a looked-up place
    std::string Country;      // the look-up's country; empty for the agency's municipality
    std::optional<TCoordinates> Coordinates; // a looked-up place's
    bool operator==(const TOwnPlace&) const = default;
};

// The place lies in Japan: a municipality of the agency's table, or a looked-up place whose
// country is Japan.
inline bool InJapan(const TOwnPlace& place) {
    return place.Country.empty() || place.Country == "日本" || place.Country == "Japan";
}

// What the location dialog chose: a list entry, or a place of one's own.
struct TLocationChoice {
    int ListIndex = -1;
    std::optional<TOwnPlace> Own;
    bool Chosen() const { return ListIndex >= 0 || Own.has_value(); }
    bool operator==(const TLocationChoice&) const = default;
};
