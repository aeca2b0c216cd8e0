#include "core/codecs/codecs.h"
#include "core/error.h"
#include "document/document.h"
#include "document/project.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

using namespace kv;

namespace {

using Bytes = codecs::Bytes;

// A picture whose pixels all differ, alpha included.
TBitmap32 Pattern(int w, int h, int seed) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       TColor32(std::uint32_t(seed * 0x01030507u +
                                              std::uint32_t(x * 0x11 + y * 0x1101) * 2654435761u)));
    return b;
}

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.Bits(), b.Bits(), a.PixelCount() * sizeof(TColor32)) == 0;
}

std::int32_t I32(const Bytes& b, std::size_t at) {
    std::int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
float F32(const Bytes& b, std::size_t at) {
    float v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// The size list of a written project, as text.
std::string SizeList(const Bytes& f) {
    const std::int32_t L = I32(f, f.size() - 4);
    return std::string(f.end() - L, f.end() - 4);
}

TBitmapLayer& AddLayer(TDocument& doc, TBitmap32 pic, TFloatRect where, int alpha, bool scaled, bool cropped,
                       TStretchFilter filter, int tag = 0) {
    TBitmapLayer& l = doc.Layers().Add<TBitmapLayer>();
    l.Bitmap = std::move(pic);
    l.Bitmap.SetDrawMode(dmBlend);
    l.Bitmap.SetMasterAlpha(alpha);
    l.Bitmap.SetStretchFilter(filter);
    l.SetLocation(where);
    l.SetScaled(scaled);
    l.SetCropped(cropped);
    l.Tag = tag;
    return l;
}

} // namespace

TEST(ProjectFile, BaseOnlyWritesStreamListAndTrailerAndReadsBackBitForBit) {
    TDocument doc;
    doc.Base().Assign(Pattern(5, 3, 1));
    const Bytes f = EncodeProject(doc);
    const Bytes stream = codecs::EncodeBMP32(doc.Base());
    const std::string list = std::to_string(stream.size()) + "\r\n";
    ASSERT_EQ(f.size(), stream.size() + list.size() + 4);
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), f.begin()));
    EXPECT_EQ(SizeList(f), list);
    EXPECT_EQ(I32(f, f.size() - 4), std::int32_t(list.size() + 4));

    TProjectContent c = DecodeProject(f.data(), f.size(), "p.qrv");
    EXPECT_TRUE(SamePixels(c.Base, doc.Base()));
    EXPECT_TRUE(c.Layers.empty());
}

