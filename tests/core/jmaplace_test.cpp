// The agency's places: the constants read, every place of the list resolved against the real
// ones, and the constants kept in the cache folder (age, failed writes, a second chance).
#include "platform/Cache.h"
#include "support/FakeHttpClient.h"
#include "support/TempDir.h"
#include "weather/LocationList.h"
#include "weather/jma/JmaAreas.h"
#include "weather/jma/JmaPlace.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utime.h>

namespace {

constexpr const char* kPrefix = "http://127.0.0.1:9/bosai/";

// The real constants: area.json of 2026, forecast_area.json of 2022 and a few stations of a real
// amedastable.json.
struct RealConstants {
    std::string area = ReadAll(TestData("jma/area.json"));
    std::string forecastArea = ReadAll(TestData("jma/forecast_area.json"));
    std::string amedas = ReadAll(TestData("jma/amedastable-excerpt.json"));

    TJmaConstants Read() const {
        TJmaConstants c;
        EXPECT_TRUE(ReadJmaAreas(area, c));
        EXPECT_TRUE(ReadJmaForecastAreas(forecastArea, c));
        EXPECT_TRUE(ReadAmedasTable(amedas, c));
        return c;
    }
    // The agency's site holding them.
    void Serve(FakeHttpClient& client) const {
        client.Pages[std::string(kPrefix) + "common/const/area.json"] = area;
        client.Pages[std::string(kPrefix) + "forecast/const/forecast_area.json"] = forecastArea;
        client.Pages[std::string(kPrefix) + "amedas/const/amedastable.json"] = amedas;
    }
};

const RealConstants& Real() {
    static const RealConstants real;
    return real;
}

TCoordinates At(double latDegrees, double latMinutes, double lonDegrees, double lonMinutes) {
    return {latDegrees + latMinutes / 60.0, lonDegrees + lonMinutes / 60.0};
}

std::string Describe(const TJmaPlaceResult& r) {
    std::ostringstream out;
    out << "result " << static_cast<int>(r.Result) << " office " << r.Place.Office << " class10 "
        << r.Place.Class10 << " class20 " << r.Place.Class20 << " station " << r.Place.Station;
    if (r.Place.Coordinates)
        out << " at " << r.Place.Coordinates->Latitude << "," << r.Place.Coordinates->Longitude;
    if (!r.Problem.empty())
        out << " problem " << r.Problem;
    return out.str();
}

// Sets a file's modification time `seconds` before now (negative: after).
void Age(const std::string& path, std::int64_t seconds) {
    const std::time_t when = std::time(nullptr) - static_cast<std::time_t>(seconds);
    utimbuf times{when, when};
    ASSERT_EQ(utime(path.c_str(), &times), 0) << path;
}

constexpr std::int64_t kDay = 24 * 60 * 60;

// Files of this process may not grow beyond `bytes` while it lives: a write past it fails as on
// a full disk (whatever the user's rights).
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*signal_)(int) = SIG_DFL;
};

} // namespace

TEST(JmaPlace, PrefectureCodesRunInTheAgencysOrder) {
    EXPECT_EQ(JmaPrefectureCode("北海道"), "01");
    EXPECT_EQ(JmaPrefectureCode("東京都"), "13");
    EXPECT_EQ(JmaPrefectureCode("京都府"), "26");
    EXPECT_EQ(JmaPrefectureCode("沖縄県"), "47");
    for (const char* other : {"", "東京", "京都", "東京都 ", "北海道,", "Tokyo"})
        EXPECT_EQ(JmaPrefectureCode(other), "") << other;
    for (int n = 1; n <= 47; ++n) {
        const std::string code = (n < 10 ? "0" : "") + std::to_string(n);
        EXPECT_EQ(JmaPrefectureCode(JmaPrefectureName(code)), code);
    }
    for (const char* other : {"00", "48", "1", "013", "ab", ""})
        EXPECT_EQ(JmaPrefectureName(other), "") << other;
}

