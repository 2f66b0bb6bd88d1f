#include "platform/Clock.h"
#include "platform/Errors.h"
#include "skin/Scale.h"
#include "skin/Skin.h"
#include "support/TempDir.h"
#include "weather/Rain.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int32_t X = NoValue;

// The background of the test skin, and the colours its [RainBar] names.
constexpr std::uint32_t kBack = 0xFF1E1E3C;
constexpr std::uint32_t kFrame = 0xFF808080;
constexpr std::uint32_t kEmpty = 0xFF404040;
constexpr std::uint32_t kUnknown = 0xFFFFFF00;

std::uint32_t Pixel(int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}

// The clock at 10:12 in Japan while it lives.
struct FixedClock {
    FixedClock() {
        platform::SetClockZone(platform::ClockZone::Japan);
        platform::FixClock({2026, 9, 16, 10, 12, 0});
    }
    ~FixedClock() {
        platform::ReleaseClock();
        platform::SetClockZone(platform::ClockZone::Computer);
    }
};

TWeatherData Record(std::int32_t step, const char* time, std::vector<std::int32_t> frames) {
    TWeatherData record;
    SetRain(record, step, time, std::move(frames));
    return record;
}

// Cell i of n in the box [left, right) in device pixels, as the strip shares it.
std::pair<int, int> Cell(int left, int right, int gap, int i, int n) {
    const int width = right - left;
    return {left + i * (width + gap) / n, left + (i + 1) * (width + gap) / n - gap};
}

} // namespace

TEST(SkinRain, OneCellAFrameInTheLegendsColoursAtEveryScale) {
    const FixedClock clock;
    TSkin skin;
    skin.Load(TestData("skin/rain/rain.ini"));
    const TWeatherData record =
        Record(5, "2026-09-16T10:05", {0, 1, 2, 3, 4, 5, 6, 7, 8, X, 0, 2, 5});
    const std::uint32_t legend[] = {kEmpty,
                                    Pixel(242, 242, 255),
                                    Pixel(160, 210, 255),
                                    Pixel(33, 140, 255),
                                    Pixel(0, 65, 255),
                                    Pixel(250, 245, 0),
                                    Pixel(255, 153, 0),
                                    Pixel(255, 40, 0),
                                    Pixel(180, 0, 104)};
    for (const double scale : {1.0, 1.5, 2.0}) {
        TBitmap bitmap;
        skin.Draw(&bitmap, &record, scale);
        ASSERT_EQ(bitmap.Width(), static_cast<int>(ScaledEdge(240, scale))) << scale;
        const TRect box = ScaledRect({10, 8, 140, 22}, scale);
        const int gap = static_cast<int>(ScaledEdge(1, scale));
        const int line = std::max(1, static_cast<int>(ScaledEdge(1, scale)));
        const int middle = (box.Top + box.Bottom) / 2;
        for (int i = 0; i < 13; ++i) {
            const auto [left, right] = Cell(box.Left, box.Right, gap, i, 13);
            const int centre = (left + right) / 2;
            const std::int32_t c = record.Rain[static_cast<std::size_t>(i)];
            EXPECT_EQ(bitmap.Pixel(centre, middle), c == X ? kUnknown : legend[c])
                << "scale " << scale << " cell " << i;
            // Outlined, and nothing drawn in the gap after it.
            EXPECT_EQ(bitmap.Pixel(left, middle), kFrame) << scale << " " << i;
            EXPECT_EQ(bitmap.Pixel(right - line, box.Top), kFrame) << scale << " " << i;
            if (i < 12 && gap > 0) {
                EXPECT_EQ(bitmap.Pixel(right, middle), kBack) << scale << " " << i;
            }
            // The unknown mark is a dash: above it the background shows.
            if (c == X) {
                EXPECT_EQ(bitmap.Pixel(centre, box.Top + line + 1), kBack) << scale;
            }
        }
        // Nothing beyond the box.
        EXPECT_EQ(bitmap.Pixel(box.Right, middle), kBack) << scale;
        EXPECT_EQ(bitmap.Pixel(box.Left - 1, middle), kBack) << scale;
    }
}

