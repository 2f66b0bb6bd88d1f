// A kept answer and a load cancelled while the kept copy is read: the copy stays.
#include "weather/KeptAnswer.h"

#include "support/TempDir.h"
#include "weather/HttpClient.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Answers 304 to every request with validators, else the whole answer with an ETag.
class ConditionalClient : public THttpClient {
public:
    int Requests = 0;
    std::string Get(const std::string& url) override { return GetIfChanged(url, {}).Body; }
    THttpAnswer GetIfChanged(const std::string& url, const THttpValidators& stored) override {
        ++Requests;
        if (Cancelled())
            throw std::runtime_error("cancelled: " + url);
        if (!stored.Empty())
            return {true, "", {}};
        return {false, "[\"whole\"]", {"\"e1\"", ""}};
    }
};

} // namespace

TEST(KeptAnswer, ACopyRefusedBecauseTheLoadWasCancelledIsKept) {
    TempDir dir;
    const TKeptAnswerRequest request{"http://jma.example/f.json", dir.Path(), "f.answer", 1024};
    ConditionalClient first;
    ASSERT_EQ(FetchKeptAnswer(first, request, [](std::string_view) { return true; }),
              TKeptAnswerResult::Used);
    const std::string kept = ReadAll(dir.File("f.answer"));
    ASSERT_NE(kept, "");

    ConditionalClient quitting;
    EXPECT_EQ(FetchKeptAnswer(quitting, request,
                              [&quitting](std::string_view) {
                                  quitting.Cancel(); // the quit comes during the read
                                  return false;
                              }),
              TKeptAnswerResult::Failed);
    EXPECT_EQ(quitting.Requests, 1);
    EXPECT_EQ(ReadAll(dir.File("f.answer")), kept);

    ConditionalClient next;
    std::string seen;
    EXPECT_EQ(FetchKeptAnswer(next, request,
                              [&seen](std::string_view body) {
                                  seen = body;
                                  return true;
                              }),
              TKeptAnswerResult::Used);
    EXPECT_EQ(seen, "[\"whole\"]");
    EXPECT_EQ(next.Requests, 1);
}