TEST(JmaPlace, EveryPlaceOfTheListResolvesAgainstTheRealConstants) {
    const TJmaConstants constants = Real().Read();
    const auto entries = ReadLocationFile(std::string(PELUMI_SOURCE_DIR) + "/data/urls.list");
    ASSERT_EQ(entries.size(), 500u);
    std::set<std::string> offices;
    for (const TLocationEntry& e : entries) {
        const TJmaPlaceResult r = ResolveJmaPlace(constants, e[1], e[2]);
        ASSERT_EQ(r.Result, TJmaLookup::Found) << e[1] << e[2];
        // The municipality itself, or the first part of a split one, in its own prefecture.
        const auto class20 = constants.Class20s.find(r.Place.Class20);
        ASSERT_NE(class20, constants.Class20s.end()) << e[2];
        EXPECT_TRUE(class20->second.Name.starts_with(e[2])) << e[2] << " " << class20->second.Name;
        EXPECT_EQ(r.Place.Class20.substr(0, 2), JmaPrefectureCode(e[1])) << e[2];
        // The class10 above it, and a station that the forecast lists for that class10.
        const auto class15 = constants.Class15s.find(class20->second.Parent);
        ASSERT_NE(class15, constants.Class15s.end()) << e[2];
        EXPECT_EQ(r.Place.Class10, class15->second.Parent) << e[2];
        EXPECT_EQ(r.Place.Station, constants.Class10Stations.at(r.Place.Class10)) << e[2];
        EXPECT_EQ(r.Place.Station.size(), 5u) << e[2];
        // Only offices that have a forecast file of their own.
        EXPECT_NE(r.Place.Office, "014030") << e[2];
        EXPECT_NE(r.Place.Office, "460040") << e[2];
        offices.insert(r.Place.Office);
    }
    // Every office with a forecast file but one (the Daito Islands have no municipality of
    // the list).
    EXPECT_EQ(offices.size(), 55u);
}

TEST(JmaPlace, SpecialPlacesResolveAsTheAgencyFilesThem) {
    const TJmaConstants constants = Real().Read();
    struct Case {
        const char* prefecture;
        const char* municipality;
        TJmaPlaceResult expected;
    };
    const auto found = [](const char* office, const char* class10, const char* class20,
                          const char* station, std::optional<TCoordinates> at) {
        return TJmaPlaceResult{TJmaLookup::Found, {office, class10, class20, station, at}, ""};
    };
    const TJmaPlaceResult notFound{TJmaLookup::NotFound, {}, ""};
    const Case cases[] = {
        // Named exactly.
        {"北海道", "札幌市", found("016000", "016010", "0110000", "14163", At(43, 3.6, 141, 19.7))},
        // Split cities: the first part by code.
        {"北海道", "釧路市",
         found("014100", "014020", "0120601", "19432", At(42, 59.1, 144, 22.6))},
        {"宮城県", "仙台市", found("040000", "040010", "0410001", "34392", std::nullopt)},
        // Offices without a forecast file of their own: their class10s are in another's.
        {"北海道", "帯広市",
         found("014100", "014030", "0120700", "20432", At(42, 55.3, 143, 12.7))},
        {"鹿児島県", "奄美市", found("460100", "460040", "4622200", "88836", std::nullopt)},
        // A class15 with its class10's code, an office with its class10's code.
        {"埼玉県", "秩父市", found("110000", "110030", "1120700", "43156", std::nullopt)},
        {"大阪府", "大阪市", found("270000", "270000", "2710000", "62078", std::nullopt)},
        // Namesakes: the prefecture decides, even over an exact name elsewhere.
        {"北海道", "伊達市",
         found("015000", "015010", "0123301", "21323", At(42, 18.7, 140, 58.5))},
        {"福島県", "伊達市", found("070000", "070010", "0721300", "36127", std::nullopt)},
        {"東京都", "府中市", found("130000", "130010", "1320600", "44132", std::nullopt)},
        {"広島県", "府中市", found("340000", "340010", "3420800", "67437", std::nullopt)},
        // The 2022 constants name 高知's station 74181; the table has it as 74182 since: the
        // place stands, without coordinates.
        {"高知県", "高知市", found("390000", "390010", "3920100", "74181", std::nullopt)},
        // Not there.
        {"東京都", "存在しない市", notFound},
        {"東京都", "伊達市", notFound},
        {"宮城県", "札幌", notFound},
        {"東京", "千代田区", notFound},
        {"北海道", "", notFound},
        {"", "札幌市", notFound},
    };
    for (const Case& c : cases) {
        const TJmaPlaceResult r = ResolveJmaPlace(constants, c.prefecture, c.municipality);
        EXPECT_EQ(r.Result, c.expected.Result) << c.prefecture << c.municipality;
        EXPECT_EQ(r.Place, c.expected.Place)
            << c.prefecture << c.municipality << ": " << Describe(r);
    }
}

