// JPEG decoding and encoding with libjpeg(-turbo).
//
// libjpeg reports fatal errors through error_exit, which must not return: it longjmps back to the
// function that set the jump point. Those functions hold only trivially destructible locals; what
// needs cleanup lives in a context owned by the caller, and the C++ exception is thrown from there.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace kv::codecs {

namespace {

struct JpegErrorManager {
    jpeg_error_mgr pub; // first member: libjpeg sees a jpeg_error_mgr*
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX + 64] = {};
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

// Warnings about corrupt but decodable data are accepted silently. Running out of data is not: the
// library would fill the rest of the picture with grey, so a truncated file is refused instead.
void OnJpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) OnJpegError(cinfo);
}

void SetUpErrors(JpegErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.emit_message = OnJpegMessage;
}

// ---------------------------------------------------------------------------------------------
// Decoding

struct JpegReader {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err;
    bool created = false;
    char ownError[128] = {};
    TBitmap32 bmp;
    std::vector<JSAMPLE> cmykRow; // one row of CMYK samples, converted to the bitmap row

    ~JpegReader() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

// Allocates the bitmap and the CMYK row once the header is known. Never throws.
bool PrepareOutput(JpegReader& r, bool cmyk) noexcept {
    const JDIMENSION w = r.cinfo.image_width, h = r.cinfo.image_height;
    if (!SizeWithinLimit(w, h)) {
        std::snprintf(r.ownError, sizeof(r.ownError), "the picture size %ux%u is beyond the size limit",
                      unsigned(w), unsigned(h));
        return false;
    }
    try {
        r.bmp.SetSize(int(w), int(h));
        if (cmyk) r.cmykRow.resize(std::size_t(w) * 4);
    } catch (...) {
        std::snprintf(r.ownError, sizeof(r.ownError), "Can't allocate the DIB handle");
        return false;
    }
    return true;
}

// round(a * b / 255) for 8-bit a and b, exactly.
inline int MulDiv255(int a, int b) {
    const int t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// CMYK to RGB without a colour profile: R = (255 - C)(255 - K) / 255, and so on. Adobe files store
// the channels inverted, so there the stored values are already 255 - C and 255 - K.
void CmykRowToBgra(const JSAMPLE* in, TColor32* out, JDIMENSION w, bool inverted) {
    for (JDIMENSION x = 0; x < w; ++x, in += 4) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = Color32(MulDiv255(c, k), MulDiv255(m, k), MulDiv255(y, k), 255);
    }
}

bool ReadJpeg(JpegReader& r, const std::uint8_t* data, std::size_t n) {
    SetUpErrors(r.err);
    r.cinfo.err = &r.err.pub;
    if (setjmp(r.err.jump)) return false;
    jpeg_create_decompress(&r.cinfo);
    r.created = true;
    jpeg_mem_src(&r.cinfo, data, static_cast<unsigned long>(n));
    jpeg_read_header(&r.cinfo, TRUE); // refuses other sample precisions than 8 bits

    const bool cmyk = r.cinfo.jpeg_color_space == JCS_CMYK || r.cinfo.jpeg_color_space == JCS_YCCK;
    // libjpeg-turbo writes B, G, R, 255 per pixel: a TColor32 row in memory, alpha already opaque.
    r.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    r.cinfo.dct_method = JDCT_ISLOW;
    r.cinfo.do_fancy_upsampling = TRUE;

    if (!PrepareOutput(r, cmyk)) return false;
    jpeg_start_decompress(&r.cinfo);
    if (r.cinfo.output_width != r.cinfo.image_width || r.cinfo.output_height != r.cinfo.image_height ||
        r.cinfo.output_components != 4) {
        std::snprintf(r.ownError, sizeof(r.ownError), "unsupported JPEG layout");
        return false;
    }
    const bool inverted = r.cinfo.saw_Adobe_marker;
    while (r.cinfo.output_scanline < r.cinfo.output_height) {
        const int y = int(r.cinfo.output_scanline);
        if (cmyk) {
            JSAMPROW row = r.cmykRow.data();
            jpeg_read_scanlines(&r.cinfo, &row, 1);
            CmykRowToBgra(row, r.bmp.ScanLine(y), r.cinfo.output_width, inverted);
        } else {
            // Up to 16 rows at once straight into the bitmap.
            JSAMPROW rows[16];
            const int count = std::min(16, int(r.cinfo.output_height) - y);
            for (int i = 0; i < count; ++i)
                rows[i] = reinterpret_cast<JSAMPROW>(r.bmp.ScanLine(y + i));
            jpeg_read_scanlines(&r.cinfo, rows, JDIMENSION(count));
        }
    }
    jpeg_finish_decompress(&r.cinfo);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Encoding

struct JpegWriter {
    jpeg_compress_struct cinfo{};
    JpegErrorManager err;
    bool created = false;
    unsigned char* buffer = nullptr; // grown by libjpeg with malloc
    unsigned long size = 0;

    ~JpegWriter() {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

bool WriteJpeg(JpegWriter& w, const TBitmap32& bmp, int quality) {
    SetUpErrors(w.err);
    w.cinfo.err = &w.err.pub;
    if (setjmp(w.err.jump)) return false;
    jpeg_create_compress(&w.cinfo);
    w.created = true;
    jpeg_mem_dest(&w.cinfo, &w.buffer, &w.size);
    w.cinfo.image_width = JDIMENSION(bmp.Width());
    w.cinfo.image_height = JDIMENSION(bmp.Height());
    w.cinfo.input_components = 4;
    w.cinfo.in_color_space = JCS_EXT_BGRA; // TColor32 rows as they are; the fourth byte is ignored
    jpeg_set_defaults(&w.cinfo);
    jpeg_set_quality(&w.cinfo, quality, TRUE);
    w.cinfo.dct_method = JDCT_ISLOW;
    // High qualities keep the colour at full resolution; below 90 chroma is halved both ways (4:2:0,
    // the library default), where it costs little that the quantisation has not already taken.
    if (quality >= 90) {
        for (int c = 0; c < w.cinfo.num_components; ++c) {
            w.cinfo.comp_info[c].h_samp_factor = 1;
            w.cinfo.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_start_compress(&w.cinfo, TRUE);
    while (w.cinfo.next_scanline < w.cinfo.image_height) {
        JSAMPROW rows[16];
        const int y = int(w.cinfo.next_scanline);
        const int count = std::min(16, int(w.cinfo.image_height) - y);
        for (int i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(bmp.ScanLine(y + i)));
        jpeg_write_scanlines(&w.cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(&w.cinfo);
    return true;
}

} // namespace

TBitmap32 DecodeJPEG(const std::uint8_t* data, std::size_t n, const std::string& name) {
    if (n < 3 || data[0] != 0xFF || data[1] != 0xD8) throw Error(name + ": not a JPEG file");
    JpegReader r;
    if (!ReadJpeg(r, data, n)) throw Error(name + ": " + (r.ownError[0] ? r.ownError : r.err.text));
    return std::move(r.bmp);
}

Bytes EncodeJPEG(const TBitmap32& bmp, int quality) {
    if (bmp.Empty()) throw Error("Cannot write an empty picture as JPEG");
    quality = std::clamp(quality, 1, 100);
    JpegWriter w;
    if (!WriteJpeg(w, bmp, quality)) throw Error(std::string("JPEG encoder: ") + w.err.text);
    return Bytes(w.buffer, w.buffer + w.size);
}

void SaveJPEG(const TBitmap32& bmp, const std::string& fileName, int quality) {
    const Bytes bytes = EncodeJPEG(bmp, quality);
    WriteWholeFile(fileName, bytes.data(), bytes.size());
}

} // namespace kv::codecs
