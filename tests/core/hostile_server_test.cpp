// Servers that misbehave at the socket level, on 127.0.0.1: each request ends with EHttpError
// within the client's limits (GetPage turns it into the empty text), and the client stays
// usable for the next request. A server that could hold the client for ever makes this test
// hang rather than fail.
#include "platform/Errors.h"
#include "weather/CurlHttpClient.h"
#include "weather/HttpClient.h"
#include "weather/pages/CutText.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Handler = std::function<void(int fd, const std::atomic<bool>& stop)>;

// A one-thread TCP server that answers every connection with `handler`.
class RawServer {
public:
    explicit RawServer(Handler handler) : handler_(std::move(handler)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listen_, 8) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no loopback socket");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RawServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }
    std::string Url(const std::string& path = "page") const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
    }

private:
    void Serve() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0)
                continue;
            ReadRequest(fd);
            handler_(fd, stop_);
            ::close(fd);
        }
    }
    static void ReadRequest(int fd) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0)
                return;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            request.append(buffer, static_cast<std::size_t>(n));
        }
    }

    Handler handler_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool Send(int fd, const std::string& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

} // namespace

TEST(HostileServer, EveryMisbehaviourEndsInAnErrorWithinTheLimits) {
    struct Case {
        const char* what;
        Handler handler;
    };
    const Case cases[] = {
        {"connection reset before the answer",
         [](int fd, const auto&) {
             linger hard{1, 0};
             ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
         }},
        {"connection closed without a word", [](int, const auto&) {}},
        {"reset in the middle of the body",
         [](int fd, const auto&) {
             Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'x'));
             linger hard{1, 0};
             ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
         }},
        {"a body shorter than its Content-Length",
         [](int fd, const auto&) {
             Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nshort");
         }},
        {"a header line of 1 MiB",
         [](int fd, const auto&) {
             Send(fd, "HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'a') + "\r\n\r\nok");
         }},
        {"header lines without end",
         [](int fd, const auto& stop) {
             Send(fd, "HTTP/1.1 200 OK\r\n");
             for (int i = 0; !stop && Send(fd, "X-More-" + std::to_string(i) + ": yes\r\n"); ++i) {
             }
         }},
        {"no HTTP at all", [](int fd, const auto&) { Send(fd, "SSH-2.0-OpenSSH_9.2\r\n\r\n"); }},
        {"a body without end",
         [](int fd, const auto& stop) {
             Send(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
             const std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
             while (!stop && Send(fd, chunk)) {
             }
         }},
        {"a redirect to itself, for ever",
         [](int fd, const auto&) {
             Send(fd, "HTTP/1.1 302 Found\r\nLocation: /page\r\nContent-Length: 0\r\n\r\n");
         }},
        {"a trickle of one byte every half second",
         [](int fd, const auto& stop) {
             Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
             while (!stop && Send(fd, "x"))
                 Pause(500);
         }},
        {"headers, then silence",
         [](int fd, const auto& stop) {
             Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
             for (int i = 0; i < 100 && !stop; ++i)
                 Pause(50);
         }},
    };
    for (const auto& c : cases) {
        RawServer server(c.handler);
        // Connect 2 s, stall 1 s, 1 MiB of body, 3 s in all.
        TCurlHttpClient client(2, 1, 1 << 20, 3);
        EXPECT_THROW(client.Get(server.Url()), EHttpError) << c.what;
        EXPECT_EQ(GetPage(client, server.Url()), "") << c.what;

        RawServer good([](int fd, const auto&) { Send(fd, kOk); });
        EXPECT_EQ(client.Get(good.Url()), "ok") << "after " << c.what;
    }
}
