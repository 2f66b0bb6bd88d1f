#include "SampleApi.h"
#include "SampleHash.h"
#include "SampleNowcast.h"

#include "platform/Clock.h"
#include "platform/Convert.h"
#include "weather/DateTime.h"

#include <nlohmann/json.hpp>
#include <unicode/ucal.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numbers>
#include <optional>
#include <span>
#include <sstream>
#include <string_view>

// Keys in the order the real services write them.
using json = nlohmann::ordered_json;

namespace {

struct Prefecture {
    const char* name;
    double lat;
    double lon;
};

// Near each prefecture's seat; the places are scattered around it.
constexpr std::array<Prefecture, 47> kPrefectures = {{
    {"北海道", 43.06, 141.35},   {"青森県", 40.82, 140.74},   {"岩手県", 39.70, 141.15},
    {"宮城県", 38.27, 140.87},   {"秋田県", 39.72, 140.10},   {"山形県", 38.24, 140.36},
    {"福島県", 37.75, 140.47},   {"茨城県", 36.34, 140.45},   {"栃木県", 36.57, 139.88},
    {"群馬県", 36.39, 139.06},   {"埼玉県", 35.86, 139.65},   {"千葉県", 35.61, 140.12},
    {"東京都", 35.69, 139.69},   {"神奈川県", 35.45, 139.64}, {"新潟県", 37.90, 139.02},
    {"富山県", 36.70, 137.21},   {"石川県", 36.59, 136.63},   {"福井県", 36.07, 136.22},
    {"山梨県", 35.66, 138.57},   {"長野県", 36.65, 138.18},   {"岐阜県", 35.39, 136.72},
    {"静岡県", 34.98, 138.38},   {"愛知県", 35.18, 136.91},   {"三重県", 34.73, 136.51},
    {"滋賀県", 35.00, 135.87},   {"京都府", 35.02, 135.76},   {"大阪府", 34.69, 135.52},
    {"兵庫県", 34.69, 135.18},   {"奈良県", 34.69, 135.83},   {"和歌山県", 34.23, 135.17},
    {"鳥取県", 35.50, 134.24},   {"島根県", 35.47, 133.05},   {"岡山県", 34.66, 133.93},
    {"広島県", 34.40, 132.46},   {"山口県", 34.19, 131.47},   {"徳島県", 34.07, 134.56},
    {"香川県", 34.34, 134.04},   {"愛媛県", 33.84, 132.77},   {"高知県", 33.56, 133.53},
    {"福岡県", 33.61, 130.42},   {"佐賀県", 33.25, 130.30},   {"長崎県", 32.74, 129.87},
    {"熊本県", 32.79, 130.74},   {"大分県", 33.24, 131.61},   {"宮崎県", 31.91, 131.42},
    {"鹿児島県", 31.56, 130.56}, {"沖縄県", 26.21, 127.68},
}};

using sample::HashText;
using sample::Mix;

std::uint64_t Hash(std::uint64_t a, std::uint64_t b) {
    return Mix(a ^ Mix(b));
}

// A fraction in [0, 1) from a hash.
double Unit(std::uint64_t h) {
    return static_cast<double>(h % 1000000) / 1000000.0;
}

double Round(double v, int decimals) {
    const double f = std::pow(10.0, decimals);
    return std::round(v * f) / f;
}

const Prefecture* FindPrefecture(const TLocationEntry& e) {
    for (const Prefecture& p : kPrefectures)
        if (e[1] == p.name || e[0] == p.name)
            return &p;
    for (const Prefecture& p : kPrefectures)
        if (e[1].find(p.name) != std::string::npos || e[0].find(p.name) != std::string::npos)
            return &p;
    return nullptr;
}

// The cities the real index knows only without 市: the designated cities and a few others
// (堺 and 津 are single characters, which the index never answers).
constexpr std::array<std::string_view, 26> kKnownWithoutCity = {
    "札幌市", "仙台市", "さいたま市", "千葉市",   "横浜市", "川崎市", "相模原市",
    "新潟市", "静岡市", "浜松市",     "名古屋市", "京都市", "大阪市", "堺市",
    "神戸市", "岡山市", "広島市",     "北九州市", "福岡市", "熊本市", "高知市",
    "那覇市", "金沢市", "長崎市",     "鹿児島市", "津市"};

std::string IndexName(const std::string& name, TSampleApi::Names names) {
    if (names == TSampleApi::Names::RealIndex &&
        std::find(kKnownWithoutCity.begin(), kKnownWithoutCity.end(), name) !=
            kKnownWithoutCity.end())
        return name.substr(0, name.size() - std::string_view("市").size());
    return name;
}

// A zone of the time zone database as the answer names it, with its offset on one day.
struct Zone {
    std::string Name;
    int OffsetSeconds = 0;
};

std::optional<Zone> FindZone(std::string name, const CalendarDate& day) {
    if (name == "auto")
        name = "Asia/Tokyo";
    if (name.empty() || name.size() > 64 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7F; }))
        return std::nullopt;
    const std::u16string id(name.begin(), name.end());
    const auto length = static_cast<int32_t>(id.size());
    UErrorCode status = U_ZERO_ERROR;
    UChar canonical[128];
    UBool known = false;
    ucal_getCanonicalTimeZoneID(id.data(), length, canonical, 128, &known, &status);
    if (U_FAILURE(status) || !known)
        return std::nullopt;
    UCalendar* calendar = ucal_open(id.data(), length, "en_US", UCAL_GREGORIAN, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    ucal_setDateTime(calendar, day.Year, day.Month - 1, day.Day, 12, 0, 0, &status);
    const int32_t offset = ucal_get(calendar, UCAL_ZONE_OFFSET, &status) +
                           ucal_get(calendar, UCAL_DST_OFFSET, &status);
    ucal_close(calendar);
    if (U_FAILURE(status))
        return std::nullopt;
    return Zone{name, offset / 1000};
}

