#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Answers larger than this are refused unread: a forecast is a few tens of kilobytes.
inline constexpr std::size_t kMaxAnswerBytes = 2u * 1024u * 1024u;

// Strict JSON read in one pass, in time linear in the text: objects and arrays nested deeper
// than `maxDepth` (the outermost value is at depth 0) are left out of `Value`, and `Deeper`
// tells that some were. On a syntax error `Value` is discarded and `Error` holds the reason
// with the byte where it was found (`ErrorByte`). Never throws.
struct TJsonRead {
    nlohmann::json Value;
    bool Deeper = false;
    std::string Error;
    std::size_t ErrorByte = 0;
};
TJsonRead ReadJsonBounded(std::string_view text, int maxDepth);

// While an object of this class lives, every JSON read on its thread asks `stop` now and then
// and, once it says true, ends as at a syntax error: a program that quits waits for no parse of
// a large answer. Objects nest; the innermost counts. Not for use across threads.
class TJsonReadStop {
public:
    explicit TJsonReadStop(std::function<bool()> stop);
    ~TJsonReadStop();
    TJsonReadStop(const TJsonReadStop&) = delete;
    TJsonReadStop& operator=(const TJsonReadStop&) = delete;

    // True when the reads of this thread are to end now.
    static bool Requested();

private:
    std::function<bool()> stop_;
    TJsonReadStop* outer_;
};

// A service's JSON answer, parsed without trusting it: a text longer than `maxBytes` or that is
// no JSON gives a discarded value, and brackets deeper than `maxDepth` are dropped while
// parsing, so a hostile answer cannot build a huge tree. Never throws.
nlohmann::json ParseJsonAnswer(std::string_view text, std::size_t maxBytes, int maxDepth);

// The member `key` of an object, or nullptr when `object` is none or no object or lacks it.
const nlohmann::json* JsonMember(const nlohmann::json* object, const char* key);

// The element at `index` of an array, or nullptr when `array` is none or no array or too short.
const nlohmann::json* JsonElement(const nlohmann::json* array, std::size_t index);
