// The editor window's view: the view widget shows the document's view model, the wheel and the
// "Масштаб" controls reach the zoom handlers, and the combo box follows the model.
#include "core/bitmap32.h"
#include "core/imgview.h"
#include "document/zoom.h"
#include "tests/ui/main_window_fixture.h"
#include "tests/ui/ui_test_util.h"
#include "ui/imageview_widget.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
using namespace kv;

namespace {

// A picture whose left half is red, right half blue, with a transparent-green top-left pixel.
TBitmap32 MakePicture(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, x < w / 2 ? 0xFFC00000u : 0xFF0000C0u);
    b.SetPixel(0, 0, 0x0000FF00u);
    return b;
}

class MainWindowTest : public kv::test::MainWindowFixture {
  protected:
    MainWindowTest() : MainWindowFixture("kv_ui_", QSize(900, 700)) {}
    void Wheel(int dy) {
        QWidget* vp = window->View()->viewport();
        QPointF pos(vp->width() / 2.0, vp->height() / 2.0);
        QWheelEvent e(pos, vp->mapToGlobal(pos), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
    }
    float Scale() { return window->Document().ImgView.Scale(); }
    QString ComboText() { return window->ScaleCombo()->currentText(); }
    QImage Screen() { return window->View()->viewport()->grab().toImage(); }
};

} // namespace

TEST_F(MainWindowTest, ViewModelGetsTheWidgetsClientArea) {
    ui::ImageViewWidget* view = window->View();
    const TImgView32& model = window->Document().ImgView;
    TRect vp = model.GetViewportRect();
    EXPECT_EQ(vp.Width(), view->viewport()->width());
    EXPECT_EQ(vp.Height(), view->viewport()->height());
    int before = vp.Width();
    window->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(model.GetViewportRect().Width(), view->viewport()->width());
    EXPECT_LT(model.GetViewportRect().Width(), before);
}

TEST_F(MainWindowTest, SmallPictureOpensAtScale1AndShowsOverGrey) {
    const std::string name = Write(MakePicture(40, 30), "small.bmp");
    ASSERT_TRUE(window->OpenFile(name));
    EXPECT_FLOAT_EQ(Scale(), 1.0f);
    EXPECT_EQ(ComboText(), "100%");
    EXPECT_EQ(window->FileNameText().toStdString(), name); // the full file name
    EXPECT_EQ(window->SizeText(), "40x30");

    QImage shot = Screen();
    TRect r = window->Document().ImgView.GetBitmapRect();
    ASSERT_EQ(r.Width(), 40);
    ASSERT_EQ(r.Height(), 30);
    // Around the picture: the grey of the custom stage; on it: the picture's own colours, its
    // transparent pixel showing its colour channels.
    EXPECT_EQ(shot.pixel(2, 2) & 0xFFFFFFu, 0x808080u);
    EXPECT_EQ(shot.pixel(r.Left + 5, r.Top + 10) & 0xFFFFFFu, 0xC00000u);
    EXPECT_EQ(shot.pixel(r.Left + 30, r.Top + 10) & 0xFFFFFFu, 0x0000C0u);
    EXPECT_EQ(shot.pixel(r.Left, r.Top) & 0xFFFFFFu, 0x00FF00u);
}

TEST_F(MainWindowTest, WheelZoomsAndUpdatesTheCombo) {
    ASSERT_TRUE(window->OpenFile(Write(MakePicture(40, 30), "small.bmp")));
    Wheel(-120); // towards the user: "down", zoom in
    EXPECT_NEAR(Scale(), 1.1f, 1e-6);
    EXPECT_EQ(ComboText(), "110%");
    EXPECT_EQ(window->Document().ImgView.GetBitmapRect().Width(), 44);
    Wheel(120);
    Wheel(120); // "up" twice: 1.1 / 1.1 / 1.1
    EXPECT_NEAR(Scale(), 1.0f / 1.1f, 1e-5);
    EXPECT_EQ(ComboText(), "91%");
    // Half turns add up to one step.
    Wheel(-60);
    EXPECT_NEAR(Scale(), 1.0f / 1.1f, 1e-5);
    Wheel(-60);
    EXPECT_NEAR(Scale(), 1.0f, 1e-5);
    EXPECT_EQ(ComboText(), "100%");
    // The screen follows: at 200 % the picture covers 80 x 60 pixels.
    window->ScaleCombo()->setEditText("200");
    EXPECT_FLOAT_EQ(Scale(), 2.0f);
    QImage shot = Screen();
    TRect r = window->Document().ImgView.GetBitmapRect();
    EXPECT_EQ(r.Width(), 80);
    EXPECT_EQ(shot.pixel(r.Left + 75, r.Top + 55) & 0xFFFFFFu, 0x0000C0u);
    EXPECT_EQ(shot.pixel(r.Left + 81, r.Top + 55) & 0xFFFFFFu, 0x808080u);
}

