#include "core/error.h"
#include "document/settings.h"
#include "tests/document/form_fixture.h"

#include <cstdlib>

using namespace kv;
using namespace kv::testing;

namespace {

std::string Record56(int state, int left, int top, int width, int height, const std::string& steps,
                     const std::string& side, const std::string& style) {
    std::string r(56, '\0');
    r[0] = char(state);
    auto put = [&](int at, int v) {
        for (int i = 0; i < 4; ++i)
            r[std::size_t(at + i)] = char(std::uint32_t(v) >> (8 * i));
    };
    put(4, left);
    put(8, top);
    put(12, width);
    put(16, height);
    auto str = [&](int at, const std::string& s) {
        r[std::size_t(at)] = char(s.size());
        r.replace(std::size_t(at + 1), s.size(), s);
    };
    str(20, steps);
    str(31, side);
    str(42, style);
    return r;
}

struct Settings : FormFixture {};

} // namespace

TEST(FormRecord, EncodesTheFiftySixBytes) {
    TFormRecord r = DefaultFormRecord();
    r.WindowState = 2;
    r.Left = -8, r.Top = 30, r.Width = 1024, r.Height = 700;
    r.SetStepsPanelText("Yes");
    r.SidePanel = "Left";
    r.PanelStyle = "Old";
    const auto b = EncodeFormRecord(r);
    const std::string want = Record56(2, -8, 30, 1024, 700, "Yes", "Left", "Old");
    EXPECT_EQ(std::string(b.begin(), b.end()), want);
    const TFormRecord back = DecodeFormRecord(b.data(), b.size());
    EXPECT_EQ(back.WindowState, 2);
    EXPECT_EQ(back.Left, -8);
    EXPECT_EQ(back.Height, 700);
    EXPECT_EQ(back.StepsPanelText(), "Yes");
    EXPECT_EQ(back.SidePanel, "Left");
    EXPECT_EQ(back.PanelStyle, "Old");
}

TEST(FormRecord, DamagedRecordsReadAsFarAsTheyAreSound) {
    std::string r = Record56(1, 10, 20, 300, 200, "No", "Left", "Old");
    r[31] = 11; // side-panel length past its field
    r[42] = 14; // panel-style length past its field
    r[0] = 9;   // no such window state
    auto d = DecodeFormRecord(reinterpret_cast<const std::uint8_t*>(r.data()), r.size());
    EXPECT_EQ(d.WindowState, 0);
    EXPECT_EQ(d.StepsPanelText(), "No");
    EXPECT_EQ(d.SidePanel, "Right");
    EXPECT_EQ(d.PanelStyle, "Modern");
    EXPECT_TRUE(d.HasGeometry);

    const std::string good = Record56(1, 10, 20, 300, 200, "No", "Left", "Old");
    for (std::size_t n :
         {std::size_t(0), std::size_t(1), std::size_t(19), std::size_t(30), std::size_t(55)}) {
        d = DecodeFormRecord(reinterpret_cast<const std::uint8_t*>(good.data()), n);
        EXPECT_EQ(d.WindowState, n >= 1 ? 1 : 0) << n;
        EXPECT_EQ(d.HasGeometry, n >= 20) << n;
        EXPECT_EQ(d.StepsPanelText(), n >= 31 ? "No" : "Yes") << n;
        EXPECT_EQ(d.PanelStyle, "Modern") << n; // its field is incomplete in every case
    }
}

