// The effects library against hand-worked values and against plain per-pixel transcriptions of
// each routine (slow, literal loops over a copy of the bytes) on small seeded pictures.
#include "effects/effects.h"

#include "core/blend.h"
#include "core/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace kv {
namespace {

Bitmap24 RandomBitmap(int w, int h, unsigned seed) {
    Bitmap24 b(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < b.ByteCount(); ++i)
        b.Bits()[i] = std::uint8_t(rng() & 255);
    return b;
}

Bitmap24 Uniform(int w, int h, int v) {
    Bitmap24 b(w, h);
    for (std::size_t i = 0; i < b.ByteCount(); ++i)
        b.Bits()[i] = std::uint8_t(v);
    return b;
}

bool SameBytes(const Bitmap24& a, const Bitmap24& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (std::size_t i = 0; i < a.ByteCount(); ++i)
        if (a.Bits()[i] != b.Bits()[i]) return false;
    return true;
}

// A literal copy of the generator for the references.
struct RefRandom {
    std::uint32_t state;
    std::uint32_t operator()(std::uint32_t n) {
        state = state * 134775813u + 1u;
        return std::uint32_t((std::uint64_t(state) * n) >> 32);
    }
};

// Runs body once at every vector level the processor has (Scalar, SSE2, AVX2), then restores the best.
template <class Fn> void AtEveryLevel(Fn body) {
    for (BlendPath level : {BlendPath::Scalar, BlendPath::SSE2, BlendPath::AVX2}) {
        if (int(level) > int(BestBlendPath())) continue;
        SetBlendPath(level);
        SCOPED_TRACE(int(level));
        body();
    }
    SetBlendPath(BestBlendPath());
}

std::uint8_t& At(Bitmap24& b, int x, int y, int ch) {
    return b.PixelPtr(x, y)[ch];
}

TEST(Bitmap24, ConversionDropsAlphaAndGivesOpaquePixels) {
    TBitmap32 src(2, 1);
    src.SetPixel(0, 0, Color32(10, 20, 30, 0));
    src.SetPixel(1, 0, Color32(200, 100, 50, 128));
    Bitmap24 b;
    CopyToBitmap24(src, b);
    ASSERT_EQ(b.Width(), 2);
    EXPECT_EQ(b.ScanLine(0)[0], 30); // blue first
    EXPECT_EQ(b.ScanLine(0)[1], 20);
    EXPECT_EQ(b.ScanLine(0)[2], 10);
    TBitmap32 back;
    CopyFromBitmap24(b, back);
    EXPECT_EQ(back.Pixel(0, 0), Color32(10, 20, 30, 255));
    EXPECT_EQ(back.Pixel(1, 0), Color32(200, 100, 50, 255));
    b.SetPixel(0, 0, Color32(1, 2, 3));
    CopyFromBitmap24KeepAlpha(b, src, src);
    EXPECT_EQ(src.Pixel(0, 0), Color32(1, 2, 3, 0));
    EXPECT_EQ(src.Pixel(1, 0), Color32(200, 100, 50, 128));
}

TEST(NextRandom, FollowsTheGeneratorFromZero) {
    SetRandomState(0);
    const std::uint32_t ns[] = {100, 100, 0, 1000, 7, 0xFFFFFFFFu};
    const std::uint32_t expected[] = {0, 3, 0, 202, 1, 2884733761u};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(NextRandom(ns[i]), expected[i]) << i;
    EXPECT_EQ(RandomState(), 2884733762u);
}

TEST(Noise, ChannelNoiseDrawsBlueGreenRedPerPixel) {
    Bitmap24 b = RandomBitmap(5, 4, 1), ref = b;
    SetRandomState(12345);
    RefRandom r{12345};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            for (int ch = 0; ch < 3; ++ch)
                At(ref, x, y, ch) = std::uint8_t(ClampByte(At(ref, x, y, ch) + (long long)r(50) - 25));
    ChannelNoise(b, 50);
    EXPECT_TRUE(SameBytes(b, ref));
    EXPECT_EQ(RandomState(), r.state);
}

TEST(Noise, ChannelNoiseOnWhiteStaysInUpperRange) {
    Bitmap24 b = Uniform(40, 40, 255);
    ChannelNoise(b, 50);
    int low = 255;
    for (std::size_t i = 0; i < b.ByteCount(); ++i)
        low = std::min(low, int(b.Bits()[i]));
    EXPECT_GE(low, 230);
    EXPECT_LT(low, 235); // the lower half of the draws does reach down
}

TEST(Noise, GreyNoiseMovesAllChannelsByOneDraw) {
    Bitmap24 b = RandomBitmap(6, 3, 2), ref = b;
    SetRandomState(7);
    RefRandom r{7};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            const long long d = (long long)r(60) - 30;
            for (int ch = 0; ch < 3; ++ch)
                At(ref, x, y, ch) = std::uint8_t(ClampByte(At(ref, x, y, ch) + d));
        }
    GreyNoise(b, 60);
    EXPECT_TRUE(SameBytes(b, ref));
}

