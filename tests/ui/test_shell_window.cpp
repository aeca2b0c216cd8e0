// The main window built from the main form's data: the menu bar, item states, tool bars, top bar,
// side panel sections, the clipboard, the full-screen preview, the close query and Space.
#include "core/bitmap32.h"
#include "document/history.h"
#include "document/mainform.h"
#include "document/settings.h"
#include "tests/ui/main_window_fixture.h"
#include "tests/ui/ui_test_util.h"
#include "ui/about_box.h"
#include "ui/fullscreen_view.h"
#include "ui/imageview_widget.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"
#include "ui/side_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kv;

namespace {

using kv::test::WhenShown;

void AnswerBox(const QString& button, QString* text = nullptr) {
    WhenShown<QMessageBox>([button, text](QMessageBox* box) {
        if (text) *text = box->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button) {
                b->click();
                return;
            }
        ADD_FAILURE() << "no button " << button.toStdString();
        box->reject();
    });
}

TBitmap32 Stripes(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, x < w / 2 ? 0xFFC00000u : 0xFF0000C0u);
    return b;
}

class ShellWindowTest : public kv::test::MainWindowFixture {
  protected:
    ShellWindowTest() : MainWindowFixture("kv_shell_") {}
    TMainForm& Form() { return window->Form(); }
    QAction* Action(const char* menu, const char* caption) { return window->ActionFor(menu, caption); }
    // What the menu shows when it opens.
    void OpenMenu(const char* caption) { emit window->MenuFor(caption)->aboutToShow(); }
};

} // namespace

TEST_F(ShellWindowTest, MenuBarIsBuiltFromTheMenuData) {
    const QList<QAction*> top = window->menuBar()->actions();
    ASSERT_EQ(top.size(), qsizetype(Form().Menus.size()));
    for (qsizetype i = 0; i < top.size(); ++i) {
        const TMenu& m = Form().Menus[std::size_t(i)];
        EXPECT_EQ(top[i]->text().toStdString(), m.Caption);
        // Items in the model's order, submenus as submenus, shortcuts as key sequences.
        const QList<QAction*> shown = top[i]->menu()->actions();
        ASSERT_EQ(shown.size(), qsizetype(m.Items.size())) << m.Caption;
        for (qsizetype k = 0; k < shown.size(); ++k) {
            const TMenuItem& it = m.Items[std::size_t(k)];
            EXPECT_EQ(shown[k]->text().toStdString(), it.Caption);
            EXPECT_EQ(shown[k]->menu() != nullptr, !it.Items.empty() || it.Caption == kRecentSubmenu)
                << it.Caption;
            if (it.Items.empty() && it.Caption != kRecentSubmenu) {
                EXPECT_EQ(shown[k], Action(m.Caption.c_str(), it.Caption.c_str()));
                EXPECT_EQ(shown[k]->shortcut(), QKeySequence(QString::fromStdString(it.Shortcut)))
                    << it.Caption;
            }
        }
    }
    const struct {
        const char* menu;
        const char* caption;
        QKeySequence keys;
    } keys[] = {{"Файл", "Открыть", QKeySequence(Qt::CTRL | Qt::Key_O)},
                {"Файл", "Выход", QKeySequence(Qt::Key_F10)},
                {"Правка", "Отменить", QKeySequence(Qt::CTRL | Qt::Key_Z)},
                {"Рамки", "Просмотр", QKeySequence(Qt::Key_Space)},
                {"Рамки", "Снять рамку", QKeySequence(Qt::Key_Delete)},
                {"Вид", "Уместить в окне", QKeySequence(Qt::CTRL | Qt::Key_F)},
                {"Справка", "Справка", QKeySequence(Qt::Key_F1)}};
    for (const auto& k : keys) {
        QAction* a = Action(k.menu, k.caption);
        ASSERT_NE(a, nullptr) << k.caption;
        EXPECT_EQ(a->shortcut(), k.keys) << k.caption;
    }
    ASSERT_NE(Action("Изображение", "На 180°"), nullptr);
    EXPECT_TRUE(Action("Вид", "Современный")->isCheckable());
}

