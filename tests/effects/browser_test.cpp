// The effects catalog: sample sizes, the nine sample files and where they go, and applying an
// item to the base picture by its file name.
#include "effects/browser.h"

#include "core/codecs/codecs.h"
#include "core/error.h"
#include "document/history.h"
#include "effects/effect_commands.h"
#include "effects/effects.h"
#include "tests/effects/effect_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kv {
namespace {

namespace fs = std::filesystem;
using testing::SamePixels;
using testing::Through24;

TBitmap32 Photo(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32((x * 41 + y * 3) & 255, (x * 7 + y * 23) & 255, (x ^ y) & 255, 200));
    return b;
}

TEST(BrowserSampleSize, FitsTheWidthAndLimitsTheHeight) {
    struct Case {
        const char* name;
        int w, h, sw, sh;
    };
    const Case cases[] = {
        {"Wide picture", 200, 50, 100, 25},
        {"Half rounds to even", 200, 25, 100, 12}, // 12.5
        {"Very wide picture keeps one row", 1000, 1, 100, 1},
        {"Exactly 1:10 is not limited", 100, 1000, 100, 1000},
        {"Tall picture fits 1000 high", 3, 1000, 3, 1000},
        {"Very tall picture keeps one column", 1, 100000, 1, 1000},
        {"Tall, width rounded", 7, 2000, 4, 1000}, // 3.5
        {"Empty picture", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TExtent e = BrowserSampleSize(c.w, c.h);
        EXPECT_EQ(e.Width, c.sw);
        EXPECT_EQ(e.Height, c.sh);
    }
}

struct BrowserFixture : testing::EffectFormFixture {
    int SelectByName(const std::string& name) {
        TTHumbview& v = fx->Browser.FView;
        for (int i = 0; i < v.Count(); ++i)
            if (v.Entry(i).Title == name) {
                v.SetSelected(i);
                return i;
            }
        return -1;
    }
};

int BmpBitCount(const fs::path& p) {
    const codecs::Bytes b = codecs::ReadWholeFile(p.string());
    return b.size() > 29 ? b[28] | (b[29] << 8) : -1;
}

TEST_F(BrowserFixture, ActivationWritesTheNineSamplesAndListsThem) {
    const TBitmap32 pic = Photo(200, 50);
    TMainForm& f = StartWith(pic);
    platform.ModalScripts.push_back([&](TDialogModel& d) {
        EXPECT_EQ(d.DialogName(), "TBrowser");
        return TModalResult::Cancel;
    });
    f.MenuOpened("Эффекты");
    f.FindItem("Эффекты", "Каталог эффектов")->Handler(f);
    const fs::path folder = Prog("EXAMPLES/BROWSER");
    std::vector<std::string> titles;
    for (int i = 0; i < fx->Browser.FView.Count(); ++i)
        titles.push_back(fx->Browser.FView.Entry(i).Title);
    EXPECT_EQ(titles, BrowserSampleNames());
    for (const std::string& name : BrowserSampleNames()) {
        SCOPED_TRACE(name);
        const bool wide = name == "Contrast.bmp" || name == "Invert.bmp";
        EXPECT_EQ(BmpBitCount(folder / name), wide ? 32 : 24);
        const TBitmap32 sample = codecs::LoadPicture((folder / name).string());
        EXPECT_EQ(sample.Width(), 100);
        EXPECT_EQ(sample.Height(), 25);
    }
    // The blur sample is the reduced picture blurred once at distance 1.
    TBitmap32 small(100, 25);
    StretchTransfer(small, TRect{0, 0, 100, 25}, pic, TRect{0, 0, 200, 50});
    const TBitmap32 blurred = Through24(small, [](Bitmap24& b) { DiagonalBlur(b, 1); });
    EXPECT_TRUE(SamePixels(codecs::LoadPicture((folder / "Blur.bmp").string()), blurred));
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone); // Cancel applies nothing
    EXPECT_TRUE(SamePixels(f.Doc.Base(), pic));
}

TEST_F(BrowserFixture, SamplesGoToTheUserDataFolderWhenTheProgramFolderIsReadOnly) {
    TMainForm& f = StartWith(Photo(30, 30));
    f.Folders.ProgramWritable = false;
    f.Folders.UserData = dir / "userdata";
    fx->Browser.FormActivate();
    EXPECT_TRUE(Exists((dir / "userdata/EXAMPLES/BROWSER/Wave.bmp").string()));
    EXPECT_FALSE(Exists(Prog("EXAMPLES")));
    EXPECT_EQ(fx->Browser.FView.Count(), 9);
}

