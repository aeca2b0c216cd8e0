#pragma once
// The device-independent bitmap reader shared by the BMP and icon decoders: an information header
// (OS/2 core, OS/2 2.x, Windows 40/52/56-byte, V4, V5), bit-field masks, a colour table and the
// pixels, every offset checked against the buffer.
#include "core/bitmap32.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kv::codecs::bmp {

struct DibSource {
    const std::uint8_t* data = nullptr;
    std::size_t n = 0;        // every read stays below data + n
    std::size_t headerAt = 0; // offset of the information header
    // BMP files: the offset of the pixels from the file header (also bounds the colour table).
    // Icons: ignored, the pixels follow the colour table.
    std::size_t pixelsAt = 0;
    // BMP files: the file size field of the file header (checked once the header is known valid).
    std::size_t fileSize = 0;
    // Icon entries: the header height counts the AND mask too, so the picture is half as high;
    // RLE is refused and the file-level header checks are skipped.
    bool icon = false;
};

struct DibImage {
    TBitmap32 bmp; // alpha 255 except for 32 bpp with a fourth channel
    int bitCount = 0;
    bool alphaChannel = false; // 32 bpp: alpha came from the fourth byte or an alpha mask
    bool alphaAllZero = true;  // with alphaChannel: every alpha value read was 0
    std::size_t end = 0;       // offset just past the pixel data that was read
};

// Decodes the bitmap or throws Error("<name>: <fault>"). Dimensions are checked against the size
// limit before anything is allocated.
DibImage DecodeDib(const DibSource& src, const std::string& name);

// Width, height (already halved for icons) and bit depth from an information header; false when
// the header cannot be read. Never throws.
bool PeekDib(const std::uint8_t* data, std::size_t n, std::size_t at, bool icon, int& width, int& height,
             int& bitCount);

} // namespace kv::codecs::bmp
