#include "weather/LocationList.h"

#include "platform/CommaText.h"
#include "platform/TextCodec.h"

std::vector<TLocationEntry> ParseLocationList(std::string_view text) {
    std::vector<TLocationEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::vector<std::string> fields = platform::SplitCommaText(text.substr(pos, end - pos));
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
