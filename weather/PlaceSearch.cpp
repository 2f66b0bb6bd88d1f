#include "weather/PlaceSearch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

namespace {

// One code point from `text` at `at`, which moves past it; U+FFFD for a byte that starts no
// well-formed sequence (it is then skipped alone).
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size()) {
        ++at;
        return 0xFFFD;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        c = (c << 6) | (next & 0x3F);
    }
    // An overlong form, a surrogate or a value beyond U+10FFFF is no UTF-8 either.
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++at;
        return 0xFFFD;
    }
    at += static_cast<std::size_t>(length);
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::vector<char32_t> CodePoints(std::string_view text) {
    std::vector<char32_t> result;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = NextCodePoint(text, at);
        if (c != 0xFFFD)
            result.push_back(c);
    }
    return result;
}

constexpr char32_t kFirstHiragana = 0x3041; // ぁ
constexpr char32_t kLastHiragana = 0x3096;  // ゖ
constexpr char32_t kSmallTsu = 0x3063;      // っ
constexpr char32_t kLongMark = 0x30FC;      // ー

// Romaji of each hiragana from ぁ to ゖ; っ is handled apart.
constexpr std::array<std::string_view, kLastHiragana - kFirstHiragana + 1> kRomaji = {
    "a",  "a",  "i",   "i",  "u",  "u",   "e",  "e",   "o",  "o",  "ka", "ga", "ki", "gi", "ku",
    "gu", "ke", "ge",  "ko", "go", "sa",  "za", "shi", "ji", "su", "zu", "se", "ze", "so", "zo",
    "ta", "da", "chi", "ji", "",   "tsu", "zu", "te",  "de", "to", "do", "na", "ni", "nu", "ne",
    "no", "ha", "ba",  "pa", "hi", "bi",  "pi", "fu",  "bu", "pu", "he", "be", "pe", "ho", "bo",
    "po", "ma", "mi",  "mu", "me", "mo",  "ya", "ya",  "yu", "yu", "yo", "yo", "ra", "ri", "ru",
    "re", "ro", "wa",  "wa", "i",  "e",   "o",  "n",   "vu", "ka", "ke"};

bool IsHiragana(char32_t c) {
    return c >= kFirstHiragana && c <= kLastHiragana;
}

bool IsSmallVowel(char32_t c) {
    return c == 0x3041 || c == 0x3043 || c == 0x3045 || c == 0x3047 || c == 0x3049;
}

bool IsSmallY(char32_t c) {
    return c == 0x3083 || c == 0x3085 || c == 0x3087;
}

bool IsVowel(char c) {
    return c == 'a' || c == 'i' || c == 'u' || c == 'e' || c == 'o';
}

// The vowels that macrons and circumflexes sit on.
char PlainVowel(char32_t c) {
    switch (c) {
    case 0x0100:
    case 0x0101:
    case 0x00C2:
    case 0x00E2:
        return 'a';
    case 0x0112:
    case 0x0113:
    case 0x00CA:
    case 0x00EA:
        return 'e';
    case 0x012A:
    case 0x012B:
    case 0x00CE:
    case 0x00EE:
        return 'i';
    case 0x014C:
    case 0x014D:
    case 0x00D4:
    case 0x00F4:
        return 'o';
    case 0x016A:
    case 0x016B:
    case 0x00DB:
    case 0x00FB:
        return 'u';
    default:
        return '\0';
    }
}

// Half-width katakana from ｦ to ﾝ as hiragana (ｰ stays the long mark).
constexpr std::array<char32_t, 0xFF9D - 0xFF66 + 1> kHalfWidthKana = {
    U'を', U'ぁ', U'ぃ', U'ぅ', U'ぇ', U'ぉ', U'ゃ', U'ゅ', U'ょ', U'っ', U'ー', U'あ',
    U'い', U'う', U'え', U'お', U'か', U'き', U'く', U'け', U'こ', U'さ', U'し', U'す',
    U'せ', U'そ', U'た', U'ち', U'つ', U'て', U'と', U'な', U'に', U'ぬ', U'ね', U'の',
    U'は', U'ひ', U'ふ', U'へ', U'ほ', U'ま', U'み', U'む', U'め', U'も', U'や', U'ゆ',
    U'よ', U'ら', U'り', U'る', U'れ', U'ろ', U'わ', U'ん'};

// ﾞ and ﾟ, and the combining and spacing forms of the two marks.
bool IsSoundMark(char32_t c) {
    return c == 0xFF9E || c == 0xFF9F || (c >= 0x3099 && c <= 0x309C);
}

