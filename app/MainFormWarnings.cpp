// The warnings (気象警報・注意報) of the chosen place: asked for every 10 minutes and by
// 最新の状態に更新, off the interface thread; their staleness, tray line and notices.
#include "app/MainForm.h"

#include "platform/Clock.h"
#include "weather/WarningBalloon.h"
#include "weather/WarningNotices.h"
#include "weather/openmeteo/OpenMeteo.h"

#include <cstdio>

namespace {

constexpr int kWarningsIntervalMs = 10 * 60 * 1000;
// Warnings confirmed longer ago than this show when they were.
constexpr std::int64_t kWarningsFreshSeconds = 30 * 60;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

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
    WarningsTimer.setInterval(kWarningsIntervalMs);
    connect(&WarningsTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { RefreshWarnings(); }); });
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

void TMainForm::ArmWarningsTimer() {
    if (ActIntervalManual.isChecked())
        WarningsTimer.stop();
    else if (!WarningsTimer.isActive())
        WarningsTimer.start();
}

TForecastRequest TMainForm::CurrentWarningsRequest() const {
    TForecastRequest request;
    request.Source = TSource::Jma;
    request.JmaPrefix = JmaPrefix;
    request.CacheFolder = CacheFolder;
    // Whatever the source, the place of the list entry, through the agency's constants.
    request.Prefecture = GetLocationField(LocationIndex, 1);
    request.Municipality = GetLocationField(LocationIndex, 2);
    request.JmaPlace = JmaPlaceOf(request.Prefecture, request.Municipality);
    return request;
}

void TMainForm::RefreshWarnings() {
    if (warningsRefresh_)
        Downloads.Cancel(warningsRefresh_->Id);
    warningsRefresh_.reset();
    // The page services stand only in the sample service; their places are left unknown.
    const TSource source = SelectedSource();
    if (source != TSource::Jma && source != TSource::OpenMeteo) {
        Weather.ClearWarnings();
        warningsKey_.clear();
        return;
    }
    TForecastRequest request;
    try {
        request = CurrentWarningsRequest();
    } catch (...) {
        return; // no place chosen: the forecast's refresh says so
    }
    const std::string key = request.Prefecture + "\n" + request.Municipality;
    // Another place's warnings must not stand under this one's name.
    if (key != warningsKey_) {
        Weather.ClearWarnings();
        warningsKey_ = key;
        warningsConfirmedAt_ = 0;
    }
    TWarningsUnderWay refresh;
    refresh.Key = key;
    refresh.Request = request;
    refresh.Id = StartDownload<TWarningsOutcome>(
        Downloads, DownloadClient(),
        [request](THttpClient& http) { return LoadJmaWarnings(http, request); },
        [this](TWarningsOutcome&& outcome, std::exception_ptr error) {
            Guarded([&] { ApplyWarningsOutcome(std::move(outcome), error); });
        });
    warningsRefresh_ = std::move(refresh);
}

void TMainForm::ApplyWarningsOutcome(TWarningsOutcome outcome, std::exception_ptr error) {
    if (!warningsRefresh_)
        return;
    const TWarningsUnderWay done = std::move(*warningsRefresh_);
    warningsRefresh_.reset();
    if (outcome.FoundJmaPlace) {
        KnownJmaPlaces[CoordinatesKey(done.Request.Prefecture, done.Request.Municipality)] =
            *outcome.FoundJmaPlace;
        try {
            SaveSettings(SettingsFileName);
        } catch (const std::exception&) {
            // Reported by the save on closing.
        }
    }
    if (done.Key != warningsKey_)
        return; // the place changed meanwhile
    const std::int64_t now = platform::UnixSecondsNow();
    if (error || outcome.Failed) {
        // A moment's failure leaves warnings confirmed lately in place; older ones are unknown.
        if (!Weather.WarningsKnown || now - warningsConfirmedAt_ > kWarningsFreshSeconds) {
            Weather.ClearWarnings();
            Weather.WarningsNote = "警報: 取得できず";
        }
    } else if (!outcome.Warnings.Known) {
        Weather.ClearWarnings(); // not the agency's place: nothing to say
    } else {
        Weather.WarningsKnown = true;
        Weather.Warnings = outcome.Warnings.Warnings;
        Weather.WarningsTime = outcome.Warnings.Time;
        Weather.WarningsNote.clear();
        warningsConfirmedAt_ = now;
        AnnounceWarnings(done.Request, outcome.Warnings);
    }
    UpdateWarningsNote();
    if (!WidgetBitmap.Empty() || HoldsWarnings())
        DrawWeather();
    UpdateTrayState();
}

