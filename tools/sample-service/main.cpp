// Offline stand-in for both weather services on 127.0.0.1.
#include "SampleApi.h"
#include "SampleJmaSite.h"
#include "SamplePages.h"

#include "pelumi_version.h"
#include "platform/Clock.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "weather/LocationList.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

const char* const kUsage =
    "usage: sample-service [--port N] [--today YYYY-MM-DD] [--locations FILE] "
    "[--version-number N] [--delay-ms N] [--hour H] [--real-index] "
    "[--warning CLASS20:CODE[:STATUS]]... [--warning-flood CLASS20:COUNT] "
    "[--rain-in CLASS20:MINUTES[:CLASS]]...\n";

// "2.0.7.2" -> 2*16777216 + 0*65536 + 7*256 + 2.
long long PackedVersion(std::string_view version) {
    long long packed = 0;
    int parts = 0;
    std::size_t start = 0;
    while (parts < 4) {
        const std::size_t dot = version.find('.', start);
        const std::string_view part = version.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        packed = packed * 256 + platform::StrToIntDef(part, 0);
        ++parts;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    for (; parts < 4; ++parts)
        packed *= 256;
    return packed;
}

std::atomic<bool> g_stopping{false};

// A slow server: every forecast page and the version file answer only after this long.
void Delay(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!g_stopping && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void AddFaultRoutes(httplib::Server& server) {
    server.Get(R"(/fault/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.status = platform::StrToIntDef(req.matches[1].str(), 500);
        res.set_content("<html><body>status " + req.matches[1].str() + "</body></html>\n",
                        "text/html; charset=UTF-8");
    });
    server.Get("/fault/redirect", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/fault/redirected");
    });
    server.Get("/fault/redirected", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("転送先のページ\n", "text/html; charset=UTF-8");
    });
    server.Get("/fault/redirect-loop", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/fault/redirect-loop");
    });
    server.Get("/fault/cookie-set", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "pelumi_session=a1b2c3; Path=/");
        res.set_content("cookie set\n", "text/plain; charset=UTF-8");
    });
    server.Get("/fault/cookie-check", [](const httplib::Request& req, httplib::Response& res) {
        const std::string cookie = req.get_header_value("Cookie");
        if (cookie.find("pelumi_session=a1b2c3") == std::string::npos) {
            res.status = 403;
            res.set_content("no cookie\n", "text/plain");
            return;
        }
        res.set_content("cookie ok\n", "text/plain; charset=UTF-8");
    });
    // Echoes the request head, so a client's headers can be checked.
    server.Get("/fault/headers", [](const httplib::Request& req, httplib::Response& res) {
        std::string body;
        for (const auto& [key, value] : req.headers)
            if (key != "REMOTE_ADDR" && key != "REMOTE_PORT" && key != "LOCAL_ADDR" &&
                key != "LOCAL_PORT")
                body += key + ": " + value + "\n";
        res.set_content(body, "text/plain; charset=UTF-8");
    });
    server.Get("/fault/not-utf8", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("\x93\x8c\x8b\x9e\x82\xcc\x93\x56\x8b\x43\n"),
                        "text/html; charset=UTF-8"); // Shift-JIS bytes
    });
    server.Get("/fault/bom", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("\xEF\xBB\xBF一行目\r\n二行目\n三行目\r四行目"),
                        "text/plain; charset=UTF-8");
    });
    server.Get(R"(/fault/size/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const long long n = std::min<long long>(std::stoll(req.matches[1].str()), 64ll << 20);
        res.set_content(std::string(static_cast<std::size_t>(n), 'a'), "text/plain");
    });
    // Sends the head, then nothing for a minute (or until the client leaves).
    server.Get("/fault/stall", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "text/html; charset=UTF-8", [start = std::chrono::steady_clock::now()](
                                            std::size_t offset, httplib::DataSink& sink) {
                (void)offset;
                if (g_stopping || !sink.is_writable() ||
                    std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) {
                    sink.done();
                    return false;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return true;
            });
    });
}

// The live source's forecast and look-up; both prefixes may point at this server.
void AddApiRoutes(httplib::Server& server, const TSampleApi& api, int delayMs) {
    const auto answer = [delayMs](httplib::Response& res, const TSampleApi::Answer& a) {
        Delay(delayMs);
        res.status = a.Status;
        res.set_content(a.Body, "application/json; charset=utf-8");
    };
    server.Get("/v1/forecast", [&api, answer](const httplib::Request& req, httplib::Response& res) {
        answer(res, api.Forecast(TSampleApi::Params(req.params.begin(), req.params.end())));
    });
    server.Get("/v1/search", [&api, answer](const httplib::Request& req, httplib::Response& res) {
        answer(res, api.Search(TSampleApi::Params(req.params.begin(), req.params.end())));
    });
}

