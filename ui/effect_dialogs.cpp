#include "ui/effect_dialogs.h"

#include "ui/qt_platform.h"
#include "ui/thumbview_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <exception>

namespace kv::ui {

namespace {

// Runs a model handler; an error (the sharpen refusal, a file error) is shown like the event loop
// shows it, and the window stays open.
template <class Fn> bool Guarded(QtPlatform& platform, Fn&& fn) {
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        platform.MessageBox(e.what(), TMsgButtons::Ok);
        return false;
    }
}

// An integer gauge bound to a model field, with its current value beside it.
QWidget* Gauge(QWidget* parent, const char* name, int lo, int hi, int& field) {
    auto* row = new QWidget(parent);
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* slider = new QSlider(Qt::Horizontal, row);
    slider->setObjectName(name);
    slider->setRange(lo, hi);
    slider->setValue(field);
    slider->setMinimumWidth(220);
    auto* number = new QLabel(QString::number(field), row);
    number->setMinimumWidth(32);
    QObject::connect(slider, &QSlider::valueChanged, row, [&field, number](int v) {
        field = v;
        number->setText(QString::number(v));
    });
    lay->addWidget(slider, 1);
    lay->addWidget(number);
    return row;
}

// The window every effect dialog shares: the settings on top, then "Просмотр", "OK", "Cancel".
// Esc and the title bar's close run "Cancel" (the restore) as well.
class EffectWindow : public QDialog {
  public:
    EffectWindow(TEffectDialog& model, QtPlatform& platform, const char* caption, QWidget* parent)
        : QDialog(parent), fModel(model), fPlatform(platform) {
        setObjectName(QString::fromStdString(model.DialogName()));
        setWindowTitle(QString::fromUtf8(caption));
        auto* lay = new QVBoxLayout(this);
        fBody = new QVBoxLayout;
        lay->addLayout(fBody);
        auto* buttons = new QHBoxLayout;
        auto* preview = new QPushButton(QString::fromUtf8("Просмотр"), this);
        preview->setObjectName("Preview");
        auto* ok = new QPushButton("OK", this);
        ok->setObjectName("OK");
        ok->setDefault(true);
        auto* cancel = new QPushButton("Cancel", this);
        cancel->setObjectName("Cancel");
        buttons->addWidget(preview);
        buttons->addStretch(1);
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        lay->addLayout(buttons);
        connect(preview, &QPushButton::clicked, this,
                [this] { Guarded(fPlatform, [this] { fModel.PreviewClick(); }); });
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }

    void reject() override {
        Guarded(fPlatform, [this] { fModel.CancelClick(); });
        QDialog::reject();
    }

  protected:
    // Adds a settings row (optionally labelled) to the body.
    void AddRow(QWidget* w) { fBody->addWidget(w); }
    QFormLayout* AddGroup(const char* title) {
        auto* group = new QGroupBox(QString::fromUtf8(title), this);
        auto* form = new QFormLayout(group);
        fBody->addWidget(group);
        return form;
    }

