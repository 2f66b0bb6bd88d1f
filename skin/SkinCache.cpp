#include "skin/SkinCache.h"

#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/SkinPaths.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

namespace {

// Kept pictures beyond these counts are dropped once a drawing has not used them.
constexpr std::size_t kMaxLabels = 1024;
constexpr std::size_t kMaxIcons = 256;

void Append(std::string& key, std::int64_t v) {
    key += std::to_string(v);
    key += ',';
}

// A scale in a key: its bits, so that no two scales share one.
void AppendScale(std::string& key, double scale) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &scale, sizeof bits);
    Append(key, static_cast<std::int64_t>(bits));
}

void AppendRect(std::string& key, const TRect& r) {
    Append(key, r.Left);
    Append(key, r.Top);
    Append(key, r.Right);
    Append(key, r.Bottom);
}

std::string IconSettingKey(const TIconSetting& s, double scale) {
    std::string key;
    AppendRect(key, s.Rect);
    Append(key, s.HorizontalAlign);
    Append(key, s.VerticalAlign);
    Append(key, s.AutoResize);
    Append(key, s.KeepAspect);
    AppendScale(key, scale);
    return key;
}

template <class Map> void DropUnused(Map& map, std::size_t limit, std::uint64_t drawing) {
    if (map.size() <= limit)
        return;
    std::erase_if(map, [&](const auto& entry) { return entry.second.Used != drawing; });
}

// The part of a layer on a picture of w x h, as [left, right) x [top, bottom).
TRect Placement(const TLayer& layer, int w, int h) {
    if (!layer.Pixels)
        return {0, 0, 0, 0};
    const std::int64_t left = std::clamp<std::int64_t>(layer.X, 0, w);
    const std::int64_t top = std::clamp<std::int64_t>(layer.Y, 0, h);
    const std::int64_t right = std::clamp<std::int64_t>(layer.X + layer.Pixels->Width(), 0, w);
    const std::int64_t bottom = std::clamp<std::int64_t>(layer.Y + layer.Pixels->Height(), 0, h);
    return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
            static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
}

bool Meets(const TRect& a, const TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

using TLayerId = std::tuple<const TBitmap*, std::int64_t, std::int64_t>;

TLayerId IdOf(const TLayer& layer) {
    return {layer.Pixels.get(), layer.X, layer.Y};
}

} // namespace

const TSkinFile& TSkinCache::File(const std::string& path) {
    std::string bytes;
    try {
        bytes = platform::ReadFileBytes(path);
    } catch (const EFileError&) {
        bytes.clear(); // read as an empty file, like the reader does
    }
    if (!file_ || path != path_ || bytes != bytes_) {
        file_ = std::make_unique<TSkinFile>(path, bytes);
        path_ = path;
        bytes_ = std::move(bytes);
    }
    return *file_;
}

std::vector<TSkinCache::TStamp> TSkinCache::Stamps(const TSkin& skin, bool doubles) const {
    const TImageFiles& f = skin.ImageFiles;
    const std::string* const names[] = {&f.Background,
                                        &f.Splitter,
                                        &f.Fine,
                                        &f.FineNight,
                                        &f.Cloudy,
                                        &f.Rain,
                                        &f.Snow,
                                        &f.After,
                                        &f.Occas,
                                        &f.NA,
                                        &f.Fog,
                                        &f.WarningAdvisory,
                                        &f.WarningWarning,
                                        &f.WarningDanger,
                                        &f.WarningEmergency};
    std::vector<TStamp> stamps;
    for (const std::string* name : names) {
        if (name->empty())
            continue;
        const std::string path =
            SkinImagePath(skin.SkinDir, doubles ? DoubleSizeName(*name) : *name);
        struct stat st {};
        TStamp stamp;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            stamp = {true, static_cast<std::int64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtim.tv_sec),
                     static_cast<std::int64_t>(st.st_mtim.tv_nsec),
                     static_cast<std::int64_t>(st.st_ino)};
        stamps.push_back(stamp);
    }
    return stamps;
}

void TSkinCache::DropPictures() {
    bases_.clear();
    images_.clear();
    icons_.clear();
    iconLayers_.clear();
}

