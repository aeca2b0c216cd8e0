#include "ui/adjust_dialogs.h"

#include "ui/qt_platform.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace kv::ui {

namespace {

QString U(const char* s) {
    return QString::fromUtf8(s);
}

// Runs a model handler; an error is shown like the event loop shows it and the window stays open.
template <class Fn> void Guarded(TPlatform& platform, Fn&& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        platform.MessageBox(e.what(), TMsgButtons::Ok);
    }
}

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
    auto* b = new QPushButton(U(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

// A gauge that applies like the colour dialogs want: dragging only moves the position, releasing the
// mouse applies, and a move without the mouse holding the handle (keyboard, wheel, a click on the
// groove) applies at once, since no release follows it.
struct ColourGauge {
    QSlider* Slider;
    QLabel* Number;
};

template <class Model>
ColourGauge AddGauge(QDialog* owner, QGridLayout* grid, int row, Model& model, TPlatform& platform, int gauge,
                     const char* name, const char* left, const char* right, int lo, int hi, int value) {
    auto* l = new QLabel(U(left), owner);
    auto* s = new QSlider(Qt::Horizontal, owner);
    s->setObjectName(name);
    s->setRange(lo, hi);
    s->setValue(value);
    s->setPageStep(10);
    s->setMinimumWidth(260);
    auto* r = new QLabel(U(right), owner);
    auto* n = new QLabel(QString::number(value), owner);
    n->setMinimumWidth(36);
    n->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(l, row, 0);
    grid->addWidget(s, row, 1);
    grid->addWidget(r, row, 2);
    grid->addWidget(n, row, 3);
    QObject::connect(s, &QSlider::valueChanged, owner, [&model, &platform, s, n, gauge](int v) {
        n->setText(QString::number(v));
        Guarded(platform, [&] {
            if (s->isSliderDown())
                model.GaugeChange(gauge, v);
            else
                model.GaugeKeyChange(gauge, v);
        });
    });
    QObject::connect(s, &QSlider::sliderReleased, owner,
                     [&model, &platform] { Guarded(platform, [&] { model.GaugeMouseUp(); }); });
    return ColourGauge{s, n};
}

void SetGauge(const ColourGauge& g, int v) {
    const QSignalBlocker block(g.Slider);
    g.Slider->setValue(v);
    g.Number->setText(QString::number(v));
}

// "Сброс", "OK", "Cancel" at the bottom; Esc and the title bar close count as Cancel.
QHBoxLayout* ResetOkCancel(QDialog* d, QPushButton** reset) {
    auto* row = new QHBoxLayout;
    *reset = Button(d, "Сброс", "Reset");
    auto* ok = Button(d, "OK", "OK");
    ok->setDefault(true);
    auto* cancel = Button(d, "Cancel", "Cancel");
    row->addWidget(*reset);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    return row;
}

QHBoxLayout* OkCancel(QDialog* d) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* ok = Button(d, "OK", "OK");
    ok->setDefault(true);
    auto* cancel = Button(d, "Cancel", "Cancel");
    row->addWidget(ok);
    row->addWidget(cancel);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    return row;
}

// Adds the "Сброс", "OK", "Cancel" row of a colour dialog; "Сброс" runs the model's ResetClick and
// moves every gauge back to 0.
template <class Model>
void AddResetOkCancel(QDialog* d, QVBoxLayout* lay, Model& m, TPlatform& platform,
                      std::vector<ColourGauge> gauges) {
    QPushButton* reset = nullptr;
    lay->addLayout(ResetOkCancel(d, &reset));
    QObject::connect(reset, &QPushButton::clicked, d, [&m, &platform, gauges] {
        Guarded(platform, [&] { m.ResetClick(); });
        for (const ColourGauge& g : gauges)
            SetGauge(g, 0);
    });
}

// A dialog window named after its model class (the platform finds it by that name).
QDialog* NewDialog(QWidget* parent, const char* name, const QString& title) {
    auto* d = new QDialog(parent);
    d->setObjectName(name);
    d->setWindowTitle(title);
    return d;
}

// ---- "Цветовой баланс" --------------------------------------------------------------------------

QDialog* MakeGamma(TGamma& m, TPlatform& platform, QWidget* parent) {
    auto* d = NewDialog(parent, "TGamma", U("Цветовой баланс"));
    auto* lay = new QVBoxLayout(d);
    auto* group = new QGroupBox(U("Установить баланс"), d);
    auto* grid = new QGridLayout(group);
    std::vector<ColourGauge> gauges{AddGauge(d, grid, 0, m, platform, 1, "GaugeBar1", "Голубой", "Красный",
                                             kBalanceMin, kBalanceMax, m.GaugeBar1),
                                    AddGauge(d, grid, 1, m, platform, 2, "GaugeBar2", "Пурпурный", "Зелёный",
                                             kBalanceMin, kBalanceMax, m.GaugeBar2),
                                    AddGauge(d, grid, 2, m, platform, 3, "GaugeBar3", "Жёлтый", "Синий",
                                             kBalanceMin, kBalanceMax, m.GaugeBar3)};
    lay->addWidget(group);
    auto* mode = new QGroupBox(U("Скорость и качество"), d);
    auto* ml = new QVBoxLayout(mode);
    auto* speed = new QRadioButton(U("Высокая скорость"), mode);
    speed->setObjectName("Speed");
    auto* qval = new QRadioButton(U("Высокое качество"), mode);
    qval->setObjectName("Qval");
    (m.Qval ? qval : speed)->setChecked(true);
    ml->addWidget(speed);
    ml->addWidget(qval);
    lay->addWidget(mode);
    QObject::connect(speed, &QRadioButton::clicked, d,
                     [&m, &platform] { Guarded(platform, [&] { m.SpeedClick(); }); });
    QObject::connect(qval, &QRadioButton::clicked, d,
                     [&m, &platform] { Guarded(platform, [&] { m.QvalClick(); }); });
    AddResetOkCancel(d, lay, m, platform, std::move(gauges));
    return d;
}

// ---- "Яркость / Контраст" -----------------------------------------------------------------------

QDialog* MakeBrid(TBrid& m, TPlatform& platform, QWidget* parent) {
    auto* d = NewDialog(parent, "TBrid", U("Яркость / Контраст"));
    auto* lay = new QVBoxLayout(d);
    auto* grid = new QGridLayout;
    std::vector<ColourGauge> gauges{
        AddGauge(d, grid, 0, m, platform, 1, "GaugeBar1", "Яркость", "", kBrightMin, kBrightMax, m.GaugeBar1),
        AddGauge(d, grid, 1, m, platform, 2, "GaugeBar2", "Контраст", "", kBrightMin, kBrightMax,
                 m.GaugeBar2)};
    lay->addLayout(grid);
    AddResetOkCancel(d, lay, m, platform, std::move(gauges));
    return d;
}

// ---- "Размер изображения" -----------------------------------------------------------------------

QSpinBox* Spin(QWidget* parent, const char* name, int lo, int hi, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(lo, hi);
    s->setValue(value);
    s->setKeyboardTracking(true);
    return s;
}

// A spin box whose change runs a model handler; sync then shows every field the handler wrote,
// without those spin boxes firing again.
template <class Handler, class Sync>
void OnSpin(QDialog* d, QSpinBox* spin, TPlatform& platform, Handler handler, Sync sync) {
    QObject::connect(spin, &QSpinBox::valueChanged, d, [&platform, handler, sync](int v) {
        Guarded(platform, [&] { handler(v); });
        sync();
    });
}

QDialog* MakeRasm(TRasm& m, TPlatform& platform, QWidget* parent) {
    auto* d = NewDialog(parent, "TRasm", U("Размер изображения"));
    auto* lay = new QVBoxLayout(d);
    auto* group = new QGroupBox(U("Размеры"), d);
    auto* grid = new QGridLayout(group);
    auto* w = Spin(group, "UpDown1", kSideMin, kSideMax, m.UpDown1);
    auto* h = Spin(group, "UpDown2", kSideMin, kSideMax, m.UpDown2);
    auto* kb = Spin(group, "UpDown3", kSizeKbMin, kSizeKbMax, m.UpDown3);
    const char* labels[] = {"Ширина", "Высота", "Размер"};
    const char* units[] = {"точек", "точек", "КБайт"};
    QSpinBox* spins[] = {w, h, kb};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(U(labels[i]), group), i, 0);
        grid->addWidget(spins[i], i, 1);
        grid->addWidget(new QLabel(U(units[i]), group), i, 2);
    }
    auto* prop = new QCheckBox(U("Сохранять пропорции"), group);
    prop->setObjectName("Prop");
    prop->setChecked(m.Prop);
    grid->addWidget(prop, 3, 0, 1, 3);
    lay->addWidget(group);
    lay->addWidget(new QLabel(U("Метод ресэмплинга:"), d));
    auto* resample = new QComboBox(d);
    resample->setObjectName("Resample");
    resample->addItems({U("Ближайший сосед"), U("Билинейная (оптимально)"), U("Сплайн (мягко)")});
    resample->setCurrentIndex(m.Resample);
    lay->addWidget(resample);
    lay->addLayout(OkCancel(d));

    auto sync = [&m, w, h, kb] {
        const QSignalBlocker a(w), b(h), c(kb);
        w->setValue(m.UpDown1);
        h->setValue(m.UpDown2);
        kb->setValue(m.UpDown3);
    };
    OnSpin(
        d, w, platform, [&m](int v) { m.Edit1Change(v); }, sync);
    OnSpin(
        d, h, platform, [&m](int v) { m.Edit2Change(v); }, sync);
    OnSpin(
        d, kb, platform, [&m](int v) { m.Edit3Change(v); }, sync);
    QObject::connect(prop, &QCheckBox::toggled, d, [&m](bool on) { m.Prop = on; });
    QObject::connect(resample, &QComboBox::currentIndexChanged, d,
                     [&m](int i) { m.Resample = std::max(0, i); });
    return d;
}

