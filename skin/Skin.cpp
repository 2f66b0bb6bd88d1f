#include "skin/Skin.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/SkinFile.h"
#include "skin/SkinPaths.h"
#include "weather/WeatherData.h"

#include <algorithm>
#include <functional>
#include <initializer_list>

TSkin::TSkin() = default;
TSkin::~TSkin() = default;

void TSkin::Load(const std::string& path) {
    FileName = path;
    SkinDir = platform::ExtractFilePath(path);
    ImageFiles = TImageFiles{};
    ImagePosition = TImagePosition{};
    LabelDefaults = TLabelSetting{};
    IconDefaults = TIconSetting{};
    const TSkinFile file(FileName);
    file.ReadLocale("Locale", LocaleInfo);
    file.ReadImageFiles("ImageFiles", ImageFiles);
    file.ReadImagePosition("ImagePosition", ImagePosition);
    file.ReadLabel("Label", LabelDefaults, nullptr);
    file.ReadIcon("Icon", IconDefaults, nullptr);
}

namespace {

struct IconSlot {
    std::string_view phrase;
    bool isDay;
};

// Where the walk over a skin's elements goes: Draw paints them, Labels lists the labels. An
// empty `icon` skips the icon sections.
struct ElementSink {
    std::function<void(const TIconSetting&, const IconSlot&)> icon;
    // An image of ImageFiles drawn as it is in an icon box.
    std::function<void(const TIconSetting&, const std::string& image)> image;
    std::function<void(std::string section, const TLabelSetting&, std::string text)> label;
};

struct LabelGroup {
    const char* name;
    int slots;
    std::function<std::string(const TLabelSetting&, int)> text;
};

void WalkIconGroup(const TSkin& skin, const TSkinFile& file, const ElementSink& sink,
                   const char* group, int slots, const std::function<IconSlot(int)>& value) {
    if (!sink.icon)
        return;
    TIconSetting groupSetting;
    file.ReadIcon(group, groupSetting, &skin.IconDefaults);
    for (int s = 0; s < slots; ++s) {
        TIconSetting setting;
        file.ReadIcon(std::string(group) + std::to_string(s), setting, &groupSetting);
        sink.icon(setting, value(s));
    }
}

// The label groups of one block share one record, so a group without Rect lends its slots
// the box of the group read before it.
void WalkLabelGroups(const TSkin& skin, const TSkinFile& file, const ElementSink& sink,
                     std::initializer_list<LabelGroup> groups) {
    TLabelSetting groupSetting;
    for (const LabelGroup& group : groups) {
        file.ReadLabel(group.name, groupSetting, &skin.LabelDefaults);
        for (int s = 0; s < group.slots; ++s) {
            TLabelSetting setting;
            const std::string section = std::string(group.name) + std::to_string(s);
            file.ReadLabel(section, setting, &groupSetting);
            sink.label(section, setting, group.text(setting, s));
        }
    }
}

void WalkPointForecast(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                       const ElementSink& sink) {
    // The block starts with the three-hour slot holding the present time.
    int q = platform::LocalNow().Hour / 3;
    q = q < 0 ? 0 : (q > 7 ? 7 : q);
    WalkIconGroup(skin, file, sink, "PointWeatherIcon", 7, [&](int s) {
        const std::int32_t hour = w.PointHour[q + s];
        return IconSlot{w.PointWeather[q + s], 6 <= hour && hour < 18};
    });
    WalkLabelGroups(
        skin, file, sink,
        {{"PointWeatherLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatText(w.PointWeather[q + s], l); }},
         {"PointTimeLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatHour(w.PointHour[q + s], l); }},
         {"PointTempLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.PointTemp[q + s], l); }},
         {"PointProbLabel", 7, [&](const TLabelSetting& l, int s) {
              return skin.FormatNumber(w.DayProb[(q + s) / 2], l);
          }}});
}

void WalkWeekForecast(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                      const ElementSink& sink) {
    WalkIconGroup(skin, file, sink, "WeekWeatherIcon", 7, [&](int s) {
        return IconSlot{w.WeekWeather[s], true};
    });
    WalkLabelGroups(
        skin, file, sink,
        {{"WeekWeatherLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatText(w.WeekWeather[s], l); }},
         {"WeekDateLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatDate(w.WeekDate[s], l); }},
         {"WeekMinTempLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.WeekMinTemp[s], l); }},
         {"WeekMaxTempLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.WeekMaxTemp[s], l); }},
         {"WeekProbLabel", 7,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.WeekProb[s], l); }}});
}

void WalkDayForecast(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                     const ElementSink& sink) {
    WalkIconGroup(skin, file, sink, "DayWeatherIcon", 2, [&](int s) {
        return IconSlot{w.DayWeather[s], true};
    });
    WalkLabelGroups(
        skin, file, sink,
        {{"DayWeatherLabel", 2,
          [&](const TLabelSetting& l, int s) { return skin.FormatText(w.DayWeather[s], l); }},
         {"DayDateLabel", 2,
          [&](const TLabelSetting& l, int s) { return skin.FormatDate(w.DayDate[s], l); }},
         {"DayMinTempLabel", 2,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.DayMinTemp[s], l); }},
         {"DayMaxTempLabel", 2,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.DayMaxTemp[s], l); }},
         {"DayProbLabel", 8,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.DayProb[s], l); }}});
}

