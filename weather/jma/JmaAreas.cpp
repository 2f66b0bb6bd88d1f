// The agency's municipalities for the location dialog: read from its area table, kept in the
// same cache file as the place resolution's.
#include "weather/jma/JmaAreas.h"

#include "platform/Cache.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"
#include "weather/jma/JmaPlace.h"

#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

// As the place resolution reads the same file.
constexpr int kMaxDepth = 8;
constexpr std::string_view kAreaCacheName = "jma/area.json";

std::string TextOf(const json* value) {
    return value != nullptr && value->is_string() ? value->get<std::string>() : std::string();
}

std::string TextAt(const json* level, const std::string& code, const char* key) {
    return TextOf(JsonMember(JsonMember(level, code.c_str()), key));
}

} // namespace

std::vector<TJmaMunicipality> ReadJmaMunicipalities(std::string_view areaJson) {
    const json root = ParseJsonAnswer(areaJson, kMaxJmaConstantBytes, kMaxDepth);
    const json* class20s = JsonMember(&root, "class20s");
    const json* class15s = JsonMember(&root, "class15s");
    const json* class10s = JsonMember(&root, "class10s");
    std::vector<TJmaMunicipality> result;
    if (class20s == nullptr || !class20s->is_object())
        return result;
    for (const json* level : {class20s, class15s, class10s, JsonMember(&root, "offices")})
        if (level != nullptr && level->is_object() && level->size() > kMaxJmaConstantEntries)
            return result;
    // The object's members come in code order.
    for (const auto& [code, entry] : class20s->items()) {
        TJmaMunicipality m;
        m.Code = code;
        m.Name = TextOf(JsonMember(&entry, "name"));
        m.Reading = NormalizeSearchText(TextOf(JsonMember(&entry, "kana")));
        m.Prefecture = JmaPrefectureName(std::string_view(code).substr(0, 2));
        const std::string class15 = TextOf(JsonMember(&entry, "parent"));
        m.Class10 = class15.empty() ? std::string() : TextAt(class15s, class15, "parent");
        m.Class10Name = m.Class10.empty() ? std::string() : TextAt(class10s, m.Class10, "name");
        if (m.Name.empty() || m.Prefecture.empty() || m.Class10Name.empty())
            continue;
        result.push_back(std::move(m));
    }
    return result;
}

std::vector<TSearchPlace> JmaSearchPlaces(const std::vector<TJmaMunicipality>& municipalities) {
    std::vector<TSearchPlace> places;
    places.reserve(municipalities.size());
    for (const TJmaMunicipality& m : municipalities)
        places.push_back({m.Name, m.Reading, m.Prefecture, m.Class10Name, m.Code, -1});
    return places;
}

std::vector<TJmaMunicipality> CachedJmaMunicipalities(const std::string& cacheFolder) {
    if (cacheFolder.empty())
        return {};
    const auto cached = platform::TCache(cacheFolder).Read(kAreaCacheName, kMaxJmaConstantBytes);
    return cached ? ReadJmaMunicipalities(cached->Content) : std::vector<TJmaMunicipality>();
}

std::vector<TJmaMunicipality> DownloadJmaMunicipalities(THttpClient& client,
                                                        const std::string& jmaPrefix,
                                                        const std::string& cacheFolder) {
    std::string body;
    try {
        body = client.Get(jmaPrefix + std::string(kJmaAreaPath));
        client.Disconnect();
    } catch (...) {
        return {}; // a failed download is only a missing table
    }
    std::vector<TJmaMunicipality> result = ReadJmaMunicipalities(body);
    // Only a table that the resolution can read as well is kept for it.
    TJmaConstants check;
    if (!result.empty() && !cacheFolder.empty() && ReadJmaAreas(body, check))
        platform::TCache(cacheFolder).Write(kAreaCacheName, body);
    return result;
}
