#include "adjust/colour.h"

#include "core/blend.h"
#include "effects/effects.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

#include <random>

namespace kv {
namespace {

using test::AtEveryLevel;
using test::RandomPicture;

TBitmap32 OnePixel(TColor32 c) {
    TBitmap32 p(1, 1);
    p.SetPixel(0, 0, c);
    return p;
}

TEST(Balance, WorkedValuesOfBothModes) {
    struct Case {
        TBalanceMode mode;
        int sr, sg, sb;
        TColor32 in, out;
    } cases[] = {
        {TBalanceMode::Quality, 50, 0, 0, Color32(200, 10, 10, 77), Color32(255, 10, 10, 77)},
        {TBalanceMode::Quality, -50, 0, 0, Color32(200, 10, 10, 77), Color32(122, 10, 10, 77)},
        {TBalanceMode::Quality, 0, 10, -10, Color32(200, 100, 100), Color32(200, 107, 93)}, // 2000/255 = 7
        {TBalanceMode::Speed, 30, 0, 0, Color32(200, 10, 10, 5), Color32(230, 10, 10, 5)},
        {TBalanceMode::Speed, -50, 0, 0, Color32(30, 10, 10), Color32(0, 10, 10)},
        {TBalanceMode::Speed, 0, 50, -50, Color32(1, 250, 20), Color32(1, 255, 0)},
        {TBalanceMode::Speed, 0, 0, 0, Color32(1, 2, 3, 4), Color32(1, 2, 3, 4)},
    };
    for (const Case& c : cases) {
        TBitmap32 p = OnePixel(c.in);
        Balance(p, c.sr, c.sg, c.sb, c.mode);
        EXPECT_EQ(p.Pixel(0, 0), c.out) << c.sr << "," << c.sg << "," << c.sb;
    }
}

TEST(Balance, EveryChannelValueInBothModes) {
    AtEveryLevel([&] {
        // 256 x 3 pixels covering every channel value, odd width so vector tails are reached too.
        TBitmap32 base(257, 3);
        for (int x = 0; x < 257; ++x)
            for (int y = 0; y < 3; ++y)
                base.SetPixel(x, y, Color32(x & 255, (x + 85 * y) & 255, (255 - x) & 255, x & 255));
        for (TBalanceMode mode : {TBalanceMode::Speed, TBalanceMode::Quality})
            for (auto [sr, sg, sb] : {std::tuple{50, -50, 1}, std::tuple{-17, 0, 33}, std::tuple{0, 0, -1},
                                      std::tuple{200, -150, 0}}) {
                TBitmap32 p = base;
                Balance(p, sr, sg, sb, mode);
                auto f = [&](int v, int s) {
                    return Clamp(mode == TBalanceMode::Quality ? v + (v * 2 * s) / 255 : v + s);
                };
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 257; ++x) {
                        const TColor32 c = base.Pixel(x, y);
                        ASSERT_EQ(p.Pixel(x, y), Color32(f(RedComponent(c), sr), f(GreenComponent(c), sg),
                                                         f(BlueComponent(c), sb), AlphaComponent(c)))
                            << x << "," << y;
                    }
            }
    });
}

TEST(BrightnessContrast, ContrastFirstThenBrightness) {
    TBitmap32 p = OnePixel(Color32(200, 127, 100, 9));
    BrightnessContrast(p, 10, 90);
    // Red: contrast 200 -> 225, then 225 + 2250/255 = 233. Green 127 stays 127, then 127 + 4 = 131.
    // Blue: contrast 100 -> 91, then 91 + 3 = 94.
    EXPECT_EQ(p.Pixel(0, 0), Color32(233, 131, 94, 9));
}

TEST(TintOneColour, MatchesTheDoubleFormulaForEverySum) {
    AtEveryLevel([] {
        for (auto [r, g, b] : {std::tuple{200, 191, 119}, std::tuple{255, 0, 1}, std::tuple{17, 128, 254}}) {
            Bitmap24 bmp(766, 1);
            for (int s = 0; s <= 765; ++s) {
                std::uint8_t* p = bmp.PixelPtr(s, 0);
                p[0] = std::uint8_t(std::min(s, 255));
                p[1] = std::uint8_t(std::min(std::max(s - 255, 0), 255));
                p[2] = std::uint8_t(std::max(s - 510, 0));
            }
            TintOneColour(bmp, r, g, b);
            for (int s = 0; s <= 765; ++s) {
                const double x = double(s) / 765;
                const TColor32 want =
                    Color32(Clamp(RoundI(r * x)), Clamp(RoundI(g * x)), Clamp(RoundI(b * x)));
                ASSERT_EQ(bmp.Pixel(s, 0), want) << "sum " << s;
            }
        }
        Bitmap24 black(2, 2);
        TintOneColour(black, 255, 255, 255);
        EXPECT_EQ(black.Pixel(1, 1), Color32(0, 0, 0));
    });
}

TEST(ColourCommands, SepiaOnWhite) {
    TBitmap32 p = OnePixel(Color32(255, 255, 255, 40));
    SepiaPicture(p, true);
    EXPECT_EQ(p.Pixel(0, 0), Color32(255, 255, 189, 40));
    TBitmap32 q = OnePixel(Color32(255, 255, 255, 40));
    SepiaPicture(q, false);
    EXPECT_EQ(q.Pixel(0, 0), Color32(255, 255, 189, 255));
}

// The commands give the bits of the way through a Bitmap24 followed by Brighten.
TEST(ColourCommands, SameAsTheWayThroughTheWorkingBitmap) {
    AtEveryLevel([&] {
        const TBitmap32 src = RandomPicture(37, 11, 3);
        for (bool keepAlpha : {false, true}) {
            auto through24 = [&](auto routine, int brighten) {
                Bitmap24 w;
                CopyToBitmap24(src, w);
                routine(w);
                TBitmap32 out = src;
                if (keepAlpha)
                    CopyFromBitmap24KeepAlpha(w, out, out);
                else
                    CopyFromBitmap24(w, out);
                Brighten(out, brighten);
                return out;
            };
            const TBitmap32 sepia = through24([](Bitmap24& w) { TintOneColour(w, 200, 191, 119); }, 150);
            const TBitmap32 tint = through24([](Bitmap24& w) { TintOneColour(w, 10, 200, 90); }, 70);
            const TBitmap32 grey = through24([](Bitmap24& w) { ToGreyscale(w); }, 0);
            TBitmap32 a = src, b = src, c = src;
            SepiaPicture(a, keepAlpha);
            OneColourTintPicture(b, Color32(10, 200, 90), keepAlpha);
            BlackAndWhitePicture(c, keepAlpha);
            for (std::size_t i = 0; i < src.PixelCount(); ++i) {
                ASSERT_EQ(a.Bits()[i], sepia.Bits()[i]) << i;
                ASSERT_EQ(b.Bits()[i], tint.Bits()[i]) << i;
                ASSERT_EQ(c.Bits()[i], grey.Bits()[i]) << i;
            }
        }
    });
}

TEST(ColourCommands, BlackAndWhiteOfEveryColour) {
    AtEveryLevel([&] {
        TBitmap32 p(4096, 4096);
        for (int i = 0; i < 1 << 24; ++i)
            p.Bits()[i] = TColor32(i) | (TColor32(i * 31) << 24);
        BlackAndWhitePicture(p, true);
        int bad = 0;
        for (int i = 0; i < 1 << 24 && bad < 5; ++i) {
            const int t = 30 * (i >> 16) + 59 * ((i >> 8) & 255) + 11 * (i & 255);
            int q = t / 100;
            if (t % 100 > 50 || (t % 100 == 50 && q % 2 == 1)) ++q;
            if (p.Bits()[i] != Gray32(q, (i * 31) & 255)) {
                ++bad;
                ADD_FAILURE() << "colour " << i;
            }
        }
    });
}

TEST(KeyOutColour, WholeValueDecides) {
    TBitmap32 p(3, 1);
    p.SetPixel(0, 0, Color32(1, 2, 3, 255));
    p.SetPixel(1, 0, Color32(1, 2, 3, 128));
    p.SetPixel(2, 0, Color32(9, 9, 9, 0));
    KeyOutColour(p, Color32(1, 2, 3, 255));
    EXPECT_EQ(p.Pixel(0, 0), Color32(1, 2, 3, 0));
    EXPECT_EQ(p.Pixel(1, 0), Color32(1, 2, 3, 255));
    EXPECT_EQ(p.Pixel(2, 0), Color32(9, 9, 9, 255));
    TBitmap32 q(2, 1);
    q.Clear(Color32(5, 5, 5, 255));
    KeyOutColour(q, Color32(5, 5, 5, 100)); // alpha differs: nothing becomes transparent
    EXPECT_EQ(q.Pixel(0, 0), Color32(5, 5, 5, 255));
    EXPECT_EQ(q.Pixel(1, 0), Color32(5, 5, 5, 255));
}

} // namespace
} // namespace kv
