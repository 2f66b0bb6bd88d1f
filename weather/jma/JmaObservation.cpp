// The weather now: the place's AMeDAS station and its latest record.
#include "weather/jma/JmaObservation.h"

#include "platform/Convert.h"
#include "weather/HttpClient.h"
#include "weather/JsonAnswer.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>

using json = nlohmann::json;

namespace {

// A block is one object of records of flat members; anything deeper is dropped.
constexpr int kMaxDepth = 4;
// A full block is about 13 KB.
constexpr std::size_t kMaxBlockBytes = 512u * 1024u;
// latest_time.txt is 25 bytes.
constexpr std::size_t kMaxLatestTimeBytes = 64;
constexpr std::int64_t kBlockSeconds = 3 * 60 * 60;

constexpr std::array<std::string_view, 17> kWindDirections = {
    "静穏",   "北北東", "北東",   "東北東", "東",     "東南東", "南東",   "南南東", "南",
    "南南西", "南西",   "西南西", "西",     "西北西", "北西",   "北北西", "北"};

const TJmaConstants::TStation* StationOf(const TJmaConstants& constants,
                                         const std::string& number) {
    const auto it = constants.StationInfo.find(number);
    return it == constants.StationInfo.end() ? nullptr : &it->second;
}

// The station named like the municipality, else the first observing temperature; numbers the
// table does not know are passed over.
std::optional<TAmedasStation> ChooseAmong(const TJmaConstants& constants,
                                          const std::vector<std::string>& numbers,
                                          std::string_view municipality) {
    for (const std::string& number : numbers)
        if (const auto* station = StationOf(constants, number);
            station != nullptr && !municipality.empty() && municipality.starts_with(station->Name))
            return TAmedasStation{number, station->Name};
    for (const std::string& number : numbers)
        if (const auto* station = StationOf(constants, number);
            station != nullptr && station->Temperature)
            return TAmedasStation{number, station->Name};
    return std::nullopt;
}

// "YYYYMMDDHHmmss" in Japan time as seconds since 1970.
std::optional<std::int64_t> KeySeconds(std::string_view key) {
    if (key.size() != 14)
        return std::nullopt;
    const std::string text = std::string(key.substr(0, 4)) + "-" + std::string(key.substr(4, 2)) +
                             "-" + std::string(key.substr(6, 2)) + "T" +
                             std::string(key.substr(8, 2)) + ":" + std::string(key.substr(10, 2));
    int second = 0;
    if (!platform::ReadDigits(key, 12, 2, second) || second != 0)
        return std::nullopt;
    return JapanTimeSeconds(text);
}

// [value, flag]: the value for a flag of 0 or 1; nothing for 欠測 (a null value, flag 5 or 6),
// a null flag, a missing key or anything else.
std::optional<double> Value(const json& record, const char* key) {
    const json* pair = JsonMember(&record, key);
    const json* value = JsonElement(pair, 0);
    const json* flag = JsonElement(pair, 1);
    if (value == nullptr || flag == nullptr || !value->is_number() || !flag->is_number_integer())
        return std::nullopt;
    const auto f = flag->get<std::int64_t>();
    const double v = value->get<double>();
    if ((f != 0 && f != 1) || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::string> Download(THttpClient& client, const std::string& url) {
    try {
        std::string body = client.Get(url);
        client.Disconnect();
        return body;
    } catch (...) {
        return std::nullopt; // a missing answer: the caller says what it means
    }
}

} // namespace

std::optional<TAmedasStation> ChooseAmedasStation(const TJmaConstants& constants,
                                                  const TJmaPlace& place,
                                                  std::string_view municipality) {
    if (const auto near = constants.Class20Stations.find(place.Class20);
        near != constants.Class20Stations.end())
        if (auto station = ChooseAmong(constants, near->second, municipality))
            return station;
    if (const auto area = constants.Class10StationLists.find(place.Class10);
        area != constants.Class10StationLists.end())
        return ChooseAmong(constants, area->second, municipality);
    return std::nullopt;
}

std::optional<std::int64_t> ReadAmedasLatestTime(std::string_view text) {
    text = platform::Trim(text);
    // Japan time is all the agency writes; any other zone is no latest time of ours.
    if (text.size() != 25 || text.substr(16, 9) != ":00+09:00")
        return std::nullopt;
    return JapanTimeSeconds(text.substr(0, 16));
}

std::int64_t AmedasBlockStart(std::int64_t unixSeconds) {
    constexpr std::int64_t offset = 9 * 60 * 60;
    const std::int64_t local = unixSeconds + offset;
    const std::int64_t start = local - ((local % kBlockSeconds) + kBlockSeconds) % kBlockSeconds;
    return start - offset;
}

std::string AmedasPointPath(std::string_view station, std::int64_t unixSeconds) {
    const std::string at = JapanTimeText(AmedasBlockStart(unixSeconds)); // YYYY-MM-DDTHH:MM
    return "amedas/data/point/" + std::string(station) + "/" + at.substr(0, 4) + at.substr(5, 2) +
           at.substr(8, 2) + "_" + at.substr(11, 2) + ".json";
}

std::string AmedasWindDirection(int code) {
    return code >= 0 && code < static_cast<int>(kWindDirections.size())
               ? std::string(kWindDirections[static_cast<std::size_t>(code)])
               : std::string();
}

std::optional<TObservation> ReadAmedasPoint(std::string_view block, std::int64_t latest,
                                            std::string_view stationName) {
    const json root = ParseJsonAnswer(block, kMaxBlockBytes, kMaxDepth);
    if (!root.is_object())
        return std::nullopt;
    const json* best = nullptr;
    std::int64_t bestAt = 0;
    for (const auto& [key, record] : root.items()) {
        const auto at = KeySeconds(key);
        if (!at || *at > latest || !record.is_object() || (best != nullptr && *at <= bestAt))
            continue;
        best = &record;
        bestAt = *at;
    }
    if (best == nullptr)
        return std::nullopt;
    TObservation now;
    now.Time = JapanTimeText(bestAt);
    now.Station = std::string(stationName);
    now.Temp = Value(*best, "temp");
    now.Precip1h = Value(*best, "precipitation1h");
    now.Wind = Value(*best, "wind");
    now.Humidity = Value(*best, "humidity");
    DropImplausibleValues(now);
    if (const auto direction = Value(*best, "windDirection"); direction && *direction >= 0.0 &&
                                                              *direction <= 16.0 &&
                                                              *direction == std::trunc(*direction))
        now.WindDirection = AmedasWindDirection(static_cast<int>(*direction));
    return now;
}

TJmaObservationOutcome LoadJmaObservation(THttpClient& client, const std::string& jmaPrefix,
                                          const std::string& cacheFolder, const TJmaPlace& place,
                                          std::string_view municipality,
                                          const std::optional<TAmedasStation>& station,
                                          std::string_view lastLatestTime) {
    TJmaObservationOutcome outcome;
    std::optional<TAmedasStation> chosen = station;
    if (!chosen) {
        TJmaConstants constants;
        if (!LoadJmaStationConstants(client, jmaPrefix, cacheFolder, constants, outcome.Problem))
            return outcome;
        chosen = ChooseAmedasStation(constants, place, municipality);
        if (!chosen) {
            outcome.Result = TObservationResult::None;
            return outcome;
        }
        outcome.FoundStation = chosen;
    }
    const auto text = Download(client, jmaPrefix + "amedas/data/latest_time.txt");
    if (!text || text->size() > kMaxLatestTimeBytes)
        return outcome;
    const auto latest = ReadAmedasLatestTime(*text);
    if (!latest)
        return outcome;
    outcome.LatestTime = std::string(platform::Trim(*text));
    if (outcome.LatestTime == lastLatestTime) {
        outcome.Result = TObservationResult::Unchanged;
        return outcome;
    }
    // Early in a block its first record may not be out yet; the block before still holds
    // records within the hour.
    std::optional<TObservation> now;
    bool downloaded = false;
    for (const std::int64_t at : {*latest, AmedasBlockStart(*latest) - 1}) {
        if (at != *latest && *latest - AmedasBlockStart(*latest) >= kObservationMaxAge)
            break;
        const auto block = Download(client, jmaPrefix + AmedasPointPath(chosen->Number, at));
        if (client.Cancelled())
            return outcome;
        downloaded = downloaded || block.has_value();
        if (block && (now = ReadAmedasPoint(*block, *latest, chosen->Name)))
            break;
    }
    if (!downloaded)
        return outcome;
    if (!now || !IsCurrentObservation(*now, *latest)) {
        outcome.Result = TObservationResult::None;
        return outcome;
    }
    outcome.Now = std::move(*now);
    outcome.Result = TObservationResult::Observed;
    return outcome;
}
