// QtPlatform on the offscreen platform: filter translation and matching, colour values, text without
// smoothing, the small raster services, timers, message boxes and the not-yet-available services.
#include "core/error.h"
#include "tests/ui/ui_test_util.h"
#include "ui/qt_platform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QColorDialog>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

using namespace kv;
using namespace kv::ui;
namespace fs = std::filesystem;

namespace {

using kv::test::EnsureApp;
using kv::test::WhileShown;

class QtPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureApp(); }
    QtPlatform platform;
};

QAbstractButton* ButtonWithText(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return b;
    return nullptr;
}

} // namespace

TEST(QtFileFilters, Translation) {
    struct Case {
        const char* name;
        const char* filter;
        QStringList expected;
    } cases[] = {
        {"pairs",
         "Все рисунки|*.bmp;*.jpg;*.png|Рисунки BMP|*.bmp",
         {"Все рисунки (*.bmp *.jpg *.png)", "Рисунки BMP (*.bmp)"}},
        {"caption that shows its masks",
         "Рисунок JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Все файлы|*.*",
         {"Рисунок JPEG (*.jpg *.jpeg)", "Все файлы (*.*)"}},
        {"caption with other brackets", "Проект (Korvalis)|*.qrv", {"Проект (Korvalis) (*.qrv)"}},
        {"blanks around masks and a trailing bar", "A| *.a ; *.b |", {"A (*.a *.b)"}},
        {"empty mask list means everything", "Всё|", {"Всё (*)"}},
        {"no filter at all", "", {"(*)"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TranslateFileFilter(c.filter).Filters, c.expected) << c.name;
}

TEST(QtFileFilters, IndexBothWays) {
    const QtFileFilters f = TranslateFileFilter("A|*.a|B|*.b|C|*.c");
    EXPECT_EQ(QtFilterForIndex(f, 1), "A (*.a)");
    EXPECT_EQ(QtFilterForIndex(f, 3), "C (*.c)");
    EXPECT_EQ(QtFilterForIndex(f, 0), "A (*.a)"); // out of range: the first filter
    EXPECT_EQ(QtFilterForIndex(f, 4), "A (*.a)");
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(FilterIndexOf(f, QtFilterForIndex(f, i)), i);
    EXPECT_EQ(FilterIndexOf(f, "other (*.x)"), 1);
}

TEST(QtFileFilters, MasksMatchCaseInsensitively) {
    const QStringList pictures{"*.bmp", "*.jpg"};
    EXPECT_TRUE(MatchesMasks("/effects/Blur.BMP", pictures));
    EXPECT_TRUE(MatchesMasks("photo.Jpg", pictures));
    EXPECT_FALSE(MatchesMasks("photo.jpeg", pictures));
    EXPECT_FALSE(MatchesMasks("bmp", pictures));
    EXPECT_TRUE(MatchesMasks("anything", {"*.*"}));
}

// The file dialog lists files whose extensions differ in letter case from the masks.
TEST_F(QtPlatformTest, FileDialogListsFilesInAnyLetterCase) {
    const fs::path dir = fs::temp_directory_path() / ("kv_qtfd_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const char* n : {"Blur.BMP", "a.bmp", "notes.txt"})
        std::ofstream(dir / n) << "x";
    QStringList listed;
    WhileShown<QFileDialog>([&](QFileDialog* dlg, int) {
        auto* model = dlg->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        const QModelIndex root = model->index(QString::fromStdString(dir.string()));
        QDeadlineTimer deadline(5000);
        while (model->canFetchMore(root) || model->rowCount(root) < 2) {
            model->fetchMore(root);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (deadline.hasExpired()) break;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        for (int r = 0; r < model->rowCount(root); ++r) {
            const QModelIndex i = model->index(r, 0, root);
            // Files the name filter rejects are hidden (or, with disabling filters, disabled).
            if (model->flags(i) & Qt::ItemIsEnabled) listed << model->fileName(i);
        }
        dlg->reject();
    });
    TFileDialogOptions o;
    o.Filter = "Рисунки BMP|*.bmp";
    o.InitialDir = dir.string();
    EXPECT_FALSE(platform.OpenFileDialog(o).has_value());
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"Blur.BMP", "a.bmp"}));
    fs::remove_all(dir);
}

TEST_F(QtPlatformTest, SaveDialogGivesTheChosenFilterIndex) {
    const fs::path dir = fs::temp_directory_path() / ("kv_qtsd_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    WhileShown<QFileDialog>([&](QFileDialog* dlg, int attempt) {
        if (attempt == 0) {
            EXPECT_EQ(dlg->selectedNameFilter(), "PNG (*.png)"); // index 2 came in
        }
        dlg->selectNameFilter("JPEG (*.jpg)");
        // The name typed into the dialog's own edit box, as a user would, in the folder it shows.
        if (auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit")) edit->setText("out.jpg");
        static_cast<QDialog*>(dlg)->accept(); // QFileDialog's override is protected
    });
    TFileDialogOptions o;
    o.Filter = "BMP|*.bmp|PNG|*.png|JPEG|*.jpg";
    o.FilterIndex = 2;
    o.InitialDir = dir.string();
    const auto r = platform.SaveFileDialog(o);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->FilterIndex, 3);
    EXPECT_EQ(r->FileName, (dir / "out.jpg").string());
    fs::remove_all(dir);
}

