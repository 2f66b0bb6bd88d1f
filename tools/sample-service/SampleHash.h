#pragma once

#include <cstdint>
#include <string_view>

// The sample service's weather comes from these: the same place and day always give the same
// figures, and neighbouring ones look unrelated.
namespace sample {

// A 64-bit mixer (splitmix64's finaliser).
inline std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// FNV-1a of a text.
inline std::uint64_t HashText(std::string_view text) {
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : text)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

} // namespace sample
