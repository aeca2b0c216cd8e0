// The effect dispatcher, the layer-alpha rule, the preview/cancel protocol of the effect dialogs,
// the sharpen and blur commands, the menu binding and the headless entry points, driven through a
// main window on the scripted platform.
#include "effects/effect_commands.h"

#include "core/error.h"
#include "document/history.h"
#include "effects/effects.h"
#include "effects/sharpen.h"
#include "tests/effects/effect_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace kv {
namespace {

using testing::SamePixels;
using testing::Through24;

// Opaque pixels with varied colours (every channel changes from pixel to pixel).
TBitmap32 Photo(int w, int h, int seed = 3) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       Color32((x * 37 + y * 11 + seed) & 255, (x * 5 + y * 29 + 2 * seed) & 255,
                               (x * y + 7 * seed) & 255, 255));
    return b;
}

std::vector<std::uint8_t> Alphas(const TBitmap32& b) {
    std::vector<std::uint8_t> a;
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        a.push_back(std::uint8_t(b.Bits()[i] >> 24));
    return a;
}

struct EffectsFixture : testing::EffectFormFixture {
    // A layer whose alpha falls off towards the right (0 in the last column, 255 in the first).
    TBitmapLayer& SoftLayer(int w, int h) {
        TBitmapLayer& l = form->Doc.Layers().Add<TBitmapLayer>();
        TBitmap32 pic = Photo(w, h, 9);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pic.SetPixel(x, y, SetAlpha(pic.Pixel(x, y), 255 - 255 * x / (w - 1)));
        l.Bitmap.Assign(pic);
        l.Bitmap.SetDrawMode(dmBlend);
        l.SetLocation(TFloatRect{0, 0, float(w), float(h)});
        form->Doc.Select(&l);
        return l;
    }
    void Script(std::function<TModalResult(TDialogModel&)> fn) {
        platform.ModalScripts.push_back(std::move(fn));
    }
};

// Every key against its routine with the arguments the key stands for. The picture is 250 wide,
// so the rounded arguments fall on halves (250 / 100 = 2.5 -> 2, 250 / 20 = 12.5 -> 12).
TEST_F(EffectsFixture, EveryKeyRunsItsRoutineWithRoundedArguments) {
    const TBitmap32 pic = Photo(250, 90);
    StartWith(pic);
    fx->SprayWin.Value = 9;
    fx->Marb.Scal = 4;
    fx->Marb.Freq = 17;
    fx->Waves.Value = 6;
    fx->Waves.Interf = 3;
    fx->Waves.Nu = 2;
    fx->Posta.Value = 40;
    fx->Fractal.Threshold = 12;
    struct Case {
        const char* key;
        std::function<void(Bitmap24&)> routine;
    };
    const Case cases[] = {
        {"spray", [](Bitmap24& b) { ScatterPixels(b, 9); }},
        {"textur",
         [](Bitmap24& b) {
             Bitmap24 d;
             RainDropWarp(b, d, 17, 4.0);
             b = d;
         }},
        {"invert", [](Bitmap24& b) { InvertChannels(b); }},
        {"mosa", [](Bitmap24& b) { BlockMosaic(b, 2); }},
        {"emboss", [](Bitmap24& b) { EmbossRelief(b); }},
        {"button", [](Bitmap24& b) { BevelButton(b, 12, 8); }},
        {"fractal", [](Bitmap24& b) { FractalOverlay(b, 12); }},
        {"oval", [](Bitmap24& b) { OvalMatte(b, 255, 0, 255); }},
        {"ripple_7", [](Bitmap24& b) { SawtoothRipple(b, 36); }},
        {"ripple_12", [](Bitmap24& b) { SawtoothRipple(b, 21); }},
        {"ripple_24", [](Bitmap24& b) { SawtoothRipple(b, 10); }},
        {"wave", [](Bitmap24& b) { WaveShift(b, 6, 3, 2); }},
        {"post",
         [](Bitmap24& b) {
             Bitmap24 d;
             PosterizeLevels(b, d, 40);
             b = d;
         }},
    };
    ASSERT_EQ(std::size(cases), TEffectCommands::EffectKeys().size());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        form->Doc.SetBasePixels(pic);
        SetRandomState(77);
        const TBitmap32 expected = Through24(pic, c.routine);
        SetRandomState(77);
        fx->ApplyEffect(c.key);
        EXPECT_TRUE(SamePixels(form->Doc.Base(), expected));
        EXPECT_FALSE(SamePixels(form->Doc.Base(), pic)) << "the effect changed nothing";
        EXPECT_TRUE(SamePixels(form->EffectSnapshot, pic));
        EXPECT_EQ(form->Doc.History.UndoKind, kHistNone); // the dispatcher records nothing
    }
}

