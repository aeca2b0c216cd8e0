// Stretch transfer: the edge cases of each filter, and every fast path against a plain reference
// that follows the arithmetic step by step, one destination pixel at a time.
#include "core/bitmap32.h"
#include "core/blend.h"
#include "core/error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace kv::stretch_detail {
int SetStretchLevel(int cap); // in core/stretch.cpp
}

namespace kv {
namespace {

// ---- Reference -----------------------------------------------------------------------------------

struct RefPair {
    int pos, w;
};

float RefKernel(TStretchFilter f, float t) {
    t = std::fabs(t);
    if (f == sfLinear2) return t < 1.0f ? 1.0f - t : 0.0f;
    if (t < 1.0f) return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
    if (t < 2.0f) return (2.0f - t) * (2.0f - t) * (2.0f - t) / 6.0f;
    return 0.0f;
}

int RefRound(float v) { return int(std::nearbyint(v)); }

// The whole mapping table of one axis: n destination indices, source span lo..hi, bitmap size S.
std::vector<std::vector<RefPair>> RefTable(int n, int lo, int hi, int S, TStretchFilter f) {
    std::vector<std::vector<RefPair>> t(std::size_t(std::max(n, 0)));
    if (S == 1) {
        for (auto& l : t) l.push_back({0, 255});
        return t;
    }
    if (n <= 1 || hi < lo) {
        if (n == 1 && hi > lo) t[0].push_back({lo + (hi - lo - 1) / 2, 255}); // one index: the span's middle
        return t;
    }
    const float R = f == sfSpline ? 1.5f : 1.001f;
    const float s = hi - lo == 1 ? 1.0f : float(n - 1) / float(hi - lo - 1);
    const float u = hi - lo == 1 ? 0.0f : 1.0f / s; // a one-index span: every centre on it
    auto lim = [S](long long j) { return int(std::min<long long>(std::max<long long>(j, 0), S - 1)); };
    for (int i = 0; i < n; ++i) {
        const float c = float(lo) + float(i) * u;
        auto& l = t[std::size_t(i)];
        if (s < 1.0f) {
            float sum = 0;
            for (long long j = (long long)std::floor(c - R * u); j <= (long long)std::ceil(c + R * u); ++j) {
                const int w = RefRound(RefKernel(f, (c - float(j)) * s) * 255.0f * s);
                if (w != 0) {
                    l.push_back({lim(j), w});
                    sum += float(w) / 255.0f;
                }
            }
            if (l.empty())
                l.push_back({lim((long long)std::nearbyint(c)), 255}); // every weight rounded to 0
            else if (sum != 1.0f)
                for (auto& p : l) p.w = RefRound(float(p.w) * (1.0f / sum));
        } else {
            for (long long j = (long long)std::floor(c - 1.0f / R); j <= (long long)std::ceil(c + 1.0f / R); ++j) {
                const int w = RefRound(RefKernel(f, c - float(j)) * 256.0f);
                if (w != 0) l.push_back({lim(j), w});
            }
        }
    }
    return t;
}

int Ch(TColor32 c, int k) { return int((c >> (8 * k)) & 255); }

void RefPut(TColor32& d, TColor32 v, const TBitmap32& src, bool masterAlways) {
    if (src.DrawMode() == dmOpaque)
        d = v;
    else if (src.MasterAlpha() == 255 && !masterAlways)
        d = BlendReg(v, d);
    else
        d = BlendRegEx(v, d, src.MasterAlpha());
}

void RefStretch(TBitmap32& dst, TRect dr, const TBitmap32& src, TRect sr) {
    const bool blend = src.DrawMode() == dmBlend;
    if (sr.Width() == 0 || sr.Height() == 0 || (blend && src.MasterAlpha() == 0)) return;
    const int sw = sr.Width(), sh = sr.Height(), dw = dr.Width(), dh = dr.Height();
    if (dw <= 0 || dh <= 0) return;
    const TRect vis = IntersectRect(dr, dst.BoundsRect());
    if (vis.IsEmpty()) return;
    const int cx = vis.Left - dr.Left, cy = vis.Top - dr.Top;
    if (sw == dw && sh == dh) {
        for (int y = vis.Top; y < vis.Bottom; ++y)
            for (int x = vis.Left; x < vis.Right; ++x)
                RefPut(*dst.PixelPtr(x, y), src.Pixel(sr.Left + x - dr.Left, sr.Top + y - dr.Top), src, false);
        return;
    }
    const TStretchFilter f = src.StretchFilter();
    if (f == sfNearest) {
        const long long hs = (long long)sw * 65536 / dw, vs = (long long)sh * 65536 / dh;
        long long y0 = blend ? MulDiv((long long)cy * sh, 65535, dh) : (dh == 1 ? 0 : MulDiv((long long)cy * (sh - 1), 65535, dh - 1));
        long long x0 = blend ? MulDiv((long long)cx * sw, 65535, dw) : (dw == 1 ? 0 : MulDiv((long long)cx * (sw - 1), 65535, dw - 1));
        long long py = y0;
        for (int y = vis.Top; y < vis.Bottom; ++y, py += vs) {
            long long px = x0;
            for (int x = vis.Left; x < vis.Right; ++x, px += hs)
                RefPut(*dst.PixelPtr(x, y), src.Pixel(sr.Left + int(px >> 16), sr.Top + int(py >> 16)), src, false);
        }
        return;
    }
    if (f == sfLinear) {
        const long long hs = (long long)(sw - 1) * 65536 / dw, vs = (long long)(sh - 1) * 65536 / dh;
        long long py = MulDiv((long long)cy * (sh - 1), 65535, dh);
        for (int y = vis.Top; y < vis.Bottom; ++y, py += vs) {
            long long px = MulDiv((long long)cx * (sw - 1), 65535, dw);
            const int sy = sr.Top + int(py >> 16), wy = 255 - int((py >> 8) & 255);
            const int ny = sy == sr.Bottom - 1 ? sy : sy + 1;
            for (int x = vis.Left; x < vis.Right; ++x, px += hs) {
                const int sx = sr.Left + int(px >> 16), wx = 255 - int((px >> 8) & 255);
                const int nx = sx == sr.Right - 1 ? sx : sx + 1;
                auto P = [&](int a, int b) { return src.Pixel(a, b); };
                TColor32 v;
                if (!blend || src.MasterAlpha() == 255)
                    v = CombineReg(CombineReg(P(sx, sy), P(sx, ny), wy), CombineReg(P(nx, sy), P(nx, ny), wy), wx);
                else
                    v = CombineReg(CombineReg(P(sx, sy), P(nx, sy), wx), CombineReg(P(sx, ny), P(nx, ny), wx), wy);
                RefPut(*dst.PixelPtr(x, y), v, src, false);
            }
        }
        return;
    }
    const auto tx = RefTable(dw, sr.Left, sr.Right, src.Width(), f);
    const auto ty = RefTable(dh, sr.Top, sr.Bottom, src.Height(), f);
    for (int y = vis.Top; y < vis.Bottom; ++y)
        for (int x = vis.Left; x < vis.Right; ++x) {
            const auto& lx = tx[std::size_t(x - dr.Left)];
            const auto& ly = ty[std::size_t(y - dr.Top)];
            TColor32 v = 0;
            for (int k = 0; k < 4; ++k) {
                long long sum = 0;
                for (const auto& px : lx)
                    for (const auto& py : ly) sum += (long long)px.w * py.w * Ch(src.Pixel(px.pos, py.pos), k);
                v |= TColor32(std::min<long long>(sum >> 16, 255)) << (8 * k);
            }
            RefPut(*dst.PixelPtr(x, y), v, src, true);
        }
}

// ---- Fixtures --------------------------------------------------------------------------------------

void FillRandom(TBitmap32& b, std::mt19937& rng) {
    for (std::size_t i = 0; i < b.PixelCount(); ++i) {
        TColor32 c = rng();
        switch (rng() % 4) { // plenty of the alpha values with their own rules
        case 0: c |= 0xFF000000u; break;
        case 1: c &= 0x00FFFFFFu; break;
        default: break;
        }
        b.Bits()[i] = c;
    }
}

TBitmap32 Row(std::initializer_list<TColor32> px) {
    TBitmap32 b(int(px.size()), 1);
    int x = 0;
    for (TColor32 c : px) b.SetPixel(x++, 0, c);
    return b;
}

std::vector<TColor32> Pixels(const TBitmap32& b) { return std::vector<TColor32>(b.Bits(), b.Bits() + b.PixelCount()); }

constexpr TColor32 kA = 0xFF102030u, kB = 0xFFA0B0C0u, kC = 0xFF405060u, kD = 0xFFE0D0F0u, kE = 0xFF0A0B0Cu;
constexpr TColor32 kBack = 0x80112233u;

// ---- Edge cases ---------------------------------------------------------------------------------

TEST(StretchNearest, ColumnsPickedByBothStartRules) {
    struct Case {
        const char* name;
        TDrawMode mode;
        TRect dstRect;
        std::vector<TColor32> expect; // the destination row after the transfer
    };
    const Case cases[] = {
        {"2 -> 4 opaque", dmOpaque, {0, 0, 4, 1}, {kA, kA, kB, kB}},
        {"2 -> 4 blend", dmBlend, {0, 0, 4, 1}, {kA, kA, kB, kB}},
        // One column clipped away: the opaque start is MulDiv(1, 65535, 3), the blend start
        // MulDiv(2, 65535, 4) = 32768, so the blend picks column 1 one pixel earlier.
        {"clipped opaque", dmOpaque, {-1, 0, 3, 1}, {kA, kA, kB, kBack}},
        {"clipped blend", dmBlend, {-1, 0, 3, 1}, {kA, kB, kB, kBack}},
    };
    for (const auto& c : cases) {
        TBitmap32 src = Row({kA, kB}), dst(4, 1);
        dst.Clear(kBack);
        src.SetDrawMode(c.mode);
        src.DrawTo(dst, c.dstRect);
        EXPECT_EQ(Pixels(dst), c.expect) << c.name;
    }
}

TEST(StretchNearest, OnePixelWideOrHighOpaqueTakesFirstColumnOrRow) {
    TBitmap32 src(5, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) src.SetPixel(x, y, Color32(x * 40, y * 40, 7));
    TBitmap32 col(1, 3), row(3, 1);
    src.DrawTo(col, TRect{0, 0, 1, 3}, TRect{1, 1, 5, 4});
    src.DrawTo(row, TRect{0, 0, 3, 1}, TRect{1, 1, 4, 5});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(RedComponent(col.Pixel(0, i)), 40) << "column of the one-pixel-wide rectangle";
        EXPECT_EQ(GreenComponent(row.Pixel(i, 0)), 40) << "row of the one-pixel-high rectangle";
    }
}

TEST(StretchResample, ShrunkWhiteComesOutBelow255AndEnlargedWhiteStaysWhite) {
    // 10 -> 4 gives every list of both filters weights adding up to exactly 255:
    // 255 * 255 * 255 >> 16 = 253. Enlarging triangle weights add up to 256, limited to 255.
    for (TStretchFilter f : {sfLinear2, sfSpline}) {
        TBitmap32 src(10, 10), small(4, 4), big(23, 23);
        src.Clear(clWhite32);
        src.SetStretchFilter(f);
        src.DrawTo(small, small.BoundsRect());
        src.DrawTo(big, big.BoundsRect());
        EXPECT_EQ(Pixels(small), std::vector<TColor32>(16, 0xFDFDFDFDu)) << "filter " << f;
        if (f == sfLinear2) {
            EXPECT_EQ(Pixels(big), std::vector<TColor32>(23 * 23, clWhite32));
        }
    }
}

TEST(Stretch, BlendWithMasterAlphaZeroDrawsNothing) {
    for (TStretchFilter f : {sfNearest, sfLinear, sfLinear2, sfSpline}) {
        TBitmap32 src(3, 3), dst(7, 5);
        src.Clear(clWhite32);
        src.SetDrawMode(dmBlend);
        src.SetMasterAlpha(0);
        src.SetStretchFilter(f);
        dst.Clear(0);
        src.DrawTo(dst, dst.BoundsRect());
        EXPECT_EQ(Pixels(dst), std::vector<TColor32>(35, 0u)) << "filter " << f;
    }
}

TEST(Stretch, SourceRectangleOutsideTheSourceIsAnError) {
    TBitmap32 src(4, 3), dst(8, 8);
    dst.Clear(kBack);
    for (TRect r : {TRect{-1, 0, 2, 2}, TRect{0, -1, 2, 2}, TRect{0, 0, 5, 2}, TRect{0, 0, 2, 4}, TRect{3, 0, 2, 2},
                    TRect{0, 2, 2, 1}}) {
        try {
            src.DrawTo(dst, TRect{0, 0, 8, 8}, r);
            ADD_FAILURE() << "no error for " << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Source rectangle is invalid");
        }
    }
    // A rectangle of zero width or height inside the source is valid and draws nothing.
    for (TStretchFilter f : {sfNearest, sfLinear, sfLinear2, sfSpline}) {
        src.SetStretchFilter(f);
        src.DrawTo(dst, TRect{0, 0, 8, 8}, TRect{2, 0, 2, 3});
        src.DrawTo(dst, TRect{0, 0, 8, 8}, TRect{0, 1, 4, 1});
    }
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(64, kBack));
}

