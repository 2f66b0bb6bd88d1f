#pragma once

#include <QtGlobal>

#include <string>
#include <vector>

// The command line the toolkit starts with: the program's own arguments, plus "-platform xcb"
// unless the user chose a platform (QT_QPA_PLATFORM or -platform). Lives as long as the
// application object, which keeps references into it.
class TToolkitArguments {
public:
    TToolkitArguments(int argc, char** argv);
    TToolkitArguments(const TToolkitArguments&) = delete;
    TToolkitArguments& operator=(const TToolkitArguments&) = delete;

    int& Count() { return count_; }
    char** Values() { return values_.data(); }

    // When the program will run on X11: true when a display can be reached; otherwise the
    // reason is written to standard error and the result is false.
    bool CheckDisplay() const;

    // The platform the toolkit will start: the command line's choice, else QT_QPA_PLATFORM's,
    // else xcb.
    const std::string& PlatformName() const { return platformName_; }

private:
    int count_ = 0;
    std::vector<char*> values_;
    bool needsXDisplay_ = false;
    std::string platformName_;
};

// While it lives (around the application object's construction): the toolkit reports a
// platform it cannot start (an unknown name, a window system that is not there) as a fatal
// error and aborts; instead the process says so in Japanese (platform::NoPlatformMessage) and
// ends with status 1. The toolkit's other messages meanwhile go out when the guard ends.
class TPlatformStartGuard {
public:
    explicit TPlatformStartGuard(const TToolkitArguments& arguments);
    ~TPlatformStartGuard();
    TPlatformStartGuard(const TPlatformStartGuard&) = delete;
    TPlatformStartGuard& operator=(const TPlatformStartGuard&) = delete;

private:
    QtMessageHandler previous_;
};
