#include "core/error.h"
#include "document/history.h"
#include "document/opening.h"
#include "document/project.h"
#include "tests/document/form_fixture.h"

using namespace kv;
using namespace kv::testing;

namespace {
struct Opening : FormFixture {};
} // namespace

TEST_F(Opening, OpenFromTheDialogReplacesTheDocument) {
    Start();
    const std::string p = MakePicture("a.png", Picture(30, 20));
    Open(p);
    TMainForm& f = *form;
    EXPECT_EQ(platform.TextsOf("OpenFileDialog"), std::vector<std::string>{kOpenFilter});
    EXPECT_TRUE(SamePixels(f.Doc.Base(), Picture(30, 20)));
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, f.Doc.Base()));
    EXPECT_EQ(f.OpenDialogFileName, p);
    EXPECT_EQ(f.CurrentFileName(), p);
    EXPECT_EQ(f.Recent.Captions, std::vector<std::string>{p});
    EXPECT_EQ(f.Recent.MarkerIndex, 0);
    EXPECT_EQ(f.StatusPanel0, p);
    EXPECT_EQ(f.StatusPanel0Width, 888 - 400);
    EXPECT_EQ(f.StatusPanel1, "30x20");
    EXPECT_TRUE(f.Panel13Visible);
    EXPECT_TRUE(f.SidePanelVisible);
    EXPECT_TRUE(f.SidePanelChecked);
    EXPECT_FALSE(f.Doc.IsModified());
    EXPECT_TRUE(f.ItemEnabled("Файл", "Сохранить..."));
    EXPECT_TRUE(f.ItemEnabled("Файл", "Сохранить как..."));
    EXPECT_EQ(f.Doc.ImgView.Scale(), 1.0f); // smaller than the view: not fitted
}

TEST_F(Opening, ClearsLayersHistoryFrameMarkAndFitsLargePictures) {
    Start();
    TMainForm& f = *form;
    Open(MakePicture("small.bmp", Picture(10, 10)));
    f.Doc.Layers().Add<TBitmapLayer>();
    RecordEffectStep(f.Doc);
    f.Doc.MarkBaseFramed();
    f.Doc.Modified = kMarkClean;
    Open(MakePicture("big.bmp", Picture(1200, 300)));
    EXPECT_EQ(f.Doc.Layers().Count(), 0);
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    EXPECT_FALSE(f.Doc.BaseFramed());
    EXPECT_EQ(f.Doc.Selection(), nullptr);
    EXPECT_LT(f.Doc.ImgView.Scale(), 1.0f);
    EXPECT_FALSE(f.Doc.IsModified()); // fitting never marks the document
}

