// TIFF writing with libtiff: 8-bit RGB, LZW with the horizontal predictor, written to memory
// through libtiff's client callbacks, then to the file in one piece.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace kv::codecs {

namespace {

// A growable in-memory file with a position, as libtiff's client I/O expects.
struct MemoryTiff {
    Bytes data;
    std::uint64_t pos = 0;
    std::string error;
};

tmsize_t TiffRead(thandle_t h, void* buf, tmsize_t size) {
    auto* m = static_cast<MemoryTiff*>(h);
    if (size <= 0 || m->pos >= m->data.size()) return 0;
    const std::uint64_t n = std::min<std::uint64_t>(std::uint64_t(size), m->data.size() - m->pos);
    std::memcpy(buf, m->data.data() + m->pos, n);
    m->pos += n;
    return tmsize_t(n);
}

tmsize_t TiffWrite(thandle_t h, void* buf, tmsize_t size) {
    auto* m = static_cast<MemoryTiff*>(h);
    if (size < 0) return -1;
    try {
        const std::uint64_t end = m->pos + std::uint64_t(size);
        if (end > m->data.size()) m->data.resize(end);
        std::memcpy(m->data.data() + m->pos, buf, std::size_t(size));
        m->pos = end;
    } catch (...) {
        return -1;
    }
    return size;
}

toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<MemoryTiff*>(h);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = m->pos;
    else if (whence == SEEK_END)
        base = m->data.size();
    m->pos = base + off;
    return m->pos;
}

int TiffClose(thandle_t) {
    return 0;
}
toff_t TiffSize(thandle_t h) {
    return static_cast<MemoryTiff*>(h)->data.size();
}
int TiffMap(thandle_t, void**, toff_t*) {
    return 0;
}
void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffOnError(TIFF*, void* user, const char*, const char* fmt, va_list ap) {
    auto* m = static_cast<MemoryTiff*>(user);
    if (m->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof(text), fmt, ap);
        m->error = text;
    }
    return 1;
}

int TiffOnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    TIFF* tif = nullptr;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

struct OptionsFree {
    TIFFOpenOptions* opts;
    ~OptionsFree() { TIFFOpenOptionsFree(opts); }
};

} // namespace

Bytes EncodeTIFF(const TBitmap32& bmp) {
    if (bmp.Empty()) throw Error("Cannot write an empty picture as TIFF");
    MemoryTiff mem;
    OptionsFree opts{TIFFOpenOptionsAlloc()};
    // Messages go to this file's handler, not to libtiff's process-wide one.
    TIFFOpenOptionsSetErrorHandlerExtR(opts.opts, TiffOnError, &mem);
    TIFFOpenOptionsSetWarningHandlerExtR(opts.opts, TiffOnWarning, &mem);
    auto fail = [&](const char* what) -> Error {
        return Error(std::string("TIFF encoder: ") + (mem.error.empty() ? what : mem.error));
    };

    TiffCloser t;
    t.tif = TIFFClientOpenExt("memory", "w", &mem, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                              TiffMap, TiffUnmap, opts.opts);
    if (!t.tif) throw fail("cannot start the file");

    const auto w = std::uint32_t(bmp.Width()), h = std::uint32_t(bmp.Height());
    TIFFSetField(t.tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t.tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t.tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t.tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t.tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    TIFFSetField(t.tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t.tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t.tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t.tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t.tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(t.tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t.tif, TIFFTAG_XRESOLUTION, 96.0f);
    TIFFSetField(t.tif, TIFFTAG_YRESOLUTION, 96.0f);
    // Strips of about 64 KiB of uncompressed rows.
    TIFFSetField(t.tif, TIFFTAG_ROWSPERSTRIP, std::max<std::uint32_t>(1, 65536 / (w * 3)));

    std::vector<std::uint8_t> row(std::size_t(w) * 3);
    for (std::uint32_t y = 0; y < h; ++y) {
        const TColor32* src = bmp.ScanLine(int(y));
        std::uint8_t* d = row.data();
        for (std::uint32_t x = 0; x < w; ++x, d += 3) {
            const TColor32 c = src[x];
            d[0] = std::uint8_t(c >> 16);
            d[1] = std::uint8_t(c >> 8);
            d[2] = std::uint8_t(c);
        }
        if (TIFFWriteScanline(t.tif, row.data(), y, 0) < 0) throw fail("cannot write the pixel rows");
    }
    if (!TIFFWriteDirectory(t.tif)) throw fail("cannot write the directory");
    TIFFClose(t.tif);
    t.tif = nullptr;
    if (!mem.error.empty()) throw fail("");
    return std::move(mem.data);
}

void SaveTIFF(const TBitmap32& bmp, const std::string& fileName) {
    const Bytes bytes = EncodeTIFF(bmp);
    WriteWholeFile(fileName, bytes.data(), bytes.size());
}

} // namespace kv::codecs