void WalkSingleLabel(const TSkin& skin, const TSkinFile& file, const ElementSink& sink,
                     const char* section, const std::string& text) {
    TLabelSetting setting;
    file.ReadLabel(section, setting, &skin.LabelDefaults);
    sink.label(section, setting, skin.FormatText(text, setting));
}

// The badge of the most severe tier in force and the warnings label, over everything else. The
// badge shows only while warnings are in force and the skin names an image for their tier.
void WalkWarnings(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                  const ElementSink& sink) {
    if (sink.image && w.WarningsKnown && !w.Warnings.empty()) {
        TWarningLevel level = TWarningLevel::Advisory;
        for (const TWarning& warning : w.Warnings)
            level = std::max(level, warning.Level);
        const std::string* image =
            level == TWarningLevel::Emergency ? &skin.ImageFiles.WarningEmergency
            : level == TWarningLevel::Danger  ? &skin.ImageFiles.WarningDanger
            : level == TWarningLevel::Warning ? &skin.ImageFiles.WarningWarning
                                              : &skin.ImageFiles.WarningAdvisory;
        if (!image->empty()) {
            TIconSetting setting;
            file.ReadIcon("WarningIcon", setting, &skin.IconDefaults);
            sink.image(setting, *image);
        }
    }
    TLabelSetting setting;
    file.ReadLabel("WarningLabel", setting, &skin.LabelDefaults);
    sink.label("WarningLabel", setting, skin.FormatWarnings(w, setting));
}

// Every element section in drawing order. The element sections are read anew at every walk,
// so an edit shows at the next drawing.
void WalkElements(const TSkin& skin, const TWeatherData& w, const ElementSink& sink) {
    const TSkinFile file(skin.FileName);
    WalkPointForecast(skin, w, file, sink);
    WalkWeekForecast(skin, w, file, sink);
    WalkDayForecast(skin, w, file, sink);
    WalkSingleLabel(skin, file, sink, "LocationLabel", w.LocationName);
    WalkSingleLabel(skin, file, sink, "UpdateInfoLabel", w.UpdateInfo);
    WalkSingleLabel(skin, file, sink, "InformationLabel", w.Information);
    WalkWarnings(skin, w, file, sink);
}

} // namespace

std::vector<TSkin::TLabelItem> TSkin::Labels(const TWeatherData& weather) const {
    std::vector<TLabelItem> labels;
    ElementSink sink;
    sink.label = [&](std::string section, const TLabelSetting& setting, std::string text) {
        labels.push_back({std::move(section), setting, std::move(text)});
    };
    WalkElements(*this, weather, sink);
    return labels;
}

void TSkin::Draw(TBitmap* bitmap, const TWeatherData* weather, double scale) {
    if (!bitmap || !weather || !platform::FileExists(FileName))
        return;
    const std::string background = SkinImagePath(SkinDir, ImageFiles.Background);
    if (!platform::FileExists(background))
        return; // the last picture stays
    scale = UsableScale(scale);
    if (scale != 1.0) {
        // The widget's picture stays within the image limit: a huge background lowers the scale.
        const TImageSize size = ReadPngSize(background);
        scale = std::max(1.0, std::min(scale, static_cast<double>(kMaxImageSide) /
                                                  std::max(size.Width, size.Height)));
    }
    *bitmap = LoadSkinImage(ImageFiles.Background, scale);
    bitmap->SetPixelRatio(scale);
    const std::string splitter = SkinImagePath(SkinDir, ImageFiles.Splitter);
    if (platform::FileExists(splitter))
        BlendBitmap(*bitmap, LoadSkinImage(ImageFiles.Splitter, scale), 0, 0);

    ElementSink sink;
    sink.icon = [&](const TIconSetting& setting, const IconSlot& slot) {
        const TBitmap icon = CreateWeatherIcon(slot.phrase, slot.isDay, scale);
        DrawIcon(bitmap, &icon, setting, scale);
    };
    sink.image = [&](const TIconSetting& setting, const std::string& name) {
        // A badge the skin names but does not ship is left out, like a missing weather image.
        if (!platform::FileExists(SkinImagePath(SkinDir, name)))
            return;
        const TBitmap image = LoadSkinImage(name, scale);
        DrawIcon(bitmap, &image, setting, scale);
    };
    sink.label = [&](const std::string&, const TLabelSetting& setting, const std::string& text) {
        DrawLabel(bitmap, text, &setting, scale);
    };
    WalkElements(*this, *weather, sink);
}