TEST(JmaPlace, ABrokenChainFindsNothing) {
    // Each link looked up in its own table: a code that stands only at another level is no link.
    const std::string area = R"({"offices":{"130000":{"name":"東京都","parent":"010300"}},
        "class10s":{"130010":{"name":"東京地方","parent":"130000"},
                    "130020":{"name":"伊豆諸島北部","parent":"999999"}},
        "class15s":{"130011":{"name":"23区西部","parent":"130010"},
                    "130021":{"name":"大島","parent":"130020"},
                    "130031":{"name":"新島","parent":"130011"}},
        "class20s":{"1310100":{"name":"千代田区","parent":"130011"},
                    "1336100":{"name":"大島町","parent":"130021"},
                    "1336300":{"name":"新島村","parent":"130031"},
                    "1310200":{"name":"中央区","parent":"130010"}}})";
    TJmaConstants c;
    ASSERT_TRUE(ReadJmaAreas(area, c));
    EXPECT_EQ(ResolveJmaPlace(c, "東京都", "千代田区").Place,
              (TJmaPlace{"130000", "130010", "1310100", "", std::nullopt}));
    for (const char* name : {"大島町", "新島村", "中央区"})
        EXPECT_EQ(ResolveJmaPlace(c, "東京都", name).Result, TJmaLookup::NotFound) << name;
}

TEST(JmaPlace, DamagedConstantsReadAsNothingOrLoseOnlyTheirBadEntries) {
    struct Case {
        const char* text;
        bool area, forecastArea, amedas;
    };
    const Case cases[] = {
        {"", false, false, false},
        {"<html>メンテナンス中</html>", false, false, false},
        {"[]", false, false, false},
        {"{}", false, false, false},
        {R"({"offices":{},"class10s":{},"class15s":{},"class20s":[]})", false, false, false},
        {R"({"offices":{},"class10s":{},"class15s":{},"class20s":{}})", false, false, false},
        {R"({"130000":[{"class10":"130010"}]})", false, true, false},
        {R"({"130000":{"class10":"130010"}})", false, false, false},
        {R"({"44132":{"lat":[35,41.5],"lon":[139,45]}})", false, false, true},
        {R"({"44132":{"lat":[35,60],"lon":[139,45]}})", false, false, false},
        {R"({"44132":{"lat":[91,0],"lon":[139,45]}})", false, false, false},
        {R"({"44132":{"lat":["35","41.5"],"lon":[139,45]}})", false, false, false},
        {R"({"44132":{"lat":[35,41.5,1],"lon":[139,45]}})", false, false, false},
        {R"({"a":[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]})", false, false, false},
    };
    for (const Case& c : cases) {
        TJmaConstants into = Real().Read();
        EXPECT_EQ(ReadJmaAreas(c.text, into), c.area) << c.text;
        EXPECT_EQ(ReadJmaForecastAreas(c.text, into), c.forecastArea) << c.text;
        EXPECT_EQ(ReadAmedasTable(c.text, into), c.amedas) << c.text;
        // Whatever was read before is replaced, never mixed in.
        EXPECT_EQ(into.Class20s.empty(), !c.area) << c.text;
        EXPECT_LE(into.Class10Stations.size(), 1u) << c.text;
        EXPECT_LE(into.Stations.size(), 1u) << c.text;
    }

    // Entries of the wrong type are passed over; the first listing of a class10 stands.
    TJmaConstants c;
    ASSERT_TRUE(ReadJmaForecastAreas(R"({"130000":[{"class10":"130010","amedas":["44132","x"]},
        {"class10":130020,"amedas":["44172"]}, {"class10":"130030"}, 5,
        {"class10":"130040","amedas":[]}], "460040":[{"class10":"130010","amedas":["1"]}],
        "x":"y"})",
                                     c));
    EXPECT_EQ(c.Class10Stations, (std::map<std::string, std::string, std::less<>>{
                                     {"130010", "44132"}, {"130030", ""}, {"130040", ""}}));
    ASSERT_TRUE(ReadAmedasTable(R"({"44132":{"lat":[35,41.5],"lon":[139,45]},
        "44116":{"lat":[35,41.5]}, "44136":"x", "-1":{"lat":[-33,52.5],"lon":[-151,12.6]}})",
                                c));
    EXPECT_EQ(c.Stations, (std::map<std::string, TCoordinates, std::less<>>{
                              {"-1", {-33 - 52.5 / 60.0, -151 - 12.6 / 60.0}},
                              {"44132", At(35, 41.5, 139, 45)}}));
}

