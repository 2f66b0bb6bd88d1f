// Finding a place by typing: the agency's municipalities and the location list, searched by
// kanji, kana and romaji on the real area.json and the shipped urls.list.
#include "support/TempDir.h"
#include "weather/LocationList.h"
#include "weather/PlaceSearch.h"
#include "weather/jma/JmaAreas.h"

#include <gtest/gtest.h>

namespace {

std::vector<TLocationNames> ShippedListNames() {
    std::vector<TLocationNames> names;
    for (const TLocationEntry& e :
         ReadLocationFile(std::string(PELUMI_SOURCE_DIR) + "/data/urls.list"))
        names.push_back({e[0], e[1], e[2]});
    return names;
}

// Every place the agency's source can serve: its municipalities and the list's entries.
const TPlaceSearch& AgencySearch() {
    static const TPlaceSearch search = [] {
        std::vector<TSearchPlace> places =
            JmaSearchPlaces(ReadJmaMunicipalities(ReadAll(TestData("jma/area.json"))));
        AddListEntries(places, ShippedListNames());
        return TPlaceSearch(std::move(places));
    }();
    return search;
}

std::string Describe(const TSearchPlace& p) {
    return p.Prefecture + " " + p.Name +
           (p.ListIndex >= 0 ? " #" + std::to_string(p.ListIndex) : "");
}

std::vector<std::string> FirstResults(const TPlaceSearch& search, std::string_view text,
                                      std::size_t count) {
    std::vector<std::string> result;
    for (const std::size_t i : search.Find(text, count))
        result.push_back(Describe(search.Places()[i]));
    return result;
}

} // namespace

TEST(JmaAreas, ReadsEveryMunicipalityOfTheRealTableInCodeOrder) {
    const auto all = ReadJmaMunicipalities(ReadAll(TestData("jma/area.json")));
    ASSERT_EQ(all.size(), 1788u);
    EXPECT_EQ(all.front(), (TJmaMunicipality{"0110000", "札幌市", "さっぽろし", "北海道", "016010",
                                             "石狩地方"}));
    EXPECT_EQ(all.back().Prefecture, "沖縄県");
    for (std::size_t i = 1; i < all.size(); ++i)
        ASSERT_LT(all[i - 1].Code, all[i].Code);
    const auto karuizawa =
        std::find_if(all.begin(), all.end(), [](const auto& m) { return m.Code == "2032100"; });
    ASSERT_NE(karuizawa, all.end());
    EXPECT_EQ(*karuizawa, (TJmaMunicipality{"2032100", "軽井沢町", "かるいざわまち", "長野県",
                                            "200020", "中部"}));
}

TEST(JmaAreas, LeavesOutWhatIsNotAMunicipalityOfTheTable) {
    // Katakana readings are kept in hiragana; broken chains, unknown prefectures and nameless
    // entries are left out.
    const std::string text = R"({
        "class10s": {"130010": {"name": "東京地方", "parent": "130000"}},
        "class15s": {"130011": {"name": "23区西部", "parent": "130010"},
                     "130012": {"name": "迷子", "parent": "999999"}},
        "class20s": {"1310400": {"name": "新宿区", "kana": "シンジュクク", "parent": "130011"},
                     "1310500": {"name": "文京区", "kana": "ぶんきょうく", "parent": "130012"},
                     "1310600": {"name": "台東区", "kana": "たいとうく", "parent": "999999"},
                     "9910000": {"name": "架空市", "kana": "かくうし", "parent": "130011"},
                     "1310700": {"kana": "すみだく", "parent": "130011"},
                     "1310800": {"name": 7, "parent": "130011"}}})";
    const auto read = ReadJmaMunicipalities(text);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], (TJmaMunicipality{"1310400", "新宿区", "しんじゅくく", "東京都", "130010",
                                         "東京地方"}));
    for (const char* bad : {"", "not json", "[]", R"({"class20s": []})", "{\"class20s\": {"})
        EXPECT_TRUE(ReadJmaMunicipalities(bad).empty()) << bad;
}

