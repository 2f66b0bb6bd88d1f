// The skins that ship beside the program: every file they name exists and is a PNG with
// alpha and has its @2x form, every drawn element has a box inside the widget, and the default skin
// shows every value of the record.

#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "skin/Png.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "skin/SkinPaths.h"
#include "support/ShippedSkins.h"
#include "weather/jma/JmaWeatherCodes.h"
#include "weather/openmeteo/WeatherWords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct PngInfo {
    bool ok = false;
    std::uint32_t width = 0, height = 0;
    int colourType = -1;
};

// Reads the PNG signature and the IHDR chunk.
PngInfo ReadPngHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[29] = {};
    if (!in.read(reinterpret_cast<char*>(b), sizeof b))
        return {};
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!std::equal(signature, signature + 8, b) || std::string(b + 12, b + 16) != "IHDR")
        return {};
    auto be32 = [&](int at) {
        return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 |
               std::uint32_t(b[at + 2]) << 8 | std::uint32_t(b[at + 3]);
    };
    return {true, be32(16), be32(20), b[25]};
}

std::vector<std::string> SectionNames(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);)
        if (line.size() > 2 && line.front() == '[' && line.back() == ']')
            names.push_back(line.substr(1, line.size() - 2));
    return names;
}

std::vector<std::string> SplitItems(const std::string& value) {
    std::vector<std::string> items;
    std::stringstream ss(value);
    for (std::string item; std::getline(ss, item, ',');) {
        const auto a = item.find_first_not_of(' ');
        const auto z = item.find_last_not_of(' ');
        items.push_back(a == std::string::npos ? "" : item.substr(a, z - a + 1));
    }
    return items;
}

bool IsInteger(const std::string& s) {
    return !s.empty() && s.find_first_not_of("-0123456789") == std::string::npos;
}

} // namespace

TEST(ShippedSkins, ThereAreSeveralInMoreThanOneCategoryEachDescribed) {
    const auto skins = ShippedSkins();
    ASSERT_GE(skins.size(), 3u);
    EXPECT_TRUE(platform::FileExists(kSkinRoot + "Simple/small.ini"));
    std::set<std::string> categories;
    for (const auto& path : skins) {
        SCOPED_TRACE(path);
        const auto ini = platform::IniFile::Load(path);
        for (const char* key : {"CategoryName", "SkinName", "Author", "Version", "Description"})
            EXPECT_NE(ini.ReadString("General", key, ""), "") << key;
        categories.insert(ini.ReadString("General", "CategoryName", ""));
    }
    EXPECT_GE(categories.size(), 2u);
}

TEST(ShippedSkins, ImagesExistAsPngWithAlphaOfTheRightSizes) {
    const char* keys[] = {"Background",
                          "Splitter",
                          "Fine",
                          "FineNight",
                          "Cloudy",
                          "Rain",
                          "Snow",
                          "After",
                          "Occas",
                          "NA",
                          "Fog",
                          "TrayFine",
                          "TrayCloudy",
                          "TrayRain",
                          "TraySnow",
                          "TrayNA",
                          "TrayError",
                          "TrayFog",
                          "WarningAdvisory",
                          "WarningWarning",
                          "WarningDanger",
                          "WarningEmergency"};
    for (const auto& path : ShippedSkins()) {
        const auto ini = platform::IniFile::Load(path);
        const auto dir = platform::ExtractFilePath(path);
        PngInfo background;
        for (const std::string key : keys) {
            SCOPED_TRACE(path + " " + key);
            const auto name = ini.ReadString("ImageFiles", key, "");
            ASSERT_NE(name, "");
            const auto png = ReadPngHeader(platform::JoinPath(dir, name));
            ASSERT_TRUE(png.ok) << name;
            EXPECT_EQ(png.colourType, 6) << "RGBA expected";
            if (key.rfind("Tray", 0) == 0) {
                // drawn for the tray, not reduced from a large image
                EXPECT_EQ(png.width, 16u);
                EXPECT_EQ(png.height, 16u);
            }
            // Drawn again at twice the size for screens at a higher pixel ratio.
            const auto doubled = ReadPngHeader(platform::JoinPath(dir, DoubleSizeName(name)));
            ASSERT_TRUE(doubled.ok) << DoubleSizeName(name);
            EXPECT_EQ(doubled.colourType, 6) << "RGBA expected";
            EXPECT_EQ(doubled.width, 2 * png.width);
            EXPECT_EQ(doubled.height, 2 * png.height);
            if (key == "Background")
                background = png;
            if (key == "Splitter") {
                EXPECT_EQ(png.width, background.width);
                EXPECT_EQ(png.height, background.height);
            }
        }
    }
}

