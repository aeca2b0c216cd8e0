// BMP reading (the corpus against its reference decodings, damaged and hostile files, the alpha
// rules) and writing (the exact 32-bit stream layout and 24-bit files).
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::TColor32;
using kv::codecs::Bytes;
using kv::test::ErrorOf;
using kv::test::kCorpus;
using kv::test::Prefix;
using kv::test::Put32;
using kv::test::ReadFile;

namespace {

TBitmap32 Decode(const Bytes& b, bool generic = false, const std::string& name = "test.bmp",
                 std::size_t* consumed = nullptr) {
    kv::codecs::BmpReadOptions opt;
    opt.zeroAlphaMeansOpaque = generic;
    return kv::codecs::DecodeBMP(b.data(), b.size(), name, opt, consumed);
}

// The error text of decoding, or "" when it decodes.
std::string DecodeError(const Bytes& b, const std::string& name = "test.bmp") {
    return ErrorOf([&] { Decode(b, true, name); });
}

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}

// A BMP with a 40-byte header: `extra` (masks) and the colour table follow the header, then the
// pixel bytes exactly as given (rows already padded by the caller).
Bytes MakeBmp(int w, int h, int bpp, std::uint32_t compression, const std::vector<TColor32>& palette,
              const Bytes& pixels, const std::vector<std::uint32_t>& extra = {}) {
    const std::size_t off = 54 + 4 * extra.size() + 4 * palette.size();
    Bytes b(off);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, std::uint32_t(off + pixels.size()));
    Put32(b, 10, std::uint32_t(off));
    Put32(b, 14, 40);
    Put32(b, 18, std::uint32_t(w));
    Put32(b, 22, std::uint32_t(h));
    Put16(b, 26, 1);
    Put16(b, 28, std::uint32_t(bpp));
    Put32(b, 30, compression);
    Put32(b, 34, std::uint32_t(pixels.size()));
    Put32(b, 46, std::uint32_t(palette.size()));
    std::size_t at = 54;
    for (std::uint32_t m : extra)
        Put32(b, (at += 4) - 4, m);
    for (TColor32 c : palette)
        Put32(b, (at += 4) - 4, c & 0x00FFFFFFu);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// ---- The corpus ---------------------------------------------------------------------------------

enum class Outcome {
    Match,   // decodes to the reference's colours
    Refused, // a kv::Error naming the file
    Decodes, // decodes safely; the reference (if any) is disputed or describes another reading
};
enum class Alpha {
    Opaque,    // 255 everywhere (not 32 bits per pixel, or no fourth channel)
    Reference, // the fourth channel or alpha mask, equal to the reference's alpha
    AllZero,   // the alpha values are all 0: 0 from a stream, 255 in the generic opener
};
struct CorpusCase {
    const char* file;
    Outcome outcome;
    Alpha alpha = Alpha::Opaque;
    int tolerance = 0;
};

