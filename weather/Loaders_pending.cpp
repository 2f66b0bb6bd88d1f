// Placeholder until the service parsers land: both sources report "no data".
// TODO(weather): replaced by TenkiLite.cpp and Yahoo.cpp.
#include "weather/WeatherData.h"

bool TWeatherData::LoadTenkiLite(THttpClient&, const std::string&, const std::string&) {
    Clear();
    return false;
}

bool TWeatherData::LoadYahoo(THttpClient&, const std::string&, const std::string&) {
    Clear();
    return false;
}
