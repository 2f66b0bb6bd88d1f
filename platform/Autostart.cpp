#include "platform/Autostart.h"

#include "pelumi_install.h"
#include "platform/Errors.h"
#include "platform/FileWrite.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

void CheckEntryText(std::string_view text) {
    bool control = false;
    for (const char c : text)
        control = control || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    if (control || !IsValidUtf8(text))
        throw EFileError("このプログラムの場所には、ログイン時に起動する設定に書けない文字が含まれ"
                         "ています。\n\n" +
                         std::string(text));
}

// A string value: the backslash is the only character of a path that needs escaping.
std::string StringValue(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

std::string DesktopExecArgument(std::string_view argument) {
    CheckEntryText(argument);
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
    std::string exec;
    if (quote)
        exec += '"';
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            exec += '\\';
        if (c == '%')
            exec += '%'; // a field code otherwise
        exec += c;
    }
    if (quote)
        exec += '"';
    // The quoting rule works on the value after the string escapes are undone.
    return StringValue(exec);
}

std::string AutostartEntry(std::string_view executable) {
    return std::string("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=" PELUMI_ENTRY_NAME "\n"
                       "Name[ja]=" PELUMI_ENTRY_NAME_JA "\n"
                       "Comment=" PELUMI_ENTRY_COMMENT "\n"
                       "Comment[ja]=" PELUMI_ENTRY_COMMENT_JA "\n"
                       "Icon=" PELUMI_APP_ID "\n"
                       "Exec=") +
           DesktopExecArgument(executable) + "\nTryExec=" + StringValue(executable) +
           "\nTerminal=false\n";
}

bool AutostartEnabled(const std::string& entryFile) {
    return FileExists(entryFile);
}

void EnableAutostart(const std::string& entryFile, const std::string& executable) {
    if (executable.empty())
        throw EFileError("このプログラムの場所が分からないため、ログイン時に起動する設定を保存で"
                         "きません。");
    const std::string entry = AutostartEntry(executable);
    auto fail = [&](const std::string& reason) {
        throw EFileError("ログイン時に起動する設定を保存できません。\n\n" + entryFile + "\n(" +
                         reason + ")");
    };
    std::error_code ec;
    std::filesystem::create_directories(ExtractFilePath(entryFile), ec);
    if (ec)
        fail(ec.message());
    if (const auto reason = ReplaceFileContents(entryFile, entry))
        fail(*reason);
}

void DisableAutostart(const std::string& entryFile) {
    if (::unlink(entryFile.c_str()) == 0 || errno == ENOENT)
        return;
    const std::string reason = std::strerror(errno);
    throw EFileError("ログイン時に起動する設定を削除できません。\n\n" + entryFile + "\n(" + reason +
                     ")");
}

} // namespace platform
