// 詳しい予報: every text the window shows for a record, what it shows where the record has
// nothing, its credits, and what closes it.
#include "dialogs/DetailsDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

const std::int64_t kAt1130 = *JapanTimeSeconds("2023-01-28T11:30");

// A record of 大阪市 as the agency's source fills it, every value distinct.
TWeatherData FullRecord() {
    TWeatherData w;
    w.LocationName = "大阪市";
    w.UpdateInfo = "11時00分 発表";
    w.DayDate = {EncodeDate(2023, 1, 28), EncodeDate(2023, 1, 29)};
    w.DayWeather = {"曇時々晴", "晴"};
    w.DayText = {"くもり　時々　晴れ　所により　夕方　まで　雪か雨", "晴れ"};
    w.DayWind = {"西の風　やや強く　海上　では　西の風　強く", "西の風　やや強く"};
    w.DayWave = {"１．５メートル", ""};
    w.DayMinTemp = {NoValue, 2};
    w.DayMaxTemp = {7, 8};
    w.DayProb = {NoValue, NoValue, 30, 10, 0, 10, 20, 40};
    w.Overview =
        "　大阪府は、強い冬型の気圧配置となっています。\n\n　２９日の大阪府は、晴れるでしょう。";
    w.OverviewHeadline = "大阪府では、２８日夕方まで雪の降る所があるでしょう。";
    w.OverviewTime = "2023-01-28T10:32";
    for (int k = 0; k < 6; ++k)
        w.WeekDate[k] = EncodeDate(2023, 1, 29) + k;
    w.WeekWeather = {"晴", "曇時々晴", "晴時々曇", "曇時々晴", "雨", "雪", ""};
    w.WeekProb = {10, 30, 20, 40, 50, 60, NoValue};
    w.WeekMinTemp = {2, 3, 1, 4, 5, -1, NoValue};
    w.WeekMaxTemp = {8, 9, 11, 14, 12, 7, NoValue};
    w.WeekReliability = {"", "", "A", "B", "C", "A", ""};
    w.WeekMinTempRange = {
        {{NoValue, NoValue}, {1, 5}, {0, 3}, {2, 6}, {3, 7}, {-3, 1}, {NoValue, NoValue}}};
    w.WeekMaxTempRange = {
        {{NoValue, NoValue}, {8, 11}, {9, 13}, {12, 16}, {10, 14}, {5, 9}, {NoValue, NoValue}}};
    w.WeekNormalMinTemp = 2.6;
    w.WeekNormalMaxTemp = 9.4;
    w.Now = {"2023-01-28T11:20", "大阪", 6.3, 0.5, 7.4, "西北西", 48.0};
    w.WarningsKnown = true;
    w.Warnings = {{"12", "大雪警報", "発表", TWarningLevel::Warning},
                  {"15", "強風注意報", "継続", TWarningLevel::Advisory}};
    w.WarningsTime = "2023-01-28T10:40";
    return w;
}

// The text of every named part the window shows, and the parts it does not show.
std::map<std::string, std::string> Shown(const TDetailsDialog& dialog,
                                         std::vector<std::string>* hidden = nullptr) {
    std::map<std::string, std::string> texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        const std::string name = label->objectName().toStdString();
        if (name.empty())
            continue;
        if (label->isHidden()) {
            if (hidden)
                hidden->push_back(name);
            continue;
        }
        texts[name] = label->text().toStdString();
    }
    return texts;
}

TEST(DetailsDialog, EveryPartOfAFullRecord) {
    const TDetailsDialog dialog(nullptr, FullRecord(), kAt1130, false);
    EXPECT_EQ(dialog.windowTitle(), "詳しい予報 - 大阪市");
    std::vector<std::string> hidden;
    const auto shown = Shown(dialog, &hidden);
    const std::map<std::string, std::string> expected = {
        {"Place", "大阪市"},
        {"Update", "11時00分 発表"},
        {"DayTitle0", "今日　1月28日(土)"},
        {"DayText0", "くもり　時々　晴れ　所により　夕方　まで　雪か雨"},
        {"DayWind0", "西の風　やや強く　海上　では　西の風　強く"},
        {"DayWave0", "１．５メートル"},
        {"DayTemp0", "最高 7℃　最低 --"},
        {"DayProb0", "0-6時 --　6-12時 --　12-18時 30%　18-24時 10%"},
        {"DayTitle1", "明日　1月29日(日)"},
        {"DayText1", "晴れ"},
        {"DayWind1", "西の風　やや強く"},
        {"DayTemp1", "最高 8℃　最低 2℃"},
        {"DayProb1", "0-6時 0%　6-12時 10%　12-18時 20%　18-24時 40%"},
        {"OverviewTime", "1月28日 10時32分 発表"},
        {"OverviewHeadline", "大阪府では、２８日夕方まで雪の降る所があるでしょう。"},
        {"Overview",
         "　大阪府は、強い冬型の気圧配置となっています。\n\n　２９日の大阪府は、晴れるでしょう。"},
        {"WeekDate0", "29日(日)"},
        {"WeekWeather0", "晴"},
        {"WeekProb0", "10%"},
        {"WeekMin0", "2℃"},
        {"WeekMax0", "8℃"},
        {"WeekReliability0", ""},
        {"WeekDate1", "30日(月)"},
        {"WeekWeather1", "曇時々晴"},
        {"WeekProb1", "30%"},
        {"WeekMin1", "3℃ (1〜5)"},
        {"WeekMax1", "9℃ (8〜11)"},
        {"WeekReliability1", ""},
        {"WeekDate2", "31日(火)"},
        {"WeekWeather2", "晴時々曇"},
        {"WeekProb2", "20%"},
        {"WeekMin2", "1℃ (0〜3)"},
        {"WeekMax2", "11℃ (9〜13)"},
        {"WeekReliability2", "A"},
        {"WeekDate3", "1日(水)"},
        {"WeekWeather3", "曇時々晴"},
        {"WeekProb3", "40%"},
        {"WeekMin3", "4℃ (2〜6)"},
        {"WeekMax3", "14℃ (12〜16)"},
        {"WeekReliability3", "B"},
        {"WeekDate4", "2日(木)"},
        {"WeekWeather4", "雨"},
        {"WeekProb4", "50%"},
        {"WeekMin4", "5℃ (3〜7)"},
        {"WeekMax4", "12℃ (10〜14)"},
        {"WeekReliability4", "C"},
        {"WeekDate5", "3日(金)"},
        {"WeekWeather5", "雪"},
        {"WeekProb5", "60%"},
        {"WeekMin5", "-1℃ (-3〜1)"},
        {"WeekMax5", "7℃ (5〜9)"},
        {"WeekReliability5", "A"},
        {"WeekNormal", "平年値　最低 2.6℃　最高 9.4℃"},
        {"WeekReliabilityNote", "信頼度　A: 確度が高い　B: 確度がやや高い　C: 確度がやや低い"},
        {"NowTitle", "11:20 大阪 の観測"},
        {"NowTemp", "6.3℃"},
        {"NowHumidity", "48%"},
        {"NowWind", "西北西 7.4m/s"},
        {"NowPrecip", "0.5mm"},
        {"Warnings", "大雪警報 (発表)\n強風注意報 (継続)"},
        {"WarningsTime", "1月28日 10時40分 発表"},
        {"Source",
         "<a href=\"https://www.jma.go.jp/bosai/forecast/\">出典：気象庁ホームページ</a>"},
    };
    EXPECT_EQ(shown, expected);
    // No waves tomorrow, no seventh day; the live source is not named.
    EXPECT_EQ(hidden, std::vector<std::string>{"OpenMeteoSource"});
    EXPECT_EQ(dialog.Part("DayWave1"), nullptr);
    EXPECT_EQ(dialog.Part("WeekDate6"), nullptr);
}