TEST_F(QtPlatformTest, WindowsColourValues) {
    struct Case {
        TWinColor win;
        QColor qt;
    } cases[] = {{0x000000FF, QColor(255, 0, 0)},
                 {0x00FF0000, QColor(0, 0, 255)},
                 {0x00332211, QColor(0x11, 0x22, 0x33)},
                 {0x00FFFFFF, QColor(255, 255, 255)},
                 {0, QColor(0, 0, 0)}};
    for (const Case& c : cases) {
        EXPECT_EQ(QColorFromWinColor(c.win), c.qt) << std::hex << c.win;
        EXPECT_EQ(WinColorFromQColor(c.qt), c.win) << std::hex << c.win;
    }
    // The system's button face colour comes from the palette.
    EXPECT_EQ(QColorFromWinColor(0x8000000F), QGuiApplication::palette().color(QPalette::Button));
}

TEST_F(QtPlatformTest, ColourDialogTakesAndGivesWindowsValues) {
    WhileShown<QColorDialog>([](QColorDialog* dlg, int attempt) {
        if (attempt == 0) {
            EXPECT_EQ(dlg->currentColor(), QColor(0x11, 0x22, 0x33));
        }
        dlg->setCurrentColor(QColor(0xAA, 0xBB, 0xCC));
        dlg->accept();
    });
    EXPECT_EQ(platform.ColorDialog(0x00332211), std::optional<TWinColor>(0x00CCBBAA));
    WhileShown<QColorDialog>([](QColorDialog* dlg, int) { dlg->reject(); });
    EXPECT_EQ(platform.ColorDialog(0x00332211), std::nullopt);
}

TEST_F(QtPlatformTest, TextIsDrawnWithoutSmoothing) {
    TFontSpec font;
    font.Family = "DejaVu Sans";
    font.Size = 20;
    font.Color = 0x000000FF; // red
    for (TColor32 background : {clWhite32, clTransparent32}) {
        TBitmap32 b(220, 60);
        b.Clear(background);
        platform.DrawText(b, 10, 5, "Ёлка Test", font);
        const TExtent e = platform.TextExtent("Ёлка Test", font);
        int painted = 0, outside = 0, other = 0;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) {
                const TColor32 c = b.Pixel(x, y);
                if (c == background) continue;
                ++painted;
                if (c != 0xFFFF0000u) ++other; // only the opaque font colour, no blended edge
                if (x < 10 || y < 5 || x >= 10 + e.Width || y >= 5 + e.Height) ++outside;
            }
        EXPECT_GT(painted, 100);
        EXPECT_EQ(other, 0);
        EXPECT_EQ(outside, 0);
    }
}

TEST_F(QtPlatformTest, TextExtentGrowsWithTextAndSize) {
    TFontSpec small, big;
    small.Size = 10;
    big.Size = 20;
    const TExtent a = platform.TextExtent("Рамка", small), b = platform.TextExtent("Рамка", big);
    const TExtent longer = platform.TextExtent("Рамка Рамка", small);
    EXPECT_GT(a.Width, 0);
    EXPECT_GE(a.Height, 13); // 10 points at 96 pixels per inch is a 13-pixel em
    EXPECT_GT(b.Width, a.Width);
    EXPECT_GT(b.Height, a.Height);
    EXPECT_GT(longer.Width, a.Width);
    EXPECT_EQ(platform.TextExtent("", small).Width, 0);
}