TEST_F(EffectsFixture, UnknownKeyIsRefusedAndChangesNothing) {
    const TBitmap32 pic = Photo(20, 10);
    StartWith(pic);
    for (const char* key : {"Mosa", "mosaic", "", "sharpen"}) {
        SCOPED_TRACE(key);
        EXPECT_THROW(fx->ApplyEffect(key), Error);
        EXPECT_THROW(fx->PlainCommand(key, true), Error);
        EXPECT_THROW(fx->RunEffect(key), Error);
        EXPECT_TRUE(SamePixels(form->Doc.Base(), pic));
        EXPECT_TRUE(form->EffectSnapshot.Empty());
        EXPECT_EQ(form->Doc.History.UndoKind, kHistNone);
    }
}

// A layer keeps exactly its transparency except under "fractal" and "oval"; the colours of fully
// transparent pixels change like any others.
TEST_F(EffectsFixture, LayerKeepsItsAlphaExceptUnderFractalAndOval) {
    StartWith(Photo(64, 48));
    const TBitmap32 base = form->Doc.Base();
    TBitmapLayer& layer = SoftLayer(60, 40);
    const TBitmap32 original = layer.Bitmap;
    const std::vector<std::uint8_t> alpha = Alphas(original);
    fx->Waves.Value = 3;
    for (const std::string& key : TEffectCommands::EffectKeys()) {
        SCOPED_TRACE(key);
        layer.Bitmap.Assign(original);
        fx->ApplyEffect(key);
        const bool opaque = key == "fractal" || key == "oval";
        if (opaque)
            EXPECT_EQ(Alphas(layer.Bitmap), std::vector<std::uint8_t>(alpha.size(), 255));
        else
            EXPECT_EQ(Alphas(layer.Bitmap), alpha);
        EXPECT_TRUE(SamePixels(form->EffectSnapshot, original));
        EXPECT_TRUE(SamePixels(form->Doc.Base(), base)); // the base picture is not the target
    }
    layer.Bitmap.Assign(original);
    fx->ApplyEffect("invert");
    const TColor32 before = original.Pixel(59, 5), after = layer.Bitmap.Pixel(59, 5);
    EXPECT_EQ(AlphaComponent(after), 0u);
    EXPECT_EQ(after & 0xFFFFFFu, (before ^ 0xFFFFFFu) & 0xFFFFFFu);
    // The alpha store holds the layer's alpha as grey.
    EXPECT_EQ(form->AlphaStore.Pixel(30, 7), Gray32(alpha[7 * 60 + 30], 255));
}

TEST_F(EffectsFixture, NoiseKindsDrawFromTheSharedSourceAndKeepLayerAlpha) {
    const TBitmap32 pic = Photo(30, 20);
    StartWith(pic);
    struct Case {
        const char* kind;
        std::function<void(Bitmap24&)> routine;
    };
    for (const Case& c : {Case{"color", [](Bitmap24& b) { ChannelNoise(b, 50); }},
                          Case{"mona", [](Bitmap24& b) { GreyNoise(b, 60); }}}) {
        SCOPED_TRACE(c.kind);
        form->Doc.SetBasePixels(pic);
        form->Doc.CleanPhoto.Assign(pic);
        SetRandomState(0);
        const TBitmap32 expected = Through24(pic, c.routine);
        SetRandomState(0);
        fx->NoiseCommand(c.kind);
        EXPECT_TRUE(SamePixels(form->Doc.Base(), expected));
        EXPECT_EQ(form->Doc.History.UndoKind, kHistEffect);
        EXPECT_TRUE(SamePixels(form->Doc.CleanPhoto, pic)); // the noise commands leave it
        EXPECT_TRUE(form->EffectSnapshot.Empty());
    }
    TBitmapLayer& layer = SoftLayer(10, 10);
    const std::vector<std::uint8_t> alpha = Alphas(layer.Bitmap);
    fx->ApplyNoise("mona");
    EXPECT_EQ(Alphas(layer.Bitmap), alpha);
    EXPECT_THROW(fx->RunNoise("mod"), Error);
}

