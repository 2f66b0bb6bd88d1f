#include "platform/Clock.h"
#include "platform/Errors.h"
#include "skin/Compose.h"
#include "skin/Skin.h"
#include "skin_images.h"
#include "weather/WeatherData.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;
constexpr std::uint32_t kWhite = 0xFFFFFFFF, kGrey = 0xFF808080;

TEST(SkinCompose, SourceOverRules) {
    struct Case {
        std::uint32_t source, target, expected;
    };
    const Case cases[] = {
        {kRed, kBlue, kRed},                  // opaque replaces
        {0x00000000, kBlue, kBlue},           // transparent leaves
        {0x80800000, 0x00000000, 0x80800000}, // onto nothing: the source
        {0x80800000, kBlue, 0xFF80007F},      // half red over blue
        {0x80000000, kWhite, 0xFF7F7F7F},     // half black over white
    };
    for (const Case& c : cases)
        EXPECT_EQ(SourceOver(c.source, c.target), c.expected) << std::hex << c.source;
}

TEST(SkinCompose, ResampleEqualSizeIsExact) {
    const TBitmap source = GradientBitmap(16, 16);
    TBitmap target(16, 16);
    TSkin::ResampleBitmap(source, target);
    EXPECT_EQ(target, source);
}

TEST(SkinCompose, ResampleWholeReductionTakesEveryNthPixel) {
    for (int n : {2, 3, 5}) {
        const TBitmap source = GradientBitmap(8 * n, 4 * n);
        TBitmap target(8, 4);
        TSkin::ResampleBitmap(source, target);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(target.Pixel(x, y), source.Pixel(n * x, n * y)) << n;
    }
}

