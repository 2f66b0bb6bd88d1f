#include "skin/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {

struct LibraryDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct SizeDeleter {
    void operator()(FT_Size size) const { FT_Done_Size(size); }
};
struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct CharSetDeleter {
    void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;
using SizePtr = std::unique_ptr<FT_SizeRec_, SizeDeleter>;
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;
using CharSetPtr = std::unique_ptr<FcCharSet, CharSetDeleter>;

// One opened font file.
struct Face {
    FacePtr face;
    std::string file;
    std::string family;
};

// A font of the fallback list: opened only when a character needs it.
struct Fallback {
    std::string file;
    int index = 0;
    CharSetPtr charset;
};

// What a face name with a weight and slant resolved to.
struct Match {
    Face* primary = nullptr;
    bool embolden = false; // bold asked for, the face has no bold
    bool oblique = false;  // italic asked for, the face has no italic
    std::vector<Fallback> fallbacks;
};

// Folds a face name for comparison: full-width ASCII to ASCII, letters to lower case, spaces
// (both widths) dropped.
std::string FoldFaceName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // U+FF01..U+FF5E are EF BC 81..EF BD 9E; U+3000 is E3 80 80.
        if (c == 0xEF && i + 2 < name.size()) {
            const auto b1 = static_cast<unsigned char>(name[i + 1]);
            const auto b2 = static_cast<unsigned char>(name[i + 2]);
            const unsigned cp = 0xF000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
            if (cp >= 0xFF01 && cp <= 0xFF5E) {
                const char ascii = static_cast<char>(cp - 0xFF01 + 0x21);
                out += static_cast<char>(std::tolower(static_cast<unsigned char>(ascii)));
                i += 2;
                continue;
            }
        }
        if (c == 0xE3 && i + 2 < name.size() && static_cast<unsigned char>(name[i + 1]) == 0x80 &&
            static_cast<unsigned char>(name[i + 2]) == 0x80) {
            i += 2;
            continue;
        }
        if (c == ' ')
            continue;
        out += c < 0x80 ? static_cast<char>(std::tolower(c)) : static_cast<char>(c);
    }
    return out;
}

// The Windows Japanese faces skins name, folded, and the IPA face that stands in for each.
struct Substitute {
    const char* folded;
    const char* family;
};
constexpr Substitute substitutes[] = {
    {"mspゴシック", "IPAPGothic"},
    {"mspgothic", "IPAPGothic"},
    {"msゴシック", "IPAGothic"},
    {"msgothic", "IPAGothic"},
    {"msuigothic", "IPAPGothic"},
    {"msp明朝", "IPAPMincho"},
    {"mspmincho", "IPAPMincho"},
    {"ms明朝", "IPAMincho"},
    {"msmincho", "IPAMincho"},
    {"メイリオ", "IPAPGothic"},
    {"meiryo", "IPAPGothic"},
    {"meiryoui", "IPAPGothic"},
    {"游ゴシック", "IPAPGothic"},
    {"yugothic", "IPAPGothic"},
    {"yugothicui", "IPAPGothic"},
    {"游明朝", "IPAPMincho"},
    {"yumincho", "IPAPMincho"},
    {"hgゴシックm", "IPAGothic"},
    {"hg丸ゴシックm-pro", "IPAPGothic"},
};

