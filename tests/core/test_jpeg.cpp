// JPEG decoding (grey, colour, CMYK, damaged and oversized files) and encoding at quality 1-100.
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::TColor32;
using kv::codecs::Bytes;
using kv::test::kCorpus;
using kv::test::MaxDiff;
using kv::test::Prefix;
using kv::test::ReadFile;

namespace {

TBitmap32 Decode(const Bytes& b, const std::string& name = "test.jpg") {
    return kv::codecs::DecodeJPEG(b.data(), b.size(), name);
}

// The decoder's error for these bytes; fails the test when they decode.
std::string RefusalOf(const Bytes& b, const std::string& name) {
    try {
        Decode(b, name);
    } catch (const kv::Error& err) {
        return err.what();
    }
    ADD_FAILURE() << name << " decoded";
    return {};
}

// Offset of the first SOFn marker's height field, or 0.
std::size_t SofDimensions(const Bytes& b) {
    for (std::size_t i = 2; i + 9 < b.size(); ++i)
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC1 || b[i + 1] == 0xC2)) return i + 5;
    return 0;
}

// A smooth picture: gradients with no edges, on which a quality-100 encoding stays very close.
TBitmap32 SmoothFixture(int w, int h) {
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp.SetPixel(x, y,
                         kv::Color32(40 + x * 160 / w, 60 + y * 120 / h, 200 - (x + y) * 100 / (w + h)));
    return bmp;
}

} // namespace

TEST(JpegCorpus, FilesMatchTheirReferences) {
    int checked = 0;
    for (const char* folder : {"jpeg/libjpeg-turbo", "jpeg/pillow", "jpeg/libgdiplus"}) {
        for (const auto& e : fs::directory_iterator(kCorpus / folder)) {
            const std::string file = e.path().filename().string();
            const fs::path rel = fs::path(folder) / file;
            const fs::path ref = kCorpus / "ref" / (rel.string() + ".png");
            // truncated_jpeg.jpg has a reference from the decoder that fills the missing rows with
            // grey; this decoder refuses truncated files (tested below).
            if (!fs::exists(ref) || file == "truncated_jpeg.jpg") continue;
            SCOPED_TRACE(rel.string());
            const TBitmap32 got = Decode(ReadFile(e.path()), file);
            const TBitmap32 expected = kv::codecs::LoadPNGRaw(ref.string());
            ASSERT_EQ(got.Width(), expected.Width());
            ASSERT_EQ(got.Height(), expected.Height());
            // Same library, default settings (islow IDCT, fancy upsampling): bit for bit, alpha 255.
            EXPECT_EQ(MaxDiff(got, expected), 0);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 26);
}

TEST(JpegCorpus, CmykAndGreyFilesComeOutOpaqueRgb) {
    const TBitmap32 cmyk = Decode(ReadFile(kCorpus / "jpeg/pillow/pil_sample_cmyk.jpg"));
    const TBitmap32 rgb = Decode(ReadFile(kCorpus / "jpeg/pillow/pil_sample_rgb.jpg"));
    ASSERT_EQ(cmyk.Width(), rgb.Width());
    // The same photo stored two ways: close, though not equal after the different encodings.
    EXPECT_LE(MaxDiff(cmyk, rgb), 40);
    const TBitmap32 grey = Decode(ReadFile(kCorpus / "jpeg/pillow/hopper_gray.jpg"));
    for (std::size_t i = 0; i < grey.PixelCount(); ++i) {
        const TColor32 c = grey.Bits()[i];
        ASSERT_EQ(c >> 24, 255u);
        ASSERT_EQ(kv::RedComponent(c), kv::BlueComponent(c));
        ASSERT_EQ(kv::GreenComponent(c), kv::BlueComponent(c));
    }
}

TEST(JpegDecode, TwelveBitFileIsRefused) {
    const std::string what = RefusalOf(ReadFile(kCorpus / "jpeg/libjpeg-turbo/monkey12.jpg"), "monkey12.jpg");
    EXPECT_EQ(what.rfind("monkey12.jpg: ", 0), 0u) << what;
    EXPECT_NE(what.find("precision 12"), std::string::npos) << what;
}

TEST(JpegDecode, TruncatedFilesAreRefused) {
    const std::string what =
        RefusalOf(ReadFile(kCorpus / "jpeg/pillow/truncated_jpeg.jpg"), "truncated_jpeg.jpg");
    EXPECT_EQ(what, "truncated_jpeg.jpg: Premature end of JPEG file");

    // Huffman and arithmetic coded files, cut in the headers, in the scan data and just before EOI.
    const Bytes whole = ReadFile(kCorpus / "jpeg/libjpeg-turbo/testorig.jpg");
    for (const Bytes& file : {whole, ReadFile(kCorpus / "jpeg/libjpeg-turbo/testimgari.jpg")}) {
        ASSERT_NO_THROW(Decode(file));
        for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(2), std::size_t(30),
                                std::size_t(200), file.size() / 2, file.size() - 100, file.size() - 2}) {
            const Bytes part = Prefix(file, cut);
            const std::string refusal = RefusalOf(part, "cut.jpg");
            EXPECT_EQ(refusal.rfind("cut.jpg: ", 0), 0u) << "cut at " << cut << ": " << refusal;
        }
    }
}

