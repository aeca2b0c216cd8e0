#include "document/document.h"
#include "document/history.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kv;

namespace {

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.Bits(), b.Bits(), a.PixelCount() * sizeof(TColor32)) == 0;
}

TBitmap32 Filled(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

struct HistoryFixture : ::testing::Test {
    TDocument doc;
    HistoryFixture() { doc.Base().Assign(Filled(4, 3, 0xFF112233u)); }
    TBitmapLayer& AddLayer(TColor32 c, TFloatRect where = {0, 0, 4, 3}) {
        TBitmapLayer& l = doc.Layers().Add<TBitmapLayer>();
        l.Bitmap.Assign(Filled(2, 2, c));
        l.Bitmap.SetDrawMode(dmBlend);
        l.SetLocation(where);
        l.SetScaled(true);
        return l;
    }
};

} // namespace

TEST_F(HistoryFixture, EffectOnBaseUndoRedoAndRefreshesCleanPhoto) {
    const TBitmap32 before = doc.Base();
    RecordEffectStep(doc);
    EXPECT_EQ(doc.History.UndoLayer, kBaseLayerIndex);
    doc.Base().Clear(0xFF00FF00u);
    const TBitmap32 after = doc.Base();
    ASSERT_TRUE(UndoEnabled(doc));
    EXPECT_FALSE(RedoEnabled(doc));

    Undo(doc);
    EXPECT_TRUE(SamePixels(doc.Base(), before));
    EXPECT_TRUE(SamePixels(doc.CleanPhoto, before));
    EXPECT_FALSE(UndoEnabled(doc));
    EXPECT_TRUE(RedoEnabled(doc));

    Undo(doc); // the second undo does nothing
    EXPECT_TRUE(SamePixels(doc.Base(), before));
    EXPECT_TRUE(RedoEnabled(doc));

    Redo(doc);
    EXPECT_TRUE(SamePixels(doc.Base(), after));
    EXPECT_TRUE(UndoEnabled(doc));
    EXPECT_FALSE(RedoEnabled(doc));
    Undo(doc);
    EXPECT_TRUE(SamePixels(doc.Base(), before));
}

TEST_F(HistoryFixture, FramedBaseKeepsCleanPhoto) {
    doc.CleanPhoto.Assign(Filled(1, 1, 0xFF000000u));
    doc.MarkBaseFramed();
    RecordCanvasStep(doc);
    doc.Base().Assign(Filled(3, 4, 0xFFFFFFFFu));
    Undo(doc);
    EXPECT_EQ(doc.Base().Width(), 4);
    EXPECT_EQ(doc.CleanPhoto.Width(), 1);
}

TEST_F(HistoryFixture, EffectOnSelectedLayerLeavesBaseAlone) {
    AddLayer(0x80FF0000u);
    TBitmapLayer& l = AddLayer(0x800000FFu);
    doc.Select(&l);
    const TBitmap32 base = doc.Base();
    RecordEffectStep(doc);
    EXPECT_EQ(doc.History.UndoLayer, 1);
    l.Bitmap.Clear(0xFFFFFFFFu);
    Undo(doc);
    EXPECT_EQ(l.Bitmap.Pixel(0, 0), 0x800000FFu);
    EXPECT_TRUE(SamePixels(doc.Base(), base));
    Redo(doc);
    EXPECT_EQ(l.Bitmap.Pixel(0, 0), 0xFFFFFFFFu);
}

TEST_F(HistoryFixture, SizeStepScalesLayerLocationsBack) {
    doc.Base().Assign(Filled(1000, 800, 0xFF010203u));
    RecordSizeStep(doc);
    doc.Base().Assign(Filled(500, 400, 0xFF040506u));
    TBitmapLayer& l = AddLayer(0xFF000000u, {100, 100, 300, 200});
    Undo(doc);
    EXPECT_EQ(doc.Base().Width(), 1000);
    EXPECT_EQ(doc.Base().Pixel(0, 0), 0xFF010203u);
    EXPECT_EQ(l.Location(), (TFloatRect{200, 200, 600, 400}));
    Redo(doc);
    EXPECT_EQ(doc.Base().Width(), 500);
    EXPECT_EQ(doc.Base().Pixel(0, 0), 0xFF040506u);
    EXPECT_EQ(l.Location(), (TFloatRect{100, 100, 300, 200}));
}

