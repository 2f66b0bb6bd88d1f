// Runs one source's loader through the real HTTP client and prints the record as JSON.
#include "platform/Clock.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Layout.h"
#include "weather/CurlHttpClient.h"
#include "weather/Forecast.h"
#include "weather/Nowcast.h"
#include "weather/Observation.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaPlace.h"
#include "weather/jma/JmaWarnings.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace {

const char* const kUsage =
    "usage: forecast-dump tenkilite|yahoo URL1 URL2 [--proxy HOST:PORT] "
    "[--now YYYY-MM-DDTHH:MM:SS]\n"
    "       forecast-dump openmeteo FORECAST_PREFIX GEOCODING_PREFIX PREFECTURE MUNICIPALITY "
    "[--jma JMA_PREFIX [--cache DIR]] "
    "[--proxy HOST:PORT] [--now YYYY-MM-DDTHH:MM:SS]\n"
    "       forecast-dump jma JMA_PREFIX OPENMETEO_PREFIX PREFECTURE MUNICIPALITY "
    "[--proxy HOST:PORT] [--now YYYY-MM-DDTHH:MM:SS] [--cache DIR]\n"
    "       forecast-dump jma JMA_PREFIX OPENMETEO_PREFIX --places FILE "
    "[--proxy HOST:PORT] [--now YYYY-MM-DDTHH:MM:SS] [--cache DIR]\n";

// What the agency's source gives for one place, as the widget asks for it: the place resolved
// through the constants, its forecast, its warnings and its weather now. What it finds out is
// told on the standard error.
// The rain of the next hour, from the source that covers the place, into `record`.
void AddRain(THttpClient& client, const TForecastRequest& request,
             const std::optional<TAmedasStation>& station,
             const std::optional<TCoordinates>& stationAt,
             const std::optional<TCoordinates>& coordinates, TWeatherData& record) {
    TNowcastRequest rain;
    rain.Source = request.Source;
    rain.JmaPrefix = request.JmaPrefix;
    rain.ForecastPrefix = request.ForecastPrefix;
    rain.CacheFolder = request.CacheFolder;
    rain.Prefecture = request.Prefecture;
    rain.Municipality = request.Municipality;
    rain.JmaPlace = request.JmaPlace;
    rain.Station = station;
    rain.StationCoordinates = stationAt;
    rain.Coordinates = coordinates;
    const TNowcastOutcome nowcast = LoadNowcast(client, rain);
    if (!nowcast.Problem.empty())
        std::cerr << "forecast-dump: " << nowcast.Problem << "\n";
    ApplyNowcastOutcome(record, nowcast);
}

struct TJmaDump {
    TForecastOutcome Outcome;
    std::optional<TJmaPlace> Place;
};

