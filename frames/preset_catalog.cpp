#include "frames/preset_catalog.h"

#include "core/error.h"
#include "frames/frame_commands.h"
#include "frames/presets.h"

#include <filesystem>

namespace kv {

TPresety::TPresety(TFrameCommands& commands) : Commands(commands) {
    View.SetSize(60);
    View.ScrollMode = SMVertical;
    View.Deferred = true;
    View.FileMasks = {"*.bmp", "*.jpg", "*.jpeg", "*.gif", "*.png"};
}

void TPresety::Open() {
    TMainForm& form = Commands.Form;
    Top = form.Top + 80;
    Left = form.Left + form.Width - 332;
    fShowing = true;
    form.Platform.ShowToolWindow(*this);
    FormActivate();
}

void TPresety::FormActivate() {
    View.SetDirectory("");
    View.SetDirectory(PresetPicturesForReading(Commands.DataFolders()).string());
}

void TPresety::LoadClick() {
    TMainForm& form = Commands.Form;
    if (View.Selected() < 0) {
        form.Platform.MessageBox(kChooseFrameText, TMsgButtons::Ok);
        return;
    }
    const std::string file = View.SelectedFile();
    const int k = PresetNumberOfPicture(std::filesystem::path(file).filename().string());
    if (k < 0)
        throw Error("Картинка «" + std::filesystem::path(file).filename().string() +
                    "» не относится ни к одной записи рамки: её имя должно быть номером записи.");
    Commands.ApplyPreset(k, PresetFileForReading(Commands.DataFolders()).string());
}

void TPresety::CloseClick() {
    if (fShowing) Commands.Form.Platform.HideToolWindow(*this);
    FormClose();
}

void TPresety::FormClose() {
    fShowing = false;
    // A repaint only: the document is not changed.
    TImgView32& view = Commands.Form.Doc.ImgView;
    if (view.OnInvalidate) view.OnInvalidate();
}

} // namespace kv
