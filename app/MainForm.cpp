#include "app/MainForm.h"

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Layout.h"
#include "platform/Paths.h"
#include "platform/qt/Desktop.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>

#include <tuple>

// The icons live in this static library; its resources must be registered by hand.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The image list's design-time content: one placeholder icon.
void LoadPlaceholderTrayImage(TImageList& list) {
    const QImage image = QImage(QStringLiteral(":/pelumi/tray.png"))
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    list.Images.clear();
    TBitmap bitmap(list.Width, list.Height);
    if (image.width() == list.Width && image.height() == list.Height) {
        for (int y = 0; y < list.Height; ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            std::copy(line, line + list.Width, bitmap.Scanline(y));
        }
    }
    list.Images.push_back(std::move(bitmap));
}

} // namespace

TMainForm::TMainForm(std::string programFolder)
    : ActAbout(this), ActExit(this), ActRefresh(this), ActOpenWebPage(this),
      ActCurrentForecast(this), ActTodayForecast(this), ActTomorrowForecast(this),
      ActNowTemperature(this), ActShowBalloon(this), ActTenkiJpLite(this), ActYahoo(this),
      ActOpenMeteo(this), ActJma(this), ActProxySetting(this), ActLocationSetting(this),
      ActIntervalManual(this), ActInterval1H(this), ActInterval3H(this), ActInterval6H(this),
      ActIntervalAuto(this), ActShowWindow(this), ActStayOnBottom(this), ActFixPosition(this),
      ActDefaultPos(this), ActSkinSetting(this), ActUpdateCheck(this), IntervalGroup(this),
      TrayGroup(this), ServerGroup(this) {
    std::string baseName = "zomika2";
    if (programFolder.empty()) {
        const std::string exe = platform::ExecutablePath();
        programFolder = platform::ExtractFilePath(exe);
        baseName = platform::SettingsBaseName(exe);
    }
    InitResources();
    ProgramFolder = platform::IncludeTrailingSeparator(programFolder);
    settingsBaseName_ = baseName;

    setWindowTitle(QStringLiteral("Pelumi"));
    // No frame, no task-bar entry, per-pixel alpha.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);

    RetryTimer.setInterval(60000);
    Timer1.setInterval(60000);

    LoadPlaceholderTrayImage(ImageList1);
    CreateActions();
    CreateMenu();
    ConnectHandlers();

    Guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm() {
    FormDestroy();
    // The clock follows the window's source only while the window lives.
    platform::SetClockZone(platform::ClockZone::Computer);
}

void TMainForm::CreateActions() {
    struct Spec {
        QAction* action;
        const char* caption;
        const char* hint;
        QActionGroup* group;
        bool autoCheck;
    };
    const Spec specs[] = {
        {&ActAbout, "バージョン情報(&V)...", "", nullptr, false},
        {&ActExit, "終了(&X)", "終了", nullptr, false},
        {&ActRefresh, "最新の状態に更新(&R)", "最新の状態に更新", nullptr, false},
        {&ActOpenWebPage, "Webページを開く(&W)...", "", nullptr, false},
        {&ActCurrentForecast, "現在の天気(&C)", "", &TrayGroup, true},
        {&ActTodayForecast, "今日の予報(&T)", "", &TrayGroup, true},
        {&ActTomorrowForecast, "明日の予報(&O)", "", &TrayGroup, true},
        {&ActNowTemperature, "現在の気温(&N)", "", &TrayGroup, true},
        {&ActShowBalloon, "バルーンを表示(&B)", "", nullptr, true},
        {&ActTenkiJpLite, "TenkiLite(&T)", "TenkiLite", &ServerGroup, true},
        {&ActYahoo, "Yahoo天気 (&Y)", "Yahoo天気", &ServerGroup, true},
        {&ActOpenMeteo, "Open-Meteo(&O)", "Open-Meteo", &ServerGroup, true},
        {&ActJma, "気象庁(&J)", "気象庁", &ServerGroup, true},
        {&ActProxySetting, "プロキシの設定(&P)...", "", nullptr, false},
        {&ActLocationSetting, "地域の設定(&L)...", "", nullptr, false},
        {&ActIntervalManual, "手動で更新(&M)", "", &IntervalGroup, true},
        {&ActInterval1H, "1時間ごと(&1)", "", &IntervalGroup, true},
        {&ActInterval3H, "3時間ごと(&3)", "", &IntervalGroup, true},
        {&ActInterval6H, "6時間ごと(&6)", "", &IntervalGroup, true},
        {&ActIntervalAuto, "6/12/18時(&A)", "", &IntervalGroup, true},
        {&ActShowWindow, "表示/非表示(&S)", "", nullptr, true},
        {&ActStayOnBottom, "最背面に表示(&B)", "", nullptr, true},
        {&ActFixPosition, "位置を固定(&F)", "", nullptr, true},
        {&ActDefaultPos, "標準の位置に戻す(&D)", "", nullptr, false},
        {&ActAutoStart, "ログイン時に起動(&O)", "", nullptr, true},
        {&ActSkinSetting, "デザインの変更(&K)...", "", nullptr, false},
        {&ActUpdateCheck, "更新を確認(&U)...", "", nullptr, false},
        {&ActDetails, "詳しい予報(&I)...", "", nullptr, false},
    };
    for (const Spec& s : specs) {
        s.action->setText(QString::fromUtf8(s.caption));
        s.action->setStatusTip(QString::fromUtf8(s.hint));
        s.action->setCheckable(s.autoCheck);
        if (s.group)
            s.group->addAction(s.action);
    }
    for (QActionGroup* group : {&IntervalGroup, &TrayGroup, &ServerGroup})
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    // Checked in the form's design; the settings decide at start-up.
    ActYahoo.setChecked(true);
}

void TMainForm::CreateMenu() {
    PopupMenu1.addAction(&ActDetails);
    PopupMenu1.addAction(&ActRefresh);
    PopupMenu1.addAction(&ActOpenWebPage);
    PopupMenu1.addSeparator();
    MenuInterval = PopupMenu1.addMenu(QStringLiteral("自動更新(&A)"));
    for (QAction* a :
         {&ActIntervalManual, &ActInterval1H, &ActInterval3H, &ActInterval6H, &ActIntervalAuto})
        MenuInterval->addAction(a);
    MenuTaskTray = PopupMenu1.addMenu(QStringLiteral("タスクトレイ表示(&S)"));
    MenuTaskTray->addAction(&ActCurrentForecast);
    MenuTaskTray->addAction(&ActTodayForecast);
    MenuTaskTray->addAction(&ActTomorrowForecast);
    MenuTaskTray->addAction(&ActNowTemperature);
    MenuTaskTray->addSeparator();
    MenuTaskTray->addAction(&ActShowBalloon);
    CreateWarningMenu();
    CreateRainMenu();
    MenuDesktop = PopupMenu1.addMenu(QStringLiteral("デスクトップ表示(&D)"));
    MenuDesktop->addAction(&ActShowWindow);
    MenuDesktop->addAction(&ActStayOnBottom);
    MenuDesktop->addAction(&ActFixPosition);
    MenuDesktop->addSeparator();
    MenuDesktop->addAction(&ActSkinSetting);
    MenuDesktop->addSeparator();
    MenuDesktop->addAction(&ActDefaultPos);
    MenuDesktop->addSeparator();
    MenuDesktop->addAction(&ActAutoStart);
    PopupMenu1.addSeparator();
    MenuConnection = PopupMenu1.addMenu(QStringLiteral("接続設定(&C)"));
    MenuConnection->addAction(&ActTenkiJpLite);
    MenuConnection->addAction(&ActYahoo);
    MenuConnection->addAction(&ActOpenMeteo);
    MenuConnection->addAction(&ActJma);
    MenuConnection->addSeparator();
    MenuConnection->addAction(&ActProxySetting);
    PopupMenu1.addAction(&ActLocationSetting);
    PopupMenu1.addSeparator();
    PopupMenu1.addAction(&ActUpdateCheck);
    PopupMenu1.addAction(&ActAbout);
    PopupMenu1.addSeparator();
    PopupMenu1.addAction(&ActExit);
}

void TMainForm::ConnectHandlers() {
    using Handler = void (TMainForm::*)(QObject*);
    const std::pair<QAction*, Handler> table[] = {
        {&ActAbout, &TMainForm::ActAboutExecute},
        {&ActExit, &TMainForm::ActExitExecute},
        {&ActRefresh, &TMainForm::ActRefreshExecute},
        {&ActOpenWebPage, &TMainForm::ActOpenWebPageExecute},
        {&ActCurrentForecast, &TMainForm::ActTaskTrayForecastExecute},
        {&ActTodayForecast, &TMainForm::ActTaskTrayForecastExecute},
        {&ActTomorrowForecast, &TMainForm::ActTaskTrayForecastExecute},
        {&ActNowTemperature, &TMainForm::ActTaskTrayForecastExecute},
        {&ActShowBalloon, &TMainForm::ActDummyExecute},
        {&ActTenkiJpLite, &TMainForm::ActServerExecute},
        {&ActYahoo, &TMainForm::ActServerExecute},
        {&ActOpenMeteo, &TMainForm::ActServerExecute},
        {&ActJma, &TMainForm::ActServerExecute},
        {&ActProxySetting, &TMainForm::ActProxySettingExecute},
        {&ActLocationSetting, &TMainForm::ActLocationSettingExecute},
        {&ActIntervalManual, &TMainForm::ActRefreshIntervalExecute},
        {&ActInterval1H, &TMainForm::ActRefreshIntervalExecute},
        {&ActInterval3H, &TMainForm::ActRefreshIntervalExecute},
        {&ActInterval6H, &TMainForm::ActRefreshIntervalExecute},
        {&ActIntervalAuto, &TMainForm::ActRefreshIntervalExecute},
        {&ActShowWindow, &TMainForm::ActShowWindowExecute},
        {&ActStayOnBottom, &TMainForm::ActStayOnBottomExecute},
        {&ActFixPosition, &TMainForm::ActDummyExecute},
        {&ActDefaultPos, &TMainForm::ActDefaultPosExecute},
        {&ActAutoStart, &TMainForm::ActAutoStartExecute},
        {&ActSkinSetting, &TMainForm::ActSkinSettingExecute},
        {&ActUpdateCheck, &TMainForm::ActUpdateCheckExecute},
        {&ActDetails, &TMainForm::ActDetailsExecute},
    };
    for (const auto& [action, handler] : table) {
        connect(action, &QAction::triggered, this,
                [this, action, handler] { Guarded([&] { (this->*handler)(action); }); });
    }
    // The entry may be added or removed outside the program.
    connect(MenuDesktop, &QMenu::aboutToShow, this,
            [this] { Guarded([this] { UpdateAutoStartCheck(); }); });
    connect(&RetryTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { RetryTimerTimer(); }); });
    connect(&Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
    connect(&ClockTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { ClockTimerTimer(); }); });
    connect(&TrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                Guarded([&] { TrayIcon1Activated(reason); });
            });
    // Clicks on the tray icon that Qt takes for double-clicks (see eventFilter).
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive)
            Guarded([this] { ApplicationEvents1Deactivate(); });
    });
}

