#pragma once

#include "app/Downloads.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "schedule/Feeds.h"
#include "schedule/Schedule.h"
#include "schedule/TrayText.h"
#include "skin/Skin.h"
#include "skin/Surface.h"
#include "weather/Forecast.h"
#include "weather/HttpClient.h"
#include "weather/LocationList.h"
#include "weather/Nowcast.h"
#include "weather/Observation.h"
#include "weather/OwnPlace.h"
#include "weather/RainNotice.h"
#include "weather/WarningNotices.h"
#include "weather/WeatherData.h"
#include "weather/jma/JmaWarnings.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A timer with the integer tag the refresh cycle keeps its counters in.
class TTimer : public QTimer {
public:
    using QTimer::QTimer;
    std::int32_t Tag = 0;
};

// Default addresses; the settings file may replace the prefixes and the update check. The page
// services have no address of their own: their commands show only once the settings name one.
inline constexpr const char* DefaultTenkiLitePrefix = "";
inline constexpr const char* DefaultYahooPrefix = "";
inline constexpr const char* DefaultOpenMeteoPrefix = "https://api.open-meteo.com/";
inline constexpr const char* DefaultGeocodingPrefix = "https://geocoding-api.open-meteo.com/";
// The settings section of the coordinates the live source has found, one key per place.
inline constexpr const char* CoordinatesSection = "Coordinates";
inline constexpr const char* DefaultJmaPrefix = "https://www.jma.go.jp/bosai/";
// The settings section of the agency's places resolved before, keyed like [Coordinates].
inline constexpr const char* JmaPlacesSection = "JmaPlaces";
// The settings section of a place outside the location list (see TOwnPlace).
inline constexpr const char* OwnPlaceSection = "Place";
// Named by the build (empty by default): without them the update check and the home page are
// not offered.
inline constexpr const char* DefaultUpdateCheckURL = PELUMI_UPDATE_CHECK_URL;
inline constexpr const char* HomePageURL = PELUMI_HOME_PAGE_URL;
inline constexpr const char* SkinFolderName = "Skin\\";
inline constexpr const char* DefaultSkinFile = "Simple\\small.ini";

