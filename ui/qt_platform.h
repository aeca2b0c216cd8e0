#pragma once
// QtPlatform: the platform services of document/platform.h on Qt 6 Widgets. Construct it after the
// QApplication. Dialog models are shown through window factories registered by their DialogName.
#include "document/platform.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QDialog;
class QTimer;

namespace kv::ui {

// Filters of the system's file dialogs: "caption|masks|caption|masks..." with masks separated by ';'.
struct QtFileFilters {
    QStringList Filters;  // one Qt filter per pair: "caption (*.bmp *.jpg)"
    QStringList Captions; // the captions as given
    std::vector<QStringList> Masks;
};
QtFileFilters TranslateFileFilter(const std::string& filter);
// Filter index counted from 1 -> the Qt filter to select (the first one when out of range), and back
// (1 when the filter is not among them).
QString QtFilterForIndex(const QtFileFilters& f, int filterIndex);
int FilterIndexOf(const QtFileFilters& f, const QString& qtFilter);
// Whether a file name matches one of the masks ("*.bmp", "*.*", "*"), case-insensitively.
bool MatchesMasks(const QString& fileName, const QStringList& masks);

// Windows colour values 0x00BBGGRR <-> QColor. A value with the system-colour flag (0x80 in the
// high byte) is resolved from the application palette.
QColor QColorFromWinColor(TWinColor c);
TWinColor WinColorFromQColor(const QColor& c);

// The unsmoothed font of a TFontSpec: size in points at 96 pixels per inch, like the original system.
QFont QFontFromDesc(const TFontSpec& sheen);
TFontSpec FontDescFromQFont(const QFont& font, TWinColor color);

// Bitmap <-> QImage (opaque, colour channels only).
QImage QImageFromBitmap(const TBitmap32& bmp);
void BitmapFromQImage(const QImage& img, TBitmap32& bmp);

class QtPlatform : public TPlatform {
  public:
    explicit QtPlatform(QWidget* mainWindow = nullptr);
    ~QtPlatform() override;

    void SetMainWindow(QWidget* w) { fMainWindow = w; }
    // The program folder instead of the executable's (tests run the window on a scratch folder).
    void SetProgramFolder(const std::string& folder) { fProgramFolder = folder; }
    void SetViewWidget(QWidget* w) { fView = w; }
    // Builds the Qt window of a dialog model; ShowModal runs it with exec() and maps
    // QDialog::Accepted to Ok; tool windows are kept and shown again.
    using DialogFactory = std::function<QDialog*(TDialogModel&, QWidget* parent)>;
    void RegisterDialog(const std::string& dialogName, DialogFactory factory);

    // TPlatform
    TMsgAnswer MessageBox(const std::string& text, TMsgButtons buttons) override;
    TModalResult ShowModal(TDialogModel& dialog) override;
    void ShowToolWindow(TDialogModel& dialog) override;
    void HideToolWindow(TDialogModel& dialog) override;
    std::optional<TWinColor> ColorDialog(TWinColor start) override;
    std::optional<TFontSpec> FontDialog(const TFontSpec& start) override;
    std::optional<TFileDialogResult> OpenFileDialog(const TFileDialogOptions& options) override;
    std::optional<TFileDialogResult> SaveFileDialog(const TFileDialogOptions& options) override;
    bool PrinterSetupDialog() override;
    void BeginPrintJob(const std::string& title) override;
    TPoint PrinterResolution() override;
    TExtent PrintableArea() override;
    void PrintPicture(const TBitmap32& picture, const TRect& deviceRect) override;
    void EndPrintJob() override;
    void AbortPrintJob() override;
    TPoint ScreenResolution() override;
    void ClipboardPutBitmap(const TBitmap32& picture) override;
    bool ClipboardHasBitmap() override;
    bool ClipboardGetBitmap(TBitmap32& picture) override;
    void ShellOpenFile(const std::string& fileName) override;
    void ShellOpenUrl(const std::string& url) override;
    void ShellMailTo(const std::string& address) override;
    int StartTimer(int periodMs, std::function<void()> fn) override;
    void CancelTimer(int id) override;
    void ProcessMessages() override;
    void DrawText(TBitmap32& dst, int x, int y, const std::string& text, const TFontSpec& font) override;
    TExtent TextExtent(const std::string& text, const TFontSpec& font) override;
    TExtent MetafileSize(const std::string& fileName) override;
    void RenderMetafile(const std::string& fileName, int width, int height, TBitmap32& dst) override;
    void FillEllipse(TBitmap32& dst, const TRect& bounds, TColor32 color) override;
    void DrawTransparent(TBitmap32& dst, int x, int y, const TBitmap32& src, TColor32 transparent) override;
    std::string ProgramFolder() override;
    std::string WorkingFolder() override;
    void SetViewCursor(TCursorShape shape) override;
    void ShowFullScreen(const TBitmap32& picture) override;

    // The help page a help file name stands for: "<folder>/Help/index.html" beside "Help.chm".
    static std::string HelpPageFor(const std::string& helpFile);

  private:
    QWidget* Parent() const;
    QDialog* WindowFor(TDialogModel& dialog);
    std::optional<TFileDialogResult> RunFileDialog(const TFileDialogOptions& options, bool save);

    QPointer<QWidget> fMainWindow;
    QPointer<QWidget> fView;
    std::map<std::string, DialogFactory> fFactories;
    std::map<TDialogModel*, QPointer<QDialog>> fWindows; // tool windows and modal windows, kept
    std::map<int, QTimer*> fTimers;
    int fNextTimer = 1;
    std::string fProgramFolder;
    // Whether the clipboard holds a picture, asked of the window system once per clipboard change
    // (the editor asks on every view change).
    std::optional<bool> fClipboardHasImage;
    QMetaObject::Connection fClipboardWatch;
};

} // namespace kv::ui