void TMainForm::FormCreate() {
    // 1-2: no task-bar entry (window flags above); no size until the first drawing.
    resize(0, 0);
    // 3: the files of the program's layout (beside it, or installed) and the user's own.
    const platform::TProgramLayout layout =
        platform::ResolveLayout(ProgramFolder, settingsBaseName_, platform::CurrentUserFolders());
    LocationFileName = layout.DataFolder + "urls.list";
    sharedSettingsFileName_ = layout.SeedSettingsFileName;
    SettingsFileName = layout.SettingsFileName;
    SkinFolder = platform::JoinPath(layout.DataFolder, SkinFolderName);
    UserSkinFolder = layout.UserSkinFolder;
    AutostartFileName = layout.AutostartFileName;
    CacheFolder = layout.CacheFolder;
    UpdateAutoStartCheck();
    // 4.
    ChangingVisibility = false;
    LocationIndex = 0;
    InModal = false;
    const platform::LocalDateTime now = platform::LocalNow();
    clockDay_ = EncodeDate(now.Year, now.Month, now.Day);
    clockHour_ = now.Hour;
    ArmClock();
    // 5.
    Locations.clear();
    Weather.Clear();
    WidgetBitmap = TBitmap();
    IdHTTP1 = CreateHttpClient();
    // 6: no forecast yet, so no weather picture either.
    SetTrayHint("Pelumi");
    SetTrayIconIndex(ApplicationIconIndex);
    TrayIcon1.setVisible(true);
    // 7-9.
    LoadSettings(SettingsFileName);
    LoadLocationList(LocationFileName);
    // The kept forecast, and the weather now kept with it, stay on show while every feed is
    // asked for afresh.
    RestoreKeptForecast();
    ActRefreshExecute(nullptr);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        // Transfers stop at once; their threads are joined when the window is destroyed.
        Downloads.CancelAll();
        for (const TFeedLine& line : FeedLines)
            Schedule.Abandon(line.Feed);
        FormCloseQuery();
        closed_ = true;
        RetryTimer.stop();
        Timer1.stop();
        ClockTimer.stop();
        TrayIcon1.hide();
        PopupMenu1.close();
    }
    event->accept();
    emit Closed();
}

