#include "ui/main_window.h"

#include "adjust/adjust_commands.h"
#include "effects/effect_commands.h"
#include "frames/frame_commands.h"
#include "ui/about_box.h"
#include "ui/adjust_dialogs.h"
#include "ui/effect_dialogs.h"
#include "ui/frame_panel_widget.h"
#include "ui/imageview_widget.h"
#include "ui/qt_platform.h"
#include "ui/side_panel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace kv::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Icons: the freedesktop names from the icon theme, else a Qt standard icon, else a drawn badge.
struct IconName {
    const char* caption;
    const char* theme;
    int standard; // QStyle::StandardPixmap, or -1
    QColor badge;
    const char* letter;
};
const IconName kIcons[] = {
    {"Открыть", "document-open", QStyle::SP_DialogOpenButton, {}, ""},
    {"Сохранить...", "document-save", QStyle::SP_DialogSaveButton, {}, ""},
    {"Сохранить как...", "document-save-as", QStyle::SP_DialogSaveButton, {}, ""},
    {"Печать", "document-print", -1, QColor(0x50, 0x50, 0x60), "P"},
    {"Выход", "application-exit", QStyle::SP_DialogCloseButton, {}, ""},
    {"Отменить", "edit-undo", QStyle::SP_ArrowBack, {}, ""},
    {"Повторить", "edit-redo", QStyle::SP_ArrowForward, {}, ""},
    {"Копировать", "edit-copy", -1, QColor(0x3A, 0x6E, 0xA5), "C"},
    {"Копировать всё", "edit-select-all", -1, QColor(0x3A, 0x6E, 0xA5), "A"},
    {"Вставить как новое", "edit-paste", -1, QColor(0x3A, 0x8E, 0x55), "V"},
    {"Цветовой баланс", "preferences-color", -1, QColor(0xC0, 0x50, 0x30), "Б"},
    {"Яркость / контраст", "display-brightness", -1, QColor(0xD0, 0x90, 0x20), "Я"},
    {"Каталог эффектов", "applications-graphics", -1, QColor(0x80, 0x40, 0xA0), "Э"},
    {"Каталог рамок", "view-grid", -1, QColor(0x8B, 0x5A, 0x2B), "Р"},
    {"Обрезать изображение", "edit-cut", -1, QColor(0x40, 0x80, 0x80), "О"},
    {"Полноэкранный просмотр", "view-fullscreen", QStyle::SP_TitleBarMaxButton, {}, ""},
    {"Масштаб 100%", "zoom-original", -1, QColor(0x30, 0x60, 0x90), "1"},
    {"Уместить в окне", "zoom-fit-best", -1, QColor(0x30, 0x60, 0x90), "F"},
    {"Справка", "help-contents", QStyle::SP_DialogHelpButton, {}, ""},
    {"О программе", "help-about", QStyle::SP_MessageBoxInformation, {}, ""},
    {"Снять рамку", "edit-clear", QStyle::SP_DialogResetButton, {}, ""},
    {"Повернуть", "object-rotate-right", -1, QColor(0x40, 0x80, 0x80), "↻"},
    {"Отразить", "object-flip-horizontal", -1, QColor(0x40, 0x80, 0x80), "⇆"},
};

QIcon Badge(const QColor& colour, const QString& letter) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(size * 2 / 3);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, letter);
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon IconFor(const std::string& caption, const QStyle* style) {
    for (const IconName& n : kIcons) {
        if (caption != n.caption) continue;
        QIcon fallback = n.standard >= 0 ? style->standardIcon(QStyle::StandardPixmap(n.standard))
                                         : Badge(n.badge, QString::fromUtf8(n.letter));
        return QIcon::fromTheme(QString::fromLatin1(n.theme), fallback);
    }
    return QIcon();
}

// The tool bars' buttons, each the action of a menu item; an empty caption is a separator.
const std::pair<const char*, const char*> kToolButtons[] = {
    {"Файл", "Открыть"},
    {"Файл", "Сохранить..."},
    {"Файл", "Печать"},
    {"", ""},
    {"Правка", "Отменить"},
    {"Правка", "Повторить"},
    {"Правка", "Копировать"},
    {"Правка", "Вставить как новое"},
    {"", ""},
    {"Изображение", "Цветовой баланс"},
    {"Эффекты", "Каталог эффектов"},
    {"Рамки", "Каталог рамок"},
    {"", ""},
    {"Изображение", "Обрезать изображение"},
    {"Вид", "Полноэкранный просмотр"},
    {"Вид", "Масштаб 100%"},
    {"Вид", "Уместить в окне"},
};

