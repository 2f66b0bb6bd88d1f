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

// The first folder on the way from `folder` up to the root that stands as something else (a
// file where a folder belongs); empty when there is none.
std::string BlockerOf(const std::string& folder) {
    namespace fs = std::filesystem;
    for (fs::path p = fs::path(folder).lexically_normal(); !p.empty(); p = p.parent_path()) {
        std::error_code ec;
        const fs::file_status status = fs::status(p, ec);
        if (fs::exists(status))
            return fs::is_directory(status) ? std::string() : p.string();
        if (p == p.parent_path())
            break;
    }
    return {};
}

// A sentence for the causes a user can act on; nothing for the others (the system's reason
// follows in any case).
std::string CauseOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "書き込みの権限がありません。";
    case EROFS:
        return "読み取り専用の場所です。";
    case ENOSPC:
    case EDQUOT:
        return "ディスクの空きが足りません。";
    default:
        return {};
    }
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

[[noreturn]] void FailToSave(const std::string& what, int error) {
    throw EFileError("ログイン時に起動する設定を保存できません。\n\n" + what + "\n(" +
                     std::strerror(error) + ")");
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
    // Say what stands in the way and where: the system's reason alone ("File exists") hides
    // that a file stands where the folder belongs.
    std::string folder = ExtractFilePath(entryFile);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::string what = "フォルダー " + Quoted(folder) + " を作れません。";
        if (const std::string blocker = BlockerOf(folder); blocker == folder)
            what += "その場所にファイルがあります。";
        else if (!blocker.empty())
            what += Quoted(blocker) + " がフォルダーではなくファイルです。";
        else
            what += CauseOf(ec.value());
        FailToSave(what, ec.value());
    }
    if (ReplaceFileContents(entryFile, entry)) {
        const int error = errno;
        std::string what = "ファイル " + Quoted(entryFile) + " を書き込めません。";
        if (DirectoryExists(entryFile))
            what += "その場所にフォルダーがあります。";
        else
            what += CauseOf(error);
        FailToSave(what, error);
    }
}

void DisableAutostart(const std::string& entryFile) {
    if (::unlink(entryFile.c_str()) == 0 || errno == ENOENT)
        return;
    const int error = errno;
    std::string what = "ファイル " + Quoted(entryFile) + " を削除できません。";
    what += error == EISDIR ? "その場所にあるのはフォルダーです。" : CauseOf(error);
    throw EFileError("ログイン時に起動する設定を削除できません。\n\n" + what + "\n(" +
                     std::strerror(error) + ")");
}

} // namespace platform
