#include "weather/CutText.h"

#include "platform/Convert.h"
#include "platform/TextCodec.h"
#include "weather/HttpClient.h"

std::string_view CutText(std::string_view& source, std::string_view start, std::string_view end,
                         std::string_view default_) {
    std::string_view rest = source;
    if (!start.empty()) {
        const std::size_t at = rest.find(start);
        if (at == std::string_view::npos)
            return default_;
        rest.remove_prefix(at + start.size());
    }
    if (end.empty()) {
        source = rest.substr(rest.size());
        return rest;
    }
    const std::size_t at = rest.find(end);
    if (at == std::string_view::npos)
        return default_; // nothing consumed: `source` still holds its value on entry
    source = rest.substr(at + end.size());
    return rest.substr(0, at);
}

std::string GetPage(THttpClient& client, const std::string& url) {
    std::string body;
    try {
        body = client.Get(url);
        client.Disconnect();
    } catch (...) {
        return {};
    }
    std::string_view text = body;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (!platform::IsValidUtf8(text))
        return {};

    std::string result;
    result.reserve(text.size() + text.size() / 16 + 2);
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        result.append(text.substr(lineStart, i - lineStart)).append("\r\n");
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < text.size())
        result.append(text.substr(lineStart)).append("\r\n");
    return result;
}

TDateTime PageDateFromMonthDay(const platform::LocalDateTime& clock, std::string_view monthText,
                               std::string_view dayText) {
    const int month = platform::StrToIntDef(monthText, clock.Month);
    const int day = platform::StrToIntDef(dayText, clock.Day);
    const TDateTime date = EncodeDate(clock.Year, month, day);
    if (date > Today())
        return EncodeDate(clock.Year - 1, month, day);
    return date;
}