// The process-wide FreeType library, the opened faces, the matches and the sized fonts. System
// fonts do not change while the program runs, so nothing here is ever re-matched.
struct Registry {
    Registry() {
        FcInit();
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) == 0)
            library.reset(lib);
    }

    Face* OpenFace(const std::string& file, int index) {
        auto key = std::make_pair(file, index);
        if (auto it = faces.find(key); it != faces.end())
            return it->second.get();
        FT_Face raw = nullptr;
        std::unique_ptr<Face> face;
        if (library && FT_New_Face(library.get(), file.c_str(), index, &raw) == 0) {
            face = std::make_unique<Face>();
            face->face.reset(raw);
            face->file = file;
            face->family = raw->family_name ? raw->family_name : "";
            if (!FT_IS_SCALABLE(raw) || raw->units_per_EM == 0)
                face.reset();
        }
        return (faces[key] = std::move(face)).get();
    }

    Match* FindMatch(const std::string& family, bool bold, bool italic) {
        auto key = std::make_tuple(family, bold, italic);
        if (auto it = matches.find(key); it != matches.end())
            return it->second.get();
        auto match = std::make_unique<Match>();
        // lang=ja ranks below the family: an installed face wins, a missing one gives way to a
        // Japanese-capable face rather than to a Latin default.
        PatternPtr pattern(FcPatternCreate());
        if (pattern) {
            if (!family.empty())
                FcPatternAddString(pattern.get(), FC_FAMILY,
                                   reinterpret_cast<const FcChar8*>(family.c_str()));
            FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
            FcPatternAddInteger(pattern.get(), FC_WEIGHT,
                                bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
            FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
            FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
            FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
            FcDefaultSubstitute(pattern.get());
            FcResult result = FcResultNoMatch;
            PatternPtr found(FcFontMatch(nullptr, pattern.get(), &result));
            FcChar8* file = nullptr;
            int index = 0;
            if (found && FcPatternGetString(found.get(), FC_FILE, 0, &file) == FcResultMatch) {
                FcPatternGetInteger(found.get(), FC_INDEX, 0, &index);
                match->primary = OpenFace(reinterpret_cast<const char*>(file), index);
                // The face's own style decides: fontconfig reports a synthesised bold as bold.
                if (const Face* face = match->primary) {
                    const FT_Long style = face->face->style_flags;
                    match->embolden = bold && !(style & FT_STYLE_FLAG_BOLD);
                    match->oblique = italic && !(style & FT_STYLE_FLAG_ITALIC);
                }
            }
            FontSetPtr sorted(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
            for (int i = 0; sorted && i < sorted->nfont; ++i) {
                FcChar8* f = nullptr;
                FcCharSet* cs = nullptr;
                if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &f) != FcResultMatch ||
                    FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &cs) != FcResultMatch)
                    continue;
                Fallback fb;
                fb.file = reinterpret_cast<const char*>(f);
                FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &fb.index);
                fb.charset.reset(FcCharSetCopy(cs));
                match->fallbacks.push_back(std::move(fb));
            }
        }
        if (!match->primary) { // nothing matched: take the first usable font of the list
            for (auto& fb : match->fallbacks)
                if ((match->primary = OpenFace(fb.file, fb.index)))
                    break;
        }
        return (matches[key] = std::move(match)).get();
    }

    LibraryPtr library;
    std::map<std::pair<std::string, int>, std::unique_ptr<Face>> faces;
    std::map<std::tuple<std::string, bool, bool>, std::unique_ptr<Match>> matches;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Lenient UTF-8: every malformed sequence becomes U+FFFD and decoding goes on after it.
std::vector<char32_t> DecodeUtf8(std::string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, cp = c & 0x07, min = 0x10000;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        int k = 1;
        for (; k < len && i + k < s.size(); ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                break;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            i += k;
            continue;
        }
        out.push_back(cp);
        i += len;
    }
    return out;
}

struct Glyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage; // rows x width
};

} // namespace

// A matched font at one size and style with the glyphs rendered so far. Shared between the
// fonts of equal description, so a label drawn again renders no glyph anew.
struct TFontSizing {
    Match* match = nullptr;
    FT_F26Dot6 emX = 0;
    FT_F26Dot6 emY = 0;
    bool mono = false;
    std::map<Face*, SizePtr> sizes;
    std::unordered_map<char32_t, Glyph> glyphs;
    std::size_t glyphBytes = 0;

    // Glyph budget per size: a font with thousands of huge glyphs starts over rather than grow.
    static constexpr std::size_t maxGlyphBytes = 16u << 20;

