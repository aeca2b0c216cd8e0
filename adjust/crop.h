#pragma once
// "Обрезать изображение": the crop dialog TCropLa as a model, and the crop itself.
#include "core/imgview.h"
#include "document/mainform.h"

namespace kv {

inline const std::string kCropQuestion = "После обрезки изображения рамки будут потеряны . Продолжить?";

// Cuts rect (picture coordinates of the clean photo) out of the clean photo into the base picture:
// the rectangle is normalised and clamped to the picture first; when it leaves less than one pixel
// either way nothing happens and false is returned. Otherwise the selection is cleared, every
// layer removed, a canvas step recorded and the base picture becomes the cut-out; true.
bool CropToRect(TMainForm& form, TFloatRect rect);

class TCropLa : public TDialogModel {
  public:
    explicit TCropLa(TMainForm& form);
    ~TCropLa() override;
    std::string DialogName() const override { return "TCropLa"; }
    TMainForm& Form;

    // The dialog's view: the darkened clean photo with the crop rectangle layer (tag 3) on it.
    TImgView32 Cropos;
    // The darkened picture brightened again: what shows inside the crop rectangle.
    TBitmap32 Bright;
    // The crop was carried out by the last OK.
    bool Cropped = false;

    TPositionedLayer* CropLayer() const { return fLayer; }
    // The crop rectangle in picture coordinates (the layer's location).
    TFloatRect CropRect() const;
    void SetCropRect(const TFloatRect& r);

    // Showing: the client size of the view must be set first (Cropos.SetClientSize).
    void FormShow();
    // "OK": asks the question; on OK crops. The dialog closes with OK either way.
    void OkClick();
    void FormClose();

    // Rubber band over the view, in view coordinates: a press on a handle resizes, inside the
    // rectangle moves it, elsewhere nothing.
    void MouseDown(int x, int y);
    void MouseMove(int x, int y);
    void MouseUp();
    // Pointer hint for a position: 0 none, 1 move, 2 horizontal edge, 3 vertical edge,
    // 4 diagonal (top-left / bottom-right), 5 diagonal (top-right / bottom-left).
    int HandleAt(int x, int y) const;
    bool Dragging() const { return fDrag != 0; }

  private:
    void PaintCropLayer(TBitmap32& dst);
    unsigned DragKindAt(int x, int y) const;
    TPositionedLayer* fLayer = nullptr;
    unsigned fDrag = 0; // bits: 1 left, 2 top, 4 right, 8 bottom; 15 moves
    double fStartX = 0, fStartY = 0;
    TFloatRect fStartRect{};
};

} // namespace kv
