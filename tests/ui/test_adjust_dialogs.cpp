// The Qt windows of the adjustment dialogs on the offscreen platform: their controls drive the
// models, colour gauges preview on the document, Cancel restores, OK keeps one undoable result.
#include "adjust/adjust_commands.h"
#include "document/history.h"
#include "tests/ui/menu_dialogs_fixture.h"
#include "tests/ui/ui_test_util.h"
#include "ui/adjust_dialogs.h"
#include "ui/qt_platform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

using namespace kv;
using namespace kv::ui;
namespace fs = std::filesystem;

namespace {

using kv::test::Photo;
using kv::test::WhenModal;

bool Same(const TBitmap32& a, const TBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.Bits(), b.Bits(), a.PixelCount() * sizeof(TColor32)) == 0;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

class AdjustDialogsTest : public kv::test::MenuDialogsFixture<TAdjustCommands, RegisterAdjustDialogs> {
  protected:
    AdjustDialogsTest() : MenuDialogsFixture("kv_adjust_ui_", "Изображение", Photo(60, 40)) {}
};

TEST_F(AdjustDialogsTest, BalanceKeyboardMovesPreviewAndEscRestores) {
    bool previewed = false;
    WhenModal([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Цветовой баланс"));
        auto* red = d->findChild<QSlider*>("GaugeBar1");
        ASSERT_NE(red, nullptr);
        red->triggerAction(QAbstractSlider::SliderPageStepAdd); // keyboard Page Up: no release follows
        TBitmap32 want(pic);
        Balance(want, 10, 0, 0, TBalanceMode::Speed);
        previewed = Same(form->Doc.Base(), want);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(d, &esc);
    });
    Run("Цветовой баланс");
    EXPECT_TRUE(previewed);
    EXPECT_TRUE(Same(form->Doc.Base(), pic));
}

TEST_F(AdjustDialogsTest, BrightnessContrastOkKeepsTheResultAsOneStep) {
    WhenModal([&](QDialog* d) {
        d->findChild<QSlider*>("GaugeBar2")->setValue(90);
        d->findChild<QSlider*>("GaugeBar1")->setValue(10);
        d->findChild<QPushButton*>("OK")->click();
    });
    Run("Яркость / контраст");
    TBitmap32 want(pic);
    BrightnessContrast(want, 10, 90);
    EXPECT_TRUE(Same(form->Doc.Base(), want));
    EXPECT_TRUE(Same(form->Doc.CleanPhoto, want));
    form->UndoClick();
    EXPECT_TRUE(Same(form->Doc.Base(), pic));
}

TEST_F(AdjustDialogsTest, ImageSizeSpinBoxesShowTheCoupling) {
    WhenModal([&](QDialog* d) {
        auto* w = d->findChild<QSpinBox*>("UpDown1");
        auto* h = d->findChild<QSpinBox*>("UpDown2");
        EXPECT_EQ(w->value(), 60);
        w->setValue(30);
        EXPECT_EQ(h->value(), 20);
        EXPECT_EQ(d->findChild<QSpinBox*>("UpDown3")->value(), 2); // 30 x 20 x 4 / 1024 = 2.3
        d->findChild<QPushButton*>("OK")->click();
    });
    Run("Размер изображения");
    EXPECT_EQ(form->Doc.Base().Width(), 30);
    EXPECT_EQ(form->Doc.Base().Height(), 20);
    EXPECT_EQ(form->StatusPanel1, "30x20");
}

TEST_F(AdjustDialogsTest, CropDragsTheRectangleAndCropsAfterTheQuestion) {
    WhenModal([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Обрезка изображения"));
        QWidget* view = d->findChild<QWidget*>("Cropos");
        ASSERT_NE(view, nullptr);
        // The view shows the darkened picture outside the rectangle.
        const QImage shot = view->grab().toImage();
        const TRect r = commands->CropLa.Cropos.GetBitmapRect();
        TBitmap32 dark(pic);
        Brighten(dark, -130);
        EXPECT_EQ(shot.pixel(r.Left + 1, r.Top + 1) & 0xFFFFFF, dark.Pixel(0, 0) & 0xFFFFFF);
        // Move the rectangle by dragging its middle.
        const TFloatRect before = commands->CropLa.CropRect();
        const QPoint mid((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        Mouse(view, QEvent::MouseButtonPress, mid, Qt::LeftButton);
        Mouse(view, QEvent::MouseMove, mid + QPoint(40, 0), Qt::LeftButton);
        Mouse(view, QEvent::MouseButtonRelease, mid + QPoint(40, 0), Qt::NoButton);
        EXPECT_GT(commands->CropLa.CropRect().Left, before.Left + 1);
        // The question comes after OK; answer it.
        WhenModal([](QDialog* box) {
            auto* mb = qobject_cast<QMessageBox*>(box);
            ASSERT_NE(mb, nullptr);
            mb->buttons().first()->click(); // "ОК"
        });
        d->findChild<QPushButton*>("OK")->click();
    });
    Run("Обрезать изображение");
    EXPECT_TRUE(commands->CropLa.Cropped);
    EXPECT_LT(form->Doc.Base().Width(), 60);
    EXPECT_TRUE(Same(form->Doc.CleanPhoto, form->Doc.Base()));
    EXPECT_EQ(form->Doc.History.UndoKind, kHistHolst);
}

TEST_F(AdjustDialogsTest, RotateOnAnglePreviewsAndCancelRestoresTheLayer) {
    auto& layer = form->Doc.Layers().Add<TBitmapLayer>();
    layer.Bitmap.Assign(Photo(8, 6));
    layer.SetLocation({4, 4, 12, 10});
    form->Doc.Select(&layer);
    int previewWidth = 0;
    WhenModal([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Rotate");
        d->findChild<QSpinBox*>("Edit1")->setValue(90);
        EXPECT_EQ(d->findChild<QSlider*>("Angle")->value(), 90);
        d->findChild<QPushButton*>("Preview")->click();
        previewWidth = layer.Bitmap.Width();
        d->findChild<QPushButton*>("Cancel")->click();
    });
    Run("Повернуть на угол...");
    EXPECT_EQ(previewWidth, 6);
    EXPECT_TRUE(Same(layer.Bitmap, Photo(8, 6)));
    EXPECT_EQ(layer.Location(), (TFloatRect{4, 4, 12, 10}));
}

TEST_F(AdjustDialogsTest, CanvasSizeGrowsTheCanvas) {
    WhenModal([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Canvas Size");
        d->findChild<QSpinBox*>("UpDown1")->setValue(90);
        EXPECT_EQ(d->findChild<QSpinBox*>("UpDown2")->value(), 60);
        d->findChild<QPushButton*>("OK")->click();
    });
    Run("Размер холста...");
    EXPECT_EQ(form->Doc.Base().Width(), 90);
    EXPECT_EQ(form->Doc.Base().Height(), 60);
    EXPECT_EQ(form->Doc.Base().Pixel(15, 10), pic.Pixel(0, 0));
}

TEST_F(AdjustDialogsTest, CanvasCropVisualTakesTheRectangleDraggedInThePreview) {
    WhenModal([&](QDialog* d) {
        auto* preview = d->findChild<QWidget*>("Preview");
        ASSERT_NE(preview, nullptr);
        EXPECT_FALSE(preview->isVisibleTo(d));
        d->findChild<QPushButton*>("CropVisual")->click();
        EXPECT_TRUE(preview->isVisibleTo(d));
        EXPECT_FALSE(d->findChild<QPushButton*>("CropVisual")->isEnabled());
        EXPECT_FALSE(d->findChild<QCheckBox*>("PlaceToCenter")->isEnabled());
        const THolst& m = commands->Holst;
        // A drag over the middle half of the shown picture, then "Apply Selection".
        const int w = int(60 / m.K), h = int(40 / m.K);
        const QPoint a(m.OffsetX + w / 4, m.OffsetY + h / 4), b(m.OffsetX + 3 * w / 4, m.OffsetY + 3 * h / 4);
        Mouse(preview, QEvent::MouseButtonPress, a, Qt::LeftButton);
        Mouse(preview, QEvent::MouseMove, b, Qt::LeftButton);
        Mouse(preview, QEvent::MouseButtonRelease, b, Qt::NoButton);
        d->findChild<QPushButton*>("ApplySelection")->click();
        EXPECT_EQ(d->findChild<QSpinBox*>("UpDown1")->value(), m.UpDown1);
        EXPECT_NEAR(m.UpDown1, 30, 1);
        EXPECT_NEAR(m.UpDown2, 20, 1);
        d->findChild<QPushButton*>("OK")->click();
    });
    Run("Размер холста...");
    EXPECT_NEAR(form->Doc.Base().Width(), 30, 1);
    EXPECT_NEAR(form->Doc.Base().Height(), 20, 1);
    EXPECT_EQ(form->Doc.History.UndoKind, kHistHolst);
    form->UndoClick();
    EXPECT_TRUE(Same(form->Doc.Base(), pic));
}

} // namespace