const CorpusCase kCorpusCases[] = {
    // Good files: every one must match its reference.
    {"bmpsuite/g/pal1.bmp", Outcome::Match},
    {"bmpsuite/g/pal1bg.bmp", Outcome::Match},
    {"bmpsuite/g/pal1wb.bmp", Outcome::Match},
    {"bmpsuite/g/pal4.bmp", Outcome::Match},
    {"bmpsuite/g/pal4gs.bmp", Outcome::Match},
    {"bmpsuite/g/pal4rle.bmp", Outcome::Match},
    {"bmpsuite/g/pal8-0.bmp", Outcome::Match},
    {"bmpsuite/g/pal8.bmp", Outcome::Match},
    {"bmpsuite/g/pal8gs.bmp", Outcome::Match},
    {"bmpsuite/g/pal8nonsquare.bmp", Outcome::Match},
    {"bmpsuite/g/pal8os2.bmp", Outcome::Match},
    {"bmpsuite/g/pal8rle.bmp", Outcome::Match},
    {"bmpsuite/g/pal8topdown.bmp", Outcome::Match},
    {"bmpsuite/g/pal8v4.bmp", Outcome::Match},
    {"bmpsuite/g/pal8v5.bmp", Outcome::Match},
    {"bmpsuite/g/pal8w124.bmp", Outcome::Match},
    {"bmpsuite/g/pal8w125.bmp", Outcome::Match},
    {"bmpsuite/g/pal8w126.bmp", Outcome::Match},
    {"bmpsuite/g/rgb16-565.bmp", Outcome::Match},
    {"bmpsuite/g/rgb16-565pal.bmp", Outcome::Match},
    {"bmpsuite/g/rgb16.bmp", Outcome::Match},
    {"bmpsuite/g/rgb16bfdef.bmp", Outcome::Match},
    {"bmpsuite/g/rgb24.bmp", Outcome::Match},
    {"bmpsuite/g/rgb24pal.bmp", Outcome::Match},
    {"bmpsuite/g/rgb32.bmp", Outcome::Match, Alpha::AllZero},
    {"bmpsuite/g/rgb32bf.bmp", Outcome::Match},
    {"bmpsuite/g/rgb32bfdef.bmp", Outcome::Match, Alpha::AllZero},
    // Questionable files: decoded where the layout is understood, refused otherwise. Tolerance 1:
    // the reference is the suite's own rendering, which scales unusual channel widths its own way
    // (5-bit channels by rounding where the good files' references repeat the bits).
    {"bmpsuite/q/pal1huffmsb.bmp", Outcome::Refused},
    {"bmpsuite/q/pal1p1.bmp", Outcome::Match},
    {"bmpsuite/q/pal2.bmp", Outcome::Decodes},
    {"bmpsuite/q/pal2color.bmp", Outcome::Decodes},
    {"bmpsuite/q/pal4rlecut.bmp", Outcome::Match},
    {"bmpsuite/q/pal4rletrns.bmp", Outcome::Match},
    {"bmpsuite/q/pal8offs.bmp", Outcome::Match},
    {"bmpsuite/q/pal8os2-hs.bmp", Outcome::Match},
    {"bmpsuite/q/pal8os2-sz.bmp", Outcome::Match},
    {"bmpsuite/q/pal8os2sp.bmp", Outcome::Match},
    {"bmpsuite/q/pal8os2v2-16.bmp", Outcome::Match},
    {"bmpsuite/q/pal8os2v2-40sz.bmp", Outcome::Match},
    {"bmpsuite/q/pal8os2v2-sz.bmp", Outcome::Match},
    {"bmpsuite/q/pal8os2v2.bmp", Outcome::Match},
    {"bmpsuite/q/pal8oversizepal.bmp", Outcome::Refused},
    {"bmpsuite/q/pal8rlecut.bmp", Outcome::Match},
    {"bmpsuite/q/pal8rletrns.bmp", Outcome::Match},
    {"bmpsuite/q/rgb16-231.bmp", Outcome::Match},
    {"bmpsuite/q/rgb16-3103.bmp", Outcome::Match},
    {"bmpsuite/q/rgb16faketrns.bmp", Outcome::Match, Alpha::Opaque, 1},
    {"bmpsuite/q/rgb24jpeg.bmp", Outcome::Refused},
    {"bmpsuite/q/rgb24largepal.bmp", Outcome::Match},
    {"bmpsuite/q/rgb24lprof.bmp", Outcome::Match},
    {"bmpsuite/q/rgb24png.bmp", Outcome::Refused},
    {"bmpsuite/q/rgb24prof.bmp", Outcome::Match},
    // Its reference applies the embedded colour profile; profiles are not applied.
    {"bmpsuite/q/rgb24prof2.bmp", Outcome::Decodes},
    {"bmpsuite/q/rgb24rle24.bmp", Outcome::Refused},
    {"bmpsuite/q/rgb32-111110.bmp", Outcome::Match, Alpha::Opaque, 1},
    {"bmpsuite/q/rgb32-7187.bmp", Outcome::Match, Alpha::Opaque, 1},
    {"bmpsuite/q/rgb32-xbgr.bmp", Outcome::Match},
    {"bmpsuite/q/rgb32fakealpha.bmp", Outcome::Match, Alpha::Reference},
    {"bmpsuite/q/rgb32h52.bmp", Outcome::Match, Alpha::AllZero},
    {"bmpsuite/q/rgba16-1924.bmp", Outcome::Match},
    {"bmpsuite/q/rgba16-4444.bmp", Outcome::Match},
    {"bmpsuite/q/rgba16-5551.bmp", Outcome::Match, Alpha::Opaque, 1},
    {"bmpsuite/q/rgba32-1.bmp", Outcome::Match, Alpha::Reference},
    {"bmpsuite/q/rgba32-1010102.bmp", Outcome::Match, Alpha::Reference},
    {"bmpsuite/q/rgba32-2.bmp", Outcome::Match, Alpha::Reference},
    {"bmpsuite/q/rgba32-61754.bmp", Outcome::Match, Alpha::Reference, 1},
    {"bmpsuite/q/rgba32-81284.bmp", Outcome::Match, Alpha::Reference, 1},
    {"bmpsuite/q/rgba32abf.bmp", Outcome::Decodes},
    {"bmpsuite/q/rgba32h56.bmp", Outcome::Match, Alpha::Reference},
    {"bmpsuite/q/rgba64.bmp", Outcome::Refused},
    // Bad files: refused, except the two faults the reader survives by rule (RLE runs clamped to
    // the row, palette indices beyond the table read as black).
    {"bmpsuite/b/badbitcount.bmp", Outcome::Refused},
    {"bmpsuite/b/badbitssize.bmp", Outcome::Refused},
    {"bmpsuite/b/baddens1.bmp", Outcome::Refused},
    {"bmpsuite/b/baddens2.bmp", Outcome::Refused},
    {"bmpsuite/b/badfilesize.bmp", Outcome::Refused},
    {"bmpsuite/b/badheadersize.bmp", Outcome::Refused},
    {"bmpsuite/b/badpalettesize.bmp", Outcome::Refused},
    {"bmpsuite/b/badplanes.bmp", Outcome::Refused},
    {"bmpsuite/b/badrle.bmp", Outcome::Decodes},
    {"bmpsuite/b/badrle4.bmp", Outcome::Decodes},
    {"bmpsuite/b/badrle4bis.bmp", Outcome::Decodes},
    {"bmpsuite/b/badrle4ter.bmp", Outcome::Decodes},
    {"bmpsuite/b/badrlebis.bmp", Outcome::Decodes},
    {"bmpsuite/b/badrleter.bmp", Outcome::Decodes},
    {"bmpsuite/b/badwidth.bmp", Outcome::Refused},
    {"bmpsuite/b/pal8badindex.bmp", Outcome::Decodes},
    {"bmpsuite/b/reallybig.bmp", Outcome::Refused},
    {"bmpsuite/b/rgb16-880.bmp", Outcome::Refused},
    {"bmpsuite/b/rletopdown.bmp", Outcome::Refused},
    {"bmpsuite/b/shortfile.bmp", Outcome::Refused},
    {"bmpsuite/x/ba-bm.bmp", Outcome::Refused},
    // Other origins.
    {"pillow/hopper.bmp", Outcome::Match},
    {"pillow/hopper_rle8.bmp", Outcome::Match},
    {"pillow/hopper_rle8_grayscale.bmp", Outcome::Match},
    {"pillow/hopper_rle8_row_overflow.bmp", Outcome::Match},
    {"pillow/rgb32bf-abgr.bmp", Outcome::Match, Alpha::AllZero}, // an alpha mask, every value 0
    {"pillow/rgb32bf-rgba.bmp", Outcome::Match, Alpha::Reference},
    {"pillow/l2rgb_read.bmp", Outcome::Refused},
    {"pillow/mmap_error.bmp", Outcome::Refused}, // one byte short of its file size
    {"libjpeg-turbo/vgl_6434_0018a.bmp", Outcome::Match},
    {"libjpeg-turbo/vgl_6548_0026a.bmp", Outcome::Match},
    {"libjpeg-turbo/shira_bird8.bmp", Outcome::Match},
    {"libgdiplus/test.bmp", Outcome::Match},
    {"pngsuite-paintnet/basn6a08.bmp", Outcome::Match, Alpha::Reference},
    {"pngsuite-paintnet/basn2c08.bmp", Outcome::Match, Alpha::Reference},
    {"pngsuite-paintnet/tbrn2c08.bmp", Outcome::Match, Alpha::Reference},
    {"pngsuite-paintnet/basn3p01.bmp", Outcome::Match, Alpha::Reference},
};