TEST(JpegDecode, GarbageIsRefused) {
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
    EXPECT_EQ(RefusalOf(text, "a.jpg"), "a.jpg: not a JPEG file");
    // A valid start followed by junk.
    Bytes junk = {0xFF, 0xD8};
    for (int i = 0; i < 500; ++i)
        junk.push_back(std::uint8_t(i * 37 + 11));
    EXPECT_EQ(RefusalOf(junk, "b.jpg").rfind("b.jpg: ", 0), 0u);
}

TEST(JpegDecode, DimensionsBeyondTheLimitAreRefusedFromTheHeader) {
    const Bytes original = ReadFile(kCorpus / "jpeg/libjpeg-turbo/testorig.jpg");
    const std::size_t at = SofDimensions(original);
    ASSERT_GT(at, 0u);
    struct Case {
        int w, h;
    };
    // Over the side limit (libjpeg itself accepts up to 65500), and over 2^27 pixels in all.
    for (const Case c : {Case{40000, 1}, Case{1, 40000}, Case{20000, 20000}}) {
        Bytes b = original;
        b[at] = std::uint8_t(c.h >> 8);
        b[at + 1] = std::uint8_t(c.h);
        b[at + 2] = std::uint8_t(c.w >> 8);
        b[at + 3] = std::uint8_t(c.w);
        const std::string what = RefusalOf(b, "big.jpg");
        EXPECT_EQ(what, "big.jpg: the picture size " + std::to_string(c.w) + "x" + std::to_string(c.h) +
                            " is beyond the size limit");
    }
}

TEST(JpegEncode, QualityHundredStaysCloseToTheOriginal) {
    const TBitmap32 bmp = SmoothFixture(64, 48);
    const Bytes bytes = kv::codecs::EncodeJPEG(bmp, 100);
    const TBitmap32 back = Decode(bytes);
    ASSERT_EQ(back.Width(), 64);
    ASSERT_EQ(back.Height(), 48);
    // Colour conversion and IDCT rounding only: nearly every channel within one level.
    EXPECT_LE(MaxDiff(back, bmp), 4);
    int far = 0;
    for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
        for (int sh = 0; sh < 24; sh += 8)
            far += std::abs(int((back.Bits()[i] >> sh) & 255) - int((bmp.Bits()[i] >> sh) & 255)) > 1;
    EXPECT_LT(far, int(bmp.PixelCount() * 3 / 20));
}

TEST(JpegEncode, LowQualitiesStillDecodeAndAreSmaller) {
    TBitmap32 bmp(100, 70);
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            bmp.SetPixel(x, y, kv::Color32(x * 2, (x ^ y) * 3, y * 3));
    std::size_t previous = SIZE_MAX;
    for (int q : {100, 70, 30, 1}) {
        const Bytes bytes = kv::codecs::EncodeJPEG(bmp, q);
        const TBitmap32 back = Decode(bytes);
        EXPECT_EQ(back.Width(), 100);
        EXPECT_EQ(back.Height(), 70);
        EXPECT_LT(bytes.size(), previous) << "quality " << q;
        previous = bytes.size();
    }
}

TEST(JpegEncode, QualityIsClampedAndAlphaIgnored) {
    TBitmap32 bmp = SmoothFixture(20, 10);
    const Bytes q1 = kv::codecs::EncodeJPEG(bmp, 1), q100 = kv::codecs::EncodeJPEG(bmp, 100);
    EXPECT_EQ(kv::codecs::EncodeJPEG(bmp, 0), q1);
    EXPECT_EQ(kv::codecs::EncodeJPEG(bmp, -5), q1);
    EXPECT_EQ(kv::codecs::EncodeJPEG(bmp, 101), q100);
    // Transparent pixels keep their colour channels: only alpha is dropped.
    TBitmap32 clear = bmp;
    for (std::size_t i = 0; i < clear.PixelCount(); ++i)
        clear.Bits()[i] &= 0x00FFFFFFu;
    EXPECT_EQ(kv::codecs::EncodeJPEG(clear, 100), q100);
}

TEST(JpegEncode, ChromaIsFullResolutionFromQualityNinety) {
    const TBitmap32 bmp = SmoothFixture(24, 24);
    struct Case {
        int quality;
        std::uint8_t lumaSampling; // (horizontal << 4) | vertical of the first component
    };
    for (const Case c : {Case{100, 0x11}, Case{90, 0x11}, Case{89, 0x22}, Case{1, 0x22}}) {
        const Bytes bytes = kv::codecs::EncodeJPEG(bmp, c.quality);
        const std::size_t at = SofDimensions(bytes);
        ASSERT_GT(at, 0u);
        ASSERT_EQ(bytes[at + 4], 3) << "components";
        EXPECT_EQ(bytes[at + 6], c.lumaSampling) << "quality " << c.quality;
        EXPECT_EQ(bytes[at + 9], 0x11);
        EXPECT_EQ(bytes[at + 12], 0x11);
    }
}

TEST(JpegEncode, EmptyPictureIsAnError) {
    EXPECT_THROW(kv::codecs::EncodeJPEG(TBitmap32(), 80), kv::Error);
}

TEST(JpegFiles, SaveWritesTheEncoding) {
    const fs::path dir = fs::temp_directory_path() / ("kv_jpeg_" + std::to_string(std::rand()));
    fs::create_directories(dir);
    const TBitmap32 bmp = SmoothFixture(16, 16);
    const std::string name = (dir / "out.jpg").string();
    kv::codecs::SaveJPEG(bmp, name, 85);
    EXPECT_EQ(ReadFile(name), kv::codecs::EncodeJPEG(bmp, 85));
    fs::remove_all(dir);
}
