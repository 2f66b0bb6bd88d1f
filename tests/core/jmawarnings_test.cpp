// The agency's warnings: the code table, the reading of r8 answers (the real one against its
// oracle, and hand-made cases), the download, the sample service's files and forecast-dump.
#include "weather/jma/JmaWarnings.h"

#include "support/FakeHttpClient.h"
#include "support/SampleService.h"
#include "support/TempDir.h"
#include "weather/CurlHttpClient.h"

#include "SampleJmaSite.h"
#include "SampleJmaWarnings.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <sstream>
#include <thread>

namespace {

using json = nlohmann::json;

const char* const kNone = "発表警報・注意報はなし";
// The clock of the readings: 2026-10-04 12:00 in Japan.
const std::int64_t kNow = *JapanTimeSeconds("2026-10-04T12:00");

std::string RealAnswer() {
    return ReadAll(TestData("jma/warning/r8-011000-2026-10-04.json"));
}

// Non-comment lines of a TSV fixture after its header, split at tabs.
std::vector<std::vector<std::string>> TsvRows(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(ReadAll(TestData(name)));
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> row;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            row.push_back(line.substr(start, tab - start));
        row.push_back(line.substr(start));
        rows.push_back(row);
    }
    return rows;
}

// The oracle: class20 → "code:status@YYYY-MM-DDTHH:MM" of each warning in force, sorted.
std::map<std::string, std::vector<std::string>> Oracle() {
    std::map<std::string, std::vector<std::string>> expected;
    for (const auto& row : TsvRows("jma/warning/expected-011000-2026-10-04.tsv")) {
        auto& list = expected[row.at(0)];
        for (std::size_t i = 1; i < row.size(); ++i) {
            if (row[i] == "(none)")
                continue;
            // code:status:product:time
            const std::size_t a = row[i].find(':'), b = row[i].find(':', a + 1),
                              c = row[i].find(':', b + 1);
            list.push_back(row[i].substr(0, b) + "@" + row[i].substr(c + 1, 16));
        }
        std::sort(list.begin(), list.end());
    }
    return expected;
}

std::vector<std::string> Listed(const TJmaWarnings& w) {
    std::vector<std::string> list;
    for (const TWarning& x : w.Warnings)
        list.push_back(x.Code + ":" + x.Status + "@" + w.Time);
    std::sort(list.begin(), list.end());
    return list;
}

// One report of a hand-made answer: its time and, for each class20, its kinds.
struct Report {
    std::string Time;
    std::vector<std::pair<std::string, json>> Areas;
};
std::string Answer(const std::vector<Report>& reports) {
    json out = json::array();
    for (const Report& r : reports) {
        json items = json::array();
        for (const auto& [code, kinds] : r.Areas)
            items.push_back({{"areaCode", code}, {"kinds", kinds}});
        out.push_back({{"reportDatetime", r.Time},
                       {"warning", {{"class10Items", json::array()}, {"class20Items", items}}}});
    }
    return out.dump();
}
json Kind(const char* code, const char* status) {
    return {{"code", code}, {"status", status}};
}

} // namespace

TEST(JmaWarningCodes, TheCompiledTableIsTheAgencysTable) {
    const auto rows = TsvRows("jma/warning/codes.tsv");
    const std::map<std::string, TWarningLevel> tiers = {{"advisory", TWarningLevel::Advisory},
                                                        {"warning", TWarningLevel::Warning},
                                                        {"danger", TWarningLevel::Danger},
                                                        {"emergency", TWarningLevel::Emergency}};
    ASSERT_EQ(WarningKinds().size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(WarningKinds()[i].Code, rows[i].at(0));
        EXPECT_EQ(WarningKinds()[i].Name, rows[i].at(1));
        EXPECT_EQ(WarningKinds()[i].Level, tiers.at(rows[i].at(3))) << rows[i].at(0);
    }
    EXPECT_EQ(WarningOfCode("03", "継続"),
              (TWarning{"03", "レベル3大雨警報", "継続", TWarningLevel::Warning}));
    EXPECT_EQ(WarningOfCode("77", "発表"),
              (TWarning{"77", "警報・注意報 (コード77)", "発表", TWarningLevel::Warning}));
}

