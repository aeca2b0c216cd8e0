// The main window's own commands on the scripted platform: menus of the shell, enabling on an
// empty document, clipboard, panels and styles, full-screen preview, help and the about box.
#include "document/history.h"
#include "tests/document/form_fixture.h"

#include <string>
#include <vector>

using namespace kv;
using namespace kv::testing;

namespace {

struct Shell : FormFixture {
    // Every leaf item of a menu, submenus' items included.
    static std::vector<TMenuItem*> Leaves(TMenu& m) {
        std::vector<TMenuItem*> out;
        for (TMenuItem& it : m.Items) {
            if (it.Items.empty()) out.push_back(&it);
            for (TMenuItem& sub : it.Items)
                out.push_back(&sub);
        }
        return out;
    }
    std::vector<std::string> Captions(const std::string& menu) {
        std::vector<std::string> out;
        for (const TMenuItem& it : form->FindMenu(menu)->Items)
            out.push_back(it.Caption);
        return out;
    }
    // A picture with a frame drawn around it, as a frame build leaves the base picture.
    void ApplyFakeFrame() {
        TBitmap32 framed(form->Doc.Base().Width() + 4, form->Doc.Base().Height() + 4);
        framed.Clear(0xFF8B5A2Bu);
        form->Doc.Base().DrawTo(framed, 2, 2);
        form->Doc.SetBasePixels(framed);
    }
};

} // namespace

TEST_F(Shell, MenusOfTheShellAsData) {
    Start();
    EXPECT_EQ(Captions("Файл"),
              (std::vector<std::string>{"Открыть", "Сохранить...", "Сохранить как...", "Недавние файлы",
                                        "Экспорт изображения", "Настройка печати", "Печать", "Выход"}));
    EXPECT_EQ(Captions("Правка"), (std::vector<std::string>{"Отменить", "Повторить", "Копировать",
                                                            "Копировать всё", "Вставить как новое"}));
    EXPECT_EQ(Captions("Вид"),
              (std::vector<std::string>{"Масштаб 100%", "Уместить в окне", "Полноэкранный просмотр",
                                        "Панель этапов работы", "Панель настройки", "Стиль панелей"}));
    EXPECT_EQ(Captions("Справка"),
              (std::vector<std::string>{"Справка", "Техническая поддержка", "Сайт Korvalis", "О программе"}));
    std::vector<std::string> menus;
    for (const TMenu& m : form->Menus)
        menus.push_back(m.Caption);
    EXPECT_EQ(menus, (std::vector<std::string>{"Файл", "Правка", "Изображение", "Рамки", "Эффекты", "Вид",
                                               "Справка"}));
    const struct {
        const char* menu;
        const char* caption;
        const char* shortcut;
    } shortcuts[] = {{"Файл", "Печать", "Ctrl+P"},         {"Правка", "Копировать", "Ctrl+C"},
                     {"Правка", "Копировать всё", ""},     {"Правка", "Вставить как новое", ""},
                     {"Вид", "Масштаб 100%", "Ctrl+A"},    {"Вид", "Уместить в окне", "Ctrl+F"},
                     {"Рамки", "Каталог рамок", "Ctrl+K"}, {"Рамки", "Просмотр", "Space"},
                     {"Рамки", "Снять рамку", "Delete"},   {"Справка", "Справка", "F1"}};
    for (const auto& c : shortcuts) {
        const TMenuItem* it = form->FindItem(c.menu, c.caption);
        ASSERT_NE(it, nullptr) << c.caption;
        EXPECT_EQ(it->Shortcut, c.shortcut) << c.caption;
    }
    // Printing is not bound: its item can never run.
    form->MenuOpened("Файл");
    EXPECT_FALSE(TMainForm::ItemRunnable(*form->FindItem("Файл", "Печать")));
}

