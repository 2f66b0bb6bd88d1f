#include "skin/Scale.h"
#include "skin/Skin.h"
#include "weather/WeatherData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Length of the UTF-8 character starting with `lead` (1 for a stray byte).
std::size_t CharLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0 && lead < 0xF0)
        return 3;
    if (lead >= 0xC0 && lead < 0xE0)
        return 2;
    return 1;
}

// Walks the template: "%%" gives "%", "%x" asks `token` for x's text (nothing for an unknown
// token: "%" and the whole character vanish), a lone last "%" gives nothing.
template <class Token> std::string Expand(std::string_view format, Token token) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (++i >= format.size())
            break;
        const char c = format[i];
        if (c == '%')
            out += '%';
        else
            token(c, out);
        i += CharLength(static_cast<unsigned char>(c)) - 1;
    }
    return out;
}

void AppendFormatted(std::string& out, const char* format, long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    out += buffer;
}

// A figure with one decimal; -0.04 rounds to "-0.0", which has no sign.
std::string OneDecimal(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::round(v * 10.0) / 10.0 + 0.0);
    return std::string_view(buffer) == "-0.0" ? "0.0" : buffer;
}

} // namespace

std::string TSkin::FormatText(std::string_view text, const TLabelSetting& setting) const {
    if (text.empty())
        return setting.NoDataString;
    return Expand(setting.DataFormat, [&](char c, std::string& out) {
        if (c == 'r')
            out += text;
    });
}

std::string TSkin::FormatHour(std::int32_t hour, const TLabelSetting& setting) const {
    if (hour == NoValue)
        return setting.NoDataString;
    const long long h = hour;
    return Expand(setting.DataFormat, [&](char c, std::string& out) {
        switch (c) {
        case 'H':
            AppendFormatted(out, "%02lld", h);
            break;
        case 'h':
            AppendFormatted(out, "%lld", h);
            break;
        case 'U':
            AppendFormatted(out, "%02lld", h % 12);
            break;
        case 'u':
            AppendFormatted(out, "%lld", h % 12);
            break;
        case 'N':
        case 'S':
            out += "00";
            break;
        case 'n':
        case 's':
            out += "0";
            break;
        default:
            break;
        }
    });
}

std::string TSkin::FormatDate(TDateTime date, const TLabelSetting& setting) const {
    // A value outside the calendar's years 1-9999 cannot be a date: shown like a missing one.
    if (date == 0.0 || !std::isfinite(date) || date < -693593.0 || date >= 2958466.0)
        return setting.NoDataString;
    const CalendarDate d = DecodeDate(date);
    const int weekday = DayOfWeek(date);
    return Expand(setting.DataFormat, [&](char c, std::string& out) {
        switch (c) {
        case 'Y':
            AppendFormatted(out, "%04lld", d.Year);
            break;
        case 'y':
            AppendFormatted(out, "%02lld", d.Year % 100);
            break;
        case 'M':
            AppendFormatted(out, "%02lld", d.Month);
            break;
        case 'm':
            AppendFormatted(out, "%lld", d.Month);
            break;
        case 'D':
            AppendFormatted(out, "%02lld", d.Day);
            break;
        case 'd':
            AppendFormatted(out, "%lld", d.Day);
            break;
        case 'F':
            out += LocaleInfo.MonthNames[d.Month - 1];
            break;
        case 'f':
            out += LocaleInfo.ShortMonthNames[d.Month - 1];
            break;
        case 'L':
            out += LocaleInfo.DayNames[weekday];
            break;
        case 'l':
            out += LocaleInfo.ShortDayNames[weekday];
            break;
        default:
            break;
        }
    });
}

std::string TSkin::FormatNumber(std::int32_t value, const TLabelSetting& setting) const {
    if (value == NoValue)
        return setting.NoDataString;
    const long long v = value;
    return Expand(setting.DataFormat, [&](char c, std::string& out) {
        switch (c) {
        case 'i':
            AppendFormatted(out, "%lld", v);
            break;
        case 'j':
            AppendFormatted(out, "%2lld", v);
            break;
        case 'J':
            AppendFormatted(out, "%02lld", v);
            break;
        case 'k':
            AppendFormatted(out, "%3lld", v);
            break;
        case 'K':
            AppendFormatted(out, "%03lld", v);
            break;
        default:
            break;
        }
    });
}