// "Мозаика" below 150 pixels wide changes nothing but still records a step; one undo restores the
// picture before a real change, and the clean photo follows unless a frame is drawn in.
TEST_F(EffectsFixture, MenuCommandsRecordOneStepAndRefreshTheCleanPhoto) {
    const TBitmap32 narrow = Photo(149, 30);
    TMainForm& f = StartWith(narrow);
    f.MenuOpened("Эффекты");
    ASSERT_TRUE(f.ItemEnabled("Эффекты", "Мозаика"));
    f.FindItem("Эффекты", "Мозаика")->Handler(f);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), narrow));
    EXPECT_EQ(f.Doc.History.UndoKind, kHistEffect);
    EXPECT_TRUE(f.EffectSnapshot.Empty());

    const TBitmap32 wide = Photo(300, 40);
    f.Doc.SetBasePixels(wide);
    f.FindItem("Эффекты", "Мозаика")->Handler(f);
    const TBitmap32 mosaic = Through24(wide, [](Bitmap24& b) { BlockMosaic(b, 3); });
    EXPECT_TRUE(SamePixels(f.Doc.Base(), mosaic));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, mosaic));
    f.UndoClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), wide));
    f.RedoClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), mosaic));

    f.Doc.MarkBaseFramed();
    const TBitmap32 clean = f.Doc.CleanPhoto;
    f.FindItem("Эффекты", "Обратить цвета")->Handler(f);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(mosaic, [](Bitmap24& b) { InvertChannels(b); })));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, clean));
}

TEST_F(EffectsFixture, EveryMenuItemIsBoundAndDisabledOnAnEmptyDocument) {
    TMainForm& f = Start();
    TEffectCommands commands(f);
    const char* items[] = {"Быстрая резкость",
                           "Настройка резкости",
                           "Быстрое размытие",
                           "Настройка размытия",
                           "Разбрызгивание",
                           "Мозаика",
                           "Волна",
                           "Обратить цвета",
                           "Каталог эффектов"};
    f.MenuOpened("Эффекты");
    for (const char* c : items) {
        SCOPED_TRACE(c);
        ASSERT_NE(f.FindItem("Эффекты", c), nullptr);
        EXPECT_TRUE(bool(f.FindItem("Эффекты", c)->Handler));
        EXPECT_FALSE(f.ItemEnabled("Эффекты", c));
        // Run anyway (a stale shortcut): nothing happens and no dialog opens.
        f.FindItem("Эффекты", c)->Handler(f);
    }
    EXPECT_EQ(platform.CountOf("ShowModal"), 0);
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    f.Doc.SetBasePixels(Photo(8, 8));
    f.MenuOpened("Эффекты");
    for (const char* c : items)
        EXPECT_TRUE(f.ItemEnabled("Эффекты", c)) << c;
}

TEST_F(EffectsFixture, PreviewTwiceThenCancelRestoresThePicture) {
    const TBitmap32 pic = Photo(40, 60);
    TMainForm& f = StartWith(pic);
    Script([&](TDialogModel& d) {
        auto& w = dynamic_cast<TWaves&>(d);
        w.Value = 5;
        w.PreviewClick();
        EXPECT_FALSE(SamePixels(f.Doc.Base(), pic));
        EXPECT_TRUE(SamePixels(f.EffectSnapshot, pic));
        w.Value = 9;
        w.PreviewClick();
        EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(pic, [](Bitmap24& b) { WaveShift(b, 9, 1, 0); })));
        w.CancelClick();
        return TModalResult::Cancel;
    });
    fx->WaveClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), pic));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, pic));
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    EXPECT_TRUE(f.EffectSnapshot.Empty());
    EXPECT_EQ(fx->Waves.Value, 9); // the dialog keeps its values
}

TEST_F(EffectsFixture, PreviewThenOkAppliesTheFinalSettingsOnceAndUndoesInOneStep) {
    const TBitmap32 pic = Photo(40, 60);
    TMainForm& f = StartWith(pic);
    fx->Waves.Nu = 2;
    Script([&](TDialogModel& d) {
        auto& w = dynamic_cast<TWaves&>(d);
        EXPECT_EQ(w.Nu, 0); // "Низкая" again on every showing
        w.Value = 4;
        w.Interf = 7;
        w.Nu = 1;
        w.PreviewClick();
        w.Value = 6;
        return TModalResult::Ok;
    });
    fx->WaveClick();
    const TBitmap32 expected = Through24(pic, [](Bitmap24& b) { WaveShift(b, 6, 7, 1); });
    EXPECT_TRUE(SamePixels(f.Doc.Base(), expected));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, expected)); // "Волна" refreshes it
    EXPECT_TRUE(f.EffectSnapshot.Empty());
    f.UndoClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), pic));
}

