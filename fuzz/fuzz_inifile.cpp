// The INI dialect: parse, read typed values, write keys back and parse the result again.
#include "platform/IniFile.h"
#include "platform/TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    platform::IniFile ini = platform::IniFile::Parse(platform::DecodeTextFile(bytes));
    (void)ini.ReadString("Option", "Proxy", "");
    (void)ini.ReadInteger("Option", "Top", 5);
    (void)ini.ReadBool("Option", "Showing", true);
    ini.WriteInteger("Option", "Top", 5);
    ini.WriteString("Skin", "Filename", "Simple\\small.ini");
    const platform::IniFile again = platform::IniFile::Parse(ini.Serialize());
    if (again.ReadInteger("Option", "Top", 0) != 5 ||
        again.ReadString("Skin", "Filename", "") != "Simple\\small.ini")
        __builtin_trap(); // a written key must read back
    return 0;
}