TEST(PlaceSearch, FindsThePlaceByKanjiKanaAndRomaji) {
    struct Case {
        const char* typed;
        std::vector<std::string> first; // the first results, in order
    };
    const Case cases[] = {
        // One place, however it is written.
        {"かるいざわ", {"長野県 軽井沢町 #240"}},
        {"カルイザワ", {"長野県 軽井沢町 #240"}},
        {"karuizawa", {"長野県 軽井沢町 #240"}},
        {"Karuizawa", {"長野県 軽井沢町 #240"}},
        {"ＫＡＲＵＩＺＡＷＡ", {"長野県 軽井沢町 #240"}},
        {"軽井", {"長野県 軽井沢町 #240"}},
        {"軽井沢町", {"長野県 軽井沢町 #240"}},
        {"  軽井沢　", {"長野県 軽井沢町 #240"}},
        {"長野 かるいざわ", {"長野県 軽井沢町 #240"}},
        // Not in the list: the agency's municipality alone.
        {"たけとみ", {"沖縄県 竹富町"}},
        {"taketomi", {"沖縄県 竹富町"}},
        // The whole name before names that begin with it (上富良野町, 中富良野町, ...).
        {"ふらの", {"北海道 富良野市 #20"}},
        {"furano", {"北海道 富良野市 #20"}},
        // A split city: the list's whole city first, then the agency's halves.
        {"仙台市", {"宮城県 仙台市 #48", "宮城県 仙台市東部", "宮城県 仙台市西部"}},
        {"せんだい", {"宮城県 仙台市 #48", "宮城県 仙台市東部", "宮城県 仙台市西部"}},
        // A name in two prefectures: both, the listed one first (北海道's is split in two, and
        // the list's whole city takes the reading they share).
        {"伊達市", {"北海道 伊達市 #23", "福島県 伊達市"}},
        {"だて", {"北海道 伊達市 #23", "福島県 伊達市"}},
        {"府中市", {"東京都 府中市 #168", "広島県 府中市"}},
        {"府中", {"東京都 府中市 #168", "広島県 府中市"}},
        {"ふちゅう", {"東京都 府中市 #168", "広島県 府中市"}},
        {"fuchu", {"東京都 府中市 #168", "広島県 府中市"}},
        {"fuchuu", {"東京都 府中市 #168", "広島県 府中市"}},
        {"Fuchū", {"東京都 府中市 #168", "広島県 府中市"}},
        {"広島 府中", {"広島県 府中市"}},
        // Hepburn's m before b, m, p, and long vowels written out.
        {"Ōita", {"大分県 大分市 #461"}},
        {"ooita", {"大分県 大分市 #461"}},
        {"nihommatsu", {"福島県 二本松市"}},
        {"sapporo", {"北海道 札幌市 #0"}},
        {"さっぽろ", {"北海道 札幌市 #0"}},
        {"ちょうし", {"千葉県 銚子市 #126"}},
        {"choshi", {"千葉県 銚子市 #126"}},
        // Nothing to find.
        {"", {}},
        {"   ", {}},
        {"zzzz", {}},
        {"\xff\xfe", {}},
        {"軽井沢 大阪", {}},
    };
    for (const Case& c : cases) {
        const auto found = FirstResults(AgencySearch(), c.typed, c.first.size());
        EXPECT_EQ(found, c.first) << c.typed;
        if (c.first.empty()) {
            EXPECT_TRUE(AgencySearch().Find(c.typed, 5).empty()) << c.typed;
        }
    }
}

TEST(PlaceSearch, EverySpellingPeopleTypeFindsItsPlace) {
    struct Case {
        const char* typed;
        const char* first;
    };
    const Case cases[] = {
        // Kunrei and Nihon-shiki beside Hepburn.
        {"sizuoka", "静岡県 静岡市 #252"},
        {"shizuoka", "静岡県 静岡市 #252"},
        {"hukuoka", "福岡県 福岡市 #422"},
        {"fukuoka", "福岡県 福岡市 #422"},
        {"tyuuou", "東京都 中央区 #141"},
        {"chuo", "東京都 中央区 #141"},
        {"sinjuku", "東京都 新宿区 #143"},
        {"shinnjuku", "東京都 新宿区 #143"},
        {"zyouetsu", "新潟県 上越市 #198"},
        {"jyoetsu", "新潟県 上越市 #198"},
        {"sappoto", ""},
        // Long vowels written or not.
        {"oosaka", "大阪府 大阪市 #304"},
        {"osaka", "大阪府 大阪市 #304"},
        {"ohsaka", "大阪府 大阪市 #304"},
        {"おーさか", "大阪府 大阪市 #304"},
        {"オオサカ", "大阪府 大阪市 #304"},
        // Half-width katakana, full-width letters.
        {"ｶﾙｲｻﾞﾜ", "長野県 軽井沢町 #240"},
        {"ｶﾙｲｻﾞﾜﾏﾁ", "長野県 軽井沢町 #240"},
        {"ｋａｒｕｉｚａｗａ", "長野県 軽井沢町 #240"},
        {"ﾁｮｳｼ", "千葉県 銚子市 #126"},
        // A word for the prefecture by its reading, another for the place.
        {"nagano karuizawa", "長野県 軽井沢町 #240"},
        {"ながの かるいざわ", "長野県 軽井沢町 #240"},
        {"gunma karuizawa", ""},
    };
    for (const Case& c : cases) {
        const auto found = FirstResults(AgencySearch(), c.typed, 1);
        EXPECT_EQ(found, c.first[0] == '\0' ? std::vector<std::string>()
                                            : std::vector<std::string>{c.first})
            << c.typed;
    }
}

