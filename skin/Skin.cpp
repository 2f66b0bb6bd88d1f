#include "skin/Skin.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "skin/Compose.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/SkinCache.h"
#include "skin/SkinFile.h"
#include "skin/SkinPaths.h"
#include "weather/ForecastTime.h"
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
    bool blank = false; // a slot beyond the forecast: no icon at all
};

// A slot of a forecast that has no date and no data lies beyond what the source told: it draws
// nothing, where a slot with a date and an unknown text draws the unknown image and dashes. A
// record with no forecast at all keeps its dashes.
bool BlankSlot(const TWeatherData& w, TDateTime date, const std::string& text,
               std::initializer_list<std::int32_t> values) {
    if (w.DayDate[0] == 0.0 || date != 0.0 || !text.empty())
        return false;
    for (const std::int32_t v : values)
        if (v != NoValue)
            return false;
    return true;
}

// Where the walk over a skin's elements goes: Draw paints them, Labels lists the labels. An
// empty `icon` skips the icon sections.
struct ElementSink {
    std::function<void(const TIconSetting&, const IconSlot&)> icon;
    // An image of ImageFiles drawn as it is in an icon box.
    std::function<void(const TIconSetting&, const std::string& image)> image;
    std::function<void(std::string section, const TLabelSetting&, std::string text)> label;
    // The rain strip; empty skips it.
    std::function<void(const TRainBarSetting&)> rainBar;
    double scale = 1.0; // texts fitted to their boxes are fitted at this scale
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

// A group of the agency's own words: read apart from the block's groups, so that a skin without
// it lends it no other group's box and draws nothing of it.
void WalkOwnLabelGroup(const TSkin& skin, const TSkinFile& file, const ElementSink& sink,
                       const LabelGroup& group) {
    WalkLabelGroups(skin, file, sink, {group});
}

// Day or night by the middle of a slot's period (the 03-06 slot is dark, the 15-18 slot not).
bool DaySlot(int slot) {
    const double middle = 3.0 * (slot % 8) + 1.5;
    return 6.0 <= middle && middle < 18.0;
}

// The text the three-hourly row shows, once, when the forecast tells none of its slots.
constexpr std::string_view kNoPointSlots = "3時間ごとの予報: 取得できず";

// Where that text goes in a skin without [PointNoneLabel]: across the row's icons, in the
// font of its hours.
TLabelSetting NoPointSlotsSetting(const TSkin& skin, const TSkinFile& file) {
    TLabelSetting setting;
    file.ReadLabel("PointNoneLabel", setting, &skin.LabelDefaults);
    if (setting.Width() > 0 && setting.Height() > 0)
        return setting;
    file.ReadLabel("PointTimeLabel", setting, &skin.LabelDefaults);
    setting.DataFormat = "%r";
    setting.HorizontalAlign = 1;
    setting.VerticalAlign = 1;
    TIconSetting group;
    file.ReadIcon("PointWeatherIcon", group, &skin.IconDefaults);
    TRect box;
    for (int s = 0; s < 7; ++s) {
        TIconSetting icon;
        file.ReadIcon("PointWeatherIcon" + std::to_string(s), icon, &group);
        if (icon.Width() <= 0 || icon.Height() <= 0)
            continue;
        if (box.Right <= box.Left) {
            box = icon.Rect;
            continue;
        }
        box.Left = std::min(box.Left, icon.Rect.Left);
        box.Top = std::min(box.Top, icon.Rect.Top);
        box.Right = std::max(box.Right, icon.Rect.Right);
        box.Bottom = std::max(box.Bottom, icon.Rect.Bottom);
    }
    setting.Rect = box;
    return setting;
}

void WalkPointForecast(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                       const ElementSink& sink) {
    // The row begins with the period under way, or with the first later one the forecast tells
    // (a new series begins after it); without any forecast, at the period under way with its
    // dashes.
    const int hour = platform::LocalNow().Hour;
    const int first = FirstShownPointSlot(w, hour);
    const bool noneTold = w.DayDate[0] != 0.0 && first < 0;
    const int q = first >= 0 ? first : std::clamp(hour / 3, 0, 7);
    const auto at = [&](int s) { return q + s; };
    // A slot is drawn whole or not at all: one beyond the record, or beyond what the forecast
    // told, draws nothing, its probability included.
    const auto blank = [&](int s) {
        const int i = at(s);
        return i >= 16 || noneTold ||
               BlankSlot(w, w.PointDate[i], w.PointWeather[i], {w.PointTemp[i]});
    };
    const auto unlessBlank = [&](int s, const std::function<std::string()>& text) {
        return blank(s) ? std::string() : text();
    };
    WalkIconGroup(skin, file, sink, "PointWeatherIcon", 7, [&](int s) {
        return blank(s) ? IconSlot{{}, true, true}
                        : IconSlot{w.PointWeather[at(s)], DaySlot(at(s)), false};
    });
    WalkLabelGroups(
        skin, file, sink,
        {{"PointWeatherLabel", 7,
          [&](const TLabelSetting& l, int s) {
              return unlessBlank(s, [&] { return skin.FormatText(w.PointWeather[at(s)], l); });
          }},
         {"PointTimeLabel", 7,
          [&](const TLabelSetting& l, int s) {
              return unlessBlank(s, [&] { return skin.FormatHour(w.PointHour[at(s)], l); });
          }},
         {"PointTempLabel", 7,
          [&](const TLabelSetting& l, int s) {
              return unlessBlank(s, [&] { return skin.FormatNumber(w.PointTemp[at(s)], l); });
          }},
         {"PointProbLabel", 7, [&](const TLabelSetting& l, int s) {
              return unlessBlank(s, [&] { return skin.FormatNumber(w.DayProb[at(s) / 2], l); });
          }}});
    // The day under the first slot of a new day: where the row passes midnight, or under its
    // first slot when the row begins on a later day. A group of its own, so that a skin without
    // it lends it no box of the slots.
    WalkLabelGroups(skin, file, sink,
                    {{"PointDayLabel", 7, [&](const TLabelSetting& l, int s) {
                          const int i = at(s);
                          const bool newDay = (s == 0 && i >= 8) || (s > 0 && i % 8 == 0);
                          // Nothing tells the day of a record without a forecast.
                          if (!newDay || blank(s) || (w.PointDate[i] == 0.0 && w.DayDate[0] == 0.0))
                              return std::string();
                          const TDateTime date =
                              w.PointDate[i] != 0.0 ? w.PointDate[i] : w.DayDate[0] + i / 8;
                          return skin.FormatDate(date, l);
                      }}});
    if (noneTold)
        sink.label("PointNoneLabel", NoPointSlotsSetting(skin, file),
                   skin.FormatText(kNoPointSlots, NoPointSlotsSetting(skin, file)));
}

void WalkWeekForecast(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                      const ElementSink& sink) {
    const auto blank = [&](int s) {
        return BlankSlot(w, w.WeekDate[s], w.WeekWeather[s],
                         {w.WeekMinTemp[s], w.WeekMaxTemp[s], w.WeekProb[s]});
    };
    const auto unlessBlank = [&](int s, std::string text) {
        return blank(s) ? std::string() : text;
    };
    WalkIconGroup(skin, file, sink, "WeekWeatherIcon", 7, [&](int s) {
        return IconSlot{w.WeekWeather[s], true, blank(s)};
    });
    WalkLabelGroups(skin, file, sink,
                    {{"WeekWeatherLabel", 7,
                      [&](const TLabelSetting& l, int s) {
                          return unlessBlank(s, skin.FormatText(w.WeekWeather[s], l));
                      }},
                     {"WeekDateLabel", 7,
                      [&](const TLabelSetting& l, int s) {
                          return unlessBlank(s, skin.FormatDate(w.WeekDate[s], l));
                      }},
                     {"WeekMinTempLabel", 7,
                      [&](const TLabelSetting& l, int s) {
                          return unlessBlank(s, skin.FormatNumber(w.WeekMinTemp[s], l));
                      }},
                     {"WeekMaxTempLabel", 7,
                      [&](const TLabelSetting& l, int s) {
                          return unlessBlank(s, skin.FormatNumber(w.WeekMaxTemp[s], l));
                      }},
                     {"WeekProbLabel", 7, [&](const TLabelSetting& l, int s) {
                          return unlessBlank(s, skin.FormatNumber(w.WeekProb[s], l));
                      }}});
    // The agency's own words of the week.
    WalkOwnLabelGroup(skin, file, sink,
                      {"WeekReliabilityLabel", 7, [&](const TLabelSetting& l, int s) {
                           return unlessBlank(s, skin.FormatText(w.WeekReliability[s], l));
                       }});
    WalkOwnLabelGroup(skin, file, sink,
                      {"WeekMinTempRangeLabel", 7, [&](const TLabelSetting& l, int s) {
                           return unlessBlank(s, skin.FormatRange(w.WeekMinTempRange[s], l));
                       }});
    WalkOwnLabelGroup(skin, file, sink,
                      {"WeekMaxTempRangeLabel", 7, [&](const TLabelSetting& l, int s) {
                           return unlessBlank(s, skin.FormatRange(w.WeekMaxTempRange[s], l));
                       }});
    for (const auto& [section, value] : {std::pair<const char*, const std::optional<double>*>{
                                             "WeekNormalMinTempLabel", &w.WeekNormalMinTemp},
                                         {"WeekNormalMaxTempLabel", &w.WeekNormalMaxTemp}}) {
        TLabelSetting setting;
        file.ReadLabel(section, setting, &skin.LabelDefaults);
        sink.label(section, setting, skin.FormatDecimal(*value, setting));
    }
}

// A day's date label with "%t" made into the day's name; every other token, "%%" included,
// is left to the date formatter, and a "%" in the name stays a "%".
std::string WithDayName(const std::string& format, const std::string& name) {
    std::string escaped;
    for (const char c : name)
        escaped += c == '%' ? std::string("%%") : std::string(1, c);
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 't')
                out += escaped;
            else
                out += format.substr(i, 2);
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

void WalkDayForecast(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                     const ElementSink& sink) {
    // A source that tells its report time leaves out the bands that have passed; so does the
    // drawing of its forecast later in the day.
    const TDateTime now = ClockMoment(platform::LocalNow());
    const auto ended = [&](int band) {
        return !w.ReportTime.empty() && band < 4 && w.DayDate[0] == DateOf(now) &&
               w.DayDate[0] + (band + 1) / 4.0 <= now;
    };
    WalkIconGroup(skin, file, sink, "DayWeatherIcon", 2, [&](int s) {
        return IconSlot{w.DayWeather[s], true};
    });
    WalkLabelGroups(
        skin, file, sink,
        {{"DayWeatherLabel", 2,
          [&](const TLabelSetting& l, int s) { return skin.FormatText(w.DayWeather[s], l); }},
         {"DayDateLabel", 2,
          [&](const TLabelSetting& l, int s) {
              // Today is 今夜 where the source says the day has only its night left.
              TLabelSetting named = l;
              named.DataFormat = WithDayName(
                  l.DataFormat, s == 1 ? "明日" : (w.TodayName.empty() ? "今日" : w.TodayName));
              return skin.FormatDate(w.DayDate[s], named);
          }},
         {"DayMinTempLabel", 2,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.DayMinTemp[s], l); }},
         {"DayMaxTempLabel", 2,
          [&](const TLabelSetting& l, int s) { return skin.FormatNumber(w.DayMaxTemp[s], l); }},
         {"DayProbLabel", 8, [&](const TLabelSetting& l, int s) {
              return skin.FormatNumber(ended(s) ? NoValue : w.DayProb[s], l);
          }}});
    // The agency's own words of the two days.
    WalkOwnLabelGroup(skin, file, sink, {"DayTextLabel", 2, [&](const TLabelSetting& l, int s) {
                                             return skin.FormatText(w.DayText[s], l);
                                         }});
    WalkOwnLabelGroup(skin, file, sink, {"DayWindLabel", 2, [&](const TLabelSetting& l, int s) {
                                             return skin.FormatText(w.DayWind[s], l);
                                         }});
    WalkOwnLabelGroup(skin, file, sink, {"DayWaveLabel", 2, [&](const TLabelSetting& l, int s) {
                                             return skin.FormatText(w.DayWave[s], l);
                                         }});
}

