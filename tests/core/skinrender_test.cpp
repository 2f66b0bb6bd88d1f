#include "skin/Png.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int status;
    std::string errors;
};

ToolRun SkinRender(const TempDir& dir, const std::string& arguments) {
    const std::string errors = dir.File("stderr.txt");
    const std::string command =
        std::string(PELUMI_BIN_DIR) + "/skin-render " + arguments + " 2>" + errors;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(errors)};
}

class SkinRenderTest : public ::testing::Test {
protected:
    std::string Demo() const { return TestData("skin/demo/demo.ini"); }
    std::string Record() const { return TestData("skin/record.json"); }
    TempDir dir;
};

TEST_F(SkinRenderTest, DrawsTheWidgetAndTheTrayStrip) {
    const std::string out = dir.File("out.png"), tray = dir.File("tray.png");
    const ToolRun run = SkinRender(dir, Demo() + " " + Record() + " " + out +
                                            " --now 2014-03-05T14:30:00 --tray " + tray);
    EXPECT_EQ(run.status, 0) << run.errors;
    const TBitmap picture = LoadPng(out);
    EXPECT_EQ(picture.Width(), 320);
    EXPECT_EQ(picture.Height(), 200);
    const TBitmap strip = LoadPng(tray);
    EXPECT_EQ(strip.Width(), 96);
    EXPECT_EQ(strip.Height(), 16);
    EXPECT_EQ(strip.Pixel(88, 0) >> 24, 0u); // the error image (NA) is transparent there
}

TEST_F(SkinRenderTest, ExitStatusTellsWhatHappened) {
    const std::string out = dir.File("out.png");
    const std::string noBackground = dir.Write("plain.ini", "[Label]\n");
    const std::string broken = dir.Write("broken.ini", "[ImageFiles]\nBackground=broken.png\n");
    const std::string badColour = dir.Write(
        "colour.ini", "[ImageFiles]\nBackground=back.png\n[LocationLabel]\nFontColor=rouge\n");
    const std::string badSkinColour = dir.Write(
        "skincolour.ini", "[ImageFiles]\nBackground=back.png\n[Label]\nFontColor=rouge\n");
    dir.Write("broken.png", ReadAll(TestData("skin/demo/broken.png")));
    dir.Write("back.png", ReadAll(TestData("skin/demo/back.png")));
    const std::string partial = dir.Write("partial.json", R"({"ok": false, "PointHour": [1,2]})");
    const std::string bad = dir.Write("bad.json", R"({"LocationName": "x",})");
    const std::string empty = dir.Write("empty.json", "{}");
    struct Case {
        std::string arguments;
        int status;
        std::string message; // part of standard error
    };
    const Case cases[] = {
        {"", 2, "usage"},
        {Demo() + " " + Record(), 2, "usage"},
        {Demo() + " " + Record() + " " + out + " --now 14:30", 2, "--now"},
        {Demo() + " " + Record() + " " + out + " --now 2026-02-30T10:00:00", 2, "--now"},
        {Demo() + " " + bad + " " + out, 2, "bad JSON"},
        {Demo() + " " + partial + " " + out, 2, "PointHour"},
        {Demo() + " " + dir.File("none.json") + " " + out, 2, ""},
        {dir.File("none.ini") + " " + empty + " " + out, 1, ""},
        {noBackground + " " + empty + " " + out, 1, "nothing drawn"},
        {broken + " " + empty + " " + out, 3, "broken.png"},
        {badColour + " " + empty + " " + out, 3, "rouge"},
        {badSkinColour + " " + empty + " " + out, 3, "rouge"}, // read when the skin loads
        {Demo() + " " + empty + " " + out, 0, ""},
    };
    for (const Case& c : cases) {
        const ToolRun run = SkinRender(dir, c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    }
}

} // namespace
