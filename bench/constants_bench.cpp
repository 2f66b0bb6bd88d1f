// The station constants of the weather now read through the cache, as a load does on its
// thread: the real files, the largest files the bounds let through (4 MiB, 20,000 entries,
// lists of 64 stations) and the 16 MB station list of a hostile server (refused). Besides the
// time: the process's resident memory at its peak during the load (`peak_mib`, above the
// start) and once the load is over (`after_mib`): what a load leaves held.
#include "platform/Errors.h"
#include "platform/TextCodec.h"
#include "weather/HttpClient.h"
#include "weather/jma/JmaPlace.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

const std::string kPrefix = "http://jma.test/bosai/";

// Pages held in memory.
class MemoryClient : public THttpClient {
public:
    std::map<std::string, std::string> Pages;
    std::string Get(const std::string& url) override {
        const auto it = Pages.find(url);
        if (it == Pages.end())
            throw EHttpError("404 " + url);
        return it->second;
    }
};

double ResidentMib() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

std::string Data(const char* name) {
    return platform::ReadFileBytes(std::string(PELUMI_TEST_DATA_DIR) + "/" + name);
}

// `count` members "1000000"... each a list of `stations` numbers, padded to at most `bytes`.
std::string StationLists(std::size_t count, std::size_t stations) {
    std::string text = "{";
    for (std::size_t i = 0; i < count; ++i) {
        text += (i == 0 ? "\"" : ",\"") + std::to_string(1000000 + i) + "\":[";
        for (std::size_t k = 0; k < stations; ++k)
            text += (k == 0 ? "\"" : ",\"") + std::to_string(10000 + k) + "\"";
        text += "]";
    }
    return text + "}";
}

void Load(benchmark::State& state, const std::string& class20List, bool refused) {
    MemoryClient client;
    client.Pages[kPrefix + std::string(kJmaForecastAreaPath)] = Data("jma/forecast_area.json");
    client.Pages[kPrefix + std::string(kJmaAmedasTablePath)] =
        Data("jma/amedas/amedastable-2026-04-14.json");
    client.Pages[kPrefix + std::string(kJmaAmedasClass20ListPath)] = class20List;
    const double start = ResidentMib();
    double peak = start;
    double after = start;
    bool ok = true;
    for (auto _ : state) {
        std::atomic<bool> loading{true};
        std::thread watch([&] {
            while (loading) {
                peak = std::max(peak, ResidentMib());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        // On a thread of its own, as the widget's downloads run.
        std::thread load([&] {
            TJmaConstants constants;
            std::string problem;
            ok = LoadJmaStationConstants(client, kPrefix, "", constants, problem) != refused;
        });
        load.join();
        loading = false;
        watch.join();
        after = ResidentMib();
    }
    if (!ok)
        state.SkipWithError("the constants were not read as expected");
    state.counters["list_mib"] = static_cast<double>(class20List.size()) / (1024.0 * 1024.0);
    state.counters["peak_mib"] = peak - start;
    state.counters["after_mib"] = after - start;
}

void BM_StationConstantsReal(benchmark::State& state) {
    Load(state, Data("jma/amedas/amedas_class20_list-2022-02-24.json"), false);
}

void BM_StationConstantsAtTheBounds(benchmark::State& state) {
    // 20,000 municipalities of 24 stations each: just under 4 MiB.
    const std::string list = StationLists(kMaxJmaConstantEntries, 24);
    if (list.size() > kMaxJmaConstantBytes)
        state.SkipWithError("the list is over the bound");
    Load(state, list, false);
}

void BM_StationConstantsHostile(benchmark::State& state) {
    // 843,860 municipalities of one station each: 16 MB.
    Load(state, StationLists(843860, 1), true);
}

} // namespace

BENCHMARK(BM_StationConstantsReal)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StationConstantsAtTheBounds)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StationConstantsHostile)->Iterations(1)->Unit(benchmark::kMillisecond);
