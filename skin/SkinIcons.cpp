#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinCache.h"
#include "skin/SkinPaths.h"

#include <algorithm>
#include <array>
#include <memory>

bool TSkin::SplitPhrase(std::string_view phrase, std::string_view connector, std::string& left,
                        std::string& right) {
    const std::size_t at = connector.empty() ? std::string_view::npos : phrase.find(connector);
    if (at == std::string_view::npos) {
        left = std::string(phrase);
        right.clear();
        return false;
    }
    left = std::string(phrase.substr(0, at));
    right = std::string(phrase.substr(at + connector.size()));
    return true;
}

std::string TSkin::WordImage(std::string_view word, bool isDay) const {
    if (word.empty())
        return std::string();
    struct Row {
        std::string_view search;
        const std::string* image;
    };
    // Fog without a picture of its own is drawn as cloud, never as "no data".
    const std::string* fog = platform::FileExists(SkinImagePath(SkinDir, ImageFiles.Fog))
                                 ? &ImageFiles.Fog
                                 : &ImageFiles.Cloudy;
    // 霧雨 (drizzle) is rain: it comes before 霧, which would otherwise begin as early.
    const std::array<Row, 9> rows{{
        {"晴", isDay ? &ImageFiles.Fine : &ImageFiles.FineNight},
        {"霧雨", &ImageFiles.Rain},
        {"雨", &ImageFiles.Rain},
        {"雷", &ImageFiles.Rain},
        {"曇", &ImageFiles.Cloudy},
        {"くもり", &ImageFiles.Cloudy},
        {"雪", &ImageFiles.Snow},
        {"みぞれ", &ImageFiles.Snow},
        {"霧", fog},
    }};
    // Each match cuts the text to what precedes it: the word that begins first wins.
    std::string result = ImageFiles.NA;
    std::string_view text = word;
    for (const Row& row : rows) {
        const std::size_t at = text.find(row.search);
        if (at != std::string_view::npos) {
            text = text.substr(0, at);
            result = *row.image;
        }
    }
    return result;
}

TBitmap TSkin::CreateWeatherIcon(std::string_view phrase, bool isDay, double scale) const {
    const auto icon = ComposeWeatherIcon(*this, phrase, isDay, scale, [&](const std::string& name) {
        return std::make_shared<const TBitmap>(LoadSkinImage(name, UsableScale(scale)));
    });
    return icon ? *icon : TBitmap();
}

std::shared_ptr<const TBitmap> ComposeWeatherIcon(const TSkin& skin, std::string_view phrase,
                                                  bool isDay, double scale,
                                                  const TImageSource& image) {
    scale = UsableScale(scale);
    const TImageFiles& files = skin.ImageFiles;
    const TImagePosition& positions = skin.ImagePosition;
    std::string left, right;
    std::string connector;
    bool composite = true;
    if (TSkin::SplitPhrase(phrase, "のち", left, right) ||
        TSkin::SplitPhrase(phrase, "後", left, right))
        connector = files.After;
    else if (TSkin::SplitPhrase(phrase, "時々", left, right) ||
             TSkin::SplitPhrase(phrase, "一時", left, right))
        connector = files.Occas;
    else
        composite = false; // left is the whole phrase, right empty
    std::string name1 = skin.WordImage(left, isDay);
    std::string name2 = right.empty() ? std::string() : skin.WordImage(right, isDay);
    if (!platform::FileExists(SkinImagePath(skin.SkinDir, name1)))
        name1 = files.NA;
    if (!platform::FileExists(SkinImagePath(skin.SkinDir, name2)))
        name2 = files.NA;

    if (!composite) {
        const std::string path = SkinImagePath(skin.SkinDir, name1);
        return platform::FileExists(path) ? image(name1) : nullptr;
    }

    struct Part {
        const std::string* name;
        TPoint position;
        std::shared_ptr<const TBitmap> image;
    };
    std::array<Part, 3> parts{{{&name1, positions.Image1Pos, {}},
                               {&name2, positions.Image2Pos, {}},
                               {&connector, positions.ConnectorPos, {}}}};
    std::int64_t width = 0, height = 0;
    for (Part& part : parts) {
        const std::string path = SkinImagePath(skin.SkinDir, *part.name);
        const bool shown = part.position.X >= 0 && part.position.Y >= 0;
        // The offsets are laid out at the scale too, with the same rounding as every edge.
        part.position = ScaledPoint(part.position, scale);
        if (shown && platform::FileExists(path))
            part.image = image(*part.name);
        const int w = part.image ? part.image->Width() : 0;
        const int h = part.image ? part.image->Height() : 0;
        width = std::max(width, std::int64_t{part.position.X} + w);
        height = std::max(height, std::int64_t{part.position.Y} + h);
    }
    // Positions far out would make a canvas no widget can show: it is cut at the image limit.
    auto b =
        std::make_shared<TBitmap>(static_cast<int>(std::min<std::int64_t>(width, kMaxImageSide)),
                                  static_cast<int>(std::min<std::int64_t>(height, kMaxImageSide)));
    TSkin::ClearBitmap(*b);
    for (const Part& part : parts)
        if (part.image && !part.image->Empty())
            BlendBitmap(*b, *part.image, part.position.X, part.position.Y);
    return b;
}