std::string TSkin::FormatRange(const std::array<std::int32_t, 2>& range,
                               const TLabelSetting& setting) const {
    if (range[0] == NoValue || range[1] == NoValue)
        return setting.NoDataString;
    return Expand(setting.DataFormat, [&](char c, std::string& out) {
        if (c == 'l')
            AppendFormatted(out, "%lld", static_cast<long long>(range[0]));
        else if (c == 'u')
            AppendFormatted(out, "%lld", static_cast<long long>(range[1]));
    });
}

std::string TSkin::FormatDecimal(const std::optional<double>& value,
                                 const TLabelSetting& setting) const {
    if (!value || !std::isfinite(*value))
        return setting.NoDataString;
    return Expand(setting.DataFormat, [&](char c, std::string& out) {
        if (c == 't')
            out += OneDecimal(*value);
        else if (c == 'i')
            AppendFormatted(out, "%lld", static_cast<long long>(std::lround(*value)));
    });
}

std::string TSkin::FormatObservation(const TObservation& now, const std::optional<double>& value,
                                     bool valued, std::string_view text,
                                     const TLabelSetting& setting) const {
    if (now.Time.size() != 16 || (valued && (!value || !std::isfinite(*value))))
        return setting.NoDataString;
    const double v = value.value_or(0.0);
    return Expand(setting.DataFormat, [&](char c, std::string& out) {
        char buffer[64];
        switch (c) {
        case 't':
            // -0.04 rounds to "-0.0": a temperature of zero has no sign.
            std::snprintf(buffer, sizeof buffer, "%.1f", std::round(v * 10.0) / 10.0 + 0.0);
            out += std::string_view(buffer) == "-0.0" ? "0.0" : buffer;
            break;
        case 'i':
            AppendFormatted(out, "%lld", static_cast<long long>(std::lround(v)));
            break;
        case 'r':
            out += text;
            break;
        case 'H':
            out += now.Time.substr(11, 2);
            break;
        case 'h':
            out += now.Time[11] == '0' ? now.Time.substr(12, 1) : now.Time.substr(11, 2);
            break;
        case 'N':
            out += now.Time.substr(14, 2);
            break;
        default:
            break;
        }
    });
}

bool TSkin::StationRepeatsPlace(std::string_view station, std::string_view place) {
    if (station.empty())
        return false;
    for (const std::string_view suffix : {"", "市", "区", "町", "村"}) {
        const std::string named = std::string(station) + std::string(suffix);
        if (place.ends_with(named))
            return true;
    }
    return false;
}

std::string TSkin::FormatWarnings(const TWeatherData& weather, const TLabelSetting& setting,
                                  double scale) const {
    if (!weather.WarningsKnown)
        return weather.WarningsNote.empty() ? std::string() : std::string(kWarningsUnknownText);
    const std::string note = weather.WarningsNote.empty() ? "" : " (" + weather.WarningsNote + ")";
    if (weather.Warnings.empty()) {
        const std::string text = FormatText("", setting);
        return text.empty() ? text : text + note;
    }
    // Most severe first, whatever order the record holds them in.
    std::vector<const TWarning*> order;
    for (const TWarning& w : weather.Warnings)
        order.push_back(&w);
    std::stable_sort(order.begin(), order.end(),
                     [](const TWarning* a, const TWarning* b) { return a->Level > b->Level; });
    const TRect box = ScaledRect(setting.Rect, UsableScale(scale));
    const std::int64_t room = std::int64_t{box.Right} - box.Left;
    const std::size_t count = order.size();
    // The text with the first `shown` names; the others counted.
    const auto text = [&](std::size_t shown) {
        std::string names;
        for (std::size_t i = 0; i < shown; ++i)
            names += (i == 0 ? "" : "・") + order[i]->Name;
        if (shown < count)
            names += " 他" + std::to_string(count - shown) + "件";
        return FormatText(names, setting) + note;
    };
    const auto fits = [&](const std::string& t) {
        return MeasureLabel(t, setting, scale).Width <= room;
    };
    if (std::string all = text(count); fits(all))
        return all;
    // A name more is wider than the count it replaces: the first that does not fit ends the
    // search.
    std::string best;
    for (std::size_t shown = 1; shown < count; ++shown) {
        std::string t = text(shown);
        if (!fits(t))
            break;
        best = std::move(t);
    }
    if (!best.empty())
        return best;
    // Not even one name: the count, shorter still where a long note leaves little room.
    const std::string counted =
        FormatText("警報・注意報 " + std::to_string(count) + "件", setting) + note;
    if (note.empty() || MeasureLabel(counted, setting, scale).Width <= room)
        return counted;
    return FormatText(std::to_string(count) + "件", setting) + note;
}
