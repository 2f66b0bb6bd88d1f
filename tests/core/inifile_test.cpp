#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using platform::IniFile;

TEST(IniFile, ReadingRules) {
    const IniFile ini = IniFile::Parse("garbage line\n"
                                       "[Option]\n"
                                       "Top = 12 \n"
                                       "top=99\n"
                                       "Hex1=$1F\n"
                                       "Hex2=0x10\n"
                                       "Hex3=X0A\n"
                                       "Neg=-7\n"
                                       "Bad=12abc\n"
                                       "Empty=\n"
                                       "Flag=2\n"
                                       "Zero=0\n"
                                       "Quoted=\"a b\"\n"
                                       "Single='c'\n"
                                       "Half=\"d\n"
                                       "[option]\n"
                                       "Second=ignored\n"
                                       "[URL]\r\n"
                                       "Prefix=http://x/\r\n");
    struct Case {
        const char* section;
        const char* key;
        std::int32_t integer; // with fallback -1
    };
    const std::vector<Case> integers = {
        {"Option", "Top", 12},  {"OPTION", "TOP", 12},   {"Option", "Hex1", 31},
        {"Option", "Hex2", 16}, {"Option", "Hex3", 10},  {"Option", "Neg", -7},
        {"Option", "Bad", -1},  {"Option", "Empty", -1}, {"Option", "Missing", -1},
        {"Nowhere", "Top", -1},
    };
    for (const Case& c : integers)
        EXPECT_EQ(ini.ReadInteger(c.section, c.key, -1), c.integer) << c.key;
    EXPECT_TRUE(ini.ReadBool("Option", "Flag", false));
    EXPECT_FALSE(ini.ReadBool("Option", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("Option", "Missing", true));
    EXPECT_EQ(ini.ReadString("Option", "Quoted", ""), "a b");
    EXPECT_EQ(ini.ReadString("Option", "Single", ""), "c");
    EXPECT_EQ(ini.ReadString("Option", "Half", ""), "\"d");
    EXPECT_EQ(ini.ReadString("Option", "Second", "none"), "none"); // first section wins
    EXPECT_EQ(ini.ReadString("URL", "Prefix", ""), "http://x/");
}

TEST(IniFile, ValuesAreCutAt2047Characters) {
    std::string longValue;
    for (int i = 0; i < 2100; ++i)
        longValue += "あ";
    const IniFile ini = IniFile::Parse("[S]\nK=" + longValue + "\n");
    const std::string read = ini.ReadString("S", "K", "");
    EXPECT_EQ(read.size(), 2047u * 3u); // characters, not bytes
}

TEST(IniFile, WritingKeepsWhatTheProgramDoesNotOwn) {
    TempDir dir;
    const std::string path = dir.Write("a.ini", "; note\r\n[Option]\r\nUpdateCheckURL=http://v/\r\n"
                                                "Top=1\r\n\r\n[Other]\r\nX=y\r\n");
    IniFile ini = IniFile::Load(path);
    ini.WriteInteger("option", "Top", 40);
    ini.WriteBool("Option", "Showing", true);
    ini.WriteString("Skin", "Filename", "Simple\\small.ini");
    ini.SaveTo(path);
    EXPECT_EQ(ReadAll(path), "; note\n[Option]\nUpdateCheckURL=http://v/\nTop=40\nShowing=1\n\n"
                             "[Other]\nX=y\n\n[Skin]\nFilename=Simple\\small.ini\n");
    // No temporary file is left behind.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST(IniFile, MissingOrUnwritableFiles) {
    TempDir dir;
    const IniFile missing = IniFile::Load(dir.File("none.ini"));
    EXPECT_EQ(missing.ReadInteger("Option", "Top", 5), 5);

    struct Case {
        const char* name;
        std::string path;
    };
    dir.Write("file", "x");
    std::filesystem::create_directories(dir.File("folder.ini"));
    const std::vector<Case> cases = {
        {"target is a folder", dir.File("folder.ini")},
        {"parent is a file", dir.File("file/a.ini")},
        {"parent is missing", dir.File("no/such/a.ini")},
    };
    IniFile ini;
    ini.WriteString("S", "K", "v");
    for (const Case& c : cases)
        EXPECT_THROW(ini.SaveTo(c.path), EFileError) << c.name;
}

TEST(IniFile, KeysOfASection) {
    const platform::IniFile ini = platform::IniFile::Parse(
        "[Coordinates]\n東京都,府中市=35.6,139.4\n; note\nB=1\n  b = 2\n\n[Other]\nC=3\n"
        "[coordinates]\nD=4\n");
    EXPECT_EQ(ini.Keys("COORDINATES"), (std::vector<std::string>{"東京都,府中市", "B"}));
    EXPECT_EQ(ini.Keys("Other"), std::vector<std::string>{"C"});
    EXPECT_TRUE(ini.Keys("Missing").empty());
}

TEST(IniFile, DeletingAKeyRemovesEveryEntryOfItInItsSectionOnly) {
    IniFile ini = IniFile::Parse("[Skin]\nFilename=a\nUserFilename=Mine\\m.ini\n"
                                 "[Other]\nUserFilename=kept\n"
                                 "[skin]\nuserfilename=again\nStays=1\n");
    ini.DeleteKey("Skin", "UserFilename");
    EXPECT_EQ(ini.Serialize(), "[Skin]\nFilename=a\n[Other]\nUserFilename=kept\n"
                               "[skin]\nStays=1\n");
    ini.DeleteKey("Skin", "Missing");
    ini.DeleteKey("Nowhere", "Filename");
    EXPECT_EQ(ini.ReadString("Skin", "Filename", ""), "a");
}
