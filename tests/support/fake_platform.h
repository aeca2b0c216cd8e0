#pragma once
// FakePlatform: a scripted TPlatform for tests. Answers come from queues the test fills; every
// call is recorded in order. With an empty queue a question gets its cancel answer; with Strict
// set, such an unscripted question also fails the running test.
#include "document/platform.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct FakeCall {
    std::string Service; // the TPlatform method name, e.g. "MessageBox"
    std::string Text;    // its main argument: the text, the filter, the file name, the url...
};

struct FakePrintedPicture {
    int Width = 0, Height = 0;
    TRect DeviceRect{};
};

class FakePlatform : public TPlatform {
  public:
    FakePlatform();

    // Scripts.
    std::deque<TMsgAnswer> MessageAnswers;
    std::deque<std::function<TModalResult(TDialogModel&)>> ModalScripts;
    std::deque<std::optional<TWinColor>> ColorAnswers;
    std::deque<std::optional<TFontSpec>> FontAnswers;
    std::deque<std::optional<TFileDialogResult>> OpenAnswers;
    std::deque<std::optional<TFileDialogResult>> SaveAnswers;
    std::deque<bool> PrinterSetupAnswers;
    bool Strict = false;

    // Record of every call, in order.
    std::vector<FakeCall> Calls;
    std::vector<std::string> CallNames() const;
    // Texts of the calls to one service, in order.
    std::vector<std::string> TextsOf(const std::string& service) const;
    int CountOf(const std::string& service) const;
    void ClearCalls() { Calls.clear(); }

    // Simulated devices.
    TPoint PrinterDpi{600, 600};
    TExtent PrinterArea{4800, 6600};
    TPoint ScreenDpi{96, 96};
    bool PrintJobOpen = false;
    std::vector<FakePrintedPicture> Printed;
    std::optional<TBitmap32> Clipboard;
    std::string ProgramDir;
    std::string WorkingDir;
    TCursorShape Cursor = TCursorShape::Default;
    std::vector<std::string> ToolWindowsShown; // names of the tool windows showing now
    // Metafiles by file name: natural size and a renderer (default: leaves the picture zeroed).
    std::map<std::string, TExtent> Metafiles;
    std::function<void(const std::string&, TBitmap32&)> MetafileRenderer;

    // Runs the pending timers once each, in the order they were started.
    void FireTimers();
    int PendingTimers() const { return int(fTimers.size()); }
    int ProcessMessagesCount = 0;

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
    // A block font: each character is a cell of Size*3/5 x Size*4/3 pixels (rounded down, at
    // least 1); every non-blank character fills its cell but a one-pixel margin.
    void DrawText(TBitmap32& dst, int x, int y, const std::string& text, const TFontSpec& font) override;
    TExtent TextExtent(const std::string& text, const TFontSpec& font) override;
    TExtent MetafileSize(const std::string& fileName) override;
    void RenderMetafile(const std::string& fileName, int width, int height, TBitmap32& dst) override;
    void FillEllipse(TBitmap32& dst, const TRect& bounds, TColor32 color) override;
    void DrawTransparent(TBitmap32& dst, int x, int y, const TBitmap32& src, TColor32 transparent) override;
    std::string ProgramFolder() override;
    std::string WorkingFolder() override;
    void SetViewCursor(TCursorShape shape) override;
    // Recorded with the picture's size; the picture shown last is kept.
    void ShowFullScreen(const TBitmap32& picture) override;
    std::optional<TBitmap32> FullScreenPicture;

  private:
    void Record(const std::string& service, const std::string& text);
    void Unscripted(const std::string& what);
    struct Timer {
        int id;
        int periodMs;
        std::function<void()> fn;
    };
    std::vector<Timer> fTimers;
    int fNextTimer = 1;
};

} // namespace kv