bool TMainForm::HoldsWarnings() const {
    return Weather.WarningsKnown && !Weather.Warnings.empty();
}

bool TMainForm::UpdateWarningsNote() {
    if (!Weather.WarningsKnown || warningsConfirmedAt_ <= 0)
        return false;
    std::string note;
    if (platform::UnixSecondsNow() - warningsConfirmedAt_ > kWarningsFreshSeconds) {
        const platform::LocalDateTime at = platform::ToLocalDateTime(warningsConfirmedAt_);
        const platform::LocalDateTime today = platform::LocalNow();
        char text[48];
        if (at.Year == today.Year && at.Month == today.Month && at.Day == today.Day)
            std::snprintf(text, sizeof text, "%d:%02d 現在", at.Hour, at.Minute);
        else
            std::snprintf(text, sizeof text, "%d/%d %d:%02d 現在", at.Month, at.Day, at.Hour,
                          at.Minute);
        note = text;
    }
    if (note == Weather.WarningsNote)
        return false;
    Weather.WarningsNote = note;
    return true;
}

void TMainForm::AnnounceWarnings(const TForecastRequest& request, const TJmaWarnings& warnings) {
    TAnnouncedWarnings announced(CacheFolder);
    const std::vector<TWarning> fresh =
        announced.Announce(request.Prefecture + " " + request.Municipality, warnings.Warnings,
                           warnings.Reports, WarningNoticeChoice());
    if (fresh.empty())
        return;
    const TWarningBalloon balloon = WarningBalloonOf(fresh);
    lastBalloonTitle_ = balloon.Title;
    lastBalloonText_ = WarningNoticeText(request.Municipality, fresh);
    ++warningBalloons_;
    // Said on the standard error too: a desktop without a notification service may drop it.
    std::fprintf(stderr, "Pelumi: %s: %s\n", lastBalloonTitle_.c_str(), lastBalloonText_.c_str());
    TrayIcon1.showMessage(Q(lastBalloonTitle_), Q(lastBalloonText_),
                          balloon.Icon == TBalloonIcon::Error     ? QSystemTrayIcon::Critical
                          : balloon.Icon == TBalloonIcon::Warning ? QSystemTrayIcon::Warning
                                                                  : QSystemTrayIcon::Information,
                          15000);
}

std::string TMainForm::WarningsHintLine() const {
    // Only warnings in force: a failed read says so in the widget.
    if (!Weather.WarningsKnown || Weather.Warnings.empty())
        return {};
    std::string place;
    try {
        place = GetLocationField(LocationIndex, 2);
    } catch (...) {
    }
    std::string names;
    for (const TWarning& w : Weather.Warnings)
        names += (names.empty() ? "" : "・") + w.Name;
    std::string line = (place.empty() ? "" : place + ": ") + names;
    if (!Weather.WarningsNote.empty())
        line += " (" + Weather.WarningsNote + ")";
    return line;
}

std::optional<TWarningLevel> TMainForm::TrayWarningMark() const {
    if (!Weather.WarningsKnown)
        return std::nullopt;
    std::optional<TWarningLevel> level;
    for (const TWarning& w : Weather.Warnings)
        if (w.Level >= TWarningLevel::Warning && (!level || w.Level > *level))
            level = w.Level;
    return level;
}
