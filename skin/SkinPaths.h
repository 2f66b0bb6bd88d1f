#pragma once

#include "platform/Paths.h"

#include <string>
#include <string_view>

// The path of an image named in a skin: the name (backslashes allowed) appended to the skin's
// folder, spelt as the file on disk whatever the name's letter case (platform::MatchFileName).
// An empty name gives the folder itself, which is never an existing file.
inline std::string SkinImagePath(std::string_view skinDir, std::string_view name) {
    if (skinDir.empty())
        return platform::ToNativeSeparators(name);
    return platform::JoinPath(skinDir, platform::MatchFileName(skinDir, name));
}
