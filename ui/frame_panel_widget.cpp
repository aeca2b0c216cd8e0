#include "ui/frame_panel_widget.h"

#include "frames/color_picker.h"
#include "frames/panel.h"
#include "ui/qt_platform.h"
#include "ui/thumbview_widget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>
#include <functional>
#include <vector>

namespace kv::ui {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QStringList Items(std::string_view joined) {
    return Q(joined).split(QLatin1Char('|'));
}

// One side-panel section over the panel model. Every control forwards its event to the model's
// handler; after every model change the controls take the model's values and enabled states.
class FrameSection : public QWidget {
  public:
    FrameSection(int section, TFrameCommands& commands, QWidget* parent)
        : QWidget(parent), fCommands(commands), fPanel(commands.Panel()), fSection(section) {
        fLayout = new QVBoxLayout(this);
        fLayout->setContentsMargins(4, 4, 4, 4);
        fLayout->setSpacing(3);
        if (section == 0) BuildMain();
        if (section == 1) BuildFilling();
        if (section == 2) BuildMat();
        fLayout->addStretch(1);
        fSubscription = fPanel.Subscribe([this] { Refresh(); });
        Refresh();
    }
    ~FrameSection() override { fPanel.Unsubscribe(fSubscription); }

  protected:
    // The first section watches its top-level window: activation runs the panel's refreshes.
    void showEvent(QShowEvent* e) override {
        QWidget::showEvent(e);
        if (fSection == 0 && !fWatching) {
            window()->installEventFilter(this);
            fWatching = true;
        }
    }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == window() && e->type() == QEvent::WindowActivate) Run([&] { fPanel.FormActivate(); });
        return QWidget::eventFilter(watched, e);
    }

  private:
    // A handler of the model; a failure is shown to the user, the panel keeps working.
    template <class Fn> void Run(Fn&& fn) {
        try {
            fn();
        } catch (const std::exception& e) {
            fCommands.Form.Platform.MessageBox(e.what(), TMsgButtons::Ok);
        }
        Refresh();
    }
    void Refresh() {
        for (const auto& r : fRefresh)
            r();
    }
    void OnRefresh(std::function<void()> fn) { fRefresh.push_back(std::move(fn)); }

    // An integer slider with its caption (from the parameter table) and a spin box beside it.
    QWidget* Slider(const char* name, QString caption = {}) {
        const FrameParam& p = TFramePanel::Param(name);
        auto* box = new QWidget(this);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(caption.isEmpty() ? Q(p.Caption) : caption, box);
        auto* slider = new QSlider(Qt::Horizontal, box);
        auto* spin = new QSpinBox(box);
        slider->setObjectName(QString::fromLatin1(name));
        spin->setObjectName(QString::fromLatin1(name) + QStringLiteral("Edit"));
        slider->setRange(p.Min, p.Max);
        spin->setRange(p.Min, p.Max);
        grid->addWidget(label, 0, 0, 1, 2);
        grid->addWidget(slider, 1, 0);
        grid->addWidget(spin, 1, 1);
        const std::string key = name;
        const auto set = [this, key](int v) { Run([&] { fPanel.SetValue(key, v); }); };
        connect(slider, &QSlider::valueChanged, this, set);
        connect(spin, qOverload<int>(&QSpinBox::valueChanged), this, set);
        OnRefresh([this, key, slider, spin] {
            const int v = int(fPanel.Value(key));
            const QSignalBlocker b1(slider), b2(spin);
            slider->setValue(v);
            spin->setValue(v);
        });
        fLayout->addWidget(box);
        return box;
    }

    QCheckBox* Flag(const char* name, std::function<void(bool)> click) {
        auto* c = new QCheckBox(Q(TFramePanel::Param(name).Caption), this);
        c->setObjectName(QString::fromLatin1(name));
        connect(c, &QCheckBox::clicked, this, [this, click](bool on) { Run([&] { click(on); }); });
        const std::string key = name;
        OnRefresh([this, key, c] {
            const QSignalBlocker b(c);
            c->setChecked(fPanel.Value(key) != 0);
        });
        fLayout->addWidget(c);
        return c;
    }

    QRadioButton* Radio(QButtonGroup* group, const QString& caption, const char* objectName,
                        std::function<void()> click, std::function<bool()> checked, QLayout* into = nullptr) {
        auto* r = new QRadioButton(caption, this);
        r->setObjectName(QString::fromLatin1(objectName));
        group->addButton(r);
        connect(r, &QRadioButton::clicked, this, [this, click] { Run(click); });
        OnRefresh([r, checked] {
            const QSignalBlocker b(r);
            r->setChecked(checked());
        });
        if (into)
            into->addWidget(r);
        else
            fLayout->addWidget(r);
        return r;
    }

    // A colour swatch button: the shared colour dialog sets the swatch.
    QToolButton* SwatchButton(const char* objectName, TSwatch swatch, std::function<bool()> enabled) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(objectName));
        b->setToolTip(QStringLiteral("Выбрать цвет"));
        b->setIconSize(QSize(28, 14));
        connect(b, &QToolButton::clicked, this,
                [this, swatch] { Run([&] { fPanel.ColorButtonClick(swatch); }); });
        OnRefresh([this, b, swatch, enabled] {
            QPixmap pm(28, 14);
            pm.fill(QColorFromWinColor(fPanel.Swatch(swatch)));
            // The swatch shows its colour also while its button is disabled.
            QIcon icon(pm);
            icon.addPixmap(pm, QIcon::Disabled);
            b->setIcon(icon);
            b->setEnabled(enabled());
        });
        return b;
    }

    // An eyedropper: the colour picker with the target's name as its caption.
    QToolButton* Eyedropper(const char* objectName, std::function<bool()> enabled) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(objectName));
        b->setText(QStringLiteral("Пипетка"));
        b->setToolTip(QStringLiteral("Взять цвет с изображения"));
        std::string caption;
        for (const TEyedropper& e : kEyedroppers)
            if (e.Button == objectName) caption = std::string(e.Caption);
        connect(b, &QToolButton::clicked, this,
                [this, caption] { Run([&] { fCommands.EyedropperClick(caption); }); });
        OnRefresh([b, enabled] { b->setEnabled(enabled()); });
        return b;
    }

    QHBoxLayout* Row() {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        fLayout->addLayout(row);
        return row;
    }

    QComboBox* List(const char* name, QStringList items, const char* caption) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        auto* combo = new QComboBox(this);
        combo->setObjectName(QString::fromLatin1(name));
        combo->addItems(items);
        const std::string key = name;
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, key](int i) { Run([&] { fPanel.SetValue(key, i); }); });
        OnRefresh([this, key, combo] {
            const QSignalBlocker b(combo);
            combo->setCurrentIndex(int(fPanel.Value(key)));
        });
        fLayout->addWidget(label);
        fLayout->addWidget(combo);
        return combo;
    }

    // The three texture tabs over their thumbnail strips, the "Моно" tab's colour, and the caption
    // shown when both tab sets are visible.
    void TextureTabs(bool mat) {
        auto* box = new QWidget(this);
        box->setObjectName(mat ? QStringLiteral("MatTextureTabs") : QStringLiteral("FrameTextureTabs"));
        auto* v = new QVBoxLayout(box);
        v->setContentsMargins(0, 0, 0, 0);
        auto* caption =
            new QLabel(mat ? QStringLiteral("Текстура фона") : QStringLiteral("Текстура рамки"), box);
        auto* tabs = new QTabBar(box);
        tabs->setObjectName(mat ? QStringLiteral("MatTab") : QStringLiteral("Tab"));
        for (const QString& t : Items(TFramePanel::Param("Tab").Items))
            tabs->addTab(t);
        auto* stack = new QStackedWidget(box);
        const char* names[3] = {"NView", "SView", "MView"};
        const char* matNames[3] = {"MNatural", "MSpec", "MMono"};
        for (int t = 0; t < 3; ++t) {
            TTHumbview& model = mat ? fPanel.MatView(t) : fPanel.FrameView(t);
            auto* strip = new ThumbviewWidget(model, stack);
            strip->setObjectName(QString::fromLatin1(mat ? matNames[t] : names[t]));
            strip->setMinimumHeight(model.CellHeight() + TTHumbview::kTitleHeight + 2 * model.ThumbGap + 20);
            stack->addWidget(strip);
        }
        stack->setFixedHeight(stack->widget(0)->minimumHeight());
        auto* mono = new QWidget(box);
        auto* monoRow = new QHBoxLayout(mono);
        monoRow->setContentsMargins(0, 0, 0, 0);
        monoRow->addWidget(new QLabel(QStringLiteral("Цвет"), mono));
        if (mat) {
            monoRow->addWidget(SwatchButton("SpeedButton30", TSwatch::Panel12, [] { return true; }));
            monoRow->addWidget(Eyedropper("SpeedButton31", [] { return true; }));
        } else {
            monoRow->addWidget(SwatchButton("SpeedButton24", TSwatch::MoColor, [] { return true; }));
            monoRow->addWidget(Eyedropper("SpeedButton25", [] { return true; }));
        }
        monoRow->addStretch(1);
        v->addWidget(caption);
        v->addWidget(tabs);
        v->addWidget(stack);
        v->addWidget(mono);
        connect(tabs, &QTabBar::currentChanged, this,
                [this, mat](int t) { Run([&] { mat ? fPanel.SetMatTab(t) : fPanel.SetFrameTab(t); }); });
        OnRefresh([this, mat, box, caption, tabs, stack, mono] {
            const int tab = mat ? fPanel.S.MatTab : fPanel.S.Tab;
            {
                const QSignalBlocker b(tabs);
                tabs->setCurrentIndex(tab);
            }
            stack->setCurrentIndex(tab);
            mono->setVisible(tab == kTabMono);
            caption->setVisible(fPanel.StripCaptionsVisible);
            box->setVisible(mat ? fPanel.MatTabsVisible : fPanel.FrameTabsVisible);
        });
        fLayout->addWidget(box);
    }

    void BuildMain() {
        Slider("Thicka");
        Slider("DWF");
        Slider("FDE");
        Flag("InShad", [this](bool on) { fPanel.SetValue("InShad", on); });
        Flag("InBliks", [this](bool on) { fPanel.SetValue("InBliks", on); });
    }

    void BuildFilling() {
        TFramePanel& p = fPanel;
        auto* kind = new QButtonGroup(this);
        const QStringList kinds = Items(TFramePanel::Param("InFrama").Items);
        Radio(
            kind, kinds.value(0), "OutFrama", [&p] { p.OutFramaClick(); }, [&p] { return !p.S.InFrama; });
        Radio(
            kind, kinds.value(1), "InFrama", [&p] { p.InFramaClick(); }, [&p] { return p.S.InFrama; });
        Slider("Mixer");

        auto* fill = new QButtonGroup(this);
        const QStringList fills = Items(TFramePanel::Param("Fill").Items);
        QHBoxLayout* cola = Row();
        Radio(
            fill, fills.value(0), "Cola", [&p] { p.ColaClick(); },
            [&p] { return p.S.Fill == TFrameFill::Cola; }, cola);
        cola->addWidget(SwatchButton("SpeedButton28", TSwatch::SColor, [&p] { return p.SColorEnabled; }));
        cola->addWidget(Eyedropper("SpeedButton29", [&p] { return p.SColorEnabled; }));
        cola->addStretch(1);
        QHBoxLayout* grad = Row();
        Radio(
            fill, fills.value(1), "Gradient", [&p] { p.GradientClick(); },
            [&p] { return p.S.Fill == TFrameFill::Gradient; }, grad);
        grad->addWidget(SwatchButton("SpeedButton8", TSwatch::k1, [&p] { return p.GradientEnabled; }));
        grad->addWidget(SwatchButton("SpeedButton9", TSwatch::k2, [&p] { return p.GradientEnabled; }));
        grad->addStretch(1);
        QRadioButton* textura = Radio(
            fill, fills.value(2), "Textura", [&p] { p.TexturaClick(); },
            [&p] { return p.S.Fill == TFrameFill::Textura; });
        OnRefresh([textura, &p] { textura->setEnabled(p.TexturaEnabled); });
        QStringList rtx;
        for (std::string_view s : kRtxItems)
            rtx << Q(s);
        QComboBox* list = List("RTX", rtx, "Размер текстуры");
        OnRefresh([list, &p] { list->setEnabled(p.RTXEnabled); });
        TextureTabs(false);
    }

    void BuildMat() {
        TFramePanel& p = fPanel;
        QCheckBox* matte = Flag("Matte", [&p](bool on) { p.MatteClick(on); });
        OnRefresh([matte, &p] { matte->setEnabled(p.MatteEnabled); });
        Flag("Press1", [&p](bool on) { p.Press1Click(on); });
        Slider("Pole");
        QStringList forms;
        for (std::string_view s : kPhotoFormItems)
            forms << Q(s);
        List("PhotoForm", forms, "Форма фото");

        auto* mat = new QButtonGroup(this);
        const QStringList mats = Items(TFramePanel::Param("Mat").Items);
        Radio(
            mat, mats.value(0), "Prolong", [&p] { p.ProlongClick(); },
            [&p] { return p.S.Mat == TMatFill::Prolong; });
        // The tone slider between its two end labels.
        const FrameParam& tone = TFramePanel::Param("MatteTone");
        const QStringList ends = Items(tone.Caption);
        auto* toneBox = new QWidget(this);
        auto* toneRow = new QHBoxLayout(toneBox);
        toneRow->setContentsMargins(0, 0, 0, 0);
        auto* slider = new QSlider(Qt::Horizontal, toneBox);
        slider->setObjectName(QStringLiteral("MatteTone"));
        slider->setRange(tone.Min, tone.Max);
        toneRow->addWidget(new QLabel(ends.value(0), toneBox));
        toneRow->addWidget(slider, 1);
        toneRow->addWidget(new QLabel(ends.value(1), toneBox));
        connect(slider, &QSlider::valueChanged, this,
                [this](int v) { Run([&] { fPanel.SetValue("MatteTone", v); }); });
        OnRefresh([slider, &p] {
            const QSignalBlocker b(slider);
            slider->setValue(p.S.MatteTone);
            slider->setEnabled(p.MatteToneEnabled);
        });
        fLayout->addWidget(toneBox);

        QHBoxLayout* colour = Row();
        Radio(
            mat, mats.value(1), "MatColor", [&p] { p.MatColorClick(); },
            [&p] { return p.S.Mat == TMatFill::MatColor; }, colour);
        colour->addWidget(SwatchButton("SpeedButton15", TSwatch::MatSC, [&p] { return p.MatSCEnabled; }));
        colour->addWidget(Eyedropper("SpeedButton14", [&p] { return p.MatSCEnabled; }));
        colour->addStretch(1);
        QHBoxLayout* grad = Row();
        Radio(
            mat, mats.value(2), "MatGradient", [&p] { p.MatGradientClick(); },
            [&p] { return p.S.Mat == TMatFill::MatGradient; }, grad);
        grad->addWidget(SwatchButton("SpeedButton16", TSwatch::MatK1, [&p] { return p.MatGradientEnabled; }));
        grad->addWidget(SwatchButton("SpeedButton32", TSwatch::MatK2, [&p] { return p.MatGradientEnabled; }));
        grad->addStretch(1);
        Radio(
            mat, mats.value(3), "MatTexture", [&p] { p.MatTextureClick(); },
            [&p] { return p.S.Mat == TMatFill::MatTexture; });
        // The mat texture follows RTX; its own size list only says so.
        auto* size = new QComboBox(this);
        size->setObjectName(QStringLiteral("MatTextureSize"));
        size->addItem(QStringLiteral("Устанавливается автоматически"));
        size->setEnabled(false);
        fLayout->addWidget(size);
        TextureTabs(true);
    }

    TFrameCommands& fCommands;
    TFramePanel& fPanel;
    QVBoxLayout* fLayout = nullptr;
    std::vector<std::function<void()>> fRefresh;
    int fSubscription = 0;
    int fSection = 0;
    bool fWatching = false;
};

} // namespace

QWidget* CreateFramePanelSection(int section, TFrameCommands& commands, QWidget* parent) {
    return new FrameSection(section, commands, parent);
}

} // namespace kv::ui
