// The main window's dialog commands, update check and web pages, with a stand-in HTTP client.
#include "FormFixture.h"
#include "ModalScript.h"

#include "dialogs/LocationSettingDlg.h"
#include "dialogs/ProxySettingDlg.h"
#include "dialogs/SkinSelectDlg.h"
#include "platform/Errors.h"
#include "support/SampleService.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

namespace {

// What every client of one test was asked, in order, and the proxy each client had.
struct TRequestLog {
    std::mutex mutex;
    std::vector<std::string> requests;
    std::vector<std::string> proxies;
};

// Answers the version file with a current version and fails every other request.
class TRecordingHttp : public THttpClient {
public:
    explicit TRecordingHttp(TRequestLog& log) : log_(log) {}
    std::string Get(const std::string& url) override {
        {
            const std::lock_guard lock(log_.mutex);
            log_.requests.push_back(url);
            log_.proxies.push_back(ProxyServer + ":" + std::to_string(ProxyPort));
        }
        if (url.find("version") == std::string::npos)
            throw EHttpError("接続できません");
        return "33556226";
    }

private:
    TRequestLog& log_;
};

class MainFormDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.dir.Write("urls.list", "地方,県,市,t/1,t/2,y/1,y/2\n"
                                       "地方,県,町,t/3,t/4,y/3,y/4\n");
        program.WriteIni(
            "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/lite/\n"
            "PrefixYahoo=http://127.0.0.1:9/weather/jp/\n"
            "PrefixOpenMeteo=http://127.0.0.1:9/\nPrefixGeocoding=http://127.0.0.1:9/\n"
            "[Option]\nServer=0\n");
        form = program.Start();
        form->NewHttpClient = [this] { return std::make_unique<TRecordingHttp>(log); };
    }
    void Settle() { TestProgram::Settle(*form); }

    TestProgram program;
    MessageLog messages;
    TRequestLog log;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(MainFormDialogsTest, UpdateCheckReadsItsAddressAnewAtEveryCheck) {
    form->ActUpdateCheckExecute(&form->ActUpdateCheck);
    Settle();
    auto ini = program.ReadIni();
    ini.WriteString("Option", "UpdateCheckURL", "http://127.0.0.1:9/my/version.txt");
    ini.SaveTo(program.IniPath());
    form->ActUpdateCheckExecute(&form->ActUpdateCheck);
    Settle();
    EXPECT_EQ(log.requests, std::vector<std::string>(
                                {DefaultUpdateCheckURL, "http://127.0.0.1:9/my/version.txt"}));
    ASSERT_EQ(messages.entries.size(), 2u);
    EXPECT_EQ(messages.entries[1].text, "このソフトウェアのバージョンは最新です。");
    EXPECT_EQ(messages.entries[1].caption, "更新の確認");
    EXPECT_EQ(form->GetVersionNumber(), 33556226);
}

TEST_F(MainFormDialogsTest, MessageBoxesAndDialogsAreModal) {
    std::vector<bool> inModal;
    platform::SetMessageBoxHandler(
        [&](const QString&, const QString&, platform::MsgButtons, platform::MsgIcon) {
            inModal.push_back(form->InModal);
            return platform::MsgResult::No;
        });
    form->ActUpdateCheckExecute(&form->ActUpdateCheck);
    Settle();
    QuietMessageBoxes();
    WhenModal([&](QDialog* d) {
        inModal.push_back(form->InModal);
        d->reject();
    });
    form->ActLocationSettingExecute(&form->ActLocationSetting);
    EXPECT_EQ(inModal, std::vector<bool>({true, true}));
    EXPECT_FALSE(form->InModal);
}

