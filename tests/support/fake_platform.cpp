#include "tests/support/fake_platform.h"

#include "core/error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace kv {

namespace {
const char* ButtonsName(TMsgButtons b) {
    switch (b) {
    case TMsgButtons::Ok:
        return "Ok";
    case TMsgButtons::OkCancel:
        return "OkCancel";
    case TMsgButtons::YesNoCancel:
        return "YesNoCancel";
    }
    return "?";
}

std::string WithSeparator(std::string s) {
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

// Number of characters of UTF-8 text (continuation bytes not counted).
int CharCount(const std::string& s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

int CellWidth(const TFontSpec& f) {
    return std::max(1, f.Size * 3 / 5);
}
int CellHeight(const TFontSpec& f) {
    return std::max(1, f.Size * 4 / 3);
}
} // namespace

FakePlatform::FakePlatform()
    : ProgramDir(WithSeparator(KV_BIN_DIR)),
      WorkingDir(WithSeparator(std::filesystem::current_path().string())) {}

std::vector<std::string> FakePlatform::CallNames() const {
    std::vector<std::string> r;
    for (const auto& c : Calls)
        r.push_back(c.Service);
    return r;
}

std::vector<std::string> FakePlatform::TextsOf(const std::string& service) const {
    std::vector<std::string> r;
    for (const auto& c : Calls)
        if (c.Service == service) r.push_back(c.Text);
    return r;
}

int FakePlatform::CountOf(const std::string& service) const {
    return int(
        std::count_if(Calls.begin(), Calls.end(), [&](const FakeCall& c) { return c.Service == service; }));
}

void FakePlatform::Record(const std::string& service, const std::string& text) {
    Calls.push_back({service, text});
}

void FakePlatform::Unscripted(const std::string& what) {
    if (Strict) ADD_FAILURE() << "FakePlatform: unscripted " << what;
}

TMsgAnswer FakePlatform::MessageBox(const std::string& text, TMsgButtons buttons) {
    Record("MessageBox", text);
    if (!MessageAnswers.empty()) {
        TMsgAnswer a = MessageAnswers.front();
        MessageAnswers.pop_front();
        return a;
    }
    if (buttons == TMsgButtons::Ok) return TMsgAnswer::Ok; // a notice needs no script
    Unscripted(std::string("message box (") + ButtonsName(buttons) + "): " + text);
    return TMsgAnswer::Cancel;
}

TModalResult FakePlatform::ShowModal(TDialogModel& dialog) {
    Record("ShowModal", dialog.DialogName());
    if (!ModalScripts.empty()) {
        auto fn = std::move(ModalScripts.front());
        ModalScripts.pop_front();
        return fn ? fn(dialog) : TModalResult::Cancel;
    }
    Unscripted("modal dialog " + dialog.DialogName());
    return TModalResult::Cancel;
}

void FakePlatform::ShowToolWindow(TDialogModel& dialog) {
    Record("ShowToolWindow", dialog.DialogName());
    if (std::find(ToolWindowsShown.begin(), ToolWindowsShown.end(), dialog.DialogName()) ==
        ToolWindowsShown.end())
        ToolWindowsShown.push_back(dialog.DialogName());
}

void FakePlatform::HideToolWindow(TDialogModel& dialog) {
    Record("HideToolWindow", dialog.DialogName());
    std::erase(ToolWindowsShown, dialog.DialogName());
}

template <class T> static std::optional<T> Pop(std::deque<std::optional<T>>& q, bool& had) {
    had = !q.empty();
    if (!had) return std::nullopt;
    auto v = std::move(q.front());
    q.pop_front();
    return v;
}

std::optional<TWinColor> FakePlatform::ColorDialog(TWinColor start) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", unsigned(start & 0xFFFFFFu));
    Record("ColorDialog", buf);
    bool had;
    auto r = Pop(ColorAnswers, had);
    if (!had) Unscripted("colour dialog");
    return r;
}

std::optional<TFontSpec> FakePlatform::FontDialog(const TFontSpec& start) {
    Record("FontDialog", start.Family);
    bool had;
    auto r = Pop(FontAnswers, had);
    if (!had) Unscripted("font dialog");
    return r;
}

std::optional<TFileDialogResult> FakePlatform::OpenFileDialog(const TFileDialogOptions& options) {
    Record("OpenFileDialog", options.Filter);
    bool had;
    auto r = Pop(OpenAnswers, had);
    if (!had) Unscripted("open dialog");
    return r;
}

std::optional<TFileDialogResult> FakePlatform::SaveFileDialog(const TFileDialogOptions& options) {
    Record("SaveFileDialog", options.Filter);
    bool had;
    auto r = Pop(SaveAnswers, had);
    if (!had) Unscripted("save dialog");
    return r;
}

bool FakePlatform::PrinterSetupDialog() {
    Record("PrinterSetupDialog", "");
    if (!PrinterSetupAnswers.empty()) {
        bool a = PrinterSetupAnswers.front();
        PrinterSetupAnswers.pop_front();
        return a;
    }
    Unscripted("printer set-up dialog");
    return false;
}

void FakePlatform::BeginPrintJob(const std::string& title) {
    Record("BeginPrintJob", title);
    if (PrintJobOpen) ADD_FAILURE() << "FakePlatform: print job begun twice";
    PrintJobOpen = true;
}

TPoint FakePlatform::PrinterResolution() {
    Record("PrinterResolution", "");
    return PrinterDpi;
}

TExtent FakePlatform::PrintableArea() {
    Record("PrintableArea", "");
    return PrinterArea;
}

void FakePlatform::PrintPicture(const TBitmap32& picture, const TRect& deviceRect) {
    Record("PrintPicture", std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()));
    if (!PrintJobOpen) ADD_FAILURE() << "FakePlatform: picture printed outside a print job";
    Printed.push_back({picture.Width(), picture.Height(), deviceRect});
}

