#pragma once

#include "platform/qt/Desktop.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// Runs `script` on the next modal dialog from inside its event loop. A script that leaves the
// dialog open fails the test and the dialog is closed, so a broken close never hangs the run.
inline void WhenModal(std::function<void(QDialog*)> script) {
    QTimer::singleShot(0, [script = std::move(script)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal dialog is open";
            return;
        }
        script(dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog is still open after the script";
            dialog->QDialog::done(QDialog::Rejected);
        }
    });
}

// The dialog of type T that is open now (from inside a script).
template <typename T> T* OpenDialog(QDialog* dialog) {
    auto* typed = qobject_cast<T*>(dialog);
    EXPECT_NE(typed, nullptr);
    return typed;
}

// The handler the test run starts with: no message box appears, every one is answered OK.
inline void QuietMessageBoxes() {
    platform::SetMessageBoxHandler([](const QString&, const QString&, platform::MsgButtons,
                                      platform::MsgIcon) { return platform::MsgResult::Ok; });
}
