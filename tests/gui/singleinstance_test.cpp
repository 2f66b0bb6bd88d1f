// One widget per settings file: the lock beside the settings and the request to show.
#include "app/SingleInstance.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using TResult = TSingleInstance::TResult;

// A program holding the lock, answering on a thread (and event loop) of its own as a running
// widget would while this thread starts a second one.
class HolderThread : public QThread {
public:
    explicit HolderThread(std::string settings, bool handlerAtOnce = true)
        : settings_(std::move(settings)), handlerAtOnce_(handlerAtOnce) {
        start();
        ready_.acquire();
    }
    ~HolderThread() override { End(); }

    // The program ends: its lock and socket go with it.
    void End() {
        quit();
        wait();
    }
    void SetEnding() {
        OnHolder([](TSingleInstance& i) { i.SetEnding(); });
    }
    void SetShowHandler() {
        OnHolder([this](TSingleInstance& i) { i.SetShowHandler([this] { ++shown; }); });
    }
    // The holder's state, asked on its own thread.
    std::size_t Clients() {
        std::size_t clients = 0;
        OnHolder([&clients](TSingleInstance& i) { clients = i.Clients(); });
        return clients;
    }
    bool Listening() {
        bool listening = false;
        OnHolder([&listening](TSingleInstance& i) { listening = i.Listening(); });
        return listening;
    }

    TResult result = TResult::NoAnswer;
    std::atomic<int> shown{0};

private:
    void run() override {
        TSingleInstance instance(settings_);
        result = instance.Start();
        if (handlerAtOnce_)
            instance.SetShowHandler([this] { ++shown; });
        instance_ = &instance;
        ready_.release();
        exec();
        instance_ = nullptr;
    }
    template <class F> void OnHolder(F f) {
        QMetaObject::invokeMethod(
            instance_, [this, f] { f(*instance_); }, Qt::BlockingQueuedConnection);
    }

    std::string settings_;
    bool handlerAtOnce_;
    TSingleInstance* instance_ = nullptr;
    QSemaphore ready_;
};

// A connection to the holder's socket through the system's own calls: made before descriptors
// run out, never waiting in connect (a full queue refuses it).
class RawClient {
public:
    RawClient() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~RawClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connect(const QString& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        if (fd_ < 0 || static_cast<std::size_t>(name.size()) >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
        return ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    bool Send(std::string_view text) {
        return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }
    // What the holder sends within `ms`: "" when it closes the connection, nothing when it
    // says nothing in that time.
    std::optional<std::string> Receive(int ms) {
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, ms) != 1)
            return std::nullopt;
        char buffer[64];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }

private:
    int fd_;
};

// No new descriptor for this process while it lives: the limit (one above the highest number a
// new descriptor may take) is the lowest free number.
class NoMoreDescriptors {
public:
    NoMoreDescriptors() {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit limited = saved_;
        limited.rlim_cur = static_cast<rlim_t>(lowestFree);
        EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &limited), 0);
        EXPECT_EQ(::dup(0), -1);
    }
    ~NoMoreDescriptors() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    NoMoreDescriptors(const NoMoreDescriptors&) = delete;
    NoMoreDescriptors& operator=(const NoMoreDescriptors&) = delete;

private:
    rlimit saved_{};
};

struct SingleInstanceTest : ::testing::Test {
    TempDir dir;
    ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.Path()};
    std::string settings = dir.Path() + "/config/zomika2/zomika2.ini";

    // A lock file as a program with this id and executable name leaves it.
    void WriteLock(const std::string& settingsFile, qint64 pid, const QString& name) {
        QFile lock(QString::fromStdString(settingsFile + ".lock"));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\n" + name.toUtf8() + "\n\n");
    }
};

} // namespace

TEST_F(SingleInstanceTest, SecondStartAsksTheFirstToShowAndEnds) {
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    EXPECT_TRUE(std::filesystem::exists(settings + ".lock"));

    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 1);
    TSingleInstance third(settings);
    EXPECT_EQ(third.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 2);
}