void RefDiagonalBlur(Bitmap24& b, int a) {
    const int W = b.Width(), H = b.Height();
    for (int y = 0; y < H; ++y) {
        const int u = y - a < 0 ? y : y - a, l = y + a >= H ? y : y + a;
        for (int x = 0; x < W; ++x) {
            const int xl = x - a < 0 ? x : x - a, xr = x + a >= W ? x : x + a;
            for (int ch = 0; ch < 3; ++ch)
                At(b, x, y, ch) = std::uint8_t(
                    (At(b, xl, u, ch) + At(b, xl, l, ch) + At(b, xr, u, ch) + At(b, xr, l, ch)) >> 2);
        }
    }
}

TEST(DiagonalBlur, MatchesTheInPlaceVisit) {
    const int sizes[][2] = {{1, 1}, {3, 2}, {7, 5}, {20, 13}, {64, 9}, {9, 64}};
    for (auto [w, h] : sizes)
        for (int a : {1, 2, 3, 5, 40}) {
            Bitmap24 b = RandomBitmap(w, h, unsigned(w * 100 + h + a)), ref = b;
            DiagonalBlur(b, a);
            RefDiagonalBlur(ref, a);
            EXPECT_TRUE(SameBytes(b, ref)) << w << "x" << h << " a=" << a;
        }
}

TEST(DiagonalBlur, HandValuesAndPasses) {
    // 1 x 3 column, a = 1: row 0 averages itself with row 1 (already in place order), and so on.
    Bitmap24 b = Uniform(1, 3, 0);
    At(b, 0, 0, 0) = 100;
    At(b, 0, 1, 0) = 40;
    At(b, 0, 2, 0) = 8;
    DiagonalBlur(b, 1);
    EXPECT_EQ(At(b, 0, 0, 0), (100 + 40 + 100 + 40) >> 2); // 70
    EXPECT_EQ(At(b, 0, 1, 0), (70 + 8 + 70 + 8) >> 2);     // 39: the upper row is already blurred
    EXPECT_EQ(At(b, 0, 2, 0), (39 + 8 + 39 + 8) >> 2);     // 23
    Bitmap24 small = RandomBitmap(2, 2, 3), same = small;
    DiagonalBlur(small, 5); // smaller than a both ways: each pixel averaged with itself
    EXPECT_TRUE(SameBytes(small, same));

    Bitmap24 p = RandomBitmap(12, 10, 4), q = p, none = p;
    DiagonalBlurPasses(p, 1);
    DiagonalBlur(q, 3);
    DiagonalBlur(q, 3);
    EXPECT_TRUE(SameBytes(p, q));
    DiagonalBlurPasses(none, -1);
    EXPECT_TRUE(SameBytes(none, RandomBitmap(12, 10, 4)));
}

