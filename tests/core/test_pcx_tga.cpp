// PCX and TGA decoding (thumbnail formats): corpus files against their references, every pixel
// layout on hand-made files, and damaged or oversized files refused cleanly.
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::TColor32;
using kv::codecs::Bytes;
using kv::test::ComposedOverBlack;
using kv::test::Decoder;
using kv::test::ExpectRefused;
using kv::test::kCorpus;
using kv::test::Prefix;
using kv::test::ReadFile;
using kv::test::ReferenceOverBlack;
using kv::test::RefRow;
using kv::test::RefRows;
using kv::test::SamePixels;

namespace {

TBitmap32 Pcx(const Bytes& b, const std::string& name = "test.pcx") {
    return kv::codecs::DecodePCX(b.data(), b.size(), name);
}
TBitmap32 Tga(const Bytes& b, const std::string& name = "test.tga") {
    return kv::codecs::DecodeTGA(b.data(), b.size(), name);
}

void ExpectPixels(const TBitmap32& bmp, int w, int h, const std::function<TColor32(int, int)>& expected) {
    ASSERT_EQ(bmp.Width(), w);
    ASSERT_EQ(bmp.Height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(bmp.Pixel(x, y), expected(x, y)) << x << "," << y;
}

// Every corpus file of the prefix: a reference must be matched (a disputed one: either decoding, or
// a clean refusal); a file without a reference, or listed in refused, must be refused. otherRef
// names files whose second decoding (kept beside the reference) is the one to match.
void CheckCorpus(const std::string& prefix, Decoder decode, const std::vector<std::string>& refused,
                 const std::map<std::string, std::string>& otherRef, int minMatched) {
    int matched = 0;
    for (const RefRow& row : RefRows(prefix)) {
        SCOPED_TRACE(row.file);
        Bytes data = ReadFile(kCorpus / row.file);
        bool mustRefuse =
            row.reference.empty() || std::find(refused.begin(), refused.end(), row.file) != refused.end();
        if (mustRefuse) {
            ExpectRefused(decode, data, row.file);
            continue;
        }
        const bool disputed = row.basis.rfind("DISPUTED", 0) == 0;
        TBitmap32 got;
        try {
            got = decode(data.data(), data.size(), row.file);
        } catch (const kv::Error& e) {
            if (!disputed) ADD_FAILURE() << "refused: " << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(row.file + ": ", 0), 0u) << e.what();
            continue;
        }
        for (std::size_t i = 0; i < got.PixelCount(); ++i)
            ASSERT_EQ(got.Bits()[i] >> 24, 255u);
        auto other = otherRef.find(row.file);
        const std::string refFile = other == otherRef.end() ? row.reference : other->second;
        TBitmap32 ref = ReferenceOverBlack(refFile);
        bool same = SamePixels(got, ref);
        if (!same && disputed) {
            // The other decoder's result, named in the note ("... decoding: ref/....png").
            auto at = row.note.find("ref/");
            if (at != std::string::npos) same = SamePixels(got, ReferenceOverBlack(row.note.substr(at)));
        }
        EXPECT_TRUE(same);
        matched += same;
    }
    EXPECT_GE(matched, minMatched);
}

// ---- Hand-made PCX files --------------------------------------------------------------------

struct PcxLayout {
    int bits = 8, planes = 1, width = 1, height = 1, bytesPerLine = 0; // 0: the least that fits
    int encoding = 1;
    bool runsAcrossLines = false;
    std::vector<TColor32> palette16;
    std::vector<TColor32> trailer; // 256 colours, or none
};

// lines: the decoded bytes of every scan line (planes after each other), concatenated.
Bytes MakePcx(const PcxLayout& s, const std::vector<std::uint8_t>& lines) {
    Bytes b(128, 0);
    int bpl = s.bytesPerLine ? s.bytesPerLine : (s.width * s.bits + 7) / 8;
    auto word = [&](std::size_t at, int v) {
        b[at] = std::uint8_t(v);
        b[at + 1] = std::uint8_t(v >> 8);
    };
    b[0] = 0x0A;
    b[1] = 5;
    b[2] = std::uint8_t(s.encoding);
    b[3] = std::uint8_t(s.bits);
    word(4, 3); // xmin, ymin: only the differences count
    word(6, 7);
    word(8, 3 + s.width - 1);
    word(10, 7 + s.height - 1);
    for (std::size_t i = 0; i < s.palette16.size(); ++i) {
        b[16 + 3 * i] = std::uint8_t(kv::RedComponent(s.palette16[i]));
        b[17 + 3 * i] = std::uint8_t(kv::GreenComponent(s.palette16[i]));
        b[18 + 3 * i] = std::uint8_t(kv::BlueComponent(s.palette16[i]));
    }
    b[65] = std::uint8_t(s.planes);
    word(66, bpl);
    EXPECT_EQ(lines.size(), std::size_t(bpl) * std::size_t(s.planes) * std::size_t(s.height));
    if (s.encoding == 0) {
        b.insert(b.end(), lines.begin(), lines.end());
    } else {
        const std::size_t lineBytes = std::size_t(bpl) * std::size_t(s.planes);
        std::size_t i = 0;
        while (i < lines.size()) {
            std::size_t limit = s.runsAcrossLines ? lines.size() : (i / lineBytes + 1) * lineBytes;
            std::size_t run = 1;
            while (i + run < limit && run < 63 && lines[i + run] == lines[i])
                ++run;
            if (run > 1 || lines[i] >= 0xC0) {
                b.push_back(std::uint8_t(0xC0 | run));
                b.push_back(lines[i]);
            } else {
                b.push_back(lines[i]);
            }
            i += run;
        }
    }
    if (!s.trailer.empty()) {
        b.push_back(0x0C);
        for (TColor32 c : s.trailer) {
            b.push_back(std::uint8_t(kv::RedComponent(c)));
            b.push_back(std::uint8_t(kv::GreenComponent(c)));
            b.push_back(std::uint8_t(kv::BlueComponent(c)));
        }
    }
    return b;
}

std::vector<TColor32> Sixteen() {
    std::vector<TColor32> p;
    for (int i = 0; i < 16; ++i)
        p.push_back(kv::Color32(i * 17, 255 - i * 16, (i * 53) & 255));
    return p;
}

std::vector<TColor32> Trailer() {
    std::vector<TColor32> p;
    for (int i = 0; i < 256; ++i)
        p.push_back(kv::Color32(255 - i, i, (i * 7) & 255));
    return p;
}

// ---- Hand-made TGA files --------------------------------------------------------------------

struct TgaSpec {
    TgaSpec(int type_, int depth_, int width_, int height_, int descriptor_, int mapFirst_ = 0,
            int mapEntryBits_ = 24, std::vector<std::uint8_t> map_ = {}, std::string id_ = "")
        : type(type_), depth(depth_), width(width_), height(height_), descriptor(descriptor_),
          mapFirst(mapFirst_), mapEntryBits(mapEntryBits_), map(std::move(map_)), id(std::move(id_)) {}
    int type, depth, width, height, descriptor;
    int mapFirst, mapEntryBits;
    std::vector<std::uint8_t> map; // raw entries
    std::string id;
};

Bytes MakeTga(const TgaSpec& s, const std::vector<std::uint8_t>& pixelData) {
    int entryBytes = (s.mapEntryBits + 7) / 8;
    int mapLength = s.map.empty() ? 0 : int(s.map.size()) / entryBytes;
    Bytes b = {std::uint8_t(s.id.size()),
               std::uint8_t(s.map.empty() ? 0 : 1),
               std::uint8_t(s.type),
               std::uint8_t(s.mapFirst),
               std::uint8_t(s.mapFirst >> 8),
               std::uint8_t(mapLength),
               std::uint8_t(mapLength >> 8),
               std::uint8_t(s.map.empty() ? 0 : s.mapEntryBits),
               0,
               0,
               0,
               0,
               std::uint8_t(s.width),
               std::uint8_t(s.width >> 8),
               std::uint8_t(s.height),
               std::uint8_t(s.height >> 8),
               std::uint8_t(s.depth),
               std::uint8_t(s.descriptor)};
    b.insert(b.end(), s.id.begin(), s.id.end());
    b.insert(b.end(), s.map.begin(), s.map.end());
    b.insert(b.end(), pixelData.begin(), pixelData.end());
    return b;
}

} // namespace

