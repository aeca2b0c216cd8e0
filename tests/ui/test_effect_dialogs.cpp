// The Qt windows of the effect dialogs on the offscreen platform: their controls change the
// models, "Просмотр" previews on the document, Esc restores, "OK" applies once, and the catalog
// shows its nine samples.
#include "effects/effect_commands.h"
#include "effects/effects.h"
#include "tests/effects/effect_fixture.h"
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

void EnsureApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app;
    if (!QApplication::instance()) app = std::make_unique<QApplication>(argc, argv);
}

// Runs act on the next modal dialog once it shows; a dialog still open after five seconds is
// rejected so that a failure ends the test instead of hanging it.
void WhenModal(std::function<void(QDialog*)> act) {
    auto* poll = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto done = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, [poll, clock, done, act] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!*done && d && d->isVisible()) {
            *done = true;
            act(d);
        } else if (d && clock->elapsed() > 5000) {
            ADD_FAILURE() << "the window did not close";
            d->reject();
        }
        if (*done && !QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
        } else if (!*done && clock->elapsed() > 5000) {
            ADD_FAILURE() << "no window showed";
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(20);
}

TBitmap32 Photo(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32((x * 13 + y) & 255, (y * 7) & 255, (x ^ y) & 255, 255));
    return b;
}

class EffectDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        dir = fs::temp_directory_path() / ("kv_effect_ui_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        platform = std::make_unique<QtPlatform>();
        platform->SetProgramFolder(dir.string() + "/");
        form = std::make_unique<TMainForm>(*platform);
        form->FormCreate();
        commands = std::make_unique<TEffectCommands>(*form);
        RegisterEffectDialogs(*platform, *commands);
        form->Doc.SetBasePixels(pic);
        form->Doc.CleanPhoto.Assign(pic);
    }
    void TearDown() override {
        commands.reset();
        form.reset();
        platform.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void Run(const char* item) {
        form->MenuOpened("Эффекты");
        ASSERT_TRUE(form->ItemEnabled("Эффекты", item));
        form->FindItem("Эффекты", item)->Handler(*form);
    }
    fs::path dir;
    std::unique_ptr<QtPlatform> platform;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TEffectCommands> commands;
    const TBitmap32 pic = Photo(60, 80);
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