TEST(ToGreyscale, RoundsHalvesToEvenExactly) {
    struct Case {
        int r, g, b, grey;
    } cases[] = {{255, 0, 0, 76},
                 {0, 0, 255, 28},
                 {0, 255, 0, 150},
                 {255, 255, 255, 255},
                 {0, 44, 14, 28} /* 27.5 exactly */,
                 {0, 45, 45, 32} /* 31.5 */,
                 {1, 0, 0, 0},
                 {5, 0, 0, 2}};
    for (const Case& c : cases) {
        Bitmap24 b(1, 1);
        b.SetPixel(0, 0, Color32(c.r, c.g, c.b));
        ToGreyscale(b);
        EXPECT_EQ(b.Pixel(0, 0), Color32(c.grey, c.grey, c.grey)) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(ToGreyscale, EveryColourMatchesTheDecimalFormula) {
    AtEveryLevel([] {
        Bitmap24 b(4096, 4096);
        for (int i = 0; i < 1 << 24; ++i) {
            std::uint8_t* p = b.Bits() + 3 * std::size_t(i);
            p[0] = std::uint8_t(i);
            p[1] = std::uint8_t(i >> 8);
            p[2] = std::uint8_t(i >> 16);
        }
        ToGreyscale(b);
        int bad = 0;
        for (int i = 0; i < 1 << 24 && bad < 5; ++i) {
            const int t = 30 * (i >> 16) + 59 * ((i >> 8) & 255) + 11 * (i & 255);
            int q = t / 100;
            const int m = t % 100;
            if (m > 50 || (m == 50 && q % 2 == 1)) ++q;
            const std::uint8_t* p = b.Bits() + 3 * std::size_t(i);
            if (p[0] != q || p[1] != q || p[2] != q) {
                ++bad;
                ADD_FAILURE() << "colour " << i;
            }
        }
    });
}

TEST(RainDropWarp, MatchesTheWrittenMapping) {
    struct Case {
        int w, h, F;
        double S;
    } cases[] = {{9, 7, 3, 1.5}, {30, 20, 210, 10}, {16, 16, 1, 1}, {25, 12, 7, 2.5}};
    for (const Case& c : cases) {
        const Bitmap24 src = RandomBitmap(c.w, c.h, unsigned(c.w + c.F));
        Bitmap24 dst, ref = src;
        RainDropWarp(src, dst, c.F, c.S);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const double cc = c.S * std::cos(double(y % c.F) / c.S),
                             d = -c.S * std::sin(double(x % c.F) / c.S);
                const long long nx = RoundHalfEven(std::fabs(x + d - cc)),
                                ny = RoundHalfEven(std::fabs(y + cc - d));
                if (ny < c.h && nx < c.w)
                    for (int ch = 0; ch < 3; ++ch)
                        At(ref, int(nx), int(ny), ch) = src.PixelPtr(x, y)[ch];
            }
        EXPECT_TRUE(SameBytes(dst, ref)) << c.w << "x" << c.h;
    }
    Bitmap24 d;
    EXPECT_THROW(RainDropWarp(RandomBitmap(3, 3, 1), d, 0, 1), Error);
    EXPECT_THROW(RainDropWarp(RandomBitmap(3, 3, 1), d, 1, 0.5), Error);
}

TEST(ScatterPixels, ColumnsOuterThreeDrawsEach) {
    Bitmap24 b = RandomBitmap(6, 5, 9), ref = b;
    SetRandomState(99);
    RefRandom r{99};
    for (int x = 0; x < 6; ++x)
        for (int y = 0; y < 5; ++y) {
            const long long bb = r(3);
            const long long nx = x + bb - r(std::uint32_t(2 * bb)), ny = y + bb - r(std::uint32_t(2 * bb));
            if (nx >= 0 && nx < 6 && ny >= 0 && ny < 5)
                for (int ch = 0; ch < 3; ++ch)
                    At(ref, x, y, ch) = At(ref, int(nx), int(ny), ch);
        }
    ScatterPixels(b, 3);
    EXPECT_TRUE(SameBytes(b, ref));
    EXPECT_EQ(RandomState(), r.state);
}

TEST(ScatterPixels, SpreadOneKeepsThePictureButDraws) {
    Bitmap24 b = RandomBitmap(4, 3, 5), same = b;
    SetRandomState(0);
    ScatterPixels(b, 1);
    EXPECT_TRUE(SameBytes(b, same));
    RefRandom r{0};
    for (int i = 0; i < 3 * 12; ++i)
        r(1);
    EXPECT_EQ(RandomState(), r.state);
}

TEST(BlockMosaic, CellsTakeTheirTopLeftPixel) {
    const Bitmap24 src = RandomBitmap(5, 4, 11);
    for (int s : {0, 1}) {
        Bitmap24 b = src;
        BlockMosaic(b, s);
        EXPECT_TRUE(SameBytes(b, src));
    }
    Bitmap24 b = src;
    BlockMosaic(b, 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(b.Pixel(x, y), src.Pixel(x / 2 * 2, y / 2 * 2)) << x << "," << y;
    Bitmap24 all = src;
    BlockMosaic(all, 5);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(all.Pixel(x, y), src.Pixel(0, 0));
}

void RefWave(Bitmap24& b, int A, int I, int style) {
    const Bitmap24 copy = b;
    const int W = b.Width(), H = b.Height();
    const double phi = (std::numbers::pi / 2) / A;
    for (int y = H - 1 - 2 * A; y >= A; --y) {
        int o = 0;
        for (int x = 0; x < W; ++x) {
            for (int ch = 0; ch < 3; ++ch)
                At(b, x, y + A + o, ch) = copy.PixelPtr(x, y)[ch];
            double f = std::sin(x * phi);
            if (style == 1) f = std::sin(x * phi) * std::cos(x * phi);
            if (style == 2) f = std::sin(x * phi) * std::sin(I * phi * x);
            o = int(RoundHalfEven(double(A) * f));
        }
    }
}

TEST(WaveShift, MatchesTheWrittenLoops) {
    struct Case {
        int w, h, A, I;
    } cases[] = {{6, 10, 2, 3}, {40, 50, 5, 20}, {13, 7, 2, 1}, {30, 31, 10, 15}, {530, 40, 5, 3}};
    for (const Case& c : cases)
        for (int style = 0; style < 3; ++style) {
            Bitmap24 b = RandomBitmap(c.w, c.h, unsigned(c.w * c.h + style)), ref = b;
            WaveShift(b, c.A, c.I, style);
            RefWave(ref, c.A, c.I, style);
            EXPECT_TRUE(SameBytes(b, ref)) << c.w << "x" << c.h << " style " << style;
        }
    Bitmap24 low = RandomBitmap(8, 9, 1), same = low;
    WaveShift(low, 3, 1, 0); // H <= 3A
    EXPECT_TRUE(SameBytes(low, same));
    EXPECT_THROW(WaveShift(low, 0, 1, 0), Error);
}

TEST(Mandelbrot, CountsAndMask) {
    EXPECT_EQ(MandelbrotCount(0, 0), 65);
    EXPECT_EQ(MandelbrotCount(-2, -1.25), 1);
    EXPECT_EQ(MandelbrotCount(1, 0), 2); // z = 1, then 2: |z|^2 reaches 4 at the second step
    const int W = 16, H = 12, threshold = 10;
    Bitmap24 mask = RandomBitmap(W, H, 2), pic = RandomBitmap(W, H, 3);
    const Bitmap24 orig = pic;
    MandelbrotMask(mask, threshold);
    FractalOverlay(pic, threshold);
    int white = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool in = MandelbrotCount((long double)x * 3.25L / W - 2,
                                            (long double)y * 2.5L / H - 1.25L) > threshold;
            white += in;
            EXPECT_EQ(mask.Pixel(x, y), in ? Color32(255, 255, 255) : Color32(0, 0, 0));
            EXPECT_EQ(pic.Pixel(x, y), in ? orig.Pixel(x, y) : Color32(0, 0, 0));
        }
    EXPECT_GT(white, 0);
    EXPECT_LT(white, W * H);
}

// The mask may stop iterating once the threshold is passed; it must still agree with the full count
// at every threshold, including the ends of the range and beyond.
TEST(Mandelbrot, MaskAgreesWithTheCountAtEveryThreshold) {
    const int W = 65, H = 50;
    for (int threshold : {0, 1, 2, 3, 7, 10, 33, 63, 64, 65}) {
        SCOPED_TRACE(threshold);
        Bitmap24 mask(W, H);
        MandelbrotMask(mask, threshold);
        int mismatches = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool in = MandelbrotCount((long double)x * 3.25L / W - 2,
                                                (long double)y * 2.5L / H - 1.25L) > threshold;
                mismatches += mask.Pixel(x, y) != (in ? Color32(255, 255, 255) : Color32(0, 0, 0));
            }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(EmbossRelief, UniformGreyAndLiteralVisit) {
    Bitmap24 g = Uniform(6, 4, 128);
    EmbossRelief(g);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(At(g, x, y, 1), (y < 3 && x < 3) ? 127 : 128) << x << "," << y;
    Bitmap24 b = RandomBitmap(23, 7, 4), ref = b;
    for (int y = 0; y + 1 < 7; ++y)
        for (int x = 0; x + 3 < 23; ++x)
            for (int ch = 0; ch < 3; ++ch)
                At(ref, x, y, ch) = std::uint8_t((At(ref, x, y, ch) + 255 - At(ref, x + 3, y + 1, ch)) >> 1);
    EmbossRelief(b);
    EXPECT_TRUE(SameBytes(b, ref));
}

TEST(InvertChannels, EveryChannel) {
    Bitmap24 b(2, 1);
    b.SetPixel(0, 0, Color32(0, 100, 255));
    b.SetPixel(1, 0, Color32(1, 2, 3));
    InvertChannels(b);
    EXPECT_EQ(b.Pixel(0, 0), Color32(255, 155, 0));
    EXPECT_EQ(b.Pixel(1, 0), Color32(254, 253, 252));
}

void RefRipple(Bitmap24& b, int a) {
    const int W = b.Width(), H = b.Height();
    a = std::min(a, H / 2);
    for (int y = H - 1 - a; y >= 0; --y) {
        std::uint8_t c = 0;
        for (int x = 0; x < W; ++x) {
            for (int ch = 0; ch < 3; ++ch)
                At(b, x, y + c, ch) = At(b, x, y, ch);
            c = std::uint8_t(c + 1);
            if (c > a) c = 0;
        }
    }
}

TEST(SawtoothRipple, MatchesTheWrittenLoops) {
    struct Case {
        int w, h, a;
    } cases[] = {{8, 6, 2}, {8, 6, 100}, {300, 600, 300}, {5, 1, 3}, {17, 9, 1}, {700, 90, 58}};
    for (const Case& c : cases) {
        Bitmap24 b = RandomBitmap(c.w, c.h, unsigned(c.w + c.a)), ref = b;
        SawtoothRipple(b, c.a);
        RefRipple(ref, c.a);
        EXPECT_TRUE(SameBytes(b, ref)) << c.w << "x" << c.h << " a=" << c.a;
    }
    Bitmap24 b = RandomBitmap(7, 7, 1), same = b;
    SawtoothRipple(b, 0);
    EXPECT_TRUE(SameBytes(b, same));
}

TEST(PosterizeLevels, RoundsToTheStep) {
    struct Case {
        int a, v, out;
    } cases[] = {{2, 255, 255}, {2, 253, 252},   {2, 1, 0},       {2, 3, 4},   {7, 10, 7},
                 {100, 50, 0},  {100, 150, 200}, {100, 255, 255}, {1, 77, 77}, {3, 254, 255}};
    for (const Case& c : cases) {
        Bitmap24 src = Uniform(2, 1, c.v), dst;
        PosterizeLevels(src, dst, c.a);
        ASSERT_EQ(dst.Width(), 2);
        EXPECT_EQ(dst.ScanLine(0)[5], c.out) << "a=" << c.a << " v=" << c.v;
        EXPECT_EQ(src.ScanLine(0)[5], c.v);
    }
    Bitmap24 d;
    EXPECT_THROW(PosterizeLevels(Uniform(1, 1, 0), d, 0), Error);
}

TEST(PosterizeLevels, EveryByteForEveryStep) {
    AtEveryLevel([] {
        Bitmap24 src(100, 3), dst;
        for (std::size_t i = 0; i < src.ByteCount(); ++i)
            src.Bits()[i] = std::uint8_t(i * 7);
        for (int a = 1; a <= 100; ++a) {
            PosterizeLevels(src, dst, a);
            for (std::size_t i = 0; i < src.ByteCount(); ++i) {
                const int v = src.Bits()[i];
                ASSERT_EQ(dst.Bits()[i], std::min<long long>(255, a * RoundHalfEven(double(v) / a)))
                    << "a=" << a << " v=" << v;
            }
        }
    });
}

void RefBevel(Bitmap24& b, int bw, int s) {
    const int W = b.Width(), H = b.Height();
    auto L = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= W || y >= H) return;
        for (int ch = 0; ch < 3; ++ch)
            At(b, x, y, ch) = std::uint8_t(ClampByte(At(b, x, y, ch) + (255 - At(b, x, y, ch)) * s / 255));
    };
    auto D = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= W || y >= H) return;
        for (int ch = 0; ch < 3; ++ch)
            At(b, x, y, ch) = std::uint8_t(ClampByte(At(b, x, y, ch) - At(b, x, y, ch) * s / 255));
    };
    if (bw == 0) return;
    for (int r = 0; r <= bw; ++r) {
        for (int x = r; x <= W - 1 - r; ++x) {
            L(x, r);
            D(x, H - 1 - r);
        }
        for (int x = 0; x <= r; ++x) {
            L(x, r);
            D(W - 1 - x, r);
            L(x, H - 1 - r);
            D(W - 1 - x, H - 1 - r);
        }
    }
    for (int y = bw + 1; y <= H - bw - 2; ++y)
        for (int x = 0; x <= bw; ++x) {
            L(x, y);
            D(W - 1 - x, y);
        }
}