bool IsSemiVoicedMark(char32_t c) {
    return c == 0xFF9F || c == 0x309A || c == 0x309C;
}

// The kana `kana` with the mark; 0 when the mark does not go with it.
char32_t Voiced(char32_t kana, char32_t mark) {
    const bool semi = IsSemiVoicedMark(mark);
    if (kana >= U'は' && kana <= U'ほ' && (kana - U'は') % 3 == 0)
        return kana + (semi ? 2 : 1);
    if (semi)
        return 0;
    if (kana == U'う')
        return U'ゔ';
    // か to ぢ alternate plain and voiced; then つ づ, て で, と ど.
    if ((kana >= U'か' && kana <= U'ち' && (kana - U'か') % 2 == 0) || kana == U'つ' ||
        kana == U'て' || kana == U'と')
        return kana + 1;
    return 0;
}

void RemoveLastCodePoint(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty())
        text.pop_back();
}

// The prefectures and their readings, which typing finds them by (とうきょう, tokyo).
struct TPrefectureReading {
    std::string_view Name;
    std::string_view Reading;
};
constexpr std::array<TPrefectureReading, 47> kPrefectureReadings = {{
    {"北海道", "ほっかいどう"},   {"青森県", "あおもりけん"},   {"岩手県", "いわてけん"},
    {"宮城県", "みやぎけん"},     {"秋田県", "あきたけん"},     {"山形県", "やまがたけん"},
    {"福島県", "ふくしまけん"},   {"茨城県", "いばらきけん"},   {"栃木県", "とちぎけん"},
    {"群馬県", "ぐんまけん"},     {"埼玉県", "さいたまけん"},   {"千葉県", "ちばけん"},
    {"東京都", "とうきょうと"},   {"神奈川県", "かながわけん"}, {"新潟県", "にいがたけん"},
    {"富山県", "とやまけん"},     {"石川県", "いしかわけん"},   {"福井県", "ふくいけん"},
    {"山梨県", "やまなしけん"},   {"長野県", "ながのけん"},     {"岐阜県", "ぎふけん"},
    {"静岡県", "しずおかけん"},   {"愛知県", "あいちけん"},     {"三重県", "みえけん"},
    {"滋賀県", "しがけん"},       {"京都府", "きょうとふ"},     {"大阪府", "おおさかふ"},
    {"兵庫県", "ひょうごけん"},   {"奈良県", "ならけん"},       {"和歌山県", "わかやまけん"},
    {"鳥取県", "とっとりけん"},   {"島根県", "しまねけん"},     {"岡山県", "おかやまけん"},
    {"広島県", "ひろしまけん"},   {"山口県", "やまぐちけん"},   {"徳島県", "とくしまけん"},
    {"香川県", "かがわけん"},     {"愛媛県", "えひめけん"},     {"高知県", "こうちけん"},
    {"福岡県", "ふくおかけん"},   {"佐賀県", "さがけん"},       {"長崎県", "ながさきけん"},
    {"熊本県", "くまもとけん"},   {"大分県", "おおいたけん"},   {"宮崎県", "みやざきけん"},
    {"鹿児島県", "かごしまけん"}, {"沖縄県", "おきなわけん"},
}};

// A reading typed that far names its prefecture: two kana, three letters.
constexpr std::size_t kPrefectureKana = 2;
constexpr std::size_t kPrefectureLetters = 3;

// Fewer letters than this are too short to guess at.
constexpr std::size_t kSuggestLetters = 4;

// The kanji that end a municipality's name, with the readings they take there.
struct TSuffix {
    std::string_view Kanji;
    std::array<std::string_view, 2> Readings;
};
constexpr std::array<TSuffix, 4> kSuffixes = {{
    {"市", {"し", ""}},
    {"区", {"く", ""}},
    {"町", {"まち", "ちょう"}},
    {"村", {"むら", "そん"}},
}};

// What kind of text one typed word is.
enum class TWordKind { Name, Kana, Romaji };

struct TWord {
    TWordKind Kind = TWordKind::Name;
    std::string Text;       // normalized; loosened for romaji
    std::size_t Length = 0; // in characters
    std::string Romaji;     // loosened: the romaji itself, or that of a kana word
};