// The agency's site below "/bosai/"; its forecasts follow `hour`, or the hour in Japan when it
// is negative.
void AddJmaRoutes(httplib::Server& server, const TSampleJmaSite& site, int hour, int delayMs) {
    server.Get(R"(/bosai/(.*))",
               [&site, hour, delayMs](const httplib::Request& req, httplib::Response& res) {
                   Delay(delayMs);
                   const auto page =
                       site.Get(req.matches[1].str(), hour >= 0 ? hour : platform::JapanNow().Hour);
                   if (!page) {
                       res.status = 404;
                       res.set_content("<html><body><h1>404 Not Found</h1></body></html>\n",
                                       "text/html; charset=UTF-8");
                       return;
                   }
                   res.set_header("ETag", page->ETag);
                   res.set_header("Last-Modified", page->LastModified);
                   if (TSampleJmaSite::NotModified(*page, req.get_header_value("If-None-Match"),
                                                   req.get_header_value("If-Modified-Since"))) {
                       res.status = 304;
                       return;
                   }
                   // Sent gzip-compressed to a client that accepts it (the content type allows it).
                   res.set_content(page->Body, page->ContentType.c_str());
               });
}

} // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string todayText;
    std::string locations;
    long long versionNumber = PackedVersion(PELUMI_FILE_VERSION);
    int delayMs = 0;
    TSampleApi::Names names = TSampleApi::Names::Exact;
    int hour = -1;
    std::vector<TSampleJmaWarnings::TInForce> warnings;
    std::vector<TSampleNowcast::TRainIn> rainIn;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // The look-up knows names as the real index does (仙台, not 仙台市).
        if (arg == "--real-index") {
            names = TSampleApi::Names::RealIndex;
            continue;
        }
        if (i + 1 >= argc) {
            std::cerr << kUsage;
            return 2;
        }
        const std::string value = argv[++i];
        if (arg == "--port") {
            port = platform::StrToIntDef(value, -1);
            if (port < 0 || port > 65535) {
                std::cerr << "sample-service: bad port: " << value << "\n" << kUsage;
                return 2;
            }
        } else if (arg == "--today") {
            todayText = value;
        } else if (arg == "--locations") {
            locations = value;
        } else if (arg == "--version-number") {
            try {
                versionNumber = std::stoll(value);
            } catch (...) {
                std::cerr << "sample-service: bad version number: " << value << "\n";
                return 2;
            }
        } else if (arg == "--delay-ms") {
            delayMs = platform::StrToIntDef(value, -1);
            if (delayMs < 0) {
                std::cerr << "sample-service: bad delay: " << value << "\n";
                return 2;
            }
        } else if (arg == "--warning") {
            const auto warning = TSampleJmaWarnings::Parse(value);
            if (!warning) {
                std::cerr << "sample-service: --warning needs CLASS20:CODE[:STATUS]: " << value
                          << "\n";
                return 2;
            }
            warnings.push_back(*warning);
        } else if (arg == "--rain-in") {
            const auto rain = TSampleNowcast::ParseRainIn(value);
            if (!rain) {
                std::cerr << "sample-service: --rain-in needs CLASS20:MINUTES[:CLASS] (minutes "
                             "0-180, class 1-8): "
                          << value << "\n";
                return 2;
            }
            rainIn.push_back(*rain);
        } else if (arg == "--warning-flood") {
            const auto flood = TSampleJmaWarnings::Flood(value);
            if (flood.empty()) {
                std::cerr << "sample-service: --warning-flood needs CLASS20:COUNT (1-100000): "
                          << value << "\n";
                return 2;
            }
            warnings.insert(warnings.end(), flood.begin(), flood.end());
        } else if (arg == "--hour") {
            hour = platform::StrToIntDef(value, -1);
            if (hour < 0 || hour > 23) {
                std::cerr << "sample-service: --hour needs 0-23: " << value << "\n";
                return 2;
            }
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }

    platform::LocalDateTime today = platform::LocalNow();
    if (!todayText.empty()) {
        const auto parsed = platform::ParseLocalDateTime(todayText);
        if (!parsed || todayText.size() != 10) {
            std::cerr << "sample-service: --today needs a calendar day YYYY-MM-DD: " << todayText
                      << "\n";
            return 2;
        }
        today = *parsed;
    }
    if (locations.empty())
        locations =
            platform::JoinPath(platform::ExtractFilePath(platform::ExecutablePath()), "urls.list");
    std::vector<TLocationEntry> entries;
    try {
        entries = ReadLocationFile(locations);
    } catch (const std::exception& e) {
        std::cerr << "sample-service: cannot read the location list " << locations << ": "
                  << e.what() << "\n";
        return 2;
    }
    if (entries.empty()) {
        std::cerr << "sample-service: the location list " << locations << " has no entries\n";
        return 2;
    }

    const TSampleSite site(std::move(entries), today.Year, today.Month, today.Day);
    const TSampleApi api(site.Entries(), today.Year, today.Month, today.Day, names);
    // The agency's today is Japan's unless the command line names the day.
    const platform::LocalDateTime jmaToday = todayText.empty() ? platform::JapanNow() : today;
    TSampleJmaSite jma(jmaToday.Year, jmaToday.Month, jmaToday.Day, std::move(warnings));
    // Rain comes to the places named, counted from the analysis of this start.
    if (!rainIn.empty())
        jma.BringRain(std::move(rainIn), platform::UnixSecondsNow());
    httplib::Server server;
    // Clients that gave up on a slow answer still hold a worker until it is sent.
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    AddFaultRoutes(server);
    AddApiRoutes(server, api, delayMs);
    AddJmaRoutes(server, jma, hour, delayMs);
    server.Get("/version.txt",
               [versionNumber, delayMs](const httplib::Request&, httplib::Response& res) {
                   Delay(delayMs);
                   res.set_content(std::to_string(versionNumber) + "\r\n", "text/plain");
               });
    server.Get(R"(/.*)", [&site, delayMs](const httplib::Request& req, httplib::Response& res) {
        Delay(delayMs);
        const auto page = site.Get(req.path);
        if (!page) {
            res.status = 404;
            res.set_content("<html><body><h1>404 Not Found</h1></body></html>\n",
                            "text/html; charset=UTF-8");
            return;
        }
        res.set_content(page->Body, page->ContentType.c_str());
    });

    const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1")
                                : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        std::cerr << "sample-service: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::printf("http://127.0.0.1:%d/\n", bound);
    std::fflush(stdout);
    server.listen_after_bind();
    g_stopping = true;
    return 0;
}
