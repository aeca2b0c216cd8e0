// TIFF writing: 8-bit RGB, LZW, read back with libtiff.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::TColor32;
using kv::codecs::Bytes;

namespace {

struct Reader {
    const Bytes* data;
    std::uint64_t pos = 0;
};

tmsize_t Read(thandle_t h, void* buf, tmsize_t n) {
    auto* r = static_cast<Reader*>(h);
    const std::uint64_t left = r->pos < r->data->size() ? r->data->size() - r->pos : 0;
    const std::uint64_t k = std::min<std::uint64_t>(left, std::uint64_t(n));
    std::memcpy(buf, r->data->data() + r->pos, k);
    r->pos += k;
    return tmsize_t(k);
}
tmsize_t NoWrite(thandle_t, void*, tmsize_t) {
    return -1;
}
toff_t Seek(thandle_t h, toff_t off, int whence) {
    auto* r = static_cast<Reader*>(h);
    r->pos = (whence == SEEK_CUR ? r->pos : whence == SEEK_END ? r->data->size() : 0) + off;
    return r->pos;
}
int Close(thandle_t) {
    return 0;
}
toff_t Size(thandle_t h) {
    return static_cast<Reader*>(h)->data->size();
}
int NoMap(thandle_t, void**, toff_t*) {
    return 0;
}
void NoUnmap(thandle_t, void*, toff_t) {}

struct Decoded {
    TBitmap32 bmp;
    std::uint16_t compression = 0, photometric = 0, samples = 0, bits = 0, planar = 0;
};

// Reads the first directory of an in-memory TIFF, scanline by scanline, as opaque TColor32.
Decoded ReadTiff(const Bytes& bytes) {
    Decoded d;
    Reader r{&bytes};
    TIFF* tif = TIFFClientOpen("memory", "r", &r, Read, NoWrite, Seek, Close, Size, NoMap, NoUnmap);
    EXPECT_NE(tif, nullptr);
    if (!tif) return d;
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &d.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &d.photometric);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &d.samples);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &d.bits);
    TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &d.planar);
    if (d.samples == 3 && d.bits == 8) {
        d.bmp.SetSize(int(w), int(h));
        std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(tif)));
        for (std::uint32_t y = 0; y < h; ++y) {
            EXPECT_EQ(TIFFReadScanline(tif, row.data(), y, 0), 1) << "row " << y;
            for (std::uint32_t x = 0; x < w; ++x)
                d.bmp.SetPixel(int(x), int(y), kv::Color32(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]));
        }
    }
    TIFFClose(tif);
    return d;
}

TBitmap32 Fixture(int w, int h) {
    TBitmap32 bmp(w, h);
    std::uint32_t s = 12345;
    for (std::size_t i = 0; i < bmp.PixelCount(); ++i) {
        s = s * 1103515245u + 12345u;
        bmp.Bits()[i] = s; // every alpha value occurs, 0 included
    }
    return bmp;
}

} // namespace

TEST(TiffEncode, RoundTripIsExactOnColours) {
    // One pixel, rows wider than a 64 KiB strip, and a tall picture with many strips.
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{30000, 2}, std::pair{97, 1500}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const TBitmap32 bmp = Fixture(w, h);
        const Decoded d = ReadTiff(kv::codecs::EncodeTIFF(bmp));
        EXPECT_EQ(d.compression, COMPRESSION_LZW);
        EXPECT_EQ(d.photometric, PHOTOMETRIC_RGB);
        EXPECT_EQ(d.samples, 3);
        EXPECT_EQ(d.bits, 8);
        EXPECT_EQ(d.planar, PLANARCONFIG_CONTIG);
        ASSERT_EQ(d.bmp.Width(), w);
        ASSERT_EQ(d.bmp.Height(), h);
        for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
            ASSERT_EQ(d.bmp.Bits()[i], bmp.Bits()[i] | 0xFF000000u) << "pixel " << i;
    }
}

TEST(TiffEncode, EmptyPictureIsAnError) {
    EXPECT_THROW(kv::codecs::EncodeTIFF(TBitmap32()), kv::Error);
}

TEST(TiffFiles, SaveWritesTheEncoding) {
    const fs::path dir = fs::temp_directory_path() / ("kv_tiff_" + std::to_string(std::rand()));
    fs::create_directories(dir);
    const TBitmap32 bmp = Fixture(40, 30);
    const std::string name = (dir / "out.tif").string();
    kv::codecs::SaveTIFF(bmp, name);
    std::ifstream in(name, std::ios::binary);
    const Bytes written(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(written, kv::codecs::EncodeTIFF(bmp));
    const Decoded d = ReadTiff(written);
    ASSERT_EQ(d.bmp.Width(), 40);
    EXPECT_EQ(d.bmp.Pixel(39, 29), bmp.Pixel(39, 29) | 0xFF000000u);
    fs::remove_all(dir);
}
