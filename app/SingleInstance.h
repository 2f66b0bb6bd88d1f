#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

// One widget per settings file. The first program started for a settings file holds a lock
// file beside it ("<settings>.lock") and listens on a local socket named after the file's path;
// a later start finds the lock taken and asks the first one, through the socket, to show its
// widget. Two copies with different settings files do not meet.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class TResult {
        First,      // this program runs the widget
        ShownOther, // the running program was asked to show its widget; end with status 0
        NoAnswer,   // another program holds the lock but cannot be reached
        Unguarded,  // no lock could be made (an unwritable folder); run without one
    };

    explicit TSingleInstance(std::string settingsFileName);
    ~TSingleInstance() override;

    // Takes the lock or asks its holder to show itself, waiting at most `answerMs` for the
    // holder's socket (it listens right after taking the lock). A lock left by a program that
    // has ended is taken over.
    TResult Start(int answerMs = 3000);

    // While First: `handler` runs for every request to show the widget, also for one that came
    // before the handler was set (the widget is being built then).
    void SetShowHandler(std::function<void()> handler);

    // Takes no more requests (the widget is closing); the lock stays until destruction, so a
    // start meanwhile waits for it rather than being told the widget was shown.
    void StopListening();

    // The local socket's name for a settings file: a full path in $XDG_RUNTIME_DIR when there
    // is one, otherwise a name with the user's id (Qt puts it in the temporary folder).
    static QString ServerName(const std::string& settingsFileName);

    const QString& LockFileName() const { return lockFileName_; }

private:
    bool AskToShow(int answerMs);
    void Listen();
    void Accept();

    std::string settingsFileName_;
    QString lockFileName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    std::function<void()> showHandler_;
    bool pendingShow_ = false;
};
