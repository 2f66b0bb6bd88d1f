#include "weather/openmeteo/WeatherWords.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace {

// From the least to the most significant: a period with one hour of rain is a rainy period.
constexpr std::array<std::string_view, 8> kBySignificance = {"晴", "曇",     "霧", "霧雨",
                                                             "雨", "みぞれ", "雪", "雷雨"};

struct CodeWord {
    int code;
    std::string_view word;
};

// WMO weather interpretation codes as the forecast API sends them. 68 and 69 (rain and snow
// mixed) are not sent today but belong to the same table.
constexpr std::array<CodeWord, 30> kCodeWords = {{
    {0, "晴"},    {1, "晴"},    {2, "晴"},    {3, "曇"},    {45, "霧"},     {48, "霧"},
    {51, "霧雨"}, {53, "霧雨"}, {55, "霧雨"}, {56, "霧雨"}, {57, "霧雨"},   {61, "雨"},
    {63, "雨"},   {65, "雨"},   {66, "雨"},   {67, "雨"},   {68, "みぞれ"}, {69, "みぞれ"},
    {71, "雪"},   {73, "雪"},   {75, "雪"},   {77, "雪"},   {80, "雨"},     {81, "雨"},
    {82, "雨"},   {85, "雪"},   {86, "雪"},   {95, "雷雨"}, {96, "雷雨"},   {99, "雷雨"},
}};

int Rank(std::string_view word) {
    for (std::size_t i = 0; i < kBySignificance.size(); ++i)
        if (kBySignificance[i] == word)
            return static_cast<int>(i);
    return -1;
}

using Slots = std::span<const std::string_view, 8>;

int Count(Slots slots, std::size_t begin, std::size_t end, std::string_view word) {
    int n = 0;
    for (std::size_t i = begin; i < end; ++i)
        n += !slots[i].empty() && slots[i] == word;
    return n;
}

int Present(Slots slots, std::size_t begin, std::size_t end) {
    int n = 0;
    for (std::size_t i = begin; i < end; ++i)
        n += !slots[i].empty();
    return n;
}

// The word that covers most of the slots in [begin, end), `except` left out; a tie goes to the
// more significant word, so a day of as much sun as cloud is a cloudy day with sun.
std::string_view Dominant(Slots slots, std::size_t begin, std::size_t end,
                          std::string_view except = {}) {
    std::string_view best;
    int bestCount = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const std::string_view w = slots[i];
        if (w.empty() || w == except)
            continue;
        const int c = Count(slots, begin, end, w);
        if (c > bestCount || (c == bestCount && Rank(w) > Rank(best))) {
            best = w;
            bestCount = c;
        }
    }
    return best;
}

// True when every slot with data between the first and the last slot of `word` holds it.
bool OneRun(Slots slots, std::string_view word) {
    std::size_t first = slots.size();
    std::size_t last = 0;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i] == word) {
            first = std::min(first, i);
            last = i;
        }
    }
    for (std::size_t i = first; i <= last && i < slots.size(); ++i)
        if (!slots[i].empty() && slots[i] != word)
            return false;
    return true;
}

} // namespace

std::optional<std::string_view> WeatherWordOfCode(double code) {
    if (!std::isfinite(code) || code != std::floor(code))
        return std::nullopt;
    for (const CodeWord& c : kCodeWords)
        if (static_cast<double>(c.code) == code)
            return c.word;
    return std::nullopt;
}

std::string_view SignificantWord(std::span<const std::string_view> words) {
    std::string_view best;
    for (const std::string_view w : words)
        if (!w.empty() && (best.empty() || Rank(w) > Rank(best)))
            best = w;
    return best;
}

std::string ComposeDayText(std::span<const std::string_view, 8> slots) {
    const int present = Present(slots, 0, 8);
    if (present == 0)
        return {};
    const std::string_view main = Dominant(slots, 0, 8);
    if (Count(slots, 0, 8, main) == present)
        return std::string(main);

    // のち: the morning keeps one word, the afternoon another, and neither strays into the
    // other half for more than a quarter of it.
    const int morning = Present(slots, 0, 4);
    const int afternoon = Present(slots, 4, 8);
    if (morning > 0 && afternoon > 0) {
        const std::string_view a = Dominant(slots, 0, 4);
        const std::string_view b = Dominant(slots, 4, 8);
        if (a != b && 4 * Count(slots, 4, 8, b) >= 3 * afternoon &&
            2 * Count(slots, 0, 4, a) >= morning && 4 * Count(slots, 0, 4, b) <= morning &&
            4 * Count(slots, 4, 8, a) <= afternoon)
            return std::string(a) + "のち" + std::string(b);
    }

    const std::string_view other = Dominant(slots, 0, 8, main);
    const bool once = OneRun(slots, other) && 4 * Count(slots, 0, 8, other) <= present;
    return std::string(main) + (once ? "一時" : "時々") + std::string(other);
}
