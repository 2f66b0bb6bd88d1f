#include "weather/KeptAnswer.h"

#include "platform/Cache.h"
#include "platform/Clock.h"
#include "weather/HttpClient.h"

#include <curl/curl.h>

#include <optional>

std::string FormatKeptAnswer(const TKeptAnswerFile& kept) {
    return kept.Url + "\n" + kept.Validators.ETag + "\n" + kept.Validators.LastModified + "\n" +
           kept.Body;
}

std::optional<TKeptAnswerFile> ParseKeptAnswer(std::string_view text) {
    TKeptAnswerFile kept;
    std::string* lines[] = {&kept.Url, &kept.Validators.ETag, &kept.Validators.LastModified};
    for (std::string* line : lines) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        *line = std::string(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (kept.Url.empty() || kept.Validators.Empty())
        return std::nullopt;
    kept.Body = std::string(text);
    return kept;
}

namespace {

bool OneLine(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos;
}

// A date the server cannot have written yet (a clock far ahead, a portal's "2100") would make
// it answer 304 for ever; an unreadable one says nothing either.
THttpValidators Sendable(THttpValidators validators) {
    if (!validators.LastModified.empty()) {
        const time_t at = curl_getdate(validators.LastModified.c_str(), nullptr);
        if (at == -1 || static_cast<std::int64_t>(at) > platform::UnixSecondsNow() + 60)
            validators.LastModified.clear();
    }
    return validators;
}

} // namespace

TKeptAnswerResult FetchKeptAnswer(THttpClient& client, const TKeptAnswerRequest& request,
                                  const std::function<bool(std::string_view body)>& accept) {
    std::optional<platform::TCache> cache;
    if (!request.CacheFolder.empty())
        cache.emplace(request.CacheFolder);
    std::optional<TKeptAnswerFile> stored;
    if (cache)
        if (const auto entry = cache->Read(request.Name, request.MaxBytes + 4096))
            stored = ParseKeptAnswer(entry->Content);
    // Validators of another server (a changed prefix) say nothing about this one's answer.
    if (stored && stored->Url != request.Url)
        stored.reset();
    const THttpValidators sent = stored ? Sendable(stored->Validators) : THttpValidators{};

    THttpAnswer answer;
    try {
        answer = client.GetIfChanged(request.Url, sent);
        client.Disconnect();
        if (answer.NotModified) {
            if (stored && accept(stored->Body))
                return TKeptAnswerResult::Used;
            // Refused because the load was cancelled while reading it: the copy may be good.
            if (client.Cancelled())
                return TKeptAnswerResult::Failed;
            // The copy the server vouches for cannot be used: ask for the answer itself.
            if (cache)
                cache->Remove(request.Name);
            answer = client.GetIfChanged(request.Url, {});
            client.Disconnect();
        }
    } catch (...) {
        return TKeptAnswerResult::Failed; // a failed download is only a missing answer
    }
    if (answer.NotModified || answer.Body.size() > request.MaxBytes || !accept(answer.Body))
        return TKeptAnswerResult::Refused;
    // The copy holds its validators with its body, so even an old one never passes for another
    // answer; one that cannot be written only costs a whole answer next time.
    if (cache && !answer.Validators.Empty() && OneLine(request.Url) &&
        OneLine(answer.Validators.ETag) && OneLine(answer.Validators.LastModified))
        (void)cache->Write(request.Name, FormatKeptAnswer({request.Url, answer.Validators,
                                                           std::move(answer.Body)}));
    return TKeptAnswerResult::Used;
}
