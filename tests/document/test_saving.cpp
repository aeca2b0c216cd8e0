#include "core/error.h"
#include "document/project.h"
#include "document/saving.h"
#include "tests/document/form_fixture.h"

using namespace kv;
using namespace kv::testing;

namespace {

struct Saving : FormFixture {
    std::string source;
    // A document opened from a file, with a half-transparent pixel, then edited (modified).
    TMainForm& StartWithPicture(const std::string& name = "src.bmp") {
        Start();
        source = MakePicture(name, Picture(6, 4));
        Open(source);
        form->Doc.Base().SetPixel(1, 1, 0x00ABCDEFu);
        form->Doc.Base().Changed(); // direct pixel access does not notify
        EXPECT_TRUE(form->Doc.IsModified());
        return *form;
    }
    // Scripts the JPEG or GIF dialog: `press` says whether its save button is used.
    template <class Dialog> void ScriptDialog(bool press, std::function<void(Dialog&)> set = {}) {
        platform.ModalScripts.push_back([press, set](TDialogModel& d) {
            auto& dlg = dynamic_cast<Dialog&>(d);
            if (set) set(dlg);
            return press ? dlg.SaveButtonClick() : TModalResult::Cancel;
        });
    }
};

} // namespace

TEST_F(Saving, SaveWritesTheCompositeByExtensionInAnyCase) {
    StartWithPicture();
    TMainForm& f = *form;
    struct Case {
        const char* name;
        bool exactColours;
    } cases[] = {{"o.bmp", true},  {"o.BMP", true},   {"o.Png", true}, {"o.png", true},
                 {"o.jpg", false}, {"o.JPEG", false}, {"o.gif", true}};
    for (const Case& c : cases) {
        f.OpenDialogFileName = Path(c.name);
        f.Doc.Modified = kMarkModified;
        ASSERT_TRUE(f.SaveClick()) << c.name;
        EXPECT_FALSE(f.Doc.IsModified());
        const TBitmap32 back = codecs::LoadPicture(Path(c.name));
        EXPECT_EQ(back.Width(), 6) << c.name;
        if (c.exactColours) {
            EXPECT_EQ(back.Pixel(1, 1), 0xFFABCDEFu) << c.name; // the transparent pixel's own colour
            EXPECT_EQ(back.Pixel(3, 2), f.Doc.Base().Pixel(3, 2)) << c.name;
        }
    }
    EXPECT_EQ(platform.CountOf("SaveFileDialog"), 0);
    EXPECT_EQ(f.Doc.Composite.Width(), 0); // released after writing
}

TEST_F(Saving, SaveWithoutANameRunsSaveAsOnceAndStops) {
    StartWithPicture();
    TMainForm& f = *form;
    f.OpenDialogFileName.clear();
    SaveAnswer(Path("first"), 4);
    ASSERT_TRUE(f.SaveClick());
    EXPECT_EQ(platform.CountOf("SaveFileDialog"), 1);
    EXPECT_TRUE(Exists(Path("first.png")));
    EXPECT_FALSE(Exists(Path("first")));
    EXPECT_EQ(f.SaveDialogFileName, Path("first.png"));

    // A later "Сохранить..." writes the kept name without asking.
    f.Doc.Base().Clear(0xFF102030u);
    ASSERT_TRUE(f.SaveClick());
    EXPECT_EQ(platform.CountOf("SaveFileDialog"), 1);
    EXPECT_EQ(codecs::LoadPicture(Path("first.png")).Pixel(0, 0), 0xFF102030u);
}

TEST_F(Saving, SaveWithAnExtensionThatWritesNothingRunsSaveAs) {
    StartWithPicture();
    TMainForm& f = *form;
    for (const char* name : {"icon.ico", "noext", "pic.tif"}) {
        f.OpenDialogFileName = Path(name);
        platform.SaveAnswers.push_back(std::nullopt);
        f.Doc.Modified = kMarkModified;
        EXPECT_FALSE(f.SaveClick()) << name;
        EXPECT_TRUE(f.Doc.IsModified()) << name; // cancelled: still unsaved
        EXPECT_FALSE(Exists(Path(name)));
    }
    EXPECT_EQ(platform.CountOf("SaveFileDialog"), 3);
}

TEST_F(Saving, SaveOfAProjectNameWritesTheProject) {
    StartWithPicture();
    TMainForm& f = *form;
    TBitmapLayer& l = f.Doc.Layers().Add<TBitmapLayer>();
    l.Bitmap.Assign(Picture(2, 2, 5));
    l.SetLocation({1, 1, 3, 3});
    f.OpenDialogFileName = Path("work.QRV");
    ASSERT_TRUE(f.SaveClick());
    TProjectContent c = ReadProjectFile(Path("work.QRV"));
    EXPECT_TRUE(SamePixels(c.Base, f.Doc.Base()));
    ASSERT_EQ(c.Layers.size(), 1u);
    EXPECT_TRUE(SamePixels(c.Layers[0].Picture, l.Bitmap));
}