void WalkSingleLabel(const TSkin& skin, const TSkinFile& file, const ElementSink& sink,
                     const char* section, const std::string& text) {
    TLabelSetting setting;
    file.ReadLabel(section, setting, &skin.LabelDefaults);
    sink.label(section, setting, skin.FormatText(text, setting));
}

// The report time; an old forecast's says how old it is, in the colour of a fault: the
// label's OldFontColor, else the status line's colour.
void WalkUpdateInfo(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                    const ElementSink& sink) {
    const TDateTime now = ClockMoment(platform::LocalNow());
    if (!IsOldForecast(w, now)) {
        WalkSingleLabel(skin, file, sink, "UpdateInfoLabel", w.UpdateInfo);
        return;
    }
    TLabelSetting setting;
    file.ReadLabel("UpdateInfoLabel", setting, &skin.LabelDefaults);
    TLabelSetting status;
    file.ReadLabel("InformationLabel", status, &skin.LabelDefaults);
    setting.FontColor = status.FontColor;
    try {
        if (const std::string old = file.ReadString("UpdateInfoLabel", "OldFontColor", "");
            !old.empty())
            setting.FontColor = TSkinFile::StringToColor(old);
    } catch (const std::exception&) {
        // not a colour: the status line's
    }
    sink.label("UpdateInfoLabel", setting, skin.FormatText(ReportAgeText(w, now), setting));
}

