#include "dialogs/AboutDlg.h"

#include "dialogs/DialogCommon.h"
#include "platform/Version.h"
#include "platform/qt/Desktop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

QFont LabelFont(bool bold) {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, int x, int y) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->move(x, y);
    // Clicks on the texts and the icon are theirs: they must not close the box.
    label->setAttribute(Qt::WA_NoMousePropagation);
    return label;
}

} // namespace

TAboutDialog::TAboutDialog(QWidget* owner, const QString& homePageUrl) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(285, 145);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    setPalette(palette);

    Image1 = MakeLabel(this, 16, 16);
    Image1->resize(32, 32);
    Label1 = MakeLabel(this, 56, 16);
    Label1->setFont(LabelFont(true));
    Label1->setText(QStringLiteral("Pelumi 2"));
    Label1->adjustSize();
    // The licence the program is published under, beside the title.
    QLabel* licence = MakeLabel(this, Label1->geometry().right() + 12, 16);
    licence->setObjectName(QStringLiteral("LicenceLabel"));
    licence->setFont(LabelFont(false));
    licence->setText(QStringLiteral("MIT License"));
    licence->adjustSize();
    // The version and the links start where the title starts.
    Label2 = MakeLabel(this, 56, 32);
    Label3 = MakeLabel(this, 56, 112);
    Label4 = MakeLabel(this, 56, 92);
    Label5 = MakeLabel(this, 56, 52);
    Label6 = MakeLabel(this, 56, 72);
    QFont link = LabelFont(false);
    link.setUnderline(true);
    for (QLabel* label : {Label3, Label4, Label5, Label6}) {
        label->setFont(link);
        QPalette linkPalette = label->palette();
        linkPalette.setColor(QPalette::WindowText, Qt::blue);
        label->setPalette(linkPalette);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    Label3->setText(homePageUrl);
    Label3->adjustSize();
    // A build that names no home page offers no link that leads nowhere.
    Label3->setVisible(!homePageUrl.isEmpty());
    Label4->setText(QStringLiteral("3時間予報: Open-Meteo.com"));
    Label4->adjustSize();
    Label5->setText(QStringLiteral("出典：気象庁ホームページ"));
    Label5->adjustSize();
    Label6->setText(QStringLiteral("降水ナウキャスト: 気象庁"));
    Label6->adjustSize();
    FormCreate();
}

void TAboutDialog::FormCreate() {
    Label2->setText(QStringLiteral("version ") + dialogs::ToQt(platform::OwnFileVersion()));
    Label2->adjustSize();
    Image1->setPixmap(QApplication::windowIcon().pixmap(32, 32));
}

void TAboutDialog::ShowOpenMeteoCredit(bool shown) {
    Label4->setVisible(shown);
}

void TAboutDialog::Execute() {
    dialogs::CenterOnScreen(this);
    exec();
}

void TAboutDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TAboutDialog::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    reject();
}

void TAboutDialog::keyPressEvent(QKeyEvent* event) {
    // From the keyboard as with a click: Escape and Enter close the box.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TAboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Label3 || watched == Label4 || watched == Label5 || watched == Label6) &&
        event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto* label = static_cast<QLabel*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint()))
            label == Label3   ? Label3Click()
            : label == Label4 ? Label4Click()
            : label == Label5 ? Label5Click()
                              : Label6Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutDialog::Label3Click() {
    platform::OpenUrl(Label3->text());
}

void TAboutDialog::Label4Click() {
    platform::OpenUrl(QStringLiteral("https://open-meteo.com/"));
}

void TAboutDialog::Label5Click() {
    platform::OpenUrl(QStringLiteral("https://www.jma.go.jp/bosai/forecast/"));
}

void TAboutDialog::Label6Click() {
    platform::OpenUrl(QStringLiteral("https://www.jma.go.jp/bosai/nowc/"));
}
