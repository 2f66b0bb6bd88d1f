// The place search over the agency's municipalities: the input is a query, a NUL byte, and an
// area.json. Whatever the table holds, its reading keeps only whole municipalities within the
// bounds of a constant, in code order; whatever is typed, the search gives distinct places of
// the list, at most as many as asked, the shorter answer a beginning of the longer.
#include "fuzz/FuzzCheck.h"
#include "platform/TextCodec.h"
#include "weather/PlaceSearch.h"
#include "weather/jma/JmaAreas.h"
#include "weather/jma/JmaPlace.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view query = input.substr(0, split);
    const std::string_view area =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const std::vector<TJmaMunicipality> municipalities = ReadJmaMunicipalities(area);
    Check(municipalities.size() <= kMaxJmaConstantEntries);
    for (std::size_t i = 0; i < municipalities.size(); ++i) {
        const TJmaMunicipality& m = municipalities[i];
        Check(!m.Name.empty() && !m.Class10Name.empty());
        Check(m.Prefecture == JmaPrefectureName(std::string_view(m.Code).substr(0, 2)));
        Check(i == 0 || municipalities[i - 1].Code < m.Code);
    }

    std::vector<TSearchPlace> places = JmaSearchPlaces(municipalities);
    AddListEntries(places, {{"東京", "東京都", "千代田区"}, {"", "", std::string(query)}});
    const TPlaceSearch search(places);
    const std::vector<std::size_t> found = search.Find(query, 20);
    Check(found.size() <= 20);
    std::set<std::size_t> seen;
    for (const std::size_t at : found)
        Check(at < search.Places().size() && seen.insert(at).second);
    const std::vector<std::size_t> first = search.Find(query, 1);
    Check(first.size() <= 1 && (first.empty() ? found.empty() : first[0] == found.at(0)));

    const std::string normal = NormalizeSearchText(query);
    Check(platform::IsValidUtf8(normal));
    for (const char c : LoosenRomaji(HiraganaToRomaji(normal)))
        Check(c >= 'a' && c <= 'z');
    return 0;
}
