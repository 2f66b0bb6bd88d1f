#include "dialogs/DialogCommands.h"

#include "dialogs/AboutDlg.h"
#include "dialogs/DetailsDlg.h"
#include "dialogs/DialogCommon.h"
#include "dialogs/LocationSettingDlg.h"
#include "dialogs/ProxySettingDlg.h"
#include "dialogs/SkinSelectDlg.h"
#include "platform/Clock.h"
#include "platform/Convert.h"
#include "platform/Paths.h"
#include "platform/Version.h"
#include "platform/qt/Desktop.h"
#include "weather/HttpClient.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

namespace dialogs {

bool RunLocationSetting(QWidget* owner, const std::function<int()>& count,
                        const std::function<std::string(int, int)>& field,
                        std::int32_t& locationIndex) {
    TLocationChoice choice;
    choice.ListIndex = locationIndex;
    if (!RunLocationSetting(owner, count, field, {}, choice) || choice.ListIndex < 0)
        return false;
    locationIndex = choice.ListIndex;
    return true;
}

bool RunLocationSetting(QWidget* owner, const std::function<int()>& count,
                        const std::function<std::string(int, int)>& field, TLocationSources sources,
                        TLocationChoice& choice) {
    TLocationSettingDialog dialog(owner, count, field, std::move(sources));
    if (choice.Own)
        dialog.SelectOwnPlace(*choice.Own);
    else
        dialog.SelectLocation(choice.ListIndex);
    if (!dialog.Execute())
        return false;
    // OK is only possible with a chosen place; never store "no place".
    if (!dialog.GetChoice().Chosen())
        return false;
    choice = dialog.GetChoice();
    return true;
}

void ApplyProxyFields(const QString& host, const QString& port, THttpClient& http) {
    if (!host.isEmpty() && !port.isEmpty()) {
        http.ProxyServer = FromQt(host);
        http.ProxyPort = platform::StrToIntDef(FromQt(port), 0);
    } else {
        http.ProxyServer.clear();
        http.ProxyPort = 0;
    }
}

bool RunProxySetting(QWidget* owner, THttpClient& http, platform::TBrowserEnvironment environment) {
    TProxySettingDialog dialog(owner, std::move(environment));
    dialog.Edit1->setText(ToQt(http.ProxyServer));
    // No proxy, no port: a "0" would read as a setting.
    if (!http.ProxyServer.empty())
        dialog.Edit2->setText(QString::number(http.ProxyPort));
    if (!dialog.Execute())
        return false;
    ApplyProxyFields(dialog.Edit1->text(), dialog.Edit2->text(), http);
    return true;
}

void PreviewSkinFile(const TSkinHost& host, const std::string& fileName) {
    if (platform::FileExists(fileName) && fileName != host.LoadedSkin()) {
        host.LoadSkin(fileName);
        host.DrawWeather();
    }
}

void RunSkinSetting(QWidget* owner, const std::vector<std::string>& skinFolders,
                    const TSkinHost& host) {
    TSkinSelectDialog dialog(owner, skinFolders);
    dialog.OnPreview = [&host](const std::string& fileName) { PreviewSkinFile(host, fileName); };
    try {
        dialog.SelectSkinFile(host.LoadedSkin());
        const std::string before = host.LoadedSkin();
        const bool accepted = dialog.Execute();
        const std::string chosen = accepted ? dialog.GetSelectedSkinFile() : std::string();
        // OK needs a selected skin; without one it chooses nothing, like Cancel.
        const std::string wanted = chosen.empty() ? before : chosen;
        if (wanted != host.LoadedSkin()) {
            host.LoadSkin(wanted);
            host.DrawWeather();
        }
    } catch (...) {
        host.UpdateTrayIcon();
        throw;
    }
    host.UpdateTrayIcon();
}

void RunAbout(QWidget* owner, const QString& homePageUrl, bool openMeteoCredit) {
    TAboutDialog dialog(owner, homePageUrl);
    dialog.ShowOpenMeteoCredit(openMeteoCredit);
    dialog.Execute();
}

void RunDetails(QWidget* owner, const TWeatherData& record, bool openMeteoCredit) {
    TDetailsDialog dialog(owner, record, platform::UnixSecondsNow(), openMeteoCredit);
    dialog.Execute();
}

void RunUpdateCheck(QWidget* owner, THttpClient& http, const std::string& url,
                    std::int32_t ownVersion, const QString& homePageUrl) {
    ReportUpdateCheck(owner, FetchRemoteVersion(http, url), ownVersion, homePageUrl);
}

std::int32_t FetchRemoteVersion(THttpClient& http, const std::string& url) {
    try {
        const std::string body = http.Get(url);
        http.Disconnect();
        return platform::ParseVersionFile(body);
    } catch (...) {
        // Whatever went wrong, the user is offered the home page instead.
        return -1;
    }
}

void ReportUpdateCheck(QWidget* owner, std::int32_t remote, std::int32_t ownVersion,
                       const QString& homePageUrl) {
    const QString caption = QStringLiteral("更新の確認");
    // A build that names no home page offers none.
    const bool homePage = !homePageUrl.isEmpty();
    if (remote == -1 && !homePage) {
        platform::ShowMessageBox(owner, QStringLiteral("更新の確認に失敗しました。"), caption,
                                 platform::MsgButtons::Ok, platform::MsgIcon::Warning);
        return;
    }
    if (remote == -1) {
        if (platform::ShowMessageBox(
                owner,
                QStringLiteral(
                    "更新の確認に失敗しました。申し訳ありませんがホームページで確認をお願"
                    "いします。\n\nホームページを開きますか?"),
                caption, platform::MsgButtons::YesNo,
                platform::MsgIcon::Warning) == platform::MsgResult::Yes)
            platform::OpenUrl(homePageUrl);
        return;
    }
    if (ownVersion == -1) {
        platform::ShowMessageBox(owner,
                                 QStringLiteral("このソフトウェアのバージョン取得に失敗しました。"),
                                 caption, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
        return;
    }
    if (platform::IsNewerVersion(remote, ownVersion) && !homePage) {
        platform::ShowMessageBox(owner,
                                 QStringLiteral("新しいバージョンのソフトウェアが見つかりました。"),
                                 caption, platform::MsgButtons::Ok, platform::MsgIcon::Information);
        return;
    }
    if (platform::IsNewerVersion(remote, ownVersion)) {
        if (platform::ShowMessageBox(
                owner,
                QStringLiteral(
                    "新しいバージョンのソフトウェアが見つかりました。ホームページを開きますか?"),
                caption, platform::MsgButtons::YesNo,
                platform::MsgIcon::Information) == platform::MsgResult::Yes)
            platform::OpenUrl(homePageUrl);
        return;
    }
    platform::ShowMessageBox(owner, QStringLiteral("このソフトウェアのバージョンは最新です。"),
                             caption, platform::MsgButtons::Ok, platform::MsgIcon::Information);
}

std::int32_t GetVersionNumber() {
    return platform::PackVersionNumber(platform::OwnFileVersion());
}

void OpenTwoPages(const QString& first, const QString& second) {
    platform::OpenUrl(first);
    // Waiting on a timer rather than sleeping keeps the widget answering meanwhile.
    QTimer::singleShot(500, Qt::PreciseTimer, qApp, [second] { platform::OpenUrl(second); });
}

} // namespace dialogs
