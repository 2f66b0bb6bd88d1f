// The live source's look-up of any place on earth, as the location dialog asks it and lists it.
#include "weather/openmeteo/OpenMeteo.h"

#include <gtest/gtest.h>

TEST(OpenMeteoSearch, AsksInJapaneseWorldwide) {
    EXPECT_EQ(
        OpenMeteoSearchUrl("https://geocoding-api.open-meteo.com/", "ホノルル 1&2"),
        "https://geocoding-api.open-meteo.com/v1/search?name=%E3%83%9B%E3%83%8E%E3%83%AB%E3%83"
        "%AB%201%262&count=10&language=ja&format=json");
}

TEST(OpenMeteoSearch, ListsThePlacesOfAnAnswerInItsOrder) {
    // Shaped as the service answers; results without a name or usable coordinates are passed
    // over, a missing country or admin1 is empty.
    const char* answer = R"({"results":[
        {"id":2988507,"name":"パリ","latitude":48.85341,"longitude":2.3488,"country_code":"FR",
         "country":"フランス","admin1":"イル＝ド＝フランス地域圏"},
        {"id":1,"name":"","latitude":1,"longitude":2,"country":"x"},
        {"id":2,"name":"北","latitude":91,"longitude":2},
        {"id":3,"name":"南","latitude":"1","longitude":2},
        {"id":4,"name":"海","latitude":-10.5,"longitude":-170.25}],"generationtime_ms":0.5})";
    const auto places = ReadGeocodedPlaces(answer);
    ASSERT_TRUE(places);
    EXPECT_EQ(*places, (std::vector<TGeocodedPlace>{
                           {"パリ", "フランス", "イル＝ド＝フランス地域圏", {48.85341, 2.3488}},
                           {"海", "", "", {-10.5, -170.25}}}));
    // Nothing found: the service leaves the list out.
    EXPECT_EQ(ReadGeocodedPlaces(R"({"generationtime_ms":0.1})"), std::vector<TGeocodedPlace>());
    // Not a look-up answer.
    for (const char* bad :
         {"", "<html>", "[]", R"({"error":true,"reason":"x"})", R"({"results":{}})"})
        EXPECT_FALSE(ReadGeocodedPlaces(bad)) << bad;
}
