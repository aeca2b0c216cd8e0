// The frame panel model, the colour picker, the preset catalog and the frame commands on a main
// window over the scripted platform.
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "frames/color_picker.h"
#include "frames/compositor.h"
#include "frames/frame_commands.h"
#include "frames/panel.h"
#include "frames/preset_catalog.h"
#include "frames/presets.h"
#include "frames/texture_picker.h"
#include "frames/textures.h"
#include "tests/document/form_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kv;
using kv::testing::FormFixture;
using kv::testing::SamePixels;

namespace {

namespace fs = std::filesystem;

struct PanelFixture : FormFixture {
    std::unique_ptr<TFrameCommands> cmd;
    // Shell states seen by the window during a build: (buttons visible, bar visible, position).
    struct Shell {
        bool buttons, bar;
        int position;
        bool operator==(const Shell&) const = default;
    };
    std::vector<Shell> shell;

    TFrameCommands& Commands() {
        Start();
        cmd = std::make_unique<TFrameCommands>(*form);
        form->OnShellChanged = [this] {
            shell.push_back({form->PresetButtonsVisible, form->PBRVisible, form->PBRPosition});
        };
        return *cmd;
    }
    TFramePanel& Panel() { return cmd->Panel(); }
    void Photo(int w, int h) {
        const TBitmap32 p = kv::testing::Picture(w, h);
        form->Doc.CleanPhoto = p;
        form->Doc.SetBasePixels(p);
    }
    void NoShading() {
        Panel().S.InShad = false;
        Panel().S.InBliks = false;
    }
    void MakeFolder(const std::string& name) { fs::create_directories(dir / "prog" / name); }
    std::string ProgPicture(const std::string& name, const TBitmap32& pic) {
        codecs::SaveBMP24(pic, Prog(name));
        return Prog(name);
    }
};

TEST_F(PanelFixture, ControlsStartAtTheTableValuesAndKeepToTheirRanges) {
    Commands();
    for (const FrameParam& p : FrameParams()) {
        if (p.Kind == TParamKind::Text) continue;
        EXPECT_EQ(Panel().Value(p.Name), p.Start) << p.Name;
    }
    struct Case {
        const char* name;
        long long asked, kept;
    } cases[] = {{"Thicka", 99, 35},      {"Thicka", 0, 1},    {"DWF", 91, 90},
                 {"FDE", -3, 1},          {"Mixer", 151, 150}, {"Pole", 0, 1},
                 {"MatteTone", -80, -50}, {"RTX", 7, 4},       {"PhotoForm", 6, 5}};
    for (const Case& c : cases) {
        Panel().SetValue(c.name, c.asked);
        EXPECT_EQ(Panel().Value(c.name), c.kept) << c.name << " " << c.asked;
    }
}

TEST_F(PanelFixture, FrameKindAndFillingRules) {
    Commands();
    TFramePanel& p = Panel();
    EXPECT_TRUE(p.SColorEnabled);
    EXPECT_FALSE(p.GradientEnabled);
    EXPECT_FALSE(p.RTXEnabled);
    p.GradientClick();
    EXPECT_FALSE(p.SColorEnabled);
    EXPECT_TRUE(p.GradientEnabled);
    p.TexturaClick();
    EXPECT_TRUE(p.RTXEnabled);
    EXPECT_TRUE(p.FrameTabsVisible);

    // The inner frame takes the texture away and with it the mat.
    p.InFramaClick();
    EXPECT_EQ(p.S.Fill, TFrameFill::Cola);
    EXPECT_FALSE(p.TexturaEnabled);
    EXPECT_FALSE(p.MatteEnabled);
    EXPECT_TRUE(p.SColorEnabled);
    EXPECT_FALSE(p.FrameTabsVisible);
    p.TexturaClick(); // disabled: ignored
    EXPECT_EQ(p.S.Fill, TFrameFill::Cola);
    p.MatteClick(true);
    EXPECT_FALSE(p.S.Matte);

    p.OutFramaClick();
    EXPECT_TRUE(p.TexturaEnabled);
    EXPECT_TRUE(p.MatteEnabled);
    p.MatteClick(true);
    EXPECT_TRUE(p.S.Matte);
}

TEST_F(PanelFixture, MatFillingRulesResetTheTone) {
    Commands();
    TFramePanel& p = Panel();
    EXPECT_TRUE(p.MatteToneEnabled);
    p.SetValue("MatteTone", 30);
    EXPECT_EQ(p.S.MatteTone, 30);
    p.MatColorClick();
    EXPECT_EQ(p.S.MatteTone, 0);
    EXPECT_FALSE(p.MatteToneEnabled);
    EXPECT_TRUE(p.MatSCEnabled);
    EXPECT_FALSE(p.MatGradientEnabled);
    p.SetValue("MatteTone", 20); // disabled control
    EXPECT_EQ(p.S.MatteTone, 0);
    p.MatGradientClick();
    EXPECT_FALSE(p.MatSCEnabled);
    EXPECT_TRUE(p.MatGradientEnabled);
    p.ProlongClick();
    EXPECT_TRUE(p.MatteToneEnabled);
    EXPECT_EQ(p.S.MatteTone, 0);
}

TEST_F(PanelFixture, StripAndTabVisibility) {
    Commands();
    TFramePanel& p = Panel();
    p.StripWidth = 601;
    struct Case {
        TFrameFill fill;
        TMatFill mat;
        bool strip, frameTabs, matTabs, captions;
        int frameWidth, matWidth;
    } cases[] = {
        {TFrameFill::Cola, TMatFill::Prolong, false, false, false, false, 0, 0},
        {TFrameFill::Textura, TMatFill::Prolong, true, true, false, false, 601, 0},
        {TFrameFill::Gradient, TMatFill::MatTexture, true, false, true, false, 0, 601},
        // Both: the mat tabs take round(601 / 2) = 300 (half to even), the frame tabs the rest.
        {TFrameFill::Textura, TMatFill::MatTexture, true, true, true, true, 301, 300},
    };
    for (const Case& c : cases) {
        p.SetValue("Fill", int(c.fill));
        p.SetValue("Mat", int(c.mat));
        EXPECT_EQ(p.StripVisible, c.strip);
        EXPECT_EQ(p.FrameTabsVisible, c.frameTabs);
        EXPECT_EQ(p.MatTabsVisible, c.matTabs);
        EXPECT_EQ(p.StripCaptionsVisible, c.captions);
        EXPECT_EQ(p.FrameTabsWidth, c.frameWidth);
        EXPECT_EQ(p.MatTabsWidth, c.matWidth);
    }
}

TEST_F(PanelFixture, SlidersMarkModifiedWithoutTouchingTheLayer) {
    Commands();
    Photo(40, 30);
    TBitmapLayer& layer = form->Doc.Layers().Add<TBitmapLayer>();
    layer.Bitmap.SetSize(4, 4);
    layer.Bitmap.SetMasterAlpha(200);
    form->Doc.Select(&layer);
    for (const char* name : {"Mixer", "Pole", "MatteTone"}) {
        form->Doc.Modified = kMarkClean;
        Panel().SetValue(name, 5);
        EXPECT_TRUE(form->Doc.IsModified()) << name;
        EXPECT_EQ(layer.Bitmap.MasterAlpha(), 200) << name;
    }
}

TEST_F(PanelFixture, ActivationKeepsTheListChoices) {
    Commands();
    Panel().SetValue("RTX", 4);
    Panel().SetValue("PhotoForm", 3);
    Panel().FormActivate();
    EXPECT_EQ(Panel().S.RTX, 4);
    EXPECT_EQ(Panel().S.PhotoForm, 3);
}

TEST_F(PanelFixture, ColourButtonsStartFromTheSharedDialog) {
    Commands();
    TFramePanel& p = Panel();
    platform.ColorAnswers.push_back(WinRGB(1, 2, 3));
    p.ColorButtonClick(TSwatch::k2);
    EXPECT_EQ(p.S.k2, WinRGB(1, 2, 3));
    platform.ColorAnswers.push_back(std::nullopt); // cancelled: nothing changes
    p.ColorButtonClick(TSwatch::Panel12);
    EXPECT_EQ(p.S.Panel12, kStartBlue);
    // The first dialog starts at R 200, G 191, B 119 (0x77BFC8); the next at the colour confirmed last.
    EXPECT_EQ(platform.TextsOf("ColorDialog"), (std::vector<std::string>{"77BFC8", "030201"}));
}

TEST_F(PanelFixture, EyedropperSamplesAndPicksIntoItsTarget) {
    Commands();
    Photo(40, 30);
    TSTC& stc = cmd->STC();
    form->Left = 100;
    form->Top = 50;
    form->Width = 900;
    for (const TEyedropper& e : kEyedroppers) {
        cmd->EyedropperClick(std::string(e.Caption));
        EXPECT_TRUE(stc.Showing());
        EXPECT_EQ(stc.Caption, e.Caption);
        EXPECT_EQ(stc.Top, 110);
        EXPECT_EQ(stc.Left, 660);
        EXPECT_EQ(platform.Cursor, TCursorShape::Cross);
        ASSERT_TRUE(form->OnViewMouseMove && form->OnViewMouseDown);

        const TPoint v = form->Doc.ImgView.PictureToView(7, 5);
        form->OnViewMouseMove(v.X, v.Y);
        EXPECT_EQ(stc.Panel1, WinColor(form->Doc.Base().Pixel(7, 5)));
        form->OnViewMouseMove(-500, -500); // outside the picture: its outer colour
        EXPECT_EQ(stc.Panel1, WinColor(form->Doc.Base().OuterColor()));
        form->OnViewMouseDown(v.X, v.Y); // pressed where the pointer was not moved to first

        EXPECT_EQ(Panel().Swatch(e.Target), WinColor(form->Doc.Base().Pixel(7, 5))) << e.Caption;
        EXPECT_FALSE(stc.Showing());
        EXPECT_EQ(platform.Cursor, TCursorShape::Default);
        EXPECT_FALSE(form->OnViewMouseMove);
        EXPECT_FALSE(form->OnViewMouseDown);
    }
    // Closing without a pick changes no swatch and brings the arrow back.
    const FrameSettings before = Panel().S;
    cmd->EyedropperClick("Цвет рамки");
    stc.CloseClick();
    EXPECT_EQ(Panel().S, before);
    EXPECT_EQ(platform.Cursor, TCursorShape::Default);
    EXPECT_EQ(platform.CountOf("HideToolWindow"), 5);
}

TEST_F(PanelFixture, PreviewShowsProgressAndBuildsFromTheCleanPhoto) {
    Commands();
    Photo(250, 100);
    NoShading();
    struct Case {
        int thicka, width;
    } cases[] = {{1, 254}, {3, 266}, {10, 300}}; // T = 2 (2.5 to even), 8 (7.5 to even), 25
    for (const Case& c : cases) {
        Panel().SetValue("Thicka", c.thicka);
        shell.clear();
        cmd->Button6Click();
        EXPECT_EQ(form->Doc.Base().Width(), c.width) << c.thicka;
        ASSERT_GE(shell.size(), 2u);
        EXPECT_EQ(shell.front(), (Shell{false, true, 0}));
        EXPECT_EQ(shell.back(), (Shell{true, false, 0}));
        // The bar counts every stage up to 7 while the buttons are hidden.
        EXPECT_EQ(shell[shell.size() - 2], (Shell{false, true, 7}));
    }
    const TBitmap32 first = form->Doc.Base();
    cmd->Button6Click();
    EXPECT_TRUE(SamePixels(first, form->Doc.Base()));
    // The menu item runs the same command.
    form->FindItem("Рамки", "Просмотр")->Handler(*form);
    EXPECT_TRUE(SamePixels(first, form->Doc.Base()));

    form->FindItem("Рамки", "Снять рамку")->Handler(*form);
    EXPECT_TRUE(SamePixels(form->Doc.Base(), form->Doc.CleanPhoto));
}

TEST_F(PanelFixture, PreviewTakesTheTextureOfTheActiveTab) {
    MakeFolder("NTextures");
    MakeFolder("MTextures");
    const std::string plain = ProgPicture("NTextures/a.bmp", kv::testing::Picture(8, 8, 3));
    ProgPicture("MTextures/m.bmp", kv::testing::Picture(8, 8, 5));
    Commands();
    Photo(100, 80);
    NoShading();
    TFramePanel& p = Panel();
    p.TexturaClick();
    p.SetFrameTab(kTabNatural);
    ASSERT_EQ(p.NView.Count(), 1);
    cmd->Button6Click();
    EXPECT_EQ(p.S.Texture, plain);
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);

