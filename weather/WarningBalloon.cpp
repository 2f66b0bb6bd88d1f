#include "weather/WarningBalloon.h"

TWarningBalloon WarningBalloonOf(const std::vector<TWarning>& announced) {
    TWarningLevel most = TWarningLevel::Advisory;
    for (const TWarning& w : announced)
        if (w.Level > most)
            most = w.Level;
    if (most == TWarningLevel::Emergency)
        return {"特別警報", TBalloonIcon::Error};
    if (most == TWarningLevel::Advisory)
        return {"気象警報・注意報", TBalloonIcon::Information};
    return {"気象警報・注意報", TBalloonIcon::Warning};
}
