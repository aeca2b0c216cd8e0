// GIF decoding (the first image on the logical screen) and encoding, both with giflib over memory.
//
// Decoding follows the loader rules: the first image is drawn onto a zeroed canvas of the logical
// screen's size, clipped to it; transparent and unpainted pixels therefore end up black, and the
// result is opaque. Later images and the background colour play no part. The whole first image
// must be present: a file that ends, or whose LZW stream ends, before its last pixel is refused.
#include "core/codecs/codecs.h"
#include "core/codecs/palettes.h"
#include "core/error.h"
#include "core/parallel.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

namespace kv::codecs {

namespace {

// ---------------------------------------------------------------------------------------------
// Decoding

struct GifInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int len) {
    auto* in = static_cast<GifInput*>(gif->UserData);
    if (len <= 0) return 0;
    std::size_t k = std::min<std::size_t>(std::size_t(len), in->size - in->pos);
    std::memcpy(out, in->data + in->pos, k);
    in->pos += k;
    return int(k);
}

struct GifDecoderCloser {
    void operator()(GifFileType* g) const {
        int err = 0;
        DGifCloseFile(g, &err);
    }
};
using GifDecoderPtr = std::unique_ptr<GifFileType, GifDecoderCloser>;

std::string DecodeErrorText(int code) {
    // Reading from memory only fails at the end of the data.
    if (code == D_GIF_ERR_READ_FAILED) return "the file is truncated";
    if (code == D_GIF_ERR_NOT_GIF_FILE) return "not a GIF file";
    const char* s = GifErrorString(code);
    return s ? std::string(s) : "GIF error " + std::to_string(code);
}

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
    throw Error(name + ": " + what);
}

unsigned Word(const std::uint8_t* p) {
    return unsigned(p[0]) | (unsigned(p[1]) << 8);
}

std::string SizeText(long long w, long long h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

void CheckSize(const std::string& name, const char* what, long long w, long long h) {
    if (!SizeWithinLimit(w, h))
        Fail(name, std::string(what) + " " + SizeText(w, h) + " is beyond the size limit (" +
                       std::to_string(kMaxBitmapSide) + " pixels a side, " +
                       std::to_string(kMaxBitmapPixels) + " pixels in all)");
}

constexpr int kMaxCode = 4096;

// LZW decoding of image data with minimum code sizes 9 to 11 (the literal codes then reach beyond
// any colour table; those pixels come out black). The stream must give every pixel.
class WideLzw {
  public:
    WideLzw(const std::uint8_t* p, const std::uint8_t* end, int minCodeSize, const std::string& name)
        : fP(p), fEnd(end), fName(name), fMinCodeSize(minCodeSize), fClear(1 << minCodeSize) {
        Reset();
    }

    void ReadRow(std::uint16_t* out, int n) {
        for (int i = 0; i < n; ++i) {
            if (fDepth == 0) Step();
            out[i] = fStack[--fDepth];
        }
    }

    // Skips the rest of the data sub-blocks, which must be complete as giflib requires them.
    void Finish() {
        while (!fBlocksEnded) {
            if (std::size_t(fEnd - fP) < fBlockLeft + 1) Fail(fName, "the file is truncated");
            fP += fBlockLeft;
            fBlockLeft = *fP++;
            fBlocksEnded = fBlockLeft == 0;
        }
    }

  private:
    void Reset() {
        fCodeSize = fMinCodeSize + 1;
        fNext = fClear + 2;
        fPrev = -1;
    }

    int NextByte() {
        if (fBlockLeft == 0) {
            if (fBlocksEnded) return -1;
            if (fP == fEnd) Fail(fName, "the file is truncated");
            fBlockLeft = *fP++;
            if (fBlockLeft == 0) {
                fBlocksEnded = true;
                return -1;
            }
        }
        if (fP == fEnd) Fail(fName, "the file is truncated");
        --fBlockLeft;
        return *fP++;
    }

    int NextCode() {
        while (fBits < fCodeSize) {
            int b = NextByte();
            if (b < 0) return -1;
            fBuffer |= std::uint32_t(b) << fBits;
            fBits += 8;
        }
        int code = int(fBuffer & ((1u << fCodeSize) - 1));
        fBuffer >>= fCodeSize;
        fBits -= fCodeSize;
        return code;
    }

    // Puts the pixels of the next string on the stack, last pixel first.
    void Step() {
        for (;;) {
            int code = NextCode();
            if (code < 0 || code == fClear + 1) Fail(fName, "the image data ends before its last pixel");
            if (code == fClear) {
                Reset();
                continue;
            }
            if (fPrev < 0) {
                if (code > fClear) Fail(fName, "invalid LZW code");
                fStack[fDepth++] = std::uint16_t(code);
                fFirst = code;
                fPrev = code;
                return;
            }
            if (code > fNext || (code == fNext && fNext == kMaxCode)) Fail(fName, "invalid LZW code");
            int cur = code;
            if (code == fNext) {
                fStack[fDepth++] = std::uint16_t(fFirst);
                cur = fPrev;
            }
            while (cur >= fClear + 2) {
                fStack[fDepth++] = fSuffix[cur];
                cur = fPrefix[cur];
            }
            fStack[fDepth++] = std::uint16_t(cur);
            fFirst = cur;
            if (fNext < kMaxCode) {
                fPrefix[fNext] = std::uint16_t(fPrev);
                fSuffix[fNext] = std::uint16_t(fFirst);
                ++fNext;
                if (fNext == (1 << fCodeSize) && fCodeSize < 12) ++fCodeSize;
            }
            fPrev = code;
            return;
        }
    }

    const std::uint8_t* fP;
    const std::uint8_t* fEnd;
    const std::string& fName;
    const int fMinCodeSize, fClear;
    int fCodeSize = 0, fNext = 0, fPrev = -1, fFirst = 0;
    std::size_t fBlockLeft = 0;
    bool fBlocksEnded = false;
    std::uint32_t fBuffer = 0;
    int fBits = 0;
    std::uint16_t fPrefix[kMaxCode] = {}, fSuffix[kMaxCode] = {};
    std::uint16_t fStack[kMaxCode + 1] = {};
    int fDepth = 0;
};

TBitmap32 BlackScreen(int w, int h) {
    TBitmap32 bmp(w, h);
    bmp.Clear(clBlack32);
    return bmp;
}

} // namespace

