#include "dialogs/DetailsDlg.h"

#include "dialogs/DialogCommon.h"
#include "platform/qt/Desktop.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

using dialogs::ToQt;

constexpr const char* kAgencyPages = "https://www.jma.go.jp/bosai/forecast/";
constexpr const char* kOpenMeteoSite = "https://open-meteo.com/";
constexpr const char* kNone = "--";

// A date the calendar can show (day counts of the years 1 to 9999), else nothing.
bool Showable(TDateTime date) {
    return date != 0.0 && std::isfinite(date) && date >= -693593.0 && date < 2958466.0;
}

std::string DayOfMonth(TDateTime date) {
    static constexpr std::array<const char*, 7> names = {"日", "月", "火", "水", "木", "金", "土"};
    const CalendarDate d = DecodeDate(date);
    return std::to_string(d.Day) + "日(" + names[static_cast<std::size_t>(DayOfWeek(date))] + ")";
}

std::string MonthAndDay(TDateTime date) {
    return Showable(date) ? std::to_string(DecodeDate(date).Month) + "月" + DayOfMonth(date)
                          : std::string();
}

// "2023-01-28T10:32" as "1月28日 10時32分"; any other text as it is.
std::string MinuteText(const std::string& time) {
    int y = 0, m = 0, d = 0, h = 0, minute = 0;
    if (time.size() != 16 ||
        std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d", &y, &m, &d, &h, &minute) != 5)
        return time;
    char text[64];
    std::snprintf(text, sizeof text, "%d月%d日 %02d時%02d分", m, d, h, minute);
    return text;
}

std::string Degrees(std::int32_t value) {
    return value == NoValue ? kNone : std::to_string(value) + "℃";
}

std::string Percent(std::int32_t value) {
    return value == NoValue ? kNone : std::to_string(value) + "%";
}

std::string Decimal(const std::optional<double>& value, int decimals, const char* unit) {
    if (!value || !std::isfinite(*value))
        return kNone;
    // Rounded first, so that nothing near zero shows as "-0.0".
    const double scale = std::pow(10.0, decimals);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f%s", decimals, std::round(*value * scale) / scale + 0.0,
                  unit);
    return text;
}

std::string RangeText(const std::array<std::int32_t, 2>& range) {
    if (range[0] == NoValue || range[1] == NoValue)
        return {};
    return " (" + std::to_string(range[0]) + "〜" + std::to_string(range[1]) + ")";
}

// Builds the parts of the window into one column.
class Builder {
public:
    explicit Builder(QWidget* page) : column_(new QVBoxLayout(page)) { column_->setSpacing(6); }

    QLabel* Heading(const QString& text, const char* name = "") {
        auto* label = new QLabel(text);
        label->setObjectName(QString::fromLatin1(name));
        QFont font = label->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.15);
        label->setFont(font);
        if (column_->count() > 0)
            column_->addSpacing(8);
        column_->addWidget(label);
        grid_ = nullptr;
        return label;
    }

    // A label named `name` with `text`, wrapped, selectable.
    static QLabel* Value(const char* name, const std::string& text) {
        auto* label = new QLabel(ToQt(text));
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    }

    QLabel* Line(const char* name, const std::string& text) {
        QLabel* label = Value(name, text);
        column_->addWidget(label);
        grid_ = nullptr;
        return label;
    }

    // A caption and its value in a two-column table under the last heading.
    QLabel* Row(const char* caption, const char* name, const std::string& text) {
        if (grid_ == nullptr) {
            grid_ = new QGridLayout;
            grid_->setHorizontalSpacing(12);
            grid_->setColumnStretch(1, 1);
            column_->addLayout(grid_);
        }
        const int row = grid_->rowCount();
        auto* title = new QLabel(QString::fromUtf8(caption));
        title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        grid_->addWidget(title, row, 0);
        QLabel* value = Value(name, text);
        grid_->addWidget(value, row, 1);
        return value;
    }

    QGridLayout* Table() {
        grid_ = nullptr;
        auto* table = new QGridLayout;
        table->setHorizontalSpacing(14);
        table->setVerticalSpacing(3);
        column_->addLayout(table);
        return table;
    }

    void End() { column_->addStretch(1); }

