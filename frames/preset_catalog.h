#pragma once
// TPresety: the preset catalog "Каталог рамок", a tool window that stays on top without blocking
// the main window: the preset pictures as thumbnails, "Загрузить" and "Закрыть".
#include "document/platform.h"
#include "document/thumbview.h"

#include <string>

namespace kv {

class TFrameCommands;

inline const std::string kPresetCatalogCaption = "Каталог рамок";
inline const std::string kChooseFrameText = "Пожалуйста, выберите рамку.";

class TPresety : public TDialogModel {
  public:
    explicit TPresety(TFrameCommands& commands);
    std::string DialogName() const override { return "TPresety"; }

    TFrameCommands& Commands;
    TTHumbview View; // 120-pixel thumbnails of the "Presets" folder: *.bmp, *.jpg, *.jpeg, *.gif, *.png
    int Left = 0, Top = 0, Height = 425;
    bool Showing() const { return fShowing; }

    // "Каталог рамок" (Ctrl+K) and "Загрузить рамку": shows the window at the main window's
    // top + 80 and left + width − 332, then refills the grid.
    void Open();
    // Activation: the grid is refilled from the preset pictures folder, sorted by name.
    void FormActivate();
    // "Загрузить": applies the record of the selected picture; the window stays open. The record
    // number is the picture's file name ("12.bmp" is record 12), so a missing picture shifts nothing.
    void LoadClick();
    // "Закрыть" (and any other close): the view is repainted.
    void CloseClick();
    void FormClose();

  private:
    bool fShowing = false;
};

} // namespace kv
