// The station of the weather now: the input is six parts split at NUL bytes (which no JSON text
// holds): municipality, its class20 code, its class10 code, amedas_class20_list.json,
// forecast_area.json and amedastable.json. Whatever they hold, a refused constant leaves its part
// empty, and a station chosen is one the table names, listed for the municipality or its area.
#include "fuzz/FuzzCheck.h"
#include "weather/jma/JmaObservation.h"
#include "weather/jma/JmaPlace.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool Lists(const TJmaConstants::TStationLists& lists, std::string_view key,
           const std::string& number) {
    const auto found = lists.find(key);
    return found != lists.end() &&
           std::find(found->second.begin(), found->second.end(), number) != found->second.end();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::array<std::string_view, 6> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t end = i + 1 == parts.size() ? input.size() : input.find('\0');
        parts[i] = input.substr(0, end);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    const auto [municipality, class20, class10, class20List, forecastArea, amedas] = parts;

    TJmaConstants constants;
    TJmaConstantRead why = TJmaConstantRead::Read;
    if (!ReadAmedasClass20List(class20List, constants, &why))
        Check(constants.Class20Stations.empty() && why != TJmaConstantRead::Read);
    Check(constants.Class20Stations.size() <= kMaxJmaConstantEntries);
    for (const auto& [code, numbers] : constants.Class20Stations)
        Check(!numbers.empty() && numbers.size() <= kMaxJmaStationList);
    if (!ReadJmaForecastAreas(forecastArea, constants, &why))
        Check(constants.Class10StationLists.empty() && why != TJmaConstantRead::Read);
    if (!ReadAmedasTable(amedas, constants, &why))
        Check(constants.StationInfo.empty() && why != TJmaConstantRead::Read);

    TJmaPlace place;
    place.Class20 = std::string(class20);
    place.Class10 = std::string(class10);
    const auto station = ChooseAmedasStation(constants, place, municipality);
    if (!station)
        return 0;
    const auto info = constants.StationInfo.find(station->Number);
    Check(info != constants.StationInfo.end() && info->second.Name == station->Name);
    Check(Lists(constants.Class20Stations, class20, station->Number) ||
          Lists(constants.Class10StationLists, class10, station->Number));
    Check(info->second.Temperature || municipality.starts_with(station->Name));
    return 0;
}
