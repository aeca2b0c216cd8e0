#include "core/bitmap32.h"

#include "core/blend.h"
#include "core/error.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

using namespace kv;

namespace {

TBitmap32 Filled(int w, int h, std::uint32_t seed) {
    TBitmap32 b(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        b.Bits()[i] = rng();
    return b;
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(Filters, PerPixelResults) {
    using Filter = void (*)(TBitmap32*, const TBitmap32*);
    struct Case {
        const char* name;
        Filter filter;
        std::function<TColor32(TColor32 src, TColor32 dst)> expect;
    } cases[] = {
        {"colour to greyscale", ColorToGrayscale,
         [](TColor32 s, TColor32) {
             const TColor32 i = (61 * ((s >> 16) & 255) + 174 * ((s >> 8) & 255) + 21 * (s & 255)) >> 8;
             return 0xFF000000u | i << 16 | i << 8 | i;
         }},
        {"intensity to alpha", IntensityToAlpha,
         [](TColor32 s, TColor32 d) {
             const TColor32 i = (61 * ((s >> 16) & 255) + 174 * ((s >> 8) & 255) + 21 * (s & 255)) >> 8;
             return (d & 0x00FFFFFFu) | i << 24;
         }},
        {"alpha to greyscale", AlphaToGrayscale,
         [](TColor32 s, TColor32) { return 0xFF000000u | (s >> 24) * 0x010101u; }},
        {"invert", InvertRGB, [](TColor32 s, TColor32) { return s ^ 0x00FFFFFFu; }},
    };
    const TBitmap32 src = Filled(9, 7, 1);
    for (const Case& c : cases) {
        // Separate destination of the same size, of another size, and the source itself.
        const TBitmap32 sameSize = Filled(9, 7, 2);
        TBitmap32 dst(sameSize), resized = Filled(3, 3, 3), self(src);
        c.filter(&dst, &src);
        c.filter(&resized, &src);
        c.filter(&self, &self);
        ASSERT_EQ(resized.Width(), 9) << c.name;
        ASSERT_EQ(resized.Height(), 7) << c.name;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) {
                const TColor32 s = src.Pixel(x, y);
                EXPECT_EQ(dst.Pixel(x, y), c.expect(s, sameSize.Pixel(x, y))) << c.name;
                EXPECT_EQ(resized.Pixel(x, y), c.expect(s, 0)) << c.name; // a resized destination starts at 0
                EXPECT_EQ(self.Pixel(x, y), c.expect(s, s)) << c.name;
            }
        TBitmap32 b(1, 1);
        EXPECT_EQ(ErrorOf([&] { c.filter(&b, nullptr); }), "The source is nil") << c.name;
        EXPECT_EQ(ErrorOf([&] { c.filter(nullptr, &src); }), "Destination is nil") << c.name;
        TBitmap32 empty;
        c.filter(&b, &empty);
        EXPECT_TRUE(b.Empty()) << c.name; // the destination takes the source's (empty) size
    }
}

TEST(Filters, BrightenAndContrastMatchTheirFormulas) {
    // Every channel value in every channel, and a row length that leaves a remainder of 3 pixels.
    TBitmap32 all(259, 1);
    for (int x = 0; x < 259; ++x)
        all.SetPixel(x, 0, Color32(x & 255, 255 - (x & 255), (x * 7) & 255, x ^ 0xA5));
    std::vector<int> amounts = {-100000, -1000, -256, 256, 1000, 65025, 100000};
    for (int a = -300; a <= 300; ++a)
        amounts.push_back(a);
    auto clamp = [](long long v) { return int(v < 0 ? 0 : v > 255 ? 255 : v); };
    // Each vector level (they follow the blend rows' level) against the formula.
    for (int level = 0; level <= int(BestBlendPath()); ++level)
        for (int a : amounts) {
            SetBlendPath(BlendPath(level));
            TBitmap32 br(all), ct(all);
            Brighten(br, a);
            Contrast(ct, a);
            for (int x = 0; x < 259; ++x) {
                const TColor32 s = all.Pixel(x, 0);
                TColor32 eb = s & 0xFF000000u, ec = s & 0xFF000000u;
                for (int sh = 0; sh < 24; sh += 8) {
                    const int v = int((s >> sh) & 255);
                    eb |= TColor32(clamp(v + (long long)v * a / 255))
                          << sh; // C++ division truncates toward zero, like div
                    const long long d = (long long)std::abs(127 - v) * a / 255;
                    ec |= TColor32(clamp(v > 127 ? v + d : v - d)) << sh;
                }
                ASSERT_EQ(br.Pixel(x, 0), eb) << "level " << level << " Brighten " << a << " pixel " << x;
                ASSERT_EQ(ct.Pixel(x, 0), ec) << "level " << level << " Contrast " << a << " pixel " << x;
            }
        }
    SetBlendPath(BestBlendPath());
    // Spot values: negative contrast pulls towards 127 and past it; div truncates toward zero.
    TBitmap32 p(1, 1);
    p.SetPixel(0, 0, Color32(200, 100, 0, 9));
    Contrast(p,
             -510); // d = 73*-2 = -146 for 200 -> 54; 100: d = 27*-510/255 = -54 -> 154; 0: d = -254 -> 254
    EXPECT_EQ(p.Pixel(0, 0), Color32(54, 154, 254, 9));
    p.SetPixel(0, 0, Color32(254, 1, 128, 0));
    Brighten(p, -1); // 254 + (-254 div 255 = 0); 1 + 0; 128 + 0
    EXPECT_EQ(p.Pixel(0, 0), Color32(254, 1, 128, 0));
    Brighten(p, -256); // 254 - 254 = 0; 1 - 1 = 0; 128 - 128 = 0
    EXPECT_EQ(p.Pixel(0, 0), Color32(0, 0, 0, 0));
}

TEST(Filters, ZeroAmountOrEmptyPictureDoesNothing) {
    TBitmap32 b = Filled(4, 4, 9), empty;
    int n = 0;
    b.Subscribe([&] { ++n; });
    Brighten(b, 0);
    Contrast(b, 0);
    Brighten(empty, 50);
    Contrast(empty, 50);
    EXPECT_EQ(n, 0);
    Brighten(b, 1);
    EXPECT_EQ(n, 1);
}

TEST(Filters, LargePicturesGiveTheSameBitsAsSmallOnes) {
    // Large enough to be split over threads: each row must match the filter applied to it alone.
    TBitmap32 big = Filled(1500, 500, 77);
    const TBitmap32 src(big);
    Contrast(big, 90);
    InvertRGB(&big, &big);
    for (int y = 0; y < 500; y += 37) {
        TBitmap32 row(1500, 1);
        std::copy(src.ScanLine(y), src.ScanLine(y) + 1500, row.Bits());
        Contrast(row, 90);
        InvertRGB(&row, &row);
        ASSERT_TRUE(std::equal(row.Bits(), row.Bits() + 1500, big.ScanLine(y))) << y;
    }
}
