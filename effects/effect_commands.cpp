#include "effects/effect_commands.h"

#include "core/error.h"
#include "document/history.h"
#include "effects/dispatcher.h"
#include "effects/effects.h"
#include "effects/sharpen.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kv {

namespace {

const char* const kEffectsMenu = "Эффекты";

// Empties EffectSnapshot when a command ends, also when it ends with an error: a snapshot left
// over would later be "restored" over a picture changed by other commands in between.
struct SnapshotScope {
    TMainForm& form;
    ~SnapshotScope() { form.EffectSnapshot.Delete(); }
};

bool TargetEmpty(TMainForm& form) {
    return EffectTarget(form).Empty();
}

// The sharpen routine's own refusal, checked before a step is recorded, so that a refused command
// does not replace the user's undo step with a copy of the unchanged picture.
void CheckSharpenTarget(TMainForm& form) {
    const TBitmap32& t = EffectTarget(form);
    if (t.Width() < 3 || t.Height() < 3) throw Error("Bitmap must be at least 3x3");
}

// The keys whose confirmed dialog refreshes the clean photo.
bool RefreshesClean(const std::string& key) {
    return key == "spray" || key == "wave" || key == "sharpen" || key == "blur";
}

} // namespace

TEffectCommands::TEffectCommands(TMainForm& form) : Form(form), Browser(form) {
    for (TEffectDialog* d :
         std::initializer_list<TEffectDialog*>{&SprayWin, &Posta, &Waves, &Marb, &Fractal}) {
        const std::string key = d->Key();
        d->OnApply = [this, key] { ApplyEffect(key); };
    }
    Effect.OnApply = [this] { ApplySharpen(); };
    DeFoc.OnApply = [this] { ApplyBlur(); };
    for (TEffectDialog* d :
         std::initializer_list<TEffectDialog*>{&SprayWin, &Posta, &Waves, &Marb, &Fractal, &Effect, &DeFoc})
        d->OnRestore = [this] { RestoreSnapshot(); };
    Bind();
}

namespace {

// The menu items this object binds, with their handlers.
struct TBoundItem {
    const char* Caption;
    void (TEffectCommands::*Handler)();
};
const TBoundItem kBoundItems[] = {
    {"Быстрая резкость", &TEffectCommands::QuickSharpenClick},
    {"Настройка резкости", &TEffectCommands::SharpenSettingsClick},
    {"Быстрое размытие", &TEffectCommands::QuickBlurClick},
    {"Настройка размытия", &TEffectCommands::BlurSettingsClick},
    {"Разбрызгивание", &TEffectCommands::SprayClick},
    {"Мозаика", &TEffectCommands::MosaicClick},
    {"Волна", &TEffectCommands::WaveClick},
    {"Обратить цвета", &TEffectCommands::InvertClick},
    {"Каталог эффектов", &TEffectCommands::BrowserClick},
};

} // namespace

// The handlers point at this object: they go with it.
TEffectCommands::~TEffectCommands() {
    for (const TBoundItem& b : kBoundItems)
        if (TMenuItem* it = Form.FindItem(kEffectsMenu, b.Caption)) it->Handler = nullptr;
}

void TEffectCommands::Bind() {
    for (const TBoundItem& b : kBoundItems)
        if (TMenuItem* it = Form.FindItem(kEffectsMenu, b.Caption))
            it->Handler = [this, handler = b.Handler](TMainForm&) { (this->*handler)(); };
}

const std::vector<std::string>& TEffectCommands::EffectKeys() {
    static const std::vector<std::string> keys = {"spray",     "textur",  "invert", "mosa",     "emboss",
                                                  "button",    "fractal", "oval",   "ripple_7", "ripple_12",
                                                  "ripple_24", "wave",    "post"};
    return keys;
}