TEST(JmaWarnings, TheRealAnswerGivesTheOracleForEveryMunicipality) {
    const std::string answer = RealAnswer();
    const auto expected = Oracle();
    ASSERT_EQ(expected.size(), 10u);
    for (const auto& [class20, list] : expected) {
        SCOPED_TRACE(class20);
        const auto read = ReadJmaWarnings(answer, class20, kNow);
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->Known);
        EXPECT_EQ(Listed(*read), list);
        EXPECT_EQ(read->Time.empty(), list.empty());
    }
    // 濃霧注意報 in 稚内市, from the report of 03:44 (the VPWW55 解除 of 09-29 stays out).
    EXPECT_EQ(ReadJmaWarnings(answer, "0121400", kNow)->Warnings,
              (std::vector<TWarning>{{"20", "濃霧注意報", "継続", TWarningLevel::Advisory}}));
    EXPECT_EQ(ReadJmaWarnings(answer, "0121400", kNow)->Reports,
              (std::vector<std::string>{"2026-10-04T03:44"}));
}

TEST(JmaWarnings, HandMadeAnswers) {
    const std::string t1 = "2026-10-01T10:00:00+09:00", t2 = "2026-10-02T16:20:00+09:00";
    const std::string place = "1310100", other = "1310200";
    struct Case {
        const char* what;
        std::string answer;
        bool known;
        std::vector<TWarning> warnings;
        std::string time;
    };
    const Case cases[] = {
        {"特別警報 before 警報 before 注意報, each tier by code",
         Answer({{t1,
                  {{place, json::array({Kind("15", "継続"), Kind("33", "発表"), Kind("05", "継続"),
                                        Kind("14", "継続"), Kind("43", "継続")})}}}}),
         true,
         {{"33", "レベル5大雨特別警報", "発表", TWarningLevel::Emergency},
          {"43", "レベル4大雨危険警報", "継続", TWarningLevel::Danger},
          {"05", "暴風警報", "継続", TWarningLevel::Warning},
          {"14", "雷注意報", "継続", TWarningLevel::Advisory},
          {"15", "強風注意報", "継続", TWarningLevel::Advisory}},
         "2026-10-01T10:00"},
        {"downgrades are in force at their own code",
         Answer({{t1,
                  {{place, json::array(
                               {Kind("10", "警報から注意報"), Kind("03", "危険警報から警報")})}}}}),
         true,
         {{"03", "レベル3大雨警報", "危険警報から警報", TWarningLevel::Warning},
          {"10", "レベル2大雨注意報", "警報から注意報", TWarningLevel::Advisory}},
         "2026-10-01T10:00"},
        {"an unknown code and an unknown status are shown, not dropped",
         Answer({{t1, {{place, json::array({Kind("91", "継続"), Kind("16", "延長")})}}}}),
         true,
         {{"91", "警報・注意報 (コード91)", "継続", TWarningLevel::Warning},
          {"16", "波浪注意報", "延長", TWarningLevel::Advisory}},
         "2026-10-01T10:00"},
        {"the newer report wins: 解除 after 発表",
         Answer({{t2, {{place, json::array({Kind("15", "解除")})}}},
                 {t1, {{place, json::array({Kind("15", "発表"), Kind("20", "継続")})}}}}),
         true,
         {{"20", "濃霧注意報", "継続", TWarningLevel::Advisory}},
         "2026-10-01T10:00"},
        {"the newer report wins: 継続 after 解除, and its time is the newest",
         Answer({{t1, {{place, json::array({Kind("15", "解除")})}}},
                 {t2, {{place, json::array({Kind("15", "継続")})}}}}),
         true,
         {{"15", "強風注意報", "継続", TWarningLevel::Advisory}},
         "2026-10-02T16:20"},
        {"nothing in force, another municipality's warning left alone",
         Answer({{t1,
                  {{place, json::array({{{"status", kNone}}})},
                   {other, json::array({Kind("05", "発表")})}}}}),
         true,
         {},
         ""},
        {"an answer without the municipality is unknown",
         Answer({{t1, {{other, json::array({Kind("05", "発表")})}}}}),
         false,
         {},
         ""},
        {"kinds without a usable code that are not in force are passed over",
         Answer({{t1,
                  {{place, json::array({{{"status", "解除"}},
                                        Kind("", "解除"),
                                        {{"code", 5}, {"status", kNone}},
                                        Kind("0\n5", "解除"),
                                        Kind("14", "継続")})}}}}),
         true,
         {{"14", "雷注意報", "継続", TWarningLevel::Advisory}},
         "2026-10-01T10:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = ReadJmaWarnings(c.answer, place, kNow);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->Known, c.known);
        EXPECT_EQ(read->Warnings, c.warnings);
        EXPECT_EQ(read->Time, c.time);
    }
    for (const char* notR8 :
         {"", "{}", "[]", "[1, 2]", "<html>404</html>", R"({"warning": {"class20Items": []}})"}) {
        SCOPED_TRACE(notR8);
        EXPECT_FALSE(ReadJmaWarnings(notR8, place, kNow));
    }
}

// A place listed with anything in force that cannot be read is unknown, as a failed download is:
// never "nothing in force". Another municipality's unreadable kinds leave the place alone.
TEST(JmaWarnings, AListedPlaceWhoseWarningsCannotBeReadIsUnknown) {
    const std::string t1 = "2026-10-01T10:00:00+09:00", t2 = "2026-10-02T16:20:00+09:00";
    const std::string place = "1310100", other = "1310200";
    const auto withStrongWind = [&](json kinds) {
        return Answer({{t1, {{place, json::array({Kind("15", "継続")})}}}, {t2, {{place, kinds}}}});
    };
    struct Case {
        const char* what;
        std::string answer;
    };
    const Case cases[] = {
        {"kinds an object", withStrongWind(Kind("05", "発表"))},
        {"kinds a text", withStrongWind("05")},
        {"kinds null", withStrongWind(nullptr)},
        {"a kind in force whose code is a number",
         withStrongWind(json::array({Kind("03", "発表"), {{"code", 5}, {"status", "発表"}}}))},
        {"a kind in force whose code is full-width digits",
         withStrongWind(json::array({Kind("０５", "発表")}))},
        {"a kind in force whose code is kanji",
         withStrongWind(json::array({Kind("暴風", "継続")}))},
        {"a kind in force whose code is missing",
         withStrongWind(json::array({{{"status", "発表"}}}))},
        {"a kind in force whose code is empty", withStrongWind(json::array({Kind("", "発表")}))},
        {"a kind in force whose code holds a line break",
         withStrongWind(json::array({Kind("0\n5", "発表")}))},
        {"a kind in force whose code is nine characters",
         withStrongWind(json::array({Kind("123456789", "発表")}))},
        {"a kind that is a number", withStrongWind(json::array({5}))},
        {"an item without kinds",
         json::array({{{"reportDatetime", t1},
                       {"warning", {{"class20Items", json::array({{{"areaCode", place}}})}}}}})
             .dump()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = ReadJmaWarnings(c.answer, place, kNow);
        ASSERT_TRUE(read);
        EXPECT_EQ(*read, TJmaWarnings{});
    }
    // The neighbour's unreadable kinds say nothing of this place.
    const auto read =
        ReadJmaWarnings(Answer({{t1, {{other, "05"}, {place, json::array({Kind("15", "継続")})}}},
                                {t2, {{other, json::array({Kind("０５", "発表")})}}}}),
                        place, kNow);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (TJmaWarnings{true,
                                   {{"15", "強風注意報", "継続", TWarningLevel::Advisory}},
                                   "2026-10-01T10:00",
                                   {"2026-10-01T10:00"},
                                   0}));
}

// Report times are instants whatever their zone: 03:00Z is 12:00 in Japan, after 10:00+09:00.
// A report more than a day ahead of the clock (kNow: 2026-10-04 12:00 in Japan) is passed over.
TEST(JmaWarnings, ReportTimesAreComparedAsInstants) {
    const std::string place = "1310100";
    const auto kinds = [](const char* code, const char* status) {
        return json::array({Kind(code, status)});
    };
    struct Case {
        const char* what;
        std::vector<Report> reports;
        bool known;
        std::vector<std::string> inForce; // "code:status@report"
    };
    const Case cases[] = {
        {"発表 at 03:00Z after 解除 at 10:00+09:00",
         {{"2026-10-04T03:00:00Z", {{place, kinds("05", "発表")}}},
          {"2026-10-04T10:00:00+09:00", {{place, kinds("05", "解除")}}}},
         true,
         {"05:発表@2026-10-04T12:00"}},
        {"the same in the other order, with a fraction of a second",
         {{"2026-10-04T10:00:00+09:00", {{place, kinds("05", "解除")}}},
          {"2026-10-04T03:00:00.000Z", {{place, kinds("05", "発表")}}}},
         true,
         {"05:発表@2026-10-04T12:00"}},
        {"解除 at 02:00-12:00 (23:00 in Japan) after 発表 at 20:00+09:00",
         {{"2026-10-04T02:00:00-12:00", {{place, kinds("05", "解除")}}},
          {"2026-10-04T20:00:00+09:00", {{place, kinds("05", "発表")}}}},
         true,
         {}},
        {"a 解除 dated 9999 cancels nothing",
         {{"2026-10-04T05:00:00+09:00", {{place, kinds("05", "発表")}}},
          {"9999-12-31T23:59:59+09:00", {{place, kinds("05", "解除")}}}},
         true,
         {"05:発表@2026-10-04T05:00"}},
        {"a report 23 hours ahead counts",
         {{"2026-10-04T05:00:00+09:00", {{place, kinds("05", "発表")}}},
          {"2026-10-05T11:00:00+09:00", {{place, kinds("05", "解除")}}}},
         true,
         {}},
        {"the only report listing the place, 25 hours ahead, leaves it unknown",
         {{"2026-10-05T13:00:00+09:00", {{place, kinds("05", "発表")}}}},
         false,
         {}},
        {"a time that cannot be read is the oldest",
         {{"2026-10-04T05:00:00+09:00", {{place, kinds("05", "解除")}}},
          {"2026-10-04 06:00", {{place, kinds("05", "発表")}}}},
         true,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = ReadJmaWarnings(Answer(c.reports), place, kNow);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->Known, c.known);
        std::vector<std::string> inForce;
        for (std::size_t i = 0; i < read->Warnings.size(); ++i)
            inForce.push_back(read->Warnings[i].Code + ":" + read->Warnings[i].Status + "@" +
                              read->Reports.at(i));
        EXPECT_EQ(inForce, c.inForce);
    }
}

// An answer of about 1 MB that puts 28,500 codes no table knows in force for one municipality,
// beside two real kinds: the real kinds and the first few unknown codes are kept, the rest is
// counted as dropped.
TEST(JmaWarnings, AFloodOfUnknownCodesKeepsTheKnownKindsAndAFew) {
    auto inForce = TSampleJmaWarnings::Flood("1310100:28500");
    ASSERT_EQ(inForce.size(), 28500u);
    inForce.push_back(*TSampleJmaWarnings::Parse("1310100:03"));
    inForce.push_back(*TSampleJmaWarnings::Parse("1310100:15:継続"));
    const TSampleJmaSite site(2026, 10, 4, inForce);
    const std::string answer = site.Get("warning/data/r8/130000.json", 5)->Body;
    EXPECT_GT(answer.size(), 900u * 1024u);
    EXPECT_LT(answer.size(), 1024u * 1024u); // within the reader's limit: read, not refused
    const auto read = ReadJmaWarnings(answer, "1310100", kNow);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->Known);
    std::vector<std::string> codes;
    for (const TWarning& w : read->Warnings)
        codes.push_back(w.Code);
    EXPECT_EQ(codes, (std::vector<std::string>{"03", "100", "101", "102", "103", "104", "105",
                                               "106", "107", "15"}));
    EXPECT_EQ(read->DroppedCodes, 28500u - kMaxUnknownWarningCodes);
    EXPECT_EQ(read->Reports, std::vector<std::string>(10, "2026-10-04T05:00"));
}

