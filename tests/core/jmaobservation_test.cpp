#include "weather/jma/JmaObservation.h"

#include "platform/Clock.h"
#include "support/FakeHttpClient.h"
#include "support/TempDir.h"
#include "weather/KeptForecast.h"
#include "weather/Observation.h"
#include "weather/RecordJson.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>
#include <thread>

namespace {

using json = nlohmann::json;

std::string Amedas(std::string_view name) {
    return ReadAll(TestData("jma/amedas/" + std::string(name)));
}

// The agency's real block of 東京 (06:00 ... 08:40 on 2026-10-04) and its latest time.
std::string RealBlock() {
    return Amedas("point-44132-20261004_06.json");
}
std::string RealLatestTime() {
    return Amedas("latest_time-2026-10-04T0840.txt");
}
std::int64_t At(const char* japanTime) {
    return *JapanTimeSeconds(japanTime);
}

// The real block with its 08:40 record changed by `edit`.
std::string EditedBlock(const std::function<void(json&)>& edit) {
    json block = json::parse(RealBlock());
    edit(block["20261004084000"]);
    return block.dump();
}

const TJmaConstants& RealConstants() {
    static const TJmaConstants constants = [] {
        TJmaConstants c;
        EXPECT_TRUE(ReadJmaForecastAreas(ReadAll(TestData("jma/forecast_area.json")), c));
        EXPECT_TRUE(ReadAmedasTable(Amedas("amedastable-2026-04-14.json"), c));
        EXPECT_TRUE(ReadAmedasClass20List(Amedas("amedas_class20_list-2022-02-24.json"), c));
        return c;
    }();
    return constants;
}

} // namespace

TEST(JapanTime, TextAndSecondsRoundTripAndRefuseWhatIsNoTime) {
    EXPECT_EQ(JapanTimeText(0), "1970-01-01T09:00");
    EXPECT_EQ(At("2026-10-04T08:40"), 1791070800);
    EXPECT_EQ(JapanTimeText(At("2024-02-29T23:50")), "2024-02-29T23:50");
    for (const char* bad : {"", "2026-02-30T10:00", "2026-10-04T24:00", "2026-10-04 08:40",
                            "2026-10-04T08:40:00", "2026-13-01T00:00", "２026-10-04T08:40"})
        EXPECT_FALSE(JapanTimeSeconds(bad)) << bad;
}

// A time with its zone is the instant it names; without one it is Japan's.
TEST(JapanTime, ATimeWithItsZoneIsAnInstant) {
    const std::int64_t noon = At("2026-10-04T12:00");
    const std::pair<const char*, std::int64_t> good[] = {
        {"2026-10-04T12:00:00+09:00", noon}, {"2026-10-04T03:00:00Z", noon},
        {"2026-10-03T15:00:00-12:00", noon}, {"2026-10-04T08:30:00+05:30", noon},
        {"2026-10-04T03:00:00.250Z", noon},  {"2026-10-04T12:00", noon},
        {"2026-10-04T12:00:59", noon + 59},  {"2026-10-04T12:00+09:00", noon},
        {"2026-10-04T17:00:00+14:00", noon}, {"9999-12-31T23:59:59Z", 253402300799},
    };
    for (const auto& [text, at] : good)
        EXPECT_EQ(ZonedTimeSeconds(text), std::optional<std::int64_t>(at)) << text;
    for (const char* bad :
         {"", "2026-10-04T12:00:00+9:00", "2026-10-04T12:00:00+09:60", "2026-10-04T12:00:00+19:00",
          "2026-10-04T12:00:00Zjunk", "2026-10-04T12:00:0Z", "2026-10-04T12:00:00.Z",
          "2026-10-04T12:00:00+0900", "2026-10-04T12:00:00 +09:00", "2026-13-04T12:00:00Z",
          "2026-10-04T12:00:61Z", " 2026-10-04T12:00:00Z", "2026-10-04T12:00:00z"})
        EXPECT_FALSE(ZonedTimeSeconds(bad)) << bad;
}

