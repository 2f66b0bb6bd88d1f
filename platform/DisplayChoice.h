#pragma once

#include <string>

// The window system the program runs on. A desktop widget must place itself and stay below
// other windows, which a Wayland client cannot do; so the program runs on X11, in a Wayland
// session through XWayland. The choice has to be made before the toolkit starts.
namespace platform {

struct TDisplayChoice {
    bool ForceXcb = false;      // start the toolkit with "-platform xcb"
    bool NeedsXDisplay = false; // X11 it is: make sure a display can be reached first
};

// `qtPlatform`: the value of QT_QPA_PLATFORM (nullptr: unset); `platformArgument`: the
// command line names a platform. The user's own choice is kept.
TDisplayChoice ChooseDisplay(const char* qtPlatform, bool platformArgument);

// The text for standard error when no X display can be reached, from the values of DISPLAY and
// WAYLAND_DISPLAY (nullptr: unset).
std::string NoDisplayMessage(const char* display, const char* waylandDisplay);

// The text for standard error when the toolkit cannot start the platform `name` (a name it does
// not know, or one whose window system is not there).
std::string NoPlatformMessage(const std::string& name);

} // namespace platform
