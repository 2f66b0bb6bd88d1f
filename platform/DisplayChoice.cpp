#include "platform/DisplayChoice.h"

#include <string_view>

namespace platform {

TDisplayChoice ChooseDisplay(const char* qtPlatform, bool platformArgument) {
    TDisplayChoice choice;
    if (platformArgument)
        return choice;
    if (qtPlatform == nullptr || *qtPlatform == '\0') {
        choice.ForceXcb = true;
        choice.NeedsXDisplay = true;
        return choice;
    }
    // "xcb" or "xcb:options"; a list ("wayland;xcb") is the user's own fallback order.
    const std::string_view name(qtPlatform);
    choice.NeedsXDisplay = name.substr(0, name.find(':')) == "xcb";
    return choice;
}

std::string NoDisplayMessage(const char* display, const char* waylandDisplay) {
    std::string message = "Pelumi: ";
    if (display == nullptr || *display == '\0')
        message += "X ディスプレイに接続できません (DISPLAY が設定されていません)。\n";
    else
        message += "X ディスプレイ \"" + std::string(display) + "\" に接続できません。\n";
    if (waylandDisplay != nullptr && *waylandDisplay != '\0')
        message += "Wayland のセッションでは XWayland を通して動きます。XWayland が使えるか"
                   "確かめてください。\n";
    else
        message += "このプログラムは X11 のデスクトップで動きます。\n";
    return message;
}

std::string NoPlatformMessage(const std::string& name) {
    return "Pelumi: プラットフォーム \"" + name +
           "\" で画面を開けません。\nこのプログラムは X11 のデスクトップで動きます。\n";
}

} // namespace platform