TEST(ProjectFile, LayersAreWrittenInStackOrderWithTheTopmostIncluded) {
    TDocument doc;
    doc.Base().Assign(Pattern(8, 6, 2));
    AddLayer(doc, Pattern(3, 2, 3), {1.5f, -2.25f, 7.0f, 4.0f}, 200, true, false, sfLinear);
    TPositionedLayer& other = doc.Layers().Add<TPositionedLayer>();
    other.SetLocation({-1, -2, 3, 4});
    AddLayer(doc, Pattern(2, 4, 4), {0, 0, 8, 6}, 17, false, true, sfNearest, kTagCaption);

    const Bytes f = EncodeProject(doc);
    const Bytes s0 = codecs::EncodeBMP32(static_cast<TBitmapLayer&>(doc.Layers()[0]).Bitmap);
    const Bytes s2 = codecs::EncodeBMP32(static_cast<TBitmapLayer&>(doc.Layers()[2]).Bitmap);
    const Bytes sb = codecs::EncodeBMP32(doc.Base());
    const std::string list = std::to_string(s0.size()) + "\r\n" + std::to_string(s2.size()) + "\r\n" +
                             std::to_string(sb.size()) + "\r\n324\r\n";
    ASSERT_EQ(SizeList(f), list);
    ASSERT_EQ(f.size(), s0.size() + s2.size() + sb.size() + 324 + list.size() + 4);
    EXPECT_TRUE(std::equal(s0.begin(), s0.end(), f.begin()));
    EXPECT_TRUE(std::equal(s2.begin(), s2.end(), f.begin() + std::ptrdiff_t(s0.size())));
    EXPECT_TRUE(std::equal(sb.begin(), sb.end(), f.begin() + std::ptrdiff_t(s0.size() + s2.size())));

    // The record block, byte for byte.
    const std::size_t blk = s0.size() + s2.size() + sb.size();
    EXPECT_EQ(f[blk], 6);
    EXPECT_EQ(std::string(f.begin() + std::ptrdiff_t(blk) + 1, f.begin() + std::ptrdiff_t(blk) + 7),
              "bitmap");
    EXPECT_EQ(I32(f, blk + 72), 200);
    EXPECT_EQ(F32(f, blk + 76), 1.5f);
    EXPECT_EQ(F32(f, blk + 80), -2.25f);
    EXPECT_EQ(F32(f, blk + 84), 7.0f);
    EXPECT_EQ(F32(f, blk + 88), 4.0f);
    EXPECT_EQ(f[blk + 92], 1);
    EXPECT_EQ(f[blk + 93], 0);
    EXPECT_EQ(f[blk + 104], 1);
    for (std::size_t k : {94, 95, 100, 103, 105, 106, 107})
        EXPECT_EQ(f[blk + k], 0) << k;
    const std::size_t r1 = blk + 108;
    EXPECT_EQ(f[r1], 4);
    EXPECT_EQ(std::string(f.begin() + std::ptrdiff_t(r1) + 1, f.begin() + std::ptrdiff_t(r1) + 5), "magn");
    EXPECT_EQ(F32(f, r1 + 76), -1.0f);
    EXPECT_EQ(F32(f, r1 + 88), 4.0f);
    const std::size_t r2 = blk + 216;
    EXPECT_EQ(I32(f, r2 + 72), 17);
    EXPECT_EQ(f[r2 + 92], 0);
    EXPECT_EQ(f[r2 + 93], 1);
    EXPECT_EQ(f[r2 + 104], 0);

    // Read back into a fresh document: the stored base under two bitmap layers, in order.
    TDocument back;
    ApplyProject(back, DecodeProject(f.data(), f.size(), "p.qrv"));
    EXPECT_TRUE(SamePixels(back.Base(), doc.Base()));
    EXPECT_EQ(back.Base().DrawMode(), dmOpaque);
    ASSERT_EQ(back.Layers().Count(), 2);
    const int from[2] = {0, 2};
    for (int i = 0; i < 2; ++i) {
        auto& want = static_cast<TBitmapLayer&>(doc.Layers()[from[i]]);
        auto* got = dynamic_cast<TBitmapLayer*>(&back.Layers()[i]);
        ASSERT_NE(got, nullptr);
        EXPECT_TRUE(SamePixels(got->Bitmap, want.Bitmap)) << i;
        EXPECT_EQ(got->Bitmap.MasterAlpha(), want.Bitmap.MasterAlpha());
        EXPECT_EQ(got->Bitmap.StretchFilter(), want.Bitmap.StretchFilter());
        EXPECT_EQ(got->Bitmap.DrawMode(), dmBlend);
        EXPECT_EQ(got->Location(), want.Location());
        EXPECT_EQ(got->Scaled(), want.Scaled());
        EXPECT_EQ(got->Cropped(), want.Cropped());
        EXPECT_EQ(got->Tag, kTagOrdinary); // the caption tag is not stored
        EXPECT_TRUE(bool(got->OnMouseDown));
    }
    EXPECT_EQ(back.Selection(), &back.Layers()[1]);
}