TEST(SkinCompose, ResampleEnlargementBlendsInSixteenths) {
    TBitmap source(2, 1);
    source.Pixel(0, 0) = 0xFF000000;
    source.Pixel(1, 0) = 0xFF0000FF;
    TBitmap target(4, 1);
    TSkin::ResampleBitmap(source, target);
    // fx = 0, 8, 16, 24 sixteenths: 0, half-way, source 1, then source 1 again (edge).
    EXPECT_EQ(target.Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(target.Pixel(1, 0), 0xFF00007Fu);
    EXPECT_EQ(target.Pixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(target.Pixel(3, 0), 0xFF0000FFu);

    TBitmap three(3, 1); // fx = 0, 10, 21: 16-10=6 of black, 10 of blue -> 255*10/16 = 159
    TSkin::ResampleBitmap(source, three);
    EXPECT_EQ(three.Pixel(1, 0), 0xFF00009Fu);
}

class DrawIconTest : public ::testing::Test {
protected:
    TIconSetting Box(int left, int top, int right, int bottom) {
        TIconSetting s;
        s.Rect = {left, top, right, bottom};
        return s;
    }
    // Bounding box of the non-transparent pixels of the canvas.
    TRect Painted() const {
        TRect r{INT_MAX, INT_MAX, -1, -1};
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x)
                if (canvas.Pixel(x, y)) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r;
    }
    TSkin skin;
    TBitmap canvas{100, 100};
};

TEST_F(DrawIconTest, SizesAndAlignment) {
    const TBitmap wide = SolidBitmap(40, 20, kRed);
    struct Case {
        const char* what;
        TIconSetting setting;
        TRect painted;
    };
    auto with = [](TIconSetting s, int h, int v, int autoResize, int keep) {
        s.HorizontalAlign = h;
        s.VerticalAlign = v;
        s.AutoResize = static_cast<std::uint8_t>(autoResize);
        s.KeepAspect = static_cast<std::uint8_t>(keep);
        return s;
    };
    const Case cases[] = {
        {"40x20 in 30x30 centred", with(Box(10, 10, 40, 40), 1, 1, 1, 1), {10, 17, 40, 32}},
        {"tall box, width limits", with(Box(0, 0, 20, 60), 0, 0, 1, 1), {0, 0, 20, 10}},
        {"flat box, height limits", with(Box(0, 0, 90, 10), 2, 2, 1, 1), {70, 0, 90, 10}},
        {"stretched", with(Box(5, 5, 15, 35), 1, 1, 1, 0), {5, 5, 15, 35}},
        {"not resized spills over", with(Box(50, 50, 60, 60), 1, 1, 0, 1), {35, 45, 75, 65}},
        // 29 and 9 pixels too narrow: half of that truncates toward zero, to -14 and -4.
        {"odd spill centred", with(Box(50, 50, 61, 61), 1, 1, 0, 1), {36, 46, 76, 66}},
        {"odd spill right and bottom", with(Box(50, 50, 61, 61), 2, 2, 0, 1), {21, 41, 61, 61}},
        {"align 3 at x = 0", with(Box(50, 50, 90, 70), 3, 0, 1, 1), {0, 50, 40, 70}},
        {"align -1 at y = 0", with(Box(50, 50, 90, 70), 0, -1, 1, 1), {50, 0, 90, 20}},
    };
    for (const Case& c : cases) {
        TSkin::ClearBitmap(canvas);
        skin.DrawIcon(&canvas, &wide, c.setting);
        EXPECT_EQ(Painted(), c.painted) << c.what;
    }
}

TEST_F(DrawIconTest, NothingForEmptyBoxesOrIconsAndNoCrashFarAway) {
    const TBitmap icon = SolidBitmap(16, 16, kRed);
    const TBitmap none;
    const TIconSetting cases[] = {
        TIconSetting{},
        Box(10, 10, 10, 20),
        Box(10, 10, 20, 5),
        Box(0, 0, INT_MAX, INT_MAX), // enormous: skipped, not allocated
        Box(INT_MIN, INT_MIN, -1, -1),
        Box(INT_MAX - 5, 0, INT_MAX, 5),
        Box(-1000000, -1000000, -999990, -999990),
    };
    for (const TIconSetting& s : cases) {
        skin.DrawIcon(&canvas, &icon, s);
        TIconSetting spill = s;
        spill.AutoResize = 0;
        skin.DrawIcon(&canvas, &icon, spill);
    }
    skin.DrawIcon(&canvas, &none, Box(0, 0, 10, 10));
    skin.DrawIcon(nullptr, &icon, Box(0, 0, 10, 10));
    EXPECT_EQ(Painted(), (TRect{INT_MAX, INT_MAX, -1, -1}));
}

TEST(SkinCompose, FillBitmapRectClipsAndClears) {
    TBitmap b = SolidBitmap(4, 4, kGrey);
    TSkin::FillBitmapRect(b, 0x0000FF, -5, -5, 2, 1); // red, clipped
    TSkin::FillBitmapRect(b, clNone, 3, 3, 99, 99);
    EXPECT_EQ(b.Pixel(0, 0), kRed);
    EXPECT_EQ(b.Pixel(1, 0), kRed);
    EXPECT_EQ(b.Pixel(2, 0), kGrey);
    EXPECT_EQ(b.Pixel(0, 1), kGrey);
    EXPECT_EQ(b.Pixel(3, 3), 0u);
}

// A skin with one-pixel point icons side by side: slot s paints pixel (s, 0).
class SkinDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSolidPng(dir, "back.png", 10, 4, kGrey);
        WriteSolidPng(dir, "img/fine.png", 1, 1, kRed);
        WriteSolidPng(dir, "night.png", 1, 1, kBlue);
        WriteSolidPng(dir, "cloudy.png", 1, 1, kGreen);
        WriteSolidPng(dir, "split.png", 1, 2, kWhite);
        for (auto& h : weather.PointHour)
            h = 12;
    }
    std::string WriteSkin(const std::string& extra) {
        std::string text = "[ImageFiles]\nBackground=back.png\nFine=img\\fine.png\n"
                           "FineNight=night.png\nCloudy=cloudy.png\nSplitter=split.png\n";
        for (int s = 0; s < 7; ++s)
            text += "[PointWeatherIcon" + std::to_string(s) + "]\nRect=" + std::to_string(s) +
                    ",0," + std::to_string(s + 1) + ",1\n";
        return dir.Write("skin.ini", text + extra);
    }
    TempDir dir;
    TWeatherData weather;
    TSkin skin;
    TBitmap bitmap;
};

