// The desktop window: its size and picture from the widget bitmap, showing and hiding,
// dragging, the default position and the bottom of the z-order.
#include "FormFixture.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A skin file without a background: its drawing leaves the bitmap as the test made it.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { form = program.Start(); }

    void Picture(int width, int height) {
        form->WidgetBitmap.SetSize(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                form->WidgetBitmap.Pixel(x, y) = 0x80000000u | ((x * 4) << 16) | ((y * 4) << 8) |
                                                 static_cast<unsigned>(x + y) % 0x80;
    }

    void Mouse(QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        const QPointF local = QPointF(global - form->pos());
        QMouseEvent event(type, local, local, QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &event);
    }

    TestProgram program;
    MessageLog messages;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(WindowTest, TheLastNonEmptyDrawingSizesTheWindow) {
    EXPECT_FALSE(form->isVisible()); // no picture yet
    struct Case {
        int width, height;
        QSize window;
    };
    const std::vector<Case> cases = {
        {120, 80, {120, 80}},
        {60, 30, {60, 30}},
        {0, 0, {60, 30}},
        {200, 0, {60, 30}},
    };
    for (const Case& c : cases) {
        Picture(c.width, c.height);
        form->DrawWeather();
        EXPECT_EQ(form->size(), c.window) << c.width << "x" << c.height;
        EXPECT_EQ(form->pos(), QPoint(5, 5));
        EXPECT_TRUE(form->isVisible());
    }
}

TEST_F(WindowTest, ThePictureIsTheBitmapUnconverted) {
    Picture(32, 24);
    form->DrawWeather();
    const QImage shown =
        form->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(shown.size(), QSize(32, 24));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(reinterpret_cast<const std::uint32_t*>(shown.constScanLine(y))[x],
                      form->WidgetBitmap.Pixel(x, y))
                << x << "," << y;
}

TEST_F(WindowTest, ShowingAndHiding) {
    Picture(40, 20);
    form->DrawWeather();
    ASSERT_TRUE(form->isVisible());
    form->ActShowWindow.trigger(); // from the menu: saves
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Showing", -1), 0);
    form->DrawWeather(); // a refresh of a hidden window keeps it hidden
    EXPECT_FALSE(form->isVisible());
    form->ActShowWindow.setChecked(true);
    form->ActShowWindowExecute(nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->ChangingVisibility);
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Showing", -1), 0); // not saved
}

TEST_F(WindowTest, DraggingMovesTheWindowUnlessItsPositionIsFixed) {
    Picture(40, 20);
    form->DrawWeather();
    struct Case {
        bool fixed;
        QPoint expected;
    };
    for (const Case c : {Case{true, QPoint(5, 5)}, Case{false, QPoint(35, 25)}}) {
        form->move(5, 5);
        form->ActFixPosition.setChecked(c.fixed);
        Mouse(QEvent::MouseButtonPress, QPoint(15, 10), Qt::LeftButton);
        Mouse(QEvent::MouseMove, QPoint(45, 30), Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, QPoint(45, 30), Qt::NoButton);
        EXPECT_EQ(form->pos(), c.expected) << (c.fixed ? "fixed" : "free");
    }
}

TEST_F(WindowTest, AClickOrATremorDoesNotMoveTheWidget) {
    // The window manager's move begins only once the pointer has moved a few pixels with the
    // button held: one begun at the press could outlast a quick click and stick to the pointer.
    Picture(40, 20);
    form->DrawWeather();
    struct Step {
        QEvent::Type type;
        QPoint at;
        Qt::MouseButtons buttons;
        QPoint window; // afterwards
    };
    const auto press = QEvent::MouseButtonPress;
    const auto move = QEvent::MouseMove;
    const auto release = QEvent::MouseButtonRelease;
    const std::vector<Step> steps = {
        // A click, then the pointer goes its way without a button.
        {press, {15, 10}, Qt::LeftButton, {5, 5}},
        {release, {15, 10}, Qt::NoButton, {5, 5}},
        {move, {60, 40}, Qt::NoButton, {5, 5}},
        // A tremor of the hand under the threshold, then a real drag.
        {press, {15, 10}, Qt::LeftButton, {5, 5}},
        {move, {17, 11}, Qt::LeftButton, {5, 5}},
        {move, {19, 10}, Qt::LeftButton, {9, 5}},
        {move, {45, 30}, Qt::LeftButton, {35, 25}},
        {release, {45, 30}, Qt::NoButton, {35, 25}},
        {move, {90, 90}, Qt::NoButton, {35, 25}},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Mouse(steps[i].type, steps[i].at, steps[i].buttons);
        EXPECT_EQ(form->pos(), steps[i].window) << "step " << i;
    }
}

TEST_F(WindowTest, DefaultPositionIsWrittenByTheNextSave) {
    form->move(300, 200);
    form->ActDefaultPos.trigger();
    EXPECT_EQ(form->pos(), QPoint(5, 5));
    EXPECT_FALSE(std::filesystem::exists(program.IniPath()));
    form->close();
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Left", -1), 5);
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Top", -1), 5);
}

TEST_F(WindowTest, StayOnBottomKeepsTheWindowAsItWas) {
    Picture(40, 20);
    form->DrawWeather();
    ASSERT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
    form->ActStayOnBottom.trigger();
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "StayOnBottom", -1), 0);
    form->ActStayOnBottom.trigger();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
}

TEST_F(WindowTest, WithoutATrayTheWidgetOffersTheMenu) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()); // the offscreen platform has none
    Picture(40, 20);
    form->DrawWeather();
    auto rightClick = [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), QPoint(15, 15));
        QCoreApplication::sendEvent(form.get(), &event);
    };
    {
        TModalScope modal(*form);
        rightClick();
        EXPECT_FALSE(form->PopupMenu1.isVisible());
    }
    rightClick();
    EXPECT_TRUE(form->PopupMenu1.isVisible());
    form->PopupMenu1.close();
}
