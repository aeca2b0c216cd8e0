#include "core/imgview.h"
#include "core/layers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kv;

namespace {

// A collection without a view (identity mapping) that counts its change notifications.
struct CountingCollection {
    TLayerCollection layers;
    int changes = 0;
    CountingCollection() {
        layers.Subscribe([this] { ++changes; });
    }
};

// Smallest rectangle holding every non-zero pixel; empty when there is none.
TRect PaintedBounds(const TBitmap32& b) {
    TRect r{b.Width(), b.Height(), 0, 0};
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != 0) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.IsEmpty() ? TRect{} : r;
}

TBitmapLayer& AddFilledLayer(TLayerCollection& c, int w, int h, TColor32 colour, int tag = 0) {
    TBitmapLayer& l = c.Add<TBitmapLayer>();
    l.Bitmap.SetSize(w, h);
    l.Bitmap.Clear(colour);
    l.Tag = tag;
    return l;
}

std::vector<int> Tags(const TLayerCollection& c) {
    std::vector<int> t;
    for (int i = 0; i < c.Count(); ++i)
        t.push_back(c[i].Tag);
    return t;
}

} // namespace

TEST(Layers, DefaultOptionsAndLocation) {
    TLayerCollection c;
    TCustomLayer& plain = c.Add<TCustomLayer>();
    TPositionedLayer& pos = c.Add<TPositionedLayer>();
    TBitmapLayer& bmp = c.Add<TBitmapLayer>();
    EXPECT_EQ(plain.LayerOptions(), 0x80000000u);
    EXPECT_EQ(pos.LayerOptions(), 0xA0000000u);
    EXPECT_EQ(bmp.LayerOptions(), 0xA0000000u);
    EXPECT_EQ(bmp.Location(), (TFloatRect{0, 0, 64, 64}));
    EXPECT_FALSE(bmp.Scaled());
    EXPECT_FALSE(bmp.Cropped());
    EXPECT_EQ(bmp.Index(), 2);
}

TEST(Layers, CollectionNotifiesOnAddRemoveAndLayerChanges) {
    CountingCollection cc;
    TBitmapLayer& l = cc.layers.Add<TBitmapLayer>();
    EXPECT_EQ(cc.changes, 1);
    l.Bitmap.SetSize(4, 4); // the layer's picture reports through the collection
    EXPECT_EQ(cc.changes, 2);
    l.SetScaled(false); // unchanged: no notification
    EXPECT_EQ(cc.changes, 2);
    l.SetScaled(true);
    l.SetLocation({1, 2, 3, 4});
    l.SetVisible(false);
    EXPECT_EQ(cc.changes, 5);
    l.SetLayerOptions(l.LayerOptions() | LOB_NO_UPDATE); // no-update layers stay quiet
    l.SetLocation({5, 6, 7, 8});
    EXPECT_EQ(cc.changes, 5);
    cc.layers.Delete(&l); // removal is the collection's own change
    EXPECT_EQ(cc.changes, 6);
    EXPECT_EQ(cc.layers.Count(), 0);
}

TEST(Layers, ClearDestroysTopDownWithOneNotification) {
    CountingCollection cc;
    for (int t = 1; t <= 3; ++t)
        cc.layers.Add<TBitmapLayer>().Tag = t;
    std::vector<int> order;
    cc.layers.SubscribeRemoving([&](TCustomLayer& l) { order.push_back(l.Tag); });
    cc.changes = 0;
    cc.layers.Clear();
    EXPECT_EQ(cc.changes, 1);
    EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(cc.layers.Count(), 0);
    cc.layers.Clear(); // nothing to clear: nothing to report
    EXPECT_EQ(cc.changes, 1);
}

TEST(Layers, SetIndexClampsAndShifts) {
    struct Case {
        int from, to;
        std::vector<int> tags;
        int notifications;
    } cases[] = {
        {0, 2, {2, 3, 1}, 1},  {2, 0, {3, 1, 2}, 1}, {1, 99, {1, 3, 2}, 1},
        {1, -5, {2, 1, 3}, 1}, {1, 1, {1, 2, 3}, 0}, {2, 7, {1, 2, 3}, 0},
    };
    for (const Case& k : cases) {
        CountingCollection cc;
        for (int t = 1; t <= 3; ++t)
            cc.layers.Add<TCustomLayer>().Tag = t;
        cc.changes = 0;
        cc.layers[k.from].SetIndex(k.to);
        EXPECT_EQ(Tags(cc.layers), k.tags) << k.from << "->" << k.to;
        EXPECT_EQ(cc.changes, k.notifications) << k.from << "->" << k.to;
    }
    CountingCollection cc;
    for (int t = 1; t <= 3; ++t)
        cc.layers.Add<TCustomLayer>().Tag = t;
    cc.layers[2].SendToBack();
    EXPECT_EQ(Tags(cc.layers), (std::vector<int>{3, 1, 2}));
}

TEST(Layers, AdjustedLocationFollowsTheMappingOnlyWhenScaled) {
    TLayerCollection c;
    TPositionedLayer& l = c.Add<TPositionedLayer>();
    l.SetLocation({10, 20, 30, 40});
    TViewMapping m;
    m.sx = 2 * 65536;
    m.sy = 65536 / 2;
    m.ox = 5;
    m.oy = -3;
    EXPECT_EQ(l.GetAdjustedLocation(m), (TFloatRect{10, 20, 30, 40}));
    l.SetScaled(true);
    EXPECT_EQ(l.GetAdjustedLocation(m), (TFloatRect{25, 7, 65, 17}));
}

