// The agency's places: its constants read, kept in the cache folder, and a municipality resolved
// through them.
#include "weather/jma/JmaPlace.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

using json = nlohmann::json;

namespace {

// The constants nest four deep; anything deeper is dropped while parsing.
constexpr int kMaxDepth = 8;

constexpr std::int64_t kDay = 24 * 60 * 60;
constexpr std::int64_t kMaxAge = 30 * kDay;

// JIS X 0401 order: the code is the position + 1.
constexpr std::array<std::string_view, 47> kPrefectures = {
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県",   "福島県", "茨城県",
    "栃木県", "群馬県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県",
    "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県",   "愛知県", "三重県",
    "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県", "鳥取県", "島根県",
    "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県",   "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};

// Offices whose class10s are published in another office's forecast file.
struct TOfficeFile {
    std::string_view Office;
    std::string_view File;
};
constexpr std::array<TOfficeFile, 2> kOfficeFiles = {{{"014030", "014100"}, {"460040", "460100"}}};

json Parse(std::string_view text) {
    return ParseJsonAnswer(text, kMaxJmaConstantBytes, kMaxDepth);
}

// The end of a reader: `why` told, true for a file read.
bool Told(TJmaConstantRead result, TJmaConstantRead* why) {
    if (why != nullptr)
        *why = result;
    return result == TJmaConstantRead::Read;
}

// The bound of one level or list: more entries than the agency could send.
bool Beyond(const json& value, std::size_t bound) {
    return (value.is_object() || value.is_array()) && value.size() > bound;
}

const json* Member(const json& object, const char* key) {
    return JsonMember(&object, key);
}

std::string TextOf(const json* value) {
    return value != nullptr && value->is_string() ? value->get<std::string>() : std::string();
}

// One level of area.json: code → name and parent.
TJmaConstantRead ReadLevel(const json& root, const char* key, TJmaConstants::TAreaTable& into) {
    into.clear();
    const json* level = Member(root, key);
    if (level == nullptr || !level->is_object())
        return TJmaConstantRead::NotTheFile;
    if (Beyond(*level, kMaxJmaConstantEntries))
        return TJmaConstantRead::TooLarge;
    for (const auto& [code, entry] : level->items()) {
        std::string name = TextOf(Member(entry, "name"));
        if (!name.empty())
            into[code] = {std::move(name), TextOf(Member(entry, "parent"))};
    }
    return TJmaConstantRead::Read;
}

// [degrees, minutes] as degrees; nothing unless both are numbers in range.
std::optional<double> DegreesMinutes(const json* value, double limit) {
    if (value == nullptr || !value->is_array() || value->size() != 2 || !(*value)[0].is_number() ||
        !(*value)[1].is_number())
        return std::nullopt;
    const double degrees = (*value)[0].get<double>();
    const double minutes = (*value)[1].get<double>();
    if (!std::isfinite(degrees) || !std::isfinite(minutes) || minutes < 0.0 || minutes >= 60.0)
        return std::nullopt;
    const double result = degrees < 0.0 ? degrees - minutes / 60.0 : degrees + minutes / 60.0;
    if (std::fabs(result) > limit)
        return std::nullopt;
    return result;
}

std::string OfficeFile(std::string_view office) {
    for (const TOfficeFile& f : kOfficeFiles)
        if (f.Office == office)
            return std::string(f.File);
    return std::string(office);
}

// The constants of one look-up: each from the cache while it is fresh, else downloaded (and
// kept), else the stale copy.
class TConstantLoader {
public:
    struct TFile {
        std::string_view Path;      // on the agency's site
        std::string_view CacheName; // in the cache folder
        bool (*Read)(std::string_view, TJmaConstants&, TJmaConstantRead*);
    };
    enum class TOrigin { None, Cache, Download };
    struct TLoaded {
        TOrigin Origin = TOrigin::None;
        std::int64_t WrittenAt = 0;
    };

    // An empty `folder` keeps nothing: every constant is downloaded.
    TConstantLoader(THttpClient& client, const std::string& prefix, const std::string& folder)
        : client_(client), prefix_(prefix), now_(platform::UnixSecondsNow()) {
        if (!folder.empty())
            cache_.emplace(folder);
    }

    // `refresh` downloads even a fresh copy; a failed download falls back on it.
    TLoaded Load(const TFile& file, bool refresh) {
        const auto cached =
            cache_ ? cache_->Read(file.CacheName, kMaxJmaConstantBytes) : std::nullopt;
        const bool usable = cached && file.Read(cached->Content, constants_, nullptr);
        // A file dated well after now comes from a clock that was wrong: fetch it again.
        const std::int64_t age = usable ? now_ - cached->WrittenAt : 0;
        if (usable && !refresh && age < kMaxAge && age > -kDay)
            return {TOrigin::Cache, cached->WrittenAt};
        const auto body = Download(prefix_ + std::string(file.Path));
        TJmaConstantRead why = TJmaConstantRead::NotTheFile;
        if (body && file.Read(*body, constants_, &why)) {
            if (const auto error = cache_ ? cache_->Write(file.CacheName, *body) : std::nullopt)
                problem_ = *error;
            return {TOrigin::Download, now_};
        }
        if (usable && file.Read(cached->Content, constants_, nullptr))
            return {TOrigin::Cache, cached->WrittenAt};
        problem_ =
            "気象庁の定数 " + std::string(file.Path) +
            (why == TJmaConstantRead::TooLarge ? " は気象庁のものと思えないほど大きいため読みません"
                                               : " を取得できません");
        return {};
    }

    std::int64_t Now() const { return now_; }
    const TJmaConstants& Constants() const { return constants_; }
    const std::string& Problem() const { return problem_; }

private:
    std::optional<std::string> Download(const std::string& url) {
        try {
            std::string body = client_.Get(url);
            client_.Disconnect();
            return body;
        } catch (...) {
            return std::nullopt; // like GetPage: a failed download is only a missing file
        }
    }

    THttpClient& client_;
    const std::string& prefix_;
    std::optional<platform::TCache> cache_;
    std::int64_t now_;
    TJmaConstants constants_;
    std::string problem_;
};

constexpr std::array<TConstantLoader::TFile, 3> kConstantFiles = {{
    {kJmaAreaPath, "jma/area.json", &ReadJmaAreas},
    {kJmaForecastAreaPath, "jma/forecast_area.json", &ReadJmaForecastAreas},
    {kJmaAmedasTablePath, "jma/amedastable.json", &ReadAmedasTable},
}};
constexpr TConstantLoader::TFile kClass20ListFile = {
    kJmaAmedasClass20ListPath, "jma/amedas_class20_list.json", &ReadAmedasClass20List};

// The texts of an array, others passed over; empty for anything else.
std::vector<std::string> TextsOf(const json* value) {
    std::vector<std::string> texts;
    if (value != nullptr && value->is_array())
        for (const json& item : *value)
            if (item.is_string())
                texts.push_back(item.get<std::string>());
    return texts;
}

} // namespace

std::string JmaPrefectureCode(std::string_view prefecture) {
    for (std::size_t i = 0; i < kPrefectures.size(); ++i)
        if (kPrefectures[i] == prefecture) {
            const int code = static_cast<int>(i) + 1;
            return {static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)};
        }
    return {};
}