    // A tab with nothing selected: the name is empty and the build asks for a texture.
    p.SetFrameTab(kTabSpecial);
    platform.MessageAnswers.push_back(TMsgAnswer::Ok);
    cmd->Button6Click();
    EXPECT_EQ(p.S.Texture, "");
    EXPECT_EQ(platform.TextsOf("MessageBox"), std::vector<std::string>{kChooseTextureText});
    // The mat name is taken only while the mat tabs show.
    EXPECT_EQ(p.S.MatTexture, "");
}

TEST_F(PanelFixture, TooLargeFrameIsRefusedBeforeThePictureChanges) {
    Commands();
    Photo(30000, 2);
    TBitmap32 framed = kv::testing::Picture(5, 5, 9);
    form->Doc.SetBasePixels(framed);
    NoShading();
    Panel().SetValue("Thicka", 35);
    shell.clear();
    try {
        cmd->Button6Click();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), kFrameTooLargeText);
    }
    EXPECT_TRUE(SamePixels(form->Doc.Base(), framed));
    EXPECT_TRUE(shell.empty()); // the progress bar never appeared
}

TEST_F(PanelFixture, MenuItemsAreBoundAndFollowThePicture) {
    Commands();
    form->MenuOpened("Рамки");
    for (const TMenuItem& it : form->FindMenu("Рамки")->Items) {
        EXPECT_TRUE(bool(it.Handler)) << it.Caption;
        EXPECT_FALSE(it.Enabled) << it.Caption;
    }
    Photo(20, 10);
    form->MenuOpened("Рамки");
    for (const TMenuItem& it : form->FindMenu("Рамки")->Items)
        EXPECT_TRUE(it.Enabled) << it.Caption;
    EXPECT_EQ(form->FindItem("Рамки", "Каталог рамок")->Shortcut, "Ctrl+K");
}