TEST(RecentList, DecodingStopsAtTheFirstUnsoundLine) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> want;
    } cases[] = {
        {"never written", "Clear\r\n", {"Clear"}},
        {"three", "a.jpg\r\nb.png\r\nc d.bmp\r\n", {"a.jpg", "b.png", "c d.bmp"}},
        {"no final line end", "a\r\nb", {"a", "b"}},
        {"bare LF", "a\nb\n", {"a", "b"}},
        {"more than five", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n", {"1", "2", "3", "4", "5"}},
        {"empty file", "", {"Clear"}},
        {"binary", std::string("\x01\x02\xff\x00zz", 6), {"Clear"}},
        {"junk after good lines", std::string("a\r\nb\x00c\r\nd\r\n", 11), {"a"}},
        {"invalid UTF-8", "ok\r\n\xc3(\r\n", {"ok"}},
        {"Cyrillic", "/home/u/Фото.jpg\r\n", {"/home/u/Фото.jpg"}},
        {"empty line", "a\r\n\r\nb\r\n", {"a"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeRecentList(c.text), c.want) << c.what;
    EXPECT_EQ(EncodeRecentList({"x", "Empty"}), "x\r\nEmpty\r\n");
}

TEST_F(Settings, MissingFilesMeanDefaultsAndAreWrittenAtExit) {
    Start();
    TMainForm& f = *form;
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);
    EXPECT_EQ(f.Recent.Captions, std::vector<std::string>{"Empty"});
    EXPECT_TRUE(f.ModernStyle);
    EXPECT_TRUE(f.SidePanelRight);
    EXPECT_EQ(f.Doc.History.UndoKind, kHistNone);
    EXPECT_TRUE(f.CloseQuery());
    f.FormClose();
    EXPECT_EQ(ReadText(Prog("Dirs.lst")), "Empty\r\n");
    EXPECT_EQ(ReadText(Prog("View.atp")), kViewFileLine + "\r\n");
    const std::string rec = ReadText(Prog("CForm.atp"));
    ASSERT_EQ(rec.size(), 56u);
    EXPECT_EQ(rec.substr(31, 6), std::string("\x05Right"));
    EXPECT_EQ(rec.substr(42, 7), std::string("\x06Modern"));
}

TEST_F(Settings, WindowRecordIsAppliedAndClampedToTheScreen) {
    struct Case {
        const char* what;
        std::string rec;
        int state, left, top, width, height;
        bool modern, steps;
    } cases[] = {
        {"normal", Record56(0, 100, 50, 800, 600, "Yes", "Right", "Modern"), 0, 100, 50, 800, 600, true,
         true},
        {"maximised ignores geometry", Record56(2, 5, 5, 300, 300, "No", "Left", "Old"), 2, 516, 219, 888,
         641, false, false},
        {"lower-case modern is classic", Record56(0, 0, 0, 400, 300, "yes", "Right", "modern"), 0, 0, 0, 400,
         300, false, false},
        {"off-screen and oversized", Record56(0, -500, 99999, 5000, 4000, "Yes", "Right", "Modern"), 0, 0, 0,
         1920, 1080, true, true},
        {"negative size", Record56(0, 1800, 1000, -5, 0, "Yes", "Right", "Modern"), 0, 1032, 439, 888, 641,
         true, true},
    };
    for (const Case& c : cases) {
        WriteText(Prog("CForm.atp"), c.rec);
        Start();
        EXPECT_EQ(form->WindowState, c.state) << c.what;
        EXPECT_EQ(form->Left, c.left) << c.what;
        EXPECT_EQ(form->Top, c.top) << c.what;
        EXPECT_EQ(form->Width, c.width) << c.what;
        EXPECT_EQ(form->Height, c.height) << c.what;
        EXPECT_EQ(form->ModernStyle, c.modern) << c.what;
        EXPECT_EQ(form->StepsPanelChecked, c.steps) << c.what;
    }
}

TEST_F(Settings, StepsPanelFieldSurvivesEveryRunUnchanged) {
    std::string rec = Record56(0, 10, 10, 500, 400, "Yes", "Right", "Old");
    rec[24] = 'Q'; // bytes after the characters are not significant, and are kept
    rec[30] = char(0xEE);
    WriteText(Prog("CForm.atp"), rec);
    for (int run = 0; run < 3; ++run) {
        Start();
        EXPECT_TRUE(form->StepsPanelChecked);
        form->StepsPanelChecked = run % 2 == 0;
        form->ModernStyle = true;
        form->Left = 20 + run;
        form->FormClose();
        const std::string now = ReadText(Prog("CForm.atp"));
        EXPECT_EQ(now.substr(20, 11), rec.substr(20, 11)) << run;
        EXPECT_EQ(now.substr(42, 7), std::string("\x06Modern"));
        EXPECT_EQ(std::uint8_t(now[4]), 20 + run);
    }
}

TEST_F(Settings, ShortOrJunkFilesGiveDefaultsWithoutAQuestion) {
    WriteText(Prog("CForm.atp"), "\x02");
    WriteText(Prog("Dirs.lst"), std::string("\x00\x01\x02garbage", 10));
    WriteText(Prog("View.atp"), std::string(5000, 'x'));
    Start();
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);
    EXPECT_EQ(form->WindowState, 2);
    EXPECT_EQ(form->Recent.Captions, std::vector<std::string>{"Empty"});
}