// ---- "Обрезка изображения" ----------------------------------------------------------------------

// The crop dialog's view: paints the model's view (darkened picture, bright rectangle, handles)
// and hands the mouse to its rubber band.
class CropView : public QWidget {
  public:
    CropView(TCropLa& model, QWidget* parent) : QWidget(parent), fModel(model) {
        setObjectName("Cropos");
        setMouseTracking(true);
        // The model fitted its scale to this client size when it was shown.
        setFixedSize(std::max(1, model.Cropos.ClientWidth()), std::max(1, model.Cropos.ClientHeight()));
        fSubscription = model.Cropos.SubscribeChange([this] { update(); });
        model.Cropos.OnInvalidate = [this] { update(); };
    }
    ~CropView() override {
        fModel.Cropos.UnsubscribeChange(fSubscription);
        fModel.Cropos.OnInvalidate = nullptr;
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        fModel.Cropos.Paint();
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.drawImage(0, 0, QImageFromBitmap(fModel.Cropos.Buffer()));
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const QPoint pt = e->position().toPoint();
        fModel.MouseDown(pt.x(), pt.y());
        update();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint pt = e->position().toPoint();
        if (fModel.Dragging()) {
            fModel.MouseMove(pt.x(), pt.y());
            update();
            return;
        }
        static const Qt::CursorShape shapes[] = {Qt::ArrowCursor,   Qt::SizeAllCursor,   Qt::SizeHorCursor,
                                                 Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeBDiagCursor};
        setCursor(shapes[std::clamp(fModel.HandleAt(pt.x(), pt.y()), 0, 5)]);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) fModel.MouseUp();
    }

  private:
    TCropLa& fModel;
    int fSubscription = 0;
};