namespace {

// A JSON object of `count` members "1000000", "1000001", ... each holding `value`.
std::string Members(std::size_t count, std::string_view value) {
    std::string text = "{";
    for (std::size_t i = 0; i < count; ++i)
        text += (i == 0 ? "\"" : ",\"") + std::to_string(1000000 + i) + "\":" + std::string(value);
    return text + "}";
}

// An area.json whose one municipality's chain is whole, with `extra` at one level.
std::string AreaJson(const char* level, std::size_t extra) {
    const std::map<std::string, std::string> levels = {
        {"offices", R"({"130000":{"name":"東京都"}})"},
        {"class10s", R"({"130010":{"name":"東京地方","parent":"130000"}})"},
        {"class15s", R"({"130011":{"name":"23区東部","parent":"130010"}})"},
        {"class20s", R"({"1310100":{"name":"千代田区","parent":"130011"}})"}};
    std::string text = "{";
    for (const auto& [key, value] : levels) {
        std::string members = value;
        if (key == level) {
            members = Members(extra, R"({"name":"x","parent":"130011"})");
            members.back() = ',';
            members += value.substr(1);
        }
        text += (text.size() > 1 ? ",\"" : "\"") + key + "\":" + members;
    }
    return text + "}";
}

} // namespace

// What the agency could not send is refused whole, with its reason: more bytes than any of its
// constants has by far, more entries at one level, a longer list of stations. The real files,
// and files at the bounds, are read.
TEST(JmaPlace, ConstantsBeyondWhatTheAgencySendsAreRefused) {
    using R = TJmaConstantRead;
    const std::string one = R"(["44132"])";
    std::string longList = "[\"0\"";
    for (std::size_t i = 1; i <= kMaxJmaStationList; ++i)
        longList += ",\"" + std::to_string(i) + "\"";
    longList += "]";
    const std::string station = R"({"lat":[35,41.5],"lon":[139,45],"kjName":"東京","elems":"1"})";
    enum File { Area, ForecastArea, Table, Class20List };
    struct Case {
        const char* what;
        File file;
        std::string text;
        R why;
    };
    const Case cases[] = {
        {"amedas_class20_list.json of 16 MB, 843,860 entries", Class20List, Members(843860, one),
         R::TooLarge},
        {"amedas_class20_list.json of 20,001 entries", Class20List,
         Members(kMaxJmaConstantEntries + 1, one), R::TooLarge},
        {"amedas_class20_list.json of 20,000 entries", Class20List,
         Members(kMaxJmaConstantEntries, one), R::Read},
        {"a municipality listing 65 stations", Class20List, R"({"1310100":)" + longList + "}",
         R::TooLarge},
        {"the real amedas_class20_list.json", Class20List,
         ReadAll(TestData("jma/amedas/amedas_class20_list-2022-02-24.json")), R::Read},
        {"area.json of 14.5 MB", Area, AreaJson("class20s", 355000), R::TooLarge},
        {"area.json with 20,001 municipalities", Area, AreaJson("class20s", kMaxJmaConstantEntries),
         R::TooLarge},
        {"area.json with 20,001 offices", Area, AreaJson("offices", kMaxJmaConstantEntries),
         R::TooLarge},
        {"area.json with 20,000 municipalities", Area,
         AreaJson("class20s", kMaxJmaConstantEntries - 1), R::Read},
        {"the real area.json", Area, Real().area, R::Read},
        {"amedastable.json of 20,001 stations", Table, Members(kMaxJmaConstantEntries + 1, station),
         R::TooLarge},
        {"the real amedastable.json", Table,
         ReadAll(TestData("jma/amedas/amedastable-2026-04-14.json")), R::Read},
        {"forecast_area.json of 20,001 areas", ForecastArea,
         R"({"130000":[)" +
             [] {
                 std::string areas = R"({"class10":"130010"})";
                 for (std::size_t i = 0; i < kMaxJmaConstantEntries; ++i)
                     areas += R"(,{"class10":"1)" + std::to_string(i) + "\"}";
                 return areas;
             }() +
             "]}",
         R::TooLarge},
        {"a forecast area listing 65 stations", ForecastArea,
         R"({"130000":[{"class10":"130010","amedas":)" + longList + "}]}", R::TooLarge},
        {"the real forecast_area.json", ForecastArea, Real().forecastArea, R::Read},
        {"no constant at all", Area, "<html>", R::NotTheFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TJmaConstants into = Real().Read();
        ASSERT_TRUE(ReadAmedasClass20List(R"({"1310100":["44132"]})", into));
        R why = R::Read;
        bool read = false;
        std::size_t held = 0;
        switch (c.file) {
        case Area:
            read = ReadJmaAreas(c.text, into, &why);
            held = into.Offices.size() + into.Class20s.size();
            EXPECT_EQ(ReadJmaMunicipalities(c.text).empty(), c.why != R::Read);
            break;
        case ForecastArea:
            read = ReadJmaForecastAreas(c.text, into, &why);
            held = into.Class10Stations.size() + into.Class10StationLists.size();
            break;
        case Table:
            read = ReadAmedasTable(c.text, into, &why);
            held = into.Stations.size() + into.StationInfo.size();
            break;
        case Class20List:
            read = ReadAmedasClass20List(c.text, into, &why);
            held = into.Class20Stations.size();
            break;
        }
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(read, c.why == R::Read);
        // A refused file leaves its part empty.
        EXPECT_EQ(held == 0, c.why != R::Read);
    }
}

