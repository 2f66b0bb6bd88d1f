// The gui tests run in one application object on Qt's offscreen platform; message boxes never
// appear (a test that expects one installs its own handler).
#include "app/Application.h"
#include "platform/qt/Desktop.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The user's own folders (settings, skins, the login entry) are never the real ones.
    const TempDir userHome;
    setenv("XDG_CONFIG_HOME", (userHome.Path() + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (userHome.Path() + "/data").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The offscreen platform has no tray; Qt says so at every tray icon.
    setenv("QT_LOGGING_RULES", "qt.core.qobject.connect=false", 0);
    TPelumiApplication app(argc, argv);
    platform::SetMessageBoxHandler(
        [](const QString& text, const QString& caption, platform::MsgButtons, platform::MsgIcon) {
            std::fprintf(stderr, "[message box] %s: %s\n", caption.toUtf8().constData(),
                         text.toUtf8().constData());
            return platform::MsgResult::Ok;
        });
    return RUN_ALL_TESTS();
}
