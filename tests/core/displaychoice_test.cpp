#include "platform/DisplayChoice.h"

#include <gtest/gtest.h>

#include <vector>

TEST(DisplayChoice, X11UnlessTheUserChoseAPlatform) {
    struct Case {
        const char* qtPlatform;
        bool argument;
        bool forceXcb;
        bool needsX;
    };
    const std::vector<Case> cases = {
        {nullptr, false, true, true},         {"", false, true, true},
        {"xcb", false, false, true},          {"xcb:nomitshm", false, false, true},
        {"wayland", false, false, false},     {"offscreen", false, false, false},
        {"wayland;xcb", false, false, false}, {"xcbx", false, false, false},
        {nullptr, true, false, false},        {"xcb", true, false, false},
    };
    for (const Case& c : cases) {
        const platform::TDisplayChoice choice = platform::ChooseDisplay(c.qtPlatform, c.argument);
        EXPECT_EQ(choice.ForceXcb, c.forceXcb) << (c.qtPlatform ? c.qtPlatform : "(unset)");
        EXPECT_EQ(choice.NeedsXDisplay, c.needsX) << (c.qtPlatform ? c.qtPlatform : "(unset)");
    }
}

TEST(DisplayChoice, MessageSaysWhatIsMissing) {
    EXPECT_EQ(platform::NoDisplayMessage(nullptr, "wayland-0"),
              "Pelumi: X ディスプレイに接続できません (DISPLAY が設定されていません)。\n"
              "Wayland のセッションでは XWayland を通して動きます。XWayland が使えるか確かめて"
              "ください。\n");
    EXPECT_EQ(platform::NoDisplayMessage("", ""),
              "Pelumi: X ディスプレイに接続できません (DISPLAY が設定されていません)。\n"
              "このプログラムは X11 のデスクトップで動きます。\n");
    EXPECT_EQ(platform::NoDisplayMessage(":7", nullptr),
              "Pelumi: X ディスプレイ \":7\" に接続できません。\n"
              "このプログラムは X11 のデスクトップで動きます。\n");
}
