// The program's icons (drawn by resources/make_icons.py) on the panels they sit on: a light
// panel and a dark one. A part of the icon shows when it differs from the panel by at least the
// contrast ratio 3:1 that graphical objects need to be seen.
#include "skin/Png.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

double Linear(double channel) {
    channel /= 255.0;
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// Relative luminance of an sRGB colour.
double Luminance(double r, double g, double b) {
    return 0.2126 * Linear(r) + 0.7152 * Linear(g) + 0.0722 * Linear(b);
}

double ContrastRatio(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

struct TPanel {
    const char* name;
    int r, g, b;
};

// The icon is cut into 3 × 3 cells; in every cell that holds a part of it (a tenth of the cell
// or more), at least this share of that part must show on the panel. So the cloud and the sun
// show each, not only one of them.
constexpr double kShownShare = 0.05;

// The smallest share of the icon's part that shows, over the cells that hold one.
double LeastShownShare(const TBitmap& icon, const TPanel& panel) {
    const double panelLuminance = Luminance(panel.r, panel.g, panel.b);
    double least = 1.0;
    for (int cy = 0; cy < 3; ++cy) {
        for (int cx = 0; cx < 3; ++cx) {
            int cell = 0, part = 0, shown = 0;
            for (int y = cy * icon.Height() / 3; y < (cy + 1) * icon.Height() / 3; ++y) {
                for (int x = cx * icon.Width() / 3; x < (cx + 1) * icon.Width() / 3; ++x) {
                    ++cell;
                    const std::uint32_t p = icon.Pixel(x, y);
                    const double a = (p >> 24) / 255.0;
                    if (a < 0.5)
                        continue;
                    ++part;
                    // Premultiplied colour over the panel.
                    const double r = ((p >> 16) & 0xff) + panel.r * (1 - a);
                    const double g = ((p >> 8) & 0xff) + panel.g * (1 - a);
                    const double b = (p & 0xff) + panel.b * (1 - a);
                    if (ContrastRatio(Luminance(r, g, b), panelLuminance) >= 3.0)
                        ++shown;
                }
            }
            if (part * 10 >= cell)
                least = std::min(least, static_cast<double>(shown) / part);
        }
    }
    return least;
}

} // namespace

TEST(ProgramIcon, ShowsOnLightAndDarkPanelsAtEverySize) {
    const TPanel panels[] = {
        {"white", 255, 255, 255},
        {"light grey", 222, 222, 222},
        {"dark grey", 60, 60, 60},
        {"black", 0, 0, 0},
    };
    struct Icon {
        std::string file;
        int size;
    };
    const std::string resources = std::string(PELUMI_SOURCE_DIR) + "/resources/";
    std::vector<Icon> icons = {{"program.png", 64}, {"tray.png", 16}};
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icons.push_back({"hicolor/" + std::to_string(size) + ".png", size});
    for (const Icon& i : icons) {
        const TBitmap icon = LoadPng(resources + i.file);
        ASSERT_EQ(icon.Width(), i.size) << i.file;
        ASSERT_EQ(icon.Height(), i.size) << i.file;
        for (const TPanel& panel : panels)
            EXPECT_GE(LeastShownShare(icon, panel), kShownShare) << i.file << " on " << panel.name;
    }
}