TEST(ProjectFile, SingleLayerAndEmptyLayerPicture) {
    TDocument doc;
    doc.Base().Assign(Pattern(4, 4, 5));
    AddLayer(doc, Pattern(4, 4, 6), {0, 0, 4, 4}, 255, true, false, sfNearest);
    AddLayer(doc, TBitmap32(), {0, 0, 4, 4}, 255, true, false, sfNearest); // nothing to store
    const Bytes f = EncodeProject(doc);
    EXPECT_EQ(SizeList(f).substr(SizeList(f).rfind('\n', SizeList(f).size() - 3) + 1), "216\r\n");
    TProjectContent c = DecodeProject(f.data(), f.size(), "p.qrv");
    ASSERT_EQ(c.Layers.size(), 1u);
    EXPECT_TRUE(SamePixels(c.Layers[0].Picture, static_cast<TBitmapLayer&>(doc.Layers()[0]).Bitmap));
}

TEST(ProjectFile, RecordFieldsAreValidated) {
    std::uint8_t rec[kLayerRecordSize];
    TLayerRecord r;
    r.Opacity = 999;
    r.Location = {1, 2, 3, 4};
    EncodeLayerRecord(r, rec);
    EXPECT_EQ(DecodeLayerRecord(rec).Opacity, 255);
    rec[72] = 0xFB, rec[73] = rec[74] = rec[75] = 0xFF; // -5
    EXPECT_EQ(DecodeLayerRecord(rec).Opacity, 0);

    struct Case {
        const char* what;
        std::size_t at;
        float value;
    } cases[] = {{"NaN", 76, std::nanf("")},
                 {"infinite", 80, INFINITY},
                 {"beyond 2^24", 84, 3.0e7f},
                 {"below -2^24", 88, -3.0e7f}};
    for (const Case& c : cases) {
        EncodeLayerRecord(r, rec);
        std::memcpy(rec + c.at, &c.value, 4);
        EXPECT_THROW(DecodeLayerRecord(rec), Error) << c.what;
    }
    EncodeLayerRecord(r, rec);
    rec[0] = 72;
    EXPECT_THROW(DecodeLayerRecord(rec), Error);
}

namespace {

// Builds a project file from its parts so that each fault can be planted alone.
Bytes Assemble(const std::vector<Bytes>& sections, const std::vector<std::string>& lines,
               std::int64_t trailerDelta = 0) {
    Bytes f;
    for (const Bytes& s : sections)
        f.insert(f.end(), s.begin(), s.end());
    std::string list;
    for (const std::string& l : lines)
        list += l + "\r\n";
    f.insert(f.end(), list.begin(), list.end());
    const std::int32_t L = std::int32_t(std::int64_t(list.size()) + 4 + trailerDelta);
    std::uint8_t t[4];
    std::memcpy(t, &L, 4);
    f.insert(f.end(), t, t + 4);
    return f;
}

Bytes Record(const std::string& kind, float left = 0) {
    Bytes b(kLayerRecordSize);
    TLayerRecord r;
    r.Kind = kind;
    r.Location = {left, 0, 2, 2};
    EncodeLayerRecord(r, b.data());
    return b;
}

std::string N(const Bytes& b) {
    return std::to_string(b.size());
}

} // namespace

