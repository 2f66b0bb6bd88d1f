// Downloads away from the interface thread: where the work and its answer run, errors,
// cancellation and the end of the owner.
#include "app/Downloads.h"
#include "platform/Errors.h"
#include "support/Gate.h"
#include "support/SilentServer.h"
#include "weather/CurlHttpClient.h"

#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Answers every request with `body` once its gate is open. It takes no notice of Cancel, like a
// transfer that had just ended when it was cancelled.
class TGatedHttp : public THttpClient {
public:
    TGatedHttp(std::shared_ptr<TGate> gate, std::string body)
        : gate_(std::move(gate)), body_(std::move(body)) {}
    std::string Get(const std::string&) override {
        gate_->Wait();
        return body_;
    }

private:
    std::shared_ptr<TGate> gate_;
    std::string body_;
};

bool WaitUntilEnded(const TDownloads& downloads) {
    return QTest::qWaitFor([&] { return downloads.Threads() == 0; }, 20000);
}

} // namespace

TEST(Downloads, WorkRunsOnAThreadOfItsOwnAndItsResultComesBackOnTheInterfaceThread) {
    TDownloads downloads;
    auto gate = std::make_shared<TGate>();
    std::thread::id workThread;
    std::thread::id doneThread;
    std::vector<std::string> results;
    std::exception_ptr error = std::make_exception_ptr(1);
    const auto id = StartDownload<std::string>(
        downloads, std::make_unique<TGatedHttp>(gate, "本文"),
        [&workThread](THttpClient& http) {
            workThread = std::this_thread::get_id();
            return http.Get("http://127.0.0.1:9/page") + "と続き";
        },
        [&](std::string&& result, std::exception_ptr e) {
            doneThread = std::this_thread::get_id();
            results.push_back(std::move(result));
            error = e;
        });
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(downloads.Running(id));
    // The loop runs while the work waits, and nothing comes back before it ends.
    QTest::qWait(50);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(downloads.Running(id));

    gate->Open();
    ASSERT_TRUE(WaitUntilEnded(downloads));
    EXPECT_EQ(results, std::vector<std::string>({"本文と続き"}));
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(doneThread, std::this_thread::get_id());
    EXPECT_NE(workThread, std::this_thread::get_id());
    EXPECT_NE(workThread, std::thread::id());
    EXPECT_FALSE(downloads.Running(id));
}

TEST(Downloads, WhatTheWorkThrowsComesBackWithDone) {
    TDownloads downloads;
    auto gate = std::make_shared<TGate>();
    gate->Open();
    int result = -7;
    std::exception_ptr error;
    StartDownload<int>(
        downloads, std::make_unique<TGatedHttp>(gate, ""),
        [](THttpClient&) -> int { throw EConvertError("ありえない日付"); },
        [&](int&& r, std::exception_ptr e) {
            result = r;
            error = e;
        });
    ASSERT_TRUE(WaitUntilEnded(downloads));
    ASSERT_NE(error, nullptr);
    try {
        std::rethrow_exception(error);
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "ありえない日付");
    } catch (...) {
        ADD_FAILURE() << "another exception came back";
    }
    EXPECT_EQ(result, 0); // the work gave none
}

TEST(Downloads, ACancelledDownloadNeverAnswersEvenWhenItsWorkEnds) {
    TDownloads downloads;
    auto gateA = std::make_shared<TGate>();
    auto gateB = std::make_shared<TGate>();
    auto clientA = std::make_unique<TGatedHttp>(gateA, "A");
    const THttpClient* a = clientA.get();
    std::vector<std::string> answers;
    auto fetch = [](THttpClient& http) { return http.Get("http://127.0.0.1:9/"); };
    auto keep = [&answers](std::string&& r, std::exception_ptr) { answers.push_back(r); };
    const auto idA = StartDownload<std::string>(downloads, std::move(clientA), fetch, keep);
    const auto idB = StartDownload<std::string>(downloads, std::make_unique<TGatedHttp>(gateB, "B"),
                                                fetch, keep);
    EXPECT_NE(idA, idB);

    downloads.Cancel(idA);
    EXPECT_TRUE(a->Cancelled());
    EXPECT_FALSE(downloads.Running(idA));
    EXPECT_TRUE(downloads.Running(idB));
    EXPECT_EQ(downloads.Threads(), 2u);
    // Unknown downloads are ignored.
    downloads.Cancel(idB + 100);
    EXPECT_TRUE(downloads.Running(idB));

    gateB->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !answers.empty(); }, 20000));
    gateA->Open();
    ASSERT_TRUE(WaitUntilEnded(downloads));
    EXPECT_EQ(answers, std::vector<std::string>({"B"}));
    // A finished download can no longer be cancelled.
    downloads.Cancel(idB);
    EXPECT_EQ(answers, std::vector<std::string>({"B"}));
}

TEST(Downloads, CancelAbortsARealTransferAndTheOwnerWaitsForItsThreads) {
    SilentServer server;
    bool answered = false;
    auto fetch = [&server](THttpClient& http) { http.Get(server.BaseUrl() + "slow"); };
    auto done = [&answered](std::exception_ptr) { answered = true; };
    {
        TDownloads downloads;
        const auto id = downloads.Start(std::make_unique<TCurlHttpClient>(), fetch, done);
        ASSERT_EQ(server.Accept(10000), 1);
        downloads.Cancel(id);
        // Unstopped, the transfer would wait 30 s for the silent server.
        ASSERT_TRUE(WaitUntilEnded(downloads));
        EXPECT_TRUE(server.ClientLeft(0, 1000));

        // A download still running when its owner ends is stopped and waited for.
        downloads.Start(std::make_unique<TCurlHttpClient>(), fetch, done);
        ASSERT_EQ(server.Accept(10000), 2);
        EXPECT_FALSE(server.ClientLeft(1, 100));
    }
    EXPECT_TRUE(server.ClientLeft(1, 1000));
    QTest::qWait(20);
    EXPECT_FALSE(answered);
}
