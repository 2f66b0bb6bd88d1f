// Reading a JSON answer: a hostile one of many small members against a real answer padded to the
// same size, for the services' answers (2 MiB limit) and for the kept record. Linear reading
// keeps the two within a small factor of each other.
#include "platform/TextCodec.h"
#include "weather/JsonAnswer.h"
#include "weather/RecordJson.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// `"k0":{},"k1":{},...` inside an object, up to `bytes`.
std::string WideObject(std::size_t bytes) {
    std::string text = "{";
    for (int i = 0; text.size() + 16 < bytes; ++i)
        text += "\"k" + std::to_string(i) + "\":{},";
    text += "\"end\":0}";
    return text;
}

// `[{},{},...]` up to `bytes`.
std::string WideArray(std::size_t bytes) {
    std::string text = "[";
    while (text.size() + 8 < bytes)
        text += "{},";
    text += "{}]";
    return text;
}

// A real answer with a padding member, to `bytes` in all.
std::string Padded(const std::string& file, std::size_t bytes) {
    std::string text = platform::ReadFileBytes(std::string(PELUMI_TEST_DATA_DIR) + "/" + file);
    const std::size_t brace = text.find('{');
    const std::string head = "{\"padding\":\"";
    const std::size_t pad =
        bytes > text.size() + head.size() + 2 ? bytes - text.size() - head.size() - 2 : 0;
    return head + std::string(pad, ' ') + "\"," + text.substr(brace + 1);
}

constexpr std::size_t kAnswerBytes = kMaxAnswerBytes - 64;

void Answer(benchmark::State& state, const std::string& text) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseJsonAnswer(text, kMaxAnswerBytes, 16));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_AnswerHostileObject(benchmark::State& state) {
    static const std::string text = WideObject(kAnswerBytes);
    Answer(state, text);
}

void BM_AnswerHostileArray(benchmark::State& state) {
    static const std::string text = WideArray(kAnswerBytes);
    Answer(state, text);
}

void BM_AnswerRealPadded(benchmark::State& state) {
    static const std::string text =
        Padded("openmeteo/forecast-nyagatare-2026-06-27.json", kAnswerBytes);
    Answer(state, text);
}

constexpr std::size_t kRecordBytes = 1024 * 1024;

void Record(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        TWeatherData record;
        std::string error;
        benchmark::DoNotOptimize(ReadRecordJson(text, record, error));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_RecordHostile(benchmark::State& state) {
    static const std::string text = WideObject(kRecordBytes);
    Record(state, text);
}

void BM_RecordRealPadded(benchmark::State& state) {
    static const std::string text = Padded("records/full.json", kRecordBytes);
    Record(state, text);
}

} // namespace

BENCHMARK(BM_AnswerHostileObject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnswerHostileArray)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnswerRealPadded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordHostile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordRealPadded)->Unit(benchmark::kMillisecond);

namespace {

// The agency's constants may be up to 16 MiB (JmaPlace.cpp).
void BM_ConstantsHostile(benchmark::State& state) {
    static const std::string text = WideObject(16u * 1024u * 1024u - 64);
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseJsonAnswer(text, 16u * 1024u * 1024u, 8));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

} // namespace

BENCHMARK(BM_ConstantsHostile)->Unit(benchmark::kMillisecond);
