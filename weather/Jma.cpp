// Unfinished: the agency's source loads nothing yet.
#include "weather/Jma.h"

TForecastOutcome LoadJma(THttpClient&, const TForecastRequest&) {
    return {};
}