TEST_F(SkinDrawTest, PointBlockStartsAtTheCurrentSlotAndPicksDayOrNight) {
    skin.Load(WriteSkin(""));
    for (int i = 0; i < 16; ++i)
        weather.PointWeather[i] = "曇り";
    // Day and night by the middle of each slot's period, whatever hour labels it.
    weather.PointWeather[4] = "晴れ"; // 12-15 o'clock: day
    weather.PointWeather[5] = "晴れ";
    weather.PointHour[5] = 3; // 15-18: day
    weather.PointWeather[6] = "晴れ";
    weather.PointHour[6] = 12; // 18-21: night
    weather.PointWeather[7] = "晴れ";
    weather.PointHour[7] = NoValue; // 21-24: night
    weather.PointWeather[10] = "";  // no NA image: nothing
    platform::FixClock({2014, 1, 1, 14, 30, 0});
    skin.Draw(&bitmap, &weather);
    platform::ReleaseClock();
    ASSERT_EQ(bitmap.Width(), 10);
    const std::uint32_t expected[] = {kRed, kRed, kBlue, kBlue, kGreen, kGreen, kGrey};
    for (int s = 0; s < 7; ++s)
        EXPECT_EQ(bitmap.Pixel(s, 0), expected[s]) << s;
    EXPECT_EQ(bitmap.Pixel(0, 1), kWhite); // the splitter at (0, 0), under the icons
    EXPECT_EQ(bitmap.Pixel(7, 0), kGrey);

    platform::FixClock({2014, 1, 1, 23, 0, 0}); // slots 7 to 13
    weather.PointWeather[13] = "晴";
    skin.Draw(&bitmap, &weather);
    platform::ReleaseClock();
    EXPECT_EQ(bitmap.Pixel(0, 0), kBlue);
    EXPECT_EQ(bitmap.Pixel(3, 0), kGrey); // slot 10 has no weather
    EXPECT_EQ(bitmap.Pixel(6, 0), kRed);
}

TEST_F(SkinDrawTest, NoSlotSectionsNoIconsWhateverTheGroupSays) {
    const std::string path = dir.Write(
        "bare.ini", "[ImageFiles]\nBackground=back.png\nFine=img\\fine.png\n[Icon]\nRect=0,0,9,3\n"
                    "[PointWeatherIcon]\nRect=0,0,9,3\n[WeekWeatherIcon]\nRect=0,0,9,3\n");
    skin.Load(path);
    for (auto& w : weather.PointWeather)
        w = "晴";
    skin.Draw(&bitmap, &weather);
    EXPECT_EQ(bitmap, SolidBitmap(10, 4, kGrey));
}

TEST_F(SkinDrawTest, WeekAndDayBlocksAreDaytime) {
    skin.Load(WriteSkin("[WeekWeatherIcon]\nRect=0,2,1,3\n[WeekWeatherIcon6]\nRect=6,2,7,3\n"
                        "[DayWeatherIcon1]\nRect=9,3,10,4\n"));
    weather.WeekWeather[6] = "晴";
    weather.DayWeather[1] = "晴";
    weather.WeekWeather[0] = "曇";
    skin.Draw(&bitmap, &weather);
    EXPECT_EQ(bitmap.Pixel(6, 2), kRed);
    EXPECT_EQ(bitmap.Pixel(9, 3), kRed);
    EXPECT_EQ(bitmap.Pixel(0, 2), kGrey); // slot 0 has no Rect of its own: not drawn
}