// The weather now: only while it is current, so that an old figure never stands as now.
void WalkObservation(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                     const ElementSink& sink) {
    const TObservation now =
        IsCurrentObservation(w.Now, platform::UnixSecondsNow()) ? w.Now : TObservation{};
    // Under the place's name a station named like the place says nothing new.
    const std::string station =
        TSkin::StationRepeatsPlace(now.Station, w.LocationName) ? "" : now.Station;
    const auto walk = [&](const char* section, const std::optional<double>& value, bool valued,
                          std::string_view text) {
        TLabelSetting setting;
        file.ReadLabel(section, setting, &skin.LabelDefaults);
        std::string shown = skin.FormatObservation(now, value, valued, text, setting);
        // The blank that stood before a dropped station goes with it.
        if (text.empty())
            while (!shown.empty() && shown.back() == ' ')
                shown.pop_back();
        sink.label(section, setting, std::move(shown));
    };
    walk("NowTempLabel", now.Temp, true, station);
    walk("NowTimeLabel", std::nullopt, false, station);
    walk("NowPrecipLabel", now.Precip1h, true, station);
    walk("NowWindLabel", now.Wind, true, now.WindDirection);
    walk("NowHumidityLabel", now.Humidity, true, station);
}

// The badge of the most severe tier in force and the warnings label, over everything else. The
// badge shows only while warnings are in force and the skin has the image of their tier; the
// names then begin where the badge's box ends, when that box shares rows with the label's and
// ends within it, so that the states without a badge may use the whole row. Each state has its
// colour: the names the label's, none in force NoDataColor, unknown after a failure FaultColor
// (both default to FontColor).
void WalkWarnings(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                  const ElementSink& sink) {
    TLabelSetting setting;
    file.ReadLabel("WarningLabel", setting, &skin.LabelDefaults);
    const bool inForce = w.WarningsKnown && !w.Warnings.empty();
    if (inForce) {
        TWarningLevel level = TWarningLevel::Advisory;
        for (const TWarning& warning : w.Warnings)
            level = std::max(level, warning.Level);
        const std::string& image =
            level == TWarningLevel::Emergency ? skin.ImageFiles.WarningEmergency
            : level == TWarningLevel::Danger  ? skin.ImageFiles.WarningDanger
            : level == TWarningLevel::Warning ? skin.ImageFiles.WarningWarning
                                              : skin.ImageFiles.WarningAdvisory;
        if (!image.empty() && platform::FileExists(SkinImagePath(skin.SkinDir, image))) {
            TIconSetting icon;
            file.ReadIcon("WarningIcon", icon, &skin.IconDefaults);
            if (sink.image)
                sink.image(icon, image);
            const bool sameRow =
                icon.Rect.Top < setting.Rect.Bottom && setting.Rect.Top < icon.Rect.Bottom;
            if (icon.Width() > 0 && icon.Height() > 0 && sameRow &&
                setting.Rect.Left < icon.Rect.Right && icon.Rect.Right < setting.Rect.Right)
                setting.Rect.Left = icon.Rect.Right;
        }
    } else if (w.WarningsKnown) {
        setting.FontColor = file.ReadColor("WarningLabel", "NoDataColor", setting.FontColor);
    } else {
        setting.FontColor = file.ReadColor("WarningLabel", "FaultColor", setting.FontColor);
    }
    sink.label("WarningLabel", setting, skin.FormatWarnings(w, setting, sink.scale));
}

