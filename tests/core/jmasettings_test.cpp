// What the settings file keeps of the agency's places, and the agency's page of a place.
#include "weather/jma/JmaSettings.h"

#include <gtest/gtest.h>

namespace {

const TJmaPlace kFuchu{"130000", "130010", "1320600", "44132", TCoordinates{35.69167, 139.75}};

TEST(JmaSettings, APlaceIsWrittenAndReadBack) {
    EXPECT_EQ(FormatJmaPlace(kFuchu), "130000,130010,1320600,44132,35.69167,139.75");
    const TJmaPlace noStation{"014100", "014030", "0120700", "", std::nullopt};
    EXPECT_EQ(FormatJmaPlace(noStation), "014100,014030,0120700,");
    for (const TJmaPlace& place : {kFuchu, noStation})
        EXPECT_EQ(ParseJmaPlace(FormatJmaPlace(place)), place) << FormatJmaPlace(place);
}

TEST(JmaSettings, OnlyAWholePlaceIsRead) {
    const TJmaPlace noCoordinates{"130000", "130010", "1320600", "44132", std::nullopt};
    struct Case {
        const char* text;
        std::optional<TJmaPlace> place;
    };
    const Case cases[] = {
        {"130000,130010,1320600,44132,35.69167,139.75", kFuchu},
        {" 130000 , 130010,1320600,44132 ,35.69167, 139.75 ", kFuchu},
        {"130000,130010,1320600,44132", noCoordinates},
        {"", std::nullopt},
        {"130000,130010,1320600", std::nullopt},
        {"130000,130010,1320600,44132,35.69167", std::nullopt},
        {"130000,130010,1320600,44132,35.69167,139.75,1", std::nullopt},
        {"13000,130010,1320600,44132", std::nullopt},
        {"130000,1300100,1320600,44132", std::nullopt},
        {"130000,130010,132060,44132", std::nullopt},
        {"130000,130010,1320600,4413", std::nullopt},
        {"13000a,130010,1320600,44132", std::nullopt},
        {"130000,130010,1320600,44132,north,139.75", std::nullopt},
        {"130000,130010,1320600,44132,91,139.75", std::nullopt},
        {"130000,130010,1320600,44132,35.6,-181", std::nullopt},
        {"１３００００,130010,1320600,44132", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseJmaPlace(c.text), c.place) << c.text;
}

TEST(JmaSettings, TheAgencysPageOfAPlace) {
    EXPECT_EQ(JmaWebPageUrl("1320600"),
              "https://www.jma.go.jp/bosai/forecast/#area_type=class20s&area_code=1320600");
}

} // namespace
