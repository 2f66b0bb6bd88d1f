// Termination signals: the program closes as the exit command does, after its dialogs have ended
// as Cancel.
#include "FormFixture.h"
#include "ModalScript.h"

#include "app/Application.h"
#include "dialogs/ProxySettingDlg.h"
#include "dialogs/SkinSelectDlg.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace {

// Catches the three signals for the life of the object, as the program does, and gives the
// previous handlers back afterwards.
class SignalScope {
public:
    explicit SignalScope(QWidget* target) {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            ::sigaction(kSignals[i], nullptr, &saved_[i]);
        // The program installs its handler once; later scopes put it back themselves.
        static const struct sigaction ours = [] {
            CloseOnTerminationSignals();
            struct sigaction action {};
            ::sigaction(SIGTERM, nullptr, &action);
            return action;
        }();
        for (const int sig : kSignals)
            ::sigaction(sig, &ours, nullptr);
        SetTerminationTarget(target);
    }
    ~SignalScope() {
        SetTerminationTarget(nullptr);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            ::sigaction(kSignals[i], &saved_[i], nullptr);
        QuietMessageBoxes(); // a signal sends message boxes to standard error for good
    }
    SignalScope(const SignalScope&) = delete;
    SignalScope& operator=(const SignalScope&) = delete;

    static constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

private:
    std::array<struct sigaction, 3> saved_{};
};

// Ends whatever modal dialog is still open after `ms`, so that a dialog the signal failed to end
// fails the test instead of hanging it.
void FailSafe(int ms) {
    QTimer::singleShot(ms, [] {
        while (QWidget* modal = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "a dialog is still open after the signal";
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->QDialog::done(QDialog::Rejected);
            else
                modal->hide();
        }
    });
}

class TerminationSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.dir.Write("urls.list", "");
        other = program.dir.Write("Skin/Other/other.ini", "[General]\nSkinName=Other\n");
        form = program.Start();
        QObject::connect(form.get(), &TMainForm::Closed, [this] { closed = true; });
        ASSERT_EQ(form->CurrentSkin.FileName, program.Folder() + "Skin/Simple/small.ini");
    }

    // Runs `command` with `script` on its dialog; the script raises `sig` and the dialog and
    // the window must then close by themselves.
    void RunThenSignal(int sig, const std::function<void(QDialog*)>& script,
                       const std::function<void()>& command) {
        SignalScope scope(form.get());
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            script(dialog);
            ::raise(sig);
        });
        FailSafe(3000);
        command();
        EXPECT_TRUE(QTest::qWaitFor([this] { return closed; }, 3000));
    }

    TestProgram program;
    MessageLog messages;
    std::string other;
    std::unique_ptr<TMainForm> form;
    bool closed = false;
};

} // namespace

TEST_F(TerminationSignalTest, DuringASkinPreviewTheSkinBeforeIsKept) {
    for (const int sig : SignalScope::kSignals) {
        SCOPED_TRACE(sig);
        closed = false;
        std::string previewed;
        RunThenSignal(
            sig,
            [&](QDialog* d) {
                OpenDialog<TSkinSelectDialog>(d)->SelectSkinFile(other);
                previewed = form->CurrentSkin.FileName;
            },
            [&] { form->ActSkinSettingExecute(&form->ActSkinSetting); });
        EXPECT_EQ(previewed, other);
        EXPECT_EQ(form->CurrentSkin.FileName, program.Folder() + "Skin/Simple/small.ini");
        EXPECT_EQ(program.ReadIni().ReadString("Skin", "Filename", ""), "Simple\\small.ini");
        EXPECT_FALSE(form->InModal);
    }
}

TEST_F(TerminationSignalTest, TheHandlerLeavesErrnoAsItWas) {
    // The code a signal interrupts may be about to read errno. Signals enough to fill the pipe
    // to the event loop make the handler's own write fail.
    SignalScope scope(form.get());
    for (int i = 0; i < 5000; ++i) {
        errno = EDOM;
        ::raise(SIGHUP);
        ASSERT_EQ(errno, EDOM) << "after signal " << i;
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return closed; }, 3000));
}

TEST_F(TerminationSignalTest, EveryOpenDialogEndsAsCancel) {
    // A dialog over the skin dialog, and a proxy dialog whose port would keep it open: both go.
    bool innerEnded = false;
    RunThenSignal(
        SIGTERM,
        [&](QDialog* d) {
            OpenDialog<TSkinSelectDialog>(d)->SelectSkinFile(other);
            QDialog inner(d);
            QTimer::singleShot(0, [] { ::raise(SIGHUP); });
            inner.exec();
            innerEnded = true;
            EXPECT_EQ(inner.result(), QDialog::Rejected);
        },
        [&] { form->ActSkinSettingExecute(&form->ActSkinSetting); });
    EXPECT_TRUE(innerEnded);
    EXPECT_EQ(program.ReadIni().ReadString("Skin", "Filename", ""), "Simple\\small.ini");

    auto again = program.Start();
    form = std::move(again);
    closed = false;
    QObject::connect(form.get(), &TMainForm::Closed, [this] { closed = true; });
    RunThenSignal(
        SIGINT,
        [](QDialog* d) {
            auto* dialog = OpenDialog<TProxySettingDialog>(d);
            dialog->Edit1->setText("proxy.local");
            dialog->Edit2->setText("no port");
        },
        [&] { form->ActProxySettingExecute(&form->ActProxySetting); });
    EXPECT_EQ(form->IdHTTP1->ProxyServer, "");
    EXPECT_EQ(program.ReadIni().ReadString("Option", "Proxy", "?"), "");
}
