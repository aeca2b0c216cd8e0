#pragma once
// TSTC: the colour-picker tool window. While it shows, moving the pointer over the view samples
// the base picture's pixel into the swatch Panel1, and a button press on the view copies the sample
// into the panel swatch named by the window's caption and closes the picker.
#include "document/platform.h"
#include "frames/panel.h"

#include <string>

namespace kv {

class TMainForm;

inline const std::string kPickerHintText =
    "Наведите курсор на желаемый цвет.\nНажмите левую кнопку мыши для выбора.";

// The eyedroppers: the caption each gives the picker, and its target swatch.
struct TEyedropper {
    std::string_view Button;
    std::string_view Caption;
    TSwatch Target;
};
inline constexpr TEyedropper kEyedroppers[4] = {{"SpeedButton29", "Цвет рамки", TSwatch::SColor},
                                                {"SpeedButton25", "Цвет текстуры рамки", TSwatch::MoColor},
                                                {"SpeedButton31", "Цвет текстуры фона", TSwatch::Panel12},
                                                {"SpeedButton14", "Цвет фона", TSwatch::MatSC}};

class TSTC : public TDialogModel {
  public:
    TSTC(TMainForm& form, TFramePanel& panel);
    ~TSTC() override;
    std::string DialogName() const override { return "TSTC"; }

    TMainForm& Form;
    TFramePanel& Panel;
    std::string Caption;
    TWinColor Panel1 = 0; // the sample swatch
    int Left = 0, Top = 0;
    bool Showing() const { return fShowing; }

    // An eyedropper button: shows the picker at the main window's top + 60 and left + width − 340
    // with the target's name as caption, without blocking, and the view's pointer becomes a cross.
    void Open(const std::string& caption);
    // Pointer over the view (view coordinates): the base pixel under it, or the picture's outer
    // colour outside it, as a system colour.
    void ImgViewMouseMove(int x, int y);
    // Button pressed on the view: the colour under it becomes the sample and goes into the swatch
    // named by Caption; the picker closes.
    void ImgViewMouseDown(int x, int y);
    // "Закрыть" (also Esc) and any other close: the pointer goes back to the arrow.
    void CloseClick();
    // The window was closed by the window system.
    void FormClose();
    // The window notices a change of the sample or caption here.
    std::function<void()> OnChanged;

  private:
    void Finish(bool hideWindow);
    bool fShowing = false;
};

} // namespace kv
