#include "adjust/adjust_commands.h"

#include "tests/adjust/adjust_fixture.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

using testing::AdjustFixture;
using testing::Filled;
using testing::Picture;
using testing::SamePixels;

// ---- Image size ---------------------------------------------------------------------------------

TEST_F(AdjustFixture, ImageSizeFieldsAreCoupledWithoutCascading) {
    Load(Picture(1000, 500));
    TRasm& d = commands->Rasm;
    d.FormShow();
    EXPECT_EQ(d.UpDown1, 1000);
    EXPECT_EQ(d.UpDown2, 500);
    EXPECT_EQ(d.UpDown3, 1953); // 1000 x 500 x 4 / 1024 = 1953.1
    d.Edit1Change(500);
    EXPECT_EQ(d.UpDown2, 250);
    EXPECT_EQ(d.UpDown3, 488); // 488.28
    d.Edit2Change(333);        // width := Round(333 x 2)
    EXPECT_EQ(d.UpDown1, 666);
    d.Prop = false;
    d.Edit1Change(10);
    EXPECT_EQ(d.UpDown2, 333);
    EXPECT_EQ(d.UpDown3, 13); // 10 x 333 x 4 / 1024 = 13.0
    // The kilobytes field sets both sides from the picture's own size, whatever Prop says.
    Load(Picture(1024, 1024));
    d.FormShow();
    EXPECT_EQ(d.UpDown3, 4096);
    d.Edit3Change(1024);
    EXPECT_EQ(d.UpDown1, 512);
    EXPECT_EQ(d.UpDown2, 512);
    EXPECT_EQ(d.UpDown3, 1024);
    // Fields stay inside their spinners' ranges.
    d.Prop = true;
    d.Edit1Change(30000);
    EXPECT_EQ(d.UpDown1, 10000);
    EXPECT_EQ(d.UpDown3, 32000);
}

TEST_F(AdjustFixture, ImageSizeScalesTheLayersAndOneUndoBringsBothBack) {
    Load(Picture(1000, 500));
    TBitmapLayer& layer = AddLayer(Picture(2, 2), {100, 50, 300, 150});
    f->Doc.Select(&layer);
    Script<TRasm>([](TRasm& d) {
        EXPECT_EQ(d.Resample, 0);
        d.Edit1Change(500);
        d.Resample = 1;
        return TModalResult::Ok;
    });
    Run("Изображение", "Размер изображения");
    EXPECT_EQ(f->Doc.Selection(), nullptr);
    EXPECT_EQ(f->Doc.Base().Width(), 500);
    EXPECT_EQ(f->Doc.Base().Height(), 250);
    EXPECT_EQ(f->Doc.Base().StretchFilter(), sfNearest); // the resampled picture's own filter
    EXPECT_EQ(layer.Location(), (TFloatRect{50, 25, 150, 75}));
    EXPECT_EQ(f->StatusPanel1, "500x250");
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, f->Doc.Base()));
    f->UndoClick();
    EXPECT_EQ(f->Doc.Base().Width(), 1000);
    EXPECT_EQ(layer.Location(), (TFloatRect{100, 50, 300, 150}));
}

TEST_F(AdjustFixture, ImageSizeNearestPicksWholeSourcePixelsAndUnchangedNumbersOnlyRecord) {
    TBitmap32 pic(4, 2);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            pic.SetPixel(x, y, Color32(60 * x, 100 * y, 5));
    Load(pic);
    RunImageSize(*f, 2, 1, 0);
    ASSERT_EQ(f->Doc.Base().Width(), 2);
    for (int x = 0; x < 2; ++x) {
        const TColor32 c = f->Doc.Base().Pixel(x, 0);
        bool found = false;
        for (std::size_t i = 0; i < pic.PixelCount(); ++i)
            found |= pic.Bits()[i] == c;
        EXPECT_TRUE(found) << std::hex << c; // nearest neighbour copies, never mixes
    }
    // Cancel does nothing; unchanged numbers record a size step and change nothing.
    Load(pic);
    Script<TRasm>([](TRasm&) { return TModalResult::Cancel; });
    Run("Изображение", "Размер изображения");
    EXPECT_EQ(f->Doc.History.UndoKind, kHistNone);
    Script<TRasm>([](TRasm&) { return TModalResult::Ok; });
    Run("Изображение", "Размер изображения");
    EXPECT_EQ(f->Doc.History.UndoKind, kHistSize);
    EXPECT_TRUE(SamePixels(f->Doc.Base(), pic));
}