TEST_F(Shell, PictureMenusAreDisabledOnAnEmptyDocumentEvenWhenBound) {
    Start();
    int runs = 0;
    for (const char* menu : {"Изображение", "Рамки", "Эффекты"})
        for (TMenuItem* it : Leaves(*form->FindMenu(menu)))
            it->Handler = [&](TMainForm&) { ++runs; };
    for (const char* menu : {"Изображение", "Рамки", "Эффекты"}) {
        form->MenuOpened(menu);
        for (TMenu& m : form->Menus) {
            if (m.Caption != menu) continue;
            for (TMenuItem& it : m.Items) {
                EXPECT_FALSE(it.Enabled) << menu << " / " << it.Caption;
                for (TMenuItem& sub : it.Items)
                    EXPECT_FALSE(sub.Enabled) << menu << " / " << sub.Caption;
            }
        }
    }
    form->MenuOpened("Файл");
    EXPECT_FALSE(form->ItemEnabled("Файл", "Сохранить..."));
    form->HandleShortcut("Space"); // "Просмотр" does not run
    EXPECT_EQ(runs, 0);

    // Opening a picture is a view change: the tool buttons' items follow without a menu opening.
    Open(MakePicture("a.bmp", Picture(6, 4)));
    for (const char* menu : {"Изображение", "Рамки", "Эффекты"})
        for (TMenuItem* it : Leaves(*form->FindMenu(menu)))
            EXPECT_TRUE(it->Enabled) << menu << " / " << it->Caption;
    EXPECT_TRUE(form->HandleShortcut("Delete"));
    EXPECT_EQ(runs, 1);
}

TEST_F(Shell, CopyTakesThePhotoWithoutFramesAndCopyAllTheFramedPicture) {
    Start();
    const TBitmap32 photo = Picture(6, 4);
    Open(MakePicture("a.bmp", photo));
    ApplyFakeFrame();
    TBitmapLayer& layer = form->Doc.Layers().Add<TBitmapLayer>();
    layer.Bitmap.SetSize(2, 2);
    layer.Bitmap.Clear(0xFF00FF00u);
    layer.SetLocation(TFloatRect{0, 0, 2, 2});
    form->Doc.Modified = kMarkClean;

    form->MenuOpened("Правка");
    ASSERT_TRUE(form->ItemEnabled("Правка", "Копировать"));
    form->CopyClick();
    ASSERT_TRUE(platform.Clipboard);
    EXPECT_TRUE(SamePixels(*platform.Clipboard, photo));
    EXPECT_TRUE(form->Doc.IsModified()); // the view reports a change

    form->Doc.Modified = kMarkClean;
    form->CopyAllClick();
    ASSERT_EQ(platform.Clipboard->Width(), 10);
    EXPECT_EQ(platform.Clipboard->Pixel(0, 0), 0xFF00FF00u); // the layer over the frame
    EXPECT_EQ(platform.Clipboard->Pixel(9, 7), 0xFF8B5A2Bu); // the frame
    EXPECT_EQ(platform.Clipboard->Pixel(3, 3), photo.Pixel(1, 1));
    EXPECT_TRUE(form->Doc.Composite.Empty()); // made for the copy only
    EXPECT_TRUE(form->Doc.IsModified());
}

TEST_F(Shell, CopyItemsNeedAPictureAndPasteABitmapOnTheClipboard) {
    Start();
    form->MenuOpened("Правка");
    EXPECT_FALSE(form->ItemEnabled("Правка", "Копировать"));
    EXPECT_FALSE(form->ItemEnabled("Правка", "Копировать всё"));
    EXPECT_FALSE(form->ItemEnabled("Правка", "Вставить как новое"));
    platform.Clipboard.emplace(Picture(2, 2));
    form->MenuOpened("Правка");
    EXPECT_TRUE(form->ItemEnabled("Правка", "Вставить как новое"));
}

TEST_F(Shell, PasteWithoutABitmapLoadsNothingButForgetsTheFileName) {
    Start();
    const std::string name = MakePicture("a.bmp", Picture(6, 4));
    Open(name);
    RecordEffectStep(form->Doc);
    form->Doc.Modified = kMarkClean;
    form->SetItemEnabled("Файл", "Сохранить...", false);
    form->PasteAsNewClick(); // the clipboard holds no picture (text only, or nothing)
    EXPECT_TRUE(SamePixels(form->Doc.Base(), Picture(6, 4)));
    EXPECT_TRUE(form->CurrentFileName().empty());
    EXPECT_TRUE(form->ItemEnabled("Файл", "Сохранить..."));
    EXPECT_TRUE(form->ItemEnabled("Файл", "Сохранить как..."));
    EXPECT_TRUE(UndoEnabled(form->Doc)); // nothing was replaced, so the step still applies
    EXPECT_TRUE(form->Panel13Visible);
}