bool IsRle(const Bytes& b) {
    return b.size() >= 34 && Get32(b, 14) >= 40 && (Get32(b, 30) == 1 || Get32(b, 30) == 2);
}

// The first difference between a decoding and a reference, or "" when they match: colours
// exactly (within `tolerance`) wherever the reference is not fully transparent. Where it is, the
// colour is undefined except for pixels an RLE stream leaves unpainted, which must be black.
std::string Mismatch(const TBitmap32& got, const TBitmap32& ref, bool rle, int tolerance) {
    if (got.Width() != ref.Width() || got.Height() != ref.Height())
        return "size " + std::to_string(got.Width()) + "x" + std::to_string(got.Height());
    for (int y = 0; y < ref.Height(); ++y)
        for (int x = 0; x < ref.Width(); ++x) {
            const TColor32 r = ref.Pixel(x, y), g = got.Pixel(x, y);
            bool same = true;
            if (r >> 24 == 0) {
                same = !rle || (g & 0x00FFFFFFu) == 0;
            } else {
                for (int sh = 0; sh < 24; sh += 8)
                    same = same && std::abs(int((r >> sh) & 255) - int((g >> sh) & 255)) <= tolerance;
            }
            if (!same) {
                std::ostringstream s;
                s << "(" << x << "," << y << ") " << std::hex << g << " where the reference has " << r;
                return s.str();
            }
        }
    return "";
}

