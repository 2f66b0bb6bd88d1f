// Location files that are broken, huge or not text at all: entries that are whole are read,
// everything else is passed over, and a file that cannot be read is a clear error.
#include "platform/Errors.h"
#include "support/TempDir.h"
#include "weather/LocationList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kEntry = "北海道,北海道,札幌市,forecast/point/01100.html,forecast/days/"
                           "01100.html,pinpoint/01100.html,days/01100.html";
const TLocationEntry kEntryFields = {"北海道",
                                     "北海道",
                                     "札幌市",
                                     "forecast/point/01100.html",
                                     "forecast/days/01100.html",
                                     "pinpoint/01100.html",
                                     "days/01100.html"};

// The entry of line `i`, a place of its own.
TLocationEntry NumberedEntry(int i) {
    const std::string n = std::to_string(i);
    return {"地方" + n, "県" + n, "町" + n, "p/" + n, "d/" + n, "yp/" + n, "yd/" + n};
}

} // namespace

TEST(HostileLocationList, AMillionLinesReadEveryEntryAndNothingElse) {
    // Every hundredth line is an entry; the others are blank, too short, too long or noise
    // (valid UTF-8 all of it: one stray byte makes the whole file Shift-JIS).
    const std::string noise[] = {"", ",,,,,,,,", "a,b", "\"", std::string(1, '\0'), "\xEF\xBF\xBD"};
    std::string file;
    file.reserve(1000000 * 24);
    std::vector<TLocationEntry> expected;
    for (int i = 0; i < 1000000; ++i) {
        if (i % 100 == 0) {
            expected.push_back(NumberedEntry(i));
            for (std::size_t f = 0; f < 7; ++f)
                file += (f ? "," : "") + expected.back()[f];
        } else {
            file += noise[i % std::size(noise)];
        }
        file += i % 3 == 0 ? "\r\n" : "\n";
    }
    TempDir dir;
    const auto entries = ReadLocationFile(dir.Write("urls.list", file));
    ASSERT_EQ(entries.size(), 10000u);
    EXPECT_TRUE(entries == expected); // every entry, in order
    EXPECT_EQ(entries[1], NumberedEntry(100));
    EXPECT_EQ(entries.back(), NumberedEntry(999900));
}

TEST(HostileLocationList, QuotesAndOddBytesStayInTheirLine) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<TLocationEntry> entries;
    };
    const TLocationEntry ag = {"a", "b", "c", "d", "e", "f", "g"};
    auto withLast = [](std::string last) {
        return TLocationEntry{"a", "b", "c", "d", "e", "f", std::move(last)};
    };
    const Case cases[] = {
        // An unclosed quote runs to its line's end only: the next line is read as usual.
        {"unterminated quote opening a line", "\"" + kEntry + "\n" + kEntry + "\n", {kEntryFields}},
        {"unterminated quote in the last field", "a,b,c,d,e,f,\"g,h\n", {withLast("g,h")}},
        {"unterminated quote at the end of the file",
         kEntry + "\na,b,c,d,e,f,\"",
         {kEntryFields, withLast("")}},
        {"a lone quote and nothing else", "\"", {}},
        {"doubled quotes", "a,b,c,d,e,f,\"x\"\"y\"\"\"\n", {withLast("x\"y\"")}},
        {"a NUL ends the line's text, as in a C string",
         std::string("a,b,c,d,e,f,x\0y,z", 17),
         {withLast("x")}},
        {"a line of 8 MiB",
         "a,b,c,d,e,f,g\n" + std::string(8 << 20, 'x') + "\n" + kEntry,
         {ag, kEntryFields}},
        {"CR only line ends", "a,b,c,d,e,f,g\r" + kEntry + "\r", {ag, kEntryFields}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(ParseLocationList(c.text) == c.entries) << c.what;
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
