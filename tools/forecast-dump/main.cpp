// Runs one source's loader through the real HTTP client and prints the record as JSON.
#include "platform/Clock.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "weather/CurlHttpClient.h"
#include "weather/Forecast.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

namespace {

const char* const kUsage =
    "usage: forecast-dump tenkilite|yahoo URL1 URL2 [--proxy HOST:PORT] "
    "[--now YYYY-MM-DDTHH:MM:SS]\n"
    "       forecast-dump openmeteo FORECAST_PREFIX GEOCODING_PREFIX PREFECTURE MUNICIPALITY "
    "[--proxy HOST:PORT] [--now YYYY-MM-DDTHH:MM:SS]\n";

} // namespace

int main(int argc, char** argv) {
    std::string positional[5];
    int count = 0;
    std::string proxy;
    std::string now;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--proxy" || arg == "--now") {
            if (i + 1 >= argc) {
                std::cerr << kUsage;
                return 2;
            }
            (arg == "--proxy" ? proxy : now) = argv[++i];
        } else if (count < 5 && !arg.starts_with("--")) {
            positional[count++] = arg;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    const std::string& source = positional[0];
    const bool live = source == "openmeteo";
    if (count != (live ? 5 : 3) || (!live && source != "tenkilite" && source != "yahoo")) {
        std::cerr << kUsage;
        return 2;
    }
    if (!now.empty()) {
        const auto fixed = platform::ParseLocalDateTime(now);
        if (!fixed) {
            std::cerr << "forecast-dump: --now needs YYYY-MM-DDTHH:MM:SS: " << now << "\n";
            return 2;
        }
        platform::FixClock(*fixed);
    }

    try {
        TCurlHttpClient client;
        if (!proxy.empty()) {
            const std::size_t colon = proxy.rfind(':');
            const std::int32_t port = colon == std::string::npos
                                          ? -1
                                          : platform::StrToIntDef(proxy.substr(colon + 1), -1);
            if (colon == 0 || port < 0 || port > 65535) {
                std::cerr << "forecast-dump: --proxy needs HOST:PORT: " << proxy << "\n";
                return 2;
            }
            client.ProxyServer = proxy.substr(0, colon);
            client.ProxyPort = port;
        }
        TForecastRequest request;
        request.Source = live                    ? TSource::OpenMeteo
                         : source == "tenkilite" ? TSource::TenkiLite
                                                 : TSource::Yahoo;
        if (live) {
            request.ForecastPrefix = positional[1];
            request.GeocodingPrefix = positional[2];
            request.Prefecture = positional[3];
            request.Municipality = positional[4];
        } else {
            request.Url1 = positional[1];
            request.Url2 = positional[2];
        }
        TForecastOutcome outcome;
        try {
            outcome = LoadForecast(client, request);
        } catch (const ELocationNotFound& e) {
            // A place the look-up does not know is a failed load like any other.
            std::cerr << "forecast-dump: " << e.what() << "\n";
        }
        if (outcome.FoundCoordinates)
            std::cerr << "forecast-dump: found at " << outcome.FoundCoordinates->Latitude << ", "
                      << outcome.FoundCoordinates->Longitude << "\n";
        std::cout << WriteRecordJson(outcome.Record, outcome.Loaded) << std::flush;
        return outcome.Loaded ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "forecast-dump: " << e.what() << "\n";
        return 3;
    }
}
