#include "skin/Skin.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/SkinFile.h"
#include "skin/SkinPaths.h"
#include "weather/WeatherData.h"

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

struct LabelGroup {
    const char* name;
    int slots;
    std::function<std::string(const TLabelSetting&, int)> text;
};

void DrawIconGroup(const TSkin& skin, TBitmap* bitmap, const TSkinFile& file, const char* group,
                   int slots, const std::function<IconSlot(int)>& value) {
    TIconSetting groupSetting;
    file.ReadIcon(group, groupSetting, &skin.IconDefaults);
    for (int s = 0; s < slots; ++s) {
        TIconSetting setting;
        file.ReadIcon(std::string(group) + std::to_string(s), setting, &groupSetting);
        const IconSlot slot = value(s);
        const TBitmap icon = skin.CreateWeatherIcon(slot.phrase, slot.isDay);
        skin.DrawIcon(bitmap, &icon, setting);
    }
}

// The label groups of one block share one record, so a group without Rect lends its slots
// the box of the group read before it.
void DrawLabelGroups(const TSkin& skin, TBitmap* bitmap, const TSkinFile& file,
                     std::initializer_list<LabelGroup> groups) {
    TLabelSetting groupSetting;
    for (const LabelGroup& group : groups) {
        file.ReadLabel(group.name, groupSetting, &skin.LabelDefaults);
        for (int s = 0; s < group.slots; ++s) {
            TLabelSetting setting;
            file.ReadLabel(std::string(group.name) + std::to_string(s), setting, &groupSetting);
            skin.DrawLabel(bitmap, group.text(setting, s), &setting);
        }
    }
}

void DrawPointForecast(const TSkin& skin, TBitmap* bitmap, const TWeatherData& w,
                       const TSkinFile& file) {
    // The block starts with the three-hour slot holding the present time.
    int q = platform::LocalNow().Hour / 3;
    q = q < 0 ? 0 : (q > 7 ? 7 : q);
    DrawIconGroup(skin, bitmap, file, "PointWeatherIcon", 7, [&](int s) {
        const std::int32_t hour = w.PointHour[q + s];
        return IconSlot{w.PointWeather[q + s], 6 <= hour && hour < 18};
    });
    DrawLabelGroups(
        skin, bitmap, file,
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

void DrawWeekForecast(const TSkin& skin, TBitmap* bitmap, const TWeatherData& w,
                      const TSkinFile& file) {
    DrawIconGroup(skin, bitmap, file, "WeekWeatherIcon", 7, [&](int s) {
        return IconSlot{w.WeekWeather[s], true};
    });
    DrawLabelGroups(
        skin, bitmap, file,
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

void DrawDayForecast(const TSkin& skin, TBitmap* bitmap, const TWeatherData& w,
                     const TSkinFile& file) {
    DrawIconGroup(skin, bitmap, file, "DayWeatherIcon", 2, [&](int s) {
        return IconSlot{w.DayWeather[s], true};
    });
    DrawLabelGroups(
        skin, bitmap, file,
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

void DrawSingleLabel(const TSkin& skin, TBitmap* bitmap, const TSkinFile& file, const char* section,
                     const std::string& text) {
    TLabelSetting setting;
    file.ReadLabel(section, setting, &skin.LabelDefaults);
    skin.DrawLabel(bitmap, skin.FormatText(text, setting), &setting);
}

} // namespace

void TSkin::Draw(TBitmap* bitmap, const TWeatherData* weather) {
    if (!bitmap || !weather || !platform::FileExists(FileName))
        return;
    const std::string background = SkinImagePath(SkinDir, ImageFiles.Background);
    if (!platform::FileExists(background))
        return; // the last picture stays
    *bitmap = LoadPng(background);
    const std::string splitter = SkinImagePath(SkinDir, ImageFiles.Splitter);
    if (platform::FileExists(splitter))
        BlendBitmap(*bitmap, LoadPng(splitter), 0, 0);

    // The element sections are read anew at every drawing, so an edit shows at the next one.
    const TSkinFile file(FileName);
    DrawPointForecast(*this, bitmap, *weather, file);
    DrawWeekForecast(*this, bitmap, *weather, file);
    DrawDayForecast(*this, bitmap, *weather, file);
    DrawSingleLabel(*this, bitmap, file, "LocationLabel", weather->LocationName);
    DrawSingleLabel(*this, bitmap, file, "UpdateInfoLabel", weather->UpdateInfo);
    DrawSingleLabel(*this, bitmap, file, "InformationLabel", weather->Information);
}