// ---- Crop ---------------------------------------------------------------------------------------

TEST_F(AdjustFixture, CropRectangleIsNormalisedClampedAndAtLeastOnePixel) {
    struct Case {
        TFloatRect rect;
        bool done;
        int w, h;
        TColor32 topLeft; // of the result, from Picture(20, 10)
    } cases[] = {
        {{2, 3, 6, 8}, true, 4, 5, Picture(20, 10).Pixel(2, 3)},
        {{6, 8, 2, 3}, true, 4, 5, Picture(20, 10).Pixel(2, 3)},     // dragged backwards
        {{-5, -5, 3, 2}, true, 3, 2, Picture(20, 10).Pixel(0, 0)},   // partly outside
        {{15, 5, 99, 99}, true, 5, 5, Picture(20, 10).Pixel(15, 5)}, // clipped on the far sides
        {{30, 2, 40, 6}, false, 0, 0, 0},                            // wholly outside
        {{4, 4, 4.2f, 9}, false, 0, 0, 0},                           // thinner than a pixel
        {{4.6f, 1, 5.4f, 3}, false, 0, 0, 0},                        // rounds to nothing to read
    };
    for (const Case& c : cases) {
        Load(Picture(20, 10));
        AddLayer(Picture(2, 2), {0, 0, 20, 10});
        EXPECT_EQ(CropToRect(*f, c.rect), c.done) << c.rect.Left;
        if (!c.done) {
            EXPECT_EQ(f->Doc.Layers().Count(), 1);
            EXPECT_EQ(f->Doc.History.UndoKind, kHistNone);
            EXPECT_TRUE(SamePixels(f->Doc.Base(), Picture(20, 10)));
            continue;
        }
        EXPECT_EQ(f->Doc.Layers().Count(), 0);
        EXPECT_EQ(f->Doc.History.UndoKind, kHistHolst);
        EXPECT_EQ(f->Doc.Base().Width(), c.w) << c.rect.Left;
        EXPECT_EQ(f->Doc.Base().Height(), c.h) << c.rect.Left;
        EXPECT_EQ(f->Doc.Base().Pixel(0, 0), c.topLeft) << c.rect.Left;
    }
}

TEST_F(AdjustFixture, FractionalCropCornersStretchTheRoundedSource) {
    // Width Round(3.0) = 3, source columns Round(0.5) = 0 .. Round(3.5) = 4: four columns into three.
    TBitmap32 pic(6, 1);
    for (int x = 0; x < 6; ++x)
        pic.SetPixel(x, 0, Color32(40 * x, 0, 0));
    Load(pic);
    f->Doc.CleanPhoto.SetStretchFilter(sfLinear2); // the clean photo's own filter draws the cut
    ASSERT_TRUE(CropToRect(*f, {0.5f, 0, 3.5f, 1}));
    ASSERT_EQ(f->Doc.Base().Width(), 3);
    ASSERT_EQ(f->Doc.Base().Height(), 1);
    // Column 3 (red 120) reaches the last place; column 4 (red 160) stays out.
    const int last = RedComponent(f->Doc.Base().Pixel(2, 0));
    EXPECT_GT(last, 80);
    EXPECT_LE(last, 120);
}

