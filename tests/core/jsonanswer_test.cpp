// The bounded JSON reader every answer and kept file goes through: what deep nesting leaves,
// what a syntax error gives, and a wide hostile answer read whole.
#include "weather/JsonAnswer.h"

#include <gtest/gtest.h>

#include <string>

using json = nlohmann::json;

TEST(JsonAnswer, ContainersDeeperThanTheLimitAreLeftOutAndTheRestKept) {
    struct Case {
        const char* text;
        int maxDepth;
        const char* expected;
        bool deeper;
    };
    const Case cases[] = {
        {R"({"a":1,"b":[[[[1]]]],"c":"x"})", 2, R"({"a":1,"b":[[]],"c":"x"})", true},
        {R"([1,[[2,{"k":3}]],3,{"m":[4]}])", 1, R"([1,[],3,{}])", true},
        {R"({"a":{"x":{"y":1},"z":2},"b":2})", 1, R"({"a":{"z":2},"b":2})", true},
        {R"({"a":{"x":{"y":1},"z":2},"b":2})", 2, R"({"a":{"x":{"y":1},"z":2},"b":2})", false},
        {R"({"k":1,"k":{"deep":[1]},"k":3})", 0, R"({"k":3})", true},
        {R"({"k":1,"k":2})", 4, R"({"k":2})", false},
        {R"("text")", 0, R"("text")", false},
        {R"([[]])", 0, R"([])", true},
        {" \n[1.5, -2, 18446744073709551615, true, null]\t", 3,
         R"([1.5,-2,18446744073709551615,true,null])", false},
    };
    for (const Case& c : cases) {
        const TJsonRead read = ReadJsonBounded(c.text, c.maxDepth);
        EXPECT_EQ(read.Error, "") << c.text;
        EXPECT_EQ(read.Value.dump(), c.expected) << c.text;
        EXPECT_EQ(read.Deeper, c.deeper) << c.text;
    }
}

TEST(JsonAnswer, ASyntaxErrorGivesNoValueAndItsPlace) {
    struct Case {
        std::string text;
        std::size_t byte;
    };
    const Case cases[] = {
        {R"({"a":1,})", 8}, {R"({"a":[1,2)", 10}, {"", 1},
        {"[1] [2]", 5},     {"[\"\xff\"]", 3},    {std::string(100000, '[') + "1", 100002},
    };
    for (const Case& c : cases) {
        const TJsonRead read = ReadJsonBounded(c.text, 8);
        EXPECT_TRUE(read.Value.is_discarded()) << c.text.substr(0, 20);
        EXPECT_EQ(read.ErrorByte, c.byte) << c.text.substr(0, 20);
        EXPECT_NE(read.Error.find("parse error"), std::string::npos) << read.Error;
        EXPECT_TRUE(ParseJsonAnswer(c.text, kMaxAnswerBytes, 8).is_discarded());
    }
    EXPECT_TRUE(ParseJsonAnswer("[1, 2]", 5, 8).is_discarded());
    EXPECT_EQ(ParseJsonAnswer("[1, 2]", 6, 8), json::array({1, 2}));
}

TEST(JsonAnswer, AWideAnswerAtTheSizeLimitIsReadWhole) {
    // Many small members: the shape whose reading once took the square of its size.
    std::string text = "{\"list\":[";
    std::string members = "{";
    int count = 0;
    while (text.size() + members.size() < kMaxAnswerBytes - 64) {
        text += "{},";
        members += "\"k" + std::to_string(count++) + "\":{},";
    }
    text += "{}],\"object\":" + members + "\"last\":[]}}";
    ASSERT_LE(text.size(), kMaxAnswerBytes);
    const json value = ParseJsonAnswer(text, kMaxAnswerBytes, 4);
    ASSERT_TRUE(value.is_object());
    EXPECT_EQ(value["object"].size(), static_cast<std::size_t>(count) + 1);
    EXPECT_EQ(value["object"]["k" + std::to_string(count - 1)], json::object());
    EXPECT_EQ(value["list"].size(), static_cast<std::size_t>(count) + 1);
}

TEST(JsonAnswer, AReadEndsWhenItsThreadIsToldToStop) {
    std::string text = "[";
    for (int i = 0; i < 100000; ++i)
        text += "{\"a\":[1,2]},";
    text += "0]";
    int asked = 0;
    {
        const TJsonReadStop stop([&asked] { return ++asked >= 3; });
        const TJsonRead read = ReadJsonBounded(text, 8);
        EXPECT_TRUE(read.Value.is_discarded());
        EXPECT_EQ(read.Error, "stopped");
        EXPECT_EQ(asked, 3);
        {
            // The innermost stop counts.
            const TJsonReadStop going([] { return false; });
            EXPECT_EQ(ReadJsonBounded(text, 8).Value.size(), 100001u);
        }
        EXPECT_TRUE(ParseJsonAnswer(text, kMaxAnswerBytes, 8).is_discarded());
    }
    EXPECT_FALSE(TJsonReadStop::Requested());
    EXPECT_EQ(ReadJsonBounded(text, 8).Value.size(), 100001u);
}
