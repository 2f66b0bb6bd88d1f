#pragma once

#include <string>
#include <string_view>

// The program's own options, read before the toolkit or a display is touched. The widget
// itself takes no arguments; besides --help and --version only the two options of the toolkit
// that users and sessions pass are let through: -platform NAME (the platform choice) and
// -session ID (a session manager restoring the program). Either may be written with "--"; a
// value that starts with "-" is an option, so the value is missing.
struct TCommandLine {
    enum class TAction { Run, Help, Version, Error };
    TAction Action = TAction::Run;
    std::string Error; // the message for Error, one or more lines ending in "\n"
};

// Reads the arguments from left to right; the first --help, --version or wrong argument
// decides.
TCommandLine ParseCommandLine(int argc, const char* const* argv);

// The text of --help, for the program started as `programName`.
std::string HelpText(std::string_view programName);

// The text of --version: name, version, copyright and licence.
std::string VersionText(std::string_view version);

// Exit status of a command line that could not be read.
inline constexpr int kUsageExitStatus = 2;

// Acts on --help, --version and errors (printing to standard output or error) and returns the
// exit status; returns -1 when the widget is to run.
int HandleCommandLine(int argc, const char* const* argv);
