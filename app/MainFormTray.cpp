// The tray icon: its picture, hint and balloon, and its clicks.
#include "app/MainForm.h"

#include "platform/Clock.h"
#include "weather/ForecastTime.h"
#include "weather/KeptForecast.h"

#include <QCursor>
#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

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

bool NamesJapaneseLocale(const char* name) {
    return name && std::strncmp(name, "ja", 2) == 0;
}

// The first non-empty of the variables that name the time locale.
const char* TimeLocaleName() {
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"})
        if (const char* value = std::getenv(var); value && *value)
            return value;
    return nullptr;
}

} // namespace

std::string TMainForm::AbbreviatedDayName(int dayOfWeek) {
    static constexpr std::array<const char*, 7> japanese = {"日", "月", "火", "水",
                                                            "木", "金", "土"};
    dayOfWeek = ((dayOfWeek % 7) + 7) % 7;
    const char* name = TimeLocaleName();
    // A Japanese system whose locale data is not installed still gets Japanese names.
    if (NamesJapaneseLocale(name))
        return japanese[static_cast<std::size_t>(dayOfWeek)];
    std::string result;
    locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (locale != static_cast<locale_t>(nullptr)) {
        result = nl_langinfo_l(static_cast<nl_item>(ABDAY_1 + dayOfWeek), locale);
        freelocale(locale);
    }
    return result;
}

std::string TMainForm::FormatDayText(TDateTime date) {
    return std::to_string(DecodeDate(date).Day) + "日(" + AbbreviatedDayName(DayOfWeek(date)) + ")";
}

namespace {

std::string Degrees(std::int32_t value) {
    return value == NoValue ? "--" : std::to_string(value) + "℃";
}

std::string Percent(std::int32_t value) {
    return value == NoValue ? "--" : std::to_string(value) + "%";
}

} // namespace

std::string TMainForm::DayLine(const TWeatherData& weather, std::size_t day,
                               std::size_t firstBand) {
    std::int32_t prob = NoValue;
    for (std::size_t b = firstBand; b < 4; ++b) {
        const std::int32_t p = weather.DayProb[4 * day + b];
        if (p != NoValue && (prob == NoValue || p > prob))
            prob = p;
    }
    const std::string& text = DayWords(weather, day);
    return FormatDayText(weather.DayDate[day]) + " " + (text.empty() ? "--" : text) + " 最高 " +
           Degrees(weather.DayMaxTemp[day]) + " 最低 " + Degrees(weather.DayMinTemp[day]) +
           " 降水 " + Percent(prob);
}

int TMainForm::WeatherIconIndex(std::string_view phrase) {
    if (phrase.empty())
        return 4;
    struct Keyword {
        std::string_view text;
        int index;
    };
    // Fog came last, at an index of its own after the failure image; 霧雨 (drizzle) is rain and
    // is listed first, so that it wins the tie with 霧.
    static constexpr Keyword keywords[] = {{"晴", 0},     {"雨", 2},     {"雷", 2},
                                           {"曇", 1},     {"くもり", 1}, {"雪", 3},
                                           {"みぞれ", 3}, {"霧雨", 2},   {"霧", 6}};
    std::size_t best = phrase.size() + 1;
    int result = 4;
    for (const Keyword& k : keywords) {
        const std::size_t p = phrase.find(k.text);
        if (p != std::string_view::npos && p < best) {
            best = p;
            result = k.index;
        }
    }
    return result;
}

std::string TMainForm::NumberText(std::int32_t value, std::string_view missing) {
    if (value == NoValue)
        return std::string(missing);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%2d", value);
    return buffer;
}

void TMainForm::UpdateTrayIcon() {
    ShowTray(ActShowBalloon.isChecked());
}

void TMainForm::UpdateTrayState() {
    ShowTray(false);
}

std::string TMainForm::FailedRefreshNote() const {
    std::string note = "更新に失敗しました";
    if (shownFetchedAt_ <= 0)
        return note;
    const platform::LocalDateTime at = platform::ToLocalDateTime(shownFetchedAt_);
    const platform::LocalDateTime now = platform::LocalNow();
    char when[64];
    if (at.Year == now.Year && at.Month == now.Month && at.Day == now.Day)
        std::snprintf(when, sizeof when, "%d時%02d分", at.Hour, at.Minute);
    else
        std::snprintf(when, sizeof when, "%d月%d日 %d時%02d分", at.Month, at.Day, at.Hour,
                      at.Minute);
    return note + " (" + when + " 取得の予報)";
}