QDialog* MakeCrop(TCropLa& m, QWidget* parent) {
    auto* d = NewDialog(parent, "TCropLa", U("Обрезка изображения"));
    auto* lay = new QVBoxLayout(d);
    lay->addWidget(new CropView(m, d));
    lay->addLayout(OkCancel(d));
    return d;
}

// ---- "Canvas Size" ------------------------------------------------------------------------------

// The preview panel of the canvas dialog: the composite at scale 1/K, centred, with the dragged
// rectangle drawn over it.
class CanvasPreview : public QWidget {
  public:
    CanvasPreview(THolst& model, QWidget* parent) : QWidget(parent), fModel(model) {
        setObjectName("Preview");
        setFixedSize(model.PreviewWidth, model.PreviewHeight);
        setCursor(Qt::CrossCursor);
    }
    void Refresh() {
        const TBitmap32& pic =
            fModel.Form.Doc.Composite.Empty() ? fModel.Form.Doc.Base() : fModel.Form.Doc.Composite;
        fImage = QImageFromBitmap(pic);
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().dark());
        if (!fImage.isNull() && fModel.K > 0) {
            const QRect target(fModel.OffsetX, fModel.OffsetY, int(fImage.width() / fModel.K),
                               int(fImage.height() / fModel.K));
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(target, fImage);
        }
        if (fModel.HasRect) {
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.setPen(QPen(Qt::white, 1, Qt::DashLine));
            p.drawRect(QRect(QPoint(fModel.X0, fModel.Y0), QPoint(fModel.X1, fModel.Y1)).normalized());
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !fModel.PreviewShown) return;
        fModel.PreviewMouseDown(e->position().toPoint().x(), e->position().toPoint().y());
        update();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        fModel.PreviewMouseMove(e->position().toPoint().x(), e->position().toPoint().y());
        update();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !fModel.Dragging) return;
        fModel.PreviewMouseUp(e->position().toPoint().x(), e->position().toPoint().y());
        update();
    }

  private:
    THolst& fModel;
    QImage fImage;
};

