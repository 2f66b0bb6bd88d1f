#include "platform/Errors.h"
#include "platform/TextCodec.h"
#include "skin/Skin.h"
#include "skin/SkinFile.h"
#include "skin_records.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(SkinFile, ListSyntax) {
    struct Case {
        std::string text;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"1, 2", {"1", "2"}},
        {"1 2", {"1", "2"}},
        {"1,,2", {"1", "", "2"}},
        {"1,", {"1", ""}},
        {",", {"", ""}},
        {"\t a \t,b", {"a", "b"}},
        {R"("a b, c",d)", {"a b, c", "d"}},
        {R"("say ""hi""")", {"say \"hi\""}},
        {R"("open)", {"open"}},
        {"一月,二月　三月", {"一月", "二月　三月"}}, // the ideographic space is not a blank
    };
    for (const Case& c : cases)
        EXPECT_EQ(TSkinFile::SplitList(c.text), c.items) << c.text;
}

TEST(SkinFile, ParseRectAndPointFallBackPerItem) {
    const TRect parent{10, 20, 30, 40};
    struct Case {
        std::string text;
        const TRect* defaults;
        TRect expected;
    };
    const Case cases[] = {
        {"1, 2, 3, 4", nullptr, {1, 2, 3, 4}}, {"1 2 3 4", nullptr, {1, 2, 3, 4}},
        {"1,2", nullptr, {1, 2, -1, -1}},      {"1,a,3,4", &parent, {1, 20, 3, 4}},
        {"1,,3,4", &parent, {1, 20, 3, 4}},    {"$10,0x20,x30,-4", &parent, {16, 32, 48, -4}},
        {"", &parent, {-1, -1, -1, -1}},       {"1,2,3,4,5", nullptr, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        TRect r;
        TSkinFile::ParseRect(c.text, r, c.defaults);
        EXPECT_EQ(r, c.expected) << c.text;
    }
    TRect own{5, 6, 7, 8};
    TSkinFile::ParseRect("x,1", own, nullptr); // no defaults: the record's own edge stays
    EXPECT_EQ(own, (TRect{5, 1, 7, 8}));

    TPoint p{3, 4};
    const TPoint off{-1, -1};
    TSkinFile::ParsePoint("9,y", p, &off);
    EXPECT_EQ(p, (TPoint{9, -1}));
}

TEST(SkinFile, ColoursByNameAndNumber) {
    struct Case {
        std::string text;
        TColor colour;
    };
    const Case cases[] = {
        {"clRed", 0x0000FF},
        {"CLRED", 0x0000FF},
        {"$0000FF", 0x0000FF},
        {"0xFF", 0x0000FF},
        {"clMedGray", 0xA4A0A0},
        {"clSkyBlue", 0xF0CAA6},
        {"clNone", clNone},
        {"clDefault", 0x20000000},
        {"clBtnFace", -16777201},
        {"cl3DDkShadow", static_cast<TColor>(0xFF000015)},
        {"clWindowFrame", static_cast<TColor>(0xFF000006)},
        {"16777215", 0xFFFFFF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TSkinFile::StringToColor(c.text), c.colour) << c.text;
    for (const char* bad : {"", "red", "clRedd", "#FF0000"})
        EXPECT_THROW(TSkinFile::StringToColor(bad), EConvertError) << bad;
    // Every name survives the round trip that label defaults take.
    for (const char* name : {"clBlack", "clInfoBk", "clMenuBar", "clHotLight"})
        EXPECT_EQ(TSkinFile::ColorToString(TSkinFile::StringToColor(name)), name);
    EXPECT_EQ(TSkinFile::ColorToString(0x123456), "$00123456");
}

class SkinFileTest : public ::testing::Test {
protected:
    std::string Write(std::string_view text) { return dir.Write("skin.ini", text); }
    TempDir dir;
};

TEST_F(SkinFileTest, LabelKeysFallBackAlongTheChainButRectDoesNot) {
    // Every key is given somewhere along the chain, each with a value of its own.
    const std::string path = Write(R"([Label]
FontFamily=IPAGothic
FontHeight=20
FontWidth=7
FontColor=clRed
FontUnderline=1
FontItalic=1
AntiAliasing=1
DataFormat=%i度
[PointTempLabel]
Rect=10,20,30,40
FontHeight=-15
HorizontalAlign=0x2
FontItalic=0
FontWeight=700
NoDataString=--
[PointTempLabel0]
Rect=1,a,3,4
FontItalic=true
VerticalAlign=$0
FontStrikeOut=1
[PointTempLabel1]
FontItalic=2
FontCharSet=384
FontColor=$00FF00
FontUnderline=0
NoDataString="n/a"
)");
    const TSkinFile file(path);
    TLabelSetting defaults;
    file.ReadLabel("Label", defaults, nullptr);
    TLabelSetting group;
    file.ReadLabel("PointTempLabel", group, &defaults);

    TLabelSetting expectedGroup;
    expectedGroup.Rect = {10, 20, 30, 40};
    expectedGroup.HorizontalAlign = 2;
    expectedGroup.VerticalAlign = 1; // built-in
    expectedGroup.FontFamily = "IPAGothic";
    expectedGroup.FontHeight = -15;
    expectedGroup.FontWidth = 7;
    expectedGroup.FontWeight = 700;
    expectedGroup.FontItalic = 0; // the group's own 0 before [Label]'s 1
    expectedGroup.FontUnderline = 1;
    expectedGroup.FontStrikeOut = 0;
    expectedGroup.FontCharSet = 1;
    expectedGroup.FontColor = 0x0000FF;
    expectedGroup.AntiAliasing = 1;
    expectedGroup.DataFormat = "%i度";
    expectedGroup.NoDataString = "--";
    EXPECT_EQ(group, expectedGroup);

    TLabelSetting slot0;
    file.ReadLabel("PointTempLabel0", slot0, &group);
    TLabelSetting expected0 = expectedGroup;
    expected0.Rect = {1, 20, 3, 4}; // the letter takes the group's Top
    expected0.VerticalAlign = 0;
    expected0.FontStrikeOut = 1; // "true" is no integer: FontItalic stays the group's 0
    EXPECT_EQ(slot0, expected0);

    TLabelSetting slot1;
    file.ReadLabel("PointTempLabel1", slot1, &group);
    TLabelSetting expected1 = expectedGroup;
    expected1.Rect = {-1, -1, -1, -1}; // no Rect: nothing is drawn
    expected1.FontItalic = 1;          // 2 is true
    expected1.FontCharSet = 128;       // the low 8 bits of 384
    expected1.FontColor = 0x00FF00;
    expected1.FontUnderline = 0;
    expected1.NoDataString = "n/a";
    EXPECT_EQ(slot1, expected1);

    TLabelSetting missing;
    file.ReadLabel("PointTempLabel6", missing, &group);
    TLabelSetting expectedMissing = expectedGroup;
    expectedMissing.Rect = {-1, -1, -1, -1};
    EXPECT_EQ(missing, expectedMissing);
}

TEST_F(SkinFileTest, IconKeysFallBack) {
    const std::string path = Write(R"([Icon]
AutoResize=0
[DayWeatherIcon]
KeepAspect=0
Rect=0 0 32 32
[DayWeatherIcon1]
Rect=40,0,72,32
AutoResize=yes
)");
    const TSkinFile file(path);
    TIconSetting defaults, group, slot;
    file.ReadIcon("Icon", defaults, nullptr);
    file.ReadIcon("DayWeatherIcon", group, &defaults);
    file.ReadIcon("DayWeatherIcon1", slot, &group);
    EXPECT_EQ(slot.Rect, (TRect{40, 0, 72, 32}));
    EXPECT_EQ(slot.AutoResize, 0);
    EXPECT_EQ(slot.KeepAspect, 0);
    EXPECT_EQ(slot.HorizontalAlign, 1);
}

TEST_F(SkinFileTest, BadFontColorIsAnErrorNamingTheSection) {
    const std::string path =
        Write("[LocationLabel]\nFontColor=\n[InformationLabel]\nFontColor=bad\n");
    const TSkinFile file(path);
    for (const char* section : {"LocationLabel", "InformationLabel"}) {
        TLabelSetting label;
        try {
            file.ReadLabel(section, label, nullptr);
            ADD_FAILURE() << section;
        } catch (const EConvertError& e) {
            EXPECT_NE(std::string(e.what()).find(section), std::string::npos) << e.what();
        }
    }
}

TEST_F(SkinFileTest, FontFamilyKeepsThirtyOneCharacters) {
    std::string longName;
    for (int i = 0; i < 40; ++i)
        longName += "字";
    const TSkinFile file(Write("[Label]\nFontFamily=" + longName + "\n"));
    TLabelSetting label;
    file.ReadLabel("Label", label, nullptr);
    EXPECT_EQ(platform::Utf8Length(label.FontFamily), 31u);
    EXPECT_EQ(label.FontFamily.substr(0, 3), "字");
}

TEST_F(SkinFileTest, ImageFilesAndPositions) {
    const std::string path = Write(R"([ImageFiles]
Background="back ground.png"
Splitter=split.png
Fine=img\fine.png
FineNight=night.png
Cloudy=cloudy.png
Rain=rain.png
Snow=snow.png
After=after.png
Occas=occas.png
NA=na.png
TrayFine=t_fine.png
TrayCloudy=t_cloudy.png
TrayRain=t_rain.png
TraySnow=t_snow.png
TrayNA=t_na.png
TrayError=t_error.png
Fog=fog.png
TrayFog=t_fog.png
WarningAdvisory=w_yellow.png
WarningWarning=w_red.png
WarningDanger=w_purple.png
WarningEmergency=w_black.png
[Defaults]
Fine=fine.png
Cloudy=cloudy.png
Rain=rain.png
Snow=snow.png
NA=na.png
TrayCloudy=t_cloudy.png
Fog=mist.png
[ImagePosition]
Image2Pos=20,x
ConnectorPos=5
)");
    const TSkinFile file(path);
    TImageFiles all;
    file.ReadImageFiles("ImageFiles", all);
    EXPECT_EQ(all, (TImageFiles{"back ground.png", "split.png",  "img\\fine.png", "night.png",
                                "cloudy.png",      "rain.png",   "snow.png",      "after.png",
                                "occas.png",       "na.png",     "t_fine.png",    "t_cloudy.png",
                                "t_rain.png",      "t_snow.png", "t_na.png",      "t_error.png",
                                "fog.png",         "t_fog.png",  "w_yellow.png",  "w_red.png",
                                "w_purple.png",    "w_black.png"}));

    // Tray keys that are missing take the values just read; the error image that of NA, the
    // fog image that of Fog. The warning badges have no default.
    TImageFiles defaulted;
    defaulted.Background = "left over";
    defaulted.WarningWarning = "left over";
    file.ReadImageFiles("Defaults", defaulted);
    EXPECT_EQ(
        defaulted,
        (TImageFiles{"",         "",         "fine.png", "",       "cloudy.png", "rain.png",
                     "snow.png", "",         "",         "na.png", "fine.png",   "t_cloudy.png",
                     "rain.png", "snow.png", "na.png",   "na.png", "mist.png",   "mist.png",
                     "",         "",         "",         ""}));

    TImagePosition positions;
    file.ReadImagePosition("ImagePosition", positions);
    EXPECT_EQ(positions.Image1Pos, (TPoint{0, 0}));
    EXPECT_EQ(positions.Image2Pos, (TPoint{20, -1}));
    EXPECT_EQ(positions.ConnectorPos, (TPoint{5, -1}));
}

TEST_F(SkinFileTest, LocaleListsOfTheWrongLengthGiveTheSystemNames) {
    const std::string path = Write(R"([Locale]
MonthNames=a,b,c
ShortMonthNames=1月,2月,3月,4月,5月,6月,7月,8月,9月,10月,11月,
DayNames=日曜日,月曜日,火曜日,水曜日,木曜日,金曜日,土曜日
ShortDayNames=日 月 火 水 木 金
)");
    TLocaleInfo names;
    TSkinFile(path).ReadLocale("Locale", names);
    EXPECT_EQ(names.MonthNames[0], TSkinFile::SystemLocaleString(MON_1));
    EXPECT_EQ(names.MonthNames[11], TSkinFile::SystemLocaleString(MON_12));
    EXPECT_FALSE(names.MonthNames[0].empty());
    EXPECT_EQ(names.ShortMonthNames[10], "11月");
    EXPECT_EQ(names.ShortMonthNames[11], ""); // right length: the empty item counts
    EXPECT_EQ(names.DayNames[0], "日曜日");
    EXPECT_EQ(names.DayNames[6], "土曜日");
    EXPECT_EQ(names.ShortDayNames[0], TSkinFile::SystemLocaleString(ABDAY_1)); // Sunday
    EXPECT_EQ(names.ShortDayNames[1], TSkinFile::SystemLocaleString(ABDAY_2)); // Monday
}

TEST_F(SkinFileTest, ShiftJisAndUtf16Files) {
    // "[Label]\nFontFamily=ＭＳ ゴシック" in code page 932 and in UTF-16LE with its mark.
    const std::string sjis =
        "[Label]\r\nFontFamily=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : std::u16string(u"[Label]\r\nFontFamily=ＭＳ ゴシック\r\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    for (const std::string& bytes : {sjis, utf16}) {
        TLabelSetting label;
        TSkinFile(Write(bytes)).ReadLabel("Label", label, nullptr);
        EXPECT_EQ(label.FontFamily, "ＭＳ ゴシック");
    }
}

TEST_F(SkinFileTest, LaterReaderSeesEditsAndMissingFileGivesDefaults) {
    const std::string path = Write("[Label]\nFontHeight=20\n");
    TLabelSetting a;
    TSkinFile(path).ReadLabel("Label", a, nullptr);
    Write("[Label]\nFontHeight=30\n");
    TLabelSetting b;
    TSkinFile(path).ReadLabel("Label", b, nullptr);
    EXPECT_EQ(a.FontHeight, 20);
    EXPECT_EQ(b.FontHeight, 30);

    TLabelSetting none;
    TSkinFile(dir.File("missing.ini")).ReadLabel("Label", none, nullptr);
    EXPECT_EQ(none, TLabelSetting{});
    TLabelSetting inherited;
    TSkinFile(dir.File("missing.ini")).ReadLabel("Label", inherited, &a);
    TLabelSetting expected = a;
    expected.Rect = {-1, -1, -1, -1}; // Rect never falls back
    EXPECT_EQ(inherited, expected);
}

TEST_F(SkinFileTest, LoadResetsEveryRecord) {
    const std::string a = dir.Write("A/a.ini", R"([ImagePosition]
Image1Pos=3,4
Image2Pos=10,10
ConnectorPos=7,8
[ImageFiles]
Background=back.png
Fine=fine.png
NA=na.png
[Label]
Rect=1,2,3,4
HorizontalAlign=2
FontFamily=IPAGothic
FontHeight=30
FontWeight=700
FontColor=clWhite
AntiAliasing=1
DataFormat=%i
NoDataString=--
[Icon]
Rect=5,6,7,8
AutoResize=0
KeepAspect=0
VerticalAlign=2
[Locale]
DayNames=a,b,c,d,e,f,g
MonthNames=1,2,3,4,5,6,7,8,9,10,11,12
)");
    const std::string b = dir.Write("B/b.ini", "[General]\nSkinName=B\n");
    TSkin skin;
    skin.Load(a);
    EXPECT_EQ(skin.ImagePosition, (TImagePosition{{3, 4}, {10, 10}, {7, 8}}));
    EXPECT_EQ(skin.LabelDefaults.FontHeight, 30);
    EXPECT_EQ(skin.IconDefaults.VerticalAlign, 2);
    EXPECT_EQ(skin.LocaleInfo.DayNames[0], "a");
    EXPECT_EQ(skin.SkinDir, dir.Path() + "/A/");

    // Nothing of the first skin is left: every record is the built-in one again.
    skin.Load(b);
    EXPECT_EQ(skin.FileName, b);
    EXPECT_EQ(skin.SkinDir, dir.Path() + "/B/");
    EXPECT_EQ(skin.ImagePosition, TImagePosition{});
    EXPECT_EQ(skin.ImageFiles, TImageFiles{});
    EXPECT_EQ(skin.LabelDefaults, TLabelSetting{});
    EXPECT_EQ(skin.IconDefaults, TIconSetting{});
    TLocaleInfo system;
    TSkinFile(b).ReadLocale("Locale", system);
    EXPECT_EQ(skin.LocaleInfo, system);
    EXPECT_EQ(skin.LocaleInfo.DayNames[0], TSkinFile::SystemLocaleString(DAY_1));

    TGeneralInfo info;
    TSkinFile(b).ReadGeneral("General", info);
    EXPECT_EQ(info, (TGeneralInfo{"", "B", "", "", ""}));
}

TEST(SkinFileLocale, SystemNamesComeFromTheEnvironmentLocale) {
    // The C locale is always present; its names are the English ones.
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(TSkinFile::SystemLocaleString(DAY_1), "Sunday");
    EXPECT_EQ(TSkinFile::SystemLocaleString(ABMON_12), "Dec");
    setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1); // unknown: falls back to C
    EXPECT_EQ(TSkinFile::SystemLocaleString(MON_3), "March");
    if (old)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
}

} // namespace
