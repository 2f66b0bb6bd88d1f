// Every label of every shipped skin, drawn with the real fonts and the widest texts the widget
// can be given, at 1x, 1.5x and 2x, must show whole, keep its ink inside the skin's panel and keep
// clear of its neighbours: "100%", two-digit frosts, the longest place of urls.list, every date
// and hour, the longest status line over a kept forecast, the report time of an old forecast, the
// longest station names, every warning alone and the longest lists of them, none, unknown, stale,
// every text of the rain of the next hour beside its strip, the agency's longest words, the 信頼度,
// the date of a new day over every slot of the three-hourly row, and the row that tells nothing.
#include "platform/Clock.h"
#include "skin/Font.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinFile.h"
#include "support/ShippedSkins.h"
#include "weather/LocationList.h"
#include "weather/Rain.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaWarnings.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

struct ClockGuard {
    explicit ClockGuard(const platform::LocalDateTime& t) { platform::FixClock(t); }
    ~ClockGuard() { platform::ReleaseClock(); }
};

// The drawn pixels (alpha above 0) of a canvas, cropped to where they are; `at` gets their
// top-left corner on the canvas. Empty for no ink.
TBitmap CropToInk(const TBitmap& canvas, int& atX, int& atY) {
    int left = canvas.Width(), top = canvas.Height(), right = -1, bottom = -1;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.Pixel(x, y) >> 24) {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x + 1);
                bottom = std::max(bottom, y + 1);
            }
    TBitmap ink(std::max(0, right - left), std::max(0, bottom - top));
    for (int y = 0; y < ink.Height(); ++y)
        for (int x = 0; x < ink.Width(); ++x)
            ink.Pixel(x, y) = canvas.Pixel(left + x, top + y);
    atX = left;
    atY = top;
    return ink;
}

// What went wrong, once per label or pair of labels, with the first texts that showed it.
using Problems = std::map<std::string, std::string>;

// Where a label's ink lies on the widget (right and bottom exclusive).
struct InkBox {
    std::string section;
    std::string text;
    int left, top, right, bottom;
};

// Two texts on one line run together unless about a space's width of clear columns parts
// them; texts one above the other, unless a clear row does (skin pixels, scaled with the drawing).
constexpr int kClearColumns = 3;
constexpr int kClearRows = 1;
// Ink keeps this far inside the panel's edge, clear of its rim (skin pixels).
constexpr int kFrameInset = 3;

// The agency's words run on beyond any box: these labels end where their box ends, whole or not.
bool CutByDesign(const std::string& section) {
    return section.starts_with("DayTextLabel") || section.starts_with("DayWindLabel");
}

bool RunTogether(const InkBox& a, const InkBox& b, double scale) {
    const int clearColumns = static_cast<int>(kClearColumns * scale);
    const int clearRows = static_cast<int>(kClearRows * scale);
    const bool rowsShared = a.top < b.bottom && b.top < a.bottom;
    const bool columnsShared = a.left < b.right && b.left < a.right;
    const int columnsBetween = std::max(b.left - a.right, a.left - b.right);
    const int rowsBetween = std::max(b.top - a.bottom, a.top - b.bottom);
    return (rowsShared && columnsBetween < clearColumns) ||
           (columnsShared && rowsBetween < clearRows);
}

