#pragma once

#include <QString>

#include <functional>

class QWidget;

// Desktop services of the GUI: message boxes and opening addresses in the browser. Tests
// install handlers to answer and observe them instead of showing anything.
namespace platform {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Information, Warning, Error };
enum class MsgResult { Ok, Yes, No };

// A modal message box; returns the button pressed.
MsgResult ShowMessageBox(QWidget* parent, const QString& text, const QString& caption,
                         MsgButtons buttons, MsgIcon icon);

// Opens an address in the user's default browser; without one, a message box says so and
// shows the address.
void OpenUrl(const QString& url);

using MessageBoxHandler =
    std::function<MsgResult(const QString& text, const QString& caption, MsgButtons, MsgIcon)>;
using OpenUrlHandler = std::function<void(const QString& url)>;

// Replaces the real service; an empty handler restores it.
void SetMessageBoxHandler(MessageBoxHandler handler);
void SetOpenUrlHandler(OpenUrlHandler handler);

} // namespace platform