TEST_F(MainFormDialogsTest, OpenWebPageOpensTheSelectedSourcesPages) {
    struct Case {
        bool yahoo;
        QStringList expected;
    };
    const Case cases[] = {
        {false, {"http://127.0.0.1:9/lite/t/3", "http://127.0.0.1:9/lite/t/4"}},
        {true, {"http://127.0.0.1:9/weather/jp/y/3", "http://127.0.0.1:9/weather/jp/y/4"}},
    };
    form->LocationIndex = 1;
    for (const Case& c : cases) {
        (c.yahoo ? form->ActYahoo : form->ActTenkiJpLite).setChecked(true);
        QStringList opened;
        platform::SetOpenUrlHandler([&](const QString& url) { opened << url; });
        form->ActOpenWebPageExecute(&form->ActOpenWebPage);
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() == 2; }, 5000));
        platform::SetOpenUrlHandler(nullptr);
        EXPECT_EQ(opened, c.expected);
    }
    // An index that names no entry raises before anything is opened.
    form->LocationIndex = 7;
    QStringList opened;
    platform::SetOpenUrlHandler([&](const QString& url) { opened << url; });
    EXPECT_THROW(form->ActOpenWebPageExecute(&form->ActOpenWebPage), EListError);
    platform::SetOpenUrlHandler(nullptr);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(MainFormDialogsTest, OpenWebPageOfTheLiveSourceShowsThePlacesPoint) {
    form->ActOpenMeteo.setChecked(true);
    form->LocationIndex = 1;
    QStringList opened;
    platform::SetOpenUrlHandler([&](const QString& url) { opened << url; });
    // Not looked up yet: the command says so and opens nothing.
    EXPECT_THROW(
        {
            try {
                form->ActOpenWebPageExecute(&form->ActOpenWebPage);
            } catch (const EPelumiError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "「県 町」の位置がまだ分かりません。先に最新の状態に更新してください。");
                throw;
            }
        },
        EPelumiError);
    EXPECT_TRUE(opened.isEmpty());

    form->KnownCoordinates["県,市"] = {35.1, 139.2};
    form->KnownCoordinates["県,町"] = {34.5, 135.25};
    form->ActOpenWebPageExecute(&form->ActOpenWebPage);
    form->PinnedCoordinates = TCoordinates{-33.92, 18.42};
    form->ActOpenWebPageExecute(&form->ActOpenWebPage);
    platform::SetOpenUrlHandler(nullptr);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(
        opened[0].startsWith("https://open-meteo.com/en/docs?latitude=34.5&longitude=135.25&"))
        << opened[0].toStdString();
    EXPECT_TRUE(
        opened[1].startsWith("https://open-meteo.com/en/docs?latitude=-33.92&longitude=18.42&"))
        << opened[1].toStdString();
}

TEST_F(MainFormDialogsTest, OpenWebPageOfTheAgencyShowsThePlacesOwnPage) {
    form->ActJma.setChecked(true);
    form->LocationIndex = 1;
    QStringList opened;
    platform::SetOpenUrlHandler([&](const QString& url) { opened << url; });
    // Not resolved yet: the command says so and opens nothing, whatever the live source knows.
    form->KnownCoordinates["県,町"] = {34.5, 135.25};
    EXPECT_THROW(
        {
            try {
                form->ActOpenWebPageExecute(&form->ActOpenWebPage);
            } catch (const EPelumiError& e) {
                EXPECT_EQ(
                    std::string(e.what()),
                    "「県 町」の予報区がまだ分かりません。先に最新の状態に更新してください。");
                throw;
            }
        },
        EPelumiError);
    EXPECT_TRUE(opened.isEmpty());

    form->KnownJmaPlaces["県,市"] = {"130000", "130010", "1310100", "44132", std::nullopt};
    form->KnownJmaPlaces["県,町"] = {"130000", "130010", "1320600", "44132", std::nullopt};
    form->ActOpenWebPageExecute(&form->ActOpenWebPage);
    platform::SetOpenUrlHandler(nullptr);
    EXPECT_EQ(opened, QStringList{"https://www.jma.go.jp/bosai/forecast/"
                                  "#area_type=class20s&area_code=1320600"});
}

TEST_F(MainFormDialogsTest, LocationOkRefreshesAtOnceCancelDoesNothing) {
    form->LocationIndex = 100;
    WhenModal([](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    form->ActLocationSettingExecute(&form->ActLocationSetting);
    Settle();
    EXPECT_EQ(form->LocationIndex, 100);
    EXPECT_TRUE(log.requests.empty());

    WhenModal([](QDialog* d) { OpenDialog<TLocationSettingDialog>(d)->Button1->click(); });
    form->ActLocationSettingExecute(&form->ActLocationSetting);
    Settle();
    EXPECT_EQ(form->LocationIndex, 1);
    ASSERT_FALSE(log.requests.empty());
    EXPECT_NE(log.requests[0].find("t/3"), std::string::npos);
}

TEST_F(MainFormDialogsTest, ProxyOkSavesAndRefreshesCancelChangesNothing) {
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TProxySettingDialog>(d);
        dialog->Edit1->setText("proxy.local");
        dialog->Edit2->setText("8080");
        dialog->Button2->click();
    });
    form->ActProxySettingExecute(&form->ActProxySetting);
    Settle();
    EXPECT_EQ(form->IdHTTP1->ProxyServer, "");
    EXPECT_TRUE(log.requests.empty());
    EXPECT_FALSE(program.ReadIni().Find("Option", "Proxy").has_value());

    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TProxySettingDialog>(d);
        dialog->Edit1->setText("proxy.local");
        dialog->Edit2->setText("8080");
        dialog->Button1->click();
    });
    form->ActProxySettingExecute(&form->ActProxySetting);
    Settle();
    EXPECT_EQ(form->IdHTTP1->ProxyServer, "proxy.local");
    EXPECT_EQ(form->IdHTTP1->ProxyPort, 8080);
    EXPECT_EQ(program.ReadIni().ReadString("Option", "Proxy", ""), "proxy.local");
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "ProxyPort", 0), 8080);
    // The refresh that followed went through the new proxy.
    ASSERT_FALSE(log.proxies.empty());
    EXPECT_EQ(log.proxies, std::vector<std::string>(log.proxies.size(), "proxy.local:8080"));
}

