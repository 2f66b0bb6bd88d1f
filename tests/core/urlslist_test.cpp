#include "support/TempDir.h"
#include "weather/LocationList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

struct Prefecture {
    const char* number; // first two digits of its municipality codes
    const char* name;
    const char* region;
};

// The prefectures in their usual order, each with the forecast region it belongs to.
const Prefecture kPrefectures[] = {
    {"01", "北海道", "北海道"},         {"02", "青森県", "東北"},
    {"03", "岩手県", "東北"},           {"04", "宮城県", "東北"},
    {"05", "秋田県", "東北"},           {"06", "山形県", "東北"},
    {"07", "福島県", "東北"},           {"08", "茨城県", "関東・甲信"},
    {"09", "栃木県", "関東・甲信"},     {"10", "群馬県", "関東・甲信"},
    {"11", "埼玉県", "関東・甲信"},     {"12", "千葉県", "関東・甲信"},
    {"13", "東京都", "関東・甲信"},     {"14", "神奈川県", "関東・甲信"},
    {"15", "新潟県", "北陸"},           {"16", "富山県", "北陸"},
    {"17", "石川県", "北陸"},           {"18", "福井県", "北陸"},
    {"19", "山梨県", "関東・甲信"},     {"20", "長野県", "関東・甲信"},
    {"21", "岐阜県", "東海"},           {"22", "静岡県", "東海"},
    {"23", "愛知県", "東海"},           {"24", "三重県", "東海"},
    {"25", "滋賀県", "近畿"},           {"26", "京都府", "近畿"},
    {"27", "大阪府", "近畿"},           {"28", "兵庫県", "近畿"},
    {"29", "奈良県", "近畿"},           {"30", "和歌山県", "近畿"},
    {"31", "鳥取県", "中国"},           {"32", "島根県", "中国"},
    {"33", "岡山県", "中国"},           {"34", "広島県", "中国"},
    {"35", "山口県", "中国"},           {"36", "徳島県", "四国"},
    {"37", "香川県", "四国"},           {"38", "愛媛県", "四国"},
    {"39", "高知県", "四国"},           {"40", "福岡県", "九州北部"},
    {"41", "佐賀県", "九州北部"},       {"42", "長崎県", "九州北部"},
    {"43", "熊本県", "九州北部"},       {"44", "大分県", "九州北部"},
    {"45", "宮崎県", "九州南部・奄美"}, {"46", "鹿児島県", "九州南部・奄美"},
    {"47", "沖縄県", "沖縄"},
};

bool HasBlank(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= 1 && c <= 32; });
}

bool IsFiveDigits(const std::string& s) {
    return s.size() == 5 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

TEST(ShippedLocationList, EveryLineIsAWellFormedEntryOfJapan) {
    const std::string path = std::string(PELUMI_SOURCE_DIR) + "/data/urls.list";
    const std::string bytes = ReadAll(path);
    ASSERT_FALSE(bytes.empty()) << path;
    // The mark keeps the names readable where a file without one is taken as Shift-JIS.
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(bytes.find('\r'), std::string::npos) << "LF line ends only";

    const std::vector<TLocationEntry> entries = ReadLocationFile(path);
    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::size_t end = std::min(bytes.find('\n', pos), bytes.size());
        if (end > pos)
            ++lines;
        pos = end + 1;
    }
    EXPECT_EQ(entries.size(), lines) << "a line that is not an entry";

    std::set<std::string> codes;
    std::set<std::string> prefecturesSeen;
    std::size_t lastPrefecture = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TLocationEntry& e = entries[i];
        SCOPED_TRACE("entry " + std::to_string(i) + ": " + e[2]);
        for (std::size_t f = 0; f < 3; ++f) {
            EXPECT_FALSE(e[f].empty());
            EXPECT_FALSE(HasBlank(e[f]));
        }
        const auto* pref = std::find_if(std::begin(kPrefectures), std::end(kPrefectures),
                                        [&](const Prefecture& p) { return e[1] == p.name; });
        ASSERT_NE(pref, std::end(kPrefectures)) << "unknown prefecture " << e[1];
        EXPECT_EQ(e[0], pref->region);
        const std::size_t order = static_cast<std::size_t>(pref - std::begin(kPrefectures));
        EXPECT_GE(order, lastPrefecture) << "prefectures out of order";
        lastPrefecture = order;
        prefecturesSeen.insert(e[1]);

        const std::string prefix = "forecast/point/";
        ASSERT_EQ(e[3].rfind(prefix, 0), 0u) << e[3];
        const std::string code = e[3].substr(prefix.size(), 5);
        EXPECT_TRUE(IsFiveDigits(code)) << e[3];
        EXPECT_EQ(code.substr(0, 2), pref->number);
        EXPECT_TRUE(codes.insert(code).second) << "code used twice: " << code;
        EXPECT_EQ(e[3], "forecast/point/" + code + ".html");
        EXPECT_EQ(e[4], "forecast/days/" + code + ".html");
        EXPECT_EQ(e[5], "pinpoint/" + code + ".html");
        EXPECT_EQ(e[6], "days/" + code + ".html");
    }
    EXPECT_EQ(prefecturesSeen.size(), std::size(kPrefectures));
}
