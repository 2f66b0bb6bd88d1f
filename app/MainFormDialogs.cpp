// The tray commands that show a dialog or reach the web outside the refresh cycle.
#include "app/MainForm.h"

#include "dialogs/DialogCommands.h"
#include "dialogs/DialogCommon.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/qt/Desktop.h"
#include "weather/jma/JmaAreas.h"
#include "weather/jma/JmaSettings.h"
#include "weather/openmeteo/OpenMeteo.h"

namespace {

// The skin dialog's view of the main window.
dialogs::TSkinHost SkinHost(TMainForm& form) {
    return {[&form] { return form.CurrentSkin.FileName; },
            [&form](const std::string& path) { form.LoadSkin(path); },
            [&form] { form.DrawWeather(); }, [&form] { form.UpdateTrayIcon(); }};
}

} // namespace

void TMainForm::ActAboutExecute(QObject*) {
    TModalScope modal(*this);
    // Under the agency's source Open-Meteo is named only while its slots are shown.
    const bool openMeteoShown = SelectedSource() != TSource::Jma || !Weather.PointSource.empty();
    dialogs::RunAbout(this, QString::fromUtf8(HomePageURL), openMeteoShown);
}

void TMainForm::ActDetailsExecute(QObject*) {
    TModalScope modal(*this);
    dialogs::RunDetails(this, Weather,
                        SelectedSource() != TSource::Jma || !Weather.PointSource.empty());
}

void TMainForm::ActProxySettingExecute(QObject*) {
    bool accepted = false;
    {
        TModalScope modal(*this);
        accepted = dialogs::RunProxySetting(this, *IdHTTP1);
    }
    if (!accepted)
        return;
    SaveSettings(SettingsFileName);
    ActRefreshExecute(nullptr);
}

void TMainForm::ActLocationSettingExecute(QObject*) {
    TLocationSources sources;
    switch (SelectedSource()) {
    case TSource::Jma:
        sources.Kind = TPlaceKind::Agency;
        break;
    case TSource::OpenMeteo:
        sources.Kind = TPlaceKind::World;
        break;
    default:
        sources.Kind = TPlaceKind::List; // the table still lends the list its readings
        break;
    }
    // The dialog reads the kept table itself, off the interface thread.
    sources.CacheFolder = CacheFolder;
    sources.FetchMunicipalities = [this](std::function<void(std::vector<TJmaMunicipality>)> done) {
        StartDownload<std::vector<TJmaMunicipality>>(
            Downloads, DownloadClient(),
            [prefix = JmaPrefix, cache = CacheFolder](THttpClient& http) {
                return DownloadJmaMunicipalities(http, prefix, cache);
            },
            [done = std::move(done)](std::vector<TJmaMunicipality> table, std::exception_ptr) {
                done(std::move(table));
            });
    };
    sources.Geocode = [this](const std::string& text, TLocationSources::TGeocodeDone done) {
        using TFound = std::optional<std::vector<TGeocodedPlace>>;
        StartDownload<TFound>(
            Downloads, DownloadClient(),
            [url = OpenMeteoSearchUrl(GeocodingPrefix, text)](THttpClient& http) {
                const std::string answer = http.Get(url);
                http.Disconnect();
                return ReadGeocodedPlaces(answer);
            },
            [done = std::move(done)](TFound found, std::exception_ptr error) {
                done(error ? TFound() : std::move(found));
            });
    };
    TLocationChoice choice;
    choice.ListIndex = LocationIndex;
    choice.Own = OwnPlace;
    bool accepted = false;
    {
        TModalScope modal(*this);
        accepted = dialogs::RunLocationSetting(
            this, [this] { return GetLocationCount(); },
            [this](int index, int field) { return GetLocationField(index, field); },
            std::move(sources), choice);
    }
    if (!accepted)
        return;
    // A list entry chosen again is the list's; the choice reaches the settings file with the
    // next save.
    if (choice.Own) {
        OwnPlace = choice.Own;
    } else {
        LocationIndex = choice.ListIndex;
        OwnPlace.reset();
    }
    PlaceMissing = false;
    FollowSourcesClock(); // a place abroad under Open-Meteo keeps the computer's clock
    ActRefreshExecute(nullptr);
}