TEST(JmaWarnings, TheOfficeOfTheFileIsTheClass10sOwn) {
    EXPECT_EQ(JmaWarningOffice({"014100", "014030", "0120700", "", {}}), "014030");
    EXPECT_EQ(JmaWarningOffice({"014100", "014020", "0120600", "", {}}), "014100");
    EXPECT_EQ(JmaWarningOffice({"460100", "460040", "4622100", "", {}}), "460040");
    EXPECT_EQ(JmaWarningOffice({"130000", "130010", "1310100", "", {}}), "130000");
}

TEST(LoadJmaWarnings, FetchesTheOfficesR8FileAndKeepsItForA304) {
    TempDir dir;
    TForecastRequest request;
    request.JmaPrefix = "http://jma.test/bosai/";
    request.CacheFolder = dir.Path();
    request.JmaPlace = TJmaPlace{"011000", "011000", "0121400", "", {}};
    const std::string url = request.JmaPrefix + "warning/data/r8/011000.json";
    FakeHttpClient client;
    client.Pages[url] = RealAnswer();
    client.Validators[url] = {"\"r8\"", ""};
    const TWarningsOutcome first = LoadJmaWarnings(client, request);
    const TWarningsOutcome second = LoadJmaWarnings(client, request);
    for (const TWarningsOutcome* o : {&first, &second}) {
        EXPECT_FALSE(o->Failed);
        EXPECT_TRUE(o->Warnings.Known);
        EXPECT_EQ(o->Warnings.Warnings,
                  (std::vector<TWarning>{{"20", "濃霧注意報", "継続", TWarningLevel::Advisory}}));
        EXPECT_EQ(o->Warnings.Time, "2026-10-04T03:44");
    }
    EXPECT_EQ(client.Requested, (std::vector<std::string>{url, url}));
    ASSERT_EQ(client.SentValidators.size(), 2u);
    EXPECT_EQ(client.SentValidators[1].ETag, "\"r8\"");
    // The older warning/data/warning/ file is never asked for.
    for (const std::string& asked : client.Requested)
        EXPECT_EQ(asked.find("/data/warning/"), std::string::npos);
}

