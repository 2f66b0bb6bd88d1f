// One widget per settings file: the lock beside the settings and the request to show.
#include "app/SingleInstance.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TResult = TSingleInstance::TResult;

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
    TSingleInstance first(settings);
    ASSERT_EQ(first.Start(), TResult::First);
    EXPECT_TRUE(std::filesystem::exists(settings + ".lock"));
    int shown = 0;
    first.SetShowHandler([&] { ++shown; });

    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(500), TResult::ShownOther);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == 1; }, 3000));
    TSingleInstance third(settings);
    EXPECT_EQ(third.Start(500), TResult::ShownOther);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == 2; }, 3000));
}

TEST_F(SingleInstanceTest, ARequestBeforeTheWidgetExistsIsKept) {
    TSingleInstance first(settings);
    ASSERT_EQ(first.Start(), TResult::First);
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(500), TResult::ShownOther);
    QTest::qWait(200);
    int shown = 0;
    first.SetShowHandler([&] { ++shown; });
    EXPECT_EQ(shown, 1);
    QTest::qWait(100);
    EXPECT_EQ(shown, 1);
}

TEST_F(SingleInstanceTest, OnlyTheShowRequestCounts) {
    TSingleInstance first(settings);
    ASSERT_EQ(first.Start(), TResult::First);
    int shown = 0;
    first.SetShowHandler([&] { ++shown; });
    for (const QByteArray& text : {QByteArray("hello\n"), QByteArray("show"), QByteArray(100, 'x'),
                                   QByteArray("showshow\n")}) {
        QLocalSocket socket;
        socket.connectToServer(TSingleInstance::ServerName(settings));
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(text);
        ASSERT_TRUE(socket.waitForBytesWritten(1000));
        socket.disconnectFromServer();
    }
    QTest::qWait(300);
    EXPECT_EQ(shown, 0);
}

TEST_F(SingleInstanceTest, EachSettingsFileHasItsOwnWidget) {
    const std::string other = dir.Path() + "/copy/zomika2.ini";
    TSingleInstance first(settings);
    TSingleInstance copy(other);
    EXPECT_EQ(first.Start(), TResult::First);
    EXPECT_EQ(copy.Start(), TResult::First);
    EXPECT_NE(TSingleInstance::ServerName(settings), TSingleInstance::ServerName(other));
    // The same file spelt another way is the same widget.
    const std::string spelt = dir.Path() + "/copy/../config/./zomika2/zomika2.ini";
    EXPECT_EQ(TSingleInstance::ServerName(spelt), TSingleInstance::ServerName(settings));
    EXPECT_TRUE(
        TSingleInstance::ServerName(settings).startsWith(QString::fromStdString(dir.Path())));
}

TEST_F(SingleInstanceTest, ALockLeftByAnEndedProgramIsTakenOver) {
    // A program that has ended, and what its crash left: the lock and the socket file.
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_GT(ended, 0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    std::filesystem::create_directories(dir.Path() + "/config/zomika2");
    WriteLock(settings, ended, QStringLiteral("zomika2"));
    QFile leftover(TSingleInstance::ServerName(settings));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();

    TSingleInstance first(settings);
    EXPECT_EQ(first.Start(500), TResult::First);
    int shown = 0;
    first.SetShowHandler([&] { ++shown; });
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(500), TResult::ShownOther);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == 1; }, 3000));
}

TEST_F(SingleInstanceTest, ALongRunningHolderKeepsItsLock) {
    TSingleInstance first(settings);
    ASSERT_EQ(first.Start(), TResult::First);
    // The widget has run for a day.
    std::filesystem::last_write_time(
        settings + ".lock", std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(500), TResult::ShownOther);
}

TEST_F(SingleInstanceTest, AHolderThatDoesNotAnswerIsReported) {
    std::filesystem::create_directories(dir.Path() + "/config/zomika2");
    // A live program (this one) holds the lock but does not listen.
    WriteLock(settings, QCoreApplication::applicationPid(),
              QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(300), TResult::NoAnswer);
    EXPECT_TRUE(std::filesystem::exists(settings + ".lock"));
}

TEST_F(SingleInstanceTest, WithoutAPlaceForTheLockTheProgramRunsUnguarded) {
    TempDir other;
    other.Write("file", "x");
    TSingleInstance instance(other.Path() + "/file/zomika2/zomika2.ini");
    EXPECT_EQ(instance.Start(300), TResult::Unguarded);
}

TEST_F(SingleInstanceTest, AClosingWidgetTakesNoRequestButKeepsItsLockUntilItEnds) {
    auto first = std::make_unique<TSingleInstance>(settings);
    ASSERT_EQ(first->Start(), TResult::First);
    int shown = 0;
    first->SetShowHandler([&] { ++shown; });
    first->StopListening();
    TSingleInstance second(settings);
    EXPECT_EQ(second.Start(200), TResult::NoAnswer);
    EXPECT_EQ(shown, 0);
    first.reset(); // the program has ended
    TSingleInstance third(settings);
    EXPECT_EQ(third.Start(200), TResult::First);
}
