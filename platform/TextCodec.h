#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text in the program is UTF-8. These turn the bytes of files written on either platform into it.
namespace platform {

bool IsValidUtf8(std::string_view bytes);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Shift-JIS (code page 932) to UTF-8; a byte sequence that is not CP932 becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);

// UTF-16 code units (little- or big-endian bytes, no byte-order mark) to UTF-8; a lone
// surrogate becomes U+FFFD and an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// A whole text file's bytes to UTF-8. Byte-order marks are tested in the order UTF-16LE,
// UTF-16BE, UTF-8 and are not part of the text; without one the bytes are UTF-8 when they are
// valid UTF-8 (a file written here) and code page 932 otherwise (a file written on Windows).
std::string DecodeTextFile(std::string_view bytes);

// Reads a whole file. Throws EFileError with a message for the user when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Number of characters (code points) of valid UTF-8 text.
std::size_t Utf8Length(std::string_view text);

// The first `count` characters of UTF-8 text.
std::string_view Utf8Prefix(std::string_view text, std::size_t count);

} // namespace platform