TEST_F(AdjustFixture, CropDialogStartsFromTheCleanPhotoAndOnlyACarriedOutCropResetsIt) {
    const TBitmap32 photo = Picture(34, 17);
    Load(photo);
    // A frame drawn into the base picture by a frame style.
    f->Doc.Base().Assign(Filled(40, 20, Color32(9, 9, 9)));
    f->Doc.MarkBaseFramed();
    AddLayer(Picture(2, 2), {0, 0, 40, 20});
    const TBitmap32 framed = f->Doc.Base();

    // The question declined: the dialog still closes with OK, and nothing changes.
    Script<TCropLa>([&](TCropLa& d) {
        EXPECT_EQ(d.CropRect(), (TFloatRect{2, 1, 32, 16})); // W/17, H/17 in from every side
        return TModalResult::Ok;
    });
    platform.MessageAnswers.push_back(TMsgAnswer::Cancel);
    Run("Изображение", "Обрезать изображение");
    EXPECT_EQ(platform.TextsOf("MessageBox").back(), kCropQuestion);
    EXPECT_TRUE(SamePixels(f->Doc.Base(), framed));
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, photo));
    EXPECT_EQ(f->Doc.Layers().Count(), 1);
    EXPECT_EQ(f->Doc.History.UndoKind, kHistNone);
    EXPECT_TRUE(commands->CropLa.Cropos.Bitmap.Empty()); // closing empties the dialog's view
    EXPECT_EQ(commands->CropLa.Cropos.Layers().Count(), 0);

    // Confirmed: the cut-out of the clean photo, with no frame, becomes the clean photo too.
    Script<TCropLa>([&](TCropLa& d) {
        d.SetCropRect({4, 2, 14, 9});
        return TModalResult::Ok;
    });
    platform.MessageAnswers.push_back(TMsgAnswer::Ok);
    Run("Изображение", "Обрезать изображение");
    EXPECT_EQ(f->Doc.Base().Width(), 10);
    EXPECT_EQ(f->Doc.Base().Height(), 7);
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), photo.Pixel(4, 2));
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, f->Doc.Base()));
    EXPECT_FALSE(f->Doc.BaseFramed());
    EXPECT_EQ(f->Doc.Layers().Count(), 0);
    f->UndoClick();
    EXPECT_TRUE(SamePixels(f->Doc.Base(), framed));
}

TEST_F(AdjustFixture, CropViewShowsTheRectangleBrightAgainstTheDarkenedPicture) {
    Load(Filled(170, 85, Color32(200, 100, 50)));
    TCropLa& d = commands->CropLa;
    d.Cropos.SetClientSize(640, 480);
    d.FormShow();
    EXPECT_FLOAT_EQ(d.Cropos.Scale(), float(640.0 / 170 / 1.1));
    ASSERT_NE(d.CropLayer(), nullptr);
    EXPECT_EQ(d.CropLayer()->Tag, 3);
    d.Cropos.Paint();
    const TRect pic = d.Cropos.GetBitmapRect();
    const TBitmap32& buf = d.Cropos.Buffer();
    // Brighten(-130): 200 - 101, 100 - 50, 50 - 25; then Brighten(190) inside the rectangle.
    EXPECT_EQ(buf.Pixel(pic.Left + 3, pic.Top + 3), Color32(99, 50, 25));
    EXPECT_EQ(buf.Pixel((pic.Left + pic.Right) / 2, (pic.Top + pic.Bottom) / 2), Color32(172, 87, 43));

    // Dragging inside moves the rectangle; dragging its left edge resizes it.
    const double s = d.Cropos.Scale();
    const TFloatRect r0 = d.CropRect();
    const int cx = (pic.Left + pic.Right) / 2, cy = (pic.Top + pic.Bottom) / 2;
    EXPECT_EQ(d.HandleAt(cx, cy), 1);
    d.MouseDown(cx, cy);
    d.MouseMove(cx + int(std::lround(10 * s)), cy);
    d.MouseUp();
    // Whole view pixels: within a third of a picture pixel at this scale.
    EXPECT_NEAR(d.CropRect().Left, r0.Left + 10, 0.34);
    EXPECT_NEAR(d.CropRect().Right, r0.Right + 10, 0.34);
    const float right = d.CropRect().Right;
    const TRect v = d.CropLayer()->GetAdjustedRect(d.Cropos.Layers().Mapping());
    EXPECT_EQ(d.HandleAt(v.Left, (v.Top + v.Bottom) / 2), 2);
    d.MouseDown(v.Left, (v.Top + v.Bottom) / 2);
    d.MouseMove(v.Left - 2000, (v.Top + v.Bottom) / 2);
    d.MouseUp();
    EXPECT_LT(d.CropRect().Left, 0);
    EXPECT_EQ(d.CropRect().Right, right);
    // Outside the rectangle nothing is grabbed.
    d.MouseDown(0, 0);
    EXPECT_FALSE(d.Dragging());
    // OK crops to the picture's left edge.
    platform.MessageAnswers.push_back(TMsgAnswer::Ok);
    d.OkClick();
    EXPECT_TRUE(d.Cropped);
    EXPECT_EQ(f->Doc.Base().Width(), RoundI(right));
    d.FormClose();
}