bool TEffectCommands::IsEffectKey(const std::string& key) {
    const auto& keys = EffectKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

TEffectDialog* TEffectCommands::DialogFor(const std::string& key) {
    for (TEffectDialog* d : std::initializer_list<TEffectDialog*>{&SprayWin, &Posta, &Waves, &Marb, &Fractal})
        if (d->Key() == key) return d;
    return nullptr;
}

void TEffectCommands::ApplyEffect(const std::string& key) {
    if (!IsEffectKey(key)) throw Error("Неизвестный эффект: \"" + key + "\"");
    const bool keepAlpha = key != "fractal" && key != "oval";
    RunOnEffectTarget(Form, keepAlpha, [&](Bitmap24& p, Bitmap24& s) {
        const int W = p.Width();
        if (key == "spray") {
            ScatterPixels(p, std::uint32_t(SprayWin.Value));
        } else if (key == "textur") {
            RainDropWarp(p, s, Marb.Freq, double(Marb.Scal));
            return TEffectResult::Secondary;
        } else if (key == "invert") {
            InvertChannels(p);
        } else if (key == "mosa") {
            BlockMosaic(p, RoundI(W / 100.0));
        } else if (key == "emboss") {
            EmbossRelief(p);
        } else if (key == "button") {
            BevelButton(p, RoundI(W / 20.0), RoundI(W / 30.0));
        } else if (key == "fractal") {
            FractalOverlay(p, Fractal.Threshold);
        } else if (key == "oval") {
            OvalMatte(p, 255, 0, 255);
        } else if (key == "ripple_7") {
            SawtoothRipple(p, RoundI(W / 7.0));
        } else if (key == "ripple_12") {
            SawtoothRipple(p, RoundI(W / 12.0));
        } else if (key == "ripple_24") {
            SawtoothRipple(p, RoundI(W / 24.0));
        } else if (key == "wave") {
            WaveShift(p, Waves.Value, Waves.Interf, Waves.Nu);
        } else if (key == "post") {
            PosterizeLevels(p, s, Posta.Value);
            return TEffectResult::Secondary;
        }
        return TEffectResult::Primary;
    });
}

void TEffectCommands::ApplyNoise(const std::string& kind) {
    if (kind != "color" && kind != "mona") throw Error("Неизвестный вид шума: \"" + kind + "\"");
    RunOnEffectTarget(Form, true, [&](Bitmap24& p, Bitmap24&) {
        if (kind == "color")
            ChannelNoise(p, 50);
        else
            GreyNoise(p, 60);
        return TEffectResult::Primary;
    });
}

void TEffectCommands::ApplySharpen() {
    RunOnEffectTarget(Form, true, [&](Bitmap24& p, Bitmap24& s) {
        Sharpen3x3(p, s, double(Effect.Value));
        return TEffectResult::Secondary;
    });
}

void TEffectCommands::ApplyBlur() {
    RunOnEffectTarget(Form, true, [&](Bitmap24& p, Bitmap24&) {
        if (DeFoc.Ras)
            DiagonalBlur(p, DeFoc.Value);
        else
            DiagonalBlurPasses(p, DeFoc.Value);
        return TEffectResult::Primary;
    });
}

void TEffectCommands::RestoreSnapshot() {
    RestoreEffectSnapshot(Form);
}

void TEffectCommands::EndCommand(bool refreshClean) {
    Form.EffectSnapshot.Delete();
    if (refreshClean) Form.Doc.RefreshCleanPhoto();
}

void TEffectCommands::PlainCommand(const std::string& key, bool refreshClean) {
    if (!IsEffectKey(key)) throw Error("Неизвестный эффект: \"" + key + "\"");
    if (TargetEmpty(Form)) return;
    SnapshotScope scope{Form};
    RecordEffectStep(Form.Doc);
    ApplyEffect(key);
    EndCommand(refreshClean);
}

void TEffectCommands::NoiseCommand(const std::string& kind) {
    if (kind != "color" && kind != "mona") throw Error("Неизвестный вид шума: \"" + kind + "\"");
    if (TargetEmpty(Form)) return;
    SnapshotScope scope{Form};
    RecordEffectStep(Form.Doc);
    ApplyNoise(kind);
    EndCommand(false);
}

void TEffectCommands::DialogCommand(TEffectDialog& dialog) {
    if (TargetEmpty(Form)) return;
    SnapshotScope scope{Form};
    // Only this dialog's previews may be restored.
    Form.EffectSnapshot.Delete();
    dialog.FormShow();
    const TModalResult result = Form.Platform.ShowModal(dialog);
    RestoreSnapshot();
    if (result == TModalResult::Ok) ConfirmDialog(dialog);
}

void TEffectCommands::ConfirmDialog(TEffectDialog& dialog) {
    if (&dialog == &Effect) CheckSharpenTarget(Form);
    RecordEffectStep(Form.Doc);
    dialog.OnApply();
    EndCommand(RefreshesClean(dialog.Key()));
}

void TEffectCommands::RunConfirmed(TEffectDialog& dialog) {
    if (TargetEmpty(Form)) return;
    SnapshotScope scope{Form};
    Form.EffectSnapshot.Delete();
    ConfirmDialog(dialog);
}

void TEffectCommands::QuickSharpenClick() {
    Effect.Value = 5;
    RunConfirmed(Effect);
}

void TEffectCommands::SharpenSettingsClick() {
    DialogCommand(Effect);
}

void TEffectCommands::QuickBlurClick() {
    DeFoc.Value = 1;
    DeFoc.Ras = true;
    RunConfirmed(DeFoc);
}

void TEffectCommands::BlurSettingsClick() {
    DialogCommand(DeFoc);
}

void TEffectCommands::SprayClick() {
    DialogCommand(SprayWin);
}

void TEffectCommands::MosaicClick() {
    PlainCommand("mosa", true);
}

void TEffectCommands::WaveClick() {
    DialogCommand(Waves);
}

void TEffectCommands::InvertClick() {
    PlainCommand("invert", true);
}

void TEffectCommands::BrowserClick() {
    if (Form.Doc.Empty()) return;
    Form.Doc.Select(nullptr);
    Browser.FormActivate();
    Form.Platform.ShowModal(Browser);
}

// Headless entry points.

namespace {

int ParseInt(const std::string& name, const std::string& text, int lo, int hi) {
    int v = 0;
    const char* b = text.data();
    const char* e = b + text.size();
    const auto [ptr, ec] = std::from_chars(b, e, v);
    if (text.empty() || ec != std::errc() || ptr != e || v < lo || v > hi)
        throw Error(name + ": \"" + text + "\" is not a whole number from " + std::to_string(lo) + " to " +
                    std::to_string(hi));
    return v;
}

} // namespace

void TEffectCommands::SetParam(const std::string& name, const std::string& value) {
    const auto& params = EffectParams();
    const auto it =
        std::find_if(params.begin(), params.end(), [&](const TEffectParamInfo& p) { return name == p.Name; });
    if (it == params.end()) throw Error("Unknown effect parameter: \"" + name + "\"");
    if (name == "TWaves.Nu") {
        const auto& items = TWaves::NuItems();
        const auto item = std::find(items.begin(), items.end(), value);
        if (item != items.end()) {
            Waves.Nu = int(item - items.begin());
            return;
        }
    }
    const int v = ParseInt(name, value, it->Min, it->Max);
    if (name == "TSprayWin.Value")
        SprayWin.Value = v;
    else if (name == "TPosta.Value")
        Posta.Value = v;
    else if (name == "TWaves.Value")
        Waves.Value = v;
    else if (name == "TWaves.Interf")
        Waves.Interf = v;
    else if (name == "TWaves.Nu")
        Waves.Nu = v;
    else if (name == "TMarb.Scal")
        Marb.Scal = v;
    else if (name == "TMarb.Freq")
        Marb.Freq = v;
    else if (name == "TFractal.Threshold")
        Fractal.Threshold = v;
    else if (name == "TEffect.Value")
        Effect.Value = v;
    else if (name == "TDeFoc.Value")
        DeFoc.Value = v;
    else if (name == "TDeFoc.Ras")
        DeFoc.Ras = v != 0;
}

void TEffectCommands::RunEffect(const std::string& key, const TEffectParams& params) {
    if (!IsEffectKey(key)) throw Error("Неизвестный эффект: \"" + key + "\"");
    TEffectDialog* dialog = DialogFor(key);
    if (dialog) dialog->FormShow(); // as showing the dialog does, before the user sets its values
    for (const auto& [name, value] : params)
        SetParam(name, value);
    if (!dialog) {
        // The menu's plain commands: "Мозаика" and "Обратить цвета" refresh the clean photo.
        PlainCommand(key, key == "mosa" || key == "invert");
        return;
    }
    RunConfirmed(*dialog);
}

void TEffectCommands::RunNoise(const std::string& kind) {
    NoiseCommand(kind);
}

void TEffectCommands::RunSharpen(int value) {
    Effect.Value = ParseInt("TEffect.Value", std::to_string(value), TEffect::kMin, TEffect::kMax);
    RunConfirmed(Effect);
}

void TEffectCommands::RunBlur(int value, bool defocus) {
    DeFoc.Value = ParseInt("TDeFoc.Value", std::to_string(value), TDeFoc::kMin, TDeFoc::kMax);
    DeFoc.Ras = defocus;
    RunConfirmed(DeFoc);
}

} // namespace kv
