#pragma once

#include "platform/IniFile.h"
#include "skin/SkinTypes.h"

#include <langinfo.h>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Named colours that are not plain 0x00BBGGRR values.
constexpr TColor clDefault = 0x20000000;

// The reader of one skin file. The file is read once when the reader is made; a reader made
// later sees later edits. A missing or unreadable file gives every key its default. No read
// reports a missing section or key; only ReadLabel can throw (EConvertError for a FontColor that
// is neither a colour name nor an integer, the empty value included).
class TSkinFile {
public:
    explicit TSkinFile(const std::string& path);
    // A reader of `bytes`, the file's content as read from `path`.
    TSkinFile(const std::string& path, std::string_view bytes);

    std::string FileName;

    void ReadGeneral(std::string_view section, TGeneralInfo& info) const;
    // The six tray keys default to the values just read for the images they stand for.
    void ReadImageFiles(std::string_view section, TImageFiles& files) const;
    // A missing key leaves its point as it was; an item that is not an integer becomes -1.
    void ReadImagePosition(std::string_view section, TImagePosition& positions) const;
    // Every key but Rect defaults to the field of `defaults` (of `out` itself when null). Rect
    // never falls back: a present item that is not an integer takes the edge of `defaults`.
    // A reader remembers what it read, so reading a section again costs a comparison.
    void ReadLabel(std::string_view section, TLabelSetting& out,
                   const TLabelSetting* defaults) const;
    void ReadIcon(std::string_view section, TIconSetting& out, const TIconSetting* defaults) const;
    // [RainBar] (SkinRain.cpp): every key from its built-in default. A colour that is neither a
    // colour name nor an integer throws EConvertError, as FontColor does.
    void ReadRainBar(std::string_view section, TRainBarSetting& out) const;
    // A colour key of a section (a colour name or an integer), `fallback` when it is missing.
    // Throws EConvertError for any other value, the empty one included, like FontColor.
    TColor ReadColor(std::string_view section, std::string_view key, TColor fallback) const;
    // Sets all 38 names: a list of the wrong length is replaced whole by the system's names.
    void ReadLocale(std::string_view section, TLocaleInfo& names) const;
    // A key the records above do not hold; `defaultValue` when it is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Items of the list syntax: blanks around items are skipped and end an item, a comma ends an
    // item, a double-quoted item may hold blanks and commas ("" inside stands for ").
    static std::vector<std::string> SplitList(std::string_view text);
    // Edge i takes item i as an integer, or edge i of `defaults` (of `out` when null) when the
    // item is not an integer; edges without an item stay as they are.
    static void ParseRect(std::string_view text, TRect& out, const TRect* defaults);
    static void ParsePoint(std::string_view text, TPoint& out, const TPoint* defaults);

    // A colour name (any letter case) or an integer. Throws EConvertError otherwise.
    static TColor StringToColor(std::string_view text);
    // The colour's name, or "$" and eight hexadecimal digits.
    static std::string ColorToString(TColor colour);

    // One text of the system's default locale (from the environment, "C" when it has none),
    // as UTF-8, whole.
    static std::string SystemLocaleString(nl_item item);

private:
    template <class T> struct TRead { T In, Defaults, Out; };
    platform::IniFile ini_;
    mutable std::unordered_map<std::string, std::vector<TRead<TLabelSetting>>> labels_;
    mutable std::unordered_map<std::string, std::vector<TRead<TIconSetting>>> icons_;
};
