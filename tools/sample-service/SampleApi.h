#pragma once

#include "weather/Coordinates.h"
#include "weather/LocationList.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The live source's two APIs for every entry of a location list, in the real services' JSON:
// the place look-up ("/v1/search") and the forecast ("/v1/forecast"), dated to one "today".
// Each place has fixed coordinates near its prefecture; the look-up also lists a namesake in
// another prefecture (before the real one for half the names), as the real one lists 府中市 of
// 東京都 and of 広島県. The forecast works for any point and any zone of the time zone
// database (its hours labelled in that zone, from "today"; `auto` is Japan's): places and days
// get weather that changes during the day (晴のち雨, 曇時々晴, 雪 all day, ...), the same on
// every request, each value stamped at the end of the hour it covers.
class TSampleApi {
public:
    // How the look-up knows the names. Exact: every place under its own name. RealIndex: as
    // the real index, which knows the designated cities and some others only without 市
    // ("仙台", "高知"), and 函館 only as "函館市".
    enum class Names { Exact, RealIndex };

    struct Answer {
        int Status = 200;
        std::string Body; // JSON; for status 400 the API's error object
    };
    using Params = std::multimap<std::string, std::string>;

    TSampleApi(std::vector<TLocationEntry> entries, int year, int month, int day,
               Names names = Names::Exact);

    Answer Search(const Params& params) const;
    Answer Forecast(const Params& params) const;

    struct Place {
        std::string Name; // as the look-up knows it
        std::string Admin1;
        double Latitude;
        double Longitude;
    };
    // The place of each entry (location field 2 in the prefecture of field 1).
    const std::vector<Place>& Places() const { return places_; }

private:
    std::vector<Place> places_;
    int year_, month_, day_;
};

// The point near which the places of a prefecture ("東京都") lie; nothing for any other name.
std::optional<TCoordinates> SamplePrefectureCentre(std::string_view prefecture);