TEST_F(SkinDrawTest, LabelGroupsOfABlockLendTheBoxOfTheGroupReadBefore) {
    // PointTimeLabel has no Rect of its own: its slot's letters take the box that
    // PointWeatherLabel, read just before into the same record, had. The week block starts
    // afresh, so the same letters there give no box.
    WriteSolidPng(dir, "back.png", 60, 60, 0xFF000000);
    skin.Load(dir.Write("labels.ini", "[ImageFiles]\nBackground=back.png\n"
                                      "[Label]\nFontColor=clWhite\nDataFormat=%h%i\n"
                                      "[PointWeatherLabel]\nRect=0,0,40,20\n"
                                      "[PointTimeLabel0]\nRect=a,b,c,d\n"
                                      "[WeekMinTempLabel0]\nRect=a,b,c,d\n"));
    weather.PointHour.fill(88);
    weather.WeekMinTemp.fill(88);
    skin.Draw(&bitmap, &weather);
    auto inked = [&](int left, int top, int right, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (bitmap.Pixel(x, y) != 0xFF000000u)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(0, 0, 40, 20));
    EXPECT_FALSE(inked(0, 20, 60, 60));
    EXPECT_FALSE(inked(40, 0, 60, 20));
}

TEST_F(SkinDrawTest, LabelsListsWhatDrawDraws) {
    WriteSolidPng(dir, "back.png", 90, 40, 0xFF000000);
    skin.Load(dir.Write("labels.ini", "[ImageFiles]\nBackground=back.png\n"
                                      "[Label]\nFontColor=clWhite\nFontHeight=10\n"
                                      "[PointTimeLabel]\nRect=0,0,30,12\nDataFormat=%h\n"
                                      "[PointTimeLabel1]\nRect=30,0,60,12\n"
                                      "[PointTempLabel0]\nRect=a,12,b,24\nDataFormat=%i度\n"
                                      "[DayProbLabel7]\nRect=60,24,90,36\nDataFormat=%i%%\n"
                                      "[LocationLabel]\nRect=60,0,90,12\nNoDataString=--\n"));
    for (int s = 0; s < 16; ++s) {
        weather.PointHour[s] = 3 * s;
        weather.PointTemp[s] = -s;
    }
    weather.DayProb[7] = 70;
    platform::FixClock({2014, 1, 1, 7, 0, 0}); // slots 2 to 8
    skin.Draw(&bitmap, &weather);
    const std::vector<TSkin::TLabelItem> labels = skin.Labels(weather);
    platform::ReleaseClock();

    // Every label section of a drawing, in drawing order, with its text; the warnings last.
    // (the point block's four groups and its day under a new day's first slot; the agency's own
    // words: three week groups, two normals, three day groups; the rain of the next hour)
    ASSERT_EQ(labels.size(), 5u * 7 + 5u * 7 + 3u * 7 + 2 + 4u * 2 + 8 + 3u * 2 + 3 + 5 + 1 + 1);
    auto find = [&](const std::string& section) -> const TSkin::TLabelItem& {
        for (const auto& l : labels)
            if (l.Section == section)
                return l;
        ADD_FAILURE() << section;
        return labels.front();
    };
    EXPECT_EQ(labels.front().Section, "PointWeatherLabel0");
    EXPECT_EQ(labels[labels.size() - 3].Section, "NowHumidityLabel");
    EXPECT_EQ(labels[labels.size() - 2].Section, "RainLabel");
    EXPECT_EQ(labels.back().Section, "WarningLabel");
    EXPECT_EQ(find("PointTimeLabel1").Text, "9");
    EXPECT_EQ(find("PointTimeLabel1").Setting.Rect, (TRect{30, 0, 60, 12}));
    EXPECT_EQ(find("PointTimeLabel0").Setting.Rect, (TRect{-1, -1, -1, -1}));
    EXPECT_EQ(find("PointTempLabel0").Text, "-2度");
    EXPECT_EQ(find("PointTempLabel0").Setting.Rect, (TRect{0, 12, 30, 24})); // lent by the group
    EXPECT_EQ(find("DayProbLabel7").Text, "70%");
    EXPECT_EQ(find("LocationLabel").Text, "--");

    // Drawn one by one onto the background, they make the same picture.
    TBitmap byHand = SolidBitmap(90, 40, 0xFF000000);
    for (const auto& label : labels)
        skin.DrawLabel(&byHand, label.Text, &label.Setting);
    EXPECT_EQ(bitmap, byHand);
    EXPECT_NE(bitmap, SolidBitmap(90, 40, 0xFF000000));
}

