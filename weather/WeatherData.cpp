#include "weather/WeatherData.h"

TWeatherData::TWeatherData() {
    Clear();
}

void TWeatherData::Clear() {
    PointDate.fill(0.0);
    PointHour.fill(NoValue);
    PointWeather.fill(std::string());
    PointTemp.fill(NoValue);
    WeekDate.fill(0.0);
    WeekWeather.fill(std::string());
    WeekMinTemp.fill(NoValue);
    WeekMaxTemp.fill(NoValue);
    WeekProb.fill(NoValue);
    DayDate.fill(0.0);
    DayWeather.fill(std::string());
    DayMinTemp.fill(NoValue);
    DayMaxTemp.fill(NoValue);
    DayProb.fill(NoValue);
    LocationName.clear();
    UpdateInfo.clear();
    Information.clear();
}