void TSkinCache::Refresh(const TSkin& skin, double scale) {
    ++drawing_;
    if (skin.FileName != fileName_ || skin.SkinDir != skinDir_ ||
        !(skin.ImageFiles == imageFiles_) || !(skin.ImagePosition == imagePosition_)) {
        DropPictures();
        fileName_ = skin.FileName;
        skinDir_ = skin.SkinDir;
        imageFiles_ = skin.ImageFiles;
        imagePosition_ = skin.ImagePosition;
        stamps_ = Stamps(skin, false);
        haveDoubleStamps_ = false;
    } else if (std::vector<TStamp> stamps = Stamps(skin, false); stamps != stamps_) {
        DropPictures();
        stamps_ = std::move(stamps);
        haveDoubleStamps_ = false;
    }
    if (UsableScale(scale) != 1.0) {
        std::vector<TStamp> doubles = Stamps(skin, true);
        if (haveDoubleStamps_ && doubles != doubleStamps_)
            DropPictures();
        doubleStamps_ = std::move(doubles);
        haveDoubleStamps_ = true;
    }
}

TSkinCache::TBase TSkinCache::Base(const TSkin& skin, double scale) {
    std::string key;
    AppendScale(key, scale);
    if (auto it = bases_.find(key); it != bases_.end()) {
        it->second.Used = drawing_;
        return it->second.Value;
    }
    TBase base;
    base.Scale = UsableScale(scale);
    if (base.Scale != 1.0) {
        // The widget's picture stays within the image limit: a huge background lowers the scale.
        const TImageSize size =
            ReadPngSize(SkinImagePath(skin.SkinDir, skin.ImageFiles.Background));
        base.Scale = std::max(1.0, std::min(base.Scale, static_cast<double>(kMaxImageSide) /
                                                            std::max(size.Width, size.Height)));
    }
    auto pixels =
        std::make_shared<TBitmap>(skin.LoadSkinImage(skin.ImageFiles.Background, base.Scale));
    if (platform::FileExists(SkinImagePath(skin.SkinDir, skin.ImageFiles.Splitter)))
        BlendBitmap(*pixels, skin.LoadSkinImage(skin.ImageFiles.Splitter, base.Scale), 0, 0);
    base.Pixels = std::move(pixels);
    bases_[key] = {base, drawing_};
    return base;
}

std::shared_ptr<const TBitmap> TSkinCache::SkinImage(const TSkin& skin, const std::string& name,
                                                     double scale) {
    std::string key = name + '\n';
    AppendScale(key, scale);
    if (auto it = images_.find(key); it != images_.end()) {
        it->second.Used = drawing_;
        return it->second.Value;
    }
    auto image = std::make_shared<const TBitmap>(skin.LoadSkinImage(name, scale));
    images_[key] = {image, drawing_};
    return image;
}

std::shared_ptr<const TBitmap> TSkinCache::WeatherIcon(const TSkin& skin, std::string_view phrase,
                                                       bool isDay, double scale) {
    std::string key(phrase);
    key += isDay ? "\nd" : "\nn";
    AppendScale(key, scale);
    if (auto it = icons_.find(key); it != icons_.end()) {
        it->second.Used = drawing_;
        return it->second.Value;
    }
    auto icon = ComposeWeatherIcon(skin, phrase, isDay, scale, [&](const std::string& name) {
        return SkinImage(skin, name, scale);
    });
    icons_[key] = {icon, drawing_};
    return icon;
}

TLayer TSkinCache::Icon(const TSkin& skin, std::string_view phrase, bool isDay,
                        const TIconSetting& setting, double scale) {
    std::string key = IconSettingKey(setting, scale);
    key += isDay ? "d\n" : "n\n";
    key += phrase;
    if (auto it = iconLayers_.find(key); it != iconLayers_.end()) {
        it->second.Used = drawing_;
        return it->second.Value;
    }
    const auto icon = WeatherIcon(skin, phrase, isDay, scale);
    TLayer layer = icon ? TSkin::IconLayer(*icon, setting, scale) : TLayer{};
    iconLayers_[key] = {layer, drawing_};
    return layer;
}

TLayer TSkinCache::Image(const TSkin& skin, const std::string& name, const TIconSetting& setting,
                         double scale) {
    std::string key = IconSettingKey(setting, scale);
    key += "i\n";
    key += name;
    if (auto it = iconLayers_.find(key); it != iconLayers_.end()) {
        it->second.Used = drawing_;
        return it->second.Value;
    }
    // An image the skin names but does not ship is left out, like a missing weather image.
    TLayer layer;
    if (platform::FileExists(SkinImagePath(skin.SkinDir, name)))
        layer = TSkin::IconLayer(*SkinImage(skin, name, scale), setting, scale);
    iconLayers_[key] = {layer, drawing_};
    return layer;
}