TBitmap32 DecodeGIF(const std::uint8_t* data, std::size_t n, const std::string& name) {
    if (n < 6 || std::memcmp(data, "GIF", 3) != 0) Fail(name, "not a GIF file");
    if (n < 13) Fail(name, "the file is truncated");

    GifInput in{data, n, 0};
    int err = 0;
    GifDecoderPtr gif(DGifOpen(&in, ReadFromMemory, &err));
    if (!gif) Fail(name, DecodeErrorText(err));

    const int sw = gif->SWidth, sh = gif->SHeight;
    if (sw <= 0 || sh <= 0) Fail(name, "the logical screen is empty (" + SizeText(sw, sh) + ")");
    CheckSize(name, "the logical screen", sw, sh);

    int transparent = -1; // from the Graphic Control Extension that applies to the first image
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) Fail(name, DecodeErrorText(gif->Error));

        if (type == TERMINATE_RECORD_TYPE) return BlackScreen(sw, sh); // a screen with no image

        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                Fail(name, DecodeErrorText(gif->Error));
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                transparent = (block[1] & 1) ? int(block[4]) : -1;
            else if (code == PLAINTEXT_EXT_FUNC_CODE)
                transparent = -1; // a control block before plain text applies to the text only
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    Fail(name, DecodeErrorText(gif->Error));
            }
            continue;
        }

        if (type != IMAGE_DESC_RECORD_TYPE) Fail(name, DecodeErrorText(D_GIF_ERR_WRONG_RECORD));

        // Look at the image descriptor before giflib does, so that an oversized or empty image is
        // settled before any decoding.
        if (n - in.pos < 9) Fail(name, "the file is truncated");
        const std::uint8_t* d = data + in.pos;
        const int left = int(Word(d)), top = int(Word(d + 2)), iw = int(Word(d + 4)), ih = int(Word(d + 6));
        const bool interlaced = d[8] & 0x40;
        if (iw == 0 || ih == 0) return BlackScreen(sw, sh); // nothing to paint
        CheckSize(name, "the image", iw, ih);
        const int localCount = (d[8] & 0x80) ? 2 << (d[8] & 7) : 0;
        const std::size_t codeSizeAt = in.pos + 9 + 3 * std::size_t(localCount);
        if (n <= codeSizeAt) Fail(name, "the file is truncated");
        const int minCodeSize = data[codeSizeAt];
        if (minCodeSize < 1 || minCodeSize > 11)
            Fail(name, "invalid LZW minimum code size " + std::to_string(minCodeSize));

        // Colour lookup: indices beyond the table are black; the transparent index leaves the zeroed
        // canvas, which composing over black makes black as well.
        TColor32 lut[kMaxCode];
        std::fill(std::begin(lut), std::end(lut), clBlack32);
        if (localCount > 0) {
            for (int i = 0; i < localCount; ++i)
                lut[i] = Color32(d[9 + 3 * i], d[10 + 3 * i], d[11 + 3 * i]);
        } else if (const ColorMapObject* map = gif->SColorMap; map && map->Colors) {
            for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
                lut[i] = Color32(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
        }
        if (transparent >= 0) lut[transparent] = clBlack32;

        TBitmap32 bmp = BlackScreen(sw, sh);
        const int x0 = std::max(left, 0), x1 = std::min(left + iw, sw); // columns on the screen
        auto paint = [&](int row, const auto* src) {
            int y = top + row;
            if (y >= sh || x0 >= x1) return;
            TColor32* dst = bmp.ScanLine(y);
            for (int x = x0; x < x1; ++x)
                dst[x] = lut[src[x - left]];
        };
        auto forEachRow = [&](auto&& decodeRow) {
            if (interlaced) {
                static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
                for (int pass = 0; pass < 4; ++pass)
                    for (int row = start[pass]; row < ih; row += step[pass])
                        decodeRow(row);
            } else {
                for (int row = 0; row < ih; ++row)
                    decodeRow(row);
            }
        };

        if (minCodeSize <= 8) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) Fail(name, DecodeErrorText(gif->Error));
            std::unique_ptr<GifPixelType[]> line(new GifPixelType[std::size_t(iw)]);
            forEachRow([&](int row) {
                if (DGifGetLine(gif.get(), line.get(), iw) == GIF_ERROR)
                    Fail(name, DecodeErrorText(gif->Error));
                paint(row, line.get());
            });
        } else {
            // giflib takes code sizes up to 8 only; wider ones are decoded here.
            WideLzw lzw(data + codeSizeAt + 1, data + n, minCodeSize, name);
            std::unique_ptr<std::uint16_t[]> line(new std::uint16_t[std::size_t(iw)]);
            forEachRow([&](int row) {
                lzw.ReadRow(line.get(), iw);
                paint(row, line.get());
            });
            lzw.Finish();
        }
        return bmp;
    }
}