TWord ClassifyWord(std::string_view normalized) {
    const std::vector<char32_t> points = CodePoints(normalized);
    bool latin = true;
    bool kana = true;
    for (const char32_t c : points) {
        const bool letter = c >= 'a' && c <= 'z';
        latin = latin && (letter || c == '-' || c == '\'' || c == '.');
        kana = kana && (IsHiragana(c) || c == kLongMark);
    }
    TWord word;
    word.Length = points.size();
    if (latin) {
        word.Kind = TWordKind::Romaji;
        word.Text = LoosenRomaji(normalized);
        word.Length = word.Text.size();
        word.Romaji = word.Text;
    } else {
        word.Kind = kana ? TWordKind::Kana : TWordKind::Name;
        word.Text = std::string(normalized);
        if (kana)
            word.Romaji = LoosenRomaji(HiraganaToRomaji(normalized));
    }
    return word;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// 0 whole, 1 beginning, 2 inside, 3 prefecture or region only, -1 no match.
constexpr int kNoMatch = -1;
constexpr int kAreaOnly = 3;

// The reading of a city that the agency splits into parts named after it (仙台市東部 and
// 仙台市西部: "せんだいし"): what their readings share, up to the reading of the city's last
// kanji. Empty unless two parts at least share it. `parts` are the places of the city's
// prefecture whose names begin with its name.
std::string SplitCityReading(const std::vector<const TSearchPlace*>& parts,
                             const TLocationNames& city) {
    std::optional<std::string> shared;
    int count = 0;
    for (const TSearchPlace* place : parts) {
        if (place->Name.size() <= city.Name.size() || place->Reading.empty())
            continue;
        ++count;
        if (!shared) {
            shared = place->Reading;
            continue;
        }
        // Whole characters in common.
        std::size_t a = 0;
        std::size_t b = 0;
        while (a < shared->size() && b < place->Reading.size()) {
            const std::size_t start = a;
            if (NextCodePoint(*shared, a) != NextCodePoint(place->Reading, b)) {
                a = start;
                break;
            }
        }
        shared->resize(a);
    }
    if (count < 2 || !shared)
        return {};
    for (const TSuffix& suffix : kSuffixes) {
        if (!city.Name.ends_with(suffix.Kanji))
            continue;
        std::size_t end = 0;
        for (const std::string_view reading : suffix.Readings)
            if (const std::size_t at = reading.empty() ? std::string::npos : shared->rfind(reading);
                at != std::string::npos)
                end = std::max(end, at + reading.size());
        shared->resize(end);
    }
    return *shared;
}

// The edit distance of `word` from `key` (a letter put in, left out, changed, or two swapped),
// and that from the nearest beginning of `key` (for a word typed part of the way).
struct TDistance {
    std::size_t Whole;
    std::size_t Start;
};
TDistance EditDistance(std::string_view word, std::string_view key) {
    const std::size_t n = word.size();
    const std::size_t m = key.size();
    // Three rows of the table: two back for the swap.
    std::vector<std::size_t> before(m + 1), last(m + 1), row(m + 1);
    for (std::size_t j = 0; j <= m; ++j)
        last[j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t change = last[j - 1] + (word[i - 1] == key[j - 1] ? 0 : 1);
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, change});
            if (i > 1 && j > 1 && word[i - 1] == key[j - 2] && word[i - 2] == key[j - 1])
                row[j] = std::min(row[j], before[j - 2] + 1);
        }
        std::swap(before, last);
        std::swap(last, row);
    }
    return {last[m], *std::min_element(last.begin(), last.end())};
}

} // namespace

std::string NormalizeSearchText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char32_t last = 0; // the last kana written, which a sound mark may voice
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = NextCodePoint(text, at);
        if (c == 0xFFFD)
            continue;
        if (c >= 0x30A1 && c <= 0x30F6)
            c -= 0x60; // katakana → hiragana
        else if (c >= 0xFF66 && c <= 0xFF9D)
            c = kHalfWidthKana[c - 0xFF66];
        else if (c >= 0xFF01 && c <= 0xFF5E)
            c -= 0xFEE0; // full-width ASCII
        else if (c == 0x3000)
            c = ' ';
        if (IsSoundMark(c)) {
            // A half-width or combining mark voices the kana before it (ｶﾞ, か + U+3099).
            if (const char32_t voiced = Voiced(last, c)) {
                RemoveLastCodePoint(out);
                AppendUtf8(out, voiced);
            }
            last = 0;
            continue;
        }
        if (const char vowel = PlainVowel(c))
            c = static_cast<char32_t>(vowel);
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        last = IsHiragana(c) ? c : 0;
        AppendUtf8(out, c);
    }
    return out;
}

