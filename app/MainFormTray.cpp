// The tray icon: its picture, hint and balloons (composed by schedule/TrayText.h), its clicks,
// and the menus of warning and rain balloons.
#include "app/MainForm.h"

#include "platform/Clock.h"

#include <QCursor>
#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPixmap TrayPixmap(const TBitmap& bitmap) {
    const QImage image(reinterpret_cast<const uchar*>(bitmap.Data()), bitmap.Width(),
                       bitmap.Height(), bitmap.Width() * 4, QImage::Format_ARGB32_Premultiplied);
    QPixmap pixmap = QPixmap::fromImage(image.copy());
    pixmap.setDevicePixelRatio(bitmap.PixelRatio());
    return pixmap;
}

} // namespace

void TMainForm::UpdateTrayIcon() {
    ShowTray(ActShowBalloon.isChecked());
}

void TMainForm::UpdateTrayState() {
    ShowTray(false);
}

TTrayMode TMainForm::TrayMode() const {
    if (ActTodayForecast.isChecked())
        return TTrayMode::Today;
    if (ActTomorrowForecast.isChecked())
        return TTrayMode::Tomorrow;
    return ActNowTemperature.isChecked() ? TTrayMode::NowTemperature : TTrayMode::Current;
}

void TMainForm::ShowTray(bool balloon) {
    std::string place;
    try {
        place = GetLocationField(LocationIndex, 2);
    } catch (...) {
    }
    const TTrayView view = ComposeTray(Weather, FeedState.Forecast, TrayMode(), Refreshing(), place,
                                       platform::UnixSecondsNow());
    SetTrayIconIndex(view.Icon);
    SetTrayHint(view.Hint);
    if (balloon && view.Balloon)
        ShowBalloon(*view.Balloon);
}