// ---- PCX ------------------------------------------------------------------------------------------

TEST(PcxCorpus, FilesMatchTheirReferencesOrAreRefused) {
    // 01r_00.pcx declares 12 bytes per line for 88 pixels of 8 bits; only one reference decoder
    // read it at all, past the declared lines.
    CheckCorpus("pcx/", kv::codecs::DecodePCX, {"pcx/pillow/01r_00.pcx"}, {}, 3);
}

TEST(PcxDecode, PixelLayouts) {
    const auto pal16 = Sixteen();
    const auto trailer = Trailer();
    struct Case {
        const char* what;
        PcxLayout layout;
        std::function<std::uint8_t(int x, int y, int plane, int byte)> line; // byte of a scan line
        std::function<TColor32(int, int)> expected;
    };
    // In 1-bit lines bit 7 of byte 0 is pixel 0; plane p gives bit p of the palette index.
    std::vector<Case> cases;
    {
        Case c{"mono, padded lines", {}, nullptr, nullptr};
        c.layout.bits = 1;
        c.layout.width = 11;
        c.layout.height = 3;
        c.layout.bytesPerLine = 4;
        c.layout.palette16 = pal16; // not used for 1-bit pictures
        auto on = [](int x, int y) { return (x * 3 + y) % 5 < 2; };
        c.line = [on](int, int y, int, int byte) {
            int v = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (byte * 8 + bit < 11 && on(byte * 8 + bit, y)) v |= 0x80 >> bit;
            return std::uint8_t(v);
        };
        c.expected = [on](int x, int y) { return on(x, y) ? 0xFFFFFFFFu : 0xFF000000u; };
        cases.push_back(c);
    }
    for (int planes : {2, 3, 4}) {
        Case c{"1-bit planes", {}, nullptr, nullptr};
        c.layout.bits = 1;
        c.layout.planes = planes;
        c.layout.width = 13;
        c.layout.height = 2;
        c.layout.bytesPerLine = 2;
        c.layout.palette16 = pal16;
        auto index = [planes](int x, int y) { return (x + 5 * y) % (1 << planes); };
        c.line = [index](int, int y, int plane, int byte) {
            int v = 0;
            for (int bit = 0; bit < 8; ++bit) {
                int x = byte * 8 + bit;
                if (x < 13 && (index(x, y) >> plane & 1)) v |= 0x80 >> bit;
            }
            return std::uint8_t(v);
        };
        c.expected = [index, pal16](int x, int y) { return pal16[std::size_t(index(x, y))]; };
        cases.push_back(c);
    }
    for (int bits : {2, 4}) {
        Case c{"packed", {}, nullptr, nullptr};
        c.layout.bits = bits;
        c.layout.width = 7;
        c.layout.height = 3;
        c.layout.palette16 = pal16;
        const int perByte = 8 / bits;
        auto index = [bits](int x, int y) { return (x * 3 + y) % (1 << bits); };
        c.line = [index, bits, perByte](int, int y, int, int byte) {
            int v = 0;
            for (int k = 0; k < perByte; ++k) {
                int x = byte * perByte + k;
                if (x < 7) v |= index(x, y) << (8 - bits * (k + 1));
            }
            return std::uint8_t(v);
        };
        c.expected = [index, pal16](int x, int y) { return pal16[std::size_t(index(x, y))]; };
        cases.push_back(c);
    }
    for (bool withTrailer : {true, false}) {
        Case c{withTrailer ? "8-bit palette" : "8-bit grey", {}, nullptr, nullptr};
        c.layout.width = 5;
        c.layout.height = 4;
        c.layout.bytesPerLine = 6;
        if (withTrailer) c.layout.trailer = trailer;
        auto index = [](int x, int y) { return (x * 61 + y * 17 + 190) & 255; }; // many >= 0xC0
        c.line = [index](int, int y, int, int byte) {
            return std::uint8_t(byte < 5 ? index(byte, y) : 0xEE);
        };
        c.expected = [index, trailer, withTrailer](int x, int y) {
            return withTrailer ? trailer[std::size_t(index(x, y))] : kv::Gray32(index(x, y));
        };
        cases.push_back(c);
    }
    for (int encoding : {1, 0}) {
        Case c{encoding ? "RGB planes" : "RGB planes, uncompressed", {}, nullptr, nullptr};
        c.layout.planes = 3;
        c.layout.width = 9;
        c.layout.height = 3;
        c.layout.bytesPerLine = 10;
        c.layout.encoding = encoding;
        auto ch = [](int x, int y, int plane) { return (x * 29 + y * 71 + plane * 101) & 255; };
        c.line = [ch](int, int y, int plane, int byte) {
            return std::uint8_t(byte < 9 ? ch(byte, y, plane) : 0);
        };
        c.expected = [ch](int x, int y) { return kv::Color32(ch(x, y, 0), ch(x, y, 1), ch(x, y, 2)); };
        cases.push_back(c);
    }
    {
        Case c{"RGBA planes, composed over black", {}, nullptr, nullptr};
        c.layout.planes = 4;
        c.layout.width = 4;
        c.layout.height = 2;
        const int alpha[4] = {0, 255, 128, 1};
        c.line = [alpha](int, int y, int plane, int byte) {
            return std::uint8_t(plane == 3 ? alpha[byte] : 200 + 10 * plane + y);
        };
        c.expected = [alpha](int x, int y) {
            TColor32 src = kv::Color32(200 + y, 210 + y, 220 + y, alpha[x]);
            return kv::BlendReg(src, 0xFF000000u) | 0xFF000000u;
        };
        cases.push_back(c);
    }
    {
        Case c{"runs continuing on the next line", {}, nullptr, nullptr};
        c.layout.width = 6;
        c.layout.height = 4;
        c.layout.runsAcrossLines = true;
        c.layout.trailer = trailer;
        c.line = [](int, int y, int, int byte) { return std::uint8_t(y < 3 ? 0xC5 : byte); };
        c.expected = [trailer](int x, int y) { return trailer[y < 3 ? 0xC5u : std::size_t(x)]; };
        cases.push_back(c);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int bpl = c.layout.bytesPerLine ? c.layout.bytesPerLine : (c.layout.width * c.layout.bits + 7) / 8;
        std::vector<std::uint8_t> lines;
        for (int y = 0; y < c.layout.height; ++y)
            for (int p = 0; p < c.layout.planes; ++p)
                for (int byte = 0; byte < bpl; ++byte)
                    lines.push_back(c.line(0, y, p, byte));
        Bytes file = MakePcx(c.layout, lines);
        TBitmap32 bmp = Pcx(file);
        ExpectPixels(bmp, c.layout.width, c.layout.height, c.expected);
    }
}