// ---------------------------------------------------------------------------------------------
// Encoding

namespace {

struct GifOutput {
    Bytes bytes;
};

int WriteToMemory(GifFileType* gif, const GifByteType* src, int len) {
    auto* out = static_cast<GifOutput*>(gif->UserData);
    if (len > 0) out->bytes.insert(out->bytes.end(), src, src + len);
    return len;
}

std::string EncodeErrorText(int code) {
    const char* s = GifErrorString(code);
    return "GIF encoder: " + (s ? std::string(s) : "error " + std::to_string(code));
}

// Writes w x h palette indices (one byte each, rows top to bottom) as a GIF89a file.
Bytes WriteGif(int w, int h, const std::vector<TColor32>& palette, const std::uint8_t* indices) {
    int bits = 1;
    while ((1u << bits) < palette.size())
        ++bits;
    const int mapSize = 1 << bits;
    std::vector<GifColorType> colours(std::size_t(mapSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i)
        colours[i] =
            GifColorType{GifByteType(RedComponent(palette[i])), GifByteType(GreenComponent(palette[i])),
                         GifByteType(BlueComponent(palette[i]))};
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(mapSize, colours.data()),
                                                                   GifFreeMapObject);
    if (!map) throw Error(EncodeErrorText(E_GIF_ERR_NOT_ENOUGH_MEM));

    GifOutput out;
    out.bytes.reserve(std::size_t(w) * std::size_t(h) / 2 + 1024);
    int err = 0;
    GifFileType* gif = EGifOpen(&out, WriteToMemory, &err);
    if (!gif) throw Error(EncodeErrorText(err));
    auto fail = [&](int code) {
        int e = 0;
        EGifCloseFile(gif, &e);
        throw Error(EncodeErrorText(code));
    };
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, w, h, 8, 0, map.get()) == GIF_ERROR) fail(gif->Error);
    if (EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR) fail(gif->Error);
    for (int y = 0; y < h; ++y) {
        auto* row = const_cast<GifPixelType*>(indices + std::size_t(y) * std::size_t(w));
        if (EGifPutLine(gif, row, w) == GIF_ERROR) fail(gif->Error);
    }
    if (EGifCloseFile(gif, &err) == GIF_ERROR) throw Error(EncodeErrorText(err));
    return std::move(out.bytes);
}

