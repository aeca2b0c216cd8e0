#include "document/quiet_platform.h"

namespace kv {

TMsgAnswer TQuietPlatform::MessageBox(const std::string&, TMsgButtons) {
    return TMsgAnswer::Cancel;
}
TModalResult TQuietPlatform::ShowModal(TDialogModel&) {
    return TModalResult::Cancel;
}
void TQuietPlatform::ShowToolWindow(TDialogModel&) {}
void TQuietPlatform::HideToolWindow(TDialogModel&) {}
std::optional<TWinColor> TQuietPlatform::ColorDialog(TWinColor) {
    return std::nullopt;
}
std::optional<TFontSpec> TQuietPlatform::FontDialog(const TFontSpec&) {
    return std::nullopt;
}
std::optional<TFileDialogResult> TQuietPlatform::OpenFileDialog(const TFileDialogOptions&) {
    return std::nullopt;
}
std::optional<TFileDialogResult> TQuietPlatform::SaveFileDialog(const TFileDialogOptions&) {
    return std::nullopt;
}
bool TQuietPlatform::PrinterSetupDialog() {
    return false;
}
void TQuietPlatform::BeginPrintJob(const std::string&) {}
TPoint TQuietPlatform::PrinterResolution() {
    return TPoint{600, 600};
}
TExtent TQuietPlatform::PrintableArea() {
    return TExtent{};
}
void TQuietPlatform::PrintPicture(const TBitmap32&, const TRect&) {}
void TQuietPlatform::EndPrintJob() {}
void TQuietPlatform::AbortPrintJob() {}
TPoint TQuietPlatform::ScreenResolution() {
    return TPoint{96, 96};
}
void TQuietPlatform::ClipboardPutBitmap(const TBitmap32&) {}
bool TQuietPlatform::ClipboardHasBitmap() {
    return false;
}
bool TQuietPlatform::ClipboardGetBitmap(TBitmap32&) {
    return false;
}
void TQuietPlatform::ShellOpenFile(const std::string&) {}
void TQuietPlatform::ShellOpenUrl(const std::string&) {}
void TQuietPlatform::ShellMailTo(const std::string&) {}
int TQuietPlatform::StartTimer(int, std::function<void()>) {
    return 0;
}
void TQuietPlatform::CancelTimer(int) {}
void TQuietPlatform::ProcessMessages() {}
void TQuietPlatform::DrawText(TBitmap32&, int, int, const std::string&, const TFontSpec&) {}
TExtent TQuietPlatform::TextExtent(const std::string&, const TFontSpec&) {
    return TExtent{};
}
TExtent TQuietPlatform::MetafileSize(const std::string&) {
    return TExtent{};
}
void TQuietPlatform::RenderMetafile(const std::string&, int, int, TBitmap32&) {}
void TQuietPlatform::FillEllipse(TBitmap32&, const TRect&, TColor32) {}
void TQuietPlatform::DrawTransparent(TBitmap32&, int, int, const TBitmap32&, TColor32) {}
std::string TQuietPlatform::ProgramFolder() {
    return Folder;
}
std::string TQuietPlatform::WorkingFolder() {
    return Folder;
}
void TQuietPlatform::SetViewCursor(TCursorShape) {}

} // namespace kv