TEST(JapanTime, AnObservationIsNowForAnHourOnly) {
    TObservation now;
    now.Time = "2026-10-04T08:40";
    const std::int64_t at = At("2026-10-04T08:40");
    EXPECT_TRUE(IsCurrentObservation(now, at + 60 * 60));
    EXPECT_FALSE(IsCurrentObservation(now, at + 60 * 60 + 1));
    EXPECT_TRUE(IsCurrentObservation(now, at - 10 * 60)); // a clock a little behind
    EXPECT_FALSE(IsCurrentObservation(TObservation{}, at));
}

TEST(AmedasStation, ChosenByNameThenTemperatureThenTheClass10) {
    struct Case {
        const char* class20;
        const char* class10;
        const char* municipality;
        const char* number; // "" for none
        const char* name;
    };
    const Case cases[] = {
        // 札幌 begins 札幌市 although 山口 is listed first.
        {"0110000", "016010", "札幌市", "14163", "札幌"},
        {"1320600", "130010", "府中市", "44116", "府中"},
        // 呉市蒲刈 does not begin 呉市; 呉 does, after 倉橋 (no temperature).
        {"3420200", "340010", "呉市", "67511", "呉"},
        // No name matches: the first that observes temperature.
        {"1310100", "130010", "千代田区", "44132", "東京"},
        // 手稲山 and 小金湯 observe no temperature: 山口 is the first that does.
        {"0110000", "016010", "どこか", "14116", "山口"},
        // A municipality the list does not name: its class10's stations.
        {"9999999", "130010", "千代田区", "44132", "東京"},
        {"9999999", "999999", "千代田区", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.municipality);
        TJmaPlace place;
        place.Class20 = c.class20;
        place.Class10 = c.class10;
        const auto station = ChooseAmedasStation(RealConstants(), place, c.municipality);
        if (*c.number == '\0') {
            EXPECT_FALSE(station);
            continue;
        }
        ASSERT_TRUE(station);
        EXPECT_EQ(*station, (TAmedasStation{c.number, c.name}));
    }
}

TEST(AmedasStation, ANumberTheTableDoesNotKnowIsSkipped) {
    TJmaConstants c;
    c.StationInfo = {{"44132", {"東京", true}}, {"44116", {"府中", true}}};
    c.Class20Stations = {{"1320600", {"74181", "44132"}}, {"0000001", {"74181"}}};
    c.Class10StationLists = {{"130010", {"74181", "44116"}}};
    TJmaPlace place{"130000", "130010", "1320600", "", std::nullopt};
    EXPECT_EQ(ChooseAmedasStation(c, place, "府中市"), (TAmedasStation{"44132", "東京"}));
    // A list of unknown numbers only falls through to the class10.
    place.Class20 = "0000001";
    EXPECT_EQ(ChooseAmedasStation(c, place, "府中市"), (TAmedasStation{"44116", "府中"}));
}

TEST(AmedasPoint, TheRecordOfTheLatestTimeElseTheNewestBefore) {
    ASSERT_EQ(ReadAmedasLatestTime(RealLatestTime()), At("2026-10-04T08:40"));
    auto now = ReadAmedasPoint(RealBlock(), At("2026-10-04T08:40"), "東京");
    ASSERT_TRUE(now);
    TObservation expected{"2026-10-04T08:40", "東京", 19.7, 0.0, 2.0, "北北東", 71.0};
    EXPECT_EQ(*now, expected);
    // Between two records, and before the first.
    now = ReadAmedasPoint(RealBlock(), At("2026-10-04T08:35"), "東京");
    ASSERT_TRUE(now);
    EXPECT_EQ(now->Time, "2026-10-04T08:30");
    EXPECT_FALSE(ReadAmedasPoint(RealBlock(), At("2026-10-04T05:50"), "東京"));
    for (const char* bad : {"", "[]", "{\"2026\":{}}", "not json"})
        EXPECT_FALSE(ReadAmedasPoint(bad, At("2026-10-04T08:40"), "東京")) << bad;
    for (const char* bad :
         {"2026-10-04T08:40:00+00:00", "2026-10-04T08:40:00Z", "2026-10-04T08:40", ""})
        EXPECT_FALSE(ReadAmedasLatestTime(bad)) << bad;
}