private:
    QVBoxLayout* column_;
    QGridLayout* grid_ = nullptr;
};

void AddDays(Builder& b, const TWeatherData& w) {
    static constexpr std::array<const char*, 4> bands = {"0-6時", "6-12時", "12-18時", "18-24時"};
    for (std::size_t d = 0; d < 2; ++d) {
        const std::string day =
            d == 1 ? "明日" : (w.TodayName.empty() ? std::string("今日") : w.TodayName);
        const std::string date = MonthAndDay(w.DayDate[d]);
        b.Heading(ToQt(date.empty() ? day : day + "　" + date), d == 0 ? "DayTitle0" : "DayTitle1");
        const std::string& words = DayWords(w, d);
        b.Row("天気", d == 0 ? "DayText0" : "DayText1", words.empty() ? kNone : words);
        if (!w.DayWind[d].empty())
            b.Row("風", d == 0 ? "DayWind0" : "DayWind1", w.DayWind[d]);
        if (!w.DayWave[d].empty())
            b.Row("波", d == 0 ? "DayWave0" : "DayWave1", w.DayWave[d]);
        b.Row("気温", d == 0 ? "DayTemp0" : "DayTemp1",
              "最高 " + Degrees(w.DayMaxTemp[d]) + "　最低 " + Degrees(w.DayMinTemp[d]));
        std::string prob;
        for (std::size_t band = 0; band < 4; ++band)
            prob += std::string(band ? "　" : "") + bands[band] + " " +
                    Percent(w.DayProb[4 * d + band]);
        b.Row("降水確率", d == 0 ? "DayProb0" : "DayProb1", prob);
    }
}

void AddOverview(Builder& b, const TWeatherData& w) {
    if (w.Overview.empty() && w.OverviewHeadline.empty())
        return;
    b.Heading(QStringLiteral("天気概況"));
    if (!w.OverviewTime.empty())
        b.Line("OverviewTime", MinuteText(w.OverviewTime) + " 発表");
    if (!w.OverviewHeadline.empty()) {
        QLabel* headline = b.Line("OverviewHeadline", w.OverviewHeadline);
        QFont font = headline->font();
        font.setBold(true);
        headline->setFont(font);
    }
    if (!w.Overview.empty())
        b.Line("Overview", w.Overview);
}

void AddWeek(Builder& b, const TWeatherData& w) {
    b.Heading(QStringLiteral("週間予報"));
    QGridLayout* table = b.Table();
    const char* const captions[] = {"日付",        "天気",        "降水確率",
                                    "最低 (範囲)", "最高 (範囲)", "信頼度"};
    for (int c = 0; c < 6; ++c)
        table->addWidget(new QLabel(QString::fromUtf8(captions[c])), 0, c);
    table->setColumnStretch(1, 1);
    bool reliability = false;
    int row = 1;
    for (std::size_t k = 0; k < 7; ++k) {
        if (!Showable(w.WeekDate[k]))
            continue; // a day the source does not tell
        const std::string n = std::to_string(k);
        const auto put = [&](int column, const std::string& name, const std::string& text) {
            QLabel* label = Builder::Value(name.c_str(), text);
            label->setWordWrap(false);
            table->addWidget(label, row, column);
        };
        put(0, "WeekDate" + n, DayOfMonth(w.WeekDate[k]));
        put(1, "WeekWeather" + n, w.WeekWeather[k].empty() ? kNone : w.WeekWeather[k]);
        put(2, "WeekProb" + n, Percent(w.WeekProb[k]));
        put(3, "WeekMin" + n, Degrees(w.WeekMinTemp[k]) + RangeText(w.WeekMinTempRange[k]));
        put(4, "WeekMax" + n, Degrees(w.WeekMaxTemp[k]) + RangeText(w.WeekMaxTempRange[k]));
        put(5, "WeekReliability" + n, w.WeekReliability[k]);
        reliability = reliability || !w.WeekReliability[k].empty();
        ++row;
    }
    if (row == 1)
        b.Line("WeekNone", "週間予報はありません");
    if (w.WeekNormalMinTemp || w.WeekNormalMaxTemp)
        b.Line("WeekNormal", "平年値　最低 " + Decimal(w.WeekNormalMinTemp, 1, "℃") + "　最高 " +
                                 Decimal(w.WeekNormalMaxTemp, 1, "℃"));
    if (reliability)
        b.Line("WeekReliabilityNote",
               "信頼度　A: 確度が高い　B: 確度がやや高い　C: 確度がやや低い");
}