// The main window: the desktop widget and the owner of everything else (record, skin, bitmap,
// location list, HTTP client, timers, tray icon, menu and commands). One instance lives from
// start-up to exit.
//
// Handlers named Act...Execute take the object that invoked them: the menu passes its action,
// the program passes nullptr to apply a state without saving the settings. Every handler may
// throw; the signal connections report what escapes in a message box and carry on.
//
// Modal dialogs opened by the program must be shown inside a TModalScope (see below) so that
// the tray's right-click menu stays closed while they are open.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // `programFolder`: where the settings, the location list and the skins are looked for;
    // empty means the executable's folder. Runs FormCreate (the first refresh included).
    explicit TMainForm(std::string programFolder = {});
    ~TMainForm() override;

    // Start-up and shutdown.
    void FormCreate();
    void FormCloseQuery();
    void FormDestroy();

    // Skin and location list.
    void LoadSkin(const std::string& path);
    void LoadLocationList(const std::string& fileName);
    std::string GetLocationField(std::int32_t index, std::int32_t field) const;
    std::int32_t GetLocationCount() const;

    // Settings.
    void LoadSettings(const std::string& path);
    void SaveSettings(const std::string& path);
    // The live source's places: hand-written Latitude/Longitude and [Coordinates].
    void LoadCoordinates(const platform::IniFile& ini);
    void SaveCoordinates(platform::IniFile& ini) const;
    // The agency's places: [JmaPlaces].
    void LoadJmaPlaces(const platform::IniFile& ini);
    void SaveJmaPlaces(platform::IniFile& ini) const;
    // A place of one's own: [Place].
    void LoadOwnPlace(const platform::IniFile& ini);
    void SaveOwnPlace(platform::IniFile& ini) const;

    // The feeds (MainFormSchedule.cpp, MainFormFeeds.cpp). Schedule decides what is asked
    // when; RunSchedule starts what it says is due, each load away from the interface thread,
    // and each result comes back through its feed's one Apply step with what it was asked for.
    //
    // ActRefreshExecute asks for every feed afresh (the refresh command, the start, another
    // place, source or proxy): a load under way for the same thing stands, any other is
    // cancelled and asked anew.
    void ActRefreshExecute(QObject* sender);
    // Starts what the schedule says is due now.
    void RunSchedule();
    // The forecast's start and apply steps. RefreshWeather shows "接続しています" and returns;
    // ApplyForecastOutcome takes what the load of `asked` gave back, or what it threw (`error`).
    void RefreshWeather();
    void ApplyForecastOutcome(const TForecastRequest& asked, TForecastOutcome outcome,
                              std::exception_ptr error);
    bool Refreshing() const { return Schedule.UnderWay(TFeed::Forecast); }
    // The checked source, and what a refresh of the selected place asks of it (throws
    // EListError when LocationIndex is outside the list).
    TSource SelectedSource() const;
    TForecastRequest CurrentForecastRequest() const;
    // The live source's coordinates of a place: those written by hand into [Option] (Latitude,
    // Longitude) for whatever place is chosen, else those found for this place before.
    std::optional<TCoordinates> CoordinatesOf(const std::string& prefecture,
                                              const std::string& municipality) const;
    // Keeps coordinates that a load looked up (in memory and in the settings file), under the
    // names of the place that was asked for. A failing save is left to the next one.
    void RememberCoordinates(const TForecastRequest& request, const TForecastOutcome& outcome);
    // The agency's place of a location entry when it was resolved before.
    std::optional<TJmaPlace> JmaPlaceOf(const std::string& prefecture,
                                        const std::string& municipality) const;
    // Keeps the agency's place that a load resolved, as RememberCoordinates does.
    void RememberJmaPlace(const TForecastRequest& request, const TForecastOutcome& outcome);
    void RememberJmaPlace(const TForecastRequest& request, const std::optional<TJmaPlace>& found);
    // The minute timer of the schedule (running in every mode but the manual one), and the
    // forecast's retry a minute after a failure.
    void Timer1Timer();
    void RetryTimerTimer();
    // The network came back (true) or went (false): a pending retry runs at once.
    void NetworkReachabilityChanged(bool online);
    // At every new hour of the computer's clock the widget and the tray are redrawn; at a new
    // day the forecast of the day before is dropped (and the schedule asks for a new one).
    // Ticks at each full minute, so a sleep over midnight counts at the next one.
    void ClockTimerTimer();
    // The clock the forecast is read by: Japan's under the agency's source, else the computer's.
    void FollowSourcesClock();
    // Shows the kept forecast of the chosen source and place when it is today's (start-up); under
    // the agency, one of another day is read again from its kept answers at today's clock.
    void RestoreKeptForecast();
    // With no forecast on show under the agency: the answers the last loads kept, read again at
    // the present clock (yesterday evening's tells today), fetched when they were. True when
    // they told anything.
    bool ShowKeptAnswers();
    // What the forecast on show was made for (ForecastKey of its request; empty for none), and
    // when it was fetched (seconds since 1970).
    const std::string& ShownForecastKey() const { return FeedState.Forecast.Key; }
    std::int64_t ShownForecastFetchedAt() const { return FeedState.Forecast.FetchedAt; }
    // The weather now: the start and apply steps. Only latest_time.txt is asked for while the
    // agency's time stands. Its result goes into Weather.Now and nowhere else.
    void RefreshNow();
    void ApplyObservationOutcome(const std::string& key, TJmaObservationOutcome outcome);
    bool RefreshingNow() const { return Schedule.UnderWay(TFeed::Now); }
    // The observation request of the chosen source and place; nothing for the page services or
    // without a valid place.
    std::optional<TObservationRequest> CurrentObservationRequest() const;
    // The forecast request when a place is chosen and the source has the feeds of its own (the
    // agency, Open-Meteo); nothing otherwise.
    std::optional<TForecastRequest> LiveForecastRequest() const;
    // The tray image of NowTemperatureIconIndex: the temperature now, drawn.
    static constexpr int NowTemperatureIconIndex = TrayNowTemperatureIcon;
    void ActServerExecute(QObject* sender);
    void ActRefreshIntervalExecute(QObject* sender);
    // The checked refresh mode.
    TRefreshMode RefreshMode() const;

    // Warnings: the start and apply steps. ApplyWarningsOutcome puts them into Weather and shows
    // a balloon for what is newly in force.
    void RefreshWarnings();
    void ApplyWarningsOutcome(const TForecastRequest& asked, TWarningsOutcome outcome,
                              std::exception_ptr error);
    bool RefreshingWarnings() const { return Schedule.UnderWay(TFeed::Warnings); }
    TForecastRequest CurrentWarningsRequest() const;
    // Sets Weather.WarningsNote ("10:40 現在") for warnings confirmed over 30 minutes ago; true
    // when it changed.
    bool UpdateWarningsNote();
    // The tray hint's warnings line (the place and the names in force); empty for none.
    std::string WarningsHintLine() const;
    // The tier of the tray image's corner mark: the most severe in force from 警報 up.
    std::optional<TWarningLevel> TrayWarningMark() const { return ::TrayWarningMark(Weather); }
    TWarningNotice WarningNoticeChoice() const;
    void SetWarningNoticeChoice(std::int32_t stored);
    void ActWarningNoticeExecute(QObject* sender);
    // Warning balloons shown since start-up.
    int WarningBalloons() const { return warningBalloons_; }

    // The rain of the next hour: the start and apply steps. The load reads at the weather now's
    // station (unless the place has coordinates of its own); its result goes into the record's
    // rain fields and nowhere else. After each load the notice decides whether the shower earns
    // its one balloon, shown while 雨の通知 is on.
    void RefreshRain();
    void ApplyRainOutcome(const TNowcastRequest& asked, const std::string& key,
                          TNowcastOutcome outcome);
    bool RefreshingRain() const { return Schedule.UnderWay(TFeed::Rain); }
    // The nowcast request of the chosen source and place; nothing for the page services or
    // without a valid place.
    std::optional<TNowcastRequest> CurrentNowcastRequest() const;
    bool RainNoticeOn() const { return ActRainNoticeOn.isChecked(); }
    void ActRainNoticeExecute(QObject* sender);
    // Rain balloons shown since start-up.
    int RainBalloons() const { return rainBalloons_; }

    // Tray display. UpdateTrayIcon shows the forecast on show, with a balloon when they are
    // chosen; without a forecast, the application's icon while nothing has failed (start-up, a
    // refresh under way) and the failure icon after a failure. After a failed refresh the hint
    // of a kept forecast says so and when the forecast was fetched (schedule/TrayText.h).
    void UpdateTrayIcon();
    // The same without a balloon: for the states between refreshes.
    void UpdateTrayState();
    // Shows a balloon (and notes it as the last one shown). One coming while an urgent one (a
    // warning's, the rain's) is up is shown joined to it (JoinBalloons) rather than wiping it
    // out: after it, or before it when the newcomer is urgent too.
    void ShowBalloon(const TBalloon& balloon);
    // The index of TrayIconIndex() that stands for the application's own icon.
    static constexpr int ApplicationIconIndex = TrayApplicationIcon;
    // The tray image of a weather phrase: 0 fine, 1 cloudy, 2 rain, 3 snow, 4 none, 6 fog.
    static int WeatherIconIndex(std::string_view phrase) { return ::WeatherIconIndex(phrase); }
    static std::string NumberText(std::int32_t value, std::string_view missing) {
        return ::NumberText(value, missing);
    }
    // "d日(ddd)": the day of the month and the locale's abbreviated weekday (Japanese names on a
    // Japanese system, otherwise those of the C library's default locale).
    static std::string FormatDayText(TDateTime date) { return ::FormatDayText(date); }
    void ActTaskTrayForecastExecute(QObject* sender);
    // The checked tray mode.
    TTrayMode TrayMode() const;
    void ActDummyExecute(QObject* sender);
    void TrayIcon1Activated(QSystemTrayIcon::ActivationReason reason);
    // Shows image `index` of ImageList1 (the first one when there is no such image), or the
    // application's icon for ApplicationIconIndex.
    void SetTrayIconIndex(int index);
    int TrayIconIndex() const { return trayIconIndex_; }
    // The hint exactly as composed (lines joined by CR LF); the tooltip shows it with LF.
    const std::string& TrayHint() const { return trayHint_; }
    void SetTrayHint(const std::string& hint);
    // The last balloon shown (title and text as composed).
    const std::string& BalloonTitle() const { return lastBalloonTitle_; }
    const std::string& BalloonText() const { return lastBalloonText_; }

    // Desktop window.
    void DrawWeather();
    bool UpdateLayeredForm();
    void ActShowWindowExecute(QObject* sender);
    void ActStayOnBottomExecute(QObject* sender);
    void ActDefaultPosExecute(QObject* sender);
    // Writes or removes the login entry as the menu's check asks; the check then shows whether
    // the entry exists (also after a failure, which throws EFileError).
    void ActAutoStartExecute(QObject* sender);
    void UpdateAutoStartCheck();
    void ActExitExecute(QObject* sender);
    void ApplicationEvents1Deactivate();
    void ApplicationEvents1ModalBegin();
    void ApplicationEvents1ModalEnd();

    // Dialogs, the update check and the web pages.
    void ActAboutExecute(QObject* sender);
    void ActDetailsExecute(QObject* sender); // 詳しい予報
    void ActProxySettingExecute(QObject* sender);
    void ActLocationSettingExecute(QObject* sender);
    // Opens the location dialog when the settings named no place (a first start); nothing
    // otherwise. Called by the program once its window is shown.
    void AskForPlaceOnFirstStart();
    // The chosen place's prefecture and municipality: those of the place of one's own, else
    // fields 1 and 2 of the list entry (which throws EListError outside the list).
    std::pair<std::string, std::string> ChosenPlaceNames() const;
    void ActSkinSettingExecute(QObject* sender);
    // Downloads away from the interface thread too; a second check while one runs is ignored.
    void ActUpdateCheckExecute(QObject* sender);
    bool CheckingForUpdate() const { return Downloads.Running(updateCheck_); }
    void ActOpenWebPageExecute(QObject* sender);
    // The live source's page for the chosen place; throws EPelumiError while its coordinates
    // are unknown.
    void OpenLiveSourcePage();
    // The agency's page of the chosen place; throws EPelumiError while the place is not
    // resolved yet.
    void OpenJmaPage();
    void PreviewSkin(const std::string& fileName);
    std::int32_t GetVersionNumber() const;

    // Shows the exception being handled in a message box (caption "エラー").
    void ReportException(std::exception_ptr error);

    std::string ProgramFolder; // with a trailing separator
    std::string SettingsFileName;
    std::string SkinFolder;
    std::string UserSkinFolder;    // skins the user installed
    std::string AutostartFileName; // the login entry
    std::string CacheFolder;       // files that can be fetched again (platform::TCache)
    std::string LocationFileName;
    std::vector<TLocationEntry> Locations;
    std::int32_t LocationIndex = 0;
    // A place outside the list; when set it is the chosen place, and LocationIndex stays for
    // the page services and for a return to the list.
    std::optional<TOwnPlace> OwnPlace;
    // The settings named no place: neither Location nor a place of one's own.
    bool PlaceMissing = false;
    std::string TenkiLitePrefix;
    std::string YahooPrefix;
    std::string OpenMeteoPrefix;
    std::string GeocodingPrefix;
    std::string JmaPrefix;
    std::optional<TCoordinates> PinnedCoordinates;        // hand-written Latitude/Longitude
    std::map<std::string, TCoordinates> KnownCoordinates; // by CoordinatesKey
    std::map<std::string, TJmaPlace> KnownJmaPlaces;      // by CoordinatesKey
    TSkin CurrentSkin;
    TWeatherData Weather;
    TBitmap WidgetBitmap;
    bool InModal = false;
    bool ChangingVisibility = false;

    // Holds the program's proxy (read and written by the settings and the proxy dialog); it makes
    // no request itself. Each download runs on a client of its own from NewHttpClient, given
    // IdHTTP1's proxy when it starts.
    std::unique_ptr<THttpClient> IdHTTP1;
    std::function<std::unique_ptr<THttpClient>()> NewHttpClient = CreateHttpClient;
    TDownloads Downloads;
    TImageList ImageList1;
    // ImageList1's images at the pixel ratios above 1 that the tray may need (2, and the tray
    // screen's own), each list as long as ImageList1 or left out.
    std::vector<TImageList> ScaledImageLists;
    QSystemTrayIcon TrayIcon1;
    // The timers of the refresh cycle; their tags show the schedule's counters (the forecast's
    // minutes left or target hour, the retries left).
    TTimer RetryTimer;
    TTimer Timer1;
    TTimer ClockTimer;
    // When each feed is asked for, and what is on show of each.
    TSchedule Schedule;
    TFeedState FeedState;

    QAction ActAbout;
    QAction ActExit;
    QAction ActRefresh;
    QAction ActOpenWebPage;
    QAction ActCurrentForecast;
    QAction ActTodayForecast;
    QAction ActTomorrowForecast;
    QAction ActNowTemperature;
    QAction ActShowBalloon;
    QAction ActTenkiJpLite;
    QAction ActYahoo;
    QAction ActOpenMeteo;
    QAction ActJma;
    QAction ActProxySetting;
    QAction ActLocationSetting;
    QAction ActIntervalManual;
    QAction ActInterval1H;
    QAction ActInterval3H;
    QAction ActInterval6H;
    QAction ActIntervalAuto;
    QAction ActShowWindow;
    QAction ActStayOnBottom;
    QAction ActFixPosition;
    QAction ActDefaultPos;
    QAction ActSkinSetting;
    QAction ActUpdateCheck;
    QAction ActAutoStart{this};
    QAction ActDetails{this};
    QAction ActWarningNoticeWarnings{this};
    QAction ActWarningNoticeAdvisories{this};
    QAction ActWarningNoticeOff{this};
    QActionGroup WarningNoticeGroup{this};
    QMenu* MenuWarningNotice = nullptr;
    QAction ActRainNoticeOn{this};
    QAction ActRainNoticeOff{this};
    QActionGroup RainNoticeGroup{this};
    QMenu* MenuRainNotice = nullptr;

    QActionGroup IntervalGroup; // group 1
    QActionGroup TrayGroup;     // group 2
    QActionGroup ServerGroup;   // group 3

    QMenu PopupMenu1;
    QMenu* MenuInterval = nullptr;
    QMenu* MenuTaskTray = nullptr;
    QMenu* MenuDesktop = nullptr;
    QMenu* MenuConnection = nullptr;