void FakePlatform::EndPrintJob() {
    Record("EndPrintJob", "");
    if (!PrintJobOpen) ADD_FAILURE() << "FakePlatform: print job ended without one begun";
    PrintJobOpen = false;
}

void FakePlatform::AbortPrintJob() {
    Record("AbortPrintJob", "");
    PrintJobOpen = false;
}

TPoint FakePlatform::ScreenResolution() {
    Record("ScreenResolution", "");
    return ScreenDpi;
}

void FakePlatform::ClipboardPutBitmap(const TBitmap32& picture) {
    Record("ClipboardPutBitmap", std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()));
    Clipboard.emplace(picture);
    Clipboard->ResetAlpha(); // the clipboard holds a bitmap without alpha
}

bool FakePlatform::ClipboardHasBitmap() {
    Record("ClipboardHasBitmap", "");
    return Clipboard.has_value() && !Clipboard->Empty();
}

bool FakePlatform::ClipboardGetBitmap(TBitmap32& picture) {
    Record("ClipboardGetBitmap", "");
    if (!Clipboard || Clipboard->Empty()) return false;
    picture.Assign(*Clipboard);
    return true;
}

void FakePlatform::ShellOpenFile(const std::string& fileName) {
    Record("ShellOpenFile", fileName);
}
void FakePlatform::ShellOpenUrl(const std::string& url) {
    Record("ShellOpenUrl", url);
}
void FakePlatform::ShellMailTo(const std::string& address) {
    Record("ShellMailTo", address);
}

int FakePlatform::StartTimer(int periodMs, std::function<void()> fn) {
    Record("StartTimer", std::to_string(periodMs));
    int id = fNextTimer++;
    fTimers.push_back({id, periodMs, std::move(fn)});
    return id;
}

void FakePlatform::CancelTimer(int id) {
    Record("CancelTimer", std::to_string(id));
    std::erase_if(fTimers, [id](const Timer& t) { return t.id == id; });
}

void FakePlatform::FireTimers() {
    auto due = std::move(fTimers);
    fTimers.clear();
    for (auto& t : due)
        if (t.fn) t.fn();
}

void FakePlatform::ProcessMessages() {
    ++ProcessMessagesCount;
    Record("ProcessMessages", "");
}