// ---- Canvas size --------------------------------------------------------------------------------

TEST(ResizeCanvas, FillsWithTheExtensionColourAndPlacesThePictureClipped) {
    const TColor32 ext = Color32(1, 2, 3);
    struct Case {
        int w, h;
        bool centre;
        int dx, dy; // where the picture's (0, 0) lands
    } cases[] = {
        {8, 6, true, 2, 2},  // larger: centred
        {8, 6, false, 0, 0}, // larger: top-left
        {2, 1, true, -1, 0}, // smaller: the centre part; Round(0.5) = 0
        {2, 6, true, -1, 2}, // narrower but taller
        {4, 5, true, 0, 2},  // only the height grows: Round(2.5) = 2
        {7, 2, true, 2, 0},  // Round(1.5) = 2
    };
    for (const Case& c : cases) {
        TBitmap32 pic = Picture(4, 2);
        pic.SetDrawMode(dmBlend); // drawn opaquely all the same, alpha included
        pic.SetPixel(0, 0, Color32(9, 9, 9, 0));
        const TBitmap32 src = pic;
        ResizeCanvas(pic, c.w, c.h, c.centre, ext);
        ASSERT_EQ(pic.Width(), c.w);
        ASSERT_EQ(pic.Height(), c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const int sx = x - c.dx, sy = y - c.dy;
                const bool inside = sx >= 0 && sx < 4 && sy >= 0 && sy < 2;
                ASSERT_EQ(pic.Pixel(x, y), inside ? src.Pixel(sx, sy) : ext)
                    << c.w << "x" << c.h << " at " << x << "," << y;
            }
    }
}

TEST_F(AdjustFixture, CanvasDialogCouplesItsFieldsAndIsOneUndoStep) {
    Load(Picture(4, 2));
    Script<THolst>([](THolst& d) {
        EXPECT_EQ(d.DialogWidth, 241);
        EXPECT_EQ(d.UpDown1, 4);
        d.Edit1Change(9); // height := Round(9 / 2) = 4
        EXPECT_EQ(d.UpDown2, 4);
        d.Edit2Change(3);
        EXPECT_EQ(d.UpDown1, 6);
        d.PlaceToCenter = false;
        return TModalResult::Ok;
    });
    platform.ColorAnswers.push_back(TWinColor(0x00030201));
    commands->Holst.ColorClick();
    Run("Изображение", "Размер холста...");
    ASSERT_EQ(f->Doc.Base().Width(), 6);
    ASSERT_EQ(f->Doc.Base().Height(), 3);
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Picture(4, 2).Pixel(0, 0));
    EXPECT_EQ(f->Doc.Base().Pixel(5, 2), Color32(1, 2, 3));
    EXPECT_EQ(f->StatusPanel1, "6x3");
    EXPECT_TRUE(f->Doc.Composite.Empty());
    f->UndoClick();
    EXPECT_TRUE(SamePixels(f->Doc.Base(), Picture(4, 2)));

    // The same size records the step and changes nothing.
    Script<THolst>([](THolst&) { return TModalResult::Ok; });
    Run("Изображение", "Размер холста...");
    EXPECT_EQ(f->Doc.History.UndoKind, kHistHolst);
    EXPECT_TRUE(SamePixels(f->Doc.Base(), Picture(4, 2)));
}