// Disputed files have a second reference decoding; a match with either is accepted.
void ExpectMatches(const std::string& rel, const TBitmap32& got, bool rle, int tolerance) {
    const fs::path ref = kCorpus / "ref" / "bmp" / (rel + ".png");
    const fs::path alt = kCorpus / "ref" / "bmp" / (rel + ".pillow.png");
    const std::string first = Mismatch(got, kv::codecs::LoadPNGRaw(ref.string()), rle, tolerance);
    if (first.empty()) return;
    if (fs::exists(alt) && Mismatch(got, kv::codecs::LoadPNGRaw(alt.string()), rle, tolerance).empty())
        return;
    ADD_FAILURE() << rel << ": " << first;
}

void ExpectAlpha(const std::string& rel, const TBitmap32& got, const TBitmap32& ref, Alpha rule,
                 bool generic) {
    int bad = 0;
    for (std::size_t i = 0; i < got.PixelCount() && bad < 3; ++i) {
        int want = 255;
        if (rule == Alpha::Reference) want = int(ref.Bits()[i] >> 24);
        if (rule == Alpha::AllZero && !generic) want = 0;
        if (int(got.Bits()[i] >> 24) != want) {
            ADD_FAILURE() << rel << (generic ? " (generic)" : " (stream)") << " pixel " << i << " alpha "
                          << (got.Bits()[i] >> 24) << ", expected " << want;
            ++bad;
        }
    }
}

TEST(BmpCorpus, EveryFileMatchesItsReferenceOrIsRefusedCleanly) {
    std::map<std::string, bool> listed;
    for (const CorpusCase& c : kCorpusCases) {
        listed[c.file] = true;
        SCOPED_TRACE(c.file);
        const Bytes bytes = ReadFile(kCorpus / "bmp" / c.file);
        const std::string name = fs::path(c.file).filename().string();
        if (c.outcome == Outcome::Refused) {
            const std::string err = DecodeError(bytes, name);
            EXPECT_EQ(err.rfind(name + ": ", 0), 0u) << "error text: \"" << err << "\"";
            continue;
        }
        TBitmap32 stream, generic;
        try {
            stream = Decode(bytes, false, name);
            generic = Decode(bytes, true, name);
        } catch (const kv::Error& e) {
            ADD_FAILURE() << "refused: " << e.what();
            continue;
        }
        EXPECT_FALSE(stream.Empty());
        if (c.outcome != Outcome::Match) continue;
        const TBitmap32 ref =
            kv::codecs::LoadPNGRaw((kCorpus / "ref" / "bmp" / (std::string(c.file) + ".png")).string());
        ExpectMatches(c.file, stream, IsRle(bytes), c.tolerance);
        ExpectMatches(c.file, generic, IsRle(bytes), c.tolerance);
        ExpectAlpha(c.file, stream, ref, c.alpha, false);
        ExpectAlpha(c.file, generic, ref, c.alpha, true);
    }
    // Every BMP of the corpus is in the table.
    for (const auto& e : fs::recursive_directory_iterator(kCorpus / "bmp")) {
        if (e.path().extension() == ".bmp") {
            EXPECT_TRUE(listed.count(fs::relative(e.path(), kCorpus / "bmp").string())) << e.path();
        }
    }
}

