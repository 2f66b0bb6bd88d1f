#include "app/Startup.h"

#include "platform/DisplayChoice.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

} // namespace

TToolkitArguments::TToolkitArguments(int argc, char** argv) {
    bool platformArgument = false;
    for (int i = 0; i < argc; ++i) {
        values_.push_back(argv[i]);
        platformArgument = platformArgument || std::strcmp(argv[i], "-platform") == 0 ||
                           std::strcmp(argv[i], "--platform") == 0;
    }
    const platform::TDisplayChoice choice =
        platform::ChooseDisplay(std::getenv("QT_QPA_PLATFORM"), platformArgument);
    if (choice.ForceXcb) {
        values_.push_back(kPlatformOption);
        values_.push_back(kXcb);
    }
    needsXDisplay_ = choice.NeedsXDisplay;
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
