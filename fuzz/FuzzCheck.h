#pragma once

// A property a target checks on every input: a broken one stops the fuzzer as a crash does.
inline void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}
