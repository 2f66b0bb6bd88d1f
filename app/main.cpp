// The program's entry: the application object and the main window, nothing else.
#include "app/Application.h"
#include "app/MainForm.h"

#include <QIcon>

#include <exception>

int main(int argc, char** argv) {
    TPelumiApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    app.setWindowIcon(QIcon(QStringLiteral(":/pelumi/program.png")));
    CloseOnTerminationSignals();
    try {
        TMainForm form;
        QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit);
        if (SetTerminationTarget(&form))
            form.close();
        else
            app.exec();
        SetTerminationTarget(nullptr);
    } catch (...) {
        ShowCurrentException(nullptr);
    }
    return 0;
}
