// Settings files full of garbage: the program starts with every default, and closing writes a
// whole, valid file again that keeps what the program does not own.
#include "FormFixture.h"

#include "platform/Convert.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kIntegerKeys[] = {
    "Location",  "Server",     "RefreshInterval", "FixPos",       "Top",
    "Left",      "Monitor",    "Showing",         "StayOnBottom", "ShowForecastOnTaskTray",
    "ProxyPort", "ShowBalloon"};

// Every integer and flag key of [Option] set to `value`, plus lines the program does not own.
std::string EveryKey(const std::string& value) {
    std::string ini = "[Option]\n";
    for (const char* key : kIntegerKeys)
        ini += std::string(key) + "=" + value + "\n";
    ini += "Proxy=\nUpdateCheckURL=http://127.0.0.1:9/version.txt\n[Foreign]\nKeep=me\n";
    return ini;
}

void ExpectDefaults(const TMainForm& f, const std::string& what) {
    EXPECT_EQ(f.pos(), QPoint(5, 5)) << what;
    EXPECT_TRUE(f.ActShowWindow.isChecked()) << what;
    EXPECT_TRUE(f.ActStayOnBottom.isChecked()) << what;
    EXPECT_FALSE(f.ActFixPosition.isChecked()) << what;
    EXPECT_TRUE(f.ActJma.isChecked()) << what;
    EXPECT_TRUE(f.ActInterval1H.isChecked()) << what;
    EXPECT_TRUE(f.ActCurrentForecast.isChecked()) << what;
    EXPECT_FALSE(f.ActShowBalloon.isChecked()) << what;
    EXPECT_EQ(f.IdHTTP1->ProxyPort, 0) << what;
}

// The saved file holds every key the program owns, as numbers.
void ExpectWholeFile(const TestProgram& program, const std::string& what) {
    const platform::IniFile ini = program.ReadIni();
    for (const char* key : kIntegerKeys) {
        std::int32_t value;
        const auto saved = ini.Find("Option", key);
        ASSERT_TRUE(saved.has_value()) << what << ": " << key;
        EXPECT_TRUE(platform::TryStrToInt(*saved, value)) << what << ": " << key << "=" << *saved;
    }
    EXPECT_EQ(ini.ReadString("Skin", "Filename", ""), "Simple\\small.ini") << what;
}

} // namespace

TEST(HostileSettings, GarbageInEveryKeyGivesTheDefaults) {
    const std::string garbage[] = {
        "abc",
        "１",
        "0x",
        "$",
        "2147483648",
        "--1",
        "1e3",
        std::string(100000, '9'),
        std::string("1\0x", 3),
        "\xFF\xFE",
        "\"\"",
        "'",
        "=",
    };
    for (const auto& value : garbage) {
        const std::string what = "value " + value.substr(0, 12);
        TestProgram program;
        program.dir.Write("urls.list", ""); // no place: the first refresh fails without a network
        MessageLog messages;
        program.WriteIni(EveryKey(value));
        auto form = program.Start();
        ExpectDefaults(*form, what);
        form->close();
        ExpectWholeFile(program, what);
        for (const auto& m : messages.entries)
            ADD_FAILURE() << what << ": message " << m.text;
        const platform::IniFile saved = program.ReadIni();
        EXPECT_EQ(saved.ReadString("Foreign", "Keep", ""), "me") << what;
        EXPECT_EQ(saved.ReadString("Option", "UpdateCheckURL", ""),
                  "http://127.0.0.1:9/version.txt")
            << what;
    }
}

TEST(HostileSettings, FilesThatAreNotSettingsStartWithDefaultsAndAreWrittenWhole) {
    std::string noise(65536, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"binary noise", noise},
        {"16 MiB on one line", std::string(16 << 20, 'x')},
        {"NUL bytes only", std::string(4096, '\0')},
        {"a UTF-16 file with an odd byte", std::string("\xFF\xFE[\0O\0", 6) + "\x01"},
        {"Shift-JIS garbage", "[Option]\nTop=\x82\xA0\nLeft=\x81\n"},
        {"a byte-order mark only", "\xEF\xBB\xBF"},
        {"sections without end", std::string(100000, '[')},
        {"a skin path of 100000 characters", "[Skin]\nFilename=" + std::string(100000, 'a')},
        {"a skin path that is a folder", "[Skin]\nFilename=Simple\n"},
    };
    for (const auto& c : cases) {
        TestProgram program;
        program.dir.Write("urls.list", "");
        MessageLog messages;
        program.WriteIni(c.bytes);
        auto form = program.Start();
        ExpectDefaults(*form, c.what);
        EXPECT_EQ(form->CurrentSkin.FileName, program.Folder() + "Skin/Simple/small.ini") << c.what;
        form->close();
        ExpectWholeFile(program, c.what);
        for (const auto& m : messages.entries)
            ADD_FAILURE() << c.what << ": message " << m.text;
    }
}

TEST(HostileSettings, ASkinWithABadSkinWideColourCostsTheStartNothingElse) {
    // The colour is read when the skin loads, in the middle of the start-up: the start-up must
    // still read the location list and make its first attempt.
    TestProgram program;
    program.dir.Write("urls.list", "地方,県,市,t/1,t/2,y/1,y/2\n");
    program.dir.Write("Skin/Bad/bad.ini", "[Label]\nFontHeight=20\nFontColor=rouge\n");
    program.WriteIni("[URL]\nPrefixTenkiLite=http://127.0.0.1:9/lite/\n"
                     "PrefixYahoo=http://127.0.0.1:9/weather/jp/\n[Option]\nServer=0\n"
                     "[Skin]\nFilename=Bad\\bad.ini\n");
    MessageLog messages;
    auto form = program.Start();
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_NE(messages.entries[0].text.find("rouge"), std::string::npos)
        << messages.entries[0].text;
    EXPECT_EQ(messages.entries[0].caption, "エラー");
    EXPECT_EQ(form->CurrentSkin.FileName, program.Folder() + "Skin/Bad/bad.ini");
    EXPECT_EQ(form->CurrentSkin.LabelDefaults.FontHeight, 20); // read before the colour
    EXPECT_EQ(form->GetLocationCount(), 1);
    EXPECT_EQ(form->Weather.Information, "再接続します (あと5回)");
    form->close();
    EXPECT_EQ(program.ReadIni().ReadString("Skin", "Filename", ""), "Bad\\bad.ini");
}
