#include "core/blend.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace kv;

namespace {

// The plain per-channel formula, written independently of CombineReg.
TColor32 CombineFormula(TColor32 F, TColor32 B, int W) {
    TColor32 r = 0;
    for (int ch = 0; ch < 4; ++ch) {
        const int f = int(F >> (8 * ch)) & 255, b = int(B >> (8 * ch)) & 255;
        const int v = ((f - b) * W + 256 * b + 128) >> 8;
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 255);
        r |= TColor32(v) << (8 * ch);
    }
    return r;
}

// Restores the best path when a test ends.
struct PathGuard {
    ~PathGuard() { SetBlendPath(BestBlendPath()); }
};

std::vector<BlendPath> AvailablePaths() {
    std::vector<BlendPath> p;
    for (int l = 0; l <= int(BestBlendPath()); ++l)
        p.push_back(BlendPath(l));
    return p;
}

} // namespace

TEST(Combine, ExhaustiveOverChannelsAndWeights) {
    // One channel value per byte lane with different values in each lane, so every (f, b, W)
    // triple is checked in every lane position.
    for (int W = 0; W < 256; ++W)
        for (int f = 0; f < 256; ++f)
            for (int b = 0; b < 256; ++b) {
                const int expect = ((f - b) * W + 256 * b + 128) >> 8;
                const TColor32 F = Color32(f, 255 - f, f ^ 0x55, f), B = Color32(b, 255 - b, b ^ 0x55, b);
                const TColor32 r = CombineReg(F, B, W);
                if (AlphaComponent(r) != expect || RedComponent(r) != expect) {
                    ADD_FAILURE() << "f=" << f << " b=" << b << " W=" << W;
                    return;
                }
                ASSERT_EQ(r, CombineFormula(F, B, W));
            }
}

TEST(Combine, EdgeValues) {
    EXPECT_EQ(CombineReg(0xFFFFFFFF, 0xFF000000, 255), 0xFFFEFEFEu);
    EXPECT_EQ(CombineReg(0x12345678, 0x9ABCDEF0, 0), 0x9ABCDEF0u);
    EXPECT_EQ(CombineReg(0xFF000000, 0x00FFFFFF, 128), 0x80808080u);
}

TEST(Blend, AlphaZeroKeepsBackgroundAndAlpha255CopiesForeground) {
    EXPECT_EQ(BlendReg(0x00FFFFFF, 0x12345678), 0x12345678u);
    EXPECT_EQ(BlendReg(0xFF102030, 0x00FFFFFF), 0xFF102030u);
    // Partial alpha mixes all four channels, alpha included.
    EXPECT_EQ(BlendReg(0x80FF0000, 0x000000FF), CombineFormula(0x80FF0000, 0x000000FF, 128));
    EXPECT_EQ(AlphaComponent(BlendReg(0x80FF0000, 0x00000000)), (128 * 128 + 128) >> 8);
}

TEST(Blend, MasterAlpha) {
    EXPECT_EQ(BlendRegEx(0xFFFFFFFF, 0x12345678, 1), 0x12345678u); // (255 * 1) >> 8 = 0
    EXPECT_EQ(BlendRegEx(0xFFFFFFFF, 0xFF000000, 255), CombineFormula(0xFFFFFFFF, 0xFF000000, 254));
    EXPECT_EQ(BlendRegEx(0x80FFFFFF, 0xFF000000, 128), CombineFormula(0x80FFFFFF, 0xFF000000, 64));
}

