#pragma once

#include "weather/HttpClient.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// One answer of a service asked for conditionally: the last answer that was used is kept in the
// cache folder with the address it came from and its validators, and a 304 reuses it. Only an
// answer that `accept` took is kept, so a portal page, a cut answer or an empty body never comes
// back through a 304. `accept` sees each candidate body (the kept one after a 304, else the new
// one) and says whether it used it; it may be called twice in one fetch: when the kept copy
// after a 304 is refused, the copy is deleted and the address is asked for again, whole.
// A Last-Modified date later than now is never sent back.
struct TKeptAnswerRequest {
    std::string Url;
    std::string CacheFolder; // empty: nothing is kept
    std::string Name;        // the file in the cache ("jma/forecast/130000.answer")
    std::size_t MaxBytes = 0;
};

enum class TKeptAnswerResult {
    Used,    // `accept` took an answer
    Refused, // answers came, `accept` took none
    Failed,  // the download failed (connection, error status, cancelled)
};

TKeptAnswerResult FetchKeptAnswer(THttpClient& client, const TKeptAnswerRequest& request,
                                  const std::function<bool(std::string_view body)>& accept);

// A kept answer's file: three lines (the address, the ETag, the Last-Modified date; none can
// hold a line break), then the answer as it came.
struct TKeptAnswerFile {
    std::string Url;
    THttpValidators Validators;
    std::string Body;
};
std::string FormatKeptAnswer(const TKeptAnswerFile& kept);
// Nothing for a text that is not such a file: fewer than three lines, no address, or no
// validator at all (a copy that could never be asked about).
std::optional<TKeptAnswerFile> ParseKeptAnswer(std::string_view text);
