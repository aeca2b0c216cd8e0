#include "adjust/adjust_commands.h"

#include "document/history.h"
#include "tests/adjust/adjust_fixture.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

using testing::AdjustFixture;
using testing::Filled;
using testing::Picture;
using testing::SamePixels;

const std::pair<const char*, const char*> kItems[] = {
    {"Изображение", "Цветовой баланс"},      {"Изображение", "Яркость / контраст"},
    {"Изображение", "Обрезать изображение"}, {"Изображение", "Размер изображения"},
    {"Изображение", "Размер холста..."},     {"Изображение", "На 90° вправо"},
    {"Изображение", "На 90° влево"},         {"Изображение", "На 180°"},
    {"Изображение", "Повернуть на угол..."}, {"Изображение", "Зеркально"},
    {"Изображение", "Вертикально"},          {"Эффекты", "Эффект сепия"},
    {"Эффекты", "Сделать чёрно-белым"},      {"Эффекты", "Оттенки одного цвета"},
};

TEST_F(AdjustFixture, EveryItemIsBoundAndEnabledExactlyWithAPicture) {
    for (auto [menu, caption] : kItems) {
        f->MenuOpened(menu);
        EXPECT_FALSE(f->ItemEnabled(menu, caption)) << caption;
    }
    Load(Picture(4, 3));
    for (auto [menu, caption] : kItems) {
        f->MenuOpened(menu);
        EXPECT_TRUE(f->ItemEnabled(menu, caption)) << caption;
        EXPECT_TRUE(bool(f->FindItem(menu, caption)->Handler)) << caption;
    }
}

// ---- Rotation and flips ------------------------------------------------------------------------

TEST_F(AdjustFixture, TurnsAndFlipsAreUndoableCanvasStepsOfTheBasePicture) {
    const TBitmap32 start = Picture(5, 3);
    Load(start);
    TBitmapLayer& layer = AddLayer(Picture(2, 2), {1, 1, 3, 3});
    Run("Изображение", "На 90° вправо");
    ASSERT_EQ(f->Doc.Base().Width(), 3);
    ASSERT_EQ(f->Doc.Base().Height(), 5);
    const TBitmap32 turned = f->Doc.Base();
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, turned));
    Run("Изображение", "На 90° влево");
    EXPECT_TRUE(SamePixels(f->Doc.Base(), start));
    EXPECT_EQ(f->Doc.History.UndoKind, kHistHolst);
    EXPECT_EQ(f->Doc.History.UndoLayer, kBaseLayerIndex);
    // The layers stay where they were.
    EXPECT_EQ(layer.Location(), (TFloatRect{1, 1, 3, 3}));
    // One undo gives the picture before the second turn.
    f->UndoClick();
    EXPECT_TRUE(SamePixels(f->Doc.Base(), turned));

    Load(start);
    Run("Изображение", "Зеркально");
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), start.Pixel(4, 0));
    Run("Изображение", "Зеркально");
    Run("Изображение", "Вертикально");
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), start.Pixel(0, 2));
    Run("Изображение", "На 180°");
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), start.Pixel(4, 0));
    f->UndoClick();
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), start.Pixel(0, 2));
}

TEST_F(AdjustFixture, AFramedBaseKeepsItsCleanPhotoThroughATurn) {
    Load(Picture(4, 2));
    const TBitmap32 clean = f->Doc.CleanPhoto;
    f->Doc.MarkBaseFramed();
    Run("Изображение", "На 90° вправо");
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, clean));
}

// ---- Colour balance and brightness / contrast ---------------------------------------------------

