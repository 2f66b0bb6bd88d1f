#pragma once

#include <string>
#include <string_view>

// The login entry: an XDG autostart desktop entry that starts the program when the user logs
// in. Its presence is the setting; there is no key for it in the settings file.
namespace platform {

// One argument of a desktop entry's Exec key: in double quotes when it holds a reserved
// character (with ", `, $ and \ escaped inside), every "%" doubled, and then escaped as a
// string value. Throws EFileError for text no desktop entry can hold: not UTF-8, or control
// characters.
std::string DesktopExecArgument(std::string_view argument);

// The whole entry that starts `executable` (an absolute path). Throws as above.
std::string AutostartEntry(std::string_view executable);

// True when the entry file exists.
bool AutostartEnabled(const std::string& entryFile);

// Writes the entry for `executable`, creating its folder, all at once (a failure leaves the
// previous file or none). Throws EFileError with a message for the user.
void EnableAutostart(const std::string& entryFile, const std::string& executable);

// Removes the entry; one that is already gone is fine. Throws EFileError.
void DisableAutostart(const std::string& entryFile);

} // namespace platform
