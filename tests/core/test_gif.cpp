// GIF decoding (first image on the logical screen, composed over black, opaque; damaged and
// oversized files refused), the GIF writer's palettes and nearest-colour mapping, the encoder's
// round trips, and the distinct-colour count.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/codecs/palettes.h"
#include "core/error.h"
#include "tests/support/image_test_util.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::TColor32;
using kv::codecs::Bytes;
using kv::codecs::GifColours;
using kv::test::ComposedOverBlack;
using kv::test::kCorpus;
using kv::test::Prefix;
using kv::test::ReadFile;
using kv::test::ReferenceOverBlack;
using kv::test::RefRow;
using kv::test::RefRows;

namespace {

TBitmap32 Decode(const Bytes& b, const std::string& name = "test.gif") {
    return kv::codecs::DecodeGIF(b.data(), b.size(), name);
}

// Number of pixels that differ (all four channels compared).
std::size_t DiffCount(const TBitmap32& a, const TBitmap32& b) {
    std::size_t d = 0;
    for (std::size_t i = 0; i < a.PixelCount(); ++i)
        d += a.Bits()[i] != b.Bits()[i];
    return d;
}

bool AllOpaque(const TBitmap32& b) {
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        if ((b.Bits()[i] >> 24) != 255) return false;
    return true;
}

// Expects a clean refusal whose text names the file.
void ExpectRefused(const Bytes& b, const std::string& name) {
    kv::test::ExpectRefused(kv::codecs::DecodeGIF, b, name);
}

// ---- Hand-made GIF files, written with giflib's encoder -------------------------------------

struct TestImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    std::vector<TColor32> localTable;  // empty: none
    int transparent = -1;              // -1: no Graphic Control Extension
    std::vector<std::uint8_t> indices; // rows top to bottom
};

int WriteBytes(GifFileType* g, const GifByteType* p, int n) {
    static_cast<Bytes*>(g->UserData)->insert(static_cast<Bytes*>(g->UserData)->end(), p, p + n);
    return n;
}

ColorMapObject* MakeMap(const std::vector<TColor32>& colours) {
    int size = 2;
    while (size < int(colours.size()))
        size *= 2;
    std::vector<GifColorType> c(std::size_t(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i)
        c[i] = GifColorType{GifByteType(kv::RedComponent(colours[i])),
                            GifByteType(kv::GreenComponent(colours[i])),
                            GifByteType(kv::BlueComponent(colours[i]))};
    return GifMakeMapObject(size, c.data());
}

Bytes MakeGif(int sw, int sh, const std::vector<TColor32>& global, const std::vector<TestImage>& images) {
    Bytes out;
    int err = 0;
    GifFileType* g = EGifOpen(&out, WriteBytes, &err);
    EGifSetGifVersion(g, true);
    ColorMapObject* gm = global.empty() ? nullptr : MakeMap(global);
    EXPECT_NE(EGifPutScreenDesc(g, sw, sh, 8, 0, gm), GIF_ERROR);
    for (const TestImage& im : images) {
        if (im.transparent >= 0) {
            GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, im.transparent};
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EXPECT_NE(EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext), GIF_ERROR);
        }
        ColorMapObject* lm = im.localTable.empty() ? nullptr : MakeMap(im.localTable);
        EXPECT_NE(EGifPutImageDesc(g, im.left, im.top, im.width, im.height, im.interlace, lm), GIF_ERROR);
        std::vector<int> order;
        if (im.interlace) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int r = start[p]; r < im.height; r += step[p])
                    order.push_back(r);
        } else {
            for (int r = 0; r < im.height; ++r)
                order.push_back(r);
        }
        for (int r : order)
            EXPECT_NE(
                EGifPutLine(
                    g, const_cast<GifPixelType*>(im.indices.data() + std::size_t(r) * std::size_t(im.width)),
                    im.width),
                GIF_ERROR);
        if (lm) GifFreeMapObject(lm);
    }
    EXPECT_NE(EGifCloseFile(g, &err), GIF_ERROR);
    if (gm) GifFreeMapObject(gm);
    return out;
}

