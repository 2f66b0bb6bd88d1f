#include "app/SingleInstance.h"

#include "platform/Paths.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/socket.h>
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

// An abstract socket has no file whose rights keep other users out: each side asks the kernel
// who is at the other end.
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

TSingleInstance::~TSingleInstance() = default;

void TSingleInstance::SetEnding() {
    ending_ = true;
}

QString TSingleInstance::ServerName(const std::string& settingsFileName) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(NormalPath(settingsFileName)),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QStringLiteral("zomika2-") + QString::fromLatin1(hash) + QStringLiteral("-") +
           QString::number(::getuid());
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
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(ServerName(settingsFileName_));
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
    server_.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_.listen(ServerName(settingsFileName_)))
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
