#pragma once
// TFramePanel: the side panel's three frame sections as a model. Its control values are the frame
// settings; it keeps the enabling and visibility rules, the colour swatches and their buttons, and
// the six texture thumbnail strips over "NTextures", "STextures" and "MTextures". Captions, ranges
// and start values come from the FrameParams table.
#include "document/thumbview.h"
#include "frames/frame_settings.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv {

class TMainForm;

// The colour swatches of the panel.
enum class TSwatch { SColor, k1, k2, MoColor, MatSC, MatK1, MatK2, Panel12 };

// Start colour of the shared colour dialog AllColor.
constexpr TWinColor kAllColorStart = WinRGB(200, 191, 119);

class TFramePanel {
  public:
    explicit TFramePanel(TMainForm& form);
    TFramePanel(const TFramePanel&) = delete;
    TFramePanel& operator=(const TFramePanel&) = delete;

    TMainForm& Form;
    // The control values. S.Texture and S.MatTexture are TeNamo and MTeNamo.
    FrameSettings S;
    // The shared colour dialog's colour: where the next colour dialog starts.
    TWinColor AllColor = kAllColorStart;

    // Enabled states (refreshed by the section refreshes).
    bool TexturaEnabled = true;   // "Текстура": outer frame only
    bool MatteEnabled = true;     // "Поля под рамкой": outer frame only
    bool SColorEnabled = true;    // SpeedButton28, SpeedButton29
    bool GradientEnabled = false; // SpeedButton8, SpeedButton9
    bool RTXEnabled = false;
    bool MatteToneEnabled = true;
    bool MatSCEnabled = false;       // SpeedButton15, SpeedButton14
    bool MatGradientEnabled = false; // SpeedButton16, SpeedButton32, SpeedButton13
    // The thumbnail strip under the view and its two tab sets.
    bool StripVisible = false;
    bool FrameTabsVisible = false;
    bool MatTabsVisible = false;
    bool StripCaptionsVisible = false; // "Текстура рамки" / "Текстура фона"
    int StripWidth = 600;              // set by the view
    int MatTabsWidth = 0, FrameTabsWidth = 0;

    // Thumbnail strips: frame tabs 0..2 and mat tabs 0..2.
    TTHumbview NView, SView, MView, MNatural, MSpec, MMono;
    TTHumbview& FrameView(int tab);
    TTHumbview& MatView(int tab);

    // The views listen here and bring their controls up to date after every change.
    int Subscribe(std::function<void()> fn);
    void Unsubscribe(int id);
    // "Поля под рамкой" and "Вдавливание фото" run the caption toggle (owned by the caption layer).
    std::function<void()> OnCaptionToggle;

    // Parameter of a control by its field name (FrameParams), and its value.
    static const FrameParam& Param(std::string_view name);
    long long Value(std::string_view name) const;
    // Sets a control's value, limited to its range, with the control's own handler: Mixer, Pole and
    // MatteTone mark the document modified; the choices run their click handlers.
    void SetValue(std::string_view name, long long value);

    // Click handlers.
    void ColaClick();
    void GradientClick();
    void TexturaClick();
    void OutFramaClick();
    void InFramaClick();
    void ProlongClick();
    void MatColorClick();
    void MatGradientClick();
    void MatTextureClick();
    void MatteClick(bool checked);
    void Press1Click(bool checked);
    void SetFrameTab(int tab);
    void SetMatTab(int tab);
    // A colour button: the colour dialog from AllColor; a confirmed colour goes into the swatch.
    void ColorButtonClick(TSwatch swatch);
    TWinColor Swatch(TSwatch swatch) const;
    void SetSwatch(TSwatch swatch, TWinColor c);

    // Enabling and visibility.
    void RefreshFrameSection();
    void RefreshMatSection();
    // Window activation: both refreshes. (RTX := item 2 and PhotoForm := item 0 happen once, at
    // construction, so coming back from a dialog keeps the user's choices.)
    void FormActivate();

    // "Просмотр" step 2: the texture names from the thumbnail choices of the visible tab sets.
    void TakeTextureChoices();
    // After a preset: the values shown, the stored textures selected in their strips when they fill
    // the frame or the mat, and both sections refreshed.
    void ShowPreset(const FrameSettings& s);

  private:
    void Changed();
    void SetStripVisible(bool visible);
    std::vector<std::pair<int, std::function<void()>>> fListeners;
    int fNextListener = 1;
};

} // namespace kv
