#include "SampleJmaWarnings.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>

using json = nlohmann::json;

namespace {

// The product (dataTypeCode) that carries a kind code.
std::string_view ProductOf(std::string_view code) {
    static const std::map<std::string_view, std::string_view> products = {
        {"03", "VPWW55"}, {"04", "VPWW55"}, {"10", "VPWW55"}, {"18", "VPWW55"}, {"33", "VPWW55"},
        {"43", "VPWW55"}, {"09", "VPWW56"}, {"29", "VPWW56"}, {"39", "VPWW56"}, {"49", "VPWW56"},
        {"08", "VPWW57"}, {"19", "VPWW57"}, {"38", "VPWW57"}, {"48", "VPWW57"}, {"02", "VPWW58"},
        {"05", "VPWW58"}, {"13", "VPWW58"}, {"15", "VPWW58"}, {"32", "VPWW58"}, {"35", "VPWW58"},
        {"07", "VPWW59"}, {"16", "VPWW59"}, {"37", "VPWW59"}};
    const auto found = products.find(code);
    return found == products.end() ? std::string_view("VPWW61") : found->second;
}

std::string Text(const json& value, const char* key) {
    const auto it = value.find(key);
    return it != value.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

std::optional<TSampleJmaWarnings::TInForce> TSampleJmaWarnings::Parse(std::string_view text) {
    TInForce result;
    const std::size_t first = text.find(':');
    if (first == std::string_view::npos)
        return std::nullopt;
    result.Class20 = std::string(text.substr(0, first));
    std::string_view rest = text.substr(first + 1);
    const std::size_t second = rest.find(':');
    result.Code = std::string(rest.substr(0, second));
    if (second != std::string_view::npos)
        result.Status = std::string(rest.substr(second + 1));
    const auto digits = [](std::string_view s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (result.Class20.size() != 7 || !digits(result.Class20) || !digits(result.Code) ||
        result.Status.empty())
        return std::nullopt;
    return result;
}

std::vector<TSampleJmaWarnings::TInForce> TSampleJmaWarnings::Flood(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return {};
    const auto one = Parse(std::string(text.substr(0, colon)) + ":100");
    const std::string_view count = text.substr(colon + 1);
    int n = 0;
    for (const char c : count)
        n = c >= '0' && c <= '9' && n <= 100000 ? n * 10 + (c - '0') : 100001;
    if (!one || count.empty() || n < 1 || n > 100000)
        return {};
    std::vector<TInForce> flood;
    for (int code = 100; code < 100 + n; ++code)
        flood.push_back({one->Class20, std::to_string(code), "発表"});
    return flood;
}

TSampleJmaWarnings::TSampleJmaWarnings(std::string_view areaJson, std::vector<TInForce> inForce,
                                       int year, int month, int day)
    : inForce_(std::move(inForce)) {
    const json areas = json::parse(areaJson.begin(), areaJson.end(), nullptr, false);
    const auto level = [&](const char* key) {
        const auto it = areas.find(key);
        return it != areas.end() && it->is_object() ? *it : json::object();
    };
    const json class10s = level("class10s"), class15s = level("class15s"),
               class20s = level("class20s");
    for (const auto& [code, entry] : class20s.items()) {
        const auto class15 = class15s.find(Text(entry, "parent"));
        if (class15 == class15s.end())
            continue;
        const auto class10 = class10s.find(Text(*class15, "parent"));
        if (class10 == class10s.end())
            continue;
        class20s_[Text(*class10, "parent")].push_back(code);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT05:00:00+09:00", year, month, day);
    reportTime_ = text;
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 5 - 9;
    const std::time_t at = timegm(&t);
    std::tm utc{};
    gmtime_r(&at, &utc);
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    controlTime_ = text;
}

std::string TSampleJmaWarnings::Answer(std::string_view office) const {
    const auto found = class20s_.find(office);
    if (found == class20s_.end())
        return {};
    const std::vector<std::string>& municipalities = found->second;
    std::set<std::string_view> products;
    for (const TInForce& w : inForce_)
        if (std::find(municipalities.begin(), municipalities.end(), w.Class20) !=
            municipalities.end())
            products.insert(ProductOf(w.Code));
    const bool none = products.empty();
    if (none)
        products.insert("VPWW61");
    json reports = json::array();
    for (const std::string_view product : products) {
        json items = json::array();
        for (const std::string& class20 : municipalities) {
            json kinds = json::array();
            for (const TInForce& w : inForce_)
                if (w.Class20 == class20 && ProductOf(w.Code) == product)
                    kinds.push_back({{"code", w.Code}, {"status", w.Status}});
            if (kinds.empty())
                kinds.push_back({{"status", "発表警報・注意報はなし"}});
            items.push_back({{"areaCode", class20}, {"kinds", kinds}});
        }
        reports.push_back({{"controlDatetime", controlTime_},
                           {"reportDatetime", reportTime_},
                           {"infoType", "発表"},
                           {"publishingOffice", "気象庁"},
                           {"headlineText", none ? "" : "警報・注意報を発表しています。"},
                           {"warning", {{"class10Items", json::array()}, {"class20Items", items}}},
                           {"dataTypeCode", std::string(product)}});
    }
    return reports.dump();
}