// The skin's panel at a scale: where its background is solid, shrunk by kFrameInset.
std::vector<bool> Frame(const TSkin& skin, double scale, int& width, int& height) {
    const TBitmap back = skin.LoadSkinImage(skin.ImageFiles.Background, scale);
    width = back.Width();
    height = back.Height();
    const int inset = static_cast<int>(ScaledEdge(kFrameInset, scale));
    std::vector<bool> solid(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            solid[static_cast<std::size_t>(y) * width + x] = (back.Pixel(x, y) >> 24) >= 200;
    std::vector<bool> frame(solid.size());
    for (int y = inset; y < height - inset; ++y)
        for (int x = inset; x < width - inset; ++x) {
            // Solid at the four corners of the inset square, and the panel is convex.
            const auto at = [&](int px, int py) {
                return solid[static_cast<std::size_t>(py) * width + px];
            };
            frame[static_cast<std::size_t>(y) * width + x] =
                at(x - inset, y - inset) && at(x + inset, y - inset) && at(x - inset, y + inset) &&
                at(x + inset, y + inset);
        }
    return frame;
}

// Draws every label of the records alone at a scale and reports a text that its box cuts (it
// does not fit the box, or it differs from the same text drawn in a box with room for it all
// around), ink outside the panel, and two texts that run together. A text in a setting is
// looked at once.
class LabelChecker {
public:
    LabelChecker(const TSkin& skin, double scale, std::string name, Problems& problems)
        : skin_(skin), scale_(scale), name_(std::move(name)), problems_(problems) {
        frame_ = Frame(skin, scale, width_, height_);
        TSkinFile(skin.FileName).ReadRainBar("RainBar", rainBar_);
    }

    void Check(const TWeatherData& record) {
        std::vector<InkBox> inks;
        for (const TSkin::TLabelItem& label : skin_.Labels(record, scale_)) {
            if (label.Setting.Width() <= 0 || label.Setting.Height() <= 0 || label.Text.empty())
                continue;
            const std::optional<InkBox>& ink = Ink(label);
            if (!ink)
                continue;
            for (const InkBox& other : inks)
                if (RunTogether(other, *ink, scale_))
                    problems_.try_emplace(name_ + ": [" + other.section + "] runs into [" +
                                              ink->section + "]",
                                          other.text + " " + ink->text);
            inks.push_back(*ink);
        }
        // The rain strip, drawn whenever the record has the rain: inside the panel, and no text
        // drawn over it or run into it.
        if (record.RainStep == NoValue || rainBar_.Rect.Right <= rainBar_.Rect.Left)
            return;
        const TRect strip = ScaledRect(rainBar_.Rect, scale_);
        const InkBox bar{"RainBar", "", strip.Left, strip.Top, strip.Right, strip.Bottom};
        for (int y = bar.top; y < bar.bottom; ++y)
            for (int x = bar.left; x < bar.right; ++x)
                if (x < 0 || y < 0 || x >= width_ || y >= height_ ||
                    !frame_[static_cast<std::size_t>(y) * width_ + x]) {
                    problems_.try_emplace(name_ + " at " + Scale() + ": [RainBar] leaves the panel",
                                          "");
                    y = bar.bottom;
                    break;
                }
        for (const InkBox& other : inks)
            if (RunTogether(other, bar, scale_))
                problems_.try_emplace(name_ + ": [" + other.section + "] runs into [RainBar]",
                                      other.text);
    }

private:
    const std::optional<InkBox>& Ink(const TSkin::TLabelItem& label) {
        std::string key = label.Section + "\n" + label.Text + "\n";
        for (const std::int32_t v :
             {label.Setting.Rect.Left, label.Setting.Rect.Top, label.Setting.Rect.Right,
              label.Setting.Rect.Bottom, label.Setting.FontColor})
            key += std::to_string(v) + ",";
        if (const auto it = seen_.find(key); it != seen_.end())
            return it->second;
        const TRect box = ScaledRect(label.Setting.Rect, scale_);
        const TLabelExtent extent = skin_.MeasureLabel(label.Text, label.Setting, scale_);
        // Glyphs reach beyond their advance by less than a line's height.
        const int margin = extent.Height + 8;
        const int w = box.Right - box.Left, h = box.Bottom - box.Top;
        // The label in a box of its own size near the corner of a canvas: moved by an even
        // number of skin pixels, a whole number of device pixels at 1x, 1.5x and 2x, so that its
        // size and rounding stay. The same text centred in a box with room all around is the
        // text uncut.
        const auto near = [&](std::int32_t edge) {
            const std::int32_t target = 2 * (margin / 2 + 1);
            return target + (edge & 1) - edge;
        };
        const std::int32_t dx = near(label.Setting.Rect.Left), dy = near(label.Setting.Rect.Top);
        TLabelSetting inBox = label.Setting, roomy = label.Setting;
        inBox.Rect = {label.Setting.Rect.Left + dx, label.Setting.Rect.Top + dy,
                      label.Setting.Rect.Right + dx, label.Setting.Rect.Bottom + dy};
        const TRect drawnBox = ScaledRect(inBox.Rect, scale_);
        const int canvasW = std::max(drawnBox.Right, extent.Width + 2 * margin) + 2 * margin;
        const int canvasH = std::max(drawnBox.Bottom, extent.Height + 2 * margin) + 2 * margin;
        roomy.Rect = {0, 0, static_cast<std::int32_t>(canvasW / scale_),
                      static_cast<std::int32_t>(canvasH / scale_)};
        roomy.HorizontalAlign = 1;
        roomy.VerticalAlign = 1;
        TBitmap drawn(canvasW, canvasH), free(canvasW, canvasH);
        skin_.DrawLabel(&drawn, label.Text, &inBox, scale_);
        skin_.DrawLabel(&free, label.Text, &roomy, scale_);
        int x = 0, y = 0, freeX = 0, freeY = 0;
        const TBitmap ink = CropToInk(drawn, x, y);
        const std::string name = "[" + label.Section + "] \"" + label.Text + "\"";
        const std::string where = name_ + " at " + Scale() + ": ";
        // A text wider or taller than its box is out of place even where its glyphs' blank
        // edges hide the cut: the alignment puts it beyond the box.
        const bool cut =
            !(ink == CropToInk(free, freeX, freeY)) || extent.Width > w || extent.Height > h;
        if (cut && !CutByDesign(label.Section))
            problems_.try_emplace(where + "[" + label.Section + "] is cut by its box", name);
        std::optional<InkBox>& result = seen_[key];
        if (ink.Empty())
            return result;
        const int left = box.Left + x - drawnBox.Left, top = box.Top + y - drawnBox.Top;
        for (int py = 0; py < ink.Height(); ++py)
            for (int px = 0; px < ink.Width(); ++px) {
                if ((ink.Pixel(px, py) >> 24) == 0)
                    continue;
                const int fx = left + px, fy = top + py;
                if (fx < 0 || fy < 0 || fx >= width_ || fy >= height_ ||
                    !frame_[static_cast<std::size_t>(fy) * width_ + fx]) {
                    problems_.try_emplace(where + "[" + label.Section + "] leaves the panel", name);
                    py = ink.Height();
                    break;
                }
            }
        result = InkBox{label.Section, name, left, top, left + ink.Width(), top + ink.Height()};
        return result;
    }

    std::string Scale() const {
        char text[16];
        std::snprintf(text, sizeof text, "%gx", scale_);
        return text;
    }

    const TSkin& skin_;
    double scale_;
    std::string name_;
    Problems& problems_;
    std::vector<bool> frame_;
    int width_ = 0, height_ = 0;
    TRainBarSetting rainBar_;
    std::map<std::string, std::optional<InkBox>> seen_;
};

// The texts `make` gives for the entries of urls.list, widest first as the skin's label
// `section` draws them.
template <class Make>
std::vector<std::string> WidestTexts(const TSkin& skin, const std::string& section,
                                     std::size_t count, Make make) {
    TWeatherData probe;
    TLabelSetting setting;
    for (const auto& label : skin.Labels(probe))
        if (label.Section == section)
            setting = label.Setting;
    const auto font = skin.CreateLabelFont(setting);
    std::vector<std::pair<int, std::string>> widths;
    for (const TLocationEntry& e :
         ReadLocationFile(std::string(PELUMI_SOURCE_DIR) + "/data/urls.list")) {
        std::string text = make(e);
        widths.emplace_back(font->TextWidth(text), std::move(text));
    }
    std::sort(widths.rbegin(), widths.rend());
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < widths.size() && i < count; ++i)
        texts.push_back(widths[i].second);
    return texts;
}

