#include "skin/Png.h"

#include "platform/LibPng.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <png.h>
#include <vector>

// libpng's handlers and owners (platform/LibPng.h).
using namespace platform::png;

namespace {

void ReadFromFile(png_structp png, png_bytep out, png_size_t count) {
    if (std::fread(out, 1, count, static_cast<std::FILE*>(png_get_io_ptr(png))) != count)
        png_error(png, "truncated");
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads the header (the signature already checked) and sets the transformations to 8-bit BGRA.
// False on any libpng error.
bool ReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    png_set_expand(png); // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(*width) * 4;
}

bool ReadPixels(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

bool WriteAll(png_structp png, png_infop info, std::string* out, png_uint_32 width,
              png_uint_32 height, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, WriteToString, FlushNothing);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

} // namespace

namespace {

EPngError Unreadable(const std::string& name) {
    return EPngError("画像ファイル \"" + name + "\" を読み込めません。");
}

bool IsSignature(const void* bytes) {
    return png_sig_cmp(static_cast<png_const_bytep>(bytes), 0, 8) == 0;
}

// Decodes from a reader whose input is set and whose signature has been read. The header is
// checked against the limits before a single pixel is read, so the input is read only as far
// as an image within the limits needs.
TBitmap Decode(ReadStruct& reader, const std::string& name) {
    const auto fail = [&] { return Unreadable(name); };
    png_uint_32 width = 0, height = 0;
    if (!ReadHeader(reader.png, reader.info, &width, &height) || width == 0 || height == 0 ||
        width > kMaxImageSide || height > kMaxImageSide)
        throw fail();

    TBitmap bitmap(static_cast<int>(width), static_cast<int>(height));
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(bitmap.Scanline(static_cast<int>(y)));
    if (!ReadPixels(reader.png, rows.data()))
        throw fail();

    // Bytes B, G, R, A are 0xAARRGGBB on this little-endian layout; premultiply by alpha.
    std::uint32_t* p = bitmap.Data();
    const std::size_t count = static_cast<std::size_t>(width) * height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t px = p[i];
        const std::uint32_t a = px >> 24;
        if (a == 255)
            continue;
        if (a == 0) {
            p[i] = 0;
            continue;
        }
        auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        p[i] = (a << 24) | (mul((px >> 16) & 0xFF) << 16) | (mul((px >> 8) & 0xFF) << 8) |
               mul(px & 0xFF);
    }
    return bitmap;
}

} // namespace

TBitmap DecodePng(std::string_view bytes, const std::string& name) {
    if (bytes.size() < 8 || !IsSignature(bytes.data()))
        throw Unreadable(name);
    ReadStruct reader;
    if (!reader.png || !reader.info)
        throw Unreadable(name);
    ReadCursor cursor{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 8};
    png_set_read_fn(reader.png, &cursor, ReadFromMemory);
    return Decode(reader, name);
}

namespace {

using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file and reads its PNG signature.
FilePtr OpenPng(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    unsigned char signature[8];
    if (!file || std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        !IsSignature(signature))
        throw Unreadable(path);
    return file;
}

} // namespace

TBitmap LoadPng(const std::string& path) {
    // Read as the decoder asks, not whole: a skin may name a file of any size.
    const FilePtr file = OpenPng(path);
    ReadStruct reader;
    if (!reader.png || !reader.info)
        throw Unreadable(path);
    png_set_read_fn(reader.png, file.get(), ReadFromFile);
    return Decode(reader, path);
}

TImageSize ReadPngSize(const std::string& path) {
    const FilePtr file = OpenPng(path);
    ReadStruct reader;
    if (!reader.png || !reader.info)
        throw Unreadable(path);
    png_set_read_fn(reader.png, file.get(), ReadFromFile);
    png_uint_32 width = 0, height = 0;
    if (!ReadHeader(reader.png, reader.info, &width, &height) || width == 0 || height == 0 ||
        width > kMaxImageSide || height > kMaxImageSide)
        throw Unreadable(path);
    return {static_cast<int>(width), static_cast<int>(height)};
}

std::string EncodePng(const TBitmap& bitmap) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    if (bitmap.Empty())
        throw EFileError("空の画像は PNG にできません。");
    // Straight RGBA bytes.
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* s = bitmap.Scanline(y);
        unsigned char* d = pixels.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, d += 4) {
            const std::uint32_t px = s[x];
            const std::uint32_t a = px >> 24;
            auto straight = [a](std::uint32_t c) -> unsigned char {
                if (a == 0)
                    return 0;
                const std::uint32_t v = (c * 255 + a / 2) / a;
                return static_cast<unsigned char>(v > 255 ? 255 : v);
            };
            d[0] = straight((px >> 16) & 0xFF);
            d[1] = straight((px >> 8) & 0xFF);
            d[2] = straight(px & 0xFF);
            d[3] = static_cast<unsigned char>(a);
        }
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * 4;
    WriteStruct writer;
    std::string out;
    if (!writer.png || !writer.info ||
        !WriteAll(writer.png, writer.info, &out, static_cast<png_uint_32>(width),
                  static_cast<png_uint_32>(height), rows.data()))
        throw EFileError("PNG 画像を作れません。");
    return out;
}

void SavePng(const std::string& path, const TBitmap& bitmap) {
    const std::string bytes = EncodePng(bitmap);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw EFileError("画像ファイル \"" + path + "\" を書き込めません。");
}
