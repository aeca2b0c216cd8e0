#pragma once
// Picture codecs. Every decoder returns a TBitmap32 that already follows the Assign rules:
// a 32-bit BMP keeps its fourth byte as alpha, any other BMP depth gives alpha 255, and every other
// format (JPEG, PNG, GIF, ICO, PCX, TGA) is composed over black and then made opaque.
// Decoders reject truncated, malformed or oversized input with an Error naming the file and the fault,
// before allocating anything beyond the size limit.
#include "core/bitmap32.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv::codecs {

using Bytes = std::vector<std::uint8_t>;
Bytes ReadWholeFile(const std::string& fileName);
// Writes to a temporary file beside the target, then renames it over the target.
void WriteWholeFile(const std::string& fileName, const std::uint8_t* data, std::size_t n);

// Lower-cased extension of the last path component, with its point (".jpg"), or "" when none.
std::string ExtensionOf(const std::string& fileName);

// The generic picture loader: picks the decoder by extension, case-insensitively
// (.bmp, .jpg/.jpeg/.jpe, .png, .gif, .ico, .emf/.wmf, and .pcx/.tga for thumbnails).
// Unknown extensions: "Unknown picture file extension (.%s)".
TBitmap32 LoadPicture(const std::string& fileName);

struct BmpReadOptions {
    // The generic opener treats a 32-bit BMP with a 40-byte header whose fourth bytes are all 0
    // as opaque (many programs write 0 there); project streams keep the bytes as they are.
    bool zeroAlphaMeansOpaque = false;
};
// `name` only labels error messages. `consumed` (optional) receives the bytes the BMP image
// occupies (file size from the header, or the end of the pixel data), for reading streams.
TBitmap32 DecodeBMP(const std::uint8_t* data, std::size_t n, const std::string& name,
                    const BmpReadOptions& opt = {}, std::size_t* consumed = nullptr);
TBitmap32 DecodeJPEG(const std::uint8_t* data, std::size_t n, const std::string& name);
TBitmap32 DecodePNG(const std::uint8_t* data, std::size_t n, const std::string& name);
// PNG decoded to straight RGBA: alpha kept, nothing composed (reference images in tests).
TBitmap32 DecodePNGRaw(const std::uint8_t* data, std::size_t n, const std::string& name);
TBitmap32 LoadPNGRaw(const std::string& fileName);
TBitmap32 DecodeGIF(const std::uint8_t* data, std::size_t n, const std::string& name); // first frame
TBitmap32 DecodeICO(const std::uint8_t* data, std::size_t n, const std::string& name); // largest entry
TBitmap32 DecodePCX(const std::uint8_t* data, std::size_t n, const std::string& name);
TBitmap32 DecodeTGA(const std::uint8_t* data, std::size_t n, const std::string& name);

// Encoders. All write the colour channels only (alpha dropped) unless stated.
Bytes EncodeBMP32(const TBitmap32& bmp); // the 32-bit stream layout, alpha kept
Bytes EncodeBMP24(const TBitmap32& bmp);
Bytes EncodeJPEG(const TBitmap32& bmp, int quality); // quality 1..100
Bytes EncodePNG24(const TBitmap32& bmp);
enum class GifColours { Two, Sixteen, Palette256, Auto };
Bytes EncodeGIF(const TBitmap32& bmp, GifColours colours);
Bytes EncodeTIFF(const TBitmap32& bmp);

void SaveBMP24(const TBitmap32& bmp, const std::string& fileName);
void SaveJPEG(const TBitmap32& bmp, const std::string& fileName, int quality);
void SavePNG(const TBitmap32& bmp, const std::string& fileName);
void SaveGIF(const TBitmap32& bmp, const std::string& fileName, GifColours colours);
void SaveTIFF(const TBitmap32& bmp, const std::string& fileName);

// Distinct (red, green, blue) triples, alpha ignored.
int CountDistinctColours(const TBitmap32& bmp);

} // namespace kv::codecs