TEST_F(BrowserFixture, AWriteFailureStopsBeforeTheCatalogOpens) {
    TMainForm& f = StartWith(Photo(30, 30));
    WriteText(Prog("EXAMPLES"), "not a folder");
    EXPECT_THROW(fx->BrowserClick(), Error);
    EXPECT_EQ(platform.CountOf("ShowModal"), 0);
    EXPECT_EQ(fx->Browser.FView.Count(), 0);
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
}

TEST_F(BrowserFixture, EmptyDocumentOpensNothing) {
    Start();
    fx = std::make_unique<TEffectCommands>(*form);
    fx->BrowserClick();
    EXPECT_EQ(platform.CountOf("ShowModal"), 0);
    EXPECT_FALSE(Exists(Prog("EXAMPLES")));
}

// Each item against its effect on the base picture; "Contrast" and "Invert" keep the alpha, the
// others come back opaque.
TEST_F(BrowserFixture, ItemsApplyTheirEffectByFileName) {
    const TBitmap32 pic = Photo(40, 120);
    TMainForm& f = StartWith(pic);
    fx->Browser.FormActivate();
    auto via24 = [&](std::function<void(Bitmap24&)> fn) { return Through24(pic, fn); };
    TBitmap32 contrast(pic), invert(pic);
    Contrast(contrast, 90);
    InvertRGB(&invert, &invert);
    const std::pair<const char*, TBitmap32> cases[] = {
        {"Blur.bmp", via24([](Bitmap24& b) { DiagonalBlur(b, 1); })},
        {"Contrast.bmp", contrast},
        {"GrayScale.bmp", via24([](Bitmap24& b) { ToGreyscale(b); })},
        {"Invert.bmp", invert},
        {"Mosaic.bmp", via24([](Bitmap24& b) { BlockMosaic(b, 5); })},
        {"Wave.bmp", via24([](Bitmap24& b) { WaveShift(b, 27, 20, 1); })},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        f.Doc.SetBasePixels(pic);
        f.Doc.History.ClearSteps();
        ASSERT_GE(SelectByName(name), 0);
        fx->Browser.OKClick();
        EXPECT_TRUE(SamePixels(f.Doc.Base(), expected));
        EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, expected));
        EXPECT_EQ(f.Doc.History.UndoKind, kHistEffect);
        EXPECT_TRUE(SamePixels(f.Doc.History.UndoPicture, pic));
    }
    // The noise items draw from the shared source in the routine's order.
    f.Doc.SetBasePixels(pic);
    SelectByName("Color Noise.bmp");
    SetRandomState(5);
    const TBitmap32 noisy = via24([](Bitmap24& b) { ChannelNoise(b, 70); });
    SetRandomState(5);
    fx->Browser.OKClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), noisy));
}

TEST_F(BrowserFixture, DoubleClickAppliesAndClosesAndBlurTwiceIsTwoSteps) {
    const TBitmap32 pic = Photo(30, 20);
    TMainForm& f = StartWith(pic);
    int closed = 0;
    fx->Browser.OnClose = [&](TModalResult r) {
        EXPECT_EQ(r, TModalResult::Ok);
        ++closed;
    };
    fx->Browser.FormActivate();
    SelectByName("Blur.bmp");
    fx->Browser.FViewDblClick();
    const TBitmap32 once = f.Doc.Base();
    fx->Browser.FViewDblClick();
    EXPECT_EQ(closed, 2);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), Through24(once, [](Bitmap24& b) { DiagonalBlur(b, 1); })));
    f.UndoClick();
    EXPECT_TRUE(SamePixels(f.Doc.Base(), once)); // the second application was its own step
}

TEST_F(BrowserFixture, NoSelectionOrAForeignFileAppliesNothing) {
    const TBitmap32 pic = Photo(30, 20);
    TMainForm& f = StartWith(pic);
    f.Doc.MarkBaseFramed();
    fx->Browser.FormActivate();
    fx->Browser.FView.SetSelected(-1);
    fx->Browser.OKClick();
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    // A stray picture in the folder sorts among the samples but stands for no effect.
    codecs::SaveBMP24(Photo(5, 5), Prog("EXAMPLES/BROWSER/Cat.bmp"));
    fx->Browser.FormActivate();
    ASSERT_EQ(fx->Browser.FView.Count(), 10);
    ASSERT_GE(SelectByName("Cat.bmp"), 0);
    fx->Browser.OKClick();
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), pic));
    // With the frame marker set the clean photo stays.
    const TBitmap32 clean = f.Doc.CleanPhoto;
    SelectByName("Invert.bmp");
    fx->Browser.OKClick();
    EXPECT_FALSE(SamePixels(f.Doc.Base(), pic));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, clean));
}

} // namespace
} // namespace kv
