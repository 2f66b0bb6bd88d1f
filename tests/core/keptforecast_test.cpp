// The last good forecast in the cache folder: what it was made for, its day, and files that are
// not such a forecast.
#include "weather/KeptForecast.h"

#include "platform/Cache.h"
#include "support/Records.h"
#include "support/TempDir.h"
#include "weather/Rain.h"
#include "weather/RecordJson.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

// tests/data/records/full.json: today is 2026-12-10 (day 46366).
TWeatherData FullRecord() {
    TWeatherData record;
    record.Clear();
    std::string error;
    EXPECT_TRUE(ReadRecordJson(ReadAll(TestData("records/full.json")), record, error)) << error;
    return record;
}

TForecastRequest Chiyoda() {
    TForecastRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = "https://jma.example/bosai/";
    request.Prefecture = "東京都";
    request.Municipality = "千代田区";
    request.CacheFolder = "/home/u/.cache/zomika2/";
    return request;
}

const std::string kName = KeptForecastName("/home/u/.config/zomika2/zomika2.ini");

} // namespace

TEST(KeptForecast, EachSettingsFileHasAFileOfItsOwn) {
    EXPECT_EQ(kName.rfind("last-forecast-", 0), 0u) << kName;
    EXPECT_EQ(kName.size(), std::string("last-forecast-0123456789abcdef.json").size()) << kName;
    EXPECT_EQ(kName.find_first_not_of("0123456789abcdef", 14), 30u) << kName;
    EXPECT_EQ(kName.substr(30), ".json");
    // The same file, however its path is spelt.
    EXPECT_EQ(KeptForecastName("/home/u/.config/./zomika2//zomika2.ini"), kName);
    EXPECT_EQ(KeptForecastName("/home/u/.config/x/../zomika2/zomika2.ini"), kName);
    for (const char* other :
         {"/home/u/.config/zomika2/copy.ini", "/home/u/.config/zomika3/zomika2.ini",
          "/home/v/.config/zomika2/zomika2.ini", "zomika2.ini", ""})
        EXPECT_NE(KeptForecastName(other), kName) << other;
    EXPECT_NE(KeptForecastName("/a/copy.ini"), KeptForecastName("/a/zomika2.ini"));
}

TEST(KeptForecast, TheKeyNamesTheSourceAndThePlaceButNotWhatALoadFindsOut) {
    const std::string key = ForecastKey(Chiyoda());
    struct Case {
        const char* change;
        std::function<void(TForecastRequest&)> apply;
        bool sameForecast;
    };
    const std::vector<Case> cases = {
        {"the agency's place resolved",
         [](TForecastRequest& r) {
             r.JmaPlace =
                 TJmaPlace{"130000", "130010", "1310100", "44132", TCoordinates{35.69, 139.75}};
         },
         true},
        {"another cache folder", [](TForecastRequest& r) { r.CacheFolder = "/tmp/c/"; }, true},
        {"another source", [](TForecastRequest& r) { r.Source = TSource::OpenMeteo; }, false},
        {"another municipality", [](TForecastRequest& r) { r.Municipality = "港区"; }, false},
        {"another prefecture", [](TForecastRequest& r) { r.Prefecture = "北海道"; }, false},
        {"another server", [](TForecastRequest& r) { r.JmaPrefix = "http://127.0.0.1:9/"; }, false},
        {"a forecast prefix", [](TForecastRequest& r) { r.ForecastPrefix = "http://a/"; }, false},
        {"a geocoding prefix", [](TForecastRequest& r) { r.GeocodingPrefix = "http://g/"; }, false},
        {"a first page", [](TForecastRequest& r) { r.Url1 = "http://t/1"; }, false},
        {"a second page", [](TForecastRequest& r) { r.Url2 = "http://t/2"; }, false},
        {"coordinates given",
         [](TForecastRequest& r) {
             r.Coordinates = TCoordinates{43, 141};
         },
         false},
    };
    for (const Case& c : cases) {
        TForecastRequest request = Chiyoda();
        c.apply(request);
        EXPECT_EQ(ForecastKey(request) == key, c.sameForecast) << c.change;
    }
    TForecastRequest north = Chiyoda();
    north.Coordinates = TCoordinates{43.0, 141.0};
    TForecastRequest east = north;
    east.Coordinates->Longitude = 141.5;
    EXPECT_NE(ForecastKey(north), ForecastKey(east));
}

TEST(KeptForecast, TheRecordsToday) {
    struct Case {
        const char* name;
        std::function<void(TWeatherData&)> fill;
        TDateTime today;
    };
    const std::vector<Case> cases = {
        {"the day summary",
         [](TWeatherData& w) {
             w.DayDate = {100, 101};
             w.PointDate[0] = 90;
         },
         100},
        {"the point slots",
         [](TWeatherData& w) {
             w.PointDate[0] = 90;
             w.DayDate[1] = 95;
         },
         90},
        {"the day before tomorrow's slots",
         [](TWeatherData& w) {
             w.PointDate[8] = 80;
             w.DayDate[1] = 95;
         },
         79},
        {"the day before tomorrow's summary",
         [](TWeatherData& w) {
             w.DayDate[1] = 95;
             w.WeekDate[0] = 70;
         },
         94},
        {"the day before the week", [](TWeatherData& w) { w.WeekDate[0] = 70; }, 69},
        {"no date", [](TWeatherData& w) { w.LocationName = "千代田区"; }, 0},
    };
    for (const Case& c : cases) {
        TWeatherData record;
        record.Clear();
        c.fill(record);
        EXPECT_EQ(RecordToday(record), c.today) << c.name;
    }
    EXPECT_EQ(RecordToday(FullRecord()), 46366);
}