signals:
    // The window has closed for good (after the settings were saved).
    void Closed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateActions();
    void CreateMenu();
    void CreateWarningMenu();
    void CreateRainMenu();
    // The place the rain is for (its names, and the coordinates written by hand or brought by
    // a place of one's own): what a load finds never changes it.
    std::string RainPlaceKey() const;
    void AnnounceWarnings(const TForecastRequest& request, const TJmaWarnings& warnings);
    void ConnectHandlers();
    // Runs a handler; an exception that escapes it is shown and the program goes on.
    template <class F> void Guarded(F&& handler) {
        try {
            handler();
        } catch (...) {
            ReportException(std::current_exception());
        }
    }
    void LowerWindow();
    bool KeptAtBottom() const;
    std::unique_ptr<THttpClient> DownloadClient() const;
    void RefreshTrayIcon();
    void ShowTray(bool balloon);
    std::string ForecastKeyOf(TForecastRequest request) const;
    void StoreShownForecast();
    void ArmClock();
    void WatchNetwork();
    // The one path of a feed's load: asks the schedule whether `key` is to be started, starts
    // `work` away from the interface thread, and hands its outcome to `apply` on the interface
    // thread once, unless the load was cancelled or superseded meanwhile.
    // False when it started nothing: a load of the same key is under way.
    template <class Outcome, class Work, class Apply>
    bool LoadFeed(TFeed feed, const std::string& key, Work work, Apply apply);
    // The key of a load of `key`: the same thing through another proxy is another load.
    std::string ThroughProxy(const std::string& key) const;
    // The feed has nothing to ask for (no place): what is under way goes.
    void CancelFeed(TFeed feed);
    // Timer1 and RetryTimer as the schedule says.
    void SyncScheduleTimers();
    // The redraw after a feed changed the record: the widget once it has drawn, and the tray.
    void ShowFeedChange();
    // Drawing at the screen's pixel ratio.
    void LoadScaledTrayImages();
    double TrayPixelRatio() const;
    void CheckPixelRatio();

    int trayIconIndex_ = 0;
    TBitmap trayIconShown_; // the picture the tray icon was last given
    std::string trayHint_;
    std::string lastBalloonTitle_;
    std::string lastBalloonText_;
    std::optional<TBalloon> urgentBalloon_; // the last urgent balloon, up until urgentUntil_
    std::int64_t urgentUntil_ = 0;          // milliseconds of the steady clock
    int modalDepth_ = 0;
    bool pressed_ = false;  // the left button went down on the widget and is held
    QPoint pressPosition_;  // where, on the screen
    bool dragging_ = false; // moving by hand where the window manager cannot
    QPoint dragOffset_;
    std::string lastDrawError_; // shown once until a drawing succeeds again
    double drawnRatio_ = 0;     // the pixel ratio the widget was last drawn for
    bool closed_ = false;
    bool networkWatched_ = false;
    std::string cacheWriteError_; // reported once
    // The computer's day and hour at the clock's last tick.
    TDateTime clockDay_ = 0.0;
    int clockHour_ = -1;
    TDownloads::TId updateCheck_ = 0;
    // Each feed's load under way.
    std::array<TDownloads::TId, FeedCount> feedLoads_{};
    int warningBalloons_ = 0;
    TRainNotice rainNotice_;
    int rainBalloons_ = 0;
    std::string rainProblem_;            // reported once
    bool rainCurrent_ = false;           // the rain on show was of the coming hour at the last look
    std::string settingsBaseName_;       // the executable's name
    std::string sharedSettingsFileName_; // a portable copy's file a per-user one starts from
};

