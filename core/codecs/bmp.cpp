// BMP reading (every layout the format allows) and writing (the 32-bit stream layout, 24-bit files).
//
// Reading follows the Assign rules: a 32-bit bitmap keeps its fourth channel as alpha, every other
// depth gives alpha 255. Pixels an RLE stream leaves unpainted stay black. Every offset and length
// read from the file is checked against the buffer; sizes are checked before allocating.
#include "core/codecs/bmp_internal.h"
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace kv::codecs {

namespace bmp {

namespace {

constexpr std::uint32_t kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3, kJPEG = 4, kPNG = 5,
                        kAlphaBitFields = 6;

inline std::uint32_t U16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
inline std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::int32_t I32(const std::uint8_t* p) {
    return std::int32_t(U32(p));
}

enum class HeaderKind { Core, Os2v2, Windows };

struct Header {
    HeaderKind kind = HeaderKind::Windows;
    std::uint32_t size = 0;
    std::int64_t width = 0, height = 0; // height as stored (signed; icons: doubled)
    std::uint32_t planes = 1, bitCount = 0, compression = kRGB, sizeImage = 0, clrUsed = 0;
    std::int64_t xppm = 0, yppm = 0;
    bool inHeaderMasks = false; // R, G, B masks inside the header (52 bytes and more)
    bool inHeaderAlpha = false; // alpha mask inside the header (56 bytes and more)
    std::uint32_t masks[4] = {0, 0, 0, 0};
};

// Reads the information header at `at`; returns false (with `fault`) when it cannot be read.
bool ReadHeader(const std::uint8_t* d, std::size_t n, std::size_t at, Header& h, const char*& fault) {
    if (at > n || n - at < 4) {
        fault = "truncated";
        return false;
    }
    h.size = U32(d + at);
    if (h.size == 12)
        h.kind = HeaderKind::Core;
    else if (h.size == 40 || h.size == 52 || h.size == 56 || h.size == 108 || h.size == 124)
        h.kind = HeaderKind::Windows;
    else if (h.size >= 16 && h.size <= 64)
        h.kind = HeaderKind::Os2v2;
    else {
        fault = "header size";
        return false;
    }
    if (n - at < h.size) {
        fault = "truncated";
        return false;
    }
    const std::uint8_t* p = d + at;
    if (h.kind == HeaderKind::Core) {
        h.width = U16(p + 4);
        h.height = U16(p + 6);
        h.planes = U16(p + 8);
        h.bitCount = U16(p + 10);
        return true;
    }
    h.width = I32(p + 4);
    h.height = I32(p + 8);
    h.planes = U16(p + 12);
    h.bitCount = U16(p + 14);
    // OS/2 2.x headers may stop after any field; the missing ones read as 0.
    if (h.size >= 20) h.compression = U32(p + 16);
    if (h.size >= 24) h.sizeImage = U32(p + 20);
    if (h.size >= 28) h.xppm = I32(p + 24);
    if (h.size >= 32) h.yppm = I32(p + 28);
    if (h.size >= 36) h.clrUsed = U32(p + 32);
    if (h.kind == HeaderKind::Windows && h.size >= 52) {
        h.inHeaderMasks = true;
        for (int i = 0; i < 3; ++i)
            h.masks[i] = U32(p + 40 + 4 * i);
        if (h.size >= 56) {
            h.inHeaderAlpha = true;
            h.masks[3] = U32(p + 52);
        }
    }
    return true;
}

// One bit-field channel scaled to 8 bits: narrower fields repeat their bits (5 bits abcde give
// abcdeabc, the usual reading of 5-5-5 and 5-6-5 pixels), wider ones round v * 255 / max.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0, bits = 0;
    std::uint64_t max = 0;
    std::uint8_t widen[256] = {};

    void Set(std::uint32_t m) {
        mask = m;
        shift = m ? std::countr_zero(m) : 0;
        bits = std::popcount(m);
        max = std::uint64_t(m >> shift);
        if (bits == 0 || bits >= 8) return;
        for (std::uint32_t v = 0; v < (1u << bits); ++v) {
            std::uint32_t r = 0;
            for (int s = 8 - bits; s > -bits; s -= bits)
                r |= s >= 0 ? v << s : v >> -s;
            widen[v] = std::uint8_t(r);
        }
    }
    int operator()(std::uint32_t px) const {
        std::uint32_t v = (px & mask) >> shift;
        if (bits < 8) return widen[v];
        if (bits == 8) return int(v);
        return int((v * std::uint64_t(255) + max / 2) / max);
    }
};

bool Contiguous(std::uint32_t m) {
    if (m == 0) return false;
    std::uint32_t s = m >> std::countr_zero(m);
    return (s & (s + 1)) == 0;
}

std::string Text(const std::string& name, const std::string& what) {
    return name + ": " + what;
}

struct Decoder {
    const DibSource& src;
    const std::string& name;
    const char* kind; // "BMP file" or "icon file"
    Header h;

    [[noreturn]] void Fail(const std::string& what) const { throw Error(Text(name, what)); }
    [[noreturn]] void Truncated() const { Fail(std::string("truncated ") + kind); }

    DibImage Run();
    void DecodeRle(DibImage& out, const TColor32* pal, std::size_t at, int w, int hgt);
};

void AllocateOrFail(TBitmap32& bmp, int w, int h, const std::string& name) {
    try {
        bmp.SetSize(w, h);
    } catch (const std::bad_alloc&) {
        throw Error(Text(name, "Can't allocate the DIB handle"));
    } catch (const Error&) {
        throw Error(Text(name, "Can't allocate the DIB handle"));
    }
}

DibImage Decoder::Run() {
    const std::uint8_t* d = src.data;
    const std::size_t n = src.n;
    const char* fault = nullptr;
    if (!ReadHeader(d, n, src.headerAt, h, fault)) {
        if (std::strcmp(fault, "truncated") == 0) Truncated();
        Fail("unsupported BMP header size (" + std::to_string(U32(d + src.headerAt)) + " bytes)");
    }
    if (h.planes != 1) Fail("invalid plane count (" + std::to_string(h.planes) + ", must be 1)");

    // Dimensions.
    std::int64_t w = h.width, hs = h.height;
    bool topDown = false;
    if (w < 0) Fail("invalid picture width (" + std::to_string(w) + ")");
    if (hs < 0) {
        if (h.kind == HeaderKind::Core || src.icon)
            Fail("invalid picture height (" + std::to_string(hs) + ")");
        topDown = true;
        hs = -hs;
    }
    if (src.icon) hs /= 2;
    const std::uint32_t bpp = h.bitCount;

    // Compression and depth.
    std::uint32_t comp = h.compression;
    if (h.kind == HeaderKind::Os2v2 && comp == 3) Fail("OS/2 Huffman compression is not supported");
    if (h.kind == HeaderKind::Os2v2 && comp == 4) Fail("OS/2 RLE24 compression is not supported");
    if (comp == kJPEG || comp == kPNG) Fail("BMP files with embedded JPEG or PNG data are not supported");
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Fail("unsupported bit depth (" + std::to_string(bpp) + ")");
    switch (comp) {
    case kRGB:
        break;
    case kRLE8:
    case kRLE4:
        if (bpp != (comp == kRLE8 ? 8u : 4u))
            Fail("RLE compression with " + std::to_string(bpp) + " bits per pixel");
        if (topDown) Fail("RLE compression with top-down rows is not allowed");
        if (src.icon) Fail("RLE compression in an icon is not supported");
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (bpp != 16 && bpp != 32) Fail("bit-field masks with " + std::to_string(bpp) + " bits per pixel");
        break;
    default:
        Fail("unsupported BMP compression (" + std::to_string(comp) + ")");
    }

    if (!src.icon) {
        // Fields no reader needs but no valid writer gets wrong: values far out of range mean
        // a damaged header.
        constexpr std::int64_t kMaxDensity = 10'000'000; // pixels per metre (254 000 dpi)
        if (h.xppm < 0 || h.yppm < 0 || h.xppm > kMaxDensity || h.yppm > kMaxDensity)
            Fail("implausible pixel density (" + std::to_string(h.xppm) + " x " + std::to_string(h.yppm) +
                 " per metre)");
    }
    if (!SizeWithinLimit(w, hs))
        Fail("the picture size " + std::to_string(w) + "x" + std::to_string(hs) +
             " is beyond the size limit");
    // Some writers put the size of the headers alone in the file size field; only a size beyond
    // the end of the buffer is a fault.
    if (!src.icon && src.fileSize > n) Truncated();

    // Bit-field masks: in the header (52 bytes and more) or right after a 40-byte header.
    std::size_t tableAt = src.headerAt + h.size;
    Channel ch[4];
    bool alphaFromMask = false; // the file names an alpha field (possibly empty)
    bool fourthByte = false;    // the alpha is the fourth byte / unused bits (32 bpp)
    if (comp == kBitFields || comp == kAlphaBitFields) {
        std::uint32_t m[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
        const int count = comp == kAlphaBitFields ? 4 : 3;
        if (!h.inHeaderMasks) {
            if (n - tableAt < std::size_t(4 * count)) Truncated();
            for (int i = 0; i < count; ++i)
                m[i] = U32(d + tableAt + 4 * i);
            if (count == 3) m[3] = 0;
            tableAt += std::size_t(4 * count);
        }
        alphaFromMask = h.inHeaderAlpha || comp == kAlphaBitFields;
        if (!alphaFromMask) m[3] = 0;
        const std::uint32_t range = bpp == 32 ? 0xFFFFFFFFu : 0xFFFFu;
        std::uint32_t seen = 0;
        for (int i = 0; i < 4; ++i) {
            if (i == 3 && m[3] == 0) break;
            if (!Contiguous(m[i]) || (m[i] & ~range) || (m[i] & seen)) Fail("invalid bit-field masks");
            seen |= m[i];
        }
        if (bpp == 32 && !alphaFromMask) {
            // No alpha field in the header: the bits the colours leave free are the fourth channel.
            std::uint32_t unused = ~seen;
            if (Contiguous(unused)) {
                m[3] = unused;
                fourthByte = true;
            }
        }
        for (int i = 0; i < 4; ++i)
            ch[i].Set(m[i]);
    } else if (bpp == 16) {
        ch[0].Set(0x7C00);
        ch[1].Set(0x03E0);
        ch[2].Set(0x001F);
    } else if (bpp == 32) {
        fourthByte = true;
    }

    // Colour table: at most 256 entries; indices beyond it are black.
    TColor32 pal[256];
    std::fill(pal, pal + 256, clBlack32);
    const std::size_t entry = h.kind == HeaderKind::Core ? 3 : 4;
    std::size_t palCount = 0;
    if (bpp <= 8) {
        const std::size_t full = std::size_t(1) << bpp;
        if (h.clrUsed > 256) Fail("colour table of " + std::to_string(h.clrUsed) + " entries (at most 256)");
        palCount = h.clrUsed ? h.clrUsed : full;
        if (!src.icon && src.pixelsAt > tableAt)
            palCount = std::min(palCount, (src.pixelsAt - tableAt) / entry);
        if (tableAt > n || (n - tableAt) / entry < palCount) Truncated();
        for (std::size_t i = 0; i < palCount; ++i) {
            const std::uint8_t* e = d + tableAt + i * entry;
            pal[i] = Color32(e[2], e[1], e[0]);
        }
    }

    std::size_t pixelsAt;
    if (src.icon) {
        // Depths above 8 may still carry a colour table of clrUsed entries before the pixels.
        const std::size_t tableBytes = (bpp <= 8 ? palCount : std::size_t(h.clrUsed)) * entry;
        if (tableAt > n || n - tableAt < tableBytes) Truncated();
        pixelsAt = tableAt + tableBytes;
    } else {
        pixelsAt = src.pixelsAt;
        if (pixelsAt < src.headerAt + h.size) Fail("the pixel data offset lies inside the header");
        if (pixelsAt > n) Truncated();
        if (h.sizeImage > n - pixelsAt)
            Fail("the image size in the header (" + std::to_string(h.sizeImage) + " bytes) exceeds the file");
    }

    DibImage out;
    out.bitCount = int(bpp);
    out.alphaChannel = bpp == 32 && (fourthByte || (alphaFromMask && ch[3].mask != 0));
    if (w == 0 || hs == 0) {
        out.end = pixelsAt;
        return out;
    }
    const int W = int(w), H = int(hs);

    if (comp == kRLE8 || comp == kRLE4) {
        AllocateOrFail(out.bmp, W, H, name);
        DecodeRle(out, pal, pixelsAt, W, H);
        out.bmp.ResetAlpha(255); // unpainted pixels: black
        return out;
    }

    const std::size_t rowBytes = ((std::size_t(W) * bpp + 31) / 32) * 4;
    const std::size_t usedBytes = (std::size_t(W) * bpp + 7) / 8;
    // The last row may lack its padding bytes: they carry no pixels.
    const std::size_t need = rowBytes * std::size_t(H - 1) + usedBytes;
    if (pixelsAt > n || n - pixelsAt < need) Truncated();
    out.end = std::min(n, pixelsAt + rowBytes * std::size_t(H));
    AllocateOrFail(out.bmp, W, H, name);

    std::uint32_t alphaOr = 0;
    for (int r = 0; r < H; ++r) {
        const std::uint8_t* s = d + pixelsAt + std::size_t(r) * rowBytes;
        TColor32* o = out.bmp.ScanLine(topDown ? r : H - 1 - r);
        switch (bpp) {
        case 1:
        case 2:
        case 4: {
            const int per = 8 / int(bpp);
            const unsigned maskBits = (1u << bpp) - 1;
            for (int x = 0; x < W; ++x) {
                unsigned byte = s[x / per];
                unsigned shift = unsigned(8 - int(bpp) * (x % per + 1));
                o[x] = pal[(byte >> shift) & maskBits];
            }
            break;
        }
        case 8:
            for (int x = 0; x < W; ++x)
                o[x] = pal[s[x]];
            break;
        case 16:
            for (int x = 0; x < W; ++x) {
                std::uint32_t px = U16(s + 2 * x);
                o[x] = Color32(ch[0](px), ch[1](px), ch[2](px));
            }
            break;
        case 24:
            for (int x = 0; x < W; ++x, s += 3)
                o[x] = 0xFF000000u | (TColor32(s[2]) << 16) | (TColor32(s[1]) << 8) | s[0];
            break;
        case 32:
            if (comp == kRGB) {
                if constexpr (std::endian::native == std::endian::little) {
                    std::memcpy(o, s, std::size_t(W) * 4);
                    for (int x = 0; x < W; ++x)
                        alphaOr |= o[x];
                } else {
                    for (int x = 0; x < W; ++x) {
                        o[x] = U32(s + 4 * x);
                        alphaOr |= o[x];
                    }
                }
            } else if (out.alphaChannel) {
                for (int x = 0; x < W; ++x) {
                    std::uint32_t px = U32(s + 4 * x);
                    int a = ch[3](px);
                    alphaOr |= std::uint32_t(a) << 24;
                    o[x] = Color32(ch[0](px), ch[1](px), ch[2](px), a);
                }
            } else {
                for (int x = 0; x < W; ++x) {
                    std::uint32_t px = U32(s + 4 * x);
                    o[x] = Color32(ch[0](px), ch[1](px), ch[2](px));
                }
            }
            break;
        }
    }
    out.alphaAllZero = (alphaOr >> 24) == 0;
    return out;
}

// RLE8 / RLE4: runs and literal runs are clamped to the row, a delta or end of line past the last
// row ends the picture. Unpainted pixels stay black. A stream that ends before its last row is
// reached without an end-of-bitmap marker is truncated.
void Decoder::DecodeRle(DibImage& out, const TColor32* pal, std::size_t at, int w, int hgt) {
    const std::uint8_t* d = src.data;
    const std::size_t n = src.n;
    const bool four = h.compression == kRLE4;
    std::size_t p = at;
    long long x = 0, y = 0; // y counts from the bottom row
    TColor32* row = out.bmp.ScanLine(hgt - 1);
    auto put = [&](long long xi, unsigned idx) {
        if (xi < w) row[xi] = pal[idx];
    };
    bool ended = false;
    while (!ended) {
        if (n - p < 2) break;
        unsigned count = d[p], value = d[p + 1];
        p += 2;
        if (count > 0) {
            long long stop = std::min<long long>(x + count, w);
            if (four) {
                for (long long i = 0; x + i < stop; ++i)
                    put(x + i, (i & 1) ? (value & 15) : (value >> 4));
            } else {
                TColor32 c = pal[value];
                for (long long xi = x; xi < stop; ++xi)
                    row[xi] = c;
            }
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            if (++y >= hgt)
                ended = true;
            else
                row = out.bmp.ScanLine(hgt - 1 - int(y));
            break;
        case 1: // end of bitmap
            ended = true;
            break;
        case 2: { // delta
            if (n - p < 2) {
                p = n;
                break;
            }
            x += d[p];
            y += d[p + 1];
            p += 2;
            if (y >= hgt)
                ended = true;
            else
                row = out.bmp.ScanLine(hgt - 1 - int(y));
            break;
        }
        default: { // literal run of `value` pixels, padded to a 16-bit boundary
            std::size_t bytes = four ? (value + 1) / 2 : value;
            std::size_t padded = bytes + (bytes & 1);
            if (n - p < bytes) {
                p = n;
                break;
            }
            for (unsigned i = 0; i < value; ++i) {
                unsigned idx = four ? ((i & 1) ? (d[p + i / 2] & 15) : (d[p + i / 2] >> 4)) : d[p + i];
                put(x + i, idx);
            }
            x += value;
            p += std::min(padded, n - p);
            break;
        }
        }
    }
    if (!ended && !(y >= hgt - 1 && x >= w) && y < hgt) Truncated();
    out.end = p;
}

} // namespace

DibImage DecodeDib(const DibSource& src, const std::string& name) {
    Decoder dec{src, name, src.icon ? "icon file" : "BMP file", {}};
    return dec.Run();
}

bool PeekDib(const std::uint8_t* data, std::size_t n, std::size_t at, bool icon, int& width, int& height,
             int& bitCount) {
    Header h;
    const char* fault = nullptr;
    if (!ReadHeader(data, n, at, h, fault)) return false;
    std::int64_t hs = h.height < 0 ? -h.height : h.height;
    if (icon) hs /= 2;
    if (h.width < 0 || h.width > 0x7FFFFFFF || hs > 0x7FFFFFFF) return false;
    width = int(h.width);
    height = int(hs);
    bitCount = int(h.bitCount);
    return true;
}

} // namespace bmp

TBitmap32 DecodeBMP(const std::uint8_t* data, std::size_t n, const std::string& name,
                    const BmpReadOptions& opt, std::size_t* consumed) {
    if (n < 2 || data[0] != 'B' || data[1] != 'M') throw Error(name + ": not a BMP file");
    if (n < 18) throw Error(name + ": truncated BMP file");
    const std::uint32_t fileSize = bmp::U32(data + 2);
    const std::uint32_t offBits = bmp::U32(data + 10);
    bmp::DibSource src;
    src.data = data;
    src.n = n;
    src.headerAt = 14;
    src.pixelsAt = offBits;
    src.fileSize = fileSize;
    bmp::DibImage img = bmp::DecodeDib(src, name);
    if (img.alphaChannel && img.alphaAllZero && opt.zeroAlphaMeansOpaque) img.bmp.ResetAlpha(255);
    if (consumed) *consumed = std::max<std::size_t>(img.end, fileSize);
    return std::move(img.bmp);
}

namespace {

void PutU16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

// File header and 40-byte information header for an uncompressed bottom-up bitmap. Resolution
// fields are 0 (unspecified), the colour table is empty.
void PutHeaders(std::uint8_t* p, int w, int h, int bpp, std::size_t imageBytes) {
    const std::uint32_t total = std::uint32_t(54 + imageBytes);
    p[0] = 'B';
    p[1] = 'M';
    PutU32(p + 2, total);
    PutU32(p + 6, 0);
    PutU32(p + 10, 54);
    PutU32(p + 14, 40);
    PutU32(p + 18, std::uint32_t(w));
    PutU32(p + 22, std::uint32_t(h));
    PutU16(p + 26, 1);
    PutU16(p + 28, std::uint32_t(bpp));
    PutU32(p + 30, 0); // BI_RGB
    PutU32(p + 34, std::uint32_t(imageBytes));
    PutU32(p + 38, 0);
    PutU32(p + 42, 0);
    PutU32(p + 46, 0);
    PutU32(p + 50, 0);
}

// An output buffer of `total` bytes holding the headers, filled row by row by appending (no
// zero-filling pass over the pixel bytes first). Large buffers ask for huge pages: the first touch
// of a fresh 100 MB block otherwise costs more than writing it.
Bytes StartOutput(int w, int h, int bpp, std::size_t imageBytes) {
    Bytes out;
    out.reserve(54 + imageBytes);
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    if (imageBytes >= 4 * kHuge) {
        std::uintptr_t lo = (reinterpret_cast<std::uintptr_t>(out.data()) + kHuge - 1) & ~(kHuge - 1);
        std::uintptr_t hi = (reinterpret_cast<std::uintptr_t>(out.data()) + out.capacity()) & ~(kHuge - 1);
        if (hi > lo) ::madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
    }
    std::uint8_t header[54];
    PutHeaders(header, w, h, bpp, imageBytes);
    out.insert(out.end(), header, header + 54);
    return out;
}

} // namespace

Bytes EncodeBMP32(const TBitmap32& bmp) {
    const int w = bmp.Empty() ? 0 : bmp.Width(), h = bmp.Empty() ? 0 : bmp.Height();
    const std::size_t rowBytes = std::size_t(w) * 4;
    Bytes out = StartOutput(w, h, 32, rowBytes * std::size_t(h));
    std::uint8_t row[4096];
    for (int y = h - 1; y >= 0; --y) {
        const TColor32* s = bmp.ScanLine(y);
        if constexpr (std::endian::native == std::endian::little) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(s);
            out.insert(out.end(), p, p + rowBytes);
        } else {
            for (int x0 = 0; x0 < w; x0 += 1024) {
                const int k = std::min(1024, w - x0);
                for (int x = 0; x < k; ++x)
                    PutU32(row + 4 * x, s[x0 + x]);
                out.insert(out.end(), row, row + 4 * k);
            }
        }
    }
    return out;
}

Bytes EncodeBMP24(const TBitmap32& bmp) {
    if (bmp.Empty()) throw Error("Cannot write an empty picture as BMP");
    const int w = bmp.Width(), h = bmp.Height();
    const std::size_t rowBytes = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
    Bytes out = StartOutput(w, h, 24, rowBytes * std::size_t(h));
    std::vector<std::uint8_t> row(rowBytes, 0); // the padding bytes stay 0
    for (int y = h - 1; y >= 0; --y) {
        const TColor32* s = bmp.ScanLine(y);
        std::uint8_t* o = row.data();
        for (int x = 0; x < w; ++x, o += 3) {
            const TColor32 c = s[x];
            o[0] = std::uint8_t(c);
            o[1] = std::uint8_t(c >> 8);
            o[2] = std::uint8_t(c >> 16);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

void SaveBMP24(const TBitmap32& bmp, const std::string& fileName) {
    const Bytes bytes = EncodeBMP24(bmp);
    WriteWholeFile(fileName, bytes.data(), bytes.size());
}

} // namespace kv::codecs
