#include "support/SampleService.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

pid_t Spawn(const std::vector<std::string>& argv, int stdoutFd) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (stdoutFd >= 0) {
            dup2(stdoutFd, STDOUT_FILENO);
            close(stdoutFd);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

} // namespace

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0)
            close(fd);
        throw std::runtime_error("no free port");
    }
    close(fd);
    return ntohs(addr.sin_port);
}

bool WaitForPort(int port, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr = Loopback(port);
        const bool up = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(fd);
        if (up)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

SampleService::SampleService(const std::vector<std::string>& options) {
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argv{std::string(PELUMI_BIN_DIR) + "/sample-service"};
    argv.insert(argv.end(), options.begin(), options.end());
    pid_ = Spawn(argv, fds[1]);
    close(fds[1]);
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buf[256];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    const std::string prefix = "http://127.0.0.1:";
    if (!line.starts_with(prefix) || line.find('\n') == std::string::npos) {
        Stop(pid_);
        throw std::runtime_error("sample-service did not start: " + line);
    }
    baseUrl_ = line.substr(0, line.find('\n'));
    port_ = std::atoi(baseUrl_.c_str() + prefix.size());
}

SampleService::~SampleService() {
    Stop(pid_);
}

bool TinyProxy::Available() {
    return access("/usr/bin/tinyproxy", X_OK) == 0;
}

TinyProxy::TinyProxy() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelumi-proxy-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    port_ = FreePort();
    {
        std::ofstream conf(dir_ + "/tinyproxy.conf");
        conf << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
             << "Allow 127.0.0.1\nLogLevel Info\nLogFile \"" << dir_ << "/tinyproxy.log\"\n"
             << "PidFile \"" << dir_ << "/tinyproxy.pid\"\nDisableViaHeader Yes\n";
    }
    pid_ = Spawn({"/usr/bin/tinyproxy", "-d", "-c", dir_ + "/tinyproxy.conf"}, -1);
    if (!WaitForPort(port_, 5000)) {
        Stop(pid_);
        throw std::runtime_error("tinyproxy did not start");
    }
}

TinyProxy::~TinyProxy() {
    Stop(pid_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string TinyProxy::Log() const {
    std::ifstream in(dir_ + "/tinyproxy.log");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
