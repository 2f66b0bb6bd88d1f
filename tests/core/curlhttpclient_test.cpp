#include "pelumi_version.h"
#include "platform/Errors.h"
#include "support/SampleService.h"
#include "support/SilentServer.h"
#include "support/TempDir.h"
#include "weather/CurlHttpClient.h"
#include "weather/HttpClient.h"
#include "weather/pages/CutText.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <memory>
#include <thread>

namespace {

class CurlHttpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        service_ = std::make_unique<SampleService>(std::vector<std::string>{
            "--today", "2026-12-09", "--locations", TestData("locations/sample.list")});
    }
    static void TearDownTestSuite() { service_.reset(); }
    static std::string Url(const std::string& path) { return service_->BaseUrl() + path; }

    static std::unique_ptr<SampleService> service_;
};

std::unique_ptr<SampleService> CurlHttpClientTest::service_;

} // namespace

TEST_F(CurlHttpClientTest, FailuresThrowAndGetPageTurnsThemIntoTheEmptyText) {
    TCurlHttpClient client(2, 2);
    const std::string refused = "http://127.0.0.1:" + std::to_string(FreePort()) + "/";
    for (const std::string& url :
         {Url("fault/status/500"), Url("fault/status/404"), Url("fault/status/403"),
          Url("no/such/page"), Url("fault/redirect-loop"), refused,
          std::string("file:///etc/hostname")}) {
        EXPECT_THROW(client.Get(url), EHttpError) << url;
        EXPECT_EQ(GetPage(client, url), "") << url;
    }
}

TEST_F(CurlHttpClientTest, AnAnswerOutside2xxThatIsNotFollowedIsNoPage) {
    // A 300 with a body, a redirect without Location, 304: each carries a page of its own (a
    // proxy's notice, say) that must not pass for the forecast.
    TCurlHttpClient client(2, 2);
    for (const char* status : {"300", "301", "302", "303", "304", "307", "308", "399"}) {
        EXPECT_THROW(client.Get(Url("fault/status/") + status), EHttpError) << status;
        EXPECT_EQ(GetPage(client, Url("fault/status/") + status), "") << status;
    }
    // Every 2xx is a page.
    EXPECT_EQ(client.Get(Url("fault/status/203")), "<html><body>status 203</body></html>\n");
    EXPECT_EQ(client.Get(Url("fault/status/299")), "<html><body>status 299</body></html>\n");
    // A redirect that is followed still ends on the final page.
    EXPECT_EQ(client.Get(Url("fault/redirect")), "転送先のページ\n");
}

TEST_F(CurlHttpClientTest, FollowsRedirectsAndDecodesTheFinalBody) {
    TCurlHttpClient client;
    EXPECT_EQ(GetPage(client, Url("fault/redirect")), "転送先のページ\r\n");
    EXPECT_EQ(GetPage(client, Url("fault/bom")), "一行目\r\n二行目\r\n三行目\r\n四行目\r\n");
    EXPECT_EQ(client.Get(Url("fault/not-utf8")).size(), 11u);
    EXPECT_EQ(GetPage(client, Url("fault/not-utf8")), "");
}

TEST_F(CurlHttpClientTest, KeepsCookiesForItsLifeOnly) {
    TCurlHttpClient client;
    EXPECT_THROW(client.Get(Url("fault/cookie-check")), EHttpError);
    client.Get(Url("fault/cookie-set"));
    EXPECT_EQ(client.Get(Url("fault/cookie-check")), "cookie ok\n");
    EXPECT_EQ(client.Get(Url("fault/cookie-check")), "cookie ok\n");
    TCurlHttpClient other;
    EXPECT_THROW(other.Get(Url("fault/cookie-check")), EHttpError);
}

TEST_F(CurlHttpClientTest, SendsOnlyTheFixedHeaders) {
    TCurlHttpClient client;
    const std::string head = client.Get(Url("fault/headers"));
    EXPECT_NE(head.find("Accept: text/html, */*\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Accept-Encoding: gzip\n"), std::string::npos) << head;
    EXPECT_NE(head.find("User-Agent: Pelumi/" PELUMI_FILE_VERSION " (zomika2)\n"),
              std::string::npos);
    for (const char* absent :
         {"Content-Length", "Authorization", "Cookie", "If-None-Match", "If-Modified-Since"})
        EXPECT_EQ(head.find(absent), std::string::npos) << absent << " in\n" << head;
}