TEST_F(Opening, SaveItemStateFollowsTheExactExtensionLists) {
    Start();
    struct Case {
        const char* name;
        bool dialog, commandLine;
    } cases[] = {{"p.JPG", true, true},  {"p.Jpg", false, false}, {"p.png", true, false},
                 {"p.PNG", true, false}, {"p.bmp", true, true},   {"p.gif", true, true},
                 {"p.jpeg", true, true}, {"p.qrv", false, true},  {"p.QRV", false, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(SaveEnabledAfterOpen(c.name), c.dialog) << c.name;
        EXPECT_EQ(SaveEnabledAfterCommandLine(c.name), c.commandLine) << c.name;
    }
    // A mixed-case extension loads (the generic loader ignores case) but disables the item.
    const std::string p = Path("mixed.Jpg");
    codecs::SaveJPEG(Picture(8, 8), p, 90);
    Open(p);
    EXPECT_EQ(form->Doc.Base().Width(), 8);
    EXPECT_FALSE(form->ItemEnabled("Файл", "Сохранить..."));
    form->MenuOpened("Файл"); // the menu re-enables it for any picture
    EXPECT_TRUE(form->ItemEnabled("Файл", "Сохранить..."));
}

TEST_F(Opening, CancelledDialogChangesNothing) {
    Start();
    TMainForm& f = *form;
    Open(MakePicture("a.bmp", Picture(5, 5)));
    f.Doc.Base().Clear(0xFF000000u); // unsaved work
    ASSERT_TRUE(f.Doc.IsModified());
    platform.MessageAnswers.push_back(TMsgAnswer::No);
    platform.OpenAnswers.push_back(std::nullopt);
    f.OpenClick();
    EXPECT_EQ(f.Doc.Base().Pixel(0, 0), 0xFF000000u);
    EXPECT_TRUE(f.Doc.IsModified()); // still unsaved: closing asks again
    EXPECT_TRUE(f.Panel13Visible);
}

TEST_F(Opening, AskToSaveAnswers) {
    Start();
    TMainForm& f = *form;
    const std::string a = MakePicture("a.bmp", Picture(5, 5, 1));
    const std::string b = MakePicture("b.bmp", Picture(6, 6, 2));
    Open(a);
    f.Doc.Base().Clear(0xFF00FF00u);

    // Cancel: no dialog, the document and its mark stay.
    platform.MessageAnswers.push_back(TMsgAnswer::Cancel);
    f.OpenClick();
    EXPECT_EQ(platform.TextsOf("MessageBox"), std::vector<std::string>{kAskToSaveText});
    EXPECT_EQ(platform.CountOf("OpenFileDialog"), 1);
    EXPECT_TRUE(f.Doc.IsModified());

    // Yes: "Сохранить..." writes a.bmp first, then b opens.
    platform.MessageAnswers.push_back(TMsgAnswer::Yes);
    Open(b);
    EXPECT_EQ(codecs::LoadPicture(a).Pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(f.Doc.Base().Width(), 6);

    // Yes without any name: "Сохранить как..." is cancelled, so nothing opens.
    f.Doc.Base().Clear(0xFF0000FFu);
    f.OpenDialogFileName.clear();
    platform.MessageAnswers.push_back(TMsgAnswer::Yes);
    platform.SaveAnswers.push_back(std::nullopt);
    f.OpenClick();
    EXPECT_EQ(platform.CountOf("OpenFileDialog"), 2);
    EXPECT_TRUE(f.Doc.IsModified());
    EXPECT_EQ(f.Doc.Base().Pixel(0, 0), 0xFF0000FFu);
}

TEST_F(Opening, FailedOpenLeavesTheDocumentAsItWas) {
    Start();
    TMainForm& f = *form;
    const std::string a = MakePicture("a.bmp", Picture(5, 5));
    Open(a);
    TBitmapLayer& layer = f.Doc.Layers().Add<TBitmapLayer>();
    RecordEffectStep(f.Doc);
    f.Doc.Modified = kMarkClean;
    const std::string broken = Path("broken.png");
    WriteText(broken, "not a png at all");
    const std::string unknown = Path("x.xyz");
    WriteText(unknown, "data");
    const std::string badProject = Path("bad.qrv");
    WriteText(badProject, "garbage project bytes");
    for (const std::string& name : {broken, unknown, badProject, Path("missing.bmp")}) {
        platform.OpenAnswers.push_back(TFileDialogResult{name, 1});
        EXPECT_THROW(f.OpenClick(), Error) << name;
        EXPECT_EQ(f.Doc.Layers().Count(), 1);
        EXPECT_EQ(&f.Doc.Layers()[0], &layer);
        EXPECT_TRUE(SamePixels(f.Doc.Base(), Picture(5, 5)));
        EXPECT_EQ(f.Doc.History.UndoKind, kHistEffect);
        EXPECT_EQ(f.OpenDialogFileName, a);
        EXPECT_EQ(f.Recent.Captions, std::vector<std::string>{a});
    }
    platform.OpenAnswers.push_back(TFileDialogResult{unknown, 1});
    try {
        f.OpenClick();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unknown picture file extension (.xyz)");
    }
}

TEST_F(Opening, ProjectKeepsItsStoredBaseUnderTheLayersOnEveryPath) {
    Start();
    TMainForm& f = *form;
    TDocument src;
    src.Base().Assign(Picture(6, 4, 3));
    TBitmapLayer& l = src.Layers().Add<TBitmapLayer>();
    l.Bitmap.Assign(Picture(2, 2, 9));
    l.Bitmap.SetMasterAlpha(128);
    l.SetLocation({0, 0, 6, 4});
    const std::string p = Path("proj.QRV"); // upper case works on every path
    WriteProject(src, p);

    Open(p);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), src.Base())); // not the composite
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, src.Base()));
    ASSERT_EQ(f.Doc.Layers().Count(), 1);
    EXPECT_EQ(f.Doc.Selection(), nullptr);
    EXPECT_FALSE(f.ItemEnabled("Файл", "Сохранить..."));

    f.Doc.Layers().Clear();
    f.Doc.Modified = kMarkClean;
    f.RecentItemClick(0);
    EXPECT_EQ(f.Doc.Layers().Count(), 1);
    EXPECT_TRUE(SamePixels(f.Doc.Base(), src.Base()));

    TMainForm other(platform);
    other.FormCreate();
    other.OpenCommandLine({p});
    EXPECT_EQ(other.Doc.Layers().Count(), 1);
    EXPECT_TRUE(SamePixels(other.Doc.Base(), src.Base()));
    EXPECT_TRUE(other.ItemEnabled("Файл", "Сохранить..."));
}

