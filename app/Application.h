#pragma once

#include <QApplication>

class QWidget;

// The application object: an exception that escapes an event handler is shown in a message
// box with its message, and the program goes on.
class TPelumiApplication : public QApplication {
public:
    TPelumiApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the exception being handled (inside a catch block) in an error message box.
void ShowCurrentException(QWidget* parent);

// SIGTERM, SIGINT and SIGHUP ask the main window to close, as the exit command does, so the
// program saves its settings before it ends. Call once, before the window is created; then
// SetTerminationTarget(window) returns true when a signal came while the window was being
// built (the caller closes it at once). After a signal, message boxes go to standard error
// instead (nobody may be there to answer them), and every open dialog ends as Cancel; the
// window closes once they are gone, so a dialog's Cancel takes effect before the save.
void CloseOnTerminationSignals();
bool SetTerminationTarget(QWidget* window);