void PaintSwatch(QPushButton* b, TWinColor c) {
    QPixmap pm(40, 16);
    pm.fill(QColorFromWinColor(c));
    b->setIcon(QIcon(pm));
    b->setIconSize(pm.size());
}

QDialog* MakeHolst(THolst& m, TPlatform& platform, QWidget* parent) {
    auto* d = NewDialog(parent, "THolst", QStringLiteral("Canvas Size"));
    auto* outer = new QHBoxLayout(d);
    auto* left = new QVBoxLayout;
    outer->addLayout(left);
    auto* group = new QGroupBox("Size", d);
    auto* grid = new QGridLayout(group);
    auto* w = Spin(group, "UpDown1", kSideMin, kSideMax, m.UpDown1);
    auto* h = Spin(group, "UpDown2", kSideMin, kSideMax, m.UpDown2);
    grid->addWidget(new QLabel("Width", group), 0, 0);
    grid->addWidget(w, 0, 1);
    grid->addWidget(new QLabel("pixels", group), 0, 2);
    grid->addWidget(new QLabel("Height", group), 1, 0);
    grid->addWidget(h, 1, 1);
    grid->addWidget(new QLabel("pixels", group), 1, 2);
    left->addWidget(group);
    auto* cropVisual = Button(d, "Crop Visual", "CropVisual");
    left->addWidget(cropVisual);
    auto* centre = new QCheckBox("Place to Center", d);
    centre->setObjectName("PlaceToCenter");
    centre->setChecked(m.PlaceToCenter);
    left->addWidget(centre);
    left->addWidget(new QLabel("Canvas Extension Color", d));
    auto* swatch = Button(d, "", "ExtensionColor");
    PaintSwatch(swatch, m.ExtensionColor);
    left->addWidget(swatch);
    left->addStretch(1);
    auto* apply = Button(d, "Apply Selection", "ApplySelection");
    left->addWidget(apply);
    left->addLayout(OkCancel(d));

    auto* preview = new CanvasPreview(m, d);
    outer->addWidget(preview);
    preview->setVisible(m.PreviewShown);
    apply->setEnabled(m.PreviewShown);
    cropVisual->setEnabled(m.CropVisualEnabled);
    centre->setEnabled(m.PlaceToCenterEnabled);

    auto sync = [&m, w, h] {
        const QSignalBlocker a(w), b(h);
        w->setValue(m.UpDown1);
        h->setValue(m.UpDown2);
    };
    OnSpin(
        d, w, platform, [&m](int v) { m.Edit1Change(v); }, sync);
    OnSpin(
        d, h, platform, [&m](int v) { m.Edit2Change(v); }, sync);
    QObject::connect(centre, &QCheckBox::toggled, d, [&m](bool on) { m.PlaceToCenter = on; });
    QObject::connect(swatch, &QPushButton::clicked, d, [&m, &platform, swatch] {
        Guarded(platform, [&] { m.ColorClick(); });
        PaintSwatch(swatch, m.ExtensionColor);
    });
    QObject::connect(cropVisual, &QPushButton::clicked, d,
                     [d, &m, &platform, preview, apply, cropVisual, centre] {
                         Guarded(platform, [&] { m.CropVisualClick(); });
                         cropVisual->setEnabled(m.CropVisualEnabled);
                         centre->setEnabled(m.PlaceToCenterEnabled);
                         apply->setEnabled(m.PreviewShown);
                         preview->setVisible(m.PreviewShown);
                         preview->Refresh();
                         d->resize(std::max(d->width(), m.DialogWidth), d->height());
                     });
    QObject::connect(apply, &QPushButton::clicked, d, [&m, &platform, sync] {
        Guarded(platform, [&] { m.ApplySelectionClick(); });
        sync();
    });
    d->resize(m.DialogWidth, d->sizeHint().height());
    return d;
}