TLayer TSkinCache::Label(const TSkin& skin, std::string_view text, const TLabelSetting& setting,
                         double scale, int clipWidth, int clipHeight) {
    // Everything that decides the label's pixels, and nothing else (not its texts' formats).
    std::string key;
    AppendRect(key, setting.Rect);
    Append(key, setting.HorizontalAlign);
    Append(key, setting.VerticalAlign);
    Append(key, setting.FontHeight);
    Append(key, setting.FontWidth);
    Append(key, setting.FontWeight);
    Append(key, setting.FontItalic);
    Append(key, setting.FontUnderline);
    Append(key, setting.FontStrikeOut);
    Append(key, setting.FontCharSet);
    Append(key, setting.FontColor);
    Append(key, setting.AntiAliasing);
    Append(key, clipWidth);
    Append(key, clipHeight);
    AppendScale(key, scale);
    key += setting.FontFamily;
    key += '\n';
    key += text;
    if (auto it = labels_.find(key); it != labels_.end()) {
        it->second.Used = drawing_;
        return it->second.Value;
    }
    TLayer layer = skin.LabelLayer(text, setting, scale, clipWidth, clipHeight);
    labels_[key] = {layer, drawing_};
    return layer;
}

const TBitmap& TSkinCache::Compose(const TBase& base, const std::vector<TLayer>& layers) {
    const TBitmap& back = *base.Pixels;
    const int w = back.Width(), h = back.Height();
    std::vector<TRect> dirty;
    bool whole = lastBase_ != base.Pixels || picture_.Width() != w || picture_.Height() != h;
    if (!whole) {
        // The layers that came or went, and whether those that stayed kept their order.
        std::set<TLayerId> before, after;
        for (const TLayer& l : lastLayers_)
            if (l.Pixels)
                before.insert(IdOf(l));
        for (const TLayer& l : layers)
            if (l.Pixels)
                after.insert(IdOf(l));
        std::vector<TLayerId> keptBefore, keptAfter;
        for (const TLayer& l : lastLayers_)
            if (!l.Pixels)
                continue;
            else if (after.count(IdOf(l)))
                keptBefore.push_back(IdOf(l));
            else
                dirty.push_back(Placement(l, w, h));
        for (const TLayer& l : layers)
            if (!l.Pixels)
                continue;
            else if (before.count(IdOf(l)))
                keptAfter.push_back(IdOf(l));
            else
                dirty.push_back(Placement(l, w, h));
        whole = keptBefore != keptAfter;
    }
    if (whole) {
        picture_ = back;
        for (const TLayer& l : layers)
            if (l.Pixels)
                BlendBitmap(picture_, *l.Pixels, l.X, l.Y);
    } else {
        for (const TRect& r : dirty) {
            if (r.Right <= r.Left || r.Bottom <= r.Top)
                continue;
            for (int y = r.Top; y < r.Bottom; ++y)
                std::copy(back.Scanline(y) + r.Left, back.Scanline(y) + r.Right,
                          picture_.Scanline(y) + r.Left);
            for (const TLayer& l : layers)
                if (l.Pixels && Meets(Placement(l, w, h), r))
                    BlendBitmap(picture_, *l.Pixels, l.X, l.Y, r);
        }
    }
    lastBase_ = base.Pixels;
    lastLayers_ = layers;
    return picture_;
}

void TSkinCache::EndDrawing() {
    DropUnused(labels_, kMaxLabels, drawing_);
    DropUnused(iconLayers_, kMaxIcons, drawing_);
    DropUnused(icons_, kMaxIcons, drawing_);
    DropUnused(images_, kMaxIcons, drawing_);
    DropUnused(bases_, 4, drawing_);
}

// A copy starts with nothing kept; a moved-from holder makes a new cache when it is used again.
TSkinCacheHolder::TSkinCacheHolder() = default;
TSkinCacheHolder::TSkinCacheHolder(const TSkinCacheHolder&) {}
TSkinCacheHolder& TSkinCacheHolder::operator=(const TSkinCacheHolder& other) {
    if (this != &other)
        cache_.reset();
    return *this;
}
TSkinCacheHolder::TSkinCacheHolder(TSkinCacheHolder&&) noexcept = default;
TSkinCacheHolder& TSkinCacheHolder::operator=(TSkinCacheHolder&&) noexcept = default;
TSkinCacheHolder::~TSkinCacheHolder() = default;

TSkinCache& TSkinCacheHolder::operator*() const {
    if (!cache_)
        cache_ = std::make_unique<TSkinCache>();
    return *cache_;
}