TEST(PlaceSearch, APrefectureByItsReadingListsEveryPlaceOfIt) {
    struct Case {
        const char* typed;
        const char* prefecture;
        const char* first; // a place whose own reading matches comes first
    };
    const Case cases[] = {
        {"とうきょう", "東京都", "東京都 西東京市"},
        {"トウキョウ", "東京都", "東京都 西東京市"},
        {"tokyo", "東京都", "東京都 西東京市"},
        {"toukyou", "東京都", "東京都 西東京市"},
        {"tookyoo", "東京都", "東京都 西東京市"},
        {"tōkyō", "東京都", "東京都 西東京市"},
        {"おおさか", "大阪府", "大阪府 大阪市 #304"},
        {"osaka", "大阪府", "大阪府 大阪市 #304"},
        {"hokkaido", "北海道", "北海道 札幌市 #0"},
        {"ほっかいどう", "北海道", "北海道 札幌市 #0"},
    };
    const auto& places = AgencySearch().Places();
    for (const Case& c : cases) {
        const auto found = AgencySearch().Find(c.typed, 1000);
        ASSERT_FALSE(found.empty()) << c.typed;
        EXPECT_EQ(Describe(places[found[0]]), c.first) << c.typed;
        std::size_t inPrefecture = 0;
        for (const TSearchPlace& place : places)
            if (place.Prefecture == c.prefecture) {
                ++inPrefecture;
                EXPECT_NE(std::find_if(found.begin(), found.end(),
                                       [&](std::size_t i) { return places[i] == place; }),
                          found.end())
                    << c.typed << ": " << Describe(place);
            }
        EXPECT_GT(inPrefecture, 40u) << c.prefecture;
    }
}

