// Which warnings get a balloon, and that a restart does not announce them again.
#include "weather/WarningNotices.h"

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
