// The login entry: its text, its file, and what real desktop tools make of it.
#include "pelumi_install.h"
#include "platform/Autostart.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct TRunResult {
    int status = -1;
    std::string output; // standard output and error
};

// Runs a program with its arguments as given (no shell between), with `env` added.
TRunResult RunProgram(const std::vector<std::string>& argv,
                      const std::vector<std::string>& env = {}) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        for (const std::string& e : env)
            ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    TRunResult run;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// Program folders whose names hold every character the Exec key treats specially.
const std::vector<std::string> kOddFolders = {
    "plain",          "with space",       "it's",           "dollar $HOME",
    "back\\slash",    "100% sure",        "quote \"d\"",    "back`tick`",
    "semi;colon&amp", "paren (1) <x> |y", "tilde~ #hash*?", "日本語のフォルダ",
};

} // namespace

TEST(Autostart, ExecArgumentIsQuotedAndEscaped) {
    struct Case {
        const char* argument;
        const char* exec;
    };
    const std::vector<Case> cases = {
        {"/usr/bin/zomika2", "/usr/bin/zomika2"},
        {"/opt/日本語/zomika2", "/opt/日本語/zomika2"},
        {"/a/x=y,z+w/zomika2", "/a/x=y,z+w/zomika2"},
        {"/home/u/My Apps/zomika2", R"("/home/u/My Apps/zomika2")"},
        {"/opt/100%/zomika2", "/opt/100%%/zomika2"},
        {"/a/50% $off/z", R"("/a/50%% \\$off/z")"},
        {"/a/\"q\"`b`/z", R"("/a/\\"q\\"\\`b\\`/z")"},
        {"/a/b\\c/z", R"("/a/b\\\\c/z")"},
        {"/a/it's/z", R"("/a/it's/z")"},
        {"/a/semi;colon/z", R"("/a/semi;colon/z")"},
        {"/a/~x/z", R"("/a/~x/z")"},
        {"", R"("")"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::DesktopExecArgument(c.argument), c.exec) << c.argument;

    for (const char* bad :
         {"/a/tab\there", "/a/line\nbreak", "/a/\x01", "/a/\x7f", "/a/\xff\xfe"}) {
        EXPECT_THROW(platform::DesktopExecArgument(bad), EFileError) << bad;
        EXPECT_THROW(platform::AutostartEntry(bad), EFileError) << bad;
    }
}

TEST(Autostart, EntryStartsTheGivenExecutable) {
    EXPECT_EQ(platform::AutostartEntry("/opt/my apps/zomika2"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Pelumi\n"
              "Name[ja]=" PELUMI_ENTRY_NAME_JA "\n"
              "Comment=" PELUMI_ENTRY_COMMENT "\n"
              "Comment[ja]=" PELUMI_ENTRY_COMMENT_JA "\n"
              "Icon=" PELUMI_APP_ID "\n"
              "Exec=\"/opt/my apps/zomika2\"\n"
              "TryExec=/opt/my apps/zomika2\n"
              "Terminal=false\n");
    EXPECT_NE(platform::AutostartEntry("/a/b\\c").find("\nTryExec=/a/b\\\\c\n"), std::string::npos);
}

TEST(Autostart, EnablingWritesTheWholeEntryAndDisablingRemovesIt) {
    TempDir dir;
    const std::string entry = dir.Path() + "/config/autostart/zomika2.desktop";
    EXPECT_FALSE(platform::AutostartEnabled(entry));

    platform::EnableAutostart(entry, "/opt/first/zomika2");
    EXPECT_TRUE(platform::AutostartEnabled(entry));
    EXPECT_EQ(ReadAll(entry), platform::AutostartEntry("/opt/first/zomika2"));
    struct stat info {};
    ASSERT_EQ(::stat(entry.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);

    // Again from another copy: the entry names the copy that asked last.
    platform::EnableAutostart(entry, "/opt/second copy/zomika2");
    EXPECT_EQ(ReadAll(entry), platform::AutostartEntry("/opt/second copy/zomika2"));
    EXPECT_EQ(FolderNames(dir.Path() + "/config/autostart"),
              std::vector<std::string>{"zomika2.desktop"});

    platform::DisableAutostart(entry);
    EXPECT_FALSE(platform::AutostartEnabled(entry));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_NO_THROW(platform::DisableAutostart(entry)); // already gone
}

TEST(Autostart, FailuresSayWhatStandsInTheWayAndWhere) {
    TempDir dir;
    const std::string d = dir.Path();
    dir.Write("blocked/autostart", "not a folder");
    dir.Write("file-config", "not a folder either");
    std::filesystem::create_directories(d + "/taken/autostart/zomika2.desktop/inside");
    const std::string save = "ログイン時に起動する設定を保存できません。\n\n";
    struct Case {
        const char* what;
        std::string entry;
        std::string message;
    };
    const Case cases[] = {
        {"a file where the autostart folder belongs", d + "/blocked/autostart/zomika2.desktop",
         save + "フォルダー \"" + d +
             "/blocked/autostart\" を作れません。その場所にファイルがあり" +
             "ます。\n(Not a directory)"},
        {"a file where a folder above it belongs", d + "/file-config/autostart/zomika2.desktop",
         save + "フォルダー \"" + d + "/file-config/autostart\" を作れません。\"" + d +
             "/file-config\" がフォルダーではなくファイルです。\n(Not a directory)"},
        {"a folder where the entry belongs", d + "/taken/autostart/zomika2.desktop",
         save + "ファイル \"" + d +
             "/taken/autostart/zomika2.desktop\" を書き込めません。その場所" +
             "にフォルダーがあります。\n(Is a directory)"},
    };
    for (const Case& c : cases) {
        try {
            platform::EnableAutostart(c.entry, "/usr/bin/zomika2");
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.what(), c.message) << c.what;
        }
    }
    // Nothing was replaced, and no temporary file stayed beside the entry's place.
    EXPECT_EQ(ReadAll(d + "/blocked/autostart"), "not a folder");
    EXPECT_EQ(ReadAll(d + "/file-config"), "not a folder either");
    EXPECT_EQ(FolderNames(d + "/taken/autostart"), std::vector<std::string>{"zomika2.desktop"});
    EXPECT_FALSE(platform::AutostartEnabled(d + "/x/zomika2.desktop"));

    try {
        platform::DisableAutostart(d + "/taken/autostart/zomika2.desktop");
        ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.what(), "ログイン時に起動する設定を削除できません。\n\nファイル \"" + d +
                                "/taken/autostart/zomika2.desktop\" を削除できません。その場所に" +
                                "あるのはフォルダーです。\n(Is a directory)");
    }

    EXPECT_THROW(platform::EnableAutostart(d + "/x/zomika2.desktop", ""), EFileError);
    EXPECT_FALSE(std::filesystem::exists(d + "/x/zomika2.desktop"));
}

TEST(Autostart, AFolderWithoutWritePermissionIsNamed) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    TempDir dir;
    std::filesystem::create_directories(dir.Path() + "/locked/autostart");
    ASSERT_EQ(::chmod((dir.Path() + "/locked/autostart").c_str(), 0555), 0);
    ASSERT_EQ(::chmod((dir.Path() + "/locked").c_str(), 0555), 0);
    struct Case {
        std::string entry, message;
    };
    const Case cases[] = {
        {dir.Path() + "/locked/autostart/zomika2.desktop",
         "ファイル \"" + dir.Path() +
             "/locked/autostart/zomika2.desktop\" を書き込めません。書き込み" +
             "の権限がありません。\n(Permission denied)"},
        {dir.Path() + "/locked/new/zomika2.desktop",
         "フォルダー \"" + dir.Path() + "/locked/new\" を作れません。書き込みの権限がありません。" +
             "\n(Permission denied)"},
    };
    for (const Case& c : cases) {
        try {
            platform::EnableAutostart(c.entry, "/usr/bin/zomika2");
            ADD_FAILURE() << c.entry << ": no error";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.what(), "ログイン時に起動する設定を保存できません。\n\n" + c.message);
        }
    }
    ::chmod((dir.Path() + "/locked").c_str(), 0755);
    ::chmod((dir.Path() + "/locked/autostart").c_str(), 0755);
}

