#pragma once
// TQuietPlatform: a TPlatform for work that runs without a window system, such as building the
// installed artwork or timing the frame build. It shows nothing: message boxes and dialogs answer
// Cancel or nothing, printing, the clipboard, the shell and timers do nothing, and the small raster
// services draw nothing. Folder is returned as both the program and the working folder. Derive to
// change an answer (e.g. to treat any message as a fault). Not the scripted test platform, which
// records calls, nor the batch tool's platform, which draws text and reports to the console.
#include "document/platform.h"

#include <string>

namespace kv {

class TQuietPlatform : public TPlatform {
  public:
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

    std::string Folder;
};

} // namespace kv
