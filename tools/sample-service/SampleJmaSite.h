#pragma once

#include "SampleJma.h"
#include "SampleJmaWarnings.h"
#include "SampleNowcast.h"

#include <optional>
#include <string>
#include <string_view>

// The agency's real area.json and forecast_area.json, built into the service.
std::string_view SampleAreaJson();
std::string_view SampleForecastAreaJson();

// The agency's site as the sample service serves it below a prefix of its own: the real
// area.json and forecast_area.json, an amedastable.json in the real format with every station
// of forecast_area.json (near its prefecture's seat, the same on every run), and the forecasts
// of TSampleJma. Every page has an ETag and a Last-Modified date.
class TSampleJmaSite {
public:
    // "Today" in Japan's time; `warnings` are put in force (none by default).
    TSampleJmaSite(int year, int month, int day,
                   std::vector<TSampleJmaWarnings::TInForce> warnings = {});

    struct Page {
        std::string Body;
        std::string ContentType;
        std::string ETag;         // quoted
        std::string LastModified; // an HTTP date
    };
    // The page at `path` below the prefix ("common/const/area.json",
    // "forecast/data/forecast/130000.json", "forecast/data/overview_forecast/130000.json",
    // "warning/data/r8/130000.json") when the clock shows
    // `hour` o'clock; nothing for any other path and for an office that has no forecast.
    std::optional<Page> Get(std::string_view path, int hour) const;

    // Whether a request with these headers (empty when absent) may be answered "not modified":
    // If-None-Match lists the page's ETag (or "*"), or else If-Modified-Since is not before its
    // Last-Modified date.
    static bool NotModified(const Page& page, std::string_view ifNoneMatch,
                            std::string_view ifModifiedSince);

    const std::string& AmedasTable() const { return amedasTable_; }

    // The nowcast (SampleNowcast.h): its time lists and tiles at the clock's time, below
    // "jmatile/data/nowc/". Rain brought to places replaces the drifting showers.
    void BringRain(std::vector<TSampleNowcast::TRainIn> rainIn, std::int64_t start);
    std::optional<Page> GetNowcast(std::string_view path, std::int64_t unixNow) const;

    // The weather now: amedas/const/amedas_class20_list.json (each class20 with up to five
    // stations of its class10), amedas/data/latest_time.txt (the clock's ten minutes, Japan
    // time) and a point block for every station of the table up to that time, with values that
    // follow the station and the hour. The station of the lowest number has its temperature
    // 欠測 ([null, 6]) and no humidity key.
    std::optional<Page> GetAmedas(std::string_view path, std::int64_t unixNow) const;

private:
    TSampleJma forecasts_;
    TSampleJmaWarnings warnings_;
    std::string amedasTable_;
    std::string class20List_;
    std::string constantsDate_; // Last-Modified of the constants: today's midnight in Japan
    TSampleNowcast nowcast_;
};
