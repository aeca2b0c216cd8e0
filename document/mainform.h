#pragma once
// TMainForm: the main window as a model. It owns the document, the working pictures, the
// history, the recent files and the settings, and exposes the commands of the "Файл" and
// "Правка" menus. Menus are data (caption, shortcut, enabled rule, handler) that the Qt window
// builds and the tests drive; other subsystems add their items with AddMenuItem.
#include "core/bitmap32.h"
#include "document/document.h"
#include "document/opening.h"
#include "document/platform.h"
#include "document/saving.h"
#include "document/settings.h"
#include "document/zoom.h"

#include <functional>
#include <string>
#include <vector>

namespace kv {

class TMainForm;

struct TMenuItem {
    std::string Caption;
    std::string Shortcut; // "Ctrl+O", "F10", "" for none
    bool Enabled = true;
    bool Checkable = false; // shows a check mark (Checked)
    bool Checked = false;
    // Applied when the item's menu opens; an item without a rule keeps its state.
    std::function<bool(const TMainForm&)> EnabledRule;
    std::function<void(TMainForm&)> Handler; // empty for a submenu
    std::vector<TMenuItem> Items;            // submenu items ("Экспорт изображения")
};

struct TMenu {
    std::string Caption;
    std::vector<TMenuItem> Items;
    std::function<void(TMainForm&)> OnOpen; // extra work when the menu opens
};

inline const std::string kAskToSaveText = "Изображение было изменено. Сохранить?";
inline const std::string kRecentSubmenu = "Недавние файлы";
inline const std::string kHelpFileName = "Help.chm";

// "О программе": a picture, the product name, a line describing the program and the maker's name;
// a click on the maker's name starts a mail message to the support address.
class TAboutBox : public TDialogModel {
  public:
    explicit TAboutBox(TMainForm& form) : Form(form) {}
    std::string DialogName() const override { return "TAboutBox"; }
    TMainForm& Form;
    std::string ProductName = "Korvalis";
    std::string Description = "Редактор рамок и эффектов для фотографий";
    std::string Maker = "Команда Korvalis";
    // The maker's name is a link only while a support address is configured.
    bool MakerLinkEnabled() const;
    void MakerClick();
};

class TMainForm {
  public:
    explicit TMainForm(TPlatform& platform);
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    TPlatform& Platform;
    TDocument Doc;
    TZoomModel Zoom;
    TDataFolders Folders;

    // Working pictures besides those of the document (CleanPhoto, history pictures).
    TBitmap32 EffectSnapshot, AlphaStore, Spare1, Spare2;

    // File dialogs' state.
    std::string OpenDialogFileName;
    std::string SaveDialogFileName;
    int SaveDialogFilterIndex = 1;
    std::string CurrentFileName() const {
        return OpenDialogFileName.empty() ? SaveDialogFileName : OpenDialogFileName;
    }

    TRecentFiles Recent;
    TCompress Compress;
    TGifType GifType;

    // Shell state.
    std::string StatusPanel0, StatusPanel1;
    int StatusPanel0Width = 0;
    int StatusBarClientWidth = 888;
    bool Panel13Visible = false;
    bool SidePanelVisible = false;
    bool SidePanelChecked = false;  // "Панель настройки"
    bool StepsPanelChecked = false; // "Панель этапов работы"
    bool SidePanelRight = true;
    bool ModernStyle = true; // "Современный" checked
    bool Closed = false;
    // Panel13 during a frame build: the preset buttons give way to the progress bar PBR (0..7).
    bool PresetButtonsVisible = true;
    bool PBRVisible = false;
    int PBRPosition = 0;
    int PBRMax = 7;

    // The Qt window listens here: the logic calls ShellChanged after changing any shell field above
    // (panels, progress bar, status texts), and the window brings its widgets up to date.
    std::function<void()> OnShellChanged;
    void ShellChanged();
    // Mouse over the view, in view (control) coordinates: set by whoever needs them (the colour
    // picker samples on move and picks on a left-button press); the window forwards its events.
    std::function<void(int x, int y)> OnViewMouseMove;
    std::function<void(int x, int y)> OnViewMouseDown;

