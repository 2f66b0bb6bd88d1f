#pragma once

#include "skin/SkinTypes.h"
#include "skin/Surface.h"
#include "weather/DateTime.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TWeatherData;
struct TObservation;
class TFont;
class TSkinCache;
enum class TWarningLevel : std::int32_t;

// A picture to put on the widget: premultiplied pixels (none: nothing to draw) with their
// top-left corner in device pixels. The pixels are shared, never changed once made.
struct TLayer {
    std::shared_ptr<const TBitmap> Pixels;
    std::int64_t X = 0;
    std::int64_t Y = 0;
};

// The size of a label's text as it is drawn, in device pixels: the advance of the whole text
// (for smoothed text, of its ink's font, never less than the label font's) and the cell height.
struct TLabelExtent {
    int Width = 0;
    int Height = 0;
};

// What a skin keeps between drawings so that a redraw costs what changed: images decoded and
// scaled once per scale, icons composed once, labels rendered once per text and setting, the
// last picture. A copy of a skin starts with nothing kept.
class TSkinCacheHolder {
public:
    TSkinCacheHolder();
    TSkinCacheHolder(const TSkinCacheHolder&);
    TSkinCacheHolder& operator=(const TSkinCacheHolder&);
    TSkinCacheHolder(TSkinCacheHolder&&) noexcept;
    TSkinCacheHolder& operator=(TSkinCacheHolder&&) noexcept;
    ~TSkinCacheHolder();
    TSkinCache& operator*() const;

private:
    mutable std::unique_ptr<TSkinCache> cache_;
};

// The loaded skin: the path of its file and the load-time sections. Owned once by the main
// window; loads a skin file, draws the forecast record into the widget bitmap and fills the
// tray's image list. Element sections are read from the file at every drawing, so an edit shows
// at the next one; images, icons and label texts are kept from one drawing to the next and made
// anew when their files (or the fields naming them) change.
class TSkin {
public:
    TSkin();
    ~TSkin();

    // Reads the skin file at `path` (full native path). A missing or unreadable file gives every
    // key its default; the caller checks that the file exists first. A [Label] FontColor that is
    // no colour throws EConvertError, with FileName and SkinDir already set.
    void Load(const std::string& path);

    // Draws the whole widget into `bitmap` (kept by the caller between calls). Does nothing
    // without a skin file or a background image. An error while drawing (a broken PNG, a bad
    // FontColor) ends the pass with what was drawn kept and propagates.
    // At a `scale` (device pixels per skin pixel, see Scale.h) every box, font and image is
    // drawn at that scale and the bitmap gets the background's size times the scale and the
    // scale as its PixelRatio. A background too large for the image limit at that scale is
    // drawn at the largest scale that fits (at least 1). At scale 1 this is the 1x drawing.
    void Draw(TBitmap* bitmap, const TWeatherData* weather, double scale = 1.0);

    // One label of a drawing: its section, its setting as read for that drawing (defaults and
    // the box lent within a block applied) and its text.
    struct TLabelItem {
        std::string Section;
        TLabelSetting Setting;
        std::string Text;
    };
    // The labels Draw would draw for `weather` at this moment, in drawing order, also those
    // whose box draws nothing. Reads the element sections like Draw (a bad FontColor throws
    // EConvertError) and touches no image.
    // Texts that depend on the room they get (the warnings) are fitted at `scale`.
    std::vector<TLabelItem> Labels(const TWeatherData& weather, double scale = 1.0) const;

    // Refills the tray image list with the skin's 16 x 16 images, in the order written at
    // kTrayImageCount. Does nothing without a skin file. A broken PNG propagates its error; the
    // list keeps the images added before. At a scale above 1 the images are 16 times the scale
    // (rounded) on each side, made from the largest good source (an @2x image of twice the 1x size,
    // else the 1x image): an equal size is copied, a larger one reduced like at scale 1, a smaller
    // one enlarged smoothly.
    void LoadTrayImages(TImageList* list, double scale = 1.0);

    // The tray image of a temperature: its rounded degrees as bold white digits in a dark rim,
    // 16 x 16 skin pixels at a scale, transparent around them; wholly transparent for NoValue.
    static TBitmap TrayTemperatureImage(std::int32_t degrees, double scale = 1.0);

    // Puts the corner mark of a warning tier on a tray image (a triangle over half of its
    // upper-right corner, in the tier's colour, rimmed in white), at any size.
    static void MarkTrayImage(TBitmap& image, TWarningLevel level);

    // The warnings label's text for its box at a scale: the names in force, most severe first,
    // joined with "・" as far as whole names fit, then " 他N件" for those left out ("警報・注意報
    // N件" when not even one fits, "N件" when a note leaves no room for that), through the
    // label's DataFormat; the record's WarningsNote after them in brackets, always whole. The
    // label's NoDataString when none are in force (with the note), kWarningsUnknownText while they
    // are unknown after a failure (no list, a note), nothing while they are unknown without a note
    // (a place the agency does not cover).
    std::string FormatWarnings(const TWeatherData& weather, const TLabelSetting& setting,
                               double scale = 1.0) const;
    static constexpr std::string_view kWarningsUnknownText = "警報・注意報: 取得できず";

