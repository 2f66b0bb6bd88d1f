#include "app/SingleInstance.h"

#include "platform/Paths.h"

#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr char kShowRequest[] = "show\n";
constexpr char kShown[] = "shown\n";
constexpr char kEnding[] = "ending\n";
constexpr char kSocketFile[] = "show";
// Connections waiting to be accepted; more wait in their own connect.
constexpr int kBacklog = 16;
// Connections taken in one go, so that a flood cannot hold the event loop.
constexpr int kAcceptsAtOnce = 32;
// After an accept error (out of descriptors), accepting waits this long.
constexpr int kAcceptRetryMs = 250;

std::string NormalPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path normal = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::path(path).lexically_normal().string() : normal.string();
}

// The kernel says who is at the other end; the folder's rights already keep other users out,
// this keeps them out also where the folder was made by someone else.
bool PeerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
}

} // namespace

TSingleInstance::TSingleInstance(std::string settingsFileName)
    : settingsFileName_(std::move(settingsFileName)),
      lockFileName_(QString::fromStdString(settingsFileName_ + ".lock")) {
    acceptRetry_.setSingleShot(true);
    acceptRetry_.setInterval(kAcceptRetryMs);
    connect(&acceptRetry_, &QTimer::timeout, this, [this] {
        if (acceptNotifier_)
            acceptNotifier_->setEnabled(true);
    });
}

TSingleInstance::~TSingleInstance() {
    acceptNotifier_.reset();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlinkat(folder_->Fd, kSocketFile, 0);
    }
    // While the lock is still held, nobody else uses the folder: it goes with the socket.
    if (folder_) {
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
    return QStringLiteral("/proc/self/fd/%1/%2").arg(Fd).arg(QLatin1String(kSocketFile));
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
    if (!socket.waitForConnected(200) ||
        !PeerIsThisUser(static_cast<int>(socket.socketDescriptor())))
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
    ::unlinkat(folder_->Fd, kSocketFile, 0);
    // The name goes through the folder held open ("/proc/self/fd/N/show"): always short.
    const QByteArray name = folder_->SocketName().toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(),
                std::min(sizeof address.sun_path - 1, static_cast<std::size_t>(name.size())));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, kBacklog) != 0) {
        std::fprintf(stderr, "Pelumi: %s で待ち受けられません (%s)。\n",
                     ServerName(settingsFileName_).toLocal8Bit().constData(), std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return;
    }
    listenFd_ = fd;
    acceptNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(acceptNotifier_.get(), &QSocketNotifier::activated, this, &TSingleInstance::Accept);
}

void TSingleInstance::Accept() {
    for (int taken = 0; taken < kAcceptsAtOnce; ++taken) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            acceptFailing_ = false;
            Admit(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return;
        // Out of descriptors or memory: the connection waits in the queue, the socket stays,
        // and accepting resumes in a moment (at once the notifier would fire without end).
        if (!acceptFailing_)
            std::fprintf(
                stderr, "Pelumi: 二重起動の問い合わせを受けられません (%s)。待ち受けは続けます。\n",
                std::strerror(errno));
        acceptFailing_ = true;
        acceptNotifier_->setEnabled(false);
        acceptRetry_.start();
        return;
    }
}

void TSingleInstance::Admit(int fd) {
    if (!PeerIsThisUser(fd)) {
        ::close(fd);
        return;
    }
    // The oldest makes room: a request comes with its connection and is answered at once, so
    // only a connection that says nothing stays long.
    while (clients_.size() >= MaxClients)
        Drop(clients_.front());
    auto* const socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
        ::close(fd);
        delete socket;
        return;
    }
    clients_.push_back(socket);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Drop(socket); });
    QTimer::singleShot(ClientMs, socket, [this, socket] { Drop(socket); });
    auto read = [this, socket] {
        // A request is one short line; anything else is not ours to keep.
        if (!socket->canReadLine() && socket->bytesAvailable() > 64) {
            Drop(socket);
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

void TSingleInstance::Drop(QLocalSocket* socket) {
    const auto held = std::find(clients_.begin(), clients_.end(), socket);
    if (held == clients_.end())
        return; // dropped already
    clients_.erase(held);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TSingleInstance::SetShowHandler(std::function<void()> handler) {
    showHandler_ = std::move(handler);
    if (showHandler_ && pendingShow_) {
        pendingShow_ = false;
        showHandler_();
    }
}
