#include "weather/WarningNotices.h"

#include "platform/TextCodec.h"

#include <algorithm>

namespace {

std::string Key(std::string_view place, std::string_view code) {
    std::string key(place);
    key += '\t';
    key += code;
    return key;
}

std::string Key(std::string_view place, std::string_view code, std::string_view report) {
    std::string key = Key(place, code);
    key += '\t';
    key += report;
    return key;
}

void Count(std::map<std::string, std::size_t, std::less<>>& counts, std::string key, int step) {
    const auto it = counts.try_emplace(std::move(key), 0).first;
    it->second += static_cast<std::size_t>(step);
    if (it->second == 0)
        counts.erase(it);
}

// Tabs and line breaks would break the file's lines; the agency's texts have none.
bool Plain(std::string_view text) {
    return text.find_first_of("\t\r\n") == std::string_view::npos;
}

// The first `count` characters, "…" in place of the rest.
std::string Cut(std::string_view text, std::size_t count) {
    if (platform::Utf8Prefix(text, count).size() == text.size())
        return std::string(text);
    return std::string(platform::Utf8Prefix(text, count - 1)) + "…";
}

// The place, the names and their separators, "ほか" + a count of up to 20 digits + "件", and the
// rest of the sentence.
static_assert(kMaxNoticeNameCharacters * (kMaxNoticeNames + 1) + kMaxNoticeNames + 23 + 10 <=
              kMaxNoticeCharacters);

} // namespace

TAnnouncedWarnings::TAnnouncedWarnings(std::string cacheFolder) {
    if (cacheFolder.empty())
        return;
    cache_.emplace(std::move(cacheFolder));
    if (const auto kept = cache_->Read(FileName, MaxFileBytes))
        Read(kept->Content);
}

TAnnouncedWarnings TAnnouncedWarnings::FromText(std::string_view text) {
    TAnnouncedWarnings list;
    list.Read(text);
    return list;
}

void TAnnouncedWarnings::Read(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t a = line.find('\t');
        const std::size_t b = a == std::string_view::npos ? a : line.find('\t', a + 1);
        if (b == std::string_view::npos || !Plain(line.substr(b + 1)))
            continue; // not a line of ours
        entries_.push_back({std::string(line.substr(0, a)),
                            std::string(line.substr(a + 1, b - a - 1)),
                            std::string(line.substr(b + 1))});
        if (entries_.size() > MaxLines)
            entries_.pop_front();
    }
    for (const TEntry& e : entries_) {
        Count(reports_, Key(e.Place, e.Code, e.Report), 1);
        Count(codes_, Key(e.Place, e.Code), 1);
    }
}

void TAnnouncedWarnings::Remember(TEntry entry) {
    Count(reports_, Key(entry.Place, entry.Code, entry.Report), 1);
    Count(codes_, Key(entry.Place, entry.Code), 1);
    entries_.push_back(std::move(entry));
}

void TAnnouncedWarnings::ForgetOldest() {
    const TEntry& e = entries_.front();
    Count(reports_, Key(e.Place, e.Code, e.Report), -1);
    Count(codes_, Key(e.Place, e.Code), -1);
    entries_.pop_front();
}

bool TAnnouncedWarnings::Announced(std::string_view place, std::string_view code,
                                   std::optional<std::string_view> report) const {
    return report ? reports_.contains(Key(place, code, *report))
                  : codes_.contains(Key(place, code));
}

std::vector<TWarning> TAnnouncedWarnings::Announce(std::string_view place,
                                                   const std::vector<TWarning>& warnings,
                                                   const std::vector<std::string>& reports,
                                                   TWarningNotice notice) {
    std::vector<TWarning> now;
    if (!Plain(place))
        return now;
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        const TWarning& w = warnings[i];
        const std::string report = i < reports.size() ? reports[i] : std::string();
        const bool chosen =
            w.Level == TWarningLevel::Emergency ||
            (notice == TWarningNotice::Warnings && w.Level >= TWarningLevel::Warning) ||
            notice == TWarningNotice::Advisories;
        if (!chosen || !Plain(w.Code) || !Plain(report))
            continue;
        const bool fresh = (w.Status == "発表" && !Announced(place, w.Code, report)) ||
                           !Announced(place, w.Code, std::nullopt);
        if (!fresh)
            continue;
        now.push_back(w);
        Remember({std::string(place), w.Code, report});
    }
    if (now.empty())
        return now;
    while (entries_.size() > MaxLines)
        ForgetOldest();
    Keep();
    return now;
}

std::string TAnnouncedWarnings::Text() const {
    std::string text;
    for (const TEntry& e : entries_)
        text += Key(e.Place, e.Code, e.Report) + "\n";
    return text;
}

void TAnnouncedWarnings::Keep() const {
    if (cache_)
        (void)cache_->Write(FileName, Text());
}

std::string WarningNoticeText(std::string_view place, const std::vector<TWarning>& warnings) {
    std::string names;
    const std::size_t named = std::min(warnings.size(), kMaxNoticeNames);
    for (std::size_t i = 0; i < named; ++i)
        names += (i == 0 ? "" : "・") + Cut(warnings[i].Name, kMaxNoticeNameCharacters);
    if (warnings.size() > named)
        names += "ほか" + std::to_string(warnings.size() - named) + "件";
    return Cut(place, kMaxNoticeNameCharacters) + "に" + names + "が発表されています";
}
