// The menu's ログイン時に起動 item and the login entry behind it.
#include "FormFixture.h"

#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct AutostartTest : ::testing::Test {
    TempDir config;
    ScopedEnv env{"XDG_CONFIG_HOME", config.Path()};
    std::string entry = config.Path() + "/autostart/zomika2.desktop";
    TestProgram program;
    MessageLog messages;
};

} // namespace

TEST_F(AutostartTest, CheckingWritesTheEntryAndUncheckingRemovesIt) {
    auto form = program.Start();
    EXPECT_EQ(form->AutostartFileName, entry);
    EXPECT_FALSE(form->ActAutoStart.isChecked());

    form->ActAutoStart.trigger();
    EXPECT_TRUE(form->ActAutoStart.isChecked());
    // The entry starts this very executable.
    EXPECT_EQ(ReadAll(entry), platform::AutostartEntry(platform::ExecutablePath()));

    form->ActAutoStart.trigger();
    EXPECT_FALSE(form->ActAutoStart.isChecked());
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(messages.entries.empty() ||
                messages.entries[0].text.find("urls.list") != std::string::npos);
    // Nothing of it goes to the settings file.
    form->close();
    EXPECT_EQ(program.IniText().find("utostart"), std::string::npos);
}

TEST_F(AutostartTest, TheCheckShowsWhetherTheEntryExists) {
    config.Write("autostart/zomika2.desktop", "[Desktop Entry]\n");
    auto form = program.Start();
    EXPECT_TRUE(form->ActAutoStart.isChecked());
    // Removed and added again outside the program: the menu shows it when it opens.
    std::filesystem::remove(entry);
    emit form->MenuDesktop->aboutToShow();
    EXPECT_FALSE(form->ActAutoStart.isChecked());
    config.Write("autostart/zomika2.desktop", "[Desktop Entry]\n");
    emit form->MenuDesktop->aboutToShow();
    EXPECT_TRUE(form->ActAutoStart.isChecked());
}

TEST_F(AutostartTest, AFailureIsShownAndTheCheckStaysAsTheFileIs) {
    config.Write("autostart", "a file where the folder belongs");
    auto form = program.Start();
    messages.entries.clear();
    form->ActAutoStart.trigger();
    EXPECT_FALSE(form->ActAutoStart.isChecked());
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].caption, "エラー");
    // What failed and where, not the system's reason alone.
    EXPECT_EQ(messages.entries[0].text,
              "ログイン時に起動する設定を保存できません。\n\nフォルダー \"" + config.Path() +
                  "/autostart\" を作れません。その場所にファイルがあります。\n(Not a directory)");
    EXPECT_EQ(ReadAll(config.Path() + "/autostart"), "a file where the folder belongs");
}
