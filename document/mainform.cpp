#include "document/mainform.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "document/history.h"
#include "document/project.h"

#include <algorithm>
#include <exception>
#include <filesystem>

namespace kv {

namespace {

const char* const kFileMenu = "Файл";
const char* const kEditMenu = "Правка";
const char* const kImageMenu = "Изображение";
const char* const kFramesMenu = "Рамки";
const char* const kEffectsMenu = "Эффекты";
const char* const kViewMenu = "Вид";
const char* const kHelpMenu = "Справка";
const char* const kSaveItem = "Сохранить...";
const char* const kSaveAsItem = "Сохранить как...";
const char* const kUndoItem = "Отменить";
const char* const kRedoItem = "Повторить";

constexpr int kMinWindowWidth = 200, kMinWindowHeight = 150;
constexpr int kInitialWidth = 888, kInitialHeight = 641;

bool NotEmpty(const TMainForm& f) {
    return !f.Doc.Empty();
}

// Frees the composite however the save that made it ends.
struct CompositeScope {
    TDocument& doc;
    explicit CompositeScope(TDocument& d) : doc(d) { doc.Compose(); }
    ~CompositeScope() { doc.Composite.Delete(); }
};

} // namespace

TMainForm::TMainForm(TPlatform& platform) : Platform(platform) {
    Left = (Screen.Width - kInitialWidth) / 2;
    Top = (Screen.Height - kInitialHeight) / 2;
    Width = kInitialWidth;
    Height = kInitialHeight;
    FormRecord = DefaultFormRecord();
    BuildMenus();
    fViewSubscription = Doc.ImgView.SubscribeChange([this] { ViewChanged(); });
}

TMainForm::~TMainForm() {
    Doc.ImgView.UnsubscribeChange(fViewSubscription);
}

// ---- Menus ------------------------------------------------------------------------------------

void TMainForm::BuildMenus() {
    auto item = [](std::string caption, std::string shortcut, std::function<void(TMainForm&)> handler,
                   std::function<bool(const TMainForm&)> rule = {}) {
        TMenuItem it;
        it.Caption = std::move(caption);
        it.Shortcut = std::move(shortcut);
        it.Handler = std::move(handler);
        it.EnabledRule = std::move(rule);
        return it;
    };

    TMenu file;
    file.Caption = kFileMenu;
    file.Items.push_back(item("Открыть", "Ctrl+O", [](TMainForm& f) { f.OpenClick(); }));
    file.Items.push_back(item(
        kSaveItem, "Ctrl+S", [](TMainForm& f) { f.SaveClick(); }, NotEmpty));
    file.Items.push_back(item(
        kSaveAsItem, "", [](TMainForm& f) { f.SaveAsClick(); }, NotEmpty));
    TMenuItem recent = item(kRecentSubmenu, "", {});
    file.Items.push_back(recent); // its items are Recent.Captions, each running RecentItemClick
    TMenuItem exportMenu = item("Экспорт изображения", "", {});
    const char* formats[] = {"В формат BMP", "В формат JPEG", "В формат GIF", "В формат PNG",
                             "В формат TIFF"};
    for (int p = 0; p < 5; ++p)
        exportMenu.Items.push_back(item(formats[p], "", [p](TMainForm& f) { f.ExportClick(p); }));
    file.Items.push_back(exportMenu);
    file.Items.push_back(item("Настройка печати", "", [](TMainForm& f) { f.Platform.PrinterSetupDialog(); }));
    file.Items.push_back(item("Печать", "Ctrl+P", {})); // bound by the printing subsystem
    file.Items.push_back(item("Выход", "F10", [](TMainForm& f) { f.ExitClick(); }));
    // The save items start disabled: there is nothing to save before a picture is opened.
    file.Items[1].Enabled = false;
    file.Items[2].Enabled = false;
    Menus.push_back(std::move(file));

    TMenu edit;
    edit.Caption = kEditMenu;
    edit.Items.push_back(item(
        kUndoItem, "Ctrl+Z", [](TMainForm& f) { f.UndoClick(); },
        [](const TMainForm& f) { return UndoEnabled(f.Doc); }));
    edit.Items.push_back(item(
        kRedoItem, "Ctrl+Y", [](TMainForm& f) { f.RedoClick(); },
        [](const TMainForm& f) { return RedoEnabled(f.Doc); }));
    // Copying needs a picture; pasting needs a bitmap on the clipboard.
    edit.Items.push_back(item(
        "Копировать", "Ctrl+C", [](TMainForm& f) { f.CopyClick(); },
        [](const TMainForm& f) { return !f.Doc.CleanPhoto.Empty(); }));
    edit.Items.push_back(item(
        "Копировать всё", "", [](TMainForm& f) { f.CopyAllClick(); }, NotEmpty));
    edit.Items.push_back(item(
        "Вставить как новое", "", [](TMainForm& f) { f.PasteAsNewClick(); },
        [](const TMainForm& f) { return f.Platform.ClipboardHasBitmap(); }));
    for (TMenuItem& it : edit.Items)
        if (it.Caption != "Вставить как новое") it.Enabled = false;
    Menus.push_back(std::move(edit));

    // The remaining menus in their order with every caption in place; the subsystems that own
    // the commands bind the handlers (an item without a handler stays disabled). In these three
    // menus every item is enabled exactly when the base picture is not empty.
    auto leaf = [&](std::string caption, std::string shortcut = "") {
        return item(std::move(caption), std::move(shortcut), {}, NotEmpty);
    };
    auto submenu = [&](std::string caption, std::initializer_list<const char*> captions) {
        TMenuItem sub = item(std::move(caption), "", {}, NotEmpty);
        for (const char* c : captions)
            sub.Items.push_back(leaf(c));
        return sub;
    };
    TMenu image;
    image.Caption = kImageMenu;
    image.Items.push_back(leaf("Цветовой баланс"));
    image.Items.push_back(leaf("Яркость / контраст"));
    image.Items.push_back(leaf("Обрезать изображение"));
    image.Items.push_back(leaf("Размер изображения"));
    image.Items.push_back(leaf("Размер холста..."));
    image.Items.push_back(
        submenu("Повернуть", {"На 90° вправо", "На 90° влево", "На 180°", "Повернуть на угол..."}));
    image.Items.push_back(submenu("Отразить", {"Зеркально", "Вертикально"}));
    Menus.push_back(std::move(image));

    TMenu frames;
    frames.Caption = kFramesMenu;
    for (const char* c :
         {"Классическая деревянная", "Прозрачная градиентная", "Градиентная двойная", "Ярко-синяя простая",
          "Деревянная с размытием", "Контрастная оранжевая", "Стильная классическая", "Тонкая однотонная"})
        frames.Items.push_back(leaf(c));
    frames.Items.push_back(leaf("Каталог рамок", "Ctrl+K"));
    frames.Items.push_back(leaf("Просмотр", "Space"));
    frames.Items.push_back(leaf("Снять рамку", "Delete"));
    Menus.push_back(std::move(frames));

    TMenu effects;
    effects.Caption = kEffectsMenu;
    effects.Items.push_back(submenu("Резкость", {"Быстрая резкость", "Настройка резкости"}));
    effects.Items.push_back(submenu("Размытие", {"Быстрое размытие", "Настройка размытия"}));
    for (const char* c : {"Разбрызгивание", "Мозаика", "Волна", "Эффект сепия", "Обратить цвета",
                          "Сделать чёрно-белым", "Оттенки одного цвета", "Каталог эффектов"})
        effects.Items.push_back(leaf(c));
    effects.OnOpen = [](TMainForm& f) { f.Doc.Select(nullptr); };
    Menus.push_back(std::move(effects));

    TMenu view;
    view.Caption = kViewMenu;
    view.Items.push_back(item("Масштаб 100%", "Ctrl+A", [](TMainForm& f) { f.Scale100Click(); }));
    view.Items.push_back(item("Уместить в окне", "Ctrl+F", [](TMainForm& f) { f.FitToWindowClick(); }));
    view.Items.push_back(item(
        "Полноэкранный просмотр", "", [](TMainForm& f) { f.FullScreenClick(); }, NotEmpty));
    auto check = [&](std::string caption, std::function<void(TMainForm&)> handler) {
        TMenuItem it = item(std::move(caption), "", std::move(handler));
        it.Checkable = true;
        return it;
    };
    view.Items.push_back(check("Панель этапов работы", [](TMainForm& f) { f.StepsPanelClick(); }));
    view.Items.push_back(check("Панель настройки", [](TMainForm& f) { f.SidePanelClick(); }));
    TMenuItem style = item("Стиль панелей", "", {});
    style.Items.push_back(check("Классический", [](TMainForm& f) { f.PanelStyleClick(false); }));
    style.Items.push_back(check("Современный", [](TMainForm& f) { f.PanelStyleClick(true); }));
    view.Items.push_back(style);
    Menus.push_back(std::move(view));

    TMenu help;
    help.Caption = kHelpMenu;
    help.Items.push_back(item("Справка", "F1", [](TMainForm& f) { f.HelpClick(); }));
    help.Items.push_back(item(
        "Техническая поддержка", "", [](TMainForm& f) { f.SupportClick(); },
        [](const TMainForm& f) { return !f.SupportAddress.empty(); }));
    help.Items.push_back(item(
        "Сайт Korvalis", "", [](TMainForm& f) { f.WebSiteClick(); },
        [](const TMainForm& f) { return !f.WebAddress.empty(); }));
    help.Items.push_back(item("О программе", "", [](TMainForm& f) { f.AboutClick(); }));
    help.Items[1].Enabled = false;
    help.Items[2].Enabled = false;
    Menus.push_back(std::move(help));
    SyncCheckMarks();
}

TMenu* TMainForm::FindMenu(const std::string& caption) {
    for (TMenu& m : Menus)
        if (m.Caption == caption) return &m;
    return nullptr;
}

namespace {
template <class Items> auto FindIn(Items& items, const std::string& caption) -> decltype(&items[0]) {
    for (auto& it : items) {
        if (it.Caption == caption) return &it;
        if (auto* sub = FindIn(it.Items, caption)) return sub;
    }
    return nullptr;
}
} // namespace

TMenuItem* TMainForm::FindItem(const std::string& menu, const std::string& caption) {
    TMenu* m = FindMenu(menu);
    return m ? FindIn(m->Items, caption) : nullptr;
}

const TMenuItem* TMainForm::FindItem(const std::string& menu, const std::string& caption) const {
    return const_cast<TMainForm*>(this)->FindItem(menu, caption);
}

bool TMainForm::ItemEnabled(const std::string& menu, const std::string& caption) const {
    const TMenuItem* it = FindItem(menu, caption);
    return it && it->Enabled;
}

void TMainForm::SetItemEnabled(const std::string& menu, const std::string& caption, bool enabled) {
    if (TMenuItem* it = FindItem(menu, caption)) it->Enabled = enabled;
}

TMenuItem& TMainForm::AddMenuItem(const std::string& menu, TMenuItem item, const std::string& before) {
    TMenu* m = FindMenu(menu);
    if (!m) {
        Menus.push_back(TMenu{menu, {}, {}});
        m = &Menus.back();
    }
    auto at = m->Items.end();
    if (!before.empty())
        at = std::find_if(m->Items.begin(), m->Items.end(),
                          [&](const TMenuItem& it) { return it.Caption == before; });
    return *m->Items.insert(at, std::move(item));
}

void TMainForm::ApplyMenuRules(TMenu& menu) {
    auto apply = [this](TMenuItem& it) {
        if (it.EnabledRule) it.Enabled = it.EnabledRule(*this);
        // A command nobody has bound yet cannot run.
        if (!it.Handler && it.Items.empty() && it.Caption != kRecentSubmenu) it.Enabled = false;
    };
    for (TMenuItem& it : menu.Items) {
        apply(it);
        for (TMenuItem& sub : it.Items)
            apply(sub);
    }
}

void TMainForm::ShellChanged() {
    SyncCheckMarks();
    ApplyViewRules(); // a command may have changed what the rules look at after the last view change
    if (OnShellChanged) OnShellChanged();
}

void TMainForm::SyncCheckMarks() {
    auto set = [this](const char* caption, bool checked) {
        if (TMenuItem* it = FindItem(kViewMenu, caption)) it->Checked = checked;
    };
    set("Панель этапов работы", StepsPanelChecked);
    set("Панель настройки", SidePanelChecked);
    set("Классический", !ModernStyle);
    set("Современный", ModernStyle);
}

bool TMainForm::ItemRunnable(const TMenuItem& item) {
    return item.Enabled && (item.Handler || !item.Items.empty() || item.Caption == kRecentSubmenu);
}

void TMainForm::MenuOpened(const std::string& menu) {
    TMenu* m = FindMenu(menu);
    if (!m) return;
    if (m->OnOpen) m->OnOpen(*this);
    ApplyMenuRules(*m);
}

bool TMainForm::HandleShortcut(const std::string& shortcut) {
    if (shortcut.empty()) return false;
    for (TMenu& m : Menus)
        for (TMenuItem& it : m.Items)
            if (it.Shortcut == shortcut && it.Handler) {
                if (it.Enabled) {
                    auto handler = it.Handler; // the handler may change the menus
                    handler(*this);
                }
                return true;
            }
    return false;
}

void TMainForm::ApplyViewRules() {
    // The tool buttons share the items' states, so the picture-dependent menus follow every change
    // (their rules are the same as on opening; opening "Эффекты" also clears the selection, which
    // a view change must not do).
    for (const char* menu : {kEditMenu, kImageMenu, kFramesMenu, kEffectsMenu, kViewMenu})
        if (TMenu* m = FindMenu(menu)) ApplyMenuRules(*m);
}

void TMainForm::ViewChanged() {
    ApplyViewRules();
    StatusPanel1 = std::to_string(Doc.Base().Width()) + "x" + std::to_string(Doc.Base().Height());
}

void TMainForm::Repaint() {
    if (Doc.ImgView.OnInvalidate) Doc.ImgView.OnInvalidate();
}

// ---- Start-up and exit ------------------------------------------------------------------------

void TMainForm::FormCreate() {
    // Resolved here unless the caller has placed the folders already.
    if (Folders.Program.empty()) Folders = ResolveDataFolders(Platform.ProgramFolder());
    std::string text;
    // "View.atp": its first line is read and not used.
    ReadSettingsFile(Folders.SettingsReadPath(kViewFileName), text);

    TFormRecord rec = DefaultFormRecord();
    if (ReadSettingsFile(Folders.SettingsReadPath(kFormFileName), text))
        rec = DecodeFormRecord(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    ApplyFormRecord(rec);

    EffectSnapshot.Delete();
    AlphaStore.Delete();
    Spare1.Delete();
    Spare2.Delete();
    ClearHistory(Doc);
    InstallCustomPaintStage(Doc.ImgView);

    std::vector<std::string> lines{kRecentNeverWritten};
    if (ReadSettingsFile(Folders.SettingsReadPath(kDirsFileName), text)) lines = DecodeRecentList(text);
    Recent.Load(lines);
    ShellChanged();
}

void TMainForm::FormShow(const std::vector<std::string>& args) {
    OpenCommandLine(args);
}

void TMainForm::ApplyFormRecord(const TFormRecord& rec) {
    FormRecord = rec;
    WindowState = rec.WindowState;
    if (rec.WindowState == 0 && rec.HasGeometry) {
        int w = rec.Width, h = rec.Height;
        if (w <= 0 || h <= 0) {
            w = kInitialWidth;
            h = kInitialHeight;
        }
        const int sw = std::max(Screen.Width, kMinWindowWidth),
                  sh = std::max(Screen.Height, kMinWindowHeight);
        Width = std::clamp(w, kMinWindowWidth, sw);
        Height = std::clamp(h, kMinWindowHeight, sh);
        Left = std::clamp<std::int64_t>(rec.Left, 0, sw - Width);
        Top = std::clamp<std::int64_t>(rec.Top, 0, sh - Height);
    }
    StepsPanelChecked = rec.StepsPanelText() == "Yes";
    SidePanelRight = true; // "Right" aligns it right; any other value keeps its initial place, the right
    ModernStyle = rec.PanelStyle == "Modern";
}

TFormRecord TMainForm::CurrentFormRecord() const {
    TFormRecord rec = FormRecord; // keeps the steps-panel bytes as read
    rec.WindowState = std::clamp(WindowState, 0, 2);
    rec.Left = Left;
    rec.Top = Top;
    rec.Width = Width;
    rec.Height = Height;
    rec.SidePanel = SidePanelRight ? "Right" : "Left";
    rec.PanelStyle = ModernStyle ? "Modern" : "Old";
    return rec;
}

void TMainForm::WriteRecentFiles() {
    WriteSettingsFile(Folders.SettingsWritePath(kDirsFileName), EncodeRecentList(Recent.Captions));
}

void TMainForm::WriteSettings() {
    WriteRecentFiles();
    WriteSettingsFile(Folders.SettingsWritePath(kViewFileName), kViewFileLine + "\r\n");
    const auto rec = EncodeFormRecord(CurrentFormRecord());
    WriteSettingsFile(Folders.SettingsWritePath(kFormFileName), std::string(rec.begin(), rec.end()));
}

bool TMainForm::CloseQuery() {
    if (Doc.Empty()) return true;
    return AskToSave();
}

void TMainForm::FormClose() {
    std::exception_ptr failure;
    try {
        WriteSettings();
    } catch (...) {
        failure = std::current_exception();
    }
    Doc.Select(nullptr);
    Doc.Layers().Clear();
    Doc.Base().Delete();
    Doc.CleanPhoto.Delete();
    EffectSnapshot.Delete();
    Doc.ClearBaseFramed();
    Closed = true;
    if (failure) std::rethrow_exception(failure);
}

void TMainForm::Close() {
    if (Closed) return;
    if (CloseQuery()) FormClose();
}

void TMainForm::ExitClick() {
    // A list that cannot be written is reported, but does not keep the window open.
    std::exception_ptr failure;
    try {
        WriteRecentFiles();
    } catch (...) {
        failure = std::current_exception();
    }
    Close();
    if (failure) std::rethrow_exception(failure);
}

// ---- Opening ----------------------------------------------------------------------------------

bool TMainForm::AskToSave() {
    if (!Doc.IsModified()) return true;
    switch (Platform.MessageBox(kAskToSaveText, TMsgButtons::YesNoCancel)) {
    case TMsgAnswer::Yes:
        return SaveClick(); // go on only when the picture was saved
    case TMsgAnswer::No:
        return true;
    default:
        return false;
    }
}

void TMainForm::ShowStatus(const std::string& name) {
    StatusPanel0 = name;
    StatusPanel0Width = StatusBarClientWidth - 400;
    StatusPanel1 = std::to_string(Doc.Base().Width()) + "x" + std::to_string(Doc.Base().Height());
}

// The common end of a successful open: the picture is the new clean photo, the history is empty,
// the side panel shows and a picture larger than the view is fitted.
void TMainForm::FinishOpen(const std::string& name) {
    if (!Recent.Contains(name)) Recent.Add(name);
    ShowStatus(name);
    Doc.CleanPhoto.Assign(Doc.Base());
    ClearHistory(Doc);
    Doc.ClearBaseFramed();
    SetItemEnabled(kEditMenu, kUndoItem, false);
    SetItemEnabled(kEditMenu, kRedoItem, false);
    Panel13Visible = !Doc.Empty();
}

// After a picture was opened from the dialog, the recent list or a drop: the side panel shows, a
// picture larger than the view is fitted, and the document starts clean.
void TMainForm::ShowOpened() {
    ShowPanelAndFit();
    Repaint();
    Doc.Modified = kMarkClean;
    ShellChanged();
}

void TMainForm::ShowPanelAndFit() {
    SidePanelVisible = SidePanelChecked = true;
    ShellChanged(); // the window shows the panel first, so the fit uses the view's new size
    const TImgView32& v = Doc.ImgView;
    if (v.ClientWidth() - 20 < Doc.Base().Width() || v.ClientHeight() - 20 < Doc.Base().Height())
        FitToWindow(Zoom, Doc);
}

void TMainForm::OpenClick() {
    EffectSnapshot.Delete();
    if (!Doc.Empty() && !AskToSave()) {
        Panel13Visible = !Doc.Empty();
        ShellChanged();
        return;
    }
    TFileDialogOptions o;
    o.Filter = kOpenFilter;
    o.FileName = OpenDialogFileName;
    const auto r = Platform.OpenFileDialog(o);
    if (!r || r->FileName.empty()) {
        Repaint();
        Panel13Visible = !Doc.Empty();
        ShellChanged();
        return;
    }
    const std::string name = r->FileName;
    TLoadedFile loaded = LoadDocumentFile(name, Platform); // a failure leaves everything as it was
    SaveDialogFileName.clear();
    OpenDialogFileName = name;
    ApplyLoadedFile(Doc, std::move(loaded));
    SetItemEnabled(kFileMenu, kSaveItem, SaveEnabledAfterOpen(name));
    SetItemEnabled(kFileMenu, kSaveAsItem, true);
    FinishOpen(name);
    ShowOpened();
}

void TMainForm::RecentItemClick(int index) {
    if (index < 0 || index >= int(Recent.Captions.size()) || Recent.IsPlaceholder(index)) return;
    const std::string name = Recent.Captions[std::size_t(index)];
    EffectSnapshot.Delete();
    if (!Doc.Empty() && !AskToSave()) return;
    TLoadedFile loaded = LoadDocumentFile(name, Platform);
    // Saving in the question may have added an item above the clicked one.
    const auto it = std::find(Recent.Captions.begin(), Recent.Captions.end(), name);
    Recent.MarkerIndex = it == Recent.Captions.end() ? -1 : int(it - Recent.Captions.begin());
    OpenDialogFileName = name;
    SaveDialogFileName.clear();
    ApplyLoadedFile(Doc, std::move(loaded));
    SetItemEnabled(kFileMenu, kSaveItem, SaveEnabledAfterOpen(name));
    SetItemEnabled(kFileMenu, kSaveAsItem, true);
    const int marker = Recent.MarkerIndex;
    const bool present = Recent.Contains(name);
    FinishOpen(name);
    if (present) Recent.MarkerIndex = marker;
    ShowOpened();
}

bool TMainForm::OpenDroppedFile(const std::string& name) {
    if (name.empty()) return false;
    EffectSnapshot.Delete();
    if (!Doc.Empty() && !AskToSave()) return false;
    TLoadedFile loaded = LoadDocumentFile(name, Platform); // a failure leaves everything as it was
    OpenDialogFileName = name;
    SaveDialogFileName.clear();
    ApplyLoadedFile(Doc, std::move(loaded));
    SetItemEnabled(kFileMenu, kSaveItem, SaveEnabledAfterOpen(name));
    SetItemEnabled(kFileMenu, kSaveAsItem, true);
    FinishOpen(name);
    ShowOpened();
    return true;
}

void TMainForm::OpenCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) return;
    std::string name = args[0];
    for (std::size_t i = 1; i < args.size(); ++i)
        name += " " + args[i];
    TLoadedFile loaded = LoadDocumentFile(name, Platform);
    OpenDialogFileName = name;
    SaveDialogFileName.clear();
    ApplyLoadedFile(Doc, std::move(loaded));
    SetItemEnabled(kFileMenu, kSaveItem, SaveEnabledAfterCommandLine(name));
    SetItemEnabled(kFileMenu, kSaveAsItem, true);
    FinishOpen(name);
    // A picture named at start-up gets the frame panel and fitting like any other opened picture:
    // the side panel is hidden only until a picture is opened. The mark stays as loading left it.
    ShowPanelAndFit();
    Repaint();
    ShellChanged();
}

