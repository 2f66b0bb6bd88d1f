// Starting the program at login: the menu's check item and the login entry behind it.
#include "app/MainForm.h"

#include "platform/Autostart.h"
#include "platform/Paths.h"

void TMainForm::ActAutoStartExecute(QObject*) {
    // The menu has already turned the check; it says what the user wants.
    try {
        if (ActAutoStart.isChecked())
            platform::EnableAutostart(AutostartFileName, platform::ExecutablePath());
        else
            platform::DisableAutostart(AutostartFileName);
    } catch (...) {
        UpdateAutoStartCheck();
        throw;
    }
    UpdateAutoStartCheck();
}

void TMainForm::UpdateAutoStartCheck() {
    ActAutoStart.setChecked(platform::AutostartEnabled(AutostartFileName));
}
