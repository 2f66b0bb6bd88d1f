#include "dialogs/DialogCommands.h"
#include "dialogs/ProxySettingDlg.h"
#include "platform/qt/Desktop.h"
#include "weather/HttpClient.h"

#include "ModalScript.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

class TNoHttp : public THttpClient {
public:
    std::string Get(const std::string&) override { return std::string(); }
};

platform::TBrowserEnvironment Env(std::map<std::string, std::string> vars,
                                  std::string desktopBrowser) {
    platform::TBrowserEnvironment env;
    env.GetEnv = [vars](const std::string& name) -> std::optional<std::string> {
        auto it = vars.find(name);
        if (it == vars.end())
            return std::nullopt;
        return it->second;
    };
    env.RunCommand = [desktopBrowser](const std::vector<std::string>&) {
        return std::optional<std::string>(desktopBrowser);
    };
    return env;
}

enum class ClosePath { Ok, CancelButton, Escape, CloseBox };

void TryClose(TProxySettingDialog* dialog, ClosePath path) {
    switch (path) {
    case ClosePath::Ok:
        dialog->Button1->click();
        break;
    case ClosePath::CancelButton:
        dialog->Button2->click();
        break;
    case ClosePath::Escape:
        QTest::keyClick(dialog->Edit1, Qt::Key_Escape);
        break;
    case ClosePath::CloseBox:
        dialog->close();
        break;
    }
}

} // namespace

TEST(ProxySettingDialog, LayoutAndKeyboard) {
    TProxySettingDialog dialog(nullptr, Env({}, ""));
    EXPECT_EQ(dialog.windowTitle(), "プロキシの設定");
    EXPECT_EQ(dialog.size(), QSize(386, 106));
    EXPECT_EQ(dialog.Edit2->text(), "");
    EXPECT_EQ(dialog.Label1->buddy(), dialog.Edit1);
    EXPECT_EQ(dialog.Label2->buddy(), dialog.Edit2);
    EXPECT_FALSE(dialog.Edit2->testAttribute(Qt::WA_InputMethodEnabled));
    // Only digits reach the port field from the keyboard.
    dialog.Edit2->clear();
    QTest::keyClicks(dialog.Edit2, "8a0-8.0x");
    EXPECT_EQ(dialog.Edit2->text(), "8080");
    QTest::keyClick(dialog.Edit2, Qt::Key_Backspace);
    EXPECT_EQ(dialog.Edit2->text(), "808");
}

TEST(ProxySettingDialog, CloseCheckOnEveryWayOut) {
    struct Case {
        const char* port;
        bool closes;
    };
    const Case cases[] = {
        {"", true},
        {"0", true},
        {"8080", true},
        {"70000", true},
        {"-1", false},
        {"abc", false},
        {"80;https=p.example:443", false},
    };
    for (const Case& c : cases) {
        for (const ClosePath path :
             {ClosePath::Ok, ClosePath::CancelButton, ClosePath::Escape, ClosePath::CloseBox}) {
            TProxySettingDialog dialog(nullptr, Env({}, ""));
            dialog.show();
            dialog.Edit1->setFocus();
            dialog.Edit2->setText(c.port);
            TryClose(&dialog, path);
            EXPECT_EQ(dialog.isVisible(), !c.closes) << c.port << " path " << int(path);
            if (!c.closes) {
                EXPECT_EQ(dialog.focusWidget(), dialog.Edit2);
                EXPECT_EQ(dialog.Edit2->selectedText(), c.port);
                dialog.QDialog::done(QDialog::Rejected);
            }
        }
    }
}

// Without a proxy the port is empty, not "0"; with one it is the proxy's.
TEST(ProxySettingDialog, PortShownOnlyWithAProxy) {
    const std::pair<std::string, const char*> cases[] = {{"", ""}, {"old.example", "3128"}};
    for (const auto& [server, port] : cases) {
        TNoHttp http;
        http.ProxyServer = server;
        http.ProxyPort = server.empty() ? 0 : 3128;
        WhenModal([port](QDialog* d) {
            auto* dialog = OpenDialog<TProxySettingDialog>(d);
            EXPECT_EQ(dialog->Edit2->text(), port);
            dialog->Button2->click();
        });
        EXPECT_FALSE(dialogs::RunProxySetting(nullptr, http, Env({}, "")));
    }
}