// The place names that come out widest in the location label.
std::vector<std::string> WidestPlaces(const TSkin& skin, std::size_t count) {
    return WidestTexts(skin, "LocationLabel", count, [](const TLocationEntry& e) { return e[2]; });
}

// The live source's status line for the place whose not-found text is the widest.
std::string WidestNotFoundStatus(const TSkin& skin) {
    return WidestTexts(skin, "InformationLabel", 1,
                       [](const TLocationEntry& e) { return PlaceNotFoundMessage(e[2]); })
        .front();
}

// A whole record with the widest value of every kind.
TWeatherData WorstRecord(TDateTime today, std::int32_t temp, std::int32_t hour,
                         const std::string& place) {
    TWeatherData w;
    for (int s = 0; s < 16; ++s) {
        w.PointDate[s] = today + (s < 8 ? 0 : 1);
        w.PointHour[s] = hour;
        w.PointWeather[s] = "曇のち一時雨";
        w.PointTemp[s] = temp;
    }
    for (int k = 0; k < 7; ++k) {
        w.WeekDate[k] = today + k + 1;
        w.WeekWeather[k] = "曇のち一時雨";
        w.WeekMinTemp[k] = temp;
        w.WeekMaxTemp[k] = temp;
        w.WeekProb[k] = 100;
    }
    for (int d = 0; d < 2; ++d) {
        w.DayDate[d] = today + d;
        w.DayWeather[d] = "曇のち一時雨";
        w.DayMinTemp[d] = temp;
        w.DayMaxTemp[d] = temp;
    }
    w.DayProb.fill(100);
    w.LocationName = place;
    w.UpdateInfo = "23時59分 取得";
    // The agency's longest texts of a day and of its wind, and every 信頼度.
    w.DayText = {
        "晴れ　夜のはじめ頃　くもり　多摩西部　では　夜のはじめ頃　まで　雨　で　雷を伴い　激しく　"
        "降る",
        "くもり　夕方　一時　雨　所により　昼過ぎ　から　夜のはじめ頃　雷を伴い　激しく　降る"};
    w.DayWind = {"北の風　日中　北東の風　２３区西部　では　後　北の風　やや強く",
                 "南の風　２３区西部　では　はじめ　南の風　やや強く"};
    for (int k = 0; k < 7; ++k)
        w.WeekReliability[k] = std::string(1, static_cast<char>('A' + k % 3));
    return w;
}