std::string JmaPrefectureName(std::string_view code) {
    if (code.size() != 2 || code[0] < '0' || code[0] > '9' || code[1] < '0' || code[1] > '9')
        return {};
    const int n = (code[0] - '0') * 10 + (code[1] - '0');
    return n >= 1 && n <= 47 ? std::string(kPrefectures[static_cast<std::size_t>(n - 1)])
                             : std::string();
}

bool ReadJmaAreas(std::string_view areaJson, TJmaConstants& into, TJmaConstantRead* why) {
    TJmaConstantRead result = areaJson.size() > kMaxJmaConstantBytes ? TJmaConstantRead::TooLarge
                                                                     : TJmaConstantRead::Read;
    if (result == TJmaConstantRead::Read) {
        const json root = Parse(areaJson);
        const std::pair<const char*, TJmaConstants::TAreaTable*> levels[] = {
            {"offices", &into.Offices},
            {"class10s", &into.Class10s},
            {"class15s", &into.Class15s},
            {"class20s", &into.Class20s}};
        for (const auto& [key, table] : levels)
            if ((result = ReadLevel(root, key, *table)) != TJmaConstantRead::Read)
                break;
        if (result == TJmaConstantRead::Read && into.Class20s.empty())
            result = TJmaConstantRead::NotTheFile;
    }
    if (result != TJmaConstantRead::Read) {
        into.Offices.clear();
        into.Class10s.clear();
        into.Class15s.clear();
        into.Class20s.clear();
    }
    return Told(result, why);
}

