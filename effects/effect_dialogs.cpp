#include "effects/effect_dialogs.h"

namespace kv {

void TEffectDialog::PreviewClick() {
    if (OnRestore) OnRestore();
    if (OnApply) OnApply();
}

void TEffectDialog::CancelClick() {
    if (OnRestore) OnRestore();
}

const std::vector<std::string>& TWaves::NuItems() {
    static const std::vector<std::string> items = {"Низкая", "Средняя", "Высокая"};
    return items;
}

const std::vector<TEffectParamInfo>& EffectParams() {
    static const std::vector<TEffectParamInfo> params = {
        {"TSprayWin.Value", TSprayWin::kMin, TSprayWin::kMax, 1},
        {"TPosta.Value", TPosta::kMin, TPosta::kMax, 1},
        {"TWaves.Value", TWaves::kValueMin, TWaves::kValueMax, 1},
        {"TWaves.Interf", TWaves::kInterfMin, TWaves::kInterfMax, 1},
        {"TWaves.Nu", 0, 2, 0},
        {"TMarb.Scal", TMarb::kScalMin, TMarb::kScalMax, 10},
        {"TMarb.Freq", TMarb::kFreqMin, TMarb::kFreqMax, 210},
        {"TFractal.Threshold", TFractal::kMin, TFractal::kMax, 10},
        {"TEffect.Value", TEffect::kMin, TEffect::kMax, 2},
        {"TDeFoc.Value", TDeFoc::kMin, TDeFoc::kMax, 1},
        {"TDeFoc.Ras", 0, 1, 0},
    };
    return params;
}

} // namespace kv