// What the record does not have: a page service's record has no words, no overview, no week
// normals, no weather now and unknown warnings; an observation older than an hour is not now.
TEST(DetailsDialog, WhatTheRecordDoesNotHave) {
    TWeatherData w;
    w.LocationName = "札幌市";
    w.DayDate = {EncodeDate(2026, 12, 9), EncodeDate(2026, 12, 10)};
    w.DayWeather = {"晴のち曇", ""};
    w.TodayName = "今夜";
    w.Now = {"2026-12-09T19:00", "Open-Meteo", -2.0, std::nullopt, std::nullopt, "", 70.0};
    w.WarningsNote = "警報: 取得できず";
    const TDetailsDialog dialog(nullptr, w, *JapanTimeSeconds("2026-12-09T20:30"), true);
    const auto shown = Shown(dialog);
    const std::map<std::string, std::string> expected = {
        {"Place", "札幌市"},
        {"Update", ""},
        {"DayTitle0", "今夜　12月9日(水)"},
        {"DayText0", "晴のち曇"},
        {"DayTemp0", "最高 --　最低 --"},
        {"DayProb0", "0-6時 --　6-12時 --　12-18時 --　18-24時 --"},
        {"DayTitle1", "明日　12月10日(木)"},
        {"DayText1", "--"},
        {"DayTemp1", "最高 --　最低 --"},
        {"DayProb1", "0-6時 --　6-12時 --　12-18時 --　18-24時 --"},
        {"WeekNone", "週間予報はありません"},
        {"NowTitle", "現在の観測値はありません"},
        {"Warnings", "取得できません"},
        {"WarningsTime", "警報: 取得できず"},
        {"Source",
         "<a href=\"https://www.jma.go.jp/bosai/forecast/\">出典：気象庁ホームページ</a>"},
        {"OpenMeteoSource", "<a href=\"https://open-meteo.com/\">気象データ: Open-Meteo.com</a>"},
    };
    EXPECT_EQ(shown, expected);

    // Within the hour the observation is shown, its missing values as such; none in force.
    w.WarningsKnown = true;
    w.WarningsNote.clear();
    const TDetailsDialog now(nullptr, w, *JapanTimeSeconds("2026-12-09T19:30"), false);
    const auto nowShown = Shown(now);
    for (const auto& [part, text] :
         std::map<std::string, std::string>{{"NowTitle", "19:00 Open-Meteo の観測"},
                                            {"NowTemp", "-2.0℃"},
                                            {"NowHumidity", "70%"},
                                            {"NowWind", "--"},
                                            {"NowPrecip", "--"},
                                            {"Warnings", "発表されていません"}})
        EXPECT_EQ(nowShown.at(part), text) << part;
    EXPECT_EQ(nowShown.count("WarningsTime"), 0u);
    // The live source's observation names it even when the forecast is the agency's.
    EXPECT_EQ(nowShown.count("OpenMeteoSource"), 1u);
}

TEST(DetailsDialog, EscapeAndTheCloseButtonCloseIt) {
    for (const bool byKey : {true, false}) {
        TDetailsDialog dialog(nullptr, FullRecord(), kAt1130, false);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        if (byKey) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            QPushButton* close = nullptr;
            for (QPushButton* button : dialog.findChildren<QPushButton*>())
                if (button->text() == "閉じる")
                    close = button;
            ASSERT_NE(close, nullptr);
            QTest::mouseClick(close, Qt::LeftButton);
        }
        EXPECT_FALSE(dialog.isVisible()) << byKey;
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
}

} // namespace