TEST_F(AdjustFixture, CanvasCropVisualCutsTheDraggedSelection) {
    Load(Picture(200, 100));
    THolst& d = commands->Holst;
    d.PreviewWidth = 100;
    d.PreviewHeight = 100;
    d.FormShow();
    f->Doc.Compose();
    d.CropVisualClick();
    EXPECT_EQ(d.DialogWidth, 544);
    EXPECT_FALSE(d.CropVisualEnabled);
    EXPECT_FALSE(d.PlaceToCenterEnabled);
    EXPECT_DOUBLE_EQ(d.K, 2.0);
    EXPECT_EQ(d.OffsetX, 0);
    EXPECT_EQ(d.OffsetY, 25);
    // Dragged from bottom-right to top-left: (30, 60) -> (10, 35) in the preview.
    d.PreviewMouseDown(30, 60);
    d.PreviewMouseMove(20, 50);
    d.PreviewMouseUp(10, 35);
    d.ApplySelectionClick();
    EXPECT_EQ(d.Selection, (TRect{20, 20, 60, 70}));
    EXPECT_EQ(d.UpDown1, 40);
    EXPECT_EQ(d.UpDown2, 50);
    d.OkClick();
    ASSERT_EQ(f->Doc.Base().Width(), 40);
    ASSERT_EQ(f->Doc.Base().Height(), 50);
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Picture(200, 100).Pixel(20, 20));
    d.FormClose();

    // Crop Visual without a selection (or one off the picture) takes the whole picture.
    Load(Picture(200, 100));
    d.FormShow();
    d.CropVisualClick();
    d.Edit1Change(100);
    d.OkClick();
    EXPECT_EQ(f->Doc.Base().Width(), 100);
    EXPECT_EQ(f->Doc.Base().Height(), 50);
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Picture(200, 100).Pixel(0, 0));
    d.FormClose();
    f->Doc.Composite.Delete();
}

// ---- Free-angle rotation of a layer -------------------------------------------------------------

TEST_F(AdjustFixture, RotateOnAngleNeedsASelectedBitmapLayer) {
    Load(Picture(10, 10));
    Run("Изображение", "Повернуть на угол...");
    EXPECT_EQ(platform.TextsOf("MessageBox"), std::vector<std::string>{kSelectLayerText});
    EXPECT_EQ(platform.CountOf("ShowModal"), 0);
}