TEST_F(Saving, SaveAsAppendsTheExtensionOnlyWhenMissing) {
    StartWithPicture();
    TMainForm& f = *form;
    struct Case {
        const char* typed;
        int index;
        const char* written;
    } cases[] = {{"a", 1, "a.bmp"}, {"b.PNG", 4, "b.PNG"}, {"c.jpg", 4, "c.jpg.png"}, {"d", 5, "d.tif"}};
    for (const Case& c : cases) {
        SaveAnswer(Path(c.typed), c.index);
        f.Doc.Modified = kMarkModified;
        f.OpenDialogFileName = source;
        ASSERT_TRUE(f.SaveAsClick()) << c.typed;
        EXPECT_TRUE(Exists(Path(c.written))) << c.typed;
        EXPECT_EQ(f.SaveDialogFileName, Path(c.written));
        EXPECT_EQ(f.StatusPanel0, Path(c.written));
        EXPECT_EQ(f.Recent.Captions[0], Path(c.written));
        EXPECT_EQ(f.SaveDialogFilterIndex, c.index);
        EXPECT_TRUE(f.OpenDialogFileName.empty());
        EXPECT_FALSE(f.Doc.IsModified());
    }
    EXPECT_EQ(platform.SaveOptions.front().Filter, kSaveFilter);
    EXPECT_EQ(platform.SaveOptions.back().FilterIndex, 4); // the dialog keeps the last index
    const codecs::Bytes tif = codecs::ReadWholeFile(Path("d.tif"));
    ASSERT_GE(tif.size(), 4u);
    EXPECT_TRUE((tif[0] == 'I' && tif[1] == 'I') || (tif[0] == 'M' && tif[1] == 'M'));
}

TEST_F(Saving, CancelledSaveAsLeavesTheMarkAndWritesNothing) {
    StartWithPicture();
    platform.SaveAnswers.push_back(std::nullopt);
    EXPECT_FALSE(form->SaveAsClick());
    SaveAnswer("", 1);
    EXPECT_FALSE(form->SaveAsClick());
    EXPECT_TRUE(form->Doc.IsModified());
    EXPECT_EQ(form->Recent.Captions.size(), 1u);
}

TEST_F(Saving, JpegDialogWritesAtItsQualityOrCancelsTheWholeSave) {
    StartWithPicture();
    TMainForm& f = *form;
    SaveAnswer(Path("photo"), 2);
    ScriptDialog<TCompress>(false);
    EXPECT_FALSE(f.SaveAsClick());
    EXPECT_FALSE(Exists(Path("photo.jpg")));
    EXPECT_TRUE(f.Doc.IsModified());
    EXPECT_EQ(f.Recent.Captions.size(), 1u);

    SaveAnswer(Path("photo"), 2);
    ScriptDialog<TCompress>(true, [](TCompress& c) { c.TrackBar1Change(5); });
    ASSERT_TRUE(f.SaveAsClick());
    SaveAnswer(Path("best"), 2);
    ScriptDialog<TCompress>(true, [](TCompress& c) {
        EXPECT_EQ(c.Quality(), 5);
        c.UpDown1Change(100);
    });
    ASSERT_TRUE(f.SaveAsClick());
    EXPECT_EQ(platform.TextsOf("ShowModal"),
              (std::vector<std::string>{"TCompress", "TCompress", "TCompress"}));
    // Quality 5 gives a much smaller file than quality 100.
    EXPECT_LT(codecs::ReadWholeFile(Path("photo.jpg")).size(),
              codecs::ReadWholeFile(Path("best.jpg")).size());
    EXPECT_FALSE(f.Doc.IsModified());
}

TEST_F(Saving, GifDialogCountsColoursAndWritesTheChosenDepth) {
    StartWithPicture();
    TMainForm& f = *form;
    const int colours = codecs::CountDistinctColours(f.Doc.Base());
    SaveAnswer(Path("anim"), 3);
    std::string shown;
    ScriptDialog<TGifType>(true, [&](TGifType& g) {
        shown = g.InfoText;
        g.Choice = TGifType::Two;
    });
    ASSERT_TRUE(f.SaveAsClick());
    EXPECT_EQ(shown, "Данное изображение содержит " + std::to_string(colours) + " цветов.");
    EXPECT_LE(codecs::CountDistinctColours(codecs::LoadPicture(Path("anim.gif"))), 2);
    EXPECT_EQ(f.GifType.Choice, TGifType::Two); // kept for the next use

    SaveAnswer(Path("none"), 3);
    ScriptDialog<TGifType>(false);
    EXPECT_FALSE(f.SaveAsClick());
    EXPECT_FALSE(Exists(Path("none.gif")));
}

