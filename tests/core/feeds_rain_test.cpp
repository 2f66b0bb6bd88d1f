// The rain of the next hour beside the other feeds: the forecast's steps leave its fields alone,
// another place clears them, and a load for a place no longer chosen reaches nobody.
#include "schedule/Feeds.h"
#include "support/TempDir.h"
#include "weather/RecordJson.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The rain fields alone, so that a comparison names only them.
struct RainFields {
    std::int32_t Step;
    std::string Time;
    std::vector<std::int32_t> Rain;
    std::int32_t StartsIn, EndsIn;
    bool operator==(const RainFields&) const = default;
};
RainFields RainOf(const TWeatherData& w) {
    return {w.RainStep, w.RainTime, w.Rain, w.RainStartsIn, w.RainEndsIn};
}

TWeatherData Forecast() {
    TWeatherData record;
    record.Clear();
    std::string error;
    EXPECT_TRUE(ReadRecordJson(ReadAll(TestData("records/full.json")), record, error)) << error;
    return record;
}

TWeatherData Showered(TWeatherData record) {
    SetRain(record, 5, "2026-12-09T10:05", {0, 0, 0, 2, 2, 3, 3, 0, 0, 0, 0, 0, 0});
    return record;
}

TNowcastOutcome Read(std::vector<std::int32_t> frames) {
    TNowcastOutcome outcome;
    outcome.Result = TNowcastResult::Read;
    outcome.Step = 5;
    outcome.Time = "2026-12-09T10:10";
    outcome.Rain = std::move(frames);
    return outcome;
}

} // namespace

TEST(FeedsRain, TheForecastsStepsKeepTheRain) {
    const TWeatherData record = Forecast();
    const TDateTime today = record.DayDate[0];
    struct Case {
        const char* name;
        std::function<void(TWeatherData&, TShownForecast&)> step;
    };
    const Case cases[] = {
        {"another place is asked for",
         [&](TWeatherData& w, TShownForecast& s) { ForecastAsked(w, s, "札幌", today); }},
        {"a new forecast came",
         [&](TWeatherData& w, TShownForecast& s) {
             TWeatherData next = Forecast();
             next.LocationName = "札幌";
             ForecastLoaded(w, s, "札幌", next, 1000);
         }},
        {"the place is unknown",
         [&](TWeatherData& w, TShownForecast& s) {
             ForecastNotLoaded(w, s, TForecastEnd::PlaceUnknown, "ない", today);
         }},
        {"the day has passed",
         [&](TWeatherData& w, TShownForecast& s) { DropStaleForecast(w, s, today + 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWeatherData w = Showered(record);
        TShownForecast shown{"千代田区", 500, false};
        c.step(w, shown);
        EXPECT_EQ(RainOf(w), RainOf(Showered(record)));
        // The step did its own work.
        EXPECT_NE(w, Showered(record));
    }
}

TEST(FeedsRain, AnotherPlaceClearsTheRainAndALateLoadReachesNobody) {
    TWeatherData w = Showered(Forecast());
    TShownRain shown;
    // The first ask: the place on show is new.
    EXPECT_TRUE(RainAsked(w, shown, "千代田区"));
    TWeatherData cleared = w;
    cleared.ClearRain();
    EXPECT_EQ(w, cleared);
    EXPECT_FALSE(RainAsked(w, shown, "千代田区"));

    // A load found the station's position: kept with its station for the next load.
    const TAmedasStation tokyo{"44132", "東京"};
    TNowcastOutcome outcome = Read({0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2});
    outcome.FoundStationCoordinates = TCoordinates{35.69167, 139.75};
    ASSERT_TRUE(RainLoaded(w, shown, "千代田区", tokyo, outcome));
    EXPECT_EQ(w.RainStartsIn, 25);
    EXPECT_EQ(w.RainTime, "2026-12-09T10:10");
    EXPECT_EQ(shown.Station, tokyo);
    EXPECT_EQ(shown.StationCoordinates, (TCoordinates{35.69167, 139.75}));
    // A failure keeps the frames on show (ApplyNowcastOutcome's rule) and the station found.
    const TWeatherData before = w;
    TNowcastOutcome failed;
    failed.Step = 5;
    ASSERT_TRUE(RainLoaded(w, shown, "千代田区", tokyo, failed));
    EXPECT_EQ(w, before);
    EXPECT_EQ(shown.StationCoordinates, (TCoordinates{35.69167, 139.75}));

    // Another place: the rain goes; what the old place's load brings changes nothing.
    EXPECT_TRUE(RainAsked(w, shown, "札幌市"));
    EXPECT_EQ(w.RainStep, NoValue);
    EXPECT_EQ(shown.StationCoordinates, std::nullopt);
    const TWeatherData sapporo = w;
    EXPECT_FALSE(RainLoaded(w, shown, "千代田区", tokyo, outcome));
    EXPECT_EQ(w, sapporo);

    // A page service: no rain fields at all; the place stays the one on show.
    ASSERT_TRUE(RainLoaded(w, shown, "札幌市", std::nullopt, outcome));
    EXPECT_TRUE(RainNotApplicable(w));
    EXPECT_EQ(RainOf(w), (RainFields{NoValue, "", {}, NoValue, NoValue}));
    EXPECT_FALSE(RainNotApplicable(w));
    EXPECT_FALSE(RainAsked(w, shown, "札幌市"));
}
