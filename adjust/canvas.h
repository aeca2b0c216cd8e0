#pragma once
// "Размер холста...": the canvas size dialog THolst as a model, and the canvas change itself.
#include "document/mainform.h"

namespace kv {

// A new width x height canvas filled with the opaque extension colour, the base picture drawn on it
// at the centred offset (Round((W' - W) / 2), Round((H' - H) / 2)) or at (0, 0), clipped.
void ResizeCanvas(TBitmap32& base, int width, int height, bool centre, TColor32 extension);

class THolst : public TDialogModel {
  public:
    explicit THolst(TMainForm& form) : Form(form) {}
    std::string DialogName() const override { return "THolst"; }
    TMainForm& Form;

    int UpDown1 = 1; // "Width", pixels
    int UpDown2 = 1; // "Height", pixels
    bool PlaceToCenter = true;
    bool PlaceToCenterEnabled = true;
    bool CropVisualEnabled = true;
    // "Canvas Extension Color" (Windows colour value); starts as the usual active-caption colour.
    TWinColor ExtensionColor = 0x00D1B499;
    int DialogWidth = 241; // 544 with the preview shown
    bool PreviewShown = false;
    double R = 1;

    // The preview panel's client size and the scale of the composite shown in it.
    int PreviewWidth = 290, PreviewHeight = 290;
    double K = 1;
    int OffsetX = 0, OffsetY = 0;

    // The rectangle dragged in the preview (preview pixels) and the selection it gave (picture
    // pixels); HasSelection once "Apply Selection" was pressed with a rectangle.
    bool Dragging = false, HasRect = false;
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    bool HasSelection = false;
    TRect Selection{};

    void FormShow();
    void Edit1Change(int width);
    void Edit2Change(int height);
    void ColorClick(); // the swatch: the colour dialog
    void CropVisualClick();
    void PreviewMouseDown(int x, int y);
    void PreviewMouseMove(int x, int y);
    void PreviewMouseUp(int x, int y);
    void ApplySelectionClick();
    // "OK": records a canvas step and changes the base picture.
    void OkClick();
    void FormClose();
};

} // namespace kv