TEST_F(Saving, WritingOverAnotherExistingNameAsksFirst) {
    StartWithPicture();
    TMainForm& f = *form;
    const std::string target = MakePicture("old.png", Picture(2, 2));
    SaveAnswer(Path("old"), 4);
    platform.MessageAnswers.push_back(TMsgAnswer::Cancel);
    EXPECT_FALSE(f.SaveAsClick());
    EXPECT_EQ(codecs::LoadPicture(target).Width(), 2);
    EXPECT_EQ(platform.TextsOf("MessageBox").back(), "Файл " + target + " уже существует. Заменить его?");
    SaveAnswer(Path("old"), 4);
    platform.MessageAnswers.push_back(TMsgAnswer::Ok);
    EXPECT_TRUE(f.SaveAsClick());
    EXPECT_EQ(codecs::LoadPicture(target).Width(), 6);
    // The name the dialog confirmed itself is not asked about again.
    SaveAnswer(target, 4);
    EXPECT_TRUE(f.SaveAsClick());
    EXPECT_EQ(platform.CountOf("MessageBox"), 2);
}

TEST_F(Saving, ExportItemsPreselectTheirFilter) {
    StartWithPicture();
    for (int p = 0; p < 5; ++p) {
        platform.SaveAnswers.push_back(std::nullopt);
        form->ExportClick(p);
        EXPECT_EQ(platform.SaveOptions.back().FilterIndex, p + 1);
    }
    const TMenuItem* tiff = form->FindItem("Файл", "В формат TIFF");
    ASSERT_NE(tiff, nullptr);
    platform.SaveAnswers.push_back(std::nullopt);
    tiff->Handler(*form);
    EXPECT_EQ(platform.SaveOptions.back().FilterIndex, 5);
}

TEST_F(Saving, WriteFailureKeepsTheDocumentModified) {
    StartWithPicture();
    form->OpenDialogFileName = Path("no/such/folder/x.bmp");
    EXPECT_THROW(form->SaveClick(), Error);
    EXPECT_TRUE(form->Doc.IsModified());
    SaveAnswer(Path("no/such/folder/y"), 4);
    EXPECT_THROW(form->SaveAsClick(), Error);
    EXPECT_TRUE(form->Doc.IsModified());
    EXPECT_TRUE(form->SaveDialogFileName.empty());
}

TEST_F(Saving, EmptyDocumentSavesNothing) {
    Start();
    EXPECT_FALSE(form->SaveClick());
    EXPECT_FALSE(form->SaveAsClick());
    EXPECT_EQ(platform.CountOf("SaveFileDialog"), 0);
}

TEST(SaveDialogs, CompressKeepsGaugeAndUpDownEqual) {
    TCompress c;
    EXPECT_EQ(c.Quality(), 70);
    c.TrackBar1Change(33);
    EXPECT_EQ(c.UpDown1, 33);
    EXPECT_EQ(c.Edit1, "33");
    c.UpDown1Change(150);
    EXPECT_EQ(c.TrackBar1, 100);
    c.Edit1Change("42");
    EXPECT_EQ(c.TrackBar1, 42);
    EXPECT_EQ(c.Quality(), 42);
    for (const char* bad : {"", "0", "101", "4x", "-3"}) {
        c.Edit1Change(bad);
        EXPECT_EQ(c.Quality(), 42) << bad;
    }
}

TEST(SaveDialogs, DistinctColoursIgnoreAlpha) {
    TBitmap32 b(2, 2);
    b.SetPixel(0, 0, 0xFFFF0000u);
    b.SetPixel(1, 0, 0xFFFF0000u);
    b.SetPixel(0, 1, 0xFF0000FFu);
    b.SetPixel(1, 1, 0x00FF0000u);
    TGifType g;
    g.Source = &b;
    g.FormActivate();
    EXPECT_EQ(g.InfoText, "Данное изображение содержит 2 цветов.");
    EXPECT_EQ(g.Colours(), codecs::GifColours::Auto);
}

TEST(SaveDialogs, SaveKindsAndTargets) {
    EXPECT_EQ(SaveKindOf("a.JpEg"), TSaveKind::Jpeg);
    EXPECT_EQ(SaveKindOf("a.qrv"), TSaveKind::Project);
    EXPECT_EQ(SaveKindOf("a.tif"), TSaveKind::None);
    EXPECT_EQ(SaveKindOf("dir.png/a"), TSaveKind::None);
    EXPECT_EQ(SaveAsTarget("photo.jpg", 2), "photo.jpg");
    EXPECT_EQ(SaveAsTarget("photo.jpg", 4), "photo.jpg.png");
    EXPECT_EQ(SaveAsTarget("photo.TIF", 5), "photo.TIF");
}