constexpr TColor32 kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu,
                   kBlack = 0xFF000000u;

} // namespace

// ---- Corpus --------------------------------------------------------------------------------------

// Files whose reference is the upstream expected frame, which also draws the images after the
// first, while the loader draws the first image only. Where later images paint, the first image
// left black (unpainted, or black pixels of its own); everywhere else the reference holds.
struct CombinedFrame {
    const char* file;
    std::vector<kv::TRect> laterImages;
};
const CombinedFrame kCombinedFrames[] = {
    {"gif/pygif-suite/high-color.gif", {{16, 0, 32, 16}, {0, 16, 16, 32}, {16, 16, 32, 32}}},
    {"gif/pygif-suite/images-combine.gif", {{1, 0, 2, 1}, {0, 1, 1, 2}, {1, 1, 2, 2}}},
    {"gif/pygif-suite/dispose-restore-previous.gif", {{0, 0, 1, 1}}}, // the first image is all black
};

// Files no reference decoder accepted that are well-formed GIFs with nothing painted: a screen
// without an image, and images of zero width or height (whatever follows them is never read).
const char* const kUnpainted[] = {
    "gif/pygif-suite/no-data.gif",
    "gif/pygif-suite/image-zero-width.gif",
    "gif/pygif-suite/image-zero-height.gif",
    "gif/pygif-suite/image-zero-size.gif",
};

// Files with a reference that the loader refuses: screens beyond the size limit, and LZW streams
// with codes the table does not hold yet.
const char* const kRefusedDespiteReference[] = {
    "gif/pygif-suite/max-width.gif",
    "gif/pygif-suite/max-height.gif",
    "gif/pygif-suite/invalid-code.gif",
};

TEST(GifCorpus, EveryFileMatchesItsReferenceOrIsRefused) {
    auto rows = RefRows("gif/");
    ASSERT_GT(rows.size(), 100u);
    int matched = 0, refused = 0;
    for (const RefRow& row : rows) {
        SCOPED_TRACE(row.file);
        Bytes data = ReadFile(kCorpus / row.file);
        const std::string f = row.file;
        auto in = [&](const auto& list) {
            return std::any_of(std::begin(list), std::end(list), [&](const char* e) { return f == e; });
        };
        if (f == "gif/pygif-suite/images-overlap.gif") continue; // FirstImageOfOverlappingImages
        if (in(kRefusedDespiteReference) || (row.reference.empty() && !in(kUnpainted))) {
            ExpectRefused(data, row.file);
            ++refused;
            continue;
        }
        TBitmap32 got;
        try {
            got = Decode(data, row.file);
        } catch (const kv::Error& e) {
            ADD_FAILURE() << "refused: " << e.what();
            continue;
        }
        EXPECT_TRUE(AllOpaque(got));
        if (row.reference.empty()) { // unpainted screen
            for (std::size_t i = 0; i < got.PixelCount(); ++i)
                EXPECT_EQ(got.Bits()[i], kBlack);
            ++matched;
            continue;
        }
        TBitmap32 ref = ReferenceOverBlack(row.reference);
        ASSERT_EQ(got.Width(), ref.Width());
        ASSERT_EQ(got.Height(), ref.Height());
        const CombinedFrame* combined = nullptr;
        for (const auto& c : kCombinedFrames)
            if (f == c.file) combined = &c;
        if (combined) {
            for (int y = 0; y < got.Height(); ++y)
                for (int x = 0; x < got.Width(); ++x) {
                    bool later = std::any_of(
                        combined->laterImages.begin(), combined->laterImages.end(), [&](const kv::TRect& r) {
                            return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
                        });
                    ASSERT_EQ(got.Pixel(x, y), later ? kBlack : ref.Pixel(x, y)) << x << "," << y;
                }
        } else {
            EXPECT_EQ(DiffCount(got, ref), 0u);
        }
        ++matched;
    }
    EXPECT_GT(matched, 90);
    EXPECT_GT(refused, 10);
}