TEST_F(QtPlatformTest, FillEllipseCopiesTheColour) {
    TBitmap32 b(12, 12);
    b.Clear(clBlack32);
    platform.FillEllipse(b, TRect{1, 1, 11, 11}, 0x80FF0000u);
    EXPECT_EQ(b.Pixel(5, 5), 0x80FF0000u); // copied, not blended
    EXPECT_EQ(b.Pixel(1, 6), 0x80FF0000u);
    EXPECT_EQ(b.Pixel(1, 1), clBlack32);  // corner of the bounds
    EXPECT_EQ(b.Pixel(11, 6), clBlack32); // right edge excluded
    EXPECT_EQ(b.Pixel(0, 6), clBlack32);
    for (int y = 0; y < 12; ++y) // symmetric about the centre of the bounds
        for (int x = 0; x < 12; ++x)
            if (x >= 1 && x <= 10 && y >= 1 && y <= 10) {
                EXPECT_EQ(b.Pixel(x, y), b.Pixel(11 - x, 11 - y)) << x << "," << y;
            }
}

TEST_F(QtPlatformTest, DrawTransparentLeavesTheKeyColourOut) {
    TBitmap32 src(3, 2);
    src.Clear(0xFF00FF00u);
    src.SetPixel(1, 0, 0x12FFFFFFu); // key colour, alpha ignored
    TBitmap32 dst(4, 3);
    dst.Clear(clBlack32);
    platform.DrawTransparent(dst, -1, 1, src, clWhite32);
    EXPECT_EQ(dst.Pixel(0, 1), clBlack32); // src (1, 0): the key colour
    EXPECT_EQ(dst.Pixel(1, 1), 0xFF00FF00u);
    EXPECT_EQ(dst.Pixel(0, 2), 0xFF00FF00u);
    EXPECT_EQ(dst.Pixel(2, 1), clBlack32); // beyond src
    EXPECT_EQ(dst.Pixel(0, 0), clBlack32);
}

