#include "app/CommandLine.h"

#include "platform/Paths.h"
#include "platform/Version.h"

#include <cstdio>

namespace {

// The toolkit's own spelling takes one dash; it accepts two as well.
bool IsToolkitOption(std::string_view argument, std::string_view name) {
    if (argument.starts_with("--"))
        argument.remove_prefix(1);
    return argument.size() == name.size() + 1 && argument[0] == '-' && argument.substr(1) == name;
}

TCommandLine Error(std::string message) {
    return {TCommandLine::TAction::Error,
            "Pelumi: " + std::move(message) +
                "\n使えるオプションは \"zomika2 --help\" で表示されます。\n"};
}

} // namespace

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return {TCommandLine::TAction::Help, {}};
        if (argument == "--version")
            return {TCommandLine::TAction::Version, {}};
        if (IsToolkitOption(argument, "platform") || IsToolkitOption(argument, "session")) {
            // The toolkit would take "--help" for a platform's name and abort.
            if (i + 1 == argc || std::string_view(argv[i + 1]).starts_with("-"))
                return Error("オプション " + std::string(argument) + " には値が必要です。");
            ++i;
            continue;
        }
        if (argument.starts_with("-") && argument.size() > 1)
            return Error("不明なオプション \"" + std::string(argument) + "\" です。");
        return Error("余分な引数 \"" + std::string(argument) +
                     "\" があります。このプログラムは引数を取りません。");
    }
    return {};
}

std::string HelpText(std::string_view programName) {
    const std::string name(programName.empty() ? std::string_view("zomika2") : programName);
    return "使い方: " + name +
           " [オプション]\n"
           "\n"
           "Pelumi はデスクトップとタスクトレイに天気予報を表示するウィジェットです。\n"
           "操作はすべてタスクトレイのアイコンのメニューから行います。\n"
           "\n"
           "オプション:\n"
           "  -h, --help         この説明を表示して終了します。\n"
           "      --version      名前とバージョンを表示して終了します。\n"
           "  -platform 名前     Qt のプラットフォームを選びます (既定は xcb)。\n"
           "  -session ID        セッションマネージャーが復元のときに渡します。\n"
           "\n"
           "終了ステータス: 0 正常 (既に動いているウィジェットを表示した場合も)、\n"
           "1 X ディスプレイに接続できない、または動いているウィジェットが応答しない、\n"
           "2 コマンドラインの誤り。\n"
           "\n"
           "設定ファイル、スキン、キャッシュの場所とデータの利用条件: man zomika2\n";
}

std::string VersionText(std::string_view version) {
    return "zomika2 (Pelumi) " + std::string(version) +
           "\n"
           "Copyright (c) 2026 the Pelumi developers\n"
           "MIT License\n";
}

int HandleCommandLine(int argc, const char* const* argv) {
    const TCommandLine line = ParseCommandLine(argc, argv);
    switch (line.Action) {
    case TCommandLine::TAction::Run:
        return -1;
    case TCommandLine::TAction::Help:
        std::fputs(HelpText(argc > 0 ? platform::ExtractFileName(argv[0]) : "").c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1; // a full disk or a closed pipe is no success
    case TCommandLine::TAction::Version:
        std::fputs(VersionText(platform::OwnFileVersion()).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case TCommandLine::TAction::Error:
        std::fputs(line.Error.c_str(), stderr);
        return kUsageExitStatus;
    }
    return -1;
}