TEST(AmedasPoint, OnlyTheFlagsZeroAndOneAreShown) {
    struct Case {
        const char* temp; // the pair as JSON; nullptr: the key is left out
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"[12.5, 0]", 12.5},           {"[12.5, 1]", 12.5},         {"[-3.1, 0]", -3.1},
        {"[null, 6]", std::nullopt},   {"[null, 5]", std::nullopt}, {"[162, 5]", std::nullopt},
        {"[0, 6]", std::nullopt},      {"[3.0, 4]", std::nullopt},  {"[0, null]", std::nullopt},
        {"[\"12\", 0]", std::nullopt}, {"[12.5]", std::nullopt},    {"12.5", std::nullopt},
        {nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.temp ? c.temp : "missing");
        const std::string block = EditedBlock([&](json& record) {
            if (c.temp)
                record["temp"] = json::parse(c.temp);
            else
                record.erase("temp");
        });
        const auto now = ReadAmedasPoint(block, At("2026-10-04T08:40"), "東京");
        ASSERT_TRUE(now);
        EXPECT_EQ(now->Temp, c.expected);
        EXPECT_EQ(now->Humidity, 71.0); // the others stand
    }
}

TEST(AmedasPoint, WindDirectionsByTheAgencysCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"[0, 0]", "静穏"}, {"[1, 0]", "北北東"}, {"[8, 0]", "南"}, {"[15, 0]", "北北西"},
        {"[16, 0]", "北"},  {"[17, 0]", ""},      {"[1.5, 0]", ""}, {"[null, 6]", ""},
        {"[1e300, 0]", ""}, {"[-1, 0]", ""},
    };
    for (const auto& [pair, name] : cases) {
        const std::string block =
            EditedBlock([&](json& record) { record["windDirection"] = json::parse(pair); });
        EXPECT_EQ(ReadAmedasPoint(block, At("2026-10-04T08:40"), "東京")->WindDirection, name)
            << pair;
    }
    EXPECT_EQ(AmedasPointPath("44132", At("2026-10-04T08:40")),
              "amedas/data/point/44132/20261004_06.json");
    EXPECT_EQ(AmedasPointPath("44132", At("2026-10-05T00:00")),
              "amedas/data/point/44132/20261005_00.json");
    EXPECT_EQ(AmedasPointPath("44132", At("2026-10-04T23:50")),
              "amedas/data/point/44132/20261004_21.json");
}

namespace {

constexpr const char* kPrefix = "https://jma.test/bosai/";
const TAmedasStation kTokyo{"44132", "東京"};
const TJmaPlace kChiyoda{"130000", "130010", "1310100", "44132", std::nullopt};

std::string PointUrl(const char* block) {
    return std::string(kPrefix) + "amedas/data/point/44132/" + block + ".json";
}

TJmaObservationOutcome Load(FakeHttpClient& client, std::string_view last = "",
                            std::optional<TAmedasStation> station = kTokyo,
                            const std::string& cache = "") {
    return LoadJmaObservation(client, kPrefix, cache, kChiyoda, "千代田区", station, last);
}

} // namespace

TEST(AmedasLoad, TheLatestTimeThenItsBlockAndNoBlockWhileTheTimeStands) {
    FakeHttpClient client;
    client.Pages[std::string(kPrefix) + "amedas/data/latest_time.txt"] = RealLatestTime();
    client.Pages[PointUrl("20261004_06")] = RealBlock();
    auto outcome = Load(client);
    EXPECT_EQ(outcome.Result, TObservationResult::Observed);
    EXPECT_EQ(outcome.Now.Time, "2026-10-04T08:40");
    EXPECT_EQ(outcome.Now.Temp, 19.7);
    EXPECT_EQ(outcome.LatestTime, "2026-10-04T08:40:00+09:00");
    EXPECT_FALSE(outcome.FoundStation);
    client.Requested.clear();
    outcome = Load(client, "2026-10-04T08:40:00+09:00");
    EXPECT_EQ(outcome.Result, TObservationResult::Unchanged);
    EXPECT_EQ(client.Requested,
              (std::vector<std::string>{std::string(kPrefix) + "amedas/data/latest_time.txt"}));
}

