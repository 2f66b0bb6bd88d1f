#pragma once

#include <string>
#include <vector>

// A server on 127.0.0.1 that takes connections and never answers: a download from it waits
// until the client gives up. It tells whether a client came and whether it left again.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // "http://127.0.0.1:PORT/".
    std::string BaseUrl() const;
    int Port() const { return port_; }

    // Takes the connections that arrived, waiting up to `timeoutMs` for a new one; returns how
    // many were taken in all so far.
    int Accept(int timeoutMs);
    // True when every connection taken so far has been closed by its client within
    // `timeoutMs`, reading and dropping whatever the client sent.
    bool AllClientsLeft(int timeoutMs);
    // The same for the connection taken `index`-th (from 0).
    bool ClientLeft(std::size_t index, int timeoutMs);

private:
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> clients_;
    std::vector<bool> left_;

    bool Left(std::size_t index);
};
