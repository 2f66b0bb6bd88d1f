// Typing in the location dialog: one search over every place of the agency's real area table and
// the shipped list, per key of a word typed in kanji, kana and romaji (goal: 50 ms a key), and
// the building of the index when the dialog opens.
#include "weather/LocationList.h"
#include "weather/PlaceSearch.h"
#include "weather/jma/JmaAreas.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

namespace {

std::vector<TSearchPlace> AllPlaces() {
    std::ifstream file(std::string(PELUMI_TEST_DATA_DIR) + "/jma/area.json", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::vector<TSearchPlace> places = JmaSearchPlaces(ReadJmaMunicipalities(text.str()));
    std::vector<TLocationNames> names;
    for (const TLocationEntry& e :
         ReadLocationFile(std::string(PELUMI_SOURCE_DIR) + "/data/urls.list"))
        names.push_back({e[0], e[1], e[2]});
    AddListEntries(places, names);
    return places;
}

const TPlaceSearch& Search() {
    static const TPlaceSearch search(AllPlaces());
    return search;
}

// Each key of `word` as typed: its first character, its first two, ... the whole word.
void TypeWord(benchmark::State& state, std::string_view word) {
    std::vector<std::string> typed;
    for (std::size_t i = 1; i <= word.size(); ++i)
        if (i == word.size() || (static_cast<unsigned char>(word[i]) & 0xC0) != 0x80)
            typed.emplace_back(word.substr(0, i));
    const TPlaceSearch& search = Search();
    // As the dialog does: the near misses when nothing matches as typed.
    for (auto _ : state)
        for (const std::string& text : typed) {
            std::vector<std::size_t> found = search.Find(text, 100);
            if (found.empty())
                found = search.Suggest(text, 5);
            benchmark::DoNotOptimize(found);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(typed.size()));
    state.counters["places"] = static_cast<double>(search.Places().size());
}

void BM_SearchKanjiPerKey(benchmark::State& state) {
    TypeWord(state, "軽井沢町");
}
void BM_SearchKanaPerKey(benchmark::State& state) {
    TypeWord(state, "かるいざわ");
}
void BM_SearchRomajiPerKey(benchmark::State& state) {
    TypeWord(state, "karuizawa");
}
void BM_SearchPrefectureAndName(benchmark::State& state) {
    TypeWord(state, "長野県 かるいざわ");
}
void BM_SearchNearMiss(benchmark::State& state) {
    TypeWord(state, "karuisawa");
}
// A location list of 300,000 entries joined to the agency's municipalities and indexed, as the
// location dialog does off the interface thread.
void BM_IndexLargeList(benchmark::State& state) {
    std::ifstream file(std::string(PELUMI_TEST_DATA_DIR) + "/jma/area.json", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::vector<TSearchPlace> table = JmaSearchPlaces(ReadJmaMunicipalities(text.str()));
    std::vector<TLocationNames> names;
    for (int i = 0; i < 300000; ++i)
        names.push_back({"地方" + std::to_string(i % 500), "県" + std::to_string(i % 5000),
                         "町" + std::to_string(i)});
    for (auto _ : state) {
        std::vector<TSearchPlace> places = table;
        AddListEntries(places, names);
        benchmark::DoNotOptimize(TPlaceSearch(std::move(places)));
    }
}
void BM_BuildIndex(benchmark::State& state) {
    const std::vector<TSearchPlace> places = AllPlaces();
    for (auto _ : state)
        benchmark::DoNotOptimize(TPlaceSearch(places));
}

} // namespace

BENCHMARK(BM_SearchKanjiPerKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchKanaPerKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchRomajiPerKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchPrefectureAndName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchNearMiss)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IndexLargeList)->Unit(benchmark::kMillisecond)->Iterations(1);