TEST(ShippedSkins, EveryElementHasAFullBoxInsideTheWidgetAndAReadableColour) {
    const std::set<std::string> notElements = {"general", "imagefiles", "imageposition",
                                               "locale",  "label",      "icon"};
    for (const auto& path : ShippedSkins()) {
        const auto ini = platform::IniFile::Load(path);
        const auto bg = ReadPngHeader(platform::JoinPath(
            platform::ExtractFilePath(path), ini.ReadString("ImageFiles", "Background", "")));
        ASSERT_TRUE(bg.ok) << path;
        for (const auto& section : SectionNames(path)) {
            SCOPED_TRACE(path + " [" + section + "]");
            std::string lower = section;
            for (auto& c : lower)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            if (const auto colour = ini.Find(section, "FontColor")) {
                EXPECT_TRUE(colour->rfind("0x", 0) == 0 || colour->rfind("cl", 0) == 0) << *colour;
            }
            if (notElements.count(lower))
                continue;
            const bool isGroup = !std::isdigit(static_cast<unsigned char>(section.back()));
            const auto rect = ini.Find(section, "Rect");
            if (isGroup && !rect)
                continue;
            ASSERT_TRUE(rect.has_value()) << "a slot without Rect draws nothing";
            const auto items = SplitItems(*rect);
            ASSERT_EQ(items.size(), 4u);
            for (const auto& item : items)
                ASSERT_TRUE(IsInteger(item)) << item;
            const int l = std::stoi(items[0]), t = std::stoi(items[1]), r = std::stoi(items[2]),
                      b = std::stoi(items[3]);
            EXPECT_LT(l, r);
            EXPECT_LT(t, b);
            EXPECT_GE(l, 0);
            EXPECT_GE(t, 0);
            EXPECT_LE(r, int(bg.width));
            EXPECT_LE(b, int(bg.height));
        }
    }
}

TEST(ShippedSkins, TheDefaultShowsEveryValueOfTheRecordWithJapaneseNames) {
    const std::string path = kSkinRoot + "Simple/small.ini";
    const auto ini = platform::IniFile::Load(path);
    struct Group {
        const char* name;
        int slots;
    };
    const Group groups[] = {
        {"PointWeatherIcon", 7}, {"PointTimeLabel", 7},  {"PointTempLabel", 7},
        {"PointProbLabel", 7},   {"DayWeatherIcon", 2},  {"DayDateLabel", 2},
        {"DayMaxTempLabel", 2},  {"DayMinTempLabel", 2}, {"DayProbLabel", 8},
        {"WeekWeatherIcon", 7},  {"WeekDateLabel", 7},   {"WeekMaxTempLabel", 7},
        {"WeekMinTempLabel", 7}, {"WeekProbLabel", 7},
    };
    for (const auto& g : groups)
        for (int s = 0; s < g.slots; ++s)
            EXPECT_TRUE(ini.Find(g.name + std::to_string(s), "Rect")) << g.name << s;
    for (const char* single : {"LocationLabel", "UpdateInfoLabel", "InformationLabel",
                               "NowTempLabel", "NowTimeLabel", "WarningIcon", "WarningLabel"})
        EXPECT_TRUE(ini.Find(single, "Rect")) << single;

    // composites need both offsets; a lone trailing "%" would be dropped
    for (const char* key : {"Image2Pos", "ConnectorPos"})
        EXPECT_EQ(SplitItems(ini.ReadString("ImagePosition", key, "")).size(), 2u) << key;
    EXPECT_EQ(ini.ReadString("PointProbLabel", "DataFormat", ""), "%i%%");

    EXPECT_EQ(SplitItems(ini.ReadString("Locale", "MonthNames", "")).size(), 12u);
    EXPECT_EQ(SplitItems(ini.ReadString("Locale", "DayNames", "")).front(), "日曜日");
    EXPECT_EQ(SplitItems(ini.ReadString("Locale", "ShortDayNames", "")).size(), 7u);
}

