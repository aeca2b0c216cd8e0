// PNG decoding and encoding with libpng.
//
// libpng reports errors by longjmp. Every libpng call sits in a function whose frame holds only
// trivially destructible locals; the state that needs cleanup (the libpng structs, the row
// pointers, the output) lives in a context owned by the caller, so a longjmp leaks nothing and the
// C++ exception is thrown only after control is back in ordinary code.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "core/parallel.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace kv::codecs {

namespace {

struct PngMessage {
    char text[256] = {};
    char warning[160] = {}; // the first warning, which says what was wrong with a refused header
    void Set(const char* s) {
        std::strncpy(text, s ? s : "unknown error", sizeof(text) - 1);
        text[sizeof(text) - 1] = 0;
    }
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp msg) {
    auto* m = static_cast<PngMessage*>(png_get_error_ptr(png));
    if (m) m->Set(msg);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp png, png_const_charp msg) {
    auto* m = static_cast<PngMessage*>(png_get_error_ptr(png));
    if (m && !m->warning[0] && msg) {
        std::strncpy(m->warning, msg, sizeof(m->warning) - 1);
        m->warning[sizeof(m->warning) - 1] = 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Decoding

struct PngReader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0, pos = 0;
    PngMessage message;
    // Set when the failure is ours (size limit, allocation) rather than libpng's.
    char ownError[256] = {};
    png_structp png = nullptr;
    png_infop info = nullptr;
    TBitmap32 bmp;
    std::vector<png_bytep> rows;

    ~PngReader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t len) {
    auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
    if (len > r->size - r->pos) png_error(png, "unexpected end of file");
    std::memcpy(out, r->data + r->pos, len);
    r->pos += len;
}

// Sets up the bitmap and its row pointers once the header is known. Returns false with ownError
// set when the picture is beyond the size limit or memory runs out. Never throws.
bool PrepareOutput(PngReader& r, png_uint_32 w, png_uint_32 h) noexcept {
    if (!SizeWithinLimit(w, h)) {
        std::snprintf(r.ownError, sizeof(r.ownError), "the picture size %ux%u is beyond the size limit",
                      unsigned(w), unsigned(h));
        return false;
    }
    try {
        r.bmp.SetSize(int(w), int(h));
        r.rows.resize(h);
    } catch (...) {
        std::snprintf(r.ownError, sizeof(r.ownError), "Can't allocate the DIB handle");
        return false;
    }
    for (png_uint_32 y = 0; y < h; ++y)
        r.rows[y] = reinterpret_cast<png_bytep>(r.bmp.ScanLine(int(y)));
    return true;
}

// Decodes the whole image into r.bmp as straight BGRA (= TColor32 in memory). Returns false on
// any failure, with the reason in r.message or r.ownError.
bool ReadPng(PngReader& r) {
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.message, OnPngError, OnPngWarning);
    if (!r.png) {
        r.message.Set("out of memory");
        return false;
    }
    r.info = png_create_info_struct(r.png);
    if (!r.info) {
        r.message.Set("out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(r.png))) return false;

    png_set_read_fn(r.png, &r, ReadFromMemory);
    // Header dimensions beyond the bitmap limit are refused by libpng before it allocates.
    png_set_user_limits(r.png, kMaxBitmapSide, kMaxBitmapSide);
    // Ancillary chunks may be as large as the file; cap what libpng buffers for one of them.
    png_set_chunk_malloc_max(r.png, 64u << 20);
    png_read_info(r.png, r.info);

    png_uint_32 w = 0, h = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(r.png, r.info, &w, &h, &depth, &colourType, &interlace, nullptr, nullptr);

    // Everything to 8-bit BGRA; no gamma correction (the gAMA chunk is ignored on purpose).
    if (depth == 16) png_set_scale_16(r.png); // (v * 255 + 32895) >> 16 = v / 257 rounded
    png_set_expand(r.png);                    // palette to RGB, low grey depths to 8, tRNS to alpha
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(r.png);
    png_set_filler(r.png, 0xFF, PNG_FILLER_AFTER); // adds opaque alpha where there is none
    png_set_bgr(r.png);
    if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != png_size_t(w) * 4) {
        r.message.Set("unsupported pixel layout");
        return false;
    }

    if (!PrepareOutput(r, w, h)) return false;
    png_read_image(r.png, r.rows.data());
    // The end chunk is read too, so a file cut after the last image data is still refused.
    png_read_end(r.png, nullptr);
    return true;
}

TBitmap32 DecodePngStraight(const std::uint8_t* data, std::size_t n, const std::string& name) {
    if (n < 8 || png_sig_cmp(data, 0, 8) != 0) throw Error(name + ": not a PNG file");
    PngReader r;
    r.data = data;
    r.size = n;
    if (!ReadPng(r)) {
        if (r.ownError[0]) throw Error(name + ": " + r.ownError);
        std::string why = r.message.text;
        // libpng names only "Invalid IHDR data"; its warning says which field (e.g. the width
        // beyond the limit).
        if (why == "Invalid IHDR data" && r.message.warning[0])
            why += std::string(" (") + r.message.warning + ")";
        throw Error(name + ": " + why);
    }
    return std::move(r.bmp);
}

// ---------------------------------------------------------------------------------------------
// Encoding
//
// The image data is one zlib stream, compressed in bands of a fixed number of rows so that the
// bands can be deflated on several threads: each band is a raw deflate stream ended by a sync
// flush (the last one by the final block), so the bands concatenate into one valid stream; their
// Adler-32 sums are combined. Band sizes depend only on the picture, never on the thread count,
// so the file is the same bytes however many threads ran. libpng writes the signature, the header
// and the chunks around the data.

// A fast level: on photos about a tenth larger than the library defaults, in a quarter of the time.
constexpr int kZlibLevel = 2;
constexpr std::size_t kBandPixels = 1u << 20; // about one megapixel per band

inline std::uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return std::uint8_t(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
}

// One row as PNG data: filter type 4 (Paeth) and the filtered R, G, B bytes. `above` is the
// unfiltered RGB of the previous row, or null for the first row.
void PaethRow(const TColor32* src, int w, const std::uint8_t* above, std::uint8_t* rgb, std::uint8_t* out) {
    for (int x = 0; x < w; ++x) {
        const TColor32 c = src[x];
        rgb[x * 3] = std::uint8_t(c >> 16);
        rgb[x * 3 + 1] = std::uint8_t(c >> 8);
        rgb[x * 3 + 2] = std::uint8_t(c);
    }
    out[0] = 4;
    std::uint8_t* f = out + 1;
    const int n = w * 3;
    for (int i = 0; i < n; ++i) {
        const int a = i >= 3 ? rgb[i - 3] : 0;
        const int b = above ? above[i] : 0;
        const int c = above && i >= 3 ? above[i - 3] : 0;
        f[i] = std::uint8_t(rgb[i] - Paeth(a, b, c));
    }
}

struct Band {
    Bytes data;           // raw deflate output
    uLong adler = 1;      // Adler-32 of the band's uncompressed bytes
    std::size_t size = 0; // uncompressed bytes
    bool ok = false;
};

// Deflates rows [y0, y1). Never throws; a failure leaves ok false.
void DeflateBand(const TBitmap32& bmp, int y0, int y1, bool last, Band& band) noexcept {
    z_stream zs{};
    if (deflateInit2(&zs, kZlibLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    try {
        const int w = bmp.Width();
        const std::size_t rowBytes = std::size_t(w) * 3 + 1;
        std::vector<std::uint8_t> rgb(std::size_t(w) * 6), row(rowBytes);
        std::uint8_t* cur = rgb.data();
        std::uint8_t* prev = rgb.data() + std::size_t(w) * 3;
        if (y0 > 0) PaethRow(bmp.ScanLine(y0 - 1), w, nullptr, prev, row.data()); // unfiltered RGB above
        band.size = rowBytes * std::size_t(y1 - y0);
        band.data.resize(band.size / 2 + 1024); // doubled when photos compress worse
        zs.next_out = band.data.data();
        zs.avail_out = uInt(band.data.size());
        bool failed = false;
        for (int y = y0; y < y1 && !failed; ++y) {
            PaethRow(bmp.ScanLine(y), w, y > 0 ? prev : nullptr, cur, row.data());
            band.adler = adler32(band.adler, row.data(), uInt(rowBytes));
            zs.next_in = row.data();
            zs.avail_in = uInt(rowBytes);
            const int flush = y + 1 < y1 ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
            for (;;) {
                if (zs.avail_out == 0) {
                    const std::size_t used = band.data.size();
                    band.data.resize(used * 2);
                    zs.next_out = band.data.data() + used;
                    zs.avail_out = uInt(band.data.size() - used);
                }
                const int rc = deflate(&zs, flush);
                if (rc == Z_STREAM_ERROR) {
                    failed = true;
                    break;
                }
                if (flush == Z_FINISH ? rc == Z_STREAM_END : (zs.avail_in == 0 && zs.avail_out > 0)) break;
            }
            std::swap(cur, prev);
        }
        band.data.resize(band.data.size() - zs.avail_out);
        band.ok = !failed;
    } catch (...) {
        band.ok = false;
    }
    deflateEnd(&zs);
}

struct PngWriter {
    Bytes out;
    PngMessage message;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<Band> bands;

    ~PngWriter() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void WriteToMemory(png_structp png, png_bytep in, png_size_t len) {
    auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
    bool ok = true;
    try {
        w->out.insert(w->out.end(), in, in + len);
    } catch (...) {
        ok = false;
    }
    if (!ok) png_error(png, "out of memory");
}

void FlushMemory(png_structp) {}

// Compresses the image data into w.bands. Throws only std::bad_alloc.
bool CompressBands(PngWriter& w, const TBitmap32& bmp) {
    const int h = bmp.Height();
    const int bandRows = int(std::max<std::size_t>(1, kBandPixels / std::size_t(bmp.Width())));
    const int count = (h + bandRows - 1) / bandRows;
    w.bands.resize(std::size_t(count));
    ParallelRows(
        count, std::size_t(bandRows) * std::size_t(bmp.Width()),
        [&](int b0, int b1) {
            for (int b = b0; b < b1; ++b)
                DeflateBand(bmp, b * bandRows, std::min(h, (b + 1) * bandRows), b + 1 == count,
                            w.bands[std::size_t(b)]);
        },
        kBandPixels);
    uLong adler = 1;
    for (const Band& band : w.bands) {
        if (!band.ok) return false;
        adler = adler32_combine(adler, band.adler, z_off_t(band.size));
    }
    // The zlib header (deflate, 32 KiB window, "fast" level) goes before the first band, the
    // checksum after the last.
    Bytes& first = w.bands.front().data;
    first.insert(first.begin(), {0x78, 0x5E});
    Bytes& tail = w.bands.back().data;
    for (int sh = 24; sh >= 0; sh -= 8)
        tail.push_back(std::uint8_t(adler >> sh));
    return true;
}

bool WritePng24(PngWriter& w, const TBitmap32& bmp) {
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.message, OnPngError, OnPngWarning);
    if (!w.png) {
        w.message.Set("out of memory");
        return false;
    }
    w.info = png_create_info_struct(w.png);
    if (!w.info) {
        w.message.Set("out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(w.png))) return false;

    png_set_write_fn(w.png, &w, WriteToMemory, FlushMemory);
    std::size_t total = 128;
    for (const Band& band : w.bands)
        total += band.data.size() + 12;
    w.out.reserve(total);
    png_set_IHDR(w.png, w.info, png_uint_32(bmp.Width()), png_uint_32(bmp.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(w.png, w.info);
    static const png_byte kIdat[5] = {'I', 'D', 'A', 'T', 0};
    static const png_byte kIend[5] = {'I', 'E', 'N', 'D', 0};
    for (const Band& band : w.bands)
        png_write_chunk(w.png, kIdat, band.data.data(), band.data.size());
    png_write_chunk(w.png, kIend, nullptr, 0);
    return true;
}

} // namespace

TBitmap32 DecodePNGRaw(const std::uint8_t* data, std::size_t n, const std::string& name) {
    return DecodePngStraight(data, n, name);
}

TBitmap32 DecodePNG(const std::uint8_t* data, std::size_t n, const std::string& name) {
    TBitmap32 bmp = DecodePngStraight(data, n, name);
    // Transparency is composed over black, then the picture is opaque.
    TColor32* p = bmp.Bits();
    const std::size_t count = bmp.PixelCount();
    for (std::size_t i = 0; i < count; ++i) {
        const TColor32 c = p[i];
        if ((c >> 24) != 255) p[i] = BlendReg(c, clBlack32) | 0xFF000000u;
    }
    return bmp;
}

TBitmap32 LoadPNGRaw(const std::string& fileName) {
    const Bytes bytes = ReadWholeFile(fileName);
    return DecodePNGRaw(bytes.data(), bytes.size(), fileName);
}

Bytes EncodePNG24(const TBitmap32& bmp) {
    if (bmp.Empty()) throw Error("Cannot write an empty picture as PNG");
    PngWriter w;
    try {
        if (!CompressBands(w, bmp)) throw Error("PNG encoder: the image data could not be compressed");
        if (!WritePng24(w, bmp)) throw Error(std::string("PNG encoder: ") + w.message.text);
    } catch (const std::bad_alloc&) {
        throw Error("PNG encoder: out of memory");
    }
    return std::move(w.out);
}

void SavePNG(const TBitmap32& bmp, const std::string& fileName) {
    const Bytes bytes = EncodePNG24(bmp);
    WriteWholeFile(fileName, bytes.data(), bytes.size());
}

} // namespace kv::codecs
