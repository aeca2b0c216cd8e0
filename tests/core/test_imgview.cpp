#include "core/imgview.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace kv;

namespace {

// A view with a client area of (w + scroll bar) x (h + scroll bar), i.e. a w x h viewport.
struct ViewFixture {
    TImgView32 view;
    int changes = 0;
    ViewFixture(int vw, int vh) {
        view.SubscribeChange([this] { ++changes; });
        view.SetClientSize(vw + view.ScrollBarSize(), vh + view.ScrollBarSize());
    }
    void Picture(int w, int h, TColor32 c = 0xFF336699u) {
        view.Bitmap.SetSize(w, h);
        view.Bitmap.Clear(c);
    }
};

} // namespace

TEST(ImgView, Defaults) {
    TImgView32 v;
    EXPECT_EQ(v.Scale(), 1.0f);
    EXPECT_EQ(v.Bitmap.OuterColor(), 0x7FFFFFFFu);
    EXPECT_TRUE(v.Bitmap.Empty());
    EXPECT_EQ(v.Layers().Count(), 0);
    EXPECT_EQ(v.Layers().Owner(), &v);
}

TEST(ImgView, ScaleLowerLimitAndChangeNotification) {
    ViewFixture f(100, 100);
    f.view.SetScale(0);
    EXPECT_EQ(f.view.Scale(), 0.001f);
    EXPECT_EQ(f.changes, 1);
    f.view.SetScale(-3);
    EXPECT_EQ(f.changes, 1); // stored 0.001 again: no change
    f.view.SetScale(2.5f);
    f.view.SetScale(2.5f);
    EXPECT_EQ(f.changes, 2);
}

TEST(ImgView, OnChangeFromBaseAndLayers) {
    ViewFixture f(100, 100);
    f.Picture(10, 10);
    int afterPicture = f.changes;
    EXPECT_GE(afterPicture, 1);
    TBitmapLayer& l = f.view.Layers().Add<TBitmapLayer>();
    EXPECT_EQ(f.changes, afterPicture + 1);
    l.Bitmap.SetMasterAlpha(10);
    EXPECT_EQ(f.changes, afterPicture + 2);
    f.view.SetScrollPos(5, 5); // scrolling is not a change of the content
    f.view.SetClientSize(50, 50);
    EXPECT_EQ(f.changes, afterPicture + 2);
}

TEST(ImgView, BitmapRectSizeCentringAndScrolling) {
    struct Case {
        int w, h;
        float scale;
        int scrollX, scrollY;
        TRect rect;
    } cases[] = {
        {100, 50, 1.0f, 0, 0, {50, 75, 150, 125}},          // centred both ways
        {5, 7, 0.5f, 0, 0, {99, 98, 101, 102}},             // 2.5 -> 2, 3.5 -> 4 (half to even)
        {400, 100, 1.0f, 30, 0, {-30, 50, 370, 150}},       // wider than the viewport: scrolled
        {400, 400, 1.0f, 500, 500, {-200, -200, 200, 200}}, // scroll clamped to extent - viewport
    };
    for (const Case& k : cases) {
        ViewFixture f(200, 200);
        f.Picture(k.w, k.h);
        f.view.SetScale(k.scale);
        f.view.SetScrollPos(k.scrollX, k.scrollY);
        EXPECT_EQ(f.view.GetBitmapRect(), k.rect) << k.w << "x" << k.h << " at " << k.scale;
    }
}

TEST(ImgView, ViewportExcludesScrollBars) {
    TImgView32 v;
    v.SetScrollBarSize(20);
    v.SetClientSize(300, 200);
    EXPECT_EQ(v.GetViewportRect(), (TRect{0, 0, 280, 180}));
    v.SetClientSize(10, 10);
    EXPECT_EQ(v.GetViewportRect(), (TRect{0, 0, 0, 0}));
}

TEST(ImgView, FixedPointFactors) {
    ViewFixture f(1000, 1000);
    f.Picture(200, 100);
    f.view.SetScale(0.5f);
    TViewMapping m = f.view.Mapping();
    EXPECT_EQ(m.sx, 32768);
    EXPECT_EQ(m.isx, 131072);
    EXPECT_EQ(m.sy, 32768);
    EXPECT_EQ(m.isy, 131072);
    EXPECT_EQ(m.ox, 450);
    EXPECT_EQ(m.oy, 475);
    // 3 pixels shown in 2: MulDiv rounds half away from zero.
    f.Picture(3, 3);
    f.view.SetScale(0.7f); // round(2.1) = 2
    m = f.view.Mapping();
    EXPECT_EQ(m.sx, 43691); // 2 * 65536 / 3 = 43690.67
    EXPECT_EQ(m.isx, 98304);
}

TEST(ImgView, EmptyPictureOrEmptyRectGivesIdentity) {
    ViewFixture f(100, 100);
    TViewMapping m = f.view.Mapping();
    EXPECT_EQ(m.sx, 65536);
    EXPECT_EQ(m.isy, 65536);
    EXPECT_EQ(m.ox, 0);
    f.Picture(10, 10);
    f.view.SetScale(0.01f); // round(0.1) = 0: no area
    m = f.view.Mapping();
    EXPECT_EQ(m.sx, 65536);
    EXPECT_EQ(m.isx, 65536);
    EXPECT_EQ(m.ox, 0);
    EXPECT_EQ(m.oy, 0);
}