TEST(ProxySettingDialog, PerProtocolSystemProxyBlocksCancelUntilCorrected) {
    TNoHttp http;
    http.ProxyServer = "old.example";
    http.ProxyPort = 3128;
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TProxySettingDialog>(d);
        EXPECT_EQ(dialog->Edit1->text(), "old.example");
        EXPECT_EQ(dialog->Edit2->text(), "3128");
        dialog->Button3->click();
        EXPECT_EQ(dialog->Edit1->text(), "http=p.example");
        EXPECT_EQ(dialog->Edit2->text(), "80;https=p.example:443");
        dialog->Button2->click();
        ASSERT_TRUE(dialog->isVisible());
        // The selected port is typed over.
        QTest::keyClicks(dialog->Edit2, "8080");
        EXPECT_EQ(dialog->Edit2->text(), "8080");
        dialog->Button2->click();
    });
    EXPECT_FALSE(dialogs::RunProxySetting(
        nullptr, http, Env({{"http_proxy", "http=p.example:80;https=p.example:443"}}, "")));
    // Cancel after a detection leaves the client alone.
    EXPECT_EQ(http.ProxyServer, "old.example");
    EXPECT_EQ(http.ProxyPort, 3128);
}

TEST(ProxySettingDialog, OkAppliesWhatTheBrowserSays) {
    struct Case {
        const char* name;
        std::string profiles;
        std::string prefs; // written to the profile that the list names last
        std::map<std::string, std::string> vars;
        std::string browser;
        std::string server;
        std::int32_t port;
    };
    const std::string hostLine = "user_pref(\"network.proxy.http\", \"fx.example\");\n";
    const Case cases[] = {
        {"two Firefox profiles, no IsRelative",
         "[Profile0]\nPath=a\n[Profile1]\nPath=b\n",
         hostLine + "user_pref(\"network.proxy.http_port\", 8118);\n",
         {},
         "firefox.desktop\n",
         "fx.example",
         8118},
        {"host line without a port line turns the proxy off",
         "[Profile0]\nPath=b\n",
         hostLine,
         {},
         "firefox.desktop\n",
         "",
         0},
        {"system proxy",
         "",
         "",
         {{"http_proxy", "http://sys.example:8080/"}},
         "chromium.desktop",
         "sys.example",
         8080},
        {"system proxy without a port",
         "",
         "",
         {{"http_proxy", "http://sys.example"}},
         "",
         "sys.example",
         80},
        {"system proxy disabled", "", "", {{"http_proxy", ""}}, "", "", 0},
        {"nothing found keeps the fields", "", "", {}, "", "old.example", 3128},
    };
    for (const Case& c : cases) {
        TempDir home;
        if (!c.profiles.empty()) {
            home.Write(".mozilla/firefox/profiles.ini", c.profiles);
            home.Write(".mozilla/firefox/a/prefs.js",
                       "user_pref(\"network.proxy.http\", \"a\");\n");
            home.Write(".mozilla/firefox/b/prefs.js", c.prefs);
        }
        auto vars = c.vars;
        vars["HOME"] = home.Path();
        TNoHttp http;
        http.ProxyServer = "old.example";
        http.ProxyPort = 3128;
        WhenModal([](QDialog* d) {
            auto* dialog = OpenDialog<TProxySettingDialog>(d);
            QTest::mouseClick(dialog->Button3, Qt::LeftButton);
            QTest::keyClick(dialog->Edit1, Qt::Key_Return);
        });
        EXPECT_TRUE(dialogs::RunProxySetting(nullptr, http, Env(vars, c.browser))) << c.name;
        EXPECT_EQ(http.ProxyServer, c.server) << c.name;
        EXPECT_EQ(http.ProxyPort, c.port) << c.name;
    }
}

TEST(ProxySettingDialog, ApplyingTheFields) {
    struct Case {
        QString host, port;
        std::string server;
        std::int32_t value;
    };
    const Case cases[] = {
        {"proxy.example", "70000", "proxy.example", 70000},
        {"", "8080", "", 0}, // an empty host turns the proxy off
        {"proxy.example", "", "", 0},
    };
    for (const Case& c : cases) {
        TNoHttp http;
        http.ProxyServer = "x";
        http.ProxyPort = 1;
        dialogs::ApplyProxyFields(c.host, c.port, http);
        EXPECT_EQ(http.ProxyServer, c.server);
        EXPECT_EQ(http.ProxyPort, c.value);
    }
}

TEST(ProxySettingDialog, ReadErrorIsShownAndTheDialogStaysOpen) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempDir home;
    home.Write(".mozilla/firefox/profiles.ini", "Path=p\n");
    const std::string prefs = home.Write(".mozilla/firefox/p/prefs.js", "x");
    chmod(prefs.c_str(), 0);
    QString shown;
    platform::SetMessageBoxHandler(
        [&](const QString& text, const QString&, platform::MsgButtons, platform::MsgIcon icon) {
            EXPECT_EQ(icon, platform::MsgIcon::Error);
            shown = text;
            return platform::MsgResult::Ok;
        });
    TProxySettingDialog dialog(nullptr, Env({{"HOME", home.Path()}}, "firefox"));
    dialog.show();
    dialog.Button3->click();
    QuietMessageBoxes();
    EXPECT_TRUE(shown.contains("prefs.js"));
    EXPECT_TRUE(dialog.isVisible());
}