TEST(Layers, PaintRoundsEachEdgeHalfToEven) {
    struct Case {
        TFloatRect location;
        TRect painted;
    } cases[] = {
        {{10.5f, 20.5f, 110.5f, 120.5f}, {10, 20, 110, 120}},
        {{11.5f, 21.5f, 111.5f, 121.5f}, {12, 22, 112, 122}},
        {{0.4f, 0.6f, 50.6f, 50.4f}, {0, 1, 51, 50}},
    };
    for (const Case& k : cases) {
        TLayerCollection c;
        TBitmapLayer& l = AddFilledLayer(c, 100, 100, 0xFF102030u);
        l.SetScaled(true);
        l.SetLocation(k.location);
        TBitmap32 dst(200, 200);
        c.PaintLayers(dst, TViewMapping{});
        EXPECT_EQ(PaintedBounds(dst), k.painted) << k.location.Left;
    }
}

TEST(Layers, PaintsOnlyVisibleLayersBottomToTop) {
    TLayerCollection c;
    TBitmapLayer& low = AddFilledLayer(c, 4, 4, 0xFF0000FFu);
    TBitmapLayer& high = AddFilledLayer(c, 4, 4, 0xFFFF0000u);
    for (TBitmapLayer* l : {&low, &high})
        l->SetLocation({0, 0, 4, 4});
    high.SetLocation({2, 0, 6, 4});
    TBitmap32 dst(8, 4);
    c.PaintLayers(dst, TViewMapping{});
    EXPECT_EQ(dst.Pixel(1, 0), 0xFF0000FFu);
    EXPECT_EQ(dst.Pixel(3, 0), 0xFFFF0000u); // the upper layer wins where they overlap
    high.SetVisible(false);
    dst.Clear(0);
    c.PaintLayers(dst, TViewMapping{});
    EXPECT_EQ(dst.Pixel(3, 0), 0xFF0000FFu);
    EXPECT_EQ(dst.Pixel(5, 0), 0u);
}

TEST(Layers, PaintHandlerRunsAfterTheLayersOwnContent) {
    TLayerCollection c;
    TBitmapLayer& l = AddFilledLayer(c, 2, 2, 0xFF00FF00u);
    l.SetLocation({0, 0, 2, 2});
    std::string seen;
    l.OnPaint = [&](TCustomLayer& sender, TBitmap32& dst) {
        seen = sender.Tag == l.Tag && dst.Pixel(0, 0) == 0xFF00FF00u ? "after" : "before";
    };
    TBitmap32 dst(2, 2);
    c.PaintLayers(dst, TViewMapping{});
    EXPECT_EQ(seen, "after");
}

// Cropped painting transfers only the visible part; at a whole scale the result is the same.
TEST(Layers, CroppedPaintMatchesUncroppedInsideTheViewport) {
    TBitmap32 pic(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            pic.SetPixel(x, y, Color32(x * 25, y * 25, 7));
    TBitmap32 results[2];
    for (int cropped = 0; cropped < 2; ++cropped) {
        TLayerCollection c;
        TBitmapLayer& l = c.Add<TBitmapLayer>();
        l.Bitmap.Assign(pic);
        l.SetScaled(true);
        l.SetLocation({0, 0, 10, 10});
        l.SetCropped(cropped == 1);
        TViewMapping m;
        m.sx = m.sy = 3 * 65536;
        m.ox = -7;
        m.oy = 4;
        m.OnScreen = true;
        m.Viewport = {0, 0, 16, 16};
        results[cropped].SetSize(16, 16);
        c.PaintLayers(results[cropped], m);
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(results[0].Pixel(x, y), results[1].Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(results[1].Pixel(0, 4), pic.Pixel(2, 0)); // view x 0 is picture x 7/3
}

TEST(Layers, HitTestWithAndWithoutAlpha) {
    TLayerCollection c;
    TBitmapLayer& l = c.Add<TBitmapLayer>();
    l.Bitmap.SetSize(2, 1);
    l.Bitmap.SetPixel(0, 0, 0x00FFFFFFu);
    l.Bitmap.SetPixel(1, 0, 0x01000000u);
    l.SetLocation({10, 10, 30, 20});
    EXPECT_TRUE(l.HitTest(10, 10));
    EXPECT_TRUE(l.HitTest(29, 19));
    EXPECT_FALSE(l.HitTest(30, 15));
    EXPECT_FALSE(l.HitTest(9, 15));
    l.SetAlphaHit(true);
    EXPECT_FALSE(l.HitTest(15, 15)); // transparent left half
    EXPECT_TRUE(l.HitTest(20, 15));  // alpha 1 counts
    EXPECT_EQ(c.FindLayerAt(20, 15), &l);
    l.SetLayerOptions(LOB_VISIBLE);
    EXPECT_EQ(c.FindLayerAt(20, 15), nullptr); // no mouse events
}

TEST(Layers, FindLayerAtPrefersTheTopmost) {
    TLayerCollection c;
    TBitmapLayer& a = AddFilledLayer(c, 1, 1, clWhite32);
    TBitmapLayer& b = AddFilledLayer(c, 1, 1, clWhite32);
    a.SetLocation({0, 0, 10, 10});
    b.SetLocation({5, 5, 15, 15});
    EXPECT_EQ(c.FindLayerAt(7, 7), &b);
    EXPECT_EQ(c.FindLayerAt(2, 2), &a);
    b.SetVisible(false);
    EXPECT_EQ(c.FindLayerAt(7, 7), &a);
    int downs = 0;
    a.OnMouseDown = [&](TCustomLayer&, int, int x, int y) { downs += x + y; };
    a.MouseDown(1, 3, 4);
    EXPECT_EQ(downs, 7);
}