    const Glyph& GlyphOf(char32_t cp) {
        if (auto it = glyphs.find(cp); it != glyphs.end())
            return it->second;
        if (glyphBytes > maxGlyphBytes) {
            glyphs.clear();
            glyphBytes = 0;
        }
        Glyph g = Render(cp);
        glyphBytes += g.coverage.size() + sizeof(Glyph);
        return glyphs.emplace(cp, std::move(g)).first->second;
    }

private:
    Face* FaceFor(char32_t cp, FT_UInt& index) {
        Face* primary = match->primary;
        if ((index = FT_Get_Char_Index(primary->face.get(), cp)) != 0)
            return primary;
        for (auto& fb : match->fallbacks) {
            if (!FcCharSetHasChar(fb.charset.get(), cp))
                continue;
            Face* face = TheRegistry().OpenFace(fb.file, fb.index);
            if (face && (index = FT_Get_Char_Index(face->face.get(), cp)) != 0)
                return face;
        }
        index = 0; // the face's own missing-glyph box
        return primary;
    }

    bool Activate(Face* face) {
        FT_Face f = face->face.get();
        auto& size = sizes[face];
        if (!size) {
            FT_Size raw = nullptr;
            if (FT_New_Size(f, &raw) != 0)
                return false;
            size.reset(raw);
            FT_Activate_Size(raw);
            if (FT_Set_Char_Size(f, emX, emY, 72, 72) != 0)
                return false;
        } else {
            FT_Activate_Size(size.get());
        }
        // A slant of about 11 degrees, the usual synthetic oblique.
        FT_Matrix shear{0x10000, match->oblique ? 0x3333 : 0, 0, 0x10000};
        FT_Set_Transform(f, &shear, nullptr);
        return true;
    }

    Glyph Render(char32_t cp) {
        Glyph g;
        FT_UInt index = 0;
        Face* face = FaceFor(cp, index);
        if (!Activate(face))
            return g;
        FT_Face f = face->face.get();
        const FT_Int32 flags =
            FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
        if (FT_Load_Glyph(f, index, flags) != 0)
            return g;
        FT_GlyphSlot slot = f->glyph;
        if (match->embolden)
            FT_GlyphSlot_Embolden(slot);
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            return g;
        const FT_Bitmap& bm = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(bm.width);
        g.rows = static_cast<int>(bm.rows);
        g.coverage.resize(static_cast<std::size_t>(g.width) * g.rows);
        for (int r = 0; r < g.rows; ++r) {
            const unsigned char* src =
                bm.buffer + static_cast<std::ptrdiff_t>(r) * static_cast<std::ptrdiff_t>(bm.pitch);
            std::uint8_t* dst = g.coverage.data() + static_cast<std::size_t>(r) * g.width;
            for (int c = 0; c < g.width; ++c) {
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    dst[c] = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
                else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.num_grays == 256)
                    dst[c] = src[c];
                else
                    dst[c] = 0;
            }
        }
        return g;
    }
};

