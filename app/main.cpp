// The program's entry: its options, the window system, one widget per settings file, the
// application object and the main window.
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "platform/Layout.h"
#include "platform/Paths.h"
#include "platform/qt/Desktop.h"

#include <QIcon>
#include <QTimer>

#include <exception>
#include <memory>

int main(int argc, char** argv) {
    // --help and --version need no display, and a wrong option must not start the widget.
    if (const int status = HandleCommandLine(argc, argv); status >= 0)
        return status;
    TToolkitArguments arguments(argc, argv);
    if (!arguments.CheckDisplay())
        return 1;
    auto platformGuard = std::make_unique<TPlatformStartGuard>(arguments);
    TPelumiApplication app(arguments.Count(), arguments.Values());
    platformGuard.reset();
    Q_INIT_RESOURCE(resources);
    app.setWindowIcon(QIcon(QStringLiteral(":/pelumi/program.png")));

    const std::string exe = platform::ExecutablePath();
    TSingleInstance instance(platform::ResolveLayout(platform::ExtractFilePath(exe),
                                                     platform::SettingsBaseName(exe),
                                                     platform::CurrentUserFolders())
                                 .SettingsFileName);
    switch (instance.Start()) {
    case TSingleInstance::TResult::ShownOther:
        return 0;
    case TSingleInstance::TResult::NoAnswer:
        platform::ShowMessageBox(
            nullptr, QStringLiteral("Pelumi は既に起動していますが、応答がありません。"),
            QStringLiteral("エラー"), platform::MsgButtons::Ok, platform::MsgIcon::Error);
        return 1;
    case TSingleInstance::TResult::First:
    case TSingleInstance::TResult::Unguarded:
        break;
    }

    CloseOnTerminationSignals();
    try {
        TMainForm form;
        QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit);
        // A start from now on waits for this process to end and then takes over.
        QObject::connect(&form, &TMainForm::Closed, &instance, &TSingleInstance::SetEnding);
        // As a left click on the tray icon shows a hidden widget; nothing is saved.
        instance.SetShowHandler([&form] {
            form.ActShowWindow.setChecked(true);
            form.ActShowWindowExecute(nullptr);
        });
        // A first start asks for the place once the widget is on screen.
        QTimer::singleShot(0, &form, [&form] {
            try {
                form.AskForPlaceOnFirstStart();
            } catch (...) {
                form.ReportException(std::current_exception());
            }
        });
        if (SetTerminationTarget(&form))
            form.close();
        else
            app.exec();
        SetTerminationTarget(nullptr);
        instance.SetShowHandler(nullptr);
    } catch (...) {
        ShowCurrentException(nullptr);
    }
    return 0;
}
