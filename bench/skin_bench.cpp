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
    w.Now.Time = "2014-03-05T14:20";
    w.Now.Station = "江戸川臨海";
    w.Now.Temp = 11.4;
    w.WarningsKnown = true;
    w.Warnings = {{"03", "レベル3大雨警報", "発表", TWarningLevel::Warning},
                  {"04", "洪水警報", "発表", TWarningLevel::Warning},
                  {"15", "強風注意報", "発表", TWarningLevel::Advisory}};
    return w;
}

// The same forecast as a refresh leaves it on screen a moment later: the status line, the
// weather now and a slot's temperature changed.
TWeatherData NextRecord() {
    TWeatherData w = FullRecord();
    w.Information = "接続しています";
    w.Now.Temp = 11.7;
    w.PointTemp[5] += 1;
    return w;
}

// The default shipped skin, which has an @2x form of every image.
const std::string kShippedSkin = std::string(PELUMI_SOURCE_DIR) + "/data/Skin/Simple/small.ini";

// The widget redrawn at a scale (the argument, in hundredths) as a refresh redraws it: each
// drawing changes a few texts against the one before, so the changed labels are rendered (a
// text seen before comes from what the skin keeps) and composed again.
void DrawSkin(benchmark::State& state, const std::string& path) {
    platform::FixClock({2014, 3, 5, 14, 30, 0});
    TSkin skin;
    skin.Load(path);
    const TWeatherData records[] = {FullRecord(), NextRecord()};
    const double scale = static_cast<double>(state.range(0)) / 100;
    TBitmap bitmap;
    int i = 0;
    for (auto _ : state) {
        skin.Draw(&bitmap, &records[i ^= 1], scale);
        benchmark::DoNotOptimize(bitmap.Data());
    }
    state.counters["pixels"] = bitmap.Width() * bitmap.Height();
    platform::ReleaseClock();
}

// The test skin has 1x images only: above 1 each is enlarged smoothly.
void BM_DrawDemoSkin(benchmark::State& state) {
    DrawSkin(state, kDemoSkin);
}
BENCHMARK(BM_DrawDemoSkin)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_DrawShippedSkin(benchmark::State& state) {
    DrawSkin(state, kShippedSkin);
}
BENCHMARK(BM_DrawShippedSkin)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

// The first drawing after a skin is loaded: every image decoded and scaled, every icon composed,
// every label rendered (glyphs already rasterised by earlier drawings of the process).
void BM_DrawShippedSkinFirst(benchmark::State& state) {
    platform::FixClock({2014, 3, 5, 14, 30, 0});
    const TWeatherData record = FullRecord();
    const double scale = static_cast<double>(state.range(0)) / 100;
    TBitmap bitmap;
    for (auto _ : state) {
        TSkin skin;
        skin.Load(kShippedSkin);
        skin.Draw(&bitmap, &record, scale);
        benchmark::DoNotOptimize(bitmap.Data());
    }
    platform::ReleaseClock();
}
BENCHMARK(BM_DrawShippedSkinFirst)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_LoadTrayImages(benchmark::State& state) {
    TSkin skin;
    skin.Load(state.range(1) ? kShippedSkin : kDemoSkin);
    TImageList list;
    const double scale = static_cast<double>(state.range(0)) / 100;
    for (auto _ : state) {
        skin.LoadTrayImages(&list, scale);
        benchmark::DoNotOptimize(list.Images.data());
    }
}
// Arguments: the scale in hundredths; 1 for the shipped skin, 0 for the test skin.
BENCHMARK(BM_LoadTrayImages)
    ->Args({100, 0})
    ->Args({200, 0})
    ->Args({100, 1})
    ->Args({200, 1})
    ->Unit(benchmark::kMicrosecond);

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
