// Icon and cursor decoding: the largest entry, PNG and DIB entries, the AND mask and 32-bit alpha,
// composition over black, and damaged or hostile icons.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::TColor32;
using kv::codecs::Bytes;
using kv::test::ComposedOverBlack;
using kv::test::ErrorOf;
using kv::test::kCorpus;
using kv::test::Prefix;
using kv::test::Put32;
using kv::test::ReadFile;
using kv::test::SamePixels;

namespace {

TBitmap32 Decode(const Bytes& b, const std::string& name = "test.ico") {
    return kv::codecs::DecodeICO(b.data(), b.size(), name);
}

std::string DecodeError(const Bytes& b, const std::string& name = "test.ico") {
    return ErrorOf([&] { Decode(b, name); });
}

void Append16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void Append32(Bytes& b, std::uint32_t v) {
    Append16(b, v & 0xFFFF);
    Append16(b, v >> 16);
}
// An icon DIB: 40-byte header with the doubled height, colour table, the XOR pixel rows and the
// AND mask rows, both given bottom row first and already padded.
Bytes IconDib(int w, int h, int bpp, const std::vector<TColor32>& palette, const Bytes& xorRows,
              const Bytes& andRows, std::uint32_t compression = 0) {
    Bytes b;
    Append32(b, 40);
    Append32(b, std::uint32_t(w));
    Append32(b, std::uint32_t(2 * h));
    Append16(b, 1);
    Append16(b, std::uint32_t(bpp));
    Append32(b, compression);
    Append32(b, 0);
    Append32(b, 0);
    Append32(b, 0);
    Append32(b, std::uint32_t(palette.size()));
    Append32(b, 0);
    for (TColor32 c : palette)
        Append32(b, c & 0x00FFFFFFu);
    b.insert(b.end(), xorRows.begin(), xorRows.end());
    b.insert(b.end(), andRows.begin(), andRows.end());
    return b;
}

// An icon file whose directory entries all claim 1 x 1 pixels and 1 bit (directories are not trusted).
Bytes Icon(const std::vector<Bytes>& images, std::uint32_t type = 1) {
    Bytes b;
    Append16(b, 0);
    Append16(b, type);
    Append16(b, std::uint32_t(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (const Bytes& img : images) {
        b.insert(b.end(), {1, 1, 0, 0});
        Append16(b, 1);
        Append16(b, 1);
        Append32(b, std::uint32_t(img.size()));
        Append32(b, std::uint32_t(offset));
        offset += img.size();
    }
    for (const Bytes& img : images)
        b.insert(b.end(), img.begin(), img.end());
    return b;
}

// ---- The corpus ---------------------------------------------------------------------------------

TEST(IcoCorpus, LargestEntryComposedOverBlack) {
    struct Case {
        const char* file;
        int entry; // the largest entry by its own header, then by depth
    } cases[] = {
        {"libgdiplus/test.ico", 0},    {"libgdiplus/test3.ico", 0},   {"pillow/black_and_white.ico", 0},
        {"pillow/deerstalker.cur", 0}, {"pillow/hopper.ico", 0},      {"pillow/hopper_256x256.ico", 0},
        {"pillow/hopper_draw.ico", 0}, {"pillow/hopper_mask.ico", 0}, {"pillow/hopper_unexpected.ico", 0},
        {"pillow/mask_1.cur", 0},      {"pillow/mask_L.cur", 0},      {"pillow/pillow.ico", 0},
        {"pillow/python.ico", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TBitmap32 got;
        try {
            got = Decode(ReadFile(kCorpus / "ico" / c.file), c.file);
        } catch (const kv::Error& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        const std::string base = (kCorpus / "ref" / "ico" / c.file).string() + "." + std::to_string(c.entry);
        bool matched = SamePixels(got, ComposedOverBlack(kv::codecs::LoadPNGRaw(base + ".png")));
        // Disputed files have a second reference decoding.
        if (!matched && fs::exists(base + ".pillow.png"))
            matched = SamePixels(got, ComposedOverBlack(kv::codecs::LoadPNGRaw(base + ".pillow.png")));
        EXPECT_TRUE(matched) << got.Width() << "x" << got.Height();
    }
}

TEST(IcoCorpus, HostileFilesAreRefusedNamingTheFile) {
    // A 16 x 16 entry whose header claims 65535 x 65535 (the AND mask takes half the height), and a
    // cursor file with no images.
    EXPECT_EQ(DecodeError(ReadFile(kCorpus / "ico/pillow/decompression_bomb.ico"), "bomb.ico"),
              "bomb.ico: the picture size 65535x32767 is beyond the size limit");
    EXPECT_EQ(DecodeError(ReadFile(kCorpus / "ico/pillow/no_cursors.cur"), "none.cur"),
              "none.cur: the icon holds no images");
}

TEST(IcoCorpus, TruncatedIconsAreRefused) {
    for (const char* file :
         {"pillow/python.ico", "pillow/pillow.ico", "pillow/hopper.ico", "pillow/hopper_mask.ico"}) {
        const Bytes whole = ReadFile(kCorpus / "ico" / file);
        for (std::size_t len : {std::size_t(0), std::size_t(3), std::size_t(6), std::size_t(21),
                                std::size_t(40), std::size_t(70), whole.size() / 2}) {
            const Bytes cut = Prefix(whole, len);
            EXPECT_EQ(DecodeError(cut, "cut.ico").rfind("cut.ico: ", 0), 0u) << file << " cut at " << len;
        }
    }
}

// ---- Hand-made icons ----------------------------------------------------------------------------

TEST(IcoDecode, PicksTheLargestEntryThenTheDeepest) {
    // 2 x 2 at 24 bits, 3 x 3 at 8 bits, 3 x 3 at 32 bits: the last one wins on depth.
    const Bytes small = IconDib(2, 2, 24, {}, Bytes(16, 0x40), Bytes(8, 0));
    const Bytes pal8 = IconDib(3, 3, 8, {0xFF0000FF}, Bytes(12, 0), Bytes(12, 0));
    Bytes px32;
    for (int i = 0; i < 9; ++i)
        px32.insert(px32.end(), {0x10, 0x20, 0x30, 0xFF});
    const Bytes deep = IconDib(3, 3, 32, {}, px32, Bytes(12, 0));
    const TBitmap32 b = Decode(Icon({small, deep, pal8}));
    ASSERT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Pixel(2, 2), 0xFF302010u);
    const TBitmap32 c = Decode(Icon({pal8, small}));
    ASSERT_EQ(c.Width(), 3);
    EXPECT_EQ(c.Pixel(0, 0), 0xFF0000FFu);
}

TEST(IcoDecode, AndMaskMakesPixelsTransparentThenBlack) {
    // 2 x 2 at 24 bits; mask rows (bottom first) set the bottom-right and top-left pixels.
    const Bytes xorRows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const Bytes andRows = {0x40, 0, 0, 0, 0x80, 0, 0, 0};
    const TBitmap32 b = Decode(Icon({IconDib(2, 2, 24, {}, xorRows, andRows)}));
    EXPECT_EQ(b.Pixel(0, 1), 0xFF030201u);
    EXPECT_EQ(b.Pixel(1, 1), kv::clBlack32);
    EXPECT_EQ(b.Pixel(0, 0), kv::clBlack32);
    EXPECT_EQ(b.Pixel(1, 0), 0xFF0C0B0Au);
}

TEST(IcoDecode, ThirtyTwoBitAlphaIsComposedOverBlack) {
    // Alpha 128 and 0 from the pixels; the AND mask (all set) is ignored when any alpha is non-zero.
    const Bytes px = {200, 100, 50, 128, 200, 100, 50, 0};
    const TBitmap32 b = Decode(Icon({IconDib(2, 1, 32, {}, px, {0xC0, 0, 0, 0})}));
    const TColor32 half = kv::BlendReg(0x803264C8u, kv::clBlack32) | 0xFF000000u;
    EXPECT_EQ(b.Pixel(0, 0), half);
    EXPECT_EQ(b.Pixel(0, 0),
              kv::Color32((50 * 128 + 128) >> 8, (100 * 128 + 128) >> 8, (200 * 128 + 128) >> 8));
    EXPECT_EQ(b.Pixel(1, 0), kv::clBlack32);
    // Every alpha 0: the AND mask decides (bit 0 opaque, bit 1 transparent).
    const Bytes zero = {200, 100, 50, 0, 200, 100, 50, 0};
    const TBitmap32 m = Decode(Icon({IconDib(2, 1, 32, {}, zero, {0x40, 0, 0, 0})}));
    EXPECT_EQ(m.Pixel(0, 0), 0xFF3264C8u);
    EXPECT_EQ(m.Pixel(1, 0), kv::clBlack32);
}

TEST(IcoDecode, PngEntryAndCursorFiles) {
    TBitmap32 src(3, 2);
    src.Clear(0xFF204080);
    src.SetPixel(1, 1, 0xFFFFFFFF);
    const Bytes png = kv::codecs::EncodePNG24(src);
    for (std::uint32_t type : {1u, 2u}) {
        const TBitmap32 b = Decode(Icon({IconDib(2, 2, 24, {}, Bytes(16, 0), Bytes(8, 0)), png}, type));
        EXPECT_TRUE(SamePixels(b, src));
    }
}

TEST(IcoDecode, MalformedIconsAreRefused) {
    const Bytes good = Icon({IconDib(2, 2, 24, {}, Bytes(16, 0), Bytes(8, 0))});
    ASSERT_EQ(DecodeError(good), "");
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    Bytes b = good;
    b[0] = 1;
    cases.push_back({"reserved word", b});
    b = good;
    b[2] = 3;
    cases.push_back({"type 3", b});
    b = good;
    b[4] = 0x2C;
    b[5] = 0x01; // 300 entries
    cases.push_back({"too many entries", b});
    b = good;
    Put32(b, 18, std::uint32_t(b.size()));
    cases.push_back({"offset at the end", b});
    b = good;
    Put32(b, 18, 4);
    cases.push_back({"offset inside the directory", b});
    b = Bytes(good.begin(), good.end() - 8);
    cases.push_back({"AND mask missing", b});
    b = Bytes(good.begin(), good.end() - 12);
    cases.push_back({"XOR image cut", b});
    cases.push_back({"RLE entry", Icon({IconDib(2, 2, 8, {}, {2, 0, 0, 1}, Bytes(8, 0), 1)})});
    cases.push_back({"depth 64", Icon({IconDib(1, 1, 64, {}, Bytes(8, 0), Bytes(4, 0))})});
    for (const Case& c : cases) {
        const std::string err = DecodeError(c.bytes, "bad.ico");
        EXPECT_EQ(err.rfind("bad.ico: ", 0), 0u) << c.what << ": \"" << err << "\"";
    }
}

} // namespace
