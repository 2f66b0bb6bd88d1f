#pragma once

#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, without a trailing separator.
    const std::string& Path() const { return path_; }

    // Path of `name` inside the folder.
    std::string File(std::string_view name) const;

    // Writes `content` (bytes) to `name` inside the folder, creating subfolders; returns its path.
    std::string Write(std::string_view name, std::string_view content) const;

private:
    std::string path_;
};

// Reads a file's bytes; empty when it cannot be read.
std::string ReadAll(const std::string& path);

// Path of a fixture under tests/data/.
std::string TestData(std::string_view name);