// Presets through the commands: the record file and pictures in the program folder.
struct PresetCommandsFixture : PanelFixture {
    void Prepare() {
        Commands();
        Photo(60, 40);
        NoShading();
    }
    std::string PresetFile() const { return Prog("Presets.lst"); }
};

TEST_F(PresetCommandsFixture, SavedFrameComesBackThroughTheCatalog) {
    MakeFolder("NTextures");
    const std::string tex = ProgPicture("NTextures/wood.bmp", kv::testing::Picture(6, 6, 2));
    Prepare();
    TFramePanel& p = Panel();
    p.SetValue("Thicka", 7);
    p.SetValue("DWF", 40);
    p.SetValue("FDE", 80);
    p.SetValue("Mixer", 99);
    p.SetValue("RTX", 3);
    p.TexturaClick();
    p.SetValue("Matte", 1);
    p.SetValue("Press1", 1);
    p.SetValue("Pole", 12);
    p.SetValue("PhotoForm", 0);
    p.MatGradientClick();
    p.SetSwatch(TSwatch::MatK1, WinRGB(9, 8, 7));
    p.SetSwatch(TSwatch::MoColor, WinRGB(1, 1, 1));
    cmd->Button6Click();
    ASSERT_EQ(p.S.Texture, tex);
    const FrameSettings saved = p.S;
    const TBitmap32 built = form->Doc.Base();
    cmd->Button3Click();
    EXPECT_TRUE(Exists(Prog("Presets/00.bmp")));

    // Change everything back to the start values, then load the saved frame from the catalog.
    p.OutFramaClick();
    p.ColaClick();
    p.ProlongClick();
    p.S = FrameSettings{};
    NoShading();
    p.NView.SetSelected(-1);
    cmd->Button6Click();
    cmd->LoadPresetClick();
    TPresety& cat = cmd->Presety();
    EXPECT_TRUE(cat.Showing());
    ASSERT_EQ(cat.View.Count(), 1);
    cat.View.SetSelected(0);
    cat.LoadClick();
    EXPECT_EQ(p.S, saved);
    EXPECT_EQ(p.NView.SelectedFile(), tex); // the stored texture is chosen in its strip again
    EXPECT_TRUE(p.RTXEnabled);
    EXPECT_TRUE(p.MatGradientEnabled);
    EXPECT_TRUE(SamePixels(form->Doc.Base(), built));
    EXPECT_TRUE(cat.Showing()); // the window stays open
}