// The rain of the next hour: its strip, then its label.
void WalkRain(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
              const ElementSink& sink) {
    if (sink.rainBar) {
        TRainBarSetting bar;
        file.ReadRainBar("RainBar", bar);
        sink.rainBar(bar);
    }
    TLabelSetting setting;
    file.ReadLabel("RainLabel", setting, &skin.LabelDefaults);
    sink.label("RainLabel", setting, skin.FormatRain(w, setting));
}

// Every element section in drawing order, read from the file as it is now, so an edit shows at
// the next drawing.
void WalkElements(const TSkin& skin, const TWeatherData& w, const TSkinFile& file,
                  const ElementSink& sink) {
    WalkPointForecast(skin, w, file, sink);
    WalkWeekForecast(skin, w, file, sink);
    WalkDayForecast(skin, w, file, sink);
    WalkSingleLabel(skin, file, sink, "LocationLabel", w.LocationName);
    WalkUpdateInfo(skin, w, file, sink);
    WalkSingleLabel(skin, file, sink, "InformationLabel", w.Information);
    WalkObservation(skin, w, file, sink);
    WalkRain(skin, w, file, sink);
    WalkWarnings(skin, w, file, sink);
}

} // namespace

std::vector<TSkin::TLabelItem> TSkin::Labels(const TWeatherData& weather, double scale) const {
    std::vector<TLabelItem> labels;
    ElementSink sink;
    sink.scale = UsableScale(scale);
    sink.label = [&](std::string section, const TLabelSetting& setting, std::string text) {
        labels.push_back({std::move(section), setting, std::move(text)});
    };
    WalkElements(*this, weather, (*cache_).File(FileName), sink);
    return labels;
}

