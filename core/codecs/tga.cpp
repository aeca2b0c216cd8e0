// TGA decoding: colour-mapped (8- or 16-bit indices, map entries of 15, 16, 24 or 32 bits), true
// colour of 15, 16, 24 and 32 bits and grey of 8 bits or 8 bits with alpha, each uncompressed or
// RLE. Rows are placed by the descriptor's top-to-bottom and right-to-left bits. An RLE packet may
// continue on the next row (as common writers produce), never beyond the last pixel. Alpha is
// composed over black and the result is opaque.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <vector>

namespace kv::codecs {

namespace {

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
    throw Error(name + ": " + what);
}

unsigned Word(const std::uint8_t* p) {
    return unsigned(p[0]) | (unsigned(p[1]) << 8);
}

constexpr std::size_t kHeaderSize = 18;

int Expand5(unsigned v) {
    return int((v << 3) | (v >> 2));
}

// 15- and 16-bit pixels: x RRRRR GGGGG BBBBB, little-endian; the top bit is alpha when wanted.
TColor32 From16(const std::uint8_t* p, bool alpha) {
    unsigned v = Word(p);
    return Color32(Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31),
                   alpha && !(v & 0x8000) ? 0 : 255);
}

} // namespace

TBitmap32 DecodeTGA(const std::uint8_t* data, std::size_t n, const std::string& name) {
    if (n < kHeaderSize) Fail(name, "the file is truncated");
    const std::uint8_t* h = data;
    const std::size_t idLength = h[0];
    const int mapType = h[1], imageType = h[2];
    const unsigned mapFirst = Word(h + 3), mapLength = Word(h + 5);
    const int mapEntryBits = h[7];
    const long long w = Word(h + 12), ht = Word(h + 14);
    const int depth = h[16], descriptor = h[17];
    const int alphaBits = descriptor & 15;
    const bool rightToLeft = descriptor & 0x10, topToBottom = descriptor & 0x20;

    const bool rle = imageType >= 9 && imageType <= 11;
    const int baseType = rle ? imageType - 8 : imageType;
    if (imageType == 0) Fail(name, "the file holds no image data");
    if (baseType < 1 || baseType > 3) Fail(name, "unsupported TGA image type " + std::to_string(imageType));
    if (mapType > 1) Fail(name, "invalid TGA colour map type " + std::to_string(mapType));
    if (baseType == 1 && mapType != 1) Fail(name, "colour-mapped TGA without a colour map");
    const bool depthOk = (baseType == 1 && (depth == 8 || depth == 16)) ||
                         (baseType == 2 && (depth == 15 || depth == 16 || depth == 24 || depth == 32)) ||
                         (baseType == 3 && (depth == 8 || depth == 16));
    if (!depthOk) Fail(name, "unsupported TGA pixel depth " + std::to_string(depth));
    if (w == 0 || ht == 0)
        Fail(name, "the picture is empty (" + std::to_string(w) + "x" + std::to_string(ht) + ")");
    if (!SizeWithinLimit(w, ht))
        Fail(name,
             "picture size " + std::to_string(w) + "x" + std::to_string(ht) + " is beyond the size limit");

    std::size_t pos = kHeaderSize + idLength;
    if (pos > n) Fail(name, "the file is truncated");

    // Colour map (kept for colour-mapped pictures, skipped otherwise).
    std::vector<TColor32> map;
    if (mapType == 1) {
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
            Fail(name, "unsupported TGA colour map entry size " + std::to_string(mapEntryBits));
        const std::size_t entryBytes = std::size_t(mapEntryBits + 7) / 8;
        const std::size_t mapBytes = std::size_t(mapLength) * entryBytes;
        if (n - pos < mapBytes) Fail(name, "the file is truncated");
        if (baseType == 1) {
            map.resize(mapLength);
            for (unsigned i = 0; i < mapLength; ++i) {
                const std::uint8_t* e = data + pos + std::size_t(i) * entryBytes;
                switch (mapEntryBits) {
                case 15:
                    map[i] = From16(e, false);
                    break;
                case 16:
                    map[i] = From16(e, alphaBits > 0);
                    break;
                case 24:
                    map[i] = Color32(e[2], e[1], e[0]);
                    break;
                default:
                    map[i] = Color32(e[2], e[1], e[0], e[3]);
                    break;
                }
            }
        }
        pos += mapBytes;
    }

    const std::size_t bpp = std::size_t(depth + 7) / 8;
    const unsigned long long pixels = (unsigned long long)w * (unsigned long long)ht;
    // The smallest pixel data that can give the picture: an RLE packet covers at most 128 pixels.
    const unsigned long long minimum = rle ? (pixels + 127) / 128 * (1 + bpp) : pixels * bpp;
    if (n - pos < minimum) Fail(name, "the file is truncated");

    auto convert = [&](const std::uint8_t* p) -> TColor32 {
        switch (baseType) {
        case 1: {
            unsigned index = depth == 8 ? p[0] : Word(p);
            return index >= mapFirst && index - mapFirst < map.size() ? map[index - mapFirst] : clBlack32;
        }
        case 2:
            switch (depth) {
            case 15:
                return From16(p, false);
            case 16:
                return From16(p, alphaBits > 0);
            case 24:
                return Color32(p[2], p[1], p[0]);
            default:
                return Color32(p[2], p[1], p[0], p[3]);
            }
        default:
            return depth == 8 ? Gray32(p[0]) : Gray32(p[0], p[1]);
        }
    };

    TBitmap32 bmp{int(w), int(ht)};
    const int width = int(w), height = int(ht);
    auto put = [&](unsigned long long k, TColor32 c) {
        int row = int(k / unsigned(width)), col = int(k % unsigned(width));
        int y = topToBottom ? row : height - 1 - row;
        int x = rightToLeft ? width - 1 - col : col;
        if ((c >> 24) != 255) c = BlendReg(c, clBlack32) | 0xFF000000u;
        bmp.SetPixel(x, y, c);
    };

    const std::uint8_t* p = data + pos;
    const std::uint8_t* end = data + n;
    if (!rle) {
        for (unsigned long long k = 0; k < pixels; ++k, p += bpp)
            put(k, convert(p));
        return bmp;
    }
    unsigned long long k = 0;
    while (k < pixels) {
        if (p == end) Fail(name, "the file is truncated");
        const std::uint8_t packet = *p++;
        unsigned long long count = std::min<unsigned long long>((packet & 0x7F) + 1u, pixels - k);
        if (packet & 0x80) {
            if (std::size_t(end - p) < bpp) Fail(name, "the file is truncated");
            TColor32 c = convert(p);
            p += bpp;
            for (unsigned long long i = 0; i < count; ++i)
                put(k++, c);
        } else {
            if (std::size_t(end - p) < count * bpp) Fail(name, "the file is truncated");
            for (unsigned long long i = 0; i < count; ++i, p += bpp)
                put(k++, convert(p));
        }
    }
    return bmp;
}

} // namespace kv::codecs