// "GMT+9", "GMT-4", "GMT+5:30" and "GMT", as the service abbreviates an offset.
std::string Abbreviation(int offsetSeconds) {
    if (offsetSeconds == 0)
        return "GMT";
    const int minutes = std::abs(offsetSeconds) / 60;
    std::string text =
        std::string("GMT") + (offsetSeconds < 0 ? "-" : "+") + std::to_string(minutes / 60);
    if (minutes % 60 != 0) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ":%02d", minutes % 60);
        text += buf;
    }
    return text;
}

TSampleApi::Answer Error(const std::string& reason) {
    return {400, json{{"error", true}, {"reason", reason}}.dump()};
}

std::string Param(const TSampleApi::Params& params, const std::string& key,
                  const std::string& fallback = {}) {
    const auto it = params.find(key);
    return it == params.end() ? fallback : it->second;
}

std::optional<double> Number(const std::string& text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty())
            out.push_back(item);
    return out;
}

std::string DayText(TDateTime date) {
    const CalendarDate c = DecodeDate(date);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.Year, c.Month, c.Day);
    return buf;
}

// How a day goes, as hourly weather codes. The names say what the widget should make of it.
enum class Pattern {
    Clear,       // 晴
    ClearToRain, // 晴のち雨
    CloudAndSun, // 曇時々晴
    Cloudy,      // 曇
    ShortShower, // 曇一時雨
    RainToClear, // 雨のち晴
    Rain,        // 雨
    CloudToRain, // 曇のち雨
    Thunder,     // 晴一時雷雨
    MorningFog,  // 晴一時霧
    Drizzle,     // 曇一時霧雨
    Snow,        // 雪
    SnowToCloud, // 雪のち曇
    SnowShowers, // 曇時々雪
    ClearToSnow, // 晴のち雪
};

constexpr std::array<Pattern, 12> kMild = {
    Pattern::Clear,       Pattern::ClearToRain, Pattern::CloudAndSun, Pattern::Cloudy,
    Pattern::ShortShower, Pattern::RainToClear, Pattern::Rain,        Pattern::CloudToRain,
    Pattern::Thunder,     Pattern::MorningFog,  Pattern::Drizzle,     Pattern::CloudAndSun};
constexpr std::array<Pattern, 7> kCold = {
    Pattern::Snow,   Pattern::SnowToCloud, Pattern::SnowShowers, Pattern::ClearToSnow,
    Pattern::Cloudy, Pattern::Clear,       Pattern::Snow};

