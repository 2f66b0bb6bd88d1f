#pragma once

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>

// One widget per settings file. The first program started for a settings file holds a lock
// file beside it ("<settings>.lock") and listens on a socket file in a folder beside it that
// only the user can enter ("<settings>.instance/show", mode 0700); a later start finds the lock
// taken and asks the first one, through the socket, to show its widget. Both names come from
// the settings file alone, whatever the environment of either start, and no other user can take
// or reach them. Two copies with different settings files do not meet.
//
// The lock and the socket are the holder's until its process ends: a start that comes while the
// holder is ending is told so, waits for the lock and takes over. A flood of connections cannot
// end it: at most MaxClients are held at once (a new one pushes out the oldest), each for
// ClientMs at most, and when no connection can be accepted (out of descriptors) the socket stays
// and accepting resumes a moment later.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class TResult {
        First,      // this program runs the widget
        ShownOther, // the running program was asked to show its widget; end with status 0
        NoAnswer,   // another program holds the lock but did not answer in time
        Unguarded,  // no lock could be made (an unwritable folder); run without one
    };

    explicit TSingleInstance(std::string settingsFileName);
    ~TSingleInstance() override;

    // Takes the lock or asks its holder to show itself. Within `answerMs`: a holder that is
    // starting (not listening yet) or ending is waited for; a lock left by a program that has
    // ended is taken over; a holder that takes the request but never answers is NoAnswer.
    TResult Start(int answerMs = 3000);

    // While First: `handler` runs for every request to show the widget, also for one that came
    // before the handler was set (the widget is being built then).
    void SetShowHandler(std::function<void()> handler);

    // The widget is closing: requests are answered "ending" and shown no more. The lock and the
    // socket stay until the object goes, at the end of the process.
    void SetEnding();

    // The folder of the socket for a settings file, and the socket's path in it. The folder is
    // used only when it is a real folder (no symlink) of this user that no one else may enter;
    // each side also checks that the other runs as the same user.
    static std::string SocketFolder(const std::string& settingsFileName);
    static QString ServerName(const std::string& settingsFileName);

    const QString& LockFileName() const { return lockFileName_; }

    static constexpr std::size_t MaxClients = 8;
    static constexpr int ClientMs = 2000;
    // While First: whether the socket is listening, and the connections held now.
    bool Listening() const { return listenFd_ >= 0; }
    std::size_t Clients() const { return clients_.size(); }

private:
    enum class TAnswer { Shown, Ending, Unreachable, Silent };
    TAnswer AskToShow(const QDeadlineTimer& deadline);
    void Listen();
    void Accept();
    void Admit(int fd);
    void Drop(QLocalSocket* socket);

    // The socket folder held open while listening, so that the name used (through
    // /proc/self/fd, which also keeps a long settings path within a socket name's length) is
    // the folder that was checked.
    struct TFolder {
        int Fd = -1;
        ~TFolder();
        QString SocketName() const;
    };
    static std::unique_ptr<TFolder> OpenSocketFolder(const std::string& folder, bool create);

    std::string settingsFileName_;
    QString lockFileName_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<TFolder> folder_; // holds the socket file while listening
    int listenFd_ = -1;
    std::unique_ptr<QSocketNotifier> acceptNotifier_;
    QTimer acceptRetry_; // accepting paused after an error resumes when it fires
    bool acceptFailing_ = false;
    std::deque<QLocalSocket*> clients_; // oldest first
    std::function<void()> showHandler_;
    bool pendingShow_ = false;
    bool ending_ = false;
};