// The two Windows CE depth-2 files have no reference decoding; the suite's own renderings show the
// intended picture, and the grey one must use its four palette greys.
TEST(BmpCorpus, TwoBitsPerPixelUsesTheFourEntryPalette) {
    const TBitmap32 grey = Decode(ReadFile(kCorpus / "bmp/bmpsuite/q/pal2.bmp"));
    const TBitmap32 colour = Decode(ReadFile(kCorpus / "bmp/bmpsuite/q/pal2color.bmp"));
    ASSERT_EQ(grey.Width(), 127);
    ASSERT_EQ(colour.Height(), 64);
    std::map<TColor32, int> seen;
    for (std::size_t i = 0; i < grey.PixelCount(); ++i)
        ++seen[grey.Bits()[i]];
    EXPECT_EQ(seen.size(), 4u);
    for (const auto& [c, count] : seen) {
        EXPECT_EQ(c >> 24, 255u);
        EXPECT_TRUE(kv::RedComponent(c) == kv::GreenComponent(c) &&
                    kv::GreenComponent(c) == kv::BlueComponent(c));
    }
}

// ---- Hand-made files ----------------------------------------------------------------------------

TEST(BmpDecode, PalettedDepthsBitOrderAndBottomUpRows) {
    const std::vector<TColor32> pal = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00};
    // 1 bpp, 3 x 2: rows bottom-up, most significant bit first, rows padded to 4 bytes.
    const TBitmap32 one = Decode(MakeBmp(3, 2, 1, 0, {pal[0], pal[1]}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}));
    EXPECT_EQ(one.Pixel(0, 0), pal[0]);
    EXPECT_EQ(one.Pixel(1, 0), pal[1]);
    EXPECT_EQ(one.Pixel(0, 1), pal[1]);
    EXPECT_EQ(one.Pixel(1, 1), pal[0]);
    EXPECT_EQ(one.Pixel(2, 1), pal[1]);
    // 4 bpp: high nibble first.
    const TBitmap32 four = Decode(MakeBmp(3, 1, 4, 0, pal, {0x23, 0x10, 0, 0}));
    EXPECT_EQ(four.Pixel(0, 0), pal[2]);
    EXPECT_EQ(four.Pixel(1, 0), pal[3]);
    EXPECT_EQ(four.Pixel(2, 0), pal[1]);
    // Top-down rows (negative height).
    Bytes td = MakeBmp(1, 2, 8, 0, pal, {2, 0, 0, 0, 3, 0, 0, 0});
    Put32(td, 22, std::uint32_t(-2));
    const TBitmap32 top = Decode(td);
    EXPECT_EQ(top.Pixel(0, 0), pal[2]);
    EXPECT_EQ(top.Pixel(0, 1), pal[3]);
}

TEST(BmpDecode, IndicesBeyondThePaletteAreBlack) {
    const TBitmap32 b = Decode(MakeBmp(4, 1, 8, 0, {0xFFFFFFFF, 0xFF0000FF}, {0, 1, 2, 255}));
    EXPECT_EQ(b.Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.Pixel(1, 0), 0xFF0000FFu);
    EXPECT_EQ(b.Pixel(2, 0), kv::clBlack32);
    EXPECT_EQ(b.Pixel(3, 0), kv::clBlack32);
}

