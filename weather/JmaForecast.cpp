// Unfinished: the agency's forecast answer is not read yet.
#include "weather/JmaForecast.h"

bool FillFromJma(TWeatherData&, std::string_view, const TJmaPlace&, std::string_view, TDateTime) {
    return false;
}
