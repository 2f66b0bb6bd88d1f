#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The private-profile INI dialect shared by the settings file and the skin files.
//
// Reading: "[name]" starts a section; "key=value" is an entry; section and key names compare
// without regard to ASCII letter case; the first occurrence of a section, and within it of a
// key, counts; blanks around keys and values are dropped; a value enclosed in a matching pair
// of double or single quotes loses them; a value keeps at most 2047 characters; every other
// line is ignored. Writing keeps every line it does not change, so keys and sections that the
// program does not own survive a save.
class IniFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    IniFile() = default;

    // Parses UTF-8 text.
    static IniFile Parse(std::string_view text);

    // Reads and decodes a file (see DecodeTextFile). A file that is missing or cannot be read
    // gives an empty profile: every read then yields its default.
    static IniFile Load(const std::string& path);

    // The value of a key, or nothing when the section or the key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    bool HasSection(std::string_view section) const;

    // The keys of a section in file order, each once (its first occurrence counts).
    std::vector<std::string> Keys(std::string_view section) const;

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // A value that is not an integer (an empty one included) gives the fallback.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t fallback) const;
    // Read as an integer; any non-zero integer is true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // Sets a key, creating its section or the key as needed; the value is written as it is.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes every entry of the key from every section of that name; a missing one is fine.
    void DeleteKey(std::string_view section, std::string_view key);

    // The whole file as UTF-8 text, one line per entry, LF line ends.
    std::string Serialize() const;

    // Writes the whole file to a temporary file beside `path` and renames it over `path`, so
    // a failure never leaves a half-written file. Throws EFileError.
    void SaveTo(const std::string& path) const;

private:
    struct Line {
        std::string text;    // the line as read or written
        std::string section; // for a section header: its name
        std::string key;     // for an entry: its key
        bool isSection = false;
        bool isEntry = false;
    };

    // Index of the header of the first section with this name, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the first entry of the key in the section starting at `header`, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;

    std::vector<Line> lines_;
};

} // namespace platform
