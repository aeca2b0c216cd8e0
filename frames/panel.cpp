#include "frames/panel.h"

#include "core/error.h"
#include "document/mainform.h"
#include "document/zoom.h"
#include "frames/textures.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

void SetupStrip(TTHumbview& v, const std::string& folder) {
    // Strips show 80-pixel cells in one scrolling row; the Qt view decodes the pictures between
    // events so start-up does not wait for the galleries.
    v.SetSize(40);
    v.ScrollMode = SMHorizontal;
    v.Deferred = true;
    v.SetDirectory(folder);
}

} // namespace

TFramePanel::TFramePanel(TMainForm& form) : Form(form) {
    const std::string prog = form.Platform.ProgramFolder();
    SetupStrip(NView, prog + TextureFolderName(kTabNatural));
    SetupStrip(SView, prog + TextureFolderName(kTabSpecial));
    SetupStrip(MView, prog + TextureFolderName(kTabMono));
    SetupStrip(MNatural, prog + TextureFolderName(kTabNatural));
    SetupStrip(MSpec, prog + TextureFolderName(kTabSpecial));
    SetupStrip(MMono, prog + TextureFolderName(kTabMono));
    // Once, at start-up: activation comes back after every dialog, and resetting the lists then
    // would throw away the user's choices.
    S.RTX = 2;
    S.PhotoForm = 0;
    RefreshFrameSection();
    RefreshMatSection();
}

TTHumbview& TFramePanel::FrameView(int tab) {
    return tab == kTabSpecial ? SView : tab == kTabMono ? MView : NView;
}

TTHumbview& TFramePanel::MatView(int tab) {
    return tab == kTabSpecial ? MSpec : tab == kTabMono ? MMono : MNatural;
}

const FrameParam& TFramePanel::Param(std::string_view name) {
    const FrameParam* p = FindFrameParam(name);
    if (!p) throw Error("Неизвестный параметр рамки: " + std::string(name));
    return *p;
}

long long TFramePanel::Value(std::string_view name) const {
    const FrameParam& p = Param(name);
    if (p.Kind == TParamKind::Text) return 0;
    return p.Get(S);
}

void TFramePanel::SetValue(std::string_view name, long long value) {
    const FrameParam& p = Param(name);
    if (p.Kind == TParamKind::Text) return;
    const long long v = ClampToRange(p, value);
    if (name == "Fill") {
        const TFrameFill f = TFrameFill(int(v));
        if (f == TFrameFill::Cola) ColaClick();
        if (f == TFrameFill::Gradient) GradientClick();
        if (f == TFrameFill::Textura) TexturaClick();
        return;
    }
    if (name == "Mat") {
        const TMatFill m = TMatFill(int(v));
        if (m == TMatFill::Prolong) ProlongClick();
        if (m == TMatFill::MatColor) MatColorClick();
        if (m == TMatFill::MatGradient) MatGradientClick();
        if (m == TMatFill::MatTexture) MatTextureClick();
        return;
    }
    if (name == "InFrama") {
        v ? InFramaClick() : OutFramaClick();
        return;
    }
    if (name == "Matte") return MatteClick(v != 0);
    if (name == "Press1") return Press1Click(v != 0);
    if (name == "Tab") return SetFrameTab(int(v));
    if (name == "MatTab") return SetMatTab(int(v));
    if (name == "MatteTone" && !MatteToneEnabled) return;
    p.Set(S, v);
    // These share the layer property controls' handler: the document becomes modified, but the
    // selected layer's opacity stays as it is.
    if (name == "Mixer" || name == "Pole" || name == "MatteTone") Form.Doc.Modified = kMarkModified;
    Changed();
}

void TFramePanel::ColaClick() {
    S.Fill = TFrameFill::Cola;
    RefreshFrameSection();
}

void TFramePanel::GradientClick() {
    S.Fill = TFrameFill::Gradient;
    RefreshFrameSection();
}

void TFramePanel::TexturaClick() {
    if (!TexturaEnabled) return;
    S.Fill = TFrameFill::Textura;
    RefreshFrameSection();
}

void TFramePanel::OutFramaClick() {
    S.InFrama = false;
    TexturaEnabled = true;
    RefreshFrameSection();
    MatteEnabled = true;
    Changed();
}

void TFramePanel::InFramaClick() {
    S.InFrama = true;
    TexturaEnabled = false;
    if (S.Fill == TFrameFill::Textura) S.Fill = TFrameFill::Cola;
    RefreshFrameSection();
    MatteEnabled = false;
    Changed();
}

void TFramePanel::ProlongClick() {
    S.Mat = TMatFill::Prolong;
    RefreshMatSection();
}

void TFramePanel::MatColorClick() {
    S.Mat = TMatFill::MatColor;
    RefreshMatSection();
}

void TFramePanel::MatGradientClick() {
    S.Mat = TMatFill::MatGradient;
    RefreshMatSection();
}

void TFramePanel::MatTextureClick() {
    S.Mat = TMatFill::MatTexture;
    RefreshMatSection();
}

void TFramePanel::MatteClick(bool checked) {
    if (!MatteEnabled) return;
    S.Matte = checked;
    if (OnCaptionToggle) OnCaptionToggle();
    Changed();
}