TEST(Autostart, DesktopToolsAcceptTheEntryAndStartTheProgramFromIt) {
    TempDir dir;
    for (const std::string& folder : kOddFolders) {
        SCOPED_TRACE(folder);
        const std::string program = dir.Path() + "/" + folder + "/zomika2";
        const std::string marker =
            dir.Path() + "/started-" + std::to_string(&folder - &kOddFolders[0]);
        // The program writes the path it was started by.
        dir.Write(folder + "/zomika2", "#!/bin/sh\nprintf '%s' \"$0\" > \"$PELUMI_MARKER\"\n");
        ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
        const std::string entry = dir.Path() + "/autostart/zomika2.desktop";
        platform::EnableAutostart(entry, program);

        const TRunResult validate = RunProgram({"desktop-file-validate", entry});
        EXPECT_EQ(validate.status, 0) << validate.output;
        EXPECT_EQ(validate.output, "");

        // GLib's launcher, as a session starts an autostart entry. It looks for the program
        // before undoing "%%", so a path with "%" is valid but not started by it.
        if (folder.find('%') != std::string::npos)
            continue;
        const TRunResult launch = RunProgram({"gio", "launch", entry}, {"PELUMI_MARKER=" + marker});
        EXPECT_EQ(launch.status, 0) << launch.output;
        std::string started;
        for (int i = 0; i < 100 && started.empty(); ++i) {
            started = ReadAll(marker);
            if (started.empty())
                ::usleep(20000);
        }
        EXPECT_EQ(started, program);
    }
}
