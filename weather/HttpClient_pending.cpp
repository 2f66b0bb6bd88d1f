// Placeholder until the libcurl client lands: every download fails.
// TODO(weather): replaced by CurlHttpClient.cpp.
#include "platform/Errors.h"
#include "weather/HttpClient.h"

namespace {

class TPendingHttpClient : public THttpClient {
public:
    std::string Get(const std::string&) override { throw EHttpError("HTTP client not built yet"); }
};

} // namespace

std::unique_ptr<THttpClient> CreateHttpClient() {
    return std::make_unique<TPendingHttpClient>();
}
