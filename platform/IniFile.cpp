#include "platform/IniFile.h"

#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/FileWrite.h"
#include "platform/TextCodec.h"

namespace platform {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        Line line;
        line.text = std::string(text.substr(pos, end - pos));
        const std::string_view body = Trim(line.text);
        if (!body.empty() && body.front() == '[') {
            const std::size_t close = body.find(']');
            if (close != std::string_view::npos) {
                line.isSection = true;
                line.section = std::string(Trim(body.substr(1, close - 1)));
            }
        } else if (const std::size_t eq = body.find('='); eq != std::string_view::npos) {
            const std::string_view key = Trim(body.substr(0, eq));
            if (!key.empty()) {
                line.isEntry = true;
                line.key = std::string(key);
            }
        }
        ini.lines_.push_back(std::move(line));
        // One line end: CR LF, a lone CR or a lone LF.
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return ini;
}

IniFile IniFile::Load(const std::string& path) {
    try {
        return Parse(DecodeTextFile(ReadFileBytes(path)));
    } catch (const EFileError&) {
        return IniFile();
    }
}

std::size_t IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].isSection && SameTextAscii(lines_[i].section, section))
            return i;
    return npos;
}

std::size_t IniFile::FindKey(std::size_t header, std::string_view key) const {
    for (std::size_t i = header + 1; i < lines_.size() && !lines_[i].isSection; ++i)
        if (lines_[i].isEntry && SameTextAscii(lines_[i].key, key))
            return i;
    return npos;
}

bool IniFile::HasSection(std::string_view section) const {
    return FindSection(section) != npos;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    const std::size_t header = FindSection(section);
    if (header == npos)
        return keys;
    for (std::size_t i = header + 1; i < lines_.size() && !lines_[i].isSection; ++i)
        if (lines_[i].isEntry && FindKey(header, lines_[i].key) == i)
            keys.push_back(lines_[i].key);
    return keys;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == npos)
        return std::nullopt;
    const std::size_t entry = FindKey(header, key);
    if (entry == npos)
        return std::nullopt;
    const std::string_view body = Trim(lines_[entry].text);
    const std::string_view value = StripQuotes(Trim(body.substr(body.find('=') + 1)));
    return std::string(Utf8Prefix(value, kMaxValueLength));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    auto value = Find(section, key);
    return value ? std::move(*value) : std::string(fallback);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
    const auto value = Find(section, key);
    return value ? StrToIntDef(*value, fallback) : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Line entry;
    entry.isEntry = true;
    entry.key = std::string(key);
    entry.text = std::string(key) + "=" + std::string(value);

    std::size_t header = FindSection(section);
    if (header == npos) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty())
            lines_.push_back(Line{});
        Line head;
        head.isSection = true;
        head.section = std::string(section);
        head.text = "[" + std::string(section) + "]";
        lines_.push_back(std::move(head));
        lines_.push_back(std::move(entry));
        return;
    }
    if (const std::size_t at = FindKey(header, key); at != npos) {
        lines_[at] = std::move(entry);
        return;
    }
    // Append after the section's last non-blank line.
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < lines_.size() && !lines_[i].isSection; ++i)
        if (!Trim(lines_[i].text).empty())
            insertAt = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    bool inSection = false;
    for (Line& line : lines_) {
        if (line.isSection)
            inSection = SameTextAscii(line.section, section);
        if (!(inSection && line.isEntry && SameTextAscii(line.key, key)))
            kept.push_back(std::move(line));
    }
    lines_ = std::move(kept);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += '\n';
    }
    return out;
}

void IniFile::SaveTo(const std::string& path) const {
    if (const auto reason = ReplaceFileContents(path, Serialize()))
        throw EFileError("設定ファイル \"" + path + "\" を保存できません。(" + *reason + ")");
}

} // namespace platform
