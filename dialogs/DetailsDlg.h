#pragma once

#include "weather/WeatherData.h"

#include <QDialog>

#include <cstdint>

class QLabel;

// 詳しい予報: what the record tells beyond the widget's face, in Japanese. Today and tomorrow
// with the agency's own words for the weather, the wind and the waves (the short form of the day's
// weather where a source has no words), the temperatures and the six-hour bands; the office's
// 天気概況 with its time; the week with its ranges, 信頼度 and normals; the weather now with the
// humidity, the wind and the hour's rain (only while it is current); the warnings in force with
// their time. The sources are credited at the foot. A part the record has nothing for says so
// or is left out (the overview, a row of waves). Esc and 閉じる close it.
//
// Every text a person reads is a QLabel with an object name, for tests: "Place", "Update",
// "DayTitle0", "DayText0", "DayWind0", "DayWave0", "DayTemp0", "DayProb0" (and 1),
// "OverviewTime", "OverviewHeadline", "Overview", "WeekDate0" … "WeekReliability6" (WeekDate,
// WeekWeather, WeekProb, WeekMin, WeekMax, WeekReliability), "WeekNormal", "NowTitle",
// "NowTemp", "NowHumidity", "NowWind", "NowPrecip", "Warnings", "WarningsTime", "Source",
// "OpenMeteoSource".
class TDetailsDialog : public QDialog {
    Q_OBJECT

public:
    // `unixNow` decides whether the observation is the weather now; `openMeteoCredit` names
    // Open-Meteo beside the agency (some of what is shown is the live source's).
    TDetailsDialog(QWidget* owner, const TWeatherData& record, std::int64_t unixNow,
                   bool openMeteoCredit);

    // The label named `name`, or nullptr.
    QLabel* Part(const char* name) const;

    // Shows the dialog modally, sized to the screen it opens on.
    void Execute();
};
