// The nowcast's time lists and tiles. Whatever the input, reading never throws: the lists give
// only readable times and frames five minutes apart from an analysis both lists tell; a tile gives
// a class of the legend (0-8) or nothing for each point asked, and only for a 256 x 256 image.
// The input's first byte chooses: even, two lists split at the first NUL; odd, a tile.
#include "fuzz/FuzzCheck.h"
#include "weather/jma/JmaNowcast.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        const std::size_t split = input.find('\0');
        const auto analyses = ReadNowcastTimes(input.substr(0, split));
        const auto forecasts = ReadNowcastTimes(
            split == std::string_view::npos ? std::string_view() : input.substr(split + 1));
        for (const auto* list : {&analyses, &forecasts})
            if (*list) {
                Check(!(*list)->empty());
                for (const TNowcastTime& row : **list)
                    Check(ReadNowcastTimeText(NowcastTimeText(row.Base)) == row.Base &&
                          ReadNowcastTimeText(NowcastTimeText(row.Valid)) == row.Valid);
            }
        if (!analyses || !forecasts)
            return 0;
        if (const auto frames = ChooseNowcastFrames(*analyses, *forecasts)) {
            Check(frames->Valid[0] == frames->Base);
            for (std::size_t k = 1; k < frames->Valid.size(); ++k)
                Check(!frames->Valid[k] ||
                      *frames->Valid[k] == frames->Base + static_cast<std::int64_t>(k) * 300);
        }
        return 0;
    }
    const TTilePoint points[] = {{0, 0}, {143, 58}, {255, 8}, {255, 255}};
    const auto classes = ReadNowcastTile(input, points);
    if (classes) {
        Check(classes->size() == std::size(points));
        for (const auto& c : *classes)
            Check(!c || (*c >= 0 && *c <= 8));
    }
    const bool whole = IsNowcastTile(input);
    // A tile that decodes whole decodes down to any row.
    Check(!whole || classes);
    return 0;
}