TEST(StretchResample, OnePixelDestinationTakesTheMiddleOfTheSpan) {
    struct Case {
        std::vector<TColor32> src;
        TColor32 middle; // the pixel the single destination pixel is made from
    };
    const Case cases[] = {{{kA, kB, kC, kD, kE}, kC}, {{kA, kB, kC, kD}, kB}, {{kA, kB}, kA}};
    for (TStretchFilter f : {sfLinear2, sfSpline})
        for (const auto& c : cases) {
            TBitmap32 src(int(c.src.size()), 1), dst(1, 1);
            for (int x = 0; x < src.Width(); ++x) src.SetPixel(x, 0, c.src[std::size_t(x)]);
            src.SetStretchFilter(f);
            src.DrawTo(dst, TRect{0, 0, 1, 1});
            // Weight 255 on both axes (the height is one pixel): 255 * 255 * v >> 16.
            TColor32 expect = 0;
            for (int k = 0; k < 4; ++k) expect |= TColor32((255 * 255 * Ch(c.middle, k)) >> 16) << (8 * k);
            EXPECT_EQ(dst.Pixel(0, 0), expect) << "filter " << f << ", width " << c.src.size();
        }
}

TEST(StretchLinear, OneColumnSourceReadsNothingBesideIt) {
    // Column 1 of the bitmap is uniform; its neighbours differ. Stretching just that column must
    // give its colour everywhere (Combine of equal pixels is that pixel).
    TBitmap32 src(3, 2);
    src.Clear(kD);
    src.SetPixel(1, 0, kC);
    src.SetPixel(1, 1, kC);
    src.SetStretchFilter(sfLinear);
    for (int master : {255, 128}) {
        TBitmap32 dst(3, 4);
        dst.Clear(kBack);
        src.SetDrawMode(master == 255 ? dmOpaque : dmBlend);
        src.SetMasterAlpha(master);
        src.DrawTo(dst, dst.BoundsRect(), TRect{1, 0, 2, 2});
        const TColor32 expect = master == 255 ? kC : BlendRegEx(kC, kBack, master);
        EXPECT_EQ(Pixels(dst), std::vector<TColor32>(12, expect)) << "master " << master;
    }
}

