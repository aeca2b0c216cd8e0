// The frame dialogs' windows: the colour picker TSTC, the texture picker TTextur and the preset
// catalog TPresety. Each only shows its model's values and forwards the buttons to its handlers.
#include "frames/color_picker.h"
#include "frames/panel.h"
#include "frames/preset_catalog.h"
#include "frames/texture_picker.h"
#include "ui/frame_panel_widget.h"
#include "ui/qt_platform.h"
#include "ui/thumbview_widget.h"

#include <QCloseEvent>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace kv::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class PickerWindow : public QDialog {
  public:
    PickerWindow(TSTC& model, QWidget* parent) : QDialog(parent), fModel(model) {
        setObjectName(QStringLiteral("TSTC"));
        auto* v = new QVBoxLayout(this);
        auto* hint = new QLabel(Q(kPickerHintText), this);
        fSample = new QFrame(this);
        fSample->setObjectName(QStringLiteral("Panel1"));
        fSample->setFrameShape(QFrame::Panel);
        fSample->setFrameShadow(QFrame::Sunken);
        fSample->setMinimumSize(120, 40);
        fSample->setAutoFillBackground(true);
        auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
        close->setObjectName(QStringLiteral("CloseButton"));
        v->addWidget(hint);
        v->addWidget(fSample);
        v->addWidget(close, 0, Qt::AlignRight);
        connect(close, &QPushButton::clicked, this, [this] { fModel.CloseClick(); });
        fModel.OnChanged = [this] { Sync(); };
        Sync();
    }
    ~PickerWindow() override { fModel.OnChanged = nullptr; }

  protected:
    void showEvent(QShowEvent* e) override {
        Sync();
        move(fModel.Left, fModel.Top);
        QDialog::showEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        fModel.FormClose();
        QDialog::closeEvent(e);
    }
    void reject() override { fModel.CloseClick(); } // Esc

  private:
    void Sync() {
        setWindowTitle(Q(fModel.Caption));
        QPalette pal = fSample->palette();
        pal.setColor(QPalette::Window, QColorFromWinColor(fModel.Panel1));
        fSample->setPalette(pal);
    }
    TSTC& fModel;
    QFrame* fSample = nullptr;
};

class TexturePickerWindow : public QDialog {
  public:
    TexturePickerWindow(TTextur& model, QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("TTextur"));
        setWindowTitle(QStringLiteral("Выбор текстуры"));
        auto* v = new QVBoxLayout(this);
        auto* grid = new ThumbviewWidget(model.View, this);
        grid->setObjectName(QStringLiteral("Thumbview"));
        auto* row = new QHBoxLayout;
        auto* ok = new QPushButton(QStringLiteral("OK"), this);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        ok->setObjectName(QStringLiteral("OKButton"));
        cancel->setObjectName(QStringLiteral("CancelButton"));
        ok->setDefault(true);
        row->addStretch(1);
        row->addWidget(ok);
        row->addWidget(cancel);
        v->addWidget(grid, 1);
        v->addLayout(row);
        resize(520, 460);
        // The model's Execute runs OK's handler once the dialog is accepted.
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(grid, &ThumbviewWidget::thumbnailDoubleClicked, this, &QDialog::accept);
    }
};

class PresetCatalogWindow : public QDialog {
  public:
    PresetCatalogWindow(TPresety& model, QWidget* parent) : QDialog(parent), fModel(model) {
        setObjectName(QStringLiteral("TPresety"));
        setWindowTitle(Q(kPresetCatalogCaption));
        auto* v = new QVBoxLayout(this);
        auto* grid = new ThumbviewWidget(model.View, this);
        grid->setObjectName(QStringLiteral("Thumbview"));
        grid->SetLook(ThumbLook::WhiteSheet);
        auto* row = new QHBoxLayout;
        auto* load = new QPushButton(QStringLiteral("Загрузить"), this);
        auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
        load->setObjectName(QStringLiteral("LoadButton"));
        close->setObjectName(QStringLiteral("CloseButton"));
        row->addWidget(load);
        row->addStretch(1);
        row->addWidget(close);
        v->addWidget(grid, 1);
        v->addLayout(row);
        connect(load, &QPushButton::clicked, this, [this] { Load(); });
        connect(grid, &ThumbviewWidget::thumbnailDoubleClicked, this, [this] { Load(); });
        connect(close, &QPushButton::clicked, this, [this] { fModel.CloseClick(); });
    }

  protected:
    void showEvent(QShowEvent* e) override {
        move(fModel.Left, fModel.Top);
        resize(std::max(width(), 3 * (120 + 4) + 4 + 20 + 24), fModel.Height);
        QDialog::showEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        fModel.FormClose();
        QDialog::closeEvent(e);
    }
    void reject() override { fModel.CloseClick(); }

  private:
    void Load() {
        try {
            fModel.LoadClick();
        } catch (const std::exception& e) {
            fModel.Commands.Form.Platform.MessageBox(e.what(), TMsgButtons::Ok);
        }
    }
    TPresety& fModel;
};

} // namespace

void RegisterFrameDialogs(QtPlatform& platform, TFrameCommands&) {
    platform.RegisterDialog("TSTC", [](TDialogModel& d, QWidget* parent) -> QDialog* {
        return new PickerWindow(static_cast<TSTC&>(d), parent);
    });
    platform.RegisterDialog("TTextur", [](TDialogModel& d, QWidget* parent) -> QDialog* {
        return new TexturePickerWindow(static_cast<TTextur&>(d), parent);
    });
    platform.RegisterDialog("TPresety", [](TDialogModel& d, QWidget* parent) -> QDialog* {
        return new PresetCatalogWindow(static_cast<TPresety&>(d), parent);
    });
}

} // namespace kv::ui
