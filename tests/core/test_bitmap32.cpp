#include "core/bitmap32.h"

#include "core/blend.h"
#include "core/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>

using namespace kv;

namespace {

TBitmap32 Filled(int w, int h, std::uint32_t seed) {
    TBitmap32 b(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, rng());
    return b;
}

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           (a.PixelCount() == 0 || std::memcmp(a.Bits(), b.Bits(), a.PixelCount() * 4) == 0);
}

bool AllPixels(const TBitmap32& b, TColor32 c) {
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        if (b.Bits()[i] != c) return false;
    return true;
}

struct Counter {
    int n = 0;
    int id = 0;
    explicit Counter(TBitmap32& b) {
        id = b.Subscribe([this] { ++n; });
    }
};

std::string AllocError(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(Bitmap32, Defaults) {
    TBitmap32 b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.DrawMode(), dmOpaque);
    EXPECT_EQ(b.MasterAlpha(), 255);
    EXPECT_EQ(b.OuterColor(), 0u);
    EXPECT_EQ(b.StretchFilter(), sfNearest);
    EXPECT_EQ(b.PenColor(), clWhite32);
}

TEST(Bitmap32, EverySizeChangeZeroesThePixels) {
    TBitmap32 b(4, 6);
    EXPECT_TRUE(AllPixels(b, 0));
    b.Clear(0xFF123456);
    b.SetSize(6, 4); // same byte count: the block is reused, and still cleared
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.Height(), 4);
    EXPECT_TRUE(AllPixels(b, 0));
    b.Clear(0xFF123456);
    b.SetSize(600, 800); // a mapped block
    EXPECT_TRUE(AllPixels(b, 0));
    b.Clear(0xFF123456);
    b.SetWidth(800);
    EXPECT_EQ(b.Height(), 800);
    EXPECT_TRUE(AllPixels(b, 0));
}

TEST(Bitmap32, SizeBelowOneEmpties) {
    struct Case {
        int w, h, ew, eh;
    } cases[] = {{0, 5, 0, 5}, {5, 0, 5, 0}, {-3, 5, 0, 5}, {5, -1, 5, 0}, {0, 0, 0, 0}};
    for (const Case& c : cases) {
        TBitmap32 b(3, 3);
        b.SetSize(c.w, c.h);
        EXPECT_TRUE(b.Empty());
        EXPECT_EQ(b.Bits(), nullptr);
        EXPECT_EQ(b.Width(), c.ew);
        EXPECT_EQ(b.Height(), c.eh);
        EXPECT_EQ(b.PixelCount(), 0u);
    }
    // Operations on an empty bitmap do nothing.
    TBitmap32 e(0, 5);
    Counter n(e);
    e.Clear();
    e.FillRectS(0, 0, 5, 5, clWhite32);
    e.ResetAlpha();
    e.HorzLineTS(0, 0, 4, clWhite32);
    e.RaiseRectTS(0, 0, 5, 5, 50);
    e.MoveToF(0, 0);
    e.LineToFS(4, 4);
    EXPECT_EQ(e.PixelS(0, 0), e.OuterColor());
    EXPECT_EQ(n.n, 0);
}

TEST(Bitmap32, CentralSizeLimit) {
    EXPECT_TRUE(SizeWithinLimit(32767, 4096));
    EXPECT_TRUE(SizeWithinLimit(16384, 8192)); // exactly 2^27 pixels
    EXPECT_FALSE(SizeWithinLimit(32768, 1));
    EXPECT_FALSE(SizeWithinLimit(1, 32768));
    EXPECT_FALSE(SizeWithinLimit(16385, 8192)); // 2^27 + 8192
    EXPECT_FALSE(SizeWithinLimit(32767, 32767));
    EXPECT_NO_THROW(CheckBitmapSize(32767, 4096));
    EXPECT_NO_THROW(CheckBitmapSize(0, 1 << 30));
    EXPECT_EQ(AllocError([] { CheckBitmapSize(1LL << 40, 1); }), "Can't allocate the DIB handle");

    {
        TBitmap32 big(32767, 4096); // 512 MiB of address space; untouched pages cost nothing
        EXPECT_EQ(big.Width(), 32767);
        EXPECT_EQ(big.Height(), 4096);
        EXPECT_EQ(big.Pixel(32766, 4095), 0u);
    }
    struct Case {
        int w, h;
    } refused[] = {{32768, 1}, {1, 32768}, {16385, 8192}, {32767, 4097}, {INT32_MAX, INT32_MAX}};
    for (const Case& c : refused) {
        TBitmap32 b = Filled(3, 2, 1);
        Counter n(b);
        EXPECT_EQ(AllocError([&] { b.SetSize(c.w, c.h); }), "Can't allocate the DIB handle")
            << c.w << "x" << c.h;
        EXPECT_TRUE(b.Empty());
        EXPECT_EQ(b.Width(), 0);
        EXPECT_EQ(b.Height(), 0);
        EXPECT_EQ(n.n, 1); // it became empty
    }
}

