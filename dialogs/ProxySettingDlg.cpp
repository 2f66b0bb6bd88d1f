#include "dialogs/ProxySettingDlg.h"

#include "dialogs/DialogCommon.h"
#include "platform/Convert.h"
#include "platform/qt/Desktop.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

TProxySettingDialog::TProxySettingDialog(QWidget* owner, platform::TBrowserEnvironment environment)
    : QDialog(owner), environment_(std::move(environment)) {
    setWindowTitle(QStringLiteral("プロキシの設定"));
    setFixedSize(386, 106);

    Label1 = new QLabel(QStringLiteral("プロキシサーバ(&P):"), this);
    Label1->move(16, 16);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(16, 32, 281, 21);
    Label1->setBuddy(Edit1);

    Label2 = new QLabel(QStringLiteral("ポート(&O):"), this);
    Label2->move(304, 16);
    Edit2 = new QLineEdit(this);
    Edit2->setGeometry(304, 32, 65, 21);
    Label2->setBuddy(Edit2);
    // Digits only from the keyboard, with the input method off. A key filter rather than a
    // validator: a detected text such as "80;https=..." must stay editable until corrected.
    Edit2->setAttribute(Qt::WA_InputMethodEnabled, false);
    Edit2->setInputMethodHints(Qt::ImhDigitsOnly);
    Edit2->installEventFilter(this);

    Button3 = new QPushButton(QStringLiteral("ブラウザの設定を取得"), this);
    // Wider than designed only when the font needs it; the OK button starts at 216.
    Button3->setGeometry(16, 64, std::clamp(Button3->sizeHint().width(), 117, 192), 25);
    Button3->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(216, 64, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setGeometry(296, 64, 75, 25);
    Button2->setAutoDefault(false);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TProxySettingDialog::Button3Click);
}

bool TProxySettingDialog::Execute() {
    dialogs::CenterOnScreen(this);
    return exec() == QDialog::Accepted;
}

bool TProxySettingDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit2 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        if (!command && !text.isEmpty() && text.at(0).isPrint()) {
            for (const QChar c : text) {
                if (c < u'0' || c > u'9')
                    return true; // swallowed
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TProxySettingDialog::FormCloseQuery() {
    const QString port = Edit2->text();
    if (port.isEmpty())
        return true;
    if (platform::StrToIntDef(dialogs::FromQt(port), -1) < 0) {
        Edit2->selectAll();
        Edit2->setFocus();
        return false;
    }
    return true;
}

void TProxySettingDialog::done(int result) {
    // OK, Cancel, Escape and the close box all end here.
    if (!FormCloseQuery())
        return;
    QDialog::done(result);
}

void TProxySettingDialog::Button3Click() {
    const platform::TProxyFields fields = platform::DetectBrowserProxy(environment_);
    if (fields.Changed) {
        Edit1->setText(dialogs::ToQt(fields.Host));
        Edit2->setText(dialogs::ToQt(fields.Port));
    }
    if (!fields.Error.empty())
        platform::ShowMessageBox(this, dialogs::ToQt(fields.Error), QStringLiteral("エラー"),
                                 platform::MsgButtons::Ok, platform::MsgIcon::Error);
}