  private:
    TEffectDialog& fModel;
    QtPlatform& fPlatform;
    QVBoxLayout* fBody = nullptr;
};

class SprayWindow : public EffectWindow {
  public:
    SprayWindow(TSprayWin& m, QtPlatform& p, QWidget* parent)
        : EffectWindow(m, p, TSprayWin::kCaption, parent) {
        AddRow(Gauge(this, "Value", TSprayWin::kMin, TSprayWin::kMax, m.Value));
    }
};

class PostaWindow : public EffectWindow {
  public:
    PostaWindow(TPosta& m, QtPlatform& p, QWidget* parent) : EffectWindow(m, p, TPosta::kCaption, parent) {
        AddRow(Gauge(this, "Value", TPosta::kMin, TPosta::kMax, m.Value));
    }
};

class WavesWindow : public EffectWindow {
  public:
    WavesWindow(TWaves& m, QtPlatform& p, QWidget* parent) : EffectWindow(m, p, TWaves::kCaption, parent) {
        QFormLayout* form = AddGroup(TWaves::kGroup);
        form->addRow(QString::fromUtf8("Амплитуда"),
                     Gauge(this, "Value", TWaves::kValueMin, TWaves::kValueMax, m.Value));
        form->addRow(QString::fromUtf8("Интерференция"),
                     Gauge(this, "Interf", TWaves::kInterfMin, TWaves::kInterfMax, m.Interf));
        auto* nu = new QComboBox(this);
        nu->setObjectName("Nu");
        for (const std::string& item : TWaves::NuItems())
            nu->addItem(QString::fromStdString(item));
        nu->setCurrentIndex(m.Nu);
        connect(nu, &QComboBox::currentIndexChanged, this, [&m](int i) {
            if (i >= 0) m.Nu = i;
        });
        form->addRow(QString::fromUtf8("Частота"), nu);
    }
};

class MarbWindow : public EffectWindow {
  public:
    MarbWindow(TMarb& m, QtPlatform& p, QWidget* parent) : EffectWindow(m, p, TMarb::kCaption, parent) {
        QFormLayout* form = AddGroup(TMarb::kGroup);
        form->addRow(QString::fromUtf8("Увеличение"),
                     Gauge(this, "Scal", TMarb::kScalMin, TMarb::kScalMax, m.Scal));
        form->addRow(QString::fromUtf8("Сила ветра"),
                     Gauge(this, "Freq", TMarb::kFreqMin, TMarb::kFreqMax, m.Freq));
    }
};

class FractalWindow : public EffectWindow {
  public:
    FractalWindow(TFractal& m, QtPlatform& p, QWidget* parent)
        : EffectWindow(m, p, TFractal::kCaption, parent) {
        QFormLayout* form = AddGroup(TFractal::kLabel);
        form->addRow(Gauge(this, "Threshold", TFractal::kMin, TFractal::kMax, m.Threshold));
    }
};

class SharpenWindow : public EffectWindow {
  public:
    SharpenWindow(TEffect& m, QtPlatform& p, QWidget* parent)
        : EffectWindow(m, p, TEffect::kCaption, parent) {
        AddRow(Gauge(this, "Value", TEffect::kMin, TEffect::kMax, m.Value));
    }
};

class BlurWindow : public EffectWindow {
  public:
    BlurWindow(TDeFoc& m, QtPlatform& p, QWidget* parent) : EffectWindow(m, p, TDeFoc::kCaption, parent) {
        AddRow(Gauge(this, "Value", TDeFoc::kMin, TDeFoc::kMax, m.Value));
        auto* ras = new QCheckBox(QString::fromUtf8(TDeFoc::kRasCaption), this);
        ras->setObjectName("Ras");
        ras->setChecked(m.Ras);
        connect(ras, &QCheckBox::toggled, this, [&m](bool on) { m.Ras = on; });
        AddRow(ras);
    }
};

// The effects catalog: the nine samples as thumbnail buttons; a double click or "OK" applies the
// selected one.
class BrowserWindow : public QDialog {
  public:
    BrowserWindow(TBrowser& m, QtPlatform& p, QWidget* parent) : QDialog(parent), fModel(m), fPlatform(p) {
        setObjectName("TBrowser");
        setWindowTitle(QString::fromUtf8(TBrowser::kCaption));
        auto* lay = new QVBoxLayout(this);
        lay->addWidget(new QLabel(QString::fromUtf8(TBrowser::kLabel), this));
        auto* view = new ThumbviewWidget(m.FView, this);
        view->setObjectName("FView");
        view->setMinimumSize(420, 300);
        lay->addWidget(view, 1);
        auto* buttons = new QHBoxLayout;
        auto* ok = new QPushButton("OK", this);
        ok->setObjectName("OK");
        auto* cancel = new QPushButton("Cancel", this);
        cancel->setObjectName("Cancel");
        buttons->addStretch(1);
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        lay->addLayout(buttons);
        connect(ok, &QPushButton::clicked, this, [this] {
            Guarded(fPlatform, [this] { fModel.OKClick(); });
            accept();
        });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        fModel.OnClose = [this](TModalResult r) { done(r == TModalResult::Ok ? Accepted : Rejected); };
        // Errors of a double click's apply are shown here rather than inside the grid's event.
        auto dbl = fModel.FView.OnDblClick;
        fModel.FView.OnDblClick = [this, dbl](int i) {
            Guarded(fPlatform, [&] {
                if (dbl) dbl(i);
            });
        };
        fDbl = std::move(dbl);
    }
    ~BrowserWindow() override {
        fModel.OnClose = nullptr;
        fModel.FView.OnDblClick = fDbl;
    }

  private:
    TBrowser& fModel;
    QtPlatform& fPlatform;
    std::function<void(int)> fDbl;
};

template <class Model, class Window> void Register(QtPlatform& platform, const Model& sample) {
    platform.RegisterDialog(sample.DialogName(), [&platform](TDialogModel& m, QWidget* parent) -> QDialog* {
        auto* model = dynamic_cast<Model*>(&m);
        return model ? new Window(*model, platform, parent) : nullptr;
    });
}

} // namespace

void RegisterEffectDialogs(QtPlatform& platform, TEffectCommands& commands) {
    Register<TSprayWin, SprayWindow>(platform, commands.SprayWin);
    Register<TPosta, PostaWindow>(platform, commands.Posta);
    Register<TWaves, WavesWindow>(platform, commands.Waves);
    Register<TMarb, MarbWindow>(platform, commands.Marb);
    Register<TFractal, FractalWindow>(platform, commands.Fractal);
    Register<TEffect, SharpenWindow>(platform, commands.Effect);
    Register<TDeFoc, BlurWindow>(platform, commands.DeFoc);
    Register<TBrowser, BrowserWindow>(platform, commands.Browser);
}

} // namespace kv::ui
