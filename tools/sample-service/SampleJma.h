#pragma once

#include "weather/DateTime.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The agency's forecast answers (forecast/data/forecast/{office}.json) for the offices of its
// real constants, in the layouts of its regular reports, dated to one "today" in Japan's time,
// with weather that varies by area and day and is the same on every request.
class TSampleJma {
public:
    // `areaJson` and `forecastAreaJson`: the agency's area.json and forecast_area.json.
    TSampleJma(std::string_view areaJson, std::string_view forecastAreaJson, int year, int month,
               int day);

    // The answer for an office at `hour` o'clock (0-23) of today: the 05 o'clock report from
    // 5 to 10, the 11 o'clock one from 11 to 16, the 17 o'clock one from 17 on, and before 5
    // the 17 o'clock report of the day before. Empty for an office the constants do not list,
    // and for 014030 and 460040, whose areas are in the answers of 014100 and 460100 (the
    // agency has no file for them either).
    std::string Forecast(std::string_view office, int hour) const;

    // The three-hourly series of a class10 area (jmatile/data/wdist/VPFD/{class10}.json) at
    // `hour`, of the same report as Forecast: the weather of each period is the sky of its day's
    // text in the forecast (the later side after noon for のち), the temperatures lie between the
    // day's minimum and maximum at the area's first point. Empty for a class10 the constants do
    // not list.
    std::string Series(std::string_view class10, int hour) const;

    // The office's 天気概況 (forecast/data/overview_forecast/{office}.json) at `hour`, written
    // half an hour before the report Forecast serves then: for every office of area.json (十勝
    // 014030 and 奄美 460040 too, which write their own), from the codes of its first class10 on
    // the report's day and the next, with a headline when rain or snow comes. Empty for an
    // office area.json does not list.
    std::string Overview(std::string_view office, int hour) const;

private:
    struct Area {
        std::string Code;
        std::string Name;
        std::vector<std::string> Points; // AMeDAS numbers, the temperature points
    };
    struct Office {
        std::string Code;
        std::string PublishingOffice;
        int Prefecture = 13; // 1 北海道 ... 47 沖縄
        std::vector<Area> Areas;
    };
    // By the forecast file that holds the office's areas.
    std::map<std::string, Office, std::less<>> offices_;
    // Every office of area.json: its name and its class10 codes.
    struct OverviewOffice {
        std::string Name;
        std::string PublishingOffice;
        std::vector<std::string> Class10s;
    };
    std::map<std::string, OverviewOffice, std::less<>> overviewOffices_;
    TDateTime today_;
};
