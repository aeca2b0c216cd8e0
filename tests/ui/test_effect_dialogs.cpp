// The Qt windows of the effect dialogs on the offscreen platform: their controls change the
// models, "Просмотр" previews on the document, Esc restores, "OK" applies once, and the catalog
// shows its nine samples.
#include "effects/effect_commands.h"
#include "effects/effects.h"
#include "tests/effects/effect_fixture.h"
#include "tests/ui/menu_dialogs_fixture.h"
#include "tests/ui/ui_test_util.h"
#include "ui/effect_dialogs.h"
#include "ui/qt_platform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>

using namespace kv;
using namespace kv::ui;
using kv::testing::SamePixels;
using kv::testing::Through24;
namespace fs = std::filesystem;

namespace {

using kv::test::Photo;
using kv::test::WhenModal;

class EffectDialogsTest : public kv::test::MenuDialogsFixture<TEffectCommands, RegisterEffectDialogs> {
  protected:
    EffectDialogsTest() : MenuDialogsFixture("kv_effect_ui_", "Эффекты", Photo(60, 80)) {}
};

TEST_F(EffectDialogsTest, WavePreviewShowsOnTheDocumentAndEscRestores) {
    bool previewed = false;
    WhenModal([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Эффект волны"));
        d->findChild<QSlider*>("Value")->setValue(5);
        d->findChild<QComboBox*>("Nu")->setCurrentIndex(1);
        d->findChild<QPushButton*>("Preview")->click();
        previewed = SamePixels(form->Doc.Base(), Through24(pic, [](Bitmap24& b) { WaveShift(b, 5, 1, 1); }));
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(d, &esc);
    });
    Run("Волна");
    EXPECT_TRUE(previewed);
    EXPECT_EQ(commands->Waves.Value, 5);
    EXPECT_TRUE(SamePixels(form->Doc.Base(), pic));
    EXPECT_EQ(form->Doc.History.UndoKind, kHistNone);
}

TEST_F(EffectDialogsTest, BlurSettingsOkAppliesOnce) {
    WhenModal([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Размытие"));
        d->findChild<QCheckBox*>("Ras")->setChecked(true);
        d->findChild<QSlider*>("Value")->setValue(2);
        d->findChild<QPushButton*>("Preview")->click();
        d->findChild<QPushButton*>("OK")->click();
    });
    Run("Настройка размытия");
    EXPECT_TRUE(SamePixels(form->Doc.Base(), Through24(pic, [](Bitmap24& b) { DiagonalBlur(b, 2); })));
    EXPECT_EQ(form->Doc.History.UndoKind, kHistEffect);
    form->UndoClick();
    EXPECT_TRUE(SamePixels(form->Doc.Base(), pic));
}

TEST_F(EffectDialogsTest, CatalogShowsTheNineSamplesAndAppliesThePick) {
    int shown = -1;
    WhenModal([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Каталог эффектов"));
        ASSERT_NE(d->findChild<QWidget*>("FView"), nullptr);
        TTHumbview& v = commands->Browser.FView;
        shown = v.Count();
        for (int i = 0; i < v.Count(); ++i)
            if (v.Entry(i).Title == "Invert.bmp") v.SetSelected(i);
        d->findChild<QPushButton*>("OK")->click();
    });
    Run("Каталог эффектов");
    EXPECT_EQ(shown, 9);
    TBitmap32 inverted(pic);
    InvertRGB(&inverted, &inverted);
    EXPECT_TRUE(SamePixels(form->Doc.Base(), inverted));
    EXPECT_EQ(form->Doc.History.UndoKind, kHistEffect);
}

} // namespace