void AddNow(Builder& b, const TWeatherData& w, std::int64_t unixNow) {
    b.Heading(QStringLiteral("現在の天気"));
    if (!IsCurrentObservation(w.Now, unixNow)) {
        b.Line("NowTitle", "現在の観測値はありません");
        return;
    }
    const TObservation& now = w.Now;
    b.Line("NowTitle", now.Time.substr(11, 5) + " " + now.Station + " の観測");
    b.Row("気温", "NowTemp", Decimal(now.Temp, 1, "℃"));
    b.Row("湿度", "NowHumidity", Decimal(now.Humidity, 0, "%"));
    std::string wind = Decimal(now.Wind, 1, "m/s");
    if (!now.WindDirection.empty())
        wind = now.WindDirection + (now.Wind ? " " + wind : std::string());
    b.Row("風", "NowWind", wind);
    b.Row("1時間降水量", "NowPrecip", Decimal(now.Precip1h, 1, "mm"));
}

void AddWarnings(Builder& b, const TWeatherData& w) {
    b.Heading(QStringLiteral("警報・注意報"));
    std::string text;
    if (!w.WarningsKnown) {
        text = "取得できません";
    } else if (w.Warnings.empty()) {
        text = "発表されていません";
    } else {
        for (const TWarning& warning : w.Warnings) {
            if (!text.empty())
                text += "\n";
            text += warning.Name;
            if (!warning.Status.empty())
                text += " (" + warning.Status + ")";
        }
    }
    b.Line("Warnings", text);
    std::string time;
    if (w.WarningsKnown && !w.WarningsTime.empty())
        time = MinuteText(w.WarningsTime) + " 発表";
    if (!w.WarningsNote.empty())
        time += (time.empty() ? "" : "　") + w.WarningsNote;
    if (!time.empty())
        b.Line("WarningsTime", time);
}

QLabel* Link(const char* name, const char* text, const char* url) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                 .arg(QString::fromLatin1(url), QString::fromUtf8(text)));
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // Through the program's own opener, as the about box's links.
    QObject::connect(label, &QLabel::linkActivated,
                     [](const QString& link) { platform::OpenUrl(link); });
    return label;
}

} // namespace

TDetailsDialog::TDetailsDialog(QWidget* owner, const TWeatherData& record, std::int64_t unixNow,
                               bool openMeteoCredit)
    : QDialog(owner) {
    setWindowTitle(record.LocationName.empty()
                       ? QStringLiteral("詳しい予報")
                       : QStringLiteral("詳しい予報 - ") + ToQt(record.LocationName));
    setSizeGripEnabled(true);

    auto* page = new QWidget;
    Builder b(page);
    QLabel* place =
        b.Line("Place", record.LocationName.empty() ? "地域未設定" : record.LocationName);
    QFont big = place->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    place->setFont(big);
    b.Line("Update", record.UpdateInfo);
    AddDays(b, record);
    AddOverview(b, record);
    AddWeek(b, record);
    AddNow(b, record, unixNow);
    AddWarnings(b, record);
    b.End();

    auto* scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The sources, as their terms ask.
    auto* foot = new QHBoxLayout;
    foot->addWidget(Link("Source", "出典：気象庁ホームページ", kAgencyPages));
    QLabel* openMeteo = Link("OpenMeteoSource", "気象データ: Open-Meteo.com", kOpenMeteoSite);
    openMeteo->setVisible(openMeteoCredit || record.Now.Station == "Open-Meteo");
    foot->addWidget(openMeteo);
    foot->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    foot->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(foot);
}

QLabel* TDetailsDialog::Part(const char* name) const {
    return findChild<QLabel*>(QString::fromLatin1(name));
}

void TDetailsDialog::Execute() {
    // As tall as the content wants, within the screen.
    QSize size(560, 720);
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen()) {
        const QRect room = screen->availableGeometry();
        size = size.boundedTo(QSize(room.width() - 40, room.height() - 60));
    }
    resize(size);
    dialogs::CenterOnScreen(this);
    exec();
}
