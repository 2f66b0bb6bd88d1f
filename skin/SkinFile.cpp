#include "skin/SkinFile.h"

#include "platform/CommaText.h"

#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/TextCodec.h"

#include <array>
#include <cstdio>
#include <iconv.h>
#include <locale.h>

namespace {

struct ColourName {
    const char* name;
    TColor value;
};

constexpr TColor SystemColour(int index) {
    return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index));
}

constexpr std::array<ColourName, 51> kColourNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", SystemColour(0x0A)},
    {"clActiveCaption", SystemColour(0x02)},
    {"clAppWorkSpace", SystemColour(0x0C)},
    {"clBackground", SystemColour(0x01)},
    {"clBtnFace", SystemColour(0x0F)},
    {"clBtnHighlight", SystemColour(0x14)},
    {"clBtnShadow", SystemColour(0x10)},
    {"clBtnText", SystemColour(0x12)},
    {"clCaptionText", SystemColour(0x09)},
    {"clDefault", clDefault},
    {"clGradientActiveCaption", SystemColour(0x1B)},
    {"clGradientInactiveCaption", SystemColour(0x1C)},
    {"clGrayText", SystemColour(0x11)},
    {"clHighlight", SystemColour(0x0D)},
    {"clHighlightText", SystemColour(0x0E)},
    {"clHotLight", SystemColour(0x1A)},
    {"clInactiveBorder", SystemColour(0x0B)},
    {"clInactiveCaption", SystemColour(0x03)},
    {"clInactiveCaptionText", SystemColour(0x13)},
    {"clInfoBk", SystemColour(0x18)},
    {"clInfoText", SystemColour(0x17)},
    {"clMenu", SystemColour(0x04)},
    {"clMenuBar", SystemColour(0x1E)},
    {"clMenuHighlight", SystemColour(0x1D)},
    {"clMenuText", SystemColour(0x07)},
    {"clNone", clNone},
    {"clScrollBar", SystemColour(0x00)},
    {"cl3DDkShadow", SystemColour(0x15)},
    {"cl3DLight", SystemColour(0x16)},
    {"clWindow", SystemColour(0x05)},
    {"clWindowFrame", SystemColour(0x06)},
}};

std::uint8_t ReadByte(const platform::IniFile& ini, std::string_view section, std::string_view key,
                      std::uint8_t fallback) {
    return static_cast<std::uint8_t>(ini.ReadInteger(section, key, fallback) & 0xFF);
}

std::uint8_t ReadFlag(const platform::IniFile& ini, std::string_view section, std::string_view key,
                      std::uint8_t fallback) {
    return ini.ReadBool(section, key, fallback != 0) ? 1 : 0;
}

// Text of the locale's character set as UTF-8 (glibc answers in the locale's code set).
std::string LocaleTextToUtf8(const char* text, locale_t locale) {
    const std::string_view raw = text ? text : "";
    if (platform::IsValidUtf8(raw))
        return std::string(raw);
    const iconv_t cd = iconv_open("UTF-8", nl_langinfo_l(CODESET, locale));
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string();
    std::string in(raw);
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return std::string();
    out.resize(out.size() - outLeft);
    return out;
}

// The system's default locale: the one the environment names, "C" when it names none that
// exists.
class SystemLocale {
public:
    SystemLocale() {
        locale_ = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
        if (locale_ == static_cast<locale_t>(0))
            locale_ = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    }
    ~SystemLocale() {
        if (locale_ != static_cast<locale_t>(0))
            freelocale(locale_);
    }
    SystemLocale(const SystemLocale&) = delete;
    SystemLocale& operator=(const SystemLocale&) = delete;

    std::string Text(nl_item item) const {
        if (locale_ == static_cast<locale_t>(0))
            return std::string();
        return LocaleTextToUtf8(nl_langinfo_l(item, locale_), locale_);
    }

private:
    locale_t locale_;
};

// A section is read with the same defaults at every drawing; other reads need not be kept.
constexpr std::size_t kMaxReadsPerSection = 8;

} // namespace

TSkinFile::TSkinFile(const std::string& path)
    : FileName(path), ini_(platform::IniFile::Load(path)) {}

TSkinFile::TSkinFile(const std::string& path, std::string_view bytes)
    : FileName(path), ini_(platform::IniFile::Parse(platform::DecodeTextFile(bytes))) {}