TEST(UpdateCheckAgainstTheSampleService, RealDownloads) {
    struct Case {
        std::vector<std::string> options;
        std::string path;
        std::string expected;
    };
    // The home page is offered only when the build names one.
    const bool home = std::string(HomePageURL) != "";
    const Case cases[] = {
        {{}, "version.txt", "このソフトウェアのバージョンは最新です。"},
        {{"--version-number", "33556480"},
         "version.txt",
         home ? "新しいバージョンのソフトウェアが見つかりました。ホームページを開きますか?"
              : "新しいバージョンのソフトウェアが見つかりました。"},
        // The service's error page for an unknown address.
        {{},
         "no/such/version.txt",
         home ? "更新の確認に失敗しました。申し訳ありませんがホームページで確認をお願いします。\n\n"
                "ホームページを開きますか?"
              : "更新の確認に失敗しました。"},
    };
    for (const Case& c : cases) {
        SampleService service(c.options);
        TestProgram program;
        program.WriteIni("[URL]\nPrefixTenkiLite=" + service.TenkiLitePrefix() +
                         "\nPrefixYahoo=" + service.YahooPrefix() +
                         "\n[Option]\nUpdateCheckURL=" + service.BaseUrl() + c.path + "\n");
        MessageLog messages;
        auto form = program.Start();
        messages.entries.clear();
        form->ActUpdateCheckExecute(&form->ActUpdateCheck);
        TestProgram::Settle(*form);
        ASSERT_EQ(messages.entries.size(), 1u) << c.path;
        EXPECT_EQ(messages.entries[0].text, c.expected);
    }
}

TEST_F(MainFormDialogsTest, SkinPreviewCancelRestoresAndOkKeeps) {
    const std::string loaded = form->CurrentSkin.FileName;
    ASSERT_EQ(loaded, program.Folder() + "Skin/Simple/small.ini");
    const std::string other = program.dir.Write("Skin/Other/other.ini", "[General]\nSkinName=B\n");
    for (const bool ok : {false, true}) {
        std::vector<std::string> seen;
        WhenModal([&](QDialog* d) {
            auto* dialog = OpenDialog<TSkinSelectDialog>(d);
            EXPECT_EQ(dialog->GetSelectedSkinFile(), loaded);
            dialog->SelectSkinFile(other);
            seen.push_back(form->CurrentSkin.FileName); // previewed at once
            (ok ? dialog->Button2 : dialog->Button1)->click();
        });
        form->ActSkinSettingExecute(&form->ActSkinSetting);
        EXPECT_EQ(seen, std::vector<std::string>({other}));
        EXPECT_EQ(form->CurrentSkin.FileName, ok ? other : loaded);
    }
}

TEST_F(MainFormDialogsTest, PlaceAndSkinOkLeaveTheSettingsFileAlone) {
    const std::string other = program.dir.Write("Skin/Other/other.ini", "[General]\nSkinName=B\n");
    std::filesystem::remove(program.IniPath());
    WhenModal([](QDialog* d) {
        auto* dialog = OpenDialog<TLocationSettingDialog>(d);
        dialog->ListBox3->setCurrentRow(1);
        dialog->Button1->click();
    });
    form->ActLocationSettingExecute(&form->ActLocationSetting);
    WhenModal([&](QDialog* d) {
        auto* dialog = OpenDialog<TSkinSelectDialog>(d);
        dialog->SelectSkinFile(other);
        dialog->Button2->click();
    });
    form->ActSkinSettingExecute(&form->ActSkinSetting);
    ASSERT_EQ(form->LocationIndex, 1);
    ASSERT_EQ(form->CurrentSkin.FileName, other);
    EXPECT_FALSE(std::filesystem::exists(program.IniPath()));

    // Both reach the file with the next save.
    form->SaveSettings(form->SettingsFileName);
    EXPECT_EQ(program.ReadIni().ReadInteger("Option", "Location", -1), 1);
    EXPECT_EQ(program.ReadIni().ReadString("Skin", "Filename", ""), "Other\\other.ini");
}
