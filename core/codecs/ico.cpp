// Icon and cursor files: the largest entry (by its own header's size, then bit depth), PNG-compressed
// or a DIB with its AND mask. Like every picture that is not a BMP, the result is composed over black
// and made opaque.
#include "core/blend.h"
#include "core/codecs/bmp_internal.h"
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstring>

namespace kv::codecs {

namespace {

constexpr std::size_t kMaxEntries = 256;
const std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

inline std::uint32_t U16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
inline std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint32_t B32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

struct Entry {
    std::size_t offset = 0;
    bool png = false;
    long long width = 0, height = 0;
    int depth = 0;
};

// Applies the AND mask that follows the XOR image (1 bit per pixel, rows padded to 4 bytes,
// bottom-up): a set bit makes the pixel transparent.
void ApplyAndMask(TBitmap32& bmp, const std::uint8_t* d, std::size_t n, std::size_t at,
                  const std::string& name) {
    const int w = bmp.Width(), h = bmp.Height();
    const std::size_t rowBytes = ((std::size_t(w) + 31) / 32) * 4;
    if (at > n || (n - at) / rowBytes < std::size_t(h)) throw Error(name + ": truncated icon file");
    for (int r = 0; r < h; ++r) {
        const std::uint8_t* m = d + at + std::size_t(r) * rowBytes;
        TColor32* o = bmp.ScanLine(h - 1 - r);
        for (int x = 0; x < w; ++x)
            if ((m[x >> 3] >> (7 - (x & 7))) & 1) o[x] &= 0x00FFFFFFu;
    }
}

TBitmap32 DecodeDibEntry(const std::uint8_t* d, std::size_t n, std::size_t at, const std::string& name) {
    bmp::DibSource src;
    src.data = d;
    src.n = n;
    src.headerAt = at;
    src.icon = true;
    bmp::DibImage img = bmp::DecodeDib(src, name);
    if (img.bmp.Empty()) throw Error(name + ": the icon image is empty");
    // 32-bit entries carry their own alpha; the AND mask decides only when every alpha is 0.
    if (!(img.alphaChannel && !img.alphaAllZero)) {
        img.bmp.ResetAlpha(255);
        ApplyAndMask(img.bmp, d, n, img.end, name);
    }
    // Composed over black, then opaque.
    const std::size_t count = img.bmp.PixelCount();
    TColor32* p = img.bmp.Bits();
    for (std::size_t i = 0; i < count; ++i)
        p[i] = BlendReg(p[i], clBlack32) | 0xFF000000u;
    return std::move(img.bmp);
}

} // namespace

TBitmap32 DecodeICO(const std::uint8_t* data, std::size_t n, const std::string& name) {
    if (n < 6) throw Error(name + ": not an icon file");
    const std::uint32_t reserved = U16(data), type = U16(data + 2), count = U16(data + 4);
    if (reserved != 0 || (type != 1 && type != 2)) throw Error(name + ": not an icon file");
    if (count == 0) throw Error(name + ": the icon holds no images");
    if (count > kMaxEntries)
        throw Error(name + ": too many icon images (" + std::to_string(count) + ", at most 256)");
    const std::size_t dirEnd = 6 + 16 * std::size_t(count);
    if (n < dirEnd) throw Error(name + ": truncated icon file");

    // The entries' own headers give the true size and depth (directories are often wrong).
    // An entry's data runs to the end of the file: the recorded length is not trusted either.
    Entry best;
    bool have = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = data + 6 + 16 * i;
        Entry en;
        en.offset = U32(e + 12);
        if (en.offset < dirEnd || en.offset >= n)
            throw Error(name + ": icon image " + std::to_string(i + 1) + " lies outside the file");
        const std::uint8_t* body = data + en.offset;
        const std::size_t avail = n - en.offset;
        if (avail >= 8 && std::memcmp(body, kPngSignature, 8) == 0) {
            if (avail < 33) throw Error(name + ": truncated icon file");
            en.png = true;
            en.width = B32(body + 16);
            en.height = B32(body + 20);
            en.depth = body[24] * (body[25] == 2 ? 3 : body[25] == 4 ? 2 : body[25] == 6 ? 4 : 1);
        } else {
            int w = 0, h = 0, bpp = 0;
            if (!bmp::PeekDib(data, n, en.offset, true, w, h, bpp))
                throw Error(name + ": truncated icon file");
            en.width = w;
            en.height = h;
            en.depth = bpp;
        }
        const long long area = en.width * en.height, bestArea = best.width * best.height;
        if (!have || area > bestArea || (area == bestArea && en.depth > best.depth)) {
            best = en;
            have = true;
        }
    }

    if (best.png) return DecodePNG(data + best.offset, n - best.offset, name);
    return DecodeDibEntry(data, n, best.offset, name);
}

} // namespace kv::codecs
