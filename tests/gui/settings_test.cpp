// Reading and writing the settings file through the main window.
#include "FormFixture.h"

#include "platform/Errors.h"
#include "support/ScopedEnv.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>

namespace {

using Keys = std::map<std::string, std::string>; // "Section/Key" -> saved value

void ExpectSaved(const TestProgram& program, const Keys& keys, const std::string& context) {
    const platform::IniFile ini = program.ReadIni();
    for (const auto& [path, value] : keys) {
        const auto slash = path.find('/');
        const auto saved = ini.Find(path.substr(0, slash), path.substr(slash + 1));
        ASSERT_TRUE(saved.has_value()) << context << ": " << path << " not written";
        EXPECT_EQ(*saved, value) << context << ": " << path;
    }
}

} // namespace

TEST(Settings, FirstStartAppliesEveryDefaultAndClosingWritesEveryKey) {
    TestProgram program;
    MessageLog messages;
    auto form = program.Start();

    EXPECT_EQ(form->pos(), QPoint(5, 5));
    EXPECT_TRUE(form->ActShowWindow.isChecked());
    EXPECT_TRUE(form->ActStayOnBottom.isChecked());
    EXPECT_FALSE(form->ActFixPosition.isChecked());
    EXPECT_TRUE(form->ActJma.isChecked()); // the official forecast on a first start
    EXPECT_EQ(form->SelectedSource(), TSource::Jma);
    EXPECT_EQ(form->JmaPrefix, "https://www.jma.go.jp/bosai/");
    // Current without being asked: every hour.
    EXPECT_TRUE(form->ActInterval1H.isChecked());
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_EQ(form->Timer1.Tag, 60);
    EXPECT_TRUE(form->ActCurrentForecast.isChecked());
    EXPECT_FALSE(form->ActShowBalloon.isChecked());
    EXPECT_TRUE(form->RainNoticeOn());
    EXPECT_TRUE(form->ActRainNoticeOn.isChecked());
    EXPECT_EQ(form->IdHTTP1->ProxyServer, "");
    EXPECT_EQ(form->IdHTTP1->ProxyPort, 0);
    EXPECT_EQ(form->CurrentSkin.FileName, program.Folder() + "Skin/Simple/small.ini");
    EXPECT_EQ(form->SettingsFileName, program.IniPath());
    EXPECT_EQ(form->SkinFolder, program.Folder() + "Skin/");
    EXPECT_EQ(form->LocationFileName, program.Folder() + "urls.list");

    EXPECT_FALSE(std::filesystem::exists(program.IniPath()));
    // No command leads nowhere: the page services have no address until the settings give one,
    // and the update check only with the build's.
    EXPECT_FALSE(form->ActTenkiJpLite.isVisible());
    EXPECT_FALSE(form->ActYahoo.isVisible());
    EXPECT_TRUE(form->ActJma.isVisible());
    EXPECT_EQ(form->ActUpdateCheck.isVisible(), std::string(DefaultUpdateCheckURL) != "");
    QSignalSpy closed(form.get(), &TMainForm::Closed);
    form->close();
    EXPECT_EQ(closed.count(), 1);
    ExpectSaved(program,
                {{"URL/PrefixTenkiLite", DefaultTenkiLitePrefix},
                 {"URL/PrefixYahoo", DefaultYahooPrefix},
                 {"URL/PrefixOpenMeteo", "https://api.open-meteo.com/"},
                 {"URL/PrefixGeocoding", "https://geocoding-api.open-meteo.com/"},
                 {"URL/PrefixJma", "https://www.jma.go.jp/bosai/"},
                 {"Option/Location", "0"},
                 {"Option/Server", "3"},
                 {"Option/RefreshInterval", "1"},
                 {"Option/FixPos", "0"},
                 {"Option/Top", "5"},
                 {"Option/Left", "5"},
                 {"Option/Monitor", "1"},
                 {"Option/Showing", "1"},
                 {"Option/StayOnBottom", "1"},
                 {"Option/ShowForecastOnTaskTray", "0"},
                 {"Option/Proxy", ""},
                 {"Option/ProxyPort", "0"},
                 {"Option/ShowBalloon", "0"},
                 {"Option/RainNotice", "1"},
                 {"Skin/Filename", "Simple\\small.ini"}},
                "first start");
    // The update-check address and the hand-written coordinates are never written by the
    // program, and no place was looked up.
    EXPECT_FALSE(program.ReadIni().Find("Option", "UpdateCheckURL"));
    EXPECT_FALSE(program.ReadIni().Find("Option", "Latitude"));
    EXPECT_FALSE(program.ReadIni().HasSection("Coordinates"));
    EXPECT_FALSE(program.ReadIni().HasSection("JmaPlaces"));
}

