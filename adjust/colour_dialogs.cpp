#include "adjust/colour_dialogs.h"

#include "adjust/picture_ops.h"

#include <algorithm>

namespace kv {

namespace {

void SetGauge(int gauge, int position, int lo, int hi, int* a, int* b, int* c) {
    int* g = gauge == 1 ? a : gauge == 2 ? b : gauge == 3 ? c : nullptr;
    if (g) *g = std::clamp(position, lo, hi);
}

} // namespace

// ---- TGamma --------------------------------------------------------------------------------------

void TGamma::FormShow() {
    GaugeBar1 = GaugeBar2 = GaugeBar3 = 0;
    Kept.Assign(Form.Doc.Base());
}

void TGamma::GaugeChange(int gauge, int position) {
    SetGauge(gauge, position, kBalanceMin, kBalanceMax, &GaugeBar1, &GaugeBar2, &GaugeBar3);
}

void TGamma::GaugeMouseUp() {
    Apply();
}

void TGamma::GaugeKeyChange(int gauge, int position) {
    GaugeChange(gauge, position);
    Apply();
}

void TGamma::SpeedClick() {
    Qval = false;
    Apply();
}

void TGamma::QvalClick() {
    Qval = true;
    Apply();
}

void TGamma::Apply() {
    TBitmap32& target = Form.Doc.Base();
    if (Kept.Empty()) return;
    target.BeginUpdate();
    RestorePixels(target, Kept);
    Balance(target, GaugeBar1, GaugeBar2, GaugeBar3, Mode());
    target.EndUpdate();
}

void TGamma::ResetClick() {
    GaugeBar1 = GaugeBar2 = GaugeBar3 = 0;
    if (!Kept.Empty()) RestorePixels(Form.Doc.Base(), Kept);
}

void TGamma::FormClose(TModalResult result) {
    if (result != TModalResult::Ok && !Kept.Empty()) RestorePixels(Form.Doc.Base(), Kept);
    Kept.Delete();
}

// ---- TBrid ---------------------------------------------------------------------------------------

void TBrid::FormShow() {
    GaugeBar1 = GaugeBar2 = 0;
    Kept.Assign(Form.Doc.Base());
}

void TBrid::GaugeChange(int gauge, int position) {
    SetGauge(gauge, position, kBrightMin, kBrightMax, &GaugeBar1, &GaugeBar2, nullptr);
}

void TBrid::GaugeMouseUp() {
    Apply();
}

void TBrid::GaugeKeyChange(int gauge, int position) {
    GaugeChange(gauge, position);
    Apply();
}

void TBrid::Apply() {
    TBitmap32& target = Form.Doc.Base();
    if (Kept.Empty()) return;
    target.BeginUpdate();
    RestorePixels(target, Kept);
    BrightnessContrast(target, GaugeBar1, GaugeBar2);
    target.EndUpdate();
}

void TBrid::ResetClick() {
    GaugeBar1 = GaugeBar2 = 0;
    if (!Kept.Empty()) RestorePixels(Form.Doc.Base(), Kept);
}

void TBrid::FormClose(TModalResult result) {
    if (result != TModalResult::Ok && !Kept.Empty()) RestorePixels(Form.Doc.Base(), Kept);
    Kept.Delete();
}

} // namespace kv