TEST(StretchResample, OneColumnSpanOfAWiderSourceStretchesThatColumn) {
    // With sfLinear2 a one-index span enlarged gets the weight 256 on that index alone.
    TBitmap32 src(4, 1), dst(5, 1);
    src.Clear(kD);
    src.SetPixel(2, 0, kC);
    src.SetStretchFilter(sfLinear2);
    src.DrawTo(dst, dst.BoundsRect(), TRect{2, 0, 3, 1});
    TColor32 expect = 0;
    for (int k = 0; k < 4; ++k) expect |= TColor32((256 * 255 * Ch(kC, k)) >> 16) << (8 * k);
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(5, expect));
}

TEST(Stretch, EqualSizeIsABlockTransferAndSelfDrawReadsTheOldPixels) {
    std::mt19937 rng(7);
    TBitmap32 src(6, 5), dst(8, 8), ref(8, 8);
    FillRandom(src, rng);
    FillRandom(dst, rng);
    ref.Assign(dst);
    src.SetStretchFilter(sfSpline);
    src.DrawTo(dst, TRect{3, -1, 9, 4});
    BlockTransfer(ref, 3, -1, src);
    EXPECT_EQ(Pixels(dst), Pixels(ref));

    // Drawing a bitmap scaled onto itself.
    for (TStretchFilter f : {sfNearest, sfLinear, sfLinear2, sfSpline}) {
        TBitmap32 self(9, 7), expect;
        FillRandom(self, rng);
        self.SetStretchFilter(f);
        expect.Assign(self);
        RefStretch(expect, TRect{1, 1, 8, 5}, self, TRect{0, 0, 9, 7});
        self.DrawTo(self, TRect{1, 1, 8, 5});
        EXPECT_EQ(Pixels(self), Pixels(expect)) << "filter " << f;
    }
}