TEST_F(HistoryFixture, SizeStepRoundsHalfToEven) {
    doc.Base().Assign(Filled(4, 4, 0xFF000000u));
    RecordSizeStep(doc);
    doc.Base().Assign(Filled(8, 8, 0xFF000000u)); // fx = 2
    TBitmapLayer& l = AddLayer(0xFF000000u, {1, 3, 5, 7});
    Undo(doc);
    EXPECT_EQ(l.Location(), (TFloatRect{0, 2, 2, 4})); // 0.5→0, 1.5→2, 2.5→2, 3.5→4
}

TEST_F(HistoryFixture, GeometryStepRestoresPictureAndLocationAndReselects) {
    TBitmapLayer& l = AddLayer(0xFF00FF00u, {1, 1, 3, 3});
    doc.Select(&l);
    RecordGeometryStep(doc);
    l.Bitmap.Assign(Filled(3, 5, 0xFF0000FFu));
    l.SetLocation({0, 0, 5, 3});
    Undo(doc);
    EXPECT_EQ(l.Bitmap.Width(), 2);
    EXPECT_EQ(l.Location(), (TFloatRect{1, 1, 3, 3}));
    EXPECT_EQ(doc.Selection(), &l);
    Redo(doc);
    EXPECT_EQ(l.Bitmap.Width(), 3);
    EXPECT_EQ(l.Location(), (TFloatRect{0, 0, 5, 3}));

    doc.Select(nullptr);
    doc.History.UndoKind = kHistNone;
    RecordGeometryStep(doc); // needs a selected layer
    EXPECT_EQ(doc.History.UndoKind, kHistNone);
}

TEST_F(HistoryFixture, CanvasStepWithBorderPictureAndRedoSurvivesNewRecording) {
    const TBitmap32 original = doc.Base();
    RecordCanvasStep(doc);
    doc.Base().Assign(Filled(3, 4, 0xFFABCDEFu)); // a rotation
    Undo(doc);
    EXPECT_TRUE(SamePixels(doc.Base(), original));
    RecordEffectStep(doc); // an unrelated operation leaves the redo side
    doc.Base().Clear(0xFF000000u);
    Redo(doc);
    EXPECT_EQ(doc.Base().Width(), 3);
    EXPECT_EQ(doc.Base().Pixel(0, 0), 0xFFABCDEFu);

    const TBitmap32 saved = Filled(2, 2, 0xFF999999u);
    RecordCanvasStep(doc, &saved);
    Undo(doc);
    EXPECT_TRUE(SamePixels(doc.Base(), saved));
}

TEST_F(HistoryFixture, StepOfAVanishedLayerIsDroppedHarmlessly) {
    TBitmapLayer& l = AddLayer(0xFF00FF00u);
    doc.Select(&l);
    RecordEffectStep(doc);
    RecordGeometryStep(doc);
    doc.Layers().Clear(); // e.g. paste as new
    const TBitmap32 base = doc.Base();
    Undo(doc);
    EXPECT_EQ(doc.History.UndoKind, kHistNone);
    EXPECT_EQ(doc.History.RedoKind, kHistNone);
    EXPECT_TRUE(SamePixels(doc.Base(), base));

    doc.History.RedoKind = kHistEffect;
    doc.History.RedoLayer = 5;
    Redo(doc);
    EXPECT_EQ(doc.History.RedoKind, kHistNone);
    EXPECT_EQ(doc.History.UndoKind, kHistNone);
}

TEST_F(HistoryFixture, DeletingLayersKeepsStepsPointingAtTheirLayers) {
    TBitmapLayer& a = AddLayer(0xFF000001u);
    TBitmapLayer& b = AddLayer(0xFF000002u);
    TBitmapLayer& c = AddLayer(0xFF000003u);
    doc.Select(&c);
    RecordEffectStep(doc);
    c.Bitmap.Clear(0xFF0000FFu);
    Undo(doc); // redo side on layer 2
    EXPECT_EQ(c.Bitmap.Pixel(0, 0), 0xFF000003u);
    doc.Select(&b);
    RecordEffectStep(doc); // undo side on layer 1
    doc.Select(&a);
    doc.DeleteSelectedLayer();
    EXPECT_EQ(doc.History.UndoLayer, 0);
    EXPECT_EQ(doc.History.RedoLayer, 1);
    Redo(doc);
    EXPECT_EQ(c.Bitmap.Pixel(0, 0), 0xFF0000FFu);

    // A base-picture step never shifts.
    RecordCanvasStep(doc);
    doc.Select(nullptr);
    RecordEffectStep(doc);
    doc.Select(&b);
    doc.DeleteSelectedLayer();
    EXPECT_EQ(doc.History.UndoLayer, kBaseLayerIndex);
    EXPECT_EQ(doc.History.UndoKind, kHistEffect);
}
