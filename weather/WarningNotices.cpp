#include "weather/WarningNotices.h"

#include <algorithm>

TAnnouncedWarnings::TAnnouncedWarnings(std::string cacheFolder) {
    if (cacheFolder.empty())
        return;
    cache_.emplace(std::move(cacheFolder));
    const auto kept = cache_->Read(FileName, 1024u * 1024u);
    if (!kept)
        return;
    std::string_view text = kept->Content;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t a = line.find('\t');
        const std::size_t b = a == std::string_view::npos ? a : line.find('\t', a + 1);
        if (b == std::string_view::npos)
            continue; // not a line of ours
        entries_.push_back({std::string(line.substr(0, a)),
                            std::string(line.substr(a + 1, b - a - 1)),
                            std::string(line.substr(b + 1))});
    }
    while (entries_.size() > MaxLines)
        entries_.pop_front();
}

bool TAnnouncedWarnings::Announced(std::string_view place, std::string_view code,
                                   std::optional<std::string_view> report) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const TEntry& e) {
        return e.Place == place && e.Code == code && (!report || e.Report == *report);
    });
}

std::vector<TWarning> TAnnouncedWarnings::Announce(std::string_view place,
                                                   const std::vector<TWarning>& warnings,
                                                   const std::vector<std::string>& reports,
                                                   TWarningNotice notice) {
    std::vector<TWarning> now;
    // Tabs and line breaks would break the file's lines; the agency's texts have none.
    const auto plain = [](std::string_view text) {
        return text.find_first_of("\t\r\n") == std::string_view::npos;
    };
    if (!plain(place))
        return now;
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        const TWarning& w = warnings[i];
        const std::string report = i < reports.size() ? reports[i] : std::string();
        const bool chosen =
            w.Level == TWarningLevel::Emergency ||
            (notice == TWarningNotice::Warnings && w.Level >= TWarningLevel::Warning) ||
            notice == TWarningNotice::Advisories;
        if (!chosen || !plain(w.Code) || !plain(report))
            continue;
        const bool fresh = (w.Status == "発表" && !Announced(place, w.Code, report)) ||
                           !Announced(place, w.Code, std::nullopt);
        if (!fresh)
            continue;
        now.push_back(w);
        entries_.push_back({std::string(place), w.Code, report});
    }
    if (now.empty())
        return now;
    while (entries_.size() > MaxLines)
        entries_.pop_front();
    Keep();
    return now;
}

void TAnnouncedWarnings::Keep() const {
    if (!cache_)
        return;
    std::string text;
    for (const TEntry& e : entries_)
        text += e.Place + "\t" + e.Code + "\t" + e.Report + "\n";
    (void)cache_->Write(FileName, text);
}

std::string WarningNoticeText(std::string_view place, const std::vector<TWarning>& warnings) {
    std::string names;
    for (const TWarning& w : warnings)
        names += (names.empty() ? "" : "・") + w.Name;
    return std::string(place) + "に" + names + "が発表されています";
}