TEST(Stretch, WideSourceIntoAFarClippedRectangleNeedsSixtyFourBitPositions) {
    // c * (sw - 1) and sw * 65536 are beyond 32 bits here.
    std::mt19937 rng(5);
    TBitmap32 src(32767, 2);
    FillRandom(src, rng);
    for (TStretchFilter f : {sfNearest, sfLinear, sfLinear2, sfSpline})
        for (TDrawMode m : {dmOpaque, dmBlend}) {
            TBitmap32 dst(16, 3), expect;
            FillRandom(dst, rng);
            expect.Assign(dst);
            src.SetStretchFilter(f);
            src.SetDrawMode(m);
            const TRect dr{-150000, -1, 150000, 3};
            RefStretch(expect, dr, src, src.BoundsRect());
            src.DrawTo(dst, dr);
            EXPECT_EQ(Pixels(dst), Pixels(expect)) << "filter " << f << " mode " << m;
        }
}

// ---- Every path against the reference --------------------------------------------------------

struct FastPathLevels : ::testing::TestWithParam<int> {
    void TearDown() override { stretch_detail::SetStretchLevel(2); }
};

TEST_P(FastPathLevels, MatchesReferenceOnRandomPictures) {
    const int level = GetParam();
    if (stretch_detail::SetStretchLevel(level) != level) GTEST_SKIP() << "level not supported here";
    std::mt19937 rng(20240601u + unsigned(level));
    const TStretchFilter filters[] = {sfNearest, sfLinear, sfLinear2, sfSpline};
    const int masters[] = {255, 254, 128, 1};
    for (int iter = 0; iter < 700; ++iter) {
        const int sw = 1 + int(rng() % 40), sh = 1 + int(rng() % 40);
        TBitmap32 src(sw, sh);
        FillRandom(src, rng);
        TRect sr = src.BoundsRect();
        if (rng() % 2) {
            sr.Left = int(rng() % unsigned(sw));
            sr.Right = sr.Left + 1 + int(rng() % unsigned(sw - sr.Left));
            sr.Top = int(rng() % unsigned(sh));
            sr.Bottom = sr.Top + 1 + int(rng() % unsigned(sh - sr.Top));
        }
        // Shrink and enlarge, up to 8 times in each direction, sometimes clipped on any side.
        const int dw = 1 + int(rng() % 64), dh = 1 + int(rng() % 64);
        TBitmap32 dst(1 + int(rng() % 50), 1 + int(rng() % 50));
        FillRandom(dst, rng);
        const int dx = int(rng() % 40) - 20, dy = int(rng() % 40) - 20;
        const TRect dr{dx, dy, dx + dw, dy + dh};
        src.SetStretchFilter(filters[iter % 4]);
        src.SetDrawMode(rng() % 2 ? dmBlend : dmOpaque);
        src.SetMasterAlpha(masters[rng() % 4]);
        TBitmap32 expect;
        expect.Assign(dst);
        RefStretch(expect, dr, src, sr);
        src.DrawTo(dst, dr, sr);
        ASSERT_EQ(Pixels(dst), Pixels(expect))
            << "iteration " << iter << " filter " << src.StretchFilter() << " mode " << src.DrawMode() << " master "
            << src.MasterAlpha() << " src " << sw << "x" << sh << " rect " << sr.Left << "," << sr.Top << ","
            << sr.Right << "," << sr.Bottom << " dst rect " << dr.Left << "," << dr.Top << "," << dr.Right << ","
            << dr.Bottom << " on " << dst.Width() << "x" << dst.Height();
    }
}