TEST(SkinRain, UnknownStaleAndAbsentRain) {
    const FixedClock clock;
    TSkin skin;
    skin.Load(TestData("skin/rain/rain.ini"));
    struct Case {
        const char* name;
        TWeatherData record;
        int cells; // 0: no strip at all
        std::string label;
    };
    const Case cases[] = {
        {"unknown as a whole", Record(5, "", {}), 13, "雨: 雨の予報: 取得できず"},
        {"frames the clock has left",
         Record(5, "2026-09-16T09:35", std::vector<std::int32_t>(13, 2)), 13,
         "雨: 雨の予報: 取得できず"},
        {"quarter hours unknown", Record(15, "", {}), 5, "雨: 雨の予報: 取得できず"},
        {"a source without the rain", TWeatherData(), 0, ""},
    };
    for (const Case& c : cases) {
        TBitmap bitmap;
        skin.Draw(&bitmap, &c.record, 1.0);
        for (int i = 0; i < 13; ++i) {
            const auto [left, right] = Cell(10, 140, 1, i, c.cells == 0 ? 13 : c.cells);
            if (i < c.cells || c.cells == 0) {
                EXPECT_EQ(bitmap.Pixel((left + right) / 2, 15), c.cells == 0 ? kBack : kUnknown)
                    << c.name << " " << i;
            }
        }
        std::string label;
        for (const TSkin::TLabelItem& item : skin.Labels(c.record))
            if (item.Section == "RainLabel")
                label = item.Text;
        EXPECT_EQ(label, c.label) << c.name;
    }
}

TEST(SkinRain, TheLabelSaysWhatTheHourBrings) {
    const FixedClock clock;
    TSkin skin;
    skin.Load(TestData("skin/rain/rain.ini"));
    const TWeatherData record =
        Record(5, "2026-09-16T10:05", {0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2});
    std::optional<TSkin::TLabelItem> label;
    for (const TSkin::TLabelItem& item : skin.Labels(record))
        if (item.Section == "RainLabel")
            label = item;
    ASSERT_TRUE(label);
    EXPECT_EQ(label->Text, "雨: 25分後に雨 (1-5mm/h)");
    EXPECT_EQ(label->Setting.Rect, (TRect{10, 28, 230, 44}));
    // Drawn at every scale: ink within the label's box, none elsewhere below the strip.
    for (const double scale : {1.0, 1.25, 2.0}) {
        TBitmap bitmap;
        skin.Draw(&bitmap, &record, scale);
        const TRect box = ScaledRect(label->Setting.Rect, scale);
        int ink = 0;
        for (int y = static_cast<int>(ScaledEdge(23, scale)); y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (bitmap.Pixel(x, y) != kBack) {
                    ++ink;
                    EXPECT_TRUE(x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom)
                        << scale << " " << x << "," << y;
                }
        EXPECT_GT(ink, 150 * scale * scale) << scale;
    }
}

TEST(SkinRain, AColourThatIsNoColourIsRefused) {
    const FixedClock clock;
    TempDir dir;
    dir.Write("back.png", ReadAll(TestData("skin/rain/back.png")));
    const std::string ini =
        dir.Write("bad.ini", "[ImageFiles]\nBackground=back.png\n[RainBar]\nRect=0,0,50,10\n"
                             "UnknownColor=yellowish\n");
    TSkin skin;
    skin.Load(ini);
    TBitmap bitmap;
    const TWeatherData record = Record(5, "", {});
    try {
        skin.Draw(&bitmap, &record, 1.0);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("[RainBar] にある UnknownColor の値 \"yellowish\""),
                  std::string::npos)
            << e.what();
    }
}
