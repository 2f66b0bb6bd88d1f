#include "weather/PlaceSearch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
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
    } else {
        word.Kind = kana ? TWordKind::Kana : TWordKind::Name;
        word.Text = std::string(normalized);
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
// kanji. Empty unless two parts at least share it.
std::string SplitCityReading(const std::vector<TSearchPlace>& places, const TLocationNames& city) {
    std::optional<std::string> shared;
    int parts = 0;
    for (const TSearchPlace& place : places) {
        if (place.Prefecture != city.Prefecture || place.Name.size() <= city.Name.size() ||
            !place.Name.starts_with(city.Name) || place.Reading.empty())
            continue;
        ++parts;
        if (!shared) {
            shared = place.Reading;
            continue;
        }
        // Whole characters in common.
        std::size_t a = 0;
        std::size_t b = 0;
        while (a < shared->size() && b < place.Reading.size()) {
            const std::size_t start = a;
            if (NextCodePoint(*shared, a) != NextCodePoint(place.Reading, b)) {
                a = start;
                break;
            }
        }
        shared->resize(a);
    }
    if (parts < 2 || !shared)
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

} // namespace

std::string NormalizeSearchText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = NextCodePoint(text, at);
        if (c == 0xFFFD)
            continue;
        if (c >= 0x30A1 && c <= 0x30F6)
            c -= 0x60; // katakana → hiragana
        else if (c >= 0xFF01 && c <= 0xFF5E)
            c -= 0xFEE0; // full-width ASCII
        else if (c == 0x3000)
            c = ' ';
        if (const char vowel = PlainVowel(c))
            c = static_cast<char32_t>(vowel);
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        AppendUtf8(out, c);
    }
    return out;
}

std::string HiraganaToRomaji(std::string_view hiragana) {
    std::string out;
    bool doubleNext = false;
    for (const char32_t c : CodePoints(hiragana)) {
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
    std::string out;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        char c = letters[i];
        const char next = i + 1 < letters.size() ? letters[i + 1] : '\0';
        if (c == 'm' && (next == 'b' || next == 'm' || next == 'p'))
            c = 'n';
        if (IsVowel(c) && !out.empty() && IsVowel(out.back()) &&
            (c == out.back() || (out.back() == 'o' && c == 'u')))
            continue; // a long vowel: aa, ii, uu, ee, oo, ou
        out += c;
    }
    return out;
}

void AddListEntries(std::vector<TSearchPlace>& places, const std::vector<TLocationNames>& entries) {
    std::map<std::pair<std::string_view, std::string_view>, std::size_t> byName;
    for (std::size_t i = 0; i < places.size(); ++i)
        byName.emplace(
            std::pair<std::string_view, std::string_view>(places[i].Prefecture, places[i].Name), i);
    std::vector<TSearchPlace> added;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TLocationNames& entry = entries[i];
        const auto found = byName.find({entry.Prefecture, entry.Name});
        if (found != byName.end()) {
            if (places[found->second].ListIndex < 0)
                places[found->second].ListIndex = static_cast<int>(i);
            continue;
        }
        bool repeated = false;
        for (const TSearchPlace& place : added)
            repeated =
                repeated || (place.Prefecture == entry.Prefecture && place.Name == entry.Name);
        if (!repeated)
            added.push_back({entry.Name, SplitCityReading(places, entry), entry.Prefecture,
                             entry.Region, "", static_cast<int>(i)});
    }
    places.insert(places.end(), std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
}

TPlaceSearch::TPlaceSearch(std::vector<TSearchPlace> places) : places_(std::move(places)) {
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
        keys_.push_back(std::move(keys));
    }
}

std::vector<std::size_t> TPlaceSearch::Find(std::string_view text, std::size_t limit) const {
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
    if (words.empty() || limit == 0)
        return {};

    // One word against one place's own names (not its prefecture or region).
    const auto tierOf = [](const TWord& word, const TKeys& keys) {
        const std::string& w = word.Text;
        switch (word.Kind) {
        case TWordKind::Romaji:
            if (keys.Romaji.empty())
                return kNoMatch;
            if (keys.Romaji == w || keys.RomajiStem == w)
                return 0;
            if (keys.Romaji.starts_with(w))
                return 1;
            return word.Length >= 3 && Contains(keys.Romaji, w) ? 2 : kNoMatch;
        case TWordKind::Kana:
            if (keys.Reading == w || keys.ReadingStem == w || keys.Name == w || keys.NameStem == w)
                return 0;
            if (keys.Reading.starts_with(w) || keys.Name.starts_with(w))
                return 1;
            // One kana inside a reading is in far too many of them.
            return word.Length >= 2 && (Contains(keys.Reading, w) || Contains(keys.Name, w))
                       ? 2
                       : kNoMatch;
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
