#pragma once
// The editor's main window, built from TMainForm's data: the menu bar from its menus, the two tool
// bars of the panel styles with buttons tied to menu items, the top bar Panel13 (scale box, frame
// preset buttons, progress bar), the view, the side panel and the status bar. It creates the main
// form's model and the commands objects in start-up order, forwards the window system's events
// and brings its widgets up to date whenever the model reports a change of the shell.
#include "document/mainform.h"

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QToolBar;

namespace kv {
class TFrameCommands;
class TEffectCommands;
class TAdjustCommands;
} // namespace kv

namespace kv::ui {

class ImageViewWidget;
class QtPlatform;
class SidePanel;
class SidePanelSection;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // args: the command line, opened when the window is first shown.
    explicit MainWindow(QtPlatform& platform, std::vector<std::string> args = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    TMainForm& Form() { return *fForm; }
    TDocument& Document() { return fForm->Doc; }
    TZoomModel& Zoom() { return fForm->Zoom; }
    TFrameCommands& FrameCommands() { return *fFrames; }

    // Opens a picture file the way a dropped file is opened (asks to save first). Errors are shown
    // in a message box; returns whether the file was opened.
    bool OpenFile(const std::string& fileName);

    // The action of a menu item (shared by the menu and the tool buttons), or null.
    QAction* ActionFor(const std::string& menu, const std::string& caption) const;
    QMenu* MenuFor(const std::string& caption) const;
    QAction* Scale100Action() const { return ActionFor("Вид", "Масштаб 100%"); }
    QAction* FitAction() const { return ActionFor("Вид", "Уместить в окне"); }

    ImageViewWidget* View() const { return fView; }
    QComboBox* ScaleCombo() const { return fScaleCombo; }
    QWidget* TopBar() const { return fPanel13; }
    QToolBar* ClassicToolBar() const { return fToolBar1; }
    QToolBar* ModernToolBar() const { return fToolBar3; }
    SidePanel* SidePanelWidget() const { return fSidePanel; }
    SidePanelSection* Section(int i) const;
    QPushButton* SaveFrameButton() const { return fSaveFrame; }
    QPushButton* LoadFrameButton() const { return fLoadFrame; }
    QPushButton* PreviewButton() const { return fPreview; }
    QProgressBar* ProgressBar() const { return fProgress; }
    QString FileNameText() const;
    QString SizeText() const;

    // Model -> widgets: panels, tool bars, progress bar, status bar, scale box, item states.
    void RefreshShell();
    // Enabled and checked states of every action from the menu items.
    void RefreshActions();

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void BuildMenus();
    void AddItems(QMenu* menu, const std::string& menuCaption, const std::vector<TMenuItem>& items);
    void RebuildRecentMenu(QMenu* menu);
    void BuildToolBars();
    void BuildTopBar(QWidget* parent);
    void BuildStatusBar();
    // Runs a piece of the model; a kv::Error (or any failure) is shown with its text.
    template <class Fn> bool Guard(Fn&& fn);
    void RunItem(const std::string& menu, const std::string& caption);
    void AfterCommand(); // the shell follows the model; the window closes after "Выход"
    void ApplyPlacement();
    void StorePlacement();
    void ShowZoom();
    void ScaleComboEdited(const QString& text);
    bool SpaceBelongsToFocus(QObject* watched) const;

    QtPlatform& fPlatform;
    std::unique_ptr<TMainForm> fForm;
    std::unique_ptr<TFrameCommands> fFrames;
    std::unique_ptr<TEffectCommands> fEffects;
    std::unique_ptr<TAdjustCommands> fAdjust;
    std::vector<std::string> fArgs;

    std::map<std::pair<std::string, std::string>, QAction*> fActions;
    std::map<std::string, QMenu*> fMenus;                                          // top-level, by caption
    std::vector<std::pair<std::pair<std::string, std::string>, QMenu*>> fSubmenus; // enabled like items
    ImageViewWidget* fView = nullptr;
    QWidget* fPanel13 = nullptr;
    QComboBox* fScaleCombo = nullptr;
    QPushButton* fSaveFrame = nullptr;
    QPushButton* fLoadFrame = nullptr;
    QPushButton* fPreview = nullptr;
    QProgressBar* fProgress = nullptr;
    QToolBar* fToolBar1 = nullptr;
    QToolBar* fToolBar3 = nullptr;
    QSplitter* fSplitter = nullptr;
    SidePanel* fSidePanel = nullptr;
    QLabel* fStatus0 = nullptr;
    QLabel* fStatus1 = nullptr;
    int fViewSubscription = 0;
    bool fShown = false;
    bool fShowingZoom = false;
    bool fPlacing = false;
};

} // namespace kv::ui
