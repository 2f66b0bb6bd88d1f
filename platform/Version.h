#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The program's own file version. The build writes it (from the project version) into the ELF
// section ".pelumi_version" of every executable that links this unit; it is read back from the
// running executable's file, the way the version resource is read on other platforms.
namespace platform {

inline constexpr const char* kVersionSectionName = ".pelumi_version";

// The text of the named section of an ELF file up to its first NUL, or nothing when the file
// cannot be read, is not ELF or lacks the section.
bool ReadElfSectionText(const std::string& path, std::string_view section, std::string& text);

// The file version of the running executable ("2.0.7.2"); empty when it cannot be read.
std::string OwnFileVersion();

// A version text "major.minor.release.build" packed with 8 bits per part (each part added to
// the result shifted left by 8). -1 for an empty text or any part that is not a non-negative
// integer. Parts above 255 are not rejected and carry into the next part.
std::int32_t PackVersionNumber(std::string_view text);

// The body of the version file: one decimal integer after blanks and control characters are
// removed from both ends; -1 when it is not one.
std::int32_t ParseVersionFile(std::string_view body);

// True when the remote number is newer than the own one, both taken as unsigned 32-bit values.
bool IsNewerVersion(std::int32_t remote, std::int32_t own);

} // namespace platform
