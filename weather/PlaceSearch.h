#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One place that typing can find: a municipality of the agency's table, an entry of the
// location list, or both.
struct TSearchPlace {
    std::string Name;       // "軽井沢町"
    std::string Reading;    // in hiragana ("かるいざわまち"); empty when unknown
    std::string Prefecture; // "長野県"
    std::string Region;     // the agency's class10 name, or the list entry's first field
    std::string Code;       // the agency's class20 code; empty for a list entry alone
    int ListIndex = -1;     // the location list's entry, -1 for none
    bool operator==(const TSearchPlace&) const = default;
};

// Adds the location list's entries (names in fields 0-2) to `places`: an entry whose prefecture
// and name are those of a place already there marks that place (the first entry of a name wins);
// any other entry becomes a place of its own, after the others, with no reading.
struct TLocationNames {
    std::string Region;
    std::string Prefecture;
    std::string Name;
};
void AddListEntries(std::vector<TSearchPlace>& places, const std::vector<TLocationNames>& entries);

// The places, searched by what a person types: the name in kanji (whole, its start or any part,
// also without its last 市, 区, 町 or 村), the reading in hiragana or katakana (full- or
// half-width; long vowels written with ー or another kana), or the reading in romaji: Hepburn,
// Kunrei or Nihon-shiki (shi/si, fu/hu, chu/tyu, ja/zya/jya), long vowels written or not
// (toukyou, tokyo, tookyoo, ohta), "m" before b, m, p, ん as "nn", macrons and capitals as plain
// letters. Words split by blanks must each match the place; a word may also match its
// prefecture or region, in kanji or by the prefecture's reading ("長野 かるいざわ",
// "nagano karuizawa"), and a prefecture alone lists its places.
class TPlaceSearch {
public:
    explicit TPlaceSearch(std::vector<TSearchPlace> places);

    const std::vector<TSearchPlace>& Places() const { return places_; }

    // Positions in Places() of at most `limit` matches, best first: a whole name or reading, then
    // one that begins so, then one that holds the text, then places matched by their prefecture
    // or region only; within each, list entries first, then the order of Places(). Nothing for a
    // text without a word.
    std::vector<std::size_t> Find(std::string_view text, std::size_t limit) const;

    // For a text Find finds nothing for: at most `limit` places whose reading is within a slip
    // of the one word typed in kana or romaji (one letter put in, left out, changed or two
    // swapped; two such in a word of eight letters or more), whole or as far as it was typed
    // ("karuisawa", "かるいさわ" give 軽井沢町). Nearest first, then whole readings, then list
    // entries, then the order of Places(). Nothing for several words, kanji, or fewer than four
    // letters.
    std::vector<std::size_t> Suggest(std::string_view text, std::size_t limit) const;

private:
    struct TKeys {
        std::string Name, NameStem; // NameStem: without a last 市, 区, 町 or 村
        std::string Reading, ReadingStem;
        std::string Romaji, RomajiStem; // loosened (see LoosenRomaji)
        int Prefecture = -1;            // in prefectures_, -1 for none known
    };
    struct TPrefectureKeys {
        std::string Reading; // hiragana, with と, ふ or けん
        std::string Romaji;  // loosened
    };
    std::vector<TSearchPlace> places_;
    std::vector<TKeys> keys_;
    std::vector<TPrefectureKeys> prefectures_;
};

// Katakana, full- or half-width, as hiragana (a sound mark joins the kana before it: ｶﾞ is が);
// full-width Latin letters and digits as ASCII; ASCII letters lower case; ā, ī, ū, ē, ō (and
// with circumflex) as plain vowels. Everything else unchanged. Bytes that are not UTF-8 are
// dropped.
std::string NormalizeSearchText(std::string_view text);

// The Hepburn romaji of a reading in hiragana ("かるいざわまち" → "karuizawamachi",
// "しんばし" → "shinbashi", "ぎっちょう" → "gitchou"); ー repeats the vowel before it.
// Other characters are dropped.
std::string HiraganaToRomaji(std::string_view hiragana);

// Romaji in one spelling of its variants: only letters, lower case; Kunrei, Nihon-shiki and
// typists' spellings as Hepburn's (si shi, ti chi, tu tsu, hu fu, zi/di ji, du zu, sya sha,
// tya/cya cha, zya/jya/dya ja, wo o); "m" before b, m or p and "nn" as "n"; doubled or long
// vowels (aa, ii, uu, ee, oo, ou, and oh before a consonant) as one vowel.
std::string LoosenRomaji(std::string_view romaji);