// ---- "Rotate" -----------------------------------------------------------------------------------

QDialog* MakePovor(TPovor& m, TPlatform& platform, QWidget* parent) {
    auto* d = NewDialog(parent, "TPovor", QStringLiteral("Rotate"));
    auto* lay = new QVBoxLayout(d);
    auto* group = new QGroupBox(U("Поворот"), d);
    auto* row = new QHBoxLayout(group);
    row->addWidget(new QLabel("Angle", group));
    auto* gauge = new QSlider(Qt::Horizontal, group);
    gauge->setObjectName("Angle");
    gauge->setRange(-180, 180);
    gauge->setValue(m.Angle);
    gauge->setMinimumWidth(220);
    row->addWidget(gauge, 1);
    // A spin box instead of a free text field: the range is kept while typing, and a lone "-" is
    // simply unfinished input.
    auto* edit = Spin(group, "Edit1", -180, 180, m.Angle);
    row->addWidget(edit);
    lay->addWidget(group);
    auto* inter = new QCheckBox("Bilinear interpolation", d);
    inter->setObjectName("Inter");
    inter->setChecked(m.Inter);
    lay->addWidget(inter);
    auto* buttons = new QHBoxLayout;
    auto* preview = Button(d, "Preview", "Preview");
    buttons->addWidget(preview);
    buttons->addLayout(OkCancel(d));
    lay->addLayout(buttons);

    QObject::connect(gauge, &QSlider::valueChanged, d, [&m, edit](int v) {
        m.AngleChange(v);
        const QSignalBlocker b(edit);
        edit->setValue(m.Angle);
    });
    QObject::connect(edit, &QSpinBox::valueChanged, d, [&m, &platform, gauge](int v) {
        Guarded(platform, [&] { m.Edit1Change(std::to_string(v)); });
        const QSignalBlocker b(gauge);
        gauge->setValue(m.Angle);
    });
    QObject::connect(inter, &QCheckBox::toggled, d, [&m](bool on) { m.Inter = on; });
    QObject::connect(preview, &QPushButton::clicked, d,
                     [&m, &platform] { Guarded(platform, [&] { m.PreviewClick(); }); });
    return d;
}

} // namespace

void RegisterAdjustDialogs(QtPlatform& platform, TAdjustCommands&) {
    // Each window is built for one showing from the model it is asked for; the model keeps the values.
    auto reg = [&platform](const char* name, auto make) {
        platform.RegisterDialog(name, [&platform, make](TDialogModel& model, QWidget* parent) -> QDialog* {
            return make(model, platform, parent);
        });
    };
    reg("TGamma", [](TDialogModel& m, TPlatform& p, QWidget* parent) -> QDialog* {
        auto* g = dynamic_cast<TGamma*>(&m);
        return g ? MakeGamma(*g, p, parent) : nullptr;
    });
    reg("TBrid", [](TDialogModel& m, TPlatform& p, QWidget* parent) -> QDialog* {
        auto* b = dynamic_cast<TBrid*>(&m);
        return b ? MakeBrid(*b, p, parent) : nullptr;
    });
    reg("TRasm", [](TDialogModel& m, TPlatform& p, QWidget* parent) -> QDialog* {
        auto* r = dynamic_cast<TRasm*>(&m);
        return r ? MakeRasm(*r, p, parent) : nullptr;
    });
    reg("TCropLa", [](TDialogModel& m, TPlatform&, QWidget* parent) -> QDialog* {
        auto* c = dynamic_cast<TCropLa*>(&m);
        return c ? MakeCrop(*c, parent) : nullptr;
    });
    reg("THolst", [](TDialogModel& m, TPlatform& p, QWidget* parent) -> QDialog* {
        auto* h = dynamic_cast<THolst*>(&m);
        return h ? MakeHolst(*h, p, parent) : nullptr;
    });
    reg("TPovor", [](TDialogModel& m, TPlatform& p, QWidget* parent) -> QDialog* {
        auto* r = dynamic_cast<TPovor*>(&m);
        return r ? MakePovor(*r, p, parent) : nullptr;
    });
}

} // namespace kv::ui