TEST_F(Shell, PasteAsNewReplacesTheDocumentAndItsHistory) {
    Start();
    Open(MakePicture("a.bmp", Picture(6, 4)));
    RecordEffectStep(form->Doc);
    form->Doc.Base().Clear(0xFF112233u); // an effect
    form->Doc.Select(&form->Doc.Layers().Add<TBitmapLayer>());
    form->Doc.ImgView.SetScale(2.0f);
    form->SidePanelVisible = form->SidePanelChecked = false;
    form->Doc.Modified = kMarkClean;

    TBitmap32 pasted = Picture(3, 5, 9);
    pasted.SetPixel(0, 0, 0x00123456u); // transparent on the clipboard
    platform.Clipboard.emplace(pasted);
    form->PasteAsNewClick();

    pasted.SetPixel(0, 0, 0xFF123456u);
    EXPECT_TRUE(SamePixels(form->Doc.Base(), pasted)); // alpha 255 everywhere
    EXPECT_TRUE(SamePixels(form->Doc.CleanPhoto, pasted));
    EXPECT_EQ(form->Doc.Layers().Count(), 0);
    EXPECT_EQ(form->Doc.Selection(), nullptr);
    EXPECT_FLOAT_EQ(form->Doc.ImgView.Scale(), 2.0f); // the scale stays
    EXPECT_TRUE(form->SidePanelVisible);
    EXPECT_TRUE(form->SidePanelChecked);
    EXPECT_TRUE(form->FindItem("Вид", "Панель настройки")->Checked);
    EXPECT_TRUE(form->Panel13Visible);
    EXPECT_TRUE(form->CurrentFileName().empty());
    // Undo must not bring the previous document's picture into the pasted one.
    form->MenuOpened("Правка");
    EXPECT_FALSE(form->ItemEnabled("Правка", "Отменить"));
    form->UndoClick();
    EXPECT_TRUE(SamePixels(form->Doc.Base(), pasted));
}

TEST_F(Shell, PasteStoppedByTheSaveQuestionTouchesNothing) {
    Start();
    Open(MakePicture("a.bmp", Picture(6, 4)));
    form->Doc.Modified = kMarkModified;
    form->EffectSnapshot.SetSize(2, 2);
    platform.Clipboard.emplace(Picture(3, 3));
    platform.MessageAnswers.push_back(TMsgAnswer::Cancel);
    form->PasteAsNewClick();
    EXPECT_EQ(platform.TextsOf("MessageBox"), std::vector<std::string>{kAskToSaveText});
    EXPECT_EQ(platform.CountOf("ClipboardGetBitmap"), 0);
    EXPECT_EQ(form->Doc.Base().Width(), 6);
    EXPECT_FALSE(form->CurrentFileName().empty());
    EXPECT_TRUE(form->EffectSnapshot.Empty()); // emptied before the question
}

TEST_F(Shell, PanelStyleKeepsTheModifiedMark) {
    Start();
    // The window's answer to a shell change may resize the view; that must not count as an edit.
    form->OnShellChanged = [&] { form->Doc.Modified = kMarkModified; };
    for (int mark : {kMarkClean, kMarkModified}) {
        form->Doc.Modified = mark;
        form->PanelStyleClick(false);
        EXPECT_EQ(form->Doc.Modified, mark);
        EXPECT_FALSE(form->ModernStyle);
        EXPECT_TRUE(form->FindItem("Вид", "Классический")->Checked);
        EXPECT_FALSE(form->FindItem("Вид", "Современный")->Checked);
        form->PanelStyleClick(false); // checking the checked one keeps it
        EXPECT_FALSE(form->ModernStyle);
        form->PanelStyleClick(true);
        EXPECT_EQ(form->Doc.Modified, mark);
        EXPECT_TRUE(form->FindItem("Вид", "Современный")->Checked);
        EXPECT_FALSE(form->FindItem("Вид", "Классический")->Checked);
    }
    form->Doc.Modified = kMarkClean;
    form->ControlBarClick();
    EXPECT_TRUE(form->Doc.IsModified());
}

TEST_F(Shell, PanelItemsToggleTheirChecks) {
    Start();
    int changes = 0;
    form->OnShellChanged = [&] { ++changes; };
    EXPECT_FALSE(form->FindItem("Вид", "Панель настройки")->Checked);
    form->SidePanelClick();
    EXPECT_TRUE(form->SidePanelVisible);
    EXPECT_TRUE(form->FindItem("Вид", "Панель настройки")->Checked);
    form->SidePanelClick();
    EXPECT_FALSE(form->SidePanelVisible);
    EXPECT_FALSE(form->FindItem("Вид", "Панель настройки")->Checked);
    const bool steps = form->StepsPanelChecked;
    form->StepsPanelClick();
    EXPECT_EQ(form->StepsPanelChecked, !steps);
    EXPECT_EQ(form->FindItem("Вид", "Панель этапов работы")->Checked, !steps);
    EXPECT_EQ(changes, 3);
}