TEST(AmedasLoad, EarlyInABlockThePreviousBlockWithinTheHour) {
    struct Case {
        const char* latest;
        bool blockServed; // the new block answers, with no record yet
        TObservationResult result;
        const char* time;
    };
    const Case cases[] = {
        // 20 minutes after the last record of the block before.
        {"2026-10-04T09:00:00+09:00", false, TObservationResult::Observed, "2026-10-04T08:40"},
        {"2026-10-04T09:20:00+09:00", true, TObservationResult::Observed, "2026-10-04T08:40"},
        // 70 minutes: not now.
        {"2026-10-04T09:50:00+09:00", true, TObservationResult::None, ""},
        // An hour into the block the one before is not asked for; nothing came.
        {"2026-10-04T10:00:00+09:00", false, TObservationResult::Failed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.latest);
        FakeHttpClient client;
        client.Pages[std::string(kPrefix) + "amedas/data/latest_time.txt"] = c.latest;
        client.Pages[PointUrl("20261004_06")] = RealBlock();
        if (c.blockServed)
            client.Pages[PointUrl("20261004_09")] = "{}";
        const auto outcome = Load(client);
        EXPECT_EQ(outcome.Result, c.result);
        EXPECT_EQ(outcome.Now.Time, c.time);
        if (c.result == TObservationResult::Failed) {
            EXPECT_EQ(client.Requested.back(), PointUrl("20261004_09"));
        }
    }
}

TEST(AmedasLoad, TheStationIsChosenThroughTheCachedConstantsOnce) {
    TempDir dir;
    FakeHttpClient client;
    client.Pages[std::string(kPrefix) + "forecast/const/forecast_area.json"] =
        ReadAll(TestData("jma/forecast_area.json"));
    client.Pages[std::string(kPrefix) + "amedas/const/amedastable.json"] =
        Amedas("amedastable-2026-04-14.json");
    client.Pages[std::string(kPrefix) + "amedas/const/amedas_class20_list.json"] =
        Amedas("amedas_class20_list-2022-02-24.json");
    client.Pages[std::string(kPrefix) + "amedas/data/latest_time.txt"] = RealLatestTime();
    client.Pages[PointUrl("20261004_06")] = RealBlock();
    auto outcome = Load(client, "", std::nullopt, dir.Path());
    EXPECT_EQ(outcome.Result, TObservationResult::Observed);
    EXPECT_EQ(outcome.FoundStation, kTokyo);
    EXPECT_EQ(outcome.Now.Station, "東京");
    EXPECT_EQ(ReadAll(dir.File("jma/amedas_class20_list.json")),
              Amedas("amedas_class20_list-2022-02-24.json"));
    // From the cache now: no constant is asked for again.
    client.Requested.clear();
    outcome = Load(client, "", std::nullopt, dir.Path());
    EXPECT_EQ(outcome.FoundStation, kTokyo);
    EXPECT_EQ(client.Requested.size(), 2u);
    // Constants that cannot be had: a failure that names the file.
    FakeHttpClient offline;
    outcome = Load(offline, "", std::nullopt, "");
    EXPECT_EQ(outcome.Result, TObservationResult::Failed);
    EXPECT_NE(outcome.Problem.find("forecast_area.json"), std::string::npos);
}

TEST(OpenMeteoCurrent, TheCurrentBlockInJapanTime) {
    const std::string answer =
        R"({"latitude":35.7,"longitude":139.7,"utc_offset_seconds":32400,"timezone":"Asia/Tokyo",)"
        R"("current":{"time":"2026-10-04T08:45","interval":900,"temperature_2m":19.74,)"
        R"("relative_humidity_2m":70,"precipitation":0.2,"wind_speed_10m":3.1,)"
        R"("wind_direction_10m":350}})";
    auto now = ReadOpenMeteoCurrent(answer);
    ASSERT_TRUE(now);
    EXPECT_EQ(*now, (TObservation{"2026-10-04T08:45", "Open-Meteo", 19.7, 0.2, 3.1, "北", 70.0}));
    // An answer in another zone is told in Japan's time; values out of range are nothing.
    now = ReadOpenMeteoCurrent(
        R"({"utc_offset_seconds":0,"current":{"time":"2026-10-03T23:45","temperature_2m":null,)"
        R"("relative_humidity_2m":140,"wind_speed_10m":0.1,"wind_direction_10m":90}})");
    ASSERT_TRUE(now);
    EXPECT_EQ(*now, (TObservation{"2026-10-04T08:45", "Open-Meteo", std::nullopt, std::nullopt, 0.1,
                                  "静穏", std::nullopt}));
    for (const char* bad : {"", "{}", R"({"current":{}})", R"({"current":{"time":"yesterday"}})",
                            R"({"error":true,"reason":"Cannot initialize"})"})
        EXPECT_FALSE(ReadOpenMeteoCurrent(bad)) << bad;
    EXPECT_NE(OpenMeteoCurrentUrl("http://x/", {35.5, 139.25}).find("&current="),
              std::string::npos);
}