TEST(Bitmap32, AssignIsDeepAndCopiesProperties) {
    TBitmap32 src = Filled(5, 3, 7);
    src.SetDrawMode(dmBlend);
    src.SetMasterAlpha(77);
    src.SetOuterColor(0x11223344);
    src.SetStretchFilter(sfSpline);
    TBitmap32 dst(2, 2);
    Counter n(dst);
    dst.Assign(src);
    EXPECT_EQ(n.n, 1);
    EXPECT_TRUE(SamePixels(dst, src));
    EXPECT_NE(dst.Bits(), src.Bits());
    EXPECT_EQ(dst.DrawMode(), dmBlend);
    EXPECT_EQ(dst.MasterAlpha(), 77);
    EXPECT_EQ(dst.OuterColor(), 0x11223344u);
    EXPECT_EQ(dst.StretchFilter(), sfSpline);
    dst.SetPixel(0, 0, ~src.Pixel(0, 0));
    EXPECT_NE(dst.Pixel(0, 0), src.Pixel(0, 0));

    TBitmap32 copy(src);
    EXPECT_TRUE(SamePixels(copy, src));
    copy.Assign(TBitmap32());
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(copy.DrawMode(), dmOpaque);
    dst.Assign(dst); // self-assignment keeps everything
    EXPECT_EQ(dst.Width(), 5);
}

TEST(Bitmap32, MoveAndSwap) {
    TBitmap32 a = Filled(4, 4, 3);
    a.SetMasterAlpha(9);
    const TColor32* bits = a.Bits();
    TBitmap32 b(std::move(a));
    EXPECT_EQ(b.Bits(), bits);
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(b.MasterAlpha(), 9);

    TBitmap32 c(1, 1);
    Counter nc(c);
    c = std::move(b);
    EXPECT_EQ(nc.n, 1);
    EXPECT_EQ(c.Bits(), bits);
    EXPECT_TRUE(b.Empty());

    TBitmap32 d = Filled(2, 3, 5);
    const TColor32* dbits = d.Bits();
    Counter nd(d);
    c.Swap(d);
    EXPECT_EQ(nc.n, 2);
    EXPECT_EQ(nd.n, 1);
    EXPECT_EQ(c.Bits(), dbits);
    EXPECT_EQ(d.Bits(), bits);
    EXPECT_EQ(d.MasterAlpha(), 9);
    EXPECT_EQ(c.MasterAlpha(), 255);
    EXPECT_EQ(c.Width(), 2);
}