// Dialog commands of keys without a menu item leave the clean photo as it was.
TEST_F(EffectsFixture, DialogCommandsOfTheOtherKeys) {
    const TBitmap32 pic = Photo(50, 30);
    TMainForm& f = StartWith(pic);
    struct Case {
        TEffectDialog* dialog;
        std::function<void(Bitmap24&)> routine;
    };
    const Case cases[] = {
        {&fx->Posta,
         [](Bitmap24& b) {
             Bitmap24 d;
             PosterizeLevels(b, d, 1);
             b = d;
         }},
        {&fx->Marb,
         [](Bitmap24& b) {
             Bitmap24 d;
             RainDropWarp(b, d, 210, 10.0);
             b = d;
         }},
        {&fx->Fractal, [](Bitmap24& b) { FractalOverlay(b, 10); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialog->DialogName());
        f.Doc.SetBasePixels(pic);
        Script([](TDialogModel&) { return TModalResult::Ok; });
        fx->DialogCommand(*c.dialog);
        EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(pic, c.routine)));
        EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, pic));
        EXPECT_EQ(f.Doc.History.UndoKind, kHistEffect);
    }
    EXPECT_EQ(platform.TextsOf("ShowModal"), (std::vector<std::string>{"TPosta", "TMarb", "TFractal"}));
}

TEST_F(EffectsFixture, QuickSharpenSetsTheDialogToFive) {
    const TBitmap32 pic = Photo(12, 9);
    TMainForm& f = StartWith(pic);
    fx->QuickSharpenClick();
    const TBitmap32 sharp5 = Through24(pic, [](Bitmap24& b) {
        Bitmap24 d;
        Sharpen3x3(b, d, 5);
        b = d;
    });
    EXPECT_TRUE(SamePixels(f.Doc.Base(), sharp5));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, sharp5));
    EXPECT_EQ(f.Doc.History.UndoKind, kHistEffect);
    int shownWith = 0;
    Script([&](TDialogModel& d) {
        shownWith = dynamic_cast<TEffect&>(d).Value;
        return TModalResult::Cancel;
    });
    fx->SharpenSettingsClick();
    EXPECT_EQ(shownWith, 5);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), sharp5));
}

// A picture too small for the 3 x 3 cross is refused with the routine's message; the picture, the
// clean photo and the earlier undo step stay, and no snapshot is left behind to be restored later.
TEST_F(EffectsFixture, SharpenRefusalKeepsThePicture) {
    const TBitmap32 pic = Photo(2, 5);
    TMainForm& f = StartWith(pic);
    fx->InvertClick(); // an earlier step the refusal must not replace
    const TBitmap32 inverted = f.Doc.Base();
    try {
        fx->QuickSharpenClick();
        FAIL() << "no refusal";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Bitmap must be at least 3x3");
    }
    EXPECT_TRUE(SamePixels(f.Doc.Base(), inverted));
    EXPECT_TRUE(f.EffectSnapshot.Empty());
    EXPECT_THROW(fx->RunSharpen(4), Error);
    Script([](TDialogModel&) { return TModalResult::Ok; });
    EXPECT_THROW(fx->SharpenSettingsClick(), Error);
    EXPECT_TRUE(SamePixels(f.Doc.History.UndoPicture, pic));
    // The refusal happens inside the dialog's preview too; the dialog stays usable.
    Script([&](TDialogModel& d) {
        EXPECT_THROW(dynamic_cast<TEffect&>(d).PreviewClick(), Error);
        return TModalResult::Cancel;
    });
    fx->SharpenSettingsClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), inverted));
    f.UndoClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), pic));
}