TEST(BlendRows, EveryPathMatchesTheScalarFunctions) {
    PathGuard guard;
    std::mt19937 rng(20240611);
    const std::size_t lengths[] = {0, 1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 64, 100, 257};
    // Alpha drawn from a mix that makes runs of 0 and 255 as well as arbitrary values.
    auto randomPixel = [&](bool runs, std::size_t i) {
        TColor32 c = rng();
        if (runs) {
            const std::size_t band = (i / 9) % 4;
            if (band == 0) c &= 0x00FFFFFF;
            if (band == 1) c |= 0xFF000000;
        }
        return c;
    };
    for (BlendPath path : AvailablePaths()) {
        SetBlendPath(path);
        ASSERT_EQ(ActiveBlendPath(), path);
        for (std::size_t n : lengths)
            for (int rep = 0; rep < 6; ++rep) {
                const bool runs = rep % 2 == 0;
                std::vector<TColor32> src(n + 2), dst(n + 2);
                for (std::size_t i = 0; i < n + 2; ++i) {
                    src[i] = randomPixel(runs, i);
                    dst[i] = rng();
                }
                const int offset = rep % 3 == 2 ? 1 : 0; // unaligned rows too
                const TColor32* s = src.data() + offset;
                const int M = int(rng() % 256), W = rep == 1 ? 255 : int(rng() % 256);

                std::vector<TColor32> a = dst, b = dst, c = dst;
                BlendLine(s, a.data() + offset, n);
                BlendLineEx(s, b.data() + offset, n, M);
                CombineLine(s, c.data() + offset, n, W);
                for (std::size_t i = 0; i < n + 2; ++i) {
                    const bool in = i >= std::size_t(offset) && i < n + offset;
                    const TColor32 f = in ? s[i - offset] : 0, d = dst[i];
                    ASSERT_EQ(a[i], in ? BlendReg(f, d) : d)
                        << "path " << int(path) << " n " << n << " i " << i;
                    ASSERT_EQ(b[i], in ? BlendRegEx(f, d, M) : d)
                        << "path " << int(path) << " n " << n << " M " << M;
                    ASSERT_EQ(c[i], in ? CombineReg(f, d, W) : d)
                        << "path " << int(path) << " n " << n << " W " << W;
                }
            }
    }
}

TEST(BlendRows, ExhaustiveOverChannelsWeightsAndAlpha) {
    PathGuard guard;
    // Every (f, b) channel pair in one row, lanes differing so that every byte position is covered.
    std::vector<TColor32> fg(65536), bg(65536), row(65536);
    for (int f = 0; f < 256; ++f)
        for (int b = 0; b < 256; ++b) {
            fg[f * 256 + b] = Color32(f, 255 - f, f ^ 0x3C, f);
            bg[f * 256 + b] = Color32(b, b ^ 0xC3, 255 - b, b);
        }
    for (BlendPath path : AvailablePaths()) {
        SetBlendPath(path);
        for (int W = 0; W < 256; ++W) {
            row = bg;
            CombineLine(fg.data(), row.data(), row.size(), W);
            for (std::size_t i = 0; i < row.size(); ++i)
                ASSERT_EQ(row[i], CombineReg(fg[i], bg[i], W))
                    << "path " << int(path) << " W " << W << " i " << i;
        }
        // Blend weights come from each pixel's alpha: every alpha with every colour pair.
        std::vector<TColor32> src(65536);
        for (int a = 0; a < 256; ++a) {
            for (std::size_t i = 0; i < src.size(); ++i)
                src[i] = SetAlpha(fg[i], a);
            row = bg;
            BlendLine(src.data(), row.data(), row.size());
            for (std::size_t i = 0; i < row.size(); ++i)
                ASSERT_EQ(row[i], BlendReg(src[i], bg[i]))
                    << "path " << int(path) << " alpha " << a << " i " << i;
        }
        // Master alpha: every (alpha, M) pair, over a spread of colour pairs.
        std::vector<TColor32> s2(256 * 64), b2(256 * 64), r2;
        for (std::size_t i = 0; i < s2.size(); ++i) {
            s2[i] = SetAlpha(fg[(i * 1021) % 65536], int(i / 64));
            b2[i] = bg[(i * 1021) % 65536];
        }
        for (int M = 0; M < 256; ++M) {
            r2 = b2;
            BlendLineEx(s2.data(), r2.data(), r2.size(), M);
            for (std::size_t i = 0; i < r2.size(); ++i)
                ASSERT_EQ(r2[i], BlendRegEx(s2[i], b2[i], M))
                    << "path " << int(path) << " M " << M << " i " << i;
        }
    }
}

TEST(BlendRows, SetBlendPathIsCappedAtTheProcessorsBest) {
    PathGuard guard;
    SetBlendPath(BlendPath::AVX2);
    EXPECT_EQ(ActiveBlendPath(), BestBlendPath());
    SetBlendPath(BlendPath::Scalar);
    EXPECT_EQ(ActiveBlendPath(), BlendPath::Scalar);
}
