#pragma once
// TTextur: the texture picker "Выбор текстуры" over the "Textures" folder. OK sets TeNamo (the frame
// texture name of the panel) to the selected file; Cancel changes nothing.
#include "document/platform.h"
#include "document/thumbview.h"

#include <functional>
#include <string>

namespace kv {

class TMainForm;
class TFramePanel;

class TTextur : public TDialogModel {
  public:
    TTextur(TMainForm& form, TFramePanel& panel);
    std::string DialogName() const override { return "TTextur"; }

    TMainForm& Form;
    TFramePanel& Panel;
    TTHumbview View; // the "Textures" folder

    // Shows the picker modally; true when OK closed it.
    bool Execute();
    // "OK": TeNamo := the selected file ("" when none), then OnOk (the simple-border dialog's
    // preview while that dialog shows).
    void OKClick();
    std::function<void()> OnOk;
};

} // namespace kv