bool ReadJmaForecastAreas(std::string_view forecastAreaJson, TJmaConstants& into,
                          TJmaConstantRead* why) {
    into.Class10Stations.clear();
    into.Class10StationLists.clear();
    if (forecastAreaJson.size() > kMaxJmaConstantBytes)
        return Told(TJmaConstantRead::TooLarge, why);
    const json root = Parse(forecastAreaJson);
    if (!root.is_object())
        return Told(TJmaConstantRead::NotTheFile, why);
    std::size_t entries = 0;
    for (const auto& [office, areas] : root.items()) {
        if (!areas.is_array())
            continue;
        entries += areas.size();
        if (entries > kMaxJmaConstantEntries)
            break;
        for (const json& area : areas) {
            const std::string class10 = TextOf(Member(area, "class10"));
            const json* amedas = Member(area, "amedas");
            if (class10.empty())
                continue;
            if (amedas != nullptr && Beyond(*amedas, kMaxJmaStationList)) {
                entries = kMaxJmaConstantEntries + 1;
                break;
            }
            std::string station;
            if (amedas != nullptr && amedas->is_array() && !amedas->empty())
                station = TextOf(&(*amedas)[0]);
            into.Class10Stations.emplace(class10, std::move(station)); // the first listing wins
            into.Class10StationLists.emplace(class10, TextsOf(amedas));
        }
    }
    const TJmaConstantRead result = entries > kMaxJmaConstantEntries ? TJmaConstantRead::TooLarge
                                    : into.Class10Stations.empty()   ? TJmaConstantRead::NotTheFile
                                                                     : TJmaConstantRead::Read;
    if (result != TJmaConstantRead::Read) {
        into.Class10Stations.clear();
        into.Class10StationLists.clear();
    }
    return Told(result, why);
}

bool ReadAmedasTable(std::string_view amedasTableJson, TJmaConstants& into, TJmaConstantRead* why) {
    into.Stations.clear();
    into.StationInfo.clear();
    if (amedasTableJson.size() > kMaxJmaConstantBytes)
        return Told(TJmaConstantRead::TooLarge, why);
    const json root = Parse(amedasTableJson);
    if (!root.is_object())
        return Told(TJmaConstantRead::NotTheFile, why);
    if (Beyond(root, kMaxJmaConstantEntries))
        return Told(TJmaConstantRead::TooLarge, why);
    for (const auto& [code, station] : root.items()) {
        const auto lat = DegreesMinutes(Member(station, "lat"), 90.0);
        const auto lon = DegreesMinutes(Member(station, "lon"), 180.0);
        if (lat && lon)
            into.Stations[code] = {*lat, *lon};
        std::string name = TextOf(Member(station, "kjName"));
        if (!name.empty())
            into.StationInfo[code] = {std::move(name),
                                      TextOf(Member(station, "elems")).starts_with('1')};
    }
    if (into.Stations.empty())
        into.StationInfo.clear();
    return Told(into.Stations.empty() ? TJmaConstantRead::NotTheFile : TJmaConstantRead::Read, why);
}

bool ReadAmedasClass20List(std::string_view class20ListJson, TJmaConstants& into,
                           TJmaConstantRead* why) {
    into.Class20Stations.clear();
    if (class20ListJson.size() > kMaxJmaConstantBytes)
        return Told(TJmaConstantRead::TooLarge, why);
    const json root = Parse(class20ListJson);
    if (!root.is_object())
        return Told(TJmaConstantRead::NotTheFile, why);
    if (Beyond(root, kMaxJmaConstantEntries))
        return Told(TJmaConstantRead::TooLarge, why);
    for (const auto& [class20, stations] : root.items()) {
        if (Beyond(stations, kMaxJmaStationList)) {
            into.Class20Stations.clear();
            return Told(TJmaConstantRead::TooLarge, why);
        }
        std::vector<std::string> numbers = TextsOf(&stations);
        if (!numbers.empty())
            into.Class20Stations[class20] = std::move(numbers);
    }
    return Told(
        into.Class20Stations.empty() ? TJmaConstantRead::NotTheFile : TJmaConstantRead::Read, why);
}