TEST(Settings, ValuesAndFallbacksAreAppliedAndSavedBack) {
    struct Case {
        const char* name;
        std::string ini;
        std::function<void(TMainForm&)> check;
        Keys saved;
    };
    const std::vector<Case> cases = {
        {"RefreshInterval 7 selects 6/12/18 o'clock",
         "[Option]\nRefreshInterval=7\n",
         [](TMainForm& f) {
             EXPECT_TRUE(f.ActIntervalAuto.isChecked());
             EXPECT_TRUE(f.Timer1.isActive());
         },
         {{"Option/RefreshInterval", "4"}}},
        {"a negative RefreshInterval selects 6/12/18 o'clock",
         "[Option]\nRefreshInterval=-1\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActIntervalAuto.isChecked()); },
         {{"Option/RefreshInterval", "4"}}},
        {"RefreshInterval 2 is every 3 hours",
         "[option]\nrefreshinterval=2\n",
         [](TMainForm& f) {
             EXPECT_TRUE(f.ActInterval3H.isChecked());
             EXPECT_EQ(f.Timer1.Tag, 180);
         },
         {{"Option/RefreshInterval", "2"}}},
        {"a stored manual schedule stays manual",
         "[Option]\nRefreshInterval=0\n",
         [](TMainForm& f) {
             EXPECT_TRUE(f.ActIntervalManual.isChecked());
             EXPECT_FALSE(f.Timer1.isActive());
         },
         {{"Option/RefreshInterval", "0"}}},
        {"Server 5 selects Yahoo",
         "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/t/\nPrefixYahoo=http://127.0.0.1:9/y/\n"
         "[Option]\nServer=5\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActYahoo.isChecked()); },
         {{"Option/Server", "1"}}},
        {"Server -1 selects Yahoo",
         "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/t/\nPrefixYahoo=http://127.0.0.1:9/y/\n"
         "[Option]\nServer=-1\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActYahoo.isChecked()); },
         {{"Option/Server", "1"}}},
        {"Server 0 selects TenkiLite",
         "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/t/\nPrefixYahoo=http://127.0.0.1:9/y/\n"
         "[Option]\nServer=0\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActTenkiJpLite.isChecked()); },
         {{"Option/Server", "0"}}},
        {"a page service without its address starts with the agency",
         "[URL]\nPrefixYahoo=http://127.0.0.1:9/y/\n[Option]\nServer=0\n",
         [](TMainForm& f) {
             EXPECT_TRUE(f.ActJma.isChecked());
             EXPECT_FALSE(f.ActTenkiJpLite.isVisible());
             EXPECT_TRUE(f.ActYahoo.isVisible());
         },
         {{"Option/Server", "3"}}},
        {"Server 2 keeps the live source",
         "[Option]\nServer=2\n",
         [](TMainForm& f) {
             EXPECT_TRUE(f.ActOpenMeteo.isChecked());
             EXPECT_EQ(f.SelectedSource(), TSource::OpenMeteo);
         },
         {{"Option/Server", "2"}}},
        {"Server 3 selects the agency",
         "[Option]\nServer=3\n",
         [](TMainForm& f) {
             EXPECT_TRUE(f.ActJma.isChecked());
             EXPECT_EQ(f.SelectedSource(), TSource::Jma);
         },
         {{"Option/Server", "3"}}},
        {"Server 4 selects Yahoo",
         "[URL]\nPrefixTenkiLite=http://127.0.0.1:9/t/\nPrefixYahoo=http://127.0.0.1:9/y/\n"
         "[Option]\nServer=4\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActYahoo.isChecked()); },
         {{"Option/Server", "1"}}},
        {"a Server that is no number is the default, the agency",
         "[Option]\nServer=Yahoo\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActJma.isChecked()); },
         {{"Option/Server", "3"}}},
        {"RainNotice 0 turns the rain balloons off",
         "[Option]\nRainNotice=0\n",
         [](TMainForm& f) {
             EXPECT_FALSE(f.RainNoticeOn());
             EXPECT_TRUE(f.ActRainNoticeOff.isChecked());
         },
         {{"Option/RainNotice", "0"}}},
        {"the agency's prefix is kept as written",
         "[URL]\nPrefixJma=http://127.0.0.1:9/jma/\n",
         [](TMainForm& f) { EXPECT_EQ(f.JmaPrefix, "http://127.0.0.1:9/jma/"); },
         {{"URL/PrefixJma", "http://127.0.0.1:9/jma/"}}},
        {"the agency's places are read and written back; broken ones are left alone",
         "[JmaPlaces]\n東京都,府中市=130000,130010,1320600,44132,35.69167,139.75\n"
         "北海道,帯広市=014100,014030,0120700,\n北海道,伊達市=north\n"
         "[Coordinates]\n東京都,府中市=35.67,139.48\n",
         [](TMainForm& f) {
             const TJmaPlace fuchu{"130000", "130010", "1320600", "44132",
                                   TCoordinates{35.69167, 139.75}};
             const TJmaPlace obihiro{"014100", "014030", "0120700", "", std::nullopt};
             EXPECT_EQ(f.KnownJmaPlaces,
                       (std::map<std::string, TJmaPlace>{{"東京都,府中市", fuchu},
                                                         {"北海道,帯広市", obihiro}}));
             EXPECT_EQ(f.JmaPlaceOf("東京都", "府中市"), fuchu);
             EXPECT_EQ(f.JmaPlaceOf("広島県", "府中市"), std::nullopt);
             EXPECT_EQ(f.JmaPlaceOf("北海道", "伊達市"), std::nullopt);
             // The live source's coordinates are its own.
             EXPECT_EQ(f.CoordinatesOf("東京都", "府中市"), (TCoordinates{35.67, 139.48}));
         },
         {{"JmaPlaces/東京都,府中市", "130000,130010,1320600,44132,35.69167,139.75"},
          {"JmaPlaces/北海道,帯広市", "014100,014030,0120700,"},
          {"JmaPlaces/北海道,伊達市", "north"},
          {"Coordinates/東京都,府中市", "35.67,139.48"}}},
        {"the live source's prefixes are kept as written",
         "[URL]\nPrefixOpenMeteo=http://127.0.0.1:9/om/\nPrefixGeocoding=http://127.0.0.1:9/geo/\n",
         [](TMainForm& f) {
             EXPECT_EQ(f.OpenMeteoPrefix, "http://127.0.0.1:9/om/");
             EXPECT_EQ(f.GeocodingPrefix, "http://127.0.0.1:9/geo/");
         },
         {{"URL/PrefixOpenMeteo", "http://127.0.0.1:9/om/"},
          {"URL/PrefixGeocoding", "http://127.0.0.1:9/geo/"}}},
        {"found coordinates are read and written back; broken ones are left alone",
         "[Coordinates]\n東京都,府中市=35.67,139.48\n北海道,伊達市=north\n[Option]\n",
         [](TMainForm& f) {
             EXPECT_EQ(f.KnownCoordinates,
                       (std::map<std::string, TCoordinates>{{"東京都,府中市", {35.67, 139.48}}}));
             EXPECT_EQ(f.CoordinatesOf("東京都", "府中市"), (TCoordinates{35.67, 139.48}));
             EXPECT_EQ(f.CoordinatesOf("広島県", "府中市"), std::nullopt);
             EXPECT_FALSE(f.PinnedCoordinates);
         },
         {{"Coordinates/東京都,府中市", "35.67,139.48"}, {"Coordinates/北海道,伊達市", "north"}}},
        {"hand-written coordinates pin every place and stay as written",
         "[Option]\nLatitude= -33.92 "
         "\nLongitude=18.42\n[Coordinates]\n東京都,府中市=35.67,139.48\n",
         [](TMainForm& f) {
             EXPECT_EQ(f.PinnedCoordinates, (TCoordinates{-33.92, 18.42}));
             EXPECT_EQ(f.CoordinatesOf("東京都", "府中市"), (TCoordinates{-33.92, 18.42}));
             EXPECT_EQ(f.CoordinatesOf("沖縄県", "那覇市"), (TCoordinates{-33.92, 18.42}));
         },
         {{"Option/Latitude", "-33.92"}, {"Option/Longitude", "18.42"}}},
        {"half a pinned point pins nothing",
         "[Option]\nLatitude=35.6\nLongitude=east\n",
         [](TMainForm& f) { EXPECT_FALSE(f.PinnedCoordinates); },
         {{"Option/Latitude", "35.6"}, {"Option/Longitude", "east"}}},
        {"ShowForecastOnTaskTray out of range is the current slot",
         "[Option]\nShowForecastOnTaskTray=4\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActCurrentForecast.isChecked()); },
         {{"Option/ShowForecastOnTaskTray", "0"}}},
        {"the temperature now in the tray",
         "[Option]\nShowForecastOnTaskTray=3\n",
         [](TMainForm& f) { EXPECT_TRUE(f.ActNowTemperature.isChecked()); },
         {{"Option/ShowForecastOnTaskTray", "3"}}},
        {"tomorrow in the tray, balloons, fixed position",
         "[Option]\nShowForecastOnTaskTray=2\nShowBalloon=1\nFixPos=$10\n",
         [](TMainForm& f) {
             EXPECT_TRUE(f.ActTomorrowForecast.isChecked());
             EXPECT_TRUE(f.ActShowBalloon.isChecked());
             EXPECT_TRUE(f.ActFixPosition.isChecked());
         },
         {{"Option/ShowForecastOnTaskTray", "2"},
          {"Option/ShowBalloon", "1"},
          {"Option/FixPos", "1"}}},
        {"a position saved with two monitors falls back on one screen",
         "[Option]\nMonitor=2\nLeft=2500\nTop=100\n",
         [](TMainForm& f) { EXPECT_EQ(f.pos(), QPoint(5, 5)); },
         {{"Option/Left", "5"}, {"Option/Top", "5"}, {"Option/Monitor", "1"}}},
        {"a position saved with one monitor is kept wherever it lies",
         "[Option]\nMonitor=1\nLeft=2500\nTop=100\n",
         [](TMainForm& f) { EXPECT_EQ(f.pos(), QPoint(2500, 100)); },
         {{"Option/Left", "2500"}, {"Option/Top", "100"}}},
        {"two monitors but a position on the primary screen is kept",
         "[Option]\nMonitor=2\nLeft=40\nTop=30\n",
         [](TMainForm& f) { EXPECT_EQ(f.pos(), QPoint(40, 30)); },
         {{"Option/Left", "40"}, {"Option/Top", "30"}}},
        {"an empty proxy host drops its port",
         "[Option]\nProxy=\nProxyPort=8080\n",
         [](TMainForm& f) {
             EXPECT_EQ(f.IdHTTP1->ProxyServer, "");
             EXPECT_EQ(f.IdHTTP1->ProxyPort, 0);
         },
         {{"Option/Proxy", ""}, {"Option/ProxyPort", "0"}}},
        {"a proxy with a hexadecimal port",
         "[Option]\nProxy=proxy.local\nProxyPort=0x1F90\n",
         [](TMainForm& f) {
             EXPECT_EQ(f.IdHTTP1->ProxyServer, "proxy.local");
             EXPECT_EQ(f.IdHTTP1->ProxyPort, 8080);
         },
         {{"Option/Proxy", "proxy.local"}, {"Option/ProxyPort", "8080"}}},
        {"hidden, not at the bottom, a location and prefixes",
         "[URL]\nPrefixTenkiLite=\"http://127.0.0.1:9/t/\"\nPrefixYahoo=http://127.0.0.1:9/y/\n"
         "[Option]\nShowing=0\nStayOnBottom=0\nLocation=12\n",
         [](TMainForm& f) {
             EXPECT_FALSE(f.ActShowWindow.isChecked());
             EXPECT_FALSE(f.isVisible());
             EXPECT_FALSE(f.ActStayOnBottom.isChecked());
             EXPECT_EQ(f.LocationIndex, 12);
             EXPECT_EQ(f.TenkiLitePrefix, "http://127.0.0.1:9/t/");
         },
         {{"Option/Showing", "0"},
          {"Option/StayOnBottom", "0"},
          {"Option/Location", "12"},
          {"URL/PrefixTenkiLite", "http://127.0.0.1:9/t/"},
          {"URL/PrefixYahoo", "http://127.0.0.1:9/y/"}}},
        {"a skin that does not exist falls back to the default",
         "[Skin]\nFilename=Gone\\gone.ini\n",
         [](TMainForm& f) { EXPECT_EQ(f.CurrentSkin.FileName, f.SkinFolder + "Simple/small.ini"); },
         {{"Skin/Filename", "Simple\\small.ini"}}},
        {"a hand-added update-check address and foreign keys survive",
         "; comment\n[Option]\nUpdateCheckURL=http://127.0.0.1:9/v.txt\nServer=1\n"
         "[URL]\nPrefixYahoo=http://127.0.0.1:9/y/\n"
         "[Mine]\nKey=kept\n",
         [](TMainForm&) {},
         {{"Option/UpdateCheckURL", "http://127.0.0.1:9/v.txt"},
          {"Mine/Key", "kept"},
          {"Option/Server", "1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProgram program;
        MessageLog messages;
        program.WriteIni(c.ini);
        auto form = program.Start();
        c.check(*form);
        form->close();
        ExpectSaved(program, c.saved, c.name);
        // Lines the program does not own stay in the file.
        if (c.ini.rfind("; comment", 0) == 0) {
            EXPECT_EQ(program.IniText().rfind("; comment\n", 0), 0u);
        }
    }
}

TEST(Settings, ASkinNamedInOtherLetterCaseIsTheSkinOnDisk) {
    // Settings written on Windows do not mind the case of the skin's path.
    TestProgram program;
    MessageLog messages;
    program.dir.Write("urls.list", "");
    program.dir.Write("Skin/Other/Dark.ini", "[General]\n");
    program.WriteIni("[Skin]\nFilename=OTHER\\dark.INI\n");
    auto form = program.Start();
    EXPECT_EQ(form->CurrentSkin.FileName, program.Folder() + "Skin/Other/Dark.ini");
    form->close();
    EXPECT_EQ(program.ReadIni().ReadString("Skin", "Filename", ""), "Other\\Dark.ini");
}

TEST(Settings, SkinOutsideTheSkinFolderIsUsedButNotRemembered) {
    TestProgram program;
    MessageLog messages;
    program.dir.Write("Skin/Other/other.ini", "[General]\n");
    const std::string outside = program.dir.Write("elsewhere/mine.ini", "[General]\n");
    program.WriteIni("[Skin]\nFilename=Other\\other.ini\n");
    auto form = program.Start();
    EXPECT_EQ(form->CurrentSkin.FileName, program.Folder() + "Skin/Other/other.ini");
    form->LoadSkin(outside);
    EXPECT_EQ(form->CurrentSkin.FileName, outside);
    form->close();
    EXPECT_EQ(program.ReadIni().ReadString("Skin", "Filename", ""), "Other\\other.ini");
    EXPECT_TRUE(messages.entries.empty() ||
                messages.entries[0].text.find("urls.list") != std::string::npos);
}

TEST(Settings, UnwritableFileIsReportedAndTheCloseStillCompletes) {
    struct Case {
        const char* name;
        std::function<void(const TestProgram&)> block;
    };
    const std::vector<Case> cases = {
        {"the settings path is a folder",
         [](const TestProgram& p) { std::filesystem::create_directories(p.IniPath() + "/x"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProgram program;
        auto form = program.Start();
        c.block(program);
        MessageLog messages;
        // A menu command that saves raises the error to its caller...
        EXPECT_THROW(form->ActDummyExecute(&form->ActFixPosition), EFileError);
        // ...and the close reports it and completes anyway.
        QSignalSpy closed(form.get(), &TMainForm::Closed);
        form->close();
        EXPECT_EQ(closed.count(), 1);
        ASSERT_EQ(messages.entries.size(), 1u);
        EXPECT_NE(messages.entries[0].text.find("保存できません"), std::string::npos);
        EXPECT_EQ(messages.entries[0].caption, "エラー");
    }
}

TEST(Settings, UserSkinsAreKeptUnderAKeyOfTheirOwn) {
    TempDir user;
    const ScopedEnv data("XDG_DATA_HOME", user.Path());
    const std::string userSkins = user.Path() + "/zomika2/Skin/";
    user.Write("zomika2/Skin/Mine/mine.ini", "[General]\n");

    struct Case {
        const char* name;
        std::string ini;
        std::string loaded; // relative to the program folder, or "user:" + relative to userSkins
        std::string change; // a skin loaded before closing, in the same form; empty: none
        std::string filename;
        std::optional<std::string> userFilename; // nullopt: not in the file
    };
    const std::vector<Case> cases = {
        {"a user skin is loaded from the user's folder",
         "[Skin]\nFilename=Other\\other.ini\nUserFilename=Mine\\mine.ini\n", "user:Mine/mine.ini",
         "", "Other\\other.ini", "Mine\\mine.ini"},
        {"a file from before user skins: Filename is under the shipped skins",
         "[Skin]\nFilename=Mine\\mine.ini\n", "Skin/Mine/mine.ini", "", "Mine\\mine.ini",
         std::nullopt},
        {"a user skin that is gone falls back to Filename and is forgotten",
         "[Skin]\nFilename=Other\\other.ini\nUserFilename=Gone\\gone.ini\n", "Skin/Other/other.ini",
         "", "Other\\other.ini", std::nullopt},
        {"choosing a shipped skin forgets the user skin",
         "[Skin]\nFilename=Other\\other.ini\nUserFilename=Mine\\mine.ini\n", "user:Mine/mine.ini",
         "Skin/Simple/small.ini", "Simple\\small.ini", std::nullopt},
        {"choosing a user skin keeps the last shipped one in Filename",
         "[Skin]\nFilename=Other\\other.ini\n", "Skin/Other/other.ini", "user:Mine/mine.ini",
         "Other\\other.ini", "Mine\\mine.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProgram program;
        MessageLog messages;
        // A shipped skin with the same relative path as the user's: never taken for it.
        program.dir.Write("Skin/Mine/mine.ini", "[General]\n");
        program.dir.Write("Skin/Other/other.ini", "[General]\n");
        auto path = [&](const std::string& where) {
            return where.rfind("user:", 0) == 0 ? userSkins + where.substr(5)
                                                : program.Folder() + where;
        };
        program.WriteIni(c.ini);
        auto form = program.Start();
        EXPECT_EQ(form->UserSkinFolder, userSkins);
        EXPECT_EQ(form->CurrentSkin.FileName, path(c.loaded));
        if (!c.change.empty())
            form->LoadSkin(path(c.change));
        form->close();
        const platform::IniFile saved = program.ReadIni();
        EXPECT_EQ(saved.ReadString("Skin", "Filename", "(none)"), c.filename);
        EXPECT_EQ(saved.Find("Skin", "UserFilename"), c.userFilename);
    }
}

// The agency's source asks with everything it needs, and a place it resolved is written at
// once and brought along from then on.
TEST(Settings, TheAgencysPlaceIsKeptAtOnceAndAskedWith) {
    TestProgram program;
    MessageLog messages;
    program.dir.Write("urls.list", "関東,東京都,府中市,t/1,t/2,y/1,y/2\n");
    program.WriteIni("[URL]\nPrefixJma=http://127.0.0.1:9/jma/\nPrefixOpenMeteo=http://127.0.0.1:9/"
                     "om/\n[Option]\nLatitude=35.6\nLongitude=139.4\n");
    auto form = program.Start();
    TForecastRequest expected;
    expected.Source = TSource::Jma;
    expected.JmaPrefix = "http://127.0.0.1:9/jma/";
    expected.ForecastPrefix = "http://127.0.0.1:9/om/";
    expected.Prefecture = "東京都";
    expected.Municipality = "府中市";
    expected.CacheFolder = form->CacheFolder;
    EXPECT_FALSE(expected.CacheFolder.empty());
    const TForecastRequest request = form->CurrentForecastRequest();
    EXPECT_TRUE(request == expected);
    EXPECT_EQ(request.JmaPlace, std::nullopt);
    EXPECT_EQ(request.Coordinates, std::nullopt); // the pinned point is the live source's

    TForecastOutcome outcome;
    outcome.FoundJmaPlace =
        TJmaPlace{"130000", "130010", "1320600", "44132", TCoordinates{35.69167, 139.75}};
    form->RememberJmaPlace(request, outcome);
    EXPECT_EQ(program.ReadIni().ReadString("JmaPlaces", "東京都,府中市", ""),
              "130000,130010,1320600,44132,35.69167,139.75");
    expected.JmaPlace = outcome.FoundJmaPlace;
    EXPECT_TRUE(form->CurrentForecastRequest() == expected);

    // An outcome without a place changes nothing; the next start brings the place along.
    form->RememberJmaPlace(request, TForecastOutcome{});
    EXPECT_EQ(form->KnownJmaPlaces.size(), 1u);
    form->close();
    auto again = program.Start();
    EXPECT_EQ(again->CurrentForecastRequest().JmaPlace, outcome.FoundJmaPlace);
}
