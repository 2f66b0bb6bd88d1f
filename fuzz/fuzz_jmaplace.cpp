// The agency's three constants and the place resolution over them. The input is five parts
// split at NUL bytes (which no JSON text holds): prefecture, municipality, area.json,
// forecast_area.json, amedastable.json. Whatever they hold, nothing throws; a place found is the
// municipality's own or one whose name begins with it, in that prefecture, with its chain and
// station taken from the constants.
#include "fuzz/FuzzCheck.h"
#include "weather/jma/JmaPlace.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::array<std::string_view, 5> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t end = i + 1 == parts.size() ? input.size() : input.find('\0');
        parts[i] = input.substr(0, end);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    const auto [prefecture, municipality, area, forecastArea, amedas] = parts;

    TJmaConstants constants;
    if (!ReadJmaAreas(area, constants))
        Check(constants.Offices.empty() && constants.Class10s.empty() &&
              constants.Class15s.empty() && constants.Class20s.empty());
    if (!ReadJmaForecastAreas(forecastArea, constants))
        Check(constants.Class10Stations.empty());
    if (!ReadAmedasTable(amedas, constants))
        Check(constants.Stations.empty());

    const TJmaPlaceResult result = ResolveJmaPlace(constants, prefecture, municipality);
    Check(result.Result != TJmaLookup::Failed);
    if (result.Result != TJmaLookup::Found) {
        Check(result.Place == TJmaPlace());
        return 0;
    }
    const TJmaPlace& place = result.Place;
    const auto class20 = constants.Class20s.find(place.Class20);
    Check(class20 != constants.Class20s.end());
    Check(std::string_view(class20->second.Name).starts_with(municipality));
    Check(place.Class20.starts_with(JmaPrefectureCode(prefecture)));
    Check(constants.Class10s.contains(place.Class10));
    const auto station = constants.Class10Stations.find(place.Class10);
    Check(place.Station ==
          (station == constants.Class10Stations.end() ? std::string() : station->second));
    const auto at = constants.Stations.find(place.Station);
    Check(place.Coordinates.has_value() == (at != constants.Stations.end()));
    if (place.Coordinates)
        Check(place.Coordinates->Latitude == at->second.Latitude &&
              place.Coordinates->Longitude == at->second.Longitude &&
              std::abs(place.Coordinates->Latitude) <= 90 &&
              std::abs(place.Coordinates->Longitude) <= 180);
    return 0;
}
