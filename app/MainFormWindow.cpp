// The desktop window: drawing, showing, dragging and the bottom of the z-order.
#include "app/MainForm.h"

#include "platform/qt/Desktop.h"

#include <QContextMenuEvent>
#include <QGuiApplication>

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

namespace {

// Pixels the pointer moves, with the button held, before the widget follows it.
constexpr int kMoveThreshold = 4;

} // namespace

void TMainForm::DrawWeather() {
    // At the ratio of the window's screen: the picture has the device's pixels and the window
    // keeps the skin's size in logical pixels.
    drawnRatio_ = devicePixelRatioF();
    try {
        CurrentSkin.Draw(&WidgetBitmap, &Weather, drawnRatio_);
        lastDrawError_.clear();
    } catch (const std::exception& e) {
        // A broken skin must not bury the user in the same message at every redraw.
        if (lastDrawError_ != e.what()) {
            lastDrawError_ = e.what();
            ReportException(std::current_exception());
        }
    }
    if (WidgetBitmap.Width() <= 0 || WidgetBitmap.Height() <= 0)
        return;
    resize(WidgetBitmap.LogicalWidth(), WidgetBitmap.LogicalHeight());
    UpdateLayeredForm();
}

bool TMainForm::UpdateLayeredForm() {
    // The window waits for its first picture before it appears.
    if (ActShowWindow.isChecked() && !isVisible()) {
        ChangingVisibility = true;
        show();
        ChangingVisibility = false;
        if (ActStayOnBottom.isChecked())
            LowerWindow();
    }
    update();
    return true;
}

void TMainForm::paintEvent(QPaintEvent*) {
    if (WidgetBitmap.Empty())
        return;
    // The skin's surface has QImage's premultiplied byte layout: shown as it is, one picture
    // pixel on one device pixel when it was drawn at the window's ratio.
    QImage image(reinterpret_cast<const uchar*>(WidgetBitmap.Data()), WidgetBitmap.Width(),
                 WidgetBitmap.Height(), WidgetBitmap.Width() * 4,
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(WidgetBitmap.PixelRatio());
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const bool scaled = WidgetBitmap.PixelRatio() != devicePixelRatioF();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scaled);
    painter.drawImage(0, 0, image);
    // On a screen of another ratio than the one drawn for: drawn anew, once this paint is done.
    if (devicePixelRatioF() != drawnRatio_)
        QTimer::singleShot(0, this, [this] { Guarded([this] { CheckPixelRatio(); }); });
}

void TMainForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || ActFixPosition.isChecked())
        return;
    pressed_ = true;
    pressPosition_ = event->globalPosition().toPoint();
    dragOffset_ = pressPosition_ - pos();
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->globalPosition().toPoint();
    if (ActFixPosition.isChecked() || !(event->buttons() & Qt::LeftButton)) {
        pressed_ = dragging_ = false;
        return;
    }
    if (dragging_) {
        move(at - dragOffset_);
        return;
    }
    // A window manager's move begun at the press can outlast a quick click and leave the
    // widget stuck to the pointer: it begins only once the pointer has really moved.
    if (!pressed_ || (at - pressPosition_).manhattanLength() < kMoveThreshold)
        return;
    pressed_ = false;
    // The pointer is ahead by the threshold or more. A window manager's move from here would keep
    // the window that far behind it, so the program moves the window itself where it may; under
    // Wayland only the compositor can.
    if (QWindow* window = windowHandle();
        window && QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
        window->startSystemMove())
        return;
    dragging_ = true;
    move(at - dragOffset_);
}

void TMainForm::mouseReleaseEvent(QMouseEvent*) {
    pressed_ = dragging_ = false;
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event) {
    // Without a tray on the desktop the menu would be out of reach; the widget offers it then.
    if (!QSystemTrayIcon::isSystemTrayAvailable() && !InModal)
        PopupMenu1.popup(event->globalPos());
}

void TMainForm::ActShowWindowExecute(QObject* sender) {
    if (isMinimized())
        showNormal();
    if (sender)
        SaveSettings(SettingsFileName);
    ChangingVisibility = true;
    try {
        // Without a picture yet the window stays unmapped; the first drawing shows it.
        const bool show = ActShowWindow.isChecked() && !WidgetBitmap.Empty();
        setVisible(show);
        if (show) {
            raise();
            activateWindow();
        }
    } catch (...) {
        ChangingVisibility = false;
        throw;
    }
    ChangingVisibility = false;
}

void TMainForm::ActStayOnBottomExecute(QObject* sender) {
    if (sender)
        SaveSettings(SettingsFileName);
    const bool bottom = ActStayOnBottom.isChecked();
    if (bottom != KeptAtBottom()) {
        // Changing a window's flags unmaps it; put it back as it was.
        const bool wasVisible = isVisible();
        ChangingVisibility = true;
        setWindowFlag(Qt::WindowStaysOnBottomHint, bottom);
        if (wasVisible)
            show();
        ChangingVisibility = false;
    }
    if (bottom)
        LowerWindow();
}

bool TMainForm::KeptAtBottom() const {
    return windowFlags().testFlag(Qt::WindowStaysOnBottomHint);
}

void TMainForm::LowerWindow() {
    if (!ChangingVisibility && isVisible())
        lower();
}

void TMainForm::ActDefaultPosExecute(QObject*) {
    move(5, 5);
}

void TMainForm::ApplicationEvents1Deactivate() {
    if (ActStayOnBottom.isChecked())
        LowerWindow();
}

void TMainForm::ApplicationEvents1ModalBegin() {
    ++modalDepth_;
    InModal = true;
}

void TMainForm::ApplicationEvents1ModalEnd() {
    if (modalDepth_ > 0)
        --modalDepth_;
    InModal = modalDepth_ > 0;
}
