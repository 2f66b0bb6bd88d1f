#include "weather/JsonAnswer.h"

#include <utility>
#include <vector>

using json = nlohmann::json;

namespace {

thread_local TJsonReadStop* innermostStop = nullptr;

// Builds the tree from the parser's events. The library's own builder with a filter callback
// looks through the parent object after every member to drop the refused ones, which takes
// time in the square of the members; here a refused container is simply never added.
class BoundedBuilder {
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    BoundedBuilder(TJsonRead& result, int maxDepth) : result_(result), maxDepth_(maxDepth) {}

    bool null() { return Put(nullptr); }
    bool boolean(bool value) { return Put(value); }
    bool number_integer(number_integer_t value) { return Put(value); }
    bool number_unsigned(number_unsigned_t value) { return Put(value); }
    bool number_float(number_float_t value, const string_t&) { return Put(value); }
    bool string(string_t& value) { return Put(std::move(value)); }
    bool binary(binary_t& value) { return Put(json::binary(std::move(value))); }
    bool start_object(std::size_t) { return Open(json::object()); }
    bool end_object() { return Close(); }
    bool start_array(std::size_t) { return Open(json::array()); }
    bool end_array() { return Close(); }
    bool key(string_t& name) {
        if (skipped_ == 0)
            key_ = std::move(name);
        return true;
    }
    bool parse_error(std::size_t byte, const std::string&, const nlohmann::detail::exception& e) {
        result_.Error = e.what();
        result_.ErrorByte = byte;
        return false;
    }

private:
    bool Put(json value) {
        if (skipped_ == 0)
            Place(std::move(value));
        return Going();
    }

    // A stop is asked for seldom: it may take a lock or an atomic load.
    bool Going() {
        if (++events_ % 4096 != 0 || !TJsonReadStop::Requested())
            return true;
        result_.Error = "stopped";
        result_.ErrorByte = 0;
        return false;
    }

    json* Place(json value) {
        if (open_.empty()) {
            result_.Value = std::move(value);
            return &result_.Value;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        json& member = parent[key_];
        member = std::move(value);
        return &member;
    }

    bool Open(json empty) {
        if (skipped_ > 0 || static_cast<int>(open_.size()) > maxDepth_) {
            ++skipped_;
            result_.Deeper = true;
        } else {
            // Only the innermost open container grows, so the pointers to its ancestors hold.
            open_.push_back(Place(std::move(empty)));
        }
        return Going();
    }

    bool Close() {
        if (skipped_ > 0)
            --skipped_;
        else
            open_.pop_back();
        return Going();
    }

    TJsonRead& result_;
    const int maxDepth_;
    std::vector<json*> open_;
    std::size_t skipped_ = 0;
    std::size_t events_ = 0;
    std::string key_;
};

} // namespace

TJsonReadStop::TJsonReadStop(std::function<bool()> stop)
    : stop_(std::move(stop)), outer_(innermostStop) {
    innermostStop = this;
}

TJsonReadStop::~TJsonReadStop() {
    innermostStop = outer_;
}

bool TJsonReadStop::Requested() {
    return innermostStop != nullptr && innermostStop->stop_ && innermostStop->stop_();
}

TJsonRead ReadJsonBounded(std::string_view text, int maxDepth) {
    TJsonRead result;
    BoundedBuilder builder(result, maxDepth);
    if (!json::sax_parse(text.begin(), text.end(), &builder)) {
        if (result.Error.empty())
            result.Error = "parse error";
        result.Value = json(json::value_t::discarded);
    }
    return result;
}

json ParseJsonAnswer(std::string_view text, std::size_t maxBytes, int maxDepth) {
    if (text.size() > maxBytes)
        return json(json::value_t::discarded);
    return ReadJsonBounded(text, maxDepth).Value;
}

const json* JsonMember(const json* object, const char* key) {
    if (object == nullptr || !object->is_object())
        return nullptr;
    const auto it = object->find(key);
    return it == object->end() ? nullptr : &*it;
}

const json* JsonElement(const json* array, std::size_t index) {
    if (array == nullptr || !array->is_array() || index >= array->size())
        return nullptr;
    return &(*array)[index];
}