TEST(Bitmap32, OneNotificationPerOperation) {
    struct Case {
        const char* name;
        std::function<void(TBitmap32&)> op;
        int expect;
    } cases[] = {
        {"set size", [](TBitmap32& b) { b.SetSize(5, 5); }, 1},
        {"same draw mode", [](TBitmap32& b) { b.SetDrawMode(dmOpaque); }, 0},
        {"draw mode", [](TBitmap32& b) { b.SetDrawMode(dmBlend); }, 1},
        {"same master alpha", [](TBitmap32& b) { b.SetMasterAlpha(255); }, 0},
        {"master alpha", [](TBitmap32& b) { b.SetMasterAlpha(3); }, 1},
        {"same outer colour", [](TBitmap32& b) { b.SetOuterColor(0); }, 0},
        {"outer colour", [](TBitmap32& b) { b.SetOuterColor(1); }, 1},
        {"same filter", [](TBitmap32& b) { b.SetStretchFilter(sfNearest); }, 0},
        {"filter", [](TBitmap32& b) { b.SetStretchFilter(sfLinear); }, 1},
        {"clear", [](TBitmap32& b) { b.Clear(); }, 1},
        {"fill outside", [](TBitmap32& b) { b.FillRectS(10, 10, 20, 20, 1); }, 0},
        {"fill", [](TBitmap32& b) { b.FillRectS(-1, -1, 2, 2, 1); }, 1},
        {"reset alpha", [](TBitmap32& b) { b.ResetAlpha(); }, 1},
        {"raise rect", [](TBitmap32& b) { b.RaiseRectTS(0, 0, 4, 4, 50); }, 1},
        {"raise rect c=0", [](TBitmap32& b) { b.RaiseRectTS(0, 0, 4, 4, 0); }, 0},
        {"line",
         [](TBitmap32& b) {
             b.MoveToF(0, 0);
             b.LineToFS(3, 2);
         },
         1},
        {"horz line outside", [](TBitmap32& b) { b.HorzLineTS(0, 9, 3, clWhite32); }, 0},
        {"batch",
         [](TBitmap32& b) {
             b.BeginUpdate();
             b.BeginUpdate();
             b.Clear();
             b.SetMasterAlpha(1);
             b.EndUpdate();
             b.ResetAlpha();
             b.EndUpdate();
         },
         1},
        {"empty batch",
         [](TBitmap32& b) {
             b.BeginUpdate();
             b.EndUpdate();
         },
         0},
        {"explicit", [](TBitmap32& b) { b.Changed(); }, 1},
    };
    for (const Case& c : cases) {
        TBitmap32 b(4, 4);
        Counter n(b);
        c.op(b);
        EXPECT_EQ(n.n, c.expect) << c.name;
    }

    TBitmap32 b(2, 2);
    Counter first(b), second(b);
    b.Unsubscribe(first.id);
    b.Clear();
    EXPECT_EQ(first.n, 0);
    EXPECT_EQ(second.n, 1);
}

TEST(Bitmap32, CheckedPixelAccess) {
    TBitmap32 b(3, 2);
    b.SetOuterColor(0xDEADBEEF);
    b.SetPixelS(2, 1, 0x01020304);
    b.SetPixelS(3, 1, 0xFFFFFFFF);
    b.SetPixelS(-1, 0, 0xFFFFFFFF);
    b.SetPixelS(0, 2, 0xFFFFFFFF);
    EXPECT_EQ(b.PixelS(2, 1), 0x01020304u);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT32_MIN, 0}})
        EXPECT_EQ(b.PixelS(x, y), 0xDEADBEEFu) << x << "," << y;
    int set = 0;
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        set += b.Bits()[i] != 0;
    EXPECT_EQ(set, 1);
    EXPECT_EQ(b.ScanLine(1) + 2, b.PixelPtr(2, 1));
}

TEST(Bitmap32, FillsAndResetAlpha) {
    TBitmap32 b(5, 4);
    b.Clear();
    EXPECT_TRUE(AllPixels(b, clBlack32));
    b.FillRect(1, 1, 3, 2, 0x00ABCDEF); // copied, not blended
    b.FillRectS(3, -5, 99, 1, 0x80000001);
    b.FillRectS(2, 2, 2, 4, 0x12121212); // empty: nothing
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            TColor32 e = clBlack32;
            if (y == 1 && x >= 1 && x < 3) e = 0x00ABCDEF;
            if (y == 0 && x >= 3) e = 0x80000001;
            EXPECT_EQ(b.Pixel(x, y), e) << x << "," << y;
        }
    b.ResetAlpha();
    EXPECT_EQ(b.Pixel(1, 1), 0xFFABCDEFu);
    EXPECT_EQ(b.Pixel(4, 0), 0xFF000001u);
}

TEST(Bitmap32, BlendedLinesAreClippedAndInclusive) {
    const TColor32 bg = 0xFF204060, c = 0x80FFFFFF;
    TBitmap32 b(6, 5);
    b.Clear(bg);
    b.HorzLineTS(-3, 1, 2, c);         // x 0..2
    b.HorzLineTS(5, 3, 4, c);          // ends given in reverse: x 4..5
    b.VertLineTS(5, -2, 0, c);         // y 0
    b.VertLineTS(6, 0, 4, c);          // outside
    b.HorzLineTS(0, 2, 5, 0x00FFFFFF); // alpha 0: nothing
    const TColor32 mixed = BlendReg(c, bg);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool on = (y == 1 && x <= 2) || (y == 3 && x >= 4) || (x == 5 && y == 0);
            EXPECT_EQ(b.Pixel(x, y), on ? mixed : bg) << x << "," << y;
        }
    b.HorzLineTS(0, 4, 5, 0xFF010203); // opaque: copied
    EXPECT_EQ(b.Pixel(3, 4), 0xFF010203u);
}

