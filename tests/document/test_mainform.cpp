#include "document/history.h"
#include "tests/document/form_fixture.h"

#include <algorithm>

using namespace kv;
using namespace kv::testing;

namespace {
struct MainForm : FormFixture {};
} // namespace

TEST_F(MainForm, FileAndEditMenusAsData) {
    Start();
    struct Case {
        const char* menu;
        const char* caption;
        const char* shortcut;
    } cases[] = {{"Файл", "Открыть", "Ctrl+O"},       {"Файл", "Сохранить...", "Ctrl+S"},
                 {"Файл", "Сохранить как...", ""},    {"Файл", "Недавние файлы", ""},
                 {"Файл", "Экспорт изображения", ""}, {"Файл", "В формат BMP", ""},
                 {"Файл", "В формат JPEG", ""},       {"Файл", "В формат GIF", ""},
                 {"Файл", "В формат PNG", ""},        {"Файл", "В формат TIFF", ""},
                 {"Файл", "Настройка печати", ""},    {"Файл", "Выход", "F10"},
                 {"Правка", "Отменить", "Ctrl+Z"},    {"Правка", "Повторить", "Ctrl+Y"}};
    for (const Case& c : cases) {
        const TMenuItem* it = form->FindItem(c.menu, c.caption);
        ASSERT_NE(it, nullptr) << c.caption;
        EXPECT_EQ(it->Shortcut, c.shortcut) << c.caption;
    }
    EXPECT_EQ(form->FindItem("Файл", "Экспорт изображения")->Items.size(), 5u);
}

TEST_F(MainForm, FileMenuEnablesSavingExactlyWithAPicture) {
    Start();
    form->MenuOpened("Файл");
    EXPECT_FALSE(form->ItemEnabled("Файл", "Сохранить..."));
    EXPECT_FALSE(form->ItemEnabled("Файл", "Сохранить как..."));
    EXPECT_TRUE(form->ItemEnabled("Файл", "Открыть"));
    Open(MakePicture("a.bmp", Picture(4, 4)));
    form->SetItemEnabled("Файл", "Сохранить...", false);
    form->MenuOpened("Файл");
    EXPECT_TRUE(form->ItemEnabled("Файл", "Сохранить..."));
    EXPECT_TRUE(form->ItemEnabled("Файл", "Сохранить как..."));
}

TEST_F(MainForm, HistoryItemsFollowTheStepsOnMenuOpeningAndViewChanges) {
    Start();
    Open(MakePicture("a.bmp", Picture(4, 4)));
    TMainForm& f = *form;
    EXPECT_FALSE(f.ItemEnabled("Правка", "Отменить"));
    RecordEffectStep(f.Doc);
    f.MenuOpened("Правка");
    EXPECT_TRUE(f.ItemEnabled("Правка", "Отменить"));
    EXPECT_FALSE(f.ItemEnabled("Правка", "Повторить"));
    f.Doc.Base().SetSize(7, 2); // a view change
    EXPECT_EQ(f.StatusPanel1, "7x2");

    EXPECT_TRUE(f.HandleShortcut("Ctrl+Z"));
    EXPECT_EQ(f.Doc.Base().Width(), 4);
    EXPECT_FALSE(f.ItemEnabled("Правка", "Отменить"));
    EXPECT_TRUE(f.ItemEnabled("Правка", "Повторить"));
    EXPECT_TRUE(f.HandleShortcut("Ctrl+Z")); // disabled: taken, does nothing
    EXPECT_EQ(f.Doc.Base().Width(), 4);
    f.RedoClick();
    EXPECT_EQ(f.Doc.Base().Width(), 7);
    EXPECT_TRUE(f.ItemEnabled("Правка", "Отменить"));
    EXPECT_FALSE(f.ItemEnabled("Правка", "Повторить"));
    EXPECT_FALSE(f.HandleShortcut("Ctrl+Q"));
}

TEST_F(MainForm, OtherSubsystemsAddItemsWithRules) {
    Start();
    int runs = 0;
    TMenuItem extra;
    extra.Caption = "Новая команда";
    extra.EnabledRule = [](const TMainForm& f) { return !f.Doc.Empty(); };
    extra.Handler = [&](TMainForm&) { ++runs; };
    form->AddMenuItem("Изображение", extra, "Обрезать изображение");
    const auto& items = form->FindMenu("Изображение")->Items;
    const auto at = std::find_if(items.begin(), items.end(),
                                 [](const TMenuItem& it) { return it.Caption == "Новая команда"; });
    ASSERT_NE(at, items.end());
    ASSERT_NE(at + 1, items.end());
    EXPECT_EQ((at + 1)->Caption, "Обрезать изображение");
    form->MenuOpened("Изображение");
    EXPECT_FALSE(form->ItemEnabled("Изображение", "Новая команда"));
    Open(MakePicture("a.bmp", Picture(4, 4))); // a view change applies the rules too
    EXPECT_TRUE(form->ItemEnabled("Изображение", "Новая команда"));
    // Without a handler an item stays disabled whatever its rule says.
    form->MenuOpened("Изображение");
    form->FindItem("Изображение", "Новая команда")->Handler = nullptr;
    form->MenuOpened("Изображение");
    EXPECT_FALSE(form->ItemEnabled("Изображение", "Новая команда"));
    EXPECT_EQ(runs, 0);
}

TEST_F(MainForm, CloseQueryAsksOnlyForUnsavedWork) {
    Start();
    EXPECT_TRUE(form->CloseQuery()); // empty document
    Open(MakePicture("a.bmp", Picture(4, 4)));
    form->Doc.Layers().Add<TBitmapLayer>();
    form->Doc.Modified = kMarkClean;
    EXPECT_TRUE(form->CloseQuery()); // clean, even with layers
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);
    form->Doc.Modified = kMarkModified;
    platform.MessageAnswers.push_back(TMsgAnswer::Cancel);
    EXPECT_FALSE(form->CloseQuery());
    EXPECT_TRUE(form->Doc.IsModified());                // asks again next time
    platform.MessageAnswers.push_back(TMsgAnswer::Yes); // saves to a.bmp and closes
    EXPECT_TRUE(form->CloseQuery());
    EXPECT_FALSE(form->Doc.IsModified());
}