// ---- Saving and export ------------------------------------------------------------------------

bool TMainForm::SaveClick() {
    if (Doc.Empty()) return false;
    // Without a name "Сохранить как..." does the whole job.
    if (OpenDialogFileName.empty() && SaveDialogFileName.empty()) return SaveAsClick();
    const std::string name = CurrentFileName();
    const TSaveKind kind = SaveKindOf(name);
    if (kind == TSaveKind::None) return SaveAsClick();
    if (kind == TSaveKind::Project) {
        WriteProject(Doc, name);
    } else {
        CompositeScope composite(Doc);
        const TBitmap32& c = Doc.Composite;
        switch (kind) {
        case TSaveKind::Bmp:
            codecs::SaveBMP24(c, name);
            break;
        case TSaveKind::Gif:
            codecs::SaveGIF(c, name, codecs::GifColours::Auto);
            break;
        case TSaveKind::Jpeg:
            codecs::SaveJPEG(c, name, 100);
            break;
        case TSaveKind::Png:
            codecs::SavePNG(c, name);
            break;
        default:
            break;
        }
    }
    Doc.Modified = kMarkClean;
    return true;
}

bool TMainForm::ConfirmOverwrite(const std::string& written, const std::string& confirmed) {
    if (written == confirmed) return true; // the dialog has asked about this name itself
    std::error_code ec;
    if (!std::filesystem::exists(written, ec)) return true;
    return Platform.MessageBox("Файл " + written + " уже существует. Заменить его?", TMsgButtons::OkCancel) ==
           TMsgAnswer::Ok;
}

