// The frame panel's Qt sections and the frame tool windows on the offscreen platform: controls
// forward their events to the panel model and follow its values and enabling rules.
#include "frames/color_picker.h"
#include "frames/frame_commands.h"
#include "frames/panel.h"
#include "frames/preset_catalog.h"
#include "tests/document/form_fixture.h"
#include "tests/ui/ui_test_util.h"
#include "ui/frame_panel_widget.h"
#include "ui/qt_platform.h"
#include "ui/thumbview_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QWidget>

#include <memory>

using namespace kv;
using namespace kv::ui;

namespace {

using kv::test::EnsureApp;

struct FramePanelUi : kv::testing::FormFixture {
    std::unique_ptr<TFrameCommands> cmd;
    std::unique_ptr<QWidget> host;
    QWidget* sections[3] = {};
    FramePanelUi() {
        EnsureApp();
        Start();
        cmd = std::make_unique<TFrameCommands>(*form);
        host = std::make_unique<QWidget>();
        for (int i = 0; i < 3; ++i)
            sections[i] = CreateFramePanelSection(i, *cmd, host.get());
    }
    ~FramePanelUi() override {
        host.reset();
        cmd.reset();
    }
    template <class W> W* Find(int section, const char* name) {
        W* w = sections[section]->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    TFramePanel& Panel() { return cmd->Panel(); }
};

TEST_F(FramePanelUi, ControlsCarryTheTableCaptionsRangesAndStartValues) {
    auto* thicka = Find<QSlider>(0, "Thicka");
    auto* edit = Find<QSpinBox>(0, "ThickaEdit");
    ASSERT_TRUE(thicka && edit);
    EXPECT_EQ(thicka->minimum(), 1);
    EXPECT_EQ(thicka->maximum(), 35);
    EXPECT_EQ(thicka->value(), 10);
    auto* shadow = Find<QCheckBox>(0, "InShad");
    ASSERT_TRUE(shadow);
    EXPECT_EQ(shadow->text(), QStringLiteral("Внутренняя тень"));
    EXPECT_TRUE(shadow->isChecked());
    auto* tone = Find<QSlider>(2, "MatteTone");
    ASSERT_TRUE(tone);
    EXPECT_EQ(tone->minimum(), -50);
    EXPECT_EQ(tone->maximum(), 50);
    auto* rtx = Find<QComboBox>(1, "RTX");
    ASSERT_TRUE(rtx);
    EXPECT_EQ(rtx->count(), 5);
    EXPECT_EQ(rtx->currentIndex(), 2);
    EXPECT_FALSE(rtx->isEnabled());

    // A control's event reaches the model; the model's change reaches the twin control.
    edit->setValue(17);
    EXPECT_EQ(Panel().S.Thicka, 17);
    EXPECT_EQ(thicka->value(), 17);
    Panel().SetValue("Thicka", 3);
    EXPECT_EQ(edit->value(), 3);
}

TEST_F(FramePanelUi, InnerFrameDisablesTextureAndMat) {
    auto* textura = Find<QRadioButton>(1, "Textura");
    auto* inner = Find<QRadioButton>(1, "InFrama");
    auto* cola = Find<QRadioButton>(1, "Cola");
    auto* matte = Find<QCheckBox>(2, "Matte");
    auto* tabs = sections[1]->findChild<QWidget*>(QStringLiteral("FrameTextureTabs"));
    ASSERT_TRUE(textura && inner && cola && matte && tabs);
    host->show();
    textura->click();
    EXPECT_EQ(Panel().S.Fill, TFrameFill::Textura);
    EXPECT_TRUE(tabs->isVisible());
    EXPECT_TRUE(Find<QComboBox>(1, "RTX")->isEnabled());
    inner->click();
    EXPECT_TRUE(Panel().S.InFrama);
    EXPECT_TRUE(cola->isChecked());
    EXPECT_FALSE(textura->isEnabled());
    EXPECT_FALSE(matte->isEnabled());
    EXPECT_FALSE(tabs->isVisible());
}

TEST_F(FramePanelUi, WindowActivationRefreshesTheSections) {
    host->show();
    auto* tabs = sections[1]->findChild<QWidget*>(QStringLiteral("FrameTextureTabs"));
    ASSERT_NE(tabs, nullptr);
    Panel().S.Fill = TFrameFill::Textura; // set behind the panel's back, as a restored value would be
    Panel().S.RTX = 4;
    EXPECT_FALSE(tabs->isVisible());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(host.get(), &activate);
    EXPECT_TRUE(tabs->isVisible());
    EXPECT_EQ(Panel().S.RTX, 4); // activation keeps the list choice
    EXPECT_EQ(Find<QComboBox>(1, "RTX")->currentIndex(), 4);
}

TEST_F(FramePanelUi, MatColourResetsAndDisablesTheTone) {
    auto* tone = Find<QSlider>(2, "MatteTone");
    auto* colour = Find<QRadioButton>(2, "MatColor");
    auto* swatch = Find<QToolButton>(2, "SpeedButton15");
    ASSERT_TRUE(tone && colour && swatch);
    EXPECT_FALSE(swatch->isEnabled());
    tone->setValue(20);
    EXPECT_EQ(Panel().S.MatteTone, 20);
    colour->click();
    EXPECT_EQ(Panel().S.MatteTone, 0);
    EXPECT_EQ(tone->value(), 0);
    EXPECT_FALSE(tone->isEnabled());
    EXPECT_TRUE(swatch->isEnabled());

    platform.ColorAnswers.push_back(WinRGB(10, 20, 30));
    swatch->click();
    EXPECT_EQ(Panel().S.MatSC, WinRGB(10, 20, 30));
}

TEST_F(FramePanelUi, EyedropperOpensThePicker) {
    auto* dropper = Find<QToolButton>(1, "SpeedButton29");
    ASSERT_TRUE(dropper);
    dropper->click();
    EXPECT_TRUE(cmd->STC().Showing());
    EXPECT_EQ(cmd->STC().Caption, "Цвет рамки");
    EXPECT_EQ(platform.Cursor, TCursorShape::Cross);
    cmd->STC().CloseClick();
}

TEST(FrameDialogsUi, PickerAndCatalogWindowsFollowTheirModels) {
    EnsureApp();
    QtPlatform qt;
    TMainForm form(qt);
    TFrameCommands cmd(form);
    RegisterFrameDialogs(qt, cmd);
    form.Left = 10;
    form.Top = 20;
    form.Width = 900;

    cmd.EyedropperClick("Цвет фона");
    QDialog* picker = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("TSTC")) picker = qobject_cast<QDialog*>(w);
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("Цвет фона"));
    auto* close = picker->findChild<QPushButton*>(QStringLiteral("CloseButton"));
    ASSERT_NE(close, nullptr);
    close->click();
    EXPECT_FALSE(picker->isVisible());
    EXPECT_FALSE(cmd.STC().Showing());

    cmd.LoadPresetClick();
    QDialog* catalog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("TPresety")) catalog = qobject_cast<QDialog*>(w);
    ASSERT_NE(catalog, nullptr);
    EXPECT_TRUE(catalog->isVisible());
    EXPECT_EQ(catalog->windowTitle(), QStringLiteral("Каталог рамок"));
    EXPECT_EQ(catalog->height(), 425);
    // Placed 80 pixels below the main window's top, its left edge 332 pixels left of the main
    // window's right edge; the thumbnails on white with the red selection outline.
    EXPECT_EQ(catalog->pos(), QPoint(10 + 900 - 332, 20 + 80));
    auto* thumbs = catalog->findChild<ThumbviewWidget*>(QStringLiteral("Thumbview"));
    ASSERT_NE(thumbs, nullptr);
    EXPECT_EQ(thumbs->Look(), ThumbLook::WhiteSheet);
    catalog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    EXPECT_FALSE(catalog->isVisible());
    EXPECT_FALSE(cmd.Presety().Showing());
}

} // namespace