// The cache folder.

namespace {

class JmaPlaceCache : public ::testing::Test {
protected:
    TJmaPlaceResult LookUp(const char* prefecture, const char* municipality) {
        client.Requested.clear();
        return LookUpJmaPlace(client, kPrefix, dir.Path() + "/cache", prefecture, municipality);
    }
    std::string CacheFile(const char* name) const {
        return dir.File(std::string("cache/jma/") + name);
    }
    void AgeAll(std::int64_t seconds) {
        for (const char* name : {"area.json", "forecast_area.json", "amedastable.json"})
            Age(CacheFile(name), seconds);
    }
    static std::vector<std::string> Urls(std::initializer_list<const char*> paths) {
        std::vector<std::string> urls;
        for (const char* path : paths)
            urls.push_back(std::string(kPrefix) + path);
        return urls;
    }

    TempDir dir;
    FakeHttpClient client;
    const TJmaPlace sapporo{"016000", "016010", "0110000", "14163", At(43, 3.6, 141, 19.7)};
    const std::vector<std::string> all =
        Urls({"common/const/area.json", "forecast/const/forecast_area.json",
              "amedas/const/amedastable.json"});
};

} // namespace

TEST_F(JmaPlaceCache, DownloadsWhenFirstNeededAndThenReadsTheCopies) {
    Real().Serve(client);
    TJmaPlaceResult r = LookUp("北海道", "札幌市");
    EXPECT_EQ(r.Result, TJmaLookup::Found) << Describe(r);
    EXPECT_EQ(r.Place, sapporo) << Describe(r);
    EXPECT_EQ(r.Problem, "");
    EXPECT_EQ(client.Requested, all);
    EXPECT_EQ(client.Disconnects, 3);
    EXPECT_EQ(ReadAll(CacheFile("area.json")), Real().area);
    EXPECT_EQ(ReadAll(CacheFile("forecast_area.json")), Real().forecastArea);
    EXPECT_EQ(ReadAll(CacheFile("amedastable.json")), Real().amedas);

    // From the copies, even with the site gone.
    client.Pages.clear();
    r = LookUp("北海道", "帯広市");
    EXPECT_EQ(r.Place,
              (TJmaPlace{"014100", "014030", "0120700", "20432", At(42, 55.3, 143, 12.7)}));
    EXPECT_TRUE(client.Requested.empty());
    // A name that cannot resolve costs nothing.
    EXPECT_EQ(LookUp("東京", "千代田区").Result, TJmaLookup::NotFound);
    EXPECT_EQ(LookUp("北海道", "").Result, TJmaLookup::NotFound);
    EXPECT_TRUE(client.Requested.empty());
}