TEST_F(PresetCommandsFixture, CatalogTakesTheRecordFromThePictureName) {
    Prepare();
    FrameSettings s = Panel().S;
    for (int k = 0; k < 14; ++k) {
        s.Thicka = k + 1;
        AppendPresetRecord(PresetFile(), EncodePresetRecord(s));
    }
    MakeFolder("Presets");
    for (int k : {0, 11, 13}) // 12.bmp is missing
        ProgPicture("Presets/" + PresetPictureName(k), kv::testing::Picture(15, 10));
    TPresety& cat = cmd->Presety();
    cmd->LoadPresetClick();
    ASSERT_EQ(cat.View.Count(), 3);
    cat.View.SetSelected(2); // 13.bmp
    cat.LoadClick();
    EXPECT_EQ(Panel().S.Thicka, 14);
    cat.View.SetSelected(1); // 11.bmp
    cat.LoadClick();
    EXPECT_EQ(Panel().S.Thicka, 12);
}

// The catalog lists its own five picture kinds, including ".jpeg", and not the other kinds the
// texture strips show (".tga", ".pcx", ".ico", metafiles), in name order whatever the letter case.
TEST_F(PresetCommandsFixture, CatalogListsItsOwnPictureKinds) {
    Prepare();
    MakeFolder("Presets");
    const std::string first = ProgPicture("Presets/00.bmp", kv::testing::Picture(15, 10));
    for (const char* name :
         {"01.JPEG", "02.png", "03.gif", "04.jpg", "05.tga", "06.pcx", "07.ico", "08.wmf", "09.txt"})
        fs::copy_file(first, Prog("Presets/" + std::string(name)));
    cmd->LoadPresetClick();
    TPresety& cat = cmd->Presety();
    std::vector<std::string> titles;
    for (int i = 0; i < cat.View.Count(); ++i)
        titles.push_back(cat.View.Entry(i).Title);
    EXPECT_EQ(titles, (std::vector<std::string>{"00.bmp", "01.JPEG", "02.png", "03.gif", "04.jpg"}));
}