TEST(PcxDecode, BadFilesAreRefused) {
    PcxLayout s;
    s.planes = 3;
    s.width = 40;
    s.height = 20;
    std::vector<std::uint8_t> lines;
    for (int i = 0; i < 40 * 3 * 20; ++i)
        lines.push_back(std::uint8_t((i * 7) % 200));
    Bytes good = MakePcx(s, lines);
    ASSERT_NO_THROW(Pcx(good));
    for (std::size_t n = 0; n < good.size(); n += 3)
        ExpectRefused(kv::codecs::DecodePCX, Prefix(good, n), "cut.pcx");

    // 40000 pixels wide, with a header only: refused for its size, not for the missing data.
    Bytes wide = MakePcx(PcxLayout{}, {0});
    wide[8] = std::uint8_t((3 + 39999) & 255);
    wide[9] = std::uint8_t((3 + 39999) >> 8);
    wide[66] = std::uint8_t(40000 & 255);
    wide[67] = std::uint8_t(40000 >> 8);
    ExpectRefused(kv::codecs::DecodePCX, wide, "wide.pcx", "beyond the size limit");

    Bytes narrowLines = good;
    narrowLines[66] = 39; // 39 bytes per line for 40 pixels
    ExpectRefused(kv::codecs::DecodePCX, narrowLines, "lines.pcx", "bytes per line");
    Bytes twoPlanes = good;
    twoPlanes[65] = 2;
    ExpectRefused(kv::codecs::DecodePCX, twoPlanes, "planes.pcx", "unsupported");
    Bytes bounds = good;
    bounds[8] = 0;
    bounds[9] = 0; // xmax below xmin
    ExpectRefused(kv::codecs::DecodePCX, bounds, "bounds.pcx");
    Bytes notPcx = good;
    notPcx[0] = 'B';
    ExpectRefused(kv::codecs::DecodePCX, notPcx, "other.pcx", "not a PCX file");
}