TEST_F(JmaPlaceCache, CopiesOlderThanThirtyDaysOrFromTheFutureAreFetchedAgain) {
    Real().Serve(client);
    ASSERT_EQ(LookUp("北海道", "札幌市").Result, TJmaLookup::Found);
    struct Case {
        std::int64_t age;
        bool fetched;
    };
    const Case cases[] = {{29 * kDay, false}, {30 * kDay - 60, false}, {30 * kDay + 60, true},
                          {400 * kDay, true}, {-kDay + 60, false},     {-2 * kDay, true}};
    for (const Case& c : cases) {
        AgeAll(c.age);
        const TJmaPlaceResult r = LookUp("北海道", "札幌市");
        EXPECT_EQ(r.Place, sapporo) << c.age;
        EXPECT_EQ(client.Requested, c.fetched ? all : std::vector<std::string>()) << c.age;
        // A fetched copy is new again.
        struct stat info {};
        ASSERT_EQ(stat(CacheFile("amedastable.json").c_str(), &info), 0);
        EXPECT_EQ(std::abs(std::time(nullptr) - info.st_mtime) < 60, c.fetched) << c.age;
    }

    // Only the old one of them.
    AgeAll(kDay);
    Age(CacheFile("forecast_area.json"), 31 * kDay);
    LookUp("北海道", "札幌市");
    EXPECT_EQ(client.Requested, Urls({"forecast/const/forecast_area.json"}));

    // A stale copy serves while the site cannot be reached, and is asked for again next time.
    client.Pages.clear();
    AgeAll(31 * kDay);
    TJmaPlaceResult r = LookUp("北海道", "札幌市");
    EXPECT_EQ(r.Result, TJmaLookup::Found);
    EXPECT_EQ(r.Place, sapporo);
    EXPECT_EQ(r.Problem, "");
    EXPECT_EQ(client.Requested, all);
    r = LookUp("北海道", "札幌市");
    EXPECT_EQ(client.Requested, all);
}