TEST_F(PresetCommandsFixture, LoadWithoutSelectionAsksForAFrame) {
    Prepare();
    cmd->LoadPresetClick(); // no "Presets" folder: an empty catalog
    TPresety& cat = cmd->Presety();
    ASSERT_EQ(cat.View.Count(), 0);
    const TBitmap32 before = form->Doc.Base();
    platform.MessageAnswers.push_back(TMsgAnswer::Ok);
    cat.LoadClick();
    EXPECT_EQ(platform.TextsOf("MessageBox"), std::vector<std::string>{kChooseFrameText});
    EXPECT_TRUE(SamePixels(form->Doc.Base(), before));
    cat.CloseClick();
    EXPECT_FALSE(cat.Showing());
    EXPECT_EQ(platform.CountOf("HideToolWindow"), 1);
}

TEST_F(PresetCommandsFixture, MenuFramesReadTheirFixedRecords) {
    Prepare();
    // Without a preset file: a clear error, panel and picture unchanged.
    const FrameSettings before = Panel().S;
    const TBitmap32 picture = form->Doc.Base();
    EXPECT_THROW(form->FindItem("Рамки", "Ярко-синяя простая")->Handler(*form), Error);
    EXPECT_EQ(Panel().S, before);
    EXPECT_TRUE(SamePixels(form->Doc.Base(), picture));

    FrameSettings s = before;
    for (int k = 0; k < 12; ++k) {
        s.Thicka = k + 1;
        s.Mixer = 100 + k;
        AppendPresetRecord(PresetFile(), EncodePresetRecord(s));
    }
    for (const TMenuFrame& f : kMenuFrames) {
        form->FindItem("Рамки", std::string(f.Caption))->Handler(*form);
        EXPECT_EQ(Panel().S.Thicka, f.Record + 1) << f.Caption;
        EXPECT_EQ(form->Doc.Base().Width(), 60 + 2 * FrameThickness(60, f.Record + 1)) << f.Caption;
    }
    // A record beyond the end: an error, nothing changes.
    const FrameSettings last = Panel().S;
    EXPECT_THROW(cmd->ApplyPreset(12, PresetFile()), Error);
    EXPECT_EQ(Panel().S, last);
}

