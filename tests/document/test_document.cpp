#include "core/blend.h"
#include "document/document.h"
#include "document/zoom.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace kv;

namespace {

// A document with a 6 x 4 base picture whose pixels are all different (alpha included).
struct DocFixture {
    TDocument doc;
    TZoomModel zoom;
    DocFixture() {
        doc.ImgView.SetClientSize(217, 117);
        doc.Base().SetSize(6, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                doc.Base().SetPixel(x, y, Color32(10 * x, 20 * y, 7, 40 * x + y));
        doc.Modified = kMarkClean;
    }
    TBitmapLayer& AddLayer(int tag, TColor32 colour, TFloatRect where = {0, 0, 6, 4}) {
        TBitmapLayer& l = doc.Layers().Add<TBitmapLayer>();
        l.Bitmap.SetSize(2, 2);
        l.Bitmap.Clear(colour);
        l.Bitmap.SetDrawMode(dmBlend);
        l.SetScaled(true);
        l.SetLocation(where);
        l.Tag = tag;
        return l;
    }
    std::vector<int> Tags() {
        std::vector<int> t;
        for (int i = 0; i < doc.Layers().Count(); ++i)
            t.push_back(doc.Layers()[i].Tag);
        return t;
    }
};

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

} // namespace

TEST(Document, StartsCleanAndEmpty) {
    TDocument doc;
    EXPECT_TRUE(doc.Empty());
    EXPECT_EQ(doc.Modified, kMarkClean);
    EXPECT_EQ(doc.Selection(), nullptr);
    EXPECT_EQ(doc.FramedBaseMarker, "");
    EXPECT_EQ(doc.History.UndoKind, "none");
    EXPECT_EQ(doc.History.RedoKind, "none");
    EXPECT_EQ(kTagCaption, 159);
}

TEST(Document, ViewChangesMarkModified) {
    DocFixture f;
    f.AddLayer(kTagOrdinary, clWhite32);
    EXPECT_EQ(f.doc.Modified, kMarkModified);
    f.doc.Modified = kMarkClean;
    f.doc.Base().SetPixel(0, 0, 0);
    f.doc.Base().Changed();
    EXPECT_TRUE(f.doc.IsModified());
}

TEST(Document, ComposeWithoutLayersCopiesTheBaseWithAlpha) {
    DocFixture f;
    f.doc.ImgView.SetScale(3.0f); // what the screen shows is not what is composed
    f.doc.Compose();
    EXPECT_TRUE(SamePixels(f.doc.Composite, f.doc.Base()));
    f.doc.Base().SetPixel(5, 3, 0x00000000u);
    f.doc.Compose(); // again, into the same memory
    EXPECT_TRUE(SamePixels(f.doc.Composite, f.doc.Base()));
}

TEST(Document, ComposeLayers) {
    DocFixture f;
    TBitmapLayer& hidden = f.AddLayer(kTagOrdinary, 0xFF00FF00u);
    hidden.Bitmap.SetMasterAlpha(0);                       // contributes nothing
    f.AddLayer(kTagOrdinary, 0xFFFF0000u, {-3, -2, 1, 2}); // only its corner (0..1, 0..2) is on the picture
    f.doc.Select(&hidden);
    f.doc.Compose();
    EXPECT_EQ(f.doc.Selection(), nullptr);
    ASSERT_EQ(f.doc.Composite.Width(), 6);
    ASSERT_EQ(f.doc.Composite.Height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            TColor32 want = (x < 1 && y < 2) ? 0xFFFF0000u : f.doc.Base().Pixel(x, y);
            ASSERT_EQ(f.doc.Composite.Pixel(x, y), want) << x << "," << y;
        }
}

TEST(Document, ComposeBlendsHalfTransparentLayers) {
    DocFixture f;
    f.AddLayer(kTagOrdinary, 0x80FFFFFFu);
    f.doc.Compose();
    EXPECT_EQ(f.doc.Composite.Pixel(2, 1), BlendReg(0x80FFFFFFu, f.doc.Base().Pixel(2, 1)));
}

TEST(Document, FlattenBurnsTheCaptionAndEmptiesTheStack) {
    DocFixture f;
    f.AddLayer(kTagTemporary1, 0xFF0000FFu); // removed first, so never burnt in
    f.AddLayer(kTagCaption, 0xFFFF0000u, {0, 0, 2, 2});
    f.doc.History.UndoKind = kHistEffect;
    f.doc.History.RedoKind = kHistHolst;
    f.doc.Base().SetStretchFilter(sfLinear);
    const TColor32 untouched = f.doc.Base().Pixel(4, 3);
    f.doc.Flatten();
    EXPECT_EQ(f.doc.Layers().Count(), 0);
    EXPECT_EQ(f.doc.Base().Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(f.doc.Base().Pixel(1, 1), 0xFFFF0000u);
    EXPECT_EQ(f.doc.Base().Pixel(4, 3), untouched);
    EXPECT_EQ(f.doc.History.UndoKind, "none");
    EXPECT_EQ(f.doc.History.RedoKind, "none");
    // The base picture keeps its own drawing properties.
    EXPECT_EQ(f.doc.Base().OuterColor(), 0x7FFFFFFFu);
    EXPECT_EQ(f.doc.Base().StretchFilter(), sfLinear);
    f.doc.RemoveCaptionLayer();
    EXPECT_EQ(f.doc.Base().Pixel(0, 0), 0xFFFF0000u);
}

TEST(Document, RemoveTemporaryAndCaptionLayers) {
    DocFixture f;
    for (int tag : {0, 4, 159, 3, 159})
        f.AddLayer(tag, clWhite32);
    f.doc.Select(&f.doc.Layers()[0]);
    f.doc.RemoveTemporaryLayers(); // only the lowest helper layer
    EXPECT_EQ(f.Tags(), (std::vector<int>{0, 159, 3, 159}));
    EXPECT_EQ(f.doc.Selection(), nullptr);
    f.doc.RemoveCaptionLayer();
    EXPECT_EQ(f.Tags(), (std::vector<int>{0, 3, 159}));
    f.doc.RemoveTemporaryLayers();
    f.doc.RemoveTemporaryLayers(); // none left: nothing happens
    EXPECT_EQ(f.Tags(), (std::vector<int>{0, 159}));
}

TEST(Document, DeleteSelectedLayerKeepsHistoryIndicesConsistent) {
    struct Case {
        const char* name;
        int selected;
        std::string undoKind;
        int undoLayer;
        std::string redoKind;
        int redoLayer;
        std::string undoKindAfter;
        int undoLayerAfter;
        std::string redoKindAfter;
        int redoLayerAfter;
    } cases[] = {
        {"below redo layer", 1, "effect", 0, "effect", 2, "effect", 0, "effect", 1},
        {"the undo layer", 1, "effect", 1, "geom", 2, "none", 1, "geom", 1},
        {"the redo layer", 2, "geom", 0, "effect", 2, "geom", 0, "none", 2},
        {"above both", 2, "effect", 0, "geom", 1, "effect", 0, "geom", 1},
        {"base picture steps", 0, "effect", 777, "effect", 777, "effect", 777, "effect", 777},
        {"canvas step with an old index", 1, "holst", 1, "size", 2, "holst", 1, "size", 1},
    };
    for (const Case& k : cases) {
        DocFixture f;
        for (int t = 0; t < 3; ++t)
            f.AddLayer(10 + t, clWhite32);
        f.doc.History.UndoKind = k.undoKind;
        f.doc.History.UndoLayer = k.undoLayer;
        f.doc.History.RedoKind = k.redoKind;
        f.doc.History.RedoLayer = k.redoLayer;
        f.doc.Select(&f.doc.Layers()[k.selected]);
        f.doc.DeleteSelectedLayer();
        EXPECT_EQ(f.doc.Layers().Count(), 2) << k.name;
        EXPECT_EQ(f.doc.Selection(), nullptr) << k.name;
        EXPECT_EQ(f.doc.History.UndoKind, k.undoKindAfter) << k.name;
        EXPECT_EQ(f.doc.History.UndoLayer, k.undoLayerAfter) << k.name;
        EXPECT_EQ(f.doc.History.RedoKind, k.redoKindAfter) << k.name;
        EXPECT_EQ(f.doc.History.RedoLayer, k.redoLayerAfter) << k.name;
    }
    DocFixture f;
    f.AddLayer(0, clWhite32);
    f.doc.DeleteSelectedLayer(); // nothing selected
    EXPECT_EQ(f.doc.Layers().Count(), 1);
}

TEST(Document, SelectionFollowsTheStack) {
    DocFixture f;
    TBitmapLayer& l = f.AddLayer(0, clWhite32);
    f.doc.Select(&l);
    EXPECT_EQ(f.doc.SelectedBitmapLayer(), &l);
    f.doc.Layers().Delete(&l); // destroyed behind the document's back
    EXPECT_EQ(f.doc.Selection(), nullptr);
    TLayerCollection elsewhere;
    f.doc.Select(&elsewhere.Add<TBitmapLayer>()); // not a layer of this stack
    EXPECT_EQ(f.doc.Selection(), nullptr);
}

TEST(Document, RemoveFrame) {
    DocFixture f;
    f.doc.ImgView.SetClientSize(617, 417); // a 600 x 400 viewport
    f.AddLayer(0, clWhite32);
    f.doc.RemoveFrame(f.zoom); // CleanPhoto is empty
    EXPECT_TRUE(f.doc.Empty());
    EXPECT_EQ(f.doc.Layers().Count(), 0);

    DocFixture g;
    g.doc.ImgView.SetClientSize(600, 400);
    g.doc.CleanPhoto.SetSize(300, 100);
    g.doc.CleanPhoto.Clear(0xFF445566u);
    g.AddLayer(0, clWhite32);
    g.doc.Select(&g.doc.Layers()[0]);
    g.doc.RemoveFrame(g.zoom);
    EXPECT_TRUE(SamePixels(g.doc.Base(), g.doc.CleanPhoto));
    EXPECT_EQ(g.doc.Base().OuterColor(), 0x7FFFFFFFu);
    EXPECT_EQ(g.doc.Layers().Count(), 0);
    EXPECT_EQ(g.doc.Selection(), nullptr);
    EXPECT_NEAR(g.doc.ImgView.Scale(), 2.0 / 1.1, 1e-5); // fitted
    EXPECT_EQ(g.zoom.Text, "182%");
}

TEST(Document, NewContentClearsLayersAndScale) {
    DocFixture f;
    f.AddLayer(0, clWhite32);
    f.doc.Select(&f.doc.Layers()[0]);
    f.doc.ImgView.SetScale(2.0f);
    f.doc.PasteAsNewContent();
    EXPECT_EQ(f.doc.Layers().Count(), 0);
    EXPECT_EQ(f.doc.Selection(), nullptr);
    EXPECT_EQ(f.doc.ImgView.Scale(), 2.0f);
    f.AddLayer(0, clWhite32);
    f.doc.StartNewContent();
    EXPECT_EQ(f.doc.Layers().Count(), 0);
    EXPECT_EQ(f.doc.ImgView.Scale(), 1.0f);
}

TEST(Document, RefreshCleanPhotoObeysTheFramedBaseMarker) {
    DocFixture f;
    f.doc.MarkBaseFramed();
    EXPECT_EQ(f.doc.FramedBaseMarker, "mon");
    f.doc.RefreshCleanPhoto();
    EXPECT_TRUE(f.doc.CleanPhoto.Empty());
    f.doc.ClearBaseFramed();
    f.doc.RefreshCleanPhoto();
    EXPECT_TRUE(SamePixels(f.doc.CleanPhoto, f.doc.Base()));
}

TEST(Document, LayerPropertyControls) {
    DocFixture f;
    TBitmapLayer& l = f.AddLayer(0, clWhite32);
    f.doc.Modified = kMarkClean;
    f.doc.LayerOpacityChange(77); // no selection: the mark still changes
    EXPECT_EQ(l.Bitmap.MasterAlpha(), 255);
    EXPECT_TRUE(f.doc.IsModified());
    f.doc.Select(&l);
    f.doc.Modified = kMarkClean;
    f.doc.LayerOpacityChange(77);
    EXPECT_EQ(l.Bitmap.MasterAlpha(), 77);
    EXPECT_TRUE(f.doc.IsModified());
    f.doc.LayerInterpolateClick(true);
    EXPECT_EQ(l.Bitmap.StretchFilter(), sfLinear);
    f.doc.Modified = kMarkClean;
    f.doc.LayerInterpolateClick(false);
    EXPECT_EQ(l.Bitmap.StretchFilter(), sfNearest);
    EXPECT_TRUE(f.doc.IsModified());
    f.doc.ImageInterpolateClick(true);
    EXPECT_EQ(f.doc.Base().StretchFilter(), sfLinear);
    f.doc.ImageInterpolateClick(false);
    EXPECT_EQ(f.doc.Base().StretchFilter(), sfNearest);
}

// ---- The scripted platform used by every command test -------------------------------------------

namespace {
struct NamedDialog : TDialogModel {
    std::string DialogName() const override { return "TGamma"; }
    int Value = 0;
};
} // namespace

TEST(FakePlatform, AnswersFromScriptsAndRecordsCalls) {
    FakePlatform p;
    p.MessageAnswers = {TMsgAnswer::No};
    p.SaveAnswers.push_back(TFileDialogResult{"/tmp/a.png", 4});
    p.ModalScripts.push_back([](TDialogModel& d) {
        static_cast<NamedDialog&>(d).Value = 5;
        return TModalResult::Ok;
    });
    NamedDialog dlg;
    EXPECT_EQ(p.MessageBox("Изображение было изменено. Сохранить?", TMsgButtons::YesNoCancel),
              TMsgAnswer::No);
    auto saved = p.SaveFileDialog({"", "PNG (*.png)|*.png", 1, "", "", ""});
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->FilterIndex, 4);
    EXPECT_EQ(p.ShowModal(dlg), TModalResult::Ok);
    EXPECT_EQ(dlg.Value, 5);
    // Empty scripts: the cancel answer.
    EXPECT_EQ(p.MessageBox("?", TMsgButtons::OkCancel), TMsgAnswer::Cancel);
    EXPECT_FALSE(p.ColorDialog(0x00FF0000u));
    EXPECT_EQ(p.CallNames(), (std::vector<std::string>{"MessageBox", "SaveFileDialog", "ShowModal",
                                                       "MessageBox", "ColorDialog"}));
    EXPECT_EQ(p.TextsOf("MessageBox")[0], "Изображение было изменено. Сохранить?");
    EXPECT_EQ(p.TextsOf("ShowModal")[0], "TGamma");
}

TEST(FakePlatform, StrictFailsOnUnscriptedQuestions) {
    EXPECT_NONFATAL_FAILURE(
        {
            FakePlatform p;
            p.Strict = true;
            p.MessageBox("Пожалуйста, выберите рамку.", TMsgButtons::Ok); // a notice is fine
            p.MessageBox("Сохранить?", TMsgButtons::YesNoCancel);
        },
        "Сохранить?");
}

TEST(FakePlatform, DevicesAndTimers) {
    FakePlatform p;
    TBitmap32 pic(3, 2);
    pic.Clear(0x10203040u);
    p.ClipboardPutBitmap(pic);
    TBitmap32 got;
    ASSERT_TRUE(p.ClipboardGetBitmap(got));
    EXPECT_EQ(got.Pixel(2, 1), 0xFF203040u);
    p.BeginPrintJob("Korvalis");
    p.PrintPicture(pic, {0, 0, 300, 200});
    p.EndPrintJob();
    ASSERT_EQ(p.Printed.size(), 1u);
    EXPECT_EQ(p.Printed[0].DeviceRect, (TRect{0, 0, 300, 200}));
    int fired = 0;
    p.StartTimer(10, [&] { ++fired; });
    int cancelled = p.StartTimer(10, [&] { fired += 100; });
    p.CancelTimer(cancelled);
    p.FireTimers();
    p.FireTimers(); // one-shot
    EXPECT_EQ(fired, 1);
    TBitmap32 canvas(10, 10);
    p.FillEllipse(canvas, {0, 0, 10, 10}, clWhite32);
    EXPECT_EQ(canvas.Pixel(5, 5), clWhite32);
    EXPECT_EQ(canvas.Pixel(0, 0), 0u);
    EXPECT_EQ(p.ProgramFolder().back(), '/');
}