TEST_F(CurlHttpClientTest, AsksConditionallyAndTellsNotModified) {
    TCurlHttpClient client;
    const std::string area = Url("bosai/common/const/area.json");
    const THttpAnswer first = client.GetIfChanged(area, {});
    EXPECT_FALSE(first.NotModified);
    EXPECT_EQ(first.Body, ReadAll(TestData("jma/area.json")));
    ASSERT_TRUE(first.Validators.ETag.starts_with('"')) << first.Validators.ETag;
    EXPECT_TRUE(first.Validators.ETag.ends_with('"')) << first.Validators.ETag;
    EXPECT_TRUE(first.Validators.LastModified.ends_with(" GMT")) << first.Validators.LastModified;

    struct Case {
        THttpValidators sent;
        bool notModified;
    };
    const THttpValidators& v = first.Validators;
    const Case cases[] = {
        {v, true},
        {{v.ETag, ""}, true},
        {{"", v.LastModified}, true},
        {{"W/" + v.ETag, ""}, true},
        {{"\"other\", " + v.ETag, ""}, true},
        // The tag decides over the date.
        {{"\"other\"", v.LastModified}, false},
        {{"", "Thu, 01 Jan 1970 00:00:00 GMT"}, false},
        // A validator that would break the request's head is not sent: no condition at all.
        {{v.ETag + "\r\nX-Injected: 1", ""}, false},
    };
    for (const Case& c : cases) {
        const THttpAnswer answer = client.GetIfChanged(area, c.sent);
        EXPECT_EQ(answer.NotModified, c.notModified) << c.sent.ETag << " | " << c.sent.LastModified;
        EXPECT_EQ(answer.Body.size(), c.notModified ? 0u : first.Body.size());
        EXPECT_EQ(answer.Validators, c.notModified ? THttpValidators{} : v);
    }

    // The headers as sent, and none of them on the next plain request.
    const std::string head = client.GetIfChanged(Url("fault/headers"), v).Body;
    EXPECT_NE(head.find("If-None-Match: " + v.ETag + "\n"), std::string::npos) << head;
    EXPECT_NE(head.find("If-Modified-Since: " + v.LastModified + "\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Accept: text/html, */*\n"), std::string::npos) << head;
    const std::string injected =
        client.GetIfChanged(Url("fault/headers"), {"\"a\"\nX-Injected: 1", "x\ry"}).Body;
    EXPECT_EQ(injected.find("X-Injected"), std::string::npos) << injected;
    EXPECT_EQ(injected.find("If-"), std::string::npos) << injected;
    const std::string plain = client.Get(Url("fault/headers"));
    EXPECT_EQ(plain.find("If-"), std::string::npos) << plain;

    // A 304 to a request that asked nothing is no page; nor is one to Get.
    EXPECT_THROW(client.GetIfChanged(Url("fault/status/304"), {}), EHttpError);
    EXPECT_THROW(client.Get(Url("fault/status/304")), EHttpError);
    // Failures throw as Get's do.
    EXPECT_THROW(client.GetIfChanged(Url("bosai/no/such.json"), v), EHttpError);
}

TEST_F(CurlHttpClientTest, BodiesComeGzippedAndLeaveDecoded) {
    // What the wire carries: the sample service compresses for a client that asks.
    httplib::Client raw("127.0.0.1", service_->Port());
    raw.set_decompress(false);
    const auto packed = raw.Get("/bosai/common/const/area.json", {{"Accept-Encoding", "gzip"}});
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->get_header_value("Content-Encoding"), "gzip");
    const std::string area = ReadAll(TestData("jma/area.json"));
    EXPECT_LT(packed->body.size(), area.size() / 4);

    // The client gets those bytes and hands back the file.
    httplib::Server server;
    const std::string gzipped = packed->body;
    server.Get("/area.json", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Encoding", "gzip");
        res.set_content(gzipped, "application/octet-stream"); // not compressed again
    });
    // Two megabytes of one letter, packed into a few kilobytes.
    const auto bomb = raw.Get("/fault/size/2000000", {{"Accept-Encoding", "gzip"}});
    ASSERT_TRUE(bomb);
    ASSERT_LT(bomb->body.size(), 20000u);
    server.Get("/bomb", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Encoding", "gzip");
        res.set_content(bomb->body, "application/octet-stream");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    TCurlHttpClient client;
    EXPECT_EQ(client.Get(base + "/area.json"), area);
    EXPECT_EQ(client.GetIfChanged(base + "/area.json", {}).Body, area);
    EXPECT_EQ(client.Get(base + "/bomb"), std::string(2000000, 'a'));
    // The size limit counts the unpacked bytes.
    TCurlHttpClient small(15, 30, 1000000);
    EXPECT_THROW(small.Get(base + "/bomb"), EHttpError);
    EXPECT_EQ(small.Get(base + "/area.json").size(), area.size());
    server.stop();
    thread.join();
}

TEST_F(CurlHttpClientTest, AStalledTransferEndsAfterTheStallTime) {
    TCurlHttpClient client(2, 1);
    EXPECT_THROW(client.Get(Url("fault/stall")), EHttpError);
    EXPECT_EQ(GetPage(client, Url("fault/stall")), "");
    // The client is still usable afterwards.
    EXPECT_EQ(client.Get(Url("fault/redirected")), "転送先のページ\n");
}

