// The cache folder: files written whole, anything unreadable absent, failures reported; the
// modes a replaced file gets.
#include "platform/Cache.h"
#include "platform/Clock.h"
#include "platform/FileWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using platform::TCache;

TEST(Cache, WritesWholeFilesInFoldersMadeOnTheWay) {
    TempDir dir;
    const TCache cache(dir.Path() + "/cache");
    EXPECT_EQ(cache.Folder(), dir.Path() + "/cache/");
    EXPECT_FALSE(cache.Read("jma/area.json"));

    ASSERT_EQ(cache.Write("jma/area.json", "first"), std::nullopt);
    ASSERT_EQ(cache.Write("jma/area.json", std::string("second\0bytes", 12)), std::nullopt);
    const auto entry = cache.Read("jma/area.json");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Content, std::string("second\0bytes", 12));
    const std::int64_t now = platform::UnixSecondsNow();
    EXPECT_LE(std::abs(entry->WrittenAt - now), 5);
    // Another object on the same folder sees it; nothing but the file is left behind.
    EXPECT_EQ(TCache(dir.Path() + "/cache/").Read("jma/area.json")->Content, entry->Content);
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(dir.Path() + "/cache/jma")) {
        (void)item;
        ++files;
    }
    EXPECT_EQ(files, 1);

    cache.Remove("jma/area.json");
    cache.Remove("jma/area.json");
    EXPECT_FALSE(cache.Read("jma/area.json"));
}

TEST(Cache, WhatCannotBeReadIsAbsentAndAFailedWriteKeepsTheOldFile) {
    TempDir dir;
    const TCache cache(dir.Path());
    ASSERT_EQ(cache.Write("record.json", "good"), std::nullopt);
    EXPECT_FALSE(cache.Read("record.json", 3)); // larger than asked for
    std::filesystem::create_directories(dir.Path() + "/folder");
    EXPECT_FALSE(cache.Read("folder"));

    // A folder where the file belongs: the write fails, says where, and leaves no trace.
    dir.Write("folder/inside", "x");
    const auto error = cache.Write("folder", "new");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(dir.Path() + "/folder"), std::string::npos) << *error;
    EXPECT_EQ(ReadAll(dir.Path() + "/folder/inside"), "x");

    // A file where a folder belongs.
    const TCache blocked(dir.Path() + "/record.json/sub");
    const auto folderError = blocked.Write("x.json", "new");
    ASSERT_TRUE(folderError);
    EXPECT_NE(folderError->find("キャッシュのフォルダ"), std::string::npos) << *folderError;
    EXPECT_EQ(cache.Read("record.json")->Content, "good");
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(dir.Path())) {
        (void)item;
        ++files;
    }
    EXPECT_EQ(files, 2); // record.json and folder/
}

TEST(Cache, OnlyARegularFileIsReadAndNothingWaits) {
    TempDir dir;
    const TCache cache(dir.Path());
    ASSERT_EQ(cache.Write("target.json", "kept elsewhere"), std::nullopt);
    ASSERT_EQ(::mkfifo((dir.Path() + "/fifo.json").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.Path() + "/target.json", dir.Path() + "/link.json");
    std::filesystem::create_symlink("/dev/zero", dir.Path() + "/zero.json");
    for (const char* name : {"fifo.json", "link.json", "zero.json"}) {
        // A read that waits is ended by a writer, so that a fault fails the test, not hangs it.
        auto read = std::async(std::launch::async, [&cache, name] { return cache.Read(name); });
        if (read.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            ADD_FAILURE() << name << " blocked the read";
            const int writer = ::open((dir.Path() + "/" + name).c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
        }
        EXPECT_FALSE(read.get()) << name;
    }
    // A FIFO or a link is replaced by a file, which is then read.
    for (const char* name : {"fifo.json", "link.json"}) {
        ASSERT_EQ(cache.Write(name, name), std::nullopt) << name;
        ASSERT_TRUE(cache.Read(name)) << name;
        EXPECT_EQ(cache.Read(name)->Content, name);
    }
    EXPECT_EQ(cache.Read("target.json")->Content, "kept elsewhere");
}

TEST(FileWrite, TheNewFileKeepsOnlyTheOldFilesSafePermissions) {
    const mode_t umaskBefore = ::umask(027);
    TempDir dir;
    ASSERT_EQ(dir.Write("setid", "x"), dir.Path() + "/setid");
    ::chmod((dir.Path() + "/setid").c_str(), 04777);
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> make; // nullptr: no file before
        mode_t mode;
    };
    const auto file = [](mode_t mode) {
        return [mode](const std::string& path) {
            ASSERT_EQ(platform::ReplaceFileContents(path, "old"), std::nullopt);
            ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        };
    };
    const std::string setid = dir.Path() + "/setid";
    const std::vector<Case> cases = {
        {"no file before", nullptr, 0640},
        {"a private file", file(0600), 0600},
        {"a file others may read", file(0644), 0644},
        {"a file all may write", file(0666), 0666},
        {"a file nobody may read", file(0000), 0600},
        {"a read-only file", file(0444), 0644},
        {"a set-id file", file(06755), 0755},
        {"a sticky file", file(01644), 0644},
        {"a symlink to a set-id file",
         [&setid](const std::string& path) { std::filesystem::create_symlink(setid, path); }, 0640},
        {"a FIFO", [](const std::string& path) { ::mkfifo(path.c_str(), 0666); }, 0640},
    };
    for (const Case& c : cases) {
        const std::string path = dir.Path() + "/" + c.name;
        if (c.make)
            c.make(path);
        ASSERT_EQ(platform::ReplaceFileContents(path, "new"), std::nullopt) << c.name;
        struct stat info {};
        ASSERT_EQ(::lstat(path.c_str(), &info), 0) << c.name;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << c.name;
        EXPECT_EQ(info.st_mode & 07777, c.mode)
            << c.name << ": " << std::oct << (info.st_mode & 07777);
        EXPECT_EQ(ReadAll(path), "new") << c.name;
    }
    struct stat target {};
    ASSERT_EQ(::stat(setid.c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 04777u);
    EXPECT_EQ(ReadAll(setid), "x");
    ::umask(umaskBefore);
}