void TFramePanel::Press1Click(bool checked) {
    S.Press1 = checked;
    if (OnCaptionToggle) OnCaptionToggle();
    Changed();
}

void TFramePanel::SetFrameTab(int tab) {
    S.Tab = std::clamp(tab, 0, 2);
    Changed();
}

void TFramePanel::SetMatTab(int tab) {
    S.MatTab = std::clamp(tab, 0, 2);
    Changed();
}

TWinColor TFramePanel::Swatch(TSwatch swatch) const {
    switch (swatch) {
    case TSwatch::SColor:
        return S.SColor;
    case TSwatch::k1:
        return S.k1;
    case TSwatch::k2:
        return S.k2;
    case TSwatch::MoColor:
        return S.MoColor;
    case TSwatch::MatSC:
        return S.MatSC;
    case TSwatch::MatK1:
        return S.MatK1;
    case TSwatch::MatK2:
        return S.MatK2;
    case TSwatch::Panel12:
        return S.Panel12;
    }
    return 0;
}

void TFramePanel::SetSwatch(TSwatch swatch, TWinColor c) {
    c &= 0xFFFFFFu;
    switch (swatch) {
    case TSwatch::SColor:
        S.SColor = c;
        break;
    case TSwatch::k1:
        S.k1 = c;
        break;
    case TSwatch::k2:
        S.k2 = c;
        break;
    case TSwatch::MoColor:
        S.MoColor = c;
        break;
    case TSwatch::MatSC:
        S.MatSC = c;
        break;
    case TSwatch::MatK1:
        S.MatK1 = c;
        break;
    case TSwatch::MatK2:
        S.MatK2 = c;
        break;
    case TSwatch::Panel12:
        S.Panel12 = c;
        break;
    }
    Changed();
}

void TFramePanel::ColorButtonClick(TSwatch swatch) {
    const std::optional<TWinColor> c = Form.Platform.ColorDialog(AllColor);
    if (!c) return;
    AllColor = *c;
    SetSwatch(swatch, *c);
}

void TFramePanel::SetStripVisible(bool visible) {
    const bool was = StripVisible;
    StripVisible = visible;
    const bool both = FrameTabsVisible && MatTabsVisible;
    StripCaptionsVisible = both;
    if (both) {
        MatTabsWidth = int(std::nearbyint(StripWidth / 2.0));
        FrameTabsWidth = StripWidth - MatTabsWidth;
    } else {
        MatTabsWidth = MatTabsVisible ? StripWidth : 0;
        FrameTabsWidth = FrameTabsVisible ? StripWidth : 0;
    }
    // The view's area changes with the strip: fit the picture to it again.
    if (was != visible) FitToWindow(Form.Zoom, Form.Doc);
}

void TFramePanel::RefreshFrameSection() {
    TexturaEnabled = !S.InFrama;
    SColorEnabled = S.Fill == TFrameFill::Cola;
    GradientEnabled = S.Fill == TFrameFill::Gradient;
    RTXEnabled = S.Fill == TFrameFill::Textura;
    FrameTabsVisible = S.Fill == TFrameFill::Textura;
    SetStripVisible(FrameTabsVisible || MatTabsVisible);
    Changed();
}

void TFramePanel::RefreshMatSection() {
    MatteToneEnabled = S.Mat == TMatFill::Prolong;
    if (!MatteToneEnabled) S.MatteTone = 0;
    MatSCEnabled = S.Mat == TMatFill::MatColor;
    MatGradientEnabled = S.Mat == TMatFill::MatGradient;
    MatTabsVisible = S.Mat == TMatFill::MatTexture;
    SetStripVisible(FrameTabsVisible || MatTabsVisible);
    Changed();
}

void TFramePanel::FormActivate() {
    RefreshFrameSection();
    RefreshMatSection();
}

void TFramePanel::TakeTextureChoices() {
    if (FrameTabsVisible) S.Texture = FrameView(S.Tab).SelectedFile();
    if (MatTabsVisible) S.MatTexture = MatView(S.MatTab).SelectedFile();
}

void TFramePanel::ShowPreset(const FrameSettings& s) {
    S = s;
    MatteEnabled = !S.InFrama;
    if (S.Fill == TFrameFill::Textura && !S.Texture.empty()) FrameView(S.Tab).SetSelectedFile(S.Texture);
    if (S.Mat == TMatFill::MatTexture && !S.MatTexture.empty())
        MatView(S.MatTab).SetSelectedFile(S.MatTexture);
    RefreshFrameSection();
    RefreshMatSection();
}

int TFramePanel::Subscribe(std::function<void()> fn) {
    fListeners.emplace_back(fNextListener, std::move(fn));
    return fNextListener++;
}

void TFramePanel::Unsubscribe(int id) {
    std::erase_if(fListeners, [id](const auto& l) { return l.first == id; });
}

void TFramePanel::Changed() {
    // A copy: a listener may subscribe or unsubscribe while it runs.
    const auto listeners = fListeners;
    for (const auto& l : listeners)
        l.second();
}

} // namespace kv
