#include "core/color32.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>

using namespace kv;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    struct Case {
        double v;
        long long r;
    } cases[] = {{0.5, 0},           {1.5, 2},
                 {2.5, 2},           {-0.5, 0},
                 {-1.5, -2},         {-2.5, -2},
                 {2.4999999, 2},     {2.5000001, 3},
                 {-2.5000001, -3},   {127.5, 128},
                 {128.5, 128},       {0.0, 0},
                 {-7.0, -7},         {4503599627370497.0, 4503599627370497LL},
                 {1e300, LLONG_MAX}, {-1e300, LLONG_MIN}};
    for (const Case& c : cases)
        EXPECT_EQ(RoundHalfEven(c.v), c.r) << c.v;
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(RoundHalfEven, DoesNotDependOnTheRoundingMode) {
    const int saved = std::fegetround();
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        EXPECT_EQ(RoundHalfEven(2.5), 2);
        EXPECT_EQ(RoundHalfEven(3.5), 4);
        EXPECT_EQ(RoundHalfEven(-2.5), -2);
        EXPECT_EQ(RoundHalfEven(2.6), 3);
        EXPECT_EQ(RoundHalfEven(-2.6), -3);
    }
    std::fesetround(saved);
}

TEST(MulDiv, ExactProductRoundedHalfAwayFromZero) {
    struct Case {
        long long a, b, c;
        int r;
    } cases[] = {{10, 10, 4, 25},
                 {5, 1, 2, 3},
                 {-5, 1, 2, -3},
                 {5, -1, 2, -3},
                 {5, 1, -2, -3},
                 {-5, -1, 2, 3},
                 {7, 1, 3, 2},
                 {8, 1, 3, 3},
                 {1, 1, 3, 0},
                 {0, 99, 7, 0},
                 {3, 65535, 1, 196605},
                 // the product needs more than 32 bits
                 {65536 * 32767LL, 65535, 65536, 2147385345},
                 {1LL << 40, 1LL << 40, 1LL << 50, 1 << 30},
                 {5, 7, 0, -1},
                 {INT_MAX, 2, 1, -1},
                 {INT_MIN, 1, 1, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.r) << c.a << "*" << c.b << "/" << c.c;
}

TEST(HSL, TableOfKnownColours) {
    struct Case {
        TColor32 c;
        float h, s, l;
    } cases[] = {
        {0xFF000000, 0, 0, 0},
        {0xFFFFFFFF, 0, 0, 1},
        {0xFF808080, 0, 0, 128 / 255.0f},
        {0xFFFF0000, 0, 1, 0.5f},
        {0xFF00FF00, 1 / 3.0f, 1, 0.5f},
        {0xFF0000FF, 2 / 3.0f, 1, 0.5f},
        {0xFFFFFF00, 1 / 6.0f, 1, 0.5f},
        {0xFFFF00FF, 5 / 6.0f, 1, 0.5f},
        {0xFF800000, 0, 1, 128 / 510.0f},
        {0xFFFF8080, 0, 1, 383 / 510.0f},
        {0xFF336699, 7 / 12.0f, 0.5f, 0.4f},
    };
    for (const Case& c : cases) {
        float h, s, l;
        RGBtoHSL(c.c, h, s, l);
        EXPECT_NEAR(h, c.h, 1e-6) << std::hex << c.c;
        EXPECT_NEAR(s, c.s, 1e-6) << std::hex << c.c;
        EXPECT_NEAR(l, c.l, 1e-6) << std::hex << c.c;
        EXPECT_EQ(HSLtoRGB(c.h, c.s, c.l), c.c) << std::hex << c.c;
    }
    // Alpha is ignored on the way in and 255 on the way out; negative hues wrap.
    float h, s, l;
    RGBtoHSL(0x00FF00FF, h, s, l);
    EXPECT_NEAR(h, 5 / 6.0f, 1e-6);
    EXPECT_EQ(HSLtoRGB(-1 / 6.0f, 1, 0.5f), 0xFFFF00FFu);
}

TEST(HSL, GreyLevelsAreRounded) {
    // S = 0 gives the grey L * 255 rounded: 127.5 -> 128, 63.75 -> 64, 191.25 -> 191.
    struct Case {
        float l;
        TColor32 c;
    } cases[] = {
        {0.5f, 0xFF808080}, {0.25f, 0xFF404040}, {0.75f, 0xFFBFBFBF}, {0.0f, 0xFF000000}, {1.0f, 0xFFFFFFFF}};
    for (const Case& c : cases)
        EXPECT_EQ(HSLtoRGB(0.3f, 0.0f, c.l), c.c) << c.l;
}

TEST(HSL, EveryColourSurvivesTheRoundTrip) {
    // Every 7th colour of the cube (all of it takes a while without adding anything).
    for (TColor32 c = 0; c < (1u << 24); c += 7) {
        float h, s, l;
        RGBtoHSL(c, h, s, l);
        ASSERT_EQ(HSLtoRGB(h, s, l), c | 0xFF000000u) << std::hex << c;
    }
}