// One rule for every source: a value outside what the weather can be is nothing, from the
// agency's block, from the live source's current block and from a kept forecast alike.
TEST(ObservedValues, OutsideTheirRangeAreNothingOnEveryPath) {
    struct Case {
        const char* amedas;    // the block's key
        const char* openMeteo; // the current block's key
        const char* kept;      // the record's key
        std::optional<double> TObservation::*field;
        double value;
        bool kept_;
    };
    const auto T = &TObservation::Temp;
    const auto H = &TObservation::Humidity;
    const auto W = &TObservation::Wind;
    const auto R = &TObservation::Precip1h;
    const Case cases[] = {
        {"temp", "temperature_2m", "NowTemp", T, 1e300, false},
        {"temp", "temperature_2m", "NowTemp", T, -1e300, false},
        {"temp", "temperature_2m", "NowTemp", T, 60.1, false},
        {"temp", "temperature_2m", "NowTemp", T, -90.1, false},
        {"temp", "temperature_2m", "NowTemp", T, 60.0, true},
        {"temp", "temperature_2m", "NowTemp", T, -90.0, true},
        {"humidity", "relative_humidity_2m", "NowHumidity", H, 100.5, false},
        {"humidity", "relative_humidity_2m", "NowHumidity", H, -1.0, false},
        {"humidity", "relative_humidity_2m", "NowHumidity", H, 100.0, true},
        {"wind", "wind_speed_10m", "NowWind", W, 120.5, false},
        {"wind", "wind_speed_10m", "NowWind", W, -0.5, false},
        {"wind", "wind_speed_10m", "NowWind", W, 120.0, true},
        {"precipitation1h", "precipitation", "NowPrecip1h", R, 300.5, false},
        {"precipitation1h", "precipitation", "NowPrecip1h", R, -0.5, false},
        {"precipitation1h", "precipitation", "NowPrecip1h", R, 1e300, false},
        {"precipitation1h", "precipitation", "NowPrecip1h", R, 300.0, true},
        {"precipitation1h", "precipitation", "NowPrecip1h", R, 0.0, true},
    };
    for (const Case& c : cases) {
        std::ostringstream what;
        what << c.amedas << " " << c.value;
        SCOPED_TRACE(what.str());
        const std::optional<double> expected =
            c.kept_ ? std::optional<double>(c.value) : std::nullopt;
        const auto agency = ReadAmedasPoint(EditedBlock([&](json& r) {
                                                r[c.amedas] = {c.value, 0};
                                            }),
                                            At("2026-10-04T08:40"), "東京");
        ASSERT_TRUE(agency);
        EXPECT_EQ((*agency).*c.field, expected);
        json current = {{"time", "2026-10-04T08:45"}};
        current[c.openMeteo] = c.value;
        const auto live =
            ReadOpenMeteoCurrent(json{{"utc_offset_seconds", 32400}, {"current", current}}.dump());
        ASSERT_TRUE(live);
        EXPECT_EQ((*live).*c.field, expected);
        // A kept forecast written before the rule.
        TKeptForecast old;
        old.Record.DayDate[0] = EncodeDate(2026, 10, 4);
        old.Record.DayWeather[0] = "晴";
        old.Key = R"({"Place":"東京"})";
        old.FetchedAt = At("2026-10-04T08:40");
        json text = json::parse(WriteKeptForecastJson(old));
        text[c.kept] = c.value;
        const auto read = ReadKeptForecastJson(text.dump());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->Record.Now.*c.field, expected);
    }
}