void TMainForm::ShowBalloon(const TBalloon& next) {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
    TBalloon balloon = next;
    // Nothing urgent is wiped out: a newer urgent balloon comes first, anything else after it.
    if (urgentBalloon_ && now < urgentUntil_) {
        balloon =
            next.Urgent ? JoinBalloons(next, *urgentBalloon_) : JoinBalloons(*urgentBalloon_, next);
        balloon.Milliseconds =
            static_cast<int>(std::max<std::int64_t>(next.Milliseconds, urgentUntil_ - now));
    }
    if (next.Urgent) {
        urgentBalloon_ = balloon;
        urgentUntil_ = now + balloon.Milliseconds;
    }
    lastBalloonTitle_ = balloon.Title;
    lastBalloonText_ = balloon.Text;
    const QSystemTrayIcon::MessageIcon icon =
        balloon.Icon == TBalloonIcon::Error         ? QSystemTrayIcon::Critical
        : balloon.Icon == TBalloonIcon::Warning     ? QSystemTrayIcon::Warning
        : balloon.Icon == TBalloonIcon::Information ? QSystemTrayIcon::Information
                                                    : QSystemTrayIcon::NoIcon;
    TrayIcon1.showMessage(Q(balloon.Title),
                          Q(balloon.Text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                          icon, balloon.Milliseconds);
}

void TMainForm::SetTrayIconIndex(int index) {
    trayIconIndex_ = index;
    RefreshTrayIcon();
}

void TMainForm::SetTrayHint(const std::string& hint) {
    trayHint_ = hint;
    TrayIcon1.setToolTip(Q(hint).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TMainForm::RefreshTrayIcon() {
    if (trayIconIndex_ == ApplicationIconIndex) {
        if (!trayIconShown_.Empty() || TrayIcon1.icon().isNull())
            TrayIcon1.setIcon(QIcon(QStringLiteral(":/pelumi/program.png")));
        trayIconShown_ = TBitmap();
        return;
    }
    if (trayIconIndex_ == NowTemperatureIconIndex) {
        const std::int32_t degrees =
            Weather.Now.Temp ? static_cast<std::int32_t>(std::lround(*Weather.Now.Temp)) : NoValue;
        const TBitmap bitmap = TSkin::TrayTemperatureImage(degrees);
        if (bitmap == trayIconShown_)
            return;
        trayIconShown_ = bitmap;
        // Drawn for each pixel ratio the tray may paint at, as the skin's images are.
        QIcon icon;
        icon.addPixmap(TrayPixmap(bitmap));
        for (const TImageList& list : ScaledImageLists)
            if (!list.Images.empty())
                icon.addPixmap(
                    TrayPixmap(TSkin::TrayTemperatureImage(degrees, list.Images[0].PixelRatio())));
        TrayIcon1.setIcon(icon);
        return;
    }
    const std::vector<TBitmap>& images = ImageList1.Images;
    if (images.empty())
        return;
    const std::size_t at =
        trayIconIndex_ >= 0 && static_cast<std::size_t>(trayIconIndex_) < images.size()
            ? static_cast<std::size_t>(trayIconIndex_)
            : 0;
    // While a 警報 or more is in force the picture carries the tier's corner mark.
    const std::optional<TWarningLevel> mark = TrayWarningMark();
    const auto marked = [&](const TBitmap& image) {
        TBitmap copy = image;
        if (mark)
            TSkin::MarkTrayImage(copy, *mark);
        return copy;
    };
    const TBitmap bitmap = marked(images[at]);
    // Every new icon leaves its pixmaps in Qt's pixmap cache: give the tray a new one only
    // when the picture really changes, not at every refresh.
    if (bitmap.Empty() || bitmap == trayIconShown_)
        return;
    trayIconShown_ = bitmap;
    // One form per pixel ratio, each carrying its ratio: the tray paints the one made for its
    // own pixels, 1:1, rather than enlarging the 16 x 16 image.
    QIcon icon;
    icon.addPixmap(TrayPixmap(bitmap));
    for (const TImageList& list : ScaledImageLists)
        if (at < list.Images.size() && !list.Images[at].Empty())
            icon.addPixmap(TrayPixmap(marked(list.Images[at])));
    TrayIcon1.setIcon(icon);
}

void TMainForm::ActTaskTrayForecastExecute(QObject* sender) {
    if (sender)
        SaveSettings(SettingsFileName);
    UpdateTrayIcon();
}

void TMainForm::ActDummyExecute(QObject* sender) {
    if (sender)
        SaveSettings(SettingsFileName);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Qt's tray icon on X11 turns a press within the double-click time of the last press of the
    // same button into a double-click, and answers a right one with nothing: a right-click soon
    // after the menu was opened (and closed by a key or a quick dialog) opened no menu.
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton &&
        watched->objectName() == QLatin1String("QSystemTrayIconSys")) {
        Guarded([this] { TrayIcon1Activated(QSystemTrayIcon::Context); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::TrayIcon1Activated(QSystemTrayIcon::ActivationReason reason) {
    if (isMinimized())
        showNormal();
    switch (reason) {
    // Every click counts, however soon after the last one.
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::Trigger:
        ActShowWindow.setChecked(!ActShowWindow.isChecked());
        ActShowWindowExecute(nullptr);
        break;
    case QSystemTrayIcon::Context:
        if (isVisible()) {
            ChangingVisibility = true;
            setVisible(ActShowWindow.isChecked());
            raise();
            activateWindow();
            ChangingVisibility = false;
        }
        if (!InModal)
            PopupMenu1.popup(QCursor::pos());
        break;
    default:
        break;
    }
}

void TMainForm::CreateWarningMenu() {
    const std::pair<QAction*, const char*> choices[] = {
        {&ActWarningNoticeWarnings, "警報以上(&W)"},
        {&ActWarningNoticeAdvisories, "注意報も(&A)"},
        {&ActWarningNoticeOff, "通知しない(&N)"},
    };
    MenuWarningNotice = MenuTaskTray->addMenu(QStringLiteral("警報の通知(&K)"));
    for (const auto& choice : choices) {
        QAction* const action = choice.first;
        action->setText(QString::fromUtf8(choice.second));
        action->setCheckable(true);
        WarningNoticeGroup.addAction(action);
        MenuWarningNotice->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, action] { Guarded([&] { ActWarningNoticeExecute(action); }); });
    }
    WarningNoticeGroup.setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    ActWarningNoticeWarnings.setChecked(true);
}

TWarningNotice TMainForm::WarningNoticeChoice() const {
    if (ActWarningNoticeAdvisories.isChecked())
        return TWarningNotice::Advisories;
    return ActWarningNoticeOff.isChecked() ? TWarningNotice::Off : TWarningNotice::Warnings;
}

void TMainForm::SetWarningNoticeChoice(std::int32_t stored) {
    QAction* const actions[] = {&ActWarningNoticeWarnings, &ActWarningNoticeAdvisories,
                                &ActWarningNoticeOff};
    // An unknown value is the default.
    actions[stored >= 0 && stored <= 2 ? stored : 0]->setChecked(true);
}

void TMainForm::ActWarningNoticeExecute(QObject* sender) {
    if (sender)
        SaveSettings(SettingsFileName);
}

void TMainForm::CreateRainMenu() {
    MenuRainNotice = MenuTaskTray->addMenu(QStringLiteral("雨の通知(&R)"));
    for (const auto& [action, caption] :
         {std::pair<QAction*, const char*>{&ActRainNoticeOn, "オン(&O)"},
          {&ActRainNoticeOff, "オフ(&F)"}}) {
        action->setText(QString::fromUtf8(caption));
        action->setCheckable(true);
        RainNoticeGroup.addAction(action);
        MenuRainNotice->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, action] { Guarded([&] { ActRainNoticeExecute(action); }); });
    }
    RainNoticeGroup.setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    ActRainNoticeOn.setChecked(true);
}

void TMainForm::ActRainNoticeExecute(QObject* sender) {
    if (sender)
        SaveSettings(SettingsFileName);
}
