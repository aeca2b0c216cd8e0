#include "adjust/rotate.h"

#include "core/blend.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

#include <random>

namespace kv {
namespace {

using test::AtEveryLevel;
using test::RandomPicture;

bool Same(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (std::size_t i = 0; i < a.PixelCount(); ++i)
        if (a.Bits()[i] != b.Bits()[i]) return false;
    return true;
}

using Op = void (*)(TBitmap32&);
struct Mapping {
    const char* name;
    Op op;
    bool swapsSides;
    // Where source (x, y) of a W x H picture lands.
    std::pair<int, int> (*to)(int x, int y, int W, int H);
};

const Mapping kMappings[] = {
    {"clockwise", TurnClockwise, true,
     [](int x, int y, int, int H) {
         return std::pair{H - 1 - y, x};
     }},
    {"counter-clockwise", TurnCounterClockwise, true,
     [](int x, int y, int W, int) {
         return std::pair{y, W - 1 - x};
     }},
    {"half", TurnHalf, false,
     [](int x, int y, int W, int H) {
         return std::pair{W - 1 - x, H - 1 - y};
     }},
    {"mirror", MirrorHorizontal, false,
     [](int x, int y, int W, int) {
         return std::pair{W - 1 - x, y};
     }},
    {"vertical", MirrorVertical, false,
     [](int x, int y, int, int H) {
         return std::pair{x, H - 1 - y};
     }},
};

TEST(Rotation, EveryPixelGoesToItsPlace) {
    AtEveryLevel([] {
        // Sizes around the 64-pixel tiles and odd halves.
        const int sizes[][2] = {{3, 2}, {1, 7}, {7, 1}, {130, 70}, {65, 129}, {1, 1}};
        for (const Mapping& m : kMappings)
            for (auto [W, H] : sizes) {
                const TBitmap32 src = RandomPicture(W, H, unsigned(W * H));
                TBitmap32 p = src;
                m.op(p);
                ASSERT_EQ(p.Width(), m.swapsSides ? H : W) << m.name;
                ASSERT_EQ(p.Height(), m.swapsSides ? W : H) << m.name;
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x) {
                        const auto [nx, ny] = m.to(x, y, W, H);
                        ASSERT_EQ(p.Pixel(nx, ny), src.Pixel(x, y)) << m.name << " " << W << "x" << H;
                    }
            }
    });
}

TEST(Rotation, RoundTripsAndProperties) {
    TBitmap32 src = RandomPicture(5, 3, 1); // alpha values are random, semi-transparent ones kept
    src.SetDrawMode(dmBlend);
    src.SetMasterAlpha(99);
    src.SetStretchFilter(sfLinear);
    src.SetOuterColor(0x12345678u);
    TBitmap32 p = src;
    for (int i = 0; i < 4; ++i)
        TurnClockwise(p);
    EXPECT_TRUE(Same(p, src));
    TurnClockwise(p);
    TurnCounterClockwise(p);
    EXPECT_TRUE(Same(p, src));
    MirrorHorizontal(p);
    MirrorHorizontal(p);
    MirrorVertical(p);
    MirrorVertical(p);
    EXPECT_TRUE(Same(p, src));
    TurnClockwise(p);
    EXPECT_EQ(p.DrawMode(), dmBlend);
    EXPECT_EQ(p.MasterAlpha(), 99);
    EXPECT_EQ(p.StretchFilter(), sfLinear);
    EXPECT_EQ(p.OuterColor(), 0x12345678u);
    TBitmap32 empty;
    for (const Mapping& m : kMappings) {
        m.op(empty);
        EXPECT_TRUE(empty.Empty());
    }
}

TEST(Rotation, HandFixture) {
    // 3 x 2:  a b c      clockwise:  d a     counter-clockwise:  c f
    //         d e f                  e b                         b e
    //                                f c                         a d
    TBitmap32 p(3, 2);
    for (int i = 0; i < 6; ++i)
        p.Bits()[i] = TColor32(0xFF000000u + i);
    TBitmap32 cw = p, ccw = p;
    TurnClockwise(cw);
    TurnCounterClockwise(ccw);
    const TColor32 wantCw[] = {3, 0, 4, 1, 5, 2}, wantCcw[] = {2, 5, 1, 4, 0, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(cw.Bits()[i], 0xFF000000u + wantCw[i]) << i;
        EXPECT_EQ(ccw.Bits()[i], 0xFF000000u + wantCcw[i]) << i;
    }
}

} // namespace
} // namespace kv