// The rain of the next hour in every state its label tells, each class at its widest: rain due
// in 55 minutes, rain now whose end is unknown or due, rain all hour, none, unknown.
std::vector<TWeatherData> RainRecords(const TWeatherData& base) {
    const std::string time = JapanTimeText(platform::UnixSecondsNow());
    std::vector<std::vector<std::int32_t>> hours = {std::vector<std::int32_t>(13, 0), {}};
    for (std::int32_t c = 1; c <= 8; ++c) {
        std::vector<std::int32_t> due(13, 0), endUnknown(13, c), ends(13, c);
        due[12] = c;
        endUnknown[6] = NoValue;
        ends[12] = 0;
        hours.push_back(due);
        hours.push_back(endUnknown);
        hours.push_back(ends);
        hours.push_back(std::vector<std::int32_t>(13, c));
    }
    std::vector<TWeatherData> records;
    for (auto& frames : hours) {
        TWeatherData w = base;
        SetRain(w, kJmaRainStep, time, std::move(frames));
        records.push_back(w);
    }
    return records;
}

// The warnings: every kind alone and first of all kinds at once, none and unknown; each with
// no note, the note of the same day and the note of another day.
std::vector<TWeatherData> WarningRecords(const TWeatherData& base) {
    std::vector<TWarning> all;
    for (const TWarningKind& kind : WarningKinds())
        all.push_back({std::string(kind.Code), std::string(kind.Name), "発表", kind.Level});
    // A kind the table does not know yet gets a name of the code.
    all.push_back(WarningOfCode("99", "発表"));
    std::vector<std::vector<TWarning>> lists;
    for (const TWarning& first : all) {
        lists.push_back({first});
        std::vector<TWarning> many = {first};
        for (const TWarning& other : all)
            if (other.Code != first.Code)
                many.push_back(other);
        lists.push_back(many);
    }
    std::vector<TWeatherData> records;
    for (const char* note : {"", "10:40 現在", "12/31 23:59 現在"}) {
        TWeatherData none = base;
        none.WarningsKnown = true;
        none.WarningsNote = note;
        records.push_back(none);
        for (const auto& list : lists) {
            TWeatherData w = none;
            w.Warnings = list;
            records.push_back(w);
        }
    }
    TWeatherData unknown = base;
    unknown.WarningsKnown = false;
    unknown.WarningsNote = "警報: 取得できず";
    records.push_back(unknown);
    return records;
}

} // namespace

