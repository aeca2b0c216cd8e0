#include "app/batch/batch_platform.h"

#include "core/error.h"

#include <filesystem>

namespace kv::batch {

namespace {

const char* const kMetafilesUnavailable =
    "Метафайлы (WMF, EMF) пока не поддерживаются в этой версии программы.";

[[noreturn]] void Unavailable(const std::string& what) {
    throw Error(what + " is not available in korvalis-batch");
}

} // namespace

TBatchPlatform::TBatchPlatform(std::string programFolder) : fProgramFolder(std::move(programFolder)) {
    if (fProgramFolder.empty() || fProgramFolder.back() != '/') fProgramFolder += '/';
}

// Nobody can answer a question here: whatever the editor would ask or warn about stops this file
// with the message's own text.
TMsgAnswer TBatchPlatform::MessageBox(const std::string& text, TMsgButtons) {
    throw Error(text);
}

TModalResult TBatchPlatform::ShowModal(TDialogModel&) {
    return TModalResult::Ok;
}

void TBatchPlatform::ShowToolWindow(TDialogModel&) {}
void TBatchPlatform::HideToolWindow(TDialogModel&) {}

std::optional<TWinColor> TBatchPlatform::ColorDialog(TWinColor) {
    std::optional<TWinColor> c = NextColour;
    NextColour.reset();
    return c;
}

std::optional<TFontSpec> TBatchPlatform::FontDialog(const TFontSpec&) {
    return std::nullopt;
}

std::optional<TFileDialogResult> TBatchPlatform::OpenFileDialog(const TFileDialogOptions& options) {
    if (!NextOpenName) return std::nullopt;
    TFileDialogResult r{*NextOpenName, options.FilterIndex};
    NextOpenName.reset();
    return r;
}

std::optional<TFileDialogResult> TBatchPlatform::SaveFileDialog(const TFileDialogOptions&) {
    return std::nullopt;
}

bool TBatchPlatform::PrinterSetupDialog() {
    return false;
}
void TBatchPlatform::BeginPrintJob(const std::string&) {
    Unavailable("Printing");
}
TPoint TBatchPlatform::PrinterResolution() {
    Unavailable("Printing");
}
TExtent TBatchPlatform::PrintableArea() {
    Unavailable("Printing");
}
void TBatchPlatform::PrintPicture(const TBitmap32&, const TRect&) {
    Unavailable("Printing");
}
void TBatchPlatform::EndPrintJob() {}
void TBatchPlatform::AbortPrintJob() {}
TPoint TBatchPlatform::ScreenResolution() {
    return TPoint{96, 96};
}

void TBatchPlatform::ClipboardPutBitmap(const TBitmap32&) {
    Unavailable("The clipboard");
}
bool TBatchPlatform::ClipboardHasBitmap() {
    return false;
}
bool TBatchPlatform::ClipboardGetBitmap(TBitmap32&) {
    return false;
}

void TBatchPlatform::ShellOpenFile(const std::string&) {}
void TBatchPlatform::ShellOpenUrl(const std::string&) {}
void TBatchPlatform::ShellMailTo(const std::string&) {}

// There is no event loop to run a timer on; work that needs one cannot be done in a batch.
int TBatchPlatform::StartTimer(int, std::function<void()>) {
    Unavailable("A timer");
}
void TBatchPlatform::CancelTimer(int) {}

void TBatchPlatform::ProcessMessages() {}

void TBatchPlatform::DrawText(TBitmap32&, int, int, const std::string&, const TFontSpec&) {
    Unavailable("Text drawing");
}
TExtent TBatchPlatform::TextExtent(const std::string&, const TFontSpec&) {
    Unavailable("Text drawing");
}

TExtent TBatchPlatform::MetafileSize(const std::string&) {
    throw Error(kMetafilesUnavailable);
}
void TBatchPlatform::RenderMetafile(const std::string&, int, int, TBitmap32&) {
    throw Error(kMetafilesUnavailable);
}

// No command the batch runs draws through these; should one come to, it fails clearly rather than
// with a rasterisation of its own that might differ from the editor's by a pixel.
void TBatchPlatform::FillEllipse(TBitmap32&, const TRect&, TColor32) {
    Unavailable("Ellipse drawing");
}

void TBatchPlatform::DrawTransparent(TBitmap32&, int, int, const TBitmap32&, TColor32) {
    Unavailable("Transparent drawing");
}

std::string TBatchPlatform::ProgramFolder() {
    return fProgramFolder;
}

std::string TBatchPlatform::WorkingFolder() {
    std::error_code ec;
    std::string dir = std::filesystem::current_path(ec).string();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

void TBatchPlatform::SetViewCursor(TCursorShape) {}

} // namespace kv::batch