template <class Outcome, class Work, class Apply>
bool TMainForm::LoadFeed(TFeed feed, const std::string& key, Work work, Apply apply) {
    TDownloads::TId& id = feedLoads_[static_cast<std::size_t>(feed)];
    switch (Schedule.Begin(feed, key)) {
    case TSchedule::TBegin::LetStand:
        return false;
    case TSchedule::TBegin::Replace:
        Downloads.Cancel(id);
        break;
    case TSchedule::TBegin::Start:
        break;
    }
    try {
        id = StartDownload<Outcome>(Downloads, DownloadClient(), std::move(work),
                                    [this, feed, key, apply = std::move(apply)](
                                        Outcome&& outcome, std::exception_ptr error) {
                                        if (!Schedule.End(feed, key))
                                            return; // superseded: its result reaches nobody
                                        feedLoads_[static_cast<std::size_t>(feed)] = 0;
                                        Guarded([&] { apply(std::move(outcome), error); });
                                    });
    } catch (...) {
        Schedule.Abandon(feed);
        throw;
    }
    return true;
}

// Marks a modal dialog of the program as open for its lifetime (InModal is set while any is).
// Dialogs create one around their exec():  TModalScope modal(*mainForm); dialog.exec();
class TModalScope {
public:
    explicit TModalScope(TMainForm& form) : form_(form) { form_.ApplicationEvents1ModalBegin(); }
    ~TModalScope() { form_.ApplicationEvents1ModalEnd(); }
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;

private:
    TMainForm& form_;
};
