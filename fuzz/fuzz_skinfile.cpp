// Skin files: the INI dialect read through every typed read of a skin, plus the list, rectangle
// and colour syntax on the raw input.
#include "platform/Errors.h"
#include "skin/SkinFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string SkinPath() {
    char folder[] = "/tmp/pelumi-fuzz-skinfile-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    return std::string(folder) + "/skin.ini";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = SkinPath();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(size));

    const TSkinFile file(path);
    TGeneralInfo general;
    file.ReadGeneral("General", general);
    TImageFiles images;
    file.ReadImageFiles("ImageFiles", images);
    TImagePosition positions;
    file.ReadImagePosition("ImagePosition", positions);
    TLocaleInfo locale;
    file.ReadLocale("Locale", locale);
    TIconSetting iconDefaults, icon;
    file.ReadIcon("Icon", iconDefaults, nullptr);
    file.ReadIcon("DayWeatherIcon0", icon, &iconDefaults);
    for (const char* section : {"Label", "LocationLabel", "DayProbLabel7"}) {
        TLabelSetting label;
        try {
            file.ReadLabel(section, label, nullptr);
        } catch (const EConvertError&) {
            // a FontColor that is no colour: the skin's own error
        }
    }
    for (const auto& names : {locale.MonthNames, locale.ShortMonthNames})
        for (const auto& name : names)
            (void)name.size();

    TRect rect;
    TSkinFile::ParseRect(bytes, rect, nullptr);
    TPoint point;
    TSkinFile::ParsePoint(bytes, point, nullptr);
    (void)TSkinFile::SplitList(bytes);
    try {
        const TColor colour = TSkinFile::StringToColor(bytes);
        if (TSkinFile::StringToColor(TSkinFile::ColorToString(colour)) != colour)
            __builtin_trap(); // a colour must survive its own name
    } catch (const EConvertError&) {
    }
    return 0;
}