void TMainForm::ShowTray(bool balloon) {
    // The hint begins with the weather now, whatever the forecast's state, and the warnings in
    // force end it, with the place.
    const std::string nowLine = NowHintLine();
    const std::string nowFirst = nowLine.empty() ? std::string() : nowLine + "\r\n";
    const bool nowImage = ActNowTemperature.isChecked() && !nowLine.empty() && Weather.Now.Temp;
    const std::string warnings = WarningsHintLine();
    const auto withWarnings = [&](std::string hint) {
        return warnings.empty() ? hint : hint + "\r\n" + warnings;
    };
    if (!HoldsForecast(Weather)) {
        // Nothing to show: the failure only once a refresh has failed and none runs.
        if (lastRefreshFailed_ && !Refreshing()) {
            SetTrayIconIndex(nowImage ? NowTemperatureIconIndex : 5);
            SetTrayHint(withWarnings(nowFirst + "データ取得に失敗"));
        } else if (!nowLine.empty()) {
            SetTrayIconIndex(nowImage ? NowTemperatureIconIndex : ApplicationIconIndex);
            SetTrayHint(withWarnings(Refreshing() ? nowFirst + "接続しています" : nowLine));
        } else {
            SetTrayIconIndex(ApplicationIconIndex);
            SetTrayHint(withWarnings(Refreshing() ? "Pelumi\r\n接続しています" : "Pelumi"));
        }
        return;
    }
    // The place first: the hint and the balloon name what they tell of.
    const std::string place =
        Weather.LocationName.empty() ? std::string() : Weather.LocationName + "\r\n";
    const std::string placeTitle =
        Weather.LocationName.empty() ? std::string() : Weather.LocationName + " ";
    // The clock reads the source's zone (Japan's under the agency): its hour picks the slot.
    const platform::LocalDateTime now = platform::LocalNow();
    std::string hint;
    std::string title;
    std::string text;
    if (ActTodayForecast.isChecked() || ActTomorrowForecast.isChecked()) {
        const std::size_t d = ActTodayForecast.isChecked() ? 0 : 1;
        SetTrayIconIndex(WeatherIconIndex(Weather.DayWeather[d]));
        // Today's probability is of the hours still to come.
        const std::size_t firstBand = d == 0 ? static_cast<std::size_t>(now.Hour / 6) : 0;
        const std::string line = DayLine(Weather, d, firstBand);
        hint = place + line;
        title = placeTitle + FormatDayText(Weather.DayDate[d]) + "の天気予報";
        text = line;
    } else {
        // The first period not yet ended that the forecast tells, as the widget's row begins,
        // named by its hours: a source may label it by its end ("12時" from 9 to 12 o'clock).
        const int first = FirstShownPointSlot(Weather, now.Hour);
        const std::size_t s = static_cast<std::size_t>(first >= 0 ? first : now.Hour / 3);
        const std::size_t q = s / 2;
        SetTrayIconIndex(WeatherIconIndex(Weather.PointWeather[s]));
        const std::string hours =
            std::to_string(3 * (s % 8)) + "-" + std::to_string(3 * (s % 8) + 3) + "時";
        const std::string& weather = Weather.PointWeather[s];
        const std::string rest = (weather.empty() ? "--" : weather) + " " +
                                 Degrees(Weather.PointTemp[s]) + " 降水 " +
                                 Percent(Weather.DayProb[q]);
        hint = place + "現在 (" + hours + ") " + rest;
        title = placeTitle + "現在の天気 (" + hours + ")";
        text = rest;
    }
    if (!Weather.PointSource.empty())
        hint += "\r\n3時間ごとの予報: " + Weather.PointSource;
    if (nowImage)
        SetTrayIconIndex(NowTemperatureIconIndex);
    SetTrayHint(
        withWarnings(nowFirst + (lastRefreshFailed_ ? FailedRefreshNote() + "\r\n" + hint : hint)));
    if (balloon) {
        lastBalloonTitle_ = title;
        lastBalloonText_ = text;
        TrayIcon1.showMessage(Q(title),
                              Q(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                              QSystemTrayIcon::NoIcon, 3000);
    }
    RefreshTrayIcon();
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
