// Drawing a whole widget from a fuzzed skin file, with the shipped images of the simple skin
// beside it and a full forecast record. Broken images and colours are the skin's own errors;
// anything else, and any picture beyond the image size limit, is a fault.
#include "platform/Errors.h"
#include "skin/Png.h"
#include "skin/Skin.h"
#include "weather/WeatherData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string SkinFolder() {
    char folder[] = "/tmp/pelumi-fuzz-skin-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    std::filesystem::copy(std::string(PELUMI_SOURCE_DIR) + "/data/Skin/Simple/img",
                          std::string(folder) + "/img");
    return folder;
}

TWeatherData Record() {
    TWeatherData w;
    const char* phrases[] = {"晴れ", "曇り", "雨", "雪", "晴のち曇", "曇時々雨", "雨一時雪", "霧"};
    for (int s = 0; s < 16; ++s) {
        w.PointDate[s] = 41703 + s / 8;
        w.PointHour[s] = 3 * (s % 8);
        w.PointWeather[s] = phrases[s % 8];
        w.PointTemp[s] = s - 4;
    }
    for (int d = 0; d < 7; ++d) {
        w.WeekDate[d] = 41704 + d;
        w.WeekWeather[d] = phrases[(d + 3) % 8];
        w.WeekMinTemp[d] = -d;
        w.WeekMaxTemp[d] = d == 3 ? NoValue : 10 + d;
        w.WeekProb[d] = 10 * d;
    }
    for (int d = 0; d < 2; ++d) {
        w.DayDate[d] = 41703 + d;
        w.DayWeather[d] = phrases[d + 4];
        w.DayMinTemp[d] = 2;
        w.DayMaxTemp[d] = 12;
    }
    for (int b = 0; b < 8; ++b)
        w.DayProb[b] = b == 5 ? NoValue : 10 * b;
    w.LocationName = "札幌市";
    w.UpdateInfo = "05日11時";
    w.Information = "";
    return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = SkinFolder();
    static const TWeatherData weather = Record();
    const std::string path = folder + "/skin.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    TSkin skin;
    TBitmap bitmap;
    try {
        skin.Load(path); // a bad [Label] FontColor is the one error of a load
        skin.Draw(&bitmap, &weather);
    } catch (const EPngError&) {
    } catch (const EConvertError&) {
    }
    if (bitmap.Width() > kMaxImageSide || bitmap.Height() > kMaxImageSide)
        __builtin_trap();
    TImageList tray;
    try {
        skin.LoadTrayImages(&tray);
    } catch (const EPngError&) {
    }
    for (const TBitmap& image : tray.Images)
        if (image.Width() != 16 || image.Height() != 16)
            __builtin_trap();
    return 0;
}