int HourCode(Pattern p, int h, std::uint64_t seed) {
    const bool morning = h < 12;
    const int block = h / 3;
    const int clear = Hash(seed, static_cast<std::uint64_t>(h)) % 3 == 0 ? 2 : 1;
    switch (p) {
    case Pattern::Clear:
        return h % 5 == 0 ? 0 : clear;
    case Pattern::ClearToRain:
        return morning ? clear : (h < 18 ? 61 : 63);
    case Pattern::CloudAndSun:
        return block % 2 == 0 ? 3 : clear;
    case Pattern::Cloudy:
        return 3;
    case Pattern::ShortShower:
        return block == 5 ? 80 : 3;
    case Pattern::RainToClear:
        return morning ? 63 : clear;
    case Pattern::Rain:
        return h % 4 == 0 ? 63 : 61;
    case Pattern::CloudToRain:
        return morning ? 3 : 61;
    case Pattern::Thunder:
        return block == 5 ? 95 : clear;
    case Pattern::MorningFog:
        return block < 2 ? 45 : clear;
    case Pattern::Drizzle:
        return block == 2 || block == 3 ? 53 : 3;
    case Pattern::Snow:
        return h % 3 == 0 ? 73 : 71;
    case Pattern::SnowToCloud:
        return morning ? 73 : 3;
    case Pattern::SnowShowers:
        return block == 1 || block == 4 || block == 6 ? 85 : 3;
    case Pattern::ClearToSnow:
        return morning ? clear : 71;
    }
    return 3;
}

bool Wet(int code) {
    return code >= 51;
}

struct Day {
    std::array<double, 24> temp;
    std::array<int, 24> prob;
    std::array<int, 24> code;
};

// How one place's day goes: its pattern, the seed of its figures and its mean temperature.
struct DayPlan {
    Pattern pattern;
    std::uint64_t seed;
    double base;
};

DayPlan PlanDay(double lat, double lon, TDateTime date) {
    const std::uint64_t seed = Hash(Hash(static_cast<std::uint64_t>(std::llround(lat * 1000.0)),
                                         static_cast<std::uint64_t>(std::llround(lon * 1000.0))),
                                    static_cast<std::uint64_t>(date));
    const CalendarDate cd = DecodeDate(date);
    const double dayOfYear = date - EncodeDate(cd.Year, 1, 1);
    const double season =
        16.0 - 11.0 * std::cos(2.0 * std::numbers::pi * (dayOfYear - 20.0) / 365.0);
    // About a degree colder for every degree of latitude north of Tokyo.
    const double base = season + (35.7 - lat) * 0.9 + (Unit(Hash(seed, 1)) * 6.0 - 3.0);
    const auto& patterns =
        base < 3.0 ? std::span<const Pattern>(kCold) : std::span<const Pattern>(kMild);
    return {patterns[Hash(seed, 2) % patterns.size()], seed, base};
}

// The values stamped 00:00 ... 23:00 of a day. A value is that of the hour ending at its stamp,
// as the real service's precipitation probability is: 00:00 still belongs to the day before.
Day MakeDay(double lat, double lon, TDateTime date) {
    const DayPlan plan = PlanDay(lat, lon, date);
    const DayPlan before = PlanDay(lat, lon, date - 1);
    Day day;
    for (int h = 0; h < 24; ++h) {
        day.code[h] = h > 0 ? HourCode(plan.pattern, h - 1, plan.seed)
                            : HourCode(before.pattern, 23, before.seed);
        const double swing = Wet(day.code[h]) ? 2.5 : 5.0;
        const double curve = std::cos(2.0 * std::numbers::pi * (h - 14) / 24.0);
        day.temp[h] = Round(plan.base + swing * curve + Unit(Hash(plan.seed, 10 + h)) - 0.5, 1);
        const int low = Wet(day.code[h]) ? 50 : 0;
        const int spread = Wet(day.code[h]) ? 45 : 25;
        day.prob[h] =
            low + static_cast<int>(Hash(plan.seed, 40 + h) % static_cast<unsigned>(spread));
    }
    return day;
}

} // namespace

TSampleApi::TSampleApi(std::vector<TLocationEntry> entries, int year, int month, int day,
                       Names names)
    : year_(year), month_(month), day_(day) {
    for (const TLocationEntry& e : entries) {
        const Prefecture* pref = FindPrefecture(e);
        const std::uint64_t h = HashText(e[1] + "/" + e[2]);
        // Within about 30 km of the seat, or anywhere in the country for an unknown one.
        const double lat =
            pref ? pref->lat + (Unit(Hash(h, 1)) - 0.5) * 0.5 : 31.0 + Unit(Hash(h, 1)) * 12.0;
        const double lon =
            pref ? pref->lon + (Unit(Hash(h, 2)) - 0.5) * 0.5 : 130.0 + Unit(Hash(h, 2)) * 12.0;
        places_.push_back({IndexName(e[2], names), e[1], Round(lat, 5), Round(lon, 5)});
    }
}