bool TMainForm::WritePicture(const std::string& name, int filterIndex) {
    CompositeScope composite(Doc);
    const TBitmap32& c = Doc.Composite;
    switch (filterIndex) {
    case 1:
        codecs::SaveBMP24(c, name);
        return true;
    case 2:
        Repaint();
        if (Platform.ShowModal(Compress) != TModalResult::Ok) return false;
        codecs::SaveJPEG(c, name, Compress.Quality());
        return true;
    case 3: {
        GifType.Source = &c;
        GifType.FormActivate();
        const TModalResult r = Platform.ShowModal(GifType);
        GifType.Source = nullptr;
        if (r != TModalResult::Ok) return false;
        codecs::SaveGIF(c, name, GifType.Colours());
        return true;
    }
    case 4:
        codecs::SavePNG(c, name);
        return true;
    case 5:
        codecs::SaveTIFF(c, name);
        return true;
    default:
        return false;
    }
}

bool TMainForm::SaveAsClick() {
    if (Doc.Empty()) return false;
    TFileDialogOptions o;
    o.Filter = kSaveFilter;
    o.FilterIndex = SaveDialogFilterIndex;
    o.FileName = SaveDialogFileName;
    const auto r = Platform.SaveFileDialog(o);
    if (!r || r->FileName.empty()) return false;
    const int index = r->FilterIndex >= 1 && r->FilterIndex <= kSaveFilterCount ? r->FilterIndex : 1;
    SaveDialogFilterIndex = index;
    const std::string written = SaveAsTarget(r->FileName, index);
    if (!ConfirmOverwrite(written, r->FileName)) return false;
    if (!WritePicture(written, index)) return false;
    OpenDialogFileName.clear();
    SaveDialogFileName = written;
    if (!Recent.Contains(written)) Recent.Add(written);
    SetItemEnabled(kFileMenu, kSaveItem, true);
    SetItemEnabled(kFileMenu, kSaveAsItem, true);
    StatusPanel0 = written;
    Repaint();
    Doc.Modified = kMarkClean;
    ShellChanged();
    return true;
}

