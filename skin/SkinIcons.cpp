#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinPaths.h"

#include <algorithm>
#include <array>

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
    scale = UsableScale(scale);
    std::string left, right;
    std::string connector;
    bool composite = true;
    if (SplitPhrase(phrase, "のち", left, right) || SplitPhrase(phrase, "後", left, right))
        connector = ImageFiles.After;
    else if (SplitPhrase(phrase, "時々", left, right) || SplitPhrase(phrase, "一時", left, right))
        connector = ImageFiles.Occas;
    else
        composite = false; // left is the whole phrase, right empty
    std::string name1 = WordImage(left, isDay);
    std::string name2 = right.empty() ? std::string() : WordImage(right, isDay);
    if (!platform::FileExists(SkinImagePath(SkinDir, name1)))
        name1 = ImageFiles.NA;
    if (!platform::FileExists(SkinImagePath(SkinDir, name2)))
        name2 = ImageFiles.NA;

    if (!composite) {
        const std::string path = SkinImagePath(SkinDir, name1);
        return platform::FileExists(path) ? LoadSkinImage(name1, scale) : TBitmap();
    }

    struct Part {
        const std::string* name;
        TPoint position;
        TBitmap image;
    };
    std::array<Part, 3> parts{{{&name1, ImagePosition.Image1Pos, {}},
                               {&name2, ImagePosition.Image2Pos, {}},
                               {&connector, ImagePosition.ConnectorPos, {}}}};
    std::int64_t width = 0, height = 0;
    for (Part& part : parts) {
        const std::string path = SkinImagePath(SkinDir, *part.name);
        const bool shown = part.position.X >= 0 && part.position.Y >= 0;
        // The offsets are laid out at the scale too, with the same rounding as every edge.
        part.position = ScaledPoint(part.position, scale);
        if (shown && platform::FileExists(path))
            part.image = LoadSkinImage(*part.name, scale);
        width = std::max(width, std::int64_t{part.position.X} + part.image.Width());
        height = std::max(height, std::int64_t{part.position.Y} + part.image.Height());
    }
    // Positions far out would make a canvas no widget can show: it is cut at the image limit.
    TBitmap b(static_cast<int>(std::min<std::int64_t>(width, kMaxImageSide)),
              static_cast<int>(std::min<std::int64_t>(height, kMaxImageSide)));
    ClearBitmap(b);
    for (const Part& part : parts)
        if (!part.image.Empty())
            BlendBitmap(b, part.image, part.position.X, part.position.Y);
    return b;
}