TEST(ProjectFile, HostileFilesFailWithAnErrorAndNeverCrash) {
    const Bytes base = codecs::EncodeBMP32(Pattern(3, 3, 7));
    const Bytes layer = codecs::EncodeBMP32(Pattern(2, 2, 8));
    const Bytes rec = Record("bitmap");
    Bytes two = rec;
    two.insert(two.end(), rec.begin(), rec.end());
    Bytes many;
    for (int i = 0; i < 1025; ++i) {
        const Bytes m = Record("magn");
        many.insert(many.end(), m.begin(), m.end());
    }
    Bytes notBmp = base;
    notBmp[0] = 'X';
    Bytes shortBmp(base.begin(), base.begin() + 40);
    Bytes longKind = rec;
    longKind[0] = 200;

    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"three bytes", {1, 2, 3}},
        {"trailer below 8", Assemble({base}, {N(base)}, -4)},
        {"trailer beyond the file", Assemble({base}, {N(base)}, 1 << 30)},
        {"negative trailer", Assemble({base}, {N(base)}, -(1LL << 31) - 20)},
        {"size list beyond 64 KiB", Assemble({base, Bytes(70000, '0')}, {N(base)}, 70000)},
        {"line not a number", Assemble({base}, {"12x4"})},
        {"signed line", Assemble({base}, {"+" + N(base)})},
        {"empty line", Assemble({base}, {N(base), ""})},
        {"line beyond the file", Assemble({base}, {"99999999999999999999"})},
        {"sections short of the file", Assemble({Bytes(5, 0), base}, {N(base)})},
        {"sections past the file", Assemble({base}, {std::to_string(base.size() + 1)})},
        {"block not a multiple of 108", Assemble({layer, base, Bytes(100, 0)}, {N(layer), N(base), "100"})},
        {"empty block", Assemble({layer, base}, {N(layer), N(base), "0"})},
        {"more bitmap records than streams", Assemble({layer, base, two}, {N(layer), N(base), "216"})},
        {"more streams than bitmap records",
         Assemble({layer, layer, base, rec}, {N(layer), N(layer), N(base), "108"})},
        {"kind length past its field", Assemble({layer, base, longKind}, {N(layer), N(base), "108"})},
        {"location not finite", Assemble({layer, base, Record("bitmap", NAN)}, {N(layer), N(base), "108"})},
        {"too many layers", Assemble({base, many}, {N(base), N(many)})},
        {"stream not a BMP", Assemble({notBmp}, {N(notBmp)})},
        {"layer stream not a BMP", Assemble({notBmp, base, rec}, {N(notBmp), N(base), "108"})},
        {"truncated stream", Assemble({shortBmp}, {N(shortBmp)})},
    };
    for (const Case& c : cases)
        EXPECT_THROW(DecodeProject(c.file.data(), c.file.size(), "bad.qrv"), Error) << c.what;

    // Every prefix and many random corruptions of a good file either fail cleanly or read.
    const Bytes good = Assemble({layer, base, rec}, {N(layer), N(base), "108"});
    ASSERT_NO_THROW(DecodeProject(good.data(), good.size(), "good.qrv"));
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(DecodeProject(good.data(), n, "cut.qrv"), Error) << n;
    std::mt19937 rng(12345);
    for (int i = 0; i < 2000; ++i) {
        Bytes bad = good;
        const int flips = 1 + int(rng() % 4);
        for (int k = 0; k < flips; ++k)
            bad[rng() % bad.size()] = std::uint8_t(rng());
        try {
            TProjectContent c = DecodeProject(bad.data(), bad.size(), "fuzz.qrv");
            EXPECT_FALSE(c.Base.Empty());
            EXPECT_LE(c.Layers.size(), 1u);
        } catch (const Error&) {
        }
    }
}

TEST(ProjectFile, MagnRecordsAreSkippedAndAllMagnBlockIsValid) {
    const Bytes base = codecs::EncodeBMP32(Pattern(3, 3, 9));
    const Bytes layer = codecs::EncodeBMP32(Pattern(2, 2, 10));
    Bytes block = Record("magn");
    const Bytes b = Record("bitmap", 1.0f);
    block.insert(block.end(), b.begin(), b.end());
    const Bytes f = Assemble({layer, base, block}, {N(layer), N(base), "216"});
    TProjectContent c = DecodeProject(f.data(), f.size(), "m.qrv");
    ASSERT_EQ(c.Layers.size(), 1u);
    EXPECT_EQ(c.Layers[0].Record.Location.Left, 1.0f);
    const Bytes onlyMagn = Assemble({base, Record("magn")}, {N(base), "108"});
    EXPECT_TRUE(DecodeProject(onlyMagn.data(), onlyMagn.size(), "m.qrv").Layers.empty());
}