bool LoadJmaStationConstants(THttpClient& client, const std::string& jmaPrefix,
                             const std::string& cacheFolder, TJmaConstants& into,
                             std::string& problem) {
    TConstantLoader loader(client, jmaPrefix, cacheFolder);
    bool ok = true;
    for (const TConstantLoader::TFile* file :
         {&kConstantFiles[1], &kConstantFiles[2], &kClass20ListFile})
        if (loader.Load(*file, false).Origin == TConstantLoader::TOrigin::None) {
            ok = false;
            break;
        }
    problem = loader.Problem();
    into = loader.Constants();
    return ok;
}

TJmaPlaceResult ResolveJmaPlace(const TJmaConstants& constants, std::string_view prefecture,
                                std::string_view municipality) {
    TJmaPlaceResult result;
    result.Result = TJmaLookup::NotFound;
    const std::string code = JmaPrefectureCode(prefecture);
    if (code.empty() || municipality.empty())
        return result;
    // The prefecture's class20s, lowest code first.
    const auto first = constants.Class20s.lower_bound(code);
    const auto inPrefecture = [&](auto it) {
        return it != constants.Class20s.end() && std::string_view(it->first).starts_with(code);
    };
    auto chosen = constants.Class20s.end();
    for (auto it = first; inPrefecture(it); ++it)
        if (it->second.Name == municipality) {
            chosen = it;
            break;
        }
    if (chosen == constants.Class20s.end())
        for (auto it = first; inPrefecture(it); ++it)
            if (std::string_view(it->second.Name).starts_with(municipality)) {
                chosen = it;
                break;
            }
    if (chosen == constants.Class20s.end())
        return result;

    const auto class15 = constants.Class15s.find(chosen->second.Parent);
    if (class15 == constants.Class15s.end())
        return result;
    const auto class10 = constants.Class10s.find(class15->second.Parent);
    if (class10 == constants.Class10s.end())
        return result;
    const auto office = constants.Offices.find(class10->second.Parent);
    if (office == constants.Offices.end())
        return result;

    TJmaPlace& place = result.Place;
    place.Office = OfficeFile(office->first);
    place.Class10 = class10->first;
    place.Class20 = chosen->first;
    if (const auto station = constants.Class10Stations.find(place.Class10);
        station != constants.Class10Stations.end())
        place.Station = station->second;
    if (const auto at = constants.Stations.find(place.Station); at != constants.Stations.end())
        place.Coordinates = at->second;
    result.Result = TJmaLookup::Found;
    return result;
}

std::string JmaWarningOffice(const TJmaPlace& place) {
    // Each of these offices has one class10, of its own code.
    for (const TOfficeFile& f : kOfficeFiles)
        if (place.Office == f.File && place.Class10 == f.Office)
            return std::string(f.Office);
    return place.Office;
}

TJmaPlaceResult LookUpJmaPlace(THttpClient& client, const std::string& jmaPrefix,
                               const std::string& cacheFolder, std::string_view prefecture,
                               std::string_view municipality) {
    TJmaPlaceResult result;
    // Names that no constant can resolve cost no download.
    if (JmaPrefectureCode(prefecture).empty() || municipality.empty()) {
        result.Result = TJmaLookup::NotFound;
        return result;
    }
    TConstantLoader loader(client, jmaPrefix, cacheFolder);
    std::array<TConstantLoader::TLoaded, kConstantFiles.size()> loaded;
    for (std::size_t i = 0; i < kConstantFiles.size(); ++i) {
        loaded[i] = loader.Load(kConstantFiles[i], false);
        if (loaded[i].Origin == TConstantLoader::TOrigin::None) {
            result.Problem = loader.Problem();
            return result;
        }
    }
    result = ResolveJmaPlace(loader.Constants(), prefecture, municipality);
    if (result.Result == TJmaLookup::NotFound) {
        // A municipality new to the agency: its areas once more, unless they are a day old at
        // most (a place that does not exist would otherwise fetch them on every refresh).
        bool refreshed = false;
        bool confirmed = true;
        for (std::size_t i = 0; i < 2; ++i) {
            if (loaded[i].Origin != TConstantLoader::TOrigin::Cache ||
                loader.Now() - loaded[i].WrittenAt < kDay)
                continue;
            refreshed = true;
            confirmed =
                loader.Load(kConstantFiles[i], true).Origin == TConstantLoader::TOrigin::Download &&
                confirmed;
        }
        if (refreshed && !confirmed) {
            result.Result = TJmaLookup::Failed; // asking again later may find it
            result.Place = {};
        } else if (refreshed) {
            result = ResolveJmaPlace(loader.Constants(), prefecture, municipality);
        }
    }
    result.Problem = loader.Problem();
    return result;
}
