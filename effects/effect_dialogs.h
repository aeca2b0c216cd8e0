#pragma once
// The parameter dialogs of the effects as models: their gauges are plain fields named like the
// controls and keep their values for the whole run. Every one of them previews on the document
// and restores on cancel through the two callbacks its owner (TEffectCommands) sets.
#include "document/platform.h"

#include <functional>
#include <string>
#include <vector>

namespace kv {

// The buttons every effect dialog shares: "Просмотр", "OK", "Cancel" (also Esc).
class TEffectDialog : public TDialogModel {
  public:
    // "Просмотр": put the picture back as it was before the dialog, then apply the current settings.
    void PreviewClick();
    // "Cancel": put the picture back. The window then closes with Cancel.
    void CancelClick();
    // Called each time the dialog is shown, before its window appears.
    virtual void FormShow() {}

    // The effect this dialog sets up: the dispatcher key ("spray", "wave", ...) or, for the
    // sharpen and blur dialogs, a name of their own. Fixed for each dialog.
    virtual std::string Key() const = 0;

    std::function<void()> OnRestore; // restore of the effect snapshot
    std::function<void()> OnApply;   // applies the effect with the current settings
};

class TSprayWin : public TEffectDialog {
  public:
    std::string DialogName() const override { return "TSprayWin"; }
    std::string Key() const override { return "spray"; }
    static constexpr const char* kCaption = "Эффект разбрызгивания";
    static constexpr int kMin = 1, kMax = 100;
    int Value = 1;
};

class TPosta : public TEffectDialog {
  public:
    std::string DialogName() const override { return "TPosta"; }
    std::string Key() const override { return "post"; }
    static constexpr const char* kCaption = "Постеризация";
    static constexpr int kMin = 1, kMax = 100;
    int Value = 1;
};

class TWaves : public TEffectDialog {
  public:
    std::string DialogName() const override { return "TWaves"; }
    std::string Key() const override { return "wave"; }
    static constexpr const char* kCaption = "Эффект волны";
    static constexpr const char* kGroup = "Настройки";
    static constexpr int kValueMin = 1, kValueMax = 100;  // "Амплитуда"
    static constexpr int kInterfMin = 1, kInterfMax = 15; // "Интерференция"
    static const std::vector<std::string>& NuItems(); // "Частота": "Низкая", "Средняя", "Высокая"
    int Value = 1;
    int Interf = 1;
    int Nu = 0; // item index of the list; the wave style
    // "Частота" goes back to "Низкая" each time the dialog is shown.
    void FormShow() override { Nu = 0; }
};

class TMarb : public TEffectDialog {
  public:
    std::string DialogName() const override { return "TMarb"; }
    std::string Key() const override { return "textur"; }
    static constexpr const char* kCaption = "Капли дождя";
    static constexpr const char* kGroup = "Настройка эффекта";
    static constexpr int kScalMin = 1, kScalMax = 50;  // "Увеличение"
    static constexpr int kFreqMin = 1, kFreqMax = 300; // "Сила ветра"
    int Scal = 10;
    int Freq = 210;
};

// The threshold of the "fractal" key: the pixels whose iteration count stays at or below it turn
// black.
class TFractal : public TEffectDialog {
  public:
    std::string DialogName() const override { return "TFractal"; }
    std::string Key() const override { return "fractal"; }
    static constexpr const char* kCaption = "Фрактал";
    static constexpr const char* kLabel = "Порог";
    static constexpr int kMin = 1, kMax = 64;
    int Threshold = 10;
};

// Sharpen settings.
class TEffect : public TEffectDialog {
  public:
    std::string DialogName() const override { return "TEffect"; }
    std::string Key() const override { return "sharpen"; }
    static constexpr const char* kCaption = "Резкость";
    static constexpr int kMin = 2, kMax = 5;
    int Value = 2;
};

// Blur settings.
class TDeFoc : public TEffectDialog {
  public:
    std::string DialogName() const override { return "TDeFoc"; }
    std::string Key() const override { return "blur"; }
    static constexpr const char* kCaption = "Размытие";
    static constexpr const char* kRasCaption = "Расфокусировка";
    static constexpr int kMin = 1, kMax = 100;
    int Value = 1;
    bool Ras = false;
};

// Every dialog value reachable by name ("TSprayWin.Value", "TWaves.Nu", "TFractal.Threshold", ...),
// with its range and initial value: the batch tool's --param names.
struct TEffectParamInfo {
    const char* Name;
    int Min, Max, Initial;
};
const std::vector<TEffectParamInfo>& EffectParams();

} // namespace kv
