#include "platform/qt/Desktop.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace platform {

namespace {

MessageBoxHandler& MessageBoxOverride() {
    static MessageBoxHandler handler;
    return handler;
}

OpenUrlHandler& OpenUrlOverride() {
    static OpenUrlHandler handler;
    return handler;
}

} // namespace

MsgResult ShowMessageBox(QWidget* parent, const QString& text, const QString& caption,
                         MsgButtons buttons, MsgIcon icon) {
    if (MessageBoxOverride())
        return MessageBoxOverride()(text, caption, buttons, icon);
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == MsgButtons::YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        return box.clickedButton() == yes ? MsgResult::Yes : MsgResult::No;
    }
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return MsgResult::Ok;
}

void OpenUrl(const QString& url) {
    if (OpenUrlOverride()) {
        OpenUrlOverride()(url);
        return;
    }
    // Without a browser (none installed, none chosen) nothing would happen: say so, with the
    // address, which the user can still open by hand.
    if (!QDesktopServices::openUrl(QUrl(url)))
        ShowMessageBox(nullptr,
                       QStringLiteral("Webページを開けませんでした。ブラウザが見つかりません。\n"
                                      "次のアドレスをブラウザで開いてください。\n\n") +
                           url,
                       QStringLiteral("Webページを開く"), MsgButtons::Ok, MsgIcon::Warning);
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxOverride() = std::move(handler);
}

void SetOpenUrlHandler(OpenUrlHandler handler) {
    OpenUrlOverride() = std::move(handler);
}

} // namespace platform
