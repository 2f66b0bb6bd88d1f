#include "app/SingleInstance.h"

#include "platform/Paths.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

constexpr char kShowRequest[] = "show\n";

std::string NormalPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path normal = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::path(path).lexically_normal().string() : normal.string();
}

} // namespace

TSingleInstance::TSingleInstance(std::string settingsFileName)
    : settingsFileName_(std::move(settingsFileName)),
      lockFileName_(QString::fromStdString(settingsFileName_ + ".lock")) {
    connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
}

TSingleInstance::~TSingleInstance() {
    StopListening();
}

void TSingleInstance::StopListening() {
    server_.close();
}

QString TSingleInstance::ServerName(const std::string& settingsFileName) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(NormalPath(settingsFileName)),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString name = QStringLiteral("zomika2-") + QString::fromLatin1(hash);
    // The runtime folder is the user's own; the temporary folder is shared, so the user's id
    // keeps two users' widgets apart there.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && *runtime == '/' && platform::DirectoryExists(runtime))
        return QDir(QString::fromLocal8Bit(runtime)).filePath(name);
    return name + QStringLiteral("-") + QString::number(::getuid());
}

TSingleInstance::TResult TSingleInstance::Start(int answerMs) {
    std::error_code ec;
    std::filesystem::create_directories(platform::ExtractFilePath(settingsFileName_), ec);
    lock_ = std::make_unique<QLockFile>(lockFileName_);
    // The widget runs for days: only a holder that has ended makes a lock stale, never its age.
    lock_->setStaleLockTime(0);
    // Two rounds: a holder that ends between our try and its answer leaves the lock to us.
    for (int round = 0; round < 2; ++round) {
        if (lock_->tryLock(0)) {
            Listen();
            return TResult::First;
        }
        if (lock_->error() != QLockFile::LockFailedError) {
            std::fprintf(stderr, "Pelumi: ロックファイル %s を作れません。二重起動を防げません。\n",
                         lockFileName_.toLocal8Bit().constData());
            return TResult::Unguarded;
        }
        if (AskToShow(answerMs))
            return TResult::ShownOther;
    }
    return TResult::NoAnswer;
}

bool TSingleInstance::AskToShow(int answerMs) {
    const QString name = ServerName(settingsFileName_);
    const QDeadlineTimer deadline(answerMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(200)) {
            socket.write(kShowRequest);
            const bool sent = socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            if (sent)
                return true;
        }
        // The holder may have taken the lock a moment ago and not listen yet.
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}

void TSingleInstance::Listen() {
    const QString name = ServerName(settingsFileName_);
    // Holding the lock, a socket file of that name can only be left from a crash.
    QLocalServer::removeServer(name);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name))
        std::fprintf(stderr, "Pelumi: %s で待ち受けられません (%s)。\n",
                     name.toLocal8Bit().constData(),
                     server_.errorString().toLocal8Bit().constData());
}

void TSingleInstance::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        auto read = [this, socket] {
            // A request is one short line; anything else is not ours to keep.
            if (!socket->canReadLine() && socket->bytesAvailable() > 64) {
                socket->abort();
                return;
            }
            while (socket->canReadLine()) {
                if (socket->readLine() == kShowRequest) {
                    if (showHandler_)
                        showHandler_();
                    else
                        pendingShow_ = true;
                }
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
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