namespace {

// Sized fonts by description; dropped wholesale when a program asks for very many sizes.
std::map<std::tuple<Match*, FT_F26Dot6, FT_F26Dot6, bool>, std::shared_ptr<TFontSizing>>&
Sizings() {
    static std::map<std::tuple<Match*, FT_F26Dot6, FT_F26Dot6, bool>, std::shared_ptr<TFontSizing>>
        sizings;
    return sizings;
}

void BlendSpan(std::uint32_t* row, int count, const std::uint8_t* coverage, std::uint32_t ink) {
    const int ir = (ink >> 16) & 0xFF, ig = (ink >> 8) & 0xFF, ib = ink & 0xFF;
    for (int i = 0; i < count; ++i) {
        const int c = coverage ? coverage[i] : 255;
        if (c == 0)
            continue;
        const std::uint32_t d = row[i];
        const int dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
        const int r = dr + (ir - dr) * c / 255;
        const int g = dg + (ig - dg) * c / 255;
        const int b = db + (ib - db) * c / 255;
        row[i] = (d & 0xFF000000u) | (static_cast<std::uint32_t>(r) << 16) |
                 (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
    }
}

// Fills the rectangle [x0, x1) x [y0, y1) with ink, clipped to the surface.
void FillInk(TBitmap& s, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
             std::uint32_t ink) {
    x0 = std::max<std::int64_t>(x0, 0);
    y0 = std::max<std::int64_t>(y0, 0);
    x1 = std::min<std::int64_t>(x1, s.Width());
    y1 = std::min<std::int64_t>(y1, s.Height());
    for (auto y = y0; y < y1; ++y)
        BlendSpan(s.Scanline(static_cast<int>(y)) + x0, static_cast<int>(x1 - x0), nullptr, ink);
}

} // namespace

std::string TFont::SubstituteFaceName(std::string_view faceName) {
    const std::string folded = FoldFaceName(faceName);
    for (const auto& s : substitutes)
        if (folded == s.folded)
            return s.family;
    return std::string(faceName);
}

TFont::TFont(const TLogicalFont& logical) : logical_(logical) {
    // Face names hold at most 31 characters (code points).
    std::size_t chars = 0, i = 0;
    for (; i < logical_.FaceName.size(); ++i) {
        if ((static_cast<unsigned char>(logical_.FaceName[i]) & 0xC0) != 0x80 && ++chars > 31)
            break;
    }
    logical_.FaceName.resize(i);

    // Cut absurd sizes: a height of two thousand million pixels is a broken skin, not a wish.
    std::int64_t height = logical_.Height;
    if (height == 0)
        height = DefaultFontHeight;
    height = std::clamp<std::int64_t>(height, -MaxFontPixels, MaxFontPixels);
    if (height == 0)
        height = 1;
    const std::int64_t width = std::min<std::int64_t>(
        std::llabs(static_cast<std::int64_t>(logical_.Width)), MaxFontPixels);
    // At a scale the font is sized in device pixels, fractional where the scale makes them so;
    // at scale 1 these are the values above.
    const double factor =
        std::isfinite(logical_.Scale) && logical_.Scale > 0 ? logical_.Scale : 1.0;
    const double pixels =
        std::clamp(static_cast<double>(height) * factor, -static_cast<double>(MaxFontPixels),
                   static_cast<double>(MaxFontPixels));
    const double widthPixels =
        std::min(static_cast<double>(width) * factor, static_cast<double>(MaxFontPixels));
    const int cell = std::max(1, static_cast<int>(std::lround(std::abs(pixels))));

    Registry& reg = TheRegistry();
    Match* match = reg.FindMatch(SubstituteFaceName(logical_.FaceName), logical_.Weight >= 600,
                                 logical_.Italic);
    if (!match->primary) { // no usable font on the system: metrics only, no glyphs
        ascent_ = cell * 4 / 5;
        descent_ = cell - ascent_;
        return;
    }
    FT_Face face = match->primary->face.get();
    const double upem = face->units_per_EM;
    double asc = face->ascender;
    double desc = -face->descender;
    double avg = upem / 2;
    double strikePos = 0, strikeSize = 0;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            asc = os2->usWinAscent;
            desc = os2->usWinDescent;
        }
        if (os2->xAvgCharWidth > 0)
            avg = os2->xAvgCharWidth;
        strikePos = os2->yStrikeoutPosition;
        strikeSize = os2->yStrikeoutSize;
    }
    if (asc + desc <= 0) {
        asc = upem * 0.8;
        desc = upem * 0.2;
    }
    const double em = height > 0 ? pixels * upem / (asc + desc) : -pixels;
    const double scale = em / upem;
    ascent_ = static_cast<int>(std::lround(asc * scale));
    descent_ = static_cast<int>(std::lround(desc * scale));
    if (height > 0) { // the cell is exactly the height asked for
        ascent_ = std::min<int>(ascent_, cell);
        descent_ = cell - ascent_;
    }
    underlinePos_ = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    underlineSize_ = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    strikePos_ = strikePos > 0 ? static_cast<int>(std::lround(strikePos * scale)) : ascent_ / 3;
    strikeSize_ = std::max(1, static_cast<int>(std::lround(strikeSize * scale)));
    if (strikeSize <= 0)
        strikeSize_ = underlineSize_;

    const FT_F26Dot6 emY = std::max<FT_F26Dot6>(64, std::llround(em * 64));
    FT_F26Dot6 emX = emY;
    if (width > 0) { // horizontal scale so the average character is `width` pixels wide
        const double natural = avg * scale;
        emX = std::clamp<FT_F26Dot6>(std::llround(em * 64 * widthPixels / natural), 64,
                                     4 * MaxFontPixels * 64);
    }
    const bool mono = logical_.Quality == TFontQuality::NonAntiAliased;
    auto& sizings = Sizings();
    auto key = std::make_tuple(match, emX, emY, mono);
    auto& slot = sizings[key];
    if (!slot) {
        if (sizings.size() > 256) { // fonts in use keep theirs
            sizings.clear();
        }
        auto sizing = std::make_shared<TFontSizing>();
        sizing->match = match;
        sizing->emX = emX;
        sizing->emY = emY;
        sizing->mono = mono;
        sizings[key] = sizing;
        sizing_ = std::move(sizing);
    } else {
        sizing_ = slot;
    }
}