TEST(BmpDecode, RleEscapesRunsClampedAndUnpaintedPixelsBlack) {
    const std::vector<TColor32> pal = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    // RLE8, 4 x 3, bottom row first: a run of 6 that the row clamps to 4; end of line; a delta of
    // (2, 0); a literal run of 3 padded to 4 bytes, clamped at x = 4; end of line; end of bitmap.
    const Bytes rle8 = {6, 1, 0, 0, 0, 2, 2, 0, 0, 3, 2, 3, 1, 0, 0, 0, 0, 1};
    const TBitmap32 b = Decode(MakeBmp(4, 3, 8, 1, pal, rle8));
    const TColor32 B = kv::clBlack32, R = pal[1], G = pal[2], U = pal[3];
    const TColor32 want[3][4] = {{B, B, B, B}, {B, B, G, U}, {R, R, R, R}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(b.Pixel(x, y), want[y][x]) << x << "," << y;

    // RLE4, 5 x 1: a run of 3 alternating nibbles (1, 2, 1), then a literal of 3 (3, 1, 2) clamped.
    const Bytes rle4 = {3, 0x12, 0, 3, 0x31, 0x20, 0, 1};
    const TBitmap32 c = Decode(MakeBmp(5, 1, 4, 2, pal, rle4));
    const TColor32 want4[5] = {R, G, R, U, R};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(c.Pixel(x, 0), want4[x]) << x;

    // A delta down past the last row ends the picture; nothing is painted outside.
    const TBitmap32 d = Decode(MakeBmp(2, 2, 8, 1, pal, {2, 1, 0, 2, 0, 9, 2, 2}));
    EXPECT_EQ(d.Pixel(0, 1), R);
    EXPECT_EQ(d.Pixel(0, 0), B);
}

TEST(BmpDecode, BitFieldMasksOfAnyWidthScaleToEightBits) {
    // 16 bpp with 5-6-5 masks: full-scale values give 255, a middle value rounds.
    const TBitmap32 b = Decode(MakeBmp(2, 1, 16, 3, {}, {0xFF, 0xFF, 0x10, 0x84}, {0xF800, 0x07E0, 0x001F}));
    EXPECT_EQ(b.Pixel(0, 0), 0xFFFFFFFFu);
    // 0x8410: red 16 = 10000b -> 10000100b, green 32 = 100000b -> 10000010b: the bits repeated.
    EXPECT_EQ(b.Pixel(1, 0), kv::Color32(132, 130, 132));
    // Overlapping or empty masks are refused.
    EXPECT_NE(DecodeError(MakeBmp(1, 1, 16, 3, {}, {0, 0, 0, 0}, {0xF800, 0x0FE0, 0x001F})), "");
    EXPECT_NE(DecodeError(MakeBmp(1, 1, 16, 3, {}, {0, 0, 0, 0}, {0xF800, 0x07E0, 0})), "");
}

TEST(BmpDecode, ThirtyTwoBitAlphaStreamRuleAndGenericOpenerRule) {
    // All fourth bytes 0: a stream keeps them (transparent), the generic opener makes it opaque.
    const Bytes zero = MakeBmp(2, 1, 32, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0});
    EXPECT_EQ(Decode(zero, false).Pixel(0, 0), 0x00030201u);
    EXPECT_EQ(Decode(zero, true).Pixel(0, 0), 0xFF030201u);
    EXPECT_EQ(Decode(zero, true).Pixel(1, 0), 0xFF060504u);
    // One non-zero fourth byte: alpha is kept as it is under both rules.
    const Bytes some = MakeBmp(2, 1, 32, 0, {}, {1, 2, 3, 0, 4, 5, 6, 7});
    for (bool generic : {false, true}) {
        const TBitmap32 b = Decode(some, generic);
        EXPECT_EQ(b.Pixel(0, 0), 0x00030201u);
        EXPECT_EQ(b.Pixel(1, 0), 0x07060504u);
    }
    // Any other depth is opaque whatever its padding bytes hold.
    const TBitmap32 rgb = Decode(MakeBmp(1, 1, 24, 0, {}, {9, 8, 7, 0x55}));
    EXPECT_EQ(rgb.Pixel(0, 0), 0xFF070809u);
}

TEST(BmpDecode, SizesBeyondTheLimitAreRefusedFromTheHeader) {
    struct Case {
        std::int32_t w, h;
    } cases[] = {{32768, 1}, {1, -32768}, {20000, 20000}, {-5, 5}, {0x7FFFFFFF, 0x7FFFFFFF}};
    for (const Case& c : cases) {
        // The file holds one row only: a size check after allocating would report "truncated".
        Bytes b = MakeBmp(1, 1, 24, 0, {}, {0, 0, 0, 0});
        Put32(b, 18, std::uint32_t(c.w));
        Put32(b, 22, std::uint32_t(c.h));
        const std::string err = DecodeError(b, "big.bmp");
        EXPECT_EQ(err.rfind("big.bmp: ", 0), 0u) << err;
        EXPECT_EQ(err.find("truncated"), std::string::npos) << err;
    }
    // The limit itself is accepted in the header and fails only for lack of data.
    Bytes b = MakeBmp(1, 1, 24, 0, {}, {0, 0, 0, 0});
    Put32(b, 18, 32767);
    EXPECT_EQ(DecodeError(b, "big.bmp"), "big.bmp: truncated BMP file");
}