TEST_F(Settings, RecentListRoundTripsThroughDirsLst) {
    WriteText(Prog("Dirs.lst"), "/p/one.jpg\r\n/p/two.png\r\n/p/three.bmp\r\n");
    Start();
    ASSERT_EQ(form->Recent.Captions, (std::vector<std::string>{"/p/one.jpg", "/p/two.png", "/p/three.bmp"}));
    const std::string p = MakePicture("four.bmp", Picture(3, 3));
    Open(p);
    form->Doc.Modified = kMarkClean;
    form->ExitClick();
    EXPECT_TRUE(form->Closed);
    EXPECT_EQ(ReadText(Prog("Dirs.lst")), p + "\r\n/p/one.jpg\r\n/p/two.png\r\n/p/three.bmp\r\n");
    EXPECT_TRUE(form->Doc.Empty());
    EXPECT_EQ(form->Doc.Layers().Count(), 0);
    EXPECT_TRUE(form->Doc.CleanPhoto.Empty());
}

TEST_F(Settings, ExitWithUnsavedWorkAsksAndCancelKeepsTheWindowOpen) {
    Start();
    Open(MakePicture("a.bmp", Picture(3, 3)));
    form->Doc.Base().Clear(0xFF000000u);
    platform.MessageAnswers.push_back(TMsgAnswer::Cancel);
    form->ExitClick();
    EXPECT_FALSE(form->Closed);
    EXPECT_TRUE(Exists(Prog("Dirs.lst"))); // "Выход" writes the list first
    EXPECT_FALSE(Exists(Prog("CForm.atp")));
    EXPECT_TRUE(form->Doc.IsModified());
    platform.MessageAnswers.push_back(TMsgAnswer::No);
    form->Close();
    EXPECT_TRUE(form->Closed);
    EXPECT_TRUE(Exists(Prog("CForm.atp")));
}

TEST_F(Settings, ReadOnlyProgramFolderUsesTheUserFolders) {
    TDataFolders folders;
    folders.Program = dir / "prog";
    folders.UserConfig = dir / "config" / "korvalis";
    folders.UserData = dir / "data" / "korvalis";
    folders.ProgramWritable = false;
    WriteText(Prog("Dirs.lst"), "/installed.jpg\r\n"); // shipped with the program
    form = std::make_unique<TMainForm>(platform);
    form->Folders = folders;
    form->FormCreate();
    EXPECT_EQ(form->Recent.Captions, std::vector<std::string>{"/installed.jpg"});
    form->Recent.Add("/mine.png");
    form->FormClose();
    EXPECT_EQ(ReadText(Prog("Dirs.lst")), "/installed.jpg\r\n");
    EXPECT_EQ(ReadText((folders.UserConfig / "Dirs.lst").string()), "/mine.png\r\n/installed.jpg\r\n");
    EXPECT_TRUE(Exists((folders.UserConfig / "CForm.atp").string()));

    // The next run reads the user's copy first.
    form = std::make_unique<TMainForm>(platform);
    form->Folders = folders;
    form->FormCreate();
    EXPECT_EQ(form->Recent.Captions[0], "/mine.png");
    EXPECT_EQ(folders.DataWritePath("Presets.lst"), folders.UserData / "Presets.lst");
    EXPECT_EQ(folders.DataReadPath("Presets.lst"), folders.Program / "Presets.lst");
}

TEST_F(Settings, FoldersComeFromTheEnvironment) {
    ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "dat").c_str(), 1);
    const TDataFolders f = ResolveDataFolders(platform.ProgramDir);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(f.UserConfig, dir / "cfg" / "korvalis");
    EXPECT_EQ(f.UserData, dir / "dat" / "korvalis");
    EXPECT_TRUE(f.ProgramWritable);
    EXPECT_EQ(f.SettingsWritePath("View.atp"), std::filesystem::path(platform.ProgramDir) / "View.atp");
    EXPECT_FALSE(ResolveDataFolders((dir / "nowhere").string()).ProgramWritable);
}
