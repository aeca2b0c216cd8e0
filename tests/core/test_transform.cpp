// Affine transformation: the matrix steps, and drawing a bitmap through it.
#include "core/transform.h"

#include "core/blend.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kv {
namespace {

constexpr TColor32 kBack = 0x80112233u;


TBitmap32 RandomBitmap(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    TBitmap32 b(w, h);
    for (std::size_t i = 0; i < b.PixelCount(); ++i) b.Bits()[i] = rng();
    return b;
}

TEST(AffineTransformation, StepsApplyInCallOrder) {
    struct Case {
        const char* name;
        void (*build)(TAffineTransformation&);
        double x, y, ex, ey;
    };
    const Case cases[] = {
        {"identity", [](TAffineTransformation&) {}, 3, 4, 3, 4},
        {"translate then scale", [](TAffineTransformation& t) { t.Translate(1, 0), t.Scale(2, 3); }, 1, 1, 4, 3},
        {"scale then translate", [](TAffineTransformation& t) { t.Scale(2, 3), t.Translate(1, 0); }, 1, 1, 3, 3},
        {"skew", [](TAffineTransformation& t) { t.Skew(0.5, 2); }, 2, 2, 3, 6},
        {"rotate 90 about the origin", [](TAffineTransformation& t) { t.Rotate(0, 0, 90); }, 5, 0, 0, -5},
        // A centre with one non-zero coordinate is still the centre of the rotation.
        {"rotate 90 about (5, 0)", [](TAffineTransformation& t) { t.Rotate(5, 0, 90); }, 5, 0, 5, 0},
        {"rotate 90 about (0, 5)", [](TAffineTransformation& t) { t.Rotate(0, 5, 90); }, 0, 5, 0, 5},
        {"rotate 90 about (5, 0), origin", [](TAffineTransformation& t) { t.Rotate(5, 0, 90); }, 0, 0, 5, 5},
        {"rotate 180 about (3, 4)", [](TAffineTransformation& t) { t.Rotate(3, 4, 180); }, 0, 0, 6, 8},
        {"cleared", [](TAffineTransformation& t) { t.Scale(7, 7), t.Clear(); }, 3, 4, 3, 4},
    };
    for (const auto& c : cases) {
        TAffineTransformation t;
        c.build(t);
        double x, y;
        t.Transform(c.x, c.y, x, y);
        EXPECT_NEAR(x, c.ex, 1e-9) << c.name;
        EXPECT_NEAR(y, c.ey, 1e-9) << c.name;
    }
}

TEST(AffineTransformation, QuarterTurnOfASmallBitmap) {
    const TBitmap32 src0 = RandomBitmap(3, 2, 5);
    TAffineTransformation t;
    t.SrcRect = TFloatRect{0, 0, 3, 2};
    t.Rotate(0, 0, 90); // (x, y) -> (y, -x)
    t.Translate(0, 3);
    EXPECT_EQ(t.GetTransformedBounds(), (TFloatRect{0, 0, 2, 3}));
    for (TStretchFilter f : {sfNearest, sfLinear}) {
        TBitmap32 src(src0), dst(2, 3);
        src.SetStretchFilter(f);
        src.SetOuterColor(0x40FF00FFu);
        dst.Clear(kBack);
        Transform(dst, src, t);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                // Destination pixel (y, 2 - x) samples source pixel (x, y) exactly: both
                // fractions are 0, so the bilinear weights of (x, y) are 255.
                TColor32 expect = src.Pixel(x, y);
                if (f == sfLinear)
                    expect = CombineReg(CombineReg(src.PixelS(x, y), src.PixelS(x + 1, y), 255),
                                        CombineReg(src.PixelS(x, y + 1), src.PixelS(x + 1, y + 1), 255), 255);
                EXPECT_EQ(dst.Pixel(y, 2 - x), expect) << "filter " << f << " at " << x << "," << y;
            }
    }
}

TEST(AffineTransformation, OnlyTheSourceRectangleIsDrawn) {
    TBitmap32 src = RandomBitmap(4, 4, 9), dst(4, 4);
    dst.Clear(kBack);
    TAffineTransformation t;
    t.SrcRect = TFloatRect{1, 1, 3, 3};
    Transform(dst, src, t);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 1 && y < 3;
            EXPECT_EQ(dst.Pixel(x, y), inside ? src.Pixel(x, y) : kBack) << x << "," << y;
        }
}

TEST(AffineTransformation, HalfPixelShiftMixesNeighboursAndOuterColor) {
    // Translate by half a pixel: destination pixel X samples source position X - 0.5, so its
    // integer part is X - 1 with the fraction 128; x = -1 is still drawn (with OuterColor).
    TBitmap32 src = RandomBitmap(4, 1, 3), dst(4, 1);
    src.SetStretchFilter(sfLinear);
    src.SetOuterColor(0xFF00FF00u);
    dst.Clear(kBack);
    TAffineTransformation t;
    t.SrcRect = TFloatRect{0, 0, 4, 1};
    t.Translate(0.5, 0); // bounds 0.5 .. 4.5 round to 0 .. 4
    Transform(dst, src, t);
    for (int X = 0; X < 4; ++X) {
        const TColor32 o = src.OuterColor();
        const TColor32 top = CombineReg(src.PixelS(X - 1, 0), src.PixelS(X, 0), 127);
        EXPECT_EQ(dst.Pixel(X, 0), CombineReg(top, CombineReg(o, o, 127), 255)) << X;
    }
}

