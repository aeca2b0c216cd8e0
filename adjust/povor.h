#pragma once
// Free-angle rotation of the selected bitmap layer: the dialog model TPovor and the rotation.
#include "core/layers.h"
#include "document/mainform.h"

namespace kv {

inline const std::string kAngleRangeText = "Значения могут лежать в диапазоне от -180 до 180 градусов.";
inline const std::string kSelectLayerText = "Пожалуйста, выберите слой.";

// Turns the layer's picture by angle degrees (positive: clockwise on screen) into its bounding
// size with soft transparent corners; the location keeps its left and top. The picture is first
// resampled to the size of its location. bilinear picks sfLinear, else sfNearest.
void RotateLayer(TBitmapLayer& layer, double angle, bool bilinear);

class TPovor : public TDialogModel {
  public:
    explicit TPovor(TMainForm& form) : Form(form) {}
    std::string DialogName() const override { return "TPovor"; }
    TMainForm& Form;

    int Angle = 0;           // -180..180
    std::string Edit1 = "0"; // mirrors Angle
    bool Inter = true;       // "Bilinear interpolation"

    // Showing: keeps the selected layer's picture and location. False when no bitmap layer is
    // selected (the dialog is then not shown).
    bool FormShow();
    void AngleChange(int position);
    void Edit1Change(const std::string& text);
    void PreviewClick();
    void OkClick();
    void CancelClick();
    void FormClose() {
        fLayer = nullptr;
        fKept.Delete();
    }

    TBitmapLayer* Layer() const { return fLayer; }

  private:
    void Restore();
    void Rotate();
    TBitmapLayer* fLayer = nullptr;
    TBitmap32 fKept;
    TFloatRect fKeptLocation{};
};

} // namespace kv