TEST(ImgView, ViewToPictureRoundsTowardMinusInfinity) {
    struct Case {
        float scale;
        int x;
        int expected;
    } cases[] = {
        {1.0f, 99, -1}, {1.0f, 100, 0}, {1.0f, 250, 150}, {2.0f, 49, -1}, {2.0f, 48, -1},
        {2.0f, 47, -2}, {2.0f, 51, 0},  {0.5f, 124, -2},  {0.5f, 126, 2},
    };
    for (const Case& k : cases) {
        ViewFixture f(300, 300);
        f.Picture(100, 100);
        f.view.SetScale(k.scale);
        EXPECT_EQ(f.view.ViewToPicture(k.x, 150).X, k.expected) << k.scale << " " << k.x;
    }
}

// Products beyond 32 bits: a 4000 x 500 picture shown 4 x 1 pixels large.
TEST(ImgView, ViewToPictureInSixtyFourBits) {
    ViewFixture f(2000, 100);
    f.Picture(4000, 500);
    f.view.SetScale(0.001f);
    TViewMapping m = f.view.Mapping();
    ASSERT_EQ(f.view.GetBitmapRect(), (TRect{998, 49, 1002, 50}));
    const int x = 1999;
    const std::int64_t expected = (std::int64_t(x - m.ox) * m.isx) >> 16;
    ASSERT_GT(std::int64_t(x - m.ox) * m.isx, std::int64_t(INT32_MAX));
    EXPECT_EQ(f.view.ViewToPicture(x, 0).X, expected);
    EXPECT_NEAR(f.view.ViewToPicture(x, 0).X, (x - m.ox) * 1000.0, 1);
}

TEST(ImgView, PaintRunsTheStagesInOrder) {
    ViewFixture f(20, 10);
    f.Picture(4, 2, 0x00ABCDEFu); // transparent pixels are copied, not blended
    TBitmapLayer& l = f.view.Layers().Add<TBitmapLayer>();
    l.Bitmap.SetSize(1, 1);
    l.Bitmap.Clear(0xFF00FF00u);
    l.SetScaled(true);
    l.SetLocation({0, 0, 1, 1});
    f.view.SetScale(2.0f); // picture at (6, 3)-(14, 7)
    int stageCalls = 0;
    f.view.SetCustomStage([&](TBitmap32& dst, bool onScreen) {
        ++stageCalls;
        EXPECT_TRUE(onScreen);
        dst.Clear(0xFF111111u);
    });
    f.view.Paint();
    const TBitmap32& b = f.view.Buffer();
    ASSERT_EQ(b.Width(), 20);
    ASSERT_EQ(b.Height(), 10);
    EXPECT_EQ(stageCalls, 1);
    EXPECT_EQ(b.Pixel(0, 0), 0xFF111111u);
    EXPECT_EQ(b.Pixel(13, 6), 0x00ABCDEFu);
    EXPECT_EQ(b.Pixel(6, 3), 0xFF00FF00u); // the layer, scaled with the picture
    EXPECT_EQ(b.Pixel(7, 4), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(8, 3), 0x00ABCDEFu);
    l.SetVisible(false);
    f.view.Paint();
    EXPECT_EQ(b.Pixel(6, 3), 0x00ABCDEFu);
}

TEST(ImgView, DefaultStageClearsWithColour) {
    ViewFixture f(4, 4);
    f.view.Color = 0xFF010203u;
    f.view.Paint();
    EXPECT_EQ(f.view.Buffer().Pixel(3, 3), 0xFF010203u);
}

TEST(ImgView, RenderToUsesTheRectangleNotTheScreen) {
    ViewFixture f(50, 50);
    f.Picture(10, 10, 0xFF000080u);
    TBitmapLayer& l = f.view.Layers().Add<TBitmapLayer>();
    l.Bitmap.SetSize(2, 2);
    l.Bitmap.Clear(0xFFFF0000u);
    l.SetScaled(true);
    l.SetLocation({3, 4, 5, 6});
    f.view.SetScale(3.0f);
    f.view.SetScrollPos(7, 2);
    const TViewMapping screen = f.view.Mapping();
    bool sawOffscreen = false;
    f.view.SetCustomStage([&](TBitmap32&, bool onScreen) { sawOffscreen = !onScreen; });
    TBitmap32 out(10, 10);
    f.view.RenderTo(out, TRect{0, 0, 10, 10});
    EXPECT_TRUE(sawOffscreen);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inLayer = x >= 3 && x < 5 && y >= 4 && y < 6;
            ASSERT_EQ(out.Pixel(x, y), inLayer ? 0xFFFF0000u : 0xFF000080u) << x << "," << y;
        }
    // The on-screen mapping is back once the render is done.
    const TViewMapping after = f.view.Mapping();
    EXPECT_EQ(after.sx, screen.sx);
    EXPECT_EQ(after.ox, screen.ox);
    EXPECT_EQ(after.oy, screen.oy);
    EXPECT_TRUE(after.OnScreen);
}

TEST(ImgView, ScaleChangeKeepsTheCentreAndClampsScroll) {
    ViewFixture f(100, 100);
    f.Picture(100, 100);
    f.view.SetScale(4.0f); // 400 wide: the centre (50) of the picture stays under the viewport centre
    EXPECT_EQ(f.view.ScrollX(), 150);
    EXPECT_EQ(f.view.ViewToPicture(50, 50).X, 50);
    f.view.SetScale(0.5f);
    EXPECT_EQ(f.view.ScrollX(), 0);
    EXPECT_EQ(f.view.ScrollMaxX(), 0);
}
