#include "app/LocationList.h"

#include "platform/TextCodec.h"

namespace {

bool IsBlank(char c) {
    return c >= 1 && c <= 32;
}

} // namespace

std::vector<std::string> SplitCommaText(std::string_view line) {
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

std::vector<TLocationEntry> ParseLocationList(std::string_view text) {
    std::vector<TLocationEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::vector<std::string> fields = SplitCommaText(text.substr(pos, end - pos));
        if (fields.size() == 7) {
            TLocationEntry entry;
            for (std::size_t k = 0; k < 7; ++k)
                entry[k] = std::move(fields[k]);
            entries.push_back(std::move(entry));
        }
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return entries;
}

std::vector<TLocationEntry> ReadLocationFile(const std::string& path) {
    return ParseLocationList(platform::DecodeTextFile(platform::ReadFileBytes(path)));
}
