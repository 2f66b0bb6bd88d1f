#pragma once

#include "platform/BrowserProxy.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The proxy dialog: host and port fields, filled by the caller, read by it after OK. The
// browser button fills them from the browser's settings (see platform/BrowserProxy.h).
//
// Every way of closing (OK, Cancel, Escape, the close box) passes the close check: a port that
// is not empty and not a non-negative integer keeps the dialog open.
class TProxySettingDialog : public QDialog {
    Q_OBJECT

public:
    explicit TProxySettingDialog(QWidget* owner, platform::TBrowserEnvironment environment =
                                                     platform::SystemBrowserEnvironment());

    // Shows the dialog modally; true when it was closed with OK.
    bool Execute();

    // The close check; on refusal the port field is selected and focused.
    bool FormCloseQuery();

    // Fills the fields from the default browser's proxy; a read error is shown in a message box.
    void Button3Click();

    void done(int result) override;

    QLabel* Label1;
    QLineEdit* Edit1; // host
    QLabel* Label2;
    QLineEdit* Edit2; // port
    QPushButton* Button3;
    QPushButton* Button1; // OK
    QPushButton* Button2; // キャンセル

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    platform::TBrowserEnvironment environment_;
};
