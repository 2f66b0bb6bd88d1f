#include "weather/jma/JmaSettings.h"

#include "platform/Convert.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <vector>

namespace {

bool IsCode(std::string_view text, std::size_t length) {
    if (text.size() != length)
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

std::string FormatJmaPlace(const TJmaPlace& place) {
    std::string text =
        place.Office + "," + place.Class10 + "," + place.Class20 + "," + place.Station;
    if (place.Coordinates)
        text += "," + FormatCoordinates(*place.Coordinates);
    return text;
}

std::optional<TJmaPlace> ParseJmaPlace(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = text.find(',');
        fields.push_back(platform::Trim(text.substr(0, comma)));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (fields.size() != 4 && fields.size() != 6)
        return std::nullopt;
    if (!IsCode(fields[0], 6) || !IsCode(fields[1], 6) || !IsCode(fields[2], 7) ||
        !(fields[3].empty() || IsCode(fields[3], 5)))
        return std::nullopt;
    TJmaPlace place{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                    std::string(fields[3]), std::nullopt};
    if (fields.size() == 6) {
        const auto lat = ParseDegrees(fields[4], 90.0);
        const auto lon = ParseDegrees(fields[5], 180.0);
        if (!lat || !lon)
            return std::nullopt;
        place.Coordinates = TCoordinates{*lat, *lon};
    }
    return place;
}

std::string JmaWebPageUrl(std::string_view class20) {
    return "https://www.jma.go.jp/bosai/forecast/#area_type=class20s&area_code=" +
           std::string(class20);
}
