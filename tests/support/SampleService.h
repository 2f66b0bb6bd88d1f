#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A free TCP port on 127.0.0.1 (the port the system handed out and released again).
int FreePort();

// True when something accepts connections on 127.0.0.1:port within `timeoutMs`.
bool WaitForPort(int port, int timeoutMs);

// build/bin/sample-service started with the given extra options (for example
// {"--today", "2026-12-09", "--locations", TestData("locations/sample.list")}); the constructor
// waits for its address line and throws std::runtime_error when it does not come. The
// destructor stops it.
class SampleService {
public:
    explicit SampleService(const std::vector<std::string>& options = {});
    ~SampleService();
    SampleService(const SampleService&) = delete;
    SampleService& operator=(const SampleService&) = delete;

    // "http://127.0.0.1:PORT/".
    const std::string& BaseUrl() const { return baseUrl_; }
    int Port() const { return port_; }
    // BaseUrl() + "lite/" and BaseUrl() + "weather/jp/": the two services' URL prefixes.
    std::string TenkiLitePrefix() const { return baseUrl_ + "lite/"; }
    std::string YahooPrefix() const { return baseUrl_ + "weather/jp/"; }
    // The agency's site: its constants and forecasts below BaseUrl() + "bosai/".
    std::string JmaPrefix() const { return baseUrl_ + "bosai/"; }

private:
    pid_t pid_ = -1;
    std::string baseUrl_;
    int port_ = 0;
};

// tinyproxy on a free port of 127.0.0.1 with a generated configuration. Available() is false
// when the binary is not installed (the caller skips then). Requests it forwarded can be read
// from its log.
class TinyProxy {
public:
    TinyProxy();
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    static bool Available();
    int Port() const { return port_; }
    std::string Log() const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string dir_;
};