TEST(ShippedSkins, NoWeatherCodeOfTheServiceEndsAsTheNoDataImage) {
    // Every code the forecast API documents; its word is what a slot, a day or a week shows
    // (alone or as one side of a composite).
    const int codes[] = {0,  1,  2,  3,  45, 48, 51, 53, 55, 56, 57, 61, 63, 65,
                         66, 67, 71, 73, 75, 77, 80, 81, 82, 85, 86, 95, 96, 99};
    for (const auto& path : ShippedSkins()) {
        TSkin skin;
        skin.Load(path);
        const TBitmap na = LoadPng(SkinImagePath(skin.SkinDir, skin.ImageFiles.NA));
        for (const int code : codes) {
            const auto word = WeatherWordOfCode(code);
            ASSERT_TRUE(word.has_value()) << code;
            for (const bool isDay : {true, false}) {
                SCOPED_TRACE(path + " code " + std::to_string(code) + (isDay ? " day" : " night"));
                const std::string image = skin.WordImage(*word, isDay);
                EXPECT_NE(image, skin.ImageFiles.NA) << *word;
                EXPECT_TRUE(platform::FileExists(SkinImagePath(skin.SkinDir, image))) << image;
                const TBitmap icon = skin.CreateWeatherIcon(*word, isDay);
                EXPECT_FALSE(icon.Empty());
                EXPECT_NE(icon, na) << *word;
            }
        }
        // The tray's fog is a picture of its own, neither "no data" nor the cloud.
        TImageList tray;
        skin.LoadTrayImages(&tray);
        ASSERT_EQ(tray.Images.size(), 7u) << path;
        EXPECT_NE(tray.Images[6], tray.Images[4]) << path;
        EXPECT_NE(tray.Images[6], tray.Images[1]) << path;
    }
}

// Every text of the agency's weather codes draws pictures of its own in every shipped skin:
// the whole text, or each side of its のち, 時々 or 一時, never the skin's "no data" image.
TEST(ShippedSkins, EveryAgencyCodeDrawsProperPictures) {
    for (const auto& path : ShippedSkins()) {
        TSkin skin;
        skin.Load(path);
        for (const TJmaWeatherCode& code : JmaWeatherCodes()) {
            SCOPED_TRACE(path + " " + std::to_string(code.Code) + " " + std::string(code.Text));
            std::string left, right;
            const bool composite = TSkin::SplitPhrase(code.Text, "のち", left, right) ||
                                   TSkin::SplitPhrase(code.Text, "後", left, right) ||
                                   TSkin::SplitPhrase(code.Text, "時々", left, right) ||
                                   TSkin::SplitPhrase(code.Text, "一時", left, right);
            std::vector<std::string> parts = {left};
            if (composite)
                parts.push_back(right);
            for (const std::string& part : parts) {
                const std::string image = skin.WordImage(part, true);
                EXPECT_NE(image, skin.ImageFiles.NA) << part;
                EXPECT_TRUE(platform::FileExists(SkinImagePath(skin.SkinDir, image))) << image;
            }
        }
    }
}