    // Addresses handed to the mail program and the browser; the two "Справка" items stay disabled
    // while they are empty.
    std::string SupportAddress;
    std::string WebAddress;
    TAboutBox AboutBox{*this};

    // Window placement ("CForm.atp") and the screen it must stay on.
    TFormRecord FormRecord; // as read at start; its steps-panel field is written back unchanged
    int WindowState = 0;
    int Left = 0, Top = 0, Width = 888, Height = 641; // centred on Screen by the constructor
    TExtent Screen{1920, 1080};

    // Menus.
    std::vector<TMenu> Menus;
    TMenu* FindMenu(const std::string& caption);
    TMenuItem* FindItem(const std::string& menu, const std::string& caption);
    const TMenuItem* FindItem(const std::string& menu, const std::string& caption) const;
    bool ItemEnabled(const std::string& menu, const std::string& caption) const;
    void SetItemEnabled(const std::string& menu, const std::string& caption, bool enabled);
    // Inserts an item into a menu (created when missing) before the item `before` ("" = at the end).
    TMenuItem& AddMenuItem(const std::string& menu, TMenuItem item, const std::string& before = "");
    // Opening a menu: its OnOpen, then every rule of its items.
    void MenuOpened(const std::string& menu);
    // Runs the item whose shortcut this is, if enabled; false when none took it.
    bool HandleShortcut(const std::string& shortcut);
    // Whether an item can run now: enabled, and bound to a handler (a submenu: has items).
    static bool ItemRunnable(const TMenuItem& item);

    // Start-up (window creation) and the first showing with the command line.
    void FormCreate();
    void FormShow(const std::vector<std::string>& args);

    // Opening.
    bool AskToSave(); // true: go on
    void OpenClick(); // "Открыть"
    void RecentItemClick(int index);
    // A picture file dropped onto the window: asks to save, then opens it like a recent file.
    // Returns whether it was opened (false when the question stopped it).
    bool OpenDroppedFile(const std::string& name);
    void OpenCommandLine(const std::vector<std::string>& args);

    // Saving and export; each returns true when a file was written.
    bool SaveClick();               // "Сохранить..."
    bool SaveAsClick();             // "Сохранить как..."
    bool ExportClick(int position); // "Экспорт изображения", items 0..4

    // History.
    void UndoClick();
    void RedoClick();
    // Every view change: enabled states of the history items and the size panel.
    void ViewChanged();

    // Clipboard ("Правка").
    void CopyClick();       // "Копировать": the photo without frames
    void CopyAllClick();    // "Копировать всё": the composite
    void PasteAsNewClick(); // "Вставить как новое"

    // "Вид".
    void Scale100Click();
    void FitToWindowClick();
    void FullScreenClick();
    void StepsPanelClick();            // "Панель этапов работы"
    void SidePanelClick();             // "Панель настройки"
    void PanelStyleClick(bool modern); // "Классический" / "Современный"
    void ControlBarClick();            // a click on the empty part of the classic control bar

    // "Справка".
    void HelpClick();
    void SupportClick();
    void WebSiteClick();
    void AboutClick();

    // Exit.
    bool CloseQuery();
    void FormClose();
    void ExitClick(); // "Выход": writes "Dirs.lst", then closes
    void Close();     // closes the window when the close query allows it

    void WriteRecentFiles();
    void WriteSettings();

  private:
    void BuildMenus();
    void ApplyFormRecord(const TFormRecord& rec);
    TFormRecord CurrentFormRecord() const;
    void FinishOpen(const std::string& name);
    void ShowOpened();
    void ShowPanelAndFit(); // the side panel shown and checked; a picture larger than the view fitted
    void ShowStatus(const std::string& name);
    void Repaint();
    void ApplyMenuRules(TMenu& menu);
    void SyncCheckMarks();
    void ApplyViewRules();
    bool WritePicture(const std::string& name, int filterIndex);
    bool ConfirmOverwrite(const std::string& written, const std::string& confirmed);
    int fViewSubscription = 0;
};

} // namespace kv