TEST_F(AdjustFixture, RotateLayerByAQuarterTurnsItsPictureAndFadesTheEdge) {
    Load(Picture(40, 40));
    TBitmap32 pic(8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            pic.SetPixel(x, y, Color32(30 * x, 40 * y, 77, 255));
    TBitmapLayer& layer = AddLayer(pic, {10, 20, 18, 26});
    f->Doc.Select(&layer);
    Script<TPovor>([&](TPovor& d) {
        d.AngleChange(90);
        EXPECT_EQ(d.Edit1, "90");
        d.Inter = false;
        d.PreviewClick();
        d.PreviewClick(); // previews do not accumulate
        EXPECT_EQ(layer.Bitmap.Width(), 6);
        return TModalResult::Ok;
    });
    Run("Изображение", "Повернуть на угол...");
    ASSERT_EQ(layer.Bitmap.Width(), 6);
    ASSERT_EQ(layer.Bitmap.Height(), 8);
    EXPECT_EQ(layer.Location(), (TFloatRect{10, 20, 16, 28}));
    EXPECT_EQ(f->Doc.Selection(), &layer);
    // Clockwise on screen: source (x, y) lands on (h - 1 - y, x); inside the two-pixel rim it is opaque.
    EXPECT_EQ(layer.Bitmap.Pixel(6 - 1 - 3, 3), pic.Pixel(3, 3));
    EXPECT_EQ(layer.Bitmap.Pixel(6 - 1 - 2, 4), pic.Pixel(4, 2));
    EXPECT_EQ(AlphaComponent(layer.Bitmap.Pixel(0, 0)), 0);
    EXPECT_EQ(AlphaComponent(layer.Bitmap.Pixel(5, 7)), 0);
    EXPECT_EQ(f->Doc.History.UndoKind, kHistGeom);
    f->UndoClick();
    EXPECT_TRUE(SamePixels(layer.Bitmap, pic));
    EXPECT_EQ(layer.Location(), (TFloatRect{10, 20, 18, 26}));
}

TEST_F(AdjustFixture, RotateLayerCancelRestoresAndTheAngleFieldChecksItsRange) {
    Load(Picture(40, 40));
    const TBitmap32 pic = Picture(12, 9);
    TBitmapLayer& layer = AddLayer(pic, {1.5f, 2, 25.5f, 20}); // shown at twice its size
    f->Doc.Select(&layer);
    Script<TPovor>([&](TPovor& d) {
        d.Edit1Change("-");   // typing a sign is not an error
        d.Edit1Change("-30"); // the gauge follows
        EXPECT_EQ(d.Angle, -30);
        d.Edit1Change("181");
        EXPECT_EQ(d.Angle, -30);
        d.Edit1Change("abc");
        EXPECT_EQ(d.Angle, -30);
        d.PreviewClick();
        EXPECT_NE(layer.Bitmap.Width(), 12);
        return TModalResult::Cancel;
    });
    Run("Изображение", "Повернуть на угол...");
    EXPECT_EQ(platform.TextsOf("MessageBox"), std::vector<std::string>{kAngleRangeText});
    EXPECT_TRUE(SamePixels(layer.Bitmap, pic));
    EXPECT_EQ(layer.Location(), (TFloatRect{1.5f, 2, 25.5f, 20}));
    EXPECT_EQ(f->Doc.Selection(), &layer);
    EXPECT_EQ(f->Doc.History.UndoKind, kHistNone);

    // Zero degrees: the picture at its location's size (rounded corners 2..26 x 2..20), opaque
    // inside the rim, and the left-top corner kept.
    RotateLayer(layer, 0, true);
    EXPECT_EQ(layer.Bitmap.Width(), 24);
    EXPECT_EQ(layer.Bitmap.Height(), 18);
    EXPECT_EQ(layer.Location(), (TFloatRect{2, 2, 26, 20}));
    EXPECT_EQ(AlphaComponent(layer.Bitmap.Pixel(12, 9)), 255);
    EXPECT_EQ(AlphaComponent(layer.Bitmap.Pixel(0, 9)), 0);
}

TEST(RotateLayer, AnObliqueTurnFitsTheBoundingBoxWithTransparentCorners) {
    TLayerCollection layers;
    auto& layer = layers.Add<TBitmapLayer>();
    layer.Bitmap.SetSize(40, 30);
    layer.Bitmap.Clear(Color32(200, 60, 20));
    layer.SetLocation({5, 7, 45, 37});
    RotateLayer(layer, 30, true);
    // 40 cos 30 + 30 sin 30 = 49.6 -> 50; 40 sin 30 + 30 cos 30 = 46.0 -> 46.
    ASSERT_EQ(layer.Bitmap.Width(), 50);
    ASSERT_EQ(layer.Bitmap.Height(), 46);
    EXPECT_EQ(layer.Location(), (TFloatRect{5, 7, 55, 53}));
    EXPECT_EQ(layer.Bitmap.Pixel(25, 23), Color32(200, 60, 20));
    for (auto [x, y] : {std::pair{0, 0}, {49, 0}, {0, 45}, {49, 45}})
        EXPECT_EQ(AlphaComponent(layer.Bitmap.Pixel(x, y)), 0) << x << "," << y;
    EXPECT_EQ(layer.Bitmap.StretchFilter(), sfLinear);
}

} // namespace
} // namespace kv