TEST_F(CurlHttpClientTest, RefusesBodiesOverTheLimit) {
    TCurlHttpClient small(15, 30, 1000);
    EXPECT_EQ(small.Get(Url("fault/size/1000")).size(), 1000u);
    EXPECT_THROW(small.Get(Url("fault/size/1001")), EHttpError);

    TCurlHttpClient client;
    const std::size_t limit = TCurlHttpClient::DefaultMaxBodyBytes;
    EXPECT_EQ(client.Get(Url("fault/size/" + std::to_string(limit))).size(), limit);
    EXPECT_THROW(client.Get(Url("fault/size/" + std::to_string(limit + 1))), EHttpError);
}

TEST_F(CurlHttpClientTest, GoesThroughTheProxyWhenOneIsSet) {
    if (!TinyProxy::Available())
        GTEST_SKIP() << "tinyproxy is not installed";
    TinyProxy proxy;
    TCurlHttpClient client;
    client.ProxyServer = "127.0.0.1";
    client.ProxyPort = proxy.Port();
    const std::string page = GetPage(client, Url("lite/forecast/point/13101.html"));
    EXPECT_NE(page.find("千代田区のピンポイント天気"), std::string::npos);
    client.Get(Url("fault/cookie-set"));
    EXPECT_EQ(client.Get(Url("fault/cookie-check")), "cookie ok\n");
    EXPECT_NE(proxy.Log().find("/fault/cookie-check"), std::string::npos) << proxy.Log();

    // Conditional requests pass through it too.
    const std::string area = Url("bosai/forecast/const/forecast_area.json");
    const THttpAnswer whole = client.GetIfChanged(area, {});
    EXPECT_EQ(whole.Body, ReadAll(TestData("jma/forecast_area.json")));
    EXPECT_TRUE(client.GetIfChanged(area, whole.Validators).NotModified);
    EXPECT_NE(proxy.Log().find("/bosai/forecast/const/forecast_area.json"), std::string::npos);

    // A proxy that is not there fails the request; an empty host goes direct again and
    // ignores the environment's proxy.
    client.ProxyPort = FreePort();
    EXPECT_EQ(GetPage(client, Url("fault/redirected")), "");
    client.ProxyServer.clear();
    client.ProxyPort = 0;
    const char* saved = std::getenv("http_proxy");
    const std::string previous = saved ? saved : "";
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(FreePort())).c_str(), 1);
    EXPECT_EQ(GetPage(client, Url("fault/redirected")), "転送先のページ\r\n");
    if (saved)
        setenv("http_proxy", previous.c_str(), 1);
    else
        unsetenv("http_proxy");
}

TEST(CurlHttpClientTls, SpeaksTlsAndRefusesAnUntrustedCertificate) {
    TempDir dir;
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
                                "/CN=127.0.0.1 -keyout " +
                                dir.File("key.pem") + " -out " + dir.File("cert.pem") +
                                " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "openssl cannot make a certificate here";
    httplib::SSLServer server(dir.File("cert.pem").c_str(), dir.File("key.pem").c_str());
    ASSERT_TRUE(server.is_valid());
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("secret", "text/plain");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });

    TCurlHttpClient client(2, 2);
    const std::string base = "127.0.0.1:" + std::to_string(port) + "/";
    try {
        client.Get("https://" + base);
        ADD_FAILURE() << "a self-signed certificate was accepted";
    } catch (const EHttpError& e) {
        EXPECT_NE(std::string(e.what()).find("certificate"), std::string::npos) << e.what();
    }
    EXPECT_THROW(client.Get("http://" + base), EHttpError); // plain HTTP to a TLS port

    server.stop();
    thread.join();
}

TEST(CurlHttpClientCancel, CancelFromAnotherThreadStopsATransferThatWaitsAndHangsUp) {
    SilentServer server;
    TCurlHttpClient client; // on its own it would wait 30 s for the silent server
    int connected = 0;
    std::thread canceller([&] {
        connected = server.Accept(10000);
        client.Cancel();
    });
    EXPECT_THROW(client.Get(server.BaseUrl() + "page"), EHttpCancelled);
    canceller.join();
    EXPECT_EQ(connected, 1);
    EXPECT_TRUE(server.AllClientsLeft(5000));
}

TEST(CurlHttpClientCancel, ACancelledClientMakesNoFurtherRequest) {
    SilentServer server;
    TCurlHttpClient client;
    EXPECT_FALSE(client.Cancelled());
    client.Cancel();
    client.Cancel();
    EXPECT_TRUE(client.Cancelled());
    EXPECT_THROW(client.Get(server.BaseUrl()), EHttpCancelled);
    EXPECT_EQ(GetPage(client, server.BaseUrl()), "");
    EXPECT_EQ(server.Accept(200), 0);
}
