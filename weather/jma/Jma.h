#pragma once

#include "weather/Forecast.h"

class THttpClient;

// The agency's source: the place through its constants (unless the request brings it), then
// the forecast of the place's office, the office's overview (天気概況) and the three-hourly
// series of its class10 area, each asked for conditionally; the point slots come from the live
// source at the place's station (and PointSource says so) only when the series cannot be had. Today
// is the clock's date, which the program reads in Japan's time while this source is chosen. Any
// download failure or unusable answer of the forecast gives Loaded = false with a cleared record;
// an overview that cannot be had leaves its fields empty and the forecast as it is. Throws
// ELocationNotFound, naming the municipality, for a place the constants do not know.
TForecastOutcome LoadJma(THttpClient& client, const TForecastRequest& request);

// The agency's forecast as the answers the last loads kept tell it at `now` (Japan's clock, a
// day count whose fraction is the time of day), read again as if they had just come and
// without the network: yesterday evening's answer read in the morning gives today (its 明日),
// the week and the periods still to come, and its ReportTime says how old it is
// (ForecastTime.h). Needs the resolved place (request.JmaPlace) and the cache folder. Loaded
// false, with a cleared record, when no forecast answer is kept for the place's office or it
// tells nothing of now's day; the point slots stay empty when no series is kept.
TForecastOutcome ReadKeptJma(const TForecastRequest& request, TDateTime now);