// Good files cut at many lengths are refused with the file's name, whether the file size in the
// header still claims the whole file or was rewritten to the cut length.
TEST(BmpDecode, TruncatedFilesAreRefused) {
    for (const char* file :
         {"bmpsuite/g/pal8.bmp", "bmpsuite/g/rgb24.bmp", "bmpsuite/g/pal4rle.bmp", "bmpsuite/g/pal8rle.bmp",
          "bmpsuite/g/rgb32bf.bmp", "bmpsuite/g/pal8os2.bmp", "bmpsuite/g/pal8v5.bmp"}) {
        const Bytes whole = ReadFile(kCorpus / "bmp" / file);
        const std::size_t n = whole.size();
        for (std::size_t len : {std::size_t(0), std::size_t(1), std::size_t(2), std::size_t(13),
                                std::size_t(14), std::size_t(17), std::size_t(30), std::size_t(53),
                                std::size_t(54), std::size_t(70), n / 3, n / 2, n - 200}) {
            Bytes cut = Prefix(whole, len);
            EXPECT_EQ(DecodeError(cut, "cut.bmp").rfind("cut.bmp: ", 0), 0u) << file << " cut at " << len;
            if (len >= 38) {
                Put32(cut, 2, std::uint32_t(len));
                if (Get32(cut, 14) >= 40) Put32(cut, 34, 0); // no image size either
                EXPECT_EQ(DecodeError(cut, "cut.bmp").rfind("cut.bmp: ", 0), 0u) << file << " cut at " << len;
            }
        }
    }
}

// A last row that lacks only its padding bytes still holds every pixel.
TEST(BmpDecode, FinalRowWithoutPaddingDecodes) {
    Bytes whole = ReadFile(kCorpus / "bmp/bmpsuite/g/pal8.bmp"); // 127 wide: 1 padding byte per row
    const TBitmap32 ref = Decode(whole);
    Bytes cut(whole.begin(), whole.end() - 1);
    Put32(cut, 2, std::uint32_t(cut.size()));
    Put32(cut, 34, 0);
    const TBitmap32 got = Decode(cut);
    ASSERT_EQ(got.PixelCount(), ref.PixelCount());
    EXPECT_TRUE(std::equal(got.Bits(), got.Bits() + got.PixelCount(), ref.Bits()));
    cut.pop_back();
    Put32(cut, 2, std::uint32_t(cut.size()));
    EXPECT_EQ(DecodeError(cut), "test.bmp: truncated BMP file");
}

TEST(BmpDecode, ConsumedCoversTheImageNotTheBytesAfterIt) {
    Bytes b = MakeBmp(3, 2, 24, 0, {}, Bytes(24, 7));
    const std::size_t size = b.size();
    b.insert(b.end(), 100, 0xEE); // the next record of a stream
    std::size_t consumed = 0;
    Decode(b, false, "s", &consumed);
    EXPECT_EQ(consumed, size);
    // A file size field holding only the headers' size (some OS/2 writers): the pixel data's end.
    Bytes os2 = ReadFile(kCorpus / "bmp/bmpsuite/q/pal8os2-sz.bmp");
    Decode(os2, false, "s", &consumed);
    EXPECT_EQ(consumed, os2.size());
}

TEST(BmpDecode, NotABmpAndUnsupportedLayouts) {
    EXPECT_EQ(DecodeError({'G', 'I', 'F', '8', '9', 'a'}, "x.bmp"), "x.bmp: not a BMP file");
    EXPECT_EQ(DecodeError({}, "x.bmp"), "x.bmp: not a BMP file");
    Bytes b = MakeBmp(1, 1, 24, 0, {}, {0, 0, 0, 0});
    Put16(b, 28, 64);
    EXPECT_EQ(DecodeError(b, "x.bmp"), "x.bmp: unsupported bit depth (64)");
}

// ---- Writing ------------------------------------------------------------------------------------

