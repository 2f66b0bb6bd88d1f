// Reading and writing the settings file.
#include "app/MainForm.h"

#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "weather/jma/JmaSettings.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <QGuiApplication>
#include <QScreen>

#include <filesystem>
#include <system_error>

namespace {

int MonitorCount() {
    return static_cast<int>(QGuiApplication::screens().size());
}

QSize PrimaryScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

// Index of the checked action of a list, 0 when none is checked.
int CheckedIndex(std::initializer_list<const QAction*> actions) {
    int index = 0;
    for (const QAction* action : actions) {
        if (action->isChecked())
            return index;
        ++index;
    }
    return 0;
}

} // namespace

void TMainForm::LoadSettings(const std::string& path) {
    // A per-user file that does not exist yet starts from the one beside the program.
    const std::string source =
        platform::FileExists(path) || !platform::FileExists(sharedSettingsFileName_)
            ? path
            : sharedSettingsFileName_;
    const platform::IniFile ini = platform::IniFile::Load(source);

    TenkiLitePrefix = ini.ReadString("URL", "PrefixTenkiLite", DefaultTenkiLitePrefix);
    YahooPrefix = ini.ReadString("URL", "PrefixYahoo", DefaultYahooPrefix);
    OpenMeteoPrefix = ini.ReadString("URL", "PrefixOpenMeteo", DefaultOpenMeteoPrefix);
    GeocodingPrefix = ini.ReadString("URL", "PrefixGeocoding", DefaultGeocodingPrefix);
    JmaPrefix = ini.ReadString("URL", "PrefixJma", DefaultJmaPrefix);

    LocationIndex = ini.ReadInteger("Option", "Location", 0);
    LoadOwnPlace(ini);
    PlaceMissing = !ini.Find("Option", "Location") && !OwnPlace;

    // A first start (no Server key) gets the agency's official forecast.
    switch (ini.ReadInteger("Option", "Server", 3)) {
    case 0:
        ActTenkiJpLite.setChecked(true);
        break;
    case 2:
        ActOpenMeteo.setChecked(true);
        break;
    case 3:
        ActJma.setChecked(true);
        break;
    default:
        ActYahoo.setChecked(true);
        break;
    }
    // Only commands that can work: a page service needs the address the settings give it, the
    // update check the address of its version file.
    ActTenkiJpLite.setVisible(!TenkiLitePrefix.empty());
    ActYahoo.setVisible(!YahooPrefix.empty());
    if (QAction* chosen = ServerGroup.checkedAction(); chosen && !chosen->isVisible())
        ActJma.setChecked(true);
    ActUpdateCheck.setVisible(
        !ini.ReadString("Option", "UpdateCheckURL", DefaultUpdateCheckURL).empty());
    FollowSourcesClock();
    LoadCoordinates(ini);
    LoadJmaPlaces(ini);

    QAction* const intervals[] = {&ActIntervalManual, &ActInterval1H, &ActInterval3H,
                                  &ActInterval6H, &ActIntervalAuto};
    // A first start (no key) refreshes every hour: a manual default left the forecast to age.
    const std::int32_t interval = ini.ReadInteger("Option", "RefreshInterval", 1);
    intervals[interval >= 0 && interval <= 4 ? interval : 4]->setChecked(true);
    ActRefreshIntervalExecute(nullptr);

    ActFixPosition.setChecked(ini.ReadBool("Option", "FixPos", false));

    std::int32_t top = ini.ReadInteger("Option", "Top", 5);
    std::int32_t left = ini.ReadInteger("Option", "Left", 5);
    const std::int32_t monitors = ini.ReadInteger("Option", "Monitor", 1);
    const QSize screen = PrimaryScreenSize();
    if (monitors != MonitorCount() && (screen.height() < top || screen.width() < left)) {
        top = 5;
        left = 5;
    }
    move(left, top);

    ActShowWindow.setChecked(ini.ReadBool("Option", "Showing", true));
    ActShowWindowExecute(nullptr);

    ActStayOnBottom.setChecked(ini.ReadBool("Option", "StayOnBottom", true));
    ActStayOnBottomExecute(nullptr);

    switch (ini.ReadInteger("Option", "ShowForecastOnTaskTray", 0)) {
    case 1:
        ActTodayForecast.setChecked(true);
        break;
    case 2:
        ActTomorrowForecast.setChecked(true);
        break;
    case 3:
        ActNowTemperature.setChecked(true);
        break;
    default:
        ActCurrentForecast.setChecked(true);
        break;
    }

    IdHTTP1->ProxyServer = ini.ReadString("Option", "Proxy", "");
    IdHTTP1->ProxyPort = ini.ReadInteger("Option", "ProxyPort", 0);
    if (IdHTTP1->ProxyServer.empty())
        IdHTTP1->ProxyPort = 0;

    ActShowBalloon.setChecked(ini.ReadBool("Option", "ShowBalloon", false));
    SetWarningNoticeChoice(ini.ReadInteger("Option", "WarningNotice", 0));
    (ini.ReadBool("Option", "RainNotice", true) ? ActRainNoticeOn : ActRainNoticeOff)
        .setChecked(true);

    // A skin the user installed has a key of its own, so that its path is never taken for one
    // under the shipped skins (and a program without user skins still finds "Filename").
    const std::string userSkin = ini.ReadString("Skin", "UserFilename", "");
    if (!userSkin.empty() && !UserSkinFolder.empty()) {
        const std::string path =
            platform::JoinPath(UserSkinFolder, platform::MatchFileName(UserSkinFolder, userSkin));
        if (platform::FileExists(path)) {
            LoadSkin(path);
            return;
        }
    }
    std::string skin =
        platform::MatchFileName(SkinFolder, ini.ReadString("Skin", "Filename", DefaultSkinFile));
    if (!platform::FileExists(platform::JoinPath(SkinFolder, skin)))
        skin = DefaultSkinFile;
    LoadSkin(platform::JoinPath(SkinFolder, skin));
}