TExtent FakePlatform::TextExtent(const std::string& text, const TFontSpec& font) {
    Record("TextExtent", text);
    return {CharCount(text) * CellWidth(font), text.empty() ? 0 : CellHeight(font)};
}

void FakePlatform::DrawText(TBitmap32& dst, int x, int y, const std::string& text, const TFontSpec& font) {
    Record("DrawText", text);
    const int cw = CellWidth(font), ch = CellHeight(font);
    const TColor32 c = Color32FromWinColor(font.Color);
    int col = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) == 0x80) continue;
        if (b != ' ') {
            int l = x + col * cw;
            dst.FillRectS(l + 1, y + 1, l + cw - 1, y + ch - 1, c);
        }
        ++col;
    }
}

TExtent FakePlatform::MetafileSize(const std::string& fileName) {
    Record("MetafileSize", fileName);
    auto it = Metafiles.find(fileName);
    if (it == Metafiles.end()) throw Error("Cannot open metafile " + fileName);
    return it->second;
}

void FakePlatform::RenderMetafile(const std::string& fileName, int width, int height, TBitmap32& dst) {
    Record("RenderMetafile", fileName);
    if (Metafiles.find(fileName) == Metafiles.end()) throw Error("Cannot open metafile " + fileName);
    dst.SetSize(width, height);
    dst.Clear(0);
    if (MetafileRenderer) MetafileRenderer(fileName, dst);
}

void FakePlatform::FillEllipse(TBitmap32& dst, const TRect& bounds, TColor32 color) {
    Record("FillEllipse", std::to_string(bounds.Left) + "," + std::to_string(bounds.Top) + "," +
                              std::to_string(bounds.Right) + "," + std::to_string(bounds.Bottom));
    if (bounds.IsEmpty() || dst.Empty()) return;
    // A pixel is inside when its centre lies inside the inscribed ellipse.
    const double cx = (bounds.Left + bounds.Right) / 2.0, cy = (bounds.Top + bounds.Bottom) / 2.0;
    const double rx = bounds.Width() / 2.0, ry = bounds.Height() / 2.0;
    TRect r = IntersectRect(bounds, dst.BoundsRect());
    for (int y = r.Top; y < r.Bottom; ++y) {
        double dy = (y + 0.5 - cy) / ry;
        TColor32* row = dst.ScanLine(y);
        for (int x = r.Left; x < r.Right; ++x) {
            double dx = (x + 0.5 - cx) / rx;
            if (dx * dx + dy * dy <= 1.0) row[x] = color;
        }
    }
    dst.Changed();
}

void FakePlatform::DrawTransparent(TBitmap32& dst, int x, int y, const TBitmap32& src, TColor32 transparent) {
    Record("DrawTransparent", std::to_string(x) + "," + std::to_string(y));
    if (dst.Empty() || src.Empty()) return;
    TRect r = IntersectRect(TRect{x, y, x + src.Width(), y + src.Height()}, dst.BoundsRect());
    for (int yy = r.Top; yy < r.Bottom; ++yy) {
        const TColor32* s = src.ScanLine(yy - y);
        TColor32* d = dst.ScanLine(yy);
        for (int xx = r.Left; xx < r.Right; ++xx) {
            TColor32 p = s[xx - x];
            if ((p & 0xFFFFFFu) != (transparent & 0xFFFFFFu)) d[xx] = p | 0xFF000000u;
        }
    }
    dst.Changed();
}

std::string FakePlatform::ProgramFolder() {
    Record("ProgramFolder", ProgramDir);
    return ProgramDir;
}

std::string FakePlatform::WorkingFolder() {
    Record("WorkingFolder", WorkingDir);
    return WorkingDir;
}

void FakePlatform::SetViewCursor(TCursorShape shape) {
    Record("SetViewCursor", shape == TCursorShape::Cross ? "Cross" : "Default");
    Cursor = shape;
}

void FakePlatform::ShowFullScreen(const TBitmap32& picture) {
    Record("ShowFullScreen", std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()));
    FullScreenPicture.emplace(picture);
}

} // namespace kv
