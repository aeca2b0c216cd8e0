#include "frames/texture_picker.h"

#include "document/mainform.h"
#include "frames/panel.h"

namespace kv {

TTextur::TTextur(TMainForm& form, TFramePanel& panel) : Form(form), Panel(panel) {
    View.SetSize(50);
    View.ScrollMode = SMVertical;
    View.Deferred = true;
    View.SetDirectory(form.Platform.ProgramFolder() + "Textures");
}

bool TTextur::Execute() {
    if (Form.Platform.ShowModal(*this) != TModalResult::Ok) return false;
    OKClick();
    return true;
}

void TTextur::OKClick() {
    Panel.S.Texture = View.SelectedFile();
    if (OnOk) OnOk();
}

} // namespace kv
