// Placeholder until the dialogs land: the commands are wired and do nothing yet.
// TODO(dialogs): replaced by MainFormDialogs.cpp.
#include "app/MainForm.h"

void TMainForm::ActAboutExecute(QObject*) {}
void TMainForm::ActProxySettingExecute(QObject*) {}
void TMainForm::ActLocationSettingExecute(QObject*) {}
void TMainForm::ActSkinSettingExecute(QObject*) {}
void TMainForm::ActUpdateCheckExecute(QObject*) {}
void TMainForm::ActOpenWebPageExecute(QObject*) {}
void TMainForm::PreviewSkin(const std::string&) {}

std::int32_t TMainForm::GetVersionNumber() const {
    return 0;
}
