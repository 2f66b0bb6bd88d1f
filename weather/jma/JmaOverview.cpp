// The office's 天気概況 into the record.
#include "weather/jma/JmaOverview.h"

#include "platform/Convert.h"
#include "weather/JsonAnswer.h"
#include "weather/KeptAnswer.h"

#include <nlohmann/json.hpp>

#include <vector>

using json = nlohmann::json;

namespace {

// An object of texts: anything deeper is no overview, and is dropped while parsing.
constexpr int kMaxDepth = 2;

constexpr std::int64_t kJapanOffset = 9 * 60 * 60;

std::string_view TextOf(const json* value) {
    return value != nullptr && value->is_string()
               ? std::string_view(value->get_ref<const std::string&>())
               : std::string_view();
}

// A line without the spaces at its end (full-width ones too).
std::string_view TrimEnd(std::string_view line) {
    constexpr std::string_view wide = "\u3000";
    for (;;) {
        if (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        else if (line.ends_with(wide))
            line.remove_suffix(wide.size());
        else
            return line;
    }
}

// The agency's text with its line breaks as "\n": each line without trailing spaces, at most one
// empty line between paragraphs, none at either end.
std::string Paragraphs(std::string_view text) {
    std::vector<std::string_view> lines;
    while (true) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(TrimEnd(text.substr(0, end)));
        if (end == std::string_view::npos)
            break;
        const std::size_t next = text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
        text.remove_prefix(next);
    }
    std::string out;
    bool gap = false;
    for (const std::string_view line : lines) {
        if (line.empty()) {
            gap = !out.empty();
            continue;
        }
        if (!out.empty())
            out += gap ? "\n\n" : "\n";
        gap = false;
        out += line;
    }
    return out;
}

} // namespace

std::string JapanMinute(std::string_view stamp) {
    if (stamp.size() < 16)
        return {};
    const auto asJapan = JapanTimeSeconds(stamp.substr(0, 16));
    if (!asJapan)
        return {};
    std::string_view rest = stamp.substr(16);
    // Seconds and their fraction say nothing of the minute.
    int seconds = 0;
    if (rest.starts_with(':')) {
        if (!platform::ReadDigits(rest, 1, 2, seconds) || seconds > 60)
            return {};
        rest.remove_prefix(3);
        if (rest.starts_with('.')) {
            rest.remove_prefix(1);
            std::size_t digits = 0;
            while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
                ++digits;
            if (digits == 0)
                return {};
            rest.remove_prefix(digits);
        }
    }
    std::int64_t offset = kJapanOffset;
    if (rest == "Z") {
        offset = 0;
    } else if (rest.size() == 6 && (rest[0] == '+' || rest[0] == '-') && rest[3] == ':') {
        int hours = 0, minutes = 0;
        if (!platform::ReadDigits(rest, 1, 2, hours) ||
            !platform::ReadDigits(rest, 4, 2, minutes) || hours > 23 || minutes > 59)
            return {};
        offset = (rest[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    } else if (!rest.empty()) {
        return {};
    }
    return JapanTimeText(*asJapan + kJapanOffset - offset);
}

std::optional<TJmaOverview> ReadJmaOverview(std::string_view answer) {
    const json doc = ParseJsonAnswer(answer, kMaxJmaOverviewBytes, kMaxDepth);
    const json* text = JsonMember(&doc, "text");
    if (text == nullptr || !text->is_string())
        return std::nullopt;
    TJmaOverview overview;
    overview.Text = Paragraphs(TextOf(text));
    overview.Headline = Paragraphs(TextOf(JsonMember(&doc, "headlineText")));
    overview.Time = JapanMinute(TextOf(JsonMember(&doc, "reportDatetime")));
    return overview;
}

std::string JmaOverviewName(const TJmaPlace& place) {
    return "jma/overview/" + JmaWarningOffice(place) + ".answer";
}

bool AddJmaOverview(THttpClient& client, const std::string& jmaPrefix,
                    const std::string& cacheFolder, const TJmaPlace& place, TWeatherData& record) {
    const std::string office = JmaWarningOffice(place);
    const TKeptAnswerRequest request{jmaPrefix + "forecast/data/overview_forecast/" + office +
                                         ".json",
                                     cacheFolder, JmaOverviewName(place), kMaxJmaOverviewBytes};
    std::optional<TJmaOverview> overview;
    const auto accept = [&](std::string_view answer) {
        overview = ReadJmaOverview(answer);
        return overview.has_value();
    };
    bool used = false;
    try {
        used = FetchKeptAnswer(client, request, accept) == TKeptAnswerResult::Used;
    } catch (const std::exception&) {
        // As an overview that cannot be had: the forecast stands without it.
    }
    if (!used || !overview)
        overview = TJmaOverview{};
    record.Overview = std::move(overview->Text);
    record.OverviewHeadline = std::move(overview->Headline);
    record.OverviewTime = std::move(overview->Time);
    return used;
}
