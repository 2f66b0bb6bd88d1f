#pragma once

#include "weather/Coordinates.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class THttpClient;

// A place of the agency's forecast (気象庁), resolved from its constants (area.json,
// forecast_area.json, amedastable.json).
struct TJmaPlace {
    std::string Office;  // the office whose forecast file holds the place ("014100" for 十勝)
    std::string Class10; // the area whose texts, codes and bands are the place's
    std::string Class20; // the municipality's own code (the agency's page for it)
    std::string Station; // AMeDAS number of the temperature point; empty when there is none
    std::optional<TCoordinates> Coordinates; // the station's; nothing when it is unknown
    bool operator==(const TJmaPlace&) const = default;
};

enum class TJmaLookup {
    Found,    // Place holds the place
    NotFound, // the constants have no such municipality in that prefecture
    Failed,   // a constant could neither be read from the cache nor downloaded
};
struct TJmaPlaceResult {
    TJmaLookup Result = TJmaLookup::Failed;
    TJmaPlace Place;
    // Why the cache could not serve, in Japanese, naming the file: a cache file that could not
    // be written (the place may still be found from what was downloaded), or a constant that
    // could neither be read nor downloaded. Empty when nothing went wrong.
    std::string Problem;
};

// The place of a location entry (prefecture and municipality, fields 1 and 2) through the
// constants kept under `cacheFolder` + "jma/": downloaded from `jmaPrefix` when missing or
// older than 30 days, and once more when the place is not in them (unless they were fetched
// within the last day). A stale copy serves when the download fails. An empty `cacheFolder`
// keeps nothing. Never throws for bad data.
TJmaPlaceResult LookUpJmaPlace(THttpClient& client, const std::string& jmaPrefix,
                               const std::string& cacheFolder, std::string_view prefecture,
                               std::string_view municipality);

// The constants as files of the agency's site ("common/const/area.json"), for its prefix.
inline constexpr std::string_view kJmaAreaPath = "common/const/area.json";
inline constexpr std::string_view kJmaForecastAreaPath = "forecast/const/forecast_area.json";
inline constexpr std::string_view kJmaAmedasTablePath = "amedas/const/amedastable.json";
inline constexpr std::string_view kJmaAmedasClass20ListPath =
    "amedas/const/amedas_class20_list.json";

// The two-digit code of one of the 47 prefectures ("東京都" → "13"); empty for any other text.
std::string JmaPrefectureCode(std::string_view prefecture);
// And back ("13" → "東京都"); empty for any other text.
std::string JmaPrefectureName(std::string_view code);

// What the resolution reads from the three constants.
struct TJmaConstants {
    struct TArea {
        std::string Name;
        std::string Parent;
    };
    using TAreaTable = std::map<std::string, TArea, std::less<>>;
    // area.json, each level in its own table: a code can stand at two levels.
    TAreaTable Offices, Class10s, Class15s, Class20s;
    // forecast_area.json: each class10's first AMeDAS number ("" when it lists none).
    std::map<std::string, std::string, std::less<>> Class10Stations;
    // amedastable.json: each station's coordinates.
    std::map<std::string, TCoordinates, std::less<>> Stations;
    // The observation's station is chosen from these.
    using TStationLists = std::map<std::string, std::vector<std::string>, std::less<>>;
    struct TStation {
        std::string Name;         // kjName
        bool Temperature = false; // the first digit of elems is 1
    };
    // forecast_area.json: each class10's AMeDAS numbers in the agency's order.
    TStationLists Class10StationLists;
    // amedastable.json: each station's name and whether it observes temperature.
    std::map<std::string, TStation, std::less<>> StationInfo;
    // amedas_class20_list.json: the stations near each municipality, in the agency's order.
    TStationLists Class20Stations;
};

// What the agency could plausibly send as one of its constants. Its files are 20-260 KB, with at
// most about 1,800 entries at one level and 7 stations in one list; a larger file, more entries
// at one level or a longer list is no constant of the agency's and is refused whole.
inline constexpr std::size_t kMaxJmaConstantBytes = 4u * 1024u * 1024u;
inline constexpr std::size_t kMaxJmaConstantEntries = 20000;
inline constexpr std::size_t kMaxJmaStationList = 64;

// Why a constant was refused.
enum class TJmaConstantRead {
    Read,       // the part holds what the file gives
    NotTheFile, // not JSON, not the file's shape, nothing usable in it
    TooLarge,   // beyond the bounds above
};

// Each reads one file into its part of `into`, replacing it. False, with the part emptied, when
// the text is not that file or exceeds the bounds above (`why`, when given, tells which).
// Entries of the wrong type are passed over.
bool ReadJmaAreas(std::string_view areaJson, TJmaConstants& into, TJmaConstantRead* why = nullptr);
bool ReadJmaForecastAreas(std::string_view forecastAreaJson, TJmaConstants& into,
                          TJmaConstantRead* why = nullptr);
bool ReadAmedasTable(std::string_view amedasTableJson, TJmaConstants& into,
                     TJmaConstantRead* why = nullptr);
bool ReadAmedasClass20List(std::string_view class20ListJson, TJmaConstants& into,
                           TJmaConstantRead* why = nullptr);

// The constants an observation's station is chosen from (forecast_area.json, amedastable.json,
// amedas_class20_list.json), through the cache as LookUpJmaPlace keeps them. Problem as there;
// false when one of them could neither be read nor downloaded.
bool LoadJmaStationConstants(THttpClient& client, const std::string& jmaPrefix,
                             const std::string& cacheFolder, TJmaConstants& into,
                             std::string& problem);

// The place of `municipality` in `prefecture` among the constants: the prefecture's class20
// named exactly so, else the lowest code of those whose names begin with it (a split city:
// 仙台市 → 仙台市東部); its chain up to the office; the office's forecast file (014100 for
// 014030, 460100 for 460040); the class10's first station and its coordinates. Found or
// NotFound (also when the chain is broken).
TJmaPlaceResult ResolveJmaPlace(const TJmaConstants& constants, std::string_view prefecture,
                                std::string_view municipality);

// The office whose own files (warnings) cover the place: the office of its class10, which for
// 十勝 and 奄美 is not the office of the forecast file that holds them.
std::string JmaWarningOffice(const TJmaPlace& place);