void TSkinFile::ReadGeneral(std::string_view section, TGeneralInfo& info) const {
    info.CategoryName = ini_.ReadString(section, "CategoryName", "");
    info.SkinName = ini_.ReadString(section, "SkinName", "");
    info.Author = ini_.ReadString(section, "Author", "");
    info.Version = ini_.ReadString(section, "Version", "");
    info.Description = ini_.ReadString(section, "Description", "");
}

void TSkinFile::ReadImageFiles(std::string_view section, TImageFiles& files) const {
    files.Background = ini_.ReadString(section, "Background", "");
    files.Splitter = ini_.ReadString(section, "Splitter", "");
    files.Fine = ini_.ReadString(section, "Fine", "");
    files.FineNight = ini_.ReadString(section, "FineNight", "");
    files.Cloudy = ini_.ReadString(section, "Cloudy", "");
    files.Rain = ini_.ReadString(section, "Rain", "");
    files.Snow = ini_.ReadString(section, "Snow", "");
    files.After = ini_.ReadString(section, "After", "");
    files.Occas = ini_.ReadString(section, "Occas", "");
    files.NA = ini_.ReadString(section, "NA", "");
    files.TrayFine = ini_.ReadString(section, "TrayFine", files.Fine);
    files.TrayCloudy = ini_.ReadString(section, "TrayCloudy", files.Cloudy);
    files.TrayRain = ini_.ReadString(section, "TrayRain", files.Rain);
    files.TraySnow = ini_.ReadString(section, "TraySnow", files.Snow);
    files.TrayNA = ini_.ReadString(section, "TrayNA", files.NA);
    files.TrayError = ini_.ReadString(section, "TrayError", files.NA);
    files.Fog = ini_.ReadString(section, "Fog", "");
    files.TrayFog = ini_.ReadString(section, "TrayFog", files.Fog);
    files.WarningAdvisory = ini_.ReadString(section, "WarningAdvisory", "");
    files.WarningWarning = ini_.ReadString(section, "WarningWarning", "");
    files.WarningDanger = ini_.ReadString(section, "WarningDanger", "");
    files.WarningEmergency = ini_.ReadString(section, "WarningEmergency", "");
}

void TSkinFile::ReadImagePosition(std::string_view section, TImagePosition& positions) const {
    const TPoint off{-1, -1};
    ParsePoint(ini_.ReadString(section, "Image1Pos", ""), positions.Image1Pos, &off);
    ParsePoint(ini_.ReadString(section, "Image2Pos", ""), positions.Image2Pos, &off);
    ParsePoint(ini_.ReadString(section, "ConnectorPos", ""), positions.ConnectorPos, &off);
}

void TSkinFile::ReadLabel(std::string_view section, TLabelSetting& out,
                          const TLabelSetting* defaults) const {
    // Copied, since `defaults` may be `out` itself.
    const TLabelSetting d = defaults ? *defaults : out;
    auto& reads = labels_[std::string(section)];
    for (const auto& read : reads)
        if (read.In == out && read.Defaults == d) {
            out = read.Out;
            return;
        }
    if (reads.size() >= kMaxReadsPerSection)
        reads.clear();
    const TLabelSetting in = out;
    ParseRect(ini_.ReadString(section, "Rect", ""), out.Rect, &d.Rect);
    out.HorizontalAlign = ini_.ReadInteger(section, "HorizontalAlign", d.HorizontalAlign);
    out.VerticalAlign = ini_.ReadInteger(section, "VerticalAlign", d.VerticalAlign);
    // A face name holds at most 31 characters.
    out.FontFamily =
        std::string(platform::Utf8Prefix(ini_.ReadString(section, "FontFamily", d.FontFamily), 31));
    out.FontHeight = ini_.ReadInteger(section, "FontHeight", d.FontHeight);
    out.FontWidth = ini_.ReadInteger(section, "FontWidth", d.FontWidth);
    out.FontWeight = ini_.ReadInteger(section, "FontWeight", d.FontWeight);
    out.FontItalic = ReadFlag(ini_, section, "FontItalic", d.FontItalic);
    out.FontUnderline = ReadFlag(ini_, section, "FontUnderline", d.FontUnderline);
    out.FontStrikeOut = ReadFlag(ini_, section, "FontStrikeOut", d.FontStrikeOut);
    out.FontCharSet = ReadByte(ini_, section, "FontCharSet", d.FontCharSet);
    out.FontColor = ReadColor(section, "FontColor", d.FontColor);
    out.AntiAliasing = ReadFlag(ini_, section, "AntiAliasing", d.AntiAliasing);
    out.DataFormat = ini_.ReadString(section, "DataFormat", d.DataFormat);
    out.NoDataString = ini_.ReadString(section, "NoDataString", d.NoDataString);
    reads.push_back({in, d, out});
}