TEST(Bitmap32, RaiseRect) {
    const TColor32 bg = 0xFF808080;
    struct Case {
        int contrast, lightAlpha, darkAlpha;
        TColor32 lightColour, darkColour;
    } cases[] = {{20, 102, 51, clWhite32, clBlack32},
                 {100, 255, 255, clWhite32, clBlack32},
                 {-20, 51, 102, clBlack32, clWhite32},
                 {60, 255, 153, clWhite32, clBlack32}};
    for (const Case& c : cases) {
        const TColor32 light = BlendReg(SetAlpha(c.lightColour, c.lightAlpha), bg);
        const TColor32 dark = BlendReg(SetAlpha(c.darkColour, c.darkAlpha), bg);
        TBitmap32 b(8, 7);
        b.Clear(bg);
        b.RaiseRectTS(1, 1, 6, 5, c.contrast); // x 1..5, y 1..4
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 8; ++x) {
                TColor32 e = bg;
                if ((y == 1 && x >= 1 && x <= 5) || (x == 1 && y >= 2 && y <= 3)) e = light;
                if ((y == 4 && x >= 1 && x <= 5) || (x == 5 && y >= 2 && y <= 3)) e = dark;
                EXPECT_EQ(b.Pixel(x, y), e) << "contrast " << c.contrast << " at " << x << "," << y;
            }
    }
    // One pixel high: the row is blended with light, then with dark.
    TBitmap32 b(4, 3);
    b.Clear(bg);
    b.RaiseRectTS(0, 1, 4, 2, 20);
    EXPECT_EQ(b.Pixel(2, 1), BlendReg(SetAlpha(clBlack32, 51), BlendReg(SetAlpha(clWhite32, 102), bg)));
    EXPECT_EQ(b.Pixel(2, 0), bg);
    // Partly outside: clipped; empty or entirely outside: nothing.
    TBitmap32 p(4, 4);
    p.Clear(bg);
    p.RaiseRectTS(-2, -2, 2, 2, 100);
    EXPECT_EQ(p.Pixel(1, 1), BlendReg(SetAlpha(clBlack32, 255), bg));
    EXPECT_EQ(p.Pixel(0, 0), bg);
    Counter n(p);
    p.RaiseRectTS(3, 3, 3, 9, 100);
    p.RaiseRectTS(5, 5, 9, 9, 100);
    EXPECT_EQ(n.n, 0);
}

TEST(Bitmap32, AntialiasedLine) {
    TBitmap32 b(8, 5);
    b.SetPenColor(0xFFFF0000);
    b.MoveToF(1, 2);
    b.LineToFS(6, 2); // along pixel centres: full coverage inside, half at each end
    for (int x = 2; x <= 5; ++x)
        EXPECT_EQ(b.Pixel(x, 2), 0xFFFF0000u) << x;
    EXPECT_EQ(b.Pixel(1, 2), BlendReg(0x80FF0000, 0)); // coverage 0.5 -> alpha 128
    EXPECT_EQ(b.Pixel(6, 2), BlendReg(0x80FF0000, 0));
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(b.Pixel(x, 1), 0u);
        EXPECT_EQ(b.Pixel(x, 3), 0u);
    }
    // Half-way between two rows: both get about half the pen's alpha.
    TBitmap32 h(8, 5);
    h.MoveToF(0, 1.5f);
    h.LineToFS(7, 1.5f);
    EXPECT_EQ(h.Pixel(3, 1), h.Pixel(3, 2));
    EXPECT_EQ(AlphaComponent(h.Pixel(3, 1)), (128 * 128 + 128) >> 8);
    // A steep diagonal is symmetric to the flat one.
    TBitmap32 d1(6, 6), d2(6, 6);
    d1.MoveToF(0.3f, 1.2f);
    d1.LineToFS(5.1f, 3.7f);
    d2.MoveToF(1.2f, 0.3f);
    d2.LineToFS(3.7f, 5.1f);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(d1.Pixel(x, y), d2.Pixel(y, x));
}

