#include "app/Startup.h"

#include "platform/DisplayChoice.h"

#include <QString>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

char kPlatformOption[] = "-platform";
char kXcb[] = "xcb";

// The toolkit aborts the process when it cannot open the display; ask first.
bool XDisplayReachable() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = connection != nullptr && xcb_connection_has_error(connection) == 0;
    if (connection != nullptr)
        xcb_disconnect(connection);
    return reachable;
}

// The platform guard's state: one application object is made, on the main thread.
std::string guardedPlatform;
QtMessageHandler outerHandler = nullptr;
struct THeldMessage {
    QtMsgType Type;
    QString Text;
};
std::vector<THeldMessage> heldMessages;

void EndOnPlatformFailure(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, text});
        return;
    }
    (void)context;
    std::fputs(platform::NoPlatformMessage(guardedPlatform).c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

TToolkitArguments::TToolkitArguments(int argc, char** argv) {
    bool platformArgument = false;
    for (int i = 0; i < argc; ++i) {
        values_.push_back(argv[i]);
        const bool option =
            std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0;
        if (option && i + 1 < argc)
            platformName_ = argv[i + 1];
        platformArgument = platformArgument || option;
    }
    const char* environment = std::getenv("QT_QPA_PLATFORM");
    if (platformName_.empty() && environment != nullptr)
        platformName_ = environment;
    const platform::TDisplayChoice choice = platform::ChooseDisplay(environment, platformArgument);
    if (choice.ForceXcb)
        platformName_ = kXcb;
    if (choice.ForceXcb) {
        values_.push_back(kPlatformOption);
        values_.push_back(kXcb);
    }
    // X11 chosen on the command line needs the display check as much as X11 by default.
    needsXDisplay_ = choice.NeedsXDisplay ||
                     std::string_view(platformName_).substr(0, platformName_.find(':')) == kXcb;
    count_ = static_cast<int>(values_.size());
    values_.push_back(nullptr);
}

bool TToolkitArguments::CheckDisplay() const {
    if (!needsXDisplay_ || XDisplayReachable())
        return true;
    const std::string message =
        platform::NoDisplayMessage(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    std::fputs(message.c_str(), stderr);
    return false;
}

TPlatformStartGuard::TPlatformStartGuard(const TToolkitArguments& arguments) {
    guardedPlatform = arguments.PlatformName();
    heldMessages.clear();
    previous_ = qInstallMessageHandler(EndOnPlatformFailure);
    outerHandler = previous_;
}

TPlatformStartGuard::~TPlatformStartGuard() {
    qInstallMessageHandler(previous_);
    for (const THeldMessage& message : heldMessages)
        if (outerHandler != nullptr)
            outerHandler(message.Type, QMessageLogContext(), message.Text);
    heldMessages.clear();
}