// ---- TGA ------------------------------------------------------------------------------------------

TEST(TgaCorpus, FilesMatchTheirReferencesOrAreRefused) {
    // rgb32rle_top_right.tga sets the right-to-left bit; the reference decoders that ignore it were
    // chosen over the one that honours it (its decoding is kept as .pillow.png).
    CheckCorpus("tga/", kv::codecs::DecodeTGA, {},
                {{"tga/pillow/rgb32rle_top_right.tga", "ref/tga/pillow/rgb32rle_top_right.tga.pillow.png"}},
                30);
}

TEST(TgaDecode, PixelLayouts) {
    struct Case {
        const char* what;
        TgaSpec layout;
        std::vector<std::uint8_t> data;
        std::vector<TColor32> expected; // rows top to bottom
    };
    auto bgr = [](TColor32 c) {
        return std::vector<std::uint8_t>{std::uint8_t(kv::BlueComponent(c)),
                                         std::uint8_t(kv::GreenComponent(c)),
                                         std::uint8_t(kv::RedComponent(c))};
    };
    const TColor32 A = 0xFF102030u, B = 0xFFA0B0C0u, C = 0xFF0000FFu, D = 0xFFFFFF00u, E = 0xFF123456u,
                   F = 0xFF654321u;
    std::vector<Case> cases;
    auto join = [](std::initializer_list<std::vector<std::uint8_t>> parts) {
        std::vector<std::uint8_t> r;
        for (const auto& p : parts)
            r.insert(r.end(), p.begin(), p.end());
        return r;
    };
    // Rows bottom-up by default: the first row in the file is the bottom one.
    cases.push_back({"24-bit, bottom-left",
                     {2, 24, 3, 2, 0},
                     join({bgr(A), bgr(B), bgr(C), bgr(D), bgr(E), bgr(F)}),
                     {D, E, F, A, B, C}});
    cases.push_back({"24-bit, top-left",
                     {2, 24, 3, 2, 0x20},
                     join({bgr(A), bgr(B), bgr(C), bgr(D), bgr(E), bgr(F)}),
                     {A, B, C, D, E, F}});
    cases.push_back({"24-bit, top-right",
                     {2, 24, 3, 2, 0x30},
                     join({bgr(A), bgr(B), bgr(C), bgr(D), bgr(E), bgr(F)}),
                     {C, B, A, F, E, D}});
    cases.push_back({"24-bit, bottom-right, with an id",
                     {2, 24, 3, 2, 0x10, 0, 24, {}, "hello"},
                     join({bgr(A), bgr(B), bgr(C), bgr(D), bgr(E), bgr(F)}),
                     {F, E, D, C, B, A}});
    {
        // 32-bit with alpha, composed over black.
        Case c{"32-bit alpha", {2, 32, 3, 1, 0x28}, {10, 20, 30, 0, 10, 20, 30, 255, 100, 150, 200, 128}, {}};
        c.expected = {0xFF000000u, 0xFF1E140Au,
                      kv::BlendReg(kv::Color32(200, 150, 100, 128), 0xFF000000u) | 0xFF000000u};
        cases.push_back(c);
    }
    // 15 and 16 bits: x RRRRR GGGGG BBBBB; five bits widen by repeating their top bits.
    const std::uint16_t v1 = (31 << 10) | (16 << 5) | 1, v2 = 0x8000 | (3 << 10) | (0 << 5) | 30;
    const TColor32 c1 = kv::Color32(255, 132, 8), c2 = kv::Color32(24, 0, 247);
    cases.push_back({"15-bit",
                     {2, 15, 2, 1, 0x20},
                     {std::uint8_t(v1), std::uint8_t(v1 >> 8), std::uint8_t(v2), std::uint8_t(v2 >> 8)},
                     {c1, c2}});
    cases.push_back({"16-bit, top bit alpha",
                     {2, 16, 2, 1, 0x21},
                     {std::uint8_t(v1), std::uint8_t(v1 >> 8), std::uint8_t(v2), std::uint8_t(v2 >> 8)},
                     {0xFF000000u, c2}});
    cases.push_back({"16-bit without alpha bits",
                     {2, 16, 2, 1, 0x20},
                     {std::uint8_t(v1), std::uint8_t(v1 >> 8), std::uint8_t(v2), std::uint8_t(v2 >> 8)},
                     {c1, c2}});
    cases.push_back({"grey", {3, 8, 3, 1, 0x20}, {0, 128, 255}, {0xFF000000u, 0xFF808080u, 0xFFFFFFFFu}});
    cases.push_back({"grey with alpha",
                     {3, 16, 2, 1, 0x28},
                     {200, 255, 200, 64},
                     {0xFFC8C8C8u, kv::BlendReg(kv::Gray32(200, 64), 0xFF000000u) | 0xFF000000u}});
    {
        // Map entries start at index 2; indices below or beyond the map are black.
        TgaSpec s{1, 8, 4, 1, 0x20, 2, 24, join({bgr(A), bgr(B)}), ""};
        cases.push_back({"colour-mapped", s, {2, 3, 1, 4}, {A, B, 0xFF000000u, 0xFF000000u}});
        TgaSpec s16{1, 16, 2, 1, 0x20, 0, 32, {1, 2, 3, 255, 4, 5, 6, 0}, ""};
        cases.push_back({"16-bit indices, 32-bit entries", s16, {1, 0, 0, 0}, {0xFF000000u, 0xFF030201u}});
        TgaSpec s15{
            1,    8, 2,  1,
            0x20, 0, 15, {std::uint8_t(v1), std::uint8_t(v1 >> 8), std::uint8_t(v2), std::uint8_t(v2 >> 8)},
            ""};
        cases.push_back({"15-bit entries", s15, {1, 0}, {c2, c1}});
    }
    // RLE: a run packet of 4 crossing from the first row into the second, then a raw packet of 2.
    cases.push_back({"RLE across rows",
                     {10, 24, 3, 2, 0x20},
                     join({{0x83}, bgr(A), {0x01}, bgr(B), bgr(C)}),
                     {A, A, A, A, B, C}});
    cases.push_back({"RLE grey, last packet longer than the picture",
                     {11, 8, 2, 2, 0},
                     {0x81, 7, 0x85, 9},
                     {kv::Gray32(9), kv::Gray32(9), kv::Gray32(7), kv::Gray32(7)}});
    cases.push_back(
        {"RLE colour-mapped", {9, 8, 2, 1, 0x20, 0, 24, join({bgr(A), bgr(B)}), ""}, {0x01, 1, 0}, {B, A}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TBitmap32 bmp = Tga(MakeTga(c.layout, c.data));
        ExpectPixels(bmp, c.layout.width, c.layout.height,
                     [&](int x, int y) { return c.expected[std::size_t(y * c.layout.width + x)]; });
    }
}

TEST(TgaDecode, BadFilesAreRefused) {
    std::vector<std::uint8_t> rle;
    for (int i = 0; i < 30; ++i) {
        rle.push_back(std::uint8_t(0x80 | (i % 5)));
        rle.push_back(std::uint8_t(i));
        rle.push_back(std::uint8_t(i * 3));
        rle.push_back(std::uint8_t(i * 7));
    }
    Bytes good = MakeTga({10, 24, 10, 9, 0}, rle);
    ASSERT_NO_THROW(Tga(good));
    for (std::size_t n = 0; n < good.size(); ++n)
        ExpectRefused(kv::codecs::DecodeTGA, Prefix(good, n), "cut.tga");
    Bytes raw = MakeTga({2, 32, 5, 5, 0}, std::vector<std::uint8_t>(100, 9));
    ASSERT_NO_THROW(Tga(raw));
    ExpectRefused(kv::codecs::DecodeTGA, Bytes(raw.begin(), raw.end() - 1), "raw.tga", "truncated");

    // 40000 pixels wide with no pixel data: refused for the size first.
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({2, 24, 40000, 2, 0}, {}), "wide.tga",
                  "beyond the size limit");
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({2, 32, 20000, 20000, 0}, {}), "big.tga",
                  "beyond the size limit");
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({2, 24, 0, 2, 0}, {}), "empty.tga");
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({0, 24, 1, 1, 0}, {}), "none.tga", "no image data");
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({2, 12, 1, 1, 0}, {1, 2}), "depth.tga", "pixel depth");
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({1, 8, 1, 1, 0}, {0}), "nomap.tga", "colour map");
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({33, 8, 1, 1, 0}, {0}), "type.tga", "image type");
    ExpectRefused(kv::codecs::DecodeTGA, MakeTga({1, 8, 1, 1, 0, 0, 8, {1, 2}, ""}, {0}), "entry.tga",
                  "entry size");
}
