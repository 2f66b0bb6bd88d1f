#include "platform/CommaText.h"

namespace {

bool IsBlank(char c) {
    return c >= 1 && c <= 32;
}

} // namespace

namespace platform {

std::vector<std::string> SplitCommaText(std::string_view line) {
    line = line.substr(0, line.find('\0'));
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    auto skipBlanks = [&] {
        while (i < n && IsBlank(line[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        std::string field;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            const std::size_t start = i;
            while (i < n && line[i] != ',' && !IsBlank(line[i]))
                ++i;
            field.assign(line.substr(start, i - start));
        }
        fields.push_back(std::move(field));
        skipBlanks();
        if (i < n && line[i] == ',') {
            if (i == n - 1)
                fields.emplace_back();
            ++i;
            skipBlanks();
        }
    }
    return fields;
}

} // namespace platform