TEST_F(JmaPlaceCache, WhatIsNoConstantIsNeitherKeptNorUsed) {
    // A portal's page in place of the file: not kept, and with no copy there is no place.
    Real().Serve(client);
    client.Pages[all[1]] = "<html>ログインしてください</html>";
    TJmaPlaceResult r = LookUp("北海道", "札幌市");
    EXPECT_EQ(r.Result, TJmaLookup::Failed);
    EXPECT_EQ(r.Place, TJmaPlace{});
    EXPECT_EQ(r.Problem, "気象庁の定数 forecast/const/forecast_area.json を取得できません");
    EXPECT_FALSE(std::filesystem::exists(CacheFile("forecast_area.json")));
    EXPECT_EQ(ReadAll(CacheFile("area.json")), Real().area);
    EXPECT_EQ(client.Requested,
              Urls({"common/const/area.json", "forecast/const/forecast_area.json"}));

    // A damaged copy counts as missing: fetched again and replaced.
    Real().Serve(client);
    ASSERT_EQ(LookUp("北海道", "札幌市").Result, TJmaLookup::Found);
    const std::string cut = Real().area.substr(0, Real().area.size() / 2);
    dir.Write("cache/jma/area.json", cut);
    r = LookUp("北海道", "札幌市");
    EXPECT_EQ(r.Place, sapporo);
    EXPECT_EQ(client.Requested, Urls({"common/const/area.json"}));
    EXPECT_EQ(ReadAll(CacheFile("area.json")), Real().area);

    // Damaged and not to be had: no place, and the damaged copy is left for a later try.
    client.Pages.clear();
    dir.Write("cache/jma/area.json", cut);
    r = LookUp("北海道", "札幌市");
    EXPECT_EQ(r.Result, TJmaLookup::Failed);
    EXPECT_EQ(r.Problem, "気象庁の定数 common/const/area.json を取得できません");
}

TEST_F(JmaPlaceCache, AConstantTooLargeIsRefusedAndSaysSo) {
    // Downloaded: refused, not kept, and the problem says why.
    Real().Serve(client);
    client.Pages[all[0]] = AreaJson("class20s", kMaxJmaConstantEntries);
    TJmaPlaceResult r = LookUp("東京都", "千代田区");
    EXPECT_EQ(r.Result, TJmaLookup::Failed);
    EXPECT_EQ(r.Problem, "気象庁の定数 common/const/area.json は気象庁のものと思えないほど大きい"
                         "ため読みません");
    EXPECT_FALSE(std::filesystem::exists(CacheFile("area.json")));
    // Kept in the cache (14.5 MB): not read, the agency's file is fetched in its place.
    Real().Serve(client);
    dir.Write("cache/jma/area.json", AreaJson("class20s", 355000));
    r = LookUp("東京都", "千代田区");
    EXPECT_EQ(r.Result, TJmaLookup::Found);
    EXPECT_EQ(r.Place.Class20, "1310100");
    EXPECT_EQ(ReadAll(CacheFile("area.json")), Real().area);
    dir.Write("cache/jma/area.json", AreaJson("class20s", 355000));
    EXPECT_TRUE(CachedJmaMunicipalities(dir.Path() + "/cache").empty());
    // The station constants: a station list of 16 MB.
    client.Pages[std::string(kPrefix) + "amedas/const/amedas_class20_list.json"] =
        Members(843860, R"(["44132"])");
    TJmaConstants constants;
    std::string problem;
    EXPECT_FALSE(
        LoadJmaStationConstants(client, kPrefix, dir.Path() + "/cache", constants, problem));
    EXPECT_EQ(problem, "気象庁の定数 amedas/const/amedas_class20_list.json は気象庁のものと"
                       "思えないほど大きいため読みません");
    EXPECT_TRUE(constants.Class20Stations.empty());
}

TEST_F(JmaPlaceCache, ACacheThatCannotBeWrittenIsReportedAndTheDownloadStillServes) {
    Real().Serve(client);
    // A file where the cache folder belongs.
    dir.Write("cache", "not a folder");
    TJmaPlaceResult r = LookUp("北海道", "札幌市");
    EXPECT_EQ(r.Result, TJmaLookup::Found);
    EXPECT_EQ(r.Place, sapporo);
    EXPECT_NE(r.Problem.find("キャッシュのフォルダ " + dir.Path() + "/cache/jma/ を作成できません"),
              std::string::npos)
        << r.Problem;
    EXPECT_EQ(ReadAll(dir.File("cache")), "not a folder");
    // Nothing kept: every look-up downloads.
    r = LookUp("北海道", "帯広市");
    EXPECT_EQ(r.Result, TJmaLookup::Found);
    EXPECT_EQ(client.Requested, all);

    // A write that fails half-way (the disk full, here a file size limit) leaves the old copy
    // whole; the new download serves this time.
    std::filesystem::remove(dir.File("cache"));
    ASSERT_EQ(LookUp("北海道", "札幌市").Result, TJmaLookup::Found);
    std::string old = Real().area;
    old.replace(old.find("札幌市"), std::string_view("札幌市").size(), "旧札幌");
    dir.Write("cache/jma/area.json", old);
    AgeAll(31 * kDay);
    {
        FileSizeLimit limit(Real().area.size() / 2);
        r = LookUp("北海道", "札幌市");
    }
    EXPECT_EQ(r.Result, TJmaLookup::Found);
    EXPECT_EQ(r.Place, sapporo);
    EXPECT_NE(
        r.Problem.find("キャッシュのファイル " + CacheFile("area.json") + " に書き込めません"),
        std::string::npos)
        << r.Problem;
    EXPECT_EQ(ReadAll(CacheFile("area.json")), old);
    std::set<std::string> left;
    for (const auto& item : std::filesystem::directory_iterator(dir.File("cache/jma")))
        left.insert(item.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"area.json", "forecast_area.json", "amedastable.json"}));
}

