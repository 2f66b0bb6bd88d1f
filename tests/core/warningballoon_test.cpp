// The balloon of announced warnings: its title and icon follow the most severe tier among them.
#include "weather/WarningBalloon.h"

#include <gtest/gtest.h>

TEST(WarningBalloon, TheMostSevereTierChoosesTitleAndIcon) {
    const TWarning advisory{"14", "雷注意報", "発表", TWarningLevel::Advisory};
    const TWarning warning{"03", "レベル3大雨警報", "発表", TWarningLevel::Warning};
    const TWarning danger{"43", "レベル4大雨危険警報", "発表", TWarningLevel::Danger};
    const TWarning emergency{"33", "レベル5大雨特別警報", "発表", TWarningLevel::Emergency};
    struct Case {
        std::vector<TWarning> announced;
        TWarningBalloon expected;
    };
    const Case cases[] = {
        {{advisory}, {"気象警報・注意報", TBalloonIcon::Information}},
        {{advisory, warning}, {"気象警報・注意報", TBalloonIcon::Warning}},
        {{danger}, {"気象警報・注意報", TBalloonIcon::Warning}},
        // Last in the list, still first in weight.
        {{advisory, warning, emergency}, {"特別警報", TBalloonIcon::Error}},
        {{}, {"気象警報・注意報", TBalloonIcon::Information}},
    };
    for (const Case& c : cases) {
        const TWarningBalloon balloon = WarningBalloonOf(c.announced);
        EXPECT_EQ(balloon.Title, c.expected.Title) << c.announced.size();
        EXPECT_EQ(balloon.Icon, c.expected.Icon) << c.announced.size();
    }
}
