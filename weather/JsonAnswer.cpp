#include "weather/JsonAnswer.h"

using json = nlohmann::json;

json ParseJsonAnswer(std::string_view text, std::size_t maxBytes, int maxDepth) {
    if (text.size() > maxBytes)
        return json(json::value_t::discarded);
    const json::parser_callback_t limitDepth = [maxDepth](int depth, json::parse_event_t event,
                                                          json&) {
        return !((event == json::parse_event_t::object_start ||
                  event == json::parse_event_t::array_start) &&
                 depth > maxDepth);
    };
    return json::parse(text.begin(), text.end(), limitDepth, /*allow_exceptions=*/false);
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
