#include "frames/color_picker.h"

#include "document/mainform.h"

namespace kv {

TSTC::TSTC(TMainForm& form, TFramePanel& panel) : Form(form), Panel(panel) {}

TSTC::~TSTC() {
    if (fShowing) {
        Form.OnViewMouseMove = nullptr;
        Form.OnViewMouseDown = nullptr;
    }
}

void TSTC::Open(const std::string& caption) {
    Caption = caption;
    Top = Form.Top + 60;
    Left = Form.Left + Form.Width - 340;
    fShowing = true;
    Form.OnViewMouseMove = [this](int x, int y) { ImgViewMouseMove(x, y); };
    Form.OnViewMouseDown = [this](int x, int y) { ImgViewMouseDown(x, y); };
    if (OnChanged) OnChanged();
    Form.Platform.ShowToolWindow(*this);
    Form.Platform.SetViewCursor(TCursorShape::Cross);
}

void TSTC::ImgViewMouseMove(int x, int y) {
    if (!fShowing) return;
    const TBitmap32& base = Form.Doc.Base();
    const TPoint p = Form.Doc.ImgView.ViewToPicture(x, y);
    const bool inside = !base.Empty() && p.X >= 0 && p.Y >= 0 && p.X < base.Width() && p.Y < base.Height();
    Panel1 = WinColor(inside ? base.Pixel(p.X, p.Y) : base.OuterColor());
    if (OnChanged) OnChanged();
}

void TSTC::ImgViewMouseDown(int x, int y) {
    if (!fShowing) return;
    // The colour under the press itself, also when the pointer did not move there first.
    ImgViewMouseMove(x, y);
    for (const TEyedropper& e : kEyedroppers)
        if (e.Caption == Caption) Panel.SetSwatch(e.Target, Panel1);
    Finish(true);
}

void TSTC::CloseClick() {
    Finish(true);
}

void TSTC::FormClose() {
    Finish(false);
}

void TSTC::Finish(bool hideWindow) {
    if (!fShowing) return;
    fShowing = false;
    Form.OnViewMouseMove = nullptr;
    Form.OnViewMouseDown = nullptr;
    if (hideWindow) Form.Platform.HideToolWindow(*this);
    Form.Platform.SetViewCursor(TCursorShape::Default);
}

} // namespace kv
