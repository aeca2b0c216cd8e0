// PCX decoding: 1-bit monochrome, 1-bit planes (2 to 4, 16-colour header palette), packed 2- and
// 4-bit (header palette), 8-bit with the 256-colour palette trailer (grey without one), and 8-bit
// 3-plane RGB or 4-plane RGBA. The RLE stream is decoded as one sequence of scan lines, so a run may
// continue on the next line; nothing is written beyond the last line.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kv::codecs {

namespace {

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
    throw Error(name + ": " + what);
}

unsigned Word(const std::uint8_t* p) {
    return unsigned(p[0]) | (unsigned(p[1]) << 8);
}

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kTrailerSize = 769; // 0x0C and 256 RGB triples

// Produces the decoded bytes of one scan line after another from the RLE or raw stream.
class PcxStream {
  public:
    PcxStream(const std::uint8_t* p, std::size_t n, bool rle) : fP(p), fEnd(p + n), fRle(rle) {}
    // Fills out[0..len); false when the data ends first.
    bool Read(std::uint8_t* out, std::size_t len) {
        std::size_t i = 0;
        while (i < len) {
            if (fRun > 0) {
                std::size_t k = std::min<std::size_t>(fRun, len - i);
                std::memset(out + i, fValue, k);
                fRun -= k;
                i += k;
                continue;
            }
            if (fP == fEnd) return false;
            std::uint8_t b = *fP++;
            if (fRle && (b & 0xC0) == 0xC0) {
                if (fP == fEnd) return false;
                fRun = b & 0x3F;
                fValue = *fP++;
            } else {
                out[i++] = b;
            }
        }
        return true;
    }

  private:
    const std::uint8_t* fP;
    const std::uint8_t* fEnd;
    bool fRle;
    std::size_t fRun = 0;
    std::uint8_t fValue = 0;
};

} // namespace

TBitmap32 DecodePCX(const std::uint8_t* data, std::size_t n, const std::string& name) {
    if (n < kHeaderSize) Fail(name, n > 0 && data[0] == 0x0A ? "the file is truncated" : "not a PCX file");
    if (data[0] != 0x0A) Fail(name, "not a PCX file");
    const int encoding = data[2], bits = data[3], planes = data[65];
    const long long xmin = Word(data + 4), ymin = Word(data + 6), xmax = Word(data + 8),
                    ymax = Word(data + 10);
    const std::size_t bytesPerLine = Word(data + 66);
    if (encoding > 1) Fail(name, "unknown PCX encoding " + std::to_string(encoding));
    if (xmax < xmin || ymax < ymin) Fail(name, "invalid PCX image bounds");
    const long long w = xmax - xmin + 1, h = ymax - ymin + 1;
    if (!SizeWithinLimit(w, h))
        Fail(name,
             "picture size " + std::to_string(w) + "x" + std::to_string(h) + " is beyond the size limit");

    enum class Kind { Mono, BitPlanes, Packed, Indexed8, Rgb, Rgba } kind;
    if (bits == 1 && planes == 1)
        kind = Kind::Mono;
    else if (bits == 1 && planes >= 2 && planes <= 4)
        kind = Kind::BitPlanes;
    else if ((bits == 2 || bits == 4) && planes == 1)
        kind = Kind::Packed;
    else if (bits == 8 && planes == 1)
        kind = Kind::Indexed8;
    else if (bits == 8 && planes == 3)
        kind = Kind::Rgb;
    else if (bits == 8 && planes == 4)
        kind = Kind::Rgba;
    else
        Fail(name, "unsupported PCX format (" + std::to_string(bits) + " bits, " + std::to_string(planes) +
                       " planes)");

    if (bytesPerLine * 8 < std::size_t(w) * std::size_t(bits))
        Fail(name, "bytes per line (" + std::to_string(bytesPerLine) + ") too few for the width " +
                       std::to_string(w));

    // Palette: the 256-colour trailer for 8-bit indices (grey when absent), else the header's 16.
    TColor32 palette[256];
    const std::uint8_t* dataEnd = data + n;
    if (kind == Kind::Indexed8) {
        if (n >= kHeaderSize + kTrailerSize && data[n - kTrailerSize] == 0x0C) {
            const std::uint8_t* t = data + n - kTrailerSize + 1;
            for (int i = 0; i < 256; ++i)
                palette[i] = Color32(t[3 * i], t[3 * i + 1], t[3 * i + 2]);
            dataEnd = data + n - kTrailerSize;
        } else {
            for (int i = 0; i < 256; ++i)
                palette[i] = Gray32(i);
        }
    } else if (kind == Kind::Mono) {
        palette[0] = clBlack32;
        palette[1] = clWhite32;
    } else {
        for (int i = 0; i < 16; ++i)
            palette[i] = Color32(data[16 + 3 * i], data[17 + 3 * i], data[18 + 3 * i]);
    }

    // The pixel data cannot be shorter than the smallest stream giving the picture's bytes
    // (an RLE pair gives at most 63 bytes), so a short file is refused before allocating.
    const std::size_t lineBytes = bytesPerLine * std::size_t(planes);
    const unsigned long long total = (unsigned long long)lineBytes * (unsigned long long)h;
    const std::size_t available = std::size_t(dataEnd - (data + kHeaderSize));
    const unsigned long long minimum = encoding == 1 ? (total * 2 + 62) / 63 : total;
    if (available < minimum) Fail(name, "the file is truncated");

    TBitmap32 bmp{int(w), int(h)};
    std::vector<std::uint8_t> line(lineBytes);
    PcxStream stream(data + kHeaderSize, available, encoding == 1);
    const int width = int(w);
    for (int y = 0; y < int(h); ++y) {
        if (!stream.Read(line.data(), lineBytes)) Fail(name, "the file is truncated");
        TColor32* dst = bmp.ScanLine(y);
        const std::uint8_t* l = line.data();
        switch (kind) {
        case Kind::Mono:
            for (int x = 0; x < width; ++x)
                dst[x] = palette[(l[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case Kind::BitPlanes:
            for (int x = 0; x < width; ++x) {
                int index = 0;
                for (int p = 0; p < planes; ++p)
                    index |= ((l[std::size_t(p) * bytesPerLine + std::size_t(x >> 3)] >> (7 - (x & 7))) & 1)
                             << p;
                dst[x] = palette[index];
            }
            break;
        case Kind::Packed: {
            const int perByte = 8 / bits, mask = (1 << bits) - 1;
            for (int x = 0; x < width; ++x) {
                int shift = 8 - bits * (x % perByte + 1);
                dst[x] = palette[(l[x / perByte] >> shift) & mask];
            }
            break;
        }
        case Kind::Indexed8:
            for (int x = 0; x < width; ++x)
                dst[x] = palette[l[x]];
            break;
        case Kind::Rgb:
            for (int x = 0; x < width; ++x)
                dst[x] =
                    Color32(l[x], l[bytesPerLine + std::size_t(x)], l[2 * bytesPerLine + std::size_t(x)]);
            break;
        case Kind::Rgba:
            for (int x = 0; x < width; ++x) {
                TColor32 c =
                    Color32(l[x], l[bytesPerLine + std::size_t(x)], l[2 * bytesPerLine + std::size_t(x)],
                            l[3 * bytesPerLine + std::size_t(x)]);
                dst[x] = BlendReg(c, clBlack32) | 0xFF000000u;
            }
            break;
        }
    }
    return bmp;
}

} // namespace kv::codecs