QString ErrorText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

} // namespace

MainWindow::MainWindow(QtPlatform& platform, std::vector<std::string> args, QWidget* parent)
    : QMainWindow(parent), fPlatform(platform), fArgs(std::move(args)) {
    setWindowTitle(QStringLiteral("KORVALIS"));
    setAcceptDrops(true);
    // Without a desktop session Qt has no icon theme; the one Debian installs everywhere serves.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    fPlatform.SetMainWindow(this);

    // Start-up order: the main form, then the commands objects with their dialogs, then the
    // dialogs' windows, then the main form's start-up work (settings files, recent files).
    fForm = std::make_unique<TMainForm>(fPlatform);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        fForm->Screen = TExtent{avail.width(), avail.height()};
        fForm->Left = avail.x() + (avail.width() - fForm->Width) / 2;
        fForm->Top = avail.y() + (avail.height() - fForm->Height) / 2;
    }
    fForm->Folders = ResolveDataFolders(fPlatform.ProgramFolder());
    fFrames = std::make_unique<TFrameCommands>(*fForm);
    fEffects = std::make_unique<TEffectCommands>(*fForm);
    fAdjust = std::make_unique<TAdjustCommands>(*fForm);
    RegisterShellDialogs(fPlatform);
    RegisterFrameDialogs(fPlatform, *fFrames);
    RegisterEffectDialogs(fPlatform, *fEffects);
    RegisterAdjustDialogs(fPlatform, *fAdjust);
    Guard([this] { fForm->FormCreate(); });

    // Widgets.
    auto* left = new QWidget(this);
    auto* column = new QVBoxLayout(left);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    BuildTopBar(left);
    column->addWidget(fPanel13);
    fView = new ImageViewWidget(fForm->Doc, fForm->Zoom, left);
    column->addWidget(fView, 1);
    fPlatform.SetViewWidget(fView);

    fSidePanel = new SidePanel(*fFrames, this);
    fSplitter = new QSplitter(Qt::Horizontal, this);
    fSplitter->addWidget(left);
    fSplitter->addWidget(fSidePanel);
    fSplitter->setStretchFactor(0, 1);
    fSplitter->setStretchFactor(1, 0);
    fSplitter->setCollapsible(0, false);
    fSplitter->setCollapsible(1, false);
    fSplitter->setSizes({fForm->Width - SidePanel::kWidth, SidePanel::kWidth});
    setCentralWidget(fSplitter);

    BuildMenus();
    BuildToolBars();
    BuildStatusBar();

    connect(fView, &ImageViewWidget::zoomChanged, this, &MainWindow::ShowZoom);
    fView->OnDeleteKey = [this] {
        Guard([this] { fForm->Doc.DeleteSelectedLayer(); });
        AfterCommand();
    };
    fView->OnViewMouseMove = [this](const TViewMouse& m) {
        if (fForm->OnViewMouseMove) Guard([&] { fForm->OnViewMouseMove(m.X, m.Y); });
    };
    fView->OnViewMouseDown = [this](const TViewMouse& m) {
        if (m.Button == TViewMouse::Left && fForm->OnViewMouseDown) {
            Guard([&] { fForm->OnViewMouseDown(m.X, m.Y); });
            AfterCommand();
        }
    };
    // The form's own subscription has run first: the items' states are those of the new picture.
    fViewSubscription = fForm->Doc.ImgView.SubscribeChange([this] {
        RefreshActions();
        fStatus1->setText(fForm->Doc.Empty() ? QString() : Q(fForm->StatusPanel1));
    });
    fForm->OnShellChanged = [this] { RefreshShell(); };
    qApp->installEventFilter(this);

    // Every picture-dependent item starts in its empty-document state.
    for (const TMenu& m : fForm->Menus)
        fForm->MenuOpened(m.Caption);
    ApplyPlacement();
    RefreshShell();
    fView->setFocus();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    fForm->OnShellChanged = nullptr;
    fForm->Doc.ImgView.UnsubscribeChange(fViewSubscription);
    fPlatform.SetViewWidget(nullptr);
    // The widgets (the view, the panel sections, dialog windows parented here) refer to the models:
    // they go first, then the commands objects, then the main form.
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : children)
        delete w;
    fAdjust.reset();
    fEffects.reset();
    fFrames.reset();
    fForm.reset();
}

