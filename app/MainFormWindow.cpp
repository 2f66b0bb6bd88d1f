// The desktop window: drawing, showing, dragging and the bottom of the z-order.
#include "app/MainForm.h"

#include "platform/qt/Desktop.h"

#include <QContextMenuEvent>
#include <QGuiApplication>

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Pixels the pointer moves, with the button held, before the widget follows it.
constexpr int kMoveThreshold = 4;

// The workspace number that stands for every workspace.
constexpr std::uint32_t kAllWorkspaces = 0xFFFFFFFF;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// A desktop widget belongs on every workspace. The property is what the window manager reads
// when it maps the window; the message moves a window it already manages. `asMessage` picks one.
void PutOnAllWorkspaces(QWidget& widget, bool asMessage) {
    // The top-level window's own id: after a change of the window's flags the widget's id
    // still names the window that was replaced.
    if (!widget.windowHandle())
        widget.winId();
    QWindow* const handle = widget.windowHandle();
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !handle)
        return;
    const xcb_atom_t desktop = Atom(connection, "_NET_WM_DESKTOP");
    if (desktop == XCB_ATOM_NONE)
        return;
    const auto window = static_cast<xcb_window_t>(handle->winId());
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!asMessage) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, desktop, XCB_ATOM_CARDINAL,
                            32, 1, &kAllWorkspaces);
    } else if (screen) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = desktop;
        message.data.data32[0] = kAllWorkspaces;
        message.data.data32[1] = 2; // as a pager does: the user asked for it
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(connection);
}

} // namespace

void TMainForm::showEvent(QShowEvent* event) {
    // At every showing (changing the window's flags unmaps the window): the property before
    // the window is mapped, and the message once the map request has gone out, for a window
    // manager that dropped the property when the window was withdrawn.
    PutOnAllWorkspaces(*this, false);
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            PutOnAllWorkspaces(*this, true);
    });
    QWidget::showEvent(event);
}

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

void TMainForm::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double-click on the widget opens 詳しい予報, as the tray menu does.
    pressed_ = dragging_ = false;
    if (event->button() == Qt::LeftButton && !InModal)
        ActDetails.trigger();
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
