// Every label of every shipped skin, drawn with the real fonts and the widest texts the widget
// can be given, must show whole and keep clear of its neighbours: "100%", two-digit frosts,
// the longest place of urls.list, every date and hour, the longest status line.
#include "platform/Clock.h"
#include "skin/Font.h"
#include "skin/Skin.h"
#include "support/ShippedSkins.h"
#include "weather/LocationList.h"
#include "weather/WeatherData.h"
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
// them; texts one above the other, unless a clear row does.
constexpr int kClearColumns = 3;
constexpr int kClearRows = 1;

bool RunTogether(const InkBox& a, const InkBox& b) {
    const bool rowsShared = a.top < b.bottom && b.top < a.bottom;
    const bool columnsShared = a.left < b.right && b.left < a.right;
    const int columnsBetween = std::max(b.left - a.right, a.left - b.right);
    const int rowsBetween = std::max(b.top - a.bottom, a.top - b.bottom);
    return (rowsShared && columnsBetween < kClearColumns) ||
           (columnsShared && rowsBetween < kClearRows);
}

// Draws every label of `record` alone and reports a text that its box cuts (it does not fit
// the box, or it differs from the same text drawn in a box with room for it all around) and
// two texts that run together.
void CheckLabels(const TSkin& skin, const TWeatherData& record, const std::string& what,
                 Problems& problems) {
    std::vector<InkBox> inks;
    for (const TSkin::TLabelItem& label : skin.Labels(record)) {
        const TRect& box = label.Setting.Rect;
        if (label.Setting.Width() <= 0 || label.Setting.Height() <= 0 || label.Text.empty())
            continue;
        const auto font = skin.CreateLabelFont(label.Setting);
        const int room = font->TextWidth(label.Text) + font->TextHeight() + 8;
        const int w = box.Right - box.Left, h = box.Bottom - box.Top;
        TLabelSetting inBox = label.Setting, roomy = label.Setting;
        inBox.Rect = {room, room, room + w, room + h};
        roomy.Rect = {0, 0, w + 2 * room, h + 2 * room};
        TBitmap drawn(w + 2 * room, h + 2 * room), free(w + 2 * room, h + 2 * room);
        skin.DrawLabel(&drawn, label.Text, &inBox);
        skin.DrawLabel(&free, label.Text, &roomy);
        int x = 0, y = 0, freeX = 0, freeY = 0;
        const TBitmap ink = CropToInk(drawn, x, y);
        const std::string name = "[" + label.Section + "] \"" + label.Text + "\"";
        // A text wider or taller than its box is out of place even where its glyphs' blank
        // edges hide the cut: the alignment puts it beyond the box.
        if (!(ink == CropToInk(free, freeX, freeY)) || font->TextWidth(label.Text) > w ||
            font->TextHeight() > h)
            problems.try_emplace(what + ": [" + label.Section + "] is cut by its box", name);
        if (ink.Empty())
            continue;
        const int left = box.Left + x - room, top = box.Top + y - room;
        const InkBox mine{label.Section, name, left, top, left + ink.Width(), top + ink.Height()};
        for (const InkBox& other : inks)
            if (RunTogether(other, mine))
                problems.try_emplace(what + ": [" + other.section + "] runs into [" + mine.section +
                                         "]",
                                     other.text + " " + mine.text);
        inks.push_back(mine);
    }
}

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
    return w;
}

} // namespace

TEST(ShippedSkins, WorstCaseTextsShowWholeAndKeepClearOfEachOther) {
    const ClockGuard clock({2026, 12, 9, 10, 30, 0});
    const TDateTime today = EncodeDate(2026, 12, 9);
    // The status lines the refresh writes, over an empty record and over a kept forecast.
    const char* const statuses[] = {"接続しています", "再接続します (あと5回)", "データ取得に失敗"};
    for (const std::string& path : ShippedSkins()) {
        TSkin skin;
        skin.Load(path);
        const std::string name = path.substr(kSkinRoot.size());
        Problems problems;
        const std::vector<std::string> places = WidestPlaces(skin, 3);
        ASSERT_EQ(places.size(), 3u);
        for (const std::string& place : places)
            CheckLabels(skin, WorstRecord(today, -88, 21, place), name, problems);
        for (std::int32_t temp = -10; temp >= -99; --temp)
            CheckLabels(skin, WorstRecord(today, temp, 21, places[0]), name, problems);
        for (int day = 0; day < 35; ++day) // every day of the month in every slot
            CheckLabels(skin, WorstRecord(today - 8 + day, -88, 21, places[0]), name, problems);
        for (std::int32_t hour = 0; hour <= 24; hour += 3)
            CheckLabels(skin, WorstRecord(today, -88, hour, places[0]), name, problems);
        std::vector<std::string> lines(std::begin(statuses), std::end(statuses));
        lines.push_back(WidestNotFoundStatus(skin));
        for (const std::string& status : lines) {
            TWeatherData failed;
            failed.Information = status;
            CheckLabels(skin, failed, name, problems);
            // A refresh over the kept forecast: the status shows with every other text.
            TWeatherData kept = WorstRecord(today, -88, 21, places[0]);
            kept.Information = status;
            CheckLabels(skin, kept, name, problems);
        }
        for (const auto& [problem, example] : problems)
            ADD_FAILURE() << problem << ", for example " << example;
    }
}