template <class Fn> bool MainWindow::Guard(Fn&& fn) {
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QCoreApplication::applicationName(), ErrorText(e));
    } catch (...) {
        QMessageBox::critical(this, QCoreApplication::applicationName(),
                              QStringLiteral("Неизвестная ошибка."));
    }
    return false;
}

// ---- Menus and tool bars ----------------------------------------------------------------------

void MainWindow::BuildMenus() {
    for (const TMenu& m : fForm->Menus) {
        QMenu* menu = menuBar()->addMenu(Q(m.Caption));
        fMenus[m.Caption] = menu;
        const std::string caption = m.Caption;
        connect(menu, &QMenu::aboutToShow, this, [this, caption] {
            Guard([&] { fForm->MenuOpened(caption); });
            RefreshActions();
        });
        AddItems(menu, m.Caption, m.Items);
    }
}

void MainWindow::AddItems(QMenu* menu, const std::string& menuCaption, const std::vector<TMenuItem>& items) {
    for (const TMenuItem& it : items) {
        if (it.Caption == kRecentSubmenu) {
            QMenu* recent = menu->addMenu(Q(it.Caption));
            recent->setIcon(QIcon::fromTheme(QStringLiteral("document-open-recent")));
            connect(recent, &QMenu::aboutToShow, this, [this, recent] { RebuildRecentMenu(recent); });
            RebuildRecentMenu(recent);
            continue;
        }
        if (!it.Items.empty()) {
            QMenu* sub = menu->addMenu(IconFor(it.Caption, style()), Q(it.Caption));
            fSubmenus.push_back({{menuCaption, it.Caption}, sub});
            connect(sub, &QMenu::aboutToShow, this, &MainWindow::RefreshActions);
            AddItems(sub, menuCaption, it.Items);
            continue;
        }
        QAction* a = menu->addAction(IconFor(it.Caption, style()), Q(it.Caption));
        a->setToolTip(Q(it.Caption));
        a->setStatusTip(Q(it.Caption));
        if (!it.Shortcut.empty()) a->setShortcut(QKeySequence(Q(it.Shortcut)));
        a->setCheckable(it.Checkable);
        const std::string caption = it.Caption;
        connect(a, &QAction::triggered, this,
                [this, menuCaption, caption] { RunItem(menuCaption, caption); });
        fActions[{menuCaption, it.Caption}] = a;
    }
}

void MainWindow::RebuildRecentMenu(QMenu* menu) {
    menu->clear();
    const TRecentFiles& recent = fForm->Recent;
    for (int i = 0; i < int(recent.Captions.size()); ++i) {
        QAction* a = menu->addAction(Q(recent.Captions[std::size_t(i)]));
        if (i == recent.MarkerIndex) a->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
        a->setEnabled(!recent.IsPlaceholder(i));
        connect(a, &QAction::triggered, this, [this, i] {
            Guard([&] { fForm->RecentItemClick(i); });
            AfterCommand();
        });
    }
}

void MainWindow::BuildToolBars() {
    auto build = [this](const char* name, const QString& title, int iconSize) {
        auto* bar = new QToolBar(title, this);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(iconSize, iconSize));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->toggleViewAction()->setVisible(false);
        for (const auto& [menu, caption] : kToolButtons) {
            if (!*menu) {
                bar->addSeparator();
            } else if (QAction* a = ActionFor(menu, caption)) {
                bar->addAction(a);
            }
        }
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    fToolBar1 = build("ToolBar1", QStringLiteral("Классический"), 16);
    fToolBar3 = build("ToolBar3", QStringLiteral("Современный"), 24);
    // The classic control bar's empty part takes clicks of its own.
    fToolBar1->installEventFilter(this);
}

