#include "platform/BrowserProxy.h"

#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// Lines end at CR LF, a lone CR or a lone LF; a last line without an end counts.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool NamesFirefox(std::string_view text) {
    return AsciiLower(text).find("firefox") != std::string::npos;
}

std::optional<std::string> RunWithTimeout(const std::vector<std::string>& argv) {
    if (argv.empty())
        return std::nullopt;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        const int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    // A helper that hangs must not freeze the dialog: give it a few seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string output;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        char buffer[4096];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (output.size() < 65536)
            output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (timedOut)
        kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

// Reads a text file that exists; an unreadable one throws EFileError.
std::string ReadTextFile(const std::string& path) {
    return DecodeTextFile(ReadFileBytes(path));
}

} // namespace

TBrowserEnvironment SystemBrowserEnvironment() {
    TBrowserEnvironment env;
    env.GetEnv = [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    };
    env.RunCommand = RunWithTimeout;
    return env;
}

std::string DefaultBrowserName(const TBrowserEnvironment& env) {
    if (env.RunCommand) {
        const auto desktop = env.RunCommand({"xdg-settings", "get", "default-web-browser"});
        if (desktop && NamesFirefox(*desktop))
            return "firefox";
    }
    if (env.GetEnv) {
        const auto browser = env.GetEnv("BROWSER");
        if (browser && NamesFirefox(*browser))
            return "firefox";
    }
    return std::string();
}

TProxySource ChooseProxySource(std::string_view browserName) {
    return AsciiLower(browserName) == "firefox" ? TProxySource::Firefox : TProxySource::System;
}

TProxyFields SplitProxyServer(std::string_view server) {
    TProxyFields fields;
    fields.Changed = true;
    const std::size_t colon = server.find(':');
    if (colon == std::string_view::npos) {
        fields.Host = std::string(server);
        fields.Port = "80";
    } else {
        fields.Host = std::string(server.substr(0, colon));
        fields.Port = std::string(server.substr(colon + 1));
    }
    return fields;
}

std::string ProxyUrlToServer(std::string_view url) {
    std::string_view rest = Trim(url);
    const std::size_t scheme = rest.find("://");
    if (scheme != std::string_view::npos)
        rest.remove_prefix(scheme + 3);
    const std::size_t slash = rest.find('/');
    if (slash != std::string_view::npos)
        rest = rest.substr(0, slash);
    const std::size_t at = rest.rfind('@');
    if (at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    return std::string(rest);
}

TProxyFields ReadSystemProxy(const TBrowserEnvironment& env) {
    if (!env.GetEnv)
        return {};
    std::optional<std::string> value = env.GetEnv("http_proxy");
    if (!value)
        value = env.GetEnv("HTTP_PROXY");
    if (!value)
        return {};
    const std::string server = ProxyUrlToServer(*value);
    if (server.empty()) {
        TProxyFields disabled;
        disabled.Changed = true;
        disabled.Port = "0";
        return disabled;
    }
    return SplitProxyServer(server);
}

std::string FirefoxFolder(const TBrowserEnvironment& env) {
    if (!env.GetEnv)
        return std::string();
    const auto home = env.GetEnv("HOME");
    if (!home || home->empty())
        return std::string();
    return IncludeTrailingSeparator(*home) + ".mozilla/firefox/";
}

TProfileChoice ParseProfilesIni(std::string_view text) {
    TProfileChoice choice;
    for (std::string_view raw : SplitLines(text)) {
        const std::string_view line = Trim(raw);
        if (StartsWith(line, "IsRelative=")) {
            choice.Relative = StrToIntDef(line.substr(11), 0) != 0;
        } else if (StartsWith(line, "Path=")) {
            const std::string_view path = Trim(line.substr(5));
            // An empty value names no profile rather than the root folder.
            choice.Path = path.empty() ? std::string() : IncludeTrailingSeparator(path);
        }
    }
    return choice;
}

TProxyFields ParsePrefsJs(std::string_view text) {
    static constexpr std::string_view kHostMarker = "user_pref(\"network.proxy.http\"";
    static constexpr std::string_view kPortMarker = "user_pref(\"network.proxy.http_port\"";
    static_assert(kHostMarker.size() == 30 && kPortMarker.size() == 35);
    TProxyFields fields;
    fields.Changed = true;
    for (std::string_view raw : SplitLines(text)) {
        const std::string_view line = Trim(raw);
        if (StartsWith(line, kHostMarker)) {
            const std::string_view rest = line.substr(kHostMarker.size());
            const std::size_t q1 = rest.find('"');
            const std::size_t q2 = rest.rfind('"');
            if (q1 == std::string_view::npos || q2 - q1 < 2)
                fields.Host.clear();
            else
                fields.Host = std::string(rest.substr(q1 + 1, q2 - q1 - 1));
        } else if (StartsWith(line, kPortMarker)) {
            const std::string_view rest = line.substr(kPortMarker.size());
            std::int32_t port = 0;
            const std::size_t comma = rest.find(',');
            if (comma != std::string_view::npos) {
                const std::size_t close = rest.find(')', comma + 1);
                const std::string_view value =
                    close == std::string_view::npos
                        ? std::string_view()
                        : Trim(rest.substr(comma + 1, close - comma - 1));
                if (!TryStrToInt(value, port))
                    port = 0;
            }
            fields.Port = std::to_string(port);
        }
    }
    return fields;
}

TProxyFields ReadFirefoxProxy(const TBrowserEnvironment& env) {
    const std::string folder = FirefoxFolder(env);
    if (folder.empty())
        return {};
    TProfileChoice choice;
    const std::string profiles = folder + "profiles.ini";
    if (FileExists(profiles)) {
        try {
            choice = ParseProfilesIni(ReadTextFile(profiles));
        } catch (const EPelumiError& e) {
            TProxyFields failed;
            failed.Error = e.what();
            return failed;
        }
    }
    if (choice.Path.empty())
        return {};
    const std::string prefs = (choice.Relative ? folder + choice.Path : choice.Path) + "prefs.js";
    if (!FileExists(prefs))
        return {};
    try {
        return ParsePrefsJs(ReadTextFile(prefs));
    } catch (const EPelumiError& e) {
        // The fields were emptied before the file was read.
        TProxyFields failed;
        failed.Changed = true;
        failed.Error = e.what();
        return failed;
    }
}

TProxyFields DetectBrowserProxy(const TBrowserEnvironment& env) {
    if (ChooseProxySource(DefaultBrowserName(env)) == TProxySource::Firefox)
        return ReadFirefoxProxy(env);
    return ReadSystemProxy(env);
}

} // namespace platform