TColor TSkinFile::ReadColor(std::string_view section, std::string_view key, TColor fallback) const {
    const std::string colour = ini_.ReadString(section, key, ColorToString(fallback));
    try {
        return StringToColor(colour);
    } catch (const EConvertError&) {
        throw EConvertError("スキンファイル \"" + FileName + "\" の [" + std::string(section) +
                            "] にある " + std::string(key) + " の値 \"" + colour +
                            "\" は色の名前でも数値でもありません。");
    }
}

void TSkinFile::ReadIcon(std::string_view section, TIconSetting& out,
                         const TIconSetting* defaults) const {
    const TIconSetting d = defaults ? *defaults : out;
    auto& reads = icons_[std::string(section)];
    for (const auto& read : reads)
        if (read.In == out && read.Defaults == d) {
            out = read.Out;
            return;
        }
    if (reads.size() >= kMaxReadsPerSection)
        reads.clear();
    const TIconSetting in = out;
    ParseRect(ini_.ReadString(section, "Rect", ""), out.Rect, &d.Rect);
    out.HorizontalAlign = ini_.ReadInteger(section, "HorizontalAlign", d.HorizontalAlign);
    out.VerticalAlign = ini_.ReadInteger(section, "VerticalAlign", d.VerticalAlign);
    out.AutoResize = ReadFlag(ini_, section, "AutoResize", d.AutoResize);
    out.KeepAspect = ReadFlag(ini_, section, "KeepAspect", d.KeepAspect);
    reads.push_back({in, d, out});
}

void TSkinFile::ReadLocale(std::string_view section, TLocaleInfo& names) const {
    // One locale for all 38 names: opening it is what costs.
    const SystemLocale locale;
    auto readList = [&](std::string_view key, auto& target, nl_item first) {
        const std::vector<std::string> items = SplitList(ini_.ReadString(section, key, ""));
        for (std::size_t i = 0; i < target.size(); ++i)
            target[i] = items.size() == target.size()
                            ? items[i]
                            : locale.Text(static_cast<nl_item>(first + static_cast<int>(i)));
    };
    // glibc numbers months from MON_1 (January) and days from DAY_1 (Sunday).
    readList("MonthNames", names.MonthNames, MON_1);
    readList("ShortMonthNames", names.ShortMonthNames, ABMON_1);
    readList("DayNames", names.DayNames, DAY_1);
    readList("ShortDayNames", names.ShortDayNames, ABDAY_1);
}

std::vector<std::string> TSkinFile::SplitList(std::string_view text) {
    return platform::SplitCommaText(text);
}

void TSkinFile::ParseRect(std::string_view text, TRect& out, const TRect* defaults) {
    const TRect d = defaults ? *defaults : out;
    const std::vector<std::string> items = SplitList(text);
    std::int32_t* edges[4] = {&out.Left, &out.Top, &out.Right, &out.Bottom};
    const std::int32_t fallback[4] = {d.Left, d.Top, d.Right, d.Bottom};
    for (std::size_t i = 0; i < 4 && i < items.size(); ++i)
        if (!platform::TryStrToInt(items[i], *edges[i]))
            *edges[i] = fallback[i];
}

void TSkinFile::ParsePoint(std::string_view text, TPoint& out, const TPoint* defaults) {
    const TPoint d = defaults ? *defaults : out;
    const std::vector<std::string> items = SplitList(text);
    if (items.size() > 0 && !platform::TryStrToInt(items[0], out.X))
        out.X = d.X;
    if (items.size() > 1 && !platform::TryStrToInt(items[1], out.Y))
        out.Y = d.Y;
}

TColor TSkinFile::StringToColor(std::string_view text) {
    for (const ColourName& c : kColourNames)
        if (platform::SameTextAscii(text, c.name))
            return c.value;
    std::int32_t value = 0;
    if (platform::TryStrToInt(text, value))
        return value;
    throw EConvertError("\"" + std::string(text) + "\" は正しい色の値ではありません。");
}

std::string TSkinFile::ColorToString(TColor colour) {
    for (const ColourName& c : kColourNames)
        if (c.value == colour)
            return c.name;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(colour));
    return buffer;
}

std::string TSkinFile::SystemLocaleString(nl_item item) {
    return SystemLocale().Text(item);
}

std::string TSkinFile::ReadString(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
    return ini_.ReadString(section, key, defaultValue);
}