// Every pixel mapped to its nearest palette colour by nearest(colour) -> index, which is asked once
// per distinct colour of the picture.
template <class Nearest>
std::unique_ptr<std::uint8_t[]> MapToPalette(const TBitmap32& bmp, const Nearest& nearest) {
    const std::vector<std::uint64_t> colours = ColourSet(bmp);
    // Index by colour over the whole cube; only the entries of the picture's colours are written
    // and read, so most of the block is never touched.
    std::unique_ptr<std::uint8_t[]> byColour(new std::uint8_t[std::size_t(1) << 24]);
    ParallelRows(int(colours.size()), 64, [&](int w0, int w1) {
        for (int word = w0; word < w1; ++word)
            for (std::uint64_t bits = colours[std::size_t(word)]; bits; bits &= bits - 1) {
                TColor32 c = (TColor32(word) << 6) | TColor32(std::countr_zero(bits));
                byColour[c] = nearest(c);
            }
    });
    const int w = bmp.Width();
    std::unique_ptr<std::uint8_t[]> idx(new std::uint8_t[bmp.PixelCount()]);
    ParallelRows(bmp.Height(), std::size_t(w), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const TColor32* src = bmp.ScanLine(y);
            std::uint8_t* dst = idx.get() + std::size_t(y) * std::size_t(w);
            for (int x = 0; x < w; ++x)
                dst[x] = byColour[src[x] & 0xFFFFFFu];
        }
    });
    return idx;
}

// Exact palette of a picture with at most 256 distinct colours (sorted), or false.
bool ExactPalette(const TBitmap32& bmp, std::vector<TColor32>& palette,
                  std::unique_ptr<std::uint8_t[]>& idx) {
    std::vector<std::uint64_t> seen(std::size_t(1) << 18, 0);
    palette.clear();
    const TColor32* p = bmp.Bits();
    const std::size_t count = bmp.PixelCount();
    for (std::size_t i = 0; i < count; ++i) {
        TColor32 c = p[i] & 0xFFFFFFu;
        std::uint64_t bit = std::uint64_t(1) << (c & 63);
        if (seen[c >> 6] & bit) continue;
        seen[c >> 6] |= bit;
        if (palette.size() == 256) return false;
        palette.push_back(c);
    }
    std::sort(palette.begin(), palette.end());
    // Colour to index over the whole colour cube; only the entries of palette colours are written
    // and read.
    std::unique_ptr<std::uint8_t[]> lookup(new std::uint8_t[std::size_t(1) << 24]);
    for (std::size_t i = 0; i < palette.size(); ++i)
        lookup[palette[i]] = std::uint8_t(i);
    idx.reset(new std::uint8_t[count]);
    for (std::size_t i = 0; i < count; ++i)
        idx[i] = lookup[p[i] & 0xFFFFFFu];
    for (auto& c : palette)
        c |= 0xFF000000u;
    return true;
}

