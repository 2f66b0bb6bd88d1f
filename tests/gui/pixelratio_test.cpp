// The widget on two screens of pixel ratios 1 and 2 (Qt's offscreen platform with the screen
// file tests/data/screens/two-ratios.json; ctest runs these as gui.PixelRatio with it): drawn at
// the ratio of the screen it is on, shown one to one, at the skin's size in logical pixels, and
// drawn anew when it goes to the other screen.
#include "FormFixture.h"

#include "platform/Clock.h"
#include "skin/Skin.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

class PixelRatio : public ::testing::Test {
protected:
    void SetUp() override {
        const auto screens = QGuiApplication::screens();
        if (screens.size() < 2) {
            // The run with the screen file must not pass by skipping.
            if (std::getenv("PELUMI_TWO_SCREENS"))
                FAIL() << "the screen file was not read: " << screens.size() << " screen(s)";
            GTEST_SKIP() << "needs the two screens of tests/data/screens/two-ratios.json";
        }
        one = screens[0];
        two = screens[1];
        ASSERT_EQ(one->devicePixelRatio(), 1.0);
        ASSERT_EQ(two->devicePixelRatio(), 2.0);
        platform::FixClock({2026, 12, 10, 10, 30, 0});
        program.dir.Write("urls.list", "");
        std::filesystem::copy(std::string(PELUMI_BIN_DIR) + "/Skin", program.dir.File("Skin"),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
        program.WriteIni("[Option]\nLeft=20\nTop=20\nMonitor=1\n");
        form = program.Start();
        skinFile = program.dir.File("Skin/Simple/small.ini");
    }
    void TearDown() override { platform::ReleaseClock(); }

    // What the skin draws of the window's record at a ratio.
    TBitmap Expected(double ratio) const {
        TSkin skin;
        skin.Load(skinFile);
        TBitmap bitmap;
        skin.Draw(&bitmap, &form->Weather, ratio);
        return bitmap;
    }

    // The window's picture on its device pixels equals the bitmap, pixel for pixel.
    bool ShownOneToOne() const {
        const QPixmap grabbed = form->grab();
        const QImage shown = grabbed.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const TBitmap& b = form->WidgetBitmap;
        if (shown.width() != b.Width() || shown.height() != b.Height())
            return false;
        for (int y = 0; y < b.Height(); ++y)
            if (std::memcmp(shown.constScanLine(y), b.Scanline(y),
                            static_cast<std::size_t>(b.Width()) * 4) != 0)
                return false;
        return true;
    }

    void MoveTo(QScreen* screen) {
        form->move(screen->geometry().topLeft() + QPoint(20, 20));
        QTest::qWait(50); // the screen change arrives, then the queued redraw
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->screen() == screen; }, 2000));
        QTest::qWait(50);
    }

    TestProgram program;
    MessageLog messages;
    std::unique_ptr<TMainForm> form;
    std::string skinFile;
    QScreen* one = nullptr;
    QScreen* two = nullptr;
};

} // namespace

TEST_F(PixelRatio, TheWidgetIsDrawnAtItsScreensRatioAndAnewOnAnotherScreen) {
    ASSERT_TRUE(form->isVisible());
    ASSERT_EQ(form->screen(), one);
    struct Step {
        QScreen* screen;
        double ratio;
    };
    for (const Step& step : {Step{two, 2.0}, Step{one, 1.0}, Step{two, 2.0}}) {
        SCOPED_TRACE(step.ratio);
        MoveTo(step.screen);
        EXPECT_EQ(form->WidgetBitmap.PixelRatio(), step.ratio);
        EXPECT_EQ(form->WidgetBitmap, Expected(step.ratio));
        // The skin's size in logical pixels, the screen's pixels in the picture.
        EXPECT_EQ(form->size(), QSize(440, 312));
        EXPECT_EQ(form->WidgetBitmap.Width(), static_cast<int>(440 * step.ratio));
        EXPECT_EQ(form->pos(), step.screen->geometry().topLeft() + QPoint(20, 20));
        EXPECT_TRUE(ShownOneToOne());
    }
}

TEST_F(PixelRatio, ARefreshDrawsAtTheRatioOfTheScreenTheWindowIsOn) {
    MoveTo(two);
    form->Weather.Information = "再接続します (あと5回)";
    form->DrawWeather();
    EXPECT_EQ(form->WidgetBitmap, Expected(2.0));
    EXPECT_EQ(form->size(), QSize(440, 312));
    EXPECT_TRUE(ShownOneToOne());
}