TEST_F(QtPlatformTest, OneShotTimers) {
    int fired = 0, cancelled = 0;
    platform.StartTimer(0, [&] { ++fired; });
    const int id = platform.StartTimer(0, [&] { ++cancelled; });
    platform.CancelTimer(id);
    QDeadlineTimer deadline(2000);
    while (fired == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(cancelled, 0);
}

TEST_F(QtPlatformTest, MessageBoxButtonSets) {
    struct Case {
        TMsgButtons buttons;
        QStringList texts;
        QString press; // empty: Esc
        TMsgAnswer answer;
    } cases[] = {
        {TMsgButtons::YesNoCancel, {"Да", "Нет", "Отмена"}, "Нет", TMsgAnswer::No},
        {TMsgButtons::YesNoCancel, {"Да", "Нет", "Отмена"}, "Да", TMsgAnswer::Yes},
        {TMsgButtons::YesNoCancel, {"Да", "Нет", "Отмена"}, "", TMsgAnswer::Cancel},
        {TMsgButtons::OkCancel, {"ОК", "Отмена"}, "ОК", TMsgAnswer::Ok},
        {TMsgButtons::OkCancel, {"ОК", "Отмена"}, "", TMsgAnswer::Cancel},
        {TMsgButtons::Ok, {"ОК"}, "", TMsgAnswer::Ok},
    };
    for (const Case& c : cases) {
        QStringList seen;
        QString text;
        WhileShown<QMessageBox>([&](QMessageBox* box, int attempt) {
            if (attempt == 0) {
                text = box->text();
                for (QAbstractButton* b : box->buttons())
                    seen << b->text();
            }
            if (c.press.isEmpty())
                box->reject(); // Esc and the close box
            else
                ButtonWithText(box, c.press)->click();
        });
        EXPECT_EQ(platform.MessageBox("Изображение было изменено. Сохранить?", c.buttons), c.answer);
        EXPECT_EQ(text, "Изображение было изменено. Сохранить?");
        seen.sort();
        QStringList expected = c.texts;
        expected.sort();
        EXPECT_EQ(seen, expected);
    }
}

TEST_F(QtPlatformTest, ClipboardRoundTripIsOpaque) {
    TBitmap32 b(3, 2);
    b.Clear(0x40102030u);
    b.SetPixel(2, 1, 0xFFFFEEDDu);
    platform.ClipboardPutBitmap(b);
    ASSERT_TRUE(platform.ClipboardHasBitmap());
    TBitmap32 got;
    ASSERT_TRUE(platform.ClipboardGetBitmap(got));
    ASSERT_EQ(got.Width(), 3);
    ASSERT_EQ(got.Height(), 2);
    EXPECT_EQ(got.Pixel(0, 0), 0xFF102030u);
    EXPECT_EQ(got.Pixel(2, 1), 0xFFFFEEDDu);
}

TEST_F(QtPlatformTest, MissingHelpAndUnavailableServicesSaySo) {
    const std::string chm = (fs::temp_directory_path() / "kv_no_such_folder" / "Help.chm").string();
    EXPECT_EQ(QtPlatform::HelpPageFor(chm),
              (fs::temp_directory_path() / "kv_no_such_folder" / "Help" / "index.html").string());
    try {
        platform.ShellOpenFile(chm);
        ADD_FAILURE() << "no error for missing help pages";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Справка не найдена"), std::string::npos) << e.what();
    }
    EXPECT_THROW(platform.PrinterSetupDialog(), Error);
    EXPECT_THROW(platform.BeginPrintJob("x"), Error);
    EXPECT_THROW(platform.MetafileSize("a.wmf"), Error);
    TBitmap32 b;
    EXPECT_THROW(platform.RenderMetafile("a.emf", 10, 10, b), Error);
}

TEST_F(QtPlatformTest, Folders) {
    const std::string prog = platform.ProgramFolder(), work = platform.WorkingFolder();
    ASSERT_FALSE(prog.empty());
    EXPECT_EQ(prog.back(), '/');
    EXPECT_TRUE(fs::exists(fs::path(prog) / "ui_tests"));
    EXPECT_EQ(work.back(), '/');
    EXPECT_TRUE(fs::equivalent(fs::path(work), fs::current_path()));
}

TEST_F(QtPlatformTest, UnregisteredDialogIsAnError) {
    struct Model : TDialogModel {
        std::string DialogName() const override { return "TNoSuchDialog"; }
    } m;
    EXPECT_THROW(platform.ShowModal(m), Error);
    int built = 0;
    platform.RegisterDialog("TNoSuchDialog", [&](TDialogModel&, QWidget* parent) {
        ++built;
        auto* d = new QDialog(parent);
        QTimer::singleShot(0, d, &QDialog::accept);
        return d;
    });
    EXPECT_EQ(platform.ShowModal(m), TModalResult::Ok);
    EXPECT_EQ(built, 1);
}

TEST_F(QtPlatformTest, FontDialogKeepsTheColourAndGivesTheFont) {
    TFontSpec start;
    start.Family = "DejaVu Sans";
    start.Size = 14;
    start.Color = 0x00123456;
    WhileShown<QFontDialog>([](QFontDialog* dlg, int attempt) {
        if (attempt == 0) {
            EXPECT_EQ(dlg->currentFont().pointSize(), 14);
        }
        QFont f = dlg->currentFont();
        f.setPointSize(18);
        dlg->setCurrentFont(f);
        dlg->accept();
    });
    const auto got = platform.FontDialog(start);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->Size, 18);
    EXPECT_EQ(got->Family, "DejaVu Sans");
    EXPECT_EQ(got->Color, 0x00123456u);
    WhileShown<QFontDialog>([](QFontDialog* dlg, int) { dlg->reject(); });
    EXPECT_FALSE(platform.FontDialog(start).has_value());
}

TEST_F(QtPlatformTest, ToolWindowIsBuiltOnceAndStaysOnTop) {
    struct Model : TDialogModel {
        std::string DialogName() const override { return "TPresety"; }
    } m;
    int built = 0;
    QDialog* window = nullptr;
    platform.RegisterDialog("TPresety", [&](TDialogModel&, QWidget* parent) {
        ++built;
        return window = new QDialog(parent);
    });
    platform.ShowToolWindow(m);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    platform.HideToolWindow(m);
    EXPECT_FALSE(window->isVisible());
    platform.ShowToolWindow(m);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(built, 1);
}

TEST_F(QtPlatformTest, ViewCursorShapes) {
    QAbstractScrollArea view;
    platform.SetViewWidget(&view);
    platform.SetViewCursor(TCursorShape::Cross);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::CrossCursor);
    platform.SetViewCursor(TCursorShape::Default);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::ArrowCursor);
}