TSampleApi::Answer TSampleApi::Search(const Params& params) const {
    const auto name = params.find("name");
    if (name == params.end())
        return Error("Parameter 'name' is required");
    const std::string countText = Param(params, "count", "10");
    const std::int32_t count = platform::StrToIntDef(countText, -1);
    if (count < 1 || count > 100)
        return Error("Parameter count must be between 1 and 100.");
    json results = json::array();
    // Names of one character find nothing, as with the real service.
    std::size_t characters = 0;
    for (const char c : name->second)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (characters >= 2) {
        int id = 0;
        for (const Place& p : places_) {
            ++id;
            if (p.Name != name->second)
                continue;
            const std::uint64_t h = HashText(p.Admin1 + "/" + p.Name);
            const Prefecture& other = kPrefectures[h % kPrefectures.size()];
            const auto result = [&](const std::string& admin1, double lat, double lon, int n) {
                return json{{"id", 1850000 + 2 * id + n},
                            {"name", p.Name},
                            {"latitude", lat},
                            {"longitude", lon},
                            {"elevation", Round(10.0 + Unit(Hash(h, 3)) * 300.0, 0)},
                            {"feature_code", "PPLA2"},
                            {"country_code", "JP"},
                            {"admin1_id", 1850100 + static_cast<int>(HashText(admin1) % 900)},
                            {"timezone", "Asia/Tokyo"},
                            {"population", 20000 + static_cast<int>(Hash(h, 4 + n) % 500000)},
                            {"country_id", 1861060},
                            {"country", "日本"},
                            {"admin1", admin1}};
            };
            json real = result(p.Admin1, p.Latitude, p.Longitude, 0);
            if (other.name == p.Admin1) {
                results.push_back(real);
                continue;
            }
            json namesake =
                result(other.name, Round(other.lat + 0.07, 5), Round(other.lon - 0.05, 5), 1);
            if (h % 2 == 0) {
                results.push_back(namesake);
                results.push_back(real);
            } else {
                results.push_back(real);
                results.push_back(namesake);
            }
        }
    }
    if (results.size() > static_cast<std::size_t>(count))
        results.erase(results.begin() + count, results.end());
    json answer = json::object();
    // The real service leaves an empty list out.
    if (!results.empty())
        answer["results"] = results;
    answer["generationtime_ms"] = 0.6;
    return {200, answer.dump()};
}

