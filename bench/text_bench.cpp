// Label drawing: one typical label (location name with a date) into a widget-sized bitmap.
#include "skin/Font.h"
#include "skin/Skin.h"

#include <benchmark/benchmark.h>

namespace {

TLabelSetting TypicalLabel(bool antiAliasing) {
    TLabelSetting s;
    s.Rect = {10, 10, 210, 30};
    s.FontColor = 0xFFFFFF;
    s.AntiAliasing = antiAliasing ? 1 : 0;
    return s;
}

void DrawLabel(benchmark::State& state, bool antiAliasing) {
    TSkin skin;
    TBitmap bitmap(240, 320);
    const TLabelSetting label = TypicalLabel(antiAliasing);
    for (auto _ : state) {
        skin.DrawLabel(&bitmap, "東京都 千代田区 12月10日(水)", &label);
        benchmark::DoNotOptimize(bitmap.Data());
    }
}

void BM_LabelPlain(benchmark::State& state) {
    DrawLabel(state, false);
}
void BM_LabelAntiAliased(benchmark::State& state) {
    DrawLabel(state, true);
}

// A short number label, the most common kind on the widget.
void BM_NumberLabelAntiAliased(benchmark::State& state) {
    TSkin skin;
    TBitmap bitmap(240, 320);
    TLabelSetting label = TypicalLabel(true);
    label.Rect = {10, 10, 40, 26};
    for (auto _ : state) {
        skin.DrawLabel(&bitmap, "30%", &label);
        benchmark::DoNotOptimize(bitmap.Data());
    }
}

// Font creation alone: matching is cached, so this is the per-label cost of the font.
void BM_CreateLabelFont(benchmark::State& state) {
    TSkin skin;
    const TLabelSetting label = TypicalLabel(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(skin.CreateLabelFont(label));
}

} // namespace

BENCHMARK(BM_LabelPlain);
BENCHMARK(BM_LabelAntiAliased);
BENCHMARK(BM_NumberLabelAntiAliased);
BENCHMARK(BM_CreateLabelFont);