TJmaDump DumpJma(THttpClient& client, TForecastRequest request) {
    TJmaDump dump;
    TObservationRequest observed;
    // The place first, so that what went wrong with the cache can be told.
    const TJmaPlaceResult found = LookUpJmaPlace(client, request.JmaPrefix, request.CacheFolder,
                                                 request.Prefecture, request.Municipality);
    if (!found.Problem.empty())
        std::cerr << "forecast-dump: " << found.Problem << "\n";
    if (found.Result != TJmaLookup::Found) {
        if (found.Result == TJmaLookup::NotFound)
            std::cerr << "forecast-dump: " << PlaceNotFoundMessage(request.Municipality) << "\n";
        return dump;
    }
    const TJmaPlace& p = found.Place;
    request.JmaPlace = p;
    dump.Place = p;
    std::cerr << "forecast-dump: office " << p.Office << ", class10 " << p.Class10 << ", class20 "
              << p.Class20 << ", station " << (p.Station.empty() ? "none" : p.Station);
    if (p.Coordinates)
        std::cerr << " at " << p.Coordinates->Latitude << ", " << p.Coordinates->Longitude;
    // The weather now comes from a station of its own, near the municipality.
    TJmaConstants constants;
    std::string problem;
    std::optional<TCoordinates> stationAt;
    if (LoadJmaStationConstants(client, request.JmaPrefix, request.CacheFolder, constants,
                                problem)) {
        observed.Station = ChooseAmedasStation(constants, p, request.Municipality);
        // The rain of the next hour is read at that station.
        if (observed.Station)
            if (const auto at = constants.Stations.find(observed.Station->Number);
                at != constants.Stations.end())
                stationAt = at->second;
    }
    std::cerr << ", observation "
              << (observed.Station ? observed.Station->Number + " " + observed.Station->Name
                                   : std::string("none"))
              << "\n";
    if (!problem.empty())
        std::cerr << "forecast-dump: " << problem << "\n";
    try {
        dump.Outcome = LoadForecast(client, request);
    } catch (const ELocationNotFound& e) {
        // A place the look-up does not know is a failed load like any other.
        std::cerr << "forecast-dump: " << e.what() << "\n";
    }
    // The warnings in force, whether the forecast came or not.
    const TWarningsOutcome warnings = LoadJmaWarnings(client, request);
    if (warnings.Failed)
        std::cerr << "forecast-dump: " << kWarningsFailedMessage << "\n";
    TWeatherData& record = dump.Outcome.Record;
    record.WarningsKnown = warnings.Warnings.Known;
    record.Warnings = warnings.Warnings.Warnings;
    record.WarningsTime = warnings.Warnings.Time;
    // The weather now, asked for apart from the forecast as the widget does.
    observed.Source = request.Source;
    observed.JmaPrefix = request.JmaPrefix;
    observed.CacheFolder = request.CacheFolder;
    observed.JmaPlace = request.JmaPlace;
    observed.Municipality = request.Municipality;
    observed.ForecastPrefix = request.ForecastPrefix;
    observed.Coordinates = request.Coordinates;
    const TJmaObservationOutcome now = LoadObservation(client, observed);
    if (now.Result == TObservationResult::Failed)
        std::cerr << "forecast-dump: the weather now could not be had\n";
    record.Now = now.Now;
    AddRain(client, request, observed.Station ? observed.Station : now.FoundStation, stationAt,
            std::nullopt, record);
    return dump;
}

