// Location files that are broken, huge or not text at all: entries that are whole are read,
// everything else is passed over, and a file that cannot be read is a clear error.
#include "platform/Errors.h"
#include "support/TempDir.h"
#include "weather/LocationList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kEntry = "北海道,北海道,札幌市,forecast/point/01100.html,forecast/days/"
                           "01100.html,pinpoint/01100.html,days/01100.html";

} // namespace

TEST(HostileLocationList, AMillionLinesReadEveryEntryAndNothingElse) {
    // Every hundredth line is an entry; the others are blank, too short, too long or noise
    // (valid UTF-8 all of it: one stray byte makes the whole file Shift-JIS).
    const std::string noise[] = {"", ",,,,,,,,", "a,b", "\"", std::string(1, '\0'), "\xEF\xBF\xBD"};
    std::string file;
    file.reserve(1000000 * 24);
    for (int i = 0; i < 1000000; ++i) {
        file += i % 100 == 0 ? kEntry : noise[i % std::size(noise)];
        file += i % 3 == 0 ? "\r\n" : "\n";
    }
    TempDir dir;
    const auto entries = ReadLocationFile(dir.Write("urls.list", file));
    ASSERT_EQ(entries.size(), 10000u);
    EXPECT_EQ(entries.front()[2], "札幌市");
    EXPECT_EQ(entries.back()[6], "days/01100.html");
}

TEST(HostileLocationList, QuotesAndOddBytesStayInTheirLine) {
    struct Case {
        const char* what;
        std::string text;
        std::size_t entries;
        std::string lastField; // of the last entry
    };
    const Case cases[] = {
        // An unclosed quote runs to its line's end only: the next line is read as usual.
        {"unterminated quote opening a line", "\"" + kEntry + "\n" + kEntry + "\n", 1,
         "days/01100.html"},
        {"unterminated quote in the last field", "a,b,c,d,e,f,\"g,h\n", 1, "g,h"},
        {"unterminated quote at the end of the file", kEntry + "\na,b,c,d,e,f,\"", 2, ""},
        {"a lone quote and nothing else", "\"", 0, ""},
        {"doubled quotes", "a,b,c,d,e,f,\"x\"\"y\"\"\"\n", 1, "x\"y\""},
        {"a NUL ends the line's text, as in a C string", std::string("a,b,c,d,e,f,x\0y,z", 17), 1,
         "x"},
        {"a line of 8 MiB", kEntry + "\n" + std::string(8 << 20, 'x') + "\n" + kEntry, 2,
         "days/01100.html"},
        {"CR only line ends", kEntry + "\r" + kEntry + "\r", 2, "days/01100.html"},
    };
    for (const auto& c : cases) {
        const auto entries = ParseLocationList(c.text);
        ASSERT_EQ(entries.size(), c.entries) << c.what;
        if (!entries.empty()) {
            EXPECT_EQ(entries.back()[6], c.lastField) << c.what;
        }
    }
}

TEST(HostileLocationList, FilesThatAreNotTextOrNotThere) {
    TempDir dir;
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t entries;
    };
    const Case cases[] = {
        {"empty file", "", 0},
        {"a byte-order mark only", "\xEF\xBB\xBF", 0},
        {"UTF-16 mark and an odd byte",
         "\xFF\xFE"
         "a",
         0},
        {"UTF-16 lone surrogates", std::string("\xFF\xFE\x00\xD8,\x00\x00\xDC", 8), 0},
        {"random binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF\xFF", 18), 0},
        {"Shift-JIS cut in the middle of a character", "a,b,c,d,e,f,\x82", 1},
    };
    for (const auto& c : cases) {
        const auto entries = ReadLocationFile(dir.Write("urls.list", c.bytes));
        EXPECT_EQ(entries.size(), c.entries) << c.what;
    }
    EXPECT_THROW(ReadLocationFile(dir.File("missing.list")), EFileError);
    EXPECT_THROW(ReadLocationFile(dir.Path()), EFileError); // a folder
}