void MainWindow::BuildTopBar(QWidget* parent) {
    fPanel13 = new QWidget(parent);
    fPanel13->setObjectName("Panel13");
    auto* row = new QHBoxLayout(fPanel13);
    row->setContentsMargins(6, 3, 6, 3);
    row->addWidget(new QLabel(QStringLiteral("Масштаб"), fPanel13));
    fScaleCombo = new QComboBox(fPanel13);
    fScaleCombo->setObjectName("ScaleCombo");
    fScaleCombo->setEditable(true);
    fScaleCombo->setInsertPolicy(QComboBox::NoInsert);
    fScaleCombo->setCompleter(nullptr); // the text is the handler's: no inline completion
    for (const std::string& item : fForm->Zoom.Items)
        fScaleCombo->addItem(Q(item));
    fScaleCombo->setMinimumContentsLength(6);
    row->addWidget(fScaleCombo);
    ShowZoom();
    connect(fScaleCombo, &QComboBox::editTextChanged, this, &MainWindow::ScaleComboEdited);
    row->addSpacing(12);

    auto button = [this](const QString& text, auto handler) {
        auto* b = new QPushButton(text, fPanel13);
        connect(b, &QPushButton::clicked, this, [this, handler] {
            Guard([&] { handler(*fFrames); });
            AfterCommand();
        });
        return b;
    };
    fSaveFrame = button(QStringLiteral("Сохранить рамку"), [](TFrameCommands& c) { c.Button3Click(); });
    fLoadFrame = button(QStringLiteral("Загрузить рамку"), [](TFrameCommands& c) { c.LoadPresetClick(); });
    fPreview = button(QStringLiteral("Просмотр"), [](TFrameCommands& c) { c.Button6Click(); });
    fPreview->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-start")));
    row->addWidget(fSaveFrame);
    row->addWidget(fLoadFrame);
    fProgress = new QProgressBar(fPanel13);
    fProgress->setObjectName("PBR");
    fProgress->setTextVisible(false);
    fProgress->setMinimumWidth(200);
    fProgress->hide();
    row->addWidget(fProgress);
    row->addWidget(fPreview);
    row->addStretch(1);
}

void MainWindow::BuildStatusBar() {
    fStatus0 = new QLabel(this);
    fStatus1 = new QLabel(this);
    fStatus0->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fStatus1->setMinimumWidth(100);
    statusBar()->addWidget(fStatus0, 1);
    statusBar()->addPermanentWidget(fStatus1);
}

QAction* MainWindow::ActionFor(const std::string& menu, const std::string& caption) const {
    auto it = fActions.find({menu, caption});
    return it == fActions.end() ? nullptr : it->second;
}

QMenu* MainWindow::MenuFor(const std::string& caption) const {
    auto it = fMenus.find(caption);
    return it == fMenus.end() ? nullptr : it->second;
}

SidePanelSection* MainWindow::Section(int i) const {
    return i >= 0 && i < 3 ? fSidePanel->Section(i) : nullptr;
}

void MainWindow::RunItem(const std::string& menu, const std::string& caption) {
    TMenuItem* it = fForm->FindItem(menu, caption);
    if (!it || !TMainForm::ItemRunnable(*it)) return;
    auto handler = it->Handler; // the handler may change the menus
    Guard([&] { handler(*fForm); });
    AfterCommand();
}

void MainWindow::AfterCommand() {
    if (!fForm) return;
    RefreshShell();
    if (fForm->Closed) close();
}

void MainWindow::RefreshActions() {
    for (auto& [key, action] : fActions) {
        const TMenuItem* it = fForm->FindItem(key.first, key.second);
        action->setEnabled(it && TMainForm::ItemRunnable(*it));
        if (it && it->Checkable) action->setChecked(it->Checked);
    }
    for (auto& [key, menu] : fSubmenus) {
        const TMenuItem* it = fForm->FindItem(key.first, key.second);
        menu->setEnabled(it && it->Enabled);
    }
}