TEST_F(PresetCommandsFixture, InnerTexturePresetKeepsItsFilling) {
    Prepare();
    FrameSettings s = Panel().S;
    s.InFrama = true;
    s.Fill = TFrameFill::Textura;
    s.Matte = true;
    s.Mat = TMatFill::MatColor;
    s.MatteTone = 25;
    AppendPresetRecord(PresetFile(), EncodePresetRecord(s));
    MakeFolder("NTextures");
    ProgPicture("NTextures/t.bmp", kv::testing::Picture(4, 4));
    FrameSettings stored = s;
    stored.Texture = Prog("NTextures/t.bmp");
    AppendPresetRecord(PresetFile(), EncodePresetRecord(stored));

    cmd->ApplyPreset(1, PresetFile());
    TFramePanel& p = Panel();
    EXPECT_EQ(p.S.Fill, TFrameFill::Textura);
    EXPECT_FALSE(p.TexturaEnabled);
    EXPECT_FALSE(p.MatteEnabled);
    EXPECT_EQ(p.S.MatteTone, 0);             // the mat does not follow the frame: no tone
    EXPECT_EQ(form->Doc.Base().Width(), 60); // inner frame: the photo keeps its size

    // The same record through the window-free entry gives the same picture.
    const TBitmap32 panelBuilt = form->Doc.Base();
    const FrameSettings applied = ApplyPresetFrame(*form, PresetFile(), 1, FrameSettings{});
    EXPECT_EQ(applied.MatteTone, 0);
    EXPECT_TRUE(SamePixels(form->Doc.Base(), panelBuilt));
}

TEST_F(PanelFixture, TexturePickerSetsTheFrameTexture) {
    MakeFolder("Textures");
    const std::string t = ProgPicture("Textures/x.bmp", kv::testing::Picture(4, 4));
    Commands();
    TTextur& tex = cmd->Textur();
    ASSERT_EQ(tex.View.Count(), 1);
    platform.ModalScripts.push_back([](TDialogModel&) { return TModalResult::Cancel; });
    EXPECT_FALSE(tex.Execute());
    EXPECT_EQ(Panel().S.Texture, "");
    int previews = 0;
    tex.OnOk = [&] { ++previews; };
    platform.ModalScripts.push_back([](TDialogModel& d) {
        EXPECT_EQ(d.DialogName(), "TTextur");
        return TModalResult::Ok;
    });
    EXPECT_TRUE(tex.Execute());
    EXPECT_EQ(Panel().S.Texture, t);
    EXPECT_EQ(previews, 1);
}

} // namespace

namespace {

// The installed artwork beside the executables (made by the artwork generator at build time).
struct InstalledArtwork : PanelFixture {
    bool Ready() {
        const fs::path bin = KV_BIN_DIR;
        if (!fs::exists(bin / "Presets.lst") || !fs::exists(bin / "STextures")) return false;
        platform.ProgramDir = bin.string() + "/";
        Commands();
        Photo(320, 240);
        return true;
    }
};

TEST_F(InstalledArtwork, MenuFramesBuildFromTheInstalledPresets) {
    if (!Ready()) GTEST_SKIP() << "artwork not generated";
    for (const TMenuFrame& f : kMenuFrames) {
        form->FindItem("Рамки", std::string(f.Caption))->Handler(*form);
        const FrameSettings& s = Panel().S;
        const int T = FrameThickness(320, s.Thicka);
        const TExtent e = FramedSize(320, 240, 320, s, T);
        EXPECT_EQ(form->Doc.Base().Width(), e.Width) << f.Caption;
        EXPECT_EQ(form->Doc.Base().Height(), e.Height) << f.Caption;
        EXPECT_FALSE(SamePixels(form->Doc.Base(), form->Doc.CleanPhoto)) << f.Caption;
        EXPECT_EQ(form->Doc.Layers().Count(), 0) << f.Caption;
    }
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);
}

TEST_F(InstalledArtwork, PreviewWithEveryTextureFamilyAndAMat) {
    if (!Ready()) GTEST_SKIP() << "artwork not generated";
    TFramePanel& p = Panel();
    p.TexturaClick();
    p.SetValue("Matte", 1);
    p.MatTextureClick();
    for (int tab = 0; tab < 3; ++tab) {
        p.SetFrameTab(tab);
        p.SetMatTab(2 - tab);
        ASSERT_GT(p.FrameView(tab).Count(), 0);
        ASSERT_GT(p.MatView(2 - tab).Count(), 0);
        cmd->Button6Click();
        EXPECT_EQ(p.S.Texture, p.FrameView(tab).Entry(0).FileName);
        EXPECT_EQ(p.S.MatTexture, p.MatView(2 - tab).Entry(0).FileName);
        // Mat P = 32, then T = 32 on every side.
        EXPECT_EQ(form->Doc.Base().Width(), 320 + 32 + 64) << tab;
        EXPECT_EQ(form->Doc.Base().Height(), 240 + 32 + 64) << tab;
    }
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);
}

} // namespace