struct LiqAttrFree {
    void operator()(liq_attr* a) const { liq_attr_destroy(a); }
};
struct LiqImageFree {
    void operator()(liq_image* i) const { liq_image_destroy(i); }
};
struct LiqResultFree {
    void operator()(liq_result* r) const { liq_result_destroy(r); }
};

// The quantiser sees every step-th pixel of every step-th row: a few million pixels choose a
// palette as well as all of a large photo, in a fraction of the time.
constexpr long long kQuantiserPixels = 2000000;

struct SampledPicture {
    const TBitmap32* bmp;
    int step;
};

void SampledRowToRgba(liq_color rowOut[], int row, int width, void* user) {
    const auto* s = static_cast<const SampledPicture*>(user);
    const TColor32* src = s->bmp->ScanLine(row * s->step);
    for (int x = 0; x < width; ++x) {
        TColor32 c = src[std::size_t(x) * std::size_t(s->step)];
        rowOut[x] = liq_color{static_cast<unsigned char>(RedComponent(c)),
                              static_cast<unsigned char>(GreenComponent(c)),
                              static_cast<unsigned char>(BlueComponent(c)), 255};
    }
}

// At most 256 colours chosen for the picture by libimagequant. Pixels are then mapped to their
// nearest palette colour, without dithering, like the fixed palettes.
std::vector<TColor32> QuantisedPalette(const TBitmap32& bmp) {
    SampledPicture sample{&bmp, 1};
    while ((long long)(bmp.Width() / sample.step) * (bmp.Height() / sample.step) > kQuantiserPixels)
        ++sample.step;
    const int w = std::max(1, bmp.Width() / sample.step), h = std::max(1, bmp.Height() / sample.step);

    std::unique_ptr<liq_attr, LiqAttrFree> attr(liq_attr_create());
    if (!attr) throw Error("GIF encoder: colour quantisation is not available");
    liq_set_max_colors(attr.get(), 256);
    std::unique_ptr<liq_image, LiqImageFree> image(
        liq_image_create_custom(attr.get(), SampledRowToRgba, &sample, w, h, 0));
    if (!image) throw Error("GIF encoder: colour quantisation failed");
    liq_result* raw = nullptr;
    liq_error e = liq_image_quantize(image.get(), attr.get(), &raw);
    if (e != LIQ_OK)
        throw Error("GIF encoder: colour quantisation failed (error " + std::to_string(int(e)) + ")");
    std::unique_ptr<liq_result, LiqResultFree> result(raw);
    const liq_palette* pal = liq_get_palette(result.get());
    std::vector<TColor32> palette;
    for (unsigned i = 0; i < pal->count && i < 256; ++i)
        palette.push_back(Color32(pal->entries[i].r, pal->entries[i].g, pal->entries[i].b));
    if (palette.empty()) palette.push_back(clBlack32);
    return palette;
}

} // namespace

Bytes EncodeGIF(const TBitmap32& bmp, GifColours colours) {
    if (bmp.Empty()) throw Error("GIF encoder: the picture is empty");
    std::vector<TColor32> palette;
    std::unique_ptr<std::uint8_t[]> idx;
    switch (colours) {
    case GifColours::Two:
        palette.assign(TwoColourPalette().begin(), TwoColourPalette().end());
        idx = MapToPalette(bmp, NearestTwoColourIndex);
        break;
    case GifColours::Sixteen:
        palette.assign(SixteenColourPalette().begin(), SixteenColourPalette().end());
        idx = MapToPalette(bmp, NearestSixteenColourIndex);
        break;
    case GifColours::Palette256:
        palette.assign(Palette256().begin(), Palette256().end());
        idx = MapToPalette(bmp, NearestPalette256Index);
        break;
    case GifColours::Auto:
        if (!ExactPalette(bmp, palette, idx)) {
            palette = QuantisedPalette(bmp);
            idx = MapToPalette(bmp, NearestColourMap(palette.data(), int(palette.size())));
        }
        break;
    }
    return WriteGif(bmp.Width(), bmp.Height(), palette, idx.get());
}

void SaveGIF(const TBitmap32& bmp, const std::string& fileName, GifColours colours) {
    Bytes b = EncodeGIF(bmp, colours);
    WriteWholeFile(fileName, b.data(), b.size());
}

} // namespace kv::codecs