TEST_F(AdjustFixture, BalanceAppliesOnReleaseAndKeyMovesAndCancelRestoresExactly) {
    const TBitmap32 start = Filled(3, 2, Color32(200, 100, 30, 255));
    Load(start);
    Script<TGamma>([&](TGamma& g) {
        g.GaugeChange(1, 30); // dragging only: nothing applied yet
        EXPECT_TRUE(SamePixels(f->Doc.Base(), start));
        g.GaugeMouseUp();
        EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Color32(230, 100, 30));
        g.GaugeKeyChange(3, -50); // keyboard and wheel send no release
        EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Color32(230, 100, 0));
        g.QvalClick(); // quality: 200 + 12000 div 255 = 247; 30 - 3000 div 255 = 19
        EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Color32(247, 100, 19));
        g.ResetClick();
        EXPECT_TRUE(SamePixels(f->Doc.Base(), start));
        g.GaugeKeyChange(1, 50); // after a reset only red moves
        EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Color32(255, 100, 30));
        return TModalResult::Cancel;
    });
    Run("Изображение", "Цветовой баланс");
    EXPECT_TRUE(SamePixels(f->Doc.Base(), start));
    EXPECT_TRUE(commands->Gamma.Kept.Empty());
}

TEST_F(AdjustFixture, BalanceConfirmedIsOneUndoStepAndRefreshesTheCleanPhoto) {
    const TBitmap32 start = Filled(2, 2, Color32(200, 100, 30, 255));
    Load(start);
    AddLayer(Picture(2, 2), {0, 0, 2, 2});
    f->Doc.Select(&f->Doc.Layers()[0]);
    Script<TGamma>([&](TGamma& g) {
        g.SpeedClick();
        g.GaugeKeyChange(2, 20);
        return TModalResult::Ok;
    });
    Run("Изображение", "Цветовой баланс");
    // The command works on the base picture whatever was selected.
    EXPECT_EQ(f->Doc.Selection(), nullptr);
    EXPECT_EQ(f->Doc.Base().Pixel(1, 1), Color32(200, 120, 30));
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, f->Doc.Base()));
    f->UndoClick();
    EXPECT_TRUE(SamePixels(f->Doc.Base(), start));
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, start));
}

TEST_F(AdjustFixture, BrightnessContrastRunsContrastFirstAndCancelRestores) {
    const TBitmap32 start = Filled(2, 1, Color32(200, 127, 100, 255));
    Load(start);
    Script<TBrid>([&](TBrid& b) {
        b.GaugeChange(2, 90);
        b.GaugeChange(1, 10);
        b.GaugeMouseUp();
        EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Color32(233, 131, 94));
        b.GaugeKeyChange(1, -130); // 225 - 114 = 111; 127 - 64 = 63; 91 - 46 = 45
        EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Color32(111, 63, 45));
        return TModalResult::Cancel;
    });
    Run("Изображение", "Яркость / контраст");
    EXPECT_TRUE(SamePixels(f->Doc.Base(), start));

    Script<TBrid>([&](TBrid& b) {
        EXPECT_EQ(b.GaugeBar1, 0); // every showing starts from zero
        b.GaugeKeyChange(2, 90);
        b.GaugeKeyChange(1, 10);
        return TModalResult::Ok;
    });
    Run("Изображение", "Яркость / контраст");
    EXPECT_EQ(f->Doc.Base().Pixel(1, 0), Color32(233, 131, 94));
    // The batch step gives the dialog's result.
    Load(start);
    RunBrightnessContrast(*f, 10, 90);
    EXPECT_EQ(f->Doc.Base().Pixel(1, 0), Color32(233, 131, 94));
    EXPECT_EQ(f->Doc.History.UndoKind, kHistEffect);
}

// ---- Sepia, black-and-white, tints of one colour ------------------------------------------------