std::string HiraganaToRomaji(std::string_view hiragana) {
    std::string out;
    bool doubleNext = false;
    for (const char32_t c : CodePoints(hiragana)) {
        if (c == kLongMark && !out.empty() && IsVowel(out.back())) {
            out += out.back(); // ー lengthens the vowel before it
            continue;
        }
        if (!IsHiragana(c))
            continue;
        if (c == kSmallTsu) {
            doubleNext = true;
            continue;
        }
        const std::string_view romaji = kRomaji[c - kFirstHiragana];
        if (IsSmallY(c) && out.size() >= 2 && out.back() == 'i' && !IsVowel(out[out.size() - 2])) {
            // きゃ kya, しゃ sha, ちゅ chu, じょ jo
            out.pop_back();
            const bool palatal = out.ends_with("sh") || out.ends_with("ch") || out.ends_with("j");
            out += palatal ? romaji.substr(1) : romaji;
        } else if (IsSmallVowel(c) && out.size() >= 2 && IsVowel(out.back()) &&
                   !IsVowel(out[out.size() - 2])) {
            // ふぁ fa, てぃ ti
            out.back() = romaji[0];
        } else {
            if (doubleNext && !romaji.empty() && !IsVowel(romaji[0]))
                out += romaji.starts_with("ch") ? 't' : romaji[0];
            out += romaji;
        }
        doubleNext = false;
    }
    return out;
}

std::string LoosenRomaji(std::string_view romaji) {
    std::string letters;
    for (const char c : romaji)
        if (c >= 'a' && c <= 'z')
            letters += c;
        else if (c >= 'A' && c <= 'Z')
            letters += static_cast<char>(c - 'A' + 'a');
    const auto at = [&letters](std::size_t i) { return i < letters.size() ? letters[i] : '\0'; };
    // The other ways of writing kana, as Hepburn writes them: si, ti, tu, hu, zi, di, du (Kunrei,
    // Nihon-shiki), sya, tya, zya, dya and the typists' jya, cya; を as wo.
    std::string hepburn;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const char c = letters[i];
        const char next = at(i + 1);
        const char before = i > 0 ? letters[i - 1] : '\0';
        const bool yVowel = next == 'y' && (at(i + 2) == 'a' || at(i + 2) == 'u' ||
                                            at(i + 2) == 'o' || at(i + 2) == 'e');
        const char* palatal = c == 's'                           ? "sh"
                              : c == 't' || c == 'c'             ? "ch"
                              : c == 'z' || c == 'd' || c == 'j' ? "j"
                                                                 : nullptr;
        if (palatal != nullptr && yVowel) {
            hepburn += palatal;
            ++i; // the y
        } else if (next == 'i' && (c == 's' || c == 't' || c == 'z' || c == 'd')) {
            hepburn += c == 's' ? "sh" : c == 't' ? "ch" : "j";
        } else if (c == 't' && next == 'u') {
            hepburn += "ts";
        } else if (c == 'h' && next == 'u' && before != 's' && before != 'c') {
            hepburn += 'f';
        } else if (c == 'd' && next == 'u') {
            hepburn += 'z';
        } else if (c == 'w' && next == 'o') {
            // を is o
        } else {
            hepburn += c;
        }
    }
    std::string out;
    for (std::size_t i = 0; i < hepburn.size(); ++i) {
        char c = hepburn[i];
        const char next = i + 1 < hepburn.size() ? hepburn[i + 1] : '\0';
        if (c == 'm' && (next == 'b' || next == 'm' || next == 'p'))
            c = 'n';
        if (c == 'n' && !out.empty() && out.back() == 'n')
            continue; // ん typed as nn
        if (c == 'h' && !out.empty() && out.back() == 'o' && next != '\0' && !IsVowel(next) &&
            next != 'y')
            continue; // a long o written oh (Ohta)
        if (IsVowel(c) && !out.empty() && IsVowel(out.back()) &&
            (c == out.back() || (out.back() == 'o' && c == 'u')))
            continue; // a long vowel: aa, ii, uu, ee, oo, ou
        out += c;
    }
    return out;
}

