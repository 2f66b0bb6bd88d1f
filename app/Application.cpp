#include "app/Application.h"

#include "platform/qt/Desktop.h"

#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

int g_signalPipe[2] = {-1, -1};
QPointer<QWidget> g_target;
bool g_pending = false;
bool g_closing = false; // a signal's close is on its way

void OnTerminationSignal(int) {
    // The interrupted code may be about to read errno; write() may change it.
    const int savedErrno = errno;
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// Ends every open dialog as Cancel, innermost first, past its own close checks: nobody may be
// there to answer them. Returns the dialogs, to wait for their end.
std::vector<QPointer<QWidget>> CancelOpenDialogs() {
    std::vector<QPointer<QWidget>> ended;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (std::find(ended.begin(), ended.end(), modal) != ended.end())
            break; // it would not go
        ended.emplace_back(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->QDialog::done(QDialog::Rejected);
        else
            modal->close();
    }
    return ended;
}

// Closes the main window once the ended dialogs are gone, so that what their callers do after a
// Cancel (a previewed skin put back) is done before the settings are saved. A dialog that
// lingers delays the close by half a second at most.
void CloseTargetAfter(std::vector<QPointer<QWidget>> dialogs, int triesLeft) {
    const bool lingering = std::any_of(dialogs.begin(), dialogs.end(),
                                       [](const QPointer<QWidget>& d) { return !d.isNull(); });
    if (lingering && triesLeft > 0) {
        QTimer::singleShot(5, qApp, [dialogs = std::move(dialogs), triesLeft]() mutable {
            CloseTargetAfter(std::move(dialogs), triesLeft - 1);
        });
        return;
    }
    g_closing = false;
    if (g_target)
        g_target->close();
    else
        g_pending = true;
}

} // namespace

TPelumiApplication::TPelumiApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Pelumi"));
    // The widget may be hidden; only the exit command or a close request ends the program.
    setQuitOnLastWindowClosed(false);
}

bool TPelumiApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException(nullptr);
        return false;
    }
}

void ShowCurrentException(QWidget* parent) {
    QString message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
    }
    platform::ShowMessageBox(parent, message, QStringLiteral("エラー"), platform::MsgButtons::Ok,
                             platform::MsgIcon::Error);
}

void CloseOnTerminationSignals() {
    if (g_signalPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char buffer[16];
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], buffer, sizeof buffer);
        platform::SetMessageBoxHandler([](const QString& text, const QString& caption,
                                          platform::MsgButtons, platform::MsgIcon) {
            std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                         text.toLocal8Bit().constData());
            return platform::MsgResult::Ok;
        });
        if (g_closing)
            return;
        g_closing = true;
        CloseTargetAfter(CancelOpenDialogs(), 100);
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

bool SetTerminationTarget(QWidget* window) {
    g_target = window;
    return g_pending;
}
