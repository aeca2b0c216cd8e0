#pragma once
// TEffectCommands: the "Эффекты" menu's commands, their dialog models and the effects catalog. Constructed
// once at start-up next to the main window's model; it binds the handlers of its menu items in TMainForm's
// menu data.
#include "document/mainform.h"
#include "effects/browser.h"
#include "effects/effect_dialogs.h"

#include <string>
#include <utility>
#include <vector>

namespace kv {

// Dialog values by control name for RunEffect: {"TWaves.Value", "12"}, {"TWaves.Nu", "Средняя"}.
using TEffectParams = std::vector<std::pair<std::string, std::string>>;

class TEffectCommands {
  public:
    explicit TEffectCommands(TMainForm& form);
    ~TEffectCommands();
    TEffectCommands(const TEffectCommands&) = delete;
    TEffectCommands& operator=(const TEffectCommands&) = delete;

    TMainForm& Form;

    // The dialogs, created once; they keep their values for the whole run.
    TSprayWin SprayWin;
    TPosta Posta;
    TWaves Waves;
    TMarb Marb;
    TFractal Fractal;
    TEffect Effect;
    TDeFoc DeFoc;
    TBrowser Browser;

    // Every key ApplyEffect knows, and whether one of them has a dialog (its dialog, else null).
    static const std::vector<std::string>& EffectKeys();
    static bool IsEffectKey(const std::string& key);
    TEffectDialog* DialogFor(const std::string& key);

    // The dispatcher: the target (the selected bitmap layer's picture, else the base picture) goes
    // through a 24-bit working bitmap to the key's routine and back; EffectSnapshot receives the
    // target as it was. Records no history step. An unknown key throws kv::Error and changes nothing.
    void ApplyEffect(const std::string& key);
    // "color": ChannelNoise(50), "mona": GreyNoise(60); the layer's alpha is always put back.
    void ApplyNoise(const std::string& kind);
    void ApplySharpen(); // Sharpen3x3 with TEffect.Value
    void ApplyBlur();    // DiagonalBlur(Value) with Ras checked, DiagonalBlurPasses(Value) otherwise
    // EffectSnapshot back into the target; nothing when the snapshot is empty.
    void RestoreSnapshot();

    // Plain command: effect step, ApplyEffect, snapshot emptied, clean photo refreshed when asked.
    void PlainCommand(const std::string& key, bool refreshClean);
    // Plain command of a noise kind ("color", "mona"); the clean photo is not refreshed.
    void NoiseCommand(const std::string& kind);
    // Dialog command: shows the dialog; whatever closes it, restores; on OK records an effect
    // step and applies once more (TSprayWin, TWaves, TEffect and TDeFoc then refresh the clean photo).
    void DialogCommand(TEffectDialog& dialog);

    // Menu items.
    void QuickSharpenClick();    // "Быстрая резкость"
    void SharpenSettingsClick(); // "Настройка резкости"
    void QuickBlurClick();       // "Быстрое размытие"
    void BlurSettingsClick();    // "Настройка размытия"
    void SprayClick();           // "Разбрызгивание"
    void MosaicClick();          // "Мозаика"
    void WaveClick();            // "Волна"
    void InvertClick();          // "Обратить цвета"
    void BrowserClick();         // "Каталог эффектов"

    // Headless entry points (the batch tool). Each does exactly what the editor's command does
    // after the user confirmed the dialog with these values, on the form's current target.
    // Runs key after setting the named dialog values (names of EffectParams(); "TWaves.Nu" also
    // takes "Низкая"/"Средняя"/"Высокая"); a bad name, value or key throws kv::Error first.
    void RunEffect(const std::string& key, const TEffectParams& params = {});
    // --noise color|mona: the noise command of that kind; another kind throws kv::Error.
    void RunNoise(const std::string& kind);
    // --sharpen N: "Настройка резкости" confirmed with Value N (2..5; 5 is "Быстрая резкость").
    void RunSharpen(int value);
    // --blur N[:defocus]: "Настройка размытия" confirmed with Value N (1..100) and Ras = defocus.
    void RunBlur(int value, bool defocus);
    // Sets one dialog value by control name; throws kv::Error for an unknown name or a value out
    // of its range.
    void SetParam(const std::string& name, const std::string& value);

  private:
    void Bind();
    // The OK path of a dialog command: effect step, apply, snapshot emptied, clean photo refreshed.
    void ConfirmDialog(TEffectDialog& dialog);
    // ConfirmDialog as a command of its own (no dialog shown).
    void RunConfirmed(TEffectDialog& dialog);
    void EndCommand(bool refreshClean);
};

} // namespace kv