TEST_P(FastPathLevels, MatchesReferenceOnLargerPictures) {
    // Big enough for the row bands of several threads and long tap lists (shrinks up to 9 times).
    const int level = GetParam();
    if (stretch_detail::SetStretchLevel(level) != level) GTEST_SKIP() << "level not supported here";
    std::mt19937 rng(99u + unsigned(level));
    struct Case {
        int sw, sh, dw, dh;
    };
    const Case cases[] = {{420, 300, 105, 75}, {300, 200, 600, 420}, {901, 37, 100, 150}, {64, 700, 370, 77}};
    for (const auto& c : cases)
        for (TStretchFilter f : {sfNearest, sfLinear, sfLinear2, sfSpline})
            for (TDrawMode m : {dmOpaque, dmBlend}) {
                TBitmap32 src(c.sw, c.sh), dst(c.dw, c.dh);
                FillRandom(src, rng);
                FillRandom(dst, rng);
                src.SetStretchFilter(f);
                src.SetDrawMode(m);
                src.SetMasterAlpha(m == dmBlend ? 200 : 255);
                TBitmap32 expect;
                expect.Assign(dst);
                const TRect dr{-3, 2, c.dw - 1, c.dh + 5};
                RefStretch(expect, dr, src, src.BoundsRect());
                src.DrawTo(dst, dr);
                ASSERT_EQ(Pixels(dst), Pixels(expect)) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh
                                                       << " filter " << f << " mode " << m;
            }
}

INSTANTIATE_TEST_SUITE_P(Levels, FastPathLevels, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(i.param == 0 ? "Scalar" : i.param == 1 ? "SSE41" : "AVX2");
                         });

} // namespace
} // namespace kv