// The pygif suite's own expectations: screen size of every accepted file.
TEST(GifCorpus, PygifScreenSizes) {
    const fs::path dir = kCorpus / "gif" / "pygif-suite";
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".conf") continue;
        std::ifstream in(entry.path());
        std::string line, input;
        long w = -1, h = -1;
        bool hasFrames = false;
        while (std::getline(in, line)) {
            auto value = [&](const char* key) -> std::string {
                std::string k = std::string(key) + " = ";
                return line.rfind(k, 0) == 0 ? line.substr(k.size()) : std::string();
            };
            if (auto v = value("input"); !v.empty()) input = v;
            if (auto v = value("width"); !v.empty()) w = std::stol(v);
            if (auto v = value("height"); !v.empty()) h = std::stol(v);
            if (line.rfind("frames = ", 0) == 0) hasFrames = line.size() > 9;
        }
        if (!hasFrames || w > kv::kMaxBitmapSide || h > kv::kMaxBitmapSide) continue;
        Bytes data = ReadFile(dir / input);
        SCOPED_TRACE(input);
        try {
            TBitmap32 bmp = Decode(data, input);
            EXPECT_EQ(bmp.Width(), w);
            EXPECT_EQ(bmp.Height(), h);
            ++checked;
        } catch (const kv::Error& e) {
            ADD_FAILURE() << e.what();
        }
    }
    EXPECT_GT(checked, 60);
}

TEST(GifCorpus, FirstImageOfOverlappingImages) {
    // Two 1x1 images on a 1x1 screen; the reference shows the second (white, entry 1). The first
    // image's LZW data (codes clear, 2, end) paints entry 2 of the global table: red.
    TBitmap32 bmp = Decode(ReadFile(kCorpus / "gif/pygif-suite/images-overlap.gif"));
    ASSERT_EQ(bmp.Width(), 1);
    ASSERT_EQ(bmp.Height(), 1);
    EXPECT_EQ(bmp.Pixel(0, 0), kRed);
}

// ---- Decoding rules on hand-made files -----------------------------------------------------------