TEST(KeptForecast, OnlyTheStatusLineIsNoForecast) {
    TWeatherData record;
    record.Clear();
    record.Information = "接続しています";
    EXPECT_FALSE(HoldsForecast(record));
    // The rain of the next hour comes on its own: with nothing else, there is no forecast.
    SetRain(record, 5, "2026-12-09T10:05", {0, 0, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(record.RainStartsIn, 10);
    EXPECT_FALSE(HoldsForecast(record));
    record.WeekProb[6] = 0;
    EXPECT_TRUE(HoldsForecast(record));
    record.Clear();
    record.UpdateInfo = "10時00分 取得";
    EXPECT_TRUE(HoldsForecast(record));
    EXPECT_TRUE(HoldsForecast(FullRecord()));
}

TEST(KeptForecast, WrittenAndReadBackWithoutItsStatus) {
    TempDir dir;
    const platform::TCache cache(dir.Path() + "/cache");
    TKeptForecast kept;
    kept.Record = FullRecord();
    kept.Record.Information = "接続しています";
    kept.Key = ForecastKey(Chiyoda());
    kept.FetchedAt = 1796887800;
    ASSERT_EQ(StoreKeptForecast(cache, kName, kept), std::nullopt);

    const auto read = LoadKeptForecast(cache, kName, kept.Key, 46366);
    ASSERT_TRUE(read);
    EXPECT_RECORD_EQ(read->Record, FullRecord());
    EXPECT_EQ(read->Key, kept.Key);
    EXPECT_EQ(read->FetchedAt, 1796887800);

    // The file is the record's one JSON form: the tools read it as they read a dump.
    TWeatherData asDump;
    asDump.Clear();
    std::string error;
    ASSERT_TRUE(ReadRecordJson(ReadAll(cache.PathOf(kName)), asDump, error)) << error;
    EXPECT_RECORD_EQ(asDump, FullRecord());
}

TEST(KeptForecast, WhatIsNotThisPlacesForecastOfTodayIsIgnored) {
    const std::string key = ForecastKey(Chiyoda());
    TKeptForecast kept;
    kept.Record = FullRecord();
    kept.Key = key;
    kept.FetchedAt = 1796887800;
    const std::string good = WriteKeptForecastJson(kept);
    TForecastRequest minato = Chiyoda();
    minato.Municipality = "港区";
    TKeptForecast foreign = kept;
    foreign.Key = ForecastKey(minato);
    TKeptForecast empty = kept;
    empty.Record.Clear();
    const auto replace = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };

    struct Case {
        const char* name;
        std::optional<std::string> content; // nothing: no file
        TDateTime today;
    };
    const std::vector<Case> cases = {
        {"no file", std::nullopt, 46366},
        {"yesterday's forecast", good, 46367},
        {"another place's", WriteKeptForecastJson(foreign), 46366},
        {"a record without the kept member (a dump)", WriteRecordJson(kept.Record, true), 46366},
        {"another format", replace("\"Format\":1", "\"Format\":2"), 46366},
        {"no fetching time", replace("\"FetchedAt\":1796887800", "\"FetchedAt\":\"10:30\""), 46366},
        {"a record of no forecast", WriteKeptForecastJson(empty), 0},
        {"cut short", good.substr(0, good.size() / 2), 46366},
        {"a field of the wrong type",
         replace("\"LocationName\": \"", "\"LocationName\": 1, \"x\": \""), 46366},
        {"empty", "", 46366},
        {"not JSON", "\x89PNG\r\n\x1a\n", 46366},
        {"an array", "[1, 2]", 46366},
        {"fetched at the end of time",
         replace("\"FetchedAt\":1796887800", "\"FetchedAt\":9223372036854775807"), 46366},
        {"fetched before 1970", replace("\"FetchedAt\":1796887800", "\"FetchedAt\":-1"), 46366},
        {"fetched a year before its day",
         replace("\"FetchedAt\":1796887800", "\"FetchedAt\":1765351800"), 46366},
        {"fetched days after its day",
         replace("\"FetchedAt\":1796887800", "\"FetchedAt\":1797147000"), 46366},
        {"a week date outside the calendar",
         replace("\"WeekDate\": [46367", "\"WeekDate\": [1e308"), 46366},
        {"nested deeper than a kept forecast is",
         replace("\"Kept\": ", "\"x\": [[[[[[[[[[1]]]]]]]]]], \"Kept\": "), 46366},
    };
    ASSERT_TRUE(LoadKeptForecast(platform::TCache("/nonexistent"), kName, key, 46366) ==
                std::nullopt);
    for (const Case& c : cases) {
        TempDir dir;
        const platform::TCache cache(dir.Path());
        if (c.content)
            dir.Write(kName, *c.content);
        EXPECT_EQ(LoadKeptForecast(cache, kName, key, c.today), std::nullopt) << c.name;
    }
    // The same file with the right day and key is read: the cases above fail for their reason.
    TempDir dir;
    dir.Write(kName, good);
    EXPECT_TRUE(LoadKeptForecast(platform::TCache(dir.Path()), kName, key, 46366));

    // A folder where the file should be.
    TempDir other;
    std::filesystem::create_directories(other.Path() + "/" + kName);
    EXPECT_EQ(LoadKeptForecast(platform::TCache(other.Path()), kName, key, 46366), std::nullopt);
}