TEST(ObservationRecord, TheJsonHoldsTheWeatherNowAndReadsItBack) {
    TWeatherData record;
    record.Now = {"2026-10-04T08:40", "東京", 19.7, 0.5, 2.0, "北北東", 71.0};
    const std::string text = WriteRecordJson(record);
    EXPECT_NE(text.find("\"NowTime\": \"2026-10-04T08:40\""), std::string::npos);
    EXPECT_NE(text.find("\"NowTemp\": 19.7"), std::string::npos);
    EXPECT_NE(text.find("\"NowHumidity\": 71"), std::string::npos);
    TWeatherData back;
    std::string error;
    ASSERT_TRUE(ReadRecordJson(text, back, error)) << error;
    EXPECT_EQ(back, record);
    // 欠測 is null and reads back as nothing.
    record.Now.Temp.reset();
    record.Now.Humidity.reset();
    const std::string missing = WriteRecordJson(record);
    EXPECT_NE(missing.find("\"NowTemp\": null"), std::string::npos);
    back = TWeatherData();
    ASSERT_TRUE(ReadRecordJson(missing, back, error)) << error;
    EXPECT_EQ(back, record);
    EXPECT_FALSE(ReadRecordJson(R"({"NowTemp": "12"})", back, error));
    EXPECT_FALSE(ReadRecordJson(R"({"NowTime": 12})", back, error));
}

namespace {

// The agency's site with real answers: its constants, the latest time and a block.
class AmedasOverHttp : public ::testing::Test {
protected:
    void SetUp() override {
        const auto serve = [this](const char* path, std::string body) {
            server.Get(path, [body](const httplib::Request&, httplib::Response& res) {
                res.set_content(body, "application/json");
            });
        };
        serve("/bosai/common/const/area.json", ReadAll(TestData("jma/area.json")));
        serve("/bosai/forecast/const/forecast_area.json",
              ReadAll(TestData("jma/forecast_area.json")));
        serve("/bosai/amedas/const/amedastable.json", Amedas("amedastable-2026-04-14.json"));
        serve("/bosai/amedas/const/amedas_class20_list.json",
              Amedas("amedas_class20_list-2022-02-24.json"));
        serve("/bosai/amedas/data/latest_time.txt", RealLatestTime());
        server.Get("/bosai/amedas/data/point/44132/20261004_06.json",
                   [this](const httplib::Request&, httplib::Response& res) {
                       res.set_content(block, "application/json");
                   });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        base = "http://127.0.0.1:" + std::to_string(port) + "/";
    }
    void TearDown() override {
        server.stop();
        thread.join();
    }

    json Dump() {
        FILE* pipe = popen((std::string(PELUMI_BIN_DIR) + "/forecast-dump jma " + base + "bosai/ " +
                            base + "om/ 東京都 千代田区 --now 2026-10-04T08:45:00 --cache " +
                            dir.Path() + " 2>/dev/null")
                               .c_str(),
                           "r");
        std::string printed;
        char buf[4096];
        std::size_t n = 0;
        while (pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0)
            printed.append(buf, n);
        if (pipe)
            pclose(pipe);
        return json::parse(printed, nullptr, false);
    }

    TempDir dir;
    std::string block = RealBlock();
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::string base;
};

} // namespace

TEST_F(AmedasOverHttp, ForecastDumpPrintsTheObservationOfTheLatestTime) {
    json printed = Dump();
    ASSERT_TRUE(printed.is_object());
    EXPECT_EQ(printed["NowTime"], "2026-10-04T08:40");
    EXPECT_EQ(printed["NowStation"], "東京");
    EXPECT_EQ(printed["NowTemp"], 19.7);
    EXPECT_EQ(printed["NowPrecip1h"], 0.0);
    EXPECT_EQ(printed["NowWind"], 2.0);
    EXPECT_EQ(printed["NowWindDirection"], "北北東");
    EXPECT_EQ(printed["NowHumidity"], 71);
    // 欠測 of the temperature, and a station that stopped measuring humidity.
    block = EditedBlock([](json& record) {
        record["temp"] = json::parse("[null, 6]");
        record.erase("humidity");
    });
    printed = Dump();
    ASSERT_TRUE(printed.is_object());
    EXPECT_EQ(printed["NowTime"], "2026-10-04T08:40");
    EXPECT_TRUE(printed["NowTemp"].is_null());
    EXPECT_TRUE(printed["NowHumidity"].is_null());
    EXPECT_EQ(printed["NowWind"], 2.0);
}