void TMainForm::LoadCoordinates(const platform::IniFile& ini) {
    // Latitude and Longitude are written by hand only and pin every place to that point.
    const auto lat = ParseDegrees(ini.ReadString("Option", "Latitude", ""), 90.0);
    const auto lon = ParseDegrees(ini.ReadString("Option", "Longitude", ""), 180.0);
    PinnedCoordinates.reset();
    if (lat && lon)
        PinnedCoordinates = TCoordinates{*lat, *lon};
    KnownCoordinates.clear();
    for (const std::string& key : ini.Keys(CoordinatesSection))
        if (const auto place = ParseCoordinates(ini.ReadString(CoordinatesSection, key, "")))
            KnownCoordinates.emplace(key, *place);
}

void TMainForm::SaveCoordinates(platform::IniFile& ini) const {
    for (const auto& [key, place] : KnownCoordinates)
        ini.WriteString(CoordinatesSection, key, FormatCoordinates(place));
}

void TMainForm::LoadJmaPlaces(const platform::IniFile& ini) {
    KnownJmaPlaces.clear();
    for (const std::string& key : ini.Keys(JmaPlacesSection))
        if (auto place = ParseJmaPlace(ini.ReadString(JmaPlacesSection, key, "")))
            KnownJmaPlaces.emplace(key, std::move(*place));
}

void TMainForm::SaveJmaPlaces(platform::IniFile& ini) const {
    for (const auto& [key, place] : KnownJmaPlaces)
        ini.WriteString(JmaPlacesSection, key, FormatJmaPlace(place));
}

void TMainForm::LoadOwnPlace(const platform::IniFile& ini) {
    OwnPlace.reset();
    TOwnPlace place;
    place.Municipality = ini.ReadString(OwnPlaceSection, "Municipality", "");
    if (place.Municipality.empty())
        return;
    place.Prefecture = ini.ReadString(OwnPlaceSection, "Prefecture", "");
    place.Country = ini.ReadString(OwnPlaceSection, "Country", "");
    // A code or position that does not read is left out: the names still find the place.
    const std::string class20 = ini.ReadString(OwnPlaceSection, "Class20", "");
    if (class20.size() == 7 && class20.find_first_not_of("0123456789") == std::string::npos)
        place.Class20 = class20;
    place.Coordinates = ParseCoordinates(ini.ReadString(OwnPlaceSection, "Coordinates", ""));
    OwnPlace = std::move(place);
}

