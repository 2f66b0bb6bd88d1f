#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The program's HTTP client: one object for the program's life, used by every download.
// Behind this interface so parsers can be tested with pages held in memory.
class THttpClient {
public:
    virtual ~THttpClient() = default;

    // One blocking GET of an absolute URL, redirects followed. Returns the final body bytes.
    // Throws EHttpError on any failure (name resolution, connection, proxy, error status,
    // time-out, oversized body).
    virtual std::string Get(const std::string& url) = 0;

    // Closes the connection; called after every successful Get.
    virtual void Disconnect() {}

    // Proxy host and port; an empty host means a direct connection. The next request uses
    // the values set here.
    std::string ProxyServer;
    std::int32_t ProxyPort = 0;
};

// The program's real client (libcurl).
std::unique_ptr<THttpClient> CreateHttpClient();
