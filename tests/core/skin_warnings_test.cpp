// The warnings row: a list that does not fit its box ends in "他N件" after whole names, the
// names begin beside a drawn badge, and a station named like the place is not written twice.
#include "platform/Clock.h"
#include "skin/Skin.h"
#include "skin_images.h"
#include "support/TempDir.h"
#include "weather/WeatherData.h"

#include <gtest/gtest.h>

namespace {

const TWarning kRain{"03", "レベル3大雨警報", "発表", TWarningLevel::Warning};
const TWarning kFlood{"04", "洪水警報", "発表", TWarningLevel::Warning};
const TWarning kThunder{"14", "雷注意報", "発表", TWarningLevel::Advisory};
const TWarning kEmergency{"33", "レベル5大雨特別警報", "発表", TWarningLevel::Emergency};

class SkinWarningsTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSolidPng(dir, "back.png", 400, 20, 0xFF000000);
        WriteSolidPng(dir, "badge.png", 40, 14, 0xFFFF0000);
    }
    // A skin whose warnings label is `width` pixels wide, with a badge box when `badge`.
    void LoadSkin(int width, const std::string& badge = "") {
        skin.Load(dir.Write("skin.ini", "[ImageFiles]\nBackground=back.png\n"
                                        "WarningWarning=badge.png\nWarningEmergency=badge.png\n"
                                        "[WarningLabel]\nRect=10,0," +
                                            std::to_string(10 + width) +
                                            ",16\nFontHeight=11\nAntiAliasing=1\n"
                                            "NoDataString=発表なし\n" +
                                            badge));
    }
    const TSkin::TLabelItem Warnings(const std::vector<TWarning>& list, const char* note = "",
                                     double scale = 1.0) {
        weather.WarningsKnown = true;
        weather.Warnings = list;
        weather.WarningsNote = note;
        return skin.Labels(weather, scale).back();
    }
    int Width(const std::string& text, double scale = 1.0) {
        TLabelSetting setting = skin.Labels(weather).back().Setting;
        return skin.MeasureLabel(text, setting, scale).Width;
    }
    TempDir dir;
    TSkin skin;
    TWeatherData weather;
};

} // namespace

TEST_F(SkinWarningsTest, ANameThatDoesNotFitIsLeftOutWholeAndCounted) {
    LoadSkin(1000);
    const std::string all = "レベル3大雨警報・洪水警報・雷注意報";
    const std::string two = "レベル3大雨警報・洪水警報 他1件";
    const std::string one = "レベル3大雨警報 他2件";
    const std::string count = "警報・注意報 3件";
    struct Case {
        int room;
        std::string note;
        std::string expected;
    };
    const Case cases[] = {
        {Width(all), "", all},
        {Width(all) - 1, "", two},
        {Width(two), "", two},
        {Width(two) - 1, "", one},
        {Width(one) - 1, "", count},
        {3, "", count}, // even the count does not fit: shown rather than nothing
        // The note stays whole; the names make room for it.
        {Width(all + " (10:40 現在)"), "10:40 現在", all + " (10:40 現在)"},
        {Width(all + " (10:40 現在)") - 1, "10:40 現在", two + " (10:40 現在)"},
        {Width(count + " (12/31 23:59 現在)"), "12/31 23:59 現在", count + " (12/31 23:59 現在)"},
        {Width(count + " (12/31 23:59 現在)") - 1, "12/31 23:59 現在", "3件 (12/31 23:59 現在)"},
    };
    for (const Case& c : cases) {
        LoadSkin(c.room);
        // Listed mildest first: shown most severe first all the same.
        const auto label = Warnings({kThunder, kRain, kFlood}, c.note.c_str());
        EXPECT_EQ(label.Text, c.expected) << "room " << c.room;
        if (c.room > 3) {
            EXPECT_LE(Width(label.Text), c.room) << label.Text;
        }
    }
}

TEST_F(SkinWarningsTest, TheFitIsMadeAtTheScaleOfTheDrawing) {
    const std::string all = "レベル3大雨警報・洪水警報・雷注意報";
    LoadSkin(1000);
    // A box that holds all the names at 2x, as measured there, holds them when drawn at 2x.
    const int room = (Width(all, 2.0) + 1) / 2;
    LoadSkin(room);
    const auto label = Warnings({kRain, kFlood, kThunder}, "", 2.0);
    EXPECT_LE(skin.MeasureLabel(label.Text, label.Setting, 2.0).Width, 2 * room);
    EXPECT_TRUE(label.Text == all || label.Text.ends_with("件")) << label.Text;
    LoadSkin(room - 10);
    EXPECT_TRUE(Warnings({kRain, kFlood, kThunder}, "", 2.0).Text.ends_with("他1件"));
}