TEST(LoadJmaWarnings, FailuresAreUnknownNeverNone) {
    TempDir dir;
    TForecastRequest request;
    request.JmaPrefix = "http://jma.test/bosai/";
    request.CacheFolder = dir.Path();
    request.JmaPlace = TJmaPlace{"011000", "011000", "0121400", "", {}};
    const std::string url = request.JmaPrefix + "warning/data/r8/011000.json";
    struct Case {
        const char* what;
        std::optional<std::string> page; // nothing: 404
    };
    const Case cases[] = {
        {"404: the agency moved its files", std::nullopt},
        {"a portal page", std::string("<html>メンテナンス中</html>")},
        {"an answer without the municipality",
         Answer({{"2026-10-04T05:00:00+09:00", {{"0151100", json::array({Kind("05", "発表")})}}}})},
        {"an answer listing the municipality with a code that cannot be read",
         Answer({{"2026-10-04T05:00:00+09:00",
                  {{"0121400", json::array({{{"code", 5}, {"status", "発表"}}})}}}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeHttpClient client;
        if (c.page)
            client.Pages[url] = *c.page;
        const TWarningsOutcome outcome = LoadJmaWarnings(client, request);
        EXPECT_TRUE(outcome.Failed);
        EXPECT_EQ(outcome.Warnings, TJmaWarnings{});
    }
}

// A 304 vouches for the kept copy, which was changed on disk since: a copy that leaves the place
// unknown is asked for again whole, never read as "none".
TEST(LoadJmaWarnings, AKeptCopyChangedOnDiskIsAskedForAgain) {
    TForecastRequest request;
    request.JmaPrefix = "http://jma.test/bosai/";
    request.JmaPlace = TJmaPlace{"011000", "011000", "0121400", "", {}};
    const std::string url = request.JmaPrefix + "warning/data/r8/011000.json";
    const std::string kept = "jma/warning/011000.answer";
    const std::string fog = R"("code":"20","status":"継続")";
    struct Case {
        const char* what;
        std::string changed; // the place's fog advisory in the kept copy
    };
    const Case cases[] = {
        {"its code a number", R"("code":20,"status":"継続")"},
        {"its code missing", R"("status":"継続")"},
        {"its code in full-width digits", R"("code":"２０","status":"継続")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        request.CacheFolder = dir.Path();
        FakeHttpClient client;
        client.Pages[url] = RealAnswer();
        client.Validators[url] = {"\"r8\"", ""};
        ASSERT_FALSE(LoadJmaWarnings(client, request).Failed);
        std::string copy = ReadAll(dir.File(kept));
        ASSERT_NE(copy.find(fog), std::string::npos);
        for (std::size_t at; (at = copy.find(fog)) != std::string::npos;)
            copy.replace(at, fog.size(), c.changed);
        dir.Write(kept, copy);
        const TWarningsOutcome outcome = LoadJmaWarnings(client, request);
        EXPECT_FALSE(outcome.Failed);
        EXPECT_EQ(outcome.Warnings.Warnings,
                  (std::vector<TWarning>{{"20", "濃霧注意報", "継続", TWarningLevel::Advisory}}));
        // The conditional request, and the whole answer after the copy was refused.
        EXPECT_EQ(client.Requested, (std::vector<std::string>{url, url, url}));
        EXPECT_TRUE(ReadAll(dir.File(kept)).ends_with("\n" + RealAnswer())); // kept anew
    }
}

TEST(LoadJmaWarnings, APlaceTheAgencyDoesNotCoverIsUnknownWithoutFailing) {
    FakeHttpClient client;
    TForecastRequest request;
    request.JmaPrefix = "http://jma.test/bosai/";
    request.Prefecture = "Bavaria";
    request.Municipality = "München";
    const TWarningsOutcome outcome = LoadJmaWarnings(client, request);
    EXPECT_FALSE(outcome.Failed);
    EXPECT_EQ(outcome.Warnings, TJmaWarnings{});
    EXPECT_TRUE(client.Requested.empty());
    // Constants that cannot be had are a failure.
    request.Prefecture = "東京都";
    request.Municipality = "千代田区";
    EXPECT_TRUE(LoadJmaWarnings(client, request).Failed);
}

TEST(SampleJmaWarnings, EveryOfficeHasAFileWithNothingInForceUnlessToldSo) {
    const auto strong = TSampleJmaWarnings::Parse("1310100:15");
    const auto rain = TSampleJmaWarnings::Parse("1310100:03:継続");
    ASSERT_TRUE(strong && rain);
    EXPECT_EQ(strong->Status, "発表");
    EXPECT_EQ(rain->Status, "継続");
    for (const char* bad : {"", "1310100", "131010:15", "1310100:", "abc:15", "1310100:1x"})
        EXPECT_FALSE(TSampleJmaWarnings::Parse(bad)) << bad;

    const TSampleJmaSite quiet(2026, 10, 4);
    const TSampleJmaSite stormy(2026, 10, 4, {*strong, *rain});
    for (const char* office : {"130000", "011000", "014030", "460040", "471000"}) {
        SCOPED_TRACE(office);
        const auto page = quiet.Get(std::string("warning/data/r8/") + office + ".json", 5);
        ASSERT_TRUE(page);
        EXPECT_FALSE(page->ETag.empty());
    }
    EXPECT_FALSE(quiet.Get("warning/data/r8/999999.json", 5));
    const auto none =
        ReadJmaWarnings(quiet.Get("warning/data/r8/130000.json", 5)->Body, "1310100", kNow);
    ASSERT_TRUE(none);
    EXPECT_EQ(*none, (TJmaWarnings{true, {}, "", {}, 0}));
    const auto two =
        ReadJmaWarnings(stormy.Get("warning/data/r8/130000.json", 5)->Body, "1310100", kNow);
    ASSERT_TRUE(two);
    EXPECT_TRUE(two->Known);
    EXPECT_EQ(two->Warnings,
              (std::vector<TWarning>{{"03", "レベル3大雨警報", "継続", TWarningLevel::Warning},
                                     {"15", "強風注意報", "発表", TWarningLevel::Advisory}}));
    EXPECT_EQ(two->Time, "2026-10-04T05:00");
    EXPECT_EQ(two->Reports, (std::vector<std::string>{"2026-10-04T05:00", "2026-10-04T05:00"}));
    // The neighbour in the same file has none.
    EXPECT_EQ(*ReadJmaWarnings(stormy.Get("warning/data/r8/130000.json", 5)->Body, "1310200", kNow),
              (TJmaWarnings{true, {}, "", {}, 0}));
}

// forecast-dump jma over loopback: the agency's real r8 answer for 宗谷, and the printed
// Warnings of each of its municipalities against the oracle.
TEST(ForecastDumpJmaWarnings, PrintsWhatTheOracleListsForEveryMunicipality) {
    const TSampleJmaSite site(2026, 10, 4);
    const std::string answer = RealAnswer();
    httplib::Server server;
    server.Get(R"(/bosai/(.*))", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string path = req.matches[1].str();
        if (path == "warning/data/r8/011000.json") {
            res.set_content(answer, "application/json");
            return;
        }
        const auto page = site.Get(path, 5);
        if (!page) {
            res.status = 404;
            return;
        }
        res.set_content(page->Body, "application/json");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";

    TJmaConstants constants;
    ASSERT_TRUE(ReadJmaAreas(SampleAreaJson(), constants));
    TempDir dir;
    for (const auto& [class20, list] : Oracle()) {
        SCOPED_TRACE(class20);
        const std::string name = constants.Class20s.at(class20).Name;
        FILE* pipe = popen((std::string(PELUMI_BIN_DIR) + "/forecast-dump jma " + base + "bosai/ " +
                            base + "om/ 北海道 " + name + " --now 2026-10-04T05:30:00 --cache " +
                            dir.Path() + " 2>/dev/null")
                               .c_str(),
                           "r");
        ASSERT_TRUE(pipe);
        std::string printed;
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;)
            printed.append(buf, n);
        pclose(pipe);
        const json record = json::parse(printed, nullptr, false);
        ASSERT_TRUE(record.is_object()) << printed;
        ASSERT_TRUE(record["Warnings"].is_array()) << printed;
        std::vector<std::string> got;
        for (const json& w : record["Warnings"])
            got.push_back(w["code"].get<std::string>() + ":" + w["status"].get<std::string>() +
                          "@" + record["WarningsTime"].get<std::string>());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, list);
        for (const json& w : record["Warnings"])
            EXPECT_EQ(w["level"], "advisory");
    }
    server.stop();
    thread.join();
}
