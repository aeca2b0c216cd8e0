// PNG decoding and encoding with libpng.
//
// libpng reports errors by longjmp. Every libpng call sits in a function whose frame holds only
// trivially destructible locals; the state that needs cleanup (the libpng structs, the row
// pointers, the output) lives in a context owned by the caller, so a longjmp leaks nothing and the
// C++ exception is thrown only after control is back in ordinary code.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
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
    for (png_uint_32 y = 0; y < h; ++y) r.rows[y] = reinterpret_cast<png_bytep>(r.bmp.ScanLine(int(y)));
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
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(r.png);
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
        if (why == "Invalid IHDR data" && r.message.warning[0]) why += std::string(" (") + r.message.warning + ")";
        throw Error(name + ": " + why);
    }
    return std::move(r.bmp);
}

// ---------------------------------------------------------------------------------------------
// Encoding

struct PngWriter {
    Bytes out;
    PngMessage message;
    png_structp png = nullptr;
    png_infop info = nullptr;

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
    // Photos are the usual content: the Paeth filter with a fast zlib level keeps a 24-megapixel
    // save short at a size close to the default settings'.
    png_set_compression_level(w.png, 3);
    png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
    png_set_IHDR(w.png, w.info, png_uint_32(bmp.Width()), png_uint_32(bmp.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(w.png, w.info);
    // The rows are TColor32 in memory (B, G, R, A): libpng swaps to RGB and drops the fourth byte.
    png_set_bgr(w.png);
    png_set_filler(w.png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < bmp.Height(); ++y)
        png_write_row(w.png, reinterpret_cast<png_const_bytep>(bmp.ScanLine(y)));
    png_write_end(w.png, w.info);
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
    if (!WritePng24(w, bmp)) throw Error(std::string("PNG encoder: ") + w.message.text);
    return std::move(w.out);
}

void SavePNG(const TBitmap32& bmp, const std::string& fileName) {
    const Bytes bytes = EncodePNG24(bmp);
    WriteWholeFile(fileName, bytes.data(), bytes.size());
}

} // namespace kv::codecs
