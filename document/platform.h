#pragma once
// TPlatform: every service the logic asks of the window system and the operating system. The Qt
// editor implements it in ui/; tests use the scripted FakePlatform of tests/support/. Plain value
// types only. Folder listing, file times and file reading/writing go through std::filesystem in
// the logic itself and are not part of this interface.
#include "core/bitmap32.h"
#include "core/color32.h"
#include "core/geometry.h"

#include <functional>
#include <optional>
#include <string>

namespace kv {

struct TExtent {
    int Width = 0, Height = 0;
    constexpr bool operator==(const TExtent&) const = default;
};

enum class TMsgButtons { Ok, OkCancel, YesNoCancel };
enum class TMsgAnswer { Ok, Cancel, Yes, No }; // closing a box counts as Cancel
enum class TModalResult { Ok, Cancel };

// A dialog model the platform can show; the platform picks the window for it by its name
// (the dialog class name, e.g. "TGamma").
class TDialogModel {
  public:
    virtual ~TDialogModel() = default;
    virtual std::string DialogName() const = 0;
};

struct TFontSpec {
    std::string Family = "Arial";
    int Size = 10; // points
    bool Bold = false, Italic = false, Underline = false;
    TWinColor Color = 0; // 0x00BBGGRR
    bool operator==(const TFontSpec&) const = default;
};

// File dialogs. Filter: "caption|masks|caption|masks..." (masks separated by ';');
// FilterIndex counts from 1.
struct TFileDialogOptions {
    std::string Title;
    std::string Filter;
    int FilterIndex = 1;
    std::string FileName;
    std::string InitialDir;
    std::string DefaultExt;
};
struct TFileDialogResult {
    std::string FileName;
    int FilterIndex = 1;
};

enum class TCursorShape { Default, Cross };

class TPlatform {
  public:
    virtual ~TPlatform() = default;

    // Modal message box with one of the three button sets.
    virtual TMsgAnswer MessageBox(const std::string& text, TMsgButtons buttons) = 0;

    // Modal dialog: shows the model's window and waits until it closes.
    virtual TModalResult ShowModal(TDialogModel& dialog) = 0;
    // Non-blocking tool window that stays on top while the main window keeps working.
    virtual void ShowToolWindow(TDialogModel& dialog) = 0;
    virtual void HideToolWindow(TDialogModel& dialog) = 0;

    // Colour dialog: the confirmed colour or nothing on cancel (Windows colour values).
    virtual std::optional<TWinColor> ColorDialog(TWinColor start) = 0;
    // Font dialog: the confirmed font or nothing on cancel.
    virtual std::optional<TFontSpec> FontDialog(const TFontSpec& start) = 0;
    // File dialogs: the chosen name and filter index, or nothing on cancel.
    virtual std::optional<TFileDialogResult> OpenFileDialog(const TFileDialogOptions& options) = 0;
    virtual std::optional<TFileDialogResult> SaveFileDialog(const TFileDialogOptions& options) = 0;

    // Printing. Failures throw kv::Error with the system's text.
    virtual bool PrinterSetupDialog() = 0; // false on cancel
    virtual void BeginPrintJob(const std::string& title) = 0;
    virtual TPoint PrinterResolution() = 0; // pixels per inch, x and y
    virtual TExtent PrintableArea() = 0;    // pixels
    // Draws the picture's colour channels (alpha ignored: a 24-bit picture) stretched into rect.
    virtual void PrintPicture(const TBitmap32& picture, const TRect& deviceRect) = 0;
    virtual void EndPrintJob() = 0;
    virtual void AbortPrintJob() = 0;
    virtual TPoint ScreenResolution() = 0; // pixels per inch

    // Clipboard.
    virtual void ClipboardPutBitmap(const TBitmap32& picture) = 0;
    virtual bool ClipboardHasBitmap() = 0;
    virtual bool ClipboardGetBitmap(TBitmap32& picture) = 0; // false when none; alpha 255

    // Shell.
    virtual void ShellOpenFile(const std::string& fileName) = 0; // with its viewer, maximised
    virtual void ShellOpenUrl(const std::string& url) = 0;
    virtual void ShellMailTo(const std::string& address) = 0;

    // One-shot timer: fn runs once on the event loop after periodMs. Returns an id for Cancel.
    virtual int StartTimer(int periodMs, std::function<void()> fn) = 0;
    virtual void CancelTimer(int id) = 0;
    // Handles pending window messages during long work.
    virtual void ProcessMessages() = 0;

    // Text without smoothing, in font's colour made opaque; (x, y) is the top-left of the text.
    virtual void DrawText(TBitmap32& dst, int x, int y, const std::string& text, const TFontSpec& font) = 0;
    virtual TExtent TextExtent(const std::string& text, const TFontSpec& font) = 0;

    // Metafiles (.wmf, .emf): natural size in pixels, and rendering scaled to width x height over
    // a zeroed 32-bit picture (unpainted pixels stay 0). Unreadable files throw kv::Error.
    virtual TExtent MetafileSize(const std::string& fileName) = 0;
    virtual void RenderMetafile(const std::string& fileName, int width, int height, TBitmap32& dst) = 0;

    // Filled ellipse inscribed in bounds, colour copied (not blended).
    virtual void FillEllipse(TBitmap32& dst, const TRect& bounds, TColor32 color) = 0;
    // src drawn onto dst at (x, y), pixels whose colour channels equal transparent's left out.
    virtual void DrawTransparent(TBitmap32& dst, int x, int y, const TBitmap32& src,
                                 TColor32 transparent) = 0;

    // The executable's folder and the current working folder, each ending with a separator.
    virtual std::string ProgramFolder() = 0;
    virtual std::string WorkingFolder() = 0;

    // Pointer shape over the view.
    virtual void SetViewCursor(TCursorShape shape) = 0;

    // Full-screen preview: a borderless black screen showing the picture centred, scaled to fit
    // with its aspect kept (nearest pixels); returns when the user presses Esc or clicks. A
    // platform without a screen shows nothing.
    virtual void ShowFullScreen(const TBitmap32& picture) { (void)picture; }
};

} // namespace kv
