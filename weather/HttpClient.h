#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// The validators of a stored answer, as its server sent them (ETag with its quotes, the
// Last-Modified date as written); an empty text when the server sent none.
struct THttpValidators {
    std::string ETag;
    std::string LastModified;
    bool Empty() const { return ETag.empty() && LastModified.empty(); }
    bool operator==(const THttpValidators&) const = default;
};

// What a conditional GET gives back: either "not modified" (the stored copy is still the
// server's) or the new body with its validators.
struct THttpAnswer {
    bool NotModified = false; // Body is empty then
    std::string Body;
    THttpValidators Validators;
};

// The program's HTTP client. Behind this interface so parsers can be tested with pages held
// in memory. One object serves one thread at a time; only Cancel may come from another.
class THttpClient {
public:
    THttpClient() = default;
    // Stand-ins holding pages in memory are copied like values; the real client forbids it.
    THttpClient(const THttpClient& other)
        : ProxyServer(other.ProxyServer), ProxyPort(other.ProxyPort),
          cancelled_(other.Cancelled()) {}
    THttpClient& operator=(const THttpClient& other) {
        ProxyServer = other.ProxyServer;
        ProxyPort = other.ProxyPort;
        cancelled_.store(other.Cancelled());
        return *this;
    }
    virtual ~THttpClient() = default;

    // One blocking GET of an absolute URL, redirects followed. Returns the final body bytes.
    // Throws EHttpError on any failure (name resolution, connection, proxy, error status,
    // time-out, oversized body), EHttpCancelled once Cancel has been called.
    virtual std::string Get(const std::string& url) = 0;

    // A GET that sends the validators of a stored copy (If-None-Match, If-Modified-Since).
    // NotModified only when validators were sent and the server answered 304; any other
    // answer is the body with the validators the server sent. Throws like Get. This default,
    // for clients that cannot ask conditionally, asks for the whole body.
    virtual THttpAnswer GetIfChanged(const std::string& url, const THttpValidators& stored) {
        (void)stored;
        return {false, Get(url), {}};
    }

    // Stops a Get in progress on another thread as soon as the transfer notices (at once for
    // the real client), and makes every later Get fail without a request. Callable from any
    // thread, any number of times; there is no way back.
    void Cancel() {
        cancelled_.store(true);
        WakeTransfer();
    }
    bool Cancelled() const { return cancelled_.load(); }

    // Closes the connection; called after every successful Get.
    virtual void Disconnect() {}

    // Proxy host and port; an empty host means a direct connection. The next request uses
    // the values set here.
    std::string ProxyServer;
    std::int32_t ProxyPort = 0;

protected:
    // Called by Cancel (on the cancelling thread) after the flag is set: a transfer that waits
    // for the network should look at Cancelled() now rather than at its next wake-up.
    virtual void WakeTransfer() {}

private:
    std::atomic<bool> cancelled_{false};
};

// Downloads one URL and returns the body as UTF-8 text: a byte-order mark skipped, lines
// rejoined with CR LF after every line. Any failure (connection, error status, time-out,
// oversized or non-UTF-8 body) gives the empty text; never throws. Disconnects after success.
std::string GetPage(THttpClient& client, const std::string& url);

// The program's real client (libcurl).
std::unique_ptr<THttpClient> CreateHttpClient();
