// INI files full of garbage: every read gives its default or a value cut to size, and a save
// keeps what it does not own and never leaves a broken file behind.
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using platform::IniFile;

TEST(HostileIniFile, GarbageValuesGiveTheDefault) {
    const std::string garbage[] = {
        "",
        "abc",
        "１２",
        "12abc",
        "2147483648",
        "-2147483649",
        "0x",
        "$",
        "$1FFFFFFFF",
        "--1",
        "1e3",
        "1.5",
        "\x01",
        "\xFF\xFE",
        "=",
        "[Option]",
        "\"",
        "''",
        std::string("1\0x", 3),
        std::string(100000, '9'),
        std::string(5000, '\0'),
    };
    for (const auto& value : garbage) {
        const IniFile ini = IniFile::Parse("[Option]\nTop=" + value + "\nLeft=7\n");
        EXPECT_EQ(ini.ReadInteger("Option", "Top", -5), -5) << value.substr(0, 20);
        EXPECT_TRUE(ini.ReadBool("Option", "Top", true)) << value.substr(0, 20);
        EXPECT_FALSE(ini.ReadBool("Option", "Top", false)) << value.substr(0, 20);
        EXPECT_EQ(ini.ReadInteger("Option", "Left", 0), 7) << value.substr(0, 20);
    }
}

TEST(HostileIniFile, HugeValuesAreCutByCharacters) {
    struct Case {
        const char* what;
        std::string value;
        std::string expected;
    };
    std::string kana;
    for (int i = 0; i < 3000; ++i)
        kana += "あ";
    const Case cases[] = {
        {"16 MiB of ASCII", std::string(16 << 20, 'x'), std::string(2047, 'x')},
        {"3000 kana", kana, kana.substr(0, 2047 * 3)},
        {"NUL bytes inside", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        const IniFile ini = IniFile::Parse("[Skin]\nFilename=" + c.value + "\n");
        EXPECT_EQ(ini.ReadString("Skin", "Filename", "-"), c.expected) << c.what;
    }
    // A key or a section name of a mebibyte is only a name.
    const std::string name(1 << 20, 'k');
    const IniFile ini = IniFile::Parse("[" + name + "]\n" + name + "=1\n[Option]\nTop=3\n");
    EXPECT_EQ(ini.ReadInteger(name, name, 0), 1);
    EXPECT_EQ(ini.ReadInteger("Option", "Top", 0), 3);
}

TEST(HostileIniFile, BrokenStructureKeepsTheFirstSectionAndKey) {
    struct Case {
        const char* what;
        std::string text;
        std::int32_t top; // Option/Top read with the default 0
    };
    const Case cases[] = {
        {"unclosed section header", "[Option\nTop=1\n", 0},
        {"header with text after it", "[Option] trailing\nTop=2\n", 2},
        {"key without a section", "Top=3\n[Option]\n", 0},
        {"repeated sections: the first counts", "[Option]\nTop=4\n[Option]\nTop=5\n", 4},
        {"repeated keys: the first counts", "[Option]\nTop=6\nTop=7\n", 6},
        {"NUL inside the section name", std::string("[Opt\0ion]\nTop=8\n", 16), 0},
        {"NUL line end", std::string("[Option]\0Top=9\n", 15), 0},
        {"CR only line ends", "[Option]\rTop=10\r", 10},
        {"10000 sections before it",
         [] {
             std::string s;
             for (int i = 0; i < 10000; ++i)
                 s += "[S" + std::to_string(i) + "]\nTop=1\n";
             return s + "[Option]\nTop=11\n";
         }(),
         11},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IniFile::Parse(c.text).ReadInteger("Option", "Top", 0), c.top) << c.what;
}

TEST(HostileIniFile, SavingKeepsForeignLinesAndFailsCleanly) {
    TempDir dir;
    const std::string garbage =
        std::string("\x01\x02 binary \0 line\n", 18) + "[Option]\nTop=junk\nnot an entry\n";
    const std::string path = dir.Write("zomika2.ini", garbage);
    IniFile ini = IniFile::Load(path);
    ini.WriteInteger("Option", "Top", 12);
    ini.SaveTo(path);
    // Only the value that was written changes.
    EXPECT_EQ(ReadAll(path),
              std::string("\x01\x02 binary \0 line\n", 18) + "[Option]\nTop=12\nnot an entry\n");
    EXPECT_EQ(IniFile::Load(path).ReadInteger("Option", "Top", 0), 12);

    // A folder in the way, or no folder at all: a clear error and no temporary file left over.
    std::filesystem::create_directory(dir.File("folder.ini"));
    EXPECT_THROW(ini.SaveTo(dir.File("folder.ini")), EFileError);
    EXPECT_THROW(ini.SaveTo(dir.File("missing/zomika2.ini")), EFileError);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 2); // zomika2.ini and folder.ini
    EXPECT_EQ(IniFile::Load(path).ReadInteger("Option", "Top", 0), 12);
}