TEST(AffineTransformation, EnlargingMixesFourNeighboursWithFractionalWeights) {
    // Scale 2: destination pixel X samples source position (X + 0.5) / 2 - 0.5, which is
    // X * 128 - 64 in 24.8 fixed point.
    TBitmap32 src = RandomBitmap(24, 16, 21), dst(48, 32);
    src.SetStretchFilter(sfLinear);
    src.SetOuterColor(0x7F00FF00u);
    TAffineTransformation t;
    t.SrcRect = TFloatRect{0, 0, 24, 16};
    t.Scale(2, 2);
    Transform(dst, src, t);
    for (int Y = 0; Y < 32; ++Y)
        for (int X = 0; X < 48; ++X) {
            const int px = X * 128 - 64, py = Y * 128 - 64;
            const int x = px >> 8, y = py >> 8, wx = 255 - (px & 255), wy = 255 - (py & 255);
            const TColor32 expect = CombineReg(CombineReg(src.PixelS(x, y), src.PixelS(x + 1, y), wx),
                                               CombineReg(src.PixelS(x, y + 1), src.PixelS(x + 1, y + 1), wx), wy);
            ASSERT_EQ(dst.Pixel(X, Y), expect) << X << "," << Y;
        }
}

TEST(AffineTransformation, CornersOutsideTheRotatedSourceStayUnchanged) {
    for (TStretchFilter f : {sfNearest, sfLinear}) {
        TBitmap32 src(8, 8), dst(8, 8);
        src.Clear(clWhite32);
        src.SetStretchFilter(f);
        dst.Clear(kBack);
        TAffineTransformation t;
        t.SrcRect = TFloatRect{0, 0, 8, 8};
        t.Rotate(4, 4, 45);
        Transform(dst, src, t);
        for (TPoint p : {TPoint{0, 0}, TPoint{7, 0}, TPoint{0, 7}, TPoint{7, 7}})
            EXPECT_EQ(dst.Pixel(p.X, p.Y), kBack) << "filter " << f << " corner " << p.X << "," << p.Y;
        EXPECT_EQ(dst.Pixel(3, 4), clWhite32) << "filter " << f;
    }
}

TEST(AffineTransformation, BlendModeUsesMasterAlpha) {
    struct Case {
        TDrawMode mode;
        int master;
    };
    for (const Case c : {Case{dmOpaque, 255}, Case{dmBlend, 255}, Case{dmBlend, 100}, Case{dmBlend, 0}}) {
        TBitmap32 src = RandomBitmap(5, 3, 11), dst = RandomBitmap(5, 3, 12);
        const TBitmap32 before(dst);
        src.SetDrawMode(c.mode);
        src.SetMasterAlpha(c.master);
        TAffineTransformation t;
        t.SrcRect = TFloatRect{0, 0, 5, 3};
        Transform(dst, src, t);
        for (std::size_t i = 0; i < dst.PixelCount(); ++i) {
            const TColor32 s = src.Bits()[i], b = before.Bits()[i];
            EXPECT_EQ(dst.Bits()[i], c.mode == dmOpaque ? s : BlendRegEx(s, b, c.master))
                << "mode " << c.mode << " master " << c.master << " pixel " << i;
        }
    }
}

TEST(SetBorderTransparent, ClearsAlphaOnTheEdgesInsideTheBitmap) {
    struct Case {
        const char* name;
        TRect rect;
        std::vector<TPoint> cleared;
    };
    const Case cases[] = {
        {"inside", {1, 1, 4, 3}, {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}},
        {"whole bitmap", {0, 0, 5, 4}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3},
                                        {0, 1}, {0, 2}, {4, 1}, {4, 2}}},
        // Only the left and bottom edges lie inside; the others are beyond the bitmap.
        {"overhanging", {3, -2, 9, 2}, {{3, 0}, {3, 1}, {4, 1}}},
        {"outside", {6, 0, 9, 4}, {}},
        {"empty", {2, 2, 2, 4}, {}},
    };
    for (const auto& c : cases) {
        TBitmap32 b(5, 4);
        b.Clear(0xFF123456u);
        SetBorderTransparent(b, c.rect);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                bool cl = false;
                for (TPoint p : c.cleared) cl = cl || (p.X == x && p.Y == y);
                EXPECT_EQ(b.Pixel(x, y), cl ? 0x00123456u : 0xFF123456u) << c.name << " at " << x << "," << y;
            }
    }
}

} // namespace
} // namespace kv