void MainWindow::RefreshShell() {
    const TMainForm& f = *fForm;
    fPanel13->setVisible(f.Panel13Visible);
    if (fSidePanel->isVisibleTo(this) != f.SidePanelVisible) {
        fSidePanel->setVisible(f.SidePanelVisible);
        // Lay the splitter out now, so the view has its new size before the logic fits a picture.
        fSplitter->refresh();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    fToolBar1->setVisible(!f.ModernStyle);
    fToolBar3->setVisible(f.ModernStyle);
    fSaveFrame->setVisible(f.PresetButtonsVisible);
    fLoadFrame->setVisible(f.PresetButtonsVisible);
    fProgress->setVisible(f.PBRVisible);
    fProgress->setRange(0, std::max(1, f.PBRMax));
    fProgress->setValue(std::clamp(f.PBRPosition, 0, std::max(1, f.PBRMax)));
    fStatus0->setText(Q(f.StatusPanel0));
    fStatus1->setText(f.Doc.Empty() ? QString() : Q(f.StatusPanel1));
    ShowZoom();
    RefreshActions();
}

// ---- Scale box --------------------------------------------------------------------------------

void MainWindow::ShowZoom() {
    const TZoomModel& z = fForm->Zoom;
    fShowingZoom = true;
    fScaleCombo->setEditText(Q(z.Text));
    if (QLineEdit* edit = fScaleCombo->lineEdit())
        edit->setCursorPosition(
            int(Q(z.Text.substr(0, std::size_t(std::clamp<int>(z.CaretPos, 0, int(z.Text.size()))))).size()));
    fShowingZoom = false;
}

void MainWindow::ScaleComboEdited(const QString& text) {
    if (fShowingZoom) return;
    fForm->Zoom.Text = text.toStdString();
    Guard([this] { ScaleComboChange(fForm->Zoom, fForm->Doc); });
    ShowZoom();
}

// ---- Opening, closing, placement --------------------------------------------------------------

bool MainWindow::OpenFile(const std::string& fileName) {
    bool opened = false;
    Guard([&] { opened = fForm->OpenDroppedFile(fileName); });
    AfterCommand();
    return opened;
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (fShown) return;
    fShown = true;
    // The command-line file opens once the window is on the screen, so a slow or failing load
    // shows over the window rather than before it.
    QTimer::singleShot(0, this, [this] {
        Guard([this] { fForm->FormShow(fArgs); });
        AfterCommand();
    });
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!fForm || fForm->Closed) {
        e->accept();
        return;
    }
    StorePlacement();
    bool allowed = false;
    Guard([&] { allowed = fForm->CloseQuery(); });
    if (!allowed) {
        e->ignore();
        RefreshShell();
        return;
    }
    Guard([&] { fForm->FormClose(); }); // a settings file that cannot be written is reported
    e->accept();
}

void MainWindow::ApplyPlacement() {
    fPlacing = true;
    const TMainForm& f = *fForm;
    if (f.WindowState == 0) {
        resize(f.Width, f.Height);
        move(f.Left, f.Top);
    }
    if (f.WindowState == 2)
        setWindowState(Qt::WindowMaximized);
    else if (f.WindowState == 1)
        setWindowState(Qt::WindowMinimized);
    fPlacing = false;
}

void MainWindow::StorePlacement() {
    if (fPlacing || !fForm) return;
    TMainForm& f = *fForm;
    const Qt::WindowStates s = windowState();
    f.WindowState = s & Qt::WindowMinimized ? 1 : (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) ? 2 : 0;
    if (f.WindowState == 0) {
        f.Left = pos().x();
        f.Top = pos().y();
        f.Width = width();
        f.Height = height();
    }
}

void MainWindow::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    StorePlacement();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    StorePlacement();
    if (fForm) fForm->StatusBarClientWidth = statusBar()->width();
}

void MainWindow::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) StorePlacement();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    const QMimeData* m = e->mimeData();
    if (m && m->hasUrls() && !m->urls().isEmpty() && m->urls().first().isLocalFile())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    const QMimeData* m = e->mimeData();
    if (!m || !m->hasUrls() || m->urls().isEmpty() || !m->urls().first().isLocalFile()) return;
    e->acceptProposedAction();
    const std::string name = m->urls().first().toLocalFile().toStdString();
    // Not inside the drag source's event: the question box and the load run from the event loop.
    QTimer::singleShot(0, this, [this, name] { OpenFile(name); });
}

// ---- Keys and clicks --------------------------------------------------------------------------

// Space is "Просмотр" while the view or the window itself has the focus; a focused button,
// check box or edit field keeps its own meaning of Space (press, toggle, type a blank).
// The key travels up from the focused widget through its parents; only a control that has a use
// for Space takes it, so from the view (or a plain container) it still reaches the shortcut.
bool MainWindow::SpaceBelongsToFocus(QObject* watched) const {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this || w == fView || fView->isAncestorOf(w)) return false;
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
           qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSlider*>(w) ||
           qobject_cast<QAbstractItemView*>(w) || qobject_cast<QTextEdit*>(w) ||
           qobject_cast<QPlainTextEdit*>(w);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Space && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            SpaceBelongsToFocus(watched)) {
            e->accept(); // the focused control takes the key; the shortcut does not fire
            return true;
        }
    }
    if (watched == fToolBar1 && e->type() == QEvent::MouseButtonPress) {
        // Only the bar's own empty part: presses on its buttons go to the buttons.
        fForm->ControlBarClick();
    }
    return QMainWindow::eventFilter(watched, e);
}

QString MainWindow::FileNameText() const {
    return fStatus0->text();
}

QString MainWindow::SizeText() const {
    return fStatus1->text();
}

} // namespace kv::ui