TEST_F(SkinDrawTest, ErrorsEndThePassKeepingWhatWasDrawn) {
    dir.Write("img/fine.png", "broken");
    skin.Load(WriteSkin(""));
    weather.PointWeather[2] = "曇";
    weather.PointWeather[3] = "晴"; // 09-12: the day's image
    platform::FixClock({2014, 1, 1, 6, 0, 0});
    EXPECT_THROW(skin.Draw(&bitmap, &weather), EPngError);
    platform::ReleaseClock();
    ASSERT_EQ(bitmap.Width(), 10);
    EXPECT_EQ(bitmap.Pixel(0, 0), kGreen); // slot 0 was drawn before the broken image
    EXPECT_EQ(bitmap.Pixel(1, 0), kGrey);

    skin.Load(WriteSkin("[LocationLabel]\nFontColor=purple\n"));
    dir.Write("img/fine.png", ReadAll(dir.File("night.png")));
    EXPECT_THROW(skin.Draw(&bitmap, &weather), EConvertError);
}

TEST_F(SkinDrawTest, ImageNamesMatchFilesWhateverTheirLetterCase) {
    // Written on Windows: the names do not mind case, the files on disk are lower case.
    std::string text = "[ImageFiles]\nBackground=BACK.PNG\nFine=IMG\\Fine.Png\n"
                       "Cloudy=Cloudy.png\nSplitter=SPLIT.png\n";
    for (int s = 0; s < 2; ++s)
        text += "[PointWeatherIcon" + std::to_string(s) + "]\nRect=" + std::to_string(s) + ",0," +
                std::to_string(s + 1) + ",1\n";
    skin.Load(dir.Write("case.ini", text));
    weather.PointWeather[4] = "晴れ";
    weather.PointWeather[5] = "曇り";
    platform::FixClock({2014, 1, 1, 12, 30, 0});
    skin.Draw(&bitmap, &weather);
    platform::ReleaseClock();
    ASSERT_EQ(bitmap.Width(), 10);
    EXPECT_EQ(bitmap.Pixel(0, 0), kRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), kGreen);
    EXPECT_EQ(bitmap.Pixel(0, 1), kWhite);
    EXPECT_EQ(bitmap.Pixel(2, 0), kGrey);
}

TEST_F(SkinDrawTest, MissingFilesLeaveThePreviousPicture) {
    skin.Draw(&bitmap, &weather); // nothing loaded
    EXPECT_TRUE(bitmap.Empty());
    skin.Load(WriteSkin(""));
    skin.Draw(&bitmap, &weather);
    const TBitmap first = bitmap;
    EXPECT_FALSE(first.Empty());
    std::remove(dir.File("back.png").c_str());
    skin.Draw(&bitmap, &weather);
    EXPECT_EQ(bitmap, first);
    skin.Draw(nullptr, &weather);
    skin.Draw(&bitmap, nullptr);
    EXPECT_EQ(bitmap, first);
}

} // namespace

// "%t" in a day's date label names the day: 今日, or the source's own name for today's period
// (今夜 from the evening report), and 明日. Other tokens and "%%" keep their meaning.
TEST_F(SkinDrawTest, DayDateLabelsNameTheDay) {
    skin.Load(dir.Write("days.ini", "[ImageFiles]\nBackground=back.png\n"
                                    "[DayDateLabel]\nDataFormat=%t %m/%d\nNoDataString=--\n"
                                    "[DayDateLabel0]\nRect=0,0,10,4\n"
                                    "[DayDateLabel1]\nRect=0,0,10,4\nDataFormat=%%t%t\n"));
    weather.DayDate = {EncodeDate(2026, 12, 10), EncodeDate(2026, 12, 11)};
    struct Case {
        std::string todayName;
        std::string today;
    };
    const Case cases[] = {{"", "今日 12/10"}, {"今夜", "今夜 12/10"}, {"50%", "50% 12/10"}};
    for (const Case& c : cases) {
        weather.TodayName = c.todayName;
        std::map<std::string, std::string> texts;
        for (const TSkin::TLabelItem& l : skin.Labels(weather))
            texts[l.Section] = l.Text;
        EXPECT_EQ(texts["DayDateLabel0"], c.today) << c.todayName;
        EXPECT_EQ(texts["DayDateLabel1"], "%t明日") << c.todayName;
    }
    // A day without a date shows the missing text, not a name.
    weather.DayDate[0] = 0.0;
    for (const TSkin::TLabelItem& l : skin.Labels(weather)) {
        if (l.Section == "DayDateLabel0") {
            EXPECT_EQ(l.Text, "--");
        }
    }
}

