#pragma once

#include "app/MainForm.h"
#include "platform/IniFile.h"
#include "platform/qt/Desktop.h"
#include "support/TempDir.h"

#include <QString>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Records the message boxes shown while it lives (none appears on the screen).
class MessageLog {
public:
    struct Entry {
        std::string text;
        std::string caption;
        platform::MsgIcon icon;
    };

    MessageLog() {
        platform::SetMessageBoxHandler([this](const QString& text, const QString& caption,
                                              platform::MsgButtons, platform::MsgIcon icon) {
            entries.push_back({text.toStdString(), caption.toStdString(), icon});
            return platform::MsgResult::Ok;
        });
    }
    ~MessageLog() {
        platform::SetMessageBoxHandler([](const QString&, const QString&, platform::MsgButtons,
                                          platform::MsgIcon) { return platform::MsgResult::Ok; });
    }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<Entry> entries;
};

// A program folder in a temporary directory: a default skin file and, when asked, a location
// list and a settings file. No address in it reaches the network.
class TestProgram {
public:
    TestProgram() { dir.Write("Skin/Simple/small.ini", "[General]\n"); }

    std::string Folder() const { return dir.Path() + "/"; }
    std::string IniPath() const { return dir.File("zomika2.ini"); }
    void WriteIni(const std::string& text) const { dir.Write("zomika2.ini", text); }
    platform::IniFile ReadIni() const { return platform::IniFile::Load(IniPath()); }
    // The sample service's list of places and the skins the program ships, as the widget
    // finds them beside itself.
    void UseSampleListAndShippedSkins() const {
        dir.Write("urls.list", ReadAll(TestData("locations/sample.list")));
        std::filesystem::copy(std::string(PELUMI_BIN_DIR) + "/Skin", dir.File("Skin"),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
    }
    std::string IniText() const { return ReadAll(IniPath()); }

    // Builds the window over this folder and lets its start-up refresh end.
    std::unique_ptr<TMainForm> Start() const {
        auto form = std::make_unique<TMainForm>(Folder());
        Settle(*form);
        return form;
    }

    // Runs the event loop until no download of the window is under way (at most 20 s).
    static void Settle(TMainForm& form) {
        if (!QTest::qWaitFor([&] { return form.Downloads.Threads() == 0; }, 20000))
            ADD_FAILURE() << "a download of the window did not end";
    }

    TempDir dir;
};