void TMainForm::FormCloseQuery() {
    // The window is never made topmost here, so there is no z-order to give back first.
    try {
        SaveSettings(SettingsFileName);
    } catch (...) {
        // The user's way out must not be blocked by a settings file that cannot be written.
        ReportException(std::current_exception());
    }
}

void TMainForm::FormDestroy() {
    Locations.clear();
    Locations.shrink_to_fit();
    WidgetBitmap = TBitmap();
    Weather.Clear();
}

void TMainForm::ActExitExecute(QObject*) {
    close();
}

void TMainForm::LoadSkin(const std::string& path) {
    if (!platform::FileExists(path)) {
        TModalScope modal(*this);
        platform::ShowMessageBox(this, Q("スキンファイルが見つかりません。\n\n" + path),
                                 QStringLiteral("エラー"), platform::MsgButtons::Ok,
                                 platform::MsgIcon::Error);
        return;
    }
    try {
        CurrentSkin.Load(path);
    } catch (...) {
        // A skin-wide FontColor that is no colour: say so, and draw with what was read before
        // it, rather than lose the start-up's location list and first refresh.
        ReportException(std::current_exception());
    }
    TImageList images;
    images.Width = ImageList1.Width;
    images.Height = ImageList1.Height;
    try {
        CurrentSkin.LoadTrayImages(&images);
    } catch (...) {
        // A broken tray picture must not cost the start-up its location list and first
        // refresh: report it and go on with the images read before it.
        ReportException(std::current_exception());
    }
    // A skin without tray images keeps the placeholder rather than an empty tray icon.
    if (!images.Images.empty())
        ImageList1 = std::move(images);
    LoadScaledTrayImages();
    // The state the tray was in, in the new skin's pictures.
    UpdateTrayState();
}

void TMainForm::LoadLocationList(const std::string& fileName) {
    std::vector<TLocationEntry> entries = ReadLocationFile(fileName);
    Locations = std::move(entries);
}

std::string TMainForm::GetLocationField(std::int32_t index, std::int32_t field) const {
    if (index < 0 || static_cast<std::size_t>(index) >= Locations.size())
        throw EListError("地域の番号 " + std::to_string(index) + " は一覧の範囲外です (登録数 " +
                         std::to_string(Locations.size()) + ")。");
    if (field < 0 || field >= static_cast<std::int32_t>(std::tuple_size_v<TLocationEntry>))
        throw EListError("地域の項目番号 " + std::to_string(field) + " は範囲外です。");
    return Locations[static_cast<std::size_t>(index)][static_cast<std::size_t>(field)];
}

std::int32_t TMainForm::GetLocationCount() const {
    return static_cast<std::int32_t>(Locations.size());
}

void TMainForm::ReportException(std::exception_ptr error) {
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
    }
    TModalScope modal(*this);
    platform::ShowMessageBox(this, message, QStringLiteral("エラー"), platform::MsgButtons::Ok,
                             platform::MsgIcon::Error);
}
