#pragma once

// Readable failure messages for the skin's records, which the tests compare whole.
#include "skin/SkinTypes.h"

#include <ostream>

inline void PrintTo(const TRect& r, std::ostream* out) {
    *out << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}

inline void PrintTo(const TPoint& p, std::ostream* out) {
    *out << "{" << p.X << ", " << p.Y << "}";
}

inline void PrintTo(const TLabelSetting& s, std::ostream* out) {
    *out << "{Rect ";
    PrintTo(s.Rect, out);
    *out << ", Align " << s.HorizontalAlign << "/" << s.VerticalAlign << ", Font \"" << s.FontFamily
         << "\" " << s.FontHeight << " w" << s.FontWidth << " weight " << s.FontWeight << " italic "
         << int{s.FontItalic} << " underline " << int{s.FontUnderline} << " strike "
         << int{s.FontStrikeOut} << " charset " << int{s.FontCharSet} << ", colour " << s.FontColor
         << ", smooth " << int{s.AntiAliasing} << ", format \"" << s.DataFormat << "\", no data \""
         << s.NoDataString << "\"}";
}

inline void PrintTo(const TIconSetting& s, std::ostream* out) {
    *out << "{Rect ";
    PrintTo(s.Rect, out);
    *out << ", Align " << s.HorizontalAlign << "/" << s.VerticalAlign << ", resize "
         << int{s.AutoResize} << ", aspect " << int{s.KeepAspect} << "}";
}

inline void PrintTo(const TImageFiles& f, std::ostream* out) {
    *out << "{" << f.Background << ", " << f.Splitter << ", " << f.Fine << ", " << f.FineNight
         << ", " << f.Cloudy << ", " << f.Rain << ", " << f.Snow << ", " << f.After << ", "
         << f.Occas << ", " << f.NA << " | " << f.TrayFine << ", " << f.TrayCloudy << ", "
         << f.TrayRain << ", " << f.TraySnow << ", " << f.TrayNA << ", " << f.TrayError << "}";
}