TEST_F(Opening, RecentFileClick) {
    Start();
    TMainForm& f = *form;
    const std::string a = MakePicture("a.bmp", Picture(5, 5, 1));
    const std::string b = MakePicture("b.png", Picture(7, 3, 2));
    Open(a);
    Open(b);
    Open(a); // already listed: not moved
    ASSERT_EQ(f.Recent.Captions, (std::vector<std::string>{b, a}));
    f.RecentItemClick(0);
    EXPECT_EQ(f.Doc.Base().Width(), 7);
    EXPECT_EQ(f.OpenDialogFileName, b);
    EXPECT_EQ(f.Recent.MarkerIndex, 0);
    EXPECT_EQ(f.Recent.Captions, (std::vector<std::string>{b, a}));
    f.RecentItemClick(1);
    EXPECT_EQ(f.Recent.MarkerIndex, 1);
    EXPECT_EQ(f.StatusPanel1, "5x5");
    EXPECT_FALSE(f.Doc.IsModified());

    // A vanished file: the error shows and the current name stays.
    std::filesystem::remove(b);
    EXPECT_THROW(f.RecentItemClick(0), Error);
    EXPECT_EQ(f.OpenDialogFileName, a);
    EXPECT_EQ(f.Recent.MarkerIndex, 1);
    EXPECT_EQ(f.Doc.Base().Width(), 5);
}

TEST_F(Opening, PlaceholderClickDoesNothing) {
    Start();
    ASSERT_EQ(form->Recent.Captions, std::vector<std::string>{"Empty"});
    platform.ClearCalls();
    form->RecentItemClick(0);
    form->RecentItemClick(3);
    EXPECT_TRUE(platform.Calls.empty());
    EXPECT_TRUE(form->Doc.Empty());
}

TEST_F(Opening, CommandLineJoinsArgumentsAndStartsACleanHistory) {
    Start();
    TMainForm& f = *form;
    std::filesystem::create_directories(dir / "My");
    const std::string p = MakePicture("My/Photos a b.jpg", Picture(9, 9));
    const std::string first = (dir / "My").string() + "/Photos";
    RecordCanvasStep(f.Doc);
    f.OpenCommandLine({first, "a", "b.jpg"});
    EXPECT_EQ(f.OpenDialogFileName, p);
    EXPECT_EQ(f.Doc.Base().Width(), 9);
    EXPECT_TRUE(SamePixels(f.Doc.CleanPhoto, f.Doc.Base()));
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    EXPECT_TRUE(f.ItemEnabled("Файл", "Сохранить..."));
    EXPECT_EQ(f.Recent.Captions, std::vector<std::string>{p});
    EXPECT_TRUE(f.Doc.IsModified()); // loading marked it; the command line leaves the mark
    EXPECT_TRUE(f.SidePanelVisible && f.SidePanelChecked);
    f.OpenCommandLine({});           // no argument: nothing
    EXPECT_EQ(f.Doc.Base().Width(), 9);
}

TEST_F(Opening, MetafilesRenderThroughThePlatform) {
    Start();
    const std::string p = Path("pic.wmf");
    platform.Metafiles[p] = TExtent{12, 8};
    platform.MetafileRenderer = [](const std::string&, TBitmap32& dst) {
        dst.FillRect(0, 0, 4, 4, 0x80FF0000u);
    };
    Open(p);
    EXPECT_EQ(form->Doc.Base().Width(), 12);
    EXPECT_EQ(form->Doc.Base().Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(form->Doc.Base().Pixel(11, 7), 0xFF000000u);
}

TEST(RecentFiles, AddFollowsTheSubmenuRules) {
    TRecentFiles r;
    r.Add("a");
    EXPECT_EQ(r.Captions, std::vector<std::string>{"a"});
    r.Add("b");
    r.Add("c");
    r.Add("d");
    r.Add("e");
    EXPECT_EQ(r.Captions, (std::vector<std::string>{"e", "d", "c", "b", "a"}));
    r.Add("f");
    EXPECT_EQ(r.Captions, (std::vector<std::string>{"f", "e", "d", "c", "b"}));
    EXPECT_EQ(r.MarkerIndex, 0);
    EXPECT_TRUE(r.Contains("b"));
    EXPECT_FALSE(r.Contains("B"));

    r.Load({"Clear", "x"});
    EXPECT_EQ(r.Captions, std::vector<std::string>{"Empty"});
    r.Load({"x", "y", "z"});
    EXPECT_EQ(r.Captions, (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_FALSE(r.IsPlaceholder(0));
}