TEST_F(Shell, FullScreenShowsTheCompositeAndFreesIt) {
    Start();
    form->FullScreenClick(); // nothing to show
    EXPECT_EQ(platform.CountOf("ShowFullScreen"), 0);
    Open(MakePicture("a.bmp", Picture(6, 4)));
    ApplyFakeFrame();
    form->Doc.Modified = kMarkClean;
    form->FullScreenClick();
    ASSERT_EQ(platform.TextsOf("ShowFullScreen"), std::vector<std::string>{"10x8"});
    EXPECT_EQ(platform.FullScreenPicture->Pixel(0, 0), 0xFF8B5A2Bu);
    EXPECT_EQ(platform.FullScreenPicture->StretchFilter(), sfNearest);
    EXPECT_TRUE(form->Doc.Composite.Empty());
    EXPECT_FALSE(form->Doc.IsModified());
}

TEST_F(Shell, HelpMailAndWebGoToTheShell) {
    Start();
    form->HelpClick();
    EXPECT_EQ(platform.TextsOf("ShellOpenFile"), std::vector<std::string>{Prog("Help.chm")});

    form->MenuOpened("Справка");
    EXPECT_FALSE(form->ItemEnabled("Справка", "Техническая поддержка"));
    EXPECT_FALSE(form->ItemEnabled("Справка", "Сайт Korvalis"));
    EXPECT_FALSE(form->AboutBox.MakerLinkEnabled());
    form->AboutBox.MakerClick();
    EXPECT_EQ(platform.CountOf("ShellMailTo"), 0);

    form->SupportAddress = "support@example.org";
    form->WebAddress = "https://example.org/";
    form->MenuOpened("Справка");
    ASSERT_TRUE(form->ItemEnabled("Справка", "Техническая поддержка"));
    ASSERT_TRUE(form->ItemEnabled("Справка", "Сайт Korvalis"));
    form->FindItem("Справка", "Техническая поддержка")->Handler(*form);
    form->FindItem("Справка", "Сайт Korvalis")->Handler(*form);
    form->AboutBox.MakerClick();
    EXPECT_EQ(platform.TextsOf("ShellMailTo"),
              (std::vector<std::string>{"support@example.org", "support@example.org"}));
    EXPECT_EQ(platform.TextsOf("ShellOpenUrl"), std::vector<std::string>{"https://example.org/"});

    platform.ModalScripts.push_back([](TDialogModel&) { return TModalResult::Ok; });
    EXPECT_TRUE(form->HandleShortcut("F1"));
    form->FindItem("Справка", "О программе")->Handler(*form);
    EXPECT_EQ(platform.TextsOf("ShowModal"), std::vector<std::string>{"TAboutBox"});
}

TEST_F(Shell, ZoomItemsReportTheNewScaleToTheWindow) {
    Start();
    Open(MakePicture("big.bmp", Picture(1600, 100)));
    int changes = 0;
    form->OnShellChanged = [&] { ++changes; };
    ASSERT_LT(form->Doc.ImgView.Scale(), 1.0f); // fitted on opening
    form->Doc.Modified = kMarkClean;
    EXPECT_TRUE(form->HandleShortcut("Ctrl+A"));
    EXPECT_FLOAT_EQ(form->Doc.ImgView.Scale(), 1.0f);
    EXPECT_EQ(form->Zoom.Text, "100%");
    EXPECT_TRUE(form->HandleShortcut("Ctrl+F"));
    EXPECT_LT(form->Doc.ImgView.Scale(), 1.0f);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(form->Doc.IsModified());
}

TEST_F(Shell, DroppedFileAsksToSaveFirst) {
    Start();
    Open(MakePicture("a.bmp", Picture(6, 4)));
    const std::string other = MakePicture("b.png", Picture(3, 3, 5));
    form->Doc.Modified = kMarkModified;
    platform.MessageAnswers.push_back(TMsgAnswer::Cancel);
    EXPECT_FALSE(form->OpenDroppedFile(other));
    EXPECT_EQ(form->Doc.Base().Width(), 6);
    platform.MessageAnswers.push_back(TMsgAnswer::No);
    RecordEffectStep(form->Doc);
    EXPECT_TRUE(form->OpenDroppedFile(other));
    EXPECT_TRUE(SamePixels(form->Doc.Base(), Picture(3, 3, 5)));
    EXPECT_EQ(form->CurrentFileName(), other);
    EXPECT_FALSE(UndoEnabled(form->Doc));
    EXPECT_FALSE(form->Doc.IsModified());
    EXPECT_TRUE(form->SidePanelVisible);
    EXPECT_EQ(form->Recent.Captions.front(), other);
}