TEST(PlaceSearch, ANearMissIsOfferedWhenNothingMatches) {
    struct Case {
        const char* typed;
        std::vector<std::string> first;
    };
    const Case cases[] = {
        {"karuisawa", {"長野県 軽井沢町 #240"}},
        {"かるいさわ", {"長野県 軽井沢町 #240"}},
        {"カルイサワ", {"長野県 軽井沢町 #240"}},
        {"karuizwa", {"長野県 軽井沢町 #240"}},
        {"kauizawa", {"長野県 軽井沢町 #240"}},
        {"karuisa", {"長野県 軽井沢町 #240"}},
        {"saporo", {"北海道 札幌市 #0"}},
        {"taketoni", {"沖縄県 竹富町"}},
        // Too short, too far, kanji, or found already.
        {"krz", {}},
        {"xyzzyq", {}},
        {"軽井澤", {}},
        {"karuizawa", {}},
        {"かるいさわ まち", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> suggested;
        for (const std::size_t i : AgencySearch().Suggest(c.typed, c.first.size() + 1))
            suggested.push_back(Describe(AgencySearch().Places()[i]));
        if (c.first.empty()) {
            EXPECT_TRUE(suggested.empty()) << c.typed << ": " << testing::PrintToString(suggested);
            continue;
        }
        EXPECT_TRUE(AgencySearch().Find(c.typed, 5).empty()) << c.typed;
        ASSERT_FALSE(suggested.empty()) << c.typed;
        EXPECT_EQ(suggested[0], c.first[0]) << c.typed;
    }
}

TEST(PlaceSearch, APrefectureListsItsPlacesNorthToSouthWithinIt) {
    const auto found = AgencySearch().Find("沖縄県", 1000);
    std::size_t listed = 0;
    for (const std::size_t i : found) {
        EXPECT_EQ(AgencySearch().Places()[i].Prefecture, "沖縄県");
        listed += AgencySearch().Places()[i].ListIndex >= 0;
    }
    EXPECT_GT(found.size(), 40u);
    // The listed places first, then the others.
    for (std::size_t k = 0; k < found.size(); ++k)
        EXPECT_EQ(AgencySearch().Places()[found[k]].ListIndex >= 0, k < listed);
    EXPECT_EQ(AgencySearch().Find("沖縄県", 3).size(), 3u);
}

TEST(PlaceSearch, ListEntriesJoinTheirMunicipalityOrStandAlone) {
    std::vector<TSearchPlace> places = {
        {"府中市", "ふちゅうし", "東京都", "多摩西部", "1320600", -1},
        {"府中市", "ふちゅうし", "広島県", "南部", "3420800", -1},
    };
    AddListEntries(places, {{"関東", "東京都", "府中市"},
                            {"中国", "広島県", "府中町"},
                            {"関東", "東京都", "府中市"},
                            {"中国", "広島県", "府中町"}});
    EXPECT_EQ(places, (std::vector<TSearchPlace>{
                          {"府中市", "ふちゅうし", "東京都", "多摩西部", "1320600", 0},
                          {"府中市", "ふちゅうし", "広島県", "南部", "3420800", -1},
                          {"府中町", "", "広島県", "中国", "", 1},
                      }));
    // Without the agency's table the list alone is searched, by its names.
    std::vector<TSearchPlace> listOnly;
    AddListEntries(listOnly, ShippedListNames());
    ASSERT_EQ(listOnly.size(), 500u);
    const TPlaceSearch search(std::move(listOnly));
    EXPECT_EQ(FirstResults(search, "軽井", 2), (std::vector<std::string>{"長野県 軽井沢町 #240"}));
    EXPECT_TRUE(search.Find("かるいざわ", 2).empty());
}

TEST(PlaceSearch, ReadingsBecomeHepburnRomaji) {
    const std::pair<const char*, const char*> cases[] = {
        {"かるいざわまち", "karuizawamachi"},
        {"しんばし", "shinbashi"},
        {"ぎっちょう", "gitchou"},
        {"がっこう", "gakkou"},
        {"きゃく", "kyaku"},
        {"じゅう", "juu"},
        {"ちょうふし", "choufushi"},
        {"ふぁ", "fa"},
        {"つ", "tsu"},
        {"を", "o"},
        {"abc", ""},
        {"っ", ""},
    };
    for (const auto& [kana, romaji] : cases)
        EXPECT_EQ(HiraganaToRomaji(kana), romaji) << kana;
    EXPECT_EQ(HiraganaToRomaji("とーきょー"), "tookyoo");
    // Each spelling and its Hepburn loosened alike.
    const std::pair<const char*, const char*> spellings[] = {
        {"Shimbashi", "shinbashi"},
        {"toukyou", "tokyo"},
        {"tookyoo", "tokyo"},
        {"Ohta", "ota"},
        {"ohara", "ohara"},
        {"sizuoka", "shizuoka"},
        {"hukuoka", "fukuoka"},
        {"tyuuou", "chuo"},
        {"cyuuou", "chuo"},
        {"tikuma", "chikuma"},
        {"matumoto", "matsumoto"},
        {"mattu", "mattsu"},
        {"zyouetsu", "joetsu"},
        {"jyouetsu", "joetsu"},
        {"dya", "ja"},
        {"sya", "sha"},
        {"ditto", "jitto"},
        {"shinnjuku", "shinjuku"},
        {"wo", "o"},
        {"shuu", "shu"},
        {"chuu", "chu"},
    };
    for (const auto& [typed, hepburn] : spellings)
        EXPECT_EQ(LoosenRomaji(typed), hepburn) << typed;
    EXPECT_EQ(NormalizeSearchText("Ōno カルイザワ　ＡＢ１"), "ono かるいざわ ab1");
    EXPECT_EQ(NormalizeSearchText("ｶﾙｲｻﾞﾜ ﾎﾟﾝﾎﾟﾝ ｳﾞ ｱﾞ ｰ"), "かるいざわ ぽんぽん ゔ あ ー");
    EXPECT_EQ(NormalizeSearchText("か\u3099は\u309A"), "がぱ");
}

// What is not UTF-8 is dropped, whatever form it takes; the characters around it stay.
TEST(PlaceSearch, BytesThatAreNotUtf8AreDropped) {
    const std::pair<const char*, const char*> cases[] = {
        {"か\xed\xbd\x93る", "かる"},                 // a surrogate (U+DF53)
        {"か\xf7\xbf\xbf\xbfる", "かる"},             // beyond U+10FFFF
        {"か\xe0\x81\x81る", "かる"},                 // an overlong A
        {"か\xc0\x80る", "かる"},                     // an overlong NUL
        {"か\xe3\x82る", "かる"},                     // a character cut short
        {"\xf0\x9f\x98\x80か", "\xf0\x9f\x98\x80か"}, // U+1F600 is kept
    };
    for (const auto& [text, normal] : cases)
        EXPECT_EQ(NormalizeSearchText(text), normal) << text;
}
