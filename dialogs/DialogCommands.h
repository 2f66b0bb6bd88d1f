#pragma once

#include "dialogs/LocationSettingDlg.h"
#include "platform/BrowserProxy.h"
#include "weather/WeatherData.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;
class THttpClient;

// The steps of the tray commands that show a dialog or talk to the user, apart from the main
// window so that they can run against stand-ins. Each creates its dialog for one use, shows it
// modally and destroys it on every path; the caller applies what they return where the main
// window's state is concerned (saving, refreshing).
namespace dialogs {

// Location dialog on the list given by the accessors, preselected on `locationIndex`. On OK
// `locationIndex` takes the chosen entry and the result is true (even when it did not change);
// otherwise it is left alone.
bool RunLocationSetting(QWidget* owner, const std::function<int()>& count,
                        const std::function<std::string(int, int)>& field,
                        std::int32_t& locationIndex);
// The same with the places beyond the list that `sources` offers, preselected on `choice` (a list
// entry, or a place of one's own). On OK `choice` takes what was chosen and the result is true.
bool RunLocationSetting(QWidget* owner, const std::function<int()>& count,
                        const std::function<std::string(int, int)>& field, TLocationSources sources,
                        TLocationChoice& choice);

// The proxy fields as the client should take them: both non-empty gives the host and the port
// (the close check has made sure it converts), otherwise no proxy (empty host, port 0).
void ApplyProxyFields(const QString& host, const QString& port, THttpClient& http);

// Proxy dialog on the client's proxy; on OK the client takes the fields and the result is true.
// Cancel changes nothing.
bool RunProxySetting(
    QWidget* owner, THttpClient& http,
    platform::TBrowserEnvironment environment = platform::SystemBrowserEnvironment());

// What the skin dialog needs of the main window.
struct TSkinHost {
    std::function<std::string()> LoadedSkin; // file name of the loaded skin
    std::function<void(const std::string&)> LoadSkin;
    std::function<void()> DrawWeather;
    std::function<void()> UpdateTrayIcon;
};

// Loads and draws `fileName` when a file exists there and it is not the loaded skin (exact
// comparison).
void PreviewSkinFile(const TSkinHost& host, const std::string& fileName);

// Skin dialog with live preview over the skins of `skinFolders`: OK keeps the selected skin,
// any other close restores the skin loaded before (so does OK without a selected skin, which the
// dialog does not offer); the tray icon is updated after every close. Nothing is saved here. An
// error while scanning the skins propagates before anything has changed.
void RunSkinSetting(QWidget* owner, const std::vector<std::string>& skinFolders,
                    const TSkinHost& host);

// About box.
// About box; `openMeteoCredit` false names the agency alone.
void RunAbout(QWidget* owner, const QString& homePageUrl, bool openMeteoCredit = true);

// 詳しい予報 on the record as it is now (see TDetailsDialog); `openMeteoCredit` as for the about
// box: some of what is shown is the live source's.
void RunDetails(QWidget* owner, const TWeatherData& record, bool openMeteoCredit);

// The update check against the version file at `url`, reported in one of four message boxes;
// Yes opens the home page. `ownVersion` is the packed own version or -1. The two halves below,
// one after the other.
void RunUpdateCheck(QWidget* owner, THttpClient& http, const std::string& url,
                    std::int32_t ownVersion, const QString& homePageUrl);

// The packed version in the file at `url`, or -1 for any download problem or a body that is
// not a number; never throws. Touches nothing but `http`, so it may run on a thread of its own.
std::int32_t FetchRemoteVersion(THttpClient& http, const std::string& url);

// Tells the user what a check found: `remote` as FetchRemoteVersion gave it.
void ReportUpdateCheck(QWidget* owner, std::int32_t remote, std::int32_t ownVersion,
                       const QString& homePageUrl);

// The packed version of the running executable, or -1.
std::int32_t GetVersionNumber();

// Opens two addresses in the browser half a second apart, so that the browser has taken the
// first before the second arrives. Returns at once; the second opens from the event loop.
void OpenTwoPages(const QString& first, const QString& second);

} // namespace dialogs
