#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TCommandLine Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "/opt/pelumi/zomika2");
    return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(CommandLine, OptionsDecideWhatHappens) {
    using A = TCommandLine::TAction;
    struct Case {
        std::vector<const char*> arguments;
        A action;
        const char* error;
    };
    const char* const help = "\n使えるオプションは \"zomika2 --help\" で表示されます。\n";
    const Case cases[] = {
        {{}, A::Run, ""},
        {{"--help"}, A::Help, ""},
        {{"-h"}, A::Help, ""},
        {{"--version"}, A::Version, ""},
        // The toolkit's options that users and session managers pass go through with a value.
        {{"-platform", "xcb"}, A::Run, ""},
        {{"--platform", "offscreen", "-session", "1a2b"}, A::Run, ""},
        {{"--session", "1a2b"}, A::Run, ""},
        // An option where the value belongs: the value is missing.
        {{"-platform", "--help"}, A::Error, "Pelumi: オプション -platform には値が必要です。"},
        {{"--platform", "-session", "1"},
         A::Error,
         "Pelumi: オプション --platform には値が必要です。"},
        {{"-session", "-"}, A::Error, "Pelumi: オプション -session には値が必要です。"},
        // The first deciding argument wins.
        {{"--version", "--help"}, A::Version, ""},
        {{"--help", "--bogus"}, A::Help, ""},
        {{"--bogus", "--help"}, A::Error, "Pelumi: 不明なオプション \"--bogus\" です。"},
        {{"-v"}, A::Error, "Pelumi: 不明なオプション \"-v\" です。"},
        {{"--Help"}, A::Error, "Pelumi: 不明なオプション \"--Help\" です。"},
        {{"-style", "fusion"}, A::Error, "Pelumi: 不明なオプション \"-style\" です。"},
        {{"---platform", "xcb"}, A::Error, "Pelumi: 不明なオプション \"---platform\" です。"},
        {{"-platform"}, A::Error, "Pelumi: オプション -platform には値が必要です。"},
        {{"-session", "1", "--session"},
         A::Error,
         "Pelumi: オプション --session には値が必要です。"},
        {{"Tokyo"},
         A::Error,
         "Pelumi: 余分な引数 \"Tokyo\" があります。このプログラムは引数を取りません。"},
        {{"-"},
         A::Error,
         "Pelumi: 余分な引数 \"-\" があります。このプログラムは引数を取りません。"},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const char* a : c.arguments)
            what += std::string(a) + " ";
        const TCommandLine line = Parse(c.arguments);
        EXPECT_EQ(line.Action, c.action) << what;
        EXPECT_EQ(line.Error, *c.error ? std::string(c.error) + help : "") << what;
    }
}

TEST(CommandLine, HelpNamesEveryOptionAndTheProgram) {
    const std::string text = HelpText("zomika2-copy");
    EXPECT_EQ(text.rfind("使い方: zomika2-copy [オプション]\n", 0), 0u) << text;
    for (const char* option : {"-h, --help", "--version", "-platform 名前", "-session ID"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
    EXPECT_EQ(HelpText("").rfind("使い方: zomika2 [オプション]\n", 0), 0u);
}

TEST(CommandLine, VersionTextNamesProgramVersionAndLicence) {
    EXPECT_EQ(VersionText("9.8.7.6"), "zomika2 (Pelumi) 9.8.7.6\n"
                                      "Copyright (c) 2026 the Pelumi developers\n"
                                      "MIT License\n");
}
