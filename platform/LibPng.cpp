#include "platform/LibPng.h"

#include <cstring>

namespace platform::png {

void SilentWarning(png_structp, png_const_charp) {}

void JumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (count > cursor->size - cursor->pos)
        png_error(png, "truncated");
    std::memcpy(out, cursor->data + cursor->pos, count);
    cursor->pos += count;
}

void WriteToString(png_structp png, png_bytep data, png_size_t count) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), count);
}

void FlushNothing(png_structp) {}

ReadStruct::ReadStruct() {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, SilentWarning);
    if (png)
        info = png_create_info_struct(png);
}

ReadStruct::~ReadStruct() {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
}

WriteStruct::WriteStruct() {
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, SilentWarning);
    if (png)
        info = png_create_info_struct(png);
}

WriteStruct::~WriteStruct() {
    png_destroy_write_struct(&png, info ? &info : nullptr);
}

} // namespace platform::png
