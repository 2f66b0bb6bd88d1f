#include "skin/Png.h"
#include "skin_images.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace {

// Writes `pixels` in a given libpng format (grey, RGB, paletted...) through libpng itself.
std::string WriteWithLibpng(const TempDir& dir, std::string_view name, int width, int height,
                            png_uint_32 format, const void* pixels, const void* colormap = nullptr,
                            int colormapEntries = 0) {
    const std::string path = dir.File(name);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(colormapEntries);
    EXPECT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels, 0, colormap))
        << image.message;
    return path;
}

TEST(Png, RoundTripPremultipliesAndStraightensAgain) {
    TempDir dir;
    TBitmap b(4, 1);
    b.Pixel(0, 0) = 0xFF102030; // opaque
    b.Pixel(1, 0) = 0x80800000; // half-transparent pure red, premultiplied
    b.Pixel(2, 0) = 0x00000000; // transparent
    b.Pixel(3, 0) = 0x40102030;
    const std::string path = dir.File("round.png");
    SavePng(path, b);
    EXPECT_EQ(LoadPng(path), b);
}

TEST(Png, OtherPixelFormatsReadAsPremultipliedBgra) {
    TempDir dir;
    const unsigned char grey[] = {0, 128, 255};
    const unsigned char rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    const unsigned char greyAlpha[] = {255, 128, 100, 0, 10, 255};
    const unsigned char indices[] = {0, 1, 2};
    const unsigned char palette[] = {255, 0, 0, 255, /**/ 0, 0, 255, 0, /**/ 255, 255, 255, 128};
    const unsigned short deep[] = {65535, 0, 0, 65535, 0, 0, 65535, 32768, 0, 0, 0, 0};
    struct Case {
        std::string name;
        png_uint_32 format;
        const void* pixels;
        const void* colormap;
        int entries;
        std::uint32_t expected[3];
    };
    const Case cases[] = {
        {"grey.png", PNG_FORMAT_GRAY, grey, nullptr, 0, {0xFF000000, 0xFF808080, 0xFFFFFFFF}},
        {"rgb.png", PNG_FORMAT_RGB, rgb, nullptr, 0, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}},
        {"greyalpha.png",
         PNG_FORMAT_GA,
         greyAlpha,
         nullptr,
         0,
         {0x80808080, 0x00000000, 0xFF0A0A0A}},
        {"palette.png",
         PNG_FORMAT_RGBA | PNG_FORMAT_FLAG_COLORMAP,
         indices,
         palette,
         3,
         {0xFFFF0000, 0x00000000, 0x80808080}},
    };
    for (const Case& c : cases) {
        const TBitmap b =
            LoadPng(WriteWithLibpng(dir, c.name, 3, 1, c.format, c.pixels, c.colormap, c.entries));
        ASSERT_EQ(b.Width(), 3) << c.name;
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(b.Pixel(x, 0), c.expected[x]) << c.name << " pixel " << x;
    }
    // 16-bit linear RGBA is stripped to 8 bits.
    const TBitmap b16 =
        LoadPng(WriteWithLibpng(dir, "deep.png", 3, 1, PNG_FORMAT_LINEAR_RGB_ALPHA, deep));
    EXPECT_EQ(b16.Pixel(0, 0) >> 24, 0xFFu);
    EXPECT_EQ(b16.Pixel(2, 0), 0u);
}

TEST(Png, BrokenOrHugeFilesAreRefusedWithTheFileName) {
    TempDir dir;
    const std::string good = WriteSolidPng(dir, "good.png", 8, 8, 0xFF336699);
    const std::string bytes = ReadAll(good);
    std::string flipped = bytes;
    flipped[flipped.size() / 2] ^= 0x55; // breaks a CRC or the compressed data
    std::string huge = ReadAll(WriteSolidPng(dir, "wide.png", 4097, 1, 0xFF000000));
    struct Case {
        std::string name;
        std::string content;
    };
    const Case cases[] = {
        {"empty.png", ""},
        {"text.png", "not a picture"},
        {"signature.png", bytes.substr(0, 8)},
        {"truncated.png", bytes.substr(0, bytes.size() - 20)},
        {"corrupt.png", flipped},
        {"wide.png", huge},
    };
    for (const Case& c : cases) {
        const std::string path = dir.Write(c.name, c.content);
        try {
            LoadPng(path);
            ADD_FAILURE() << c.name;
        } catch (const EPngError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(LoadPng(dir.File("missing.png")), EPngError);
    EXPECT_EQ(
        LoadPng(dir.Write("exact.png", ReadAll(WriteSolidPng(dir, "x.png", 4096, 1, 0xFF000000))))
            .Width(),
        4096);
}

// Bytes this process has read through the kernel so far; nothing where the kernel does not say.
std::optional<long long> BytesRead() {
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        long long value = 0;
        io >> value;
        if (key == "rchar:")
            return value;
    }
    return std::nullopt;
}

TEST(Png, AFileThatCannotBeAnImageWithinTheLimitsIsRefusedUnread) {
    if (!BytesRead())
        GTEST_SKIP() << "/proc/self/io is not readable here";
    TempDir dir;
    const std::string small = ReadAll(WriteSolidPng(dir, "small.png", 3, 2, 0xFF336699));
    const std::string tooWide = ReadAll(WriteSolidPng(dir, "wide.png", 4097, 1, 0xFF000000));
    struct Case {
        const char* name;
        std::string head; // followed by a hole up to 256 MiB, which takes no disk
        bool loads;
    };
    const Case cases[] = {
        {"text.png", "not a picture at all", false},
        {"wide.png", tooWide.substr(0, 33), false}, // signature and header only
        {"small.png", small, true}, // whatever follows the image data is never looked at
    };
    constexpr std::uintmax_t kSize = 256u << 20;
    for (const Case& c : cases) {
        const std::string path = dir.Write(c.name, c.head);
        std::filesystem::resize_file(path, kSize);
        const long long before = *BytesRead();
        try {
            const TBitmap image = LoadPng(path);
            EXPECT_TRUE(c.loads) << c.name;
            EXPECT_EQ(image, SolidBitmap(3, 2, 0xFF336699)) << c.name;
        } catch (const EPngError& e) {
            EXPECT_FALSE(c.loads) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_LT(*BytesRead() - before, 1 << 20) << c.name;
    }
}

} // namespace
