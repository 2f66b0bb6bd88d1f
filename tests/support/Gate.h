#pragma once

#include <condition_variable>
#include <mutex>

// Opened by the test; until then whoever waits on it waits (a client standing in for a server
// that has not answered yet).
struct TGate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;

    void Open() {
        const std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] { return open; });
    }
};