bool TMainForm::ExportClick(int position) {
    if (position < 0 || position >= kSaveFilterCount) return false;
    SaveDialogFilterIndex = position + 1;
    return SaveAsClick();
}

// ---- History ----------------------------------------------------------------------------------

void TMainForm::UndoClick() {
    Undo(Doc);
    SetItemEnabled(kEditMenu, kUndoItem, UndoEnabled(Doc));
    SetItemEnabled(kEditMenu, kRedoItem, RedoEnabled(Doc));
}

void TMainForm::RedoClick() {
    Redo(Doc);
    SetItemEnabled(kEditMenu, kUndoItem, UndoEnabled(Doc));
    SetItemEnabled(kEditMenu, kRedoItem, RedoEnabled(Doc));
}

// ---- Clipboard --------------------------------------------------------------------------------

void TMainForm::CopyClick() {
    if (Doc.CleanPhoto.Empty()) return;
    Platform.ClipboardPutBitmap(Doc.CleanPhoto);
    Doc.Base().Changed(); // the view reports a change, which marks the document modified
}

void TMainForm::CopyAllClick() {
    if (Doc.Empty()) return;
    {
        CompositeScope composite(Doc);
        Platform.ClipboardPutBitmap(Doc.Composite);
    }
    Doc.Base().Changed();
}