void TMainForm::AskForPlaceOnFirstStart() {
    if (!PlaceMissing)
        return;
    PlaceMissing = false;
    ActLocationSettingExecute(nullptr);
    // Asked once: the place (or the default kept by キャンセル) is written now.
    try {
        SaveSettings(SettingsFileName);
    } catch (const std::exception&) {
        // the save on closing reports it
    }
}

void TMainForm::ActSkinSettingExecute(QObject*) {
    TModalScope modal(*this);
    const dialogs::TSkinHost host = SkinHost(*this);
    dialogs::RunSkinSetting(this, {SkinFolder, UserSkinFolder}, host);
}

void TMainForm::PreviewSkin(const std::string& fileName) {
    const dialogs::TSkinHost host = SkinHost(*this);
    dialogs::PreviewSkinFile(host, fileName);
}

void TMainForm::ActUpdateCheckExecute(QObject*) {
    // One answer per question: a second click while the first check runs adds nothing.
    if (CheckingForUpdate())
        return;
    // Read anew at every check, so a key added by hand works without a restart.
    const std::string url = platform::IniFile::Load(SettingsFileName)
                                .ReadString("Option", "UpdateCheckURL", DefaultUpdateCheckURL);
    updateCheck_ = StartDownload<std::int32_t>(
        Downloads, DownloadClient(),
        [url](THttpClient& http) { return dialogs::FetchRemoteVersion(http, url); },
        [this](std::int32_t remote, std::exception_ptr) {
            Guarded([&] {
                TModalScope modal(*this);
                dialogs::ReportUpdateCheck(this, remote, GetVersionNumber(),
                                           QString::fromUtf8(HomePageURL));
            });
        });
}

std::int32_t TMainForm::GetVersionNumber() const {
    return dialogs::GetVersionNumber();
}

void TMainForm::ActOpenWebPageExecute(QObject*) {
    if (SelectedSource() == TSource::OpenMeteo) {
        OpenLiveSourcePage();
        return;
    }
    if (SelectedSource() == TSource::Jma) {
        OpenJmaPage();
        return;
    }
    // An invalid location index throws here, before anything is opened.
    const bool tenkiLite = ActTenkiJpLite.isChecked();
    const std::string& prefix = tenkiLite ? TenkiLitePrefix : YahooPrefix;
    const int first = tenkiLite ? 3 : 5;
    const std::string page1 = prefix + GetLocationField(LocationIndex, first);
    const std::string page2 = prefix + GetLocationField(LocationIndex, first + 1);
    dialogs::OpenTwoPages(dialogs::ToQt(page1), dialogs::ToQt(page2));
}

void TMainForm::OpenLiveSourcePage() {
    // The service's page needs the place's coordinates; the first refresh finds them.
    const auto [prefecture, municipality] = ChosenPlaceNames();
    const auto place = CoordinatesOf(prefecture, municipality);
    if (!place)
        throw EPelumiError("「" + prefecture + " " + municipality +
                           "」の位置がまだ分かりません。先に最新の状態に更新してください。");
    platform::OpenUrl(dialogs::ToQt(OpenMeteoWebPageUrl(*place)));
}

void TMainForm::OpenJmaPage() {
    // A municipality chosen from the agency's table names its page itself.
    if (OwnPlace && !OwnPlace->Class20.empty()) {
        platform::OpenUrl(dialogs::ToQt(JmaWebPageUrl(OwnPlace->Class20)));
        return;
    }
    // The page is the municipality's; the first refresh resolves which one that is.
    const auto [prefecture, municipality] = ChosenPlaceNames();
    const auto place = JmaPlaceOf(prefecture, municipality);
    if (!place)
        throw EPelumiError("「" + prefecture + " " + municipality +
                           "」の予報区がまだ分かりません。先に最新の状態に更新してください。");
    platform::OpenUrl(dialogs::ToQt(JmaWebPageUrl(place->Class20)));
}
