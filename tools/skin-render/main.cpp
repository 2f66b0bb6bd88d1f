// skin-render SKIN.ini RECORD.json OUT.png [--now YYYY-MM-DDTHH:MM:SS] [--tray TRAY.png]
//             [--scale F]
//
// Draws a forecast record with a skin, as the widget would, into an RGBA PNG; at scale F as on
// a screen of that pixel ratio.
// Exit status: 0 drawn, 1 nothing drawn (no skin file or no background), 2 usage or input
// error, 3 the drawing raised an error (message on standard error).
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "weather/RecordJson.h"
#include "weather/WeatherData.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

int Usage(const std::string& problem) {
    if (!problem.empty())
        std::fprintf(stderr, "skin-render: %s\n", problem.c_str());
    std::fprintf(stderr, "usage: skin-render SKIN.ini RECORD.json OUT.png "
                         "[--now YYYY-MM-DDTHH:MM:SS] [--tray TRAY.png] [--scale F]\n");
    return 2;
}

// A scale as a person writes it ("2", "1.5"), within the range the engine draws at.
bool ParseScale(const std::string& text, double& scale) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    scale = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && scale >= kMinScale && scale <= kMaxScale;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    std::string now, tray, scaleText;
    bool scaleGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--now" || arg == "--tray" || arg == "--scale") {
            if (i + 1 >= argc)
                return Usage(arg + " needs a value");
            (arg == "--now" ? now : arg == "--tray" ? tray : scaleText) = argv[++i];
            scaleGiven = scaleGiven || arg == "--scale";
        } else if (arg == "-h" || arg == "--help") {
            Usage("");
            return 2;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 3)
        return Usage("three files are needed");
    const std::string& skinPath = positional[0];
    const std::string& recordPath = positional[1];
    const std::string& outPath = positional[2];
    double scale = 1.0;
    if (scaleGiven && !ParseScale(scaleText, scale))
        return Usage("--scale needs a number from 1 to 8, not " + scaleText);

    if (!now.empty()) {
        const auto time = platform::ParseLocalDateTime(now);
        if (!time)
            return Usage("--now needs YYYY-MM-DDTHH:MM:SS, not " + now);
        platform::FixClock(*time);
    }

    TWeatherData record;
    try {
        std::string error;
        if (!ReadRecordJson(platform::ReadFileBytes(recordPath), record, error))
            return Usage(recordPath + ": " + error);
    } catch (const EFileError& e) {
        return Usage(e.what());
    }

    if (!platform::FileExists(skinPath)) {
        std::fprintf(stderr, "skin-render: no skin file %s\n", skinPath.c_str());
        return 1;
    }
    TSkin skin;
    TBitmap bitmap;
    try {
        skin.Load(skinPath); // a bad skin-wide FontColor throws here
        skin.Draw(&bitmap, &record, scale);
        if (!tray.empty()) {
            TImageList list;
            skin.LoadTrayImages(&list, scale);
            TBitmap strip(list.Width * static_cast<int>(list.Images.size()), list.Height);
            for (std::size_t i = 0; i < list.Images.size(); ++i)
                for (int y = 0; y < list.Height; ++y)
                    for (int x = 0; x < list.Width; ++x)
                        strip.Pixel(static_cast<int>(i) * list.Width + x, y) =
                            list.Images[i].Pixel(x, y);
            SavePng(tray, strip);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skin-render: %s\n", e.what());
        try {
            if (!bitmap.Empty())
                SavePng(outPath, bitmap); // what was drawn before the error
        } catch (const std::exception& saveError) {
            std::fprintf(stderr, "skin-render: %s\n", saveError.what());
        }
        return 3;
    }
    if (bitmap.Empty()) {
        std::fprintf(stderr, "skin-render: nothing drawn (no background image)\n");
        return 1;
    }
    try {
        SavePng(outPath, bitmap);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skin-render: %s\n", e.what());
        return 3;
    }
    return 0;
}