    // The rain of the next hour (SkinRain.cpp). RainLabel's text at the clock's time
    // (RainLabelText through the label's DataFormat), nothing at all for a record without rain
    // fields; and the [RainBar] strip: one cell a frame across the box (Gap skin pixels apart),
    // a cell with rain filled with its class's colour of the agency's legend, a dry one with
    // EmptyColor, an unknown one (and every cell while the frames are unknown or no longer
    // current) with a dash of UnknownColor across its middle, each outlined in FrameColor.
    // The strip is a layer of what lies on a picture of clipWidth × clipHeight device pixels;
    // nothing for a record without rain fields.
    std::string FormatRain(const TWeatherData& weather, const TLabelSetting& setting) const;
    static TLayer RainBarLayer(const TWeatherData& weather, const TRainBarSetting& setting,
                               double scale, int clipWidth, int clipHeight);
    // The legend's colour of a class (0x00BBGGRR); clNone for 0 and anything but 1-8.
    static TColor RainClassColour(std::int32_t rainClass);

    // The image `name` (a name from ImageFiles, whose file exists) at a scale: at 1 the PNG as
    // it is; above 1 its size times the scale (edges rounded as everywhere), from the name's
    // @2x image (Scale.h) when that is a good PNG of exactly twice the size, else from the 1x
    // image, resampled smoothly where the sizes differ. A broken or mis-sized @2x image counts
    // as none; a broken 1x file throws EPngError. Images that would outgrow kMaxImageSide are
    // made at the largest scale that fits.
    TBitmap LoadSkinImage(std::string_view name, double scale) const;

    // Label text of each kind of value; a missing value gives the label's NoDataString.
    std::string FormatText(std::string_view text, const TLabelSetting& setting) const;
    std::string FormatHour(std::int32_t hour, const TLabelSetting& setting) const;
    std::string FormatDate(TDateTime date, const TLabelSetting& setting) const;
    std::string FormatNumber(std::int32_t value, const TLabelSetting& setting) const;
    // A range [lower, upper] (the week's 予想範囲): %l the lower, %u the upper figure (as %i); the
    // NoDataString when either is missing.
    std::string FormatRange(const std::array<std::int32_t, 2>& range,
                            const TLabelSetting& setting) const;
    // A figure with its decimal (the week's normals): %t one decimal, %i rounded; the
    // NoDataString when it is missing.
    std::string FormatDecimal(const std::optional<double>& value,
                              const TLabelSetting& setting) const;
    // A label of the weather now: %t the value with one decimal, %i it rounded, %r `text`,
    // %H/%h the observation's hour, %N its minute. The NoDataString when `now` has no time, or
    // when the label is `valued` and the value is missing (欠測, not observed).
    std::string FormatObservation(const TObservation& now, const std::optional<double>& value,
                                  bool valued, std::string_view text,
                                  const TLabelSetting& setting) const;
    // A station named like the place ("千代田区" under "東京都千代田区", "札幌" under
    // "北海道札幌市"): the place's name ends with the station's, alone or followed by 市, 区, 町 or
    // 村. The labels of the weather now then leave the station out (%r gives nothing, blanks before
    // it go).
    static bool StationRepeatsPlace(std::string_view station, std::string_view place);

    // Composition. Settings hold skin pixels; bitmaps are device pixels at `scale`.
    void DrawIcon(TBitmap* bitmap, const TBitmap* icon, const TIconSetting& setting,
                  double scale = 1.0) const;
    static void ResampleBitmap(const TBitmap& source, TBitmap& target);
    static void ClearBitmap(TBitmap& bitmap);
    static void FillBitmapRect(TBitmap& bitmap, TColor colour, int left, int top, int right,
                               int bottom);

    // Weather icons.
    static bool SplitPhrase(std::string_view phrase, std::string_view connector, std::string& left,
                            std::string& right);
    std::string WordImage(std::string_view word, bool isDay) const;
    // The icon of a phrase at a scale: its images at that scale, composed at scaled offsets.
    TBitmap CreateWeatherIcon(std::string_view phrase, bool isDay, double scale = 1.0) const;

    // Text (labels are one line, aligned in and clipped to their box). DrawLabel takes the
    // setting in skin pixels; fonts are made at the scale (FreeType renders at the scaled
    // size); RenderText takes x, y and the box in device pixels.
    void DrawLabel(TBitmap* bitmap, std::string_view text, const TLabelSetting* setting,
                   double scale = 1.0) const;
    std::unique_ptr<TFont> CreateLabelFont(const TLabelSetting& setting, double scale = 1.0) const;
    void RenderText(TBitmap* bitmap, int x, int y, std::string_view text, const TRect& box,
                    bool antiAliasing, TColor colour, const TLabelSetting& setting,
                    double scale = 1.0) const;
    // The size DrawLabel aligns `text` by in the label's box at a scale.
    TLabelExtent MeasureLabel(std::string_view text, const TLabelSetting& setting,
                              double scale = 1.0) const;

    // What DrawLabel, RenderText and DrawIcon put on a bitmap (of clipWidth x clipHeight for
    // text), as a layer: blended onto that bitmap it gives the same pixels.
    TLayer LabelLayer(std::string_view text, const TLabelSetting& setting, double scale,
                      int clipWidth, int clipHeight) const;
    TLayer TextLayer(int x, int y, std::string_view text, const TRect& box, bool antiAliasing,
                     TColor colour, const TLabelSetting& setting, double scale, int clipWidth,
                     int clipHeight) const;
    static TLayer IconLayer(const TBitmap& icon, const TIconSetting& setting, double scale);

    std::string FileName; // full path of the loaded skin file; empty before the first load
    std::string SkinDir;  // folder of FileName with a trailing separator
    TImageFiles ImageFiles;
    TImagePosition ImagePosition;
    TLabelSetting LabelDefaults;
    TIconSetting IconDefaults;
    TLocaleInfo LocaleInfo;

private:
    TSkinCacheHolder cache_;
};
