// The cache folder: files written whole, anything unreadable absent, failures reported.
#include "platform/Cache.h"
#include "platform/Clock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

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