void TMainForm::PasteAsNewClick() {
    EffectSnapshot.Delete();
    if (!Doc.Empty() && !AskToSave()) return;
    OpenDialogFileName.clear();
    SaveDialogFileName.clear();
    SetItemEnabled(kFileMenu, kSaveItem, true);
    SetItemEnabled(kFileMenu, kSaveAsItem, true);
    TBitmap32 picture;
    if (Platform.ClipboardHasBitmap() && Platform.ClipboardGetBitmap(picture) && !picture.Empty()) {
        Doc.PasteAsNewContent();
        picture.ResetAlpha();
        Doc.TakeBasePixels(picture);
        Doc.CleanPhoto.Assign(Doc.Base());
        // A new document: an undo must not bring back a picture of the previous one, and a frame
        // marker of the previous one must not keep the clean photo from following this one.
        ClearHistory(Doc);
        Doc.ClearBaseFramed();
        SetItemEnabled(kEditMenu, kUndoItem, false);
        SetItemEnabled(kEditMenu, kRedoItem, false);
        StatusPanel0.clear(); // no file name any more
    }
    Repaint();
    if (!Doc.Empty()) SidePanelVisible = SidePanelChecked = true;
    Panel13Visible = !Doc.Empty();
    ShellChanged();
}

// ---- View -------------------------------------------------------------------------------------