TEST_F(ShellWindowTest, ItemStatesFollowTheModel) {
    int removals = 0;
    Form().FindItem("Рамки", "Снять рамку")->Handler = [&](TMainForm&) { ++removals; };
    window->RefreshActions();
    EXPECT_FALSE(Action("Рамки", "Снять рамку")->isEnabled());
    EXPECT_FALSE(Action("Файл", "Сохранить...")->isEnabled());
    EXPECT_FALSE(Action("Файл", "Печать")->isEnabled()); // not bound
    EXPECT_FALSE(Action("Правка", "Отменить")->isEnabled());

    ASSERT_TRUE(window->OpenFile(Write(Stripes(40, 30), "a.bmp")));
    EXPECT_TRUE(Action("Рамки", "Снять рамку")->isEnabled()); // a view change, no menu opened
    EXPECT_TRUE(Action("Файл", "Сохранить...")->isEnabled());
    Action("Рамки", "Снять рамку")->trigger();
    EXPECT_EQ(removals, 1);

    RecordEffectStep(Form().Doc);
    OpenMenu("Правка");
    EXPECT_TRUE(Action("Правка", "Отменить")->isEnabled());
    Action("Правка", "Отменить")->trigger();
    EXPECT_FALSE(Action("Правка", "Отменить")->isEnabled());
    EXPECT_TRUE(Action("Правка", "Повторить")->isEnabled());
}

TEST_F(ShellWindowTest, ToolBarsCarryTheItemsActions) {
    const std::vector<std::string> expected{"Открыть",
                                            "Сохранить...",
                                            "Печать",
                                            "|",
                                            "Отменить",
                                            "Повторить",
                                            "Копировать",
                                            "Вставить как новое",
                                            "|",
                                            "Цветовой баланс",
                                            "Каталог эффектов",
                                            "Каталог рамок",
                                            "|",
                                            "Обрезать изображение",
                                            "Полноэкранный просмотр",
                                            "Масштаб 100%",
                                            "Уместить в окне"};
    for (QToolBar* bar : {window->ClassicToolBar(), window->ModernToolBar()}) {
        std::vector<std::string> shown;
        for (QAction* a : bar->actions()) {
            shown.push_back(a->isSeparator() ? "|" : a->text().toStdString());
            if (a->isSeparator()) continue;
            EXPECT_EQ(a->toolTip(), a->text()); // the hint is the item's caption
            bool inMenu = false;
            for (const TMenu& m : Form().Menus)
                inMenu = inMenu || window->ActionFor(m.Caption, a->text().toStdString()) == a;
            EXPECT_TRUE(inMenu) << a->text().toStdString();
        }
        EXPECT_EQ(shown, expected);
    }
    // One style at a time; the modern one by default. Switching keeps the modified mark.
    EXPECT_TRUE(window->ModernToolBar()->isVisible());
    EXPECT_FALSE(window->ClassicToolBar()->isVisible());
    for (int mark : {kMarkClean, kMarkModified}) {
        Form().Doc.Modified = mark;
        Action("Вид", "Классический")->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(window->ClassicToolBar()->isVisible());
        EXPECT_FALSE(window->ModernToolBar()->isVisible());
        EXPECT_TRUE(Action("Вид", "Классический")->isChecked());
        EXPECT_FALSE(Action("Вид", "Современный")->isChecked());
        Action("Вид", "Современный")->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(window->ModernToolBar()->isVisible());
        EXPECT_EQ(Form().Doc.Modified, mark);
    }
}

TEST_F(ShellWindowTest, TopBarAndSidePanelAppearWithAPicture) {
    EXPECT_FALSE(window->TopBar()->isVisible());
    EXPECT_FALSE(window->SidePanelWidget()->isVisible());
    ASSERT_TRUE(window->OpenFile(Write(Stripes(40, 30), "a.bmp")));
    EXPECT_TRUE(window->TopBar()->isVisible());
    EXPECT_TRUE(window->SidePanelWidget()->isVisible());
    EXPECT_TRUE(Action("Вид", "Панель настройки")->isChecked());
    EXPECT_GE(window->SidePanelWidget()->width(), ui::SidePanel::kMinimumWidth);
    Action("Вид", "Панель настройки")->trigger();
    EXPECT_FALSE(window->SidePanelWidget()->isVisible());

    // During a frame build the progress bar takes the preset buttons' place.
    EXPECT_TRUE(window->SaveFrameButton()->isVisible());
    EXPECT_FALSE(window->ProgressBar()->isVisible());
    Form().PresetButtonsVisible = false;
    Form().PBRVisible = true;
    Form().PBRPosition = 3;
    Form().ShellChanged();
    EXPECT_FALSE(window->SaveFrameButton()->isVisible());
    EXPECT_FALSE(window->LoadFrameButton()->isVisible());
    EXPECT_TRUE(window->ProgressBar()->isVisible());
    EXPECT_EQ(window->ProgressBar()->value(), 3);
    EXPECT_EQ(window->ProgressBar()->maximum(), 7);
}

