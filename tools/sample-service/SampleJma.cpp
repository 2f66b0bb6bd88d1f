#include "SampleJma.h"
#include "SampleHash.h"

#include "weather/jma/JmaWeatherCodes.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

// Keys in the order the agency writes them.
using json = nlohmann::ordered_json;

namespace {

using sample::HashText;
using sample::Mix;

std::uint64_t Hash(std::uint64_t a, std::uint64_t b) {
    return Mix(a ^ Mix(b));
}

std::uint64_t Hash(std::string_view text, TDateTime date, std::uint64_t salt = 0) {
    return Hash(Hash(HashText(text), static_cast<std::uint64_t>(std::llround(date))), salt);
}

// Offices without a forecast file of their own: their areas are in the host's answer.
struct Folded {
    const char* office;
    const char* host;
};
constexpr std::array<Folded, 2> kFolded = {{{"014030", "014100"}, {"460040", "460100"}}};

const char* HostOf(std::string_view office) {
    for (const Folded& f : kFolded)
        if (office == f.office)
            return f.host;
    return nullptr;
}

// Weather codes of the agency's table, the changing ones (のち, 時々, 一時) among them.
constexpr std::array<int, 22> kMild = {100, 101, 102, 110, 111, 112, 114, 123, 200, 201, 202,
                                       203, 210, 211, 212, 214, 300, 301, 311, 313, 100, 201};
constexpr std::array<int, 16> kCold = {100, 101, 104, 111, 200, 201, 204, 205,
                                       215, 217, 303, 400, 401, 411, 413, 340};

// Rough normals of Tokyo by month, shifted by the prefecture's place from north to south.
constexpr std::array<int, 12> kNormalMax = {10, 11, 14, 19, 23, 26, 30, 31, 27, 22, 17, 12};
constexpr std::array<int, 12> kNormalMin = {1, 2, 5, 10, 15, 19, 23, 24, 21, 15, 9, 4};

int Shift(int prefecture) {
    if (prefecture == 1)
        return -10; // 北海道
    if (prefecture <= 7)
        return -5; // 東北
    if (prefecture <= 20)
        return -1; // 関東甲信, 北陸
    if (prefecture <= 39)
        return 0;
    return prefecture == 47 ? 10 : 2; // 九州, 沖縄
}

std::string Stamp(TDateTime date, int hour) {
    const CalendarDate c = DecodeDate(date);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:00:00+09:00", c.Year, c.Month, c.Day, hour);
    return buf;
}

bool Wet(int code) {
    const std::string_view text = JmaWeatherText(std::to_string(code)).value_or("");
    return text.find("雨") != std::string_view::npos || text.find("雪") != std::string_view::npos;
}

// The agency's long texts write out what the code says, with full-width spaces.
std::string LongText(int code) {
    std::string text(JmaWeatherText(std::to_string(code)).value_or(""));
    const std::pair<std::string_view, std::string_view> words[] = {{"のち", "　後　"},
                                                                   {"時々", "　時々　"},
                                                                   {"一時", "　一時　"},
                                                                   {"晴", "晴れ"},
                                                                   {"曇", "くもり"}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [from, to] : words)
            if (text.compare(i, from.size(), from) == 0) {
                // 後 and 時々 meet with one space between them: "くもり　後　時々　晴れ".
                constexpr std::string_view space = "　";
                const bool joined = out.ends_with(space) && to.starts_with(space);
                out += joined ? to.substr(space.size()) : to;
                i += from.size();
                replaced = true;
                break;
            }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

// The wind of an area on a day, in the agency's words.
std::string WindText(std::string_view area, TDateTime day) {
    constexpr std::array<const char*, 8> kDirections = {"北", "北東", "東", "南東",
                                                        "南", "南西", "西", "北西"};
    const std::uint64_t h = Hash(area, day, 4);
    const std::string first = std::string(kDirections[h % 8]) + "の風";
    switch (h / 8 % 4) {
    case 0:
        return first;
    case 1:
        return first + "　やや強く";
    case 2:
        return first + "　後　" + kDirections[(h / 32) % 8] + "の風";
    default:
        return first + "　やや強く　海上　では　" + first + "　強く";
    }
}

// The waves of an area on a day, with the agency's full-width figures.
std::string WaveText(std::string_view area, TDateTime day) {
    constexpr std::array<const char*, 5> kHeights = {"０．５メートル", "１メートル",
                                                     "１．５メートル", "２メートル",
                                                     "３メートル　うねり　を伴う"};
    const std::uint64_t h = Hash(area, day, 5);
    const std::string first = kHeights[h % 4];
    return h / 4 % 3 == 0 ? first + "　後　" + kHeights[h % 4 + 1] : first;
}

// Areas of the prefectures without sea (栃木, 群馬, 埼玉, 山梨, 長野, 岐阜, 滋賀, 奈良).
bool Inland(std::string_view area) {
    for (const std::string_view prefecture : {"09", "10", "11", "19", "20", "21", "25", "29"})
        if (area.substr(0, 2) == prefecture)
            return true;
    return false;
}

// The weather code of an area on a day: the season of the area's office decides between mild
// and snowy weather.
int CodeOf(std::string_view area, TDateTime day) {
    const CalendarDate c = DecodeDate(day);
    const bool winter = c.Month == 12 || c.Month <= 3;
    const bool snowy = winter && (area.substr(0, 2) <= "07" || area.substr(0, 2) == "15" ||
                                  area.substr(0, 2) == "20" || area.substr(0, 2) == "17");
    const std::uint64_t h = Hash(area, day, 1);
    return snowy ? kCold[h % kCold.size()] : kMild[h % kMild.size()];
}

int MaxTempOf(int prefecture, std::string_view point, TDateTime day) {
    const int month = DecodeDate(day).Month;
    return kNormalMax[month - 1] + Shift(prefecture) + static_cast<int>(Hash(point, day, 2) % 7) -
           3;
}

int MinTempOf(int prefecture, std::string_view point, TDateTime day) {
    const int month = DecodeDate(day).Month;
    return kNormalMin[month - 1] + Shift(prefecture) + static_cast<int>(Hash(point, day, 3) % 5) -
           2;
}

// The regular report served at `hour` of today: its date and hour (05, 11 or 17; before 5 the
// evening report of the day before).
std::pair<TDateTime, int> ReportAt(TDateTime today, int hour) {
    if (hour < 5)
        return {today - 1, 17};
    return {today, hour >= 17 ? 17 : hour >= 11 ? 11 : 5};
}

// The series' category of one side of a day text: the sky the skins would draw for it.
const char* SeriesWord(std::string_view side) {
    const bool rain =
        side.find("雨") != std::string_view::npos || side.find("雷") != std::string_view::npos;
    const bool snow =
        side.find("雪") != std::string_view::npos || side.find("みぞれ") != std::string_view::npos;
    if (rain && snow)
        return "雨または雪";
    const std::size_t fine = side.find("晴");
    const std::size_t cloud = std::min(side.find("曇"), side.find("霧"));
    const std::size_t wet = std::min(side.find("雨"), side.find("雪"));
    const std::size_t first = std::min({fine, cloud, wet});
    if (first == std::string_view::npos || first == cloud)
        return "くもり";
    if (first == fine)
        return "晴れ";
    return rain ? "雨" : "雪";
}

// The sky of a three-hour period from its day's text: the later side after noon for のち, now and
// then the other side for 時々 and 一時.
const char* PeriodWord(int code, int startHour, std::uint64_t hash) {
    const std::string_view text = JmaWeatherText(std::to_string(code)).value_or("曇");
    for (const auto& [connector, every] :
         {std::pair<std::string_view, int>{"のち", 0}, {"時々", 3}, {"一時", 5}}) {
        const std::size_t at = text.find(connector);
        if (at == std::string_view::npos)
            continue;
        const bool later = every == 0 ? startHour >= 12 : hash % every == 0;
        return SeriesWord(later ? text.substr(at + connector.size()) : text.substr(0, at));
    }
    return SeriesWord(text);
}

// Where in the day's range a temperature at `hour` lies: lowest at dawn, highest at 15:00.
constexpr std::array<double, 8> kDayCurve = {0.1, 0.05, 0.0, 0.5, 0.9, 1.0, 0.7, 0.4};

} // namespace

TSampleJma::TSampleJma(std::string_view areaJson, std::string_view forecastAreaJson, int year,
                       int month, int day)
    : today_(EncodeDate(year, month, day)) {
    const json area = json::parse(areaJson, nullptr, false);
    const json forecastArea = json::parse(forecastAreaJson, nullptr, false);
    if (!area.is_object() || !forecastArea.is_object())
        return;
    const json& offices = area.value("offices", json::object());
    const json& class10s = area.value("class10s", json::object());
    const auto text = [](const json& object, const char* key) {
        const auto it = object.find(key);
        return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    for (const auto& [code, entries] : forecastArea.items()) {
        const char* host = HostOf(code);
        Office& office = offices_[host ? host : code];
        if (office.Code.empty()) {
            office.Code = host ? host : code;
            const auto info = offices.find(office.Code);
            office.PublishingOffice =
                info != offices.end() ? text(*info, "officeName") : std::string("気象庁");
            office.Prefecture = std::clamp(std::atoi(office.Code.substr(0, 2).c_str()), 1, 47);
        }
        if (!entries.is_array())
            continue;
        for (const json& entry : entries) {
            Area a;
            a.Code = text(entry, "class10");
            const auto info = class10s.find(a.Code);
            a.Name = info != class10s.end() ? text(*info, "name") : a.Code;
            if (const auto points = entry.find("amedas");
                points != entry.end() && points->is_array())
                for (const json& point : *points)
                    if (point.is_string())
                        a.Points.push_back(point.get<std::string>());
            office.Areas.push_back(std::move(a));
        }
    }
    for (const auto& [code, info] : offices.items()) {
        OverviewOffice& o = overviewOffices_[code];
        o.Name = text(info, "name");
        o.PublishingOffice = text(info, "officeName");
        if (const auto children = info.find("children");
            children != info.end() && children->is_array())
            for (const json& child : *children)
                if (child.is_string() && class10s.contains(child.get<std::string>()))
                    o.Class10s.push_back(child.get<std::string>());
    }
    // The host's own areas come first in its answer, whatever order the constants list them in.
    for (auto& [code, office] : offices_)
        std::stable_partition(office.Areas.begin(), office.Areas.end(),
                              [&](const Area& a) { return HostOf(a.Code) == nullptr; });
}

std::string TSampleJma::Forecast(std::string_view officeCode, int hour) const {
    const auto found = offices_.find(officeCode);
    if (found == offices_.end() || HostOf(officeCode) != nullptr)
        return {};
    const Office& office = found->second;

    // The report: 05, 11 or 17 o'clock of its day.
    const auto [date, base] = ReportAt(today_, hour);

    const auto code = [](std::string_view area, TDateTime day) { return CodeOf(area, day); };
    const auto pop = [&](std::string_view area, TDateTime day, int band) {
        const bool wet = Wet(code(area, day));
        const std::uint64_t h = Hash(area, day, 10 + static_cast<std::uint64_t>(band));
        return wet ? 30 + static_cast<int>(h % 7) * 10 : static_cast<int>(h % 3) * 10;
    };
    const auto maxTemp = [&](std::string_view point, TDateTime day) {
        return MaxTempOf(office.Prefecture, point, day);
    };
    const auto minTemp = [&](std::string_view point, TDateTime day) {
        return MinTempOf(office.Prefecture, point, day);
    };

    // Today, tomorrow and (from 11 on) the day after.
    json textTimes = json::array({Stamp(date, base), Stamp(date + 1, 0)});
    if (base != 5)
        textTimes.push_back(Stamp(date + 2, 0));
    json textAreas = json::array();
    for (const Area& a : office.Areas) {
        json codes = json::array(), weathers = json::array(), winds = json::array(),
             waves = json::array();
        for (std::size_t i = 0; i < textTimes.size(); ++i) {
            const int c = code(a.Code, date + static_cast<double>(i));
            codes.push_back(std::to_string(c));
            weathers.push_back(LongText(c));
            winds.push_back(WindText(a.Code, date + static_cast<double>(i)));
            waves.push_back(WaveText(a.Code, date + static_cast<double>(i)));
        }
        json entry = {{"area", {{"name", a.Name}, {"code", a.Code}}},
                      {"weatherCodes", codes},
                      {"weathers", weathers},
                      {"winds", winds}};
        // An area without sea has no waves, as 岐阜 has none in the agency's answers.
        if (!Inland(a.Code))
            entry["waves"] = waves;
        textAreas.push_back(std::move(entry));
    }

    // The six-hour bands that have not begun yet.
    struct Band {
        TDateTime day;
        int band;
    };
    std::vector<Band> bands;
    for (int b = base == 5 ? 1 : base == 11 ? 2 : 3; b < 4; ++b)
        bands.push_back({date, b});
    for (int b = 0; b < 4; ++b)
        bands.push_back({date + 1, b});
    json bandTimes = json::array();
    for (const Band& b : bands)
        bandTimes.push_back(Stamp(b.day, 6 * b.band));
    json bandAreas = json::array();
    for (const Area& a : office.Areas) {
        json pops = json::array();
        for (const Band& b : bands)
            pops.push_back(std::to_string(pop(a.Code, b.day, b.band)));
        bandAreas.push_back({{"area", {{"name", a.Name}, {"code", a.Code}}}, {"pops", pops}});
    }

    // Temperatures: today's daytime and whole-day maxima and tomorrow's minimum and maximum in
    // the morning reports, tomorrow's alone in the evening one.
    json pointTimes =
        base == 17
            ? json::array({Stamp(date + 1, 0), Stamp(date + 1, 9)})
            : json::array({Stamp(date, 9), Stamp(date, 0), Stamp(date + 1, 0), Stamp(date + 1, 9)});
    json pointAreas = json::array();
    for (const Area& a : office.Areas)
        for (std::size_t i = 0; i < a.Points.size(); ++i) {
            const std::string& p = a.Points[i];
            const std::string name = i == 0 ? a.Name : a.Name + std::to_string(i + 1);
            json temps = json::array();
            if (base != 17) {
                const int daytime = maxTemp(p, date);
                temps.push_back(std::to_string(daytime));
                temps.push_back(std::to_string(daytime + (Hash(p, date, 6) % 8 == 0 ? 1 : 0)));
            }
            temps.push_back(std::to_string(minTemp(p, date + 1)));
            temps.push_back(std::to_string(maxTemp(p, date + 1)));
            pointAreas.push_back({{"area", {{"name", name}, {"code", p}}}, {"temps", temps}});
        }

    json shortTerm = {{"publishingOffice", office.PublishingOffice},
                      {"reportDatetime", Stamp(date, base)},
                      {"timeSeries",
                       {{{"timeDefines", textTimes}, {"areas", textAreas}},
                        {{"timeDefines", bandTimes}, {"areas", bandAreas}},
                        {{"timeDefines", pointTimes}, {"areas", pointAreas}}}}};

    // The week: the 05 o'clock answer carries the evening report of the day before, from its
    // tomorrow on. Weekly areas are the areas themselves for some offices and one area under
    // the office's code for others (an office that holds another's areas keeps that one's own).
    const TDateTime weekDate = base == 5 ? date - 1 : date;
    const int weekBase = base == 5 ? 17 : base;
    struct WeekArea {
        std::string Code;
        std::string Name;
        const Area* Weather; // whose weather it has
    };
    std::vector<WeekArea> weekAreas;
    std::vector<const Area*> weekPoints;
    const bool byArea = office.Areas.size() == 1 || HashText(office.Code) % 2 == 0;
    for (const Area& a : office.Areas) {
        const bool folded = HostOf(a.Code) != nullptr;
        if (byArea || folded || weekAreas.empty()) {
            weekAreas.push_back({byArea || folded ? a.Code : office.Code, a.Name, &a});
            if (!a.Points.empty())
                weekPoints.push_back(&a);
        }
    }
    json weekTimes = json::array();
    for (int k = 1; k <= 7; ++k)
        weekTimes.push_back(Stamp(weekDate + k, 0));
    json weekAreaJson = json::array();
    for (const WeekArea& w : weekAreas) {
        json codes = json::array(), pops = json::array(), reliabilities = json::array();
        for (int k = 1; k <= 7; ++k) {
            const TDateTime day = weekDate + k;
            codes.push_back(std::to_string(code(w.Weather->Code, day)));
            // The first day is the short-term part's.
            int highest = 0;
            for (int b = 0; b < 4; ++b)
                highest = std::max(highest, pop(w.Weather->Code, day, b));
            pops.push_back(k == 1 ? std::string() : std::to_string(highest));
            reliabilities.push_back(k <= 2 ? std::string()
                                           : std::string(1, "ABC"[Hash(w.Code, day, 7) % 3]));
        }
        weekAreaJson.push_back({{"area", {{"name", w.Name}, {"code", w.Code}}},
                                {"weatherCodes", codes},
                                {"pops", pops},
                                {"reliabilities", reliabilities}});
    }
    json weekPointJson = json::array(), averages = json::array(), precipitation = json::array();
    for (const Area* a : weekPoints) {
        const std::string& p = a->Points.front();
        json values[6];
        for (int k = 1; k <= 7; ++k) {
            const TDateTime day = weekDate + k;
            const int low = minTemp(p, day), high = maxTemp(p, day);
            const int spread = 1 + k / 3;
            const int figures[6] = {low,  low + spread,  low - spread,
                                    high, high + spread, high - spread};
            for (int f = 0; f < 6; ++f)
                values[f].push_back(k == 1 ? std::string() : std::to_string(figures[f]));
        }
        const json area = {{"name", a->Name}, {"code", p}};
        weekPointJson.push_back({{"area", area},
                                 {"tempsMin", values[0]},
                                 {"tempsMinUpper", values[1]},
                                 {"tempsMinLower", values[2]},
                                 {"tempsMax", values[3]},
                                 {"tempsMaxUpper", values[4]},
                                 {"tempsMaxLower", values[5]}});
        const int month = DecodeDate(weekDate + 1).Month;
        averages.push_back(
            {{"area", area},
             {"min", std::to_string(kNormalMin[month - 1] + Shift(office.Prefecture)) + ".0"},
             {"max", std::to_string(kNormalMax[month - 1] + Shift(office.Prefecture)) + ".0"}});
        precipitation.push_back({{"area", area}, {"min", "0.0"}, {"max", "12.5"}});
    }
    json weekly = {{"publishingOffice", office.PublishingOffice},
                   {"reportDatetime", Stamp(weekDate, weekBase)},
                   {"timeSeries",
                    {{{"timeDefines", weekTimes}, {"areas", weekAreaJson}},
                     {{"timeDefines", weekTimes}, {"areas", weekPointJson}}}},
                   {"tempAverage", {{"areas", averages}}},
                   {"precipAverage", {{"areas", precipitation}}}};

    // One compact line, as the agency serves it.
    return json::array({shortTerm, weekly}).dump();
}

std::string TSampleJma::Overview(std::string_view officeCode, int hour) const {
    const auto found = overviewOffices_.find(officeCode);
    if (found == overviewOffices_.end())
        return {};
    const OverviewOffice& office = found->second;
    const auto [date, base] = ReportAt(today_, hour);
    const std::string area = office.Class10s.empty() ? std::string(officeCode) : office.Class10s[0];
    // The agency writes the day of the month in full-width digits.
    const auto dayOfMonth = [](TDateTime day) {
        constexpr std::array<const char*, 10> wide = {"０", "１", "２", "３", "４",
                                                      "５", "６", "７", "８", "９"};
        std::string out;
        for (const char c : std::to_string(DecodeDate(day).Day))
            out += wide[static_cast<std::size_t>(c - '0')];
        return out;
    };
    // "くもり　時々　晴れ" as a sentence: "くもり時々晴れ".
    const auto sky = [&](TDateTime day) {
        std::string words = LongText(CodeOf(area, day));
        for (std::size_t at = words.find("　"); at != std::string::npos; at = words.find("　"))
            words.erase(at, std::string_view("　").size());
        return words;
    };
    std::string text = "　" + office.Name + "は、" + sky(date) + "となっています。";
    for (const TDateTime day : {date, date + 1})
        text +=
            "\n\n　" + dayOfMonth(day) + "日の" + office.Name + "は、" + sky(day) + "でしょう。";
    std::string headline;
    const int today = CodeOf(area, date);
    if (Wet(today))
        headline = office.Name + "では、" + dayOfMonth(date) + "日は" +
                   (LongText(today).find("雪") != std::string::npos ? "雪" : "雨") +
                   "の降る所があるでしょう。";
    const CalendarDate c = DecodeDate(date);
    char written[32];
    std::snprintf(written, sizeof written, "%04d-%02d-%02dT%02d:30:00+09:00", c.Year, c.Month,
                  c.Day, base - 1);
    const json overview = {{"publishingOffice", office.PublishingOffice},
                           {"reportDatetime", written},
                           {"targetArea", office.Name},
                           {"headlineText", headline},
                           {"text", text}};
    return overview.dump();
}

std::string TSampleJma::Series(std::string_view class10, int hour) const {
    const Office* office = nullptr;
    const Area* area = nullptr;
    for (const auto& [code, o] : offices_)
        for (const Area& a : o.Areas)
            if (a.Code == class10 && area == nullptr) {
                office = &o;
                area = &a;
            }
    if (area == nullptr)
        return {};
    const auto [date, base] = ReportAt(today_, hour);
    // From the first three-hour period after the report to the end of tomorrow (of the day after
    // for the evening report, so that the night still finds its next day).
    const int first = (base + 2) / 3 * 3;
    const int last = 24 * (base == 17 ? 2 : 1) + 21;
    json periods = json::array(), words = json::array(), winds = json::array();
    json instants = json::array(), temps = json::array(), maxima = json::array(),
         minima = json::array();
    const std::string point = area->Points.empty() ? area->Code : area->Points.front();
    for (int h = first; h <= last + 3; h += 3) {
        const TDateTime day = date + h / 24;
        const int hourOfDay = h % 24;
        instants.push_back({{"dateTime", Stamp(day, hourOfDay)}});
        const int coolest = MinTempOf(office->Prefecture, point, day);
        const int warmest = MaxTempOf(office->Prefecture, point, day);
        const int low = std::min(coolest, warmest), high = std::max(coolest, warmest);
        temps.push_back(
            static_cast<int>(std::lround(low + (high - low) * kDayCurve[hourOfDay / 3])));
        maxima.push_back(hourOfDay >= 9 && hourOfDay <= 18 ? json(high) : json(""));
        minima.push_back(hourOfDay <= 9 && hourOfDay != 0 ? json(low) : json(""));
        if (h > last)
            continue;
        periods.push_back({{"dateTime", Stamp(day, hourOfDay)}, {"duration", "PT3H"}});
        words.push_back(PeriodWord(CodeOf(area->Code, day), hourOfDay,
                                   Hash(area->Code, day, 20 + static_cast<std::uint64_t>(h))));
        winds.push_back({{"direction", Hash(area->Code, day, 30) % 2 ? "北" : "南"},
                         {"speed", 2},
                         {"range", "3 5"}});
    }
    const json series = {
        {"firstAreaCode", area->Code},
        {"publishingOffice", office->PublishingOffice},
        {"reportDateTime", Stamp(date, base)},
        {"infoType", "発表"},
        {"areaTimeSeries", {{"timeDefines", periods}, {"weather", words}, {"wind", winds}}},
        {"pointTimeSeries",
         {{"pointNameJP", area->Name},
          {"pointNameEN", "Sample " + point},
          {"timeDefines", instants},
          {"temperature", temps},
          {"maxTemperature", maxima},
          {"minTemperature", minima}}}};
    return series.dump();
}
