#pragma once

// What a skin keeps between drawings (inside the skin engine only). Everything kept is made
// exactly as a drawing without it would make it, so a drawing from the cache is the drawing;
// what depends on a file is dropped when the file changes.

#include "skin/Skin.h"
#include "skin/SkinFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A skin image by its ImageFiles name at the scale a composition asks for.
using TImageSource = std::function<std::shared_ptr<const TBitmap>(const std::string& name)>;

// The icon of a phrase at a scale, as TSkin::CreateWeatherIcon makes it, with its images from
// `image`; nothing where that makes an empty icon.
std::shared_ptr<const TBitmap> ComposeWeatherIcon(const TSkin& skin, std::string_view phrase,
                                                  bool isDay, double scale,
                                                  const TImageSource& image);

class TSkinCache {
public:
    // The skin file as it is on disk now: parsed again only when its bytes changed, its reads
    // remembered meanwhile. A missing or unreadable file reads as an empty one.
    const TSkinFile& File(const std::string& path);

    // Called at the start of a drawing: drops every picture made from the skin's image fields or
    // files when any of them changed since (a file written, added or removed; its @2x form too
    // when drawing above scale 1).
    void Refresh(const TSkin& skin, double scale);

    // The background with the splitter over it at a scale, and the scale it was made at (lower
    // than asked when the background would pass the image limit). Throws EPngError for a broken
    // background or splitter.
    struct TBase {
        std::shared_ptr<const TBitmap> Pixels;
        double Scale = 1.0;
    };
    TBase Base(const TSkin& skin, double scale);

    // The layers of a drawing, each made once: a weather icon in its box, an image of
    // ImageFiles in its box (nothing when its file is missing), a label's text.
    TLayer Icon(const TSkin& skin, std::string_view phrase, bool isDay, const TIconSetting& setting,
                double scale);
    TLayer Image(const TSkin& skin, const std::string& name, const TIconSetting& setting,
                 double scale);
    TLayer Label(const TSkin& skin, std::string_view text, const TLabelSetting& setting,
                 double scale, int clipWidth, int clipHeight);

    // The base with the layers over it, in their order. Only the places where the layers differ
    // from the last composition over the same base are composed again.
    const TBitmap& Compose(const TBase& base, const std::vector<TLayer>& layers);

    // Ends a drawing: what it did not use goes when too much is kept.
    void EndDrawing();

private:
    struct TStamp {
        bool Exists = false;
        std::int64_t Size = 0, Seconds = 0, Nanoseconds = 0, Inode = 0;
        bool operator==(const TStamp&) const = default;
    };
    template <class T> struct TKept {
        T Value;
        std::uint64_t Used = 0; // the drawing that last used it
    };

    std::vector<TStamp> Stamps(const TSkin& skin, bool doubles) const;
    std::shared_ptr<const TBitmap> SkinImage(const TSkin& skin, const std::string& name,
                                             double scale);
    std::shared_ptr<const TBitmap> WeatherIcon(const TSkin& skin, std::string_view phrase,
                                               bool isDay, double scale);
    void DropPictures();

    // The skin file.
    std::string path_, bytes_;
    std::unique_ptr<TSkinFile> file_;

    // What the pictures were made from.
    std::string fileName_, skinDir_;
    TImageFiles imageFiles_;
    TImagePosition imagePosition_;
    std::vector<TStamp> stamps_, doubleStamps_;
    bool haveDoubleStamps_ = false;

    std::uint64_t drawing_ = 0;
    std::unordered_map<std::string, TKept<TBase>> bases_;
    std::unordered_map<std::string, TKept<std::shared_ptr<const TBitmap>>> images_;
    std::unordered_map<std::string, TKept<std::shared_ptr<const TBitmap>>> icons_;
    std::unordered_map<std::string, TKept<TLayer>> iconLayers_;
    std::unordered_map<std::string, TKept<TLayer>> labels_;

    // The last composition: its base, its layers and the picture.
    std::shared_ptr<const TBitmap> lastBase_;
    std::vector<TLayer> lastLayers_;
    TBitmap picture_;
};
