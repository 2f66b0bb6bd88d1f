#pragma once

#include "weather/PlaceSearch.h"

#include <string>
#include <string_view>
#include <vector>

class THttpClient;

// A municipality of the agency's area table (area.json's class20s), with what the location
// dialog shows and searches of it.
struct TJmaMunicipality {
    std::string Code;        // class20 ("2032100")
    std::string Name;        // "軽井沢町"
    std::string Reading;     // the table's kana, in hiragana ("かるいざわまち")
    std::string Prefecture;  // from the code's first two digits ("長野県")
    std::string Class10;     // the area whose forecast it takes ("200020")
    std::string Class10Name; // "中部"
    bool operator==(const TJmaMunicipality&) const = default;
};

// The municipalities of an area.json, lowest code first: prefectures north to south, as the
// codes run. A municipality whose chain up to its class10 is broken, whose code names no
// prefecture, or that has no name is left out. Empty when the text is not area.json or exceeds
// what the agency could send (kMaxJmaConstantBytes, kMaxJmaConstantEntries at a level).
std::vector<TJmaMunicipality> ReadJmaMunicipalities(std::string_view areaJson);

// The municipalities as places to search, in the same order, without list entries.
std::vector<TSearchPlace> JmaSearchPlaces(const std::vector<TJmaMunicipality>& municipalities);

// The municipalities of the area.json that the place resolution keeps in `cacheFolder`, at any
// age: nothing is downloaded. Empty when there is no usable copy.
std::vector<TJmaMunicipality> CachedJmaMunicipalities(const std::string& cacheFolder);

// Downloads area.json from the agency's site below `jmaPrefix` and, when it is usable, keeps it
// where the place resolution looks for it. Empty when it cannot be downloaded or read. Never
// throws.
std::vector<TJmaMunicipality> DownloadJmaMunicipalities(THttpClient& client,
                                                        const std::string& jmaPrefix,
                                                        const std::string& cacheFolder);
