#include "app/SingleInstance.h"

#include "platform/Paths.h"

#include <QLocalSocket>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr char kShowRequest[] = "show\n";
constexpr char kShown[] = "shown\n";
constexpr char kEnding[] = "ending\n";

std::string NormalPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path normal = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::path(path).lexically_normal().string() : normal.string();
}

// The kernel says who is at the other end; the folder's rights already keep other users out,
// this keeps them out also where the folder was made by someone else.
bool PeerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    const auto fd = static_cast<int>(socket.socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
}

} // namespace

TSingleInstance::TSingleInstance(std::string settingsFileName)
    : settingsFileName_(std::move(settingsFileName)),
      lockFileName_(QString::fromStdString(settingsFileName_ + ".lock")) {
    connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
}

TSingleInstance::~TSingleInstance() {
    // While the lock is still held, nobody else uses the folder: it goes with the socket.
    if (folder_) {
        server_.close();
        ::rmdir(SocketFolder(settingsFileName_).c_str());
        folder_.reset();
    }
}

void TSingleInstance::SetEnding() {
    ending_ = true;
}

std::string TSingleInstance::SocketFolder(const std::string& settingsFileName) {
    return NormalPath(settingsFileName) + ".instance";
}

QString TSingleInstance::ServerName(const std::string& settingsFileName) {
    return QString::fromStdString(SocketFolder(settingsFileName) + "/show");
}

TSingleInstance::TFolder::~TFolder() {
    if (Fd >= 0)
        ::close(Fd);
}

QString TSingleInstance::TFolder::SocketName() const {
    return QStringLiteral("/proc/self/fd/%1/show").arg(Fd);
}

std::unique_ptr<TSingleInstance::TFolder>
TSingleInstance::OpenSocketFolder(const std::string& folder, bool create) {
    if (create)
        ::mkdir(folder.c_str(), 0700);
    auto opened = std::make_unique<TFolder>();
    opened->Fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (opened->Fd < 0 || ::fstat(opened->Fd, &info) != 0 || info.st_uid != ::getuid())
        return nullptr;
    // The user's own folder, opened to others by hand or by an old umask: closed again.
    if ((info.st_mode & 077) != 0 && (!create || ::fchmod(opened->Fd, 0700) != 0))
        return nullptr;
    return opened;
}

TSingleInstance::TResult TSingleInstance::Start(int answerMs) {
    std::error_code ec;
    std::filesystem::create_directories(platform::ExtractFilePath(settingsFileName_), ec);
    lock_ = std::make_unique<QLockFile>(lockFileName_);
    // The widget runs for days: only a holder that has ended makes a lock stale, never its age.
    lock_->setStaleLockTime(0);
    const QDeadlineTimer deadline(answerMs);
    for (;;) {
        if (lock_->tryLock(0)) {
            Listen();
            return TResult::First;
        }
        if (lock_->error() != QLockFile::LockFailedError) {
            std::fprintf(stderr, "Pelumi: ロックファイル %s を作れません。二重起動を防げません。\n",
                         lockFileName_.toLocal8Bit().constData());
            return TResult::Unguarded;
        }
        switch (AskToShow(deadline)) {
        case TAnswer::Shown:
            return TResult::ShownOther;
        case TAnswer::Silent:
            return TResult::NoAnswer;
        case TAnswer::Ending:      // its lock goes with its process, in a moment
        case TAnswer::Unreachable: // starting and not listening yet, or ending
            break;
        }
        if (deadline.hasExpired())
            return TResult::NoAnswer;
        QThread::msleep(50);
    }
}

TSingleInstance::TAnswer TSingleInstance::AskToShow(const QDeadlineTimer& deadline) {
    const auto folder = OpenSocketFolder(SocketFolder(settingsFileName_), false);
    if (!folder)
        return TAnswer::Unreachable; // starting, not listening yet; or not this user's folder
    QLocalSocket socket;
    socket.connectToServer(folder->SocketName());
    if (!socket.waitForConnected(200) || !PeerIsThisUser(socket))
        return TAnswer::Unreachable;
    socket.write(kShowRequest);
    socket.flush();
    while (!socket.canReadLine()) {
        // A holder that ends closes the connection without a word.
        if (socket.state() != QLocalSocket::ConnectedState)
            return TAnswer::Unreachable;
        if (deadline.hasExpired())
            return TAnswer::Silent;
        socket.waitForReadyRead(
            static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, 100)));
    }
    const QByteArray answer = socket.readLine();
    return answer == kShown    ? TAnswer::Shown
           : answer == kEnding ? TAnswer::Ending
                               : TAnswer::Silent;
}

void TSingleInstance::Listen() {
    const std::string folder = SocketFolder(settingsFileName_);
    folder_ = OpenSocketFolder(folder, true);
    if (!folder_) {
        std::fprintf(stderr,
                     "Pelumi: フォルダ %s がこのユーザー専用ではないため、待ち受けられません。\n",
                     folder.c_str());
        return;
    }
    // The lock is ours: a socket left there is of a program that has ended.
    QLocalServer::removeServer(folder_->SocketName());
    if (!server_.listen(folder_->SocketName()))
        std::fprintf(stderr, "Pelumi: %s で待ち受けられません (%s)。\n",
                     ServerName(settingsFileName_).toLocal8Bit().constData(),
                     server_.errorString().toLocal8Bit().constData());
}

void TSingleInstance::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        auto read = [this, socket] {
            // A request is one short line; anything else is not ours to keep.
            if (!socket->canReadLine() && socket->bytesAvailable() > 64) {
                socket->abort();
                return;
            }
            while (socket->canReadLine()) {
                if (socket->readLine() != kShowRequest)
                    continue;
                if (ending_) {
                    socket->write(kEnding);
                } else {
                    if (showHandler_)
                        showHandler_();
                    else
                        pendingShow_ = true;
                    socket->write(kShown);
                }
                socket->flush();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        // The request may have arrived with the connection itself.
        read();
    }
}

void TSingleInstance::SetShowHandler(std::function<void()> handler) {
    showHandler_ = std::move(handler);
    if (showHandler_ && pendingShow_) {
        pendingShow_ = false;
        showHandler_();
    }
}