TEST_F(JmaPlaceCache, APlaceMissingFromOlderCopiesFetchesTheAreasOnceMore) {
    // Copies of a day before 室蘭市 existed, say.
    Real().Serve(client);
    ASSERT_EQ(LookUp("北海道", "札幌市").Result, TJmaLookup::Found);
    std::string old = Real().area;
    const std::string muroran = "\"name\":\"室蘭市\"";
    ASSERT_NE(old.find(muroran), std::string::npos);
    old.replace(old.find(muroran), muroran.size(), "\"name\":\"旧室蘭\"");
    dir.Write("cache/jma/area.json", old);
    const TJmaPlace muroranPlace{"015000", "015010", "0120500", "21323", At(42, 18.7, 140, 58.5)};

    // Fetched within the day: not asked again.
    AgeAll(kDay - 600);
    TJmaPlaceResult r = LookUp("北海道", "室蘭市");
    EXPECT_EQ(r.Result, TJmaLookup::NotFound);
    EXPECT_TRUE(client.Requested.empty());

    // Older: area.json and forecast_area.json once more, and the place is there.
    AgeAll(2 * kDay);
    r = LookUp("北海道", "室蘭市");
    EXPECT_EQ(r.Result, TJmaLookup::Found);
    EXPECT_EQ(r.Place, muroranPlace) << Describe(r);
    EXPECT_EQ(client.Requested,
              Urls({"common/const/area.json", "forecast/const/forecast_area.json"}));
    EXPECT_EQ(ReadAll(CacheFile("area.json")), Real().area);

    // A place that is in no copy: asked once, then the fresh copies answer.
    AgeAll(2 * kDay);
    r = LookUp("北海道", "存在しない町");
    EXPECT_EQ(r.Result, TJmaLookup::NotFound);
    EXPECT_EQ(client.Requested.size(), 2u);
    r = LookUp("北海道", "存在しない町");
    EXPECT_EQ(r.Result, TJmaLookup::NotFound);
    EXPECT_TRUE(client.Requested.empty());

    // When the second look cannot be had, the place is not known to be missing.
    client.Pages.clear();
    dir.Write("cache/jma/area.json", old);
    AgeAll(2 * kDay);
    r = LookUp("北海道", "室蘭市");
    EXPECT_EQ(r.Result, TJmaLookup::Failed);
    EXPECT_EQ(r.Place, TJmaPlace{});
    EXPECT_EQ(client.Requested.size(), 2u);
}

TEST(JmaPlaceNoCache, AnEmptyCacheFolderKeepsNothing) {
    FakeHttpClient client;
    Real().Serve(client);
    TempDir dir;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const TJmaPlaceResult first = LookUpJmaPlace(client, kPrefix, "", "北海道", "札幌市");
    const TJmaPlaceResult second = LookUpJmaPlace(client, kPrefix, "", "北海道", "札幌市");
    std::filesystem::current_path(before);
    EXPECT_EQ(first.Result, TJmaLookup::Found);
    EXPECT_EQ(second.Place, first.Place);
    EXPECT_EQ(client.Requested.size(), 6u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}