TEST_F(EffectsFixture, BlurCommands) {
    const TBitmap32 pic = Photo(30, 30);
    TMainForm& f = StartWith(pic);
    fx->DeFoc.Value = 7;
    fx->QuickBlurClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(pic, [](Bitmap24& b) { DiagonalBlur(b, 1); })));
    EXPECT_EQ(fx->DeFoc.Value, 1);
    EXPECT_TRUE(fx->DeFoc.Ras);

    f.Doc.SetBasePixels(pic);
    Script([](TDialogModel& d) {
        dynamic_cast<TDeFoc&>(d).Ras = false;
        return TModalResult::Ok;
    });
    fx->BlurSettingsClick();
    const TBitmap32 twoPasses = Through24(pic, [](Bitmap24& b) {
        DiagonalBlur(b, 3);
        DiagonalBlur(b, 3);
    });
    EXPECT_TRUE(SamePixels(f.Doc.Base(), twoPasses));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, twoPasses));
    f.UndoClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), pic));
}

TEST_F(EffectsFixture, HeadlessRunsEqualTheConfirmedDialogs) {
    const TBitmap32 pic = Photo(60, 70);
    TMainForm& f = StartWith(pic);
    Script([](TDialogModel& d) {
        auto& w = dynamic_cast<TWaves&>(d);
        w.Value = 5;
        w.Interf = 4;
        w.Nu = 1;
        return TModalResult::Ok;
    });
    fx->WaveClick();
    const TBitmap32 byHand = f.Doc.Base();
    f.Doc.SetBasePixels(pic);
    fx->RunEffect("wave", {{"TWaves.Value", "5"}, {"TWaves.Interf", "4"}, {"TWaves.Nu", "Средняя"}});
    EXPECT_TRUE(SamePixels(f.Doc.Base(), byHand));
    EXPECT_EQ(f.Doc.History.UndoKind, kHistEffect);

    f.Doc.SetBasePixels(pic);
    fx->RunSharpen(3);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(pic, [](Bitmap24& b) {
                               Bitmap24 d;
                               Sharpen3x3(b, d, 3);
                               b = d;
                           })));
    f.Doc.SetBasePixels(pic);
    fx->RunBlur(2, false);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(pic, [](Bitmap24& b) { DiagonalBlurPasses(b, 2); })));
    f.Doc.SetBasePixels(pic);
    fx->RunEffect("fractal", {{"TFractal.Threshold", "3"}});
    EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(pic, [](Bitmap24& b) { FractalOverlay(b, 3); })));
    EXPECT_EQ(platform.CountOf("ShowModal"), 1);
}

TEST_F(EffectsFixture, HeadlessParametersAreChecked) {
    const TBitmap32 pic = Photo(10, 10);
    TMainForm& f = StartWith(pic);
    const std::pair<const char*, const char*> bad[] = {
        {"TSprayWin.Value", "0"},
        {"TSprayWin.Value", "101"},
        {"TWaves.Interf", "16"},
        {"TWaves.Nu", "3"},
        {"TWaves.Nu", "низкая"},
        {"TMarb.Freq", "12x"},
        {"TMarb.Scal", ""},
        {"TPosta.Value", "-1"},
        {"TFractal.Threshold", "65"},
        {"TSprayWin.Amount", "5"},
        {"Value", "5"},
    };
    for (const auto& [name, value] : bad) {
        SCOPED_TRACE(std::string(name) + "=" + value);
        EXPECT_THROW(fx->RunEffect("spray", {{name, value}}), Error);
    }
    EXPECT_THROW(fx->RunSharpen(1), Error);
    EXPECT_THROW(fx->RunSharpen(6), Error);
    EXPECT_THROW(fx->RunBlur(0, true), Error);
    EXPECT_THROW(fx->RunBlur(101, false), Error);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), pic));
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    // The ranges' ends are accepted.
    fx->SetParam("TMarb.Freq", "300");
    fx->SetParam("TWaves.Nu", "Высокая");
    EXPECT_EQ(fx->Marb.Freq, 300);
    EXPECT_EQ(fx->Waves.Nu, 2);
}

TEST(RandomSource, EachThreadHasItsOwnState) {
    SetRandomState(12345);
    std::vector<std::uint32_t> a, b;
    auto run = [](std::vector<std::uint32_t>& out) {
        EXPECT_EQ(RandomState(), 0u); // a new thread starts at 0
        for (int i = 0; i < 100; ++i)
            out.push_back(NextRandom(1000));
    };
    std::thread t1(run, std::ref(a)), t2(run, std::ref(b));
    t1.join();
    t2.join();
    EXPECT_EQ(a, b);
    EXPECT_EQ(RandomState(), 12345u);
    SetRandomState(0);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(NextRandom(1000), a[std::size_t(i)]);
}

} // namespace
} // namespace kv
