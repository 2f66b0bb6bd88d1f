// Pages built to break the parsers, fed to both loaders through the in-memory client: each
// load fills the record or clears it (or reports an impossible date), quickly and without a
// crash; text that is not UTF-8 is refused whole like a failed download.
#include "platform/Errors.h"
#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/TempDir.h"
#include "weather/HttpClient.h"
#include "weather/WeatherData.h"
#include "weather/pages/CutText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr const char* kLitePoint = "http://127.0.0.1:9/lite/forecast/point/13101.html";
constexpr const char* kLiteDays = "http://127.0.0.1:9/lite/forecast/days/13101.html";
constexpr const char* kScripts =
    "http://127.0.0.1:9/component/static_api/lite/forecast_point/table/13101";
constexpr const char* kYahooPoint = "http://127.0.0.1:9/weather/jp/pinpoint/13101.html";
constexpr const char* kYahooDays = "http://127.0.0.1:9/weather/jp/days/13101.html";

// Each realistic page with a marker that occurs in it.
struct Page {
    std::string url;
    const char* fixture;
    const char* marker;
};
const Page kPages[] = {
    {kLitePoint, "realistic/tenkilite_point.html", "<!-- ポイント予報(今日) -->"},
    {std::string(kScripts) + "_today.js", "realistic/tenkilite_today.js", "\\u003ctr"},
    {std::string(kScripts) + "_tomorrow.js", "realistic/tenkilite_tomorrow.js", "\\u003ctd"},
    {kLiteDays, "realistic/tenkilite_days.html", "<p class=\"forecast_days_weather_telop\">"},
    {kYahooPoint, "realistic/yahoo_pinpoint.html", "alt=\""},
    {kYahooDays, "realistic/yahoo_days.html", "alt=\""},
};

FakeHttpClient RealisticPages() {
    FakeHttpClient c;
    for (const Page& p : kPages)
        c.Pages[p.url] = ReadAll(TestData(p.fixture));
    return c;
}

std::string Repeat(std::string_view piece, int times) {
    std::string out;
    out.reserve(piece.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Loads with both sources; the record must be whole or cleared.
void LoadBoth(FakeHttpClient& client, const std::string& what) {
    for (const bool lite : {true, false}) {
        TWeatherData w;
        try {
            const bool ok = lite ? w.LoadTenkiLite(client, kLitePoint, kLiteDays)
                                 : w.LoadYahoo(client, kYahooPoint, kYahooDays);
            if (!ok) {
                EXPECT_RECORD_EQ(w, TWeatherData()) << what << (lite ? " (tenkilite)" : " (yahoo)");
            }
        } catch (const EConvertError&) {
            // an impossible page date: the refresh reports it as a failure
        }
    }
}

} // namespace

TEST(HostilePages, HugeRepeatedAndBrokenPagesLoadOrClear) {
    using Damage = std::function<std::string(const std::string& body, const std::string& marker)>;
    struct Case {
        const char* what;
        Damage damage;
    };
    const Case cases[] = {
        {"0 bytes", [](const auto&, const auto&) { return std::string(); }},
        {"17 MiB of filler before the page",
         [](const auto& b, const auto&) { return std::string(17 << 20, ' ') + b; }},
        {"17 MiB of one marker",
         [](const auto& b, const auto& m) { return b + Repeat(m, (17 << 20) / m.size()); }},
        {"cut in the middle of a marker",
         [](const auto& b, const auto& m) { return b.substr(0, b.find(m) + m.size() / 2); }},
        {"a marker repeated 10000 times in place",
         [](const auto& b, const auto& m) {
             const std::size_t at = b.find(m);
             return b.substr(0, at) + Repeat(m, 10000) + b.substr(at);
         }},
        {"the part after a marker repeated 5000 times",
         [](const auto& b, const auto& m) {
             const std::size_t at = b.find(m);
             return b.substr(0, at) + Repeat(b.substr(at, 400), 5000) + b.substr(at);
         }},
        {"NUL bytes through the page",
         [](const auto& b, const auto&) {
             std::string s = b;
             for (std::size_t i = 0; i < s.size(); i += 97)
                 s[i] = '\0';
             return s;
         }},
        {"a NUL inside every marker",
         [](const auto& b, const auto& m) {
             std::string s = b;
             for (std::size_t at = s.find(m); at != std::string::npos; at = s.find(m, at + 1))
                 s[at + 1] = '\0';
             return s;
         }},
        {"only line ends", [](const auto&, const auto&) { return Repeat("\r\n\r\r\n\n", 100000); }},
    };
    const FakeHttpClient pages = RealisticPages();
    for (const auto& c : cases) {
        for (const Page& p : kPages) {
            FakeHttpClient client = pages;
            client.Pages[p.url] = c.damage(client.Pages[p.url], p.marker);
            LoadBoth(client, std::string(c.what) + " in " + p.fixture);
        }
    }
}

TEST(HostilePages, TextThatIsNotUtf8IsRefusedWhole) {
    struct Case {
        const char* what;
        std::string bytes;
        bool refused;
    };
    const Case cases[] = {
        {"a stray continuation byte", "晴れ\x80", true},
        {"a cut-off character at the end", "晴れ\xE6\x99", true},
        {"a high surrogate in UTF-8", "\xED\xA0\x80", true},
        {"a surrogate pair in UTF-8", "\xED\xA0\xBD\xED\xB8\x80", true},
        {"an overlong slash", "\xC0\xAF", true},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", true},
        {"Shift-JIS", "\x90\xB0\x82\xEA", true},
        {"UTF-16 with its mark", std::string("\xFF\xFE\x74\x66\x8C\x30", 6), true},
        {"NUL bytes", std::string("a\0b\0", 4), false},
        {"the largest character", "\xF4\x8F\xBF\xBF", false},
    };
    for (const auto& c : cases) {
        FakeHttpClient client;
        client.Pages["http://h/p"] = c.bytes;
        EXPECT_EQ(GetPage(client, "http://h/p").empty(), c.refused) << c.what;
    }
    // A refused script page fails the whole load and clears the record.
    for (const Page& p : kPages) {
        FakeHttpClient client = RealisticPages();
        client.Pages[p.url].insert(client.Pages[p.url].size() / 2, "\xED\xA0\x80");
        LoadBoth(client, std::string("surrogate in ") + p.fixture);
    }
}
