#include "platform/Errors.h"
#include "support/TempDir.h"
#include "weather/LocationList.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>
#include <vector>

namespace {

using Fields = std::vector<std::string>;

// The same text in another encoding, through the C library's converter.
std::string Encode(const std::string& utf8, const char* encoding) {
    iconv_t cd = iconv_open(encoding, "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << encoding;
    std::string in = utf8;
    std::string out(in.size() * 4 + 16, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t srcLeft = in.size();
    std::size_t dstLeft = out.size();
    EXPECT_NE(iconv(cd, &src, &srcLeft, &dst, &dstLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

const std::string kSample = "関東・甲信,東京都,千代田区,t/13101,t/13101d,y/13101,y/13101d\r\n"
                            "\r\n"
                            "近畿, 大阪府, 大阪市, t/27100, t/27100d, y/27100, y/27100d\n"
                            "北海道,\"石狩 地方\",札幌市,t/1,t/2,y/1,y/2";

} // namespace

TEST(LocationList, SplitCommaTextRules) {
    struct Case {
        std::string line;
        Fields fields;
    };
    const std::vector<Case> cases = {
        {"a, b, c", {"a", "b", "c"}},
        {"a,,c", {"a", "", "c"}},
        {"a,", {"a", ""}},
        {"a, ", {"a"}},
        {"   \t ", {}},
        {"", {}},
        {"  lead,trail  ", {"lead", "trail"}},
        {"inner space,x", {"inner", "space", "x"}},
        {"\"inner space\",x", {"inner space", "x"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"unclosed,x", {"unclosed,x"}},
        {"x\x01y", {"x", "y"}},
        {"\xE3\x80\x80全角空白,z", {"\xE3\x80\x80全角空白", "z"}}, // U+3000 is no blank
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommaText(c.line), c.fields) << "[" << c.line << "]";
}

TEST(LocationList, OnlySevenFieldLinesAreEntriesAndSkippedLinesTakeNoNumber) {
    const std::string text = "見出し\n"
                             "a,b,c,d,e,f\n"     // 6 fields
                             "a,b,c,d,e,f,g,h\n" // 8 fields
                             "a,b,c,d,e,f,g,\n"  // trailing comma: 8 fields
                             "1,b,c,d,e,f,g, \n" // comma then blank: 7 fields
                             "\n"
                             "2,b c,c,d,e,f\n"            // inner blank: 7 fields
                             "3,b c,c,d,e,f,g\n"          // inner blank: 8 fields
                             "4,\"b c\",c,d,e,f,g\r"      // quoted: 7 fields, CR line end
                             "5 , b , c , d , e , f , g"; // last line without a line end
    const std::vector<TLocationEntry> expected = {
        {"1", "b", "c", "d", "e", "f", "g"},
        {"2", "b", "c", "c", "d", "e", "f"},
        {"4", "b c", "c", "d", "e", "f", "g"},
        {"5", "b", "c", "d", "e", "f", "g"},
    };
    EXPECT_EQ(ParseLocationList(text), expected);
}

TEST(LocationList, EncodingsGiveTheSameEntries) {
    const std::vector<TLocationEntry> expected = {
        {"関東・甲信", "東京都", "千代田区", "t/13101", "t/13101d", "y/13101", "y/13101d"},
        {"近畿", "大阪府", "大阪市", "t/27100", "t/27100d", "y/27100", "y/27100d"},
        {"北海道", "石狩 地方", "札幌市", "t/1", "t/2", "y/1", "y/2"},
    };
    EXPECT_EQ(ParseLocationList(kSample), expected);

    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"UTF-8 with mark", "\xEF\xBB\xBF" + kSample},
        {"UTF-16LE with mark", "\xFF\xFE" + Encode(kSample, "UTF-16LE")},
        {"UTF-16BE with mark", "\xFE\xFF" + Encode(kSample, "UTF-16BE")},
        {"Shift-JIS without mark", Encode(kSample, "CP932")},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.Write("urls.list", c.bytes);
        EXPECT_EQ(ReadLocationFile(path), expected) << c.name;
    }
}

TEST(LocationList, MissingFileRaisesAFileError) {
    TempDir dir;
    EXPECT_THROW(ReadLocationFile(dir.File("urls.list")), EFileError);
    try {
        ReadLocationFile(dir.File("urls.list"));
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("urls.list"), std::string::npos);
    }
}
