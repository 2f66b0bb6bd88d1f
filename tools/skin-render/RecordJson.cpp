#include "tools/skin-render/RecordJson.h"

#include "platform/TextCodec.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace {

struct Value;
using Array = std::vector<Value>;
using Object = std::vector<std::pair<std::string, Value>>;

struct Value {
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<Array>,
                 std::shared_ptr<Object>>
        v;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Value Document() {
        Value value = Parse(0);
        SkipSpace();
        if (pos_ != text_.size())
            Fail("unexpected text after the value");
        return value;
    }

    struct Error {
        std::string message;
    };

private:
    [[noreturn]] void Fail(const std::string& what) {
        throw Error{what + " at byte " + std::to_string(pos_)};
    }

    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    bool Take(char c) {
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void Expect(char c) {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }

    Value Parse(int depth) {
        if (depth > 64)
            Fail("nesting too deep");
        SkipSpace();
        if (pos_ >= text_.size())
            Fail("unexpected end");
        const char c = text_[pos_];
        if (c == '{') {
            ++pos_;
            auto object = std::make_shared<Object>();
            if (!Take('}')) {
                do {
                    SkipSpace();
                    std::string key = String();
                    Expect(':');
                    object->emplace_back(std::move(key), Parse(depth + 1));
                } while (Take(','));
                Expect('}');
            }
            return Value{object};
        }
        if (c == '[') {
            ++pos_;
            auto array = std::make_shared<Array>();
            if (!Take(']')) {
                do
                    array->push_back(Parse(depth + 1));
                while (Take(','));
                Expect(']');
            }
            return Value{array};
        }
        if (c == '"')
            return Value{String()};
        for (const auto& [word, value] : {std::pair<std::string_view, Value>{"true", {true}},
                                          {"false", {false}},
                                          {"null", {nullptr}}})
            if (text_.substr(pos_, word.size()) == word) {
                pos_ += word.size();
                return value;
            }
        return Value{Number()};
    }

    double Number() {
        // JSON grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
        const std::size_t start = pos_;
        auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                ++pos_;
            return pos_ - from;
        };
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        const std::size_t intStart = pos_;
        if (digits() == 0 || (text_[intStart] == '0' && pos_ - intStart > 1))
            Fail("bad value");
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (digits() == 0)
                Fail("bad number");
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
                ++pos_;
            if (digits() == 0)
                Fail("bad number");
        }
        double value = 0;
        const auto result = std::from_chars(text_.data() + start, text_.data() + pos_, value);
        if (result.ec != std::errc())
            Fail("bad number");
        return value;
    }

    std::uint32_t Hex4() {
        if (pos_ + 4 > text_.size())
            Fail("bad \\u escape");
        std::uint32_t value = 0;
        const auto result =
            std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, value, 16);
        if (result.ptr != text_.data() + pos_ + 4)
            Fail("bad \\u escape");
        pos_ += 4;
        return value;
    }

    std::string String() {
        if (pos_ >= text_.size() || text_[pos_] != '"')
            Fail("expected a string");
        ++pos_;
        std::string out;
        while (true) {
            if (pos_ >= text_.size())
                Fail("unterminated string");
            const char c = text_[pos_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size())
                Fail("unterminated string");
            const char e = text_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t cp = Hex4();
                if (cp >= 0xD800 && cp < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
                    pos_ += 2;
                    const std::uint32_t low = Hex4();
                    if (low >= 0xDC00 && low < 0xE000)
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    else
                        cp = 0xFFFD;
                } else if (cp >= 0xD800 && cp < 0xE000) {
                    cp = 0xFFFD;
                }
                platform::AppendUtf8(out, cp);
                break;
            }
            default:
                Fail("bad escape");
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

struct FieldError {
    std::string message;
};

std::int32_t ToInt(const Value& value, const std::string& name) {
    const double* d = std::get_if<double>(&value.v);
    if (!d || *d != std::trunc(*d) || *d < INT32_MIN || *d > INT32_MAX)
        throw FieldError{"\"" + name + "\" needs 32-bit integers"};
    return static_cast<std::int32_t>(*d);
}

double ToDate(const Value& value, const std::string& name) {
    const double* d = std::get_if<double>(&value.v);
    if (!d)
        throw FieldError{"\"" + name + "\" needs day-count numbers"};
    return *d;
}

std::string ToText(const Value& value, const std::string& name) {
    const std::string* s = std::get_if<std::string>(&value.v);
    if (!s)
        throw FieldError{"\"" + name + "\" needs a string"};
    return *s;
}

template <std::size_t N, class T, class Convert>
void FillArray(const Value& value, const std::string& name, std::array<T, N>& target,
               Convert convert) {
    const auto* array = std::get_if<std::shared_ptr<Array>>(&value.v);
    if (!array || (*array)->size() != N)
        throw FieldError{"\"" + name + "\" needs an array of " + std::to_string(N) + " items"};
    for (std::size_t i = 0; i < N; ++i)
        target[i] = convert((**array)[i], name);
}

} // namespace

bool ReadRecordJson(std::string_view text, TWeatherData& record, std::string& error) {
    Value document;
    try {
        document = Parser(text).Document();
    } catch (const Parser::Error& e) {
        error = "bad JSON: " + e.message;
        return false;
    }
    const auto* object = std::get_if<std::shared_ptr<Object>>(&document.v);
    if (!object) {
        error = "the record must be a JSON object";
        return false;
    }
    try {
        for (const auto& [name, value] : **object) {
            TWeatherData& w = record;
            if (name == "PointDate")
                FillArray(value, name, w.PointDate, ToDate);
            else if (name == "PointHour")
                FillArray(value, name, w.PointHour, ToInt);
            else if (name == "PointWeather")
                FillArray(value, name, w.PointWeather, ToText);
            else if (name == "PointTemp")
                FillArray(value, name, w.PointTemp, ToInt);
            else if (name == "WeekDate")
                FillArray(value, name, w.WeekDate, ToDate);
            else if (name == "WeekWeather")
                FillArray(value, name, w.WeekWeather, ToText);
            else if (name == "WeekMinTemp")
                FillArray(value, name, w.WeekMinTemp, ToInt);
            else if (name == "WeekMaxTemp")
                FillArray(value, name, w.WeekMaxTemp, ToInt);
            else if (name == "WeekProb")
                FillArray(value, name, w.WeekProb, ToInt);
            else if (name == "DayDate")
                FillArray(value, name, w.DayDate, ToDate);
            else if (name == "DayWeather")
                FillArray(value, name, w.DayWeather, ToText);
            else if (name == "DayMinTemp")
                FillArray(value, name, w.DayMinTemp, ToInt);
            else if (name == "DayMaxTemp")
                FillArray(value, name, w.DayMaxTemp, ToInt);
            else if (name == "DayProb")
                FillArray(value, name, w.DayProb, ToInt);
            else if (name == "LocationName")
                w.LocationName = ToText(value, name);
            else if (name == "UpdateInfo")
                w.UpdateInfo = ToText(value, name);
            else if (name == "Information")
                w.Information = ToText(value, name);
        }
    } catch (const FieldError& e) {
        error = e.message;
        return false;
    }
    return true;
}