// Every place of a file, one "PREFECTURE MUNICIPALITY" a line (more columns are passed over):
// the constants are fetched once and each place resolved among them, then its forecast loaded
// through the same client, a line each: "STATUS PREFECTURE MUNICIPALITY CLASS20 FORECAST"
// (STATUS as the exit status for one place, CLASS20 "-" when the place was not resolved,
// FORECAST "ok" or "-"). Ends 0 when every place gave its forecast, 1 otherwise, 2 when the
// file or the constants cannot be read.
int DumpJmaPlaces(THttpClient& client, const TForecastRequest& base, const std::string& file) {
    std::ifstream in(file);
    if (!in) {
        std::cerr << "forecast-dump: cannot read " << file << "\n";
        return 2;
    }
    const auto get = [&](std::string_view path) {
        std::string body = client.Get(base.JmaPrefix + std::string(path));
        client.Disconnect();
        return body;
    };
    TJmaConstants constants;
    if (!ReadJmaAreas(get(kJmaAreaPath), constants) ||
        !ReadJmaForecastAreas(get(kJmaForecastAreaPath), constants) ||
        !ReadAmedasTable(get(kJmaAmedasTablePath), constants)) {
        std::cerr << "forecast-dump: the agency's constants cannot be read\n";
        return 2;
    }
    int status = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        TForecastRequest request = base;
        if (!(fields >> request.Prefecture >> request.Municipality))
            continue;
        const TJmaPlaceResult found =
            ResolveJmaPlace(constants, request.Prefecture, request.Municipality);
        TForecastOutcome outcome;
        if (found.Result == TJmaLookup::Found) {
            request.JmaPlace = found.Place;
            try {
                outcome = LoadForecast(client, request);
            } catch (const ELocationNotFound& e) {
                std::cerr << "forecast-dump: " << e.what() << "\n";
            }
        } else {
            std::cerr << "forecast-dump: " << PlaceNotFoundMessage(request.Municipality) << "\n";
        }
        status = outcome.Loaded ? status : 1;
        std::cout << (outcome.Loaded ? 0 : 1) << " " << request.Prefecture << " "
                  << request.Municipality << " "
                  << (found.Result == TJmaLookup::Found ? found.Place.Class20 : std::string("-"))
                  << " " << (outcome.Loaded ? "ok" : "-") << "\n";
    }
    std::cout << std::flush;
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::string positional[5];
    int count = 0;
    std::string proxy;
    std::string now;
    std::string cache;
    std::string jmaPrefix;
    std::string places;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--proxy" || arg == "--now" || arg == "--cache" || arg == "--jma" ||
            arg == "--places") {
            if (i + 1 >= argc || (arg != "--proxy" && arg != "--now" && *argv[i + 1] == '\0')) {
                std::cerr << kUsage;
                return 2;
            }
            (arg == "--proxy"    ? proxy
             : arg == "--now"    ? now
             : arg == "--jma"    ? jmaPrefix
             : arg == "--places" ? places
                                 : cache) = argv[++i];
        } else if (count < 5 && !arg.starts_with("--")) {
            positional[count++] = arg;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    const std::string& source = positional[0];
    const bool jma = source == "jma";
    const bool live = source == "openmeteo" || jma;
    const bool batch = !places.empty();
    if (count != (live && !batch ? 5 : 3) || (batch && !jma) ||
        (!live && source != "tenkilite" && source != "yahoo") || (!live && !cache.empty()) ||
        (source != "openmeteo" && !jmaPrefix.empty()) ||
        (source == "openmeteo" && !cache.empty() && jmaPrefix.empty())) {
        std::cerr << kUsage;
        return 2;
    }
    // The agency's days and hours are Japan's: so are --now and the clock under jma, and under
    // openmeteo, whose places here are in Japan, as the program reads them.
    if (live)
        platform::SetClockZone(platform::ClockZone::Japan);
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
        request.Source = jma                     ? TSource::Jma
                         : live                  ? TSource::OpenMeteo
                         : source == "tenkilite" ? TSource::TenkiLite
                                                 : TSource::Yahoo;
        if (jma) {
            request.JmaPrefix = positional[1];
            request.ForecastPrefix = positional[2];
            // The widget's own cache folder unless told otherwise: what it has fetched serves.
            request.CacheFolder =
                cache.empty() ? platform::CurrentUserFolders().CacheHome + "zomika2/" : cache;
            if (batch)
                return DumpJmaPlaces(client, request, places);
            request.Prefecture = positional[3];
            request.Municipality = positional[4];
            const TJmaDump dump = DumpJma(client, request);
            std::cout << WriteRecordJson(dump.Outcome.Record, dump.Outcome.Loaded) << std::flush;
            return dump.Outcome.Loaded ? 0 : 1;
        } else if (live) {
            request.ForecastPrefix = positional[1];
            request.GeocodingPrefix = positional[2];
            request.Prefecture = positional[3];
            request.Municipality = positional[4];
            // The agency's place stands in for a name the look-up does not know.
            request.JmaPrefix = jmaPrefix;
            if (!jmaPrefix.empty())
                request.CacheFolder =
                    cache.empty() ? platform::CurrentUserFolders().CacheHome + "zomika2/" : cache;
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
        if (live) {
            // The weather now, asked for apart from the forecast as the widget does.
            TObservationRequest observed;
            observed.Source = request.Source;
            observed.JmaPrefix = request.JmaPrefix;
            observed.CacheFolder = request.CacheFolder;
            observed.JmaPlace = request.JmaPlace;
            observed.Municipality = request.Municipality;
            observed.ForecastPrefix = request.ForecastPrefix;
            observed.Coordinates =
                outcome.FoundCoordinates ? outcome.FoundCoordinates : request.Coordinates;
            const TJmaObservationOutcome now = LoadObservation(client, observed);
            if (now.Result == TObservationResult::Failed)
                std::cerr << "forecast-dump: the weather now could not be had\n";
            outcome.Record.Now = now.Now;
            TForecastRequest asked = request;
            if (!asked.JmaPlace)
                asked.JmaPlace = outcome.FoundJmaPlace;
            AddRain(client, asked, observed.Station ? observed.Station : now.FoundStation,
                    std::nullopt, observed.Coordinates, outcome.Record);
        }
        std::cout << WriteRecordJson(outcome.Record, outcome.Loaded) << std::flush;
        return outcome.Loaded ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "forecast-dump: " << e.what() << "\n";
        return 3;
    }
}
