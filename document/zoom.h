#pragma once
// The main window's zoom commands as functions of a small model of the "Масштаб" combo box.
// None of them marks the document modified: each saves the mark before it acts and restores it.
#include "core/color32.h"

#include <string>
#include <vector>

namespace kv {

class TDocument;
class TImgView32;

// The "Масштаб" combo box (ScaleCombo). CaretPos is a character index into Text.
struct TZoomModel {
    std::string Text = "100%";
    int CaretPos = 0;
    std::vector<std::string> Items{"25%", "50%", "75%", "100%", "200%", "300%", "400%", "800%", "1600%"};
};

// The main window's BufColor setting: the colour around the picture on screen.
constexpr TColor32 BufColor = clGray32;

constexpr float kWheelMinScale = 0.2f;
constexpr float kWheelMaxScale = 20.0f;

// Mouse wheel over the view: up divides Scale by 1.1 (not below 0.2), down multiplies (not above 20).
void ImgViewMouseWheelUp(TZoomModel& combo, TDocument& doc);
void ImgViewMouseWheelDown(TZoomModel& combo, TDocument& doc);
// The combo box text changed (combo.Text holds the new text).
void ScaleComboChange(TZoomModel& combo, TDocument& doc);
// "Масштаб 100%".
void Scale100Click(TZoomModel& combo, TDocument& doc);
// "Уместить в окне".
void FitToWindow(TZoomModel& combo, TDocument& doc);

// Per cent text of a scale: round(scale*100) (half to even) followed by "%".
std::string ScalePercentText(float scale);

// The main window's stage 0: clears the view's on-screen paint buffer with BufColor.
void CustomPaintStage(TImgView32& view);
// Installs CustomPaintStage as the view's stage 0.
void InstallCustomPaintStage(TImgView32& view);

} // namespace kv