void AddListEntries(std::vector<TSearchPlace>& places, const std::vector<TLocationNames>& entries) {
    // The places there are, by prefecture and name: a city's parts follow its own name.
    std::vector<std::size_t> byName(places.size());
    for (std::size_t i = 0; i < byName.size(); ++i)
        byName[i] = i;
    const auto key = [&places](std::size_t i) {
        return std::pair<std::string_view, std::string_view>(places[i].Prefecture, places[i].Name);
    };
    std::stable_sort(byName.begin(), byName.end(),
                     [&key](std::size_t a, std::size_t b) { return key(a) < key(b); });
    const auto firstOf = [&](const TLocationNames& entry) {
        return std::lower_bound(
            byName.begin(), byName.end(),
            std::pair<std::string_view, std::string_view>(entry.Prefecture, entry.Name),
            [&key](std::size_t i, const auto& wanted) { return key(i) < wanted; });
    };
    std::vector<TSearchPlace> added;
    std::set<std::pair<std::string_view, std::string_view>> addedNames;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TLocationNames& entry = entries[i];
        auto at = firstOf(entry);
        if (at != byName.end() && places[*at].Prefecture == entry.Prefecture &&
            places[*at].Name == entry.Name) {
            if (places[*at].ListIndex < 0)
                places[*at].ListIndex = static_cast<int>(i);
            continue;
        }
        if (!addedNames.emplace(entry.Prefecture, entry.Name).second)
            continue;
        std::vector<const TSearchPlace*> parts;
        for (; at != byName.end() && places[*at].Prefecture == entry.Prefecture &&
               places[*at].Name.starts_with(entry.Name);
             ++at)
            parts.push_back(&places[*at]);
        added.push_back({entry.Name, SplitCityReading(parts, entry), entry.Prefecture, entry.Region,
                         "", static_cast<int>(i)});
    }
    places.insert(places.end(), std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
}

namespace {

// The prefecture's position in kPrefectureReadings, or -1.
int PrefectureIndex(std::string_view name) {
    for (std::size_t i = 0; i < kPrefectureReadings.size(); ++i)
        if (kPrefectureReadings[i].Name == name)
            return static_cast<int>(i);
    return -1;
}

} // namespace

TPlaceSearch::TPlaceSearch(std::vector<TSearchPlace> places) : places_(std::move(places)) {
    for (const TPrefectureReading& prefecture : kPrefectureReadings)
        prefectures_.push_back(
            {std::string(prefecture.Reading), LoosenRomaji(HiraganaToRomaji(prefecture.Reading))});
    keys_.reserve(places_.size());
    for (const TSearchPlace& place : places_) {
        TKeys keys;
        keys.Name = NormalizeSearchText(place.Name);
        keys.Reading = NormalizeSearchText(place.Reading);
        for (const TSuffix& suffix : kSuffixes) {
            if (!place.Name.ends_with(suffix.Kanji) || place.Name.size() == suffix.Kanji.size())
                continue;
            keys.NameStem = keys.Name.substr(0, keys.Name.size() - suffix.Kanji.size());
            for (const std::string_view reading : suffix.Readings)
                if (!reading.empty() && keys.Reading.ends_with(reading) &&
                    keys.Reading.size() > reading.size())
                    keys.ReadingStem = keys.Reading.substr(0, keys.Reading.size() - reading.size());
        }
        keys.Romaji = LoosenRomaji(HiraganaToRomaji(keys.Reading));
        keys.RomajiStem = LoosenRomaji(HiraganaToRomaji(keys.ReadingStem));
        keys.Prefecture = PrefectureIndex(place.Prefecture);
        keys_.push_back(std::move(keys));
    }
}

namespace {

std::vector<TWord> Words(std::string_view text) {
    std::vector<TWord> words;
    const std::string normalized = NormalizeSearchText(text);
    for (std::size_t at = 0; at < normalized.size();) {
        const std::size_t end = std::min(normalized.find(' ', at), normalized.size());
        if (end > at) {
            TWord word = ClassifyWord(std::string_view(normalized).substr(at, end - at));
            if (!word.Text.empty())
                words.push_back(std::move(word));
        }
        at = end + 1;
    }
    return words;
}

// A loosened romaji word against a place's romaji keys.
int RomajiTier(const std::string& w, std::size_t length, const std::string& romaji,
               const std::string& romajiStem) {
    if (romaji.empty() || w.empty())
        return kNoMatch;
    if (romaji == w || romajiStem == w)
        return 0;
    if (romaji.starts_with(w))
        return 1;
    return length >= 3 && Contains(romaji, w) ? 2 : kNoMatch;
}

} // namespace