TEST_F(ShellWindowTest, SidePanelSectionsCollapseAndExpand) {
    const struct {
        const char* caption;
        int height;
    } sections[] = {
        {"Основные параметры рамки", 163}, {"Тип и наполнение рамки", 211}, {"Фон под рамкой", 277}};
    for (int i = 0; i < 3; ++i) {
        ui::SidePanelSection* s = window->Section(i);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->Caption().toStdString(), sections[i].caption);
        EXPECT_GE(s->height(), sections[i].height);
        const int expanded = s->height();
        s->CollapseButton()->click();
        EXPECT_EQ(s->height(), 21);
        EXPECT_TRUE(s->Collapsed());
        s->CollapseButton()->click(); // already collapsed
        EXPECT_EQ(s->height(), 21);
        s->ExpandButton()->click();
        EXPECT_EQ(s->height(), expanded);
    }
}

TEST_F(ShellWindowTest, PasteAsNewAndCopyGoThroughTheClipboard) {
    QImage img(5, 3, QImage::Format_ARGB32);
    img.fill(QColor(10, 200, 30, 80)); // translucent on the clipboard, opaque once pasted
    QGuiApplication::clipboard()->setImage(img);
    OpenMenu("Правка");
    ASSERT_TRUE(Action("Правка", "Вставить как новое")->isEnabled());
    Action("Правка", "Вставить как новое")->trigger();
    const TBitmap32& base = Form().Doc.Base();
    ASSERT_EQ(base.Width(), 5);
    ASSERT_EQ(base.Height(), 3);
    EXPECT_EQ(base.Pixel(4, 2) >> 24, 255u);
    EXPECT_TRUE(window->TopBar()->isVisible());
    EXPECT_EQ(window->SizeText(), "5x3");

    // "Копировать" puts the clean photo there, not a picture drawn over it.
    Form().Doc.Base().Clear(0xFF000000u);
    OpenMenu("Правка");
    Action("Правка", "Копировать")->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(5, 3));
    EXPECT_EQ(copied.pixel(2, 1) & 0xFFFFFFu, Form().Doc.CleanPhoto.Pixel(2, 1) & 0xFFFFFFu);
    EXPECT_NE(copied.pixel(2, 1) & 0xFFFFFFu, 0u);
}

TEST_F(ShellWindowTest, FullScreenPreviewShowsThePictureUntilEsc) {
    ASSERT_TRUE(window->OpenFile(Write(Stripes(40, 20), "wide.bmp")));
    QImage shot;
    WhenShown<ui::FullScreenView>([&](ui::FullScreenView* v) {
        QApplication::processEvents();
        shot = v->grab().toImage();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(v, &esc);
    });
    Action("Вид", "Полноэкранный просмотр")->trigger(); // returns once Esc closed the preview
    ASSERT_FALSE(shot.isNull());
    const QRect r = ui::FullScreenView::FitRect(QSize(40, 20), shot.size());
    EXPECT_EQ(r.width(), shot.width());          // a wide picture fills the width, enlarged
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFFu, 0u); // black above it
    EXPECT_EQ(shot.pixel(r.left() + 2, r.center().y()) & 0xFFFFFFu, 0xC00000u); // left half
    EXPECT_EQ(shot.pixel(r.right() - 2, r.center().y()) & 0xFFFFFFu, 0x0000C0u);
    EXPECT_TRUE(Form().Doc.Composite.Empty());
}

TEST_F(ShellWindowTest, FitRectKeepsTheAspect) {
    const struct {
        QSize picture, area, expectedSize;
    } cases[] = {{{40, 20}, {1000, 800}, {1000, 500}},
                 {{20, 40}, {1000, 800}, {400, 800}},
                 {{1000, 1000}, {500, 250}, {250, 250}},
                 {{1, 1}, {300, 200}, {200, 200}}};
    for (const auto& c : cases) {
        const QRect r = ui::FullScreenView::FitRect(c.picture, c.area);
        EXPECT_EQ(r.size(), c.expectedSize);
        EXPECT_LE(std::abs(r.left() - (c.area.width() - r.right() - 1)), 1); // centred
        EXPECT_LE(std::abs(r.top() - (c.area.height() - r.bottom() - 1)), 1);
    }
}

TEST_F(ShellWindowTest, CloseQueryKeepsUnsavedWorkOpen) {
    ASSERT_TRUE(window->OpenFile(Write(Stripes(40, 30), "a.bmp")));
    Form().Doc.Modified = kMarkModified;
    QString asked;
    AnswerBox(QStringLiteral("Отмена"), &asked);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked.toStdString(), kAskToSaveText);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(Form().Closed);
    AnswerBox(QStringLiteral("Нет"));
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(Form().Closed);
    EXPECT_TRUE(fs::exists(dir / "prog" / "CForm.atp")); // the exit steps ran
    EXPECT_TRUE(fs::exists(dir / "prog" / "Dirs.lst"));
}

