// A load cancelled (the program quits) while it reads a large answer: the read ends there, so
// nothing of the answer is used or kept and the quit does not wait for the rest of the parse.
#include "weather/Forecast.h"

#include "support/FakeHttpClient.h"
#include "support/Records.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr const char* kJma = "http://127.0.0.1:9/bosai/";

// Hands out its pages and is cancelled as the one named `cancelAt` is handed out, as a quit that
// comes when the download has just ended.
class QuittingClient : public FakeHttpClient {
public:
    std::string CancelAt;
    std::string Get(const std::string& url) override {
        std::string page = FakeHttpClient::Get(url);
        if (url == CancelAt)
            Cancel();
        return page;
    }
};

} // namespace

TEST(CancelledLoad, AnAnswerBeingReadWhenTheLoadIsCancelledIsNeitherUsedNorKept) {
    const std::string area = std::string(kJma) + "common/const/area.json";
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "cancelled" : "not cancelled");
        TempDir dir;
        QuittingClient client;
        client.Pages[area] = ReadAll(TestData("jma/area.json"));
        client.CancelAt = quit ? area : "";
        TForecastRequest request;
        request.Source = TSource::Jma;
        request.JmaPrefix = kJma;
        request.Prefecture = "東京都";
        request.Municipality = "千代田区";
        request.CacheFolder = dir.Path() + "/cache/";
        const TForecastOutcome outcome = LoadForecast(client, request);
        EXPECT_FALSE(outcome.Loaded);
        // Read whole, the real area.json is kept even though the other constants are missing.
        EXPECT_EQ(std::filesystem::exists(dir.Path() + "/cache/jma/area.json"), !quit);
    }
}
