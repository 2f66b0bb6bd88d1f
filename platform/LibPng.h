#pragma once

// What every user of libpng here shares: its error and warning handlers, reading from memory,
// writing into a string, and owners of its read and write structures. libpng reports errors by
// longjmp; a function that calls setjmp must hold only trivially destructible locals, so the
// jump skips no destructor, with these owners in its caller.

#include <cstddef>
#include <png.h>
#include <string>

namespace platform::png {

void SilentWarning(png_structp, png_const_charp);
[[noreturn]] void JumpOnError(png_structp png, png_const_charp);

// Bytes in memory read by ReadFromMemory (png_set_read_fn's io pointer); a read past the end
// is a libpng error ("truncated").
struct ReadCursor {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
};
void ReadFromMemory(png_structp png, png_bytep out, png_size_t count);

// png_set_write_fn's pair for a std::string io pointer.
void WriteToString(png_structp png, png_bytep data, png_size_t count);
void FlushNothing(png_structp);

// A read structure with its info, reporting through the handlers above; png is null when
// libpng could not make one.
class ReadStruct {
public:
    ReadStruct();
    ~ReadStruct();
    ReadStruct(const ReadStruct&) = delete;
    ReadStruct& operator=(const ReadStruct&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

class WriteStruct {
public:
    WriteStruct();
    ~WriteStruct();
    WriteStruct(const WriteStruct&) = delete;
    WriteStruct& operator=(const WriteStruct&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

} // namespace platform::png