TEST_F(ShellWindowTest, SpaceStaysWithAFocusedButtonButNotWithTheView) {
    auto overrideTaken = [](QWidget* w) {
        QKeyEvent e(QEvent::ShortcutOverride, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        e.setAccepted(false);
        QApplication::sendEvent(w, &e);
        return e.isAccepted();
    };
    EXPECT_TRUE(overrideTaken(window->SaveFrameButton()));
    EXPECT_TRUE(overrideTaken(window->Section(0)->ExpandButton()));
    // From the view the key travels up through the containers to the window: none of them takes it.
    EXPECT_FALSE(overrideTaken(window->View()));
    EXPECT_FALSE(overrideTaken(window->View()->viewport()));
    EXPECT_FALSE(overrideTaken(window.get()));
}

TEST_F(ShellWindowTest, AboutBoxShowsTheProductAndLinksTheMakerOnlyWithAnAddress) {
    for (const bool withAddress : {false, true}) {
        Form().SupportAddress = withAddress ? "support@example.org" : "";
        QStringList texts;
        bool link = false;
        WhenShown<ui::AboutBoxWindow>([&](ui::AboutBoxWindow* box) {
            for (QLabel* l : box->findChildren<QLabel*>())
                texts << l->text();
            link = box->MakerLabel()->text().contains(QStringLiteral("<a "));
            box->accept();
        });
        Action("Справка", "О программе")->trigger();
        EXPECT_TRUE(texts.contains(QStringLiteral("Korvalis")));
        EXPECT_TRUE(texts.contains(QString::fromStdString(Form().AboutBox.Description)));
        EXPECT_EQ(link, withAddress);
    }
}

TEST_F(ShellWindowTest, PlacementAndStyleComeFromTheSettingsFileAndGoBackToIt) {
    window.reset();
    TFormRecord rec;
    rec.WindowState = 0;
    rec.Left = 40;
    rec.Top = 30;
    rec.Width = 760;
    rec.Height = 540;
    rec.PanelStyle = "Old";
    rec.SetStepsPanelText("Yes");
    const auto bytes = EncodeFormRecord(rec);
    std::ofstream(dir / "prog" / "CForm.atp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    window = std::make_unique<ui::MainWindow>(*platform);
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(760, 540));
    EXPECT_TRUE(window->ClassicToolBar()->isVisible());
    EXPECT_FALSE(window->ModernToolBar()->isVisible());
    EXPECT_TRUE(Action("Вид", "Панель этапов работы")->isChecked());

    window->resize(700, 500);
    QApplication::processEvents();
    ASSERT_TRUE(window->close()); // a clean, empty document closes without a question
    std::ifstream in(dir / "prog" / "CForm.atp", std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const TFormRecord back =
        DecodeFormRecord(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    EXPECT_EQ(back.Width, 700);
    EXPECT_EQ(back.Height, 500);
    EXPECT_EQ(back.PanelStyle, "Old");
    EXPECT_EQ(back.StepsPanelText(), "Yes");
}

TEST_F(ShellWindowTest, CommandLineFileOpensWhenTheWindowIsFirstShown) {
    window.reset();
    const std::string name = Write(Stripes(40, 30), "my photo.bmp");
    const auto blank = name.find(' ');
    window = std::make_unique<ui::MainWindow>(
        *platform, std::vector<std::string>{name.substr(0, blank), name.substr(blank + 1)});
    EXPECT_TRUE(Form().Doc.Empty()); // not before it shows
    window->show();
    for (int i = 0; i < 5 && Form().Doc.Empty(); ++i)
        QApplication::processEvents();
    ASSERT_EQ(Form().Doc.Base().Width(), 40);
    EXPECT_EQ(window->FileNameText().toStdString(), name);
    EXPECT_TRUE(window->TopBar()->isVisible());
    EXPECT_TRUE(window->SidePanelWidget()->isVisible());
}

TEST_F(ShellWindowTest, DroppedPictureFileIsOpened) {
    const std::string name = Write(Stripes(12, 10), "dropped.bmp");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(name))});
    const QPoint at = window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    for (int i = 0; i < 5 && Form().Doc.Empty(); ++i)
        QApplication::processEvents();
    EXPECT_EQ(Form().Doc.Base().Width(), 12);
    EXPECT_EQ(Form().CurrentFileName(), name);
}

TEST_F(ShellWindowTest, ExitWritesTheRecentListAndClosesTheWindow) {
    ASSERT_TRUE(window->OpenFile(Write(Stripes(8, 8), "a.bmp")));
    Action("Файл", "Выход")->trigger(); // clean: no question
    EXPECT_TRUE(Form().Closed);
    EXPECT_FALSE(window->isVisible());
    std::ifstream in(dir / "prog" / "Dirs.lst", std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, (dir / "a.bmp").string() + "\r");
}