void TMainForm::Scale100Click() {
    kv::Scale100Click(Zoom, Doc);
    ShellChanged();
}

void TMainForm::FitToWindowClick() {
    FitToWindow(Zoom, Doc);
    ShellChanged();
}

void TMainForm::FullScreenClick() {
    if (Doc.Empty()) return;
    {
        CompositeScope composite(Doc); // emptied again however the preview ends
        Platform.ShowFullScreen(Doc.Composite);
    }
    Repaint();
}

void TMainForm::StepsPanelClick() {
    StepsPanelChecked = !StepsPanelChecked;
    ShellChanged();
}

void TMainForm::SidePanelClick() {
    SidePanelChecked = !SidePanelChecked;
    SidePanelVisible = SidePanelChecked;
    ShellChanged();
}

void TMainForm::PanelStyleClick(bool modern) {
    // Showing the other tool bar resizes the view; that is no change of the picture.
    const int mark = Doc.Modified;
    ModernStyle = modern;
    ShellChanged();
    Doc.Modified = mark;
}

void TMainForm::ControlBarClick() {
    Doc.Modified = kMarkModified;
}

// ---- Help -------------------------------------------------------------------------------------

void TMainForm::HelpClick() {
    const std::filesystem::path folder =
        Folders.Program.empty() ? std::filesystem::path(Platform.ProgramFolder()) : Folders.Program;
    Platform.ShellOpenFile((folder / kHelpFileName).string());
}

void TMainForm::SupportClick() {
    if (!SupportAddress.empty()) Platform.ShellMailTo(SupportAddress);
}

void TMainForm::WebSiteClick() {
    if (!WebAddress.empty()) Platform.ShellOpenUrl(WebAddress);
}

void TMainForm::AboutClick() {
    Platform.ShowModal(AboutBox);
}

bool TAboutBox::MakerLinkEnabled() const {
    return !Form.SupportAddress.empty();
}

void TAboutBox::MakerClick() {
    Form.SupportClick();
}

} // namespace kv