TEST_F(AdjustFixture, SepiaAndBlackAndWhiteOnTheBaseAndOnALayerKeepingItsAlpha) {
    Load(Filled(2, 2, Color32(255, 255, 255, 255)));
    f->EffectSnapshot.Assign(Picture(1, 1));
    Run("Эффекты", "Эффект сепия");
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), Color32(255, 255, 189));
    EXPECT_TRUE(f->EffectSnapshot.Empty());
    EXPECT_TRUE(SamePixels(f->Doc.CleanPhoto, f->Doc.Base()));
    EXPECT_EQ(f->Doc.History.UndoLayer, kBaseLayerIndex);

    // A layer target (the batch and other callers may run with a layer selected).
    TBitmap32 soft(2, 1);
    soft.SetPixel(0, 0, Color32(255, 255, 255, 40));
    soft.SetPixel(1, 0, Color32(10, 200, 30, 0));
    TBitmapLayer& layer = AddLayer(soft, {0, 0, 2, 1});
    const TBitmap32 base = f->Doc.Base();
    f->Doc.Select(&layer);
    RunSepia(*f);
    EXPECT_EQ(layer.Bitmap.Pixel(0, 0), Color32(255, 255, 189, 40));
    EXPECT_EQ(AlphaComponent(layer.Bitmap.Pixel(1, 0)), 0);
    EXPECT_EQ(f->AlphaStore.Pixel(0, 0), Gray32(40));
    EXPECT_TRUE(SamePixels(f->Doc.Base(), base));
    f->Doc.Select(&layer);
    RunBlackAndWhite(*f);
    // A grey level in all three channels, the alpha of the transparent pixel kept.
    const TColor32 g = layer.Bitmap.Pixel(1, 0);
    EXPECT_EQ(AlphaComponent(g), 0);
    EXPECT_EQ(RedComponent(g), GreenComponent(g));
    EXPECT_EQ(GreenComponent(g), BlueComponent(g));
    f->UndoClick();
    EXPECT_EQ(layer.Bitmap.Pixel(0, 0), Color32(255, 255, 189, 40));
}

TEST_F(AdjustFixture, OneColourTintStartsFromTheSepiaColourAndACancelLeavesThePicture) {
    const TBitmap32 start = Filled(2, 2, Color32(255, 255, 255, 255));
    Load(start);
    Run("Эффекты", "Эффект сепия");
    Load(start);
    platform.ColorAnswers.push_back(std::nullopt);
    Run("Эффекты", "Оттенки одного цвета");
    EXPECT_EQ(platform.TextsOf("ColorDialog").back(), "77BFC8"); // 7847880: red 200, green 191, blue 119
    EXPECT_TRUE(SamePixels(f->Doc.Base(), start));
    EXPECT_EQ(f->Doc.History.UndoKind, kHistEffect); // the recorded step stands

    // Black stays black whatever the colour; white takes it, then Brighten 70.
    TBitmap32 two(2, 1);
    two.SetPixel(0, 0, clBlack32);
    two.SetPixel(1, 0, clWhite32);
    Load(two);
    platform.ColorAnswers.push_back(TWinColor(0x00204080)); // red 0x80, green 0x40, blue 0x20
    Run("Эффекты", "Оттенки одного цвета");
    EXPECT_EQ(f->Doc.Base().Pixel(0, 0), clBlack32);
    // 128 + 8960 div 255 = 163; 64 + 17 = 81; 32 + 8 = 40.
    EXPECT_EQ(f->Doc.Base().Pixel(1, 0), Color32(163, 81, 40));
    f->UndoClick();
    EXPECT_TRUE(SamePixels(f->Doc.Base(), two));
}

// ---- Batch steps: ranges ------------------------------------------------------------------------

TEST_F(AdjustFixture, BatchStepsRefuseValuesOutsideTheDialogsRanges) {
    Load(Picture(3, 3));
    const TBitmap32 start = f->Doc.Base();
    using test::ErrorOf;
    EXPECT_EQ(ErrorOf([&] { RunColourBalance(*f, 51, 0, 0, TBalanceMode::Speed); }),
              "Значения баланса могут лежать в диапазоне от -50 до 50.");
    EXPECT_NE(ErrorOf([&] { RunBrightnessContrast(*f, 0, -201); }), "");
    EXPECT_NE(ErrorOf([&] { RunRotate(*f, 45); }), "");
    EXPECT_NE(ErrorOf([&] { RunImageSize(*f, 0, 10, 0); }), "");
    EXPECT_NE(ErrorOf([&] { RunImageSize(*f, 10, 10, 3); }), "");
    EXPECT_TRUE(SamePixels(f->Doc.Base(), start));
    EXPECT_EQ(f->Doc.History.UndoKind, kHistNone);
    RunColourBalance(*f, 0, 0, -50, TBalanceMode::Quality);
    EXPECT_EQ(BlueComponent(f->Doc.Base().Pixel(0, 0)), 7 - 7 * 100 / 255);
}

} // namespace
} // namespace kv
