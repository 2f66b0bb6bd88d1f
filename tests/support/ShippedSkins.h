#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The skins the program ships, as they lie in the source tree.
inline const std::string kSkinRoot = std::string(PELUMI_SOURCE_DIR) + "/data/Skin/";

// Every skin file under kSkinRoot, in path order.
inline std::vector<std::string> ShippedSkins() {
    std::vector<std::string> skins;
    for (const auto& e : std::filesystem::recursive_directory_iterator(kSkinRoot))
        if (e.is_regular_file() && e.path().extension() == ".ini")
            skins.push_back(e.path().string());
    std::sort(skins.begin(), skins.end());
    return skins;
}
