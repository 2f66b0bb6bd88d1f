#include "platform/Clock.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "weather/WeatherData.h"

#include <benchmark/benchmark.h>

namespace {

const std::string kDemoSkin = std::string(PELUMI_TEST_DATA_DIR) + "/skin/demo/demo.ini";

TWeatherData FullRecord() {
    const char* phrases[] = {"晴れ", "曇のち雨", "雨", "晴時々曇", "くもり", "雪", "曇一時雪"};
    TWeatherData w;
    for (int i = 0; i < 16; ++i) {
        w.PointDate[i] = 41704 + i / 8;
        w.PointHour[i] = 3 * (i % 8 + 1);
        w.PointWeather[i] = phrases[i % 7];
        w.PointTemp[i] = i - 3;
    }
    for (int i = 0; i < 7; ++i) {
        w.WeekDate[i] = 41705 + i;
        w.WeekWeather[i] = phrases[(i + 3) % 7];
        w.WeekMinTemp[i] = i - 2;
        w.WeekMaxTemp[i] = i + 10;
        w.WeekProb[i] = 10 * i;
    }
    for (int d = 0; d < 2; ++d) {
        w.DayDate[d] = 41704 + d;
        w.DayWeather[d] = phrases[d + 1];
        w.DayMinTemp[d] = d;
        w.DayMaxTemp[d] = 12 + d;
    }
    for (int b = 0; b < 8; ++b)
        w.DayProb[b] = 10 * b;
    w.LocationName = "東京";
    w.UpdateInfo = "5日11時発表";
    return w;
}

// The whole widget: skin sections, every PNG from disk, icons, labels.
void BM_DrawDemoSkin(benchmark::State& state) {
    platform::FixClock({2014, 3, 5, 14, 30, 0});
    TSkin skin;
    skin.Load(kDemoSkin);
    const TWeatherData record = FullRecord();
    TBitmap bitmap;
    for (auto _ : state) {
        skin.Draw(&bitmap, &record);
        benchmark::DoNotOptimize(bitmap.Data());
    }
    platform::ReleaseClock();
}
BENCHMARK(BM_DrawDemoSkin)->Unit(benchmark::kMillisecond);

void BM_LoadTrayImages(benchmark::State& state) {
    TSkin skin;
    skin.Load(kDemoSkin);
    TImageList list;
    for (auto _ : state) {
        skin.LoadTrayImages(&list);
        benchmark::DoNotOptimize(list.Images.data());
    }
}
BENCHMARK(BM_LoadTrayImages)->Unit(benchmark::kMicrosecond);

void BM_LoadSkin(benchmark::State& state) {
    for (auto _ : state) {
        TSkin skin;
        skin.Load(kDemoSkin);
        benchmark::DoNotOptimize(skin.LabelDefaults.FontHeight);
    }
}
BENCHMARK(BM_LoadSkin)->Unit(benchmark::kMicrosecond);

void BM_ResampleIcon(benchmark::State& state) {
    TBitmap source(64, 64), target(40, 40);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            source.Pixel(x, y) = 0xFF000000u | static_cast<std::uint32_t>(x * 4 + y);
    for (auto _ : state) {
        TSkin::ResampleBitmap(source, target);
        benchmark::DoNotOptimize(target.Data());
    }
}
BENCHMARK(BM_ResampleIcon)->Unit(benchmark::kMicrosecond);

void BM_BlendBackground(benchmark::State& state) {
    const TBitmap back = LoadPng(std::string(PELUMI_TEST_DATA_DIR) + "/skin/demo/back.png");
    const TBitmap split = LoadPng(std::string(PELUMI_TEST_DATA_DIR) + "/skin/demo/split.png");
    TBitmap target = back;
    for (auto _ : state) {
        BlendBitmap(target, split, 0, 0);
        benchmark::DoNotOptimize(target.Data());
    }
}
BENCHMARK(BM_BlendBackground)->Unit(benchmark::kMicrosecond);

} // namespace
