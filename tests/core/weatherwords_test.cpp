// Weather codes as words, and a day's text from its eight three-hour words.
#include "weather/openmeteo/WeatherWords.h"

#include "skin/Skin.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

TEST(WeatherWords, CodesAsWords) {
    struct Case {
        double code;
        const char* word; // nullptr: no word
    };
    const Case cases[] = {
        {0, "晴"},
        {1, "晴"},
        {2, "晴"},
        {3, "曇"},
        {45, "霧"},
        {48, "霧"},
        {51, "霧雨"},
        {55, "霧雨"},
        {57, "霧雨"},
        {61, "雨"},
        {65, "雨"},
        {67, "雨"},
        {68, "みぞれ"},
        {71, "雪"},
        {75, "雪"},
        {77, "雪"},
        {80, "雨"},
        {82, "雨"},
        {85, "雪"},
        {86, "雪"},
        {95, "雷雨"},
        {96, "雷雨"},
        {99, "雷雨"},
        {4, nullptr},
        {50, nullptr},
        {100, nullptr},
        {-1, nullptr},
        {61.5, nullptr},
        {std::numeric_limits<double>::quiet_NaN(), nullptr},
        {std::numeric_limits<double>::infinity(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const auto word = WeatherWordOfCode(c.code);
        if (c.word == nullptr)
            EXPECT_FALSE(word.has_value()) << *word;
        else
            EXPECT_EQ(word.value_or("(none)"), c.word);
    }
}

TEST(WeatherWords, MostSignificantWordOfAPeriod) {
    struct Case {
        std::array<std::string_view, 3> words;
        std::string_view expected;
    };
    const Case cases[] = {
        {{"晴", "晴", "曇"}, "曇"},     {{"曇", "霧", "晴"}, "霧"},
        {{"霧雨", "雨", "曇"}, "雨"},   {{"雨", "みぞれ", "雨"}, "みぞれ"},
        {{"雪", "みぞれ", "晴"}, "雪"}, {{"雪", "雷雨", "雨"}, "雷雨"},
        {{"", "晴", ""}, "晴"},         {{"", "", ""}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SignificantWord(c.words), c.expected) << c.words[0] << c.words[1] << c.words[2];
}

TEST(WeatherWords, DayTextFromItsSlots) {
    struct Case {
        const char* name;
        std::array<std::string_view, 8> slots;
        const char* expected;
    };
    const Case cases[] = {
        {"snow all day", {"雪", "雪", "雪", "雪", "雪", "雪", "雪", "雪"}, "雪"},
        {"clear morning, rainy afternoon",
         {"晴", "晴", "晴", "晴", "雨", "雨", "雨", "雨"},
         "晴のち雨"},
        {"rain clearing", {"雨", "雨", "雨", "雨", "晴", "晴", "晴", "晴"}, "雨のち晴"},
        {"cloud and sun alternate", {"曇", "晴", "曇", "晴", "曇", "晴", "曇", "晴"}, "曇時々晴"},
        {"sun and cloud alternate", {"晴", "曇", "晴", "曇", "晴", "曇", "晴", "曇"}, "曇時々晴"},
        {"one stray slot of the other half still gives way",
         {"晴", "晴", "雨", "晴", "雨", "雨", "雨", "晴"},
         "晴のち雨"},
        {"a mixed morning names its more significant word",
         {"晴", "晴", "曇", "曇", "雨", "雨", "雨", "雨"},
         "曇のち雨"},
        {"one short shower", {"晴", "晴", "晴", "晴", "晴", "雨", "晴", "晴"}, "晴一時雨"},
        {"a shower at the end of the day",
         {"晴", "晴", "晴", "晴", "晴", "晴", "雷雨", "雷雨"},
         "晴一時雷雨"},
        {"two showers apart", {"晴", "晴", "雨", "晴", "晴", "雨", "晴", "晴"}, "晴時々雨"},
        {"a long shower is no longer brief",
         {"晴", "晴", "晴", "雨", "雨", "雨", "晴", "晴"},
         "晴時々雨"},
        {"fog in the early hours", {"霧", "霧", "曇", "曇", "曇", "曇", "曇", "曇"}, "曇一時霧"},
        {"slots without data are left out", {"", "", "", "", "雪", "雪", "雪", "雪"}, "雪"},
        {"half a day of data still changes",
         {"", "", "晴", "晴", "雨", "雨", "雨", ""},
         "晴のち雨"},
        {"no data", {"", "", "", "", "", "", "", ""}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposeDayText(c.slots), c.expected) << c.name;
}

// Every word the live source writes has its picture in the shipped skin, and every composed text
// splits into two known words around a connector the skins draw.
TEST(WeatherWords, TheSkinsKnowEveryWord) {
    TSkin skin;
    skin.Load(std::string(PELUMI_SOURCE_DIR) + "/data/Skin/Simple/small.ini");
    struct Case {
        const char* word;
        const char* image; // the skin's file for daytime
    };
    const Case cases[] = {
        {"晴", "img\\fine.png"},   {"曇", "img\\cloudy.png"}, {"霧", "img\\fog.png"},
        {"霧雨", "img\\rain.png"}, {"雨", "img\\rain.png"},   {"みぞれ", "img\\snow.png"},
        {"雪", "img\\snow.png"},   {"雷雨", "img\\rain.png"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin.WordImage(c.word, true), c.image) << c.word;
    struct Composite {
        std::array<std::string_view, 8> slots;
        const char* connector;
        const char* left;
        const char* right;
    };
    const Composite composites[] = {
        {{"晴", "晴", "晴", "晴", "雨", "雨", "雨", "雨"},
         "のち",
         "img\\fine.png",
         "img\\rain.png"},
        {{"曇", "晴", "曇", "晴", "曇", "晴", "曇", "晴"},
         "時々",
         "img\\cloudy.png",
         "img\\fine.png"},
        {{"曇", "曇", "曇", "曇", "曇", "雪", "曇", "曇"},
         "一時",
         "img\\cloudy.png",
         "img\\snow.png"},
    };
    for (const Composite& c : composites) {
        const std::string text = ComposeDayText(c.slots);
        std::string left, right;
        ASSERT_TRUE(TSkin::SplitPhrase(text, c.connector, left, right)) << text;
        EXPECT_EQ(skin.WordImage(left, true), c.left) << text;
        EXPECT_EQ(skin.WordImage(right, true), c.right) << text;
        // A composite picture is wider than a single one.
        EXPECT_GT(skin.CreateWeatherIcon(text, true).Width(),
                  skin.CreateWeatherIcon(left, true).Width())
            << text;
    }
}