TEST(BmpEncode, ThirtyTwoBitStreamLayoutExactly) {
    TBitmap32 bmp(2, 2);
    bmp.SetPixel(0, 0, 0x11223344);
    bmp.SetPixel(1, 0, 0x55667788);
    bmp.SetPixel(0, 1, 0x99AABBCC);
    bmp.SetPixel(1, 1, 0x00DDEEFF);
    const Bytes b = kv::codecs::EncodeBMP32(bmp);
    // clang-format off
    const Bytes want = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,   // file header: size 70, offset 54
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0, // 40-byte header, 2 x 2, 1 plane, 32 bpp
        0, 0, 0, 0, 16, 0, 0, 0,                          // BI_RGB, image size 16
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,   // resolution 0, no colour table
        0xCC, 0xBB, 0xAA, 0x99, 0xFF, 0xEE, 0xDD, 0x00,   // bottom row first: B, G, R, A
        0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55,
    };
    // clang-format on
    EXPECT_EQ(b, want);
}

TEST(BmpEncode, StreamRoundTripKeepsEveryPixelAndAlpha) {
    TBitmap32 a(5, 3), z(3, 2);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            a.SetPixel(
                x, y,
                TColor32(0x01000000u * std::uint32_t(x * 60 + y) + 0x123456u * std::uint32_t(y + x + 1)));
    z.Clear(0x00804020); // wholly transparent: a stream keeps alpha 0
    std::stringstream s;
    a.SaveToStream(s);
    z.SaveToStream(s);
    TBitmap32 a2, z2;
    a2.LoadFromStream(s);
    z2.LoadFromStream(s);
    ASSERT_EQ(a2.Width(), 5);
    ASSERT_EQ(z2.Width(), 3);
    EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + a.PixelCount(), a2.Bits()));
    EXPECT_TRUE(std::equal(z.Bits(), z.Bits() + z.PixelCount(), z2.Bits()));
}

TEST(BmpEncode, EmptyBitmaps) {
    // The 32-bit stream of an empty bitmap is a 0 x 0 image that reads back empty.
    const Bytes b = kv::codecs::EncodeBMP32(TBitmap32());
    ASSERT_EQ(b.size(), 54u);
    EXPECT_EQ(Get32(b, 18), 0u);
    EXPECT_EQ(Get32(b, 22), 0u);
    EXPECT_TRUE(Decode(b).Empty());
    // A 24-bit file of nothing is refused.
    EXPECT_THROW(kv::codecs::EncodeBMP24(TBitmap32()), kv::Error);
}

TEST(BmpEncode, TwentyFourBitRowsPaddedAndAlphaDropped) {
    TBitmap32 bmp(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bmp.SetPixel(x, y, kv::Color32(10 * x, 100 + y, 200, x == 1 ? 0 : 128));
    const Bytes b = kv::codecs::EncodeBMP24(bmp);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(Get32(b, 2), b.size());
    EXPECT_EQ(Get32(b, 10), 54u);
    EXPECT_EQ(Get32(b, 14), 40u);
    EXPECT_EQ(b[28], 24);
    EXPECT_EQ(Get32(b, 30), 0u);
    EXPECT_EQ(Get32(b, 34), 24u);
    // Bottom row first; 9 pixel bytes then 3 zero padding bytes.
    const Bytes row0 = {200, 101, 0, 200, 101, 10, 200, 101, 20, 0, 0, 0};
    EXPECT_TRUE(std::equal(row0.begin(), row0.end(), b.begin() + 54));
    const TBitmap32 back = Decode(b);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(back.Pixel(x, y), bmp.Pixel(x, y) | 0xFF000000u);
}

TEST(BmpEncode, SaveBmp24WritesTheFile) {
    const fs::path dir = fs::temp_directory_path() / ("kv_bmp_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    TBitmap32 bmp(4, 4);
    bmp.Clear(0x40FF8000);
    const std::string file = (dir / "out.bmp").string();
    kv::codecs::SaveBMP24(bmp, file);
    EXPECT_EQ(kv::codecs::ReadWholeFile(file), kv::codecs::EncodeBMP24(bmp));
    EXPECT_EQ(kv::codecs::LoadPicture(file).Pixel(3, 3), 0xFFFF8000u);
    fs::remove_all(dir);
}

} // namespace