void TMainForm::SaveOwnPlace(platform::IniFile& ini) const {
    for (const char* key : {"Prefecture", "Municipality", "Class20", "Country", "Coordinates"})
        ini.DeleteKey(OwnPlaceSection, key);
    if (!OwnPlace)
        return;
    ini.WriteString(OwnPlaceSection, "Prefecture", OwnPlace->Prefecture);
    ini.WriteString(OwnPlaceSection, "Municipality", OwnPlace->Municipality);
    if (!OwnPlace->Class20.empty())
        ini.WriteString(OwnPlaceSection, "Class20", OwnPlace->Class20);
    if (!OwnPlace->Country.empty())
        ini.WriteString(OwnPlaceSection, "Country", OwnPlace->Country);
    if (OwnPlace->Coordinates)
        ini.WriteString(OwnPlaceSection, "Coordinates", FormatCoordinates(*OwnPlace->Coordinates));
}

void TMainForm::SaveSettings(const std::string& path) {
    // Start from the file as it is, so keys the program does not own survive the rewrite.
    const std::string base =
        platform::FileExists(path) || !platform::FileExists(sharedSettingsFileName_)
            ? path
            : sharedSettingsFileName_;
    platform::IniFile ini = platform::IniFile::Load(base);

    ini.WriteString("URL", "PrefixTenkiLite", TenkiLitePrefix);
    ini.WriteString("URL", "PrefixYahoo", YahooPrefix);
    ini.WriteString("URL", "PrefixOpenMeteo", OpenMeteoPrefix);
    ini.WriteString("URL", "PrefixGeocoding", GeocodingPrefix);
    ini.WriteString("URL", "PrefixJma", JmaPrefix);

    ini.WriteInteger("Option", "Location", LocationIndex);
    ini.WriteInteger("Option", "Server", static_cast<std::int32_t>(SelectedSource()));
    ini.WriteInteger("Option", "RefreshInterval",
                     CheckedIndex({&ActIntervalManual, &ActInterval1H, &ActInterval3H,
                                   &ActInterval6H, &ActIntervalAuto}));
    ini.WriteBool("Option", "FixPos", ActFixPosition.isChecked());
    ini.WriteInteger("Option", "Top", y());
    ini.WriteInteger("Option", "Left", x());
    ini.WriteInteger("Option", "Monitor", MonitorCount());
    ini.WriteBool("Option", "Showing", ActShowWindow.isChecked());
    ini.WriteBool("Option", "StayOnBottom", ActStayOnBottom.isChecked());
    ini.WriteInteger("Option", "ShowForecastOnTaskTray",
                     CheckedIndex({&ActCurrentForecast, &ActTodayForecast, &ActTomorrowForecast,
                                   &ActNowTemperature}));
    ini.WriteString("Option", "Proxy", IdHTTP1->ProxyServer);
    ini.WriteInteger("Option", "ProxyPort", IdHTTP1->ProxyPort);
    ini.WriteBool("Option", "ShowBalloon", ActShowBalloon.isChecked());
    ini.WriteInteger("Option", "WarningNotice", static_cast<std::int32_t>(WarningNoticeChoice()));
    ini.WriteBool("Option", "RainNotice", RainNoticeOn());

    SaveCoordinates(ini);
    SaveJmaPlaces(ini);
    SaveOwnPlace(ini);

    // A shipped skin goes to "Filename" as always; a user skin to "UserFilename", leaving
    // "Filename" at the last shipped one. A skin from anywhere else changes neither.
    const std::string& skin = CurrentSkin.FileName;
    auto under = [&skin](const std::string& folder) {
        return !folder.empty() && skin.compare(0, folder.size(), folder) == 0;
    };
    if (under(SkinFolder)) {
        ini.WriteString("Skin", "Filename",
                        platform::ToStoredSeparators(skin.substr(SkinFolder.size())));
        ini.DeleteKey("Skin", "UserFilename");
    } else if (under(UserSkinFolder)) {
        ini.WriteString("Skin", "UserFilename",
                        platform::ToStoredSeparators(skin.substr(UserSkinFolder.size())));
    }

    // The per-user folder may not exist yet; a failure here shows up in SaveTo.
    std::error_code ec;
    std::filesystem::create_directories(platform::ExtractFilePath(path), ec);
    ini.SaveTo(path);
}
