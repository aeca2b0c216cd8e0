#pragma once
// The colour balance dialog TGamma and the brightness/contrast dialog TBrid as models. Both work
// on the base picture: on showing they keep a copy of it, every applied change starts again from
// that copy, "Cancel" (or any close but OK) puts the copy back.
#include "adjust/colour.h"
#include "document/mainform.h"

namespace kv {

constexpr int kBalanceMin = -50, kBalanceMax = 50;
constexpr int kBrightMin = -200, kBrightMax = 200;

class TGamma : public TDialogModel {
  public:
    explicit TGamma(TMainForm& form) : Form(form) {}
    std::string DialogName() const override { return "TGamma"; }
    TMainForm& Form;

    // "Голубой"-"Красный", "Пурпурный"-"Зелёный", "Жёлтый"-"Синий".
    int GaugeBar1 = 0, GaugeBar2 = 0, GaugeBar3 = 0;
    bool Qval = false; // "Высокое качество" chosen; otherwise "Высокая скорость"
    TBitmap32 Kept;

    TBalanceMode Mode() const { return Qval ? TBalanceMode::Quality : TBalanceMode::Speed; }

    void FormShow();
    // A gauge (1..3) moved while the mouse holds it: the position only.
    void GaugeChange(int gauge, int position);
    // The mouse released a gauge: apply the current positions.
    void GaugeMouseUp();
    // A gauge moved by the keyboard or the wheel, which send no release: move and apply.
    void GaugeKeyChange(int gauge, int position);
    void SpeedClick();
    void QvalClick();
    void ResetClick(); // "Сброс"
    // The dialog closed: OK keeps the last balance, anything else restores the kept copy.
    void FormClose(TModalResult result);
    void Apply();
};

class TBrid : public TDialogModel {
  public:
    explicit TBrid(TMainForm& form) : Form(form) {}
    std::string DialogName() const override { return "TBrid"; }
    TMainForm& Form;

    int GaugeBar1 = 0; // "Яркость"
    int GaugeBar2 = 0; // "Контраст"
    TBitmap32 Kept;

    void FormShow();
    void GaugeChange(int gauge, int position); // gauge 1 or 2, position only
    void GaugeMouseUp();
    void GaugeKeyChange(int gauge, int position);
    void ResetClick();
    void FormClose(TModalResult result);
    void Apply();
};

} // namespace kv
