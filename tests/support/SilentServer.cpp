#include "support/SilentServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

SilentServer::SilentServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (listener_ >= 0)
            close(listener_);
        throw std::runtime_error("SilentServer: no socket");
    }
    port_ = ntohs(addr.sin_port);
}

SilentServer::~SilentServer() {
    for (const int fd : clients_)
        close(fd);
    close(listener_);
}

std::string SilentServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

int SilentServer::Accept(int timeoutMs) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return static_cast<int>(clients_.size());
    for (;;) {
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            break;
        clients_.push_back(fd);
        left_.push_back(false);
    }
    return static_cast<int>(clients_.size());
}

bool SilentServer::Left(std::size_t index) {
    char buffer[4096];
    while (!left_[index]) {
        const ssize_t n = recv(clients_[index], buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
            left_[index] = true;
        else if (n < 0)
            break;
    }
    return left_[index];
}

bool SilentServer::AllClientsLeft(int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bool all = true;
        for (std::size_t i = 0; i < clients_.size(); ++i)
            all = Left(i) && all;
        if (all || std::chrono::steady_clock::now() >= until)
            return all;
        poll(nullptr, 0, 20);
    }
}

bool SilentServer::ClientLeft(std::size_t index, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (index >= clients_.size())
            return false;
        if (Left(index) || std::chrono::steady_clock::now() >= until)
            return left_[index];
        poll(nullptr, 0, 20);
    }
}