TEST_F(SingleInstanceTest, StartsInAnotherEnvironmentFindTheFirst) {
    // su, sudo, ssh: one start with a runtime folder, one without or with another.
    struct Case {
        const char* name;
        std::optional<std::string> first;
        std::optional<std::string> second;
    };
    TempDir other;
    const std::vector<Case> cases = {
        {"first without XDG_RUNTIME_DIR", std::nullopt, dir.Path()},
        {"second without XDG_RUNTIME_DIR", dir.Path(), std::nullopt},
        {"another XDG_RUNTIME_DIR", dir.Path(), other.Path()},
        {"another TMPDIR", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<HolderThread> first;
        {
            ScopedEnv env("XDG_RUNTIME_DIR", c.first.value_or(""));
            if (!c.first)
                unsetenv("XDG_RUNTIME_DIR");
            first = std::make_unique<HolderThread>(settings);
        }
        ASSERT_EQ(first->result, TResult::First);
        ScopedEnv env("XDG_RUNTIME_DIR", c.second.value_or(""));
        if (!c.second)
            unsetenv("XDG_RUNTIME_DIR");
        ScopedEnv tmp("TMPDIR", other.Path());
        TSingleInstance second(settings);
        EXPECT_EQ(second.Start(2000), TResult::ShownOther);
        EXPECT_EQ(first->shown, 1);
    }
}

TEST_F(SingleInstanceTest, ARequestBeforeTheWidgetExistsIsKept) {
    HolderThread first(settings, false);
    ASSERT_EQ(first.result, TResult::First);
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 0);
    first.SetShowHandler();
    EXPECT_EQ(first.shown, 1);
    QTest::qWait(100);
    EXPECT_EQ(first.shown, 1);
}

TEST_F(SingleInstanceTest, OnlyTheShowRequestOfThisUserCounts) {
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    for (const QByteArray& text : {QByteArray("hello\n"), QByteArray("show"), QByteArray(100, 'x'),
                                   QByteArray("showshow\n")}) {
        QLocalSocket socket;
        socket.connectToServer(TSingleInstance::ServerName(settings));
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(text);
        ASSERT_TRUE(socket.waitForBytesWritten(1000));
        // No answer to anything but the request.
        EXPECT_FALSE(socket.waitForReadyRead(200) && socket.canReadLine()) << text.constData();
        socket.disconnectFromServer();
    }
    EXPECT_EQ(first.shown, 0);
    // The socket lies in a folder of this user's that nobody else may enter.
    struct stat folder {};
    ASSERT_EQ(::lstat(TSingleInstance::SocketFolder(settings).c_str(), &folder), 0);
    EXPECT_TRUE(S_ISDIR(folder.st_mode));
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(folder.st_uid, ::getuid());
    EXPECT_EQ(TSingleInstance::ServerName(settings).toStdString(),
              TSingleInstance::SocketFolder(settings) + "/show");
}

// A flood of silent connections: the holder keeps a few, each for a while, and still answers.
TEST_F(SingleInstanceTest, AFloodOfConnectionsIsBoundedAndTheHolderStillAnswers) {
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    std::vector<std::unique_ptr<RawClient>> flood;
    int connected = 0;
    for (int i = 0; i < 1000; ++i) {
        flood.push_back(std::make_unique<RawClient>());
        connected += flood.back()->Connect(TSingleInstance::ServerName(settings)) ? 1 : 0;
        if (i % 50 == 0)
            QThread::msleep(5); // the holder takes them as they come
    }
    EXPECT_GT(connected, 100);
    QThread::msleep(200);
    EXPECT_LE(first.Clients(), TSingleInstance::MaxClients);
    EXPECT_GT(first.Clients(), 0u);
    // The flood still open, a start is answered.
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 1);
    // A connection that says nothing is closed after its time.
    RawClient silent;
    ASSERT_TRUE(silent.Connect(TSingleInstance::ServerName(settings)));
    EXPECT_EQ(silent.Receive(TSingleInstance::ClientMs + 2000), std::string());
    EXPECT_TRUE(first.Listening());
}

// No descriptor left to accept with (the error that once closed the socket for good): the
// socket stays, and the requests that waited are answered once descriptors are free again.
TEST_F(SingleInstanceTest, AnAcceptErrorKeepsTheSocketListening) {
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    std::array<RawClient, 3> waiting;
    {
        const NoMoreDescriptors limit;
        for (RawClient& client : waiting) {
            ASSERT_TRUE(client.Connect(TSingleInstance::ServerName(settings)));
            ASSERT_TRUE(client.Send("show\n"));
        }
        // The holder tries to take them, and fails, for a while.
        QThread::msleep(600);
        EXPECT_TRUE(first.Listening());
        EXPECT_EQ(first.Clients(), 0u);
    }
    EXPECT_TRUE(std::filesystem::exists(TSingleInstance::ServerName(settings).toStdString()));
    for (RawClient& client : waiting)
        EXPECT_EQ(client.Receive(3000), std::optional<std::string>("shown\n"));
    EXPECT_EQ(first.shown, 3);
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 4);
}

TEST_F(SingleInstanceTest, ANameTakenElsewhereDoesNotStopTheUsersOwnStarts) {
    // Another user's program on the abstract name a settings path once gave: no longer used.
    const QByteArray hash =
        QCryptographicHash::hash(
            QByteArray::fromStdString(std::filesystem::weakly_canonical(settings).string()),
            QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    QLocalServer squatter;
    squatter.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    ASSERT_TRUE(squatter.listen("zomika2-" + QString::fromLatin1(hash) + "-" +
                                QString::number(::getuid())));
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 1);
}