TEST_F(SkinWarningsTest, TheNamesBeginBesideADrawnBadge) {
    // The label spans the row (10 to 310); the badge box ends at 60.
    const std::string badge = "[WarningIcon]\nRect=10,1,60,15\nAutoResize=0\n";
    LoadSkin(300, badge);
    struct Case {
        const char* what;
        bool known;
        std::vector<TWarning> warnings;
        int left;
    };
    const Case cases[] = {
        {"a warning: its badge", true, {kRain}, 60},
        {"an emergency: its badge", true, {kEmergency, kRain}, 60},
        {"an advisory: the skin has no badge for it", true, {kThunder}, 10},
        {"none in force", true, {}, 10},
        {"unknown", false, {}, 10},
    };
    for (const Case& c : cases) {
        weather.WarningsKnown = c.known;
        weather.Warnings = c.warnings;
        weather.WarningsNote = c.known ? "" : "警報: 取得できず";
        const auto label = skin.Labels(weather).back();
        EXPECT_EQ(label.Setting.Rect, (TRect{c.left, 0, 310, 16})) << c.what;
    }
    // The badge is drawn at its box, the names beside it.
    weather.WarningsKnown = true;
    weather.Warnings = {kRain};
    TBitmap bitmap;
    skin.Draw(&bitmap, &weather);
    EXPECT_EQ(bitmap.Pixel(20, 8), 0xFFFF0000u);
    // A badge box that does not end within the label's box, or lies on another row, leaves the
    // label as it is.
    for (const char* box : {"0,1,8,15", "10,16,60,30"}) {
        LoadSkin(300, std::string("[WarningIcon]\nRect=") + box + "\n");
        EXPECT_EQ(skin.Labels(weather).back().Setting.Rect, (TRect{10, 0, 310, 16})) << box;
    }
}

TEST(SkinNowStation, AStationNamedLikeThePlaceIsNotWrittenTwice) {
    struct Case {
        const char* station;
        const char* place;
        bool repeats;
    };
    const Case cases[] = {
        {"千代田区", "東京都千代田区", true},
        {"札幌", "北海道札幌市", true},
        {"府中", "東京都府中市", true},
        {"東京", "東京都千代田区", false},
        {"江戸川臨海", "東京都江戸川区", false},
        {"", "東京都千代田区", false},
        {"東京", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TSkin::StationRepeatsPlace(c.station, c.place), c.repeats)
            << c.station << " / " << c.place;

    // The time label then ends after the time, without the blank before the station.
    TempDir dir;
    WriteSolidPng(dir, "back.png", 100, 20, 0xFF000000);
    TSkin skin;
    skin.Load(dir.Write("skin.ini", "[ImageFiles]\nBackground=back.png\n[NowTimeLabel]\n"
                                    "Rect=0,0,100,20\nDataFormat=%H:%N %r\n"));
    TWeatherData w;
    w.Now = {"2026-10-04T08:40", "千代田区", 19.66, 0.5, 2.0, "北北東", 71.0};
    platform::FixClock(platform::ToLocalDateTime(*JapanTimeSeconds(w.Now.Time) + 600));
    const auto text = [&](const char* place) {
        w.LocationName = place;
        for (const auto& label : skin.Labels(w))
            if (label.Section == "NowTimeLabel")
                return label.Text;
        return std::string("(none)");
    };
    const std::string repeated = text("東京都千代田区");
    const std::string other = text("東京都中央区");
    platform::ReleaseClock();
    EXPECT_EQ(repeated, "08:40");
    EXPECT_EQ(other, "08:40 千代田区");
}

// A skin made before the warnings row draws the same picture whatever the warnings say: they
// show in the tray and its balloon only.
TEST_F(SkinWarningsTest, ASkinWithoutTheRowDrawsAsBefore) {
    skin.Load(dir.Write("old.ini", "[ImageFiles]\nBackground=back.png\n[Label]\nFontColor=clWhite\n"
                                   "[LocationLabel]\nRect=0,0,400,20\n"));
    weather.LocationName = "千代田区";
    TBitmap before;
    skin.Draw(&before, &weather);
    struct Case {
        bool known;
        std::vector<TWarning> warnings;
        const char* note;
    };
    const Case cases[] = {
        {true, {kEmergency, kRain}, ""}, {true, {}, "10:40 現在"}, {false, {}, "警報: 取得できず"}};
    for (const Case& c : cases) {
        weather.WarningsKnown = c.known;
        weather.Warnings = c.warnings;
        weather.WarningsNote = c.note;
        TBitmap after;
        skin.Draw(&after, &weather);
        EXPECT_TRUE(after == before) << c.note;
    }
}