std::vector<std::size_t> TPlaceSearch::Find(std::string_view text, std::size_t limit) const {
    const std::vector<TWord> words = Words(text);
    if (words.empty() || limit == 0)
        return {};

    // A kana or romaji word that begins the reading of the place's prefecture.
    const auto inPrefecture = [this](const TWord& word, int prefecture) {
        if (prefecture < 0 || word.Kind == TWordKind::Name)
            return false;
        const TPrefectureKeys& keys = prefectures_[static_cast<std::size_t>(prefecture)];
        if (word.Kind == TWordKind::Kana && word.Length >= kPrefectureKana &&
            keys.Reading.starts_with(word.Text))
            return true;
        return word.Romaji.size() >= kPrefectureLetters && keys.Romaji.starts_with(word.Romaji);
    };

    // One word against one place's own names (not its prefecture or region).
    const auto tierOf = [](const TWord& word, const TKeys& keys) {
        const std::string& w = word.Text;
        switch (word.Kind) {
        case TWordKind::Romaji:
            return RomajiTier(w, word.Length, keys.Romaji, keys.RomajiStem);
        case TWordKind::Kana:
            if (keys.Reading == w || keys.ReadingStem == w || keys.Name == w || keys.NameStem == w)
                return 0;
            if (keys.Reading.starts_with(w) || keys.Name.starts_with(w))
                return 1;
            // One kana inside a reading is in far too many of them.
            if (word.Length >= 2 && (Contains(keys.Reading, w) || Contains(keys.Name, w)))
                return 2;
            // Long vowels written another way (とーきょー, おうさか), by the sound.
            return RomajiTier(word.Romaji, word.Romaji.size(), keys.Romaji, keys.RomajiStem);
        case TWordKind::Name:
            if (keys.Name == w || keys.NameStem == w)
                return 0;
            if (keys.Name.starts_with(w))
                return 1;
            return Contains(keys.Name, w) ? 2 : kNoMatch;
        }
        return kNoMatch;
    };

    std::vector<std::tuple<int, int, std::size_t>> found; // tier, not a list entry, position
    for (std::size_t i = 0; i < places_.size(); ++i) {
        const TSearchPlace& place = places_[i];
        int best = kAreaOnly;
        bool all = true;
        for (const TWord& word : words) {
            const int tier = tierOf(word, keys_[i]);
            if (tier != kNoMatch) {
                best = std::min(best, tier);
                continue;
            }
            if (word.Kind == TWordKind::Name &&
                (Contains(place.Prefecture, word.Text) || Contains(place.Region, word.Text)))
                continue;
            if (inPrefecture(word, keys_[i].Prefecture))
                continue;
            all = false;
            break;
        }
        if (all)
            found.emplace_back(best, place.ListIndex < 0 ? 1 : 0, i);
    }
    const std::size_t count = std::min(limit, found.size());
    std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(count),
                      found.end());
    std::vector<std::size_t> result;
    result.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        result.push_back(std::get<2>(found[i]));
    return result;
}

std::vector<std::size_t> TPlaceSearch::Suggest(std::string_view text, std::size_t limit) const {
    const std::vector<TWord> words = Words(text);
    if (words.size() != 1 || words[0].Kind == TWordKind::Name || limit == 0)
        return {};
    const std::string& w = words[0].Romaji;
    if (w.size() < kSuggestLetters)
        return {};
    // One slip in a short word, two in a long one.
    const std::size_t allowed = w.size() >= 8 ? 2 : 1;
    // distance, begins only, not a list entry, position
    std::vector<std::tuple<std::size_t, int, int, std::size_t>> near;
    for (std::size_t i = 0; i < places_.size(); ++i) {
        const TKeys& keys = keys_[i];
        if (keys.Romaji.empty())
            continue;
        const TDistance whole = EditDistance(w, keys.Romaji);
        std::size_t best = whole.Whole;
        int partial = 0;
        if (!keys.RomajiStem.empty())
            best = std::min(best, EditDistance(w, keys.RomajiStem).Whole);
        if (whole.Start < best) {
            best = whole.Start;
            partial = 1;
        }
        if (best >= 1 && best <= allowed)
            near.emplace_back(best, partial, places_[i].ListIndex < 0 ? 1 : 0, i);
    }
    const std::size_t count = std::min(limit, near.size());
    std::partial_sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(count), near.end());
    std::vector<std::size_t> result;
    for (std::size_t i = 0; i < count; ++i)
        result.push_back(std::get<3>(near[i]));
    return result;
}