TEST(GifDecode, TransparentAndUnpaintedPixelsBecomeOpaqueBlack) {
    TestImage im;
    im.left = 1;
    im.top = 1;
    im.width = 2;
    im.height = 2;
    im.transparent = 2;
    im.indices = {0, 1, 2, 3};
    Bytes gif = MakeGif(4, 3, {kRed, kGreen, kBlue, kWhite}, {im});
    TBitmap32 bmp = Decode(gif);
    ASSERT_EQ(bmp.Width(), 4);
    ASSERT_EQ(bmp.Height(), 3);
    const TColor32 expected[3][4] = {
        {kBlack, kBlack, kBlack, kBlack}, {kBlack, kRed, kGreen, kBlack}, {kBlack, kBlack, kWhite, kBlack}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(bmp.Pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(GifDecode, LocalTableWinsAndIndicesBeyondTheTableAreBlack) {
    TestImage im;
    im.width = 4;
    im.height = 1;
    im.localTable = {kWhite, kBlue, 0xFF123456u}; // stored with 4 entries, the 4th black
    im.indices = {0, 1, 2, 3};
    TBitmap32 bmp = Decode(MakeGif(4, 1, {kRed, kRed}, {im}));
    EXPECT_EQ(bmp.Pixel(0, 0), kWhite);
    EXPECT_EQ(bmp.Pixel(1, 0), kBlue);
    EXPECT_EQ(bmp.Pixel(2, 0), 0xFF123456u);
    EXPECT_EQ(bmp.Pixel(3, 0), kBlack);

    // Global table of 2 entries, 4-bit codes pointing beyond it.
    TestImage far;
    far.width = 3;
    far.height = 1;
    far.indices = {1, 7, 15};
    TestImage carrier = far;
    carrier.localTable = std::vector<TColor32>(16, kGreen); // makes the encoder accept 4-bit codes
    Bytes gif = MakeGif(3, 1, {kRed, kBlue}, {carrier});
    // Drop the local table: clear its flag and remove its 48 bytes, so the global table applies.
    const std::size_t desc = 13 + 6 + 1; // header, 2-entry global table, image separator
    ASSERT_EQ(gif[desc - 1], 0x2C);
    gif[desc + 8] &= 0x78;
    gif.erase(gif.begin() + std::ptrdiff_t(desc + 9), gif.begin() + std::ptrdiff_t(desc + 9 + 48));
    bmp = Decode(gif);
    EXPECT_EQ(bmp.Pixel(0, 0), kBlue);
    EXPECT_EQ(bmp.Pixel(1, 0), kBlack);
    EXPECT_EQ(bmp.Pixel(2, 0), kBlack);
}

TEST(GifDecode, InterlacedRowsLandInPlace) {
    TestImage im;
    im.width = 3;
    im.height = 11;
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x)
            im.indices.push_back(std::uint8_t((y * 3 + x) % 16));
    std::vector<TColor32> table;
    for (int i = 0; i < 16; ++i)
        table.push_back(kv::Color32(i * 16, 255 - i * 8, i));
    TBitmap32 plain = Decode(MakeGif(3, 11, table, {im}));
    im.interlace = true;
    Bytes interlacedGif = MakeGif(3, 11, table, {im});
    ASSERT_TRUE(interlacedGif[13 + 48 + 1 + 8] & 0x40);
    TBitmap32 interlaced = Decode(interlacedGif);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(plain.Pixel(x, y), table[std::size_t((y * 3 + x) % 16)]);
            EXPECT_EQ(interlaced.Pixel(x, y), plain.Pixel(x, y)) << x << "," << y;
        }
}

TEST(GifDecode, OnlyTheFirstImageClippedToTheScreen) {
    TestImage first;
    first.left = 2;
    first.top = 1;
    first.width = 3;
    first.height = 2;
    first.indices = {0, 1, 0, 1, 0, 1};
    TestImage second;
    second.width = 3;
    second.height = 2;
    second.indices = std::vector<std::uint8_t>(6, 2);
    TBitmap32 bmp = Decode(MakeGif(3, 2, {kRed, kGreen, kBlue, kWhite}, {first, second}));
    ASSERT_EQ(bmp.Width(), 3);
    ASSERT_EQ(bmp.Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bmp.Pixel(x, y), x == 2 && y == 1 ? kRed : kBlack) << x << "," << y;
}

TEST(GifDecode, TruncatedFilesAreRefused) {
    TestImage im;
    im.width = 40;
    im.height = 30;
    std::mt19937 rng(7);
    for (int i = 0; i < 1200; ++i)
        im.indices.push_back(std::uint8_t(rng() % 256));
    std::vector<TColor32> table(256);
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = kv::Color32(i, 255 - i, i / 2);
    Bytes gif = MakeGif(40, 30, table, {im});
    TBitmap32 whole = Decode(gif);
    // Without the trailer the image is still complete.
    Bytes noTrailer(gif.begin(), gif.end() - 1);
    EXPECT_EQ(DiffCount(Decode(noTrailer), whole), 0u);
    for (std::size_t n = 0; n + 1 < gif.size(); n += (n < 900 ? 1 : 13)) {
        Bytes cut = Prefix(gif, n);
        SCOPED_TRACE(n);
        ExpectRefused(cut, "cut.gif");
    }
}

TEST(GifDecode, SizesBeyondTheLimitAreRefusedBeforeDecoding) {
    auto header = [](int sw, int sh) {
        Bytes b = {'G',
                   'I',
                   'F',
                   '8',
                   '9',
                   'a',
                   std::uint8_t(sw),
                   std::uint8_t(sw >> 8),
                   std::uint8_t(sh),
                   std::uint8_t(sh >> 8),
                   0x80,
                   0,
                   0,
                   0,
                   0,
                   0,
                   255,
                   255,
                   255};
        return b;
    };
    // Screen 40000 x 10: only the header exists, the refusal must be about the size.
    Bytes screen = header(40000, 10);
    try {
        Decode(screen, "wide.gif");
        ADD_FAILURE() << "decoded";
    } catch (const kv::Error& e) {
        EXPECT_NE(
            std::string(e.what()).find("wide.gif: the logical screen 40000x10 is beyond the size limit"),
            std::string::npos)
            << e.what();
    }
    // Screen 16384 x 16384 passes the side limit but not the pixel limit.
    ExpectRefused(header(16384, 16384), "square.gif");
    // Image descriptor 40000 x 1 on a small screen.
    Bytes image = header(10, 10);
    const std::uint8_t desc[] = {0x2C, 0, 0, 0, 0, 0x40, 0x9C, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
    image.insert(image.end(), std::begin(desc), std::end(desc));
    try {
        Decode(image, "tall.gif");
        ADD_FAILURE() << "decoded";
    } catch (const kv::Error& e) {
        EXPECT_NE(std::string(e.what()).find("the image 40000x1 is beyond the size limit"), std::string::npos)
            << e.what();
    }
    ExpectRefused(header(0, 5), "empty.gif");
    ExpectRefused(Bytes{'G', 'I', 'F', '8', '9', 'a'}, "short.gif");
    ExpectRefused(Bytes{'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "other.gif");
}

// Minimum code sizes above 8 (which giflib refuses) are decoded too; their literal codes beyond
// the colour table are black.
TEST(GifDecode, WideCodeSizes) {
    // A 4x2 image with minimum code size 9 (10-bit codes; clear 512, end 513, first free 514).
    auto make = [](const std::vector<int>& codes) {
        Bytes b = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x83, 0, 0};
        for (int i = 0; i < 16; ++i) {
            b.push_back(std::uint8_t(i * 16));
            b.push_back(std::uint8_t(255 - i));
            b.push_back(std::uint8_t(i));
        }
        const std::uint8_t desc[] = {0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0, 9};
        b.insert(b.end(), std::begin(desc), std::end(desc));
        Bytes packed;
        std::uint32_t acc = 0;
        int bits = 0;
        for (int c : codes) {
            acc |= std::uint32_t(c) << bits;
            for (bits += 10; bits >= 8; bits -= 8, acc >>= 8)
                packed.push_back(std::uint8_t(acc));
        }
        if (bits > 0) packed.push_back(std::uint8_t(acc));
        b.push_back(std::uint8_t(packed.size()));
        b.insert(b.end(), packed.begin(), packed.end());
        b.push_back(0);
        b.push_back(0x3B);
        return b;
    };
    auto colour = [](int i) { return kv::Color32(i * 16, 255 - i, i); };
    // 5, 6, [5 6], [5 6 5] (the code being defined), 300.
    TBitmap32 bmp = Decode(make({512, 5, 6, 514, 516, 300, 513}));
    const TColor32 expected[8] = {colour(5), colour(6), colour(5), colour(6),
                                  colour(5), colour(6), colour(5), kBlack};
    ASSERT_EQ(bmp.Width(), 4);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bmp.Pixel(i % 4, i / 4), expected[i]) << i;

    ExpectRefused(make({512, 5, 6, 514, 516, 513}), "short.gif");        // end code before the last pixel
    ExpectRefused(make({512, 5, 6, 514, 517, 300, 513}), "code.gif");    // code not yet defined
    ExpectRefused(make({512, 514, 6, 514, 516, 300, 513}), "first.gif"); // string code after clear
    Bytes whole = make({512, 5, 6, 514, 516, 300, 513});
    for (std::size_t n = 13; n + 2 < whole.size(); ++n)
        ExpectRefused(Prefix(whole, n), "cut.gif");
    // A real file with 12-bit codes from the first one, cut anywhere in its image data.
    Bytes real = ReadFile(kCorpus / "gif/pygif-suite/max-codes.gif");
    for (std::size_t n = 100; n + 2 < real.size(); n += 97)
        ExpectRefused(Prefix(real, n), "max-codes.gif");
}

// ---- Palettes and nearest colours ------------------------------------------------------------

TEST(GifPalettes, FixedPalettes) {
    const auto& two = kv::codecs::TwoColourPalette();
    EXPECT_EQ(two[0], kBlack);
    EXPECT_EQ(two[1], kWhite);
    const auto& vga = kv::codecs::SixteenColourPalette();
    const TColor32 expected16[16] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                                     0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                     0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(vga[std::size_t(i)], expected16[i]) << i;
    const auto& p256 = kv::codecs::Palette256();
    std::set<TColor32> distinct(p256.begin(), p256.end());
    EXPECT_EQ(distinct.size(), 256u);
    EXPECT_EQ(p256[0], kBlack);
    EXPECT_EQ(p256[36 * 5 + 6 * 2 + 1], kv::Color32(255, 102, 51));
    EXPECT_EQ(p256[215], kWhite);
    for (int i = 216; i < 256; ++i) {
        TColor32 c = p256[std::size_t(i)];
        EXPECT_TRUE(kv::RedComponent(c) == kv::GreenComponent(c) &&
                    kv::GreenComponent(c) == kv::BlueComponent(c));
        EXPECT_EQ(c >> 24, 255u);
        if (i > 216) {
            EXPECT_GT(c, p256[std::size_t(i - 1)]);
        }
    }
}

TEST(GifPalettes, FastNearestEqualsTheFullSearch) {
    std::vector<TColor32> probes;
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 2)
                probes.push_back(kv::Color32(r, g, b));
    for (int v = 0; v < 256; ++v) {
        probes.push_back(kv::Gray32(v));
        probes.push_back(kv::Color32(v, v, std::min(255, v + 1)));
        probes.push_back(kv::Color32(v, std::max(0, v - 1), v));
    }
    std::mt19937 rng(1);
    for (int i = 0; i < 50000; ++i)
        probes.push_back(rng() | 0xFF000000u);
    const auto& two = kv::codecs::TwoColourPalette();
    const auto& vga = kv::codecs::SixteenColourPalette();
    const auto& p256 = kv::codecs::Palette256();
    for (TColor32 c : probes) {
        ASSERT_EQ(kv::codecs::NearestTwoColourIndex(c), kv::codecs::NearestIndex(two.data(), 2, c))
            << std::hex << c;
        ASSERT_EQ(kv::codecs::NearestSixteenColourIndex(c), kv::codecs::NearestIndex(vga.data(), 16, c))
            << std::hex << c;
        ASSERT_EQ(kv::codecs::NearestPalette256Index(c), kv::codecs::NearestIndex(p256.data(), 256, c))
            << std::hex << c;
    }
}

TEST(GifPalettes, CellMapEqualsTheFullSearchOnAnyPalette) {
    std::mt19937 rng(9);
    for (int count : {1, 2, 7, 64, 256}) {
        std::vector<TColor32> palette;
        for (int i = 0; i < count; ++i)
            palette.push_back(rng() | 0xFF000000u);
        if (count > 2) palette[1] = palette[2]; // a duplicate: the lower index wins
        kv::codecs::NearestColourMap map(palette.data(), count);
        for (int i = 0; i < 200000; ++i) {
            TColor32 c = rng();
            ASSERT_EQ(map(c), kv::codecs::NearestIndex(palette.data(), count, c))
                << count << " " << std::hex << c;
        }
        for (TColor32 p : palette)
            ASSERT_EQ(palette[map(p)] & 0xFFFFFFu, p & 0xFFFFFFu);
    }
}

TEST(GifPalettes, NearestExamples) {
    struct Case {
        TColor32 colour;
        int two, sixteen;
        TColor32 in256;
    } cases[] = {
        // Sum 383 is white, 382 black; greys 124 and 131 lie around 128 (distances 41 and 34 here).
        {kv::Color32(128, 128, 127), 1, 8, kv::Gray32(131)},
        {kv::Color32(128, 127, 127), 0, 8, kv::Gray32(124)},
        {kv::Color32(200, 10, 10), 0, 9, kv::Color32(204, 0, 0)},
        {kv::Color32(130, 130, 130), 1, 8, kv::Gray32(131)},
        {kv::Color32(20, 20, 150), 0, 4, kv::Color32(0, 0, 153)},
    };
    const auto& vga = kv::codecs::SixteenColourPalette();
    const auto& p256 = kv::codecs::Palette256();
    for (const Case& c : cases) {
        EXPECT_EQ(kv::codecs::NearestTwoColourIndex(c.colour), c.two) << std::hex << c.colour;
        EXPECT_EQ(vga[kv::codecs::NearestSixteenColourIndex(c.colour)], vga[std::size_t(c.sixteen)])
            << std::hex << c.colour;
        EXPECT_EQ(p256[kv::codecs::NearestPalette256Index(c.colour)], c.in256) << std::hex << c.colour;
    }
}

// ---- Encoding ------------------------------------------------------------------------------------

namespace {

TBitmap32 RandomPicture(int w, int h, unsigned seed, int alphaFrom = 255) {
    TBitmap32 b(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        b.Bits()[i] =
            (rng() & 0xFFFFFFu) | (TColor32(alphaFrom + int(rng() % unsigned(256 - alphaFrom))) << 24);
    return b;
}

int ScreenTableBits(const Bytes& gif) {
    return (gif[10] & 0x80) ? (gif[10] & 7) + 1 : 0;
}

} // namespace

TEST(GifEncode, FixedPalettesMapEveryPixelToItsNearestColour) {
    TBitmap32 pic = RandomPicture(37, 23, 3, 0); // alpha is ignored
    struct Mode {
        GifColours colours;
        const TColor32* palette;
        int count, bits;
    } modes[] = {
        {GifColours::Two, kv::codecs::TwoColourPalette().data(), 2, 1},
        {GifColours::Sixteen, kv::codecs::SixteenColourPalette().data(), 16, 4},
        {GifColours::Palette256, kv::codecs::Palette256().data(), 256, 8},
    };
    for (const Mode& m : modes) {
        Bytes gif = kv::codecs::EncodeGIF(pic, m.colours);
        ASSERT_GT(gif.size(), 13u);
        EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
        EXPECT_EQ(ScreenTableBits(gif), m.bits);
        TBitmap32 back = Decode(gif);
        ASSERT_EQ(back.Width(), 37);
        ASSERT_EQ(back.Height(), 23);
        for (std::size_t i = 0; i < pic.PixelCount(); ++i)
            ASSERT_EQ(back.Bits()[i], m.palette[kv::codecs::NearestIndex(m.palette, m.count, pic.Bits()[i])])
                << i;
    }
}

TEST(GifEncode, AutoKeepsUpTo256ColoursExactly) {
    for (int colours : {1, 2, 3, 17, 256}) {
        TBitmap32 pic(31, 19);
        std::vector<TColor32> set;
        std::mt19937 rng{unsigned(colours)};
        for (int i = 0; i < colours; ++i)
            set.push_back(rng() & 0xFFFFFFu);
        for (std::size_t i = 0; i < pic.PixelCount(); ++i)
            pic.Bits()[i] = set[i % set.size()] | (TColor32(rng() % 256) << 24);
        TBitmap32 back = Decode(kv::codecs::EncodeGIF(pic, GifColours::Auto));
        ASSERT_EQ(back.Width(), 31);
        for (std::size_t i = 0; i < pic.PixelCount(); ++i)
            ASSERT_EQ(back.Bits()[i], pic.Bits()[i] | 0xFF000000u) << colours << " colours, pixel " << i;
    }
}

TEST(GifEncode, AutoQuantisesRicherPictures) {
    // Smooth gradients of thousands of colours: at most 256 remain, each pixel close to the
    // original. The larger picture is more than the quantiser samples, so it sees every other pixel.
    for (auto [w, h] : {std::pair{128, 96}, std::pair{1500, 1400}}) {
        SCOPED_TRACE(w);
        TBitmap32 pic(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pic.SetPixel(
                    x, y, kv::Color32(x * 255 / (w - 1), y * 255 / (h - 1), ((x + y) * 200 / (w + h)) & 255));
        ASSERT_GT(kv::codecs::CountDistinctColours(pic), 256);
        TBitmap32 back = Decode(kv::codecs::EncodeGIF(pic, GifColours::Auto));
        ASSERT_EQ(back.Width(), w);
        ASSERT_EQ(back.Height(), h);
        EXPECT_LE(kv::codecs::CountDistinctColours(back), 256);
        EXPECT_TRUE(AllOpaque(back));
        long long err = 0;
        for (std::size_t i = 0; i < pic.PixelCount(); ++i)
            for (int sh = 0; sh < 24; sh += 8)
                err += std::abs(int((pic.Bits()[i] >> sh) & 255) - int((back.Bits()[i] >> sh) & 255));
        EXPECT_LT(double(err) / double(pic.PixelCount() * 3), 6.0);
    }
}

TEST(GifEncode, EmptyPictureIsAnErrorAndSaveWritesTheFile) {
    EXPECT_THROW(kv::codecs::EncodeGIF(TBitmap32(), GifColours::Auto), kv::Error);
    TBitmap32 pic(5, 4);
    pic.Clear(kv::Color32(10, 200, 30));
    const fs::path path = fs::temp_directory_path() / ("kv_gif_" + std::to_string(getpid()) + ".gif");
    kv::codecs::SaveGIF(pic, path.string(), GifColours::Auto);
    Bytes written = ReadFile(path);
    fs::remove(path);
    TBitmap32 back = Decode(written);
    EXPECT_EQ(DiffCount(back, pic), 0u);
}

// ---- Distinct colours ---------------------------------------------------------------------------

namespace {

// The counting scheme literally: 65 536 buckets keyed by red*256+green, each a list of blue values.
int CountWithBuckets(const TBitmap32& b) {
    std::vector<std::vector<std::uint8_t>> buckets(65536);
    int count = 0;
    for (std::size_t i = 0; i < b.PixelCount(); ++i) {
        TColor32 c = b.Bits()[i];
        auto& list = buckets[(c >> 8) & 0xFFFF];
        std::uint8_t blue = std::uint8_t(c & 255);
        if (std::find(list.begin(), list.end(), blue) == list.end()) {
            list.push_back(blue);
            ++count;
        }
    }
    return count;
}

} // namespace

TEST(DistinctColours, AlphaIsIgnored) {
    TBitmap32 b(2, 2);
    b.SetPixel(0, 0, 0xFFFF0000u);
    b.SetPixel(1, 0, 0xFFFF0000u);
    b.SetPixel(0, 1, 0xFF0000FFu);
    b.SetPixel(1, 1, 0x00FF0000u);
    EXPECT_EQ(kv::codecs::CountDistinctColours(b), 2);
    EXPECT_EQ(kv::codecs::CountDistinctColours(TBitmap32()), 0);
}

TEST(DistinctColours, AgreesWithTheBucketLists) {
    // Few colours over many pixels, many colours, and colours sharing red/green keys.
    TBitmap32 a = RandomPicture(640, 480, 11, 0);
    TBitmap32 b(700, 500);
    std::mt19937 rng(5);
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        b.Bits()[i] = (rng() % 7) * 0x010000u + (rng() % 300) + (rng() << 24);
    for (const TBitmap32* p : {&a, &b})
        EXPECT_EQ(kv::codecs::CountDistinctColours(*p), CountWithBuckets(*p));
}

TEST(DistinctColours, EveryColourOnce) {
    TBitmap32 all(4096, 4096);
    for (std::size_t i = 0; i < all.PixelCount(); ++i)
        all.Bits()[i] = TColor32(i) | 0x80000000u;
    EXPECT_EQ(kv::codecs::CountDistinctColours(all), 1 << 24);
}