TEST_F(SkinDrawTest, TheWarningBadgeShowsTheMostSevereTierWhileAnyIsInForce) {
    WriteSolidPng(dir, "w_advisory.png", 1, 1, kGreen);
    WriteSolidPng(dir, "w_warning.png", 1, 1, kRed);
    const std::string badges = "WarningAdvisory=w_advisory.png\nWarningWarning=w_warning.png\n"
                               "WarningEmergency=w_missing.png\n";
    const std::string path = WriteSkin("[WarningIcon]\nRect=8,2,10,4\n");
    // The keys belong to [ImageFiles], at its start in this file.
    dir.Write("skin.ini", "[ImageFiles]\n" + badges + ReadAll(path).substr(13));
    skin.Load(path);
    const TWarning rain{"03", "レベル3大雨警報", "発表", TWarningLevel::Warning};
    const TWarning wind{"15", "強風注意報", "継続", TWarningLevel::Advisory};
    const TWarning emergency{"33", "レベル5大雨特別警報", "発表", TWarningLevel::Emergency};
    struct Case {
        const char* what;
        bool known;
        std::vector<TWarning> warnings;
        std::uint32_t badge; // at the icon box
    };
    const Case cases[] = {
        {"unknown", false, {}, kGrey},
        {"none in force", true, {}, kGrey},
        {"an advisory", true, {wind}, kGreen},
        {"a warning beside an advisory", true, {rain, wind}, kRed},
        // A tier whose image the skin lacks is text only.
        {"an emergency without its image", true, {emergency, rain}, kGrey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        weather.WarningsKnown = c.known;
        weather.Warnings = c.warnings;
        skin.Draw(&bitmap, &weather);
        ASSERT_EQ(bitmap.Width(), 10);
        EXPECT_EQ(bitmap.Pixel(9, 3), c.badge);
        EXPECT_EQ(bitmap.Pixel(7, 3), kGrey);
    }
}

TEST_F(SkinDrawTest, TheWarningLabelNamesThemOrSaysWhyNotEachInItsColour) {
    skin.Load(WriteSkin("[WarningLabel]\nRect=0,0,400,14\nNoDataString=警報なし\n"
                        "FontColor=0x0000FF\nNoDataColor=0x808080\nFaultColor=0x0080FF\n"));
    const std::vector<TWarning> two = {{"03", "レベル3大雨警報", "発表", TWarningLevel::Warning},
                                       {"15", "強風注意報", "継続", TWarningLevel::Advisory}};
    struct Case {
        bool known;
        std::vector<TWarning> warnings;
        const char* note;
        const char* text;
        TColor colour;
    };
    const Case cases[] = {
        {true, two, "", "レベル3大雨警報・強風注意報", 0x0000FF},
        {true, two, "10:40 現在", "レベル3大雨警報・強風注意報 (10:40 現在)", 0x0000FF},
        {true, {two[1], two[0]}, "", "レベル3大雨警報・強風注意報", 0x0000FF}, // severe first
        {true, {}, "", "警報なし", 0x808080},
        {true, {}, "10:40 現在", "警報なし (10:40 現在)", 0x808080},
        {false, {}, "警報: 取得できず", "警報・注意報: 取得できず", 0x0080FF},
        {false, {}, "", "", 0x0080FF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        weather.WarningsKnown = c.known;
        weather.Warnings = c.warnings;
        weather.WarningsNote = c.note;
        const auto labels = skin.Labels(weather);
        ASSERT_FALSE(labels.empty());
        EXPECT_EQ(labels.back().Section, "WarningLabel");
        EXPECT_EQ(labels.back().Text, c.text);
        EXPECT_EQ(labels.back().Setting.FontColor, c.colour);
    }
    // Without the keys every state has the label's colour; a bad one is an error like FontColor.
    skin.Load(WriteSkin("[WarningLabel]\nRect=0,0,400,14\nFontColor=0x0000FF\n"));
    EXPECT_EQ(skin.Labels(weather).back().Setting.FontColor, 0x0000FF);
    skin.Load(WriteSkin("[WarningLabel]\nRect=0,0,400,14\nFaultColor=grey\n"));
    EXPECT_THROW(skin.Labels(weather), EConvertError);
}

TEST(SkinTrayMark, ACornerTriangleInTheTiersColourRimmedInWhite) {
    for (const int side : {16, 32}) {
        SCOPED_TRACE(side);
        const int rim = side / 16, half = side / 2;
        const TBitmap plain = SolidBitmap(side, side, 0xFF336699u);
        struct Case {
            TWarningLevel level;
            std::uint32_t colour;
        };
        const Case cases[] = {{TWarningLevel::Warning, 0xFFFF2800u},
                              {TWarningLevel::Danger, 0xFFAA00AAu},
                              {TWarningLevel::Emergency, 0xFF0C000Cu}};
        for (const Case& c : cases) {
            TBitmap marked = plain;
            TSkin::MarkTrayImage(marked, c.level);
            EXPECT_EQ(marked.Pixel(side - 1 - rim, rim), c.colour); // inside the corner
            EXPECT_EQ(marked.Pixel(side - 1, 0), 0xFFFFFFFFu);      // the rim at the edges
            EXPECT_EQ(marked.Pixel(side - half / 2, 0), 0xFFFFFFFFu);
            EXPECT_EQ(marked.Pixel(side - 1, half / 2), 0xFFFFFFFFu);
            EXPECT_EQ(marked.Pixel(side - half, 0), 0xFFFFFFFFu); // and along the slope
            EXPECT_EQ(marked.Pixel(side - half - 1, 0), plain.Pixel(0, 0));
            EXPECT_EQ(marked.Pixel(0, 0), plain.Pixel(0, 0));
            EXPECT_EQ(marked.Pixel(side - 1, half), plain.Pixel(0, 0));
        }
    }
}

namespace {

// Relative luminance of an opaque pixel (0xAARRGGBB), and the contrast ratio of two.
double Luminance(std::uint32_t pixel) {
    const auto channel = [](std::uint32_t v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel((pixel >> 16) & 0xFF) + 0.7152 * channel((pixel >> 8) & 0xFF) +
           0.0722 * channel(pixel & 0xFF);
}

double Contrast(std::uint32_t a, std::uint32_t b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// On a dark panel and on a light one, every tier's mark has a shape of its own: enough of its
// pixels stand apart from the panel (contrast 3:1 or more) to trace it.
TEST(SkinTrayMark, EveryTierStandsOutOnADarkAndALightPanel) {
    for (const int side : {16, 32})
        for (const std::uint32_t panel : {0xFF1E2228u, 0xFF000000u, 0xFFF0F0F0u, 0xFFFFFFFFu})
            for (const TWarningLevel level :
                 {TWarningLevel::Warning, TWarningLevel::Danger, TWarningLevel::Emergency}) {
                TBitmap mark(side, side); // transparent: the mark alone over the panel
                TSkin::MarkTrayImage(mark, level);
                TBitmap shown = SolidBitmap(side, side, panel);
                BlendBitmap(shown, mark, 0, 0);
                int apart = 0;
                for (int y = 0; y < side; ++y)
                    for (int x = 0; x < side; ++x)
                        apart += Contrast(shown.Pixel(x, y), panel) >= 3.0 ? 1 : 0;
                // More than one edge of the triangle's worth.
                EXPECT_GE(apart, side * 3 / 4) << "side " << side << " panel " << std::hex << panel
                                               << " tier " << static_cast<int>(level);
            }
}