TEST_F(MainWindowTest, ComboTextDrivesTheScale) {
    ASSERT_TRUE(window->OpenFile(Write(MakePicture(40, 30), "small.bmp")));
    QComboBox* combo = window->ScaleCombo();
    struct Case {
        QString typed;
        float scale;
        QString shown;
    };
    const Case cases[] = {
        {"150 %", 1.5f, "150%"}, {"3000", 1.5f, "150%"}, {"abc", 1.5f, "150%"},
        {"25%", 0.25f, "25%"},   {"", 0.25f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        combo->setEditText(c.typed);
        EXPECT_FLOAT_EQ(Scale(), c.scale);
        EXPECT_EQ(ComboText(), c.shown);
    }
    combo->setEditText("150");
    EXPECT_EQ(combo->lineEdit()->cursorPosition(), 3); // before the "%"
    // Choosing an item from the list goes the same way.
    combo->setCurrentIndex(combo->findText("400%"));
    EXPECT_FLOAT_EQ(Scale(), 4.0f);
}

TEST_F(MainWindowTest, LargePictureIsFittedAndTheActionsWork) {
    ASSERT_TRUE(window->OpenFile(Write(MakePicture(3000, 1000), "wide.bmp")));
    const TImgView32& model = window->Document().ImgView;
    TRect vp = model.GetViewportRect();
    TRect r = model.GetBitmapRect();
    EXPECT_LT(Scale(), 1.0f);
    EXPECT_LE(r.Width(), vp.Width());
    EXPECT_LE(r.Height(), vp.Height());
    EXPECT_EQ(ComboText(), QString::fromStdString(ScalePercentText(Scale())));
    EXPECT_EQ(window->SizeText(), "3000x1000");

    window->Scale100Action()->trigger();
    EXPECT_FLOAT_EQ(Scale(), 1.0f);
    EXPECT_EQ(ComboText(), "100%");
    // At 100 % the picture is wider than the view: the scroll bar ranges over the rest.
    EXPECT_EQ(window->View()->horizontalScrollBar()->maximum(), model.ScrollMaxX());
    EXPECT_GT(model.ScrollMaxX(), 0);
    // Zooming keeps the middle of the picture in the middle of the view.
    EXPECT_NEAR(model.ScrollX(), model.ScrollMaxX() / 2, 2);
    EXPECT_NEAR(model.ScrollY(), model.ScrollMaxY() / 2, 2);
    window->View()->horizontalScrollBar()->setValue(500);
    EXPECT_EQ(model.ScrollX(), 500);

    window->FitAction()->trigger();
    EXPECT_LT(Scale(), 1.0f);
    EXPECT_LE(model.GetBitmapRect().Width(), vp.Width());
}

TEST_F(MainWindowTest, OpenErrorIsShownAndKeepsThePicture) {
    ASSERT_TRUE(window->OpenFile(Write(MakePicture(40, 30), "small.bmp")));
    std::string shown;
    // The message box is modal: read its text and close it from the event loop.
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                shown = box->text().toStdString();
                box->accept();
            }
    });
    EXPECT_FALSE(window->OpenFile((dir / "notes.xyz").string()));
    EXPECT_NE(shown.find("Unknown picture file extension (.xyz)"), std::string::npos) << shown;
    EXPECT_EQ(window->Document().Base().Width(), 40);
    EXPECT_EQ(window->SizeText(), "40x30");
}