TEST(Bitmap32, LineClippedToTheBitmap) {
    // The visible part of a line that starts far outside matches the same line on a larger bitmap.
    TBitmap32 big(60, 60), small(10, 10);
    big.MoveToF(0, 3);
    big.LineToFS(59, 40);
    small.MoveToF(-25, 3 - 25);
    small.LineToFS(59 - 25, 40 - 25);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const TColor32 a = big.Pixel(x + 25, y + 25), s = small.Pixel(x, y);
            for (int sh = 0; sh < 32; sh += 8)
                EXPECT_NEAR(int((a >> sh) & 255), int((s >> sh) & 255), 1) << x << "," << y;
        }
    // Far away or not finite: nothing, and no crash.
    TBitmap32 b(4, 4);
    Counter n(b);
    b.MoveToF(-1e9f, -1e9f);
    b.LineToFS(-1e9f, 1e9f);
    b.LineToFS(std::nanf(""), 2);
    EXPECT_TRUE(AllPixels(b, 0));
    EXPECT_EQ(n.n, 0);
    b.MoveToF(-1e9f, 2);
    b.LineToFS(1e9f, 2);
    EXPECT_EQ(b.Pixel(0, 2), clWhite32);
    EXPECT_EQ(b.Pixel(3, 2), clWhite32);
}

TEST(BlockTransfer, OpaqueCopiesEverythingIncludingTransparentPixels) {
    TBitmap32 src(3, 2);
    src.Clear(0x00112233);
    src.SetPixel(1, 1, 0x80FFFFFF);
    src.SetMasterAlpha(0); // ignored in dmOpaque
    TBitmap32 dst(5, 4);
    dst.Clear(0xFFFFFFFF);
    Counter n(dst);
    src.DrawTo(dst, 1, 1);
    EXPECT_EQ(n.n, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool in = x >= 1 && x < 4 && y >= 1 && y < 3;
            EXPECT_EQ(dst.Pixel(x, y), in ? src.Pixel(x - 1, y - 1) : 0xFFFFFFFFu) << x << "," << y;
        }
}

TEST(BlockTransfer, BlendModes) {
    TBitmap32 src = Filled(37, 9, 11); // random alpha, a row length not a multiple of the vector width
    src.SetDrawMode(dmBlend);
    const TBitmap32 bg = Filled(37, 9, 12);
    for (int master : {0, 1, 128, 254, 255}) {
        src.SetMasterAlpha(master);
        TBitmap32 dst(bg);
        Counter n(dst);
        src.DrawTo(dst);
        EXPECT_EQ(n.n, master == 0 ? 0 : 1);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 37; ++x) {
                const TColor32 f = src.Pixel(x, y), b = bg.Pixel(x, y);
                const TColor32 e = master == 0     ? b
                                   : master == 255 ? BlendReg(f, b)
                                                   : BlendRegEx(f, b, master);
                ASSERT_EQ(dst.Pixel(x, y), e) << "master " << master << " at " << x << "," << y;
            }
    }
    // MasterAlpha 0 draws nothing even onto transparent pixels.
    TBitmap32 opaqueSrc(2, 2), dst(2, 2);
    opaqueSrc.Clear(clWhite32);
    opaqueSrc.SetDrawMode(dmBlend);
    opaqueSrc.SetMasterAlpha(0);
    opaqueSrc.DrawTo(dst);
    EXPECT_TRUE(AllPixels(dst, 0));
}

TEST(BlockTransfer, ClippedAgainstBothBitmaps) {
    const TBitmap32 src = Filled(6, 5, 21);
    struct Case {
        int x, y;
        TRect srcRect;
    } cases[] = {
        {-2, -3, src.BoundsRect()}, {3, 2, src.BoundsRect()}, {-10, 0, src.BoundsRect()},
        {1, 1, {2, 1, 5, 4}},       {0, 0, {-2, -1, 3, 2}},   {-1, 2, {1, -3, 9, 9}},
        {2, 2, {4, 4, 4, 9}},       {4, 3, {0, 0, 6, 5}},     {7, 0, src.BoundsRect()},
    };
    for (const Case& c : cases) {
        TBitmap32 dst(7, 6);
        dst.Clear(0xFF0000FF);
        BlockTransfer(dst, c.x, c.y, src, c.srcRect);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 7; ++x) {
                // Destination (x, y) shows source (sx, sy) when that lies in both the rectangle and the
                // source.
                const int sx = x - c.x + c.srcRect.Left, sy = y - c.y + c.srcRect.Top;
                const bool in = sx >= std::max(0, c.srcRect.Left) && sx < std::min(6, c.srcRect.Right) &&
                                sy >= std::max(0, c.srcRect.Top) && sy < std::min(5, c.srcRect.Bottom);
                ASSERT_EQ(dst.Pixel(x, y), in ? src.Pixel(sx, sy) : 0xFF0000FFu)
                    << "case at " << c.x << "," << c.y << " pixel " << x << "," << y;
            }
    }
    // Empty source or destination: nothing.
    TBitmap32 empty, dst(2, 2);
    Counter n(dst);
    empty.DrawTo(dst, 0, 0);
    src.DrawTo(empty, 0, 0);
    dst.Draw(0, 0, nullptr);
    EXPECT_EQ(n.n, 0);
}

