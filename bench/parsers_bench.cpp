// Speed of the four page parsers on the sample service's pages held in memory, and of a whole
// refresh of each source over loopback.
#include "SamplePages.h"

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "weather/CurlHttpClient.h"
#include "weather/WeatherData.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <map>
#include <thread>

namespace {

const std::vector<TLocationEntry> kEntries = {
    {"東京都", "東京", "千代田区", "forecast/point/13101.html", "forecast/days/13101.html",
     "pinpoint/13101.html", "days/13101.html"},
    {"北海道", "石狩地方", "札幌市", "forecast/point/01100.html", "forecast/days/01100.html",
     "pinpoint/01100.html", "days/01100.html"}};

const TSampleSite& Site() {
    static const TSampleSite site(kEntries, 2026, 12, 9);
    return site;
}

class MemoryClient : public THttpClient {
public:
    std::map<std::string, std::string, std::less<>> Pages;
    std::string Get(const std::string& url) override {
        const auto it = Pages.find(std::string_view(url).substr(0, url.find('?')));
        if (it == Pages.end())
            throw EHttpError(url);
        return it->second;
    }
};

constexpr const char* kBase = "http://127.0.0.1:9";

MemoryClient& Client() {
    static MemoryClient client = [] {
        MemoryClient c;
        for (const std::string path :
             {"/lite/forecast/point/13101.html", "/lite/forecast/days/13101.html",
              "/component/static_api/lite/forecast_point/table/13101_today.js",
              "/component/static_api/lite/forecast_point/table/13101_tomorrow.js",
              "/weather/jp/pinpoint/13101.html", "/weather/jp/days/13101.html"})
            c.Pages[kBase + path] = Site().Get(path)->Body;
        return c;
    }();
    return client;
}

std::size_t Bytes(std::initializer_list<const char*> paths) {
    std::size_t n = 0;
    for (const char* p : paths)
        n += Client().Pages.at(std::string(kBase) + p).size();
    return n;
}

template <typename Parse> void RunParser(benchmark::State& state, Parse parse, std::size_t bytes) {
    platform::FixClock({2026, 12, 9, 18, 0, 0});
    for (auto _ : state) {
        TWeatherData w;
        benchmark::DoNotOptimize(parse(w));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    platform::ReleaseClock();
}

void BM_ParseTenkiLitePoint(benchmark::State& state) {
    RunParser(
        state,
        [](TWeatherData& w) {
            return w.ParseTenkiLitePoint(Client(),
                                         std::string(kBase) + "/lite/forecast/point/13101.html");
        },
        Bytes({"/lite/forecast/point/13101.html",
               "/component/static_api/lite/forecast_point/table/13101_today.js",
               "/component/static_api/lite/forecast_point/table/13101_tomorrow.js"}));
}

void BM_ParseTenkiLiteDays(benchmark::State& state) {
    RunParser(
        state,
        [](TWeatherData& w) {
            return w.ParseTenkiLiteDays(Client(),
                                        std::string(kBase) + "/lite/forecast/days/13101.html");
        },
        Bytes({"/lite/forecast/days/13101.html"}));
}

void BM_ParseYahooPoint(benchmark::State& state) {
    RunParser(
        state,
        [](TWeatherData& w) {
            return w.ParseYahooPoint(Client(),
                                     std::string(kBase) + "/weather/jp/pinpoint/13101.html");
        },
        Bytes({"/weather/jp/pinpoint/13101.html"}));
}

void BM_ParseYahooDays(benchmark::State& state) {
    RunParser(
        state,
        [](TWeatherData& w) {
            return w.ParseYahooDays(Client(), std::string(kBase) + "/weather/jp/days/13101.html");
        },
        Bytes({"/weather/jp/days/13101.html"}));
}

// A loopback server with the sample pages, for the whole-refresh figures.
class LoopbackServer {
public:
    LoopbackServer() {
        server_.Get(R"(/.*)", [](const httplib::Request& req, httplib::Response& res) {
            const auto page = Site().Get(req.path);
            if (!page) {
                res.status = 404;
                return;
            }
            res.set_content(page->Body, page->ContentType.c_str());
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~LoopbackServer() {
        server_.stop();
        thread_.join();
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

void BM_RefreshTenkiLite(benchmark::State& state) {
    LoopbackServer server;
    TCurlHttpClient client;
    platform::FixClock({2026, 12, 9, 18, 0, 0});
    for (auto _ : state) {
        TWeatherData w;
        if (!w.LoadTenkiLite(client, server.Base() + "/lite/forecast/point/13101.html",
                             server.Base() + "/lite/forecast/days/13101.html"))
            state.SkipWithError("refresh failed");
    }
    platform::ReleaseClock();
}

void BM_RefreshYahoo(benchmark::State& state) {
    LoopbackServer server;
    TCurlHttpClient client;
    platform::FixClock({2026, 12, 9, 18, 0, 0});
    for (auto _ : state) {
        TWeatherData w;
        if (!w.LoadYahoo(client, server.Base() + "/weather/jp/pinpoint/13101.html",
                         server.Base() + "/weather/jp/days/13101.html"))
            state.SkipWithError("refresh failed");
    }
    platform::ReleaseClock();
}

} // namespace

BENCHMARK(BM_ParseTenkiLitePoint);
BENCHMARK(BM_ParseTenkiLiteDays);
BENCHMARK(BM_ParseYahooPoint);
BENCHMARK(BM_ParseYahooDays);
BENCHMARK(BM_RefreshTenkiLite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RefreshYahoo)->Unit(benchmark::kMillisecond)->UseRealTime();