void TSkin::Draw(TBitmap* bitmap, const TWeatherData* weather, double scale) {
    if (!bitmap || !weather || !platform::FileExists(FileName))
        return;
    if (!platform::FileExists(SkinImagePath(SkinDir, ImageFiles.Background)))
        return; // the last picture stays
    TSkinCache& cache = *cache_;
    cache.Refresh(*this, scale);
    // A broken background ends the pass before the bitmap is touched.
    const TSkinCache::TBase base = cache.Base(*this, scale);
    scale = base.Scale;
    const int width = base.Pixels->Width(), height = base.Pixels->Height();

    std::vector<TLayer> layers;
    ElementSink sink;
    sink.icon = [&](const TIconSetting& setting, const IconSlot& slot) {
        if (!slot.blank)
            layers.push_back(cache.Icon(*this, slot.phrase, slot.isDay, setting, scale));
    };
    sink.image = [&](const TIconSetting& setting, const std::string& name) {
        layers.push_back(cache.Image(*this, name, setting, scale));
    };
    sink.label = [&](const std::string&, const TLabelSetting& setting, const std::string& text) {
        layers.push_back(cache.Label(*this, text, setting, scale, width, height));
    };
    sink.rainBar = [&](const TRainBarSetting& setting) {
        layers.push_back(RainBarLayer(*weather, setting, scale, width, height));
    };
    sink.scale = scale;
    try {
        WalkElements(*this, *weather, cache.File(FileName), sink);
    } catch (...) {
        // What was drawn before the error stays on the bitmap.
        *bitmap = *base.Pixels;
        for (const TLayer& layer : layers)
            if (layer.Pixels)
                BlendBitmap(*bitmap, *layer.Pixels, layer.X, layer.Y);
        bitmap->SetPixelRatio(scale);
        throw;
    }
    *bitmap = cache.Compose(base, layers);
    bitmap->SetPixelRatio(scale);
    cache.EndDrawing();
}
