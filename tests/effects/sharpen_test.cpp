#include "effects/sharpen.h"

#include "core/error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kv {
namespace {

Bitmap24 Filled(int w, int h, int v) {
    Bitmap24 b(w, h);
    for (std::size_t i = 0; i < b.ByteCount(); ++i)
        b.Bits()[i] = std::uint8_t(v);
    return b;
}

TEST(Sharpen3x3, UniformPictureIsUnchangedForEveryAlpha) {
    for (int alpha = 2; alpha <= 5; ++alpha)
        for (int v : {0, 100, 255}) {
            Bitmap24 src = Filled(4, 4, v), dst;
            Sharpen3x3(src, dst, alpha);
            for (std::size_t i = 0; i < dst.ByteCount(); ++i)
                ASSERT_EQ(dst.Bits()[i], v) << alpha;
        }
}

TEST(Sharpen3x3, SingleWhitePixel) {
    Bitmap24 src = Filled(5, 5, 0), dst;
    src.SetPixel(2, 2, Color32(255, 255, 255));
    Sharpen3x3(src, dst, 2);
    EXPECT_EQ(dst.Pixel(2, 2), Color32(255, 255, 255)); // 510 - 51 -> 255
    EXPECT_EQ(dst.Pixel(2, 1), Color32(0, 0, 0));       // 0 - 51 -> 0
    EXPECT_EQ(dst.Pixel(1, 2), Color32(0, 0, 0));
    // A mid-grey dot: alpha 3, centre 100 on 20: (100*196608+32767)>>16 = 300,
    // S = 180, (180*26214+32767)>>16 = 72: 228; the neighbour above: 60 - 72 -> 0.
    Bitmap24 g = Filled(5, 5, 20), out;
    g.SetPixel(2, 2, Color32(100, 100, 100));
    Sharpen3x3(g, out, 3);
    EXPECT_EQ(out.Pixel(2, 2), Color32(228, 228, 228));
    EXPECT_EQ(out.Pixel(2, 1), Color32(0, 0, 0));
    EXPECT_EQ(out.Pixel(1, 1), Color32(20, 20, 20)); // 60 - ((100*26214+32767)>>16 = 40)
}

TEST(Sharpen3x3, ThreeByThreeChangesOnlyTheCentre) {
    std::mt19937 rng(5);
    Bitmap24 src(3, 3), dst;
    for (std::size_t i = 0; i < src.ByteCount(); ++i)
        src.Bits()[i] = std::uint8_t(rng());
    Sharpen3x3(src, dst, 4);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            if (x != 1 || y != 1) {
                EXPECT_EQ(dst.Pixel(x, y), src.Pixel(x, y));
            }
}

TEST(Sharpen3x3, MatchesTheFixedPointFormula) {
    const int A[] = {131072, 196608, 262144, 327680}, B[] = {13107, 26214, 39322, 52429};
    std::mt19937 rng(8);
    for (auto [w, h] : {std::pair{7, 6}, std::pair{40, 9}, std::pair{3, 20}})
        for (int alpha = 2; alpha <= 5; ++alpha) {
            Bitmap24 src(w, h), dst;
            for (std::size_t i = 0; i < src.ByteCount(); ++i)
                src.Bits()[i] = std::uint8_t(rng());
            Sharpen3x3(src, dst, alpha);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int ch = 0; ch < 3; ++ch) {
                        const int c = src.PixelPtr(x, y)[ch];
                        int want = c;
                        if (x > 0 && y > 0 && x < w - 1 && y < h - 1) {
                            const int s = src.PixelPtr(x, y - 1)[ch] + src.PixelPtr(x - 1, y)[ch] + c +
                                          src.PixelPtr(x + 1, y)[ch] + src.PixelPtr(x, y + 1)[ch];
                            want = Clamp(((c * A[alpha - 2] + 32767) >> 16) -
                                         ((s * B[alpha - 2] + 32767) >> 16));
                        }
                        ASSERT_EQ(dst.PixelPtr(x, y)[ch], want) << x << "," << y << " alpha " << alpha;
                    }
            Bitmap24 inPlace = src;
            Sharpen3x3(inPlace, inPlace, alpha);
            ASSERT_EQ(0, std::memcmp(inPlace.Bits(), dst.Bits(), dst.ByteCount()));
        }
}

TEST(Sharpen3x3, Refusals) {
    struct Case {
        int w, h;
        double alpha;
        const char* message;
    } cases[] = {{2, 5, 2, "Bitmap must be at least 3x3"},
                 {5, 2, 3, "Bitmap must be at least 3x3"},
                 {4, 4, 1, "Alpha must be >1 and <6"},
                 {4, 4, 6, "Alpha must be >1 and <6"},
                 {4, 4, 0, "Alpha must be >1 and <6"}};
    for (const Case& c : cases) {
        Bitmap24 src = Filled(c.w, c.h, 9), dst = Filled(1, 1, 42);
        try {
            Sharpen3x3(src, dst, c.alpha);
            ADD_FAILURE() << "not refused";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(dst.Width(), 1); // the destination is left as it was
        EXPECT_EQ(dst.Bits()[0], 42);
    }
}

} // namespace
} // namespace kv