TEST(BlockTransfer, OntoItselfReadsTheSourceAsItWas) {
    TBitmap32 b = Filled(6, 6, 31);
    const TBitmap32 before(b);
    BlockTransfer(b, 1, 1, b, TRect{0, 0, 5, 5});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(b.Pixel(x, y), x >= 1 && y >= 1 ? before.Pixel(x - 1, y - 1) : before.Pixel(x, y));
}

TEST(BlockTransfer, LargeBitmapsGiveTheSameBitsAsRowByRow) {
    // Large enough to be split over threads.
    TBitmap32 src = Filled(1030, 700, 41), dst = Filled(1030, 700, 42);
    const TBitmap32 bg(dst);
    src.SetDrawMode(dmBlend);
    src.SetMasterAlpha(200);
    src.DrawTo(dst, 3, -2);
    for (int y = 0; y < 700; ++y) {
        std::vector<TColor32> row(bg.ScanLine(y), bg.ScanLine(y) + 1030);
        if (y + 2 < 700)
            for (int x = 3; x < 1030; ++x)
                row[x] = BlendRegEx(src.Pixel(x - 3, y + 2), row[x], 200);
        ASSERT_EQ(std::memcmp(row.data(), dst.ScanLine(y), 1030 * 4), 0) << y;
    }
}

TEST(Bitmap32, StreamsLeaveThePositionAfterTheImage) {
    const TBitmap32 a = Filled(3, 2, 51), b = Filled(5, 4, 52);
    std::stringstream s;
    a.SaveToStream(s);
    b.SaveToStream(s);
    s << "tail";
    TBitmap32 ra, rb;
    ra.SetDrawMode(dmBlend); // loading replaces the pixels, not the drawing properties
    ra.LoadFromStream(s);
    rb.LoadFromStream(s);
    EXPECT_TRUE(SamePixels(ra, a));
    EXPECT_TRUE(SamePixels(rb, b));
    EXPECT_EQ(ra.DrawMode(), dmBlend);
    std::string rest;
    s >> rest;
    EXPECT_EQ(rest, "tail");
}

TEST(Bitmap32, StreamWithAWrongFileSizeIsReadByItsHeaders) {
    const TBitmap32 a = Filled(3, 2, 61);
    std::stringstream out;
    a.SaveToStream(out);
    std::string bytes = out.str();
    std::memset(&bytes[2], 0, 4); // file size 0
    std::stringstream s(bytes + "next");
    TBitmap32 r;
    r.LoadFromStream(s);
    EXPECT_TRUE(SamePixels(r, a));
    std::string rest;
    s >> rest;
    EXPECT_EQ(rest, "next");
}

TEST(Bitmap32, FailedLoadKeepsThePreviousContent) {
    const TBitmap32 before = Filled(2, 2, 71);
    TBitmap32 b(before);
    for (const std::string& junk :
         {std::string(""), std::string("BM"), std::string("XX") + std::string(60, '\0')}) {
        std::stringstream s(junk);
        EXPECT_THROW(b.LoadFromStream(s), Error);
        EXPECT_TRUE(SamePixels(b, before));
    }
    std::stringstream out;
    before.SaveToStream(out);
    std::stringstream truncated(out.str().substr(0, out.str().size() - 3));
    EXPECT_THROW(b.LoadFromStream(truncated), Error);
    EXPECT_TRUE(SamePixels(b, before));
    EXPECT_THROW(b.LoadFromFile("/nonexistent/picture.bmp"), Error);
    EXPECT_TRUE(SamePixels(b, before));
}
