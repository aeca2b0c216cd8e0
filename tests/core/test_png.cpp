// PNG decoding (every colour type, depth, palette, tRNS, interlacing; damaged files refused) and the
// 24-bit encoder.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "core/parallel.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::TColor32;
using kv::codecs::Bytes;
using kv::test::ComposedOverBlack;
using kv::test::kCorpus;
using kv::test::MaxDiff;
using kv::test::Prefix;
using kv::test::ReadFile;

namespace {

TBitmap32 Raw(const Bytes& b, const std::string& name = "test.png") {
    return kv::codecs::DecodePNGRaw(b.data(), b.size(), name);
}

// Reads the 16-bit-ness from the IHDR: such files are reduced by rounding, the references by
// another rule, so they may differ by one level.
bool Is16Bit(const Bytes& b) {
    return b.size() > 24 && b[24] == 16;
}

// ---- Hand-made files ---------------------------------------------------------------------------

std::uint32_t Crc(const std::uint8_t* p, std::size_t n, std::uint32_t c = 0xFFFFFFFFu) {
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c;
}

void Put32(Bytes& b, std::uint32_t v) {
    for (int sh = 24; sh >= 0; sh -= 8)
        b.push_back(std::uint8_t(v >> sh));
}

void Chunk(Bytes& b, const char* type, const Bytes& body) {
    Put32(b, std::uint32_t(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    b.insert(b.end(), typed.begin(), typed.end());
    Put32(b, Crc(typed.data(), typed.size()) ^ 0xFFFFFFFFu);
}

// A PNG with a correct IHDR for w x h (8-bit RGB) followed by a short IDAT and IEND.
Bytes HeaderOnlyPng(std::uint32_t w, std::uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    Put32(ihdr, w);
    Put32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(b, "IHDR", ihdr);
    Chunk(b, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    Chunk(b, "IEND", {});
    return b;
}

// Writes a 16-bit RGBA PNG of the given samples (R, G, B, A per pixel) with libpng.
Bytes Png16(int w, int h, const std::vector<std::uint16_t>& samples) {
    struct Out {
        static void Write(png_structp p, png_bytep d, png_size_t n) {
            auto* b = static_cast<Bytes*>(png_get_io_ptr(p));
            b->insert(b->end(), d, d + n);
        }
        static void Flush(png_structp) {}
    };
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, Out::Write, Out::Flush);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 16, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    std::vector<std::uint8_t> row(std::size_t(w) * 8);
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < w * 4; ++i) {
            const std::uint16_t v = samples[std::size_t(y * w * 4 + i)];
            row[std::size_t(i) * 2] = std::uint8_t(v >> 8);
            row[std::size_t(i) * 2 + 1] = std::uint8_t(v);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Every corpus PNG with a reference: the straight decoding equals the reference, and the composed
// decoding equals the reference composed over black. Disputed files may match either decoding.
void CheckAgainstReferences(const fs::path& folder) {
    int checked = 0;
    for (const auto& e : fs::directory_iterator(kCorpus / folder)) {
        if (e.path().extension() != ".png") continue;
        const std::string file = e.path().filename().string();
        if (file[0] == 'x') continue; // deliberately corrupt, tested apart
        const fs::path rel = folder / file;
        const fs::path ref = kCorpus / "ref" / (rel.string() + ".png");
        const fs::path alt = kCorpus / "ref" / (rel.string() + ".pillow.png");
        const Bytes bytes = ReadFile(e.path());
        if (!fs::exists(ref)) {
            // No decoder accepted these: ours must refuse them cleanly, naming the file.
            try {
                kv::codecs::DecodePNG(bytes.data(), bytes.size(), file);
                ADD_FAILURE() << rel << " has no reference but decoded";
            } catch (const kv::Error& err) {
                EXPECT_EQ(std::string(err.what()).rfind(file + ": ", 0), 0u) << err.what();
            }
            continue;
        }
        SCOPED_TRACE(rel.string());
        const int tolerance = Is16Bit(bytes) ? 1 : 0;
        const TBitmap32 raw = Raw(bytes, file);
        const TBitmap32 composed = kv::codecs::DecodePNG(bytes.data(), bytes.size(), file);
        TBitmap32 expected = kv::codecs::LoadPNGRaw(ref.string());
        ASSERT_EQ(raw.Width(), expected.Width());
        ASSERT_EQ(raw.Height(), expected.Height());
        if (MaxDiff(raw, expected) > tolerance && fs::exists(alt))
            expected = kv::codecs::LoadPNGRaw(alt.string());
        EXPECT_LE(MaxDiff(raw, expected), tolerance);
        EXPECT_LE(MaxDiff(composed, ComposedOverBlack(expected)), tolerance);
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

} // namespace

TEST(PngCorpus, PngSuiteMatchesReferences) {
    CheckAgainstReferences("png/pngsuite");
}
TEST(PngCorpus, PillowMatchesReferencesOrIsRefused) {
    CheckAgainstReferences("png/pillow");
}
TEST(PngCorpus, OtherOriginsMatchReferences) {
    CheckAgainstReferences("png/libgdiplus");
    CheckAgainstReferences("png/libjpeg-turbo");
}

TEST(PngCorpus, CorruptSuiteFilesAreRefusedNamingTheFile) {
    int refused = 0;
    for (const auto& e : fs::directory_iterator(kCorpus / "png/pngsuite")) {
        const std::string file = e.path().filename().string();
        if (file[0] != 'x' || e.path().extension() != ".png") continue;
        const Bytes bytes = ReadFile(e.path());
        try {
            kv::codecs::DecodePNG(bytes.data(), bytes.size(), file);
            ADD_FAILURE() << file << " decoded";
        } catch (const kv::Error& err) {
            const std::string what = err.what();
            EXPECT_EQ(what.rfind(file + ": ", 0), 0u) << what;
            EXPECT_GT(what.size(), file.size() + 2) << "no reason given";
            ++refused;
        }
    }
    EXPECT_EQ(refused, 14);
}

TEST(PngDecode, CompositionOverBlackUsesTheBlendRule) {
    // A suite file with graded alpha: every pixel is Blend(pixel, opaque black), then opaque.
    const Bytes bytes = ReadFile(kCorpus / "png/pngsuite/basn6a08.png");
    const TBitmap32 raw = Raw(bytes);
    const TBitmap32 composed = kv::codecs::DecodePNG(bytes.data(), bytes.size(), "basn6a08.png");
    bool sawPartial = false;
    for (std::size_t i = 0; i < raw.PixelCount(); ++i) {
        const TColor32 px = raw.Bits()[i];
        const int a = int(px >> 24);
        sawPartial |= a > 0 && a < 255;
        const TColor32 expected = a == 255 ? px
                                  : a == 0 ? kv::clBlack32
                                           : kv::CombineReg(px, kv::clBlack32, a) | 0xFF000000u;
        EXPECT_EQ(composed.Bits()[i], expected) << i;
    }
    EXPECT_TRUE(sawPartial);
}

TEST(PngDecode, SixteenBitSamplesAreRoundedToEightBits) {
    // round(v / 257): 128 -> 0, 129 -> 1 (0.502), 32896 -> 128 (128.0), 32767 -> 127 (127.498),
    // 65535 -> 255, 385 -> 1 (1.498), 386 -> 2 (1.502).
    const std::vector<std::uint16_t> samples = {128, 129, 32896, 65535, 32767, 385, 386, 65535};
    const Bytes bytes = Png16(2, 1, samples);
    const TBitmap32 raw = Raw(bytes);
    ASSERT_EQ(raw.Width(), 2);
    EXPECT_EQ(raw.Pixel(0, 0), kv::Color32(0, 1, 128, 255));
    EXPECT_EQ(raw.Pixel(1, 0), kv::Color32(127, 1, 2, 255));
}

TEST(PngDecode, TruncatedFilesAreRefused) {
    const Bytes whole = ReadFile(kCorpus / "png/pngsuite/basn2c08.png");
    ASSERT_NO_THROW(Raw(whole));
    // Inside the signature, inside IHDR, just after IHDR, inside IDAT, just before IEND, inside IEND.
    for (std::size_t cut : {std::size_t(0), std::size_t(5), std::size_t(20), std::size_t(33), std::size_t(60),
                            whole.size() / 2, whole.size() - 12, whole.size() - 1}) {
        const Bytes part = Prefix(whole, cut);
        try {
            kv::codecs::DecodePNG(part.data(), part.size(), "cut.png");
            ADD_FAILURE() << "cut at " << cut << " decoded";
        } catch (const kv::Error& err) {
            EXPECT_EQ(std::string(err.what()).rfind("cut.png: ", 0), 0u) << err.what();
        }
    }
}

TEST(PngDecode, DimensionsBeyondTheLimitAreRefusedFromTheHeader) {
    struct Case {
        std::uint32_t w, h;
    };
    // 40000 x 1 is over the side limit; 20000 x 20000 is within it per side but over 2^27 pixels.
    for (const Case c : {Case{40000, 1}, Case{1, 40000}, Case{20000, 20000}}) {
        const Bytes bytes = HeaderOnlyPng(c.w, c.h);
        try {
            kv::codecs::DecodePNG(bytes.data(), bytes.size(), "big.png");
            ADD_FAILURE() << c.w << "x" << c.h << " decoded";
        } catch (const kv::Error& err) {
            const std::string what = err.what();
            EXPECT_EQ(what.rfind("big.png: ", 0), 0u) << what;
            EXPECT_NE(what.find("limit"), std::string::npos) << what;
        }
    }
    // The same hand-made file at a small size gets past the header and fails on its empty image data.
    const Bytes small = HeaderOnlyPng(2, 2);
    try {
        Raw(small, "small.png");
        ADD_FAILURE() << "empty image data decoded";
    } catch (const kv::Error& err) {
        EXPECT_EQ(std::string(err.what()).find("limit"), std::string::npos) << err.what();
    }
}

TEST(PngEncode, RoundTripKeepsColoursAndDropsAlpha) {
    TBitmap32 bmp(37, 11);
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            bmp.SetPixel(x, y, kv::Color32(x * 7, y * 23, (x * y) & 255, (x * 13 + y) & 255));
    bmp.SetPixel(0, 0, 0x00123456u); // transparent pixel: its colour channels are still written
    const Bytes bytes = kv::codecs::EncodePNG24(bmp);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes[24], 8); // bit depth
    EXPECT_EQ(bytes[25], 2); // colour type: RGB, no alpha
    const TBitmap32 back = Raw(bytes);
    ASSERT_EQ(back.Width(), bmp.Width());
    ASSERT_EQ(back.Height(), bmp.Height());
    for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
        ASSERT_EQ(back.Bits()[i], bmp.Bits()[i] | 0xFF000000u) << i;
}

TEST(PngEncode, OnePixelAndWideRows) {
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{5000, 2}, std::pair{1, 300}}) {
        TBitmap32 bmp(w, h);
        for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
            bmp.Bits()[i] = 0xFF000000u | TColor32(i * 2654435761u >> 8);
        const Bytes bytes = kv::codecs::EncodePNG24(bmp);
        const TBitmap32 back = Raw(bytes);
        ASSERT_EQ(back.Width(), w);
        ASSERT_EQ(back.Height(), h);
        EXPECT_EQ(MaxDiff(back, bmp), 0);
    }
}

TEST(PngEncode, LargePicturesAreTheSameBytesOnAnyThreadCount) {
    // 1200 x 2000 spans three compression bands; the bytes must not depend on how many threads ran.
    TBitmap32 bmp(1200, 2000);
    std::uint32_t s = 7;
    for (std::size_t i = 0; i < bmp.PixelCount(); ++i) {
        s = s * 1664525u + 1013904223u;
        // Runs of equal pixels between noisy ones, so matches cross row and band boundaries.
        bmp.Bits()[i] = (i / 5) % 3 == 0 ? s : 0xFF336699u;
    }
    kv::SetMaxThreads(1);
    const Bytes single = kv::codecs::EncodePNG24(bmp);
    kv::SetMaxThreads(0);
    const Bytes parallel = kv::codecs::EncodePNG24(bmp);
    EXPECT_EQ(single, parallel);
    const TBitmap32 back = Raw(parallel);
    ASSERT_EQ(back.Width(), 1200);
    ASSERT_EQ(back.Height(), 2000);
    for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
        ASSERT_EQ(back.Bits()[i], bmp.Bits()[i] | 0xFF000000u) << i;
}

TEST(PngEncode, EmptyPictureIsAnError) {
    EXPECT_THROW(kv::codecs::EncodePNG24(TBitmap32()), kv::Error);
}

TEST(PngFiles, SaveAndLoadThroughFiles) {
    const fs::path dir = fs::temp_directory_path() / ("kv_png_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    TBitmap32 bmp(3, 2);
    bmp.Clear(0x80FF8040u);
    const std::string name = (dir / "out.png").string();
    kv::codecs::SavePNG(bmp, name);
    const TBitmap32 back = kv::codecs::LoadPNGRaw(name);
    EXPECT_EQ(back.Pixel(2, 1), 0xFFFF8040u);
    fs::remove_all(dir);
    EXPECT_THROW(kv::codecs::LoadPNGRaw(name), kv::Error);
}
