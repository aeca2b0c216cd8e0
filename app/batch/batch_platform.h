#pragma once
// TBatchPlatform: the platform services for running the editor's commands without a window. A
// message box becomes an error for the file being processed, a modal dialog is confirmed at once
// (the caller has set the dialog's values), pending messages need no handling, and the open dialog
// answers with the file the batch is working on.
#include "document/platform.h"

#include <optional>
#include <string>

namespace kv::batch {

class TBatchPlatform final : public TPlatform {
  public:
    explicit TBatchPlatform(std::string programFolder);

    // The name the next open dialog returns (consumed by that dialog).
    std::optional<std::string> NextOpenName;
    // The colour the next colour dialog confirms (consumed); without one the dialog is cancelled.
    std::optional<TWinColor> NextColour;

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

  private:
    std::string fProgramFolder;
};

} // namespace kv::batch