TSampleApi::Answer TSampleApi::Forecast(const Params& params) const {
    const auto lat = Number(Param(params, "latitude"));
    const auto lon = Number(Param(params, "longitude"));
    if (!lat || !lon)
        return Error("Parameter 'latitude' and 'longitude' must be numbers.");
    if (std::fabs(*lat) > 90.0)
        return Error(
            "Latitude must be in range of -90 to 90°. Given: " + Param(params, "latitude") + ".");
    if (std::fabs(*lon) > 180.0)
        return Error("Longitude must be in range of -180 to 180°. Given: " +
                     Param(params, "longitude") + ".");
    const std::optional<Zone> zone =
        FindZone(Param(params, "timezone", "GMT"), CalendarDate{year_, month_, day_});
    if (!zone)
        return Error("Invalid timezone");
    const std::int32_t days = platform::StrToIntDef(Param(params, "forecast_days", "7"), -1);
    if (days < 0 || days > 16)
        return Error("Forecast days is invalid. Allowed range 0 to 16.");

    static constexpr std::array<std::string_view, 3> kHourly = {
        "temperature_2m", "precipitation_probability", "weather_code"};
    static constexpr std::array<std::string_view, 4> kDaily = {"weather_code", "temperature_2m_max",
                                                               "temperature_2m_min",
                                                               "precipitation_probability_max"};
    const std::vector<std::string> hourlyVars = SplitList(Param(params, "hourly"));
    const std::vector<std::string> dailyVars = SplitList(Param(params, "daily"));
    for (const std::string& v : hourlyVars)
        if (std::find(kHourly.begin(), kHourly.end(), v) == kHourly.end())
            return Error("Cannot initialize ForecastVariable from invalid String value " + v +
                         " for key hourly");
    for (const std::string& v : dailyVars)
        if (std::find(kDaily.begin(), kDaily.end(), v) == kDaily.end())
            return Error("Cannot initialize ForecastVariableDaily from invalid String value " + v +
                         " for key daily");
    // The quarter hours: the precipitation of the drifting showers (SampleNowcast.h), counted
    // from the present quarter of the clock.
    const std::vector<std::string> minutelyVars = SplitList(Param(params, "minutely_15"));
    for (const std::string& v : minutelyVars)
        if (v != "precipitation")
            return Error("Cannot initialize ForecastVariableMinutely15 from invalid String value " +
                         v + " for key minutely_15");
    const std::int32_t pastQuarters =
        platform::StrToIntDef(Param(params, "past_minutely_15", "0"), -1);
    const std::int32_t quarters =
        platform::StrToIntDef(Param(params, "forecast_minutely_15", "96"), -1);
    if (pastQuarters < 0 || pastQuarters > 96 || quarters < 0 || quarters > 96 * 16)
        return Error("Invalid minutely_15 range");

    const TDateTime today = EncodeDate(year_, month_, day_);
    const auto unit = [](std::string_view v) -> const char* {
        return v == "weather_code" ? "wmo code" : v.find("probability") != v.npos ? "%" : "°C";
    };
    json hourly = {{"time", json::array()}};
    json hourlyUnits = {{"time", "iso8601"}};
    for (const std::string& v : hourlyVars) {
        hourly[v] = json::array();
        hourlyUnits[v] = unit(v);
    }
    json daily = {{"time", json::array()}};
    json dailyUnits = {{"time", "iso8601"}};
    for (const std::string& v : dailyVars) {
        daily[v] = json::array();
        dailyUnits[v] = unit(v);
    }
    for (int d = 0; d < days; ++d) {
        const Day day = MakeDay(*lat, *lon, today + d);
        for (int h = 0; h < 24; ++h) {
            char stamp[8];
            std::snprintf(stamp, sizeof stamp, "T%02d:00", h);
            hourly["time"].push_back(DayText(today + d) + stamp);
            for (const std::string& v : hourlyVars) {
                if (v == "temperature_2m")
                    hourly[v].push_back(day.temp[h]);
                else if (v == "precipitation_probability")
                    hourly[v].push_back(day.prob[h]);
                else
                    hourly[v].push_back(day.code[h]);
            }
        }
        daily["time"].push_back(DayText(today + d));
        for (const std::string& v : dailyVars) {
            if (v == "weather_code")
                // The day's code is its most severe hour's, and WMO codes grow with severity.
                daily[v].push_back(*std::max_element(day.code.begin(), day.code.end()));
            else if (v == "temperature_2m_max")
                daily[v].push_back(*std::max_element(day.temp.begin(), day.temp.end()));
            else if (v == "temperature_2m_min")
                daily[v].push_back(*std::min_element(day.temp.begin(), day.temp.end()));
            else
                daily[v].push_back(*std::max_element(day.prob.begin(), day.prob.end()));
        }
    }
    json answer = {
        {"latitude", Round(*lat, 2)}, {"longitude", Round(*lon, 2)},
        {"generationtime_ms", 0.4},   {"utc_offset_seconds", zone->OffsetSeconds},
        {"timezone", zone->Name},     {"timezone_abbreviation", Abbreviation(zone->OffsetSeconds)},
        {"elevation", 40.0}};
    if (!hourlyVars.empty()) {
        answer["hourly_units"] = hourlyUnits;
        answer["hourly"] = hourly;
    }
    if (!dailyVars.empty()) {
        answer["daily_units"] = dailyUnits;
        answer["daily"] = daily;
    }
    if (!minutelyVars.empty()) {
        constexpr std::int64_t quarter = 15 * 60;
        const std::int64_t now = platform::UnixSecondsNow();
        const std::int64_t first =
            now - ((now % quarter) + quarter) % quarter - std::int64_t{pastQuarters} * quarter;
        json times = json::array(), sums = json::array();
        for (std::int64_t k = 0; k < pastQuarters + quarters; ++k) {
            const std::int64_t at = first + k * quarter;
            const std::time_t local = static_cast<std::time_t>(at + zone->OffsetSeconds);
            std::tm t{};
            gmtime_r(&local, &t);
            char stamp[24];
            std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M", &t);
            times.push_back(stamp);
            // The sum of the quarter before the stamp, at the rate of its middle.
            sums.push_back(
                Round(SampleClassRate(SampleShowerClass(*lat, *lon, at - quarter / 2)) / 4.0, 1));
        }
        answer["minutely_15_units"] = {{"time", "iso8601"}, {"precipitation", "mm"}};
        answer["minutely_15"] = {{"time", times}, {"precipitation", sums}};
    }
    return {200, answer.dump()};
}

std::optional<TCoordinates> SamplePrefectureCentre(std::string_view prefecture) {
    for (const Prefecture& p : kPrefectures)
        if (prefecture == p.name)
            return TCoordinates{p.lat, p.lon};
    return std::nullopt;
}
