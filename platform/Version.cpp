#include "platform/Version.h"

#include "pelumi_version.h"
#include "platform/Convert.h"

#include <cstring>
#include <elf.h>
#include <fstream>
#include <vector>

// The version text in its own section: linked into every executable that can ask for it, and
// readable from outside too (`readelf -p .pelumi_version zomika2`).
__attribute__((section(".pelumi_version"), used)) const char kPelumiFileVersion[] =
    PELUMI_FILE_VERSION;

namespace platform {

namespace {

template <typename Ehdr, typename Shdr>
bool ReadSection(std::ifstream& in, std::string_view section, std::string& text) {
    Ehdr header;
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(&header), sizeof header))
        return false;
    if (header.e_shentsize != sizeof(Shdr) || header.e_shnum == 0 ||
        header.e_shstrndx >= header.e_shnum)
        return false;
    std::vector<Shdr> sections(header.e_shnum);
    in.seekg(static_cast<std::streamoff>(header.e_shoff));
    if (!in.read(reinterpret_cast<char*>(sections.data()),
                 static_cast<std::streamsize>(sections.size() * sizeof(Shdr))))
        return false;
    const Shdr& names = sections[header.e_shstrndx];
    // Section names are short; a table larger than this is not one we made.
    if (names.sh_size == 0 || names.sh_size > (1u << 20))
        return false;
    std::string nameTable(names.sh_size, '\0');
    in.seekg(static_cast<std::streamoff>(names.sh_offset));
    if (!in.read(nameTable.data(), static_cast<std::streamsize>(nameTable.size())))
        return false;
    for (const Shdr& s : sections) {
        if (s.sh_name >= nameTable.size())
            continue;
        const char* name = nameTable.c_str() + s.sh_name;
        if (section != name || s.sh_type == SHT_NOBITS)
            continue;
        if (s.sh_size > 4096)
            return false;
        std::string body(s.sh_size, '\0');
        in.seekg(static_cast<std::streamoff>(s.sh_offset));
        if (!in.read(body.data(), static_cast<std::streamsize>(body.size())))
            return false;
        text = body.substr(0, body.find('\0'));
        return true;
    }
    return false;
}

} // namespace

bool ReadElfSectionText(const std::string& path, std::string_view section, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    unsigned char ident[EI_NIDENT];
    if (!in.read(reinterpret_cast<char*>(ident), sizeof ident))
        return false;
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return false;
    // Only the byte order of the machine we run on: the file is our own executable.
    const bool little = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    if (ident[EI_DATA] != (little ? ELFDATA2LSB : ELFDATA2MSB))
        return false;
    if (ident[EI_CLASS] == ELFCLASS64)
        return ReadSection<Elf64_Ehdr, Elf64_Shdr>(in, section, text);
    if (ident[EI_CLASS] == ELFCLASS32)
        return ReadSection<Elf32_Ehdr, Elf32_Shdr>(in, section, text);
    return false;
}

std::string OwnFileVersion() {
    std::string text;
    if (!ReadElfSectionText("/proc/self/exe", kVersionSectionName, text))
        return std::string();
    return text;
}

std::int32_t PackVersionNumber(std::string_view text) {
    if (text.empty())
        return -1;
    std::string rest = std::string(text) + ".";
    std::uint32_t result = 0;
    for (std::size_t dot = rest.find('.'); dot != std::string::npos; dot = rest.find('.')) {
        const std::int32_t part = StrToIntDef(std::string_view(rest).substr(0, dot), -1);
        if (part < 0)
            return -1;
        rest.erase(0, dot + 1);
        result = result * 256u + static_cast<std::uint32_t>(part);
    }
    return static_cast<std::int32_t>(result);
}

std::int32_t ParseVersionFile(std::string_view body) {
    return StrToIntDef(Trim(body), -1);
}

bool IsNewerVersion(std::int32_t remote, std::int32_t own) {
    return static_cast<std::uint32_t>(remote) > static_cast<std::uint32_t>(own);
}

} // namespace platform