TEST(ShippedSkins, WorstCaseTextsShowWholeAndKeepClearOfEachOther) {
    const ClockGuard clock({2026, 12, 9, 10, 30, 0});
    const TDateTime today = EncodeDate(2026, 12, 9);
    // The status lines the refresh writes, over an empty record and over a kept forecast.
    const char* const statuses[] = {"接続しています", "再接続します (あと5回)", "データ取得に失敗"};
    // The report times of a forecast of today, of yesterday, of days ago (a kept one), of the
    // live source.
    const char* const reports[] = {"23時59分 発表", "前日17時00分 発表", "12月31日 23時00分 発表",
                                   "23時59分 取得"};
    // The widest names of the agency's temperature stations (the one of seven characters, one
    // of five kanji), six kanji, the live source's; the weather now ten minutes old.
    const char* const stations[] = {"ぬかびら源泉郷", "江戸川臨海", "阿寒湖畔温泉", "Open-Meteo"};
    const std::string observed = JapanTimeText(platform::UnixSecondsNow() - 600);
    for (const std::string& path : ShippedSkins()) {
        TSkin skin;
        skin.Load(path);
        const std::string name = path.substr(kSkinRoot.size());
        Problems problems;
        const std::vector<std::string> places = WidestPlaces(skin, 3);
        ASSERT_EQ(places.size(), 3u);
        std::vector<TWeatherData> records;
        for (const std::string& place : places)
            records.push_back(WorstRecord(today, -88, 21, place));
        for (std::int32_t temp = -10; temp >= -99; --temp)
            records.push_back(WorstRecord(today, temp, 21, places[0]));
        for (int day = 0; day < 35; ++day) // every day of the month in every slot
            records.push_back(WorstRecord(today - 8 + day, -88, 21, places[0]));
        for (std::int32_t hour = 0; hour <= 24; hour += 3)
            records.push_back(WorstRecord(today, -88, hour, places[0]));
        std::vector<std::string> lines(std::begin(statuses), std::end(statuses));
        lines.push_back(WidestNotFoundStatus(skin));
        for (const std::string& status : lines) {
            TWeatherData failed;
            failed.Information = status;
            records.push_back(failed);
            // A refresh over the kept forecast, however old: the status shows with every other
            // text.
            for (const char* report : reports) {
                TWeatherData kept = WorstRecord(today, -88, 21, places[0]);
                kept.Information = status;
                kept.UpdateInfo = report;
                records.push_back(kept);
            }
        }
        // The whole widget at once: the weather now at a long-named station, the longest
        // report time, the status line and the warnings in every state.
        TWeatherData full = WorstRecord(today, -88, 21, places[0]);
        full.Information = lines.back();
        full.UpdateInfo = "12月31日 23時00分 発表";
        for (const char* station : stations) {
            full.Now = {observed, station, -88.8, 99.5, 88.8, "北北東", 100.0};
            records.push_back(full);
        }
        for (const TWeatherData& warned : WarningRecords(full))
            records.push_back(warned);
        for (const TWeatherData& rained : RainRecords(full))
            records.push_back(rained);
        // A forecast whose next report is overdue: its age in place of the report time, in days
        // with two-digit month, day and count, and the day before.
        for (const char* report : {"2026-11-29T23:30", "2026-12-08T17:00"}) {
            TWeatherData old = full;
            old.ReportTime = report;
            records.push_back(old);
        }
        // A forecast that tells no slot of the row from the present period on.
        TWeatherData untold = full;
        for (int s = 0; s < 16; ++s) {
            untold.PointDate[s] = 0;
            untold.PointWeather[s].clear();
            untold.PointTemp[s] = NoValue;
        }
        records.push_back(untold);
        // The date of a new day over whichever slot passes midnight at each hour, and over the
        // first when the row begins tomorrow; every day of a month.
        std::vector<TWeatherData> newDays;
        for (int day = 0; day < 35; ++day) {
            const TWeatherData w = WorstRecord(today - 8 + day, -88, 21, places[0]);
            newDays.push_back(w);
            TWeatherData tomorrowOnly = w;
            for (int s = 0; s < 8; ++s) {
                tomorrowOnly.PointDate[s] = 0;
                tomorrowOnly.PointWeather[s].clear();
                tomorrowOnly.PointTemp[s] = NoValue;
            }
            newDays.push_back(tomorrowOnly);
        }
        for (const double scale : {1.0, 1.5, 2.0}) {
            LabelChecker checker(skin, scale, name, problems);
            for (const TWeatherData& record : records)
                checker.Check(record);
            for (int hour = 0; hour < 24; hour += 3) {
                platform::FixClock({2026, 12, 9, hour, 30, 0});
                for (const TWeatherData& record : newDays)
                    checker.Check(record);
            }
            platform::FixClock({2026, 12, 9, 10, 30, 0});
        }
        for (const auto& [problem, example] : problems)
            ADD_FAILURE() << problem << ", for example " << example;
    }
}
