#pragma once
// "Размер изображения": the dialog model TRasm with its field coupling, and the resize itself.
#include "core/bitmap32.h"
#include "document/mainform.h"

namespace kv {

constexpr int kSideMin = 1, kSideMax = 10000;
constexpr int kSizeKbMin = 1, kSizeKbMax = 32000;

// Resampling items of the list: 0 sfNearest, 1 sfLinear2, 2 sfSpline.
TStretchFilter ResampleFilter(int item);

// Records a size step, then resamples the base picture to width x height with the item's filter and
// scales every layer's location along (unchanged numbers resample nothing); shows the size in the
// status bar and refreshes the clean photo.
void ResizeImage(TMainForm& form, int width, int height, int resample);

class TRasm : public TDialogModel {
  public:
    explicit TRasm(TMainForm& form) : Form(form) {}
    std::string DialogName() const override { return "TRasm"; }
    TMainForm& Form;

    int UpDown1 = 1;  // "Ширина", points
    int UpDown2 = 1;  // "Высота", points
    int UpDown3 = 1;  // "Размер", kilobytes
    bool Prop = true; // "Сохранять пропорции"
    int Resample = 0; // "Ближайший сосед", "Билинейная (оптимально)", "Сплайн (мягко)"
    double R = 0; // width / height of the picture last seen on showing

    void FormShow();
    // The field handlers; each writes the other fields without their handlers running.
    void Edit1Change(int width);
    void Edit2Change(int height);
    void Edit3Change(int kilobytes);

  private:
    void UpdateSize();
};

} // namespace kv