TFont::~TFont() = default;

const std::string& TFont::FaceFile() const {
    static const std::string none;
    return sizing_ ? sizing_->match->primary->file : none;
}

const std::string& TFont::FaceFamily() const {
    static const std::string none;
    return sizing_ ? sizing_->match->primary->family : none;
}

int TFont::TextWidth(std::string_view text) const {
    if (!sizing_)
        return 0;
    std::int64_t width = 0;
    for (char32_t cp : DecodeUtf8(text)) {
        width += sizing_->GlyphOf(cp).advance;
        if (width >= INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(width);
}

void TFont::DrawText(TBitmap& surface, std::int64_t x, std::int64_t y, std::string_view text,
                     std::uint32_t inkRgb) const {
    if (!sizing_ || surface.Empty())
        return;
    const std::int64_t baseline = y + ascent_;
    // Glyphs reach at most about an em beyond their pen position on either side.
    const std::int64_t reach = (std::max(sizing_->emX, sizing_->emY) >> 6) * 2 + 2;
    if (baseline + descent_ + reach < 0 || baseline - ascent_ - reach > surface.Height())
        return;
    std::int64_t pen = x;
    bool cut = false;
    for (char32_t cp : DecodeUtf8(text)) {
        if (pen - reach > surface.Width()) {
            cut = true;
            break;
        }
        const Glyph& g = sizing_->GlyphOf(cp);
        if (pen + reach >= 0 && g.width > 0) {
            const std::int64_t gx = pen + g.left;
            const std::int64_t gy = baseline - g.top;
            const std::int64_t c0 = std::max<std::int64_t>(0, -gx);
            const std::int64_t c1 = std::min<std::int64_t>(g.width, surface.Width() - gx);
            const std::int64_t r0 = std::max<std::int64_t>(0, -gy);
            const std::int64_t r1 = std::min<std::int64_t>(g.rows, surface.Height() - gy);
            for (auto r = r0; r < r1 && c0 < c1; ++r)
                BlendSpan(surface.Scanline(static_cast<int>(gy + r)) + gx + c0,
                          static_cast<int>(c1 - c0),
                          g.coverage.data() + static_cast<std::size_t>(r) * g.width + c0, inkRgb);
        }
        pen += g.advance;
    }
    const std::int64_t end = cut ? static_cast<std::int64_t>(surface.Width()) : pen;
    if (logical_.Underline)
        FillInk(surface, x, baseline + underlinePos_ - underlineSize_ / 2, end,
                baseline + underlinePos_ - underlineSize_ / 2 + underlineSize_, inkRgb);
    if (logical_.StrikeOut)
        FillInk(surface, x, baseline - strikePos_ - strikeSize_ / 2, end,
                baseline - strikePos_ - strikeSize_ / 2 + strikeSize_, inkRgb);
}
