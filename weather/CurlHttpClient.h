#pragma once

#include "weather/HttpClient.h"

#include <cstddef>
#include <memory>
#include <string>

// The program's HTTP client on libcurl. Cookies live in memory for the object's life and are
// sent back on later requests; redirects are followed; every request opens a fresh connection
// that is closed afterwards. Requests carry only the fixed Accept, Accept-Encoding (gzip: bodies
// come back decoded) and User-Agent headers, and the validators of GetIfChanged; no body and no
// credentials. An empty ProxyServer means a direct connection (proxy variables of
// the environment are ignored then too). Final statuses outside 2xx, a connection that cannot be
// made within `connectTimeoutSeconds`, a transfer that stalls for `stallSeconds`, a request
// that takes longer than `totalSeconds` in all (a server that drips a byte now and then is not
// stalled, yet would hold the program for days) and a body larger than `maxBodyBytes` throw
// EHttpError. Not for use by two threads at once, except that Cancel (from any thread) stops a
// transfer in progress at once.
class TCurlHttpClient : public THttpClient {
public:
    static constexpr long DefaultConnectTimeoutSeconds = 15;
    static constexpr long DefaultStallSeconds = 30;
    static constexpr std::size_t DefaultMaxBodyBytes = 16u * 1024u * 1024u;
    static constexpr long DefaultTotalSeconds = 120;

    explicit TCurlHttpClient(long connectTimeoutSeconds = DefaultConnectTimeoutSeconds,
                             long stallSeconds = DefaultStallSeconds,
                             std::size_t maxBodyBytes = DefaultMaxBodyBytes,
                             long totalSeconds = DefaultTotalSeconds);
    ~TCurlHttpClient() override;
    TCurlHttpClient(const TCurlHttpClient&) = delete;
    TCurlHttpClient& operator=(const TCurlHttpClient&) = delete;

    std::string Get(const std::string& url) override;
    THttpAnswer GetIfChanged(const std::string& url, const THttpValidators& stored) override;
    void Disconnect() override;

protected:
    void WakeTransfer() override;

private:
    // One GET; `stored` (may be null) adds the conditional headers.
    THttpAnswer Transfer(const std::string& url, const THttpValidators* stored);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};