TEST(BevelButton, MatchesTheWrittenLoopsInsideThePicture) {
    struct Case {
        int w, h, bw, s;
    } cases[] = {{10, 8, 2, 40}, {10, 3, 4, 60}, {3, 10, 5, 30}, {6, 6, 9, 200}, {40, 30, 2, 1}};
    for (const Case& c : cases) {
        Bitmap24 b = RandomBitmap(c.w, c.h, unsigned(c.w * c.h)), ref = b;
        BevelButton(b, c.bw, c.s);
        RefBevel(ref, c.bw, c.s);
        EXPECT_TRUE(SameBytes(b, ref)) << c.w << "x" << c.h << " bw=" << c.bw;
    }
    // Hand values on uniform 100, bw = 1, s = 51: lighten 100 -> 131, darken 100 -> 80.
    Bitmap24 u = Uniform(5, 5, 100);
    BevelButton(u, 1, 51);
    EXPECT_EQ(At(u, 2, 0, 0), 131);      // top band once
    EXPECT_EQ(At(u, 2, 4, 0), 80);       // bottom band once
    EXPECT_EQ(At(u, 0, 0, 0), 131 + 24); // the corner is lightened twice: 131 + 124*51/255
    EXPECT_EQ(At(u, 0, 2, 0), 131);      // left band of step 2
    EXPECT_EQ(At(u, 4, 2, 0), 80);       // right band of step 2
    EXPECT_EQ(At(u, 2, 2, 0), 100);
}

TEST(OvalMatte, CornersOutsideTheInscribedEllipse) {
    Bitmap24 b = Uniform(4, 4, 7);
    OvalMatte(b, 255, 0, 255);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool corner = (x == 0 || x == 3) && (y == 0 || y == 3);
            EXPECT_EQ(b.Pixel(x, y), corner ? Color32(255, 0, 255) : Color32(7, 7, 7)) << x << "," << y;
        }
    Bitmap24 wide = Uniform(9, 3, 7);
    OvalMatte(wide, 1, 2, 3);
    // Middle row: every centre inside; top row: (2x-8)^2*9 + 4*81 <= 729 -> |2x-8| <= 6.
    for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(wide.Pixel(x, 1), Color32(7, 7, 7));
        EXPECT_EQ(wide.Pixel(x, 0), (x >= 1 && x <= 7) ? Color32(7, 7, 7) : Color32(1, 2, 3)) << x;
    }
}

} // namespace
} // namespace kv
