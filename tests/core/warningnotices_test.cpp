// Which warnings get a balloon, and that a restart does not announce them again.
#include "weather/WarningNotices.h"

#include "platform/TextCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const TWarning kRain{"03", "レベル3大雨警報", "発表", TWarningLevel::Warning};
const TWarning kWind{"15", "強風注意報", "発表", TWarningLevel::Advisory};
const TWarning kEmergency{"33", "レベル5大雨特別警報", "継続", TWarningLevel::Emergency};

std::vector<std::string> Codes(const std::vector<TWarning>& warnings) {
    std::vector<std::string> codes;
    for (const TWarning& w : warnings)
        codes.push_back(w.Code);
    return codes;
}

} // namespace

TEST(AnnouncedWarnings, EachChoiceAnnouncesItsTiersAndAnEmergencyAlways) {
    struct Case {
        TWarningNotice notice;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {TWarningNotice::Warnings, {"33", "03"}},
        {TWarningNotice::Advisories, {"33", "03", "15"}},
        {TWarningNotice::Off, {"33"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TAnnouncedWarnings announced(dir.Path());
        const std::vector<std::string> reports(3, "2026-10-04T05:00");
        EXPECT_EQ(Codes(announced.Announce("東京都 千代田区", {kEmergency, kRain, kWind}, reports,
                                           c.notice)),
                  c.codes)
            << static_cast<int>(c.notice);
    }
}

TEST(AnnouncedWarnings, OncePerCodeAndReportAlsoAfterARestart) {
    TempDir dir;
    const std::string place = "東京都 千代田区";
    const std::vector<std::string> first = {"2026-10-04T05:00"};
    {
        TAnnouncedWarnings announced(dir.Path());
        EXPECT_EQ(Codes(announced.Announce(place, {kRain}, first, TWarningNotice::Warnings)),
                  (std::vector<std::string>{"03"}));
        EXPECT_TRUE(announced.Announce(place, {kRain}, first, TWarningNotice::Warnings).empty());
    }
    TAnnouncedWarnings restarted(dir.Path());
    EXPECT_TRUE(restarted.Announce(place, {kRain}, first, TWarningNotice::Warnings).empty());
    // Continued in a later report: nothing new. Issued anew in a later report: announced.
    TWarning continued = kRain;
    continued.Status = "継続";
    EXPECT_TRUE(
        restarted.Announce(place, {continued}, {"2026-10-04T11:00"}, TWarningNotice::Warnings)
            .empty());
    EXPECT_EQ(
        Codes(restarted.Announce(place, {kRain}, {"2026-10-05T05:00"}, TWarningNotice::Warnings)),
        (std::vector<std::string>{"03"}));
    // First seen while continuing (the program started during the warning), and at another
    // place the same warning: announced.
    TWarning storm{"05", "暴風警報", "継続", TWarningLevel::Warning};
    EXPECT_EQ(Codes(restarted.Announce(place, {storm}, first, TWarningNotice::Warnings)),
              (std::vector<std::string>{"05"}));
    EXPECT_EQ(Codes(restarted.Announce("北海道 稚内市", {kRain}, first, TWarningNotice::Warnings)),
              (std::vector<std::string>{"03"}));
}

TEST(AnnouncedWarnings, AnUnwritableOrBrokenFileOnlyRisksARepeat) {
    TempDir dir;
    dir.Write(std::string(TAnnouncedWarnings::FileName), "garbage\n\t\n東京都 千代田区\t03\n");
    TAnnouncedWarnings announced(dir.Path());
    EXPECT_EQ(Codes(announced.Announce("東京都 千代田区", {kRain}, {"2026-10-04T05:00"},
                                       TWarningNotice::Warnings)),
              (std::vector<std::string>{"03"}));
    TAnnouncedWarnings nowhere("");
    EXPECT_EQ(Codes(nowhere.Announce("東京都 千代田区", {kRain}, {"2026-10-04T05:00"},
                                     TWarningNotice::Warnings)),
              (std::vector<std::string>{"03"}));
    EXPECT_EQ(WarningNoticeText("千代田区", {kRain, kWind}),
              "千代田区にレベル3大雨警報・強風注意報が発表されています");
}

// However many warnings and however long their names, the balloon names a few and counts the
// rest within its length.
TEST(WarningNoticeText, NamesAFewCountsTheRestAndStaysShort) {
    std::vector<TWarning> many;
    for (int i = 0; i < 28508; ++i)
        many.push_back({std::to_string(100 + i),
                        "警報・注意報 (コード" + std::to_string(100 + i) + ")", "発表",
                        TWarningLevel::Warning});
    const std::string longPlace(300, 'x');
    const TWarning longName{"91", std::string(30, 'n') + "警報警報警報警報", "発表",
                            TWarningLevel::Warning};
    struct Case {
        const char* what;
        std::string place;
        std::vector<TWarning> warnings;
        std::string text;
    };
    const Case cases[] = {
        {"four are named whole",
         "千代田区",
         {kEmergency, kRain, kWind, kRain},
         "千代田区にレベル5大雨特別警報・レベル3大雨警報・強風注意報・レベル3大雨警報が発表されてい"
         "ます"},
        {"the fifth is counted",
         "千代田区",
         {kEmergency, kRain, kWind, kRain, kWind},
         "千代田区にレベル5大雨特別警報・レベル3大雨警報・強風注意報・レベル3大雨警報ほか1件が発表"
         "されています"},
        {"28,508 warnings", "千代田区", many,
         "千代田区に警報・注意報 (コード100)・警報・注意報 (コード101)・警報・注意報 (コード102)・"
         "警報・注意報 (コード103)ほか28504件が発表されています"},
        {"a long place and a long name are cut",
         longPlace,
         {longName},
         std::string(31, 'x') + "…に" + std::string(30, 'n') + "警…が発表されています"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WarningNoticeText(c.place, c.warnings), c.text);
    }
    std::vector<TWarning> longOnes(10, longName);
    EXPECT_LE(platform::Utf8Length(WarningNoticeText(longPlace, longOnes)), kMaxNoticeCharacters);
}

// The list keeps its newest lines; what it forgets is announced again, what it keeps is not,
// also when the file held a line twice.
TEST(AnnouncedWarnings, TheNewestLinesAreKeptAndLookedUpWhateverTheirNumber) {
    const std::string place = "東京都 千代田区";
    const std::string report = "2026-10-04T05:00";
    const TWarning storm{"05", "暴風警報", "発表", TWarningLevel::Warning};
    std::string file = place + "\t03\t" + report + "\n";
    for (std::size_t i = 0; i + 2 < TAnnouncedWarnings::MaxLines; ++i)
        file += "北海道 稚内市\t" + std::to_string(100 + i) + "\t" + report + "\n";
    file += place + "\t03\t" + report + "\n"; // the first line again
    TAnnouncedWarnings announced = TAnnouncedWarnings::FromText(file);
    EXPECT_EQ(announced.Text(), file);
    // One more forgets the first line; its twin still stands.
    EXPECT_EQ(Codes(announced.Announce(place, {storm}, {report}, TWarningNotice::Warnings)),
              (std::vector<std::string>{"05"}));
    EXPECT_EQ(announced.Size(), TAnnouncedWarnings::MaxLines);
    EXPECT_TRUE(announced.Announce(place, {kRain}, {report}, TWarningNotice::Warnings).empty());

    // 600 new ones at once: the list holds the newest 500 of them, everything before is gone.
    std::vector<TWarning> flood;
    for (int i = 0; i < 600; ++i)
        flood.push_back(
            {"A" + std::to_string(i), "警報・注意報 (コードA)", "発表", TWarningLevel::Warning});
    EXPECT_EQ(
        announced
            .Announce(place, flood, std::vector<std::string>(600, report), TWarningNotice::Warnings)
            .size(),
        600u);
    EXPECT_EQ(announced.Size(), TAnnouncedWarnings::MaxLines);
    EXPECT_EQ(
        Codes(announced.Announce(place, {kRain, flood[99], flood[100], flood[599]},
                                 std::vector<std::string>(4, report), TWarningNotice::Warnings)),
        (std::vector<std::string>{"03", "A99"}));
    // A file larger than any list of ours is not read.
    TempDir dir;
    dir.Write(std::string(TAnnouncedWarnings::FileName),
              file + std::string(TAnnouncedWarnings::MaxFileBytes, '\n'));
    EXPECT_EQ(TAnnouncedWarnings(dir.Path()).Size(), 0u);
}
