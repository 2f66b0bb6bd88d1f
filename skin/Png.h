#pragma once

#include "platform/Errors.h"
#include "platform/ImageLimits.h"
#include "skin/Surface.h"

#include <string>
#include <string_view>

// PNG images of the skins, read and written through libpng.

// An image file that cannot be decoded: not a PNG, truncated, corrupt, or larger than
// kMaxImageSide in either direction. The message names the file.
class EPngError : public EPelumiError {
public:
    using EPelumiError::EPelumiError;
};

// Decodes a PNG file into a premultiplied surface of its size. Paletted, grey and 16-bit images
// are converted; an image without alpha is opaque (a tRNS colour becomes transparent). Gamma
// chunks are ignored. The file is read only as far as the decoder needs it: one that is no PNG,
// or whose header is beyond the limits, is refused after its first bytes, whatever its size.
// Throws EPngError (also when the file cannot be read).
TBitmap LoadPng(const std::string& path);

// The size of a PNG file from its header alone, with the checks of LoadPng on the header.
// Throws EPngError.
struct TImageSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const TImageSize&) const = default;
};
TImageSize ReadPngSize(const std::string& path);

// The same from bytes in memory; `name` goes into the error message.
TBitmap DecodePng(std::string_view bytes, const std::string& name);

// Writes a surface as an 8-bit RGBA PNG with straight (un-premultiplied) colours.
// Throws EFileError when the file cannot be written.
void SavePng(const std::string& path, const TBitmap& bitmap);

// The same into bytes in memory.
std::string EncodePng(const TBitmap& bitmap);