TEST_F(SingleInstanceTest, ASocketFolderOthersCouldEnterIsClosedOrNotUsed) {
    // Opened to all by hand: the holder closes it again before it listens.
    const std::string folder = TSingleInstance::SocketFolder(settings);
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0777);
    {
        HolderThread first(settings);
        ASSERT_EQ(first.result, TResult::First);
        struct stat info {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        TSingleInstance second(settings);
        EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    }
    // A symlink in its place, to a folder anyone may write: never listened in nor asked through.
    std::filesystem::remove_all(folder);
    TempDir open;
    ::chmod(open.Path().c_str(), 0777);
    std::filesystem::create_directory_symlink(open.Path(), folder);
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    EXPECT_TRUE(std::filesystem::is_empty(open.Path()));
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(500), TResult::NoAnswer);
    EXPECT_EQ(first.shown, 0);
}

TEST_F(SingleInstanceTest, EachSettingsFileHasItsOwnWidget) {
    const std::string other = dir.Path() + "/copy/zomika2.ini";
    HolderThread first(settings);
    HolderThread copy(other);
    EXPECT_EQ(first.result, TResult::First);
    EXPECT_EQ(copy.result, TResult::First);
    EXPECT_NE(TSingleInstance::ServerName(settings), TSingleInstance::ServerName(other));
    // The same file spelt another way is the same widget.
    const std::string spelt = dir.Path() + "/copy/../config/./zomika2/zomika2.ini";
    EXPECT_EQ(TSingleInstance::ServerName(spelt), TSingleInstance::ServerName(settings));
    TSingleInstance second(spelt);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 1);
    EXPECT_EQ(copy.shown, 0);
}

TEST_F(SingleInstanceTest, ALockLeftByAnEndedProgramIsTakenOver) {
    // A program that has ended and left its lock behind.
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_GT(ended, 0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    std::filesystem::create_directories(dir.Path() + "/config/zomika2");
    WriteLock(settings, ended, QStringLiteral("zomika2"));

    HolderThread first(settings);
    EXPECT_EQ(first.result, TResult::First);
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
    EXPECT_EQ(first.shown, 1);
}

TEST_F(SingleInstanceTest, ALongRunningHolderKeepsItsLock) {
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    // The widget has run for a day.
    std::filesystem::last_write_time(
        settings + ".lock", std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(2000), TResult::ShownOther);
}

TEST_F(SingleInstanceTest, AHolderThatDoesNotAnswerIsReported) {
    struct Case {
        const char* name;
        bool listens;
    };
    for (const Case c : {Case{"not listening", false}, Case{"listening but busy", true}}) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const std::string file = folder.Path() + "/zomika2.ini";
        // A live program (this one) holds the lock; its event loop does not run while the second
        // start waits, so a socket of its takes the request and never answers.
        std::unique_ptr<TSingleInstance> busy;
        if (c.listens) {
            busy = std::make_unique<TSingleInstance>(file);
            ASSERT_EQ(busy->Start(), TResult::First);
        } else {
            WriteLock(file, QCoreApplication::applicationPid(),
                      QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        }
        TSingleInstance second(file);
        QElapsedTimer waited;
        waited.start();
        EXPECT_EQ(second.Start(300), TResult::NoAnswer);
        EXPECT_GE(waited.elapsed(), 300);
        EXPECT_LT(waited.elapsed(), 2000);
        EXPECT_TRUE(std::filesystem::exists(file + ".lock"));
    }
}

TEST_F(SingleInstanceTest, WithoutAPlaceForTheLockTheProgramRunsUnguarded) {
    TempDir other;
    other.Write("file", "x");
    TSingleInstance instance(other.Path() + "/file/zomika2/zomika2.ini");
    EXPECT_EQ(instance.Start(300), TResult::Unguarded);
}

TEST_F(SingleInstanceTest, AStartWhileTheHolderEndsWaitsAndTakesOver) {
    HolderThread first(settings);
    ASSERT_EQ(first.result, TResult::First);
    first.SetEnding();
    // The closing program shows nothing more, and ends a moment later.
    std::thread ending([&first] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        first.End();
    });
    TSingleInstance second(settings);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(second.Start(3000), TResult::First);
    EXPECT_GE(waited.elapsed(), 350);
    ending.join();
    EXPECT_EQ(first.shown, 0);
    // The new holder answers in its turn.
    TSingleInstance third(settings);
    EXPECT_EQ(third.Start(300), TResult::NoAnswer); // its loop is this blocked thread
}
